#include "linecontrol.h"

#include "simulatedline.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <QStandardPaths>

namespace line {

LineControlServer::LineControlServer(SimulatedLine* line, QObject* parent)
    : QObject(parent), line_(line), server_(new QLocalServer(this)) {
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    connect(server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = server_->nextPendingConnection())
            serve(socket);
    });
}

LineControlServer::~LineControlServer() {
    server_->close();
}

QString LineControlServer::defaultSocketPath() {
    const QString fromEnvironment = qEnvironmentVariable("VENTOR_LINE_SIM_SOCKET");
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation) +
           QStringLiteral("/ventor-line-sim");
}

bool LineControlServer::listen(const QString& path) {
    server_->close();
    QLocalServer::removeServer(path);
    return server_->listen(path);
}

QString LineControlServer::socketPath() const {
    return server_->fullServerName();
}

// A command runs the program's reaction to the line event, which may wait for the server or
// hold a message box open; the tool may hang up meanwhile and its socket is then deleted. The
// reply goes out only when the socket is still there.
void LineControlServer::serve(QLocalSocket* socket) {
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    const QPointer<QLocalSocket> guarded(socket);
    connect(socket, &QLocalSocket::readyRead, this, [this, guarded] {
        while (guarded && guarded->canReadLine()) {
            const QString command = QString::fromUtf8(guarded->readLine()).trimmed();
            const QByteArray reply = execute(command).toUtf8() + '\n';
            if (!guarded || guarded->state() != QLocalSocket::ConnectedState)
                return;
            guarded->write(reply);
        }
    });
}

static QString outcome(bool accepted, const QString& refusal) {
    return accepted ? QStringLiteral("ok") : QStringLiteral("error ") + refusal;
}

QString LineControlServer::execute(const QString& commandLine) {
    const QStringList words = commandLine.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words.isEmpty())
        return QStringLiteral("error empty command");
    const QString command = words.first().toLower();
    const QString argument = words.value(1);
    const QString notNow = QStringLiteral("not possible in state ") +
                           SimulatedLine::stateName(line_->state()) +
                           (line_->isOpen() ? QString() : QStringLiteral(" (line not open)"));

    if ((command == u"ring" || command == u"ring-hidden" || command == u"identify") &&
        argument.isEmpty())
        return QStringLiteral("error ") + command + QStringLiteral(" needs a number");
    if (command == u"ring")
        return outcome(line_->ring(argument), notNow);
    if (command == u"ring-hidden")
        return outcome(line_->ringWithoutNumberFlag(argument), notNow);
    if (command == u"ring-anonymous")
        return outcome(line_->ringAnonymous(), notNow);
    if (command == u"identify")
        return outcome(line_->identify(argument), notNow);
    if (command == u"answer") {
        if (line_->state() == SimulatedLine::State::Offered) {
            line_->answer();
            return QStringLiteral("ok");
        }
        return outcome(line_->remoteAnswer(), notNow);
    }
    if (command == u"reject") {
        const bool offered = line_->state() == SimulatedLine::State::Offered;
        line_->reject();
        return outcome(offered, notNow);
    }
    if (command == u"hangup")
        return outcome(line_->remoteHangUp(), notNow);
    if (command == u"busy")
        return outcome(line_->remoteBusy(), notNow);
    if (command == u"decline")
        return outcome(line_->remoteDecline(), notNow);
    if (command == u"status") {
        return QStringLiteral("ok %1%2 origin=%3 number=%4")
            .arg(SimulatedLine::stateName(line_->state()),
                 line_->isHeld() ? QStringLiteral(" held") : QString())
            .arg(line_->callOrigin())
            .arg(line_->callNumber());
    }
    return QStringLiteral("error unknown command ") + command;
}

} // namespace line
