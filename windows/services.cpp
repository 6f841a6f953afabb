#include "services.h"

#include <QEvent>
#include <QEventLoop>
#include <QPointer>
#include <QWidget>
#include <cmath>

namespace windows {

namespace {
// 1440 twips per inch, 96 logical pixels per inch.
constexpr double TwipsPerPixel = 15.0;

// Ends the nested loop as soon as the modal window is hidden or closed.
class HideWatcher : public QObject {
public:
    HideWatcher(QWidget* window, QEventLoop& loop) : loop_(loop) {
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Hide || event->type() == QEvent::Close)
            QMetaObject::invokeMethod(&loop_, &QEventLoop::quit, Qt::QueuedConnection);
        return QObject::eventFilter(watched, event);
    }

private:
    QEventLoop& loop_;
};
} // namespace

void QtModalRunner::runModal(QWidget* window) {
    if (!window)
        return;
    if (!window->isVisible())
        window->setWindowModality(Qt::ApplicationModal);
    QPointer<QWidget> guard(window);
    QEventLoop loop;
    HideWatcher watcher(window, loop);
    QObject::connect(window, &QObject::destroyed, &loop, &QEventLoop::quit);
    window->show();
    window->raise();
    window->activateWindow();
    if (window->isVisible())
        loop.exec();
    if (guard) {
        guard->removeEventFilter(&watcher);
        if (!guard->isVisible())
            guard->setWindowModality(Qt::NonModal);
    }
}

int twipsToPixels(double twips) {
    return int(std::lround(twips / TwipsPerPixel));
}

double pixelsToTwips(int pixels) {
    return pixels * TwipsPerPixel;
}

QRect twipsToPixels(const QRect& twips) {
    return QRect(twipsToPixels(twips.left()), twipsToPixels(twips.top()),
                 twipsToPixels(twips.width()), twipsToPixels(twips.height()));
}

void placeTwips(QWidget* widget, int left, int top, int width, int height) {
    widget->setGeometry(twipsToPixels(QRect(left, top, width, height)));
}

} // namespace windows
