// The program's command layer and login against the real server.
#include "login.h"
#include "numberops.h"
#include "testserver.h"
#include "win1252.h"

#include <QtTest>

using namespace Qt::StringLiterals;

using namespace cacheapi;
using namespace context;
using namespace testsupport;

namespace {
// The national number a call from a stored spelling arrives with, read as a person reads it.
QString nationalNumber(const QString& spelling) {
    QString digits = spelling;
    digits.remove(QRegularExpression(u"\\D"_s));
    if (spelling.trimmed().startsWith(u'+') || digits.startsWith(u"0049"_s))
        return u'0' +
               digits.mid(digits.startsWith(u"00"_s) ? 4 : 2).remove(QRegularExpression(u"^0"_s));
    return digits.startsWith(u'0') ? digits : u'0' + DemoLookupPrefix + digits;
}
} // namespace

class ServerLinkTest : public QObject {
    Q_OBJECT

    TestServer server_;

    // The program's own caller lookup with the demo server's telephone parameters.
    QString lookup(LiveLink& f, const QString& number) {
        telefon::CustomerPanel panel;
        telefon::LookupCaller(f.link, {u"0"_s, DemoLookupPrefix, {}}, number, panel);
        return panel.Nr;
    }

private slots:
    void initTestCase() { QVERIFY2(server_.start(), qPrintable(server_.errorText())); }

    void oneCustomerIsFoundThroughEachStoredSpelling() {
        LiveLink f(server_, LiveLink::Waits::Skipped);
        QVERIFY(f.login(DemoMeier));
        const QString stored =
            u"S I=\"\" F  S I=$O(^VXADR(\"%1\",\"N\",I)) Q:I=\"\"  W $P(^(I),\"`\",2),!"_s;
        const QStringList spellings =
            server_.mumpsRun(stored.arg(ShowcaseAccount)).split(u'\n', Qt::SkipEmptyParts);
        QVERIFY(spellings.size() >= 5);
        for (const QString& spelling : spellings) {
            QCOMPARE(lookup(f, nationalNumber(spelling)), ShowcaseAccount);
            QCOMPARE(lookup(f, spelling), ShowcaseAccount); // typed as it is stored
        }
    }

    // The candidates are asked in order until one belongs to a customer.
    void lookupAsksTheCandidatesInOrder() {
        auto telsu = [](const QString& candidate) {
            return u"D TELSU^RUFAP(\"%1\")"_s.arg(candidate);
        };
        LiveLink f(server_);
        QCOMPARE(lookup(f, u"030123456"_s), ShowcaseAccount);
        QCOMPARE(f.sent.filter("TELSU"), QStringList{telsu("123456")});
        f.sent.clear();
        telefon::CustomerPanel panel;
        QVERIFY(
            !telefon::LookupCaller(f.link, {u"0"_s, DemoLookupPrefix, {}}, u"0309999999"_s, panel));
        QCOMPARE(f.sent.filter("TELSU"), QStringList({telsu("9999999"), telsu("0300309999999"),
                                                      telsu("309999999"), telsu("0309999999")}));
        QVERIFY(panel.Nr.isEmpty());
        QVERIFY(panel.NAMEN.isEmpty());
        QCOMPARE(panel.Plz, u"-"_s);
        QCOMPARE(panel.emailLink, u"mailto:"_s);
        QVERIFY(!panel.customerOnlyVisible);
    }

    void theLinkLogsInAndReconnectsAfterTheServerWasRestarted() {
        LiveLink f(server_, LiveLink::Waits::Skipped);
        QVERIFY(f.login(DemoMeier));
        QCOMPARE(f.state.PersonName, u"Hans Meier"_s);
        QCOMPARE(f.state.LoginIdentity, u"MEIER|Hans Meier"_s);
        QVERIFY(!f.state.LoginFailed);
        QCOMPARE(f.command(u"D PARAM^RUFAP"_s).left(2), u"0`"_s);
        const int made = f.connections;
        server_.stop();
        QVERIFY(server_.restart());
        QVERIFY(!f.link.connection()->IsConnected());
        QCOMPARE(f.command(u"D PARAM^RUFAP"_s).left(2), u"0`"_s);
        QCOMPARE(f.connections, made + 1);
        // The new connection announced the user again: the journal is the user's own.
        QVERIFY(f.command(u"D JOURADD^RUFAP(4,\"nach Neustart\",\"0309\")"_s).isEmpty());
        QCOMPARE(server_.mumpsQuery(u"$P(^VXJOUR(1,\"MEIER\",4,^VXJOUR(1,\"MEIER\",4)),\"`\",1)"_s),
                 u"nach Neustart"_s);
        QVERIFY(f.dialogs.shown.isEmpty());
    }

    // A server speaking TLS: the configured certificate is trusted, any other refused with the
    // reason; encryption is never given up silently.
    void tlsTrustsOnlyTheConfiguredCertificate() {
        TestServer tls;
        tls.setTls(true);
        QVERIFY2(tls.start(20), qPrintable(tls.errorText()));
        {
            LiveLink f(tls, LiveLink::Waits::Skipped);
            f.transport(u"verschlüsselt"_s, tls.certificatePath());
            QVERIFY(f.login());
            QCOMPARE(f.command(u"D PARAM^RUFAP"_s), u"0`30`VENTOR"_s);
            QVERIFY(f.dialogs.shown.isEmpty());
        }
        // Refused with a message whose first lines are `leading`; the program ends then.
        const auto refused = [](const TestServer& server, const QString& connection,
                                const QString& certificate, const QString& host,
                                const QStringList& leading) {
            LiveLink f(server, LiveLink::Waits::Skipped);
            f.transport(connection, certificate);
            QVERIFY_THROWS_EXCEPTION(fake::ProgramEnded, f.login(DemoMeier, host));
            QVERIFY(f.dialogs.shown.size() >= 2);
            const QStringList lines = f.dialogs.shown.first().text.split(u"\r\n"_s);
            QCOMPARE(lines.mid(0, leading.size()), leading);
            QCOMPARE(lines.last(), u"Bitte prüfen Sie die Verbindung und das Zertifikat in den "
                                   "Servereinstellungen."_s);
            QCOMPARE(f.dialogs.shown.first().title, u"Anmeldung an Caché"_s);
            QCOMPARE(f.windows.settingsShown, 1); // where the certificate is set
        };
        const QString local = u"127.0.0.1"_s, encrypted = u"verschlüsselt"_s;
        refused(tls, encrypted, {}, local,
                {u"Die Verbindung zum Server wurde abgelehnt: Das Zertifikat des Servers ist "
                 "nicht vertrauenswürdig."_s,
                 u"Es ist von keiner vertrauenswürdigen Stelle unterschrieben."_s});
        const QString notACertificate = server_.dataDir() + u"/ventor.gld"_s;
        refused(tls, encrypted, notACertificate, local,
                {u"Die Zertifikatsdatei %1 kann nicht gelesen werden."_s.arg(notACertificate)});
        refused(server_, encrypted, tls.certificatePath(), local,
                {u"Der Server antwortet nicht verschlüsselt (TLS 1.3)."_s});
        refused(tls, u"unverschlüsselt"_s, {}, u"192.0.2.1"_s,
                {u"Unverschlüsselte Verbindungen sind nur zu einem Server auf diesem Rechner "
                 "erlaubt."_s});
    }

    void aReconnectionPresentsTheSessionTokenNotThePassword() {
        LiveLink f(server_, LiveLink::Waits::Skipped);
        QVERIFY(f.login(DemoMeier));
        QCOMPARE(f.state.SessionToken.size(), 64);
        // The password changes on the server: only the token can still open a connection.
        const QString hash = u"$P(^VXPERS(1,\"MEIER\"),\"`\",5)"_s;
        const QString stored = server_.mumpsQuery(hash);
        server_.mumpsRun(u"S %1=$$NEWHASH^VXOBJ(\"anders\",\"abcdefgh\")"_s.arg(hash));
        f.link.DisconnectServer(); // as the idle timer does
        QCOMPARE(f.command(u"D PARAM^RUFAP"_s).left(2), u"0`"_s);
        QVERIFY(f.dialogs.shown.isEmpty());
        // A new login sends the password again, which no longer matches.
        QVERIFY(!f.login(DemoMeier));
        QVERIFY(f.state.SessionToken.isEmpty());
        server_.mumpsRun(u"S %1=\"%2\""_s.arg(hash, stored));
        f.link.DisconnectServer(); // as "Anmelden" does
        QVERIFY(f.login(DemoMeier));
    }

    void cleanupTestCase() { server_.stop(); }
};

QTEST_GUILESS_MAIN(ServerLinkTest)
#include "tst_serverlink_live.moc"
