#include "fakelink.h"
#include "journal.h"
#include "listbar.h"

#include <QLocale>
#include <QTest>

using namespace telefon;

class JournalTest : public QObject {
    Q_OBJECT

    const QDateTime now{QDate(2026, 12, 4), QTime(14, 35, 12)};
    const QString blanks = QString(16, QLatin1Char(' '));

    QString stamp() const {
        return blanks + QLocale::system().toString(now.date(), QLocale::ShortFormat) +
               QStringLiteral(" 14:35");
    }
    static void loadEmptyGroups(testing::FakeLink& f, ListBarModel& bar) {
        bar.addGroup(QStringLiteral("Ziehlwahl"));
        LoadListBar(f.link, bar);
    }
    static QString command(int kind, const QString& text, const QString& number) {
        return QStringLiteral("D JOURADD^RUFAP(%1,\"%2\",\"%3\")").arg(kind).arg(text, number);
    }

private slots:
    void displayText() {
        QCOMPARE(JournalDisplayText("555", "Muster GmbH", 3, now), "Muster GmbH" + stamp());
        QCOMPARE(JournalDisplayText("555", "Unbekannt", 5, now), "555" + stamp());
        QCOMPARE(JournalDisplayText("555", "", 4, now), "555" + stamp());
        QCOMPARE(JournalDisplayText("23", "Lager", 4, now), "Lager  DW 23" + stamp());
        QCOMPARE(JournalDisplayText("", "", 3, now), "  DW " + stamp());
        QCOMPARE(JournalDisplayText("555", "X", 2, now), QStringLiteral("X"));
    }

    void entryGoesToTheTopOfItsGroupAndToTheServer() {
        testing::FakeLink f;
        ListBarModel bar;
        loadEmptyGroups(f, bar);
        const int redraws = bar.redraws();
        AddJournalEntry(f.link, bar, now, "555", "Muster GmbH", IncomingAnswered);
        const QString text = "Muster GmbH" + stamp();
        QCOMPARE(f.commandsWith("JOURADD"), QStringList({command(3, text, "555")}));
        QCOMPARE(bar.caption(3, 1), text);
        QCOMPARE(bar.value(3, 1), QStringLiteral("555"));
        QCOMPARE(bar.picture(3, 1), Picture::Pic1);
        QCOMPARE(bar.picture(3, 2), Picture::Pic0);
        QCOMPARE(bar.itemCount(3), JournalSlots);
        QCOMPARE(bar.redraws(), redraws + 1);
        QVERIFY(bar.caption(4, 1).isEmpty());
    }

    void repeatOfTheNewestNumberIsSkippedExceptForMissedCalls() {
        testing::FakeLink f;
        ListBarModel bar;
        loadEmptyGroups(f, bar);
        AddJournalEntry(f.link, bar, now, "555", "Muster GmbH", IncomingAnswered);
        AddJournalEntry(f.link, bar, now, "555", "Muster GmbH", IncomingAnswered);
        QCOMPARE(f.commandsWith("JOURADD^RUFAP(3").size(), 1);
        QVERIFY(bar.caption(3, 2).isEmpty());

        AddJournalEntry(f.link, bar, now, "555", "Muster GmbH", IncomingUnanswered);
        AddJournalEntry(f.link, bar, now, "555", "Muster GmbH", IncomingUnanswered);
        QCOMPARE(f.commandsWith("JOURADD^RUFAP(5").size(), 2);
        QCOMPARE(bar.value(5, 1), QStringLiteral("555"));
        QCOMPARE(bar.value(5, 2), QStringLiteral("555"));
        QCOMPARE(bar.picture(5, 2), Picture::Pic1);
    }

    void emptyNumberAgainstAnEmptyNewestSlotIsNotRecorded() {
        testing::FakeLink f;
        ListBarModel bar;
        loadEmptyGroups(f, bar);
        AddJournalEntry(f.link, bar, now, "", "", IncomingAnswered);
        QVERIFY(f.commandsWith("JOURADD").isEmpty());
        AddJournalEntry(f.link, bar, now, "555", "A", IncomingAnswered);
        AddJournalEntry(f.link, bar, now, "", "", IncomingAnswered);
        QCOMPARE(bar.caption(3, 1), "  DW " + stamp());
        QVERIFY(bar.value(3, 1).isEmpty());
        QCOMPARE(bar.value(3, 2), QStringLiteral("555"));
    }

    void fullGroupPushesTheOldestOut() {
        testing::FakeLink f;
        QStringList records;
        for (int i = 1; i <= JournalSlots; ++i)
            records << testing::record({QStringLiteral("E%1").arg(i), QString::number(1000 + i)});
        f.server->reply("D JOURGET^RUFAP(4)", testing::list(records));
        ListBarModel bar;
        loadEmptyGroups(f, bar);
        AddJournalEntry(f.link, bar, now, "0301", "Neu", Outgoing);
        QCOMPARE(bar.itemCount(4), JournalSlots);
        QCOMPARE(bar.caption(4, 1), "Neu" + stamp());
        QCOMPARE(bar.caption(4, 2), QStringLiteral("E1"));
        QCOMPARE(bar.value(4, 2), QStringLiteral("1001"));
        QCOMPARE(bar.caption(4, 100), QStringLiteral("E99"));
        QCOMPARE(bar.value(4, 100), QStringLiteral("1099"));
    }

    void entryIsShownWhenTheServerFailed() {
        testing::FakeLink f;
        ListBarModel bar;
        loadEmptyGroups(f, bar);
        f.failCommandsWith("JOURADD");
        AddJournalEntry(f.link, bar, now, "555", "Muster GmbH", Outgoing);
        QCOMPARE(f.dialogs.shown.size(), 1);
        QCOMPARE(bar.value(4, 1), QStringLiteral("555"));
        QCOMPARE(bar.picture(4, 1), Picture::Pic1);
    }
};

QTEST_GUILESS_MAIN(JournalTest)
#include "tst_journal.moc"
