// The whole program on a real SIP call: a second SIP telephone rings the main window, which is
// logged in on a real VENTOR server; the customer panel pops and the call lands in the server's
// journal. Runs in a private network namespace that has only loopback.
#include "privatenetwork.h"
#include "sipprogram.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

using sipapp::runUntil;
using sipapp::SipProgram;

namespace {
QString isolation; // why the process is not isolated; empty when it is

// The showcase customer's central number as the peer sends it; the line puts the outside-line
// digit in front and the window takes it off again.
const QString Showcase = u"030123456"_s;

enum Kind { Answered = 3, Missed = 5 };
} // namespace

class TestSipProgram : public QObject {
    Q_OBJECT

    testsupport::TestServer server;
    QTemporaryDir dir;
    std::unique_ptr<SipProgram> p;
    QStringList statuses; // the status text after each call event

    int journalCount(int kind) const {
        return server.journalCount(testsupport::DemoMeier.code, kind);
    }
    QString newestJournal(int kind, int piece) const {
        return server.newestJournalField(testsupport::DemoMeier.code, kind, piece);
    }
    bool statusBecomes(const QString& text) {
        return runUntil([&] { return p->fm->statusText() == text; });
    }
    // The shortcuts act on the active window only, as they would for the user.
    void press(Qt::Key key) {
        p->fm->show();
        p->fm->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(p->fm.get()));
        QTest::keyClick(p->fm.get(), key);
    }
    void ringWithTheShowcaseNumber() {
        QVERIFY(p->peer->ring(sipapp::LineAddress, Showcase));
        QVERIFY(statusBecomes(u"Income call"_s));
    }

private slots:
    void initTestCase() {
        if (!isolation.isEmpty())
            QSKIP(qPrintable(u"no private network namespace: "_s + isolation));
        QVERIFY(dir.isValid());
        QVERIFY2(server.start(300), qPrintable(server.errorText()));
    }

    void init() {
        p = std::make_unique<SipProgram>(server, dir.path());
        const QString error = p->start();
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(p->fm->statusText(), u"Bereit"_s);
        QCOMPARE(p->line->deviceName(p->line->device()), u"SIP direkt, Port 5070"_s);
        statuses.clear();
        for (auto event : {&line::Line::callOffered, &line::Line::connected,
                           &line::Line::disconnected, &line::Line::lineIdle})
            connect(p->line.get(), event, p->fm.get(), [this] { statuses << p->fm->statusText(); });
    }
    void cleanup() { p.reset(); }

    void answeredCallPopsTheCustomerAndLandsInTheJournal() {
        const int before = journalCount(Answered);
        ringWithTheShowcaseNumber();
        QCOMPARE(p->fm->numberText(), Showcase);
        QCOMPARE(p->field("Nr"), testsupport::ShowcaseAccount);
        QCOMPARE(p->field("NAMEN"), testsupport::ShowcaseName);
        QCOMPARE(p->field("Ort"), u"Berlin"_s);
        QCOMPARE(journalCount(Answered), before);

        press(Qt::Key_F5);
        QVERIFY(statusBecomes(u"Verbunden"_s));
        QVERIFY(runUntil([&] { return p->peer->callState() == u"StreamsRunning"; }));
        QCOMPARE(journalCount(Answered), before + 1);
        QCOMPARE(newestJournal(Answered, 2), Showcase);
        QVERIFY(newestJournal(Answered, 1).startsWith(testsupport::ShowcaseName));

        QVERIFY(p->peer->hangUp());
        QVERIFY(statusBecomes(u"Bereit"_s));
        QCOMPARE(statuses, QStringList({"Income call", "Verbunden", "Unterbrochen", "Bereit"}));
        QCOMPARE(journalCount(Answered), before + 1);
        QCOMPARE(p->listBar.groupCaption(Answered), u"Journal eingehend"_s);
        QVERIFY(p->listBar.caption(Answered, 1).startsWith(testsupport::ShowcaseName));
        QCOMPARE(p->listBar.value(Answered, 1), Showcase);
    }

    void unansweredCallIsJournalledAsMissed_data() {
        QTest::addColumn<bool>("rejected");
        QTest::newRow("caller gives up") << false;
        QTest::newRow("turned away with F6") << true;
    }
    void unansweredCallIsJournalledAsMissed() {
        QFETCH(bool, rejected);
        const int missed = journalCount(Missed), answered = journalCount(Answered);
        ringWithTheShowcaseNumber();
        QCOMPARE(p->field("Nr"), testsupport::ShowcaseAccount);
        if (rejected)
            press(Qt::Key_F6);
        else
            QVERIFY(p->peer->hangUp());
        QVERIFY(statusBecomes(u"Bereit"_s));
        QCOMPARE(statuses, QStringList({"Income call", "Unterbrochen", "Bereit"}));
        if (rejected) {
            QVERIFY(runUntil([&] { return !p->peer->inCall(); }));
            QCOMPARE(p->peer->lastReason(), u"Declined"_s);
        }
        QCOMPARE(journalCount(Missed), missed + 1);
        QCOMPARE(journalCount(Answered), answered);
        QCOMPARE(newestJournal(Missed, 2), Showcase);
        QVERIFY(p->listBar.caption(Missed, 1).startsWith(testsupport::ShowcaseName));
        QCOMPARE(p->listBar.value(Missed, 1), Showcase);
    }
};

int main(int argc, char** argv) {
    isolation = line::enterPrivateNetwork(argc, argv);
    QApplication app(argc, argv);
    TestSipProgram test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_sipapp.moc"
