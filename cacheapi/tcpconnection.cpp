#include "tcpconnection.h"

#include "win1252.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QHostAddress>
#include <QPointer>
#include <QRegularExpression>
#include <QSslConfiguration>
#include <QSslSocket>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>

#include <deque>
#include <map>
#include <optional>
#include <set>
#include <vector>

namespace cacheapi {

namespace {

constexpr int ConnectTimeoutMs = 3000;
constexpr int HelloTimeoutMs = 10000;
// Replies on a near server take tens of microseconds: for this long a reply is awaited on the
// socket itself, without a round of the event loop; a slower one with window events running.
constexpr int QuickReplyMs = 3;
// Of that time, the first 150 microseconds the socket is polled without sleeping: a reply that
// comes while the thread sleeps costs a wake-up, about as long again as the round trip itself.
constexpr std::chrono::microseconds ReplySpin{150};
// The server drops a connection whose request frame exceeds its bound; refuse such commands here.
constexpr qsizetype MaxRequestBytes = 16384;
constexpr qsizetype MaxReplyBytes = 4 * 1024 * 1024;
constexpr char FieldBreak = '\0';

struct Reply {
    bool ok = false;
    QByteArray value;
    ServerError error;

    static Reply failure(int number, const QString& description) {
        return {false, {}, {number, description}};
    }
};

QByteArray lengthHeader(qsizetype size) {
    const auto n = static_cast<quint32>(size);
    QByteArray header(4, '\0');
    header[0] = char(n >> 24);
    header[1] = char(n >> 16);
    header[2] = char(n >> 8);
    header[3] = char(n);
    return header;
}

quint32 readLength(const QByteArray& buffer) {
    const auto byte = [&](int i) { return quint32(static_cast<unsigned char>(buffer[i])); };
    return byte(0) << 24 | byte(1) << 16 | byte(2) << 8 | byte(3);
}

// One request: a type letter and fields separated by NUL, in the server's code page.
QByteArray requestOf(char type, const QStringList& fields) {
    QByteArray payload(1, type);
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            payload.append(FieldBreak);
        payload.append(toWindows1252(fields.at(i)));
    }
    return payload;
}

// The server cuts every reply to this length; a longer one is no reply of it.
constexpr qsizetype MaxReplyChars = 32767;

Reply decodeReply(const QByteArray& frame) {
    if (frame.startsWith('R') && frame.size() - 1 > MaxReplyChars)
        return Reply::failure(TcpErrorProtocol, QStringLiteral("Antwort des Servers zu lang"));
    if (frame.startsWith('R'))
        return {true, frame.mid(1), {}};
    if (frame.startsWith('E')) {
        const qsizetype brk = frame.indexOf(FieldBreak);
        const QByteArray number = frame.mid(1, brk < 0 ? -1 : brk - 1);
        const QByteArray text = brk < 0 ? QByteArray() : frame.mid(brk + 1);
        return Reply::failure(number.toInt(), fromWindows1252(text));
    }
    return Reply::failure(TcpErrorProtocol, QStringLiteral("Unbekannte Antwort des Servers"));
}

const QString CheckSettings = QStringLiteral("Bitte prüfen Sie die Verbindung und das Zertifikat "
                                             "in den Servereinstellungen.");

// What the user reads when the server's certificate is refused.
QString certificateRefusal(const QList<QSslError>& errors, const QString& host) {
    QString reason = QStringLiteral("Es kann nicht geprüft werden.");
    for (const QSslError& e : errors) {
        switch (e.error()) {
        case QSslError::HostNameMismatch:
            reason = QStringLiteral("Es gilt nicht für den Server %1.").arg(host);
            break;
        case QSslError::CertificateExpired:
            reason = QStringLiteral("Es ist abgelaufen.");
            break;
        case QSslError::CertificateNotYetValid:
            reason = QStringLiteral("Es ist noch nicht gültig.");
            break;
        case QSslError::SelfSignedCertificate:
        case QSslError::SelfSignedCertificateInChain:
        case QSslError::UnableToGetLocalIssuerCertificate:
        case QSslError::UnableToGetIssuerCertificate:
        case QSslError::UnableToVerifyFirstCertificate:
        case QSslError::CertificateUntrusted:
            reason = QStringLiteral("Es ist von keiner vertrauenswürdigen Stelle unterschrieben.");
            break;
        default:
            continue;
        }
        break;
    }
    return QStringLiteral("Die Verbindung zum Server wurde abgelehnt: Das Zertifikat des Servers "
                          "ist nicht vertrauenswürdig.\r\n") +
           reason + QStringLiteral("\r\n") + CheckSettings;
}

bool isLoopback(const QString& host) {
    return host == u"localhost" || QHostAddress(host).isLoopback();
}

CallResult toCallResult(const Reply& reply) {
    if (!reply.ok)
        return CallResult::failure(reply.error.number, reply.error.description);
    return CallResult::success(fromWindows1252(reply.value));
}

// The socket and the request/reply bookkeeping. Replies come back in request order; a handler
// that runs while an earlier request waits may send its own request, whose reply then follows.
class TcpLink {
public:
    TcpLink(std::function<TcpCredentials()> credentials, int replyTimeoutMs, QString* sessionToken,
            TcpTransport transport)
        : credentials_(std::move(credentials)), replyTimeoutMs_(replyTimeoutMs),
          sessionToken_(sessionToken), transport_(std::move(transport)) {}
    ~TcpLink() { close(); }
    TcpLink(const TcpLink&) = delete;
    TcpLink& operator=(const TcpLink&) = delete;

    bool open(const QString& host, quint16 port);
    void close();
    bool isOpen();
    // The socket's own state, without looking for a close that nothing has read yet.
    bool connected() const {
        return socket_ && socket_->state() == QAbstractSocket::ConnectedState;
    }
    Reply request(const QByteArray& payload);
    QString refusal() const { return refusal_; }
    // Queues a request without waiting: it leaves with the next request (or when the event loop
    // runs), and its reply is dropped when it comes.
    void post(const QByteArray& payload);

private:
    QTcpSocket* makeSocket(const QString& host);
    std::optional<QSslConfiguration> makeTlsConfiguration();
    Reply exchange(const QByteArray& payload, int timeoutMs);
    bool resumeSession(const TcpCredentials& who);
    Reply logIn(const TcpCredentials& who);
    bool awaitReply(quint64 id, int timeoutMs);
    bool waitUntil(const std::function<bool()>& done, int timeoutMs);
    bool eventLoopAvailable() const;
    void readFrames();
    void notifyWaiters();
    void failWaiting(int number, const QString& description);
    // A link that expects quick replies does not wait longer for the login either.
    int helloTimeoutMs() const { return std::min(HelloTimeoutMs, replyTimeoutMs_); }
    TcpCredentials currentCredentials() const {
        return credentials_ ? credentials_() : TcpCredentials{};
    }

    std::function<TcpCredentials()> credentials_;
    int replyTimeoutMs_;
    QString* sessionToken_;
    TcpTransport transport_;
    std::optional<QSslConfiguration> tlsConfiguration_;
    QString refusal_;
    QTcpSocket* socket_ = nullptr;
    QByteArray buffer_;
    std::deque<quint64> waiting_;
    std::set<quint64> unanswered_; // waiting requests whose replies are dropped
    std::map<quint64, Reply> arrived_;
    quint64 nextId_ = 1;
    std::vector<QEventLoop*> loops_;
    // Closed sockets live on until no caller can be inside one of their waits.
    std::vector<std::unique_ptr<QTcpSocket>> retired_;
    TcpCredentials announced_;
};

bool TcpLink::eventLoopAvailable() const {
    const QCoreApplication* app = QCoreApplication::instance();
    return app && app->thread() == QThread::currentThread();
}

// The TLS settings of the link's connections, or none with the refusal set. The trusted
// certificate is read at the first connection of a login, not again at every reconnection.
std::optional<QSslConfiguration> TcpLink::makeTlsConfiguration() {
    QSslConfiguration config = QSslConfiguration::defaultConfiguration();
    config.setProtocol(QSsl::TlsV1_3OrLater);
    config.setPeerVerifyMode(QSslSocket::VerifyPeer);
    if (!transport_.trustedCertificate.isEmpty()) {
        const QList<QSslCertificate> trusted =
            QSslCertificate::fromPath(transport_.trustedCertificate, QSsl::Pem);
        if (trusted.isEmpty()) {
            refusal_ = QStringLiteral("Die Zertifikatsdatei %1 kann nicht gelesen werden.\r\n")
                           .arg(transport_.trustedCertificate) +
                       CheckSettings;
            return std::nullopt;
        }
        config.setCaCertificates(trusted);
    }
    return config;
}

// A socket of the configured transport, or nullptr with the refusal set.
QTcpSocket* TcpLink::makeSocket(const QString& host) {
    if (!transport_.encrypted) {
        if (isLoopback(host))
            return new QTcpSocket;
        refusal_ = QStringLiteral("Unverschlüsselte Verbindungen sind nur zu einem Server auf "
                                  "diesem Rechner erlaubt.\r\n") +
                   CheckSettings;
        return nullptr;
    }
    if (!tlsConfiguration_ && !(tlsConfiguration_ = makeTlsConfiguration()))
        return nullptr;
    auto* socket = new QSslSocket;
    socket->setSslConfiguration(*tlsConfiguration_);
    QObject::connect(socket, &QSslSocket::sslErrors, socket,
                     [this, host](const QList<QSslError>& errors) {
                         refusal_ = certificateRefusal(errors, host);
                     });
    QObject::connect(socket, &QSslSocket::encrypted, socket, [this] { notifyWaiters(); });
    return socket;
}

bool TcpLink::open(const QString& host, quint16 port) {
    close();
    if (loops_.empty())
        retired_.clear();
    refusal_.clear();
    socket_ = makeSocket(host);
    if (!socket_)
        return false;
    QObject::connect(socket_, &QTcpSocket::readyRead, socket_, [this] { readFrames(); });
    QObject::connect(socket_, &QTcpSocket::stateChanged, socket_, [this] { notifyWaiters(); });
    QObject::connect(socket_, &QTcpSocket::errorOccurred, socket_, [this] { notifyWaiters(); });
    QObject::connect(socket_, &QTcpSocket::disconnected, socket_, [this] {
        failWaiting(TcpErrorConnectionLost, QStringLiteral("Verbindung zum Server unterbrochen"));
    });
    QTcpSocket* socket = socket_;
    auto* secure = qobject_cast<QSslSocket*>(socket);
    bool reached = false;
    const QMetaObject::Connection reaching =
        QObject::connect(socket, &QTcpSocket::connected, socket, [&reached] { reached = true; });
    if (secure)
        secure->connectToHostEncrypted(host, port);
    else
        socket->connectToHost(host, port);
    // Connected means encrypted too when the transport is TLS.
    const auto ready = [socket, secure] {
        return socket->state() == QAbstractSocket::ConnectedState &&
               (!secure || secure->isEncrypted());
    };
    const auto settled = [socket, ready] {
        return ready() || socket->state() == QAbstractSocket::UnconnectedState;
    };
    if (eventLoopAvailable())
        waitUntil(settled, ConnectTimeoutMs);
    else if (secure)
        secure->waitForEncrypted(ConnectTimeoutMs);
    else
        socket->waitForConnected(ConnectTimeoutMs);
    QObject::disconnect(reaching);
    if (socket_ != socket || !ready()) {
        // Reached, but no TLS came back: the server speaks plain TCP (or something else).
        if (secure && refusal_.isEmpty() && reached)
            refusal_ = QStringLiteral("Der Server antwortet nicht verschlüsselt (TLS 1.3).\r\n") +
                       CheckSettings;
        close();
        return false;
    }
    socket_->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    const TcpCredentials hello = currentCredentials();
    if (!resumeSession(hello) && !logIn(hello).ok) {
        close();
        return false;
    }
    announced_ = hello;
    return true;
}

// A connection after the first one of a login presents the login's session token instead of
// the password; a token the server no longer knows leads back to the password.
bool TcpLink::resumeSession(const TcpCredentials& who) {
    if (!sessionToken_ || sessionToken_->isEmpty())
        return false;
    const Reply reply =
        exchange(requestOf('T', {who.firma, who.user, *sessionToken_}), helloTimeoutMs());
    if (!reply.ok)
        sessionToken_->clear();
    return reply.ok;
}

Reply TcpLink::logIn(const TcpCredentials& who) {
    const Reply reply =
        exchange(requestOf('H', {who.firma, who.user, who.password}), helloTimeoutMs());
    if (reply.ok && sessionToken_)
        *sessionToken_ = QString::fromLatin1(reply.value);
    return reply;
}

void TcpLink::close() {
    if (!socket_)
        return;
    QTcpSocket* socket = socket_;
    socket_ = nullptr;
    QObject::disconnect(socket, nullptr, nullptr, nullptr);
    socket->abort();
    buffer_.clear();
    failWaiting(TcpErrorConnectionLost, QStringLiteral("Verbindung zum Server unterbrochen"));
    // A caller further up the stack may still be inside a wait on this socket.
    retired_.emplace_back(socket);
}

bool TcpLink::isOpen() {
    if (!socket_ || socket_->state() != QAbstractSocket::ConnectedState)
        return false;
    // Without pending requests nothing reads the socket; look once whether the server closed it.
    if (waiting_.empty())
        socket_->waitForReadyRead(0);
    return socket_ && socket_->state() == QAbstractSocket::ConnectedState;
}

Reply TcpLink::request(const QByteArray& payload) {
    if (!connected())
        return Reply::failure(TcpErrorNotConnected, QStringLiteral("Keine Verbindung zum Server"));
    if (payload.size() > MaxRequestBytes)
        return Reply::failure(TcpErrorProtocol, QStringLiteral("Befehl zu lang"));
    const TcpCredentials now = currentCredentials();
    if (!(now == announced_)) {
        const Reply hello = logIn(now);
        if (!hello.ok)
            return hello;
        announced_ = now;
    }
    return exchange(payload, replyTimeoutMs_);
}

void TcpLink::post(const QByteArray& payload) {
    if (!connected() || payload.size() > MaxRequestBytes)
        return;
    if (!(currentCredentials() == announced_)) {
        request(payload); // the new credentials are announced and awaited first
        return;
    }
    const quint64 id = nextId_++;
    waiting_.push_back(id);
    unanswered_.insert(id);
    socket_->write(lengthHeader(payload.size()) + payload);
}

Reply TcpLink::exchange(const QByteArray& payload, int timeoutMs) {
    if (!connected())
        return Reply::failure(TcpErrorNotConnected, QStringLiteral("Keine Verbindung zum Server"));
    const quint64 id = nextId_++;
    waiting_.push_back(id);
    socket_->write(lengthHeader(payload.size()) + payload);
    socket_->flush();
    if (!awaitReply(id, timeoutMs)) {
        close();
        arrived_.erase(id);
        return Reply::failure(TcpErrorTimeout,
                              QStringLiteral("Zeitüberschreitung: der Server antwortet nicht"));
    }
    Reply reply = std::move(arrived_.at(id));
    arrived_.erase(id);
    return reply;
}

bool TcpLink::awaitReply(quint64 id, int timeoutMs) {
    const auto arrived = [this, id] { return arrived_.count(id) > 0; };
    const QDeadlineTimer spin(ReplySpin, Qt::PreciseTimer);
    while (!arrived() && connected() && !spin.hasExpired())
        socket_->waitForReadyRead(0);
    const QDeadlineTimer quick(std::min(QuickReplyMs, timeoutMs));
    while (!arrived() && connected() && !quick.hasExpired())
        socket_->waitForReadyRead(int(quick.remainingTime()));
    return arrived() || waitUntil(arrived, timeoutMs);
}

bool TcpLink::waitUntil(const std::function<bool()>& done, int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    if (!eventLoopAvailable()) {
        while (!done() && !deadline.hasExpired()) {
            if (!socket_ || socket_->state() == QAbstractSocket::UnconnectedState)
                break;
            if (socket_->state() == QAbstractSocket::ConnectedState)
                socket_->waitForReadyRead(int(deadline.remainingTime()));
            else
                socket_->waitForConnected(int(deadline.remainingTime()));
        }
        return done();
    }
    // Window events keep running while the server works.
    while (!done() && !deadline.hasExpired()) {
        QEventLoop loop;
        QTimer timer;
        timer.setSingleShot(true);
        QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
        timer.start(int(deadline.remainingTime()));
        loops_.push_back(&loop);
        loop.exec();
        std::erase(loops_, &loop);
    }
    return done();
}

void TcpLink::notifyWaiters() {
    for (QEventLoop* loop : loops_)
        loop->quit();
}

void TcpLink::failWaiting(int number, const QString& description) {
    for (quint64 id : waiting_)
        if (!unanswered_.erase(id))
            arrived_[id] = Reply::failure(number, description);
    waiting_.clear();
    notifyWaiters();
}

void TcpLink::readFrames() {
    if (!socket_)
        return;
    buffer_.append(socket_->readAll());
    while (buffer_.size() >= 4) {
        const quint32 length = readLength(buffer_);
        if (length > MaxReplyBytes || waiting_.empty()) {
            close();
            return;
        }
        if (buffer_.size() < 4 + qsizetype(length))
            break;
        const QByteArray frame = buffer_.mid(4, length);
        buffer_.remove(0, 4 + length);
        const quint64 id = waiting_.front();
        waiting_.pop_front();
        if (!unanswered_.erase(id))
            arrived_[id] = decodeReply(frame);
    }
    notifyWaiters();
}

class TcpObject : public ServerObject {
public:
    TcpObject(std::shared_ptr<TcpLink> link, QString className, QString id)
        : link_(std::move(link)), className_(std::move(className)), id_(std::move(id)) {}

    CallResult Xecute(const QString& command) override {
        return toCallResult(link_->request(requestOf('X', {className_, command})));
    }
    void XecuteUnanswered(const QString& command) override {
        link_->post(requestOf('X', {className_, command}));
    }
    CallResult property(const QString& name) override {
        return toCallResult(link_->request(requestOf('P', {className_, id_, name})));
    }
    CallResult call(const QString& method, const QStringList& arguments) override {
        return toCallResult(
            link_->request(requestOf('C', QStringList{className_, id_, method} + arguments)));
    }
    // The server keeps no state per object.
    void SYS_Close() override {}

private:
    std::shared_ptr<TcpLink> link_;
    QString className_;
    QString id_;
};

class TcpFactory : public Factory {
public:
    TcpFactory(std::function<TcpCredentials()> credentials, int replyTimeoutMs,
               QString* sessionToken, TcpTransport transport)
        : link_(std::make_shared<TcpLink>(std::move(credentials), replyTimeoutMs, sessionToken,
                                          std::move(transport))) {}

    bool Connect(const QString& connectionString) override {
        QString host;
        quint16 port = 0;
        if (!parseConnectionString(connectionString, host, port))
            return false;
        return link_->open(host, port);
    }
    bool IsConnected() override { return link_->isOpen(); }
    void Disconnect() override { link_->close(); }
    QString refusal() const override { return link_->refusal(); }

    // Objects for commands need no round trip: the class is checked with the first command.
    std::unique_ptr<ServerObject> New(const QString& className, ServerError& error) override {
        if (!link_->connected()) {
            error = {TcpErrorNotConnected, QStringLiteral("Keine Verbindung zum Server")};
            return nullptr;
        }
        return std::make_unique<TcpObject>(link_, className, QString());
    }

    std::unique_ptr<ServerObject> OpenId(const QString& className, const QString& id,
                                         ServerError& error) override {
        const Reply reply = link_->request(requestOf('O', {className, id}));
        if (!reply.ok) {
            error = reply.error;
            return nullptr;
        }
        return std::make_unique<TcpObject>(link_, className, id);
    }

private:
    std::shared_ptr<TcpLink> link_;
};

} // namespace

bool parseConnectionString(const QString& text, QString& host, quint16& port) {
    static const QRegularExpression form(
        QStringLiteral(R"(^cn_iptcp:([^\[\]:]+)\[(\d{1,5})\]:[^:]*$)"));
    const QRegularExpressionMatch match = form.match(text.trimmed());
    if (!match.hasMatch())
        return false;
    const uint number = match.captured(2).toUInt();
    if (number == 0 || number > 65535)
        return false;
    host = match.captured(1);
    port = quint16(number);
    return true;
}

std::unique_ptr<Factory> makeTcpFactory(std::function<TcpCredentials()> credentials,
                                        int replyTimeoutMs, QString* sessionToken,
                                        TcpTransport transport) {
    return std::make_unique<TcpFactory>(std::move(credentials), replyTimeoutMs, sessionToken,
                                        std::move(transport));
}

FactoryMaker tcpFactoryMaker(LoginState& state, int replyTimeoutMs) {
    LoginState* login = &state;
    return [login, replyTimeoutMs] {
        return makeTcpFactory(
            [login] {
                return TcpCredentials{login->Firma, login->UserCode, login->Password};
            },
            replyTimeoutMs, &login->SessionToken,
            TcpTransport{!login->Unencrypted, login->TrustedCertificate});
    };
}

} // namespace cacheapi
