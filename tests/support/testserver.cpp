#include "testserver.h"

#include "login.h"
#include "win1252.h"

#include <QFileInfo>
#include <QProcess>
#include <QTcpServer>
#include <QTemporaryDir>

#include <exception>
#include <set>

namespace testsupport {
using namespace Qt::StringLiterals;

namespace {
// A test that ends by an exception never runs its destructors: the servers it left running are
// stopped on the way out, so they do not go on serving (and spending the machine) after it.
std::set<TestServer*>& runningServers() {
    static std::set<TestServer*> servers;
    return servers;
}
[[noreturn]] void stopRunningServersAndAbort() {
    for (TestServer* server : std::set<TestServer*>(runningServers()))
        server->stop();
    std::abort();
}
} // namespace

quint16 freeLoopbackPort() {
    QTcpServer probe;
    return probe.listen(QHostAddress::LocalHost, 0) ? probe.serverPort() : 0;
}

QString TestServer::dataDir() const {
    return !lastingDir_.isEmpty() ? lastingDir_ : dir_ ? dir_->filePath(u"db"_s) : QString();
}

bool TestServer::runScript(const QStringList& arguments, int timeoutMs, QString* output) const {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    // Benchmarks compare with another version of the server by naming its script.
    process.start(
        qEnvironmentVariable("VENTOR_SERVER_SCRIPT", QStringLiteral(VENTOR_SERVER_SCRIPT)),
        arguments);
    const bool finished = process.waitForStarted() && process.waitForFinished(timeoutMs);
    const QByteArray bytes = process.readAll();
    if (output)
        *output = cacheapi::fromWindows1252(bytes);
    if (!finished || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        error_ = u"ventor-server %1: %2"_s.arg(arguments.join(QLatin1Char(' ')),
                                               QString::fromLocal8Bit(bytes));
        if (!finished)
            process.kill();
        return false;
    }
    return true;
}

bool TestServer::start(int customers) {
    stop();
    lastingDir_.clear();
    dir_ = std::make_unique<QTemporaryDir>();
    if (!dir_->isValid()) {
        error_ = u"no temporary directory"_s;
        return false;
    }
    return prepare(customers);
}

bool TestServer::startIn(const QString& lastingDir, int customers) {
    stop();
    dir_.reset();
    lastingDir_ = lastingDir;
    if (QFileInfo::exists(lastingDir + u"/ventor.dat"_s)) {
        port_ = freeLoopbackPort();
        return restart();
    }
    return prepare(customers);
}

bool TestServer::prepare(int customers) {
    if (!runScript({u"create"_s, dataDir()}, ScriptTimeoutMs) ||
        !runScript({u"generate"_s, dataDir(), u"--customers"_s, QString::number(customers)},
                   GenerateTimeoutMs))
        return false;
    port_ = freeLoopbackPort();
    return restart();
}

bool TestServer::restart() {
    if (dataDir().isEmpty())
        return false;
    // Another process may take the port between probing and binding; try a few others then.
    for (int attempt = 0; attempt < 5; ++attempt) {
        QStringList arguments =
            QStringList{u"start"_s, dataDir(), QString::number(port_)} + startOptions_;
        if (!tls_)
            arguments << u"--plain"_s;
        if (runScript(arguments, ScriptTimeoutMs)) {
            started_ = true;
            runningServers().insert(this);
            std::set_terminate(stopRunningServersAndAbort);
            return true;
        }
        if (!error_.contains(u"did not come up"_s) && !error_.contains(u"listener ended"_s))
            return false;
        port_ = freeLoopbackPort();
    }
    return false;
}

void TestServer::stop() {
    if (!dataDir().isEmpty() && started_)
        runScript({u"stop"_s, dataDir()}, ScriptTimeoutMs);
    started_ = false;
    runningServers().erase(this);
}

QString TestServer::mumpsRun(const QString& commands) const {
    QString output;
    if (!dataDir().isEmpty())
        runScript({u"mumps"_s, dataDir(), u"-run"_s, u"%XCMD"_s, commands}, ScriptTimeoutMs,
                  &output);
    return output;
}

QString TestServer::mumpsQuery(const QString& expression) const {
    const bool global = expression.startsWith(QLatin1Char('^'));
    QString output = mumpsRun(QString::fromLatin1(global ? "W $G(%1)" : "W %1").arg(expression));
    return output.endsWith(QLatin1Char('\n')) ? output.chopped(1) : output;
}

int TestServer::journalCount(int kind, const QString& user) const {
    return mumpsQuery(u"+$G(^VXJOUR(%1,\"%2\",%3))"_s.arg(DemoFirma, user).arg(kind))
        .trimmed()
        .toInt();
}

QString TestServer::newestJournalField(int kind, int piece, const QString& user) const {
    const QString node = u"^VXJOUR(%1,\"%2\",%3"_s.arg(DemoFirma, user).arg(kind);
    return mumpsQuery(u"$P($G(%1,+$G(%1)))),\"`\",%2)"_s.arg(node).arg(piece)).trimmed();
}

void TestServer::addStaff(const QString& department, int id, const QString& name,
                          const QString& extension) {
    mumpsRun(QStringLiteral("S:'$D(^VXABT(1,\"%1\")) ^VXABT(1,\"%1\")=\"Abteilung %1\" "
                            "S ^VXABT(1,\"%1\",\"M\",%2)=\"\",^VXPB(1,%2)=\"%3`%4`\"")
                 .arg(department)
                 .arg(id)
                 .arg(name, extension));
}

void TestServer::setTimes(int id, const QDate& day, const QStringList& twelve) {
    const int h = QDate(1840, 12, 31).daysTo(day);
    mumpsRun(u"S ^VXZEIT(1,%1,%2)=\"%3\""_s.arg(id).arg(h).arg(twelve.join('`')));
}

namespace {
// Passes everything to the real connection and notes the command texts sent.
class RecordingFactory : public cacheapi::Factory {
public:
    RecordingFactory(std::unique_ptr<cacheapi::Factory> real, QStringList& sent)
        : real_(std::move(real)), sent_(sent) {}
    bool Connect(const QString& target) override { return real_->Connect(target); }
    bool IsConnected() override { return real_->IsConnected(); }
    void Disconnect() override { real_->Disconnect(); }
    QString refusal() const override { return real_->refusal(); }
    std::unique_ptr<cacheapi::ServerObject> New(const QString& name,
                                                cacheapi::ServerError& error) override {
        return wrap(real_->New(name, error));
    }
    std::unique_ptr<cacheapi::ServerObject> OpenId(const QString& name, const QString& id,
                                                   cacheapi::ServerError& error) override {
        return wrap(real_->OpenId(name, id, error));
    }

private:
    struct Object : cacheapi::ServerObject {
        Object(std::unique_ptr<cacheapi::ServerObject> r, QStringList& s)
            : real(std::move(r)), sent(s) {}
        cacheapi::CallResult Xecute(const QString& command) override {
            sent << command;
            return real->Xecute(command);
        }
        cacheapi::CallResult property(const QString& n) override { return real->property(n); }
        cacheapi::CallResult call(const QString& m, const QStringList& a) override {
            return real->call(m, a);
        }
        void SYS_Close() override { real->SYS_Close(); }
        std::unique_ptr<cacheapi::ServerObject> real;
        QStringList& sent;
    };
    std::unique_ptr<cacheapi::ServerObject> wrap(std::unique_ptr<cacheapi::ServerObject> object) {
        return object ? std::make_unique<Object>(std::move(object), sent_) : nullptr;
    }
    std::unique_ptr<cacheapi::Factory> real_;
    QStringList& sent_;
};
} // namespace

LiveLink::LiveLink(const TestServer& server, Waits waits, const DemoUser& user)
    : server(server), port(server.port()),
      clockInUse(waits == Waits::Real ? static_cast<context::Clock*>(&realClock) : &clock),
      eventsInUse(waits == Waits::Real ? static_cast<context::EventPump*>(&realEvents) : &clock),
      link(state, liveContext(), [this, tcp = cacheapi::tcpFactoryMaker(state, 20000)] {
          ++connections;
          return std::make_unique<RecordingFactory>(tcp(), sent);
      }) {
    link.setWindows(&windows);
    transport(settings::defaults::Unencrypted);
    state.Firma = DemoFirma;
    state.Filiale = DemoFiliale;
    state.UserCode = user.code;
    state.Password = user.password;
    state.ConnectionString = server.connectionString();
    state.Unencrypted = true;
}

LiveLink::~LiveLink() {
    link.DisconnectServer();
}

QString LiveLink::commandLine(const DemoUser& user, const QString& host) const {
    return u"%1 %2 %3 %4 %5 %6 VENTOR"_s.arg(DemoFirma, DemoFiliale, user.code, user.password, host)
        .arg(port);
}

bool LiveLink::login(const DemoUser& user, const QString& host) {
    return cacheapi::LoginUser(link, commandLine(user, host));
}

QString LiveLink::command(const QString& text) {
    bool error = false;
    const QString reply = link.ExecuteCommand(text, error);
    return error ? u"<error>"_s : reply;
}

void LiveLink::transport(const QString& connection, const QString& certificate) {
    using namespace settings::keys;
    store.write(CacheLogin, Login, Verbindung, connection);
    store.write(CacheLogin, Login, Zertifikat, certificate);
}

} // namespace testsupport
