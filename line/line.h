#pragma once

#include <QObject>
#include <QString>

namespace line {

// The program's path to the telephone line: the operations it calls and the events it consumes.
// Events carry no arguments; the reactions read the call's data through the operations.
class Line : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~Line() override = default;

    // A text from the server's telephone parameters, handed over once at start-up.
    virtual void setTextSetting(const QString& text) = 0;
    virtual void setDevice(int index) = 0;
    virtual int device() const = 0;
    virtual int deviceCount() const = 0;
    virtual QString deviceName(int index) const = 0;
    // Opens the line on the chosen device; from then on events flow.
    virtual void open() = 0;
    virtual bool isOpen() const = 0;

    // Ends the current call; harmless when idle.
    virtual void drop() = 0;
    virtual void setNumber(const QString& digits) = 0;
    virtual void makeCall() = 0;
    virtual void hold() = 0;
    virtual void unhold() = 0;
    // Answers or turns away the offered call from the program itself, for lines on which the
    // program is the telephone (a softphone). A line answered on a desk telephone ignores them.
    virtual void answer() {}
    virtual void reject() {}

    // Bit value 8 set: the caller's number is present.
    virtual int callerIdFlags() const = 0;
    virtual QString callerNumber() const = 0;
    virtual QString identifiedNumber() const = 0;
    virtual QString callNumber() const = 0;
    // 1 = outgoing.
    virtual int callOrigin() const = 0;

    // Whether calls can be made now, for the user to see. A line without a server to register
    // with is ready as soon as it is open.
    enum class Readiness { Closed, Connecting, Ready, Failed };
    virtual Readiness readiness() const { return isOpen() ? Readiness::Ready : Readiness::Closed; }
    // The state in German words, with the reason when the line is not ready.
    virtual QString readinessText() const;

    static constexpr int CallerIdNumberPresent = 8;
    static constexpr int OriginOutgoing = 1;
    static constexpr int OriginIncoming = 2;

signals:
    void lineIdle();      // the line went idle
    void lineIdleAgain(); // the second idle notice some line layers give; errors never shown
    void numberIdentified();
    void callEnded();
    void callOffered();
    void connected();
    void dialling();
    void dialTone();
    void disconnected();

    void readinessChanged();
    // makeCall() placed no call because the line cannot call now; `why` is for the user.
    void callRefused(const QString& why);
};

} // namespace line
