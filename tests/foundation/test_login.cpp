// Logging in against the staff record: the steps a real server never lets fail on their own.
#include "fixture.h"
#include "login.h"

#include <QTest>

using namespace cacheapi;
using namespace context;

class LoginTest : public QObject {
    Q_OBJECT
private slots:
    void loginReadsStaffDepartmentAndBaseRecordAndAnnounces() {
        for (const bool departmentMissing : {false, true}) {
            LinkFixture f;
            f.server->objects["VX.ParPersEdv"]["1||MEIER"] = {{"Passwort", "geheim"},
                                                              {"AKTIV", "J"},
                                                              {"PNAME", "Meier,Hans"},
                                                              {"PNR", "4711"},
                                                              {"abtnr", "20"}};
            if (!departmentMissing)
                f.server->objects["VX.ParPersAbt"]["1||20"] = {};
            f.server->objects["VX.PersBasis"]["1||4711"] = {};
            f.storeLogin("MEIER", "geheim");
            f.state.LoginFailed = true;
            QCOMPARE(LoginUser(f.link, QString()), !departmentMissing);
            if (departmentMissing) {
                QVERIFY(f.dialogs.shown[0].text.startsWith("Vorgang: Abteilungsermittlung."));
                continue;
            }
            QCOMPARE(f.state.LoginIdentity, QString("MEIER|Meier,Hans"));
            QVERIFY(!f.state.LoginFailed);
            QCOMPARE(f.server->openedIds,
                     QStringList({"VX.ParPersEdv:1||MEIER", "VX.ParPersAbt:1||20",
                                  "VX.PersBasis:1||4711"}));
            QCOMPARE(f.server->commands.last(), QString("S FIRMA=1,FIL=0,PERSONAL=\"MEIER\""));
            QVERIFY(f.dialogs.shown.isEmpty());
            QVERIFY(f.idle.active);
        }
    }
};

QTEST_GUILESS_MAIN(LoginTest)
#include "test_login.moc"
