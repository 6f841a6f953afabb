#include "testserver.h"

#include "win1252.h"

#include <QFileInfo>
#include <QProcess>
#include <QTcpServer>
#include <QTemporaryDir>

namespace testsupport {

namespace {
constexpr int ScriptTimeoutMs = 120000;
constexpr int GenerateTimeoutMs = 1800000;
} // namespace

quint16 freeLoopbackPort() {
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        return 0;
    return probe.serverPort();
}

TestServer::TestServer() = default;

TestServer::~TestServer() {
    stop();
}

QString TestServer::dataDir() const {
    return !lastingDir_.isEmpty() ? lastingDir_
           : dir_                 ? dir_->filePath(QStringLiteral("db"))
                                  : QString();
}

QString TestServer::connectionString() const {
    return QStringLiteral("cn_iptcp:127.0.0.1[%1]:VENTOR").arg(port_);
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
        error_ = QStringLiteral("ventor-server %1: %2")
                     .arg(arguments.join(QLatin1Char(' ')), QString::fromLocal8Bit(bytes));
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
        error_ = QStringLiteral("no temporary directory");
        return false;
    }
    return prepare(customers);
}

bool TestServer::startIn(const QString& lastingDir, int customers) {
    stop();
    dir_.reset();
    lastingDir_ = lastingDir;
    if (QFileInfo::exists(lastingDir + QStringLiteral("/ventor.dat"))) {
        port_ = freeLoopbackPort();
        return restart();
    }
    return prepare(customers);
}

bool TestServer::prepare(int customers) {
    if (!runScript({QStringLiteral("create"), dataDir()}, ScriptTimeoutMs) ||
        !runScript({QStringLiteral("generate"), dataDir(), QStringLiteral("--customers"),
                    QString::number(customers)},
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
            QStringList{QStringLiteral("start"), dataDir(), QString::number(port_)} + startOptions_;
        if (!tls_)
            arguments << QStringLiteral("--plain");
        if (runScript(arguments, ScriptTimeoutMs)) {
            started_ = true;
            return true;
        }
        if (!error_.contains(QStringLiteral("did not come up")) &&
            !error_.contains(QStringLiteral("listener ended")))
            return false;
        port_ = freeLoopbackPort();
    }
    return false;
}

void TestServer::stop() {
    if (!dataDir().isEmpty() && started_)
        runScript({QStringLiteral("stop"), dataDir()}, ScriptTimeoutMs);
    started_ = false;
}

void TestServer::killAll() {
    if (!dataDir().isEmpty())
        runScript({QStringLiteral("kill"), dataDir()}, ScriptTimeoutMs);
}

bool TestServer::check(QString* report) const {
    return !dataDir().isEmpty() &&
           runScript({QStringLiteral("check"), dataDir()}, ScriptTimeoutMs, report);
}

QString TestServer::mumpsRun(const QString& commands) const {
    QString output;
    if (!dataDir().isEmpty())
        runScript({QStringLiteral("mumps"), dataDir(), QStringLiteral("-run"),
                   QStringLiteral("%XCMD"), commands},
                  ScriptTimeoutMs, &output);
    return output;
}

QString TestServer::mumpsQuery(const QString& expression) const {
    const bool global = expression.startsWith(QLatin1Char('^'));
    QString output = mumpsRun(QString::fromLatin1(global ? "W $G(%1)" : "W %1").arg(expression));
    return output.endsWith(QLatin1Char('\n')) ? output.chopped(1) : output;
}

QString TestServer::certificatePath() const {
    return dataDir() + QStringLiteral("/tls/server.crt");
}

std::unique_ptr<cacheapi::Factory> TestServer::factoryFor(const DemoUser& user, int replyTimeoutMs,
                                                          const cacheapi::TcpTransport& transport) {
    return factoryFor(cacheapi::TcpCredentials{DemoFirma, user.code, user.password}, replyTimeoutMs,
                      transport);
}

std::unique_ptr<cacheapi::Factory> TestServer::factoryFor(const cacheapi::TcpCredentials& who,
                                                          int replyTimeoutMs,
                                                          const cacheapi::TcpTransport& transport) {
    return cacheapi::makeTcpFactory([who] { return who; }, replyTimeoutMs, nullptr, transport);
}

int TestServer::journalCount(const QString& user, int kind) const {
    return mumpsQuery(QStringLiteral("+$G(^VXJOUR(%1,\"%2\",%3))").arg(DemoFirma, user).arg(kind))
        .trimmed()
        .toInt();
}

QString TestServer::newestJournalField(const QString& user, int kind, int piece) const {
    const QString node = QStringLiteral("^VXJOUR(%1,\"%2\",%3").arg(DemoFirma, user).arg(kind);
    return mumpsQuery(QStringLiteral("$P($G(%1,+$G(%1)))),\"`\",%2)").arg(node).arg(piece))
        .trimmed();
}

} // namespace testsupport
