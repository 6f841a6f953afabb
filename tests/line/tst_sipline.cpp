// The SIP line against a second SIP telephone on loopback, inside a private network namespace.
#include "privatenetwork.h"
#include "sessiononline.h"
#include "sipline.h"
#include "sippeer.h"

#include <QDirIterator>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QUdpSocket>

using namespace Qt::StringLiterals;

using line::Line;
using line::SipLine;
using line::SipPeer;
using testsupport::SessionOnLine;

namespace {
QString isolation; // why the process is not isolated; empty when it is
const int Wait = 8000;
} // namespace

class TestSipLine : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    std::unique_ptr<SipLine> line;
    std::unique_ptr<SessionOnLine> watcher;
    std::unique_ptr<SipPeer> peer;

    line::LineConfig config() const {
        line::LineConfig c;
        c.type = line::LineConfig::Type::Sip;
        c.sipMode = line::LineConfig::SipMode::PeerToPeer;
        c.sipServer = u"127.0.0.1:5080"_s;
        c.sipBindAddress = u"127.0.0.1"_s;
        c.sipPort = 5070;
        c.sipAudioPort = 7078;
        c.audio = line::LineConfig::Audio::Files;
        c.playFile = u"/usr/share/sounds/linphone/hello8000.wav"_s;
        c.dataDir = dir.filePath(u"line"_s);
        return c;
    }
    bool waitFor(const QString& event) {
        return QTest::qWaitFor([&] { return watcher->events.contains(event); }, Wait);
    }
    bool peerReaches(const QString& state) {
        return QTest::qWaitFor([&] { return peer->callState() == state; }, Wait);
    }
    void ringFromPeer(const QString& number) {
        QVERIFY(QTest::qWaitFor([&] { return !peer->inCall(); }, Wait));
        QVERIFY(peer->ring(u"127.0.0.1:5070"_s, number));
        QVERIFY(waitFor("callOffered"));
    }
    void callThePeer(SipPeer::Answering answering) {
        peer->setAnswering(answering);
        line->setNumber(u"0555"_s);
        line->makeCall();
    }
    void openLine(const line::LineConfig& c) {
        watcher.reset();
        line = std::make_unique<SipLine>(c);
        watcher = std::make_unique<SessionOnLine>(*line);
        line->open();
        QVERIFY2(line->isOpen(), qPrintable(line->errorString()));
        QVERIFY(waitFor("lineIdleAgain"));
        watcher->clear();
    }

private slots:
    void initTestCase() {
        if (!isolation.isEmpty())
            QSKIP(qPrintable(u"no private network namespace: "_s + isolation));
        QVERIFY(dir.isValid());
    }

    void init() {
        openLine(config());
        SipPeer::Options options;
        options.dataDir = dir.filePath(u"peer"_s);
        peer = std::make_unique<SipPeer>(options);
        QVERIFY2(peer->start(), qPrintable(peer->errorString()));
    }
    void cleanup() {
        peer.reset();
        watcher.reset();
        line.reset();
    }

    // Answered, missed and turned-away calls from the peer are played on the whole program in
    // tst_sipapp; here what only the line sees: an anonymous caller leaves the number field
    // alone and is not journalled.
    void anonymousCallerGivesUp() {
        QCOMPARE(line->deviceCount(), 1);
        watcher->session.setNumber(u"4711"_s);
        QVERIFY(peer->ring(u"127.0.0.1:5070"_s, u"0891234"_s, true));
        QVERIFY(waitFor("callOffered"));
        QCOMPARE(line->callerIdFlags() & Line::CallerIdNumberPresent, 0);
        QCOMPARE(line->callerNumber(), QString());
        QCOMPARE(line->callOrigin(), Line::OriginIncoming);
        QCOMPARE(watcher->session.number(), u"4711"_s);
        QVERIFY(peer->hangUp());
        QVERIFY(waitFor("lineIdle"));
        QCOMPARE(watcher->events,
                 (QStringList{"callOffered", "callEnded", "disconnected", "lineIdle"}));
        QVERIFY(watcher->journal().isEmpty());
    }

    // A caller that sends its INVITE and is never heard of again (no CANCEL): the line turns the
    // call away after the ringing time; a second caller meanwhile hears busy, and is offered
    // once the line is free again.
    void callerThatVanishesWhileRingingFreesTheLine() {
        line::LineConfig c = config();
        c.ringSeconds = 2;
        line.reset(); // its port is taken again at once
        openLine(c);

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
        QVERIFY(waitFor("callOffered"));
        QCOMPARE(line->callerNumber(), u"00301777"_s);

        QVERIFY(peer->ring(u"127.0.0.1:5070"_s, u"0302222"_s));
        QVERIFY(QTest::qWaitFor([&] { return peer->lastReason() == u"Busy"; }, Wait));
        QCOMPARE(watcher->events, QStringList{"callOffered"});

        QVERIFY(waitFor("lineIdle"));
        QCOMPARE(watcher->events,
                 (QStringList{"callOffered", "callEnded", "disconnected", "lineIdle"}));
        QCOMPARE(watcher->journal(), QStringList{"0301777 5"});
        watcher->clear();
        ringFromPeer(u"0302222"_s);
        QCOMPARE(line->callerNumber(), u"00302222"_s);
        QVERIFY(peer->hangUp());
        QVERIFY(waitFor("lineIdle"));
    }

    void outgoingCall_data() {
        QTest::addColumn<SipPeer::Answering>("answering");
        QTest::addColumn<QString>("reason"); // the peer's, empty when the program drops
        QTest::addColumn<QStringList>("journal");
        QTest::newRow("answered") << SipPeer::Answering::Answer << "" << QStringList{"555 4"};
        QTest::newRow("busy") << SipPeer::Answering::Busy << "Busy" << QStringList();
        QTest::newRow("declined") << SipPeer::Answering::Decline << "Declined" << QStringList();
        QTest::newRow("dropped while ringing") << SipPeer::Answering::Manual << "" << QStringList();
    }
    void outgoingCall() {
        QFETCH(SipPeer::Answering, answering);
        QFETCH(QString, reason);
        QFETCH(QStringList, journal);
        const bool answered = answering == SipPeer::Answering::Answer;
        callThePeer(answering);
        QCOMPARE(watcher->events.value(0), u"dialTone"_s); // SIP has none: given at once
        if (answered) {
            QVERIFY(waitFor("connected"));
            QCOMPARE(peer->dialledNumber(), u"0555"_s);
            QCOMPARE(line->callOrigin(), Line::OriginOutgoing);
            QCOMPARE(line->callNumber(), u"0555"_s);
        }
        if (reason.isEmpty()) {
            QVERIFY(peerReaches(answered ? "StreamsRunning" : "IncomingReceived"));
            line->drop();
        }
        QVERIFY(waitFor("lineIdle"));
        QStringList events{"dialTone", "dialling", "disconnected", "lineIdle"};
        if (answered)
            events.insert(2, u"connected"_s);
        QCOMPARE(watcher->events, events);
        QCOMPARE(watcher->journal(), journal);
        QCOMPARE(watcher->session.statusText(), u"Bereit"_s);
        if (!reason.isEmpty())
            QCOMPARE(peer->lastReason(), reason);
        QVERIFY(QTest::qWaitFor([&] { return !peer->inCall(); }, Wait));
    }

    void holdAndResume() {
        callThePeer(SipPeer::Answering::Answer);
        QVERIFY(waitFor("connected"));
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
        QVERIFY(waitFor("lineIdle"));
        QCOMPARE(watcher->events,
                 (QStringList{"dialTone", "dialling", "connected", "disconnected", "lineIdle"}));
        QVERIFY(!line->isHeld());
    }

    void numbersInInternationalFormAndExtensions() {
        ringFromPeer(u"+49301234"_s);
        QCOMPARE(line->callerNumber(), u"00049301234"_s);
        QCOMPARE(watcher->session.number(), u"0049301234"_s);
        QVERIFY(peer->hangUp());
        QVERIFY(waitFor("lineIdle"));
        watcher->clear();
        ringFromPeer(u"12"_s);
        QCOMPARE(line->callerNumber(), u"12"_s); // an extension: internal call
        QVERIFY(peer->hangUp());
        QVERIFY(waitFor("lineIdle"));
    }

    // The demo's way: a peer process rings the program on a command.
    void peerCommandRingsTheLine() {
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
            QProcess tool;
            tool.setProcessEnvironment(env);
            tool.start(QStringLiteral(SIP_PEER_TOOL), words);
            tool.waitForFinished(5000);
            return QString::fromUtf8(tool.readAllStandardOutput()).trimmed();
        };
        QCOMPARE(command({"ring", "03099999"}), QStringLiteral("ok"));
        QVERIFY(waitFor("callOffered"));
        QCOMPARE(line->callerNumber(), QStringLiteral("003099999"));
        line->answer();
        QVERIFY(waitFor("connected"));
        QVERIFY(QTest::qWaitFor([&] { return command({"status"}) == u"ok StreamsRunning"; }, Wait));
        QCOMPARE(command({"hangup"}), QStringLiteral("ok"));
        QVERIFY(waitFor("lineIdle"));
        QCOMPARE(command({"mode", "sometimes"}),
                 QStringLiteral("error mode is manual, answer, busy or decline"));
        server.terminate();
        QVERIFY(server.waitForFinished(5000));
        QCOMPARE(server.exitCode(), 0);
    }

    // After all the calls above, the SIP stacks kept everything in their own directories.
    void cleanupTestCase() {
        if (!isolation.isEmpty())
            return; // HOME is the user's own
        QStringList written;
        QDirIterator it(qEnvironmentVariable("HOME"),
                        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        while (it.hasNext())
            written << it.next();
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
