// Time from the SIP peer's INVITE to the SIP line's callOffered event, on loopback in a private
// network namespace, for several timer intervals of the line.
#include "../common/figures.h"
#include "privatenetwork.h"
#include "sipline.h"
#include "sippeer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

bool waitUntil(const std::function<bool()>& condition) {
    return QTest::qWaitFor(condition, 10000);
}

// One round: ring, take the time at callOffered, caller hangs up, both back to idle.
std::vector<double> measure(int tickMs, int rounds, const QString& dir) {
    line::LineConfig config;
    config.type = line::LineConfig::Type::Sip;
    config.sipMode = line::LineConfig::SipMode::PeerToPeer;
    config.sipServer = QStringLiteral("127.0.0.1:5080");
    config.sipBindAddress = QStringLiteral("127.0.0.1");
    config.sipPort = 5070;
    config.dataDir = dir + QStringLiteral("/line");
    line::SipLine sipLine(config);
    sipLine.setTickInterval(tickMs);
    line::SipPeer::Options options;
    options.dataDir = dir + QStringLiteral("/peer");
    line::SipPeer peer(options);

    QElapsedTimer clock;
    double offeredAfter = -1;
    bool idle = false;
    QObject::connect(&sipLine, &line::Line::callOffered,
                     [&] { offeredAfter = double(clock.nsecsElapsed()) / 1e6; });
    QObject::connect(&sipLine, &line::Line::lineIdle, [&] { idle = true; });
    sipLine.open();
    if (!sipLine.isOpen() || !peer.start()) {
        std::fprintf(stderr, "SIP line or peer did not start\n");
        return {};
    }
    std::vector<double> times;
    for (int round = 0; round < rounds + 2; ++round) {
        offeredAfter = -1;
        idle = false;
        clock.start();
        peer.ring(QStringLiteral("127.0.0.1:5070"), QStringLiteral("03012345"));
        if (!waitUntil([&] { return offeredAfter >= 0; }))
            break;
        if (round >= 2) // the first calls warm the stacks up
            times.push_back(offeredAfter);
        peer.hangUp();
        if (!waitUntil([&] { return idle && !peer.inCall(); }))
            break;
    }
    return times;
}

} // namespace

int main(int argc, char** argv) {
    const QString isolation = line::enterPrivateNetwork(argc, argv);
    QCoreApplication app(argc, argv);
    if (!isolation.isEmpty()) {
        std::printf("skipped: no private network namespace: %s\n", qPrintable(isolation));
        return 0;
    }
    const int rounds = argc > 1 ? std::max(5, atoi(argv[1])) : 40;
    QTemporaryDir dir;
    std::printf("INVITE to callOffered on loopback, %d calls per row (ms)\n", rounds);
    std::printf("%-10s %8s %8s %8s %8s\n", "tick", "p50", "p90", "min", "max");
    for (int tick : {5, 10, 20}) {
        const std::vector<double> t = measure(tick, rounds, dir.path());
        if (t.empty()) {
            std::printf("%-10d failed\n", tick);
            continue;
        }
        std::printf("%-10s %8.1f %8.1f %8.1f %8.1f\n", qPrintable(QString::number(tick) + " ms"),
                    bench::percentile(t, 0.5), bench::percentile(t, 0.9),
                    *std::min_element(t.begin(), t.end()), *std::max_element(t.begin(), t.end()));
    }
    return 0;
}
