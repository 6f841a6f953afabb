// The side windows against a real server; the user's clicks and answers are scripted.
#include "fmabt.h"
#include "fmaddr.h"
#include "fmop.h"
#include "fmpass.h"
#include "fmserver.h"
#include "fmsuch.h"
#include "listbar.h"
#include "login.h"
#include "loginwindows.h"
#include "numberops.h"
#include "sidewindowkit.h"
#include "telephoneparams.h"
#include "testserver.h"

#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

using namespace Qt::StringLiterals;
using namespace cacheapi;
using namespace context;
using namespace testsupport;
using windows::FMPass;
using windows::FMServer;

namespace {
// One program's server link to the test server, with its login windows.
struct Session : LiveLink {
    explicit Session(const TestServer& server, bool storeConnection = true)
        : LiveLink(server, Waits::Skipped) {
        using namespace settings::keys;
        if (storeConnection) {
            store.write(CacheLogin, Login, Server, u"127.0.0.1"_s);
            store.write(CacheLogin, Login, Port, QString::number(server.port()));
        }
    }
    bool logIn(const DemoUser& user) {
        using namespace settings::keys;
        store.write(CacheLogin, Login, Name, user.code);
        store.write(CacheLogin, Login, Passwort, ScramblePassword(user.password));
        return LoginUser(link, {});
    }
    FMPass& pass() { return adapter.loginWindow(); }
    FMServer& settingsWindow() { return adapter.serverWindow(); }

    ScriptedModal modal;
    windows::LoginWindowsAdapter adapter{link, modal};
};

QStringList speedDialCaptions(const telefon::ListBarModel& bar) {
    QStringList result;
    for (int i = 1; i <= bar.itemCount(telefon::SpeedDialGroup); ++i)
        result << bar.caption(telefon::SpeedDialGroup, i);
    return result;
}

int rowWithText(const QTreeWidget* list, int column, const QString& text) {
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        if (list->topLevelItem(i)->text(column) == text)
            return i;
    return -1;
}
} // namespace

class WindowsServerTest : public QObject {
    Q_OBJECT

    TestServer server_;
    const QDate today{2026, 12, 4}; // a Friday
    std::unique_ptr<LiveLink> boardLink;
    cacheapi::fake::FakeClock clock;
    telefon::ListBarModel listBar;
    telefon::TelephoneParameters params{u"0"_s, u"30"_s, {}};
    std::unique_ptr<FakeMainWindow> boardMain;
    ScriptedModal boardModal;
    std::unique_ptr<windows::Services> services;

    static int px(double twips) { return windows::FMAbt::toPixels(twips); }
    // The colour of a widget's pixel as it is painted on the screen.
    static QColor pixelOf(QWidget* widget, QPoint at) {
        return widget->grab().toImage().pixelColor(at * widget->devicePixelRatio());
    }
    int requests() const { return int(boardLink->sent.filter(u"^RUFAP"_s).size()); }
    static QStringList blanks(int n) { return QStringList(n, QString()); }
    static QStringList day(const QStringList& planned, const QStringList& clocked) {
        return planned + blanks(4 - planned.size()) + clocked + blanks(8 - clocked.size());
    }

    void openBoard(std::function<void(windows::FMAbt&)> script) {
        boardModal.onModal = [script](QWidget* board) {
            script(*static_cast<windows::FMAbt*>(board));
        };
        windows::OpenDepartmentBoard(*services, u"VK"_s);
    }

private slots:
    void initTestCase() {
        QVERIFY2(server_.start(200), qPrintable(server_.errorText()));
        boardLink = std::make_unique<LiveLink>(server_);
        const QStringList staff{"Meier, Hans", "Schulz, Eva", "Lehmann, Udo", "Kunz, Ina",
                                "Falsch, Uwe"};
        for (int i = 0; i < staff.size(); ++i)
            server_.addStaff("VK", 9001 + i, staff[i], QString::number(21 + i));
        server_.setTimes(9001, today, day({"08:00", "12:00"}, {"07:58", "12:05"}));
        server_.setTimes(9002, today, day({"08:00", "16:00"}, {"07:58"}));
        server_.setTimes(9003, today, day({"08:00", "12:00", "13:00", "17:00"}, {}));
        server_.setTimes(9004, today, day({}, {"06:00", "09:00", "09:30", "10:15"}));
        // The clock reports an end before the start, and an open interval begun after 22:00.
        server_.setTimes(9005, today, day({}, {"09:00", "08:00", "23:00"}));
        server_.setTimes(9001, today.addDays(-1), day({"13:00", "18:00"}, {"13:05", "18:10"}));
        server_.setTimes(9003, today.addDays(-1), day({"08:00", "12:00"}, {"08:01", "11:00"}));
    }

    void firstRunSetsUpTheServerAndLogsIn() {
        Session s(server_, false);
        s.dialogs.answers = {context::Answer::Yes, context::Answer::Yes};
        QString portShown;
        s.modal.onModal = [&](QWidget* window) {
            if (window == &s.pass()) {
                portShown = s.settingsWindow().BPORT->text();
                s.pass().BUServer->click(); // the connection data first
                s.pass().BUSER->setText(DemoMeier.code);
                s.pass().BPASSWORT->setText(DemoMeier.password);
                s.pass().BUSpeich->click();
                return;
            }
            FMServer& settings = s.settingsWindow();
            settings.BUEdit->click();
            settings.BSERVERIP->setText(u"127.0.0.1"_s);
            settings.BPORT->setText(QString::number(server_.port()));
            settings.BUEdit->click();
            settings.BUZurueck->click();
        };
        QVERIFY(LoginUser(s.link, {}));
        QCOMPARE(s.modal.shown, (QStringList{"FMPass", "FMServer"}));
        QCOMPARE(portShown, u"1973"_s);
        QVERIFY(s.state.LoginIdentity.startsWith(u"MEIER|"_s));
        QCOMPARE(s.state.ConnectionString, u"cn_iptcp:127.0.0.1[%1]:VENTOR"_s.arg(server_.port()));
        using namespace settings::keys;
        QCOMPARE(s.store.size(), 9); // the seven of the login and the two of encryption
        QCOMPARE(s.store.read(CacheLogin, Login, Verbindung, {}), u"unverschlüsselt"_s);
        QCOMPARE(s.store.read(CacheLogin, Login, Port, {}), QString::number(server_.port()));
        QCOMPARE(s.sent.filter("PERSONAL=").last(), u"S FIRMA=1,FIL=0,PERSONAL=\"MEIER\""_s);
    }

    void refusedLoginsShowTheMessage() {
        for (const DemoUser& user : {DemoUser{DemoMeier.code, u"falsch"_s, true}, DemoAlt}) {
            Session s(server_);
            QVERIFY(!s.logIn(user));
            QCOMPARE(s.dialogs.shown.size(), 1);
            QCOMPARE(s.dialogs.shown[0].text, u"Passwort Falsch oder Benutzer nicht Aktiv."_s);
            QCOMPARE(s.dialogs.shown[0].title, u"Anmeldung an Caché."_s);
            QVERIFY(s.state.LoginFailed);
            QVERIFY(s.state.LoginIdentity.isEmpty());
            QCOMPARE(s.pass().BPASSWORT->selectedText(), user.password);

            // Corrected in the login window, which the failed login now offers.
            s.modal.onModal = [&](QWidget*) {
                s.pass().BUSER->setText(DemoSchulz.code);
                s.pass().BPASSWORT->setText(DemoSchulz.password);
                s.pass().BUSpeich->click();
            };
            QVERIFY(LoginUser(s.link, {}));
            QVERIFY(s.state.LoginIdentity.startsWith(u"SCHULZ|"_s));
        }
    }

    // Closing the windows before the end is the program end's part, checked with the frame.
    void abbruchEndsTheProgram() {
        Session s(server_);
        s.modal.onModal = [&](QWidget*) { s.pass().BUAusst->click(); };
        // Nothing stored: the login window asks.
        QVERIFY_THROWS_EXCEPTION(fake::ProgramEnded, LoginUser(s.link, {}));
        QVERIFY(s.state.LoginIdentity.isEmpty());
        QCOMPARE(s.modal.shown, QStringList{"FMPass"});
    }

    // Refused logins and another company saved: the session goes on for the last login.
    void sessionGoesOnForTheLastSuccessfulLogin() {
        Session s(server_);
        QVERIFY(s.logIn(DemoMeier));
        auto commandWorks = [&] {
            bool error = false;
            return !s.link.ExecuteCommand(u"D PARAM^RUFAP"_s, error).isEmpty() && !error;
        };
        QVERIFY(!s.logIn(DemoUser{DemoMeier.code, u"falsch"_s, true}));
        QVERIFY(commandWorks());
        QVERIFY(!s.logIn(DemoUser{u"NIEMAND"_s, u"geheim"_s, true}));
        QVERIFY(s.state.KeepPasswordOut && s.state.LoginFailed);
        QCOMPARE(s.dialogs.shown.last().title, u"Caché Zugriffsfehler"_s);
        QVERIFY(s.dialogs.shown.last().text.startsWith(
            u"Vorgang: Anmeldung mit nicht existierendem Personalcode."_s));
        QVERIFY(commandWorks());
        QCOMPARE(s.dialogs.shown.size(), 2); // the refusal and the unknown user, nothing after
        s.pass().show();
        s.pass().BUSER->setText(DemoMeier.code);
        s.pass().BPASSWORT->setText(DemoMeier.password);
        s.pass().BUSpeich->click();
        using namespace settings::keys;
        QCOMPARE(s.store.read(CacheLogin, Login, Name, {}), DemoMeier.code);
        QCOMPARE(ScramblePassword(s.store.read(CacheLogin, Login, Passwort, {})), u"geheim"_s);

        s.dialogs.answers = {Answer::Yes, Answer::Yes};
        FMServer& settings = s.settingsWindow();
        settings.BUEdit->click();
        settings.BFIRMA->setText(u"2"_s);
        settings.BUEdit->click();
        QCOMPARE(s.store.read(CacheLogin, Login, Firma, {}), u"2"_s);
        QVERIFY(commandWorks());
        QCOMPARE(s.dialogs.shown.size(), 4);
        QCOMPARE(s.sent.filter("PERSONAL=").last(), u"S FIRMA=1,FIL=0,PERSONAL=\"MEIER\""_s);
    }

    void speedDialEntriesAreSavedChangedAndDeleted() {
        Session s(server_);
        QVERIFY(s.logIn(DemoMeier));
        telefon::ListBarModel listBar;
        listBar.addGroup(u"Ziehlwahl"_s);
        telefon::LoadListBar(s.link, listBar);
        const int before = listBar.itemCount(telefon::SpeedDialGroup);
        QVERIFY(before > 0);
        FakeMainWindow main;
        windows::FMAddr editor(s.link, listBar, main);
        const QString number = u"0301 99 88"_s;
        const QString stored = u"^VXZW(1,\"MEIER\",\"0301 99 88\")"_s;

        // The server sends the item without a number last; the sort key takes digits only.
        QCOMPARE(listBar.caption(telefon::SpeedDialGroup, before), u"Neuer Eintrag"_s);
        QVERIFY(listBar.value(telefon::SpeedDialGroup, before).isEmpty());
        s.modal.onModal = [&](QWidget*) {
            QCOMPARE(editor.focusWidget(), editor.BUSpeich);
            editor.SORT->clear();
            QTest::keyClicks(editor.SORT, u"x3-"_s);
            QCOMPARE(editor.SORT->text(), u"3"_s);
            editor.BUSpeich->click();
        };
        editor.open(u"Testeintrag_3"_s, number, u"0"_s, s.modal);
        QCOMPARE(listBar.itemCount(telefon::SpeedDialGroup), before + 1);
        QCOMPARE(server_.mumpsQuery(stored), u"Testeintrag_3`3"_s);
        int index = speedDialCaptions(listBar).indexOf(u"Testeintrag_3_3"_s) + 1;
        QVERIFY(index > 0);
        QCOMPARE(listBar.value(telefon::SpeedDialGroup, index), number);
        QVERIFY(!editor.isVisible());

        // Changed: the opened item's caption comes back as the name.
        s.modal.onModal = [&](QWidget*) {
            editor.NAMEN->setText(u"Geändert"_s);
            editor.SORT->setText(u"0"_s);
            editor.BUSpeich->click();
        };
        editor.open(u"Testeintrag_3_3"_s, number, u"3"_s, s.modal);
        QCOMPARE(server_.mumpsQuery(stored), u"Geändert`0"_s);
        QCOMPARE(listBar.itemCount(telefon::SpeedDialGroup), before + 1);
        QVERIFY(speedDialCaptions(listBar).contains(u"Geändert"_s));

        // Delete with an empty number: nothing sent, the editor stays open.
        const QStringList captions = speedDialCaptions(listBar);
        const int sentBefore = int(s.sent.size());
        editor.show();
        editor.RUFNR->clear();
        editor.BULOE->click();
        QCOMPARE(int(s.sent.size()), sentBefore);
        QVERIFY(editor.isVisible());
        QCOMPARE(speedDialCaptions(listBar), captions);

        // "Ausstieg" sends nothing.
        editor.RUFNR->setText(number);
        editor.BUAus->click();
        QCOMPARE(int(s.sent.size()), sentBefore);
        QVERIFY(!editor.isVisible());

        // Deleted.
        index = captions.indexOf(u"Geändert"_s) + 1;
        s.modal.onModal = [&](QWidget*) { editor.BULOE->click(); };
        editor.open(listBar.caption(telefon::SpeedDialGroup, index), number, QString(), s.modal);
        QCOMPARE(listBar.itemCount(telefon::SpeedDialGroup), before);
        QVERIFY(server_.mumpsQuery(stored).isEmpty());
        QVERIFY(!speedDialCaptions(listBar).contains(u"Geändert"_s));
        QCOMPARE(main.shownToFront, 3);
    }

    void searchWithUmlautsFindsTheCustomerAndFillsTheMainWindow() {
        Session s(server_);
        QVERIFY(s.logIn(DemoMeier));
        FakeMainWindow main; // its lookup fills a customer panel, as the program's does
        telefon::CustomerPanel panel;
        main.lookup = [&, params = telefon::TelephoneParameters::read(s.link)](const QString& n) {
            return telefon::LookupCaller(s.link, params, n, panel);
        };
        windows::FMSuch search(s.link, main);
        main.number = u"Müller Bau"_s;
        search.openWithSearchWord(main.number); // "Wählen" with a name
        QVERIFY(main.number.isEmpty());
        QCOMPARE(search.SUText->text(), u"MUEller Bau"_s);
        QVERIFY(s.sent.contains(u"S P0=$$TXTSU^RUFAP(\"MUEller Bau\") W:$F($ZV,\"MSM\") P0"_s));
        const int row = rowWithText(search.LIRufnr, 0, ShowcaseAccount);
        QVERIFY(row >= 0);
        QCOMPARE(search.LIRufnr->topLevelItem(row)->text(1), ShowcaseName);
        const QString tag = search.rowTag(row);
        QCOMPARE(search.LIRufnr->topLevelItem(row)->text(4), tag);

        QTreeWidget* list = search.LIRufnr;
        list->scrollToItem(list->topLevelItem(row));
        QCoreApplication::processEvents();
        const QPoint inRow = list->visualItemRect(list->topLevelItem(row)).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, inRow);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, inRow);
        QCOMPARE(main.number, tag);
        QCOMPARE(main.lookups, QStringList{tag});
        QCOMPARE(panel.Nr, ShowcaseAccount);
        QCOMPARE(panel.NAMEN, ShowcaseName);
        QVERIFY(!search.isVisible());
    }

    void openItemsShowTheirMarkers() {
        Session s(server_);
        QVERIFY(s.logIn(DemoMeier));
        FakeMainWindow main;
        main.account = ShowcaseAccount;
        windows::FMOP items(s.link, main);
        s.modal.onModal = [&](QWidget*) { items.ctPush1->click(); };
        items.openModal(s.modal);
        QVERIFY(s.sent.contains(u"S P0=$$OPSU^RUFAP(100000) W:$F($ZV,\"MSM\") P0"_s));
        const QTreeWidget* list = items.LIOP;
        QVERIFY(list->topLevelItemCount() >= 4);
        for (const auto& [number, marked] : {std::pair{"2400101", true},
                                             {"2400188", true},
                                             {"2400230", false},
                                             {"2400231", false}}) {
            const int row = rowWithText(list, 0, number);
            QVERIFY2(row >= 0, number);
            QCOMPARE(items.rowMarked(row), marked);
            QVERIFY(!marked || list->topLevelItem(row)->text(7).toInt() > 0);
        }
        QVERIFY(!list->topLevelItem(rowWithText(list, 0, "2400231"))->text(4).isEmpty()); // credit
    }

    // The department board window against known staff and times.
    void init() {
        clock.set(QDateTime(today, QTime(10, 15, 7)));
        boardMain = std::make_unique<FakeMainWindow>();
        boardModal = ScriptedModal();
        services.reset(
            new windows::Services{{boardLink->store, boardLink->dialogs, clock,
                                   boardLink->realEvents, boardLink->idle, boardLink->end},
                                  boardLink->link,
                                  boardModal,
                                  listBar,
                                  params,
                                  boardMain.get()});
    }

    void cleanup() { QVERIFY(boardLink->dialogs.shown.isEmpty()); }

    void headerMarkerRowsAndBarsAtTheOpeningMoment() {
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

            // Rows, bars and presence on the time scale.
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
        QCOMPARE(boardModal.shown.size(), 1);
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

    // A second date picked while the first one is filled is the one shown.
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

    // An empty department shows only the marker.
    void clickOnAnExtensionDialsItAndTheCloseButtonEndsTheBoard() {
        openBoard([&](windows::FMAbt& board) {
            QTest::mouseClick(board.DW(3), Qt::LeftButton);
            QVERIFY(!board.isVisible());
        });
        QVERIFY(boardModal.closedByScript);
        QCOMPARE(boardMain->shownToFront, 1);
        QCOMPARE(boardMain->number, u"23"_s);
        QCOMPARE(boardMain->dialled, QStringList{u"23"_s});

        boardMain->dialled.clear();
        openBoard([&](windows::FMAbt& board) {
            QTest::mouseClick(board.BUend(), Qt::LeftButton);
            QVERIFY(!board.isVisible());
        });
        QVERIFY(boardModal.closedByScript);
        QVERIFY(boardMain->dialled.isEmpty());
        boardModal.onModal = [&](QWidget* window) {
            auto& board = *static_cast<windows::FMAbt*>(window);
            QCOMPARE(board.rowCount(), 0);
            QCOMPARE(board.markerLine().x1(), px(6305));
        };
        windows::OpenDepartmentBoard(*services, u"LEER"_s);
        QCOMPARE(boardModal.shown.size(), 3);
    }
};

QTEST_MAIN(WindowsServerTest)
#include "tst_windows_live.moc"
