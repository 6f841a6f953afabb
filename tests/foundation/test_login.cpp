// Logging in against the staff record, and saving the login data.
#include "fixture.h"
#include "login.h"

#include <QTest>

using namespace cacheapi;

namespace {
void addStaff(fake::FakeServer& server, const QString& user, const QString& password,
              const QString& active) {
    server.objects["VX.ParPersEdv"]["1||" + user] = {{"Passwort", password},
                                                     {"AKTIV", active},
                                                     {"PNAME", "Meier,Hans"},
                                                     {"PNR", "4711"},
                                                     {"abtnr", "20"}};
    server.objects["VX.ParPersAbt"]["1||20"] = {};
    server.objects["VX.PersBasis"]["1||4711"] = {};
}
} // namespace

class LoginTest : public QObject {
    Q_OBJECT
private slots:
    void rightPasswordLogsInAndAnnounces() {
        LinkFixture f;
        addStaff(*f.server, "MEIER", "geheim", "J");
        f.storeLogin("MEIER", "geheim");
        f.state.LoginFailed = true;
        QVERIFY(LoginUser(f.link, QString()));
        QCOMPARE(f.state.PersonName, QString("Meier,Hans"));
        QCOMPARE(f.state.LoginIdentity, QString("MEIER|Meier,Hans"));
        QVERIFY(!f.state.LoginFailed);
        QCOMPARE(f.server->openedIds, QStringList({"VX.ParPersEdv:1||MEIER", "VX.ParPersAbt:1||20",
                                                   "VX.PersBasis:1||4711"}));
        QCOMPARE(f.server->commands.last(), QString("S FIRMA=1,FIL=0,PERSONAL=\"MEIER\""));
        QVERIFY(f.dialogs.shown.isEmpty());
        QVERIFY(f.idle.active);
        QVERIFY(f.windows.settingsHidden > 0);
    }

    void wrongPasswordAndInactiveUserGetTheSameRefusal() {
        for (const auto& [stored, active] :
             {std::pair<QString, QString>{"Geheim", "J"}, {"geheim", "N"}}) {
            LinkFixture f;
            addStaff(*f.server, "MEIER", stored, active);
            f.storeLogin("MEIER", "geheim");
            QVERIFY(!LoginUser(f.link, QString()));
            QVERIFY(f.state.LoginFailed);
            QVERIFY(!f.state.KeepPasswordOut);
            QCOMPARE(f.state.LoginIdentity, QString());
            QCOMPARE(f.dialogs.shown.size(), 1);
            QCOMPARE(f.dialogs.shown[0].text,
                     QString("Passwort Falsch oder Benutzer nicht Aktiv."));
            QCOMPARE(f.dialogs.shown[0].title, QString("Anmeldung an Caché."));
            QCOMPARE(f.dialogs.shown[0].icon, Icon::Information);
            QCOMPARE(f.windows.passwordSelections, 1);
            QVERIFY(f.idle.active);
        }
    }

    void unknownStaffCodeIsAServerErrorThatKeepsThePasswordOut() {
        LinkFixture f;
        f.storeLogin("NIEMAND", "geheim");
        QVERIFY(!LoginUser(f.link, QString()));
        QVERIFY(f.state.LoginFailed);
        QVERIFY(f.state.KeepPasswordOut);
        QCOMPARE(f.dialogs.shown.size(), 1);
        QVERIFY(f.dialogs.shown[0].text.startsWith(
            "Vorgang: Anmeldung mit nicht existierendem Personalcode.\r\n\r\nFehler: 5809\r\n"));

        // Saving now keeps the stored password as it was.
        f.windows.password = "neu";
        f.windows.user = "MEIER";
        Sichern(f.link);
        QCOMPARE(f.store.read("Cache Login", "Login", "Passwort", {}),
                 ScramblePassword("geheim"));
        QCOMPARE(f.store.read("Cache Login", "Login", "Name", {}), QString("MEIER"));
    }

    void missingDepartmentRecordFailsItsStep() {
        LinkFixture f;
        addStaff(*f.server, "MEIER", "geheim", "J");
        f.server->objects["VX.ParPersAbt"].clear();
        f.storeLogin("MEIER", "geheim");
        QVERIFY(!LoginUser(f.link, QString()));
        QVERIFY(f.dialogs.shown[0].text.startsWith("Vorgang: Abteilungsermittlung."));
    }

    void commandLineLoginNeverOffersTheWindow() {
        LinkFixture f;
        addStaff(*f.server, "123", "pw", "J");
        QVERIFY(LoginUser(f.link, "1 0 123 pw"));
        QCOMPARE(f.windows.loginShown, 0);
        QCOMPARE(f.server->openedIds.first(), QString("VX.ParPersEdv:1||123"));
        QCOMPARE(f.server->connectionStrings.first(), QString("cn_iptcp:" + settings::defaults::Server + "[1972]:VENTOR"));
    }

    void saveWritesAllSevenKeys() {
        LinkFixture f;
        f.windows.fields = {"2", "3", "127.0.0.2", "2000", "TEST"};
        f.windows.user = "MEIER";
        f.windows.password = "pw";
        Sichern(f.link);
        QCOMPARE(f.store.size(), 7);
        QCOMPARE(f.store.read("Cache Login", "Login", "Firma", {}), QString("2"));
        QCOMPARE(f.store.read("Cache Login", "Login", "Filiale", {}), QString("3"));
        QCOMPARE(f.store.read("Cache Login", "Login", "Server", {}), QString("127.0.0.2"));
        QCOMPARE(f.store.read("Cache Login", "Login", "Port", {}), QString("2000"));
        QCOMPARE(f.store.read("Cache Login", "Login", "Namespace", {}), QString("TEST"));
        QCOMPARE(ScramblePassword(f.store.read("Cache Login", "Login", "Passwort", {})),
                 QString("pw"));
    }
};

QTEST_GUILESS_MAIN(LoginTest)
#include "test_login.moc"
