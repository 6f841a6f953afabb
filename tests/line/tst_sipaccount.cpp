// The SIP line in account mode against a small registrar on loopback that asks for the
// password, inside a private network namespace.
#include "callwatcher.h"
#include "privatenetwork.h"
#include "sipline.h"

#include <QCryptographicHash>
#include <QNetworkDatagram>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QUdpSocket>

using namespace Qt::StringLiterals;

namespace {
QString isolation;
const int Wait = 8000;
const QByteArray Realm = "ventor";
const QByteArray Nonce = "4f1e2d3c";

QByteArray md5(const QByteArray& text) {
    return QCryptographicHash::hash(text, QCryptographicHash::Md5).toHex();
}
} // namespace

// Answers REGISTER with a digest challenge and, once the password is right, with 200; turns
// every INVITE away as busy. Keeps every request it gets and where it came from.
class Registrar : public QObject {
    Q_OBJECT
public:
    QList<QByteArray> requests;
    QSet<QString> senders;
    bool authorised = false;

    bool listen(quint16 port) {
        connect(&socket_, &QUdpSocket::readyRead, this, &Registrar::read);
        return socket_.bind(QHostAddress::LocalHost, port);
    }

private:
    static QByteArray header(const QByteArray& message, const QByteArray& name) {
        for (const QByteArray& line : message.split('\n'))
            if (line.toLower().startsWith(name.toLower() + ':'))
                return line.mid(name.size() + 1).trimmed();
        return {};
    }
    static QByteArray param(const QByteArray& field, const char* name) {
        const QRegularExpression re(u"\\b%1=\"?([^\",]*)"_s.arg(QLatin1String(name)));
        return re.match(QString::fromLatin1(field)).captured(1).toLatin1();
    }
    static bool passwordRight(const QByteArray& authorization) {
        const QByteArray ha1 = md5(param(authorization, "username") + ':' + Realm + ":geheim");
        const QByteArray ha2 = md5("REGISTER:" + param(authorization, "uri"));
        return param(authorization, "response") == md5(ha1 + ':' + Nonce + ':' + ha2);
    }
    static QByteArray reply(const QByteArray& request, const QByteArray& status,
                            const QByteArray& extra = {}) {
        QByteArray out = "SIP/2.0 " + status + "\r\n";
        for (const char* name : {"Via", "From", "Call-ID", "CSeq"})
            out += name + QByteArray(": ") + header(request, name) + "\r\n";
        const QByteArray to = header(request, "To");
        return out + "To: " + to + (to.contains(";tag=") ? "" : ";tag=reg1") + "\r\n" + extra +
               "Content-Length: 0\r\n\r\n";
    }
    void read() {
        while (socket_.hasPendingDatagrams()) {
            const QNetworkDatagram datagram = socket_.receiveDatagram();
            const QByteArray request = datagram.data();
            requests << request;
            senders << datagram.senderAddress().toString() + ':' +
                           QString::number(datagram.senderPort());
            QByteArray response;
            if (request.startsWith("REGISTER ")) {
                const QByteArray authorization = header(request, "Authorization");
                authorised = !authorization.isEmpty() && passwordRight(authorization);
                response =
                    authorised
                        ? reply(request, "200 OK",
                                "Contact: " + header(request, "Contact") + ";expires=3600\r\n")
                        : reply(request, "401 Unauthorized",
                                "WWW-Authenticate: Digest realm=\"" + Realm + "\", nonce=\"" +
                                    Nonce + "\", algorithm=MD5\r\n");
            } else if (request.startsWith("INVITE ")) {
                response = reply(request, "486 Busy Here");
            } else if (!request.startsWith("ACK ")) {
                response = reply(request, "200 OK");
            }
            if (!response.isEmpty())
                socket_.writeDatagram(datagram.makeReply(response));
        }
    }
    QUdpSocket socket_;
};

class TestSipAccount : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

    line::LineConfig config(const QString& password) const {
        line::LineConfig c;
        c.type = line::LineConfig::Type::Sip;
        c.sipMode = line::LineConfig::SipMode::Account;
        c.sipServer = u"127.0.0.1:5090"_s;
        c.sipUser = u"4711"_s;
        c.sipPassword = password;
        c.sipBindAddress = u"127.0.0.1"_s;
        c.sipPort = 5070;
        c.dataDir = dir.filePath(u"line"_s);
        return c;
    }

private slots:
    void initTestCase() {
        if (!isolation.isEmpty())
            QSKIP(qPrintable(u"no private network namespace: "_s + isolation));
        QVERIFY(dir.isValid());
    }

    void registersWithThePasswordAndCallsThroughTheServer() {
        Registrar registrar;
        QVERIFY(registrar.listen(5090));
        line::SipLine line(config(u"geheim"_s));
        CallWatcher watcher(line);
        QCOMPARE(line.deviceName(0), u"SIP 4711@127.0.0.1:5090"_s);
        line.open();
        QVERIFY2(line.isOpen(), qPrintable(line.errorString()));
        QVERIFY(QTest::qWaitFor([&] { return line.isRegistered(); }, Wait));
        QVERIFY(registrar.authorised);
        QTRY_COMPARE_WITH_TIMEOUT(watcher.events, QStringList{"lineIdleAgain"}, Wait);
        QVERIFY(registrar.requests.first().contains("sip:4711@127.0.0.1"));

        line.setNumber(u"0555"_s);
        line.makeCall();
        QVERIFY(QTest::qWaitFor([&] { return watcher.events.contains("lineIdle"); }, Wait));
        QCOMPARE(watcher.events, (QStringList{"lineIdleAgain", "dialTone", "dialling",
                                              "disconnected", "lineIdle"}));
        QVERIFY(std::any_of(
            registrar.requests.begin(), registrar.requests.end(),
            [](const QByteArray& r) { return r.startsWith("INVITE sip:0555@127.0.0.1"); }));
        QCOMPARE(registrar.senders, QSet<QString>{u"127.0.0.1:5070"_s});
    }

    void wrongPasswordLeavesTheLineUnregistered() {
        Registrar registrar;
        QVERIFY(registrar.listen(5090));
        line::SipLine line(config(u"falsch"_s));
        CallWatcher watcher(line);
        line.open();
        QVERIFY(line.isOpen());
        QVERIFY(QTest::qWaitFor([&] { return registrar.requests.size() >= 2; }, Wait));
        QTest::qWait(300);
        QVERIFY(!registrar.authorised);
        QVERIFY(!line.isRegistered());
        QVERIFY(watcher.events.isEmpty());
    }

    void accountWithoutServerDoesNotOpen() {
        line::LineConfig c = config(QString());
        c.sipServer.clear();
        line::SipLine line(c);
        line.open();
        QVERIFY(!line.isOpen());
        QCOMPARE(line.errorString(), u"SIP account needs server and user"_s);
    }
};

int main(int argc, char** argv) {
    isolation = line::enterPrivateNetwork(argc, argv);
    QCoreApplication app(argc, argv);
    TestSipAccount test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_sipaccount.moc"
