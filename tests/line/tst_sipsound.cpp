// The SIP line on the sound system's devices: a sound server with null devices, a second SIP
// telephone (baresip) on loopback, inside a private network namespace.
#include "privatenetwork.h"
#include "sessiononline.h"
#include "sipagents.h"
#include "sipline.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using testsupport::SessionOnLine;

namespace {
QString isolation;
const int Wait = 10000;
const quint16 LinePort = 5070, BaresipPort = 5100, ConsolePort = 5555;
} // namespace

class TestSipSound : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    agents::SoundServer sound;
    agents::Baresip other;
    QString speaker, microphone, ringer;

    QString deviceNamed(const QList<line::SipLine::SoundDevice>& devices, const QString& name,
                        bool playback) {
        for (const auto& d : devices)
            if (d.id.endsWith(u": "_s + name) && (playback ? d.playback : d.capture))
                return d.id;
        return {};
    }
    line::LineConfig config() const {
        line::LineConfig c;
        c.type = line::LineConfig::Type::Sip;
        c.sipMode = line::LineConfig::SipMode::PeerToPeer;
        c.sipServer = u"127.0.0.1:%1"_s.arg(BaresipPort);
        c.sipBindAddress = u"127.0.0.1"_s;
        c.sipPort = LinePort;
        c.playbackDevice = speaker;
        c.captureDevice = microphone;
        c.ringerDevice = ringer;
        // The echo canceller waits for an echo of what it plays in what it records; null
        // devices have none, and it would hold the sound back.
        c.echoCancellation = false;
        c.dataDir = dir.filePath(u"line"_s);
        return c; // the sound mode is "auto": a sound server runs
    }

private slots:
    void initTestCase() {
        if (!isolation.isEmpty())
            QSKIP(qPrintable(u"no private network namespace: "_s + isolation));
        QVERIFY(dir.isValid());
        QVERIFY(sound.start(QDir(dir.path())));
        QVERIFY(line::soundServerRuns());
        const auto devices = line::SipLine::soundDevices(dir.filePath(u"devices"_s));
        speaker = deviceNamed(devices, u"spk"_s, true);
        microphone = deviceNamed(devices, u"sine"_s, false);
        ringer = deviceNamed(devices, u"ring"_s, true);
        QVERIFY2(!speaker.isEmpty() && !microphone.isEmpty() && !ringer.isEmpty(),
                 qPrintable(QString::number(devices.size()) + u" devices"_s));
        QVERIFY(other.start(QDir(dir.path()), u"<sip:100@127.0.0.1>;regint=0;answermode=auto"_s,
                            BaresipPort, ConsolePort, true));
        QVERIFY(QTest::qWaitFor([&] { return other.output().contains("ready"); }, Wait));
    }

    // The line sends what the microphone hears and plays what the other side sends: 1 kHz
    // from us, 440 Hz from the other side.
    void callCarriesSoundBothWays() {
        line::SipLine line(config());
        SessionOnLine watcher(line);
        line.open();
        QVERIFY2(line.isOpen(), qPrintable(line.errorString()));
        line.setNumber(u"100"_s);
        line.makeCall();
        QVERIFY(QTest::qWaitFor([&] { return watcher.events.contains("connected"); }, Wait));
        QTest::qWait(300);
        const QList<qint16> heard = sound.record(u"spk.monitor"_s, 1.0);
        line.drop();
        QVERIFY(QTest::qWaitFor([&] { return watcher.events.contains("lineIdle"); }, Wait));

        QCOMPARE(heard.size(), 16000);
        const double fromOther = agents::toneShare(heard, 16000, 440);
        const QStringList received = other.receivedFiles();
        QVERIFY(!received.isEmpty());
        int rate = 0;
        QList<qint16> sent = agents::wavSamples(received.last(), &rate);
        QVERIFY(rate > 0 && sent.size() > rate);
        sent = sent.mid(rate / 5, rate / 2); // after the first packets, before the call's
                                             // sound processing has learnt the steady tone
        const double fromUs = agents::toneShare(sent, rate, 1000);
        QVERIFY2(fromUs > 0.3, qPrintable(QString::number(fromUs)));
        QVERIFY2(fromOther > 0.3, qPrintable(QString::number(fromOther)));
    }

    // An offered call rings on the ringer device, and the ring stops when it is answered.
    void offeredCallRingsUntilAnswered() {
        line::SipLine line(config());
        SessionOnLine watcher(line);
        line.open();
        QVERIFY(line.isOpen());
        QVERIFY(sound.record(u"ring.monitor"_s, 0.3).size() > 0); // the monitor is silent
        QVERIFY(agents::loudness(sound.record(u"ring.monitor"_s, 0.3)) < 50);
        QVERIFY(other.command("/dial sip:0301234@127.0.0.1:5070"));
        QVERIFY(QTest::qWaitFor([&] { return watcher.events.contains("callOffered"); }, Wait));
        const double ringing = agents::loudness(sound.record(u"ring.monitor"_s, 1.0));
        line.answer();
        QVERIFY(QTest::qWaitFor([&] { return watcher.events.contains("connected"); }, Wait));
        QTest::qWait(300);
        const double afterAnswer = agents::loudness(sound.record(u"ring.monitor"_s, 0.5));
        line.drop();
        QVERIFY(QTest::qWaitFor([&] { return watcher.events.contains("lineIdle"); }, Wait));
        QVERIFY2(ringing > 1000, qPrintable(QString::number(ringing)));
        QVERIFY2(afterAnswer < 50, qPrintable(QString::number(afterAnswer)));
    }
};

int main(int argc, char** argv) {
    isolation = line::enterPrivateNetwork(argc, argv);
    QCoreApplication app(argc, argv);
    TestSipSound test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_sipsound.moc"
