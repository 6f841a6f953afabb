// The server's gateway and object model, spoken to through the TCP connection.
#include "testserver.h"
#include "win1252.h"

#include <QTcpSocket>
#include <QtTest>

using namespace cacheapi;
using namespace testsupport;

namespace {
const QChar RS = RecordSeparator;

QStringList records(const QString& reply) {
    QStringList list = reply.split(RS);
    if (!list.isEmpty() && list.last().isEmpty())
        list.removeLast();
    return list;
}
} // namespace

class GatewayTest : public QObject {
    Q_OBJECT

    TestServer server_;
    std::unique_ptr<Factory> meier_;

    CallResult run(Factory& factory, const QString& command) {
        ServerError error;
        auto object = factory.New(QStringLiteral("VX.Windows"), error);
        if (!object)
            return CallResult::failure(error.number, error.description);
        CallResult result = object->Xecute(command);
        object->SYS_Close();
        return result;
    }
    QString reply(const QString& command) {
        const CallResult r = run(*meier_, command);
        if (!r.ok)
            qWarning() << command << r.error.number << r.error.description;
        return r.ok ? r.value : QStringLiteral("<error>");
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
        QCOMPARE(found.at(2), ShowcaseName);
        QCOMPARE(found.at(8), QStringLiteral("030 / 123 45-6"));
        QCOMPARE(found.at(14), QStringLiteral("12.840,50"));
        const QStringList missing =
            reply(QStringLiteral("D TELSU^RUFAP(\"0999999999\")")).split(FieldSeparator);
        QCOMPARE(missing.size(), 17);
        QVERIFY(missing.at(0).isEmpty());
        QVERIFY(reply(QStringLiteral("D TELSU^RUFAP(\"\")")).split(FieldSeparator).at(0).isEmpty());
    }

    void departmentsAndStaffAreLists() {
        const QStringList departments = records(reply(QStringLiteral("D INT^RUFAP")));
        QVERIFY(departments.size() >= 5);
        QCOMPARE(departments.first().split(FieldSeparator).size(), 2);
        const QString code = departments.first().split(FieldSeparator).at(1);
        const QStringList staff = records(reply(QStringLiteral("D MIT^RUFAP(\"%1\")").arg(code)));
        QVERIFY(!staff.isEmpty());
        for (const QString& member : staff)
            QCOMPARE(member.split(FieldSeparator).size(), 3);
    }

    void cleanupTestCase() {
        meier_.reset();
        server_.stop();
    }
};

QTEST_GUILESS_MAIN(GatewayTest)
#include "test_gateway.moc"
