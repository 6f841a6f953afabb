// Prints caller-lookup (TELSU) figures of the VENTOR server: latency from one client,
// throughput with 1, 20 and 200 connections, and what the gateway costs compared with the same
// routine call made inside GT.M; then what a new connection costs (with the password or the
// session token), the password-hash check inside GT.M, and how long a refused login takes for
// a known and an unknown user; last the cost of a new connection and the lookup latency through
// TLS, beside the same figures over plain TCP.
#include "../common/figures.h"
#include "testserver.h"
#include "win1252.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslSocket>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <utility>
#include <vector>

using namespace cacheapi;
using namespace context;
using namespace testsupport;

namespace {

QByteArray lookupRequest(const QString& number) {
    return bench::frame(QByteArrayLiteral("XVX.Windows") + '\0' +
                        toWindows1252(QStringLiteral("D TELSU^RUFAP(\"%1\")").arg(number)));
}

// One closed-loop client connection: sends the next lookup as soon as the reply is complete.
class LoadClient {
public:
    LoadClient(const QStringList& numbers, int offset) : numbers_(numbers), next_(offset) {}

    bool connectTo(quint16 port) {
        socket_.connectToHost(QHostAddress::LocalHost, port);
        if (!socket_.waitForConnected(5000))
            return false;
        socket_.setSocketOption(QAbstractSocket::LowDelayOption, 1);
        socket_.write(bench::frame(QByteArray("H1\0MEIER\0telefon", 16)));
        return waitReply(15000);
    }
    void start() {
        QObject::connect(&socket_, &QTcpSocket::readyRead, [this] { onData(); });
        send();
    }
    void stop() { running_ = false; }
    qint64 completed() const { return completed_; }

private:
    bool waitReply(int ms) {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < ms) {
            if (takeFrame())
                return true;
            socket_.waitForReadyRead(100);
        }
        return false;
    }
    bool takeFrame() {
        buffer_.append(socket_.readAll());
        if (buffer_.size() < 4)
            return false;
        const auto b = [&](int i) { return quint32(static_cast<unsigned char>(buffer_[i])); };
        const qsizetype length = qsizetype(b(0) << 24 | b(1) << 16 | b(2) << 8 | b(3));
        if (buffer_.size() < 4 + length)
            return false;
        buffer_.remove(0, 4 + length);
        return true;
    }
    void onData() {
        while (takeFrame()) {
            ++completed_;
            if (running_)
                send();
        }
    }
    void send() {
        socket_.write(lookupRequest(numbers_.at(next_++ % numbers_.size())));
        socket_.flush();
    }

    QTcpSocket socket_;
    QByteArray buffer_;
    const QStringList& numbers_;
    int next_;
    qint64 completed_ = 0;
    bool running_ = true;
};

struct Throughput {
    double perSecond = 0;
    double connectSeconds = 0;
    int connections = 0;
};

Throughput measureThroughput(quint16 port, const QStringList& numbers, int connections,
                             int seconds) {
    Throughput result;
    std::vector<std::unique_ptr<LoadClient>> clients;
    QElapsedTimer connecting;
    connecting.start();
    for (int i = 0; i < connections; ++i) {
        auto client = std::make_unique<LoadClient>(numbers, i * 37);
        if (!client->connectTo(port)) {
            std::fprintf(stderr, "connection %d failed\n", i + 1);
            break;
        }
        clients.push_back(std::move(client));
    }
    result.connectSeconds = connecting.elapsed() / 1000.0;
    result.connections = int(clients.size());
    for (auto& c : clients)
        c->start();
    // A short warm-up, then the measured interval.
    QEventLoop loop;
    QTimer::singleShot(500, &loop, &QEventLoop::quit);
    loop.exec();
    qint64 before = 0;
    for (auto& c : clients)
        before += c->completed();
    QElapsedTimer measured;
    measured.start();
    QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
    loop.exec();
    qint64 after = 0;
    for (auto& c : clients)
        after += c->completed();
    result.perSecond = double(after - before) / (measured.elapsed() / 1000.0);
    for (auto& c : clients)
        c->stop();
    return result;
}

// Round trips of single lookups through the program's connection (TcpFactory), appended to
// `micros`; `from` is the first of the sample's numbers to ask for.
void timeLookups(Factory& factory, const QStringList& numbers, int from, int count, int& found,
                 std::vector<double>& micros) {
    QElapsedTimer clock;
    for (int i = from; i < from + count; ++i) {
        const QString command =
            QStringLiteral("D TELSU^RUFAP(\"%1\")").arg(numbers.at(i % numbers.size()));
        ServerError error;
        clock.start();
        auto object = factory.New(QStringLiteral("VX.Windows"), error);
        const CallResult reply = object->Xecute(command);
        object->SYS_Close();
        micros.push_back(clock.nsecsElapsed() / 1000.0);
        if (reply.ok && !reply.value.section(FieldSeparator, 0, 0).isEmpty())
            ++found;
    }
}

std::unique_ptr<Factory> connectedFactory(const TestServer& server, const TcpTransport& transport) {
    auto factory = TestServer::factoryFor(DemoMeier, 30000, transport);
    return factory->Connect(server.connectionString()) ? std::move(factory) : nullptr;
}

std::vector<double> measureLatency(const TestServer& server, const QStringList& numbers,
                                   int requests, int& found) {
    std::vector<double> micros;
    if (auto factory = connectedFactory(server, TestServer::PlainTransport))
        timeLookups(*factory, numbers, 0, requests, found, micros);
    return micros;
}

// New connections of the program's link, each up to the answered login, in milliseconds.
std::vector<double> measureConnects(const TestServer& server, const TcpTransport& transport,
                                    int count) {
    std::vector<double> millis;
    QElapsedTimer clock;
    for (int i = 0; i < count; ++i) {
        auto factory = TestServer::factoryFor(DemoMeier, 30000, transport);
        clock.start();
        const bool up = factory->Connect(server.connectionString());
        const double ms = clock.nsecsElapsed() / 1e6;
        factory->Disconnect();
        if (!up) {
            std::fprintf(stderr, "connection %d failed: %s\n", i + 1,
                         qPrintable(factory->refusal()));
            break;
        }
        millis.push_back(ms);
    }
    return millis;
}

// A blocking connection for the login figures; over TLS 1.3 when given the server's certificate.
class LoginClient {
public:
    explicit LoginClient(const QString& certificate = {}) : tls_(!certificate.isEmpty()) {
        if (!tls_)
            return;
        QSslConfiguration config = socket_.sslConfiguration();
        config.setProtocol(QSsl::TlsV1_3);
        config.setCaCertificates(QSslCertificate::fromPath(certificate));
        socket_.setSslConfiguration(config);
    }
    bool connectTo(quint16 port) {
        if (tls_)
            socket_.connectToHostEncrypted(QStringLiteral("127.0.0.1"), port);
        else
            socket_.connectToHost(QHostAddress::LocalHost, port);
        if (!(tls_ ? socket_.waitForEncrypted(5000) : socket_.waitForConnected(5000)))
            return false;
        socket_.setSocketOption(QAbstractSocket::LowDelayOption, 1);
        return true;
    }
    // The reply payload, empty when none came.
    QByteArray ask(const QByteArray& payload) {
        socket_.write(bench::frame(payload));
        QByteArray buffer;
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 15000) {
            buffer += socket_.readAll();
            if (buffer.size() >= 4) {
                const auto b = [&](int i) {
                    return quint32(static_cast<unsigned char>(buffer[i]));
                };
                const qsizetype n = qsizetype(b(0) << 24 | b(1) << 16 | b(2) << 8 | b(3));
                if (buffer.size() >= 4 + n)
                    return buffer.mid(4, n);
            }
            if (socket_.state() != QAbstractSocket::ConnectedState)
                break;
            socket_.waitForReadyRead(50);
        }
        return {};
    }

private:
    QSslSocket socket_;
    bool tls_;
};

QByteArray login(char type, const QByteArray& user, const QByteArray& secret) {
    return type + QByteArray("1") + '\0' + user + '\0' + secret;
}

// A fresh session of Meier's, taken after any password rounds: a user keeps only their newest
// sessions.
QByteArray sessionToken(quint16 port, const QString& certificate = {}) {
    LoginClient client(certificate);
    return client.connectTo(port) ? client.ask(login('H', "MEIER", "telefon")).mid(1)
                                  : QByteArray();
}

// Connect (with the TLS handshake when given the certificate), log in (password or token) and
// run one lookup, each on a new connection.
std::vector<double> measureNewConnections(quint16 port, const QByteArray& hello, int rounds,
                                          const QString& certificate = {}) {
    std::vector<double> millis;
    const QByteArray lookup = lookupRequest(QStringLiteral("030123456")).mid(4);
    QElapsedTimer clock;
    for (int i = 0; i < rounds; ++i) {
        clock.start();
        LoginClient client(certificate);
        if (!client.connectTo(port) || !client.ask(hello).startsWith('R') ||
            !client.ask(lookup).startsWith('R'))
            break;
        millis.push_back(clock.nsecsElapsed() / 1e6);
    }
    return millis;
}

void printMillis(const char* what, const std::vector<double>& millis) {
    std::printf("%s (%zu): p10 %.2f ms, p50 %.2f ms, p90 %.2f ms, p99 %.2f ms\n", what,
                millis.size(), bench::percentile(millis, 0.10), bench::percentile(millis, 0.50),
                bench::percentile(millis, 0.90), bench::percentile(millis, 0.99));
}

// New connections and lookups over plain TCP and through TLS, to two servers with the same data.
// Both are measured in alternating blocks: on a shared machine whose speed drifts, each pair of
// blocks meets the same conditions.
bool compareWithTls(const TestServer& plain, const TestServer& tls, const QStringList& numbers,
                    int requests) {
    constexpr int ConnectBlocks = 10, ConnectsPerBlock = 10, LookupsPerBlock = 500;
    const TcpTransport tlsTransport{true, tls.certificatePath()};
    std::vector<double> plainConnects, tlsConnects;
    for (int i = 0; i < ConnectBlocks; ++i) {
        const std::vector<double> p =
            measureConnects(plain, TestServer::PlainTransport, ConnectsPerBlock);
        const std::vector<double> t = measureConnects(tls, tlsTransport, ConnectsPerBlock);
        plainConnects.insert(plainConnects.end(), p.begin(), p.end());
        tlsConnects.insert(tlsConnects.end(), t.begin(), t.end());
    }
    const std::vector<double> tlsPassword = measureNewConnections(
        tls.port(), login('H', "MEIER", "telefon"), 300, tls.certificatePath());
    const QByteArray token = sessionToken(tls.port(), tls.certificatePath());
    const std::vector<double> tlsToken =
        measureNewConnections(tls.port(), login('T', "MEIER", token), 300, tls.certificatePath());
    const auto plainLink = connectedFactory(plain, TestServer::PlainTransport);
    const auto tlsLink = connectedFactory(tls, tlsTransport);
    if (!plainLink || !tlsLink || tlsConnects.empty() || tlsToken.empty())
        return false;
    std::vector<double> plainMicros, tlsMicros;
    int plainFound = 0, tlsFound = 0;
    for (int from = 0; from < requests; from += LookupsPerBlock) {
        const int count = std::min(LookupsPerBlock, requests - from);
        timeLookups(*plainLink, numbers, from, count, plainFound, plainMicros);
        timeLookups(*tlsLink, numbers, from, count, tlsFound, tlsMicros);
    }
    printMillis("new connection, TLS 1.3 handshake, password login and one lookup", tlsPassword);
    printMillis("new connection, TLS 1.3 handshake, token login and one lookup (target p50 <= 5 "
                "ms)",
                tlsToken);
    std::printf(
        "new connection with login, plain TCP and TLS 1.3 in alternating blocks (%zu, %zu): "
        "p50 %.2f / %.2f ms, p99 %.2f / %.2f ms (target TLS p50 <= 5 ms)\n",
        plainConnects.size(), tlsConnects.size(), bench::percentile(plainConnects, 0.50),
        bench::percentile(tlsConnects, 0.50), bench::percentile(plainConnects, 0.99),
        bench::percentile(tlsConnects, 0.99));
    const double plainP50 = bench::percentile(plainMicros, 0.50);
    const double tlsP50 = bench::percentile(tlsMicros, 0.50);
    std::printf("TELSU over plain TCP and through TLS in alternating blocks of %d (%zu lookups "
                "each, %d / %d found): p50 %.0f / %.0f us, p90 %.0f / %.0f us, p99 %.0f / %.0f "
                "us; TLS / plain p50 %.2f (target <= 1.3)\n",
                LookupsPerBlock, tlsMicros.size(), plainFound, tlsFound, plainP50, tlsP50,
                bench::percentile(plainMicros, 0.90), bench::percentile(tlsMicros, 0.90),
                bench::percentile(plainMicros, 0.99), bench::percentile(tlsMicros, 0.99),
                plainP50 > 0 ? tlsP50 / plainP50 : 0.0);
    return true;
}

// Refused logins on one connection, a known and an unknown user in turn so that both meet the
// same load; the failure counts are cleared before they slow the guesses down.
std::pair<std::vector<double>, std::vector<double>>
measureRefusedLogins(const TestServer& server, const QList<QByteArray>& known,
                     const QList<QByteArray>& unknown, int rounds) {
    std::pair<std::vector<double>, std::vector<double>> millis;
    LoginClient client;
    if (!client.connectTo(server.port()))
        return millis;
    QElapsedTimer clock;
    for (int i = 0; i < rounds; ++i) {
        if (i % 4 == 0)
            server.mumpsRun(QStringLiteral("K ^VXSEC(\"F\")"));
        const QByteArray password = "falsch" + QByteArray::number(i);
        clock.start();
        client.ask(login('H', known.at(i % known.size()), password));
        millis.first.push_back(clock.nsecsElapsed() / 1e6);
        clock.start();
        client.ask(login('H', unknown.at(i % unknown.size()), password));
        millis.second.push_back(clock.nsecsElapsed() / 1e6);
    }
    return millis;
}

void loginFigures(const TestServer& server) {
    printMillis("new connection with password, login and one lookup",
                measureNewConnections(server.port(), login('H', "MEIER", "telefon"), 300));
    printMillis("new connection with session token, login and one lookup",
                measureNewConnections(server.port(),
                                      login('T', "MEIER", sessionToken(server.port())), 300));
    const double hashMicros =
        server
            .mumpsRun(QStringLiteral("S H=$P(^VXPERS(1,\"MEIER\"),\"`\",5),T=$ZUT "
                                     "F I=1:1:200 S X=$$MATCH^VXOBJ(\"telefon\",H)"
                                     " W:I=200 $ZUT-T/200"))
            .toDouble();
    std::printf("password-hash check inside GT.M: %.2f ms\n", hashMicros / 1000.0);
    const QStringList staff =
        server.mumpsRun(QStringLiteral("S U=\"\" F I=1:1:40 S U=$O(^VXPERS(1,U)) Q:U=\"\"  W U,!"))
            .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QList<QByteArray> known, unknown;
    for (const QString& code : staff) {
        known << toWindows1252(code);
        unknown << toWindows1252(code) + "QX";
    }
    const auto [knownMillis, unknownMillis] = measureRefusedLogins(server, known, unknown, 400);
    printMillis("refused login, known user", knownMillis);
    printMillis("refused login, unknown user", unknownMillis);
    std::printf("difference of the medians: %.3f ms (target within 1 ms)\n",
                bench::percentile(knownMillis, 0.5) - bench::percentile(unknownMillis, 0.5));
    server.mumpsRun(QStringLiteral("K ^VXSEC(\"F\")"));
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCommandLineParser options;
    options.setApplicationDescription(QStringLiteral("TELSU figures of the VENTOR server"));
    options.addHelpOption();
    options.addOption({QStringLiteral("customers"), QStringLiteral("customers to generate"),
                       QStringLiteral("n"), QStringLiteral("10000")});
    options.addOption({QStringLiteral("dir"),
                       QStringLiteral("lasting database directory (made when missing)"),
                       QStringLiteral("path")});
    options.addOption({QStringLiteral("requests"), QStringLiteral("lookups for the latency"),
                       QStringLiteral("n"), QStringLiteral("20000")});
    options.addOption({QStringLiteral("seconds"), QStringLiteral("seconds per throughput run"),
                       QStringLiteral("n"), QStringLiteral("5")});
    options.process(app);
    const int customers = options.value(QStringLiteral("customers")).toInt();
    const int requests = options.value(QStringLiteral("requests")).toInt();
    const int seconds = options.value(QStringLiteral("seconds")).toInt();

    TestServer server;
    // Room for the 200 connections of the throughput run.
    server.setStartOptions({QStringLiteral("--max-per-address"), QStringLiteral("250"),
                            QStringLiteral("--max-connections"), QStringLiteral("300")});
    QElapsedTimer preparing;
    preparing.start();
    const bool up = options.isSet(QStringLiteral("dir"))
                        ? server.startIn(options.value(QStringLiteral("dir")), customers)
                        : server.start(customers);
    if (!up) {
        std::fprintf(stderr, "server did not start: %s\n", qPrintable(server.errorText()));
        return 1;
    }
    std::printf("server with %s customers ready in %.1f s (port %u)\n",
                qPrintable(server.mumpsQuery(QStringLiteral("$G(^VXPAR(\"KUNDEN\"),\"?\")"))),
                preparing.elapsed() / 1000.0, server.port());

    // A sample of stored numbers, and the same lookups timed inside GT.M.
    server.mumpsRun(
        QStringLiteral(
            "K ^VXBENCH S N=$G(^VXPAR(\"KUNDEN\"),%1),C=0 F I=1:1:2000 S A=\"K\"_(100000+$R(N)),"
            "X=$$NORM^VXUTIL($$FIRST^VXTEL(A,\"T\")) S:X'=\"\" C=C+1,^VXBENCH(C)=X")
            .arg(customers));
    const double insideMicros =
        server
            .mumpsRun(QStringLiteral("M S=^VXBENCH S C=$O(S(\"\"),-1),FIRMA=1,PERSONAL=\"MEIER\","
                                     "R=%1,T=$ZUT F J=1:1:R+1 W:J>R $ZUT-T/R Q:J>R  "
                                     "S Y=$$TELSU^RUFAP(S(J#C+1))")
                          .arg(requests))
            .toDouble();
    // The gateway's own work without the wire: the same lookups as whole request frames through
    // its request handling (parsing, checks, dispatch, reply), in one process.
    const double gatewayMicros =
        server
            .mumpsRun(
                QStringLiteral("M S=^VXBENCH S C=$O(S(\"\"),-1),FIRMA=1,PERSONAL=\"MEIER\",FIL=0,"
                               "VXS(\"AUTH\")=1,VXS(\"FIRMA\")=1,VXS(\"USER\")=\"MEIER\","
                               "P=\"XVX.Windows\"_$C(0)_\"D TELSU^RUFAP(\"\"\",Q=\"\"\")\" "
                               "S R=%1,T=$ZUT F J=1:1:R+1 W:J>R $ZUT-T/R Q:J>R  "
                               "S Y=$$HANDLE^VXGW(P_S(J#C+1)_Q)")
                    .arg(requests))
            .toDouble();
    const QStringList numbers =
        server.mumpsRun(QStringLiteral("S J=\"\" F  S J=$O(^VXBENCH(J)) Q:J=\"\"  W ^VXBENCH(J),!"))
            .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    server.mumpsRun(QStringLiteral("K ^VXBENCH"));
    if (numbers.isEmpty() || insideMicros <= 0) {
        std::fprintf(stderr, "sampling failed\n");
        return 1;
    }

    int found = 0;
    const std::vector<double> latency = measureLatency(server, numbers, requests, found);
    double sum = 0;
    for (double v : latency)
        sum += v;
    const double mean = latency.empty() ? 0 : sum / double(latency.size());
    std::printf("TELSU from one client (%zu lookups, %d found): p50 %.0f us, p99 %.0f us, "
                "mean %.0f us\n",
                latency.size(), found, bench::percentile(latency, 0.50),
                bench::percentile(latency, 0.99), mean);
    std::printf("TELSU inside GT.M ($$TELSU^RUFAP in one process): %.1f us per call\n",
                insideMicros);
    std::printf("TELSU request frames through the gateway's handling in one process: %.1f us per "
                "request (%.2f x the routine alone)\n",
                gatewayMicros, insideMicros > 0 ? gatewayMicros / insideMicros : 0.0);
    if (insideMicros > 0)
        std::printf("gateway cost ratio (client round trip / call inside GT.M): %.1f (p50), "
                    "%.1f (mean)\n",
                    bench::percentile(latency, 0.50) / insideMicros, mean / insideMicros);

    for (int connections : {1, 20, 200}) {
        const Throughput t = measureThroughput(server.port(), numbers, connections, seconds);
        std::printf("throughput with %3d connections: %8.0f lookups/s (%d connected in %.2f s)\n",
                    connections, t.perSecond, t.connections, t.connectSeconds);
    }
    loginFigures(server);
    // The same data behind TLS, in a second server beside the first (with --dir, in DIR-tls).
    TestServer tlsServer;
    tlsServer.setTls(true);
    const bool tlsUp =
        options.isSet(QStringLiteral("dir"))
            ? tlsServer.startIn(options.value(QStringLiteral("dir")) + QStringLiteral("-tls"),
                                customers)
            : tlsServer.start(customers);
    if (!tlsUp)
        std::fprintf(stderr, "TLS server did not start: %s\n", qPrintable(tlsServer.errorText()));
    const bool tlsMeasured = tlsUp && compareWithTls(server, tlsServer, numbers, requests);
    tlsServer.stop();
    server.stop();
    return tlsMeasured ? 0 : 1;
}
