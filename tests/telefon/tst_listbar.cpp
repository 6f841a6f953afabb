#include "fakelink.h"
#include "listbar.h"

#include <QSignalSpy>
#include <QTest>

using namespace telefon;
using testing::list;
using testing::record;

class ListBarTest : public QObject {
    Q_OBJECT

    static void serveSpeedDial(testing::FakeLink& f, const QStringList& records) {
        f.server->reply(QStringLiteral("D ZWAHL^RUFAP"), list(records));
    }
    static ListBarModel& withSpeedDialGroup(ListBarModel& bar) {
        bar.addGroup(QStringLiteral("Ziehlwahl"));
        return bar;
    }
    static QStringList captions(const ListBarModel& bar, int group) {
        QStringList result;
        for (int i = 1; i <= bar.itemCount(group); ++i)
            result << bar.caption(group, i);
        return result;
    }
    static QStringList values(const ListBarModel& bar, int group) {
        QStringList result;
        for (int i = 1; i <= bar.itemCount(group); ++i)
            result << bar.value(group, i);
        return result;
    }

private slots:
    void speedDialCaptionCarriesTheSortKey() {
        QCOMPARE(SpeedDialCaption("Meier", "0"), QStringLiteral("Meier"));
        QCOMPARE(SpeedDialCaption("Meier", "5"), QStringLiteral("Meier_5"));
        QCOMPARE(SpeedDialCaption("A_B", "3"), QStringLiteral("A_B_3"));
    }

    void modelAddressesFromOneAndClosesGaps() {
        ListBarModel bar;
        QSignalSpy structure(&bar, &ListBarModel::structureChanged);
        QCOMPARE(bar.addGroup("G"), 1);
        QCOMPARE(bar.addItem(1, Picture::Pic1, "a"), 1);
        QCOMPARE(bar.addItem(1, Picture::Pic0, "b"), 2);
        QCOMPARE(bar.addItem(1, Picture::Pic1, "c"), 3);
        bar.setValue(1, 3, "333");
        bar.removeItem(1, 2);
        QCOMPARE(captions(bar, 1), QStringList({"a", "c"}));
        QCOMPARE(bar.value(1, 2), QStringLiteral("333"));
        QCOMPARE(structure.size(), 5);
        // Items that do not exist read as empty and ignore writes.
        QVERIFY(bar.caption(1, 3).isEmpty());
        QVERIFY(bar.value(7, 1).isEmpty());
        bar.setCaption(1, 9, "x");
        QCOMPARE(bar.itemCount(1), 2);
        QCOMPARE(bar.addItem(4, Picture::Pic1, "x"), 0);
    }

    void loadingFillsTheFiveGroups() {
        testing::FakeLink f;
        serveSpeedDial(f, {record({"Meier", "123", "0"}), record({"Schulz", "0301", "5"})});
        f.server->reply("D INT^RUFAP", list({record({"Verkauf", "VK"}), record({"Lager", "LA"})}));
        f.server->reply("D JOURGET^RUFAP(3)", list({record({"Muster GmbH  04.12.26 10:00", "555"}),
                                                    record({"B", "556"}), record({"C", "557"})}));
        ListBarModel bar;
        LoadListBar(f.link, withSpeedDialGroup(bar));

        QCOMPARE(bar.groupCount(), 5);
        QStringList groupCaptions;
        for (int g = 1; g <= 5; ++g)
            groupCaptions << bar.groupCaption(g);
        QCOMPARE(groupCaptions, QStringList({"Ziehlwahl", "Abteilungen Intern", "Journal eingehend",
                                             "Journal ausgehend", "nicht angenommen"}));
        QCOMPARE(captions(bar, 1), QStringList({"Meier", "Schulz_5"}));
        QCOMPARE(values(bar, 1), QStringList({"123", "0301"}));
        QCOMPARE(captions(bar, 2), QStringList({"Verkauf", "Lager"}));
        QCOMPARE(values(bar, 2), QStringList({"VK", "LA"}));

        QCOMPARE(bar.itemCount(3), JournalSlots);
        QCOMPARE(bar.caption(3, 1), QStringLiteral("Muster GmbH  04.12.26 10:00"));
        QCOMPARE(bar.value(3, 3), QStringLiteral("557"));
        QCOMPARE(bar.picture(3, 3), Picture::Pic1);
        QVERIFY(bar.caption(3, 4).isEmpty());
        QCOMPARE(bar.picture(3, 4), Picture::Pic0);
        QCOMPARE(bar.picture(3, 100), Picture::Pic0);
        for (int kind = 4; kind <= 5; ++kind) {
            QCOMPARE(bar.itemCount(kind), JournalSlots);
            QCOMPARE(bar.picture(kind, 1), Picture::Pic0);
        }
        QCOMPARE(f.commandsWith("RUFAP"),
                 QStringList({"D ZWAHL^RUFAP", "D INT^RUFAP", "D JOURGET^RUFAP(3)",
                              "D JOURGET^RUFAP(4)", "D JOURGET^RUFAP(5)"}));
    }

    void journalReplyBeyondTheSlotsShowsTheFirstHundred() {
        testing::FakeLink f;
        QStringList records;
        for (int i = 1; i <= 130; ++i)
            records << record({QStringLiteral("E%1").arg(i), QString::number(1000 + i)});
        f.server->reply("D JOURGET^RUFAP(4)", list(records));
        ListBarModel bar;
        LoadListBar(f.link, withSpeedDialGroup(bar));
        QCOMPARE(bar.itemCount(4), JournalSlots);
        QCOMPARE(bar.caption(4, 100), QStringLiteral("E100"));
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

    void refillInPlace_data() {
        QTest::addColumn<QStringList>("server");
        QTest::addColumn<QStringList>("expectedCaptions");
        QTest::addColumn<QStringList>("expectedNumbers");
        const QStringList five{record({"A", "1", "0"}), record({"B", "2", "0"}),
                               record({"C", "3", "0"}), record({"D", "4", "0"}),
                               record({"E", "5", "0"})};
        QTest::newRow("same list")
            << five << QStringList{"A", "B", "C", "D", "E"} << QStringList{"1", "2", "3", "4", "5"};
        QStringList oneMore = five;
        oneMore.insert(1, record({"Neu", "9", "2"}));
        QTest::newRow("one more") << oneMore << QStringList{"A", "Neu_2", "B", "C", "D", "E"}
                                  << QStringList{"1", "9", "2", "3", "4", "5"};
        QStringList oneFewer = five;
        oneFewer.removeAt(2);
        QTest::newRow("one fewer")
            << oneFewer << QStringList{"A", "B", "D", "E"} << QStringList{"1", "2", "4", "5"};
        QTest::newRow("empty reply") << QStringList{} << QStringList{} << QStringList{};
    }
    void refillInPlace() {
        QFETCH(QStringList, server);
        QFETCH(QStringList, expectedCaptions);
        QFETCH(QStringList, expectedNumbers);
        testing::FakeLink f;
        serveSpeedDial(f,
                       {record({"A", "1", "0"}), record({"B", "2", "0"}), record({"C", "3", "0"}),
                        record({"D", "4", "0"}), record({"E", "5", "0"})});
        ListBarModel bar;
        LoadListBar(f.link, withSpeedDialGroup(bar));
        const int redrawsBefore = bar.redraws();

        serveSpeedDial(f, server);
        RefillSpeedDial(f.link, bar);
        QCOMPARE(captions(bar, 1), expectedCaptions);
        QCOMPARE(values(bar, 1), expectedNumbers);
        for (int i = 1; i <= bar.itemCount(1); ++i)
            QCOMPARE(bar.picture(1, i), Picture::Pic1);
        QCOMPARE(bar.redraws(), redrawsBefore + 1);
        QCOMPARE(bar.itemCount(2), 0); // other groups untouched
        QCOMPARE(bar.itemCount(3), JournalSlots);
    }
};

QTEST_GUILESS_MAIN(ListBarTest)
#include "tst_listbar.moc"
