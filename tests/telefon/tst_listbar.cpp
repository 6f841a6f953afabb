#include "fakelink.h"
#include "listbar.h"

#include <QTest>

using namespace Qt::StringLiterals;

using namespace telefon;
using testing::list;
using testing::record;

class ListBarTest : public QObject {
    Q_OBJECT

    static void serveSpeedDial(testing::FakeLink& f, const QStringList& records) {
        f.server->reply(u"D ZWAHL^RUFAP"_s, list(records));
    }
    static ListBarModel& withSpeedDialGroup(ListBarModel& bar) {
        bar.addGroup(u"Ziehlwahl"_s);
        return bar;
    }
private slots:
    void journalReplyBeyondTheSlotsShowsTheFirstHundred() {
        testing::FakeLink f;
        QStringList records;
        for (int i = 1; i <= 130; ++i)
            records << record({u"E%1"_s.arg(i), QString::number(1000 + i)});
        f.server->reply("D JOURGET^RUFAP(4)", list(records));
        ListBarModel bar;
        LoadListBar(f.link, withSpeedDialGroup(bar));
        QCOMPARE(bar.itemCount(4), JournalSlots);
        QCOMPARE(bar.caption(4, 100), u"E100"_s);
        QCOMPARE(bar.picture(4, 100), Picture::Pic1);
        QCOMPARE(bar.itemCount(5), JournalSlots);
    }

    void failedLoadingGivesEmptyGroups() {
        testing::FakeLink f;
        f.failCommandsWith("RUFAP");
        ListBarModel bar;
        LoadListBar(f.link, withSpeedDialGroup(bar));
        QCOMPARE(bar.groupCount(), 5);
        QCOMPARE(bar.itemCount(1), 0);
        QCOMPARE(bar.itemCount(2), 0);
        QCOMPARE(bar.itemCount(5), JournalSlots);
        QCOMPARE(f.dialogs.shown.size(), 5);
    }

    // Growing and shrinking against the real server are in the server logic test.
    void refillWithAnEmptyReplyEmptiesOnlyTheSpeedDial() {
        testing::FakeLink f;
        serveSpeedDial(f, {record({"A", "1", "0"}), record({"B", "2", "5"})});
        ListBarModel bar;
        LoadListBar(f.link, withSpeedDialGroup(bar));
        QCOMPARE(bar.caption(1, 2), u"B_5"_s);
        const int redrawsBefore = bar.redraws();
        serveSpeedDial(f, {});
        RefillSpeedDial(f.link, bar);
        QCOMPARE(bar.itemCount(1), 0);
        QCOMPARE(bar.redraws(), redrawsBefore + 1);
        QCOMPARE(bar.itemCount(3), JournalSlots); // other groups untouched
    }
};

QTEST_GUILESS_MAIN(ListBarTest)
#include "tst_listbar.moc"
