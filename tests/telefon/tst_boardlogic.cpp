#include "departmentboard.h"
#include "fakelink.h"

#include <QTest>

using namespace telefon;
using testing::list;
using testing::record;

class BoardLogicTest : public QObject {
    Q_OBJECT

    const QDate today{2026, 12, 4};

    static QString dpl(const QString& id, const QString& serverDate) {
        return QStringLiteral("D DPL^RUFAP(\"%1\",%2)").arg(id, serverDate);
    }
    static QString times(const QStringList& twelve) { return record(twelve); }

    // Staff of department "VK" and their intervals on 4 December 2026 (server date 1261204).
    static void serveDepartment(testing::FakeLink& f) {
        f.server->reply("D MIT^RUFAP(\"VK\")",
                        list({record({"P1", "Meier", "21"}), record({"P2", "Schulz", "22"}),
                              record({"P3", "Lehmann", "23"}), record({"P4", "Kunz", "24"}),
                              record({"P5", "Alt", "25"}), record({"P6", "Falsch", "26"})}));
        f.server->reply(dpl("P1", "1261204"), times({"08:00", "12:00", "", "", "07:58", "12:05", "",
                                                     "", "", "", "", ""}));
        f.server->reply(dpl("P2", "1261204"),
                        times({"08:00", "16:00", "", "", "07:58", "", "", "", "", "", "", ""}));
        f.server->reply(dpl("P3", "1261204"), times({"08:00", "12:00", "13:00", "17:00", "", "", "",
                                                     "", "", "", "", ""}));
        f.server->reply(dpl("P4", "1261204"), times({"", "", "", "", "06:00", "09:00", "09:30",
                                                     "10:15", "", "", "", ""}));
        // P5 has no times at all; P6's clock reports an end before the start.
        f.server->reply(dpl("P6", "1261204"),
                        times({"", "", "", "", "12:00", "08:00", "23:00", "", "", "", "", ""}));
    }

private slots:
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

    void rowsBarsAndMarkingAtQuarterPastTen() {
        testing::FakeLink f;
        serveDepartment(f);
        DepartmentBoard board(f.link, f.clock);
        board.FillDepartmentBoard("VK", today, true);

        QCOMPARE(board.CurrentDepartment(), QStringLiteral("VK"));
        QCOMPARE(board.ReferenceTime(), QTime(10, 15));
        QCOMPARE(board.ReferenceTimeText(), QStringLiteral("10:15:00"));
        QCOMPARE(board.ReferenceX(), 6305);
        QCOMPARE(f.commandsWith("RUFAP").size(), 7);
        const auto& rows = board.rows();
        QCOMPARE(rows.size(), 6);

        const BoardRow& meier = rows[0];
        QCOMPARE(meier.name, QStringLiteral("Meier"));
        QCOMPARE(meier.extension, QStringLiteral("21"));
        QCOMPARE(meier.top, 650);
        const BoardBar& planned = meier.bars[SOLL1];
        QVERIFY(planned.visible);
        QCOMPARE(planned.left, 5360);
        QCOMPARE(planned.width, 1680.0);
        QCOMPARE(planned.top, 650);
        QCOMPARE(planned.caption, QStringLiteral("08:00 - 12:00"));
        QCOMPARE(planned.fill, BoardColour::ActiveTitle);
        QCOMPARE(planned.text, BoardColour::White);
        const BoardBar& clocked = meier.bars[IST1];
        QCOMPARE(clocked.left, 5346);
        QCOMPARE(clocked.width, 1729.0);
        QCOMPARE(clocked.top, 830);
        QCOMPARE(clocked.fill, BoardColour::Desktop);
        QVERIFY(!meier.bars[SOLL2].visible);
        QVERIFY(!meier.bars[IST2].visible);
        QVERIFY(meier.present);
        QCOMPARE(meier.background(), BoardColour::TooltipBackground);

        const BoardBar& open = rows[1].bars[IST1];
        QCOMPARE(open.width, 5894.0);
        QCOMPARE(open.fill, BoardColour::White);
        QCOMPARE(open.text, BoardColour::Black);
        QCOMPARE(open.caption, QStringLiteral("07:58 - "));
        QVERIFY(rows[1].present);

        QVERIFY(rows[2].bars[SOLL2].visible);
        QCOMPARE(rows[2].bars[SOLL2].top, RowTop(3));
        QVERIFY(!rows[2].present); // planned intervals never count
        QCOMPARE(rows[2].background(), BoardColour::Red);

        QVERIFY(rows[3].present); // ends exactly at the reference minute
        QCOMPARE(rows[3].bars[IST2].left + rows[3].bars[IST2].width, 6305.0);

        for (const BoardBar& bar : rows[4].bars)
            QVERIFY(!bar.visible);
        QVERIFY(!rows[4].present);

        QVERIFY(!rows[5].bars[IST1].visible); // end before start
        QVERIFY(!rows[5].bars[IST2].visible); // open, but begun after 22:00
        QVERIFY(!rows[5].present);
        QCOMPARE(rows[5].top, 2900);
        QCOMPARE(ActualBarTop(6), 3080);
    }

    void coverageIncludesBothEnds() {
        testing::FakeLink f;
        DepartmentBoard board(f.link, f.clock);
        board.FillDepartmentBoard("LEER", today, true);
        QVERIFY(board.rows().isEmpty());
        BoardBar bar;
        bar.left = 6305;
        bar.width = 0;
        QVERIFY(board.CoversReferenceTime(bar));
        bar.left = 6306;
        bar.width = 10;
        QVERIFY(!board.CoversReferenceTime(bar));
        bar.left = 6000;
        bar.width = 304.9;
        QVERIFY(!board.CoversReferenceTime(bar));
        bar.width = 305;
        QVERIFY(board.CoversReferenceTime(bar));
    }

    void anotherDayKeepsRowsAndReferenceTime() {
        testing::FakeLink f;
        serveDepartment(f);
        DepartmentBoard board(f.link, f.clock);
        board.FillDepartmentBoard("VK", today, true);
        f.clock.advance(3 * 3600 * 1000);

        // Yesterday Meier worked the afternoon only; the others have no times.
        f.server->reply(dpl("P1", "1261203"), times({"13:00", "18:00", "", "", "13:05", "18:10", "",
                                                     "", "", "", "", ""}));
        board.FillDepartmentBoard("VK", today.addDays(-1), false);
        QCOMPARE(board.ReferenceTime(), QTime(10, 15));
        QCOMPARE(board.ReferenceX(), 6305);
        QCOMPARE(board.rows().size(), 6);
        QCOMPARE(board.rows()[0].name, QStringLiteral("Meier"));
        QCOMPARE(board.rows()[0].bars[IST1].left, TimeToX("13:05"));
        QVERIFY(!board.rows()[0].present);
        QVERIFY(!board.rows()[1].present);
        QVERIFY(!board.rows()[1].bars[IST1].visible);
    }

    void changedStaffCountOnAnotherDay() {
        testing::FakeLink f;
        serveDepartment(f);
        DepartmentBoard board(f.link, f.clock);
        board.FillDepartmentBoard("VK", today, true);

        f.server->reply("D MIT^RUFAP(\"VK\")", list({record({"P1", "Meier", "21"})}));
        board.FillDepartmentBoard("VK", today, false);
        QCOMPARE(board.rows().size(), 6);
        QVERIFY(board.rows()[0].present);
        QVERIFY(!board.rows()[1].bars[IST1].visible); // no longer in the list: nothing shown
        QVERIFY(!board.rows()[1].present);

        QStringList more;
        for (int i = 1; i <= 9; ++i)
            more << record({QStringLiteral("P%1").arg(i), "N", "2"});
        f.server->reply("D MIT^RUFAP(\"VK\")", list(more));
        f.server->commands.clear();
        board.FillDepartmentBoard("VK", today, false);
        QCOMPARE(board.rows().size(), 6);
        QCOMPARE(f.commandsWith("DPL").size(), 6);
        QVERIFY(board.rows()[1].present);
    }

    void failedStaffListGivesAnEmptyBoard() {
        testing::FakeLink f;
        serveDepartment(f);
        f.failCommandsWith("MIT^");
        DepartmentBoard board(f.link, f.clock);
        board.FillDepartmentBoard("VK", today, true);
        QVERIFY(board.rows().isEmpty());
        QCOMPARE(f.dialogs.shown.size(), 1);
        QCOMPARE(board.ReferenceX(), 6305);
    }
};

QTEST_GUILESS_MAIN(BoardLogicTest)
#include "tst_boardlogic.moc"
