// Plays the outside world for a program running on the simulated line:
//   ventor-line-sim ring 03012345      ventor-line-sim answer      ventor-line-sim hangup
// The command words are those of line::LineControlServer.
#include "linecontrol.h"

#include <QCoreApplication>
#include <QLocalSocket>
#include <QStringList>

#include <cstdio>

static const char usage[] =
    "usage: ventor-line-sim COMMAND [NUMBER]\n"
    "  ring NUMBER         a caller with that number rings the program's line\n"
    "  ring-hidden NUMBER  a caller rings, number reported but not flagged present\n"
    "  ring-anonymous      a caller without number rings\n"
    "  identify NUMBER     the other party's number becomes known\n"
    "  answer              take the offered call, or the called party answers\n"
    "  reject              turn the offered call away\n"
    "  hangup              the other party hangs up\n"
    "  busy | decline      the called party is busy or declines\n"
    "  status              show the line's state\n"
    "The program must run on the simulated line (settings Telefon/Line/Type=sim).\n"
    "Socket: $VENTOR_LINE_SIM_SOCKET or $XDG_RUNTIME_DIR/ventor-line-sim\n";

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList words = app.arguments().mid(1);
    if (words.isEmpty() || words.first() == u"-h" || words.first() == u"--help") {
        std::fputs(usage, words.isEmpty() ? stderr : stdout);
        return words.isEmpty() ? 2 : 0;
    }
    const QString path = line::LineControlServer::defaultSocketPath();
    QLocalSocket socket;
    socket.connectToServer(path);
    if (!socket.waitForConnected(3000)) {
        std::fprintf(stderr, "ventor-line-sim: no program on the simulated line at %s (%s)\n",
                     qPrintable(path), qPrintable(socket.errorString()));
        return 3;
    }
    socket.write(words.join(QLatin1Char(' ')).toUtf8() + '\n');
    while (!socket.canReadLine()) {
        if (!socket.waitForReadyRead(5000)) {
            std::fprintf(stderr, "ventor-line-sim: no answer from the program\n");
            return 3;
        }
    }
    const QString reply = QString::fromUtf8(socket.readLine()).trimmed();
    std::puts(qPrintable(reply));
    return reply.startsWith(u"ok") ? 0 : 1;
}
