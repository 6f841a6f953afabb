// Whole calls on the simulated line against a real server: what the user sees and the server
// stores.
#include "layout.h"
#include "listbarwidget.h"
#include "login.h"
#include "program.h"

#include <QCheckBox>
#include <QListWidget>

#include <functional>

using namespace app;
using testsupport::TestServer;
using ServerFixture = testsupport::LiveProgram;

namespace {
// The window's status text at every line event, read after the window has handled it.
QStringList statusesDuring(ServerFixture& f, const std::function<void()>& calls) {
    QStringList seen;
    QList<QMetaObject::Connection> watches;
    using L = line::Line;
    for (auto signal : {&L::lineIdle, &L::lineIdleAgain, &L::callEnded, &L::callOffered,
                        &L::connected, &L::dialling, &L::dialTone, &L::disconnected})
        watches << QObject::connect(&f.line, signal, f.fm.get(),
                                    [&] { seen << f.fm->statusText(); });
    calls();
    for (const auto& watch : watches)
        QObject::disconnect(watch);
    return seen;
}
// The showcase customer's number as the telephone system reports it, without the outside line.
const QString Showcase = QStringLiteral("030123456");
} // namespace

class CallsOnServerTest : public QObject {
    Q_OBJECT
    TestServer server;

private slots:
    void initTestCase() { QVERIFY2(server.start(300), qPrintable(server.errorText())); }

    void startUpAndTheStatusTextOfEveryLineEvent() {
        ServerFixture f(server);
        FMStart& fm = f.start();
        QCOMPARE(fm.windowTitle(), "VENTOR Telefon              Firma: 1     Filiale: 0"
                                   "     Benutzer: " +
                                       f.state.PersonName);
        QVERIFY(!f.state.PersonName.isEmpty());
        QCOMPARE(f.line.textSetting(), QString("VENTOR"));
        QVERIFY(f.line.isOpen());
        QCOMPARE(fm.statusText(), QString("Bereit"));
        QVERIFY(f.dialogs.shown.isEmpty());

        QCOMPARE(f.listBar.caption(1, 1), QString("Müller Bau GmbH_1")); // the list bar is loaded

        // Every line event's status text, as the window shows it, for each kind of call.
        QCOMPARE(statusesDuring(f,
                                [&] {
                                    f.line.ring(Showcase);
                                    emit f.line.lineIdleAgain();
                                    f.line.remoteHangUp();
                                    f.line.ring("030555666");
                                    f.line.answer();
                                    f.line.remoteHangUp();
                                }),
                 QStringList({"Income call", "Bereit", "Rufende", "Unterbrochen", "Bereit",
                              "Income call", "Verbunden", "Unterbrochen", "Bereit"}));
        QCOMPARE(statusesDuring(f,
                                [&] {
                                    fm.setNumberText("0307777777");
                                    f.click("BUWaehl");
                                    f.line.remoteAnswer();
                                    f.line.identify(Showcase); // leaves the status as it is
                                    f.click("BUAufl");
                                }),
                 QStringList({"Wählton", "Wählen", "Verbunden", "Unterbrochen", "Bereit"}));
        QCOMPARE(fm.statusText(), QString("Bereit"));

        // A call without the caller's number leaves the number field and writes no journal.
        const int missed = server.journalCount(5), answered = server.journalCount(3);
        fm.setNumberText("4711");
        QVERIFY(f.line.ringAnonymous());
        QCOMPARE(fm.numberText(), QString("4711"));
        QCOMPARE(f.field("NAMEN"), QString());
        QVERIFY(f.line.remoteHangUp());
        QCOMPARE(server.journalCount(5), missed);
        QCOMPARE(server.journalCount(3), answered);
    }

    // The caller hangs up during the lookup: the missed call is written at the next idle notice.
    void callEndsWhileItsLookupWaits() {
        ServerFixture f(server);
        FMStart& fm = f.start();
        const int missed = server.journalCount(5);
        QMetaObject::invokeMethod(
            &f.line, [&] { f.line.remoteHangUp(); }, Qt::QueuedConnection);
        // The offered call's own handler ends last, after the events that ran inside it.
        QStringList seen = statusesDuring(f, [&] { QVERIFY(f.line.ring(Showcase)); });
        QCOMPARE(seen, QStringList({"Rufende", "Unterbrochen", "Bereit", "Bereit"}));
        QCOMPARE(fm.statusText(), QString("Bereit"));
        QCOMPARE(f.field("NAMEN"), testsupport::ShowcaseName);
        QCOMPARE(f.session.pendingCallerName(), testsupport::ShowcaseName);
        QCOMPARE(server.journalCount(5), missed);
        emit f.line.lineIdle();
        QCOMPARE(server.journalCount(5), missed + 1);
        QVERIFY(f.session.pendingCallerName().isEmpty());
    }

    void answeredAndHeldCallOfAKnownCustomer() {
        ServerFixture f(server);
        FMStart& fm = f.start();
        const int before = server.journalCount(3);
        QVERIFY(f.line.ring(Showcase));
        QCOMPARE(fm.numberText(), Showcase);
        QCOMPARE(f.field("Nr"), QString("K100000"));
        QCOMPARE(f.field("NAMEN"), QString("Müller Bau GmbH"));
        QCOMPARE(f.field("Plz"), QString("D-10435"));
        QCOMPARE(fm.findChild<QWidget*>("email")->property("link").toString(),
                 QString("mailto:info@mueller-bau.example"));
        QCOMPARE(f.field("Mahnstufe"), QString("2"));

        f.line.answer();
        QCOMPARE(fm.phonePicture(), LinePicture::Ph2);
        QCOMPARE(server.journalCount(3), before + 1);
        QCOMPARE(server.newestJournalField(3, 2), Showcase);
        QVERIFY(server.newestJournalField(3, 1).startsWith("Müller Bau GmbH"));
        QCOMPARE(f.listBar.value(3, 1), Showcase);

        // Held, the number field is emptied and finds nobody; resumed, the caller is back.
        f.click("BUR");
        QVERIFY(f.line.isHeld());
        QCOMPARE(fm.numberText(), QString());
        QCOMPARE(f.field("Nr"), QString());
        QVERIFY(!fm.findChild<QWidget*>("TxtHold")->isHidden());
        f.click("BUR");
        QVERIFY(!f.line.isHeld());
        QCOMPARE(fm.numberText(), Showcase);
        QCOMPARE(f.field("Nr"), QString("K100000"));
        QVERIFY(fm.findChild<QWidget*>("TxtHold")->isHidden());

        f.line.remoteHangUp();
        QCOMPARE(fm.phonePicture(), LinePicture::Ph1);
        QCOMPARE(server.journalCount(3), before + 1);
    }

    // Numbers are dialled as people write them; only text with other signs is searched for.
    void dialPrefixRulesAndWrittenNumbers() {
        ServerFixture f(server);
        FMStart& fm = f.start();
        for (const auto& [typed, dialled] : {std::pair<QString, QString>{"21", "21"},
                                             {"123", "0123"},
                                             {"030123456", "0030123456"},
                                             {"030 / 123 45-6", "0030123456"},
                                             {"+49 (30) 200.401-1", "049302004011"},
                                             {"1/2-3", "0123"}}) {
            fm.setNumberText(typed);
            f.click("BUWaehl");
            QCOMPARE(f.line.numberToDial(), dialled);
            f.click("BUAufl");
        }
        QVERIFY(f.side.calls.isEmpty());
        for (const QString text : {"030 123456 Zentrale", "030+1", "030,5"}) {
            fm.setNumberText(text);
            f.click("BUWaehl");
            QCOMPARE(f.side.calls.takeFirst(), "search:" + text);
        }
        // As the department board dials: every character but the digits is dropped.
        fm.dialNumber("1 / 2-3");
        QCOMPARE(f.line.numberToDial(), QString("0123"));
    }

    // "Wählen" looks the callee up first; a second call to the same number is not journalled.
    void outgoingCallsAndTheRepeatCheck() {
        ServerFixture f(server);
        FMStart& fm = f.start();
        f.session.chooseNumber(Showcase);
        QCOMPARE(f.field("NAMEN"), testsupport::ShowcaseName);
        const QString nobody = QStringLiteral("0309999999");
        fm.setNumberText(nobody);
        f.click("BUWaehl");
        QCOMPARE(f.field("NAMEN"), QString());
        QVERIFY(f.line.remoteAnswer());
        QCOMPARE(server.newestJournalField(4, 2), nobody);
        QVERIFY(server.newestJournalField(4, 1).startsWith(nobody));
        f.click("BUAufl");
        const int before = server.journalCount(4);
        for (int call = 0; call < 2; ++call) {
            fm.setNumberText(Showcase);
            f.click("BUWaehl");
            QCOMPARE(f.line.numberToDial(), "0" + Showcase);
            QVERIFY(f.line.remoteAnswer());
            QCOMPARE(fm.statusText(), QString("Verbunden"));
            f.click("BUAufl");
            QCOMPARE(fm.statusText(), QString("Bereit"));
        }
        QCOMPARE(server.journalCount(4), before + 1);
        QCOMPARE(server.newestJournalField(4, 2), Showcase);
        QCOMPARE(f.listBar.value(4, 1), Showcase);
        QCOMPARE(f.listBar.value(4, 2), nobody);
        // A written number is looked up by its digits.
        fm.setNumberText("030 / 123 45-6");
        f.click("BUWaehl");
        QCOMPARE(f.field("Nr"), testsupport::ShowcaseAccount);
        f.click("BUAufl");
    }

    void popupOnAndOffWithAMinimisedWindow() {
        for (bool popup : {true, false}) {
            ServerFixture f(server);
            FMStart& fm = f.start();
            fm.show();
            fm.findChild<QCheckBox*>("chk_Popup")->setChecked(popup);
            fm.setWindowState(Qt::WindowMinimized);
            QVERIFY(f.line.ring(Showcase));
            QCOMPARE(fm.isMinimized(), !popup);
            QVERIFY(f.line.remoteHangUp());
            QVERIFY(fm.isMinimized());
        }
    }

    // A login as another user reloads the list bar; as the same user it leaves it alone.
    void loginAsAnotherUserReloadsTheUsersLists() {
        ServerFixture f(server);
        FMStart& fm = f.start();
        auto logInAs = [&](const testsupport::DemoUser& user) {
            f.state.CommandLine = f.commandLine(user);
            f.link.DisconnectServer();
            QVERIFY(cacheapi::LoginUser(f.link, {}));
            fm.rebuildTitle();
        };
        f.listBar.setCaption(1, 1, "lokal");
        logInAs(testsupport::DemoMeier);
        QCOMPARE(f.listBar.caption(1, 1), QString("lokal"));

        logInAs(testsupport::DemoSchulz);
        QStringList speedDial;
        for (int i = 1; i <= f.listBar.itemCount(1); ++i)
            speedDial << f.listBar.caption(1, i);
        QCOMPARE(speedDial, QStringList({"Meier Verkauf_1", "Müller Bau GmbH", "Neuer Eintrag"}));
        for (int kind = 3; kind <= 5; ++kind) {
            QCOMPARE(f.listBar.itemCount(kind), 100);
            QCOMPARE(f.listBar.value(kind, 1),
                     server.newestJournalField(kind, 2, testsupport::DemoSchulz.code));
        }
        QVERIFY(fm.windowTitle().endsWith(f.state.PersonName));
    }

    void choosingSpeedDialAndJournalItems() {
        ServerFixture f(server);
        FMStart& fm = f.start();
        fm.show();
        QVERIFY(QTest::qWaitForWindowExposed(&fm));
        ListBarWidget* bar = fm.listBarWidget();
        QListWidget* list = bar->itemList();
        auto clickItem = [&](int index) {
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                              list->visualItemRect(list->item(index - 1)).center());
        };
        clickItem(1);
        QCOMPARE(fm.numberText(), QString("030 / 123 45-6"));
        QCOMPARE(f.field("Nr"), QString("K100000"));

        QTest::mouseClick(bar->groupButton(3), Qt::LeftButton);
        const QString number = f.listBar.value(3, 1);
        QVERIFY(!number.isEmpty());
        clickItem(1);
        QCOMPARE(fm.numberText(), number);
        QVERIFY(!f.field("NAMEN").isEmpty());

        QTest::mouseClick(bar->groupButton(2), Qt::LeftButton);
        clickItem(3);
        QCOMPARE(f.side.calls.size(), 1);
        QCOMPARE(f.side.calls[0], QStringLiteral("board:30"));
    }
    // What a tray icon and notifications see: line states, callers, one signal per call event.
    void callSessionTellsItsViewsAboutEveryCall() {
        using S = telefon::CallSession::LineState;
        ServerFixture f(server);
        telefon::CallSession& session = f.session;
        line::SimulatedLine& line = f.line;
        QList<telefon::CallSession::LineState> states;
        QStringList calls;
        connect(&session, &telefon::CallSession::lineStateChanged, this,
                [&](telefon::CallSession::LineState s) { states << s; });
        auto note = [&](const char* what) {
            return [&calls, what](const telefon::CallSession::Caller& c) {
                calls << QStringLiteral("%1:%2|%3|%4").arg(what, c.name, c.account, c.number);
            };
        };
        connect(&session, &telefon::CallSession::callOffered, this, note("offered"));
        connect(&session, &telefon::CallSession::callAnswered, this, note("answered"));
        connect(&session, &telefon::CallSession::callMissed, this, note("missed"));
        connect(&session, &telefon::CallSession::callConnected, this, note("connected"));
        connect(&session, &telefon::CallSession::callEnded, this, [&] { calls << "ended"; });

        QCOMPARE(session.lineState(), S::Down);
        session.start();
        QVERIFY(!session.canAnswer());
        QVERIFY(line.ring(Showcase));
        QVERIFY(session.canAnswer());
        session.answer();
        session.toggleHold();
        QVERIFY(session.holdActive());
        session.toggleHold();
        session.hangUp();
        QVERIFY(line.ring(Showcase));
        session.reject();
        session.dial("21");
        QVERIFY(line.remoteAnswer());
        QVERIFY(line.remoteHangUp());

        QCOMPARE(states,
                 QList<S>({S::Ready, S::Ringing, S::Connected, S::Held, S::Connected, S::Ready,
                           S::Ringing, S::Ready, S::Dialling, S::Connected, S::Ready}));
        const QString showcase =
            testsupport::ShowcaseName + "|" + testsupport::ShowcaseAccount + "|" + Showcase;
        QCOMPARE(calls, QStringList({"offered:" + showcase, "answered:" + showcase, "ended",
                                     "offered:" + showcase, "missed:" + showcase, "ended",
                                     "connected:||", "ended"}));
        QCOMPARE(session.statusText(), "Bereit");
    }
};

QTEST_MAIN(CallsOnServerTest)
#include "tst_calls_server.moc"
