// The server on a real GT.M: gateway, catalogue, object model, limits and durability, and the
// program's command layer and login on it.
#include "login.h"
#include "numberops.h"
#include "testserver.h"
#include "win1252.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QtTest>

#include <atomic>
#include <thread>

using namespace Qt::StringLiterals;

using namespace cacheapi;
using namespace context;
using namespace testsupport;

namespace {
const QChar RS = RecordSeparator;
const QString Windows = u"VX.Windows"_s;
const QString Staff = u"VX.ParPersEdv"_s;
// Text that only Windows-1252 holds, stored and read back through the connection.
const QString Win1252 = u"„Meier“ € – Šoltés …"_s;

QStringList records(const QString& reply) {
    QStringList list = reply.split(RS);
    if (!list.isEmpty() && list.last().isEmpty())
        list.removeLast();
    return list;
}

// Runs a command on a new VX.Windows object (empty member) or reads a member of Meier's record.
CallResult run(Factory& factory, const QString& command, const QString& member = {}) {
    ServerError error;
    auto object = member.isEmpty() ? factory.New(Windows, error)
                                   : factory.OpenId(Staff, u"1||MEIER"_s, error);
    if (!object)
        return CallResult::failure(error.number, error.description);
    return member.isEmpty() ? object->Xecute(command) : object->property(member);
}
CallResult member(Factory& factory, const QString& name) {
    return run(factory, {}, name);
}

// A connection that speaks the frames itself, for requests the program never sends.
class RawLink {
public:
    explicit RawLink(quint16 port, const QHostAddress& from = {}) {
        if (!from.isNull())
            socket_.bind(from);
        socket_.connectToHost(QHostAddress::LocalHost, port);
        socket_.waitForConnected(3000);
    }
    // The reply payload; empty when the server closed the connection instead of answering.
    QByteArray request(const QByteArray& payload) {
        socket_.write(frame(payload));
        socket_.flush();
        return next(20000);
    }
    QByteArray next(int timeoutMs) {
        QDeadlineTimer deadline(timeoutMs);
        while (!deadline.hasExpired()) {
            buffer_ += socket_.readAll();
            if (const QByteArray whole = takeFrame(buffer_); !whole.isEmpty())
                return whole.mid(4);
            if (socket_.state() == QAbstractSocket::UnconnectedState)
                break;
            socket_.flush(); // requests still queued go out while replies come in
            socket_.waitForReadyRead(100);
        }
        return {};
    }
    QTcpSocket& socket() { return socket_; }

private:
    QTcpSocket socket_;
    QByteArray buffer_;
};

QByteArray request(char type, const QList<QByteArray>& fields) {
    QByteArray payload(1, type);
    for (qsizetype i = 0; i < fields.size(); ++i)
        payload += (i ? QByteArray(1, '\0') : QByteArray()) + fields.at(i);
    return payload;
}
QByteArray hello(const QByteArray& firma, const QByteArray& user, const QByteArray& password) {
    return request('H', {firma, user, password});
}
const QByteArray MeierHello = hello("1", "MEIER", "telefon");
const QByteArray Refused = QByteArray("E2\0", 3);
bool isToken(const QByteArray& reply) {
    static const QRegularExpression form(u"^R[0-9a-f]{64}$"_s);
    return form.match(QString::fromLatin1(reply)).hasMatch();
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
// The national number a call from a stored spelling arrives with, read as a person reads it.
QString nationalNumber(const QString& spelling) {
    QString digits = spelling;
    digits.remove(QRegularExpression(u"\\D"_s));
    if (spelling.trimmed().startsWith(u'+') || digits.startsWith(u"0049"_s))
        return u'0' +
               digits.mid(digits.startsWith(u"00"_s) ? 4 : 2).remove(QRegularExpression(u"^0"_s));
    return digits.startsWith(u'0') ? digits : u'0' + DemoLookupPrefix + digits;
}
constexpr int Writers = 6;

// Writes journal entries until the connection breaks; returns the acknowledged texts.
QStringList writeUntilBroken(const QString& connectionString, int writer,
                             std::atomic<int>& acknowledged) {
    QStringList done;
    auto factory = TestServer::factoryFor(DemoMeier, 5000);
    if (!factory->Connect(connectionString) ||
        !run(*factory, u"S FIRMA=1,FIL=0,PERSONAL=\"MEIER\""_s).ok)
        return done;
    for (int i = 1;; ++i) {
        const QString text = u"Schreiber %1 Eintrag %2"_s.arg(writer).arg(i);
        if (!run(*factory, u"D JOURADD^RUFAP(3,\"%1\",\"0301%2\")"_s.arg(text).arg(i)).ok)
            return done;
        done << text;
        ++acknowledged;
    }
}
} // namespace

class ServerTest : public QObject {
    Q_OBJECT

    TestServer server_;
    std::unique_ptr<Factory> meier_;

    // The value of an M function called the way the client calls one.
    QString function(const QString& call) {
        return reply(u"S P0=$$%1 W:$F($ZV,\"MSM\") P0"_s.arg(call));
    }
    QString reply(const QString& command) {
        const CallResult r = run(*meier_, command);
        if (!r.ok)
            qWarning() << command << r.error.number << r.error.description;
        return r.ok ? r.value : u"<error>"_s;
    }
    std::unique_ptr<Factory> connected(const TcpCredentials& who) {
        auto factory = TestServer::factoryFor(who);
        if (!factory->Connect(server_.connectionString()))
            return nullptr;
        return factory;
    }

    // The program's own caller lookup with the demo server's telephone parameters.
    QString lookup(LiveLink& f, const QString& number) {
        telefon::CustomerPanel panel;
        telefon::LookupCaller(f.link, {u"0"_s, DemoLookupPrefix, {}}, number, panel);
        return panel.Nr;
    }

    static QSet<QString> storedTexts(const TestServer& server) {
        const QString dump = server.mumpsRun(QStringLiteral(
            "S N=\"\" F  S N=$O(^VXJOUR(1,\"MEIER\",3,N)) Q:N=\"\"  W $P(^(N),\"`\",1),!"));
        const QStringList lines = dump.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        return QSet<QString>(lines.begin(), lines.end());
    }

private slots:
    void initTestCase() {
        QVERIFY2(server_.start(), qPrintable(server_.errorText()));
        meier_ = server_.factoryFor(DemoMeier);
        QVERIFY(meier_->Connect(server_.connectionString()));
        QVERIFY(meier_->IsConnected());
        QVERIFY(run(*meier_, u"S FIRMA=1,FIL=0,PERSONAL=\"MEIER\""_s).ok);
        QVERIFY(run(*meier_, u"D ^%XTT"_s).ok);
        // A second company on the same server, to be kept apart from the first.
        server_.mumpsRun(u"S ^VXPERS(2,\"KRAUSE\")=\"2001`20`J`Krause, Eva`x\","
                         u"^VXABT(2,20)=\"Einkauf\",^VXPB(2,2001)=\"Eva Krause`55`KRAUSE\""_s);
    }

    void connectionStringIsParsedAndAMissingServerRefused() {
        QString host;
        quint16 port = 0;
        QVERIFY(parseConnectionString(u"cn_iptcp:10.1.2.3[1973]:VENTOR"_s, host, port));
        QCOMPARE(host, u"10.1.2.3"_s);
        QCOMPARE(port, quint16(1973));
        QVERIFY(!parseConnectionString(u"cn_iptcp:10.1.2.3:VENTOR"_s, host, port));
        QVERIFY(!parseConnectionString(u"cn_iptcp:h[99999]:VENTOR"_s, host, port));
        auto factory = server_.factoryFor(DemoMeier);
        QVERIFY(!factory->Connect(u"127.0.0.1:%1"_s.arg(server_.port())));
        QVERIFY(!factory->IsConnected());
        // Nobody listening: no connection, and no object either.
        QVERIFY(!factory->Connect(u"cn_iptcp:127.0.0.1[%1]:VENTOR"_s.arg(freeLoopbackPort())));
        ServerError error;
        QVERIFY(!factory->New(Windows, error));
        QCOMPARE(error.number, int(TcpErrorNotConnected));
    }

    void lookupGivesSeventeenFields() {
        const QStringList found = reply(u"D TELSU^RUFAP(\"030123456\")"_s).split(FieldSeparator);
        QCOMPARE(found.size(), 17);
        const QList<std::pair<int, QString>> fields{
            {0, ShowcaseAccount}, {1, u"Firma"_s},          {2, ShowcaseName},        {5, u"D"_s},
            {6, u"10435"_s},      {8, u"030 / 123 45-6"_s}, {10, u"+49 30 123457"_s}, {11, u"2"_s},
            {14, u"12.840,50"_s}, {16, u"143.210,00"_s}};
        for (const auto& [i, value] : fields)
            QCOMPARE(found.at(i), value);
        QVERIFY(QDate::fromString(found.at(12), u"dd.MM.yyyy"_s).isValid());
        const QStringList missing = reply(u"D TELSU^RUFAP(\"0999999999\")"_s).split(FieldSeparator);
        QCOMPARE(missing.size(), 17);
        QVERIFY(missing.at(0).isEmpty());
        QVERIFY(reply(u"D TELSU^RUFAP(\"\")"_s).split(FieldSeparator).at(0).isEmpty());
        // (030) 98765-0 is stored as the showcase's central number: a direct dial finds it.
        QCOMPARE(reply(u"D TELSU^RUFAP(\"03098765123\")"_s).section(FieldSeparator, 0, 0),
                 ShowcaseAccount);

        // Suppliers have no customer figures.
        const QStringList supplier = records(function(u"TXTSU^RUFAP(\"L10000\")"_s));
        QCOMPARE(supplier.size(), 1);
        const QString phone = supplier.first().split(FieldSeparator).at(2);
        const QStringList supplierFound =
            reply(u"D TELSU^RUFAP(\"%1\")"_s.arg(phone)).split(FieldSeparator);
        QCOMPARE(supplierFound.size(), 17);
        QCOMPARE(supplierFound.at(0), u"L10000"_s);
        for (int i = 11; i < 17; ++i)
            QVERIFY(supplierFound.at(i).isEmpty());
    }

    // Unanswered commands go out with the next request, which gets its own reply.
    void unansweredCommandsTravelWithTheNextRequest() {
        ServerError error;
        auto object = meier_->New(Windows, error);
        QVERIFY(object);
        object->XecuteUnanswered(u"D PARAM^RUFAP"_s);
        object->XecuteUnanswered(u"D NOSUCH^RUFAP"_s);
        const CallResult found = object->Xecute(u"D TELSU^RUFAP(\"030123456\")"_s);
        QVERIFY(found.ok);
        QCOMPARE(found.value.section(FieldSeparator, 0, 0), ShowcaseAccount);
        QCOMPARE(reply(u"D PARAM^RUFAP"_s).left(2), u"0`"_s);
    }

    void journalKeepsTheNewest100NewestFirst() {
        const int before = server_.journalCount(4);
        for (int i = 1; i <= 105; ++i)
            QVERIFY(
                reply(u"D JOURADD^RUFAP(4,\"%1 %2\",\"0301%2\")"_s.arg(Win1252).arg(i)).isEmpty());
        QCOMPARE(server_.journalCount(4), before + 105);
        const QStringList list = records(reply(u"D JOURGET^RUFAP(4)"_s));
        QCOMPARE(list.size(), 100);
        QCOMPARE(list.first(), Win1252 + u" 105`0301105"_s);
        QCOMPARE(list.last(), Win1252 + u" 6`03016"_s);
        // Another user's journal is not touched.
        auto schulz = connected({DemoFirma, DemoSchulz.code, DemoSchulz.password});
        QVERIFY(schulz);
        const QStringList other = records(run(*schulz, u"D JOURGET^RUFAP(4)"_s).value);
        QVERIFY(!other.contains(Win1252 + u" 105`0301105"_s));
        QCOMPARE(run(*meier_, u"D JOURADD^RUFAP(7,\"x\",\"1\")"_s).error.number, 9);
    }

    void speedDialIsOrderedBySortKeyAndPerUser() {
        // Saving, changing and deleting through the editor: tst_windows_live.
        QVERIFY(reply(u"D ZWSET^RUFAP(\"0309`%1`0\")"_s.arg(Win1252)).isEmpty());
        QVERIFY(reply(u"D ZWSET^RUFAP(\"0308`Aaa Erster`1\")"_s).isEmpty());
        const QStringList list = records(reply(u"D ZWAHL^RUFAP"_s));
        QVERIFY(list.size() >= 2);
        QCOMPARE(list.first(), u"Aaa Erster`0308`1"_s);
        QStringList keys;
        for (const QString& entry : list)
            keys << entry.section(FieldSeparator, 2, 2);
        const qsizetype firstNone = keys.indexOf(u"0"_s); // entries without a key come last
        QCOMPARE(keys.mid(firstNone), QStringList(keys.size() - firstNone, u"0"_s));
        QVERIFY(list.contains(Win1252 + u"`0309`0"_s));
        QVERIFY(reply(u"D ZWLOE^RUFAP(1,0,\"0309\")"_s).isEmpty());
        QVERIFY(reply(u"D ZWLOE^RUFAP(1,0,\"0308\")"_s).isEmpty());
        // An empty number is refused, a company other than the announced one too.
        QCOMPARE(run(*meier_, u"D ZWSET^RUFAP(\"`Name`0\")"_s).error.number, 9);
        QCOMPARE(run(*meier_, u"D ZWLOE^RUFAP(2,0,\"31\")"_s).error.number, 7);
    }

    void searchFindsUmlautsWhateverTheSpelling() {
        // The search window reads the rows: tst_windows_live.
        const QStringList hits = records(function(u"TXTSU^RUFAP(\"MUEller\")"_s));
        QVERIFY(hits.contains(u"K100000`Müller Bau GmbH`030 / 123 45-6`10435`Berlin"_s));
        for (const QString& hit : hits)
            QVERIFY2(hit.contains(u"Müller"_s), qPrintable(hit));
        const QStringList both = records(function(u"TXTSU^RUFAP(\"mueller berlin\")"_s));
        QVERIFY(both.contains(u"K100000`Müller Bau GmbH`030 / 123 45-6`10435`Berlin"_s));
        for (const QString& hit : both)
            QCOMPARE(hit.section(FieldSeparator, 4, 4), u"Berlin"_s);
        QVERIFY(records(function(u"TXTSU^RUFAP(\"\")"_s)).isEmpty());
        // Lists stay within the client's limit.
        const QString broad = function(u"TXTSU^RUFAP(\"B\")"_s);
        QVERIFY(broad.size() <= 32767);
        QCOMPARE(records(broad).size(), 100);
    }

    // A database indexed by an older version is indexed anew once and answers the same searches.
    void searchAfterTheUpgradeOfAnOlderIndex() {
        const auto hits = [this] {
            QStringList sorted = records(function(u"TXTSU^RUFAP(\"mue bau berlin\")"_s));
            sorted.sort();
            return sorted;
        };
        const QStringList expected = hits();
        QVERIFY(expected.contains(u"K100000`Müller Bau GmbH`030 / 123 45-6`10435`Berlin"_s));
        server_.mumpsRun(u"K ^VXPAR(\"WORTE\"),^VXWBIT,^VXWACC,^VXWNR "
                         u"S ^VXWORT(\"MUELLER\")=1,^VXWORT(\"MUELLER\",\"K100000\")=\"\""_s);
        server_.mumpsRun(u"D UPGRADE^VXTXT"_s);
        QCOMPARE(hits(), expected);
        QCOMPARE(server_.mumpsQuery(u"$D(^VXWORT)"_s), u"0"_s);
        QCOMPARE(server_.mumpsQuery(u"^VXWBIT(\"MUELLER\")"_s),
                 server_.mumpsQuery(u"$$ENTRIES^VXTXT(\"MUELLER\")"_s));
    }

    // The columns and markers as the open-items window shows them: tst_windows_live.
    void openItemsOfAnAccount() {
        const QStringList items = records(function(u"OPSU^RUFAP(100000)"_s));
        QCOMPARE(items.size(), 4);
        QCOMPARE(items.first().section(FieldSeparator, 0, 0).section(u'\n', 3, 3), u"4.820,40"_s);
        QVERIFY(function(u"OPSU^RUFAP()"_s).isEmpty());
    }

    void commandsOutsideTheCatalogueAreRefused_data() {
        QTest::addColumn<QString>("command");
        QTest::newRow("trailing command") << u"D PARAM^RUFAP S ^X=1"_s;
        QTest::newRow("routine without entry") << u"D ^RUFAP S ^X=1"_s;
        QTest::newRow("quote in a name") << u"D JOURADD^RUFAP(3,\"O\"Brien\",\"0301\")"_s;
        QTest::newRow("quote closing early") << u"D TELSU^RUFAP(\"a\") S ^X=1 ;\")"_s;
        QTest::newRow("text after the call") << u"D ZWAHL^RUFAP K ^VXZW"_s;
        QTest::newRow("indirection") << u"D TELSU^RUFAP(@X)"_s;
        QTest::newRow("expression") << u"D TELSU^RUFAP($$X^Y)"_s;
        QTest::newRow("concatenation") << u"D TELSU^RUFAP(\"a\"_^X)"_s;
        QTest::newRow("newline") << u"D PARAM^RUFAP\nS ^X=1"_s;
        QTest::newRow("unknown entry") << u"D KILL^RUFAP"_s;
        QTest::newRow("other routine") << u"D PARAM^VXGEN"_s;
        QTest::newRow("too many arguments") << u"D TELSU^RUFAP(\"a\",\"b\")"_s;
        QTest::newRow("set") << u"S ^X=1"_s;
        QTest::newRow("xecute") << u"X \"S ^X=1\""_s;
        QTest::newRow("function form with command") << u"S P0=$$TXTSU^RUFAP(\"a\") S ^X=1"_s;
        QTest::newRow("announcement with command")
            << u"S FIRMA=1,FIL=0,PERSONAL=\"MEIER\" S ^X=1"_s;
        QTest::newRow("announcement with expression") << u"S FIRMA=^X,FIL=0,PERSONAL=\"MEIER\""_s;
        QTest::newRow("lower case") << u"d PARAM^RUFAP"_s;
    }
    void commandsOutsideTheCatalogueAreRefused() {
        QFETCH(QString, command);
        const int journal = server_.journalCount(3);
        const int speedDial = server_.mumpsQuery(u"$D(^VXZW(1,\"MEIER\"))"_s).toInt();
        const CallResult result = run(*meier_, command);
        QVERIFY(!result.ok);
        QCOMPARE(result.error.number, 1);
        QVERIFY(result.error.description.contains(u"nicht erlaubt"_s));
        QCOMPARE(server_.mumpsQuery(u"$D(^X)"_s), u"0"_s);
        QCOMPARE(server_.journalCount(3), journal);
        QCOMPARE(server_.mumpsQuery(u"$D(^VXZW(1,\"MEIER\"))"_s).toInt(), speedDial);
        QVERIFY(meier_->IsConnected()); // the connection stays usable
        QCOMPARE(reply(u"D PARAM^RUFAP"_s).left(2), u"0`"_s);
    }

    void literalsWithDoubledQuotesAreData() {
        // Doubled quotes keep the whole text inside the literal: it is looked up, not run.
        const CallResult lookup = run(*meier_, u"D TELSU^RUFAP(\"a\"\") S ^X=1 ;\")"_s);
        QVERIFY(lookup.ok);
        QVERIFY(lookup.value.section(FieldSeparator, 0, 0).isEmpty());
        QCOMPARE(server_.mumpsQuery(u"$D(^X)"_s), u"0"_s);
        QVERIFY(reply(u"D JOURADD^RUFAP(5,\"O\"\"Brien\",\"0302\")"_s).isEmpty());
        QCOMPARE(records(reply(u"D JOURGET^RUFAP(5)"_s)).first(), u"O\"Brien`0302"_s);
    }

    void passwordMemberAnswersOnlyTheRightPassword() {
        for (const auto& [name, value] :
             QList<QPair<QString, QString>>{{u"Passwort"_s, DemoMeier.password},
                                            {u"AKTIV"_s, u"J"_s},
                                            {u"PNR"_s, u"1001"_s},
                                            {u"abtnr"_s, u"10"_s},
                                            {u"PNAME"_s, u"Meier, Hans"_s}})
            QCOMPARE(member(*meier_, name).value, value);
        // The stored form is a salted hash, never the password.
        const QString stored = server_.mumpsQuery(u"$P(^VXPERS(1,\"MEIER\"),\"`\",5)"_s);
        QVERIFY(stored.startsWith(u"$6$"_s));
        QVERIFY(!stored.contains(DemoMeier.password));
        QVERIFY(stored != server_.mumpsQuery(u"$P(^VXPERS(1,\"SCHULZ\"),\"`\",5)"_s));

        auto wrong = connected({DemoFirma, DemoMeier.code, u"Telefon"_s});
        QVERIFY(wrong);
        const CallResult answered = member(*wrong, u"Passwort"_s);
        QVERIFY(answered.ok);
        QVERIFY(answered.value != u"Telefon"_s);
        QVERIFY(answered.value != DemoMeier.password);
        // The login reads the active flag first; a refused login learns nothing else.
        QCOMPARE(member(*wrong, u"AKTIV"_s).value, u"N"_s);
        QCOMPARE(member(*wrong, u"PNAME"_s).error.number, 2);
    }

    void requestsBeforeALoginAreRefused_data() {
        QTest::addColumn<QByteArray>("payload");
        QTest::newRow("own staff record") << request('O', {"VX.ParPersEdv", "1||MEIER"});
        QTest::newRow("password member") << request('P', {"VX.ParPersEdv", "1||MEIER", "Passwort"});
        QTest::newRow("staff base member") << request('P', {"VX.PersBasis", "1||1001", "Name"});
        QTest::newRow("method") << request(
            'C', {"VX.ParPersEdv", "1||MEIER", "PNAMELogicalToODBC", "Meier, Hans"});
        QTest::newRow("announcement")
            << request('X', {"VX.Windows", "S FIRMA=1,FIL=0,PERSONAL=\"MEIER\""});
        QTest::newRow("routine") << request('X', {"VX.Windows", "D PARAM^RUFAP"});
        QTest::newRow("unknown class") << request('O', {"VX.Unbekannt", "1||1"});
    }
    void requestsBeforeALoginAreRefused() {
        QFETCH(QByteArray, payload);
        RawLink raw(server_.port());
        QVERIFY(raw.request(payload).startsWith(Refused));
        QVERIFY(isToken(raw.request(MeierHello)));
        QVERIFY(!raw.request(payload).startsWith("E2"));
    }

    void objectsAreReadOnlyWhenOwnAndKnown_data() {
        QTest::addColumn<QString>("className");
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("memberName");
        QTest::addColumn<int>("refusal"); // 0 when the member is read
        QTest::newRow("staff record") << Staff << u"2||KRAUSE"_s << u"PNAME"_s << 7;
        QTest::newRow("department") << u"VX.ParPersAbt"_s << u"2||20"_s << u"Bezeichnung"_s << 7;
        QTest::newRow("staff base") << u"VX.PersBasis"_s << u"2||2001"_s << u"Name"_s << 7;
        QTest::newRow("colleague's password") << Staff << u"1||SCHULZ"_s << u"Passwort"_s << 7;
        QTest::newRow("missing staff record") << Staff << u"1||NIEMAND"_s << u"PNAME"_s << 4;
        QTest::newRow("missing department") << u"VX.ParPersAbt"_s << u"1||99"_s << u"abtnr"_s << 4;
        QTest::newRow("own department") << u"VX.ParPersAbt"_s << u"1||10"_s << u"abtnr"_s << 0;
        QTest::newRow("own staff base") << u"VX.PersBasis"_s << u"1||1001"_s << u"PNR"_s << 0;
        QTest::newRow("unknown class") << u"VX.Unbekannt"_s << u"1||1"_s << u"Name"_s << 3;
        QTest::newRow("unknown member") << Staff << u"1||MEIER"_s << u"Gehalt"_s << 5;
    }
    void objectsAreReadOnlyWhenOwnAndKnown() {
        QFETCH(QString, className);
        QFETCH(QString, id);
        QFETCH(QString, memberName);
        QFETCH(int, refusal);
        ServerError error;
        auto object = meier_->OpenId(className, id, error);
        const CallResult read = object ? object->property(memberName)
                                       : CallResult::failure(error.number, error.description);
        QCOMPARE(read.ok ? 0 : read.error.number, refusal);
        if (refusal == 4)
            QVERIFY(read.error.description.contains(id));
    }

    void aRefusedLoginLeavesTheConnectionLoggedOut_data() {
        QTest::addColumn<QByteArray>("login");
        QTest::newRow("code longer than a key") << hello("2", QByteArray(260, 'X'), "x");
        QTest::newRow("other company") << hello("2", "MEIER", "telefon");
        QTest::newRow("company no number") << hello("1x", "MEIER", "telefon");
        QTest::newRow("control character") << hello("1", "MEI\x01ER", "telefon");
    }
    void aRefusedLoginLeavesTheConnectionLoggedOut() {
        QFETCH(QByteArray, login);
        RawLink raw(server_.port());
        QVERIFY(isToken(raw.request(MeierHello)));
        QVERIFY(!isToken(raw.request(login)));
        for (const QByteArray& next :
             {request('X', {"VX.Windows", "D INT^RUFAP"}),
              request('O', {"VX.PersBasis", "2||2001"}), request('O', {"VX.PersBasis", "1||1001"})})
            QVERIFY2(raw.request(next).startsWith(Refused), next.constData());
        server_.mumpsRun(u"K ^VXSEC(\"F\",\"A\")"_s);
    }

    void aSessionTokenLogsInTheSameUserOnlyWhileAmongTheirNewest() {
        RawLink first(server_.port());
        const QByteArray token = first.request(MeierHello).mid(1);
        QCOMPARE(token.size(), 64); // its use by the same user: the link's reconnection below
        for (const QByteArray& other :
             {request('T', {"1", "SCHULZ", token}), request('T', {"2", "MEIER", token}),
              request('T', {"1", "MEIER", QByteArray(64, 'a')})}) {
            RawLink stranger(server_.port());
            QVERIFY(stranger.request(other).startsWith(Refused));
            QVERIFY(
                stranger.request(request('X', {"VX.Windows", "D INT^RUFAP"})).startsWith(Refused));
        }
        // A user keeps the 16 sessions used last: the oldest ends with the 17th login.
        QList<QByteArray> later;
        for (int i = 0; i < 15; ++i)
            later << RawLink(server_.port()).request(MeierHello).mid(1);
        const auto resumes = [this](const QByteArray& t) {
            return isToken(RawLink(server_.port()).request(request('T', {"1", "MEIER", t})));
        };
        QVERIFY(resumes(token));
        QVERIFY(isToken(RawLink(server_.port()).request(MeierHello)));
        QVERIFY(resumes(token));
        QVERIFY(!resumes(later.first()));
        QVERIFY(resumes(later.at(1)));
        // A session indexed as before expiries were keys: the start moves it into the expiry index.
        const QString reindexed = QString::fromLatin1(later.at(2));
        server_.mumpsRun(
            u"S E=$P(^VXSEC(\"S\",\"%1\"),\"`\",3) K ^VXSEC(\"SU\",1,\"MEIER\",E,\"%1\") "
            "S ^VXSEC(\"SU\",1,\"MEIER\",\"%1\")=\"\" D UPGRADE^VXSEC"_s.arg(reindexed));
        QCOMPARE(server_.mumpsQuery(
                     u"$D(^VXSEC(\"SU\",1,\"MEIER\",\"%1\"))_$D(^VXSEC(\"SU\",1,"
                     "\"MEIER\",$P(^VXSEC(\"S\",\"%1\"),\"`\",3),\"%1\"))"_s.arg(reindexed)),
                 u"01"_s);
        // A session unused beyond its hours has ended: the program logs in with the password.
        server_.mumpsRun(u"S $P(^VXSEC(\"S\",\"%1\"),\"`\",3)=0"_s.arg(QString::fromLatin1(token)));
        QVERIFY(!resumes(token));
        QCOMPARE(server_.mumpsQuery(u"$D(^VXSEC(\"S\",\"%1\"))"_s.arg(QString::fromLatin1(token))),
                 u"0"_s);
        server_.mumpsRun(u"K ^VXSEC(\"F\",\"A\")"_s);
    }

    void guessingPasswordsIsSlowedDown() {
        // Three quick failures, then 1 s, 2 s, 4 s ... between the checks of one user.
        const QString failures = u"+$G(^VXSEC(\"F\",\"U\",\"1||RATEN\"))"_s;
        QElapsedTimer clock;
        clock.start();
        std::atomic<int> sent{0};
        std::vector<std::thread> guessers;
        for (int g = 0; g < 3; ++g)
            guessers.emplace_back([&, g] {
                for (int i = 0; clock.elapsed() < 8000; ++i) {
                    RawLink raw(server_.port());
                    raw.request(hello("1", "RATEN", QByteArray::number(g * 1000 + i)));
                    ++sent;
                }
            });
        for (std::thread& t : guessers)
            t.join();
        const int checked = server_.mumpsQuery(failures).toInt();
        qInfo("guesses sent in 8 s: %d, checked: %d", sent.load(), checked);
        QVERIFY(checked >= 4); // 3 at once, then after 1 s (and 3 s when connecting is quick)
        QVERIFY(checked <= 6); // the next one not before 7 s
        QVERIFY(sent > checked);
        server_.mumpsRun(u"K ^VXSEC(\"F\")"_s);
    }

    void routinesRunOnlyForActiveUsersWithTheRightPassword_data() {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::newRow("wrong password") << DemoMeier.code << u"falsch"_s;
        QTest::newRow("inactive user") << DemoAlt.code << DemoAlt.password;
        QTest::newRow("unknown user") << u"NIEMAND"_s << u"telefon"_s;
        QTest::newRow("empty password") << DemoMeier.code << QString();
    }
    void routinesRunOnlyForActiveUsersWithTheRightPassword() {
        QFETCH(QString, user);
        QFETCH(QString, password);
        auto session = connected({DemoFirma, user, password});
        QVERIFY(session);
        QVERIFY(run(*session, u"S FIRMA=1,FIL=0,PERSONAL=\"%1\""_s.arg(user)).ok);
        QVERIFY(run(*session, u"D ^%XTT"_s).ok);
        const CallResult refused = run(*session, u"D TELSU^RUFAP(\"030123456\")"_s);
        QVERIFY(!refused.ok);
        QCOMPARE(refused.error.number, 2);
        QCOMPARE(run(*session, u"D JOURADD^RUFAP(3,\"x\",\"1\")"_s).error.number, 2);
        ServerError error;
        QVERIFY(!session->OpenId(u"VX.PersBasis"_s, u"1||1001"_s, error));
        QCOMPARE(error.number, 2);
    }

    void correctedCredentialsReachTheOpenConnection() {
        TcpCredentials who{DemoFirma, DemoMeier.code, u"falsch"_s};
        auto factory =
            makeTcpFactory([&who] { return who; }, 30000, nullptr, TestServer::PlainTransport);
        QVERIFY(factory->Connect(server_.connectionString()));
        QCOMPARE(run(*factory, u"D PARAM^RUFAP"_s).error.number, 2);
        who.password = DemoMeier.password;
        QVERIFY(run(*factory, u"D PARAM^RUFAP"_s).ok);
        QCOMPARE(member(*factory, u"Passwort"_s).value, DemoMeier.password);
    }

    void announcementMustMatchTheUserAndCommandsAKnownClass() {
        QCOMPARE(run(*meier_, u"S FIRMA=1,FIL=0,PERSONAL=\"SCHULZ\""_s).error.number, 7);
        QCOMPARE(run(*meier_, u"S FIRMA=2,FIL=0,PERSONAL=\"MEIER\""_s).error.number, 7);
        QVERIFY(run(*meier_, u"S FIRMA=1,FIL=3,PERSONAL=\"MEIER\""_s).ok);
        ServerError error;
        auto object = meier_->New(u"VX.Unbekannt"_s, error);
        QVERIFY(!object || !object->Xecute(u"D PARAM^RUFAP"_s).ok);
    }

    void garbageAndOversizeFramesCloseOnlyThatConnection_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("abort"); // the client goes away in the middle of the frame
        QTest::newRow("oversize frame") << frame(QByteArray(70000, 'X')) << false;
        QTest::newRow("declared oversize") << QByteArray("\x7f\xff\xff\xff", 4) << false;
        QTest::newRow("unknown request") << frame("Zgarbage") << false;
        QTest::newRow("zero length") << QByteArray(4, '\0') << false;
        QTest::newRow("command with extra field")
            << frame(QByteArray("XVX.Windows\0D PARAM^RUFAP\0x", 28)) << false;
        QTest::newRow("abrupt disconnect") << frame(MeierHello).left(9) << true;
    }
    void garbageAndOversizeFramesCloseOnlyThatConnection() {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, abort);
        QTcpSocket raw;
        raw.connectToHost(QHostAddress::LocalHost, server_.port());
        QVERIFY(raw.waitForConnected(3000));
        raw.write(bytes);
        raw.flush();
        if (abort)
            raw.abort();
        else
            QVERIFY(closedWithoutReply(raw));
        QVERIFY(meier_->IsConnected());
        QCOMPARE(reply(u"D PARAM^RUFAP"_s).left(2), u"0`"_s);
    }

    // The program's command layer and login.
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

    // Only the configured certificate is trusted; encryption is never given up silently.
    void tlsTrustsOnlyTheConfiguredCertificate() {
        TestServer tls;
        tls.setTls(true);
        QVERIFY2(tls.start(20), qPrintable(tls.errorText()));
        {
            LiveLink f(tls, LiveLink::Waits::Skipped);
            f.transport(u"verschlüsselt"_s, tls.certificatePath());
            // The handshake's last record and the login request arrive together: the server
            // answers from what it has read ahead instead of waiting on the socket.
            QVERIFY(f.login());
            QCOMPARE(f.command(u"D PARAM^RUFAP"_s), u"0`30`VENTOR"_s);
            // Replies bypass GT.M's output buffer: one of many TLS records arrives whole.
            tls.mumpsRun(u"S X=$TR($J(\"\",180),\" \",\"x\") F I=1:1:100 "
                         u"S ^VXJOUR(1,\"MEIER\",3,I)=\"Eintrag \"_I_\" \"_X_\"`0301`1\""_s);
            const QStringList journal = records(f.command(u"D JOURGET^RUFAP(3)"_s));
            QCOMPARE(journal.size(), 100);
            QCOMPARE(journal.first(), u"Eintrag 100 "_s + QString(180, u'x') + u"`0301"_s);
            QCOMPARE(journal.last(), u"Eintrag 1 "_s + QString(180, u'x') + u"`0301"_s);
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

    // Durability; the server is killed here.
    void acknowledgedEntriesSurviveSigkill() {
        for (int round = 1; round <= 3; ++round) {
            std::atomic<int> acknowledged{0};
            std::vector<QStringList> written(Writers);
            std::vector<std::thread> threads;
            for (int w = 0; w < Writers; ++w)
                threads.emplace_back([&, w] {
                    written[w] =
                        writeUntilBroken(server_.connectionString(), round * 100 + w, acknowledged);
                });
            QDeadlineTimer enough(20000);
            while (acknowledged < 300 && !enough.hasExpired())
                QThread::msleep(20);
            server_.killAll();
            for (std::thread& t : threads)
                t.join();
            QVERIFY2(acknowledged >= 300, "the writers did not get going");

            QVERIFY2(server_.restart(), qPrintable(server_.errorText()));
            const QSet<QString> stored = storedTexts(server_);
            int checked = 0;
            for (const QStringList& texts : written)
                for (const QString& text : texts) {
                    QVERIFY2(stored.contains(text), qPrintable(text + u" lost"_s));
                    ++checked;
                }
            QCOMPARE(checked, acknowledged.load());
            // The counter was recovered with the entries: new entries never overwrite old ones.
            const int counter = server_.mumpsQuery(u"^VXJOUR(1,\"MEIER\",3)"_s).toInt();
            QCOMPARE(server_.mumpsQuery(u"$O(^VXJOUR(1,\"MEIER\",3,\"\"),-1)"_s).toInt(), counter);
        }
    }

    void aFullDiskRefusesWritesAndKeepsTheAcknowledgedOnes() {
        // A small file system of the test's own (the test runs in a mount namespace of its own).
        QTemporaryDir mountPoint;
        QCOMPARE(QProcess::execute(u"mount"_s, {u"-t"_s, u"tmpfs"_s, u"-o"_s, u"size=100m"_s,
                                                u"tmpfs"_s, mountPoint.path()}),
                 0);
        const auto unmount = qScopeGuard([&] {
            QProcess::execute(u"umount"_s, {u"-l"_s, mountPoint.path()});
        });
        TestServer server;
        QVERIFY2(server.startIn(mountPoint.filePath(u"db"_s), 300), qPrintable(server.errorText()));
        auto factory = TestServer::factoryFor(DemoMeier, 10000);
        QVERIFY(factory->Connect(server.connectionString()));
        const auto write = [&](int i) {
            return run(*factory, u"D JOURADD^RUFAP(3,\"Platte %1\",\"0301\")"_s.arg(i));
        };
        QStringList acknowledged;
        for (int i = 1; i <= 20; ++i) {
            QVERIFY(write(i).ok);
            acknowledged << u"Platte %1"_s.arg(i);
        }

        QFile filler(mountPoint.filePath(u"filler"_s));
        QVERIFY(filler.open(QIODevice::WriteOnly));
        while (filler.write(QByteArray(4096, 'x')) == 4096 && filler.flush()) {
        }
        filler.close();

        int refused = 0;
        for (int i = 21; i <= 400 && refused < 20; ++i) {
            const CallResult r = write(i);
            if (r.ok && !refused)
                acknowledged << u"Platte %1"_s.arg(i);
            QVERIFY2(!r.ok || !refused, "a write was acknowledged after one was refused");
            if (!r.ok) {
                QCOMPARE(r.error.number, 11);
                QVERIFY(r.error.description.contains(u"Journal"_s));
                ++refused;
            }
        }
        QCOMPARE(refused, 20);
        // Reads go on.
        QCOMPARE(run(*factory, u"D PARAM^RUFAP"_s).value.left(2), u"0`"_s);
        QVERIFY(run(*factory, u"D JOURGET^RUFAP(3)"_s).ok);

        server.killAll();
        factory.reset();
        QVERIFY(filler.remove());
        QVERIFY2(server.restart(), qPrintable(server.errorText()));
        QCOMPARE(server.mumpsQuery(u"$VIEW(\"JNLACTIVE\",\"DEFAULT\")"_s), u"2"_s);
        const QSet<QString> stored = storedTexts(server);
        for (const QString& text : acknowledged)
            QVERIFY2(stored.contains(text), qPrintable(text + u" lost"_s));
        auto after = TestServer::factoryFor(DemoMeier, 10000);
        QVERIFY(after->Connect(server.connectionString()));
        QVERIFY(run(*after, u"D JOURADD^RUFAP(3,\"wieder Platz\",\"0301\")"_s).ok);
        QString report;
        QVERIFY2(server.check(&report), qPrintable(report));
        QVERIFY2(report.contains(u"No errors detected"_s), qPrintable(report));
        server.stop();
    }

    void serverFilesArePrivate() {
        // Links (to the installed GT.M the server runs) are no files of the server's own.
        QDirIterator files(server_.dataDir(),
                           QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden |
                               QDir::NoSymLinks,
                           QDirIterator::Subdirectories);
        int seen = 0;
        for (; files.hasNext(); ++seen) {
            const QFileInfo info(files.next());
            // Nothing for the group or others (the mask 0077 of a file mode).
            QVERIFY2(!(info.permissions() & 0x0077), qPrintable(info.filePath()));
        }
        QVERIFY(seen > 10);
    }

    void connectionsAreLimitedInTimeAndNumber() {
        meier_.reset();
        server_.stop();
        server_.setStartOptions({u"--idle"_s, u"2"_s, u"--frame"_s, u"2"_s, u"--max-per-address"_s,
                                 u"3"_s, u"--max-connections"_s, u"4"_s, u"--log-size"_s, u"1"_s,
                                 u"--pool"_s, u"1"_s});
        QVERIFY2(server_.restart(), qPrintable(server_.errorText()));
        // A process serves the next connection after one ends: nothing of the login stays.
        for (const QByteArray& first : {MeierHello, hello("1", "MEIER", "falsch"), MeierHello}) {
            RawLink(server_.port()).request(first);
            QThread::msleep(100);
            RawLink next(server_.port());
            const QByteArray announce = "S FIRMA=1,FIL=0,PERSONAL=\"MEIER\"";
            QCOMPARE(next.request(request('X', {"VX.Windows", announce})).left(3), Refused);
        }
        {
            // The port answers on every interface; a client that came to another address than
            // the server's is closed unheard.
            QTcpSocket elsewhere;
            elsewhere.connectToHost(QHostAddress(u"127.0.0.2"_s), server_.port());
            QVERIFY(elsewhere.waitForConnected(3000));
            QVERIFY(closedWithoutReply(elsewhere));
        }
        {
            RawLink idle(server_.port());
            QVERIFY(closedWithoutReply(idle.socket()));
        }
        {
            // One byte a quarter second: the frame would take five seconds.
            RawLink slow(server_.port());
            const QByteArray bytes = frame(MeierHello);
            bool closed = false;
            for (char byte : bytes) {
                slow.socket().write(&byte, 1);
                slow.socket().waitForBytesWritten(100);
                slow.socket().waitForReadyRead(250);
                closed = slow.socket().state() == QAbstractSocket::UnconnectedState;
                if (closed)
                    break;
            }
            QVERIFY(closed);
        }
        {
            // A peer that sends requests but never takes a reply: the server's writes block.
            RawLink deaf(server_.port());
            QVERIFY(isToken(deaf.request(MeierHello)));
            const QByteArray search = frame(
                request('X', {"VX.Windows", "S P0=$$TXTSU^RUFAP(\"B\") W:$F($ZV,\"MSM\") P0"}));
            const int sent = 4000; // about 24 MB of replies, more than the socket buffers hold
            for (int i = 0; i < sent; ++i)
                deaf.socket().write(search);
            while (deaf.socket().bytesToWrite() > 0 && deaf.socket().waitForBytesWritten(1000)) {
            }
            QThread::sleep(10);
            // A server still waiting would now answer every request.
            int replies = 0;
            while (!deaf.next(3000).isEmpty())
                ++replies;
            QVERIFY2(replies < sent, qPrintable(QString::number(replies)));
        }
        std::vector<std::unique_ptr<RawLink>> held;
        for (int i = 0; i < 3; ++i) {
            held.push_back(std::make_unique<RawLink>(server_.port()));
            QVERIFY(isToken(held.back()->request(MeierHello)));
        }
        RawLink overAddress(server_.port());
        QVERIFY(overAddress.request(MeierHello).startsWith(QByteArray("E10\0", 4)));
        RawLink otherAddress(server_.port(), QHostAddress(u"127.0.0.2"_s));
        QVERIFY(isToken(otherAddress.request(MeierHello)));
        RawLink overAll(server_.port(), QHostAddress(u"127.0.0.2"_s));
        QVERIFY(overAll.request(MeierHello).startsWith(QByteArray("E10\0", 4)));
        held.pop_back();
        QDeadlineTimer slotFree(5000);
        QByteArray again;
        while (!slotFree.hasExpired() && !isToken(again))
            again = RawLink(server_.port()).request(MeierHello);
        QVERIFY(isToken(again));
        // The connection log was rotated at 1 KB (server.log.1 moves on first: look again).
        QTRY_VERIFY(QFile::exists(server_.dataDir() + u"/server.log.1"_s));
        QVERIFY(QFile(server_.dataDir() + u"/server.log"_s).size() < 2048);
        server_.setStartOptions({});
    }

    void cleanupTestCase() {
        meier_.reset();
        server_.stop();
    }
};

QTEST_GUILESS_MAIN(ServerTest)
#include "tst_server.moc"
