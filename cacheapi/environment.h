#pragma once

#include <QDateTime>
#include <QString>
#include <functional>

// The program's ties to the outside world that tests replace: time, the event loop,
// the idle timer, message boxes and the end of the program.
namespace cacheapi {

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

} // namespace cacheapi
