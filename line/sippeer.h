#pragma once

#include <QObject>
#include <QStringList>

#include <memory>

namespace line {

// A second SIP telephone without window or sound card: it rings a SIP line with a chosen caller
// number, answers or turns away the calls it gets, holds and hangs up. Driven by a timer on the
// thread that creates it. Used by the demo (ventor-sip-peer), the SIP tests and the benchmarks.
class SipPeer : public QObject {
    Q_OBJECT
public:
    struct Options {
        QString bindAddress = QStringLiteral("127.0.0.1");
        int sipPort = 5080;
        int audioPort = 7090;
        QString dataDir; // empty: a temporary directory of its own
        QString playFile = QStringLiteral("/usr/share/sounds/linphone/hello8000.wav");
        QString user = QStringLiteral("peer"); // user part of the peer's own address
        int tickMs = 5;
    };
    // What the peer does with a call it gets.
    enum class Answering { Manual, Answer, Busy, Decline };

    explicit SipPeer(QObject* parent = nullptr);
    explicit SipPeer(const Options& options, QObject* parent = nullptr);
    ~SipPeer() override;

    bool start();
    QString errorString() const;
    void setAnswering(Answering answering);

    // Rings `target` ("host:port" or a sip: address) showing `callerNumber` as the caller;
    // anonymous hides it.
    bool ring(const QString& target, const QString& callerNumber, bool anonymous = false);
    bool answer();
    bool hangUp();
    bool hold();
    bool resume();

    bool inCall() const;
    QString callState() const;     // the library's name of the current call's state, or "Idle"
    QString dialledNumber() const; // the number the last incoming call was made to
    QString lastReason() const;    // why the last call ended, e.g. "Busy", "Declined"
    QStringList stateHistory() const;
    void clearHistory();
    QString address() const; // "host:port" to reach this peer

    static Answering answeringFromName(const QString& name, bool* ok = nullptr);

signals:
    void callStateChanged(const QString& state);
    void incomingCall(const QString& dialledNumber);

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace line
