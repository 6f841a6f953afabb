// The about box: its texts and version, the configuration-store reads and the start of the
// system-information program.

#include "apptitle.h"
#include "configstore.h"
#include "fakeconnection.h"
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
    void getKeyValueReadsTextsAndNumbers();
    void getKeyValueTakesAtMost1024Bytes();
    void getKeyValueFailsForMissingKeysAndValues();
    void configurationFileIsRead();
    void sysInfoStartsTheConfiguredProgram();
    void sysInfoUsesTheFolderOnlyWhenItHoldsTheProgram();
    void sysInfoFallsBackToAKnownProgramOrTellsTheUser();
    void aboutBoxShowsTitleVersionAndTexts();
    void aboutBoxTellsWhenNoSysInfoProgramExists();
};

void AboutBoxTest::getKeyValueReadsTextsAndNumbers() {
    MemoryConfigStore store;
    store.setString(HKEY_LOCAL_MACHINE, "K", "Text", QStringLiteral("/usr/bin/werkzeug"));
    store.setNumber(HKEY_LOCAL_MACHINE, "K", "Zehn", 10);
    store.setNumber(HKEY_LOCAL_MACHINE, "K", "Alle", qint32(0xFFFFFFFF));
    store.setNumber(HKEY_LOCAL_MACHINE, "K", "Gross", 256); // ends in zero bytes
    store.setValue(HKEY_LOCAL_MACHINE, "K", "Erweitert", {REG_EXPAND_SZ, "%HOME%/x\0"});
    QString value;
    QVERIFY(GetKeyValue(store, HKEY_LOCAL_MACHINE, "K", "Text", value));
    QCOMPARE(value, QStringLiteral("/usr/bin/werkzeug"));
    QVERIFY(GetKeyValue(store, HKEY_LOCAL_MACHINE, "K", "Zehn", value));
    QCOMPARE(value, QStringLiteral("10"));
    QVERIFY(GetKeyValue(store, HKEY_LOCAL_MACHINE, "K", "Alle", value));
    QCOMPARE(value, QStringLiteral("-1"));
    QVERIFY(GetKeyValue(store, HKEY_LOCAL_MACHINE, "K", "Gross", value));
    QCOMPARE(value, QStringLiteral("256"));
    // Another type leaves the caller's text as it was.
    value = QStringLiteral("vorher");
    QVERIFY(GetKeyValue(store, HKEY_LOCAL_MACHINE, "K", "Erweitert", value));
    QCOMPARE(value, QStringLiteral("vorher"));
}

void AboutBoxTest::getKeyValueTakesAtMost1024Bytes() {
    MemoryConfigStore store;
    const QByteArray exact(1024, 'a');
    store.setValue(HKEY_LOCAL_MACHINE, "K", "Genau", {REG_SZ, exact});
    store.setValue(HKEY_LOCAL_MACHINE, "K", "MitNull", {REG_SZ, QByteArray(1023, 'b') + '\0'});
    store.setValue(HKEY_LOCAL_MACHINE, "K", "Lang", {REG_SZ, QByteArray(1025, 'c')});
    QString value;
    QVERIFY(GetKeyValue(store, HKEY_LOCAL_MACHINE, "K", "Genau", value));
    QCOMPARE(value, QString::fromLatin1(exact));
    QVERIFY(GetKeyValue(store, HKEY_LOCAL_MACHINE, "K", "MitNull", value));
    QCOMPARE(value, QString(1023, QLatin1Char('b')));
    value = QStringLiteral("vorher");
    QVERIFY(!GetKeyValue(store, HKEY_LOCAL_MACHINE, "K", "Lang", value));
    QVERIFY(value.isEmpty());
}

void AboutBoxTest::getKeyValueFailsForMissingKeysAndValues() {
    MemoryConfigStore store;
    store.addKey(HKEY_LOCAL_MACHINE, "Leer");
    QString value = QStringLiteral("vorher");
    QVERIFY(!GetKeyValue(store, HKEY_LOCAL_MACHINE, "Fehlt", "PATH", value));
    QVERIFY(value.isEmpty());
    value = QStringLiteral("vorher");
    QVERIFY(!GetKeyValue(store, HKEY_LOCAL_MACHINE, "Leer", "PATH", value));
    QVERIFY(value.isEmpty());
    store.setString(0x80000001, "K", "PATH", "x"); // another root
    QVERIFY(!GetKeyValue(store, HKEY_LOCAL_MACHINE, "K", "PATH", value));
}

void AboutBoxTest::configurationFileIsRead() {
    FileConfigStore store(QString{});
    store.parse(QStringLiteral("REGEDIT4\n"
                               "; Systeminformation\n"
                               "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Shared Tools\\MSINFO]\n"
                               "\"PATH\"=\"/opt/werkzeug \\\"neu\\\"\\\\bin\"\n"
                               "\"Stufe\"=dword:0000000a\n"
                               "\"Pfad\"=expand:\"$HOME\"\n"
                               "[HKEY_CURRENT_USER\\Software\\Andere]\n"
                               "\"PATH\"=\"nicht dieser\"\n"));
    QString value;
    QVERIFY(GetKeyValue(store, HKEY_LOCAL_MACHINE, ToolsKey, "PATH", value));
    QCOMPARE(value, QStringLiteral("/opt/werkzeug \"neu\"\\bin"));
    QVERIFY(GetKeyValue(store, HKEY_LOCAL_MACHINE, ToolsKey, "Stufe", value));
    QCOMPARE(value, QStringLiteral("10"));
    QCOMPARE(store.value(HKEY_LOCAL_MACHINE, ToolsKey, "Pfad")->type, REG_EXPAND_SZ);
    QVERIFY(!store.keyExists(HKEY_LOCAL_MACHINE, "Software\\Andere"));
}

void AboutBoxTest::sysInfoStartsTheConfiguredProgram() {
    MemoryConfigStore store;
    FakeLauncher launcher;
    ScriptedDialogs dialogs;
    store.setString(HKEY_LOCAL_MACHINE, ToolsKey, "PATH", "/opt/info/start");
    store.setString(HKEY_LOCAL_MACHINE, LocationKey, "MSINFO", "/opt/anders");
    launcher.files = {"/opt/info/start", "/opt/anders/MSINFO32.EXE"};
    StartSysInfo(store, launcher, dialogs);
    QCOMPARE(launcher.attempts, QStringList{"/opt/info/start"});
    QVERIFY(dialogs.shown.isEmpty());

    // Named but not there: no other program is tried, the user is told.
    launcher.files.remove("/opt/info/start");
    launcher.onPath.insert("hardinfo", "/usr/bin/hardinfo");
    launcher.attempts.clear();
    StartSysInfo(store, launcher, dialogs);
    QCOMPARE(launcher.attempts, QStringList{"/opt/info/start"});
    QCOMPARE(dialogs.shown.size(), 1);
    QCOMPARE(dialogs.shown[0].text, Unavailable);
    QCOMPARE(dialogs.shown[0].title, ApplicationTitle());
    QCOMPARE(dialogs.shown[0].icon, cacheapi::Icon::None);
    QCOMPARE(dialogs.shown[0].buttons, cacheapi::Buttons::Ok);

    // A value of another type names the empty path, which cannot be started.
    store.setValue(HKEY_LOCAL_MACHINE, ToolsKey, "PATH", {REG_EXPAND_SZ, "/opt/info/start\0"});
    launcher.attempts.clear();
    StartSysInfo(store, launcher, dialogs);
    QVERIFY(launcher.attempts.isEmpty());
    QCOMPARE(dialogs.shown.size(), 2);
}

void AboutBoxTest::sysInfoUsesTheFolderOnlyWhenItHoldsTheProgram() {
    MemoryConfigStore store;
    FakeLauncher launcher;
    ScriptedDialogs dialogs;
    store.setString(HKEY_LOCAL_MACHINE, LocationKey, "MSINFO", "/opt/werkzeuge");
    launcher.files = {"/opt/werkzeuge/MSINFO32.EXE"};
    StartSysInfo(store, launcher, dialogs);
    QCOMPARE(launcher.attempts, QStringList{"/opt/werkzeuge/MSINFO32.EXE"});
    QVERIFY(dialogs.shown.isEmpty());

    launcher.files.clear();
    launcher.attempts.clear();
    StartSysInfo(store, launcher, dialogs);
    QVERIFY(launcher.attempts.isEmpty());
    QCOMPARE(dialogs.shown.size(), 1);
}

void AboutBoxTest::sysInfoFallsBackToAKnownProgramOrTellsTheUser() {
    MemoryConfigStore store;
    FakeLauncher launcher;
    ScriptedDialogs dialogs;
    launcher.onPath.insert("hardinfo", "/usr/bin/hardinfo");
    launcher.files = {"/usr/bin/hardinfo"};
    StartSysInfo(store, launcher, dialogs);
    QCOMPARE(launcher.attempts, QStringList{"/usr/bin/hardinfo"});
    QVERIFY(dialogs.shown.isEmpty());

    launcher.files.clear(); // found but does not start
    StartSysInfo(store, launcher, dialogs);
    QCOMPARE(dialogs.shown.size(), 1);
    QCOMPARE(dialogs.shown[0].text, Unavailable);
}

void AboutBoxTest::aboutBoxShowsTitleVersionAndTexts() {
    QCOMPARE(VersionText("1.05.0010"), QStringLiteral("1.5.10"));
    QCOMPARE(VersionText("2.0"), QStringLiteral("2.0.0"));

    ScriptedDialogs dialogs;
    QPointer<frmAbout> about = ShowAboutBox(dialogs);
    QVERIFY(about);
    QCOMPARE(ShowAboutBox(dialogs), about.data()); // the open box comes to the front
    QCOMPARE(about->windowTitle(), QStringLiteral("Info zu ") + ApplicationTitle());
    QCOMPARE(about->lblTitle->text(), ApplicationTitle());
    QCOMPARE(about->lblVersion->text(), QStringLiteral(EXPECTED_VERSION));
    QCOMPARE(about->lblDescription->text(), QStringLiteral("VENTOR Telefonunterstützung"));
    QCOMPARE(about->Erstellt->text(),
             QStringLiteral("Erstellt am 1.3.2000 Letzte Korrektur 26.03.2002"));
    QCOMPARE(about->cmdOK->text(), QStringLiteral("OK"));
    QCOMPARE(about->cmdSysInfo->text(), QStringLiteral("&Systeminfo..."));
    QStringList headings;
    for (const char* name : {"Producktname", "Version", "Copyright", "Description"})
        headings << about->findChild<QLabel*>(name)->text();
    QCOMPARE(headings, (QStringList{"Produktname", "Version ", "Copyright", "Beschreibung"}));
    QVERIFY(about->isVisible());

    about->cmdOK->click();
    QTRY_VERIFY(about.isNull()); // unloaded
    QPointer<frmAbout> again = ShowAboutBox(dialogs);
    QVERIFY(again);
    again->close();
}

void AboutBoxTest::aboutBoxTellsWhenNoSysInfoProgramExists() {
    MemoryConfigStore store;
    FakeLauncher launcher;
    ScriptedDialogs dialogs;
    frmAbout about(dialogs, store, launcher);
    about.setAttribute(Qt::WA_DeleteOnClose, false);
    about.show();
    about.cmdSysInfo->click();
    QCOMPARE(dialogs.shown.size(), 1);
    QCOMPARE(dialogs.shown[0].text, Unavailable);
    QVERIFY(about.isVisible()); // the about box stays open
}

QTEST_MAIN(AboutBoxTest)
#include "test_about_box.moc"
