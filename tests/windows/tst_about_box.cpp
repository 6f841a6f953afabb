// The about box: its texts and version, the configuration-store reads and the start of the
// system-information program.

#include "apptitle.h"
#include "configstore.h"
#include "fakes.h"
#include "frmabout.h"

#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QSet>
#include <QtTest>

using namespace windows;
using cacheapi::fake::ScriptedDialogs;

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

class AboutBoxTest : public QObject {
    Q_OBJECT

private slots:
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
};

QTEST_MAIN(AboutBoxTest)
#include "tst_about_box.moc"
