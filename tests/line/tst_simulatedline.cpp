// The simulated line's event orders and call data, seen by the program's call session.
#include "sessiononline.h"
#include "simulatedline.h"

#include <QHash>
#include <QTest>
#include <functional>

using namespace Qt::StringLiterals;

using line::Line;
using line::SimulatedLine;
using State = SimulatedLine::State;
using testsupport::SessionOnLine;

class TestSimulatedLine : public QObject {
    Q_OBJECT

    std::unique_ptr<SimulatedLine> line;
    std::unique_ptr<SessionOnLine> watcher;

private slots:
    void init() {
        line = std::make_unique<SimulatedLine>();
        line->setIncomingPrefix(u"0"_s);
        watcher = std::make_unique<SessionOnLine>(*line);
        line->open();
        watcher->clear();
    }
    void cleanup() {
        watcher.reset();
        line.reset();
    }

    void openingReportsTheIdleLineOnce() {
        SimulatedLine fresh;
        SessionOnLine w(fresh);
        QVERIFY(!fresh.isOpen());
        QVERIFY(!fresh.ring(u"03012345"_s));
        fresh.setNumber(u"0123"_s);
        fresh.makeCall();
        QVERIFY(w.events.isEmpty());
        fresh.open();
        fresh.open();
        QCOMPARE(w.events, QStringList{u"lineIdleAgain"_s});
        QVERIFY(fresh.isOpen());
        QCOMPARE(w.session.lineState(), telefon::CallSession::LineState::Ready);
    }

    // Each call is played step by step: "ring N", "call N", or an action of either side.
    void callEventOrders_data() {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QStringList>("events");
        QTest::addColumn<QString>("journal"); // "number kind", empty for none
        const QStringList answered{"callOffered", "connected", "disconnected", "lineIdle"};
        const QStringList missed{"callOffered", "callEnded", "disconnected", "lineIdle"};
        const QStringList notTaken{"dialTone", "dialling", "disconnected", "lineIdle"};
        auto row = [](const char* name, const QString& steps, const QStringList& events,
                      const QString& journal) {
            QTest::newRow(name) << steps.split(' ') << events << journal;
        };
        row("answered, caller hangs up", "ring 03012345 answer remoteHangUp", answered,
            "03012345 3");
        row("answered, program drops", "ring 03012345 answer drop drop", answered, "03012345 3");
        row("caller gives up", "ring 0891234 remoteHangUp", missed, "0891234 5");
        row("rejected", "ring 0891234 reject", missed, "0891234 5");
        row("dropped", "ring 0891234 drop", missed, "0891234 5");
        row("outgoing answered", "call 03012345 remoteAnswer remoteHangUp",
            {"dialTone", "dialling", "connected", "disconnected", "lineIdle"}, "3012345 4");
        row("outgoing busy", "call 0555 remoteBusy", notTaken, "");
        row("outgoing declined", "call 0555 remoteDecline", notTaken, "");
        row("outgoing dropped while ringing", "call 0555 drop", notTaken, "");
    }
    void callEventOrders() {
        QFETCH(QStringList, steps);
        QFETCH(QStringList, events);
        QFETCH(QString, journal);
        SimulatedLine& l = *line;
        const QHash<QString, std::function<bool()>> actions{
            {"answer", [&] { return l.answer(), true; }},
            {"reject", [&] { return l.reject(), true; }},
            {"drop", [&] { return l.drop(), true; }},
            {"remoteAnswer", [&] { return l.remoteAnswer(); }},
            {"remoteHangUp", [&] { return l.remoteHangUp(); }},
            {"remoteBusy", [&] { return l.remoteBusy(); }},
            {"remoteDecline", [&] { return l.remoteDecline(); }}};
        for (int i = 0; i < steps.size(); ++i) {
            if (steps[i] == "ring") {
                QVERIFY(l.ring(steps[++i]));
            } else if (steps[i] == "call") {
                l.setNumber(steps[++i]);
                l.makeCall();
            } else {
                QVERIFY2(actions.value(steps[i])(), qPrintable(steps[i]));
            }
        }
        QCOMPARE(watcher->events, events);
        QCOMPARE(watcher->journal(), journal.isEmpty() ? QStringList() : QStringList{journal});
        QCOMPARE(watcher->session.statusText(), u"Bereit"_s);
        QCOMPARE(line->state(), State::Idle);
    }

    void callDataOfAnIncomingCall() {
        QVERIFY(line->ring(u"03012345"_s));
        QCOMPARE(line->state(), State::Offered);
        QCOMPARE(line->callerIdFlags() & Line::CallerIdNumberPresent, Line::CallerIdNumberPresent);
        QCOMPARE(line->callerNumber(), u"003012345"_s);
        QCOMPARE(line->callNumber(), u"003012345"_s);
        QCOMPARE(line->callOrigin(), Line::OriginIncoming);
        QCOMPARE(watcher->session.number(), u"03012345"_s);
        line->drop();
        line->ring(u"12"_s);
        QCOMPARE(line->callerNumber(), u"12"_s);
        QVERIFY(watcher->session.pendingCallerName()
                    .isEmpty()); // an internal call has no external number
    }

    void callerWithoutNumberLeavesTheWindowAlone_data() {
        QTest::addColumn<bool>("anonymous");
        QTest::newRow("anonymous") << true;
        QTest::newRow("number not flagged") << false;
    }
    void callerWithoutNumberLeavesTheWindowAlone() {
        QFETCH(bool, anonymous);
        watcher->session.setNumber(u"4711"_s);
        QVERIFY(anonymous ? line->ringAnonymous() : line->ringWithoutNumberFlag(u"03012345"_s));
        QCOMPARE(line->callerIdFlags() & Line::CallerIdNumberPresent, 0);
        QCOMPARE(line->callerNumber().isEmpty(), anonymous);
        QCOMPARE(watcher->session.number(), u"4711"_s);
        line->remoteHangUp();
        QCOMPARE(watcher->events,
                 (QStringList{"callOffered", "callEnded", "disconnected", "lineIdle"}));
        QVERIFY(watcher->journal().isEmpty());
    }

    void holdAndResumeGiveNoEvents() {
        line->setNumber(u"0555"_s);
        line->makeCall();
        line->remoteAnswer();
        watcher->clear();
        line->hold();
        QVERIFY(line->isHeld());
        line->unhold();
        QVERIFY(!line->isHeld());
        line->hold();
        QVERIFY(watcher->events.isEmpty());
        line->remoteHangUp(); // ended while held
        QCOMPARE(watcher->events, (QStringList{"disconnected", "lineIdle"}));
        QVERIFY(!line->isHeld());
    }

    void oneCallAtATime() {
        line->ring(u"0891234"_s);
        QVERIFY(!line->ring(u"0555555"_s));
        line->setNumber(u"0777"_s);
        line->makeCall();
        QCOMPARE(watcher->events, QStringList{"callOffered"});
        QVERIFY(!line->remoteAnswer()); // only a dialled call is answered by the other party
        QVERIFY(!line->remoteBusy());
        QCOMPARE(line->callerNumber(), u"00891234"_s);
    }

    void identifiedNumberReachesTheWindow() {
        QVERIFY(!line->identify(u"0301"_s));
        line->setNumber(u"0555"_s);
        line->makeCall();
        line->remoteAnswer();
        QVERIFY(line->identify(u"0301999"_s));
        QCOMPARE(line->identifiedNumber(), u"0301999"_s);
        QCOMPARE(watcher->events.last(), u"numberIdentified"_s);
        QCOMPARE(watcher->session.number(), u"301999"_s);
    }
};

QTEST_GUILESS_MAIN(TestSimulatedLine)
#include "tst_simulatedline.moc"
