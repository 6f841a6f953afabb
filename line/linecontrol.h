#pragma once

#include <QObject>
#include <QString>

class QLocalServer;
class QLocalSocket;

namespace line {

class SimulatedLine;

// The simulated line's control channel: a local socket on which `ventor-line-sim` (or a test)
// plays the outside world. One command per line, one reply line per command ("ok ..." or
// "error ..."). Commands:
//   ring NUMBER          a caller with that number rings
//   ring-hidden NUMBER   a caller rings; the number is reported but not flagged present
//   ring-anonymous       a caller without number rings
//   identify NUMBER      the other party's number becomes known
//   answer               the offered call is taken at the telephone, or the called party answers
//   reject               the offered call is turned away at the telephone
//   hangup               the other party hangs up (a ringing caller gives up)
//   busy | decline       the called party is busy or declines
//   status               the line's state
class LineControlServer : public QObject {
    Q_OBJECT
public:
    LineControlServer(SimulatedLine* line, QObject* parent = nullptr);
    ~LineControlServer() override;

    // Listens on `path` (a stale socket file left there is replaced); false when that fails.
    bool listen(const QString& path = defaultSocketPath());
    QString socketPath() const;

    // The reply to one command line; the socket only carries it.
    QString execute(const QString& commandLine);

    // $VENTOR_LINE_SIM_SOCKET, else "ventor-line-sim" in the user's runtime directory.
    static QString defaultSocketPath();

private:
    void serve(QLocalSocket* socket);

    SimulatedLine* line_;
    QLocalServer* server_;
};

} // namespace line
