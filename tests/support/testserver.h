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
#include <QtEndian>
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

// A server of its own: fresh demo data in a temporary directory, on a free loopback port.
class TestServer {
public:
    TestServer() = default;
    ~TestServer() { stop(); }
    TestServer(const TestServer&) = delete;
    TestServer& operator=(const TestServer&) = delete;

    // TLS with its own self-signed certificate from the next start on, instead of plain TCP.
    void setTls(bool on) { tls_ = on; }
    QString certificatePath() const { return dataDir() + QStringLiteral("/tls/server.crt"); }

    // Creates the database with `customers` customers and starts it; false (errorText) on failure.
    bool start(int customers = 300);
    // As start, in a directory that keeps the database across runs (benchmarks with large data).
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

    // Read by a separate mumps process: a global reference gives its $GET value, any other text
    // is evaluated as an M expression.
    QString mumpsQuery(const QString& expression) const;
    // A demo user's journal of one kind: its size, and field `piece` of the newest entry.
    int journalCount(int kind, const QString& user = DemoMeier.code) const;
    QString newestJournalField(int kind, int piece, const QString& user = DemoMeier.code) const;
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

// The gateway's frame: a big-endian length, then the payload.
inline QByteArray frame(const QByteArray& payload) {
    QByteArray header(4, '\0');
    qToBigEndian(quint32(payload.size()), header.data());
    return header + payload;
}
// The whole frame at the start of `buffer`, taken out of it; empty while it is incomplete.
inline QByteArray takeFrame(QByteArray& buffer) {
    const qsizetype n =
        buffer.size() < 4 ? 0 : 4 + qsizetype(qFromBigEndian<quint32>(buffer.constData()));
    if (n == 0 || buffer.size() < n)
        return {};
    const QByteArray whole = buffer.left(n);
    buffer.remove(0, n);
    return whole;
}

// Real time that every pump of window events moves on by half a second: waits pass at once.
struct QuickClock : context::Clock, context::EventPump {
    QDateTime now() const override { return QDateTime::currentDateTime().addMSecs(skipped); }
    void processEvents() override {
        QCoreApplication::processEvents();
        skipped += 500;
    }
    qint64 skipped = 0;
};

// The program's server link to a test server over plain TCP, its surroundings in memory; commands
// run without a login. Waits take real time, pass at once (Quick) or on a standing clock (Skipped).
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
