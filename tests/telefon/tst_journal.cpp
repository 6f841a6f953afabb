#include "fakelink.h"
#include "journal.h"
#include "listbar.h"

#include <QTest>

using namespace Qt::StringLiterals;

using namespace telefon;

// Storing on the real server is checked in the server logic test; these cover what it cannot
// reach: a full group of old entries and a failing server.
class JournalTest : public QObject {
    Q_OBJECT

    const QDateTime now{QDate(2026, 12, 4), QTime(14, 35, 12)};
    std::unique_ptr<testing::FakeLink> link;
    std::unique_ptr<ListBarModel> bar;

    // The same German form under any locale (the test runs under an English one).
    QString stamp() const { return QString(16, QLatin1Char(' ')) + u"04.12.2026 14:35"_s; }
    void add(const QString& number, const QString& name, JournalKind kind) {
        AddJournalEntry(link->link, *bar, now, number, name, kind);
    }
    void load() {
        bar = std::make_unique<ListBarModel>();
        bar->addGroup(u"Ziehlwahl"_s);
        LoadListBar(link->link, *bar);
        link->server->commands.clear();
    }

private slots:
    void init() {
        link = std::make_unique<testing::FakeLink>();
        load();
    }

    void displayText() {
        QCOMPARE(JournalDisplayText("555", "Muster GmbH", 3, now), "Muster GmbH" + stamp());
        QCOMPARE(JournalDisplayText("555", "Unbekannt", 5, now), "555" + stamp());
        QCOMPARE(JournalDisplayText("555", "", 4, now), "555" + stamp());
        QCOMPARE(JournalDisplayText("23", "Lager", 4, now), "Lager  DW 23" + stamp());
        QCOMPARE(JournalDisplayText("", "", 3, now), "  DW " + stamp());
        QCOMPARE(JournalDisplayText("555", "X", 2, now), u"X"_s);
    }

    void repeatOfTheNewestNumberIsSkippedExceptForMissedCalls() {
        add("", "", IncomingAnswered); // empty against the empty newest slot
        QVERIFY(link->commandsWith("JOURADD").isEmpty());
        const int redraws = bar->redraws();
        add("555", "Muster GmbH", IncomingAnswered);
        QCOMPARE(bar->redraws(), redraws + 1);
        add("555", "Muster GmbH", IncomingAnswered);
        QCOMPARE(link->commandsWith("JOURADD"),
                 QStringList{u"D JOURADD^RUFAP(3,\"%1\",\"555\")"_s.arg("Muster GmbH" + stamp())});
        QCOMPARE(bar->caption(3, 1), "Muster GmbH" + stamp());
        QCOMPARE(bar->picture(3, 1), Picture::Pic1);
        QCOMPARE(bar->picture(3, 2), Picture::Pic0);
        QVERIFY(bar->caption(4, 1).isEmpty());

        add("555", "Muster GmbH", IncomingUnanswered);
        add("555", "Muster GmbH", IncomingUnanswered);
        QCOMPARE(link->commandsWith("JOURADD^RUFAP(5").size(), 2);
        QCOMPARE(bar->value(5, 2), u"555"_s);
        QCOMPARE(bar->picture(5, 2), Picture::Pic1);
    }

    void fullGroupPushesTheOldestOut() {
        QStringList records;
        for (int i = 1; i <= JournalSlots; ++i)
            records << testing::record({u"E%1"_s.arg(i), QString::number(1000 + i)});
        link->server->reply("D JOURGET^RUFAP(4)", testing::list(records));
        load();
        add("0301", "Neu", Outgoing);
        QCOMPARE(bar->itemCount(4), JournalSlots);
        QCOMPARE(bar->caption(4, 1), "Neu" + stamp());
        QCOMPARE(bar->caption(4, 2), u"E1"_s);
        QCOMPARE(bar->caption(4, 100), u"E99"_s);
        QCOMPARE(bar->value(4, 100), u"1099"_s);
    }

    void entryIsShownWhenTheServerFailed() {
        link->failCommandsWith("JOURADD");
        add("555", "Muster GmbH", Outgoing);
        QCOMPARE(link->dialogs.shown.size(), 1);
        QCOMPARE(bar->value(4, 1), u"555"_s);
        QCOMPARE(bar->picture(4, 1), Picture::Pic1);
    }
};

QTEST_GUILESS_MAIN(JournalTest)
#include "tst_journal.moc"
