// The server's gateway, catalogue and object model, spoken to through the TCP connection.
#include "testserver.h"
#include "win1252.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

using namespace cacheapi;
using namespace testsupport;

namespace {
const QChar RS = RecordSeparator;
const QString Windows = QStringLiteral("VX.Windows");
const QString Staff = QStringLiteral("VX.ParPersEdv");

QStringList records(const QString& reply) {
    QStringList list = reply.split(RS);
    if (!list.isEmpty() && list.last().isEmpty())
        list.removeLast();
    return list;
}

QString serverDate(const QDate& d) {
    return QString::number(d.year() - 1900) + d.toString(QStringLiteral("MMdd"));
}

CallResult run(Factory& factory, const QString& command) {
    ServerError error;
    auto object = factory.New(Windows, error);
    if (!object)
        return CallResult::failure(error.number, error.description);
    CallResult result = object->Xecute(command);
    object->SYS_Close();
    return result;
}

CallResult member(Factory& factory, const QString& id, const QString& name) {
    ServerError error;
    auto object = factory.OpenId(Staff, id, error);
    if (!object)
        return CallResult::failure(error.number, error.description);
    return object->property(name);
}

QByteArray frame(const QByteArray& payload) {
    QByteArray header(4, '\0');
    const auto n = quint32(payload.size());
    header[0] = char(n >> 24);
    header[1] = char(n >> 16);
    header[2] = char(n >> 8);
    header[3] = char(n);
    return header + payload;
}

// True when the server closes the socket within a few seconds without answering.
bool closedWithoutReply(QTcpSocket& socket) {
    QDeadlineTimer deadline(5000);
    while (!deadline.hasExpired()) {
        if (socket.bytesAvailable() > 0)
            return false;
        if (socket.state() == QAbstractSocket::UnconnectedState)
            return true;
        socket.waitForReadyRead(100);
    }
    return false;
}
} // namespace

class GatewayTest : public QObject {
    Q_OBJECT

    TestServer server_;
    std::unique_ptr<Factory> meier_;

    QString reply(const QString& command) {
        const CallResult r = run(*meier_, command);
        if (!r.ok)
            qWarning() << command << r.error.number << r.error.description;
        return r.ok ? r.value : QStringLiteral("<error>");
    }
    std::unique_ptr<Factory> connected(const TcpCredentials& who) {
        auto factory = TestServer::factoryFor(who);
        if (!factory->Connect(server_.connectionString()))
            return nullptr;
        return factory;
    }
    int journalCount(const QString& user, int kind) {
        return server_
            .mumpsQuery(QStringLiteral("$G(^VXJOUR(1,\"%1\",%2))").arg(user).arg(kind))
            .toInt();
    }

private slots:
    void initTestCase() {
        QVERIFY2(server_.start(), qPrintable(server_.errorText()));
        meier_ = server_.factoryFor(DemoMeier);
        QVERIFY(meier_->Connect(server_.connectionString()));
        QVERIFY(meier_->IsConnected());
        QVERIFY(run(*meier_, QStringLiteral("S FIRMA=1,FIL=0,PERSONAL=\"MEIER\"")).ok);
        QVERIFY(run(*meier_, QStringLiteral("D ^%XTT")).ok);
    }

    void connectionStringIsParsed() {
        QString host;
        quint16 port = 0;
        QVERIFY(parseConnectionString(QStringLiteral("cn_iptcp:10.1.2.3[1973]:VENTOR"), host, port));
        QCOMPARE(host, QStringLiteral("10.1.2.3"));
        QCOMPARE(port, quint16(1973));
        QVERIFY(!parseConnectionString(QStringLiteral("cn_iptcp:10.1.2.3:VENTOR"), host, port));
        QVERIFY(!parseConnectionString(QStringLiteral("cn_iptcp:h[99999]:VENTOR"), host, port));
        auto factory = server_.factoryFor(DemoMeier);
        QVERIFY(!factory->Connect(QStringLiteral("127.0.0.1:%1").arg(server_.port())));
        QVERIFY(!factory->IsConnected());
    }

    void parametersAreDialPrefixAreaCodeAndLineText() {
        const QStringList fields = reply(QStringLiteral("D PARAM^RUFAP")).split(FieldSeparator);
        QCOMPARE(fields.size(), 3);
        QCOMPARE(fields.at(0), DemoDialPrefix);
        QCOMPARE(fields.at(1), DemoLookupPrefix);
        QVERIFY(!fields.at(2).isEmpty());
    }

    void lookupGivesSeventeenFields() {
        const QStringList found =
            reply(QStringLiteral("D TELSU^RUFAP(\"030123456\")")).split(FieldSeparator);
        QCOMPARE(found.size(), 17);
        QCOMPARE(found.at(0), ShowcaseAccount);
        QCOMPARE(found.at(1), QStringLiteral("Firma"));
        QCOMPARE(found.at(2), ShowcaseName);
        QCOMPARE(found.at(5), QStringLiteral("D"));
        QCOMPARE(found.at(6), QStringLiteral("10435"));
        QCOMPARE(found.at(8), QStringLiteral("030 / 123 45-6"));
        QCOMPARE(found.at(10), QStringLiteral("+49 30 123457"));
        QCOMPARE(found.at(11), QStringLiteral("2"));
        QVERIFY(QDate::fromString(found.at(12), QStringLiteral("dd.MM.yyyy")).isValid());
        QCOMPARE(found.at(14), QStringLiteral("12.840,50"));
        QCOMPARE(found.at(16), QStringLiteral("143.210,00"));
        const QStringList missing =
            reply(QStringLiteral("D TELSU^RUFAP(\"0999999999\")")).split(FieldSeparator);
        QCOMPARE(missing.size(), 17);
        QVERIFY(missing.at(0).isEmpty());
        QVERIFY(reply(QStringLiteral("D TELSU^RUFAP(\"\")")).split(FieldSeparator).at(0).isEmpty());
    }

    void suppliersHaveNoCustomerFigures() {
        const QStringList supplier =
            records(reply(QStringLiteral("S P0=$$TXTSU^RUFAP(\"L10000\") W:$F($ZV,\"MSM\") P0")));
        QCOMPARE(supplier.size(), 1);
        const QString phone = supplier.first().split(FieldSeparator).at(2);
        const QStringList found =
            reply(QStringLiteral("D TELSU^RUFAP(\"%1\")").arg(phone)).split(FieldSeparator);
        QCOMPARE(found.size(), 17);
        QCOMPARE(found.at(0), QStringLiteral("L10000"));
        for (int i = 11; i < 17; ++i)
            QVERIFY(found.at(i).isEmpty());
    }

    void directDialOfACentralNumberFindsTheCompany() {
        // (030) 98765-0 is stored as the showcase's central number.
        QCOMPARE(reply(QStringLiteral("D TELSU^RUFAP(\"03098765123\")")).section(FieldSeparator, 0, 0),
                 ShowcaseAccount);
    }

    void departmentsAndStaffAreLists() {
        const QStringList departments = records(reply(QStringLiteral("D INT^RUFAP")));
        QVERIFY(departments.size() >= 5);
        QCOMPARE(departments.first().split(FieldSeparator).size(), 2);
        const QString code = departments.first().split(FieldSeparator).at(1);
        const QStringList staff = records(reply(QStringLiteral("D MIT^RUFAP(\"%1\")").arg(code)));
        QVERIFY(!staff.isEmpty());
        for (const QString& m : staff)
            QCOMPARE(m.split(FieldSeparator).size(), 3);
        QVERIFY(staff.contains(QStringLiteral("1001`Hans Meier`21")));
        QVERIFY(records(reply(QStringLiteral("D MIT^RUFAP(\"99\")"))).isEmpty());
    }

    void timesOfADayAreTwelveFields() {
        // Over the last week every staff member has clocked at least once.
        bool clocked = false;
        for (int back = 1; back <= 7; ++back) {
            const QString date = serverDate(QDate::currentDate().addDays(-back));
            const QStringList fields =
                reply(QStringLiteral("D DPL^RUFAP(\"1001\",%1)").arg(date)).split(FieldSeparator);
            QCOMPARE(fields.size(), 12);
            for (const QString& time : fields)
                QVERIFY2(time.isEmpty() || QTime::fromString(time, QStringLiteral("HH:mm")).isValid(),
                         qPrintable(time));
            clocked = clocked || !fields.at(4).isEmpty();
        }
        QVERIFY(clocked);
        QCOMPARE(reply(QStringLiteral("D DPL^RUFAP(\"1001\",)")).split(FieldSeparator).size(), 12);
        QCOMPARE(reply(QStringLiteral("D DPL^RUFAP(\"9999\",1000101)")), QString(11, FieldSeparator));
    }

    void journalKeepsTheNewest100NewestFirst() {
        const int before = journalCount(DemoMeier.code, 4);
        for (int i = 1; i <= 105; ++i)
            QVERIFY(reply(QStringLiteral("D JOURADD^RUFAP(4,\"Anruf %1\",\"0301%1\")").arg(i)).isEmpty());
        QCOMPARE(journalCount(DemoMeier.code, 4), before + 105);
        const QStringList list = records(reply(QStringLiteral("D JOURGET^RUFAP(4)")));
        QCOMPARE(list.size(), 100);
        QCOMPARE(list.first(), QStringLiteral("Anruf 105`0301105"));
        QCOMPARE(list.last(), QStringLiteral("Anruf 6`03016"));
        // Another user's journal is not touched.
        auto schulz = connected({DemoFirma, DemoSchulz.code, DemoSchulz.password});
        QVERIFY(schulz);
        const QStringList other = records(run(*schulz, QStringLiteral("D JOURGET^RUFAP(4)")).value);
        QVERIFY(!other.contains(QStringLiteral("Anruf 105`0301105")));
        QCOMPARE(run(*meier_, QStringLiteral("D JOURADD^RUFAP(7,\"x\",\"1\")")).error.number, 9);
    }

    void speedDialIsOrderedBySortKeyAndPerUser() {
        QVERIFY(reply(QStringLiteral("D ZWSET^RUFAP(\"0309`Zentrale Neu`0\")")).isEmpty());
        QVERIFY(reply(QStringLiteral("D ZWSET^RUFAP(\"0308`Aaa Erster`1\")")).isEmpty());
        QCOMPARE(server_.mumpsQuery(QStringLiteral("^VXZW(1,\"MEIER\",\"0309\")")),
                 QStringLiteral("Zentrale Neu`0"));
        const QStringList list = records(reply(QStringLiteral("D ZWAHL^RUFAP")));
        QVERIFY(list.size() >= 2);
        QCOMPARE(list.first(), QStringLiteral("Aaa Erster`0308`1"));
        QStringList keys;
        for (const QString& entry : list)
            keys << entry.section(FieldSeparator, 2, 2);
        const int firstNone = keys.indexOf(QStringLiteral("0"));
        for (int i = firstNone; i < keys.size(); ++i)
            QCOMPARE(keys.at(i), QStringLiteral("0")); // entries without a key come last
        QVERIFY(list.contains(QStringLiteral("Zentrale Neu`0309`0")));
        QVERIFY(reply(QStringLiteral("D ZWLOE^RUFAP(1,0,\"0309\")")).isEmpty());
        QVERIFY(reply(QStringLiteral("D ZWLOE^RUFAP(1,0,\"0308\")")).isEmpty());
        QVERIFY(!reply(QStringLiteral("D ZWAHL^RUFAP")).contains(QStringLiteral("Zentrale Neu")));
        // An empty number is refused, a company other than the announced one too.
        QCOMPARE(run(*meier_, QStringLiteral("D ZWSET^RUFAP(\"`Name`0\")")).error.number, 9);
        QCOMPARE(run(*meier_, QStringLiteral("D ZWLOE^RUFAP(2,0,\"31\")")).error.number, 7);
    }

    void searchFindsUmlautsWhateverTheSpelling() {
        const QStringList hits =
            records(reply(QStringLiteral("S P0=$$TXTSU^RUFAP(\"MUEller\") W:$F($ZV,\"MSM\") P0")));
        QVERIFY(!hits.isEmpty());
        QCOMPARE(hits.first().split(FieldSeparator).size(), 5);
        QVERIFY(hits.contains(QStringLiteral("K100000`Müller Bau GmbH`030 / 123 45-6`10435`Berlin")));
        for (const QString& hit : hits)
            QVERIFY2(hit.contains(QStringLiteral("Müller")), qPrintable(hit));
        const QStringList both =
            records(reply(QStringLiteral("S P0=$$TXTSU^RUFAP(\"mueller berlin\") W:$F($ZV,\"MSM\") P0")));
        QVERIFY(both.contains(QStringLiteral("K100000`Müller Bau GmbH`030 / 123 45-6`10435`Berlin")));
        for (const QString& hit : both)
            QCOMPARE(hit.section(FieldSeparator, 4, 4), QStringLiteral("Berlin"));
        QVERIFY(records(reply(QStringLiteral("S P0=$$TXTSU^RUFAP(\"\") W:$F($ZV,\"MSM\") P0"))).isEmpty());
    }

    void listsStayWithinTheClientsLimit() {
        const QString broad = reply(QStringLiteral("S P0=$$TXTSU^RUFAP(\"B\") W:$F($ZV,\"MSM\") P0"));
        QVERIFY(broad.size() <= 32767);
        QCOMPARE(records(broad).size(), 100);
    }

    void openItemsHaveEightColumnsAndMarkers() {
        const QStringList items =
            records(reply(QStringLiteral("S P0=$$OPSU^RUFAP(100000) W:$F($ZV,\"MSM\") P0")));
        QCOMPARE(items.size(), 4);
        QSet<QString> markers;
        for (const QString& item : items) {
            const QStringList fields = item.split(FieldSeparator);
            QCOMPARE(fields.size(), 2);
            const QStringList columns = fields.at(0).split(QLatin1Char('\n'));
            QCOMPARE(columns.size(), 8);
            QVERIFY(QDate::fromString(columns.at(1), QStringLiteral("dd.MM.yyyy")).isValid());
            markers << fields.at(1);
        }
        QCOMPARE(items.first().section(FieldSeparator, 0, 0).split(QLatin1Char('\n')).at(3),
                 QStringLiteral("4.820,40"));
        QVERIFY(markers.contains(QStringLiteral("0")));
        QVERIFY(markers.contains(QStringLiteral("2")));
        QVERIFY(reply(QStringLiteral("S P0=$$OPSU^RUFAP() W:$F($ZV,\"MSM\") P0")).isEmpty());
    }

    void commandsOutsideTheCatalogueAreRefused_data() {
        QTest::addColumn<QString>("command");
        QTest::newRow("trailing command") << QStringLiteral("D PARAM^RUFAP S ^X=1");
        QTest::newRow("routine without entry") << QStringLiteral("D ^RUFAP S ^X=1");
        QTest::newRow("quote in a name") << QStringLiteral("D JOURADD^RUFAP(3,\"O\"Brien\",\"0301\")");
        QTest::newRow("quote closing early")
            << QStringLiteral("D TELSU^RUFAP(\"a\") S ^X=1 ;\")");
        QTest::newRow("text after the call") << QStringLiteral("D ZWAHL^RUFAP K ^VXZW");
        QTest::newRow("indirection") << QStringLiteral("D TELSU^RUFAP(@X)");
        QTest::newRow("expression") << QStringLiteral("D TELSU^RUFAP($$X^Y)");
        QTest::newRow("concatenation") << QStringLiteral("D TELSU^RUFAP(\"a\"_^X)");
        QTest::newRow("newline") << QStringLiteral("D PARAM^RUFAP\nS ^X=1");
        QTest::newRow("unknown entry") << QStringLiteral("D KILL^RUFAP");
        QTest::newRow("other routine") << QStringLiteral("D PARAM^VXGEN");
        QTest::newRow("too many arguments") << QStringLiteral("D TELSU^RUFAP(\"a\",\"b\")");
        QTest::newRow("set") << QStringLiteral("S ^X=1");
        QTest::newRow("xecute") << QStringLiteral("X \"S ^X=1\"");
        QTest::newRow("function form with command")
            << QStringLiteral("S P0=$$TXTSU^RUFAP(\"a\") S ^X=1");
        QTest::newRow("announcement with command")
            << QStringLiteral("S FIRMA=1,FIL=0,PERSONAL=\"MEIER\" S ^X=1");
        QTest::newRow("announcement with expression")
            << QStringLiteral("S FIRMA=^X,FIL=0,PERSONAL=\"MEIER\"");
        QTest::newRow("lower case") << QStringLiteral("d PARAM^RUFAP");
    }
    void commandsOutsideTheCatalogueAreRefused() {
        QFETCH(QString, command);
        const int journal = journalCount(DemoMeier.code, 3);
        const int speedDial =
            server_.mumpsQuery(QStringLiteral("$D(^VXZW(1,\"MEIER\"))")).toInt();
        const CallResult result = run(*meier_, command);
        QVERIFY(!result.ok);
        QCOMPARE(result.error.number, 1);
        QVERIFY(result.error.description.contains(QStringLiteral("nicht erlaubt")));
        QCOMPARE(server_.mumpsQuery(QStringLiteral("$D(^X)")), QStringLiteral("0"));
        QCOMPARE(journalCount(DemoMeier.code, 3), journal);
        QCOMPARE(server_.mumpsQuery(QStringLiteral("$D(^VXZW(1,\"MEIER\"))")).toInt(), speedDial);
        QVERIFY(meier_->IsConnected()); // the connection stays usable
        QCOMPARE(reply(QStringLiteral("D PARAM^RUFAP")).left(2), QStringLiteral("0`"));
    }

    void literalsWithDoubledQuotesAreData() {
        // Doubled quotes keep the whole text inside the literal: it is looked up, not run.
        const CallResult lookup = run(*meier_, QStringLiteral("D TELSU^RUFAP(\"a\"\") S ^X=1 ;\")"));
        QVERIFY(lookup.ok);
        QVERIFY(lookup.value.section(FieldSeparator, 0, 0).isEmpty());
        QCOMPARE(server_.mumpsQuery(QStringLiteral("$D(^X)")), QStringLiteral("0"));
        QVERIFY(reply(QStringLiteral("D JOURADD^RUFAP(5,\"O\"\"Brien\",\"0302\")")).isEmpty());
        QCOMPARE(records(reply(QStringLiteral("D JOURGET^RUFAP(5)"))).first(),
                 QStringLiteral("O\"Brien`0302"));
    }

    void passwordMemberAnswersOnlyTheRightPassword() {
        QCOMPARE(member(*meier_, QStringLiteral("1||MEIER"), QStringLiteral("Passwort")).value,
                 DemoMeier.password);
        QCOMPARE(member(*meier_, QStringLiteral("1||MEIER"), QStringLiteral("AKTIV")).value,
                 QStringLiteral("J"));
        QCOMPARE(member(*meier_, QStringLiteral("1||MEIER"), QStringLiteral("PNR")).value,
                 QStringLiteral("1001"));
        QCOMPARE(member(*meier_, QStringLiteral("1||MEIER"), QStringLiteral("abtnr")).value,
                 QStringLiteral("10"));
        QCOMPARE(member(*meier_, QStringLiteral("1||MEIER"), QStringLiteral("PNAME")).value,
                 QStringLiteral("Meier, Hans"));
        ServerError error;
        auto record = meier_->OpenId(Staff, QStringLiteral("1||MEIER"), error);
        QVERIFY(record);
        QCOMPARE(record->call(QStringLiteral("PNAMELogicalToODBC"), {QStringLiteral("Meier, Hans")}).value,
                 QStringLiteral("Hans Meier"));
        // The stored form is a salted hash, never the password.
        const QString stored = server_.mumpsQuery(QStringLiteral("$P(^VXPERS(1,\"MEIER\"),\"`\",5)"));
        QVERIFY(stored.startsWith(QStringLiteral("$6$")));
        QVERIFY(!stored.contains(DemoMeier.password));
        QVERIFY(stored != server_.mumpsQuery(QStringLiteral("$P(^VXPERS(1,\"SCHULZ\"),\"`\",5)")));

        auto wrong = connected({DemoFirma, DemoMeier.code, QStringLiteral("Telefon")});
        QVERIFY(wrong);
        const CallResult answered = member(*wrong, QStringLiteral("1||MEIER"), QStringLiteral("Passwort"));
        QVERIFY(answered.ok);
        QVERIFY(answered.value != QStringLiteral("Telefon"));
        QVERIFY(answered.value != DemoMeier.password);
        QVERIFY(!member(*wrong, QStringLiteral("1||MEIER"), QStringLiteral("PNAME")).ok);
    }

    void routinesRunOnlyForActiveUsersWithTheRightPassword_data() {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::newRow("wrong password") << DemoMeier.code << QStringLiteral("falsch");
        QTest::newRow("inactive user") << DemoAlt.code << DemoAlt.password;
        QTest::newRow("unknown user") << QStringLiteral("NIEMAND") << QStringLiteral("telefon");
        QTest::newRow("empty password") << DemoMeier.code << QString();
    }
    void routinesRunOnlyForActiveUsersWithTheRightPassword() {
        QFETCH(QString, user);
        QFETCH(QString, password);
        auto session = connected({DemoFirma, user, password});
        QVERIFY(session);
        QVERIFY(run(*session, QStringLiteral("S FIRMA=1,FIL=0,PERSONAL=\"%1\"").arg(user)).ok);
        QVERIFY(run(*session, QStringLiteral("D ^%XTT")).ok);
        const CallResult refused = run(*session, QStringLiteral("D TELSU^RUFAP(\"030123456\")"));
        QVERIFY(!refused.ok);
        QCOMPARE(refused.error.number, 2);
        QCOMPARE(run(*session, QStringLiteral("D JOURADD^RUFAP(3,\"x\",\"1\")")).error.number, 2);
        ServerError error;
        QVERIFY(!session->OpenId(QStringLiteral("VX.PersBasis"), QStringLiteral("1||1001"), error));
        QCOMPARE(error.number, 2);
    }

    void correctedCredentialsReachTheOpenConnection() {
        TcpCredentials who{DemoFirma, DemoMeier.code, QStringLiteral("falsch")};
        auto factory = makeTcpFactory([&who] { return who; });
        QVERIFY(factory->Connect(server_.connectionString()));
        QCOMPARE(run(*factory, QStringLiteral("D PARAM^RUFAP")).error.number, 2);
        who.password = DemoMeier.password;
        QVERIFY(run(*factory, QStringLiteral("D PARAM^RUFAP")).ok);
        QCOMPARE(member(*factory, QStringLiteral("1||MEIER"), QStringLiteral("Passwort")).value,
                 DemoMeier.password);
    }

    void announcementMustMatchTheConnectionsUser() {
        QCOMPARE(run(*meier_, QStringLiteral("S FIRMA=1,FIL=0,PERSONAL=\"SCHULZ\"")).error.number, 7);
        QCOMPARE(run(*meier_, QStringLiteral("S FIRMA=2,FIL=0,PERSONAL=\"MEIER\"")).error.number, 7);
        QVERIFY(run(*meier_, QStringLiteral("S FIRMA=1,FIL=3,PERSONAL=\"MEIER\"")).ok);
    }

    void missingRecordsAndClassesAreErrors() {
        ServerError error;
        QVERIFY(!meier_->OpenId(Staff, QStringLiteral("1||NIEMAND"), error));
        QCOMPARE(error.number, 4);
        QVERIFY(error.description.contains(QStringLiteral("1||NIEMAND")));
        QVERIFY(!meier_->OpenId(QStringLiteral("VX.ParPersAbt"), QStringLiteral("1||99"), error));
        QCOMPARE(error.number, 4);
        QVERIFY(meier_->OpenId(QStringLiteral("VX.ParPersAbt"), QStringLiteral("1||10"), error));
        QVERIFY(meier_->OpenId(QStringLiteral("VX.PersBasis"), QStringLiteral("1||1001"), error));
        QVERIFY(!meier_->OpenId(QStringLiteral("VX.Unbekannt"), QStringLiteral("1||1"), error));
        QCOMPARE(error.number, 3);
        auto object = meier_->New(QStringLiteral("VX.Unbekannt"), error);
        QVERIFY(!object || !object->Xecute(QStringLiteral("D PARAM^RUFAP")).ok);
        QCOMPARE(member(*meier_, QStringLiteral("1||MEIER"), QStringLiteral("Gehalt")).error.number, 5);
    }

    void garbageAndOversizeFramesCloseOnlyThatConnection_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("oversize frame") << frame(QByteArray(70000, 'X'));
        QTest::newRow("declared oversize") << QByteArray("\x7f\xff\xff\xff", 4);
        QTest::newRow("unknown request") << frame("Zgarbage");
        QTest::newRow("zero length") << QByteArray(4, '\0');
        QTest::newRow("command with extra field") << frame(QByteArray("XVX.Windows\0D PARAM^RUFAP\0x", 28));
    }
    void garbageAndOversizeFramesCloseOnlyThatConnection() {
        QFETCH(QByteArray, bytes);
        QTcpSocket raw;
        raw.connectToHost(QHostAddress::LocalHost, server_.port());
        QVERIFY(raw.waitForConnected(3000));
        raw.write(bytes);
        raw.flush();
        QVERIFY(closedWithoutReply(raw));
        QVERIFY(meier_->IsConnected());
        QCOMPARE(reply(QStringLiteral("D PARAM^RUFAP")).left(2), QStringLiteral("0`"));
    }

    void abruptDisconnectInTheMiddleOfAFrame() {
        {
            QTcpSocket raw;
            raw.connectToHost(QHostAddress::LocalHost, server_.port());
            QVERIFY(raw.waitForConnected(3000));
            raw.write(frame("H1\0MEIER\0telefon").left(9));
            raw.flush();
            raw.abort();
        }
        QCOMPARE(reply(QStringLiteral("D PARAM^RUFAP")).left(2), QStringLiteral("0`"));
    }

    void serverThatStopsAnsweringGivesATimeout() {
        // A listener that acknowledges the hello and then never answers.
        QTcpServer silent;
        QVERIFY(silent.listen(QHostAddress::LocalHost, 0));
        QTcpSocket* peer = nullptr;
        connect(&silent, &QTcpServer::newConnection, this, [&] {
            peer = silent.nextPendingConnection();
            connect(peer, &QTcpSocket::readyRead, peer, [&] {
                if (peer->readAll().startsWith(QByteArray("\0\0\0", 3)) && !peer->property("hello").toBool()) {
                    peer->setProperty("hello", true);
                    peer->write(frame("R"));
                }
            });
        });
        auto factory = TestServer::factoryFor({DemoFirma, DemoMeier.code, DemoMeier.password}, 500);
        QVERIFY(factory->Connect(QStringLiteral("cn_iptcp:127.0.0.1[%1]:VENTOR").arg(silent.serverPort())));
        QElapsedTimer clock;
        clock.start();
        const CallResult result = run(*factory, QStringLiteral("D PARAM^RUFAP"));
        QVERIFY(!result.ok);
        QCOMPARE(result.error.number, int(TcpErrorTimeout));
        QVERIFY(clock.elapsed() >= 450);
        QVERIFY(!factory->IsConnected());
    }

    void noServerMeansNoConnection() {
        auto factory = server_.factoryFor(DemoMeier);
        QVERIFY(!factory->Connect(QStringLiteral("cn_iptcp:127.0.0.1[%1]:VENTOR").arg(freeLoopbackPort())));
        QVERIFY(!factory->IsConnected());
        ServerError error;
        QVERIFY(!factory->New(Windows, error));
        QCOMPARE(error.number, int(TcpErrorNotConnected));
    }

    void restartedServerIsReachedByANewConnection() {
        server_.stop();
        QVERIFY(!meier_->IsConnected());
        const CallResult lost = run(*meier_, QStringLiteral("D PARAM^RUFAP"));
        QVERIFY(!lost.ok);
        QVERIFY(server_.restart());
        meier_ = server_.factoryFor(DemoMeier);
        QVERIFY(meier_->Connect(server_.connectionString()));
        QVERIFY(run(*meier_, QStringLiteral("S FIRMA=1,FIL=0,PERSONAL=\"MEIER\"")).ok);
        QCOMPARE(reply(QStringLiteral("D PARAM^RUFAP")).left(2), QStringLiteral("0`"));
    }

    void cleanupTestCase() {
        meier_.reset();
        server_.stop();
    }
};

QTEST_GUILESS_MAIN(GatewayTest)
#include "test_gateway.moc"
