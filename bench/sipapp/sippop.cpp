// Screen pop on a real SIP call: from the moment the peer sends its INVITE to the filled
// customer panel of the main window, logged in on a real VENTOR server. Runs in a private
// network namespace that has only loopback.
//   sippop [--calls N] [--customers N]
// Prints p50, p90 and max of the whole way and of its SIP part (INVITE to the line's
// call-offered event).
#include "../common/figures.h"
#include "privatenetwork.h"
#include "sipprogram.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

struct Figures {
    double p50 = 0, p90 = 0, max = 0;
};

Figures percentiles(std::vector<double> ms) {
    return {bench::percentile(ms, 0.50), bench::percentile(ms, 0.90), bench::percentile(ms, 1.0)};
}

struct Call {
    double offeredMs = -1; // INVITE sent to the line's call-offered event
    double panelMs = -1;   // INVITE sent to the window done with the offered call
    bool panelRight = false;
};

} // namespace

int main(int argc, char** argv) {
    const QString isolation = line::enterPrivateNetwork(argc, argv);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(bench::quietRaise);
    QApplication app(argc, argv);
    QCommandLineParser options;
    options.addOption({"calls", "Measured calls.", "N", "30"});
    options.addOption({"customers", "Customers in the generated database.", "N", "1000"});
    options.addHelpOption();
    options.process(app);
    const int calls = std::max(1, options.value("calls").toInt());
    const int customers = std::max(1, options.value("customers").toInt());
    if (!isolation.isEmpty()) {
        std::fprintf(stderr, "no private network namespace: %s\n", qPrintable(isolation));
        return 1;
    }

    testsupport::TestServer server;
    if (!server.start(customers)) {
        std::fprintf(stderr, "server: %s\n", qPrintable(server.errorText()));
        return 1;
    }
    QTemporaryDir dir;
    QElapsedTimer sinceInvite;
    Call current;
    QLineEdit* nr = nullptr;
    sipapp::SipProgram program(server, dir.path(), [&](line::Line& l) {
        QObject::connect(&l, &line::Line::callOffered,
                         [&] { current.offeredMs = double(sinceInvite.nsecsElapsed()) / 1e6; });
    });
    // Connected after the window: runs once the window has handled the offered call.
    QObject::connect(program.line.get(), &line::Line::callOffered, [&] {
        current.panelMs = double(sinceInvite.nsecsElapsed()) / 1e6;
        current.panelRight = nr->text() == testsupport::ShowcaseAccount;
    });
    const QString error = program.start();
    if (!error.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    nr = program.fm->findChild<QLineEdit*>(QStringLiteral("Nr"));

    const QString showcase = QStringLiteral("030123456");
    auto oneCall = [&]() -> bool {
        current = Call();
        if (!sipapp::runUntil([&] { return !program.peer->inCall(); }))
            return false;
        sinceInvite.start();
        if (!program.peer->ring(sipapp::LineAddress, showcase))
            return false;
        if (!sipapp::runUntil([&] { return current.panelMs >= 0; }))
            return false;
        program.peer->hangUp();
        return sipapp::runUntil(
            [&] { return program.fm->statusText() == u"Bereit" && !program.peer->inCall(); });
    };

    for (int i = 0; i < 3; ++i) // warm-up: server connection and SIP stacks busy once
        if (!oneCall()) {
            std::fprintf(stderr, "warm-up call %d did not complete\n", i + 1);
            return 1;
        }
    std::vector<double> offered, panel;
    bool allRight = true;
    for (int i = 0; i < calls; ++i) {
        if (!oneCall()) {
            std::fprintf(stderr, "call %d did not complete\n", i + 1);
            return 1;
        }
        offered.push_back(current.offeredMs);
        panel.push_back(current.panelMs);
        allRight = allRight && current.panelRight;
    }

    const Figures sip = percentiles(offered), whole = percentiles(panel);
    std::printf("SIP screen pop, %d calls, %d customers (ms from the peer's INVITE)\n", calls,
                customers);
    std::printf("  to the line's call-offered event:  p50 %7.2f  p90 %7.2f  max %7.2f\n", sip.p50,
                sip.p90, sip.max);
    std::printf("  to the filled customer panel:      p50 %7.2f  p90 %7.2f  max %7.2f\n", whole.p50,
                whole.p90, whole.max);
    if (!allRight) {
        std::fprintf(stderr, "the panel did not show the showcase customer\n");
        return 1;
    }
    return 0;
}
