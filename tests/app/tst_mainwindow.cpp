// The main window on an in-memory server and a simulated line: start-up, layout, closing, line
// events, the call area and the list bar.
#include "fakefixture.h"
#include "layout.h"
#include "listbarwidget.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

using cacheapi::fake::ProgramEnded;
using namespace app;

namespace {
template <typename W = QWidget> W* control(FMStart& fm, const char* name) {
    W* w = fm.findChild<W*>(QString::fromLatin1(name));
    if (!w)
        qFatal("no control %s", name);
    return w;
}
QString text(FMStart& fm, const char* name) {
    return control<QLineEdit>(fm, name)->text();
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
    // --- Start-up and shutdown ----------------------------------------------------------

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
        QCOMPARE(fm.windowTitle(), QString("VENTOR Telefon              Firma: 1     Filiale: 0"
                                           "     Benutzer: Meier"));
        QCOMPARE(f.params.DialPrefix, QString("0"));
        QCOMPARE(f.params.LookupPrefix, QString("30"));
        QCOMPARE(f.line.textSetting(), QString("x"));
        QCOMPARE(f.line.device(), 2); // the first name holding "BOSCH" in capitals
        QVERIFY(f.line.isOpen());
        QCOMPARE(fm.statusText(), QString("Bereit"));
        QCOMPARE(fm.phonePicture(), LinePicture::Ph1);
        QCOMPARE(fm.savedWindowState(), int(StateNormal));

        QStringList order;
        for (const QString& c : f.server->commands)
            if (c.contains("^RUFAP"))
                order << c;
        QCOMPARE(order,
                 QStringList({"D PARAM^RUFAP", "D ZWAHL^RUFAP", "D INT^RUFAP", "D JOURGET^RUFAP(3)",
                              "D JOURGET^RUFAP(4)", "D JOURGET^RUFAP(5)"}));
        QCOMPARE(f.listBar.groupCount(), 5);
        QCOMPARE(fm.listBarWidget()->groupButton(1)->text(), QString("Ziehlwahl"));
        QCOMPARE(fm.listBarWidget()->groupButton(5)->text(), QString("nicht angenommen"));
    }

    void withoutABoschDeviceTheFirstDeviceIsUsed() {
        FakeFixture f;
        f.line.setDevices({"Modem", "Bosch", "ISDN"});
        f.start();
        QCOMPARE(f.line.device(), 0);
    }

    void firstRunWithAnEmptyStoreOpensSmallAtTheOrigin() {
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
        // 800 by 600 twips, to the pixel.
        QCOMPARE(fm.frameTwips(), QRect(0, 0, twipsToPixels(800) * 15, twipsToPixels(600) * 15));
        QVERIFY(fm.popupChecked());
    }

    void storedPlaceAndPopupChoiceAreApplied() {
        FakeFixture f;
        using namespace settings;
        f.store.write(keys::Telefon, keys::Pos, keys::Left, "1500");
        f.store.write(keys::Telefon, keys::Pos, keys::Top, "750");
        f.store.write(keys::Telefon, keys::Pos, keys::Width, "9000");
        f.store.write(keys::Telefon, keys::Pos, keys::Hight, "viel"); // not a number: default
        f.store.write(keys::Telefon, keys::Pos, keys::Popup, "0");
        FMStart& fm = f.start();
        fm.show();
        QVERIFY(QTest::qWaitForWindowExposed(&fm));
        QCOMPARE(fm.frameTwips(), QRect(1500, 750, 9000, twipsToPixels(600) * 15));
        QVERIFY(!fm.popupChecked());
    }

    // Texts that convert to a float but give no place on a screen count as missing too.
    void storedPlaceBeyondAnyScreenFallsBackToTheDefaults() {
        FakeFixture f;
        using namespace settings;
        f.store.write(keys::Telefon, keys::Pos, keys::Left, "nan");
        f.store.write(keys::Telefon, keys::Pos, keys::Top, "-inf");
        f.store.write(keys::Telefon, keys::Pos, keys::Width, "1e30");
        f.store.write(keys::Telefon, keys::Pos, keys::Hight, "inf");
        FMStart& fm = f.start();
        fm.show();
        QVERIFY(QTest::qWaitForWindowExposed(&fm));
        QCOMPARE(fm.frameTwips(), QRect(0, 0, twipsToPixels(800) * 15, twipsToPixels(600) * 15));
    }

    void parameterReplyWithoutFieldsGivesOnlyTheDialPrefix() {
        FakeFixture f;
        f.server->reply("D PARAM^RUFAP", "9");
        f.start();
        QCOMPARE(f.params.DialPrefix, QString("9"));
        QCOMPARE(f.params.LookupPrefix, QString());
        QCOMPARE(f.line.textSetting(), QString());
    }

    void closeBoxAnsweredNoKeepsTheProgramRunning() {
        FakeFixture f;
        FMStart& fm = f.start();
        fm.show();
        f.dialogs.answers = {cacheapi::Answer::No};
        QVERIFY(!fm.close());
        QCOMPARE(f.dialogs.shown.size(), 1);
        QCOMPARE(f.dialogs.shown[0].text, QString("Anwendung beenden"));
        QCOMPARE(f.dialogs.shown[0].title, QString("Beenden"));
        QCOMPARE(f.dialogs.shown[0].buttons, cacheapi::Buttons::YesNo);
        QVERIFY(fm.isVisible());
        QVERIFY(!fm.isShutDown());
        QVERIFY(f.line.isOpen());
        QVERIFY(!f.store.contains("Telefon", "Pos", "Left"));
    }

    void closeBoxAnsweredYesSavesDisconnectsAndEnds() {
        FakeFixture f;
        FMStart& fm = f.start();
        fm.show();
        QVERIFY(QTest::qWaitForWindowExposed(&fm));
        fm.setGeometry(QRect(QPoint(100, 50), QSize(600, 400)));
        control<QCheckBox>(fm, "chk_Popup")->setChecked(false);
        QVERIFY(f.server->connected);
        f.dialogs.answers = {cacheapi::Answer::Yes};
        QVERIFY_THROWS_EXCEPTION(ProgramEnded, fm.close());
        const QRect frame = fm.frameGeometry();
        QCOMPARE(f.store.read("Telefon", "Pos", "Left", {}), QString::number(frame.x() * 15));
        QCOMPARE(f.store.read("Telefon", "Pos", "Top", {}), QString::number(frame.y() * 15));
        QCOMPARE(f.store.read("Telefon", "Pos", "Width", {}), QString::number(frame.width() * 15));
        QCOMPARE(f.store.read("Telefon", "Pos", "Hight", {}), QString::number(frame.height() * 15));
        QCOMPARE(f.store.read("Telefon", "Pos", "Popup", {}), QString("0"));
        QVERIFY(!f.server->connected);
        QVERIFY(fm.isShutDown());
    }

    void endButtonEndsWithoutQuestion() {
        FakeFixture f;
        FMStart& fm = f.start();
        QVERIFY_THROWS_EXCEPTION(ProgramEnded, click(fm, "BUend"));
        QVERIFY(f.dialogs.shown.isEmpty());
        QCOMPARE(f.store.read("Telefon", "Pos", "Popup", {}), QString("1"));
        fm.shutdown(); // once per run: nothing more happens
    }

    void closingWhileMinimisedKeepsTheStoredPlace() {
        FakeFixture f;
        f.store.write("Telefon", "Pos", "Left", "300");
        f.store.write("Telefon", "Pos", "Width", "9000");
        FMStart& fm = f.start();
        fm.show();
        fm.move(200, 200);
        fm.setWindowState(Qt::WindowMinimized);
        f.dialogs.answers = {cacheapi::Answer::Yes};
        QVERIFY_THROWS_EXCEPTION(ProgramEnded, fm.close());
        QCOMPARE(f.store.read("Telefon", "Pos", "Left", {}), QString("300"));
        QCOMPARE(f.store.read("Telefon", "Pos", "Width", {}), QString("9000"));
        QVERIFY(!f.store.contains("Telefon", "Pos", "Popup"));
    }

    void menusHoldTheirEntries() {
        FakeFixture f;
        FMStart& fm = f.make();
        const QList<QAction*> menus = fm.menuBar()->actions();
        QCOMPARE(menus.size(), 2);
        QCOMPARE(menus[0]->text(), QString("Datei"));
        QCOMPARE(menus[1]->text(), QString("Hilfe"));
        const QList<QAction*> datei = menus[0]->menu()->actions();
        QCOMPARE(datei.size(), 3);
        QCOMPARE(datei[0]->text(), QString("Login"));
        QVERIFY(datei[1]->isSeparator());
        QCOMPARE(datei[2]->text(), QString("B&eenden"));
        QCOMPARE(menus[1]->menu()->actions().first()->text(), QString("Hilfe über ..."));
        datei[0]->trigger();
        menus[1]->menu()->actions().first()->trigger();
        QCOMPARE(f.side.calls, QStringList({"login", "about"}));
    }

    // --- Layout --------------------------------------------------------------------------

    void resizeRulesInTwips() {
        ResizedPlaces p = ResizeRules(800, 600);
        QVERIFY(!p.listBarHeightChanges && !p.listBarWidthChanges);
        QCOMPARE(QList<int>({p.coprTop, p.buInfoTop, p.chkPopupTop, p.infoTop}),
                 QList<int>({-350, -400, -400, -900}));
        p = ResizeRules(9000, 5000);
        QCOMPARE(QList<int>({p.listBarWidth, p.listBarHeight, p.coprTop, p.buInfoTop, p.chkPopupTop,
                             p.infoTop}),
                 QList<int>({2000, 4200, 4050, 4000, 4000, 3500}));
        p = ResizeRules(8000, 1000); // the tests are strict
        QVERIFY(!p.listBarHeightChanges && !p.listBarWidthChanges);
        p = ResizeRules(8001, 1001);
        QCOMPARE(p.listBarWidth, 1001);
        QCOMPARE(p.listBarHeight, 201);
    }

    void controlsStandAtTheirDesignedPlaces() {
        FakeFixture f;
        FMStart& fm = f.make();
        for (const auto& [name, r] : std::initializer_list<std::pair<const char*, TwipsRect>>{
                 {"Status", designed::Status},
                 {"RUFNR", designed::RUFNR},
                 {"BUSuch", designed::BUSuch},
                 {"cmd_LogIn", designed::cmd_LogIn},
                 {"BUWaehl", designed::BUWaehl},
                 {"BUAufl", designed::BUAufl},
                 {"BUR", designed::BUR},
                 {"TxtHold", designed::TxtHold},
                 {"BUOP", designed::BUOP},
                 {"BUend", designed::BUend},
                 {"Phone", designed::Phone}})
            QCOMPARE(control(fm, name)->geometry(), r.toPixels());
        QCOMPARE(control(fm, "Zielwahl")->pos(), designed::Zielwahl.toPixels().topLeft());
        QCOMPARE(control<QPushButton>(fm, "BUWaehl")->text(), QString("Wählen"));
        QCOMPARE(control<QPushButton>(fm, "BUOP")->text(), QString("OP`s"));
        QCOMPARE(control<QLabel>(fm, "TxtHold")->text(), QString(" Halten"));
        QCOMPARE(control<QCheckBox>(fm, "chk_Popup")->text(), QString("Popup bei Anruf"));
        // The customer panel stays in its area left of the list bar.
        for (const char* name :
             {"Nr",        "Anrede",   "NAMEN",    "Branche",  "Strasse",   "Plz",
              "Ort",       "Telnr",    "email",    "Faxnr",    "Mahnstufe", "MahnstDatum",
              "LeAuDatum", "AktSaldo", "UmsatzLJ", "UmsatzVJ", "Label5",    "Label6",
              "Label7",    "Label8",   "Label9"}) {
            const QRect g = control(fm, name)->geometry();
            QVERIFY2(g.top() >= twipsToPixels(1920) && g.bottom() <= twipsToPixels(6465) &&
                         g.right() < twipsToPixels(designed::Zielwahl.left),
                     name);
        }
    }

    void bottomLineAndListBarFollowTheWindowSize() {
        FakeFixture f;
        FMStart& fm = f.start(); // defaults: 800 x 600 twips
        fm.show();
        QVERIFY(QTest::qWaitForWindowExposed(&fm));
        QCOMPARE(control(fm, "Zielwahl")->size(), designed::Zielwahl.toPixels().size());
        QCOMPARE(control(fm, "Copr")->y(), twipsToPixels(-350));
        QCOMPARE(control(fm, "BUInfo")->y(), twipsToPixels(-400));
        QCOMPARE(control(fm, "chk_Popup")->y(), twipsToPixels(-400));
        QCOMPARE(control(fm, "Info")->y(), twipsToPixels(-900));

        const QSize frame = fm.frameGeometry().size() - fm.size();
        fm.resize(QSize(600, 333) - frame); // 9000 x 4995 twips
        QVERIFY(near(control(fm, "Zielwahl")->width(), 2000));
        QVERIFY(near(control(fm, "Zielwahl")->height(), 4200));
        QVERIFY(near(control(fm, "Copr")->y(), 4050));
        QVERIFY(near(control(fm, "BUInfo")->y(), 4000));
        QCOMPARE(control(fm, "chk_Popup")->y(), control(fm, "BUInfo")->y());
        QVERIFY(near(control(fm, "Info")->y(), 3500));
        QCOMPARE(control(fm, "BUWaehl")->geometry(), designed::BUWaehl.toPixels());
    }

    void infoShowsTheHoveredItemAndEmptiesOverTheFreeArea() {
        FakeFixture f;
        FMStart& fm = f.start();
        fm.show();
        QVERIFY(QTest::qWaitForWindowExposed(&fm));
        fm.resize(designed::ClientWidth / 15, designed::ClientHeight / 15);
        emit fm.listBarWidget()->pointerOver(1, 2);
        QCOMPARE(fm.infoText(), QString("Schulz_5"));
        QWidget* client = fm.centralWidget();
        QMouseEvent overLabel(
            QEvent::MouseMove, QPointF(control(fm, "Label1")->geometry().center()),
            client->mapToGlobal(QPointF(0, 0)), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(client, &overLabel);
        QCOMPARE(fm.infoText(), QString("Schulz_5"));
        QMouseEvent free(QEvent::MouseMove, QPointF(twipsToPixels(6700), twipsToPixels(1500)),
                         client->mapToGlobal(QPointF(0, 0)), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QApplication::sendEvent(client, &free);
        QCOMPARE(fm.infoText(), QString());
    }

    // --- Line events ---------------------------------------------------------------------

    void answeredCallOfAKnownCustomer() {
        FakeFixture f;
        FMStart& fm = f.start();
        QStringList statuses;
        for (auto signal : {&line::Line::callOffered, &line::Line::connected,
                            &line::Line::disconnected, &line::Line::lineIdle})
            connect(&f.line, signal, &fm, [&] { statuses << fm.statusText(); });

        QVERIFY(f.line.ring("0301234"));
        QCOMPARE(fm.numberText(), QString("0301234"));
        QCOMPARE(text(fm, "Nr"), QString("K100"));
        QCOMPARE(text(fm, "NAMEN"), QString("Bau Meier GmbH"));
        QCOMPARE(text(fm, "Plz"), QString("D-12345"));
        QCOMPARE(control(fm, "email")->property("link").toString(),
                 QString("mailto:info@meier.de"));
        QVERIFY(!control(fm, "Mahnstufe")->isHidden());
        QVERIFY(!control(fm, "BUOP")->isHidden());
        QCOMPARE(fm.pendingCallerName(), QString("Bau Meier GmbH"));
        QCOMPARE(fm.pendingCallerNumber(), QString("0301234"));

        f.line.answer();
        QCOMPARE(fm.phonePicture(), LinePicture::Ph2);
        QCOMPARE(fm.pendingCallerName(), QString());
        QCOMPARE(f.commandsStartingWith("D JOURADD").size(), 1);
        QVERIFY(f.commandsStartingWith("D JOURADD").first().startsWith("D JOURADD^RUFAP(3,"));
        QVERIFY(f.listBar.caption(3, 1).startsWith("Bau Meier GmbH"));
        QCOMPARE(f.listBar.value(3, 1), QString("0301234"));
        QCOMPARE(f.listBar.caption(3, 2), QString("Alt 1"));
        QCOMPARE(fm.listBarWidget()->groupButton(3)->text(), QString("Journal eingehend"));

        f.line.remoteHangUp();
        QCOMPARE(statuses, QStringList({"Income call", "Verbunden", "Unterbrochen", "Bereit"}));
        QCOMPARE(fm.phonePicture(), LinePicture::Ph1);
        QCOMPARE(f.commandsStartingWith("D JOURADD").size(), 1);
    }

    void unansweredCallsAreJournalledOnceEach() {
        FakeFixture f;
        FMStart& fm = f.start();
        QStringList statuses;
        connect(&f.line, &line::Line::callEnded, &fm, [&] { statuses << fm.statusText(); });
        for (int call = 0; call < 2; ++call) {
            QVERIFY(f.line.ring("0301234"));
            QVERIFY(f.line.remoteHangUp());
        }
        QCOMPARE(statuses, QStringList({"Rufende", "Rufende"}));
        const QStringList entries = f.commandsStartingWith("D JOURADD");
        QCOMPARE(entries.size(), 2);
        QVERIFY(entries[0].startsWith("D JOURADD^RUFAP(5,"));
        QVERIFY(entries[1].startsWith("D JOURADD^RUFAP(5,"));
        QVERIFY(f.listBar.caption(5, 1).startsWith("Bau Meier GmbH"));
        QVERIFY(f.listBar.caption(5, 2).startsWith("Bau Meier GmbH"));
        QCOMPARE(f.listBar.caption(5, 3), QString());
        QCOMPARE(fm.statusText(), QString("Bereit"));
    }

    void secondIdleNoticeNeverShowsAnError() {
        for (const bool second : {false, true}) {
            FakeFixture f;
            FMStart& fm = f.start();
            f.server->handler = [answer = f.server->handler](const QString& command) {
                if (command.startsWith("D JOURADD"))
                    return cacheapi::CallResult::failure(13, "<DBFULL>");
                return answer(command);
            };
            QVERIFY(f.line.ring("0301234")); // leaves a pending caller
            const int shownBefore = f.dialogs.shown.size();
            if (second)
                emit f.line.lineIdleAgain();
            else
                emit f.line.lineIdle();
            QCOMPARE(fm.statusText(), QString("Bereit"));
            QCOMPARE(f.commandsStartingWith("D JOURADD").size(), 1);
            QCOMPARE(f.dialogs.shown.size(), shownBefore + (second ? 0 : 1));
            QVERIFY(f.listBar.caption(5, 1).startsWith("Bau Meier GmbH"));
        }
    }

    void callWithoutCallerNumberTouchesNothing() {
        FakeFixture f;
        FMStart& fm = f.start();
        fm.setNumberText("4711");
        QVERIFY(f.line.ringAnonymous());
        QCOMPARE(fm.statusText(), QString("Income call"));
        QCOMPARE(fm.numberText(), QString("4711"));
        QCOMPARE(f.commandsStartingWith("D TELSU").size(), 0);
        QCOMPARE(fm.pendingCallerName(), QString());
        f.line.remoteHangUp();
        QCOMPARE(f.commandsStartingWith("D JOURADD").size(), 0);

        // A number reported without its presence flag is not used either.
        QVERIFY(f.line.ringWithoutNumberFlag("0301234"));
        QCOMPARE(fm.numberText(), QString("4711"));
        f.line.remoteHangUp();
        QCOMPARE(f.commandsStartingWith("D JOURADD").size(), 0);
    }

    void outgoingCallIsJournalledAsKind4() {
        FakeFixture f;
        FMStart& fm = f.start();
        QStringList statuses;
        for (auto signal : {&line::Line::dialTone, &line::Line::dialling})
            connect(&f.line, signal, &fm, [&] { statuses << fm.statusText(); });
        fm.setNumberText("0305678");
        click(fm, "BUWaehl");
        QCOMPARE(f.line.numberToDial(), QString("00305678"));
        QCOMPARE(statuses, QStringList({"Wählton", "Wählen"}));
        QVERIFY(f.line.remoteAnswer());
        QCOMPARE(fm.statusText(), QString("Verbunden"));
        QCOMPARE(fm.numberText(), QString("0305678"));
        const QStringList entries = f.commandsStartingWith("D JOURADD");
        QCOMPARE(entries.size(), 1);
        QVERIFY(entries[0].startsWith("D JOURADD^RUFAP(4,"));
        QCOMPARE(f.listBar.value(4, 1), QString("0305678"));
    }

    void identifiedNumberFillsTheNumberField() {
        FakeFixture f;
        FMStart& fm = f.start();
        fm.setNumberText("0305678");
        click(fm, "BUWaehl");
        QVERIFY(f.line.identify("00301234"));
        QCOMPARE(fm.numberText(), QString("0301234"));
        QCOMPARE(text(fm, "NAMEN"), QString("Bau Meier GmbH"));
        QVERIFY(f.line.identify("12")); // an extension: nothing changes
        QCOMPARE(fm.numberText(), QString("0301234"));
    }

    void popupFollowsTheCheckBox() {
        {
            FakeFixture f;
            FMStart& fm = f.start();
            fm.show();
            fm.setWindowState(Qt::WindowMinimized);
            f.line.ring("0301234");
            QVERIFY(!fm.isMinimized()); // popped up
            f.line.remoteHangUp();      // unanswered: back to minimised
            QVERIFY(fm.isMinimized());
            f.line.ring("0301234");
            QVERIFY(!fm.isMinimized());
            f.line.answer();
            f.line.remoteHangUp(); // answered: stays normal
            QVERIFY(!fm.isMinimized());
        }
        {
            FakeFixture f;
            FMStart& fm = f.start();
            fm.show();
            control<QCheckBox>(fm, "chk_Popup")->setChecked(false);
            fm.setWindowState(Qt::WindowMinimized);
            f.line.ring("0301234");
            QVERIFY(fm.isMinimized());
            f.line.answer();
            QVERIFY(fm.isMinimized());
            f.line.remoteHangUp();
            QVERIFY(fm.isMinimized());
        }
    }

    // --- Call area -----------------------------------------------------------------------

    void dialButtonDialsOrSearches() {
        FakeFixture f;
        FMStart& fm = f.start();
        struct Case {
            QString field, dialled;
        };
        for (const Case& c :
             {Case{"12", "12"}, Case{"123", "0123"}, Case{" 0301234 ", "00301234"}}) {
            fm.setNumberText(c.field);
            click(fm, "BUWaehl");
            QCOMPARE(f.line.numberToDial(), c.dialled);
            QCOMPARE(f.line.state(), line::SimulatedLine::State::Dialling);
        }
        fm.setNumberText("");
        click(fm, "BUWaehl"); // drops the call, dials nothing
        QCOMPARE(f.line.state(), line::SimulatedLine::State::Idle);
        QVERIFY(f.side.calls.isEmpty());

        fm.setNumberText("Meier");
        click(fm, "BUWaehl");
        QCOMPARE(f.side.calls, QStringList({"search:Meier"}));
        QCOMPARE(fm.numberText(), QString());
        fm.setNumberText("1/2-3");
        click(fm, "BUWaehl");
        QCOMPARE(f.side.calls.last(), QString("search:1/2-3"));
        QCOMPARE(f.line.state(), line::SimulatedLine::State::Idle);
    }

    void hangUpAndHoldResume() {
        FakeFixture f;
        FMStart& fm = f.start();
        f.line.ring("0301234");
        f.line.answer();
        const int lookups = f.commandsStartingWith("D TELSU").size();
        click(fm, "BUR");
        QVERIFY(f.line.isHeld());
        QVERIFY(fm.holdActive());
        QVERIFY(!control(fm, "TxtHold")->isHidden());
        QCOMPARE(fm.numberText(), QString());
        click(fm, "BUR");
        QVERIFY(!f.line.isHeld());
        QVERIFY(control(fm, "TxtHold")->isHidden());
        QCOMPARE(fm.numberText(), QString("0301234"));
        QCOMPARE(text(fm, "NAMEN"), QString("Bau Meier GmbH"));
        QVERIFY(f.commandsStartingWith("D TELSU").size() > lookups + 1);
        click(fm, "BUAufl");
        QCOMPARE(f.line.state(), line::SimulatedLine::State::Idle);
    }

    void buttonsOpenTheirWindows() {
        FakeFixture f;
        FMStart& fm = f.start();
        click(fm, "BUSuch");
        click(fm, "cmd_LogIn");
        click(fm, "BUInfo");
        control(fm, "BUOP")->setVisible(true);
        click(fm, "BUOP");
        QTest::mouseDClick(control(fm, "RUFNR"), Qt::LeftButton);
        QCOMPARE(f.side.calls,
                 QStringList({"searchModal", "login", "about", "openItems", "searchModal"}));
    }

    // --- List bar ------------------------------------------------------------------------

    void listBarShowsGroupsAndSlots() {
        FakeFixture f;
        FMStart& fm = f.start();
        ListBarWidget* bar = fm.listBarWidget();
        QCOMPARE(bar->openGroup(), 1);
        QCOMPARE(bar->shownItemCount(), 2);
        QCOMPARE(bar->shownCaption(2), QString("Schulz_5"));
        QTest::mouseClick(bar->groupButton(3), Qt::LeftButton);
        QCOMPARE(bar->openGroup(), 3);
        QCOMPARE(bar->shownItemCount(), 100);
        QVERIFY(bar->shownFilled(2));
        QVERIFY(!bar->shownFilled(3));
        QCOMPARE(bar->shownCaption(1), QString("Alt 1"));

        // An item change alone shows after the redraw.
        f.listBar.setCaption(3, 1, "Neu");
        QCOMPARE(bar->shownCaption(1), QString("Alt 1"));
        f.listBar.redraw();
        QCOMPARE(bar->shownCaption(1), QString("Neu"));
    }

    void choosingItems() {
        FakeFixture f;
        FMStart& fm = f.start();
        fm.show();
        QVERIFY(QTest::qWaitForWindowExposed(&fm));
        ListBarWidget* bar = fm.listBarWidget();
        QListWidget* list = bar->itemList();
        auto clickItem = [&](int index) {
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                              list->visualItemRect(list->item(index - 1)).center());
        };
        clickItem(1); // speed dial Meier
        QCOMPARE(fm.numberText(), QString("0301234"));
        QCOMPARE(text(fm, "NAMEN"), QString("Bau Meier GmbH"));

        QTest::mouseClick(bar->groupButton(3), Qt::LeftButton);
        clickItem(2);
        QCOMPARE(fm.numberText(), QString("0308888"));
        const int lookups = f.commandsStartingWith("D TELSU").size();
        clickItem(3); // an empty slot does nothing
        QCOMPARE(fm.numberText(), QString("0308888"));
        QCOMPARE(f.commandsStartingWith("D TELSU").size(), lookups);

        QTest::mouseClick(bar->groupButton(2), Qt::LeftButton);
        clickItem(1); // a department opens its board and leaves the number
        QCOMPARE(f.side.calls, QStringList({"board:V|2026-12-04"}));
        QCOMPARE(fm.numberText(), QString("0308888"));
    }

    void activatingASpeedDialItemOpensTheEditor() {
        FakeFixture f;
        FMStart& fm = f.start();
        ListBarWidget* bar = fm.listBarWidget();
        emit bar->itemActivated(1, 2);
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
    }

    void doubleClickActivatesAnItem() {
        FakeFixture f;
        FMStart& fm = f.start();
        fm.show();
        QVERIFY(QTest::qWaitForWindowExposed(&fm));
        QSignalSpy activated(fm.listBarWidget(), &ListBarWidget::itemActivated);
        QListWidget* list = fm.listBarWidget()->itemList();
        const QPoint at = list->visualItemRect(list->item(1)).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(activated.size(), 1);
        QCOMPARE(activated[0], QVariantList({1, 2}));
    }
};

QTEST_MAIN(MainWindowTest)
#include "tst_mainwindow.moc"
