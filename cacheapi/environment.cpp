#include "environment.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

namespace cacheapi {

void QtEventPump::processEvents() {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
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

} // namespace cacheapi
