// The main window on an in-memory server and a simulated line.
#include "fmpass.h"
#include "layout.h"
#include "listbarwidget.h"
#include "login.h"
#include "loginwindows.h"
#include "program.h"
#include "programend.h"
#include "qtsidewindows.h"
#include "sidewindowkit.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QTest>

using cacheapi::fake::ProgramEnded;
using namespace app;

namespace {
using FakeFixture = testsupport::FakeProgram;

template <typename W = QWidget> W* control(FMStart& fm, const char* name) {
    W* w = fm.findChild<W*>(QString::fromLatin1(name));
    if (!w)
        qFatal("no control %s", name);
    return w;
}
void click(FMStart& fm, const char* name) {
    QTest::mouseClick(control<QPushButton>(fm, name), Qt::LeftButton);
}
bool near(int actualPixels, int expectedTwips) {
    return qAbs(actualPixels - twipsToPixels(expectedTwips)) <= 1;
}
} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    void startUpRunsItsStepsInOrder() {
        FakeFixture f;
        f.storeLogin("falsch");
        QList<bool> keepOutAtLogin;
        f.windows.onLoginWindow = [&](cacheapi::fake::FieldLoginWindows& w) {
            keepOutAtLogin << f.state.KeepPasswordOut;
            w.user = "MEIER";
            w.password = "telefon";
            cacheapi::Sichern(f.link);
        };
        f.line.setDevices({"Modem", "bosch klein", "ISDN BOSCH 2", "BOSCH"});
        FMStart& fm = f.start();

        // The refused first login is repeated through the login window.
        QCOMPARE(keepOutAtLogin, QList<bool>{false});
        QCOMPARE(f.line.textSetting(), QString("x"));
        QCOMPARE(f.line.device(), 2); // the first name holding "BOSCH" in capitals
        QVERIFY(f.line.isOpen());

        QCOMPARE(f.server->commands.filter("^RUFAP"),
                 QStringList({"D PARAM^RUFAP", "D ZWAHL^RUFAP", "D INT^RUFAP", "D JOURGET^RUFAP(3)",
                              "D JOURGET^RUFAP(4)", "D JOURGET^RUFAP(5)"}));
        QCOMPARE(fm.listBarWidget()->groupButton(1)->text(), QString("Ziehlwahl"));
        QCOMPARE(fm.listBarWidget()->groupButton(5)->text(), QString("nicht angenommen"));
    }

    // The stored default (800 by 600 twips) is below the minimum, the designed client area.
    void firstRunWithAnEmptyStoreOpensAtTheMinimumAtTheOrigin() {
        FakeFixture f;
        f.store = settings::MemorySettingsStore();
        f.windows.onLoginWindow = [&](cacheapi::fake::FieldLoginWindows& w) {
            w.fields = {"1", "0", "127.0.0.1", "1972", "VENTOR"};
            w.user = "MEIER";
            w.password = "telefon";
            cacheapi::Sichern(f.link);
        };
        FMStart& fm = f.start();
        fm.show();
        QVERIFY(QTest::qWaitForWindowExposed(&fm));
        QCOMPARE(f.windows.loginShown, 1);
        QCOMPARE(fm.size(), fm.minimumSize());
        QCOMPARE(fm.frameTwips().topLeft(), QPoint(0, 0));
        QVERIFY(fm.centralWidget()->width() >= twipsToPixels(designed::ClientWidth));
        QVERIFY(fm.centralWidget()->height() >= twipsToPixels(designed::ClientHeight));
        QVERIFY(fm.popupChecked());
    }

    // Texts that convert to a float but give no place on a screen count as missing too.
    void storedPlaceAndPopupChoiceAreApplied() {
        using namespace settings;
        for (const bool usable : {true, false}) {
            FakeFixture f;
            f.store.write(keys::Telefon, keys::Pos, keys::Left, usable ? "1500" : "nan");
            f.store.write(keys::Telefon, keys::Pos, keys::Top, usable ? "750" : "-inf");
            f.store.write(keys::Telefon, keys::Pos, keys::Width, usable ? "12000" : "1e30");
            f.store.write(keys::Telefon, keys::Pos, keys::Hight, usable ? "viel" : "inf");
            f.store.write(keys::Telefon, keys::Pos, keys::Popup, "0");
            FMStart& fm = f.start();
            fm.show();
            QVERIFY(QTest::qWaitForWindowExposed(&fm));
            const QSize frame = fm.frameGeometry().size() - fm.size();
            const QSize minimum = (fm.minimumSize() + frame) * 15;
            QCOMPARE(fm.frameTwips(), usable
                                          ? QRect(QPoint(1500, 750), QSize(12000, minimum.height()))
                                          : QRect(QPoint(0, 0), minimum));
            QVERIFY(!fm.popupChecked());
        }
    }

    void parameterReplyWithoutFieldsGivesOnlyTheDialPrefix() {
        FakeFixture f;
        f.server->reply("D PARAM^RUFAP", "9");
        f.line.setDevices({"Modem", "Bosch", "ISDN"}); // no "BOSCH": the first device
        f.start();
        QCOMPARE(f.line.device(), 0);
        QCOMPARE(f.params.DialPrefix, QString("9"));
        QCOMPARE(f.params.LookupPrefix, QString());
        QCOMPARE(f.line.textSetting(), QString());
    }

    void closeBoxAnsweredNoThenYesSavesDisconnectsAndEnds() {
        FakeFixture f;
        FMStart& fm = f.start();
        fm.show();
        QVERIFY(QTest::qWaitForWindowExposed(&fm));
        fm.setGeometry(QRect(QPoint(100, 50), QSize(600, 400)));
        control<QCheckBox>(fm, "chk_Popup")->setChecked(false);
        f.dialogs.answers = {context::Answer::No, context::Answer::Yes};
        QVERIFY(!fm.close());
        QCOMPARE(f.dialogs.shown[0].text, QString("Anwendung beenden"));
        QCOMPARE(f.dialogs.shown[0].title, QString("Beenden"));
        QCOMPARE(f.dialogs.shown[0].buttons, context::Buttons::YesNo);
        QVERIFY(fm.isVisible() && f.line.isOpen());
        QVERIFY(!f.store.contains("Telefon", "Pos", "Left"));

        QVERIFY_THROWS_EXCEPTION(ProgramEnded, fm.close());
        const QRect frame = fm.frameGeometry();
        QCOMPARE(f.store.read("Telefon", "Pos", "Left", {}), QString::number(frame.x() * 15));
        QCOMPARE(f.store.read("Telefon", "Pos", "Top", {}), QString::number(frame.y() * 15));
        QCOMPARE(f.store.read("Telefon", "Pos", "Hight", {}), QString::number(frame.height() * 15));
        QCOMPARE(f.store.read("Telefon", "Pos", "Popup", {}), QString("0"));
        QVERIFY(!f.server->connected);
        QVERIFY(fm.isShutDown());
    }

    // An end caused by the program (login "Abbruch", no server, the end button) asks nothing.
    void programCausedEndRunsTheShutdownWithoutQuestion() {
        for (const bool endButton : {false, true}) {
            FakeFixture f;
            windows::QtProgramEnd end([](int) { throw ProgramEnded{}; });
            FMStart fm({{f.store, f.dialogs, f.clock, f.clock, f.idle, end},
                        f.link,
                        f.listBar,
                        f.session,
                        f.side,
                        {}});
            fm.startUp();
            fm.show();
            QVERIFY(QTest::qWaitForWindowExposed(&fm));
            if (endButton)
                QVERIFY_THROWS_EXCEPTION(ProgramEnded, click(fm, "BUend"));
            else
                QVERIFY_THROWS_EXCEPTION(ProgramEnded, end.closeAllWindowsAndEnd());
            QVERIFY(f.dialogs.shown.isEmpty());
            QVERIFY(fm.isShutDown());
            QCOMPARE(f.store.read("Telefon", "Pos", "Popup", {}), QString("1"));
            QVERIFY(!f.server->connected);
            fm.shutdown(); // nothing more happens
        }
    }

    void closingWhileMinimisedKeepsTheStoredPlace() {
        FakeFixture f;
        f.store.write("Telefon", "Pos", "Left", "300");
        f.store.write("Telefon", "Pos", "Width", "9000");
        FMStart& fm = f.start();
        fm.show();
        fm.move(200, 200);
        fm.setWindowState(Qt::WindowMinimized);
        f.dialogs.answers = {context::Answer::Yes};
        QVERIFY_THROWS_EXCEPTION(ProgramEnded, fm.close());
        QCOMPARE(f.store.read("Telefon", "Pos", "Left", {}), QString("300"));
        QCOMPARE(f.store.read("Telefon", "Pos", "Width", {}), QString("9000"));
        QVERIFY(!f.store.contains("Telefon", "Pos", "Popup"));
    }

    // The rules, and the bottom line and list bar following the window size.
    void resizeRulesInTwips() {
        ResizedPlaces p = ResizeRules(800, 600);
        QVERIFY(!p.listBarHeightChanges && !p.listBarWidthChanges);
        QCOMPARE(QList<int>({p.coprTop, p.buInfoTop, p.chkPopupTop, p.infoTop}),
                 QList<int>({-350, -400, -400, -900}));
        p = ResizeRules(8000, 1000); // the tests are strict
        QVERIFY(!p.listBarHeightChanges && !p.listBarWidthChanges);
        p = ResizeRules(8001, 1001);
        QCOMPARE(p.listBarWidth, 1001);
        QCOMPARE(p.listBarHeight, 201);

        FakeFixture f;
        FMStart& fm = f.start();
        fm.show();
        QVERIFY(QTest::qWaitForWindowExposed(&fm));
        const QSize frame = fm.frameGeometry().size() - fm.size();
        fm.resize(QSize(800, 600) - frame); // 12000 x 9000 twips
        QVERIFY(near(control(fm, "Zielwahl")->width(), 5000));
        QVERIFY(near(control(fm, "Zielwahl")->height(), 8200));
        QVERIFY(near(control(fm, "Copr")->y(), 8050));
        QVERIFY(near(control(fm, "BUInfo")->y(), 8000));
        QCOMPARE(control(fm, "chk_Popup")->y(), control(fm, "BUInfo")->y());
        QVERIFY(near(control(fm, "Info")->y(), 7500));
    }

    void secondIdleNoticeNeverShowsAnError() {
        for (const bool second : {false, true}) {
            FakeFixture f;
            FMStart& fm = f.start();
            f.server->handler = [](const QString& command) {
                return command.startsWith("D JOURADD")
                           ? cacheapi::CallResult::failure(13, "<DBFULL>")
                           : cacheapi::CallResult::success({});
            };
            QVERIFY(f.line.ring("0301234")); // leaves a pending caller
            const int shownBefore = f.dialogs.shown.size();
            if (second)
                emit f.line.lineIdleAgain();
            else
                emit f.line.lineIdle();
            QCOMPARE(fm.statusText(), QString("Bereit"));
            QCOMPARE(f.commandsWith("D JOURADD").size(), 1);
            QCOMPARE(f.dialogs.shown.size(), shownBefore + (second ? 0 : 1));
            QVERIFY(f.listBar.caption(5, 1).startsWith("Bau Meier GmbH"));
        }
    }

    void identifiedNumberFillsTheNumberField() {
        FakeFixture f;
        FMStart& fm = f.start();
        fm.setNumberText("0305678");
        click(fm, "BUWaehl");
        QVERIFY(f.line.identify("00301234"));
        QCOMPARE(fm.numberText(), QString("0301234"));
        QCOMPARE(f.field("NAMEN"), QString("Bau Meier GmbH"));
        QVERIFY(f.line.identify("12")); // an extension: nothing changes
        QCOMPARE(fm.numberText(), QString("0301234"));

        // The prefix rules are checked against the server; here "Wählen" without a number.
        fm.setNumberText("123");
        click(fm, "BUWaehl");
        QCOMPARE(f.line.state(), line::SimulatedLine::State::Dialling);
        fm.setNumberText("");
        click(fm, "BUWaehl"); // drops the call, dials nothing
        QCOMPARE(f.line.state(), line::SimulatedLine::State::Idle);
        QVERIFY(f.side.calls.isEmpty());
        fm.setNumberText("Meier");
        click(fm, "BUWaehl");
        QCOMPARE(f.side.calls, QStringList({"search:Meier"}));
        QCOMPARE(fm.numberText(), QString());
    }

    // The line opens once the window has painted "Bereit"; the indicators say if it can call.
    void lineOpensAfterTheWindowShowsBereit() {
        FakeFixture f;
        FMStart& fm = f.make();
        QCOMPARE(fm.lineIndicator()->toolTip(), QString("Leitung nicht geöffnet"));
        fm.setOpenLineWhenShown(true);
        fm.startUp();
        QCOMPARE(fm.statusText(), QString("Bereit"));
        QVERIFY(!f.line.isOpen());
        fm.show();
        QTRY_VERIFY(f.line.isOpen());
        emit f.line.readinessChanged();
        QCOMPARE(fm.lineIndicator()->toolTip(), QString("Leitung bereit"));
        QVERIFY(fm.findChild<QLineEdit*>("Status")->toolTip().startsWith("Leitung bereit\nF5"));
        emit f.line.callRefused("Der Anruf kann nicht gewählt werden: Leitung gestört.");
        QCOMPARE(f.dialogs.shown.last().text,
                 QString("Der Anruf kann nicht gewählt werden: Leitung gestört."));
    }

    // Each button, menu item and list item opens its real side window.
    void buttonsMenusAndListItemsOpenTheirSideWindows() {
        FakeFixture f;
        testsupport::ScriptedModal modal;
        windows::LoginWindowsAdapter login(f.link, modal);
        windows::Services services{f.context(), f.link, modal, f.listBar, f.params, nullptr};
        auto side = std::make_unique<QtSideWindows>(services, login);
        FMStart fm({f.context(), f.link, f.listBar, f.session, *side, {}});
        // The side windows are children of the main window: they go first.
        const auto sideFirst = qScopeGuard([&] { side.reset(); });
        services.main = &fm;
        login.setMainWindow(&fm);
        fm.startUp();
        fm.show();
        QVERIFY(QTest::qWaitForWindowExposed(&fm));
        const QList<QAction*> datei = fm.menuBar()->actions()[0]->menu()->actions();
        const QList<QAction*> hilfe = fm.menuBar()->actions()[1]->menu()->actions();
        ListBarWidget* bar = fm.listBarWidget();
        const QList<std::pair<QString, std::function<void()>>> paths{
            {"FMSuch", [&] { click(fm, "BUSuch"); }},
            {"FMSuch", [&] { QTest::mouseDClick(control(fm, "RUFNR"), Qt::LeftButton); }},
            {"FMOP", [&] { control(fm, "BUOP")->show(), click(fm, "BUOP"); }},
            {"frmAbout", [&] { click(fm, "BUInfo"); }},
            {"frmAbout", [&] { hilfe[0]->trigger(); }},
            {"FMAddr", [&] { emit bar->itemActivated(1, 1); }},
            {"FMAbt", [&] { emit bar->itemChosen(2, 1); }},
            {"FMPass", [&] { datei[0]->trigger(); }},
            {"FMPass", [&] { click(fm, "cmd_LogIn"); }},
        };
        const auto classOf = [](QWidget* w) {
            return QString::fromLatin1(w->metaObject()->className()).section("::", -1);
        };
        QStringList opened;
        modal.onModal = [&](QWidget* w) { opened << classOf(w); };
        for (const auto& [window, open] : paths) {
            opened.clear();
            login.loginWindow().BPASSWORT->setText("alt");
            open();
            for (QWidget* w : QApplication::topLevelWidgets())
                if (w != &fm && w->isVisible())
                    opened << classOf(w), w->hide();
            QVERIFY2(opened.contains(window), qPrintable(window + ": " + opened.join(' ')));
        }
        login.loginWindow().BPASSWORT->setText("alt");
        click(fm, "cmd_LogIn");
        windows::FMPass& pass = login.loginWindow();
        QVERIFY(pass.BPASSWORT->text().isEmpty());
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(pass.BPASSWORT));
    }

    // The list bar changes only after the redraw; a speed-dial item opens the editor.
    void listBarShowsSlotsAndItsItemsOpenTheEditor() {
        FakeFixture f;
        FMStart& fm = f.start();
        fm.show();
        QVERIFY(QTest::qWaitForWindowExposed(&fm));
        ListBarWidget* bar = fm.listBarWidget();
        QTest::mouseClick(bar->groupButton(3), Qt::LeftButton);
        QCOMPARE(bar->shownItemCount(), 100);
        QVERIFY(bar->shownFilled(2));
        QVERIFY(!bar->shownFilled(3));
        f.listBar.setCaption(3, 1, "Neu");
        QCOMPARE(bar->shownCaption(1), QString("Alt 1"));
        f.listBar.redraw();
        QCOMPARE(bar->shownCaption(1), QString("Neu"));
        QTest::mouseClick(bar->groupButton(1), Qt::LeftButton);
        QListWidget* list = bar->itemList(); // a double click on the second item
        const QPoint at = list->visualItemRect(list->item(1)).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
        emit bar->itemActivated(1, 1);
        emit bar->itemActivated(3, 1); // other groups: nothing
        QCOMPARE(f.side.calls,
                 QStringList({"editor:Schulz_5|0305678|5", "editor:Meier|0301234|0"}));
        // A speed-dial item without number takes the caller in the panel.
        f.listBar.setValue(1, 1, QString());
        fm.setNumberText("0301234");
        fm.lookupCaller("0301234");
        emit bar->itemActivated(1, 1);
        QCOMPARE(f.side.calls.last(), QString("editor:Bau Meier GmbH|0301234|0"));
        // The sort key is the second "_" piece of the caption.
        f.listBar.setCaption(1, 2, "A_B_3");
        emit bar->itemActivated(1, 2);
        QCOMPARE(f.side.calls.last(), QString("editor:A_B_3|0305678|B"));
    }

    // F5 and F6 reach the offered call also from a modal side window.
    void answerAndTurnAwayKeysWorkInAModalSideWindow() {
        FakeFixture f;
        FMStart& fm = f.start();
        fm.show();
        QWidget side(&fm, Qt::Dialog);
        auto* field = new QLineEdit(&side);
        side.setWindowModality(Qt::ApplicationModal);
        side.show();
        QVERIFY(QTest::qWaitForWindowExposed(&side));
        QVERIFY(f.line.ring("0301234"));
        QTest::keyClick(field, Qt::Key_F5);
        QCOMPARE(f.line.state(), line::SimulatedLine::State::Connected);
        QVERIFY(f.line.remoteHangUp());
        QVERIFY(f.line.ring("0301234"));
        QTest::keyClick(field, Qt::Key_F6);
        QCOMPARE(f.line.state(), line::SimulatedLine::State::Idle);
        QCOMPARE(fm.statusText(), QString("Bereit"));
        QVERIFY(f.listBar.caption(5, 1).startsWith("Bau Meier GmbH"));
        QTest::keyClick(field, Qt::Key_A); // other keys reach the field
        QCOMPARE(field->text(), QString("a"));
    }
};

QTEST_MAIN(MainWindowTest)
#include "tst_mainwindow.moc"
