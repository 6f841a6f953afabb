// The side windows against a real VENTOR server: login, settings, speed dial, search, open
// items. The windows are real; the user's clicks and the answers to message boxes are scripted.

#include "fakelink.h"
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

#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QtTest>

using namespace cacheapi;
using namespace context;
using namespace testsupport;
using namespace testsupport;
using windows::FMPass;
using windows::FMServer;
using windows::LoginWindowsAdapter;

namespace {
// One program's server link to the test server, with its login windows.
struct Session : LiveLink {
    explicit Session(const TestServer& server, bool storeConnection = true)
        : LiveLink(server, Waits::Skipped) {
        using namespace settings::keys;
        if (storeConnection) {
            store.write(CacheLogin, Login, Server, QStringLiteral("127.0.0.1"));
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
    LoginWindowsAdapter adapter{link, modal};
};

// A main window whose lookup fills a customer panel from the server, as the program's does.
class LookupMainWindow : public FakeMainWindow {
public:
    explicit LookupMainWindow(ServerLink& link) : link_(link) {
        params = telefon::TelephoneParameters::read(link);
    }
    bool lookupCaller(const QString& n) override {
        FakeMainWindow::lookupCaller(n);
        return telefon::LookupCaller(link_, params, n, panel);
    }
    telefon::CustomerPanel panel;
    telefon::TelephoneParameters params;

private:
    ServerLink& link_;
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

private slots:
    void initTestCase() { QVERIFY2(server_.start(200), qPrintable(server_.errorText())); }

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
            settings.BSERVERIP->setText(QStringLiteral("127.0.0.1"));
            settings.BPORT->setText(QString::number(server_.port()));
            settings.BUEdit->click();
            settings.BUZurueck->click();
        };
        QVERIFY(LoginUser(s.link, {}));
        QCOMPARE(s.modal.shown, (QStringList{"FMPass", "FMServer"}));
        QCOMPARE(portShown, QStringLiteral("1973"));
        QVERIFY(s.state.LoginIdentity.startsWith(QStringLiteral("MEIER|")));
        QCOMPARE(s.state.ConnectionString,
                 QStringLiteral("cn_iptcp:127.0.0.1[%1]:VENTOR").arg(server_.port()));
        using namespace settings::keys;
        QCOMPARE(s.store.size(), 9); // the seven of the login and the two of encryption
        QCOMPARE(s.store.read(CacheLogin, Login, Verbindung, {}),
                 QStringLiteral("unverschlüsselt"));
        QCOMPARE(s.store.read(CacheLogin, Login, Port, {}), QString::number(server_.port()));
        QCOMPARE(s.sent.filter("PERSONAL=").last(),
                 QStringLiteral("S FIRMA=1,FIL=0,PERSONAL=\"MEIER\""));
    }

    void refusedLoginsShowTheMessage() {
        for (const DemoUser& user :
             {DemoUser{DemoMeier.code, QStringLiteral("falsch"), true}, DemoAlt}) {
            Session s(server_);
            QVERIFY(!s.logIn(user));
            QCOMPARE(s.dialogs.shown.size(), 1);
            QCOMPARE(s.dialogs.shown[0].text,
                     QStringLiteral("Passwort Falsch oder Benutzer nicht Aktiv."));
            QCOMPARE(s.dialogs.shown[0].title, QStringLiteral("Anmeldung an Caché."));
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
            QVERIFY(s.state.LoginIdentity.startsWith(QStringLiteral("SCHULZ|")));
        }
    }

    void unknownUserIsAServerErrorThatKeepsThePasswordOut() {
        Session s(server_);
        QVERIFY(!s.logIn(DemoUser{QStringLiteral("NIEMAND"), QStringLiteral("geheim"), true}));
        QVERIFY(s.state.KeepPasswordOut);
        QVERIFY(s.state.LoginFailed);
        QCOMPARE(s.dialogs.shown.last().title, QStringLiteral("Caché Zugriffsfehler"));
        QVERIFY(s.dialogs.shown.last().text.startsWith(
            QStringLiteral("Vorgang: Anmeldung mit nicht existierendem Personalcode.")));

        s.pass().show();
        s.pass().BUSER->setText(DemoMeier.code);
        s.pass().BPASSWORT->setText(DemoMeier.password);
        s.pass().BUSpeich->click();
        using namespace settings::keys;
        QCOMPARE(s.store.read(CacheLogin, Login, Name, {}), DemoMeier.code);
        QCOMPARE(ScramblePassword(s.store.read(CacheLogin, Login, Passwort, {})),
                 QStringLiteral("geheim"));
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

    // A refused repeated login, a user code the server does not know, and another company saved
    // in the settings window: each time the session goes on for the user who logged in last.
    void sessionGoesOnForTheLastSuccessfulLogin() {
        Session s(server_);
        QVERIFY(s.logIn(DemoMeier));
        auto commandWorks = [&] {
            bool error = false;
            return !s.link.ExecuteCommand(QStringLiteral("D PARAM^RUFAP"), error).isEmpty() &&
                   !error;
        };
        QVERIFY(!s.logIn(DemoUser{DemoMeier.code, QStringLiteral("falsch"), true}));
        QVERIFY(commandWorks());
        QVERIFY(!s.logIn(DemoUser{QStringLiteral("NIEMAND"), QStringLiteral("x"), true}));
        QVERIFY(commandWorks());
        QCOMPARE(s.dialogs.shown.size(), 2); // the refusal and the unknown user, nothing after

        s.dialogs.answers = {Answer::Yes, Answer::Yes};
        FMServer& settings = s.settingsWindow();
        settings.BUEdit->click();
        settings.BFIRMA->setText(QStringLiteral("2"));
        settings.BUEdit->click();
        QCOMPARE(s.store.read(settings::keys::CacheLogin, settings::keys::Login,
                              settings::keys::Firma, {}),
                 QStringLiteral("2"));
        QVERIFY(commandWorks());
        QCOMPARE(s.dialogs.shown.size(), 4);
        QCOMPARE(s.sent.filter("PERSONAL=").last(),
                 QStringLiteral("S FIRMA=1,FIL=0,PERSONAL=\"MEIER\""));
    }

    void speedDialEntriesAreSavedChangedAndDeleted() {
        Session s(server_);
        QVERIFY(s.logIn(DemoMeier));
        telefon::ListBarModel listBar;
        listBar.addGroup(QStringLiteral("Ziehlwahl"));
        telefon::LoadListBar(s.link, listBar);
        const int before = listBar.itemCount(telefon::SpeedDialGroup);
        QVERIFY(before > 0);
        FakeMainWindow main;
        windows::FMAddr editor(s.link, listBar, main);
        const QString number = QStringLiteral("0301 99 88");
        const QString stored = QStringLiteral("^VXZW(1,\"MEIER\",\"0301 99 88\")");

        // The server sends an item without a number last: activated, it opens the editor on the
        // caller in the panel. The editor starts on "Speichern"; the sort key takes digits only.
        QCOMPARE(listBar.caption(telefon::SpeedDialGroup, before), QStringLiteral("Neuer Eintrag"));
        QVERIFY(listBar.value(telefon::SpeedDialGroup, before).isEmpty());
        s.modal.onModal = [&](QWidget*) {
            QCOMPARE(editor.focusWidget(), editor.BUSpeich);
            editor.SORT->clear();
            QTest::keyClicks(editor.SORT, QStringLiteral("x3-"));
            QCOMPARE(editor.SORT->text(), QStringLiteral("3"));
            editor.BUSpeich->click();
        };
        editor.open(QStringLiteral("Testeintrag_3"), number, QStringLiteral("0"), s.modal);
        QCOMPARE(listBar.itemCount(telefon::SpeedDialGroup), before + 1);
        QCOMPARE(server_.mumpsQuery(stored), QStringLiteral("Testeintrag_3`3"));
        int index = speedDialCaptions(listBar).indexOf(QStringLiteral("Testeintrag_3_3")) + 1;
        QVERIFY(index > 0);
        QCOMPARE(listBar.value(telefon::SpeedDialGroup, index), number);
        QVERIFY(!editor.isVisible());

        // Changed: the opened item's caption comes back as the name.
        s.modal.onModal = [&](QWidget*) {
            editor.NAMEN->setText(QStringLiteral("Geändert"));
            editor.SORT->setText(QStringLiteral("0"));
            editor.BUSpeich->click();
        };
        editor.open(QStringLiteral("Testeintrag_3_3"), number, QStringLiteral("3"), s.modal);
        QCOMPARE(server_.mumpsQuery(stored), QStringLiteral("Geändert`0"));
        QCOMPARE(listBar.itemCount(telefon::SpeedDialGroup), before + 1);
        QVERIFY(speedDialCaptions(listBar).contains(QStringLiteral("Geändert")));

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
        index = captions.indexOf(QStringLiteral("Geändert")) + 1;
        s.modal.onModal = [&](QWidget*) { editor.BULOE->click(); };
        editor.open(listBar.caption(telefon::SpeedDialGroup, index), number, QString(), s.modal);
        QCOMPARE(s.sent.filter("ZWLOE").last(),
                 QStringLiteral("D ZWLOE^RUFAP(1,0,\"0301 99 88\")"));
        QCOMPARE(listBar.itemCount(telefon::SpeedDialGroup), before);
        QVERIFY(server_.mumpsQuery(stored).isEmpty());
        QVERIFY(!speedDialCaptions(listBar).contains(QStringLiteral("Geändert")));
        QCOMPARE(main.shownToFront, 3);
    }

    void searchWithUmlautsFindsTheCustomerAndFillsTheMainWindow() {
        Session s(server_);
        QVERIFY(s.logIn(DemoMeier));
        LookupMainWindow main(s.link);
        windows::FMSuch search(s.link, main);
        main.number = QStringLiteral("Müller Bau");
        search.openWithSearchWord(main.number); // "Wählen" with a name
        QVERIFY(main.number.isEmpty());
        QCOMPARE(search.SUText->text(), QStringLiteral("MUEller Bau"));
        QVERIFY(s.sent.contains(
            QStringLiteral("S P0=$$TXTSU^RUFAP(\"MUEller Bau\") W:$F($ZV,\"MSM\") P0")));
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
        QCOMPARE(main.panel.Nr, ShowcaseAccount);
        QCOMPARE(main.panel.NAMEN, ShowcaseName);
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
        QVERIFY(s.sent.contains(QStringLiteral("S P0=$$OPSU^RUFAP(100000) W:$F($ZV,\"MSM\") P0")));
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
};

QTEST_MAIN(WindowsServerTest)
#include "tst_windows_live.moc"
