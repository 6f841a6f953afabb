#include "programend.h"

#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QWidget>
#include <cstdlib>

namespace windows {

namespace {
// Menus, tool tips and the like are not windows of the program in this sense.
bool isProgramWindow(const QWidget* widget) {
    if (!widget->isWindow())
        return false;
    const Qt::WindowType type = widget->windowType();
    return type == Qt::Window || type == Qt::Dialog || type == Qt::Sheet || type == Qt::Tool;
}
} // namespace

WindowRegistry::WindowRegistry() {
    QCoreApplication::instance()->installEventFilter(this);
}

WindowRegistry::~WindowRegistry() {
    if (QCoreApplication::instance())
        QCoreApplication::instance()->removeEventFilter(this);
}

bool WindowRegistry::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Show && watched->isWidgetType()) {
        auto* widget = static_cast<QWidget*>(watched);
        if (isProgramWindow(widget))
            opened(widget);
    }
    return QObject::eventFilter(watched, event);
}

void WindowRegistry::opened(QWidget* window) {
    order_.removeIf([window](const QPointer<QWidget>& w) { return w.isNull() || w == window; });
    order_.append(window);
}

QList<QWidget*> WindowRegistry::openWindows() const {
    QList<QWidget*> result;
    for (const QPointer<QWidget>& w : order_)
        if (w && w->isVisible())
            result.append(w);
    return result;
}

QList<QWidget*> WindowRegistry::closeAllMostRecentFirst() {
    QList<QWidget*> closed;
    const QList<QWidget*> open = openWindows();
    for (auto it = open.crbegin(); it != open.crend(); ++it) {
        QWidget* window = *it;
        closed.append(window);
        window->close();
    }
    return closed;
}

QtProgramEnd::QtProgramEnd(std::function<void(int)> endProcess)
    : endProcess_(std::move(endProcess)) {}

void QtProgramEnd::closeAllWindowsAndEnd() {
    // Nothing may keep the program alive once the user chose to end it.
    QApplication::setQuitOnLastWindowClosed(false);
    registry_.closeAllMostRecentFirst();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    if (endProcess_)
        endProcess_(0);
    std::exit(0);
}

} // namespace windows
