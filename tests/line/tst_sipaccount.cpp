// The SIP line in account mode at a real registrar with digest authentication, reached by a
// second registered SIP telephone, over UDP, TCP and TLS, inside a private network namespace.
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
              ConsolePort = 5555;
} // namespace

class TestSipAccount : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    agents::Certificates certificates;

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
    static bool reaches(const line::SipLine& l, Readiness state) {
        return QTest::qWaitFor([&] { return l.readiness() == state; }, Wait);
    }

private slots:
    void initTestCase() {
        if (!isolation.isEmpty())
            QSKIP(qPrintable(u"no private network namespace: "_s + isolation));
        QVERIFY(dir.isValid());
        QVERIFY(certificates.make(QDir(dir.path())));
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
        QVERIFY2(QTest::qWaitFor([&] { return watcher.events.contains("callOffered"); }, Wait),
                 qPrintable(second.output() + registrar.log()));
        QCOMPARE(line.callerNumber(), u"04712"_s);
        line.answer();
        QVERIFY(QTest::qWaitFor([&] { return watcher.events.contains("connected"); }, Wait));
        line.drop();
        QVERIFY2(QTest::qWaitFor([&] { return watcher.events.contains("lineIdle"); }, Wait),
                 qPrintable(second.output() + registrar.log()));
        QCOMPARE(watcher.events,
                 (QStringList{"callOffered", "connected", "disconnected", "lineIdle"}));

        watcher.clear();
        line.setNumber(u"4712"_s);
        line.makeCall();
        QVERIFY2(QTest::qWaitFor([&] { return watcher.events.contains("connected"); }, Wait),
                 qPrintable(watcher.events.join(u" "_s)));
        line.drop();
        QVERIFY(QTest::qWaitFor([&] { return watcher.events.contains("lineIdle"); }, Wait));
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
};

int main(int argc, char** argv) {
    isolation = line::enterPrivateNetwork(argc, argv);
    QCoreApplication app(argc, argv);
    TestSipAccount test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_sipaccount.moc"
