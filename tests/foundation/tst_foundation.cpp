// The server link on in-memory stand-ins, the reply format, value helpers, Windows-1252 and the
// per-user settings store.
#include "fakelink.h"
#include "helpers.h"
#include "login.h"
#include "serverlink.h"
#include "settingsstore.h"
#include "win1252.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QTemporaryDir>
#include <QTest>
#include <utility>

using namespace cacheapi;
using namespace context;
using namespace settings;
using fake::ProgramEnded;
using testsupport::FakeLink;

namespace {
// A connection attempt during which window events run: `duringConnect` plays such an event.
class WaitingFactory : public fake::FakeFactory {
public:
    WaitingFactory(std::shared_ptr<fake::FakeServer> server, std::function<void()> duringConnect,
                   bool& destroyedWhileConnecting)
        : FakeFactory(std::move(server)), duringConnect_(std::move(duringConnect)),
          destroyedWhileConnecting_(destroyedWhileConnecting) {}
    ~WaitingFactory() override {
        if (connecting_)
            destroyedWhileConnecting_ = true;
    }
    bool Connect(const QString& connectionString) override {
        connecting_ = true;
        if (duringConnect_)
            std::exchange(duringConnect_, nullptr)();
        const bool ok = FakeFactory::Connect(connectionString);
        connecting_ = false;
        return ok;
    }

private:
    std::function<void()> duringConnect_;
    bool& destroyedWhileConnecting_;
    bool connecting_ = false;
};

const QString Announce = QStringLiteral("S FIRMA=1,FIL=0,PERSONAL=\"MEIER\"");
const QString Xtt = QStringLiteral("D ^%XTT");
} // namespace

class FoundationTest : public QObject {
    Q_OBJECT
    QTemporaryDir home_;

private slots:
    // A department missing on the server is the one step of the login a real server never fails.
    void loginReadsStaffDepartmentAndBaseRecordAndAnnounces() {
        for (const bool departmentMissing : {false, true}) {
            FakeLink f;
            f.addStaff("MEIER", "geheim", "J", "Meier,Hans");
            if (departmentMissing)
                f.server->objects.remove("VX.ParPersAbt");
            f.storeLogin("MEIER", "geheim");
            f.state.LoginFailed = true;
            QCOMPARE(LoginUser(f.link, QString()), !departmentMissing);
            if (departmentMissing) {
                QVERIFY(f.dialogs.shown[0].text.startsWith("Vorgang: Abteilungsermittlung."));
                continue;
            }
            QCOMPARE(f.state.LoginIdentity, QString("MEIER|Meier,Hans"));
            QVERIFY(!f.state.LoginFailed);
            QCOMPARE(f.server->openedIds,
                     QStringList(
                         {"VX.ParPersEdv:1||MEIER", "VX.ParPersAbt:1||20", "VX.PersBasis:1||100"}));
            QCOMPARE(f.server->commands.last(), Announce);
            QVERIFY(f.dialogs.shown.isEmpty());
            QVERIFY(f.idle.active);
        }
    }

    void commandLineWinsOnlyWhenItsFirstWordIsANumber() {
        for (const QString& commandLine :
             {QString("1 0 123 geheim"), QString("abc 0 123 x 10.1.1.1 99")}) {
            const bool used = commandLine.startsWith('1');
            FakeLink f;
            f.storeLogin("STORED", "pw");
            f.store.write("Cache Login", "Login", "Namespace", "TEST");
            f.state.CommandLine = commandLine;
            f.link.LoadConnectionSettings();
            QCOMPARE(f.state.UserCode, QString(used ? "123" : "STORED"));
            QCOMPARE(f.state.Password, QString(used ? "geheim" : "pw"));
            QCOMPARE(f.windows.user, f.state.UserCode);
            // The namespace never enters the connection string.
            QCOMPARE(f.state.ConnectionString, "cn_iptcp:" + settings::defaults::Server +
                                                   (used ? "[1972]:VENTOR" : "[1973]:VENTOR"));
            QCOMPARE(f.windows.loginShown, 0);
        }
    }

    void missingCredentialsOpenTheLoginWindow() {
        FakeLink f;
        f.windows.onLoginWindow = [&f](fake::FieldLoginWindows&) { f.storeLogin("NEU", "x"); };
        f.link.LoadConnectionSettings();
        QCOMPARE(f.windows.loginShown, 1);
        QCOMPARE(f.state.UserCode, QString("NEU"));
        QCOMPARE(f.state.Password, QString("x"));
        QCOMPARE(f.windows.fields.firma, QString("1"));

        // A refused login asks again even with stored credentials.
        f.state.LoginFailed = true;
        f.link.LoadConnectionSettings();
        QCOMPARE(f.windows.loginShown, 2);

        // After a server error the password comes from the window, not the store.
        f.state.KeepPasswordOut = true;
        f.windows.password = "typed";
        f.link.ReadStoredSettings();
        QCOMPARE(f.state.Password, QString("typed"));
    }

    void idleTimeOrALostServerMeansReconnectingAndAnnouncingAgain() {
        FakeLink f("1 0 MEIER pw");
        bool error = false;
        f.server->reply("D PARAM^RUFAP", "0`30`x");
        QCOMPARE(f.link.ExecuteCommand("D PARAM^RUFAP", error), QString("0`30`x"));
        f.link.ExecuteCommand("D PARAM^RUFAP", error);
        QCOMPARE(f.server->connects, 1); // the second command reused the connection
        QVERIFY(f.idle.active);
        QCOMPARE(f.idle.interval, 60000);
        f.idle.fire();
        QCOMPARE(f.server->disconnects, 1);
        f.link.ExecuteCommand("D PARAM^RUFAP", error);
        QCOMPARE(f.server->connects, 2);
        QCOMPARE(f.server->connectionStrings.first(),
                 "cn_iptcp:" + settings::defaults::Server + "[1972]:VENTOR");
        QCOMPARE(f.server->commands, QStringList({Announce, Xtt, "D PARAM^RUFAP", "D PARAM^RUFAP",
                                                  Announce, Xtt, "D PARAM^RUFAP"}));
        f.server->dropConnection();
        f.link.ExecuteCommand("D PARAM^RUFAP", error);
        QCOMPARE(f.server->connects, 3);
        QVERIFY(!error);
    }

    void attemptSeriesShowsBothMessagesAndEndsTheProgram() {
        FakeLink f("1 0 MEIER pw");
        f.state.LoginIdentity = "MEIER|Meier";
        f.server->connectByDefault = false;
        const QDateTime start = f.clock.now();
        f.windows.onSettingsWindow = [&](fake::FieldLoginWindows&) {
            QCOMPARE(f.server->connects, 3);
        };
        QVERIFY_THROWS_EXCEPTION(ProgramEnded, f.link.BeginServerAccess());
        QCOMPARE(f.server->connects, 6);
        QCOMPARE(f.windows.settingsShown, 1);
        QCOMPARE(f.windows.settingsHidden, 1);
        QCOMPARE(f.state.LoginIdentity, QString());
        QCOMPARE(f.dialogs.shown.size(), 2);
        QCOMPARE(f.dialogs.shown[0].icon, context::Icon::Exclamation);
        QCOMPARE(f.dialogs.shown[0].text,
                 QString("Server nach 3 Versuchen nicht erreichbar!\r\n"
                         "Wahrscheinlich sind keine freien Lizenzen verfügbar!\r\n"
                         "Bitte Kontrollieren Sie die Verbindungsdaten"));
        QCOMPARE(f.dialogs.shown[1].icon, context::Icon::Critical);
        QCOMPARE(f.dialogs.shown[1].title, QString("Anmeldung an Caché"));
        QCOMPARE(f.dialogs.shown[1].text,
                 QString("Der Server ist nicht erreichbar!\r\n"
                         "Wahrscheinlich sind keine Lizenzen frei. Die Anwendung wird beendet!\r\n"
                         "Bitte Versuchen Sie die Anmeldung zu einem späteren Zeitpunk noch ein "
                         "mal."));
        // Two 10-second waits in each series, none right after the settings window.
        const qint64 waited = start.secsTo(f.clock.now());
        QVERIFY2(waited >= 40 && waited <= 43, qPrintable(QString::number(waited)));
    }

    void settingsWindowCanRescueTheSeries() {
        FakeLink f("1 0 MEIER pw");
        f.server->connectResults = {false, false, false, false, true};
        f.link.BeginServerAccess();
        QCOMPARE(f.server->connects, 5);
        QCOMPARE(f.windows.settingsShown, 1);
        QCOMPARE(f.dialogs.shown.size(), 1);
        QCOMPARE(f.server->commands, QStringList({Announce, Xtt}));
    }

    void failedCommandIsReportedAndFlagsTheCaller() {
        FakeLink f("1 0 MEIER pw");
        f.server->fail("D PARAM^RUFAP", 8, "<UNDEFINED>PARAM^RUFAP");
        f.server->reply("D INT^RUFAP", "A`1");
        bool error = false;
        QCOMPARE(f.link.ExecuteCommand("D PARAM^RUFAP", error), QString());
        QVERIFY(error);
        QCOMPARE(f.dialogs.shown.size(), 1);
        QCOMPARE(f.dialogs.shown[0].title, QString("Caché Zugriffsfehler"));
        QCOMPARE(f.dialogs.shown[0].icon, context::Icon::Exclamation);
        QCOMPARE(f.dialogs.shown[0].text,
                 QString("Vorgang: Ungültige Anfrage! Kein Ergebnis gefunden\r\n\r\n"
                         "DBCall Aufruf von VX.Windwos Xecute D PARAM^RUFAP.\r\n\r\n"
                         "Fehler: 8\r\n<UNDEFINED>PARAM^RUFAP\r\n\r\n"));

        // A later success does not clear the caller's flag.
        RecordList records{"keep"};
        QCOMPARE(f.link.ExecuteCommandSplit("D INT^RUFAP", RecordSeparator, records, error), 1);
        QVERIFY(error);

        f.server->fail("D ZWAHL^RUFAP", 9, "x");
        records = {"", "old"};
        bool splitError = false;
        QCOMPARE(f.link.ExecuteCommandSplit("D ZWAHL^RUFAP", RecordSeparator, records, splitError),
                 0);
        QVERIFY(splitError);
        QCOMPARE(records.at(1), QString("old")); // left as it was
        QVERIFY(f.dialogs.shown.last().text.contains("DBCallD Aufruf von VX.Windwos Xecute "
                                                     "D ZWAHL^RUFAP."));
    }

    void aCommandOfAnEventDuringTheConnectReusesItsConnection() {
        fake::FakeSurroundings f;
        auto server = std::make_shared<fake::FakeServer>();
        bool destroyedWhileConnecting = false;
        bool innerError = false;
        ServerLink* linkOfTest = nullptr;
        int made = 0;
        ServerLink link(f.state, f.context(), [&]() -> std::unique_ptr<Factory> {
            // Only the first attempt waits long enough for a call to come in.
            std::function<void()> event;
            if (made++ == 0)
                event = [&] { linkOfTest->ExecuteCommand("D TELSU^RUFAP(\"030\")", innerError); };
            return std::make_unique<WaitingFactory>(server, event, destroyedWhileConnecting);
        });
        linkOfTest = &link;
        link.setWindows(&f.windows);
        f.state.CommandLine = "1 0 MEIER pw";
        link.LoadConnectionSettings();
        bool error = false;
        link.ExecuteCommand("D PARAM^RUFAP", error);
        QVERIFY(!destroyedWhileConnecting);
        QVERIFY(!error);
        QVERIFY(!innerError);
        // The event's command connected and announced once; the waiting command then used it.
        QCOMPARE(server->commands,
                 QStringList({Announce, Xtt, "D TELSU^RUFAP(\"030\")", "D PARAM^RUFAP"}));
        QVERIFY(link.connection()->IsConnected());
    }

    void pieceAndSplitTakeFieldsLikeTheServerListsThem() {
        const QChar bq('`');
        QCOMPARE(Piece("a`b`c", bq, 2, "x"), QString("b"));
        QCOMPARE(Piece("a``c", bq, 2, "x"), QString("x"));
        QCOMPARE(Piece("abc", bq, 3, "x"), QString("x"));
        QCOMPARE(Piece("K100K7", QChar('K'), 2), QString("100"));
        // A separator of two characters never matches.
        QCOMPARE(Piece("a``b", QString("``"), 2, "d"), QString("d"));

        const QString ff(RecordSeparator);
        RecordList records;
        QCOMPARE(SplitRecords("A" + ff + "B" + ff, RecordSeparator, records), 2);
        QCOMPARE(records[2], QString("B"));
        QCOMPARE(SplitRecords("A" + ff + ff + "B", RecordSeparator, records), 3);
        QCOMPARE(records[2], QString());
        QCOMPARE(records[3], QString("B"));
        QCOMPARE(SplitRecords(QString(), RecordSeparator, records), 0);
    }

    void windows1252CoversTheHighControlBlockAndFF() {
        QByteArray all;
        for (int b = 0; b < 256; ++b)
            all.append(char(b));
        const QString text = fromWindows1252(all);
        QCOMPARE(toWindows1252(text), all);
        QCOMPARE(text.at(0x80), QChar(0x20AC)); // euro sign
        QCOMPARE(text.at(0x93), QChar(0x201C)); // left double quote
        QCOMPARE(text.at(0x9F), QChar(0x0178)); // Y diaeresis
        QCOMPARE(text.at(0xFF), QChar(0x00FF)); // the record separator ÿ
        QCOMPARE(toWindows1252(QString::fromUtf8("€ Müller ÿ")), QByteArray("\x80 M\xfcller \xff"));
        // A character the code page cannot hold.
        QCOMPARE(toWindows1252(QString(QChar(0x4E2D))), QByteArray("?"));
    }

    void numberTextsAndDates() {
        QCOMPARE(CleanNumberText("01 / 2-3"), QString("0123"));
        QCOMPARE(CleanNumberText("-12,5,0%"), QString("-12,50%"));
        QCOMPARE(CleanNumberText("5-"), QString("5"));
        QCOMPARE(CleanNumberText(""), QString("0"));
        QVERIFY(IsNumericText(" -1.234,5 "));
        QVERIFY(!IsNumericText("1/2-3"));
        QVERIFY(!IsNumericText("1,2,3"));
        QVERIFY(!IsNumericText("-"));
        QCOMPARE(ToServerDate(QDate(2005, 3, 7)), QString("1050307"));
        QCOMPARE(ToServerDate(QDate(1999, 12, 31)), QString("991231"));
        QCOMPARE(ToServerDate(QVariant(-1)), QString());
        QCOMPARE(ToServerDate(QVariant(QString("  .  ."))), QString());
        QCOMPARE(ToServerDate(QVariant(QString("07.03.2005"))), QString("1050307"));
    }

    void scramblingIsItsOwnInverse() {
        const QString secret = QString::fromUtf8("Geheim€ÿ1");
        const QString scrambled = ScramblePassword(secret);
        QVERIFY(scrambled != secret);
        QCOMPARE(ScramblePassword(scrambled), secret);
    }

    void initTestCase() {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        QVERIFY(home_.isValid());
        qputenv("XDG_CONFIG_HOME", home_.path().toUtf8());
    }

    // The files hold the password: the user's alone, also when an older version opened them.
    void storeIsPrivateToTheUser() {
        const QString folder = home_.filePath("private-test");
        QVERIFY(QDir().mkpath(folder));
        QFile::setPermissions(folder, QFile::Permissions(0x7755));
        QFile old(folder + "/Telefon.ini");
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.close();
        QVERIFY(old.setPermissions(QFile::Permissions(0x6644)));
        QSettingsStore store(QStringLiteral("private-test"));
        store.write(keys::Telefon, keys::Pos, keys::Left, "0");
        store.write(keys::CacheLogin, keys::Login, keys::Passwort, "geheim");
        const auto mode = [](const QString& path) {
            return QFileInfo(path).permissions() & 0x0FFF;
        };
        const auto owner = QFile::ReadUser | QFile::WriteUser;
        for (const char* file : {"Telefon.ini", "Cache Login.ini"})
            QCOMPARE(mode(folder + "/" + file), owner);
        QCOMPARE(mode(folder), owner | QFile::ExeUser);
    }
};

QTEST_GUILESS_MAIN(FoundationTest)
#include "tst_foundation.moc"
