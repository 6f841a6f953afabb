#pragma once

#include "line.h"
#include "lineconfig.h"
#include "sipmodule.h"

#include <QList>

#include <memory>

namespace line {

// The user's telephone line over SIP: the program is the telephone, registered with the
// company's SIP server (account mode) or reached directly (peer-to-peer mode).
//
// Events come in the simulated line's orders:
//   incoming, answered:      callOffered, connected, ... disconnected, lineIdle
//   incoming, not answered:  callOffered, callEnded, disconnected, lineIdle
//                            (caller gave up, rejected, dropped while ringing)
//   outgoing, answered:      dialTone, dialling, connected, ... disconnected, lineIdle
//   outgoing, not answered:  dialTone, dialling, disconnected, lineIdle (busy, declined, failed)
//   line ready:              lineIdleAgain (opened peer-to-peer, or registered with the server)
// A call asked for while the line is not registered gives callRefused instead.
// SIP has no dial tone: dialTone is given when the program places a call. Hold and resume (ours
// or the other party's) give no event. An anonymous caller has no number and caller-ID flags 0.
//
// The SIP stack runs on the thread that opens the line, ticked by a timer; events are given
// after the stack's work of that tick is done, one after another, so a reaction may wait on
// the server, call the line's operations or let pending window events run.
class SipLine : public Line {
    Q_OBJECT
public:
    explicit SipLine(const LineConfig& config, QObject* parent = nullptr);
    ~SipLine() override;

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

    Readiness readiness() const override;
    QString readinessText() const override;

    // Why open() failed, empty when it did not.
    QString errorString() const;
    bool isRegistered() const;
    // Why the last registration failed, in German; empty while registered.
    QString failureReason() const;
    bool isHeld() const;
    // Interval of the SIP stack's timer while something happens (10 ms) and while the line
    // is idle (200 ms).
    void setTickInterval(int milliseconds);
    void setIdleTickInterval(int milliseconds);
    int currentTickInterval() const;
    // After a failed registration the line registers again after this time (20 s).
    void setRetryInterval(int milliseconds);

    // The sound system's devices by the names the line's settings take; empty without a
    // sound server.
    using SoundDevice = line::SoundDevice;
    static QList<SoundDevice> soundDevices(const QString& dataDir);

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace line
