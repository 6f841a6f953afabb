// No acknowledged journal entry is lost when every server process is killed during writes.
#include "testserver.h"
#include "win1252.h"

#include <QtTest>

#include <atomic>
#include <thread>

using namespace Qt::StringLiterals;

using namespace cacheapi;
using namespace context;
using namespace testsupport;

namespace {
constexpr int Writers = 6;

CallResult run(Factory& factory, const QString& command) {
    ServerError error;
    auto object = factory.New(u"VX.Windows"_s, error);
    if (!object)
        return CallResult::failure(error.number, error.description);
    return object->Xecute(command);
}

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

class DurabilityTest : public QObject {
    Q_OBJECT

    TestServer server_;

    QSet<QString> storedTexts() {
        const QString dump = server_.mumpsRun(QStringLiteral(
            "S N=\"\" F  S N=$O(^VXJOUR(1,\"MEIER\",3,N)) Q:N=\"\"  W $P(^(N),\"`\",1),!"));
        const QStringList lines = dump.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        return QSet<QString>(lines.begin(), lines.end());
    }

private slots:
    void initTestCase() { QVERIFY2(server_.start(), qPrintable(server_.errorText())); }

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
            const QSet<QString> stored = storedTexts();
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

    void cleanupTestCase() { server_.stop(); }
};

QTEST_GUILESS_MAIN(DurabilityTest)
#include "test_durability.moc"
