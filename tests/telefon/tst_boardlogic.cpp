#include "departmentboard.h"
#include "fakelink.h"

#include <QTest>

using namespace telefon;

// The time scale and the coverage rule; the filled board itself is checked against the real
// server in the board window's test.
class BoardLogicTest : public QObject {
    Q_OBJECT

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

    // The fake clock stands at 10:15 (x 6305); a failed staff list leaves an empty board.
    void coverageIncludesBothEnds() {
        testing::FakeLink f;
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
};

QTEST_GUILESS_MAIN(BoardLogicTest)
#include "tst_boardlogic.moc"
