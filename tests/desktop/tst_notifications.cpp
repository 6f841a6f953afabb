// The tray icon and the desktop notifications as views of the call session, on a real SIP call
// from a second SIP telephone and a real server, in a private network namespace
// and a private D-Bus session. A notification service written for the test records what the
// program shows and invokes the actions as a user's click would.
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
using sipapp::runUntil;

namespace {
QString isolation; // why the process is not isolated; empty when it is

const QString Bus = u"org.freedesktop.Notifications"_s;
const QString BusPath = u"/org/freedesktop/Notifications"_s;

// The showcase customer's number as the caller dials it.
const QString Showcase = u"030123456"_s;
} // namespace

// The notification service of the desktop, as small as the program needs it: it keeps every
// notification and sends the signals a real one sends.
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
        for (const Shown& s : shown)
            if (s.id == id)
                return s.closed;
        return false;
    }
    // A click on an action button (or on the notification itself for "default").
    void invoke(uint id, const QString& action) {
        bus.send(QDBusMessage::createSignal(BusPath, Bus, u"ActionInvoked"_s) << id << action);
    }

public slots:
    uint Notify(const QString&, uint, const QString&, const QString& summary, const QString& body,
                const QStringList& actions, const QVariantMap& hints, int) {
        const uint id = ++lastId;
        shown << Shown{id, summary, body, actions, hints};
        return id;
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

class TestNotifications : public QObject {
    Q_OBJECT

    testsupport::TestServer server;
    QTemporaryDir dir;
    NotificationRecorder recorder;
    std::unique_ptr<sipapp::SipProgram> p;
    std::unique_ptr<app::CallNotifications> notifications;
    std::unique_ptr<app::TrayIcon> tray;
    int windowShown = 0;
    int endRequested = 0;

    const NotificationRecorder::Shown* offered() {
        if (!runUntil(
                [&] { return !recorder.withSummary(u"Anruf von Müller Bau GmbH"_s).isEmpty(); }))
            return nullptr;
        return &recorder.shown.last();
    }
    bool stateBecomes(telefon::CallSession::LineState state) {
        return runUntil([&] { return p->session->lineState() == state; }, 15000);
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
        windowShown = 0;
        endRequested = 0;
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
    }
    void cleanup() {
        tray.reset();
        notifications.reset();
        p.reset();
    }

    // The offered call shows its caller with both actions; "Annehmen" answers it on the line,
    // "Abweisen" turns it away; either way the notification goes and no missed call is shown.
    void answerAndTurnAwayFromTheNotification_data() {
        QTest::addColumn<QString>("action");
        QTest::addColumn<int>("state");
        QTest::addColumn<int>("journalKind"); // where the server files the call
        QTest::newRow("Annehmen") << u"annehmen"_s
                                  << int(telefon::CallSession::LineState::Connected) << 3;
        QTest::newRow("Abweisen") << u"abweisen"_s << int(telefon::CallSession::LineState::Ready)
                                  << 5;
    }
    void answerAndTurnAwayFromTheNotification() {
        QFETCH(QString, action);
        QFETCH(int, state);
        QFETCH(int, journalKind);
        const int journalled = server.journalCount(testsupport::DemoMeier.code, journalKind);
        QVERIFY(p->peer->ring(sipapp::LineAddress, Showcase));
        const NotificationRecorder::Shown* shown = offered();
        QVERIFY(shown);
        QVERIFY2(shown->body.contains(testsupport::ShowcaseAccount), qPrintable(shown->body));
        QVERIFY2(shown->body.contains(Showcase), qPrintable(shown->body));
        QCOMPARE(shown->actions,
                 QStringList({u"annehmen"_s, u"Annehmen"_s, u"abweisen"_s, u"Abweisen"_s}));
        QCOMPARE(shown->hints.value(u"category"_s).toString(), u"call.incoming"_s);
        QVERIFY(tray->toolTip().contains(u"Müller Bau GmbH (030123456)"_s));
        const uint id = shown->id;

        recorder.invoke(id, action);
        QVERIFY(stateBecomes(telefon::CallSession::LineState(state)));
        QVERIFY(runUntil([&] { return recorder.isClosed(id); }));
        p->session->hangUp();
        QVERIFY(stateBecomes(telefon::CallSession::LineState::Ready));
        QCOMPARE(server.journalCount(testsupport::DemoMeier.code, journalKind), journalled + 1);
        QTest::qWait(500);
        QVERIFY(recorder.withSummary(u"Verpasster Anruf"_s).isEmpty());
    }

    // Each unanswered call leaves one "Verpasster Anruf"; its action shows the window with the
    // caller; the tray counts the calls and lists them.
    void missedCallsLeaveOneNotificationEach() {
        const int before = server.journalCount(testsupport::DemoMeier.code, 5);
        for (int call = 1; call <= 2; ++call) {
            QVERIFY(runUntil([&] { return !p->peer->inCall(); }));
            QVERIFY(p->peer->ring(sipapp::LineAddress, Showcase));
            const NotificationRecorder::Shown* shown = offered();
            QVERIFY(shown);
            const uint offeredId = shown->id;
            QVERIFY(p->peer->hangUp());
            QVERIFY(stateBecomes(telefon::CallSession::LineState::Ready));
            QVERIFY(runUntil([&] { return recorder.isClosed(offeredId); }));
            QTest::qWait(500);
            QCOMPARE(recorder.withSummary(u"Verpasster Anruf"_s).size(), call);
            recorder.shown.removeIf([](const auto& s) { return s.summary.startsWith(u"Anruf"_s); });
        }
        QCOMPARE(server.journalCount(testsupport::DemoMeier.code, 5), before + 2);
        QVERIFY2(tray->toolTip().endsWith(u"Verpasste Anrufe: 2"_s), qPrintable(tray->toolTip()));
        QStringList entries;
        for (QAction* a : tray->menu()->actions())
            entries << a->text();
        QCOMPARE(entries.count(u"Müller Bau GmbH (030123456)"_s), 2);

        const NotificationRecorder::Shown missed =
            recorder.withSummary(u"Verpasster Anruf"_s).first();
        QVERIFY(missed.body.contains(u"Müller Bau GmbH"_s));
        QVERIFY(missed.actions.contains(u"default"_s));
        p->session->setNumber(QString());
        recorder.invoke(missed.id, u"default"_s);
        QVERIFY(runUntil([&] { return windowShown == 1; }));
        QCOMPARE(p->session->number(), Showcase);
        QCOMPARE(p->session->panel().Nr, testsupport::ShowcaseAccount);
        QVERIFY(p->fm->isVisible());
        // The tray's menu: a missed caller chosen again, then the program's end.
        p->session->setNumber(QString());
        const QList<QAction*> actions = tray->menu()->actions();
        const auto caller = std::find_if(actions.begin(), actions.end(), [](QAction* a) {
            return a->text() == u"Müller Bau GmbH (030123456)"_s;
        });
        QVERIFY(caller != actions.end());
        (*caller)->trigger();
        QCOMPARE(p->session->number(), Showcase);
        QCOMPARE(windowShown, 2);
        actions.last()->trigger();
        QCOMPARE(actions.last()->text(), u"Beenden"_s);
        QCOMPARE(endRequested, 1);
        QVERIFY(!tray->toolTip().contains(u"Verpasste"_s));
    }
};

int main(int argc, char** argv) {
    isolation = line::enterPrivateNetwork(argc, argv);
    QApplication app(argc, argv);
    TestNotifications test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_notifications.moc"
