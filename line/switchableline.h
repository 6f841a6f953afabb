#pragma once

#include "line.h"
#include "lineconfig.h"

#include <functional>
#include <memory>

namespace line {

// The line the program keeps for its whole run while the user changes the line's settings:
// it hands every operation to the line made from the current settings and passes that line's
// events on. A new configuration takes effect when no call is under way.
class SwitchableLine : public Line {
    Q_OBJECT
public:
    using Maker = std::function<std::unique_ptr<Line>(const LineConfig&)>;
    explicit SwitchableLine(const LineConfig& config, Maker maker = {}, QObject* parent = nullptr);
    ~SwitchableLine() override;

    // Closes the current line and opens one made from `config`, with the same text setting
    // and device choice. False, and nothing changed, while a call is under way.
    bool apply(const LineConfig& config);
    bool inCall() const;
    const LineConfig& config() const;
    Line& current() const;

    void setTextSetting(const QString& text) override;
    void setDevice(int index) override;
    int device() const override;
    int deviceCount() const override;
    QString deviceName(int index) const override;
    void open() override;
    bool isOpen() const override;
    void drop() override;
    void setNumber(const QString& digits) override;
    void makeCall() override;
    void hold() override;
    void unhold() override;
    void answer() override;
    void reject() override;
    int callerIdFlags() const override;
    QString callerNumber() const override;
    QString identifiedNumber() const override;
    QString callNumber() const override;
    int callOrigin() const override;
    Readiness readiness() const override;
    QString readinessText() const override;

private:
    void attach();

    Maker maker_;
    LineConfig config_;
    std::unique_ptr<Line> line_;
    QString textSetting_;
    bool callActive_ = false;
};

} // namespace line
