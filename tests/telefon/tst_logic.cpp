// The logic beside the windows, on the in-memory server.
#include "catalogue.h"
#include "departmentboard.h"
#include "directory.h"
#include "fakelink.h"
#include "journal.h"
#include "listbar.h"
#include "numberops.h"
#include "phonelink.h"
#include "simulatedline.h"
#include "telephoneparams.h"

#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

using namespace telefon;
using testsupport::FakeLink;
using testsupport::list;
using testsupport::record;

class LogicTest : public QObject {
    Q_OBJECT

    TelephoneParameters params{u"0"_s, u"30"_s, {}};
    const QDateTime now{QDate(2026, 12, 4), QTime(14, 35, 12)};
    std::unique_ptr<FakeLink> journalLink;
    std::unique_ptr<ListBarModel> bar;

    // The same German form under any locale (the test runs under an English one).
    QString stamp() const { return QString(16, QLatin1Char(' ')) + u"04.12.2026 14:35"_s; }
    void add(const QString& number, const QString& name, JournalKind kind) {
        AddJournalEntry(journalLink->link, *bar, now, number, name, kind);
    }
    void loadJournal(const QString& outgoing = {}) {
        journalLink = std::make_unique<FakeLink>();
        if (!outgoing.isEmpty())
            journalLink->server->reply("D JOURGET^RUFAP(4)", outgoing);
        bar = std::make_unique<ListBarModel>();
        bar->addGroup(u"Ziehlwahl"_s);
        LoadListBar(journalLink->link, *bar);
        journalLink->server->commands.clear();
    }

private slots:
    void dialDigits_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("dialled");
        QTest::newRow("signs dropped, prefix added") << u"1 / 2-3"_s << u"0123"_s;
        QTest::newRow("two digits are an extension") << u"12"_s << u"12"_s;
        QTest::newRow("one digit") << u"7"_s << u"7"_s;
        QTest::newRow("three digits get the prefix") << u"123"_s << u"0123"_s;
        QTest::newRow("letters and plus dropped") << u"+49 (30) 555-12 DW"_s << u"0493055512"_s;
        QTest::newRow("no digits at all") << u"Meier"_s << QString();
        QTest::newRow("empty") << QString() << QString();
    }
    void dialDigits() {
        QFETCH(QString, typed);
        QFETCH(QString, dialled);
        QCOMPARE(DialDigits(params, typed), dialled);
    }

    void dialNumberDropsThenSetsNumberThenCalls() {
        line::SimulatedLine line;
        line.open();
        DialNumber(line, params, u"1 / 2-3"_s);
        QCOMPARE(line.numberToDial(), u"0123"_s);
        QCOMPARE(line.state(), line::SimulatedLine::State::Dialling);
        DialNumber(line, params, u"kein Anschluss"_s);
        QCOMPARE(line.state(), line::SimulatedLine::State::Idle);
    }

    void cleanIncomingNumber_data() {
        QTest::addColumn<QString>("reported");
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<QString>("cleaned");
        QTest::newRow("outside line digit removed") << u"0555"_s << u"0"_s << u"555"_s;
        QTest::newRow("formatted external") << u"0 30/123-45"_s << u"0"_s << u"3012345"_s;
        QTest::newRow("extension is internal") << u"12"_s << u"0"_s << QString();
        QTest::newRow("other first digit") << u"955"_s << u"0"_s << QString();
        QTest::newRow("empty becomes 0, too short") << QString() << u"0"_s << QString();
        QTest::newRow("other prefix") << u"9555"_s << u"9"_s << u"555"_s;
        QTest::newRow("no prefix configured") << u"0555"_s << QString() << QString();
    }
    void cleanIncomingNumber() {
        QFETCH(QString, reported);
        QFETCH(QString, prefix);
        QFETCH(QString, cleaned);
        QCOMPARE(CleanIncomingNumber(reported, prefix), cleaned);
    }

    void lookupCandidates() {
        QCOMPARE(LookupCandidates("030123456", "30"),
                 QStringList({"123456", "030030123456", "30123456", "030123456"}));
        QCOMPARE(LookupCandidates("123456", "30"),
                 QStringList({"", "030123456", "23456", "123456"}));
        QCOMPARE(LookupCandidates("", "30"), QStringList({"", "030", "", ""}));
    }

    void failingServerIsReportedAndCountsAsUnknown() {
        FakeLink f;
        f.failCommandsWith("TELSU");
        CustomerPanel panel;
        QVERIFY(!LookupCaller(f.link, params, "0301", panel));
        QCOMPARE(f.commandsWith("TELSU").size(), 4);
        QCOMPARE(f.dialogs.shown.size(), 4);
        QCOMPARE(f.dialogs.shown.first().title, u"Caché Zugriffsfehler"_s);
        QVERIFY(panel.Nr.isEmpty());
    }

    void panelOfACustomer() {
        const QStringList fields{"K100",      "Firma",   "Muster GmbH", "Baustoffe", "Hauptstr. 1",
                                 "A",         "123",     "Wien",        "0301234",   "info@m.de",
                                 "0301235",   "2",       "01.02.26",    "03.04.26",  "1.234,50",
                                 "10.000,00", "9.000,00"};
        const auto p = CustomerPanel::from(cacheapi::catalogue::parseCustomer(record(fields)));
        const QStringList head{p.Nr,  p.Anrede, p.Branche,   p.Strasse,   p.Plz,
                               p.Ort, p.Telnr,  p.emailText, p.emailLink, p.Faxnr};
        QCOMPARE(head, QStringList({"K100", "Firma", "Baustoffe", "Hauptstr. 1", "A-123", "Wien",
                                    "0301234", "info@m.de", "mailto:info@m.de", "0301235"}));
        QVERIFY(p.customerOnlyVisible);
        const QStringList tail{p.Mahnstufe, p.MahnstDatum, p.LeAuDatum,
                               p.AktSaldo,  p.UmsatzLJ,    p.UmsatzVJ};
        QCOMPARE(tail, fields.mid(11));

        // Supplier (L) and lower-case (k) accounts: customer-only values filled but hidden.
        for (const char* account : {"L100", "k100"}) {
            const auto other = CustomerPanel::from(
                cacheapi::catalogue::parseCustomer(record(QStringList{account} + fields.mid(1))));
            QVERIFY(!other.customerOnlyVisible);
            QCOMPARE(other.Mahnstufe, u"2"_s);
        }
    }

    // Links and --dial numbers handed to the program: the number, or why nothing is dialled.
    void phoneLinks_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("number");
        QTest::addColumn<QString>("refusal");
        auto row = [](const char* name, const char* text, const char* number,
                      const char* refusal = "") {
            QTest::newRow(name) << QString::fromUtf8(text) << QString::fromUtf8(number)
                                << QString::fromUtf8(refusal);
        };
        row("tel", "tel:030123456", "030123456");
        row("tel international with separators", "tel:+49-30-123%20456", "+4930123456");
        row("tel with parameters", "tel:7042;phone-context=example.com", "7042");
        row("sip user part", "sip:030123456@pbx.example;user=phone", "030123456");
        row("sips", "SIPS:+4930123456@pbx.example", "+4930123456");
        row("callto with slashes", "callto://030 123456/", "030123456");
        row("written for --dial", " 030/123 45-6 ", "030123456");
        row("letters in the number", "tel:ABC", "", "„ABC“ ist keine Rufnummer.");
        row("SIP name, no number", "sip:meier@pbx.example", "", "„meier“ ist keine Rufnummer.");
        row("no number", "callto:", "", "Er enthält keine Rufnummer.");
        row("plus inside", "tel:49+30", "", "ist keine Rufnummer.");
        row("other scheme", "mailto:meier@x.de", "", "Links der Art „mailto:“");
        row("plain word", "Meier", "", "„Meier“ ist keine Rufnummer.");
    }
    void phoneLinks() {
        QFETCH(QString, text);
        QFETCH(QString, number);
        QFETCH(QString, refusal);
        const PhoneLink link = parsePhoneLink(text);
        QCOMPARE(link.number, number);
        QCOMPARE(link.ok(), refusal.isEmpty());
        QVERIFY2(link.error.contains(refusal), qPrintable(link.error));
        if (!link.ok())
            QVERIFY(link.error.endsWith(u"Es wurde nichts gewählt."_s));
        QCOMPARE(looksLikePhoneLink(text), text.contains(u':') && !text.startsWith(u"mailto"_s));
    }
    void journalDisplayText() {
        QCOMPARE(JournalDisplayText("555", "Muster GmbH", 3, now), "Muster GmbH" + stamp());
        QCOMPARE(JournalDisplayText("555", "Unbekannt", 5, now), "555" + stamp());
        QCOMPARE(JournalDisplayText("555", "", 4, now), "555" + stamp());
        QCOMPARE(JournalDisplayText("23", "Lager", 4, now), "Lager  DW 23" + stamp());
        QCOMPARE(JournalDisplayText("", "", 3, now), "  DW " + stamp());
        QCOMPARE(JournalDisplayText("555", "X", 2, now), u"X"_s);
    }

    void repeatOfTheNewestNumberIsSkippedExceptForMissedCalls() {
        loadJournal();
        QSignalSpy redraws(bar.get(), &ListBarModel::redrawRequested);
        add("", "", IncomingAnswered); // empty against the empty newest slot
        QVERIFY(journalLink->commandsWith("JOURADD").isEmpty());
        add("555", "Muster GmbH", IncomingAnswered);
        QCOMPARE(redraws.size(), 1);
        add("555", "Muster GmbH", IncomingAnswered);
        QCOMPARE(journalLink->commandsWith("JOURADD"),
                 QStringList{u"D JOURADD^RUFAP(3,\"%1\",\"555\")"_s.arg("Muster GmbH" + stamp())});
        QCOMPARE(bar->caption(3, 1), "Muster GmbH" + stamp());
        QCOMPARE(bar->picture(3, 1), Picture::Pic1);
        QCOMPARE(bar->picture(3, 2), Picture::Pic0);
        QVERIFY(bar->caption(4, 1).isEmpty());

        add("555", "Muster GmbH", IncomingUnanswered);
        add("555", "Muster GmbH", IncomingUnanswered);
        QCOMPARE(journalLink->commandsWith("JOURADD^RUFAP(5").size(), 2);
        QCOMPARE(bar->value(5, 2), u"555"_s);
        QCOMPARE(bar->picture(5, 2), Picture::Pic1);
    }

    // A reply beyond the slots shows the first hundred; a new entry pushes the oldest out.
    void fullGroupPushesTheOldestOut() {
        QStringList records;
        for (int i = 1; i <= 130; ++i)
            records << record({u"E%1"_s.arg(i), QString::number(1000 + i)});
        loadJournal(list(records));
        QCOMPARE(bar->caption(4, 100), u"E100"_s);
        QCOMPARE(bar->itemCount(5), JournalSlots);
        add("0301", "Neu", Outgoing);
        QCOMPARE(bar->itemCount(4), JournalSlots);
        QCOMPARE(bar->caption(4, 1), "Neu" + stamp());
        QCOMPARE(bar->caption(4, 2), u"E1"_s);
        QCOMPARE(bar->caption(4, 100), u"E99"_s);
        QCOMPARE(bar->value(4, 100), u"1099"_s);
    }

    void entryIsShownWhenTheServerFailed() {
        loadJournal();
        journalLink->failCommandsWith("JOURADD");
        add("555", "Muster GmbH", Outgoing);
        QCOMPARE(journalLink->dialogs.shown.size(), 1);
        QCOMPARE(bar->value(4, 1), u"555"_s);
        QCOMPARE(bar->picture(4, 1), Picture::Pic1);
    }
    // A failed loading gives empty groups; an empty refill empties only the speed dial.
    void failedLoadingAndAnEmptyRefill() {
        FakeLink f;
        f.failCommandsWith("RUFAP");
        ListBarModel bar;
        LoadListBar(f.link, (bar.addGroup(u"Ziehlwahl"_s), bar));
        QCOMPARE(bar.groupCount(), 5);
        QCOMPARE(bar.itemCount(1), 0);
        QCOMPARE(bar.itemCount(2), 0);
        QCOMPARE(bar.itemCount(5), JournalSlots);
        QCOMPARE(f.dialogs.shown.size(), 5);

        f.server->handler = nullptr;
        f.server->reply(u"D ZWAHL^RUFAP"_s,
                        list({record({"A", "1", "0"}), record({"B", "2", "5"})}));
        RefillSpeedDial(f.link, bar);
        QCOMPARE(bar.caption(1, 2), u"B_5"_s);
        QSignalSpy redraws(&bar, &ListBarModel::redrawRequested);
        f.server->reply(u"D ZWAHL^RUFAP"_s, {});
        RefillSpeedDial(f.link, bar);
        QCOMPARE(bar.itemCount(1), 0);
        QCOMPARE(redraws.size(), 1);
        QCOMPARE(bar.itemCount(3), JournalSlots); // other groups untouched
    }
    void timeScale_data() {
        QTest::addColumn<QString>("time");
        QTest::addColumn<int>("x");
        QTest::newRow("scale start") << "05:00" << 4100;
        QTest::newRow("08:00") << "08:00" << 5360;
        QTest::newRow("12:30") << "12:30" << 7250;
        QTest::newRow("22:00") << "22:00" << 11240;
        QTest::newRow("left of the scale") << "04:00" << 3680;
        QTest::newRow("short form") << "8:5" << 5395;
        QTest::newRow("seconds ignored") << "10:15:59" << 6305;
        QTest::newRow("no digits") << "abc" << 2000;
        QTest::newRow("half up to even") << "5:0.5" << 4104;
        QTest::newRow("half down to even") << "5:1.5" << 4110;
    }
    void timeScale() {
        QFETCH(QString, time);
        QFETCH(int, x);
        QCOMPARE(TimeToX(time), x);
    }

    void intervalWidths() {
        QCOMPARE(IntervalWidth("08:00", "12:00"), 1680.0);
        QCOMPARE(IntervalWidth("20:00", ""), 840.0);
        QCOMPARE(IntervalWidth("07:58", ""), 5894.0);
        QCOMPARE(IntervalWidth("12:00", "08:00"), -1680.0);
        QCOMPARE(IntervalWidth("5:0.5", "5:1"), 3.5);
    }

    // The fake clock stands at 10:15 (x 6305); a failed staff list leaves an empty board.
    void coverageIncludesBothEnds() {
        FakeLink f;
        f.failCommandsWith("MIT^");
        DepartmentBoard board(f.link, f.clock);
        board.FillDepartmentBoard("VK", QDate(2026, 12, 4), true);
        QVERIFY(board.rows().isEmpty());
        QCOMPARE(f.dialogs.shown.size(), 1);
        QCOMPARE(board.ReferenceX(), 6305);
        const QList<std::tuple<int, double, bool>> bars = {
            {6305, 0, true}, {6306, 10, false}, {6000, 304.9, false}, {6000, 305, true}};
        for (const auto& [left, width, covers] : bars) {
            BoardBar bar;
            bar.left = left;
            bar.width = width;
            QCOMPARE(board.CoversReferenceTime(bar), covers);
        }
    }

    void umlautsAreWrittenOut() {
        QCOMPARE(FoldUmlauts("straße"), u"straSSe"_s);
        QCOMPARE(FoldUmlauts("ÄÖÜäöü"), u"AEOEUEAEOEUE"_s);
        QCOMPARE(FoldUmlauts("Café Noël"), u"Café Noël"_s);
    }

    // The search asks with the folded text; a failed search is reported and finds nothing.
    void numberSearchRowsAndTheirNumbers() {
        FakeLink f;
        const auto command = [](const QString& text) {
            return "S P0=$$TXTSU^RUFAP(\"" + text + "\") W:$F($ZV,\"MSM\") P0";
        };
        f.server->reply(command("MUEller"), list({"K1`Müller`030 1`10435`Berlin", "L2`B`0302``"}));
        f.server->fail(command("Kaputt"), 8, "<SYNTAX>");
        NumberSearch search(f.link);
        QCOMPARE(search.search("Müller"), u"MUEller"_s);
        QCOMPARE(search.rows().size(), 2);
        QCOMPARE(search.rows()[0].columns,
                 QStringList({"K1", "Müller", "10435", "Berlin", "030 1"}));
        QCOMPARE(search.numberOf(1), u"0302"_s);
        QCOMPARE(search.numberOf(2), QString());
        search.search("Niemand");
        QVERIFY(search.rows().isEmpty());
        search.search("Kaputt");
        QVERIFY(search.rows().isEmpty());
        QCOMPARE(f.dialogs.shown.size(), 1);
    }

    // The server marks a reminder with a number above 0; empty or no number marks nothing.
    void openItemsOfThePanelsAccount() {
        FakeLink f;
        const QString row1 = "R-1\n1050301\n1050315\n100,00\n\n1050331\n\n2";
        f.server->reply("S P0=$$OPSU^RUFAP(100) W:$F($ZV,\"MSM\") P0",
                        list({row1 + "`2", "R-2`", "R-3`x"}));
        OpenItemsList items(f.link);
        items.fill("K100");
        QCOMPARE(items.rows().size(), 3);
        QCOMPARE(items.rows()[0].columns, row1.split('\n'));
        QCOMPARE(
            QList<bool>({items.rows()[0].marked, items.rows()[1].marked, items.rows()[2].marked}),
            QList<bool>({true, false, false}));
        items.fill("K200");
        QVERIFY(items.rows().isEmpty());
        QVERIFY(f.server->commands.last().contains("OPSU^RUFAP(200)"));
    }
};

QTEST_GUILESS_MAIN(LogicTest)
#include "tst_logic.moc"
