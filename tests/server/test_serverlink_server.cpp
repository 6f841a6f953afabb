// The program's command layer and login against the real server.
#include "helpers.h"
#include "linkfixture.h"
#include "numberops.h"
#include "win1252.h"

#include <QtTest>

using namespace cacheapi;
using namespace testsupport;

namespace {
// The national number a call from a stored spelling arrives with, read as a person reads it.
QString nationalNumber(const QString& spelling) {
    QString digits;
    for (QChar c : spelling)
        if (c.isDigit())
            digits.append(c);
    const bool international = spelling.trimmed().startsWith(QLatin1Char('+')) ||
                               digits.startsWith(QStringLiteral("0049"));
    if (international) {
        digits = digits.mid(digits.startsWith(QStringLiteral("00")) ? 4 : 2);
        if (digits.startsWith(QLatin1Char('0')))
            digits.remove(0, 1);
        return QLatin1Char('0') + digits;
    }
    return digits.startsWith(QLatin1Char('0')) ? digits
                                               : QLatin1Char('0') + DemoLookupPrefix + digits;
}
} // namespace

class ServerLinkTest : public QObject {
    Q_OBJECT

    TestServer server_;

    // The program's own caller lookup with the demo server's telephone parameters.
    QString lookup(ServerLinkFixture& f, const QString& number) {
        telefon::CustomerPanel panel;
        telefon::LookupCaller(f.link, {QStringLiteral("0"), DemoLookupPrefix, {}}, number, panel);
        return panel.Nr;
    }

private slots:
    void initTestCase() { QVERIFY2(server_.start(), qPrintable(server_.errorText())); }

    void loginWithTheRightPasswordSucceeds() {
        ServerLinkFixture f;
        QVERIFY(f.login(server_, DemoMeier));
        QCOMPARE(f.state.PersonName, QStringLiteral("Hans Meier"));
        QCOMPARE(f.state.LoginIdentity, QStringLiteral("MEIER|Hans Meier"));
        QVERIFY(!f.state.LoginFailed);
        QVERIFY(f.dialogs.shown.isEmpty());
    }

    void wrongPasswordAndInactiveUserAreRefused_data() {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::newRow("wrong password") << DemoMeier.code << QStringLiteral("TELEFON");
        QTest::newRow("inactive user") << DemoAlt.code << DemoAlt.password;
    }
    void wrongPasswordAndInactiveUserAreRefused() {
        QFETCH(QString, user);
        QFETCH(QString, password);
        ServerLinkFixture f;
        QVERIFY(!f.login(server_, {user, password, false}));
        QVERIFY(f.state.LoginFailed);
        QVERIFY(f.state.LoginIdentity.isEmpty());
        QCOMPARE(f.dialogs.shown.size(), 1);
        QCOMPARE(f.dialogs.shown.first().text,
                 QStringLiteral("Passwort Falsch oder Benutzer nicht Aktiv."));
        // Nothing but the announcement runs for that connection.
        bool error = false;
        f.link.ExecuteCommand(QStringLiteral("D PARAM^RUFAP"), error);
        QVERIFY(error);
        QVERIFY(f.dialogs.shown.last().text.contains(QStringLiteral("Fehler: 2")));
    }

    void unknownStaffCodeIsAServerError() {
        ServerLinkFixture f;
        QVERIFY(!f.login(server_, {QStringLiteral("NIEMAND"), QStringLiteral("x"), true}));
        QVERIFY(f.state.KeepPasswordOut);
        QCOMPARE(f.dialogs.shown.size(), 1);
        QCOMPARE(f.dialogs.shown.first().title, QStringLiteral("Caché Zugriffsfehler"));
        QVERIFY(f.dialogs.shown.first().text.contains(StepStaffRecord));
        QVERIFY(f.dialogs.shown.first().text.contains(QStringLiteral("Fehler: 4")));
    }

    void everyEntryAnswersInItsShape() {
        ServerLinkFixture f;
        QVERIFY(f.login(server_, DemoMeier));
        bool error = false;
        RecordList records;
        QCOMPARE(f.command(QStringLiteral("D PARAM^RUFAP")).count(FieldSeparator), 2);
        QCOMPARE(f.command(QStringLiteral("D TELSU^RUFAP(\"123456\")")).count(FieldSeparator), 16);
        const int departments = f.link.ExecuteCommandSplit(QStringLiteral("D INT^RUFAP"),
                                                           RecordSeparator, records, error);
        QVERIFY(departments >= 5);
        const QString department = Piece(records[1], FieldSeparator, 2);
        const int staff = f.link.ExecuteCommandSplit(
            QStringLiteral("D MIT^RUFAP(\"%1\")").arg(department), RecordSeparator, records, error);
        QVERIFY(staff > 0);
        const QString id = Piece(records[1], FieldSeparator, 1);
        QCOMPARE(f.command(QStringLiteral("D DPL^RUFAP(\"%1\",%2)")
                               .arg(id, ToServerDate(QDate::currentDate())))
                     .count(FieldSeparator),
                 11);
        QVERIFY(f.command(QStringLiteral("D JOURADD^RUFAP(3,\"Müller Bau GmbH                "
                                         "05.12.2026 10:15\",\"030123456\")"))
                    .isEmpty());
        QVERIFY(f.link.ExecuteCommandSplit(QStringLiteral("D JOURGET^RUFAP(3)"), RecordSeparator,
                                           records, error) > 0);
        QCOMPARE(Piece(records[1], FieldSeparator, 2), QStringLiteral("030123456"));
        QVERIFY(f.command(QStringLiteral("D ZWSET^RUFAP(\"0301`Test`0\")")).isEmpty());
        const int entries = f.link.ExecuteCommandSplit(QStringLiteral("D ZWAHL^RUFAP"),
                                                       RecordSeparator, records, error);
        QVERIFY(entries > 0);
        for (int i = 1; i <= entries; ++i)
            QCOMPARE(records[i].count(FieldSeparator), 2);
        QVERIFY(f.command(QStringLiteral("D ZWLOE^RUFAP(1,0,\"0301\")")).isEmpty());
        QVERIFY(f.link.ExecuteCommandSplit(
                    QStringLiteral("S P0=$$TXTSU^RUFAP(\"MUEller\") W:$F($ZV,\"MSM\") P0"),
                    RecordSeparator, records, error) > 0);
        QCOMPARE(records[1].count(FieldSeparator), 4);
        QCOMPARE(f.link.ExecuteCommandSplit(
                     QStringLiteral("S P0=$$OPSU^RUFAP(100000) W:$F($ZV,\"MSM\") P0"),
                     RecordSeparator, records, error),
                 4);
        QVERIFY(!error);
        QVERIFY(f.dialogs.shown.isEmpty());
    }

    void oneCustomerIsFoundThroughEachStoredSpelling() {
        ServerLinkFixture f;
        QVERIFY(f.login(server_, DemoMeier));
        const QStringList spellings =
            server_
                .mumpsRun(
                    QStringLiteral(
                        "S I=\"\" F  S I=$O(^VXADR(\"%1\",\"N\",I)) Q:I=\"\"  W $P(^(I),\"`\",2),!")
                        .arg(ShowcaseAccount))
                .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QVERIFY(spellings.size() >= 5);
        for (const QString& spelling : spellings) {
            QCOMPARE(lookup(f, nationalNumber(spelling)), ShowcaseAccount);
            QCOMPARE(lookup(f, spelling), ShowcaseAccount); // typed as it is stored
        }
    }

    void aNameHoldingAQuoteIsRefusedAndNothingStored() {
        ServerLinkFixture f;
        QVERIFY(f.login(server_, DemoMeier));
        const QString before = server_.mumpsQuery(QStringLiteral("$G(^VXJOUR(1,\"MEIER\",5))"));
        bool error = false;
        f.link.ExecuteCommand(
            QStringLiteral("D JOURADD^RUFAP(5,\"Bauhof \"Zum Anker\"\",\"0301\")"), error);
        QVERIFY(error);
        QCOMPARE(f.dialogs.shown.size(), 1);
        QCOMPARE(f.dialogs.shown.first().title, QStringLiteral("Caché Zugriffsfehler"));
        QVERIFY(f.dialogs.shown.first().text.contains(QStringLiteral("Fehler: 1\r\n")));
        QCOMPARE(server_.mumpsQuery(QStringLiteral("$G(^VXJOUR(1,\"MEIER\",5))")), before);
        f.link.ExecuteCommand(QStringLiteral("D ^RUFAP S ^X=1"), error);
        f.link.ExecuteCommand(QStringLiteral("D PARAM^RUFAP K ^VXJOUR"), error);
        QCOMPARE(f.dialogs.shown.size(), 3);
        QCOMPARE(server_.mumpsQuery(QStringLiteral("$D(^X)")), QStringLiteral("0"));
        QCOMPARE(server_.mumpsQuery(QStringLiteral("$D(^VXJOUR)")), QStringLiteral("10"));
    }

    void theLinkReconnectsAfterTheServerWasRestarted() {
        ServerLinkFixture f;
        QVERIFY(f.login(server_, DemoMeier));
        QCOMPARE(f.command(QStringLiteral("D PARAM^RUFAP")).left(2), QStringLiteral("0`"));
        const int made = f.link.factoriesMade();
        server_.stop();
        QVERIFY(server_.restart());
        QVERIFY(!f.link.connection()->IsConnected());
        QCOMPARE(f.command(QStringLiteral("D PARAM^RUFAP")).left(2), QStringLiteral("0`"));
        QCOMPARE(f.link.factoriesMade(), made + 1);
        // The new connection announced the user again: the journal is the user's own.
        QVERIFY(
            f.command(QStringLiteral("D JOURADD^RUFAP(4,\"nach Neustart\",\"0309\")")).isEmpty());
        QCOMPARE(server_.mumpsQuery(
                     QStringLiteral("$P(^VXJOUR(1,\"MEIER\",4,^VXJOUR(1,\"MEIER\",4)),\"`\",1)")),
                 QStringLiteral("nach Neustart"));
        QVERIFY(f.dialogs.shown.isEmpty());
    }

    void cleanupTestCase() { server_.stop(); }
};

QTEST_GUILESS_MAIN(ServerLinkTest)
#include "test_serverlink_server.moc"
