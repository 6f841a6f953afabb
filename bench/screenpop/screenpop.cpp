// Screen-pop latency: from the line's call-offered event to the filled customer panel of the
// main window, against a real VENTOR server with a given number of customers.
//   screenpop [--customers N] [--rounds R]
// Prints p50 and p99 for a caller found by the first lookup request and for an unknown caller
// (all four requests).
#include "../common/figures.h"
#include "numberops.h"
#include "serverfixture.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QLineEdit>
#include <algorithm>
#include <cstdio>

namespace {

struct Figures {
    double p50 = 0, p99 = 0, max = 0;
};

Figures percentiles(std::vector<double> ms) {
    return {bench::percentile(ms, 0.50), bench::percentile(ms, 0.99), bench::percentile(ms, 1.0)};
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(bench::quietRaise);
    QApplication app(argc, argv);
    QCommandLineParser options;
    options.addOption({"customers", "Customers in the generated database.", "N", "10000"});
    options.addOption({"rounds", "Calls per case.", "R", "200"});
    options.addHelpOption();
    options.process(app);
    const int customers = options.value("customers").toInt();
    const int rounds = std::max(1, options.value("rounds").toInt());

    testsupport::TestServer server;
    QElapsedTimer setup;
    setup.start();
    if (!server.start(customers)) {
        std::fprintf(stderr, "server: %s\n", qPrintable(server.errorText()));
        return 1;
    }
    std::printf("server with %d customers ready in %.1f s\n", customers, setup.elapsed() / 1000.0);

    ServerFixture f(server);
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

    std::printf("screen pop, %d calls each (ms from call offered to filled panel)\n", rounds);
    std::printf("  known caller, found by the first request%s:  p50 %.2f  p99 %.2f  max %.2f\n",
                firstHits ? "" : " (NOT first)", found.p50, found.p99, found.max);
    std::printf("  unknown caller, four requests:            p50 %.2f  p99 %.2f  max %.2f\n",
                missing.p50, missing.p99, missing.max);
    if (!allRight) {
        std::fprintf(stderr, "the panel did not show the expected account\n");
        return 1;
    }
    return 0;
}
