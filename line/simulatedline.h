#pragma once

#include "line.h"

#include <QStringList>

namespace line {

// A telephone line without a telephone: tests and the demo play the outside world (a caller
// ringing, the called party answering, being busy, hanging up) and the line reports it with the
// events a real line gives, in the same order, before the driving call returns.
//
// Event orders (the real SIP line keeps the same ones):
//   incoming, answered:        callOffered, connected, ... disconnected, lineIdle
//   incoming, not answered     callOffered, callEnded, disconnected, lineIdle
//     (caller gives up, rejected or dropped while offered)
//   outgoing, answered:        dialTone, dialling, connected, ... disconnected, lineIdle
//   outgoing, not answered     dialTone, dialling, disconnected, lineIdle
//     (busy, declined, dropped while ringing)
//   the line opened:           lineIdleAgain
// Only an offered incoming call ends with callEnded, so a missed call is journalled there and
// never an outgoing call that did not connect. Hold and resume give no event. numberIdentified
// comes whenever the other party's number becomes known during a call.
class SimulatedLine : public Line {
    Q_OBJECT
public:
    enum class State { Idle, Offered, Dialling, Connected };

    explicit SimulatedLine(QObject* parent = nullptr);
    // `devices` are the names the line offers for the device choice.
    explicit SimulatedLine(QStringList devices, QObject* parent = nullptr);

    void setTextSetting(const QString& text) override;
    void setDevice(int index) override;
    int device() const override;
    int deviceCount() const override;
    QString deviceName(int index) const override;
    void open() override;
    bool isOpen() const override;

    void drop() override;
    void setNumber(const QString& digits) override;
    void makeCall() override;
    void hold() override;
    void unhold() override;
    void answer() override;
    void reject() override;

    int callerIdFlags() const override;
    QString callerNumber() const override;
    QString identifiedNumber() const override;
    QString callNumber() const override;
    int callOrigin() const override;

    // The outside world. Each returns false, and reports nothing, when the line is not open or
    // the call is not in a state where that can happen.
    bool ring(const QString& callerNumber);                    // caller number present
    bool ringWithoutNumberFlag(const QString& reportedNumber); // a number, but not flagged present
    bool ringAnonymous();
    bool identify(const QString& number);
    bool remoteAnswer();
    bool remoteHangUp();
    bool remoteBusy();
    bool remoteDecline();

    State state() const { return state_; }
    bool isHeld() const { return held_; }
    QString textSetting() const { return textSetting_; }
    QString numberToDial() const { return numberToDial_; }
    void setDevices(const QStringList& devices);
    // Put in front of the caller numbers of incoming calls of more than two digits, as a
    // telephone system does with the outside-line digit (internal extensions stay as they are).
    void setIncomingPrefix(const QString& prefix) { incomingPrefix_ = prefix; }

    static QString stateName(State state);

private:
    bool offer(const QString& number, int flags);
    void endUnanswered();
    void endCall();

    QStringList devices_;
    int device_ = 0;
    bool open_ = false;
    QString textSetting_;
    QString incomingPrefix_;

    State state_ = State::Idle;
    bool held_ = false;
    QString numberToDial_;
    int callerIdFlags_ = 0;
    QString callerNumber_;
    QString identifiedNumber_;
    QString callNumber_;
    int callOrigin_ = 0;
};

} // namespace line
