// The number search and the open-items window over the in-memory server.

#include "fakeworld.h"
#include "fmop.h"
#include "fmsuch.h"
#include "services.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QtTest>

using namespace testkit;
using windows::FMOP;
using windows::FMSuch;
using windows::FoldUmlauts;

namespace {
const QChar R(0xFF);

QString searchCommand(const QString& text) {
    return "S P0=$$TXTSU^RUFAP(\"" + text + "\") W:$F($ZV,\"MSM\") P0";
}

QStringList rowTexts(const QTreeWidget* list, int row) {
    QStringList texts;
    for (int c = 0; c < list->columnCount(); ++c)
        texts << list->topLevelItem(row)->text(c);
    return texts;
}

QStringList headers(const QTreeWidget* list) {
    QStringList texts;
    for (int c = 0; c < list->columnCount(); ++c)
        texts << list->headerItem()->text(c);
    return texts;
}
} // namespace

class DirectoryWindowsTest : public QObject {
    Q_OBJECT

private slots:
    void umlautsAreWrittenOut();
    void searchSendsTheFoldedTextAndListsTheRecords();
    void choosingARowFillsTheMainWindow();
    void searchWordFromWaehlenStartsAtOnce();
    void emptyOrFailedSearchLeavesTheListEmpty();
    void openItemsAreListedWithTheirMarkers();
    void openItemsAreReadAnewOnEachOpening();
};

void DirectoryWindowsTest::umlautsAreWrittenOut() {
    QCOMPARE(FoldUmlauts("Müller"), QStringLiteral("MUEller"));
    QCOMPARE(FoldUmlauts("straße"), QStringLiteral("straSSe"));
    QCOMPARE(FoldUmlauts("ÄÖÜäöü"), QStringLiteral("AEOEUEAEOEUE"));
    QCOMPARE(FoldUmlauts("Café Noël"), QStringLiteral("Café Noël"));
}

void DirectoryWindowsTest::searchSendsTheFoldedTextAndListsTheRecords() {
    FakeWorld world;
    world.storeLogin("MEIER", "telefon");
    FakeMainWindow main;
    world.server->reply(searchCommand("MUEller"),
                        "K100`Müller Bau GmbH`0301234567`10115`Berlin" + QString(R) +
                            "A7`Müller, Jens`0309876`10117`Berlin" + QString(R));
    FMSuch search(world.link, main);
    QCOMPARE(search.windowTitle(), QStringLiteral("Suche Rufnummer"));
    QCOMPARE(headers(search.LIRufnr), (QStringList{"Nr.", "Name", "Plz", "Ort", "Rufnummer"}));
    search.show();
    QCOMPARE(search.pos(),
             QPoint(windows::twipsToPixels(1500 + 600), windows::twipsToPixels(3000 + 1000)));
    search.SUText->setText("Müller");
    QTest::keyClick(search.SUText, Qt::Key_Return);
    QCOMPARE(search.SUText->text(), QStringLiteral("MUEller"));
    QVERIFY(world.server->commands.contains(searchCommand("MUEller")));
    QCOMPARE(search.LIRufnr->topLevelItemCount(), 2);
    QCOMPARE(rowTexts(search.LIRufnr, 0),
             (QStringList{"K100", "Müller Bau GmbH", "10115", "Berlin", "0301234567"}));
    QCOMPARE(search.rowTag(1), QStringLiteral("0309876"));
}

void DirectoryWindowsTest::choosingARowFillsTheMainWindow() {
    FakeWorld world;
    world.storeLogin("MEIER", "telefon");
    FakeMainWindow main;
    world.server->reply(searchCommand("Bau"), "1`Erste`111`1`A" + QString(R) + "2`Zweite`222`2`B" +
                                                  QString(R) + "3`Dritte`333`3`C");
    FMSuch search(world.link, main);
    ScriptedModal modal;
    modal.onModal = [&](QWidget*) {
        search.SUText->setText("Bau");
        search.search();
        // A double-click on the third row chooses it.
        QTreeWidget* list = search.LIRufnr;
        QCoreApplication::processEvents(); // lets the list lay out its rows
        const QPoint inRow = list->visualItemRect(list->topLevelItem(2)).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, inRow); // takes the focus
        QVERIFY(search.isVisible()); // a single click chooses nothing
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, inRow);
    };
    search.openModal(modal);
    QCOMPARE(modal.shown, QStringList{"FMSuch"});
    QCOMPARE(main.number, QStringLiteral("333"));
    QCOMPARE(main.lookups, QStringList{"333"});
    QVERIFY(!search.isVisible());
}

void DirectoryWindowsTest::searchWordFromWaehlenStartsAtOnce() {
    FakeWorld world;
    world.storeLogin("MEIER", "telefon");
    FakeMainWindow main;
    main.number = "Bäcker";
    world.server->reply(searchCommand("BAEcker"), "K5`Bäckerei Korn`0407`20095`Hamburg");
    FMSuch search(world.link, main);
    search.openWithSearchWord(main.number);
    QVERIFY(search.isVisible());
    QVERIFY(!search.isModal());
    QVERIFY(main.number.isEmpty());
    QCOMPARE(search.SUText->text(), QStringLiteral("BAEcker"));
    QCOMPARE(search.LIRufnr->topLevelItemCount(), 1);
    search.chooseRow(0);
    QCOMPARE(main.number, QStringLiteral("0407"));
}

void DirectoryWindowsTest::emptyOrFailedSearchLeavesTheListEmpty() {
    FakeWorld world;
    world.storeLogin("MEIER", "telefon");
    FakeMainWindow main;
    world.server->reply(searchCommand("A"), "1`A`1`1`A");
    world.server->fail(searchCommand("Kaputt"), 8, "<SYNTAX>");
    FMSuch search(world.link, main);
    search.show();
    search.SUText->setText("A");
    search.search();
    QCOMPARE(search.LIRufnr->topLevelItemCount(), 1);
    search.SUText->setText("Niemand");
    search.search();
    QCOMPARE(search.LIRufnr->topLevelItemCount(), 0);
    QVERIFY(search.isVisible());
    search.SUText->setText("Kaputt");
    search.search();
    QCOMPARE(search.LIRufnr->topLevelItemCount(), 0);
    QCOMPARE(world.dialogs.shown.last().title, QStringLiteral("Caché Zugriffsfehler"));
}

void DirectoryWindowsTest::openItemsAreListedWithTheirMarkers() {
    FakeWorld world;
    world.storeLogin("MEIER", "telefon");
    FakeMainWindow main;
    main.account = "K100";
    const QString command = "S P0=$$OPSU^RUFAP(100) W:$F($ZV,\"MSM\") P0";
    const QString row1 = "R-1\n1050301\n1050315\n100,00\n\n1050331\n\n2";
    const QString row2 = "R-2\n1050302\n1050316\n\n50,00\n1050401\n\n0";
    world.server->reply(command, row1 + "`2" + QString(R) + row2 + "`0" + QString(R) + "R-3`" +
                                     QString(R) + "R-4`x");
    FMOP items(world.link, main);
    QCOMPARE(items.windowTitle(), QStringLiteral("Offene Posten"));
    QCOMPARE(items.ctPush1->text(), QStringLiteral("Schließen"));
    QCOMPARE(headers(items.LIOP), (QStringList{"Rech.Nr.", "Bel.Datum", "Val.Datum", "Soll",
                                               "Haben", "Fäll.Datum", "Überf", "MS"}));
    ScriptedModal modal;
    modal.onModal = [&](QWidget*) { items.ctPush1->click(); };
    items.openModal(modal);
    QVERIFY(world.server->commands.contains(command));
    QCOMPARE(items.pos(),
             QPoint(windows::twipsToPixels(1500 + 300), windows::twipsToPixels(3000 + 500)));
    QCOMPARE(items.LIOP->topLevelItemCount(), 4);
    QCOMPARE(rowTexts(items.LIOP, 0), row1.split('\n'));
    QCOMPARE(rowTexts(items.LIOP, 1), row2.split('\n'));
    QVERIFY(items.rowMarked(0));
    QVERIFY(!items.rowMarked(1)); // "0"
    QVERIFY(!items.rowMarked(2)); // empty
    QVERIFY(!items.rowMarked(3)); // no number
    QVERIFY(!items.isVisible());
}

void DirectoryWindowsTest::openItemsAreReadAnewOnEachOpening() {
    FakeWorld world;
    world.storeLogin("MEIER", "telefon");
    FakeMainWindow main;
    main.account = "K100";
    world.server->reply("S P0=$$OPSU^RUFAP(100) W:$F($ZV,\"MSM\") P0", "A`1");
    world.server->reply("S P0=$$OPSU^RUFAP(200) W:$F($ZV,\"MSM\") P0", "B`0" + QString(R) + "C`0");
    FMOP items(world.link, main);
    items.show();
    QCOMPARE(items.LIOP->topLevelItemCount(), 1);
    items.hide();
    main.account = "K200";
    items.show();
    QCOMPARE(items.LIOP->topLevelItemCount(), 2);
    QCOMPARE(items.LIOP->topLevelItem(0)->text(0), QStringLiteral("B"));
}

QTEST_MAIN(DirectoryWindowsTest)
#include "test_directory_windows.moc"
