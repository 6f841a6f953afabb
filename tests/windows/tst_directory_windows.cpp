// The number search and the open-items windows over the in-memory server.

#include "fakelink.h"
#include "fmop.h"
#include "fmsuch.h"
#include "services.h"
#include "sidewindowkit.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QtTest>

using namespace testsupport;
using windows::FMOP;
using windows::FMSuch;

namespace {
const QChar R(0xFF);

QStringList rowTexts(const QTreeWidget* list, int row) {
    QStringList texts;
    for (int c = 0; c < list->columnCount(); ++c)
        texts << list->topLevelItem(row)->text(c);
    return texts;
}

} // namespace

class DirectoryWindowsTest : public QObject {
    Q_OBJECT

private slots:
    // Which rows are marked is the list's logic; here the window beside the main window, its
    // rows and markers, and a reading anew for another customer.
    void openItemsAreListedWithTheirMarkers() {
        FakeLink world;
        world.addStaff("MEIER", "telefon");
        world.storeLogin("MEIER", "telefon");
        FakeMainWindow main;
        main.account = "K100";
        const QString row1 = "R-1\n1050301\n1050315\n100,00\n\n1050331\n\n2";
        world.server->reply("S P0=$$OPSU^RUFAP(100) W:$F($ZV,\"MSM\") P0",
                            row1 + "`2" + QString(R) + "R-2`" + QString(R) + "R-3`x");
        world.server->reply("S P0=$$OPSU^RUFAP(200) W:$F($ZV,\"MSM\") P0",
                            "B`0" + QString(R) + "C`0");
        FMOP items(world.link, main);
        ScriptedModal modal;
        modal.onModal = [&](QWidget*) { items.ctPush1->click(); };
        items.openModal(modal);
        QCOMPARE(items.pos(),
                 QPoint(windows::twipsToPixels(1500 + 300), windows::twipsToPixels(3000 + 500)));
        QCOMPARE(items.LIOP->topLevelItemCount(), 3);
        QCOMPARE(rowTexts(items.LIOP, 0), row1.split('\n'));
        QVERIFY(items.rowMarked(0));
        QVERIFY(!items.rowMarked(1));
        QVERIFY(!items.isVisible());

        main.account = "K200";
        items.show();
        QCOMPARE(items.LIOP->topLevelItemCount(), 2);
        QCOMPARE(items.LIOP->topLevelItem(0)->text(0), QStringLiteral("B"));
    }

    // Every activation, not only the first showing, puts the windows beside the main window where
    // it is now: the search field gets the focus, the open items are read anew.
    void searchAndOpenItemsFollowTheMainWindowWhenActivated() {
        FakeLink world;
        world.addStaff("MEIER", "telefon");
        world.storeLogin("MEIER", "telefon");
        FakeMainWindow main;
        main.account = "K100";
        FMSuch search(world.link, main);
        FMOP items(world.link, main);
        QWidget elsewhere;
        for (QWidget* w :
             {static_cast<QWidget*>(&search), static_cast<QWidget*>(&items), &elsewhere})
            w->show();
        QCoreApplication::processEvents();
        search.LIRufnr->setFocus();
        main.frame.moveTo(3000, 4500);
        qsizetype readings = 0;
        for (QWidget* window : {static_cast<QWidget*>(&search), static_cast<QWidget*>(&items)}) {
            QApplication::setActiveWindow(window);
            QApplication::setActiveWindow(&elsewhere);
            readings = world.server->commands.filter("OPSU").size();
            QApplication::setActiveWindow(window);
        }
        using windows::twipsToPixels;
        QCOMPARE(search.pos(), QPoint(twipsToPixels(3600), twipsToPixels(5500)));
        QCOMPARE(search.focusWidget(), search.SUText);
        QCOMPARE(items.pos(), QPoint(twipsToPixels(3300), twipsToPixels(5000)));
        QCOMPARE(world.server->commands.filter("OPSU").size(), readings + 1);
    }
};

QTEST_MAIN(DirectoryWindowsTest)
#include "tst_directory_windows.moc"
