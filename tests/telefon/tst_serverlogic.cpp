// The number operations, the list bar and the journal against a real server with demo data.
#include "callsession.h"
#include "context.h"
#include "journal.h"
#include "listbar.h"
#include "numberops.h"
#include "simulatedline.h"
#include "testserver.h"

#include <QLocale>
#include <QTest>

using namespace Qt::StringLiterals;

using namespace telefon;

class ServerLogicTest : public QObject {
    Q_OBJECT

    testsupport::TestServer testServer;
    std::unique_ptr<testsupport::LiveLink> server;
    TelephoneParameters params;

    bool error = false;
    QString run(const QString& command) { return server->link.ExecuteCommand(command, error); }
    std::unique_ptr<ListBarModel> loadedListBar() {
        auto bar = std::make_unique<ListBarModel>();
        bar->addGroup(u"Ziehlwahl"_s);
        LoadListBar(server->link, *bar);
        return bar;
    }
    QStringList serverSpeedDialNumbers() {
        QStringList numbers;
        const QString reply = run(u"D ZWAHL^RUFAP"_s);
        for (const QString& record : reply.split(QChar(0xFF), Qt::SkipEmptyParts))
            numbers << record.section(QLatin1Char('`'), 1, 1);
        return numbers;
    }
    static QStringList numbersOf(const ListBarModel& bar, int group) {
        QStringList numbers;
        for (int i = 1; i <= bar.itemCount(group); ++i)
            numbers << bar.value(group, i);
        return numbers;
    }

private slots:
    void initTestCase() {
        QVERIFY2(testServer.start(), qPrintable(testServer.errorText()));
        server = std::make_unique<testsupport::LiveLink>(testServer);
        params = TelephoneParameters::read(server->link);
        QCOMPARE(params.DialPrefix, testsupport::DemoDialPrefix);
        QCOMPARE(params.LookupPrefix, testsupport::DemoLookupPrefix);
    }

    void cleanup() {
        QVERIFY(!error);
        QVERIFY(server->dialogs.shown.isEmpty());
    }

    // The candidates are asked in order until one belongs to a customer.
    void lookupAsksTheCandidatesInOrder() {
        auto telsu = [](const QString& candidate) {
            return u"D TELSU^RUFAP(\"%1\")"_s.arg(candidate);
        };
        CustomerPanel panel;
        int from = int(server->sent.size());
        QVERIFY(LookupCaller(server->link, params, u"030123456"_s, panel));
        QCOMPARE(server->sent.mid(from).filter("TELSU"), QStringList{telsu("123456")});
        QCOMPARE(panel.Nr, testsupport::ShowcaseAccount);
        QCOMPARE(panel.NAMEN, testsupport::ShowcaseName);
        QCOMPARE(panel.Plz, u"D-10435"_s);
        QCOMPARE(panel.emailLink, u"mailto:info@mueller-bau.example"_s);
        QVERIFY(panel.customerOnlyVisible);
        QCOMPARE(panel.Mahnstufe, u"2"_s);

        from = int(server->sent.size());
        QVERIFY(!LookupCaller(server->link, params, u"0309999999"_s, panel));
        QCOMPARE(server->sent.mid(from).filter("TELSU"),
                 QStringList({telsu("9999999"), telsu("0300309999999"), telsu("309999999"),
                              telsu("0309999999")}));
        QVERIFY(panel.Nr.isEmpty());
        QVERIFY(panel.NAMEN.isEmpty());
        QCOMPARE(panel.Plz, u"-"_s);
        QCOMPARE(panel.emailLink, u"mailto:"_s);
        QVERIFY(!panel.customerOnlyVisible);
    }

    void listBarLoadsWhatTheServerHolds() {
        auto bar = loadedListBar();
        QStringList groupCaptions;
        for (int g = 1; g <= bar->groupCount(); ++g)
            groupCaptions << bar->groupCaption(g);
        QCOMPARE(groupCaptions, QStringList({"Ziehlwahl", "Abteilungen Intern", "Journal eingehend",
                                             "Journal ausgehend", "nicht angenommen"}));
        QCOMPARE(numbersOf(*bar, 1), serverSpeedDialNumbers());
        QVERIFY(bar->itemCount(1) > 0);
        QCOMPARE(bar->itemCount(2), 8); // the demo company's departments
        QCOMPARE(bar->caption(2, 1), u"Verkauf Innendienst"_s);
        QCOMPARE(bar->value(2, 1), u"10"_s);
        for (int kind = 3; kind <= 5; ++kind) {
            QCOMPARE(bar->itemCount(kind), JournalSlots);
            QCOMPARE(bar->picture(kind, 1), Picture::Pic1);
        }
    }

    void journalEntryIsStoredAndComesBackOnTop() {
        auto bar = loadedListBar();
        const QDateTime now = QDateTime::currentDateTime();
        const QString before = testServer.mumpsQuery(u"$G(^VXJOUR(1,\"MEIER\",3))"_s);
        AddJournalEntry(server->link, *bar, now, u"555"_s, u"Muster GmbH"_s, IncomingAnswered);
        const QString text = JournalDisplayText("555", "Muster GmbH", 3, now);
        const QString count = testServer.mumpsQuery(u"$G(^VXJOUR(1,\"MEIER\",3))"_s);
        QCOMPARE(count.toInt(), before.toInt() + 1);
        const QString stored =
            testServer.mumpsQuery(u"$P(^VXJOUR(1,\"MEIER\",3,%1),\"`\",1,2)"_s.arg(count));
        QCOMPARE(stored, text + u"`555"_s);

        // The same number again is not journalled; a missed call always is.
        AddJournalEntry(server->link, *bar, now, "555", "Muster GmbH", IncomingAnswered);
        QCOMPARE(testServer.mumpsQuery("$G(^VXJOUR(1,\"MEIER\",3))"), count);

        auto reloaded = loadedListBar();
        QCOMPARE(reloaded->caption(3, 1), text);
        QCOMPARE(reloaded->value(3, 1), u"555"_s);
        QCOMPARE(reloaded->caption(3, 2), bar->caption(3, 2));
    }

    void speedDialRefillFollowsTheServer() {
        auto bar = loadedListBar();
        const int count = bar->itemCount(1);
        run(u"D ZWSET^RUFAP(\"0301999`Neu Eintrag`1\")"_s);
        RefillSpeedDial(server->link, *bar);
        QCOMPARE(bar->itemCount(1), count + 1);
        QCOMPARE(numbersOf(*bar, 1), serverSpeedDialNumbers());
        const int added = int(numbersOf(*bar, 1).indexOf("0301999")) + 1;
        QCOMPARE(bar->caption(1, added), u"Neu Eintrag_1"_s);

        run(u"D ZWLOE^RUFAP(1,0,\"0301999\")"_s);
        run(u"D ZWLOE^RUFAP(1,0,\"%1\")"_s.arg(bar->value(1, 1)));
        RefillSpeedDial(server->link, *bar);
        QCOMPARE(bar->itemCount(1), count - 1);
        QCOMPARE(numbersOf(*bar, 1), serverSpeedDialNumbers());
    }

    // What a tray icon and notifications see of the calls: the line state, the identified
    // caller, and one signal for each offered, answered, missed and ended call.
    void callSessionTellsItsViewsAboutEveryCall() {
        line::SimulatedLine line;
        line.setIncomingPrefix(testsupport::DemoDialPrefix);
        ListBarModel bar;
        TelephoneParameters sessionParams;
        context::SystemClock clock;
        CallSession session(server->link, line, bar, sessionParams, clock);
        QList<CallSession::LineState> states;
        QStringList calls;
        connect(&session, &CallSession::lineStateChanged, this,
                [&](CallSession::LineState s) { states << s; });
        auto note = [&](const char* what) {
            return [&calls, what](const CallSession::Caller& c) {
                calls << u"%1:%2|%3|%4"_s.arg(what, c.name, c.account, c.number);
            };
        };
        connect(&session, &CallSession::callOffered, this, note("offered"));
        connect(&session, &CallSession::callAnswered, this, note("answered"));
        connect(&session, &CallSession::callMissed, this, note("missed"));
        connect(&session, &CallSession::callConnected, this, note("connected"));
        connect(&session, &CallSession::callEnded, this, [&] { calls << u"ended"_s; });

        QCOMPARE(session.lineState(), CallSession::LineState::Down);
        session.start();
        QCOMPARE(sessionParams.DialPrefix, testsupport::DemoDialPrefix);
        QVERIFY(!session.canAnswer());
        QVERIFY(line.ring(u"030123456"_s));
        QVERIFY(session.canAnswer());
        session.answer();
        session.toggleHold();
        QVERIFY(session.holdActive());
        session.toggleHold();
        session.hangUp();
        QVERIFY(line.ring(u"030123456"_s));
        session.reject();
        session.dial(u"21"_s);
        QVERIFY(line.remoteAnswer());
        QVERIFY(line.remoteHangUp());

        using S = CallSession::LineState;
        QCOMPARE(states,
                 QList<S>({S::Ready, S::Ringing, S::Connected, S::Held, S::Connected, S::Ready,
                           S::Ringing, S::Ready, S::Dialling, S::Connected, S::Ready}));
        const QString showcase =
            testsupport::ShowcaseName + u"|"_s + testsupport::ShowcaseAccount + u"|030123456"_s;
        QCOMPARE(calls, QStringList({"offered:" + showcase, "answered:" + showcase, "ended",
                                     "offered:" + showcase, "missed:" + showcase, "ended",
                                     u"connected:||"_s, "ended"}));
        QCOMPARE(session.statusText(), u"Bereit"_s);
    }
};

QTEST_GUILESS_MAIN(ServerLogicTest)
#include "tst_serverlogic.moc"
