#include "context.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <cmath>

namespace context {

void QtEventPump::processEvents() {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

void QtEventPump::runQueuedCalls() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
}

void QtEventPump::waitForEvents(int milliseconds) {
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

struct QtTimer::Impl {
    QTimer timer;
};

QtTimer::QtTimer() : impl_(new Impl) {
    impl_->timer.setSingleShot(true);
    QObject::connect(&impl_->timer, &QTimer::timeout, [this] {
        if (onTimeout)
            onTimeout();
    });
}

QtTimer::~QtTimer() {
    delete impl_;
}
void QtTimer::setInterval(int milliseconds) {
    impl_->timer.setInterval(milliseconds);
}
void QtTimer::start() {
    impl_->timer.start();
}
void QtTimer::stop() {
    impl_->timer.stop();
}
bool QtTimer::isActive() const {
    return impl_->timer.isActive();
}

int WaitHundredths(int hundredths, const Clock& clock, EventPump& events) {
    auto seconds = [&clock] { return clock.now().time().msecsSinceStartOfDay() / 1000.0; };
    const double start = seconds();
    const double wait = hundredths / 100.0;
    // The second test ends the wait early when the clock passes midnight.
    while (seconds() < start + wait && seconds() + 0.01 > start)
        events.waitForEvents(10);
    return int(std::lround(seconds() - start));
}

} // namespace context
