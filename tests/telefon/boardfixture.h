#pragma once

// What the board tests need around the window: a server holding known staff and times, the
// services of the side windows, a main window that records what it was asked, and a modal
// runner that plays the user while the board is open.

#include "context.h"
#include "fmabt.h"
#include "listbar.h"
#include "numberops.h"
#include "services.h"
#include "simulatedline.h"
#include "telephoneparams.h"

#include <QTest>
#include <functional>

namespace boardtest {

// Plays the user while the board is shown; the board must be closed when the script ends.
class ScriptedModalRunner : public windows::ModalRunner {
public:
    std::function<void(windows::FMAbt&)> script;
    int runs = 0;
    bool closedByScript = false;
    void runModal(QWidget* window) override {
        ++runs;
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        if (script)
            script(*static_cast<windows::FMAbt*>(window));
        closedByScript = !window->isVisible();
        window->hide();
    }
};

// The main window as far as the board uses it: the number field and dialling on a line.
class RecordingMainWindow : public windows::MainWindowAccess {
public:
    RecordingMainWindow(line::Line& line, const telefon::TelephoneParameters& params)
        : line_(line), params_(params) {}
    QString numberText() const override { return number; }
    void setNumberText(const QString& text) override {
        number = text;
        actions << "RUFNR " + text;
    }
    QString nameText() const override { return {}; }
    QString accountText() const override { return {}; }
    bool lookupCaller(const QString&) override { return false; }
    void dialNumber(const QString& text) override {
        actions << "dial " + text;
        telefon::DialNumber(line_, params_, text);
    }
    void showMainWindow() override { actions << "show"; }
    void rebuildTitle() override {}
    QRect frameTwips() const override { return {}; }
    QWidget* widget() override { return nullptr; }

    QString number;
    QStringList actions;

private:
    line::Line& line_;
    const telefon::TelephoneParameters& params_;
};

// A clock that stands still unless moved.
class SettableClock : public context::Clock {
public:
    QDateTime now() const override { return time; }
    QDateTime time;
};

// The colour of a widget's pixel as it is painted on the screen.
inline QColor pixelOf(QWidget* widget, QPoint at) {
    return widget->grab().toImage().pixelColor(at * widget->devicePixelRatio());
}

} // namespace boardtest
