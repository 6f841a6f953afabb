// The side windows and the program's frame on real widgets offscreen, over the in-memory server.
#include "apptitle.h"
#include "configstore.h"
#include "fakelink.h"
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
using cacheapi::fake::ProgramEnded;
using cacheapi::fake::ScriptedDialogs;

namespace {
const QString ToolsKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO");
const QString Unavailable = QStringLiteral("Systeminformationen sind momentan nicht verfügbar");

class FakeLauncher : public ProgramLauncher {
public:
    bool fileExists(const QString& path) const override { return files.contains(path); }
    bool start(const QString& path) override {
        attempts << path;
        return files.contains(path);
    }
    QString findProgram(const QString& name) const override {
        return name == "hardinfo" ? "/usr/bin/hardinfo" : QString();
    }
    QSet<QString> files;
    QStringList attempts;
};
} // namespace

class SideWindowsTest : public QObject {
    Q_OBJECT

private slots:
    // Activation selects the password, a click the user code, which leaves in capitals.
    void loginWindowsLimitsTabOrderAndSelection() {
        FakeLink world;
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
        for (int i = 0; i < order.size(); ++i) {
            if (i + 1 < order.size())
                QCOMPARE(nextTabStop(order[i]), static_cast<QWidget*>(order[i + 1]));
            QVERIFY(!order[i]->isEnabled());
            QCOMPARE(order[i]->palette().color(QPalette::Disabled, QPalette::Base),
                     order[i]->palette().color(QPalette::Button));
        }

        pass.BUSER->setText(QStringLiteral("meier"));
        pass.BPASSWORT->setText(QStringLiteral("geheim"));
        pass.show();
        QApplication::setActiveWindow(&pass);
        QVERIFY(QTest::qWaitForWindowActive(&pass));
        QTRY_VERIFY(pass.BPASSWORT->hasFocus());
        QCOMPARE(pass.BPASSWORT->selectedText(), QStringLiteral("geheim"));
        QTest::mouseClick(pass.BUSER, Qt::LeftButton, {}, QPoint(3, 3));
        QTRY_COMPARE(pass.BUSER->selectedText(), QStringLiteral("meier"));
        QTest::keyClick(pass.BUSER, Qt::Key_Tab);
        QTRY_VERIFY(!pass.BUSER->hasFocus());
        QCOMPARE(pass.BUSER->text(), QStringLiteral("MEIER"));
    }

    // Settings stay locked until changes are allowed, and are saved with all seven keys.
    void anmeldenLogsInAgainAndSettingsAreSavedWithAllSevenKeys() {
        FakeLink world;
        world.addStaff("MEIER", "telefon");
        ScriptedModal modal;
        FakeMainWindow main;
        LoginWindowsAdapter windows(world.link, modal, &main);
        world.storeLogin(QStringLiteral("MEIER"), QStringLiteral("telefon"));
        QVERIFY(LoginUser(world.link, {}));
        world.addStaff("SCHULZ", "telefon", "J", "Schulz, Eva");
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
        QCOMPARE(world.server->commands.filter("PERSONAL=").last(),
                 QStringLiteral("S FIRMA=1,FIL=0,PERSONAL=\"SCHULZ\""));

        using namespace settings::keys;
        const QString connectionString = world.state.ConnectionString;
        const QString storedPort = world.store.read(CacheLogin, Login, Port, {});
        QVERIFY(world.server->connected && world.idle.active);

        FMServer& server = windows.serverWindow();
        world.dialogs.answers = {Answer::No, Answer::Yes, Answer::No, Answer::Yes, Answer::Yes};
        server.BUEdit->click();
        QCOMPARE(world.dialogs.shown.last().text, QStringLiteral("Änderungen erlauben?"));
        QCOMPARE(world.dialogs.shown.last().buttons, Buttons::YesNo);
        QVERIFY(server.isLocked());
        server.BUEdit->click(); // asks again
        QVERIFY(!server.isLocked());

        // Answering No to saving locks the fields and keeps the typed texts, unsaved.
        server.BPORT->setText(QStringLiteral("2000"));
        server.BUEdit->click();
        QCOMPARE(world.dialogs.shown.last().text, QStringLiteral("Änderungen sichern?"));
        QCOMPARE(server.BPORT->text(), QStringLiteral("2000"));
        QVERIFY(!server.BPORT->isEnabled());
        QCOMPARE(world.store.read(CacheLogin, Login, Port, {}), storedPort);

        server.BUEdit->click();
        const QStringList keys{Firma, Filiale, Server, Port, Namespace, Verbindung, Zertifikat};
        const QStringList typed{
            "2", "4", "10.1.2.3", "1980", "TEST", "unverschlüsselt", "/etc/ventor/server.crt"};
        const QList<QLineEdit*> fields{server.BFIRMA,     server.BFIL,       server.BSERVERIP,
                                       server.BPORT,      server.BNAMESPACE, nullptr,
                                       server.BZERTIFIKAT};
        for (int i = 0; i < fields.size(); ++i)
            if (fields[i])
                fields[i]->setText(typed[i]);
        QVERIFY(server.BVERBINDUNG->isEnabled());
        server.BVERBINDUNG->setCurrentText(typed[5]);
        server.BUEdit->click();
        QCOMPARE(world.dialogs.shown.last().text, QStringLiteral("Änderungen sichern?"));
        QVERIFY(server.isLocked());
        QVERIFY(!server.BZERTIFIKAT->isEnabled());
        QVERIFY(!world.server->connected && !world.idle.active);
        for (int i = 0; i < keys.size(); ++i)
            QCOMPARE(world.store.read(CacheLogin, Login, keys[i], {}), typed[i]);
        QCOMPARE(world.store.read(CacheLogin, Login, Name, {}), QStringLiteral("SCHULZ"));
        QCOMPARE(ScramblePassword(world.store.read(CacheLogin, Login, Passwort, {})),
                 QStringLiteral("telefon"));
        QCOMPARE(world.store.size(), 9);
        // Read back into the session; the connection itself waits for the next login.
        QCOMPARE(world.state.Server, QStringLiteral("10.1.2.3"));
        QCOMPARE(world.state.Firma, QStringLiteral("1"));
        QCOMPARE(world.state.ConnectionString, connectionString);
    }

    // German buttons; without a title of its own a box carries the application title.
    void messageBoxesShowIconButtonsAndTitle() {
        using B = QMessageBox;
        const QList<std::tuple<Icon, B::StandardButton, B::Icon, Answer>> cases{
            {Icon::Information, B::Ok, B::Information, Answer::Ok},
            {Icon::Exclamation, B::Ok, B::Warning, Answer::Ok},
            {Icon::Critical, B::Ok, B::Critical, Answer::Ok},
            {Icon::None, B::Yes, B::NoIcon, Answer::Yes},
            {Icon::Question, B::No, B::Question, Answer::No}};
        for (const auto& [icon, press, expectedIcon, expectedAnswer] : cases) {
            const bool ok = press == QMessageBox::Ok;
            QtDialogs dialogs;
            for (const QString& title : {QStringLiteral("Anmeldung an Caché"), QString()}) {
                QStringList shown; // text, title, icon, buttons and their captions
                QTimer::singleShot(0, [&] {
                    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                    QVERIFY(box);
                    shown =
                        QStringList{box->text(), box->windowTitle(), QString::number(box->icon()),
                                    QString::number(box->standardButtons().toInt())};
                    for (QAbstractButton* b : box->buttons())
                        shown << b->text();
                    box->button(press)->click();
                });
                QCOMPARE(dialogs.message(QStringLiteral("Zeile 1\r\nZeile 2"), title, icon,
                                         ok ? Buttons::Ok : Buttons::YesNo),
                         expectedAnswer);
                const QStringList expected{"Zeile 1\nZeile 2",
                                           title.isEmpty() ? "VENTOR Telefon" : title,
                                           QString::number(expectedIcon),
                                           QString::number(ok ? B::Ok : (B::Yes | B::No).toInt())};
                const QStringList captions = ok ? QStringList{"OK"} : QStringList{"&Ja", "&Nein"};
                QCOMPARE(shown.mid(0, 4), expected);
                QCOMPARE(QSet<QString>(shown.begin() + 4, shown.end()),
                         QSet<QString>(captions.begin(), captions.end()));
            }
        }
    }

    void registryClosesMostRecentlyOpenedFirstAndTheProgramEndsAfterwards() {
        WindowRegistry registry;
        QWidget first, second, third;
        for (QWidget* w : {&first, &second, &third}) {
            w->setAttribute(Qt::WA_DontShowOnScreen);
            w->show();
        }
        second.hide();
        second.show(); // opened again: now the most recent
        QCOMPARE(registry.openWindows(), (QList<QWidget*>{&first, &third, &second}));
        QCOMPARE(registry.closeAllMostRecentFirst(), (QList<QWidget*>{&second, &third, &first}));
        for (QWidget* w : {&first, &second, &third})
            QVERIFY(!w->isVisible());

        QList<int> atEnd; // the exit code and whether the window was still open
        QtProgramEnd end([&](int code) {
            atEnd << code << first.isVisible();
            throw ProgramEnded{};
        });
        first.show();
        QVERIFY_THROWS_EXCEPTION(ProgramEnded, end.closeAllWindowsAndEnd());
        QCOMPARE(atEnd, QList<int>({0, 0}));
    }

    void twipsAreFifteenToAPixel() {
        QCOMPARE(twipsToPixels(600), 40);
        QCOMPARE(pixelsToTwips(40), 600.0);
        QCOMPARE(twipsToPixels(QRect(300, 500, 1500, 15)), QRect(20, 33, 100, 1));
    }

    void modalRunnerReturnsWhenTheWindowIsHidden() {
        QWidget window;
        window.setAttribute(Qt::WA_DontShowOnScreen);
        bool wasModal = false;
        QTimer::singleShot(10, [&] {
            wasModal = window.isVisible() && window.isModal();
            window.hide();
        });
        QtModalRunner().runModal(&window);
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
        SelectAllText(field, true);
        QCOMPARE(field->selectedText(), QStringLiteral("12345"));
        QVERIFY(other->hasFocus());
        SelectAllText(field, false);
        QVERIFY(field->hasFocus());
        QCOMPARE(field->selectedText(), QStringLiteral("12345"));
    }

    void getKeyValueReadsTextsAndNumbersUpTo1024Bytes() {
        MemoryConfigStore store;
        const auto hk = HKEY_LOCAL_MACHINE;
        store.setString(hk, "K", "Text", QStringLiteral("/usr/bin/werkzeug"));
        store.setNumber(hk, "K", "Alle", qint32(0xFFFFFFFF));
        store.setNumber(hk, "K", "Gross", 256); // ends in zero bytes
        store.setValue(hk, "K", "Erweitert", {REG_EXPAND_SZ, "%HOME%/x\0"});
        store.setValue(hk, "K", "Genau", {REG_SZ, QByteArray(1024, 'a')});
        store.setValue(hk, "K", "MitNull", {REG_SZ, QByteArray(1023, 'b') + '\0'});
        store.setValue(hk, "K", "Lang", {REG_SZ, QByteArray(1025, 'c')});
        store.addKey(hk, "Leer");
        // Another type leaves the text alone; too long or missing give false and an empty text.
        const QList<std::tuple<const char*, const char*, bool, QString>> cases{
            {"K", "Text", true, "/usr/bin/werkzeug"},
            {"K", "Alle", true, "-1"},
            {"K", "Gross", true, "256"},
            {"K", "Genau", true, QString(1024, 'a')},
            {"K", "MitNull", true, QString(1023, 'b')},
            {"K", "Erweitert", true, "vorher"},
            {"K", "Lang", false, ""},
            {"Fehlt", "PATH", false, ""},
            {"Leer", "PATH", false, ""}};
        for (const auto& [key, name, found, expected] : cases) {
            QString value = QStringLiteral("vorher");
            QCOMPARE(GetKeyValue(store, hk, key, name, value), found);
            QCOMPARE(value, expected);
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

    // The first program that is named starts, or the user is told; the about box stays open.
    void sysInfoStartsTheFirstProgramThatIsNamedOrTellsTheUser() {
        const QString folderProgram = QStringLiteral("/opt/anders/MSINFO32.EXE");
        const QString info = QStringLiteral("/opt/info/start"), hard = "/usr/bin/hardinfo";
        const QList<std::tuple<QString, QString, QSet<QString>, QStringList>> cases = {
            {info, "/opt/anders", {info, folderProgram}, {info}},
            {info, "/opt/anders", {folderProgram}, {info}}, // named but not there: no other
            {{}, "/opt/anders", {folderProgram}, {folderProgram}},
            {{}, "/opt/anders", {}, {hard}}, // an empty folder is passed over
            {{}, {}, {hard}, {hard}},
            {{}, {}, {}, {hard}}, // found but does not start
        };
        for (const auto& [path, folder, files, attempts] : cases) {
            MemoryConfigStore store;
            FakeLauncher launcher;
            ScriptedDialogs dialogs;
            if (!path.isEmpty())
                store.setString(HKEY_LOCAL_MACHINE, ToolsKey, "PATH", path);
            if (!folder.isEmpty())
                store.setString(HKEY_LOCAL_MACHINE,
                                QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location"),
                                "MSINFO", folder);
            launcher.files = files;
            StartSysInfo(store, launcher, dialogs);
            QCOMPARE(launcher.attempts, attempts);
            const bool started = files.contains(attempts.last());
            QCOMPARE(dialogs.shown.size(), started ? 0 : 1);
            if (!started)
                QCOMPARE(dialogs.shown[0].text + dialogs.shown[0].title,
                         Unavailable + "VENTOR Telefon");
        }

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
        QCOMPARE(about->windowTitle(), QStringLiteral("Info zu VENTOR Telefon"));
        QCOMPARE(about->lblTitle->text(), QStringLiteral("VENTOR Telefon"));
        QCOMPARE(about->lblVersion->text(), QStringLiteral(EXPECTED_VERSION));
        QVERIFY(about->isVisible());
        // Every text is shown whole, and the maker's logo is there.
        for (const QLabel* label : about->findChildren<QLabel*>())
            QVERIFY2(label->sizeHint().width() <= label->width() || label->text().isEmpty(),
                     qPrintable(label->text()));
        const auto* logo = about->findChild<QLabel*>(QStringLiteral("picLogo"));
        QVERIFY(logo && !logo->pixmap().isNull());
        about->cmdOK->click();
        QTRY_VERIFY(about.isNull()); // unloaded
    }

    // Every activation puts the windows beside the main window; the open items are read anew.
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
        QCOMPARE(search.pos(), QPoint(twipsToPixels(3600), twipsToPixels(5500)));
        QCOMPARE(search.focusWidget(), search.SUText);
        QCOMPARE(items.pos(), QPoint(twipsToPixels(3300), twipsToPixels(5000)));
        QCOMPARE(world.server->commands.filter("OPSU").size(), readings + 1);
    }
};

QTEST_MAIN(SideWindowsTest)
#include "tst_side_windows.moc"
