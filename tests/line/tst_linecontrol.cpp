// The simulated line seen by the call session, its control channel, configuration and factory.
#include "fakes.h"
#include "lineconfig.h"
#include "linecontrol.h"
#include "runtool.h"
#include "sessiononline.h"
#include "simulatedline.h"

#include <QHash>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

using namespace Qt::StringLiterals;

using line::Line;
using line::LineConfig;
using line::LineControlServer;
using line::SimulatedLine;
using State = SimulatedLine::State;
using testsupport::SessionOnLine;

class TestLine : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    std::unique_ptr<SimulatedLine> line;
    std::unique_ptr<SessionOnLine> watcher;

    // The program's side of the socket is served by this thread's events meanwhile.
    QString runTool(const QString& socketPath, const QStringList& arguments, int* exitCode) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"VENTOR_LINE_SIM_SOCKET"_s, socketPath);
        return testsupport::runTool(QStringLiteral(LINE_SIM_TOOL), arguments, env, exitCode);
    }

private slots:
    void initTestCase() { QVERIFY(dir.isValid()); }
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
        row("number not flagged", "hidden 03012345 remoteHangUp", missed, "");
    }
    void callEventOrders() {
        QFETCH(QStringList, steps);
        QFETCH(QStringList, events);
        QFETCH(QString, journal);
        SimulatedLine& l = *line;
        watcher->session.setNumber(u"4711"_s);
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
            } else if (steps[i] == "hidden") {
                QVERIFY(l.ringWithoutNumberFlag(steps[++i]));
                QCOMPARE(l.callerIdFlags() & Line::CallerIdNumberPresent, 0);
                QVERIFY(!l.callerNumber().isEmpty());
                QCOMPARE(watcher->session.number(), u"4711"_s); // the window's field is kept
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

    // The number field after an identified number: tst_mainwindow.
    void identifiedNumberAndHoldDuringACall() {
        QVERIFY(!line->identify(u"0301"_s));
        line->setNumber(u"0555"_s);
        line->makeCall();
        line->remoteAnswer();
        QVERIFY(line->identify(u"0301999"_s));
        QCOMPARE(line->identifiedNumber(), u"0301999"_s);
        QCOMPARE(watcher->events.last(), u"numberIdentified"_s);
        QCOMPARE(watcher->session.number(), u"301999"_s);
        watcher->clear();
        line->hold();
        QVERIFY(line->isHeld());
        line->unhold();
        QVERIFY(!line->isHeld());
        line->hold();
        QVERIFY(watcher->events.isEmpty()); // holding and resuming give no events
        line->remoteHangUp();               // ended while held
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

    void commandsPlayTheOutsideWorld() {
        SimulatedLine line;
        testsupport::SessionOnLine watcher(line);
        LineControlServer control(&line);
        QVERIFY(control.execute("ring 03012345").startsWith("error not possible in state idle"));
        line.open();
        QCOMPARE(control.execute("ring"), u"error ring needs a number"_s);
        QCOMPARE(control.execute("ring 03012345"), u"ok"_s);
        QCOMPARE(control.execute("status"), u"ok offered origin=2 number=03012345"_s);
        QCOMPARE(control.execute("answer"), u"ok"_s);
        line.hold();
        QCOMPARE(control.execute("STATUS"), u"ok connected held origin=2 number=03012345"_s);
        QCOMPARE(control.execute("hangup"), u"ok"_s);
        QCOMPARE(control.execute("hangup"), u"error not possible in state idle"_s);
        QCOMPARE(control.execute("ring-anonymous"), u"ok"_s);
        QCOMPARE(control.execute("reject"), u"ok"_s);
        QCOMPARE(control.execute("ring-hidden 0301"), u"ok"_s);
        QCOMPARE(line.callerIdFlags(), 0);
        QCOMPARE(control.execute("identify 0301"), u"ok"_s);
        QCOMPARE(control.execute("hangup"), u"ok"_s);

        line.setNumber("0555");
        line.makeCall();
        QCOMPARE(control.execute("answer"), u"ok"_s); // the called party answers
        QCOMPARE(line.state(), SimulatedLine::State::Connected);
        line.drop();
        line.makeCall();
        QCOMPARE(control.execute("busy"), u"ok"_s);
        line.makeCall();
        QCOMPARE(control.execute("decline"), u"ok"_s);
        QCOMPARE(control.execute("dance"), u"error unknown command dance"_s);
        QCOMPARE(control.execute("  "), u"error empty command"_s);

        // Each command reached the line: the call session saw one idle notice per call.
        QCOMPARE(watcher.events.count("lineIdle"), 6);
    }

    void toolDrivesTheLineThroughTheSocket() {
        const QString path = dir.filePath("line.sock");
        SimulatedLine line;
        testsupport::SessionOnLine watcher(line);
        line.setIncomingPrefix("0");
        line.open();
        LineControlServer control(&line);
        QVERIFY(control.listen(path));
        QCOMPARE(control.socketPath(), path);

        int code = -1;
        QCOMPARE(runTool(path, {"ring", "03012345"}, &code), u"ok"_s);
        QCOMPARE(code, 0);
        QCOMPARE(watcher.session.number(), u"03012345"_s);
        QCOMPARE(runTool(path, {"ring", "0555"}, &code), u"error not possible in state offered"_s);
        QCOMPARE(code, 1);
        QCOMPARE(runTool(path, {"answer"}, &code), u"ok"_s);
        QCOMPARE(runTool(path, {"hangup"}, &code), u"ok"_s);
        QCOMPARE(watcher.journal(), QStringList{"03012345 3"});

        // A second server on the same path (a restarted program) takes over the stale socket.
        LineControlServer again(&line);
        QVERIFY(again.listen(path));

        runTool(dir.filePath("nobody.sock"), {"status"}, &code);
        QCOMPARE(code, 3);
    }

    // The reaction to a ring may outlast the tool, whose socket goes meanwhile.
    void toolHangingUpDuringTheReactionLeavesTheChannelServing() {
        const QString path = dir.filePath("hangup.sock");
        SimulatedLine line;
        line.open();
        LineControlServer control(&line);
        QVERIFY(control.listen(path));
        auto* impatient = new QLocalSocket;
        int reactions = 0;
        connect(&line, &line::Line::callOffered, this, [&] {
            ++reactions;
            QPointer<QLocalServer> server = control.findChild<QLocalServer*>();
            QVERIFY(server);
            QLocalSocket* served = server->findChild<QLocalSocket*>();
            QVERIFY(served);
            QPointer<QLocalSocket> gone(served);
            delete impatient;
            QTRY_VERIFY(gone.isNull()); // the box stays open until the socket is deleted
        });
        impatient->connectToServer(path);
        QVERIFY(impatient->waitForConnected(2000));
        impatient->write("ring 0301\n");
        impatient->flush();
        QTRY_COMPARE(reactions, 1);

        QLocalSocket next;
        next.connectToServer(path);
        QVERIFY(next.waitForConnected(2000));
        next.write("status\n");
        QTRY_VERIFY(next.canReadLine());
        QCOMPARE(next.readLine().trimmed(), QByteArray("ok offered origin=2 number=0301"));
    }

    void configIsReadFromTheSettingsStore() {
        settings::MemorySettingsStore store;
        LineConfig defaults = line::readLineConfig(store);
        QCOMPARE(defaults.type, LineConfig::Type::Simulated);
        QVERIFY(defaults.dataDir.endsWith("/ventor-telefon/sip"));

        const QStringList written{
            "Type=SIP",         "SipMode=peer",        "SipServer= 127.0.0.1:5080 ",
            "SipUser=4711",     "SipPassword=geheim ", "SipTransport=TCP",
            "SipPort=5070",     "SipAudio=devices",    "SimDevices=Modem;BOSCH 1",
            "SipRingSeconds=25"};
        for (const QString& pair : written)
            store.write("Telefon", "Line", pair.section('=', 0, 0), pair.section('=', 1));
        LineConfig c = line::readLineConfig(store);
        QCOMPARE(c.type, LineConfig::Type::Sip);
        QCOMPARE(c.sipMode, LineConfig::SipMode::PeerToPeer);
        QCOMPARE(c.sipServer, u"127.0.0.1:5080"_s);
        QCOMPARE(c.sipUser, u"4711"_s);
        QCOMPARE(c.sipPassword, u"geheim "_s);
        QCOMPARE(c.sipTransport, u"tcp"_s);
        QCOMPARE(c.sipPort, 5070);
        QCOMPARE(c.audio, LineConfig::Audio::Devices);
        QCOMPARE(c.ringSeconds, 25);
        QCOMPARE(c.simulatedDevices, (QStringList{"Modem", "BOSCH 1"}));

        store.write("Telefon", "Line", "SipPort", "fünf");
        QCOMPARE(line::readLineConfig(store).sipPort, 5060);

        settings::MemorySettingsStore copy;
        line::writeLineConfig(copy, c);
        const LineConfig back = line::readLineConfig(copy);
        QCOMPARE(std::tuple(back.sipServer, back.sipMode, back.sipPort, back.simulatedDevices,
                            back.audio, back.sipPassword, back.ringSeconds),
                 std::tuple(c.sipServer, c.sipMode, c.sipPort, c.simulatedDevices, c.audio,
                            QString(), // the password belongs in the secret store
                            c.ringSeconds));
    }

    // Without its module the SIP line cannot call and says why.
    void factoryLoadsTheSipLineFromItsModule() {
        LineConfig c;
        c.type = LineConfig::Type::Sip;
        c.sipMode = LineConfig::SipMode::PeerToPeer;
        c.sipServer = u"127.0.0.1:5999"_s;
        qputenv("VENTOR_SIP_MODULE_DIR", dir.filePath(u"no-module"_s).toLocal8Bit());
        QVERIFY(!line::sipLineAvailable());
        std::unique_ptr<line::Line> missing = line::makeLine(c);
        QCOMPARE(missing->readiness(), line::Line::Readiness::Failed);
        QCOMPARE(
            missing->readinessText(),
            u"SIP-Leitung nicht verfügbar: Das Modul ventor-sipline.so ist nicht installiert"_s);
        QSignalSpy refused(missing.get(), &line::Line::callRefused);
        missing->setNumber(u"0301234"_s);
        missing->makeCall();
        QCOMPARE(refused.count(), 1);
#ifdef SIP_MODULE_DIR
        qputenv("VENTOR_SIP_MODULE_DIR", SIP_MODULE_DIR);
        QVERIFY(line::sipLineAvailable());
        std::unique_ptr<line::Line> made = line::makeLine(c);
        QCOMPARE(made->metaObject()->className(), "line::SipLine");
        QCOMPARE(made->readiness(), line::Line::Readiness::Closed);
#endif
        qunsetenv("VENTOR_SIP_MODULE_DIR");
    }
};

QTEST_GUILESS_MAIN(TestLine)
#include "tst_linecontrol.moc"
