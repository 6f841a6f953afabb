// The program's options, and one program per session: later starts hand links and --dial
// numbers to the first one, never taking its line or control socket over.
#include "programprocess.h"

#include <QTest>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {
bool dialling(const QString& status, const QString& number) {
    return status.startsWith(u"ok dialling"_s) && status.endsWith(u"number="_s + number);
}
bool idle(const QString& status) {
    return status.startsWith(u"ok idle"_s);
}
// The file of a socket: a program that took the socket over would have made a new one.
ino_t inode(const QString& path) {
    struct stat st {};
    return ::stat(path.toLocal8Bit().constData(), &st) == 0 ? st.st_ino : 0;
}
} // namespace

class TestInstance : public QObject {
    Q_OBJECT

    testsupport::TestServer server;

    // The program dials `number` on its line; the call is declined for the next one.
    static void dials(desktoptest::ProgramSession& session, const QString& number) {
        const QString status =
            session.lineStatusUntil([&](const QString& s) { return dialling(s, number); });
        QVERIFY2(dialling(status, number), qPrintable(status));
        QCOMPARE(session.line({u"decline"_s}), u"ok"_s);
    }

private slots:
    void initTestCase() { QVERIFY2(server.start(300), qPrintable(server.errorText())); }

    // --help and wrong options end at once; --line=sim wins over a stored SIP line.
    void commandLineOptions() {
        desktoptest::ProgramSession session(server);
        const QString usage = u"Usage: ventor-telefon [FIRMA FILIALE BENUTZER PASSWORT SERVER PORT "
                              "NAMESPACE] [--line=sim|sip]\n"_s;
        const QList<std::pair<QString, int>> ending{
            {u"--help"_s, 0}, {u"-h"_s, 0}, {u"--line=fax"_s, 2}, {u"--laut"_s, 2}};
        for (const auto& [option, code] : ending) {
            QString output;
            QCOMPARE(session.run({option}, &output), code);
            QVERIFY2(output.startsWith(usage), qPrintable(option + ": " + output));
        }
        QFile stored(session.configDir() + u"/Telefon.ini"_s);
        QVERIFY(stored.open(QIODevice::WriteOnly));
        stored.write("[Line]\nType=sip\nSipMode=peer\nSipServer=127.0.0.1:5999\n");
        stored.close();
        session.start(session.loginWords() << u"--line=sim"_s);
        const QString status = session.lineStatusUntil(idle);
        QVERIFY2(idle(status), qPrintable(status));
    }

    void laterStartsAndLinksReachTheFirstProgram() {
        desktoptest::ProgramSession session(server);
        // Without a running program the number starts it; it dials with the outside-line prefix.
        QProcess* first =
            session.start(session.loginWords() << u"--line=sim"_s << u"--dial"_s << u"030123456"_s);
        dials(session, u"0030123456"_s);
        const QString controlSocket = session.runtimeDir() + u"/ventor-line-sim"_s;
        const ino_t socketMade = inode(controlSocket);
        QVERIFY(socketMade != 0);

        // Later starts end at once and leave the first program's line and socket as they were.
        struct Case {
            QStringList arguments;
            QString dialled; // empty: nothing is dialled
        };
        const QList<Case> cases{
            {{u"tel:030-555-77"_s}, u"003055577"_s},
            {{u"--dial"_s, u"sip:0301234@pbx.example;user=phone"_s}, u"00301234"_s},
            {{u"callto://0309876"_s}, u"00309876"_s},
            {session.loginWords() << u"--line=sim"_s, {}},
            {{u"tel:Meier"_s}, {}},
        };
        for (const Case& c : cases) {
            QCOMPARE(session.run(c.arguments), 0);
            if (c.dialled.isEmpty()) {
                QTest::qWait(1500);
                QVERIFY2(idle(session.line({u"status"_s})), qPrintable(c.arguments.join(' ')));
                continue;
            }
            dials(session, c.dialled);
        }
        QCOMPARE(inode(controlSocket), socketMade);
        QCOMPARE(first->state(), QProcess::Running);

        // A program that died leaves its lock behind; the next start takes it over.
        first->kill();
        first->waitForFinished();
        session.start(session.loginWords() << u"--line=sim"_s << u"tel:0301111"_s);
        dials(session, u"00301111"_s);
    }
};

QTEST_GUILESS_MAIN(TestInstance)
#include "tst_instance.moc"
