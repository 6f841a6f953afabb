#pragma once

#include "connection.h"
#include "fakes.h"
#include "serverlink.h"
#include "tcpconnection.h"

#include <QCoreApplication>
#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

namespace testsupport {

// The users of the demo data (company 1, branch 0).
struct DemoUser {
    QString code;
    QString password;
    bool active;
};
inline const QString DemoFirma = QStringLiteral("1");
inline const QString DemoFiliale = QStringLiteral("0");
inline const DemoUser DemoMeier{QStringLiteral("MEIER"), QStringLiteral("telefon"), true};
inline const DemoUser DemoSchulz{QStringLiteral("SCHULZ"), QStringLiteral("telefon"), true};
inline const DemoUser DemoAlt{QStringLiteral("ALT"), QStringLiteral("telefon"), false};
// The demo customer whose numbers are stored in every spelling, with open items.
inline const QString ShowcaseAccount = QStringLiteral("K100000");
inline const QString ShowcaseName = QStringLiteral("Müller Bau GmbH");
// Telephone parameters of the demo data.
inline const QString DemoDialPrefix = QStringLiteral("0");
inline const QString DemoLookupPrefix = QStringLiteral("30");

// A VENTOR server of its own: a fresh database with deterministic demo data in a temporary
// directory, served on a free loopback port. Stops and removes everything when destroyed.
class TestServer {
public:
    TestServer() = default;
    ~TestServer() { stop(); }
    TestServer(const TestServer&) = delete;
    TestServer& operator=(const TestServer&) = delete;

    // The server speaks TLS with its own self-signed certificate (see certificatePath) instead
    // of plain TCP from its next start on. The tests' clients talk plain TCP to a plain server.
    void setTls(bool on) { tls_ = on; }
    QString certificatePath() const { return dataDir() + QStringLiteral("/tls/server.crt"); }

    // Creates the database, generates `customers` customers (and a fifth as many suppliers)
    // and starts the gateway. False (see errorText) when any step failed.
    bool start(int customers = 300);
    // As start, in a lasting directory: the database is created and filled only when it is not
    // there yet, and it is kept when the server stops (benchmarks with large data).
    bool startIn(const QString& lastingDir, int customers);
    quint16 port() const { return port_; }
    QString connectionString() const {
        return QStringLiteral("cn_iptcp:127.0.0.1[%1]:VENTOR").arg(port_);
    }
    QString dataDir() const;
    // Ends every server process in order and closes the database.
    void stop();
    // Starts the gateway again on the same port (recovering first when it was killed).
    bool restart();
    // Options of the next start or restart, as "--idle 2" (limits of the gateway).
    void setStartOptions(const QStringList& options) { startOptions_ = options; }
    // SIGKILL for every server process, as in a crash.
    void killAll() { runScript({QStringLiteral("kill"), dataDir()}, ScriptTimeoutMs); }
    // The integrity check of the database ("ventor-server check"); its report in `report`.
    bool check(QString* report) const {
        return runScript({QStringLiteral("check"), dataDir()}, ScriptTimeoutMs, report);
    }

    // What the server stored, read by a separate mumps process, not through the gateway.
    // A global reference ("^VXZW(1,\"MEIER\",\"0309\")") gives its $GET value; any other text
    // is evaluated as an M expression ("$D(^VXJOUR(1,\"MEIER\",3))").
    QString mumpsQuery(const QString& expression) const;
    // The call journal of one kind that the server keeps for a demo user: how many entries,
    // and field `piece` of the newest one.
    int journalCount(const QString& user, int kind) const;
    QString newestJournalField(const QString& user, int kind, int piece) const;
    // Runs M commands in the database's environment and returns what they wrote.
    QString mumpsRun(const QString& commands) const;
    // Staff ids are numbers; the server lists a department's staff in their order.
    void addStaff(const QString& department, int id, const QString& name, const QString& extension);
    // The twelve times of a day: two planned and four clocked intervals, start and end each.
    void setTimes(int id, const QDate& day, const QStringList& twelve);

    // A connection factory for a demo user (or any credentials).
    static inline const cacheapi::TcpTransport PlainTransport{false, {}};
    static std::unique_ptr<cacheapi::Factory>
    factoryFor(const cacheapi::TcpCredentials& who, int replyTimeoutMs = 30000,
               const cacheapi::TcpTransport& transport = PlainTransport) {
        return cacheapi::makeTcpFactory([who] { return who; }, replyTimeoutMs, nullptr, transport);
    }
    static std::unique_ptr<cacheapi::Factory>
    factoryFor(const DemoUser& user, int replyTimeoutMs = 30000,
               const cacheapi::TcpTransport& transport = PlainTransport) {
        return factoryFor({DemoFirma, user.code, user.password}, replyTimeoutMs, transport);
    }

    QString errorText() const { return error_; }

private:
    static constexpr int ScriptTimeoutMs = 120000;
    static constexpr int GenerateTimeoutMs = 1800000; // large data takes long
    bool runScript(const QStringList& arguments, int timeoutMs, QString* output = nullptr) const;
    bool prepare(int customers);

    std::unique_ptr<QTemporaryDir> dir_;
    QString lastingDir_;
    quint16 port_ = 0;
    QStringList startOptions_;
    bool started_ = false;
    bool tls_ = false;
    mutable QString error_;
};

// A free TCP port on the loopback interface.
quint16 freeLoopbackPort();

// Real time in which every pump of window events also moves the clock on by half a second, so
// that waits between connection attempts pass at once while the window thread runs.
struct QuickClock : context::Clock, context::EventPump {
    QDateTime now() const override { return QDateTime::currentDateTime().addMSecs(skipped); }
    void processEvents() override {
        QCoreApplication::processEvents();
        skipped += 500;
    }
    qint64 skipped = 0;
};

// The program's server link to a test server over plain TCP, with message boxes, login windows,
// settings and the idle timer recorded in memory. Its state already names the server and the
// demo user, so commands run without a login; `login` logs in as the program does. Waits between
// connection attempts take real time (Real), pass at once with window events running (Quick), or
// pass on a clock that stands still without window events (Skipped).
struct LiveLink : cacheapi::fake::FakeSurroundings {
    enum class Waits { Real, Quick, Skipped };
    explicit LiveLink(const TestServer& server, Waits waits = Waits::Real,
                      const DemoUser& user = DemoMeier);
    ~LiveLink();

    // The seven-word command line of an unattended start.
    QString commandLine(const DemoUser& user = DemoMeier,
                        const QString& host = QStringLiteral("127.0.0.1")) const;
    bool login(const DemoUser& user = DemoMeier, const QString& host = QStringLiteral("127.0.0.1"));
    // The reply, or "<error>".
    QString command(const QString& text);
    // How the connection travels ("verschlüsselt" or "unverschlüsselt") and the trusted file.
    void transport(const QString& connection, const QString& certificate = {});
    context::Context liveContext() {
        return {store, dialogs, *clockInUse, *eventsInUse, idle, end};
    }

    const TestServer& server;
    quint16 port; // where the link connects: the server's port unless a test puts a proxy between
    int replyTimeoutMs = 20000;
    context::SystemClock realClock;
    context::QtEventPump realEvents;
    QuickClock quickClock;
    context::Clock* clockInUse;
    context::EventPump* eventsInUse;
    QStringList sent; // every command text, in order
    int connections = 0;
    cacheapi::ServerLink link;
};

} // namespace testsupport
