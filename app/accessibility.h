#pragma once

#include <QObject>

class QWidget;

namespace app {

// German accessible names (and descriptions where a name alone does not tell what a control
// does) for every control of every window of the program, so that screen readers and desktop
// automation find them. Installed on the application, it names each control when it is first
// shown: by the table of known controls, else after the label beside or above it. Side windows
// close with Escape (the login window excepted, whose closing ends a login).
class AccessibleNames : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    // Names `widget` and every control inside it that has no name yet.
    static void nameControls(QWidget* widget);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

// The main window's keyboard: a function key for every call action, the list bar by Enter,
// a tab order that follows the work (number, dial, hang up, hold, search, list bar).
//   F2 Wählen, F3 Trennen, F4 R (halten / fortsetzen), F5 annehmen, F6 abweisen, F7 Suchen,
//   F8 Zielwahl; in the list bar Enter chooses an entry, Ctrl+Enter edits a speed-dial entry.
void installMainWindowKeys(QWidget* mainWindow);

} // namespace app
