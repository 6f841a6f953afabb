#pragma once

#include "context.h"

#include <QRect>
#include <QString>

class QWidget;

namespace cacheapi {
class ServerLink;
}
namespace line {
class Line;
}
namespace telefon {
class ListBarModel;
struct TelephoneParameters;
} // namespace telefon

namespace windows {

// Shows windows modally. The program runs a local event loop until the window is hidden;
// tests answer the window without blocking.
class ModalRunner {
public:
    virtual ~ModalRunner() = default;
    // Returns when the window has been hidden (or closed).
    virtual void runModal(QWidget* window) = 0;
};

// The real one: window-modal, a nested event loop until the window is hidden.
class QtModalRunner : public ModalRunner {
public:
    void runModal(QWidget* window) override;
};

// What the side windows need of the main window.
class MainWindowAccess {
public:
    virtual ~MainWindowAccess() = default;
    virtual QString numberText() const = 0; // RUFNR
    virtual void setNumberText(const QString& text) = 0;
    virtual QString nameText() const = 0;    // NAMEN of the customer panel
    virtual QString accountText() const = 0; // Nr of the customer panel
    // LookupCaller with the number; fills the main window's customer panel.
    virtual bool lookupCaller(const QString& number) = 0;
    // DialNumber on the main window's line.
    virtual void dialNumber(const QString& text) = 0;
    // Shows the main window and brings it to the front.
    virtual void showMainWindow() = 0;
    // Writes the title banner anew (company, branch, person name) after a repeated login.
    virtual void rebuildTitle() = 0;
    // The main window's outer frame in twips (left, top, width, height).
    virtual QRect frameTwips() const = 0;
    virtual QWidget* widget() = 0;
};

// The program-wide objects the windows work with.
struct Services {
    context::Context context;
    cacheapi::ServerLink& link;
    ModalRunner& modal;
    telefon::ListBarModel& listBar;
    telefon::TelephoneParameters& params;
    MainWindowAccess* main = nullptr;
};

// Twips (1/1440 inch) and screen pixels; the screen's logical DPI decides.
int twipsToPixels(double twips);
double pixelsToTwips(int pixels);
QRect twipsToPixels(const QRect& twips);
// Puts a control at its designed place, given in twips.
void placeTwips(QWidget* widget, int left, int top, int width, int height);

} // namespace windows
