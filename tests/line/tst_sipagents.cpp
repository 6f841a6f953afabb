// The SIP line against independent SIP and sound programs, inside a private network namespace:
// in account mode at a registrar with digest authentication, reached by a second registered SIP
// telephone over UDP, TCP and TLS; and on the devices of a sound server with null devices.
#include "privatenetwork.h"
#include "sessiononline.h"
#include "sipagents.h"
#include "sipline.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using testsupport::SessionOnLine;
using Readiness = line::Line::Readiness;

namespace {
QString isolation;
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

class TestSipAgents : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    agents::Certificates certificates;
    agents::SoundServer sound;
    agents::Baresip soundPeer; // answers by itself, sends 440 Hz and records what it hears
    QString speaker, microphone, ringer;

    line::LineConfig config(const QString& password, const QString& transport = u"udp"_s) const {
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
        line::LineConfig c = config({});
        c.sipMode = line::LineConfig::SipMode::PeerToPeer;
        c.sipServer = u"127.0.0.1:%1"_s.arg(SoundPeerPort);
        c.audio = line::LineConfig::Audio::Auto;
        c.playbackDevice = speaker;
        c.captureDevice = microphone;
        c.ringerDevice = ringer;
        // The echo canceller waits for an echo of what it plays in what it records; null
        // devices have none, and it would hold the sound back.
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

    // Registered, the line calls the second user and is called by it through the registrar.
    void registersAndCallsBothWaysThroughTheRegistrar() {
        agents::Kamailio registrar;
        QVERIFY2(registrar.start(QDir(dir.path()), RegistrarPort), qPrintable(registrar.log()));
        line::SipLine line(config(u"geheim"_s));
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

    // A wrong password is said as such, and no call is placed while the line is down.
    void wrongPasswordFailsAndRefusesCalls() {
        agents::Kamailio registrar;
        QVERIFY2(registrar.start(QDir(dir.path()), RegistrarPort), qPrintable(registrar.log()));
        line::SipLine line(config(u"falsch"_s));
        SessionOnLine watcher(line);
        QSignalSpy refused(&line, &line::Line::callRefused);
        line.open();
        QVERIFY(line.isOpen());
        QVERIFY(reaches(line, Readiness::Failed));
        QCOMPARE(line.readinessText(), u"Nicht angemeldet bei 127.0.0.1:5090: falsches Passwort "
                                       u"oder unbekannter Benutzer"_s);
        line.setNumber(u"4712"_s);
        line.makeCall();
        QCOMPARE(refused.size(), 1);
        QCOMPARE(refused.first().first().toString(),
                 u"Der Anruf kann nicht gewählt werden: "_s + line.readinessText() + u"."_s);
        QVERIFY(watcher.events.isEmpty());
    }

    // The registrar is away when the line opens and comes back later.
    void registersAgainWhenTheServerIsBack() {
        line::SipLine line(config(u"geheim"_s, u"tcp"_s));
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
        line::LineConfig c = config(u"geheim"_s, u"tls"_s);
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
        line::LineConfig c = config(QString());
        c.sipServer.clear();
        line::SipLine line(c);
        line.open();
        QVERIFY(!line.isOpen());
        QCOMPARE(line.readiness(), Readiness::Failed);
        QCOMPARE(line.readinessText(),
                 u"Leitung nicht geöffnet: Im SIP-Konto fehlen Server oder Benutzer"_s);
    }

    // An offered call rings on the ringer device until it is answered; then the line sends
    // what the microphone hears (1 kHz) and plays what the other side sends (440 Hz).
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
        const double afterAnswer = agents::loudness(sound.record(u"ring.monitor"_s, 0.5));
        const QList<qint16> heard = sound.record(u"spk.monitor"_s, 1.0);
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
};

int main(int argc, char** argv) {
    isolation = line::enterPrivateNetwork(argc, argv);
    QCoreApplication app(argc, argv);
    TestSipAgents test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_sipagents.moc"
