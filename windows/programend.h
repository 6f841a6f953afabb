#pragma once

#include "environment.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <functional>

class QWidget;

namespace windows {

// Remembers the program's windows in the order they were opened (shown), so that the end of the
// program can close them most recently opened first. Watches every window of the application.
class WindowRegistry : public QObject {
public:
    WindowRegistry();
    ~WindowRegistry() override;

    // Open windows, the first opened first.
    QList<QWidget*> openWindows() const;
    // Closes every open window, the most recently opened first; returns them in that order.
    QList<QWidget*> closeAllMostRecentFirst();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void opened(QWidget* window);
    QList<QPointer<QWidget>> order_;
};

// CloseAllWindowsAndEnd of a running program: closes the windows, most recently opened first,
// lets their closing run, then ends the process with exit code 0.
class QtProgramEnd : public cacheapi::ProgramEnd {
public:
    // `endProcess` ends the process; it must not return (std::exit when none is given).
    explicit QtProgramEnd(std::function<void(int)> endProcess = {});
    [[noreturn]] void closeAllWindowsAndEnd() override;
    bool ending() const override { return ending_; }
    WindowRegistry& registry() { return registry_; }

private:
    WindowRegistry registry_;
    bool ending_ = false;
    std::function<void(int)> endProcess_;
};

// Ends the program the orderly way when the system asks it to: SIGTERM (the end of the desktop
// session, a service manager, kill), SIGHUP (the terminal or session went away) and SIGINT. The
// signal only wakes the window thread; `end` runs there, as any other event does.
class EndOnSignals : public QObject {
public:
    explicit EndOnSignals(std::function<void()> end);
    ~EndOnSignals() override;

private:
    std::function<void()> end_;
};

} // namespace windows
