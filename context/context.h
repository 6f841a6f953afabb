#pragma once

#include <QDateTime>
#include <QString>
#include <functional>

namespace settings {
class SettingsStore;
}

// The program's ties to the outside world that tests replace: time, waits and the event loop,
// the idle timer, message boxes and the end of the program.
namespace context {

class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
};

// Lets pending window events run while the program waits.
class EventPump {
public:
    virtual ~EventPump() = default;
    virtual void processEvents() = 0;
    // Lets events run for `milliseconds` without spinning the processor.
    virtual void waitForEvents(int milliseconds) {
        (void)milliseconds;
        processEvents();
    }
    // Runs the calls other parts of the program have queued to run next (a line event sent on
    // its way, a deferred reaction), without input, timers or painting.
    virtual void runQueuedCalls() { processEvents(); }
};

// A single-shot-per-start timer (the connection's idle timer).
class Timer {
public:
    virtual ~Timer() = default;
    virtual void setInterval(int milliseconds) = 0;
    virtual void start() = 0;
    virtual void stop() = 0;
    virtual bool isActive() const = 0;
    std::function<void()> onTimeout;
};

enum class Icon { None, Information, Exclamation, Critical, Question };
enum class Buttons { Ok, YesNo };
enum class Answer { Ok, Yes, No };

// Message boxes. Texts use CR LF between lines as the program builds them.
class Dialogs {
public:
    virtual ~Dialogs() = default;
    virtual Answer message(const QString& text, const QString& title, Icon icon,
                           Buttons buttons) = 0;
    // Mouse pointer back to the normal arrow.
    virtual void normalCursor() {}
};

// Ends the program: closes every window, most recently opened first, then ends the process.
class ProgramEnd {
public:
    virtual ~ProgramEnd() = default;
    [[noreturn]] virtual void closeAllWindowsAndEnd() = 0;
    // True while the program closes its windows to end: no window asks the user about it.
    virtual bool ending() const { return false; }
};

// The real clock and event loop of a running Qt program.
class SystemClock : public Clock {
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};

class QtEventPump : public EventPump {
public:
    void processEvents() override;
    void waitForEvents(int milliseconds) override;
    void runQueuedCalls() override;
};

class QtTimer : public Timer {
public:
    QtTimer();
    ~QtTimer() override;
    void setInterval(int milliseconds) override;
    void start() override;
    void stop() override;
    bool isActive() const override;

private:
    struct Impl;
    Impl* impl_;
};

// Waits n hundredths of a second while letting events run; returns the elapsed whole seconds.
int WaitHundredths(int hundredths, const Clock& clock, EventPump& events);

// The context every part of the program is given: built once in main() and by each test.
struct Context {
    settings::SettingsStore& store;
    Dialogs& dialogs;
    Clock& clock;
    EventPump& events;
    Timer& idleTimer;
    ProgramEnd& programEnd;
};

} // namespace context
