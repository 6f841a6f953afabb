#include "fakes.h"
#include "lineconfig.h"
#include "linecontrol.h"
#include "sessiononline.h"
#include "simulatedline.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

using line::LineConfig;
using line::LineControlServer;
using line::SimulatedLine;

class TestLineControl : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

    QString runTool(const QString& socketPath, const QStringList& arguments, int* exitCode) {
        QProcess tool;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"VENTOR_LINE_SIM_SOCKET"_s, socketPath);
        tool.setProcessEnvironment(env);
        tool.start(QStringLiteral(LINE_SIM_TOOL), arguments);
        // The program's side of the socket is served by this thread's event loop.
        while (!tool.waitForFinished(10))
            QCoreApplication::processEvents();
        *exitCode = tool.exitCode();
        return QString::fromUtf8(tool.readAllStandardOutput()).trimmed();
    }

private slots:
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
        QVERIFY(dir.isValid());
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

    // The program's reaction to a ring may hold a message box open (a server error) longer than
    // the tool waits; the tool's hang-up deletes its socket meanwhile, and the program goes on.
    void toolHangingUpDuringTheReactionLeavesTheChannelServing() {
        QVERIFY(dir.isValid());
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
        QCOMPARE(defaults.incomingPrefix, u"0"_s);
        QCOMPARE(defaults.sipMode, LineConfig::SipMode::Account);
        QCOMPARE(defaults.sipTransport, u"udp"_s);
        QCOMPARE(defaults.sipPort, 5060);
        QCOMPARE(defaults.audio, LineConfig::Audio::Auto);
        QVERIFY(defaults.dataDir.endsWith("/ventor-telefon/sip"));
        QCOMPARE(defaults.ringSeconds, 60);

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
};

QTEST_GUILESS_MAIN(TestLineControl)
#include "tst_linecontrol.moc"
