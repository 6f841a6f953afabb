// A SIP telephone for the demo: `ventor-sip-peer serve` runs it beside the program; the other
// commands are handed to the running peer:
//   ventor-sip-peer ring 03012345     the peer rings the program with that caller number
//   ventor-sip-peer hangup            the peer hangs up
#include "sippeer.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>

#include <csignal>
#include <cstdio>

namespace {

const char commandsHelp[] = "Commands handed to the running peer:\n"
                            "  ring NUMBER       ring the program, showing NUMBER as the caller\n"
                            "  ring-anonymous    ring the program without caller number\n"
                            "  answer            take the call the program placed\n"
                            "  hangup            end the call\n"
                            "  hold | resume     hold or resume the call\n"
                            "  mode MODE         what to do with the program's calls:\n"
                            "                    manual, answer, busy or decline\n"
                            "  status            the peer's call state\n";

QString socketPath() {
    const QString fromEnvironment = qEnvironmentVariable("VENTOR_SIP_PEER_SOCKET");
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation) +
           QStringLiteral("/ventor-sip-peer");
}

QString ok(bool done, const char* refusal) {
    return done ? QStringLiteral("ok") : QStringLiteral("error ") + QLatin1String(refusal);
}

QString execute(line::SipPeer& peer, const QString& lineAddress, const QString& commandLine) {
    const QStringList words = commandLine.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    const QString command = words.value(0).toLower();
    const QString argument = words.value(1);
    if (command == u"ring") {
        if (argument.isEmpty())
            return QStringLiteral("error ring needs a number");
        return ok(peer.ring(lineAddress, argument), "already in a call");
    }
    if (command == u"ring-anonymous")
        return ok(peer.ring(lineAddress, QString(), true), "already in a call");
    if (command == u"answer")
        return ok(peer.answer(), "no call to answer");
    if (command == u"hangup")
        return ok(peer.hangUp(), "no call");
    if (command == u"hold")
        return ok(peer.hold(), "no call to hold");
    if (command == u"resume")
        return ok(peer.resume(), "no call to resume");
    if (command == u"mode") {
        bool known = false;
        const auto answering = line::SipPeer::answeringFromName(argument, &known);
        if (known)
            peer.setAnswering(answering);
        return ok(known, "mode is manual, answer, busy or decline");
    }
    if (command == u"status")
        return QStringLiteral("ok ") + peer.callState() +
               (peer.lastReason().isEmpty() ? QString()
                                            : QStringLiteral(" last-reason=") + peer.lastReason());
    return QStringLiteral("error unknown command ") + command;
}

int serve(QCoreApplication& app, const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Runs the SIP peer."));
    parser.addHelpOption();
    parser.addOption({"port", "SIP port of the peer (5080).", "port", "5080"});
    parser.addOption({"audio-port", "RTP port of the peer (7090).", "port", "7090"});
    parser.addOption({"bind", "Address to bind (127.0.0.1).", "address", "127.0.0.1"});
    parser.addOption({"line", "host:port of the program's SIP line (127.0.0.1:5070).", "address",
                      "127.0.0.1:5070"});
    parser.addOption({"answering", "manual, answer, busy or decline (answer).", "mode", "answer"});
    parser.addOption({"data-dir", "Private directory of the peer (temporary).", "dir"});
    parser.process(arguments);

    line::SipPeer::Options options;
    options.sipPort = parser.value("port").toInt();
    options.audioPort = parser.value("audio-port").toInt();
    options.bindAddress = parser.value("bind");
    options.dataDir = parser.value("data-dir");
    line::SipPeer peer(options);
    bool known = false;
    peer.setAnswering(line::SipPeer::answeringFromName(parser.value("answering"), &known));
    if (!known || !peer.start()) {
        std::fprintf(stderr, "ventor-sip-peer: %s\n",
                     known ? qPrintable(peer.errorString()) : "unknown answering mode");
        return 2;
    }
    const QString lineAddress = parser.value("line");
    QObject::connect(&peer, &line::SipPeer::callStateChanged, [](const QString& state) {
        std::printf("call %s\n", qPrintable(state));
        std::fflush(stdout);
    });

    QLocalServer control;
    control.setSocketOptions(QLocalServer::UserAccessOption);
    QLocalServer::removeServer(socketPath());
    if (!control.listen(socketPath())) {
        std::fprintf(stderr, "ventor-sip-peer: cannot listen on %s\n", qPrintable(socketPath()));
        return 2;
    }
    QObject::connect(&control, &QLocalServer::newConnection, [&] {
        while (QLocalSocket* socket = control.nextPendingConnection()) {
            QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            QObject::connect(socket, &QLocalSocket::readyRead, [&peer, lineAddress, socket] {
                while (socket->canReadLine()) {
                    const QString command = QString::fromUtf8(socket->readLine()).trimmed();
                    socket->write(execute(peer, lineAddress, command).toUtf8() + '\n');
                }
            });
        }
    });
    std::signal(SIGINT, [](int) { QCoreApplication::quit(); });
    std::signal(SIGTERM, [](int) { QCoreApplication::quit(); });
    std::printf("SIP peer at %s, calls the program at %s, control socket %s\n",
                qPrintable(peer.address()), qPrintable(lineAddress), qPrintable(socketPath()));
    std::fflush(stdout);
    return app.exec();
}

int send(const QStringList& words) {
    QLocalSocket socket;
    socket.connectToServer(socketPath());
    if (!socket.waitForConnected(3000)) {
        std::fprintf(stderr,
                     "ventor-sip-peer: no peer running at %s (start: ventor-sip-peer serve)\n",
                     qPrintable(socketPath()));
        return 3;
    }
    socket.write(words.join(QLatin1Char(' ')).toUtf8() + '\n');
    while (!socket.canReadLine()) {
        if (!socket.waitForReadyRead(5000)) {
            std::fprintf(stderr, "ventor-sip-peer: no answer from the peer\n");
            return 3;
        }
    }
    const QString reply = QString::fromUtf8(socket.readLine()).trimmed();
    std::puts(qPrintable(reply));
    return reply.startsWith(u"ok") ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    const QString first = arguments.value(1);
    if (first.isEmpty() || first == u"-h" || first == u"--help") {
        std::printf("usage: ventor-sip-peer serve [--help for options]\n"
                    "       ventor-sip-peer COMMAND [ARGUMENT]\n%s"
                    "Socket: $VENTOR_SIP_PEER_SOCKET or $XDG_RUNTIME_DIR/ventor-sip-peer\n",
                    commandsHelp);
        return first.isEmpty() ? 2 : 0;
    }
    if (first == u"serve")
        return serve(app, QStringList{arguments.first()} + arguments.mid(2));
    return send(arguments.mid(1));
}
