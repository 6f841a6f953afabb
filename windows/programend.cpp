#include "programend.h"

#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QSocketNotifier>
#include <QWidget>
#include <csignal>
#include <cstdlib>
#include <sys/socket.h>
#include <unistd.h>

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
    ending_ = true;
    QApplication::setQuitOnLastWindowClosed(false);
    registry_.closeAllMostRecentFirst();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    if (endProcess_)
        endProcess_(0);
    std::exit(0);
}

namespace {
int signalPipe[2] = {-1, -1};
constexpr int EndSignals[] = {SIGTERM, SIGHUP, SIGINT};

void noteSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
}
} // namespace

EndOnSignals::EndOnSignals(std::function<void()> end) : end_(std::move(end)) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0)
        return;
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [this] {
        char byte = 0;
        [[maybe_unused]] const ssize_t read = ::read(signalPipe[0], &byte, 1);
        if (end_)
            end_();
    });
    struct sigaction action = {};
    action.sa_handler = noteSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : EndSignals)
        ::sigaction(signal, &action, nullptr);
}

EndOnSignals::~EndOnSignals() {
    for (const int signal : EndSignals)
        std::signal(signal, SIG_DFL);
    for (int& fd : signalPipe) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
}

} // namespace windows
