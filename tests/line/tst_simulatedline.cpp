#include "callwatcher.h"
#include "simulatedline.h"

#include <QTest>

using line::Line;
using line::SimulatedLine;
using State = SimulatedLine::State;
using Entry = CallWatcher::Entry;

class TestSimulatedLine : public QObject {
    Q_OBJECT

    std::unique_ptr<SimulatedLine> line;
    std::unique_ptr<CallWatcher> watcher;

private slots:
    void init() {
        line = std::make_unique<SimulatedLine>();
        line->setIncomingPrefix(QStringLiteral("0"));
        watcher = std::make_unique<CallWatcher>(*line);
        line->open();
        watcher->clear();
    }
    void cleanup() {
        watcher.reset();
        line.reset();
    }

    void openingReportsTheIdleLineOnce() {
        SimulatedLine fresh;
        CallWatcher w(fresh);
        QVERIFY(!fresh.isOpen());
        QVERIFY(!fresh.ring(QStringLiteral("03012345")));
        fresh.setNumber(QStringLiteral("0123"));
        fresh.makeCall();
        QVERIFY(w.events.isEmpty());
        fresh.open();
        fresh.open();
        QCOMPARE(w.events, QStringList{QStringLiteral("lineIdleAgain")});
        QVERIFY(fresh.isOpen());
        QCOMPARE(w.status, QStringLiteral("Bereit"));
    }

    void answeredIncomingCallIsJournalledAsKind3() {
        QVERIFY(line->ring(QStringLiteral("03012345")));
        QCOMPARE(line->state(), State::Offered);
        QCOMPARE(line->callerIdFlags() & Line::CallerIdNumberPresent, Line::CallerIdNumberPresent);
        QCOMPARE(line->callerNumber(), QStringLiteral("003012345"));
        QCOMPARE(line->callNumber(), QStringLiteral("003012345"));
        QCOMPARE(line->callOrigin(), Line::OriginIncoming);
        QCOMPARE(watcher->status, QStringLiteral("Income call"));
        QCOMPARE(watcher->numberField, QStringLiteral("03012345"));

        line->answer();
        QCOMPARE(line->state(), State::Connected);
        QCOMPARE(watcher->status, QStringLiteral("Verbunden"));
        QVERIFY(line->remoteHangUp());
        QCOMPARE(watcher->events,
                 (QStringList{"callOffered", "connected", "disconnected", "lineIdle"}));
        QCOMPARE(watcher->journal,
                 (QList<Entry>{{"03012345", CallWatcher::nameOf("03012345"), 3}}));
        QCOMPARE(watcher->status, QStringLiteral("Bereit"));
        QCOMPARE(line->state(), State::Idle);
    }

    void answeredCallEndedByTheProgram() {
        line->ring(QStringLiteral("03012345"));
        line->answer();
        line->drop();
        QCOMPARE(watcher->events,
                 (QStringList{"callOffered", "connected", "disconnected", "lineIdle"}));
        line->drop(); // harmless when idle
        QCOMPARE(watcher->events.size(), 4);
    }

    void unansweredIncomingCallsAreJournalledAsKind5_data() {
        QTest::addColumn<int>("ending");
        QTest::newRow("caller gives up") << 0;
        QTest::newRow("rejected") << 1;
        QTest::newRow("dropped") << 2;
    }
    void unansweredIncomingCallsAreJournalledAsKind5() {
        QFETCH(int, ending);
        line->ring(QStringLiteral("0891234"));
        if (ending == 0)
            QVERIFY(line->remoteHangUp());
        else if (ending == 1)
            line->reject();
        else
            line->drop();
        QCOMPARE(watcher->events,
                 (QStringList{"callOffered", "callEnded", "disconnected", "lineIdle"}));
        QCOMPARE(watcher->journal, (QList<Entry>{{"0891234", CallWatcher::nameOf("0891234"), 5}}));
        QCOMPARE(watcher->status, QStringLiteral("Bereit"));
        QCOMPARE(line->state(), State::Idle);
    }

    void callerWithoutNumberLeavesTheWindowAlone_data() {
        QTest::addColumn<bool>("anonymous");
        QTest::newRow("anonymous") << true;
        QTest::newRow("number not flagged") << false;
    }
    void callerWithoutNumberLeavesTheWindowAlone() {
        QFETCH(bool, anonymous);
        watcher->numberField = QStringLiteral("4711");
        QVERIFY(anonymous ? line->ringAnonymous()
                          : line->ringWithoutNumberFlag(QStringLiteral("03012345")));
        QCOMPARE(line->callerIdFlags() & Line::CallerIdNumberPresent, 0);
        QCOMPARE(line->callerNumber().isEmpty(), anonymous);
        QCOMPARE(watcher->numberField, QStringLiteral("4711"));
        line->remoteHangUp();
        QCOMPARE(watcher->events,
                 (QStringList{"callOffered", "callEnded", "disconnected", "lineIdle"}));
        QVERIFY(watcher->journal.isEmpty());
    }

    void internalCallerKeepsItsExtension() {
        line->ring(QStringLiteral("12"));
        QCOMPARE(line->callerNumber(), QStringLiteral("12"));
        QVERIFY(watcher->pendingName.isEmpty()); // an internal call has no external number
    }

    void outgoingAnsweredCallIsJournalledAsKind4() {
        line->setNumber(QStringLiteral("03012345"));
        line->makeCall();
        QCOMPARE(watcher->events, (QStringList{"dialTone", "dialling"}));
        QCOMPARE(watcher->status, QStringLiteral("Wählen"));
        QCOMPARE(line->state(), State::Dialling);
        QVERIFY(line->remoteAnswer());
        QCOMPARE(line->callOrigin(), Line::OriginOutgoing);
        QCOMPARE(line->callNumber(), QStringLiteral("03012345"));
        QVERIFY(line->remoteHangUp());
        QCOMPARE(watcher->events,
                 (QStringList{"dialTone", "dialling", "connected", "disconnected", "lineIdle"}));
        QCOMPARE(watcher->journal, (QList<Entry>{{"3012345", CallWatcher::nameOf("3012345"), 4}}));
    }

    void outgoingCallThatDoesNotConnectWritesNoJournal_data() {
        QTest::addColumn<int>("ending");
        QTest::newRow("busy") << 0;
        QTest::newRow("declined") << 1;
        QTest::newRow("dropped while ringing") << 2;
    }
    void outgoingCallThatDoesNotConnectWritesNoJournal() {
        QFETCH(int, ending);
        // A missed call still pending must not be journalled again by the outgoing call's end.
        line->ring(QStringLiteral("0891234"));
        line->remoteHangUp();
        watcher->clear();
        watcher->pendingName = QStringLiteral("stale");

        line->setNumber(QStringLiteral("0555"));
        line->makeCall();
        if (ending == 0)
            QVERIFY(line->remoteBusy());
        else if (ending == 1)
            QVERIFY(line->remoteDecline());
        else
            line->drop();
        QCOMPARE(watcher->events,
                 (QStringList{"dialTone", "dialling", "disconnected", "lineIdle"}));
        QCOMPARE(watcher->status, QStringLiteral("Bereit"));
        QCOMPARE(watcher->journal.size(), 1);
        QCOMPARE(watcher->journal.first().name, QStringLiteral("stale")); // only by the idle rule
    }

    void holdAndResumeGiveNoEvents() {
        line->setNumber(QStringLiteral("0555"));
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
        line->ring(QStringLiteral("0891234"));
        QVERIFY(!line->ring(QStringLiteral("0555555")));
        line->setNumber(QStringLiteral("0777"));
        line->makeCall();
        QCOMPARE(watcher->events, QStringList{"callOffered"});
        QVERIFY(!line->remoteAnswer()); // only a dialled call is answered by the other party
        QVERIFY(!line->remoteBusy());
        QCOMPARE(line->callerNumber(), QStringLiteral("00891234"));
    }

    void identifiedNumberReachesTheWindow() {
        QVERIFY(!line->identify(QStringLiteral("0301")));
        line->setNumber(QStringLiteral("0555"));
        line->makeCall();
        line->remoteAnswer();
        QVERIFY(line->identify(QStringLiteral("0301999")));
        QCOMPARE(line->identifiedNumber(), QStringLiteral("0301999"));
        QCOMPARE(watcher->events.last(), QStringLiteral("numberIdentified"));
        QCOMPARE(watcher->numberField, QStringLiteral("301999"));
    }

    void devicesAreConfigurable() {
        SimulatedLine l(QStringList{"Modem", "BOSCH Integral 5", "ISDN"});
        QCOMPARE(l.deviceCount(), 3);
        QCOMPARE(l.deviceName(1), QStringLiteral("BOSCH Integral 5"));
        QCOMPARE(l.deviceName(3), QString());
        l.setDevice(1);
        QCOMPARE(l.device(), 1);
        l.setDevice(7);
        QCOMPARE(l.device(), 1);
        l.setDevices({"one"});
        QCOMPARE(l.device(), 0);
        l.setTextSetting(QStringLiteral("x"));
        QCOMPARE(l.textSetting(), QStringLiteral("x"));
    }
};

QTEST_GUILESS_MAIN(TestSimulatedLine)
#include "tst_simulatedline.moc"
