// The SIP line in a private network: against the peer, at a registrar over UDP, TCP and TLS, and
// on the devices of a sound server.
#include "privatenetwork.h"
#include "runtool.h"
#include "sessiononline.h"
#include "sipagents.h"
#include "sipline.h"
#include "sippeer.h"

#include <QDirIterator>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUdpSocket>

using namespace Qt::StringLiterals;

using line::Line;
using line::SipLine;
using line::SipPeer;
using testsupport::SessionOnLine;
using Readiness = line::Line::Readiness;

namespace {
QString isolation; // why the process is not isolated; empty when it is
const int Wait = 10000;
const quint16 RegistrarPort = 5090, TlsPort = 5091, LinePort = 5070, BaresipPort = 5100,
              ConsolePort = 5555, SoundPeerPort = 5110, SoundConsolePort = 5556;

bool sees(const SessionOnLine& watcher, const char* event) {
    return QTest::qWaitFor([&] { return watcher.events.contains(event); }, Wait);
}
bool reaches(const line::SipLine& l, Readiness state) {
    return QTest::qWaitFor([&] { return l.readiness() == state; }, Wait);
}
} // namespace

class TestSipLine : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    agents::Certificates certificates;
    agents::SoundServer sound;
    agents::Baresip soundPeer; // answers by itself, sends 440 Hz and records what it hears
    QString speaker, microphone, ringer;
    std::unique_ptr<SipLine> line;
    std::unique_ptr<SessionOnLine> watcher;
    std::unique_ptr<SipPeer> peer;

    line::LineConfig peerConfig() const {
        line::LineConfig c = accountConfig({});
        c.sipMode = line::LineConfig::SipMode::PeerToPeer;
        c.sipServer = u"127.0.0.1:5080"_s;
        c.sipUser.clear();
        c.playFile = u"/usr/share/sounds/linphone/hello8000.wav"_s;
        return c;
    }
    bool peerReaches(const QString& state) {
        return QTest::qWaitFor([&] { return peer->callState() == state; }, Wait);
    }
    void ringFromPeer(const QString& number) {
        QVERIFY(QTest::qWaitFor([&] { return !peer->inCall(); }, Wait));
        QVERIFY(peer->ring(u"127.0.0.1:5070"_s, number));
        QVERIFY(sees(*watcher, "callOffered"));
    }
    void callThePeer(SipPeer::Answering answering) {
        peer->setAnswering(answering);
        line->setNumber(u"0555"_s);
        line->makeCall();
    }
    // The line open and idle, with no events noted yet.
    bool openLine(const line::LineConfig& c) {
        watcher.reset();
        line = std::make_unique<SipLine>(c);
        watcher = std::make_unique<SessionOnLine>(*line);
        line->open();
        const bool ready = line->isOpen() && sees(*watcher, "lineIdleAgain");
        watcher->clear();
        return ready;
    }
    // The line open for calls straight to and from the peer, and the peer started.
    bool openLineAndPeer() {
        SipPeer::Options options;
        options.dataDir = dir.filePath(u"peer"_s);
        peer = std::make_unique<SipPeer>(options);
        const bool ready = openLine(peerConfig()) && peer->start();
        if (!ready)
            qWarning("%s", qPrintable(line->errorString() + u' ' + peer->errorString()));
        return ready;
    }
    line::LineConfig accountConfig(const QString& password,
                                   const QString& transport = u"udp"_s) const {
        line::LineConfig c;
        c.type = line::LineConfig::Type::Sip;
        c.sipMode = line::LineConfig::SipMode::Account;
        c.sipServer = u"127.0.0.1:%1"_s.arg(transport == u"tls" ? TlsPort : RegistrarPort);
        c.sipUser = u"4711"_s;
        c.sipPassword = password;
        c.sipTransport = transport;
        c.sipBindAddress = u"127.0.0.1"_s;
        c.sipPort = LinePort;
        c.audio = line::LineConfig::Audio::Files;
        c.dataDir = dir.filePath(u"line"_s);
        return c;
    }
    // Straight to the sound peer, on the sound server's devices (the sound mode is "auto").
    line::LineConfig soundConfig() const {
        line::LineConfig c = accountConfig({});
        c.sipMode = line::LineConfig::SipMode::PeerToPeer;
        c.sipServer = u"127.0.0.1:%1"_s.arg(SoundPeerPort);
        c.audio = line::LineConfig::Audio::Auto;
        c.playbackDevice = speaker;
        c.captureDevice = microphone;
        c.ringerDevice = ringer;
        // Null devices give no echo, and the echo canceller would hold the sound back.
        c.echoCancellation = false;
        return c;
    }
    static QString deviceNamed(const QList<line::SipLine::SoundDevice>& devices,
                               const QString& name, bool playback) {
        for (const auto& d : devices)
            if (d.id.endsWith(u": "_s + name) && (playback ? d.playback : d.capture))
                return d.id;
        return {};
    }

private slots:
    void initTestCase() {
        if (!isolation.isEmpty())
            QSKIP(qPrintable(u"no private network namespace: "_s + isolation));
        QVERIFY(dir.isValid());
        QVERIFY(certificates.make(QDir(dir.path())));
        // Started before the first SIP line: the SIP stack learns the sound devices only once.
        QVERIFY(sound.start(QDir(dir.path())));
        QVERIFY(line::soundServerRuns());
        const auto devices = line::SipLine::soundDevices(dir.filePath(u"devices"_s));
        speaker = deviceNamed(devices, u"spk"_s, true);
        microphone = deviceNamed(devices, u"sine"_s, false);
        ringer = deviceNamed(devices, u"ring"_s, true);
        QVERIFY2(!speaker.isEmpty() && !microphone.isEmpty() && !ringer.isEmpty(),
                 qPrintable(QString::number(devices.size()) + u" devices"_s));
        QVERIFY(soundPeer.start(QDir(dir.filePath(u"sound"_s)),
                                u"<sip:100@127.0.0.1>;regint=0;answermode=auto"_s, SoundPeerPort,
                                SoundConsolePort, true));
        QVERIFY(QTest::qWaitFor([&] { return soundPeer.output().contains("ready"); }, Wait));
    }
    void cleanup() {
        peer.reset();
        watcher.reset();
        line.reset();
    }

    // Runs first: a line made after the peer's calls did not ring on the device.
    void soundDevicesRingAndCarryTheCallBothWays() {
        line::SipLine line(soundConfig());
        SessionOnLine watcher(line);
        line.open();
        QVERIFY2(line.isOpen(), qPrintable(line.errorString()));
        QVERIFY(sound.record(u"ring.monitor"_s, 0.3).size() > 0); // the monitor is silent
        QVERIFY(agents::loudness(sound.record(u"ring.monitor"_s, 0.3)) < 50);
        QVERIFY(soundPeer.command("/dial sip:0301234@127.0.0.1:5070"));
        QVERIFY(sees(watcher, "callOffered"));
        const double ringing = agents::loudness(sound.record(u"ring.monitor"_s, 1.0));
        line.answer();
        QVERIFY(sees(watcher, "connected"));
        QTest::qWait(300);
        // Heard first: the call's sound processing learns a steady tone and weakens it later.
        const QList<qint16> heard = sound.record(u"spk.monitor"_s, 1.0);
        const double afterAnswer = agents::loudness(sound.record(u"ring.monitor"_s, 0.5));
        line.drop();
        QVERIFY(sees(watcher, "lineIdle"));
        QVERIFY2(ringing > 1000, qPrintable(QString::number(ringing)));
        QVERIFY2(afterAnswer < 50, qPrintable(QString::number(afterAnswer)));

        QCOMPARE(heard.size(), 16000);
        const double fromOther = agents::toneShare(heard, 16000, 440);
        QVERIFY2(fromOther > 0.3, qPrintable(QString::number(fromOther)));
        int rate = 0;
        QList<qint16> sent = agents::wavSamples(soundPeer.lastReceivedFile(), &rate);
        QVERIFY(rate > 0 && sent.size() > rate);
        // After the first packets, before the call's sound processing has learnt the steady tone.
        sent = sent.mid(rate / 5, rate / 2);
        const double fromUs = agents::toneShare(sent, rate, 1000);
        QVERIFY2(fromUs > 0.3, qPrintable(QString::number(fromUs)));
    }
    // What only the line sees of an anonymous caller (the other calls: tst_sipapp).
    void anonymousCallerGivesUp() {
        QVERIFY(openLineAndPeer());
        QCOMPARE(line->deviceCount(), 1);
        watcher->session.setNumber(u"4711"_s);
        QVERIFY(peer->ring(u"127.0.0.1:5070"_s, u"0891234"_s, true));
        QVERIFY(sees(*watcher, "callOffered"));
        QCOMPARE(line->callerIdFlags() & Line::CallerIdNumberPresent, 0);
        QCOMPARE(line->callerNumber(), QString());
        QCOMPARE(line->callOrigin(), Line::OriginIncoming);
        QCOMPARE(watcher->session.number(), u"4711"_s);
        QVERIFY(peer->hangUp());
        QVERIFY(sees(*watcher, "lineIdle"));
        QCOMPARE(watcher->events,
                 (QStringList{"callOffered", "callEnded", "disconnected", "lineIdle"}));
        QVERIFY(watcher->journal().isEmpty());
    }

    // A caller that never sends CANCEL is turned away after the ringing time; meanwhile busy.
    void callerThatVanishesWhileRingingFreesTheLine() {
        QVERIFY(openLineAndPeer());
        line::LineConfig c = peerConfig();
        c.ringSeconds = 2;
        line.reset(); // its port is taken again at once
        QVERIFY(openLine(c));

        QUdpSocket vanishing; // stays bound and silent
        QVERIFY(vanishing.bind(QHostAddress::LocalHost, 5099));
        const QByteArray sdp = "v=0\r\no=- 1 1 IN IP4 127.0.0.1\r\ns=-\r\nc=IN IP4 127.0.0.1\r\n"
                               "t=0 0\r\nm=audio 7300 RTP/AVP 0\r\na=rtpmap:0 PCMU/8000\r\n";
        const QByteArray invite =
            "INVITE sip:0555@127.0.0.1:5070 SIP/2.0\r\n"
            "Via: SIP/2.0/UDP 127.0.0.1:5099;branch=z9hG4bK-vanish;rport\r\n"
            "Max-Forwards: 70\r\nFrom: <sip:0301777@127.0.0.1:5099>;tag=vanish\r\n"
            "To: <sip:0555@127.0.0.1:5070>\r\nCall-ID: vanish@127.0.0.1\r\nCSeq: 1 INVITE\r\n"
            "Contact: <sip:0301777@127.0.0.1:5099>\r\nContent-Type: application/sdp\r\n"
            "Content-Length: " +
            QByteArray::number(sdp.size()) + "\r\n\r\n" + sdp;
        QCOMPARE(vanishing.writeDatagram(invite, QHostAddress::LocalHost, 5070), invite.size());
        QVERIFY(sees(*watcher, "callOffered"));
        QCOMPARE(line->callerNumber(), u"00301777"_s);

        QVERIFY(peer->ring(u"127.0.0.1:5070"_s, u"0302222"_s));
        QVERIFY(QTest::qWaitFor([&] { return peer->lastReason() == u"Busy"; }, Wait));
        QCOMPARE(watcher->events, QStringList{"callOffered"});

        QVERIFY(sees(*watcher, "lineIdle"));
        QCOMPARE(watcher->events,
                 (QStringList{"callOffered", "callEnded", "disconnected", "lineIdle"}));
        QCOMPARE(watcher->journal(), QStringList{"0301777 5"});
        watcher->clear();
        ringFromPeer(u"0302222"_s);
        QCOMPARE(line->callerNumber(), u"00302222"_s);
        QVERIFY(peer->hangUp());
        QVERIFY(sees(*watcher, "lineIdle"));
    }

    void outgoingCall_data() {
        QTest::addColumn<SipPeer::Answering>("answering");
        QTest::addColumn<QString>("reason"); // the peer's, empty when the program drops
        QTest::addColumn<QStringList>("journal");
        // The program drops a connected call in tst_sipagents.
        QTest::newRow("answered, held, ended by the other party")
            << SipPeer::Answering::Answer << "" << QStringList{"555 4"};
        QTest::newRow("busy") << SipPeer::Answering::Busy << "Busy" << QStringList();
        QTest::newRow("declined") << SipPeer::Answering::Decline << "Declined" << QStringList();
        QTest::newRow("dropped while ringing") << SipPeer::Answering::Manual << "" << QStringList();
    }
    void outgoingCall() {
        QVERIFY(openLineAndPeer());
        QFETCH(SipPeer::Answering, answering);
        QFETCH(QString, reason);
        QFETCH(QStringList, journal);
        const bool answered = answering == SipPeer::Answering::Answer;
        callThePeer(answering);
        QCOMPARE(watcher->events.value(0), u"dialTone"_s); // SIP has none: given at once
        if (answered) {
            QVERIFY(sees(*watcher, "connected"));
            QCOMPARE(peer->dialledNumber(), u"0555"_s);
            QCOMPARE(line->callOrigin(), Line::OriginOutgoing);
            QCOMPARE(line->callNumber(), u"0555"_s);
            QVERIFY(peerReaches("StreamsRunning"));
            line->hold();
            QVERIFY(peerReaches("PausedByRemote"));
            QVERIFY(line->isHeld());
            line->unhold();
            QVERIFY(peerReaches("StreamsRunning"));
            QVERIFY(!line->isHeld());
            // The other party holds and resumes: nothing for the window.
            QVERIFY(peer->hold());
            QVERIFY(peerReaches("Paused"));
            QVERIFY(peer->resume());
            QVERIFY(peerReaches("StreamsRunning"));
            // Held again, the other party hangs up.
            line->hold();
            QVERIFY(peerReaches("PausedByRemote"));
            QVERIFY(peer->hangUp());
        } else if (reason.isEmpty()) {
            QVERIFY(peerReaches("IncomingReceived"));
            line->drop();
        }
        QVERIFY(sees(*watcher, "lineIdle"));
        QStringList events{"dialTone", "dialling", "disconnected", "lineIdle"};
        if (answered)
            events.insert(2, u"connected"_s);
        QCOMPARE(watcher->events, events);
        QCOMPARE(watcher->journal(), journal);
        QCOMPARE(watcher->session.statusText(), u"Bereit"_s);
        if (!reason.isEmpty())
            QCOMPARE(peer->lastReason(), reason);
        QVERIFY(QTest::qWaitFor([&] { return !peer->inCall(); }, Wait));
        QVERIFY(!line->isHeld());
    }

    void numbersInInternationalFormAndExtensions() {
        QVERIFY(openLineAndPeer());
        ringFromPeer(u"+49301234"_s);
        QCOMPARE(line->callerNumber(), u"00049301234"_s);
        QCOMPARE(watcher->session.number(), u"0049301234"_s);
        QVERIFY(peer->hangUp());
        QVERIFY(sees(*watcher, "lineIdle"));
        watcher->clear();
        ringFromPeer(u"12"_s);
        QCOMPARE(line->callerNumber(), u"12"_s); // an extension: internal call
        QVERIFY(peer->hangUp());
        QVERIFY(sees(*watcher, "lineIdle"));
    }

    // The demo's way: a peer process rings the program on a command.
    void peerCommandRingsTheLine() {
        QVERIFY(openLineAndPeer());
        const QString socket = dir.filePath(QStringLiteral("peer.sock"));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("VENTOR_SIP_PEER_SOCKET"), socket);
        QProcess server;
        server.setProcessEnvironment(env);
        server.start(QStringLiteral(SIP_PEER_TOOL),
                     {"serve", "--port", "5082", "--audio-port", "7096", "--line", "127.0.0.1:5070",
                      "--data-dir", dir.filePath(QStringLiteral("peer-tool"))});
        QVERIFY(QTest::qWaitFor(
            [&] { return server.readAllStandardOutput().contains("SIP peer at"); }, Wait));
        auto command = [&](const QStringList& words) {
            return testsupport::runTool(QStringLiteral(SIP_PEER_TOOL), words, env);
        };
        QCOMPARE(command({"ring", "03099999"}), QStringLiteral("ok"));
        QVERIFY(sees(*watcher, "callOffered"));
        QCOMPARE(line->callerNumber(), QStringLiteral("003099999"));
        line->answer();
        QVERIFY(sees(*watcher, "connected"));
        QVERIFY(QTest::qWaitFor([&] { return command({"status"}) == u"ok StreamsRunning"; }, Wait));
        QCOMPARE(command({"hangup"}), QStringLiteral("ok"));
        QVERIFY(sees(*watcher, "lineIdle"));
        QCOMPARE(command({"mode", "sometimes"}),
                 QStringLiteral("error mode is manual, answer, busy or decline"));
        server.terminate();
        QVERIFY(server.waitForFinished(5000));
        QCOMPARE(server.exitCode(), 0);
    }

    // A wrong password is said and refuses calls; registered, calls go both ways.
    void wrongPasswordIsRefusedAndCallsGoBothWaysThroughTheRegistrar() {
        agents::Kamailio registrar;
        QVERIFY2(registrar.start(QDir(dir.path()), RegistrarPort), qPrintable(registrar.log()));
        {
            line::SipLine wrong(accountConfig(u"falsch"_s));
            SessionOnLine watcher(wrong);
            QSignalSpy refused(&wrong, &line::Line::callRefused);
            wrong.open();
            QVERIFY(wrong.isOpen());
            QVERIFY(reaches(wrong, Readiness::Failed));
            QCOMPARE(wrong.readinessText(), u"Nicht angemeldet bei 127.0.0.1:5090: falsches "
                                            u"Passwort oder unbekannter Benutzer"_s);
            wrong.setNumber(u"4712"_s);
            wrong.makeCall();
            QCOMPARE(refused.size(), 1);
            QCOMPARE(refused.first().first().toString(),
                     u"Der Anruf kann nicht gewählt werden: "_s + wrong.readinessText() + u"."_s);
            QVERIFY(watcher.events.isEmpty());
        }
        line::SipLine line(accountConfig(u"geheim"_s));
        SessionOnLine watcher(line);
        QCOMPARE(line.deviceName(0), u"SIP 4711@127.0.0.1:5090"_s);
        line.open();
        QVERIFY2(line.isOpen(), qPrintable(line.errorString()));
        QCOMPARE(line.readiness(), Readiness::Connecting);
        QVERIFY2(reaches(line, Readiness::Ready), qPrintable(line.readinessText()));
        QCOMPARE(line.readinessText(), u"Angemeldet als 4711 bei 127.0.0.1:5090"_s);
        QTRY_COMPARE_WITH_TIMEOUT(watcher.events, QStringList{"lineIdleAgain"}, Wait);

        agents::Baresip second;
        QVERIFY(second.start(
            QDir(dir.path()),
            u"<sip:4712@127.0.0.1:%1>;auth_pass=zweites;answermode=auto"_s.arg(RegistrarPort),
            BaresipPort, ConsolePort));
        QVERIFY2(QTest::qWaitFor([&] { return second.output().contains("200 OK"); }, Wait),
                 qPrintable(second.output().right(900)));
        watcher.clear();
        QVERIFY(second.command("/dial sip:4711@127.0.0.1:5090"));
        QVERIFY2(sees(watcher, "callOffered"), qPrintable(second.output() + registrar.log()));
        QCOMPARE(line.callerNumber(), u"04712"_s);
        line.answer();
        QVERIFY(sees(watcher, "connected"));
        line.drop();
        QVERIFY2(sees(watcher, "lineIdle"), qPrintable(second.output() + registrar.log()));
        QCOMPARE(watcher.events,
                 (QStringList{"callOffered", "connected", "disconnected", "lineIdle"}));

        watcher.clear();
        line.setNumber(u"4712"_s);
        line.makeCall();
        QVERIFY2(sees(watcher, "connected"), qPrintable(watcher.events.join(u" "_s)));
        line.drop();
        QVERIFY(sees(watcher, "lineIdle"));
        QCOMPARE(watcher.events,
                 (QStringList{"dialTone", "dialling", "connected", "disconnected", "lineIdle"}));
    }

    // The registrar is away when the line opens and comes back later.
    void registersAgainWhenTheServerIsBack() {
        line::SipLine line(accountConfig(u"geheim"_s, u"tcp"_s));
        line.setRetryInterval(300);
        line.open();
        QVERIFY(reaches(line, Readiness::Failed));
        QCOMPARE(line.failureReason(), u"Server nicht erreichbar"_s);
        agents::Kamailio registrar;
        QVERIFY2(registrar.start(QDir(dir.path()), RegistrarPort), qPrintable(registrar.log()));
        QVERIFY2(reaches(line, Readiness::Ready), qPrintable(line.readinessText()));
    }

    void tlsChecksTheServerCertificate_data() {
        QTest::addColumn<bool>("trusted");
        QTest::newRow("signed by the company's authority") << true;
        QTest::newRow("signed by nobody known") << false;
    }
    void tlsChecksTheServerCertificate() {
        QFETCH(bool, trusted);
        agents::Kamailio registrar;
        QVERIFY2(registrar.start(QDir(dir.path()), RegistrarPort, TlsPort,
                                 trusted ? certificates.serverCert : certificates.rogueCert,
                                 trusted ? certificates.serverKey : certificates.rogueKey),
                 qPrintable(registrar.log()));
        line::LineConfig c = accountConfig(u"geheim"_s, u"tls"_s);
        c.caFile = certificates.ca;
        line::SipLine line(c);
        line.open();
        QVERIFY(line.isOpen());
        QVERIFY2(reaches(line, trusted ? Readiness::Ready : Readiness::Failed),
                 qPrintable(line.readinessText() + registrar.log()));
        if (!trusted)
            QVERIFY(line.failureReason().contains(u"Zertifikat"_s));
    }

    void accountWithoutServerDoesNotOpen() {
        line::LineConfig c = accountConfig(QString());
        c.sipServer.clear();
        line::SipLine line(c);
        line.open();
        QVERIFY(!line.isOpen());
        QCOMPARE(line.readiness(), Readiness::Failed);
        QCOMPARE(line.readinessText(),
                 u"Leitung nicht geöffnet: Im SIP-Konto fehlen Server oder Benutzer"_s);
    }

    // The SIP stacks kept everything in their own directories.
    void cleanupTestCase() {
        if (!isolation.isEmpty())
            return; // HOME is the user's own
        QStringList written;
        QDirIterator it(qEnvironmentVariable("HOME"),
                        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        while (it.hasNext())
            written << it.next();
        // The sound server's client library keeps a link to its runtime directory there.
        written.removeIf([](const QString& path) {
            return path.endsWith(u"/.config"_s) || path.contains(u"/.config/pulse"_s);
        });
        QVERIFY2(written.isEmpty(), qPrintable(written.join(", ")));
    }
};

int main(int argc, char** argv) {
    isolation = line::enterPrivateNetwork(argc, argv);
    QCoreApplication app(argc, argv);
    TestSipLine test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_sipline.moc"
