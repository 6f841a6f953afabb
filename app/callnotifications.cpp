#include "callnotifications.h"

#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

#include <utility>

namespace app {

namespace {

const QString Service = QStringLiteral("org.freedesktop.Notifications");
const QString Path = QStringLiteral("/org/freedesktop/Notifications");
const QString Interface = QStringLiteral("org.freedesktop.Notifications");
const QString AppName = QStringLiteral("VENTOR Telefon");
const QString AppIcon = QStringLiteral("de.ventor.Telefon");

QString callerTitle(const telefon::CallSession::Caller& caller) {
    if (!caller.name.isEmpty())
        return caller.name;
    return caller.number.isEmpty() ? QStringLiteral("Unbekannter Anrufer") : caller.number;
}

QString callerDetails(const telefon::CallSession::Caller& caller) {
    QStringList lines;
    if (!caller.account.isEmpty())
        lines << QStringLiteral("Konto %1").arg(caller.account);
    if (!caller.number.isEmpty())
        lines << QStringLiteral("Rufnummer %1").arg(caller.number);
    else
        lines << QStringLiteral("Rufnummer unterdrückt");
    return lines.join(QLatin1Char('\n'));
}

QVariantMap callHints(const char* category, uchar urgency) {
    return {{QStringLiteral("category"), QString::fromLatin1(category)},
            {QStringLiteral("urgency"), QVariant::fromValue(urgency)},
            {QStringLiteral("desktop-entry"), AppIcon}};
}

} // namespace

CallNotifications::CallNotifications(telefon::CallSession& session,
                                     std::function<void()> showWindow, QDBusConnection bus,
                                     QObject* parent)
    : QObject(parent), session_(session), showWindow_(std::move(showWindow)), bus_(bus) {
    bus_.connect(Service, Path, Interface, QStringLiteral("ActionInvoked"), this,
                 SLOT(onActionInvoked(uint, QString)));
    bus_.connect(Service, Path, Interface, QStringLiteral("NotificationClosed"), this,
                 SLOT(onNotificationClosed(uint, uint)));
    using telefon::CallSession;
    connect(&session_, &CallSession::callOffered, this, &CallNotifications::showOffered);
    connect(&session_, &CallSession::callMissed, this, &CallNotifications::showMissed);
    connect(&session_, &CallSession::callTurnedAway, this, [this] { turnedAway_ = true; });
    connect(&session_, &CallSession::callAnswered, this, &CallNotifications::closeOffered);
    connect(&session_, &CallSession::callEnded, this, &CallNotifications::closeOffered);
    connect(&session_, &CallSession::lineStateChanged, this, [this](CallSession::LineState s) {
        if (s != CallSession::LineState::Ringing)
            closeOffered();
    });
}

CallNotifications::~CallNotifications() {
    closeOffered();
}

void CallNotifications::notify(const QString& summary, const QString& body,
                               const QStringList& actions, const QVariantMap& hints,
                               std::function<void(uint)> done) {
    QDBusMessage call =
        QDBusMessage::createMethodCall(Service, Path, Interface, QStringLiteral("Notify"));
    // Never expires: the program closes it when it no longer holds.
    call << AppName << uint(0) << AppIcon << summary << body << actions << hints << int(0);
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [watcher, done = std::move(done)] {
        const QDBusPendingReply<uint> reply = *watcher;
        watcher->deleteLater();
        done(reply.isValid() ? reply.value() : 0);
    });
}

void CallNotifications::showOffered(const telefon::CallSession::Caller& caller) {
    closeOffered();
    turnedAway_ = false;
    QStringList actions;
    if (session_.canAnswer())
        actions << QString::fromLatin1(AnswerAction) << QStringLiteral("Annehmen")
                << QString::fromLatin1(RejectAction) << QStringLiteral("Abweisen");
    offeredShowing_ = true;
    notify(QStringLiteral("Anruf von %1").arg(callerTitle(caller)), callerDetails(caller), actions,
           callHints("call.incoming", 2), [this](uint id) {
               if (offeredShowing_)
                   offeredId_ = id;
               else if (id != 0) // the call was over before the service answered
                   bus_.asyncCall(QDBusMessage::createMethodCall(
                                      Service, Path, Interface, QStringLiteral("CloseNotification"))
                                  << id);
           });
}

void CallNotifications::closeOffered() {
    offeredShowing_ = false;
    if (offeredId_ == 0)
        return;
    bus_.asyncCall(QDBusMessage::createMethodCall(Service, Path, Interface,
                                                  QStringLiteral("CloseNotification"))
                   << offeredId_);
    offeredId_ = 0;
}

void CallNotifications::showMissed(const telefon::CallSession::Caller& caller) {
    if (std::exchange(turnedAway_, false))
        return;
    const QString number = caller.number;
    notify(QStringLiteral("Verpasster Anruf"),
           callerTitle(caller) + QLatin1Char('\n') + callerDetails(caller),
           {QString::fromLatin1(ShowAction), QStringLiteral("Anzeigen")},
           callHints("call.unanswered", 1), [this, number](uint id) {
               if (id != 0)
                   missed_.insert(id, number);
           });
}

void CallNotifications::onActionInvoked(uint id, const QString& action) {
    if (id != 0 && id == offeredId_) {
        if (action == QLatin1String(AnswerAction))
            session_.answer();
        else if (action == QLatin1String(RejectAction))
            session_.reject();
        return;
    }
    const auto missed = missed_.constFind(id);
    if (missed == missed_.constEnd())
        return;
    if (!missed->isEmpty())
        session_.chooseNumber(*missed);
    if (showWindow_)
        showWindow_();
}

void CallNotifications::onNotificationClosed(uint id, uint) {
    missed_.remove(id);
    if (id == offeredId_)
        offeredId_ = 0;
}

} // namespace app
