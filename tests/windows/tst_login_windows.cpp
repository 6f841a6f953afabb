// The login window and the server settings window over the in-memory server.

#include "fakelink.h"
#include "fmpass.h"
#include "fmserver.h"
#include "login.h"
#include "loginwindows.h"
#include "sidewindowkit.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QtTest>

using namespace cacheapi;
using namespace context;
using namespace testsupport;
using windows::FMPass;
using windows::FMServer;
using windows::LoginWindowsAdapter;

class LoginWindowsTest : public QObject {
    Q_OBJECT

private slots:
    void windowsCarryTheirLimitsAndTabOrder() {
        FakeLink world;
        world.addStaff("MEIER", "telefon");
        ScriptedModal modal;
        LoginWindowsAdapter windows(world.link, modal);
        FMPass& pass = windows.loginWindow();
        QCOMPARE(pass.BPASSWORT->echoMode(), QLineEdit::Password);
        QCOMPARE(pass.BPASSWORT->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr,
                                                    pass.BPASSWORT),
                 int('*'));
        QCOMPARE(pass.BPASSWORT->maxLength(), 20);
        QCOMPARE(pass.BUSER->maxLength(), 20);
        QCOMPARE(nextTabStop(pass.BPASSWORT), static_cast<QWidget*>(pass.BUSER));

        FMServer& server = windows.serverWindow();
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
    }

    void entriesAreSelectedOnFocusAndUserCodeUpperCased() {
        FakeLink world;
        world.addStaff("MEIER", "telefon");
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

    void anmeldenWhileMainWindowShownLogsInAgain() {
        FakeLink world;
        world.addStaff("MEIER", "telefon");
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
        pass.BUSER->setText(QStringLiteral("SCHULZ"));
        pass.BPASSWORT->setText(QStringLiteral("telefon"));
        pass.BUSpeich->click();
        QCOMPARE(world.server->disconnects, disconnectsBefore + 1);
        QCOMPARE(world.state.LoginIdentity, QStringLiteral("SCHULZ|Schulz, Eva"));
        QCOMPARE(main.titlesRebuilt, 1);
        QVERIFY(!pass.isVisible());
        // The new connection announced the new user.
        QCOMPARE(world.server->commands.filter("PERSONAL=").last(),
                 QStringLiteral("S FIRMA=1,FIL=0,PERSONAL=\"SCHULZ\""));
    }

    void settingsAreLockedUntilAskedAndSavedWithAllSevenKeys() {
        FakeLink world;
        world.addStaff("MEIER", "telefon");
        ScriptedModal modal;
        LoginWindowsAdapter windows(world.link, modal);
        using namespace settings::keys;
        world.storeLogin(QStringLiteral("MEIER"), QStringLiteral("telefon"));
        QVERIFY(LoginUser(world.link, {}));
        const QString connectionString = world.state.ConnectionString;
        QVERIFY(world.server->connected);
        QVERIFY(world.idle.active);

        FMServer& server = windows.serverWindow();
        world.dialogs.answers = {context::Answer::No, context::Answer::Yes, context::Answer::No,
                                 context::Answer::Yes, context::Answer::Yes};
        server.BUEdit->click();
        QCOMPARE(world.dialogs.shown.last().text, QStringLiteral("Änderungen erlauben?"));
        QCOMPARE(world.dialogs.shown.last().buttons, context::Buttons::YesNo);
        QVERIFY(server.isLocked());
        QVERIFY(!server.BSERVERIP->isEnabled());
        server.BUEdit->click(); // asks again
        QVERIFY(!server.isLocked());

        // Answering No to saving locks the fields and keeps the typed texts, unsaved.
        server.BPORT->setText(QStringLiteral("2000"));
        server.BUEdit->click();
        QCOMPARE(world.dialogs.shown.last().text, QStringLiteral("Änderungen sichern?"));
        QCOMPARE(server.BPORT->text(), QStringLiteral("2000"));
        QVERIFY(!server.BPORT->isEnabled());
        QCOMPARE(world.store.read(CacheLogin, Login, Port, {}), QString());

        server.BUEdit->click();
        server.BSERVERIP->setText(QStringLiteral("10.1.2.3"));
        server.BPORT->setText(QStringLiteral("1980"));
        server.BFIRMA->setText(QStringLiteral("2"));
        server.BFIL->setText(QStringLiteral("4"));
        server.BNAMESPACE->setText(QStringLiteral("TEST"));
        QVERIFY(server.BVERBINDUNG->isEnabled());
        server.BVERBINDUNG->setCurrentText(QStringLiteral("unverschlüsselt"));
        server.BZERTIFIKAT->setText(QStringLiteral("/etc/ventor/server.crt"));
        server.BUEdit->click();
        QCOMPARE(world.dialogs.shown.last().text, QStringLiteral("Änderungen sichern?"));
        QVERIFY(server.isLocked());
        QVERIFY(!server.BZERTIFIKAT->isEnabled());
        QVERIFY(!server.BPORT->isEnabled());

        QVERIFY(!world.server->connected);
        QVERIFY(!world.idle.active);
        const QList<QPair<QString, QString>> expected = {{Firma, "2"},
                                                         {Filiale, "4"},
                                                         {Server, "10.1.2.3"},
                                                         {Port, "1980"},
                                                         {Namespace, "TEST"},
                                                         {Name, "MEIER"},
                                                         {Verbindung, "unverschlüsselt"},
                                                         {Zertifikat, "/etc/ventor/server.crt"}};
        for (const auto& [key, value] : expected)
            QCOMPARE(world.store.read(CacheLogin, Login, key, {}), value);
        QCOMPARE(ScramblePassword(world.store.read(CacheLogin, Login, Passwort, {})),
                 QStringLiteral("telefon"));
        QCOMPARE(world.store.size(), 9);
        // Read back into the session; the connection string, and the company and branch the
        // connection works for, wait for the next login.
        QCOMPARE(world.state.Server, QStringLiteral("10.1.2.3"));
        QCOMPARE(world.state.Firma, QStringLiteral("1"));
        QCOMPARE(server.BFIRMA->text(), QStringLiteral("2"));
        QCOMPARE(world.state.ConnectionString, connectionString);
    }
};

QTEST_MAIN(LoginWindowsTest)
#include "tst_login_windows.moc"
