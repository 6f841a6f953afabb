#include "switchableline.h"

namespace line {

SwitchableLine::SwitchableLine(const LineConfig& config, Maker maker, QObject* parent)
    : Line(parent), maker_(std::move(maker)), config_(config) {
    if (!maker_)
        maker_ = [](const LineConfig& c) { return makeLine(c); };
    line_ = maker_(config_);
    attach();
}

SwitchableLine::~SwitchableLine() = default;

// A call is under way from its first event to the line's next idle event.
void SwitchableLine::attach() {
    Line* l = line_.get();
    auto busy = [this] { callActive_ = true; };
    auto idle = [this] { callActive_ = false; };
    connect(l, &Line::lineIdle, this, idle);
    connect(l, &Line::callOffered, this, busy);
    connect(l, &Line::dialTone, this, busy);
    connect(l, &Line::lineIdle, this, &Line::lineIdle);
    connect(l, &Line::lineIdleAgain, this, &Line::lineIdleAgain);
    connect(l, &Line::numberIdentified, this, &Line::numberIdentified);
    connect(l, &Line::callEnded, this, &Line::callEnded);
    connect(l, &Line::callOffered, this, &Line::callOffered);
    connect(l, &Line::connected, this, &Line::connected);
    connect(l, &Line::dialling, this, &Line::dialling);
    connect(l, &Line::dialTone, this, &Line::dialTone);
    connect(l, &Line::disconnected, this, &Line::disconnected);
    connect(l, &Line::readinessChanged, this, &Line::readinessChanged);
    connect(l, &Line::callRefused, this, &Line::callRefused);
}

bool SwitchableLine::apply(const LineConfig& config) {
    if (callActive_)
        return false;
    const bool wasOpen = line_->isOpen();
    const int chosen = line_->device();
    line_.reset(); // the old line frees its ports before the new one takes them
    config_ = config;
    line_ = maker_(config_);
    attach();
    line_->setTextSetting(textSetting_);
    line_->setDevice(chosen < line_->deviceCount() ? chosen : 0);
    if (wasOpen)
        line_->open();
    emit readinessChanged();
    return true;
}

bool SwitchableLine::inCall() const {
    return callActive_;
}
const LineConfig& SwitchableLine::config() const {
    return config_;
}
Line& SwitchableLine::current() const {
    return *line_;
}

void SwitchableLine::setTextSetting(const QString& text) {
    textSetting_ = text;
    line_->setTextSetting(text);
}
void SwitchableLine::setDevice(int index) {
    line_->setDevice(index);
}
int SwitchableLine::device() const {
    return line_->device();
}
int SwitchableLine::deviceCount() const {
    return line_->deviceCount();
}
QString SwitchableLine::deviceName(int index) const {
    return line_->deviceName(index);
}
void SwitchableLine::open() {
    line_->open();
}
bool SwitchableLine::isOpen() const {
    return line_->isOpen();
}
void SwitchableLine::drop() {
    line_->drop();
}
void SwitchableLine::setNumber(const QString& digits) {
    line_->setNumber(digits);
}
void SwitchableLine::makeCall() {
    line_->makeCall();
}
void SwitchableLine::hold() {
    line_->hold();
}
void SwitchableLine::unhold() {
    line_->unhold();
}
void SwitchableLine::answer() {
    line_->answer();
}
void SwitchableLine::reject() {
    line_->reject();
}
int SwitchableLine::callerIdFlags() const {
    return line_->callerIdFlags();
}
QString SwitchableLine::callerNumber() const {
    return line_->callerNumber();
}
QString SwitchableLine::identifiedNumber() const {
    return line_->identifiedNumber();
}
QString SwitchableLine::callNumber() const {
    return line_->callNumber();
}
int SwitchableLine::callOrigin() const {
    return line_->callOrigin();
}
Line::Readiness SwitchableLine::readiness() const {
    return line_->readiness();
}
QString SwitchableLine::readinessText() const {
    return line_->readinessText();
}

} // namespace line
