#pragma once

#include "callsession.h"

#include <QDBusConnection>
#include <QObject>
#include <QVariantMap>

#include <functional>

namespace app {

// Desktop notifications of the call session through the freedesktop notification service on
// the session bus. An offered call shows its caller (name, account, number) with "Annehmen" and
// "Abweisen" while the line can answer, and disappears when the call is answered, turned away
// or ends; a missed call leaves a "Verpasster Anruf" notification whose action shows the main
// window with that caller. A notification never takes the input focus. Every bus call is
// asynchronous, so a slow or missing notification service never holds the window thread.
class CallNotifications : public QObject {
    Q_OBJECT
public:
    // `showCaller` brings the main window to the front after a missed call's number was chosen.
    CallNotifications(telefon::CallSession& session, std::function<void()> showWindow,
                      QDBusConnection bus = QDBusConnection::sessionBus(),
                      QObject* parent = nullptr);
    ~CallNotifications() override;

    // Action keys as the notification service reports them back.
    static constexpr const char* AnswerAction = "annehmen";
    static constexpr const char* RejectAction = "abweisen";
    static constexpr const char* ShowAction = "default";

private slots:
    void onActionInvoked(uint id, const QString& action);
    void onNotificationClosed(uint id, uint reason);

private:
    void showOffered(const telefon::CallSession::Caller& caller);
    void showMissed(const telefon::CallSession::Caller& caller);
    void closeOffered();
    // Sends a notification; `done` receives the id the service gave it.
    void notify(const QString& summary, const QString& body, const QStringList& actions,
                const QVariantMap& hints, std::function<void(uint)> done);

    telefon::CallSession& session_;
    std::function<void()> showWindow_;
    QDBusConnection bus_;
    uint offeredId_ = 0;
    bool offeredShowing_ = false; // a notification for the offered call is shown or on its way
    bool turnedAway_ = false;     // the user turned the offered call away: it is not missed
    QHash<uint, QString> missed_; // notification id -> the missed caller's number
};

} // namespace app
