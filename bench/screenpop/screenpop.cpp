// Screen-pop latency: from the line's call-offered event to the filled customer panel of the
// main window, against a real VENTOR server with a given number of customers.
//   screenpop [--customers N] [--rounds R] [--dir PATH]
// Prints p50 and p99 for a caller found by the first lookup request and for an unknown caller
// (all four requests), then where the time goes: the lookup through the server link without the
// window, and the bare round trip of an empty request on a plain socket (the wire).
#include "../common/figures.h"
#include "numberops.h"
#include "program.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTcpSocket>
#include <algorithm>
#include <cstdio>

namespace {

struct Figures {
    double p50 = 0, p99 = 0, max = 0;
};

Figures percentiles(std::vector<double> ms) {
    return {bench::percentile(ms, 0.50), bench::percentile(ms, 0.99), bench::percentile(ms, 1.0)};
}

template <typename Step> Figures timed(int calls, Step step) {
    std::vector<double> ms;
    QElapsedTimer clock;
    for (int i = 0; i < calls; ++i) {
        clock.start();
        step();
        ms.push_back(double(clock.nsecsElapsed()) / 1e6);
    }
    return percentiles(ms);
}

// One request on a blocking socket; false when no whole reply came.
bool roundTrip(QTcpSocket& socket, const QByteArray& request) {
    socket.write(request);
    socket.flush();
    QByteArray reply;
    while (reply.size() < 4 ||
           reply.size() < 4 + qsizetype(quint8(reply[3]) | quint8(reply[2]) << 8)) {
        if (!socket.waitForReadyRead(5000))
            return false;
        reply += socket.readAll();
    }
    return true;
}

// The wire alone: an empty request that the gateway answers without running a routine.
Figures bareRoundTrips(quint16 port, int calls, bool& ok) {
    QTcpSocket socket;
    socket.connectToHost(QStringLiteral("127.0.0.1"), port);
    ok = socket.waitForConnected(5000);
    socket.setSocketOption(QAbstractSocket::LowDelayOption, 1);
    ok = ok && roundTrip(socket, bench::frame(QByteArray("H1\0MEIER\0telefon", 16)));
    const QByteArray empty = bench::frame(QByteArray("XVX.Windows\0D ^%XTT", 19));
    for (int i = 0; ok && i < 50; ++i)
        ok = roundTrip(socket, empty);
    return timed(calls, [&] { ok = roundTrip(socket, empty) && ok; });
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(bench::quietRaise);
    QApplication app(argc, argv);
    QCommandLineParser options;
    options.addOption({"customers", "Customers in the generated database.", "N", "10000"});
    options.addOption({"rounds", "Calls per case.", "R", "200"});
    options.addOption({"dir", "Lasting database directory (made when missing).", "path"});
    options.addHelpOption();
    options.process(app);
    const int customers = options.value("customers").toInt();
    const int rounds = std::max(1, options.value("rounds").toInt());

    testsupport::TestServer server;
    QElapsedTimer setup;
    setup.start();
    const bool up = options.isSet("dir") ? server.startIn(options.value("dir"), customers)
                                         : server.start(customers);
    if (!up) {
        std::fprintf(stderr, "server: %s\n", qPrintable(server.errorText()));
        return 1;
    }
    std::printf("server with %d customers ready in %.1f s\n", customers, setup.elapsed() / 1000.0);

    testsupport::LiveProgram f(server);
    f.start();

    const QString known = QStringLiteral("030123456"); // the showcase customer's central number
    const QString unknown = QStringLiteral("0309999999");
    bool error = false;
    const QStringList candidates = telefon::LookupCandidates(known, f.params.LookupPrefix);
    const bool firstHits =
        !cacheapi::Piece(
             f.link.ExecuteCommand("D TELSU^RUFAP(\"" + candidates.value(0) + "\")", error),
             QChar('`'), 1)
             .isEmpty();

    bool allRight = true;
    auto run = [&](const QString& number, const QString& account, int calls) {
        std::vector<double> ms;
        QLineEdit* nr = f.fm->findChild<QLineEdit*>(QStringLiteral("Nr"));
        QElapsedTimer offered;
        for (int i = 0; i < calls; ++i) {
            // The line reports the offer inside ring(); the window's reaction runs in it.
            offered.start();
            f.line.ring(number);
            ms.push_back(double(offered.nsecsElapsed()) / 1e6);
            allRight = allRight && nr->text() == account;
            f.line.remoteHangUp();
        }
        return percentiles(ms);
    };
    run(known, testsupport::ShowcaseAccount, 10); // warm-up: connection open, database cached
    const Figures found = run(known, testsupport::ShowcaseAccount, rounds);
    const Figures missing = run(unknown, QString(), rounds);

    telefon::CustomerPanel panel;
    const Figures linkFound = timed(rounds, [&] {
        allRight = telefon::LookupCaller(f.link, f.params, known, panel) && allRight;
    });
    const Figures linkMissing = timed(rounds, [&] {
        allRight = !telefon::LookupCaller(f.link, f.params, unknown, panel) && allRight;
    });
    bool wireOk = false;
    const Figures wire = bareRoundTrips(server.port(), rounds, wireOk);

    auto print = [](const char* what, const Figures& v) {
        std::printf("  %-44s p50 %.3f  p99 %.3f  max %.3f\n", what, v.p50, v.p99, v.max);
    };
    std::printf("screen pop, %d calls each (ms from call offered to filled panel)\n", rounds);
    print(firstHits ? "known caller, found by the first request:" : "known caller (NOT first):",
          found);
    print("unknown caller, four requests:", missing);
    std::printf("the lookup alone through the server link (ms)\n");
    print("known caller, one request:", linkFound);
    print("unknown caller, four requests:", linkMissing);
    std::printf("the wire: an empty request on a plain socket (ms)\n");
    print("one round trip:", wire);
    if (!wireOk) {
        std::fprintf(stderr, "the bare round trips failed\n");
        return 1;
    }
    if (!allRight) {
        std::fprintf(stderr, "the panel did not show the expected account\n");
        return 1;
    }
    return 0;
}
