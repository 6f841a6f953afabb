// The department board window against a real server holding known staff and times.
#include "fmabt.h"
#include "listbar.h"
#include "sidewindowkit.h"
#include "telephoneparams.h"
#include "testserver.h"

#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

using namespace Qt::StringLiterals;

using namespace testsupport;
using telefon::BoardBarIndex;

class BoardWindowTest : public QObject {
    Q_OBJECT

    const QDate today{2026, 12, 4}; // a Friday
    TestServer testServer;
    std::unique_ptr<LiveLink> server;
    cacheapi::fake::FakeClock clock;
    telefon::ListBarModel listBar;
    telefon::TelephoneParameters params{u"0"_s, u"30"_s, {}};
    std::unique_ptr<FakeMainWindow> main;
    ScriptedModal modal;
    std::unique_ptr<windows::Services> services;

    static int px(double twips) { return windows::FMAbt::toPixels(twips); }
    // The colour of a widget's pixel as it is painted on the screen.
    static QColor pixelOf(QWidget* widget, QPoint at) {
        return widget->grab().toImage().pixelColor(at * widget->devicePixelRatio());
    }
    int requests() const { return int(server->sent.filter(u"^RUFAP"_s).size()); }
    static QStringList blanks(int n) { return QStringList(n, QString()); }
    static QStringList day(const QStringList& planned, const QStringList& clocked) {
        return planned + blanks(4 - planned.size()) + clocked + blanks(8 - clocked.size());
    }

    void openBoard(std::function<void(windows::FMAbt&)> script) {
        modal.onModal = [script](QWidget* board) { script(*static_cast<windows::FMAbt*>(board)); };
        windows::OpenDepartmentBoard(*services, u"VK"_s);
    }

private slots:
    void initTestCase() {
        QVERIFY2(testServer.start(), qPrintable(testServer.errorText()));
        server = std::make_unique<LiveLink>(testServer);
        testServer.addStaff("VK", 9001, "Meier, Hans", "21");
        testServer.addStaff("VK", 9002, "Schulz, Eva", "22");
        testServer.addStaff("VK", 9003, "Lehmann, Udo", "23");
        testServer.addStaff("VK", 9004, "Kunz, Ina", "24");
        testServer.addStaff("VK", 9005, "Falsch, Uwe", "25");
        testServer.setTimes(9001, today, day({"08:00", "12:00"}, {"07:58", "12:05"}));
        testServer.setTimes(9002, today, day({"08:00", "16:00"}, {"07:58"}));
        testServer.setTimes(9003, today, day({"08:00", "12:00", "13:00", "17:00"}, {}));
        testServer.setTimes(9004, today, day({}, {"06:00", "09:00", "09:30", "10:15"}));
        // The clock reports an end before the start, and an open interval begun after 22:00.
        testServer.setTimes(9005, today, day({}, {"09:00", "08:00", "23:00"}));
        testServer.setTimes(9001, today.addDays(-1), day({"13:00", "18:00"}, {"13:05", "18:10"}));
        testServer.setTimes(9003, today.addDays(-1), day({"08:00", "12:00"}, {"08:01", "11:00"}));
    }

    void init() {
        clock.set(QDateTime(today, QTime(10, 15, 7)));
        main = std::make_unique<FakeMainWindow>();
        modal = ScriptedModal();
        services.reset(new windows::Services{
            {server->store, server->dialogs, clock, server->realEvents, server->idle, server->end},
            server->link,
            modal,
            listBar,
            params,
            main.get()});
    }

    void cleanup() { QVERIFY(server->dialogs.shown.isEmpty()); }

    void headerAndMarkerAtTheOpeningMoment() {
        openBoard([&](windows::FMAbt& board) {
            QCOMPARE(board.windowTitle(), u"Ventor Abteilung"_s);
            QCOMPARE(board.PERDAT()->date(), today);
            QCOMPARE(board.WTAG()->text(), u"Freitag"_s);
            QCOMPARE(board.BUend()->text(), u"Schließen"_s);
            QCOMPARE(board.board().ReferenceX(), 6305);
            QCOMPARE(board.JETZTTXT()->text(), u"10:15:07"_s);
            QCOMPARE(board.JETZTTXT()->x(), px(5955));
            QCOMPARE(board.markerLine().x1(), px(6305));
            QCOMPARE(board.markerLine().y1(), px(400));
            QCOMPARE(board.markerLine().y2(), board.frameGeometry().height() - px(300));
            // Between the rows nothing covers the line drawn on the window.
            const int between = px(telefon::ActualBarTop(1) + 195) + 2;
            QCOMPARE(pixelOf(&board, {px(6305), between}), QColor(Qt::black));
            QVERIFY(pixelOf(&board, {px(6305) + 6, between}) != QColor(Qt::black));
        });
        QCOMPARE(modal.shown.size(), 1);
    }

    void rowsBarsAndPresenceOnTheTimeScale() {
        openBoard([&](windows::FMAbt& board) {
            QCOMPARE(board.rowCount(), 5);
            QCOMPARE(board.Mit(1)->text(), u"Meier, Hans"_s);
            QCOMPARE(board.DW(1)->text(), u"21"_s);

            QPushButton* planned = board.bar(1, telefon::SOLL1);
            QVERIFY(planned->isVisible());
            QCOMPARE(planned->text(), u"08:00 - 12:00"_s);
            QCOMPARE(planned->geometry(), QRect(px(5360), px(650), px(1680), px(195)));
            QCOMPARE(pixelOf(planned, {3, planned->height() / 2}),
                     QApplication::palette().color(QPalette::Active, QPalette::Highlight));
            QVERIFY(!board.bar(1, telefon::SOLL2)->isVisible());

            QPushButton* clocked = board.bar(1, telefon::IST1);
            QCOMPARE(clocked->geometry(), QRect(px(5346), px(830), px(1729), px(195)));
            QCOMPARE(pixelOf(clocked, {3, clocked->height() / 2}), QColor(0, 128, 128));
            QCOMPARE(clocked->text(), u"07:58 - 12:05"_s);

            QPushButton* open = board.bar(2, telefon::IST1);
            QCOMPARE(open->text(), u"07:58 - "_s);
            QCOMPARE(open->width(), px(5894));
            QCOMPARE(pixelOf(open, {3, open->height() / 2}), QColor(Qt::white));

            QVERIFY(board.bar(3, telefon::SOLL2)->isVisible());
            QCOMPARE(board.bar(4, telefon::IST2)->text(), u"09:30 - 10:15"_s);
            QVERIFY(!board.bar(5, telefon::IST1)->isVisible());
            QVERIFY(!board.bar(5, telefon::IST2)->isVisible());

            // Members who are not in at the opening minute are red.
            const QColor in = QApplication::palette().color(QPalette::ToolTipBase);
            const QColor red(255, 0, 0);
            auto background = [](QLineEdit* field) {
                return pixelOf(field, {field->width() - 4, field->height() / 2});
            };
            QCOMPARE(background(board.Mit(1)), in);  // clocked across the moment
            QCOMPARE(background(board.DW(2)), in);   // still clocked in
            QCOMPARE(background(board.Mit(3)), red); // planned only
            QCOMPARE(background(board.DW(3)), red);
            QCOMPARE(background(board.Mit(4)), in); // clocked out exactly at the minute
            QCOMPARE(background(board.Mit(5)), red);
        });
    }

    void anotherDayRefillsBarsButKeepsTheMarker() {
        openBoard([&](windows::FMAbt& board) {
            clock.advance(3 * 3600 * 1000);
            const int requestsBefore = requests();
            board.PERDAT()->setDate(today.addDays(-1));
            QCOMPARE(board.WTAG()->text(), u"Donnerstag"_s);
            QCOMPARE(requests() - requestsBefore, 6); // the staff list and five members
            QCOMPARE(board.rowCount(), 5);
            QCOMPARE(board.bar(1, telefon::IST1)->text(), u"13:05 - 18:10"_s);
            QCOMPARE(board.bar(1, telefon::IST1)->x(), px(telefon::TimeToX("13:05")));
            QVERIFY(!board.bar(2, telefon::IST1)->isVisible());
            QCOMPARE(board.JETZTTXT()->text(), u"10:15:07"_s);
            QCOMPARE(board.markerLine().x1(), px(6305));
            // Judged against the opening moment (10:15), not against the time now (13:15).
            const QColor red(255, 0, 0);
            const QColor in = QApplication::palette().color(QPalette::ToolTipBase);
            QCOMPARE(pixelOf(board.Mit(1), {board.Mit(1)->width() - 4, 10}), red);
            QCOMPARE(pixelOf(board.Mit(3), {board.Mit(3)->width() - 4, 10}), in);
            QVERIFY(board.isVisible());
        });
    }

    // The fill lets pending events run while it waits for the server, so the user can pick a
    // second date before the first one is shown; the bars must end up showing the date in the
    // field.
    void aDatePickedDuringAFillIsShownAfterIt() {
        openBoard([&](windows::FMAbt& board) {
            const QDate twoDaysAgo = today.addDays(-2); // nobody worked
            QTimer::singleShot(0, &board, [&] { board.PERDAT()->setDate(twoDaysAgo); });
            board.PERDAT()->setDate(today.addDays(-1));
            QCOMPARE(board.PERDAT()->date(), twoDaysAgo);
            QCOMPARE(board.WTAG()->text(), u"Mittwoch"_s);
            for (int row = 1; row <= board.rowCount(); ++row)
                for (int b = 0; b < telefon::BoardBarCount; ++b)
                    QVERIFY2(!board.bar(row, b)->isVisible(),
                             qPrintable(board.bar(row, b)->objectName()));
        });
    }

    void clickOnAnExtensionClosesTheBoardAndDialsIt() {
        openBoard([&](windows::FMAbt& board) {
            QTest::mouseClick(board.DW(3), Qt::LeftButton);
            QVERIFY(!board.isVisible());
        });
        QVERIFY(modal.closedByScript);
        QCOMPARE(main->shownToFront, 1);
        QCOMPARE(main->number, u"23"_s);
        QCOMPARE(main->dialled, QStringList{u"23"_s});
    }

    void closeButtonEndsTheBoardAndAnEmptyDepartmentHasOnlyTheMarker() {
        openBoard([&](windows::FMAbt& board) {
            QTest::mouseClick(board.BUend(), Qt::LeftButton);
            QVERIFY(!board.isVisible());
        });
        QVERIFY(modal.closedByScript);
        QVERIFY(main->dialled.isEmpty());
        modal.onModal = [&](QWidget* window) {
            auto& board = *static_cast<windows::FMAbt*>(window);
            QCOMPARE(board.rowCount(), 0);
            QCOMPARE(board.markerLine().x1(), px(6305));
        };
        windows::OpenDepartmentBoard(*services, u"LEER"_s);
        QCOMPARE(modal.shown.size(), 2);
    }
};

QTEST_MAIN(BoardWindowTest)
#include "tst_board.moc"
