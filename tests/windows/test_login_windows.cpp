// The login window and the server settings window over the in-memory server.

#include "fakeworld.h"
#include "fmpass.h"
#include "fmserver.h"
#include "login.h"
#include "loginwindows.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QtTest>

using namespace cacheapi;
using namespace testkit;
using windows::FMPass;
using windows::FMServer;
using windows::LoginWindowsAdapter;

namespace {
QStringList labelTexts(QWidget* window) {
    QStringList texts;
    for (QLabel* label : window->findChildren<QLabel*>())
        texts << label->text();
    return texts;
}

// The user's part of the login window: type the entries and press "Anmelden".
void typeAndLogIn(FMPass& pass, const QString& user, const QString& password) {
    pass.BUSER->setText(user);
    pass.BPASSWORT->setText(password);
    pass.BUSpeich->click();
}
} // namespace

class LoginWindowsTest : public QObject {
    Q_OBJECT

private slots:
    void windowsCarryTheirCaptionsLimitsAndTabOrder();
    void entriesAreSelectedOnFocusAndUserCodeUpperCased();
    void firstRunShowsTheLoginWindowWithDefaults();
    void refusedLoginsTellTheUserAndSelectThePassword();
    void anmeldenWhileMainWindowShownLogsInAgain();
    void serverErrorKeepsThePasswordOutOfTheStore();
    void abbruchClearsTheIdentityAndEndsTheProgram();
    void serverButtonOpensTheSettingsWindow();
    void settingsStayLockedUntilTheUserAgrees();
    void savingTheSettingsWritesAllSevenKeysAndClosesTheConnection();
    void answeringNoToSavingKeepsTheTypedTexts();
};

void LoginWindowsTest::windowsCarryTheirCaptionsLimitsAndTabOrder() {
    FakeWorld world;
    ScriptedModal modal;
    LoginWindowsAdapter windows(world.link, modal);
    FMPass& pass = windows.loginWindow();
    QCOMPARE(pass.windowTitle(), QStringLiteral("VENTOR Benutzeranmeldung"));
    QCOMPARE(pass.BUSpeich->text(), QStringLiteral("Anmelden"));
    QCOMPARE(pass.BUAusst->text(), QStringLiteral("Abbruch"));
    QCOMPARE(pass.BUServer->text(), QStringLiteral("Server"));
    QVERIFY(labelTexts(&pass).contains(QStringLiteral("User(WWS Personalcode):")));
    QVERIFY(labelTexts(&pass).contains(QStringLiteral("Passwort:")));
    QCOMPARE(pass.BPASSWORT->echoMode(), QLineEdit::Password);
    QCOMPARE(pass.BPASSWORT->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr,
                                                pass.BPASSWORT),
             int('*'));
    QCOMPARE(pass.BPASSWORT->maxLength(), 20);
    QCOMPARE(pass.BUSER->maxLength(), 20);
    QCOMPARE(nextTabStop(pass.BPASSWORT), static_cast<QWidget*>(pass.BUSER));

    FMServer& server = windows.serverWindow();
    QCOMPARE(server.windowTitle(), QStringLiteral("VENTOR Server"));
    QCOMPARE(server.BUEdit->text(), QStringLiteral("Ändern"));
    QCOMPARE(server.BUZurueck->text(), QStringLiteral("Zurück"));
    QCOMPARE(server.parentWidget(), static_cast<QWidget*>(&pass));
    const QList<QLineEdit*> order = {server.BSERVERIP, server.BPORT, server.BFIRMA, server.BFIL,
                                     server.BNAMESPACE};
    for (int i = 0; i + 1 < order.size(); ++i)
        QCOMPARE(nextTabStop(order[i]), static_cast<QWidget*>(order[i + 1]));
    for (QLineEdit* field : order) {
        QVERIFY(!field->isEnabled());
        QCOMPARE(field->palette().color(QPalette::Disabled, QPalette::Base),
                 field->palette().color(QPalette::Button));
    }
    QCOMPARE(server.BPORT->text(), QStringLiteral("1973"));
    QCOMPARE(server.BFIRMA->text(), QStringLiteral("1"));
    QCOMPARE(server.BFIL->text(), QStringLiteral("0"));
    QCOMPARE(server.BNAMESPACE->text(), QStringLiteral("VENTOR"));
    QVERIFY(server.isLocked());
}

void LoginWindowsTest::entriesAreSelectedOnFocusAndUserCodeUpperCased() {
    FakeWorld world;
    ScriptedModal modal;
    LoginWindowsAdapter windows(world.link, modal);
    FMPass& pass = windows.loginWindow();
    pass.BUSER->setText(QStringLiteral("meier"));
    pass.BPASSWORT->setText(QStringLiteral("geheim"));
    pass.show();
    QApplication::setActiveWindow(&pass);
    QVERIFY(QTest::qWaitForWindowActive(&pass));
    // Activation puts the focus on the password with its whole text selected.
    QTRY_VERIFY(pass.BPASSWORT->hasFocus());
    QCOMPARE(pass.BPASSWORT->selectedText(), QStringLiteral("geheim"));

    QTest::mouseClick(pass.BUSER, Qt::LeftButton, {}, QPoint(3, 3));
    QTRY_COMPARE(pass.BUSER->selectedText(), QStringLiteral("meier"));
    QTest::keyClick(pass.BUSER, Qt::Key_Tab);
    QTRY_VERIFY(!pass.BUSER->hasFocus());
    QCOMPARE(pass.BUSER->text(), QStringLiteral("MEIER"));
}

void LoginWindowsTest::firstRunShowsTheLoginWindowWithDefaults() {
    FakeWorld world;
    ScriptedModal modal;
    LoginWindowsAdapter windows(world.link, modal);
    FMPass& pass = windows.loginWindow();
    FMServer& server = windows.serverWindow();
    QString portShown, userShown;
    modal.onModal = [&](QWidget* window) {
        if (window != &pass)
            return;
        portShown = server.BPORT->text();
        userShown = pass.BUSER->text();
        typeAndLogIn(pass, QStringLiteral("MEIER"), QStringLiteral("telefon"));
    };
    QVERIFY(LoginUser(world.link, {}));
    QCOMPARE(modal.shown, QStringList{QStringLiteral("FMPass")});
    QCOMPARE(portShown, QStringLiteral("1973"));
    QVERIFY(userShown.isEmpty());
    QCOMPARE(world.state.LoginIdentity, QStringLiteral("MEIER|Meier, Hans"));
    QVERIFY(!pass.isVisible());
    // "Anmelden" saved the entries of both windows.
    using namespace settings::keys;
    QCOMPARE(world.store.read(CacheLogin, Login, Name, {}), QStringLiteral("MEIER"));
    QCOMPARE(ScramblePassword(world.store.read(CacheLogin, Login, Passwort, {})),
             QStringLiteral("telefon"));
    QCOMPARE(world.store.read(CacheLogin, Login, Port, {}), QStringLiteral("1973"));
    QCOMPARE(world.store.size(), 7);
}

void LoginWindowsTest::refusedLoginsTellTheUserAndSelectThePassword() {
    struct Case {
        QString user, password;
    };
    for (const Case& c : {Case{"MEIER", "Telefon"}, Case{"ALT", "telefon"}}) {
        FakeWorld world;
        ScriptedModal modal;
        LoginWindowsAdapter windows(world.link, modal);
        world.storeLogin(c.user, c.password);
        QVERIFY(!LoginUser(world.link, {}));
        QVERIFY(modal.shown.isEmpty()); // stored credentials: no window
        QCOMPARE(world.dialogs.shown.size(), 1);
        QCOMPARE(world.dialogs.shown[0].text,
                 QStringLiteral("Passwort Falsch oder Benutzer nicht Aktiv."));
        QCOMPARE(world.dialogs.shown[0].title, QStringLiteral("Anmeldung an Caché."));
        QCOMPARE(world.dialogs.shown[0].icon, Icon::Information);
        QVERIFY(world.state.LoginFailed);
        QVERIFY(world.state.LoginIdentity.isEmpty());
        QCOMPARE(windows.loginWindow().BPASSWORT->selectedText(), c.password);

        // The next attempt offers the login window because the last one failed.
        modal.onModal = [&](QWidget*) {
            typeAndLogIn(windows.loginWindow(), QStringLiteral("MEIER"), QStringLiteral("telefon"));
        };
        QVERIFY(LoginUser(world.link, {}));
        QCOMPARE(modal.shown, QStringList{QStringLiteral("FMPass")});
    }
}

void LoginWindowsTest::anmeldenWhileMainWindowShownLogsInAgain() {
    FakeWorld world;
    ScriptedModal modal;
    FakeMainWindow main;
    LoginWindowsAdapter windows(world.link, modal, &main);
    world.storeLogin(QStringLiteral("MEIER"), QStringLiteral("telefon"));
    QVERIFY(LoginUser(world.link, {}));
    world.addStaff(QStringLiteral("SCHULZ"), QStringLiteral("telefon"), QStringLiteral("J"),
                   QStringLiteral("Schulz, Eva"));
    main.window.show();
    const int disconnectsBefore = world.server->disconnects;
    FMPass& pass = windows.loginWindow();
    pass.show();
    typeAndLogIn(pass, QStringLiteral("SCHULZ"), QStringLiteral("telefon"));
    QCOMPARE(world.server->disconnects, disconnectsBefore + 1);
    QCOMPARE(world.state.LoginIdentity, QStringLiteral("SCHULZ|Schulz, Eva"));
    QCOMPARE(main.titlesRebuilt, 1);
    QVERIFY(!pass.isVisible());
    // The new connection announced the new user.
    QCOMPARE(world.server->commands.filter("PERSONAL=").last(),
             QStringLiteral("S FIRMA=1,FIL=0,PERSONAL=\"SCHULZ\""));
}

void LoginWindowsTest::serverErrorKeepsThePasswordOutOfTheStore() {
    FakeWorld world;
    ScriptedModal modal;
    LoginWindowsAdapter windows(world.link, modal);
    world.storeLogin(QStringLiteral("NIEMAND"), QStringLiteral("alt"));
    QVERIFY(!LoginUser(world.link, {}));
    QVERIFY(world.state.KeepPasswordOut);
    QVERIFY(world.dialogs.shown.last().text.contains(
        QStringLiteral("Anmeldung mit nicht existierendem Personalcode")));

    FMPass& pass = windows.loginWindow();
    pass.show();
    typeAndLogIn(pass, QStringLiteral("MEIER"), QStringLiteral("neu"));
    using namespace settings::keys;
    QCOMPARE(world.store.read(CacheLogin, Login, Name, {}), QStringLiteral("MEIER"));
    QCOMPARE(ScramblePassword(world.store.read(CacheLogin, Login, Passwort, {})),
             QStringLiteral("alt"));
}

void LoginWindowsTest::abbruchClearsTheIdentityAndEndsTheProgram() {
    FakeWorld world;
    ScriptedModal modal;
    LoginWindowsAdapter windows(world.link, modal);
    world.state.LoginIdentity = QStringLiteral("MEIER|Meier, Hans");
    bool ended = false;
    try {
        windows.loginWindow().BUAusst->click();
    } catch (const fake::ProgramEnded&) {
        ended = true;
    }
    QVERIFY(ended);
    QVERIFY(world.state.LoginIdentity.isEmpty());
}

void LoginWindowsTest::serverButtonOpensTheSettingsWindow() {
    FakeWorld world;
    ScriptedModal modal;
    LoginWindowsAdapter windows(world.link, modal);
    bool settingsVisible = false;
    modal.onModal = [&](QWidget* window) {
        settingsVisible = window->isVisible();
        windows.serverWindow().BUZurueck->click();
    };
    windows.loginWindow().BUServer->click();
    QCOMPARE(modal.shown, QStringList{QStringLiteral("FMServer")});
    QVERIFY(settingsVisible);
    QVERIFY(!windows.serverWindow().isVisible());
}

void LoginWindowsTest::settingsStayLockedUntilTheUserAgrees() {
    FakeWorld world;
    ScriptedModal modal;
    LoginWindowsAdapter windows(world.link, modal);
    FMServer& server = windows.serverWindow();
    world.dialogs.answers = {Answer::No, Answer::Yes};
    server.BUEdit->click();
    QCOMPARE(world.dialogs.shown.last().text, QStringLiteral("Änderungen erlauben?"));
    QCOMPARE(world.dialogs.shown.last().title, QStringLiteral("Anmeldung an Caché"));
    QCOMPARE(world.dialogs.shown.last().buttons, Buttons::YesNo);
    QVERIFY(server.isLocked());
    QVERIFY(!server.BSERVERIP->isEnabled());

    server.BUEdit->click(); // asks again
    QCOMPARE(world.dialogs.shown.size(), 2);
    QCOMPARE(world.dialogs.shown.last().text, QStringLiteral("Änderungen erlauben?"));
    QVERIFY(!server.isLocked());
    for (QLineEdit* field :
         {server.BSERVERIP, server.BPORT, server.BFIRMA, server.BFIL, server.BNAMESPACE})
        QVERIFY(field->isEnabled());
}

void LoginWindowsTest::savingTheSettingsWritesAllSevenKeysAndClosesTheConnection() {
    FakeWorld world;
    ScriptedModal modal;
    LoginWindowsAdapter windows(world.link, modal);
    world.storeLogin(QStringLiteral("MEIER"), QStringLiteral("telefon"));
    QVERIFY(LoginUser(world.link, {}));
    const QString connectionString = world.state.ConnectionString;
    QVERIFY(world.server->connected);
    QVERIFY(world.idle.active);

    FMServer& server = windows.serverWindow();
    world.dialogs.answers = {Answer::Yes, Answer::Yes};
    server.BUEdit->click();
    server.BSERVERIP->setText(QStringLiteral("10.1.2.3"));
    server.BPORT->setText(QStringLiteral("1980"));
    server.BFIRMA->setText(QStringLiteral("2"));
    server.BFIL->setText(QStringLiteral("4"));
    server.BNAMESPACE->setText(QStringLiteral("TEST"));
    server.BUEdit->click();
    QCOMPARE(world.dialogs.shown.last().text, QStringLiteral("Änderungen sichern?"));
    QVERIFY(server.isLocked());
    QVERIFY(!server.BPORT->isEnabled());

    QVERIFY(!world.server->connected);
    QVERIFY(!world.idle.active);
    using namespace settings::keys;
    const QList<QPair<QString, QString>> expected = {{Firma, "2"},         {Filiale, "4"},
                                                     {Server, "10.1.2.3"}, {Port, "1980"},
                                                     {Namespace, "TEST"},  {Name, "MEIER"}};
    for (const auto& [key, value] : expected)
        QCOMPARE(world.store.read(CacheLogin, Login, key, {}), value);
    QCOMPARE(ScramblePassword(world.store.read(CacheLogin, Login, Passwort, {})),
             QStringLiteral("telefon"));
    QCOMPARE(world.store.size(), 7);
    // Read back into the session; the connection string waits for the next login.
    QCOMPARE(world.state.Server, QStringLiteral("10.1.2.3"));
    QCOMPARE(world.state.Firma, QStringLiteral("2"));
    QCOMPARE(world.state.ConnectionString, connectionString);
}

void LoginWindowsTest::answeringNoToSavingKeepsTheTypedTexts() {
    FakeWorld world;
    ScriptedModal modal;
    LoginWindowsAdapter windows(world.link, modal);
    FMServer& server = windows.serverWindow();
    world.dialogs.answers = {Answer::Yes, Answer::No};
    server.BUEdit->click();
    server.BPORT->setText(QStringLiteral("2000"));
    server.BUEdit->click();
    QCOMPARE(world.dialogs.shown.last().text, QStringLiteral("Änderungen sichern?"));
    QCOMPARE(server.BPORT->text(), QStringLiteral("2000"));
    QVERIFY(!server.BPORT->isEnabled());
    QCOMPARE(world.store.size(), 0);
}

QTEST_MAIN(LoginWindowsTest)
#include "test_login_windows.moc"
