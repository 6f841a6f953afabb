// The whole program on a real SIP call and a real server, with tray icon and notifications; in a
// private network and D-Bus session, where the test's notification service acts as the user.
#include "callnotifications.h"
#include "privatenetwork.h"
#include "sipprogram.h"
#include "trayicon.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace testsupport;
using sipapp::runUntil;

namespace {
QString isolation; // why the process is not isolated; empty when it is

const QString Bus = u"org.freedesktop.Notifications"_s;
const QString BusPath = u"/org/freedesktop/Notifications"_s;
// The showcase customer's central number as the peer sends it.
const QString Showcase = u"030123456"_s;
const QString Caller = u"Müller Bau GmbH (030123456)"_s;
const QString Missed = u"Verpasster Anruf"_s;

enum Kind { AnsweredKind = 3, MissedKind = 5 };
} // namespace

// The desktop's notification service, as small as the program needs it.
class NotificationRecorder : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    struct Shown {
        uint id;
        QString summary, body;
        QStringList actions;
        QVariantMap hints;
        bool closed = false;
    };
    QList<Shown> shown;
    uint lastId = 0;
    QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, u"recorder"_s);

    bool start() {
        return bus.registerObject(BusPath, this, QDBusConnection::ExportAllSlots) &&
               bus.registerService(Bus);
    }
    QList<Shown> withSummary(const QString& summary) const {
        QList<Shown> found;
        for (const Shown& s : shown)
            if (s.summary == summary)
                found << s;
        return found;
    }
    bool isClosed(uint id) const {
        return std::ranges::any_of(shown, [id](const Shown& s) { return s.id == id && s.closed; });
    }
    // A click on an action button (or on the notification itself for "default").
    void invoke(uint id, const QString& action) {
        bus.send(QDBusMessage::createSignal(BusPath, Bus, u"ActionInvoked"_s) << id << action);
    }

public slots:
    uint Notify(const QString&, uint, const QString&, const QString& summary, const QString& body,
                const QStringList& actions, const QVariantMap& hints, int) {
        shown << Shown{++lastId, summary, body, actions, hints};
        return lastId;
    }
    void CloseNotification(uint id) {
        for (Shown& s : shown)
            if (s.id == id && !s.closed) {
                s.closed = true;
                bus.send(QDBusMessage::createSignal(BusPath, Bus, u"NotificationClosed"_s)
                         << id << uint(3));
            }
    }
    QStringList GetCapabilities() { return {u"actions"_s, u"body"_s}; }
};

class TestSipProgram : public QObject {
    Q_OBJECT

    TestServer server;
    QTemporaryDir dir;
    NotificationRecorder recorder;
    std::unique_ptr<sipapp::SipProgram> p;
    std::unique_ptr<app::CallNotifications> notifications;
    std::unique_ptr<app::TrayIcon> tray;
    QStringList statuses; // the status text after each call event
    int windowShown = 0;
    int endRequested = 0;

    bool statusBecomes(const QString& text) {
        return runUntil([&] { return p->fm->statusText() == text; });
    }
    // The shortcuts act on the active window only, as they would for the user.
    void press(Qt::Key key) {
        p->fm->show();
        p->fm->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(p->fm.get()));
        QTest::keyClick(p->fm.get(), key);
    }
    // Rings with the showcase's number; the notification of the offered call, null if none.
    const NotificationRecorder::Shown* ring() {
        if (!runUntil([&] { return !p->peer->inCall(); }) ||
            !p->peer->ring(sipapp::LineAddress, Showcase) || !statusBecomes(u"Income call"_s) ||
            !runUntil(
                [&] { return !recorder.withSummary(u"Anruf von Müller Bau GmbH"_s).isEmpty(); }))
            return nullptr;
        return &recorder.shown.last();
    }

private slots:
    void initTestCase() {
        if (!isolation.isEmpty())
            QSKIP(qPrintable(u"no private network namespace: "_s + isolation));
        QVERIFY2(QDBusConnection::sessionBus().isConnected(), "no private D-Bus session");
        QVERIFY(dir.isValid());
        QVERIFY(recorder.start());
        QVERIFY2(server.start(300), qPrintable(server.errorText()));
    }

    void init() {
        recorder.shown.clear();
        windowShown = endRequested = 0;
        p = std::make_unique<sipapp::SipProgram>(server, dir.path());
        auto showWindow = [this] {
            ++windowShown;
            p->fm->showMainWindow();
        };
        notifications = std::make_unique<app::CallNotifications>(*p->session, showWindow);
        tray = std::make_unique<app::TrayIcon>(
            *p->session, app::TrayIcon::Actions{showWindow, [this] { ++endRequested; }});
        const QString error = p->start();
        QVERIFY2(error.isEmpty(), qPrintable(error));
        // Calls come from the same party: an answered one right after another is not journalled.
        p->listBar.setValue(AnsweredKind, 1, {});
        QCOMPARE(p->fm->statusText(), u"Bereit"_s);
        QCOMPARE(p->line->deviceName(p->line->device()), u"SIP direkt, Port 5070"_s);
        statuses.clear();
        for (auto event : {&line::Line::callOffered, &line::Line::connected,
                           &line::Line::disconnected, &line::Line::lineIdle})
            connect(p->line.get(), event, p->fm.get(), [this] { statuses << p->fm->statusText(); });
    }
    void cleanup() {
        tray.reset();
        notifications.reset();
        p.reset();
    }

    // However the call ends, its notification goes and it lands in its journal; only a caller
    // that gives up leaves a "Verpasster Anruf".
    void callEndsAndIsJournalled_data() {
        QTest::addColumn<QString>("action"); // a key, a notification's action, or the caller's
        QTest::addColumn<bool>("answered");
        QTest::newRow("F5") << u"F5"_s << true;
        QTest::newRow("Annehmen") << u"annehmen"_s << true;
        QTest::newRow("caller gives up") << u"hangup"_s << false;
        QTest::newRow("F6") << u"F6"_s << false;
        QTest::newRow("Abweisen") << u"abweisen"_s << false;
    }
    void callEndsAndIsJournalled() {
        QFETCH(QString, action);
        QFETCH(bool, answered);
        const int kind = answered ? AnsweredKind : MissedKind;
        const int otherKind = answered ? MissedKind : AnsweredKind;
        const int before = server.journalCount(kind), others = server.journalCount(otherKind);
        const NotificationRecorder::Shown* shown = ring();
        QVERIFY(shown);
        QCOMPARE(p->fm->numberText(), Showcase);
        QCOMPARE(p->field("Nr"), ShowcaseAccount);
        QCOMPARE(p->field("NAMEN"), ShowcaseName);
        QVERIFY2(shown->body.contains(ShowcaseAccount), qPrintable(shown->body));
        QVERIFY2(shown->body.contains(Showcase), qPrintable(shown->body));
        QCOMPARE(shown->actions,
                 QStringList({u"annehmen"_s, u"Annehmen"_s, u"abweisen"_s, u"Abweisen"_s}));
        QCOMPARE(shown->hints.value(u"category"_s).toString(), u"call.incoming"_s);
        QVERIFY(tray->toolTip().contains(Caller));
        QCOMPARE(server.journalCount(kind), before);
        const uint id = shown->id;

        if (action == u"F5" || action == u"F6")
            press(action == u"F5" ? Qt::Key_F5 : Qt::Key_F6);
        else if (action == u"hangup")
            QVERIFY(p->peer->hangUp());
        else
            recorder.invoke(id, action);
        QVERIFY(runUntil([&] { return recorder.isClosed(id); }));
        if (answered) {
            QVERIFY(statusBecomes(u"Verbunden"_s));
            QVERIFY(runUntil([&] { return p->peer->callState() == u"StreamsRunning"; }));
            if (action == u"F5")
                QCOMPARE(server.journalCount(kind), before + 1);
            QVERIFY(p->peer->hangUp());
        }
        QVERIFY(statusBecomes(u"Bereit"_s));
        QCOMPARE(statuses, answered
                               ? QStringList({"Income call", "Verbunden", "Unterbrochen", "Bereit"})
                               : QStringList({"Income call", "Unterbrochen", "Bereit"}));
        if (action == u"F6" || action == u"abweisen") {
            QVERIFY(runUntil([&] { return !p->peer->inCall(); }));
            QCOMPARE(p->peer->lastReason(), u"Declined"_s);
        }
        QCOMPARE(server.journalCount(kind), before + 1);
        QCOMPARE(server.journalCount(otherKind), others);
        QCOMPARE(server.newestJournalField(kind, 2), Showcase);
        QVERIFY(p->listBar.caption(kind, 1).startsWith(ShowcaseName));
        QCOMPARE(p->listBar.value(kind, 1), Showcase);
        QTest::qWait(500);
        QCOMPARE(recorder.withSummary(Missed).size(), action == u"hangup" ? 1 : 0);
    }

    // Each unanswered call leaves one "Verpasster Anruf"; the tray counts and lists them.
    void missedCallsLeaveOneNotificationEach() {
        for (int call = 1; call <= 2; ++call) {
            const NotificationRecorder::Shown* shown = ring();
            QVERIFY(shown);
            const uint offeredId = shown->id;
            QVERIFY(p->peer->hangUp());
            QVERIFY(statusBecomes(u"Bereit"_s));
            QVERIFY(runUntil([&] { return recorder.isClosed(offeredId); }));
            QTest::qWait(500);
            QCOMPARE(recorder.withSummary(Missed).size(), call);
            recorder.shown.removeIf([](const auto& s) { return s.summary.startsWith(u"Anruf"_s); });
        }
        QVERIFY2(tray->toolTip().endsWith(u"Verpasste Anrufe: 2"_s), qPrintable(tray->toolTip()));
        QCOMPARE(std::ranges::count_if(tray->menu()->actions(),
                                       [](QAction* a) { return a->text() == Caller; }),
                 2);

        const NotificationRecorder::Shown missed = recorder.withSummary(Missed).first();
        QVERIFY(missed.body.contains(u"Müller Bau GmbH"_s));
        QVERIFY(missed.actions.contains(u"default"_s));
        p->session->setNumber(QString());
        recorder.invoke(missed.id, u"default"_s);
        QVERIFY(runUntil([&] { return windowShown == 1; }));
        QCOMPARE(p->session->number(), Showcase);
        QCOMPARE(p->session->panel().Nr, ShowcaseAccount);
        QVERIFY(p->fm->isVisible());
        // The tray's menu: a missed caller chosen again, then the program's end.
        p->session->setNumber(QString());
        const QList<QAction*> actions = tray->menu()->actions();
        const auto caller =
            std::ranges::find_if(actions, [](QAction* a) { return a->text() == Caller; });
        QVERIFY(caller != actions.end());
        (*caller)->trigger();
        QCOMPARE(p->session->number(), Showcase);
        QCOMPARE(windowShown, 2);
        QCOMPARE(actions.last()->text(), u"Beenden"_s);
        actions.last()->trigger();
        QCOMPARE(endRequested, 1);
        QVERIFY(!tray->toolTip().contains(u"Verpasste"_s));
    }
};

int main(int argc, char** argv) {
    isolation = line::enterPrivateNetwork(argc, argv);
    QApplication app(argc, argv);
    TestSipProgram test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_sipapp.moc"
