// No acknowledged journal entry is lost when every server process is killed during writes, nor
// when the disk runs full first.
#include "testserver.h"
#include "win1252.h"

#include <QProcess>
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

    static QSet<QString> storedTexts(const TestServer& server) {
        const QString dump = server.mumpsRun(QStringLiteral(
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

    void cleanupTestCase() { server_.stop(); }
};

QTEST_GUILESS_MAIN(DurabilityTest)
#include "tst_durability.moc"
