#include "singleinstance.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>

namespace app {

namespace {

QString runtimeDirectory(const QString& directory) {
    if (!directory.isEmpty())
        return directory;
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
}

// A request list travels as lines ended by an empty line; the first process answers "ok".
const QByteArray Accepted = "ok\n";

} // namespace

SingleInstance::SingleInstance(const QString& directory, QObject* parent)
    : QObject(parent),
      socketPath_(runtimeDirectory(directory) + QStringLiteral("/ventor-telefon.instance")),
      lock_(socketPath_ + QStringLiteral(".lock")) {
    lock_.setStaleLockTime(0); // only a dead owner makes the lock stale, never its age
}

SingleInstance::~SingleInstance() {
    if (server_)
        server_->close();
}

bool SingleInstance::claim() {
    if (!lock_.tryLock(0))
        return false;
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    // The lock is ours, so a socket file left there belongs to a dead predecessor.
    QLocalServer::removeServer(socketPath_);
    connect(server_, &QLocalServer::newConnection, this, &SingleInstance::serveConnection);
    return server_->listen(socketPath_);
}

void SingleInstance::serveConnection() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            QStringList requests = socket->property("requests").toStringList();
            while (socket->canReadLine()) {
                const QString line = QString::fromUtf8(socket->readLine()).chopped(1);
                if (!line.isEmpty()) {
                    requests << line;
                    continue;
                }
                socket->write(Accepted);
                socket->flush();
                // Handled after this handler returns: a request may open a message box.
                QMetaObject::invokeMethod(
                    this, [this, requests] { emit requestsReceived(requests); },
                    Qt::QueuedConnection);
                requests.clear();
            }
            socket->setProperty("requests", requests);
        });
    }
}

bool SingleInstance::forward(const QStringList& requests, int timeoutMs) const {
    const QDeadlineTimer deadline(timeoutMs);
    QLocalSocket socket;
    // The first process may hold the lock and not listen yet: it is still starting.
    for (;;) {
        socket.connectToServer(socketPath_);
        if (socket.waitForConnected(int(deadline.remainingTime())))
            break;
        if (deadline.hasExpired())
            return false;
        QThread::msleep(50);
    }
    QByteArray message;
    for (const QString& request : requests)
        message += request.toUtf8().replace('\n', ' ') + '\n';
    socket.write(message + '\n');
    if (!socket.waitForBytesWritten(int(deadline.remainingTime())))
        return false;
    while (!socket.canReadLine()) {
        if (!socket.waitForReadyRead(int(deadline.remainingTime())))
            return false;
    }
    return socket.readLine() == Accepted;
}

} // namespace app
