// Whole calls on the simulated line against a real VENTOR server: what the user sees and what
// the server stored.
#include "layout.h"
#include "listbarwidget.h"
#include "serverfixture.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

using namespace app;
using testsupport::TestServer;

namespace {
QString field(FMStart& fm, const char* name) {
    return fm.findChild<QLineEdit*>(QString::fromLatin1(name))->text();
}
void click(FMStart& fm, const char* name) {
    QTest::mouseClick(fm.findChild<QPushButton*>(QString::fromLatin1(name)), Qt::LeftButton);
}
// The showcase customer's central number as the telephone system reports it (without the
// outside-line digit, which the simulated line puts in front).
const QString Showcase = QStringLiteral("030123456");
} // namespace

class CallsOnServerTest : public QObject {
    Q_OBJECT
    TestServer server;

    // The journal of kind k of user MEIER as the server keeps it.
    int journalCount(int kind) const {
        return server.journalCount(testsupport::DemoMeier.code, kind);
    }
    QString newestJournal(int kind, int piece) const {
        return server.newestJournalField(testsupport::DemoMeier.code, kind, piece);
    }

private slots:
    void initTestCase() { QVERIFY2(server.start(300), qPrintable(server.errorText())); }

    void startUpOnTheServer() {
        ServerFixture f(server);
        FMStart& fm = f.start();
        QCOMPARE(fm.windowTitle(), "VENTOR Telefon              Firma: 1     Filiale: 0"
                                   "     Benutzer: " +
                                       f.state.PersonName);
        QVERIFY(!f.state.PersonName.isEmpty());
        QCOMPARE(f.line.textSetting(), QString("VENTOR"));
        QVERIFY(f.line.isOpen());
        QCOMPARE(fm.statusText(), QString("Bereit"));
        QVERIFY(f.dialogs.shown.isEmpty());

        QCOMPARE(f.listBar.caption(1, 1), QString("Müller Bau GmbH_1")); // the list bar is loaded
    }

    void answeredCallOfAKnownCustomer() {
        ServerFixture f(server);
        FMStart& fm = f.start();
        const int before = journalCount(3);
        QStringList statuses;
        for (auto signal : {&line::Line::callOffered, &line::Line::connected,
                            &line::Line::disconnected, &line::Line::lineIdle})
            QObject::connect(&f.line, signal, &fm, [&] { statuses << fm.statusText(); });

        QVERIFY(f.line.ring(Showcase));
        QCOMPARE(fm.numberText(), Showcase);
        QCOMPARE(field(fm, "Nr"), QString("K100000"));
        QCOMPARE(field(fm, "NAMEN"), QString("Müller Bau GmbH"));
        QCOMPARE(field(fm, "Plz"), QString("D-10435"));
        QCOMPARE(fm.findChild<QWidget*>("email")->property("link").toString(),
                 QString("mailto:info@mueller-bau.example"));
        QCOMPARE(field(fm, "Mahnstufe"), QString("2"));

        f.line.answer();
        QCOMPARE(fm.phonePicture(), LinePicture::Ph2);
        QCOMPARE(journalCount(3), before + 1);
        QCOMPARE(newestJournal(3, 2), Showcase);
        QVERIFY(newestJournal(3, 1).startsWith("Müller Bau GmbH"));
        QCOMPARE(f.listBar.value(3, 1), Showcase);

        f.line.remoteHangUp();
        QCOMPARE(statuses, QStringList({"Income call", "Verbunden", "Unterbrochen", "Bereit"}));
        QCOMPARE(fm.phonePicture(), LinePicture::Ph1);
        QCOMPARE(journalCount(3), before + 1);
    }

    void unansweredCallsTwiceInARow() {
        ServerFixture f(server);
        FMStart& fm = f.start();
        const int before = journalCount(5);
        for (int call = 0; call < 2; ++call) {
            QVERIFY(f.line.ring(Showcase));
            QVERIFY(f.line.remoteHangUp());
            QCOMPARE(fm.statusText(), QString("Bereit"));
        }
        QCOMPARE(journalCount(5), before + 2);
        QCOMPARE(newestJournal(5, 2), Showcase);
        QVERIFY(f.listBar.caption(5, 1).startsWith("Müller Bau GmbH"));
        QVERIFY(f.listBar.caption(5, 2).startsWith("Müller Bau GmbH"));
    }

    void outgoingCallAndTheRepeatCheck() {
        ServerFixture f(server);
        FMStart& fm = f.start();
        const int before = journalCount(4);
        for (int call = 0; call < 2; ++call) {
            fm.setNumberText(Showcase);
            click(fm, "BUWaehl");
            QCOMPARE(f.line.numberToDial(), "0" + Showcase);
            QVERIFY(f.line.remoteAnswer());
            QCOMPARE(fm.statusText(), QString("Verbunden"));
            click(fm, "BUAufl");
            QCOMPARE(fm.statusText(), QString("Bereit"));
        }
        // The second call to the same number repeats the newest entry and is not written.
        QCOMPARE(journalCount(4), before + 1);
        QCOMPARE(newestJournal(4, 2), Showcase);
        QCOMPARE(f.listBar.value(4, 1), Showcase);
        QVERIFY(f.listBar.value(4, 2) != Showcase || before == 0);
    }

    void dialPrefixRules() {
        ServerFixture f(server);
        FMStart& fm = f.start();
        for (const auto& [typed, dialled] : {std::pair<QString, QString>{"21", "21"},
                                             {"123", "0123"},
                                             {"030123456", "0030123456"}}) {
            fm.setNumberText(typed);
            click(fm, "BUWaehl");
            QCOMPARE(f.line.numberToDial(), dialled);
            click(fm, "BUAufl");
        }
        // As the department board dials: every character but the digits is dropped.
        fm.dialNumber("1 / 2-3");
        QCOMPARE(f.line.numberToDial(), QString("0123"));
        fm.setNumberText("030 123456"); // not a number to the numeric test: searched for
        click(fm, "BUWaehl");
        QCOMPARE(f.side.calls, QStringList({"search:030 123456"}));
    }

    void callWithoutCallerNumber() {
        ServerFixture f(server);
        FMStart& fm = f.start();
        const int missed = journalCount(5), answered = journalCount(3);
        fm.setNumberText("4711");
        QVERIFY(f.line.ringAnonymous());
        QCOMPARE(fm.numberText(), QString("4711"));
        QCOMPARE(field(fm, "NAMEN"), QString());
        QVERIFY(f.line.remoteHangUp());
        QCOMPARE(journalCount(5), missed);
        QCOMPARE(journalCount(3), answered);
    }

    void popupOnAndOffWithAMinimisedWindow() {
        for (bool popup : {true, false}) {
            ServerFixture f(server);
            FMStart& fm = f.start();
            fm.show();
            fm.findChild<QCheckBox*>("chk_Popup")->setChecked(popup);
            fm.setWindowState(Qt::WindowMinimized);
            QVERIFY(f.line.ring(Showcase));
            QCOMPARE(fm.isMinimized(), !popup);
            QVERIFY(f.line.remoteHangUp());
            QVERIFY(fm.isMinimized());
        }
    }

    void holdAndResume() {
        ServerFixture f(server);
        FMStart& fm = f.start();
        QVERIFY(f.line.ring(Showcase));
        f.line.answer();
        click(fm, "BUR");
        QVERIFY(f.line.isHeld());
        QCOMPARE(fm.numberText(), QString());
        QCOMPARE(field(fm, "Nr"), QString()); // the emptied field finds nobody
        QVERIFY(!fm.findChild<QWidget*>("TxtHold")->isHidden());
        click(fm, "BUR");
        QVERIFY(!f.line.isHeld());
        QCOMPARE(fm.numberText(), Showcase);
        QCOMPARE(field(fm, "Nr"), QString("K100000"));
        QVERIFY(fm.findChild<QWidget*>("TxtHold")->isHidden());
        f.line.remoteHangUp();
    }

    void choosingSpeedDialAndJournalItems() {
        ServerFixture f(server);
        FMStart& fm = f.start();
        fm.show();
        QVERIFY(QTest::qWaitForWindowExposed(&fm));
        ListBarWidget* bar = fm.listBarWidget();
        QListWidget* list = bar->itemList();
        auto clickItem = [&](int index) {
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                              list->visualItemRect(list->item(index - 1)).center());
        };
        clickItem(1);
        QCOMPARE(fm.numberText(), QString("030 / 123 45-6"));
        QCOMPARE(field(fm, "Nr"), QString("K100000"));

        QTest::mouseClick(bar->groupButton(3), Qt::LeftButton);
        const QString number = f.listBar.value(3, 1);
        QVERIFY(!number.isEmpty());
        clickItem(1);
        QCOMPARE(fm.numberText(), number);
        QVERIFY(!field(fm, "NAMEN").isEmpty());

        QTest::mouseClick(bar->groupButton(2), Qt::LeftButton);
        clickItem(3);
        QCOMPARE(f.side.calls.size(), 1);
        QCOMPARE(f.side.calls[0], QStringLiteral("board:30"));
    }
};

QTEST_MAIN(CallsOnServerTest)
#include "tst_calls_server.moc"
