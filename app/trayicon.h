#pragma once

#include "callsession.h"

#include <QIcon>
#include <QList>
#include <QObject>

#include <functional>

class QMenu;
class QSystemTrayIcon;

namespace app {

// The program in the panel's notification area: its picture shows the line state, its tooltip
// the state, the caller and the missed calls not yet looked at; a left click brings the main
// window to the front; its menu shows the window, offers the last missed calls (choosing one
// puts its number into the number field and looks the caller up, as the list bar does) and
// ends the program.
class TrayIcon : public QObject {
    Q_OBJECT
public:
    struct Actions {
        std::function<void()> showWindow;
        std::function<void()> endProgram; // the program's own end, without a question
    };
    TrayIcon(telefon::CallSession& session, Actions actions, QObject* parent = nullptr);
    ~TrayIcon() override;

    void show();
    QString toolTip() const;
    QMenu* menu() const { return menu_; }
    // The user looked at the window: the missed calls count as seen.
    void missedCallsSeen();

    static QIcon pictureFor(telefon::CallSession::LineState state);
    static QString stateText(telefon::CallSession::LineState state);
    static constexpr int MissedInMenu = 5;

private:
    void update();
    void rebuildMenu();
    void showWindow();

    telefon::CallSession& session_;
    Actions actions_;
    QSystemTrayIcon* icon_;
    QMenu* menu_;
    telefon::CallSession::Caller caller_;        // of the call offered or in progress
    QList<telefon::CallSession::Caller> missed_; // newest first
    int unseen_ = 0;
};

} // namespace app
