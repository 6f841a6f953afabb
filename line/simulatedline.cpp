#include "simulatedline.h"

namespace line {

SimulatedLine::SimulatedLine(QObject* parent)
    : SimulatedLine(QStringList{QStringLiteral("Simulierte Leitung")}, parent) {}

SimulatedLine::SimulatedLine(QStringList devices, QObject* parent)
    : Line(parent), devices_(std::move(devices)) {}

void SimulatedLine::setTextSetting(const QString& text) {
    textSetting_ = text;
}

void SimulatedLine::setDevice(int index) {
    if (index >= 0 && index < devices_.size())
        device_ = index;
}

int SimulatedLine::device() const {
    return device_;
}
int SimulatedLine::deviceCount() const {
    return devices_.size();
}

QString SimulatedLine::deviceName(int index) const {
    return devices_.value(index);
}

void SimulatedLine::setDevices(const QStringList& devices) {
    devices_ = devices;
    if (device_ >= devices_.size())
        device_ = 0;
}

void SimulatedLine::open() {
    if (open_)
        return;
    open_ = true;
    emit lineIdleAgain();
}

bool SimulatedLine::isOpen() const {
    return open_;
}

void SimulatedLine::drop() {
    switch (state_) {
    case State::Idle:
        return;
    case State::Offered:
        endUnanswered();
        return;
    case State::Dialling:
    case State::Connected:
        endCall();
        return;
    }
}

void SimulatedLine::setNumber(const QString& digits) {
    numberToDial_ = digits;
}

// One call at a time: a call is placed only from the idle line, as the program drops the current
// call before it dials.
void SimulatedLine::makeCall() {
    if (!open_ || state_ != State::Idle || numberToDial_.isEmpty())
        return;
    state_ = State::Dialling;
    held_ = false;
    callOrigin_ = OriginOutgoing;
    callNumber_ = numberToDial_;
    callerNumber_.clear();
    identifiedNumber_.clear();
    callerIdFlags_ = 0;
    emit dialTone();
    emit dialling();
}

void SimulatedLine::hold() {
    if (state_ == State::Connected)
        held_ = true;
}

void SimulatedLine::unhold() {
    if (state_ == State::Connected)
        held_ = false;
}

void SimulatedLine::answer() {
    if (state_ != State::Offered)
        return;
    state_ = State::Connected;
    emit connected();
}

void SimulatedLine::reject() {
    if (state_ == State::Offered)
        endUnanswered();
}

int SimulatedLine::callerIdFlags() const {
    return callerIdFlags_;
}
QString SimulatedLine::callerNumber() const {
    return callerNumber_;
}
QString SimulatedLine::identifiedNumber() const {
    return identifiedNumber_;
}
QString SimulatedLine::callNumber() const {
    return callNumber_;
}
int SimulatedLine::callOrigin() const {
    return callOrigin_;
}

bool SimulatedLine::ring(const QString& callerNumber) {
    return offer(callerNumber, CallerIdNumberPresent);
}

bool SimulatedLine::ringWithoutNumberFlag(const QString& reportedNumber) {
    return offer(reportedNumber, 0);
}

bool SimulatedLine::ringAnonymous() {
    return offer(QString(), 0);
}

bool SimulatedLine::offer(const QString& number, int flags) {
    if (!open_ || state_ != State::Idle)
        return false;
    state_ = State::Offered;
    held_ = false;
    callOrigin_ = OriginIncoming;
    callerIdFlags_ = flags;
    callerNumber_ = number.size() > 2 ? incomingPrefix_ + number : number;
    callNumber_ = callerNumber_;
    identifiedNumber_.clear();
    emit callOffered();
    return true;
}

bool SimulatedLine::identify(const QString& number) {
    if (state_ == State::Idle)
        return false;
    identifiedNumber_ = number;
    emit numberIdentified();
    return true;
}

bool SimulatedLine::remoteAnswer() {
    if (state_ != State::Dialling)
        return false;
    state_ = State::Connected;
    emit connected();
    return true;
}

bool SimulatedLine::remoteHangUp() {
    switch (state_) {
    case State::Idle:
        return false;
    case State::Offered:
        endUnanswered();
        return true;
    case State::Dialling:
    case State::Connected:
        endCall();
        return true;
    }
    return false;
}

bool SimulatedLine::remoteBusy() {
    if (state_ != State::Dialling)
        return false;
    endCall();
    return true;
}

bool SimulatedLine::remoteDecline() {
    return remoteBusy();
}

void SimulatedLine::endUnanswered() {
    state_ = State::Idle;
    held_ = false;
    emit callEnded();
    emit disconnected();
    emit lineIdle();
}

void SimulatedLine::endCall() {
    state_ = State::Idle;
    held_ = false;
    emit disconnected();
    emit lineIdle();
}

QString SimulatedLine::stateName(State state) {
    switch (state) {
    case State::Idle:
        return QStringLiteral("idle");
    case State::Offered:
        return QStringLiteral("offered");
    case State::Dialling:
        return QStringLiteral("dialling");
    case State::Connected:
        return QStringLiteral("connected");
    }
    return {};
}

} // namespace line
