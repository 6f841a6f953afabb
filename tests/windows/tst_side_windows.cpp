// The side windows and the program's frame on real widgets offscreen, over the in-memory server:
// login and server settings, number search and open items, the about box, message boxes, the
// window registry, the program's end and the modal runner.
#include "apptitle.h"
#include "configstore.h"
#include "fakelink.h"
#include "fakes.h"
#include "fieldhelpers.h"
#include "fmop.h"
#include "fmpass.h"
#include "fmserver.h"
#include "fmsuch.h"
#include "frmabout.h"
#include "login.h"
#include "loginwindows.h"
#include "programend.h"
#include "qtdialogs.h"
#include "services.h"
#include "sidewindowkit.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QSet>
#include <QStyle>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

using namespace cacheapi;
using namespace context;
using namespace testsupport;
using namespace windows;
using cacheapi::fake::ScriptedDialogs;

namespace {
struct Seen {
    QString text, title;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    QStringList captions;
};

// Answers the next message box with `press` and records what it showed.
void answerNextBox(Seen& seen, QMessageBox::StandardButton press) {
    QTimer::singleShot(0, [&seen, press] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        QVERIFY(box);
        QStringList captions;
        for (QAbstractButton* b : box->buttons())
            captions << b->text();
        captions.sort();
        seen = {box->text(), box->windowTitle(), box->icon(), box->standardButtons(), captions};
        box->button(press)->click();
    });
}

struct EndRequested {
    int code;
};
} // namespace

namespace {
const QString ToolsKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO");
const QString LocationKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location");
const QString Unavailable = QStringLiteral("Systeminformationen sind momentan nicht verfügbar");

class FakeLauncher : public ProgramLauncher {
public:
    bool fileExists(const QString& path) const override { return files.contains(path); }
    bool start(const QString& path) override {
        attempts << path;
        return files.contains(path);
    }
    QString findProgram(const QString& name) const override { return onPath.value(name); }
    QSet<QString> files;
    QMap<QString, QString> onPath;
    QStringList attempts;
};
} // namespace

namespace {
const QChar R(0xFF);

QStringList rowTexts(const QTreeWidget* list, int row) {
    QStringList texts;
    for (int c = 0; c < list->columnCount(); ++c)
        texts << list->topLevelItem(row)->text(c);
    return texts;
}

} // namespace

class SideWindowsTest : public QObject {
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

    void messageBoxesShowIconButtonsAndTitle_data() {
        QTest::addColumn<Icon>("icon");
        QTest::addColumn<Buttons>("buttons");
        QTest::addColumn<QMessageBox::StandardButton>("press");
        QTest::addColumn<QMessageBox::Icon>("expectedIcon");
        QTest::addColumn<Answer>("expectedAnswer");
        const auto ok = context::Buttons::Ok, yesNo = context::Buttons::YesNo;
        QTest::newRow("information") << context::Icon::Information << ok << QMessageBox::Ok
                                     << QMessageBox::Information << context::Answer::Ok;
        QTest::newRow("exclamation") << context::Icon::Exclamation << ok << QMessageBox::Ok
                                     << QMessageBox::Warning << context::Answer::Ok;
        QTest::newRow("critical") << context::Icon::Critical << ok << QMessageBox::Ok
                                  << QMessageBox::Critical << context::Answer::Ok;
        QTest::newRow("none yes") << context::Icon::None << yesNo << QMessageBox::Yes
                                  << QMessageBox::NoIcon << context::Answer::Yes;
        QTest::newRow("question no") << context::Icon::Question << yesNo << QMessageBox::No
                                     << QMessageBox::Question << context::Answer::No;
    }

    void messageBoxesShowIconButtonsAndTitle() {
        QFETCH(Icon, icon);
        QFETCH(Buttons, buttons);
        QFETCH(QMessageBox::StandardButton, press);
        QFETCH(QMessageBox::Icon, expectedIcon);
        QFETCH(Answer, expectedAnswer);
        windows::QtDialogs dialogs;
        Seen seen;
        answerNextBox(seen, press);
        QCOMPARE(dialogs.message(QStringLiteral("Zeile 1\r\nZeile 2"),
                                 QStringLiteral("Anmeldung an Caché"), icon, buttons),
                 expectedAnswer);
        QCOMPARE(seen.text, QStringLiteral("Zeile 1\nZeile 2"));
        QCOMPARE(seen.title, QStringLiteral("Anmeldung an Caché"));
        QCOMPARE(seen.icon, expectedIcon);
        const bool ok = buttons == context::Buttons::Ok;
        QCOMPARE(seen.buttons, ok ? QMessageBox::StandardButtons(QMessageBox::Ok)
                                  : QMessageBox::Yes | QMessageBox::No);
        // The buttons speak German like every other text of the program.
        QCOMPARE(seen.captions, ok ? QStringList("OK") : QStringList({"&Ja", "&Nein"}));

        // Without a title of its own a box carries the application title.
        answerNextBox(seen, QMessageBox::Ok);
        dialogs.message(QStringLiteral("x"), {}, Icon::None, Buttons::Ok);
        QCOMPARE(seen.title, QStringLiteral("VENTOR Telefon"));
    }

    void registryClosesMostRecentlyOpenedFirst() {
        windows::WindowRegistry registry;
        QWidget first, second, third;
        for (QWidget* w : {&first, &second, &third}) {
            w->setAttribute(Qt::WA_DontShowOnScreen);
            w->show();
        }
        second.hide();
        second.show(); // opened again: now the most recent
        QCOMPARE(registry.openWindows(), (QList<QWidget*>{&first, &third, &second}));
        const QList<QWidget*> closed = registry.closeAllMostRecentFirst();
        QCOMPARE(closed, (QList<QWidget*>{&second, &third, &first}));
        for (QWidget* w : {&first, &second, &third})
            QVERIFY(!w->isVisible());
    }

    void programEndClosesWindowsThenEndsTheProcess() {
        QList<bool> visibleAtEnd;
        int code = -1;
        auto window = std::make_unique<QWidget>();
        window->setAttribute(Qt::WA_DontShowOnScreen);
        windows::QtProgramEnd end([&](int c) {
            code = c;
            visibleAtEnd << window->isVisible();
            throw EndRequested{c};
        });
        window->show();
        bool ended = false;
        try {
            end.closeAllWindowsAndEnd();
        } catch (const EndRequested&) {
            ended = true;
        }
        QVERIFY(ended);
        QCOMPARE(code, 0);
        QCOMPARE(visibleAtEnd, QList<bool>{false});
    }

    void twipsAreFifteenToAPixel() {
        QCOMPARE(windows::twipsToPixels(600), 40);
        QCOMPARE(windows::pixelsToTwips(40), 600.0);
        QCOMPARE(windows::twipsToPixels(QRect(300, 500, 1500, 15)), QRect(20, 33, 100, 1));
    }

    void modalRunnerReturnsWhenTheWindowIsHidden() {
        QWidget window;
        window.setAttribute(Qt::WA_DontShowOnScreen);
        bool wasModal = false;
        QTimer::singleShot(10, [&] {
            wasModal = window.isVisible() && window.isModal();
            window.hide();
        });
        windows::QtModalRunner runner;
        runner.runModal(&window);
        QVERIFY(wasModal);
        QVERIFY(!window.isVisible());
    }

    void selectAllTextCanLeaveTheFocusAlone() {
        QWidget window;
        auto* other = new QLineEdit(&window);
        auto* field = new QLineEdit(QStringLiteral("12345"), &window);
        window.show();
        QApplication::setActiveWindow(&window);
        QVERIFY(QTest::qWaitForWindowActive(&window));
        other->setFocus();
        windows::SelectAllText(field, true);
        QCOMPARE(field->selectedText(), QStringLiteral("12345"));
        QVERIFY(other->hasFocus());
        windows::SelectAllText(field, false);
        QVERIFY(field->hasFocus());
        QCOMPARE(field->selectedText(), QStringLiteral("12345"));
    }

    void getKeyValueReadsTextsAndNumbersUpTo1024Bytes() {
        MemoryConfigStore store;
        store.setString(HKEY_LOCAL_MACHINE, "K", "Text", QStringLiteral("/usr/bin/werkzeug"));
        store.setNumber(HKEY_LOCAL_MACHINE, "K", "Alle", qint32(0xFFFFFFFF));
        store.setNumber(HKEY_LOCAL_MACHINE, "K", "Gross", 256); // ends in zero bytes
        store.setValue(HKEY_LOCAL_MACHINE, "K", "Erweitert", {REG_EXPAND_SZ, "%HOME%/x\0"});
        store.setValue(HKEY_LOCAL_MACHINE, "K", "Genau", {REG_SZ, QByteArray(1024, 'a')});
        store.setValue(HKEY_LOCAL_MACHINE, "K", "MitNull", {REG_SZ, QByteArray(1023, 'b') + '\0'});
        store.setValue(HKEY_LOCAL_MACHINE, "K", "Lang", {REG_SZ, QByteArray(1025, 'c')});
        store.addKey(HKEY_LOCAL_MACHINE, "Leer");
        const QList<std::pair<const char*, QString>> found = {{"Text", "/usr/bin/werkzeug"},
                                                              {"Alle", "-1"},
                                                              {"Gross", "256"},
                                                              {"Genau", QString(1024, 'a')},
                                                              {"MitNull", QString(1023, 'b')}};
        for (const auto& [name, expected] : found) {
            QString value;
            QVERIFY2(GetKeyValue(store, HKEY_LOCAL_MACHINE, "K", name, value), name);
            QCOMPARE(value, expected);
        }
        // Another type leaves the caller's text as it was.
        QString value = QStringLiteral("vorher");
        QVERIFY(GetKeyValue(store, HKEY_LOCAL_MACHINE, "K", "Erweitert", value));
        QCOMPARE(value, QStringLiteral("vorher"));
        // Too long, a missing key or value: false and an empty text.
        for (const auto& [key, name] : {std::pair<const char*, const char*>{"K", "Lang"},
                                        {"Fehlt", "PATH"},
                                        {"Leer", "PATH"}}) {
            value = QStringLiteral("vorher");
            QVERIFY(!GetKeyValue(store, HKEY_LOCAL_MACHINE, key, name, value));
            QVERIFY(value.isEmpty());
        }
    }

    void configurationFileIsRead() {
        FileConfigStore store(QString{});
        store.parse(
            QStringLiteral("REGEDIT4\n"
                           "; Systeminformation\n"
                           "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Shared Tools\\MSINFO]\n"
                           "\"PATH\"=\"/opt/werkzeug \\\"neu\\\"\\\\bin\"\n"
                           "\"Stufe\"=dword:0000000a\n"
                           "[HKEY_CURRENT_USER\\Software\\Andere]\n"
                           "\"PATH\"=\"nicht dieser\"\n"));
        QString value;
        QVERIFY(GetKeyValue(store, HKEY_LOCAL_MACHINE, ToolsKey, "PATH", value));
        QCOMPARE(value, QStringLiteral("/opt/werkzeug \"neu\"\\bin"));
        QVERIFY(GetKeyValue(store, HKEY_LOCAL_MACHINE, ToolsKey, "Stufe", value));
        QCOMPARE(value, QStringLiteral("10"));
        QVERIFY(!store.keyExists(HKEY_LOCAL_MACHINE, "Software\\Andere"));
    }

    void sysInfoStartsTheFirstProgramThatIsNamedOrTellsTheUser() {
        struct Case {
            QString path, folder;
            QSet<QString> files;
            QStringList attempts;
        };
        const QString folderProgram = QStringLiteral("/opt/anders/MSINFO32.EXE");
        const QList<Case> cases = {
            {"/opt/info/start",
             "/opt/anders",
             {"/opt/info/start", folderProgram},
             {"/opt/info/start"}},
            // Named but not there: no other program is tried.
            {"/opt/info/start", "/opt/anders", {folderProgram}, {"/opt/info/start"}},
            {{}, "/opt/anders", {folderProgram}, {folderProgram}},
            {{}, "/opt/anders", {}, {"/usr/bin/hardinfo"}}, // an empty folder is passed over
            {{}, {}, {"/usr/bin/hardinfo"}, {"/usr/bin/hardinfo"}},
            {{}, {}, {}, {"/usr/bin/hardinfo"}}, // found but does not start
        };
        for (const Case& c : cases) {
            MemoryConfigStore store;
            FakeLauncher launcher;
            ScriptedDialogs dialogs;
            if (!c.path.isEmpty())
                store.setString(HKEY_LOCAL_MACHINE, ToolsKey, "PATH", c.path);
            if (!c.folder.isEmpty())
                store.setString(HKEY_LOCAL_MACHINE, LocationKey, "MSINFO", c.folder);
            launcher.files = c.files;
            launcher.onPath.insert("hardinfo", "/usr/bin/hardinfo");
            StartSysInfo(store, launcher, dialogs);
            QCOMPARE(launcher.attempts, c.attempts);
            const bool started = !c.attempts.isEmpty() && c.files.contains(c.attempts.last());
            QCOMPARE(dialogs.shown.size(), started ? 0 : 1);
            if (!started) {
                QCOMPARE(dialogs.shown[0].text, Unavailable);
                QCOMPARE(dialogs.shown[0].title, QStringLiteral("VENTOR Telefon"));
            }
        }

        // From the about box, which stays open.
        MemoryConfigStore store;
        FakeLauncher launcher;
        ScriptedDialogs dialogs;
        frmAbout about(dialogs, store, launcher);
        about.setAttribute(Qt::WA_DeleteOnClose, false);
        about.show();
        about.cmdSysInfo->click();
        QCOMPARE(dialogs.shown.size(), 1);
        QCOMPARE(dialogs.shown[0].text, Unavailable);
        QVERIFY(about.isVisible());
    }

    void aboutBoxShowsTitleAndVersion() {
        QCOMPARE(VersionText("1.05.0010"), QStringLiteral("1.5.10"));
        QCOMPARE(VersionText("2.0"), QStringLiteral("2.0.0"));

        ScriptedDialogs dialogs;
        QPointer<frmAbout> about = ShowAboutBox(dialogs);
        QVERIFY(about);
        QCOMPARE(ShowAboutBox(dialogs), about.data()); // the open box comes to the front
        QCOMPARE(about->windowTitle(), QStringLiteral("Info zu ") + ApplicationTitle());
        QCOMPARE(about->windowTitle(), QStringLiteral("Info zu VENTOR Telefon"));
        QCOMPARE(about->lblTitle->text(), QStringLiteral("VENTOR Telefon"));
        QCOMPARE(about->lblVersion->text(), QStringLiteral(EXPECTED_VERSION));
        QVERIFY(about->isVisible());
        // Every text is shown whole, and the maker's logo is there.
        for (const QLabel* label : about->findChildren<QLabel*>()) {
            if (!label->text().isEmpty())
                QVERIFY2(label->sizeHint().width() <= label->width(), qPrintable(label->text()));
        }
        const auto* logo = about->findChild<QLabel*>(QStringLiteral("picLogo"));
        QVERIFY(logo && !logo->pixmap().isNull());
        about->cmdOK->click();
        QTRY_VERIFY(about.isNull()); // unloaded
    }

    // Which rows are marked is the list's logic; here the window beside the main window, its
    // rows and markers, and a reading anew for another customer.
    void openItemsAreListedWithTheirMarkers() {
        FakeLink world;
        world.addStaff("MEIER", "telefon");
        world.storeLogin("MEIER", "telefon");
        FakeMainWindow main;
        main.account = "K100";
        const QString row1 = "R-1\n1050301\n1050315\n100,00\n\n1050331\n\n2";
        world.server->reply("S P0=$$OPSU^RUFAP(100) W:$F($ZV,\"MSM\") P0",
                            row1 + "`2" + QString(R) + "R-2`" + QString(R) + "R-3`x");
        world.server->reply("S P0=$$OPSU^RUFAP(200) W:$F($ZV,\"MSM\") P0",
                            "B`0" + QString(R) + "C`0");
        FMOP items(world.link, main);
        ScriptedModal modal;
        modal.onModal = [&](QWidget*) { items.ctPush1->click(); };
        items.openModal(modal);
        QCOMPARE(items.pos(),
                 QPoint(windows::twipsToPixels(1500 + 300), windows::twipsToPixels(3000 + 500)));
        QCOMPARE(items.LIOP->topLevelItemCount(), 3);
        QCOMPARE(rowTexts(items.LIOP, 0), row1.split('\n'));
        QVERIFY(items.rowMarked(0));
        QVERIFY(!items.rowMarked(1));
        QVERIFY(!items.isVisible());

        main.account = "K200";
        items.show();
        QCOMPARE(items.LIOP->topLevelItemCount(), 2);
        QCOMPARE(items.LIOP->topLevelItem(0)->text(0), QStringLiteral("B"));
    }

    // Every activation, not only the first showing, puts the windows beside the main window where
    // it is now: the search field gets the focus, the open items are read anew.
    void searchAndOpenItemsFollowTheMainWindowWhenActivated() {
        FakeLink world;
        world.addStaff("MEIER", "telefon");
        world.storeLogin("MEIER", "telefon");
        FakeMainWindow main;
        main.account = "K100";
        FMSuch search(world.link, main);
        FMOP items(world.link, main);
        QWidget elsewhere;
        for (QWidget* w :
             {static_cast<QWidget*>(&search), static_cast<QWidget*>(&items), &elsewhere})
            w->show();
        QCoreApplication::processEvents();
        search.LIRufnr->setFocus();
        main.frame.moveTo(3000, 4500);
        qsizetype readings = 0;
        for (QWidget* window : {static_cast<QWidget*>(&search), static_cast<QWidget*>(&items)}) {
            QApplication::setActiveWindow(window);
            QApplication::setActiveWindow(&elsewhere);
            readings = world.server->commands.filter("OPSU").size();
            QApplication::setActiveWindow(window);
        }
        using windows::twipsToPixels;
        QCOMPARE(search.pos(), QPoint(twipsToPixels(3600), twipsToPixels(5500)));
        QCOMPARE(search.focusWidget(), search.SUText);
        QCOMPARE(items.pos(), QPoint(twipsToPixels(3300), twipsToPixels(5000)));
        QCOMPARE(world.server->commands.filter("OPSU").size(), readings + 1);
    }
};

QTEST_MAIN(SideWindowsTest)
#include "tst_side_windows.moc"
