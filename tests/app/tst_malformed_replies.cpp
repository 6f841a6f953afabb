// A proxy before a real server spoils the reply to each request of start-up, calls and side
// windows in every way; the program reports it, never crashes and goes on working.
#include "callsession.h"
#include "fmabt.h"
#include "fmaddr.h"
#include "fmop.h"
#include "fmpass.h"
#include "fmstart.h"
#include "listbar.h"
#include "loginwindows.h"
#include "qtsidewindows.h"
#include "sidewindowkit.h"
#include "simulatedline.h"
#include "telephoneparams.h"
#include "testserver.h"

#include <QApplication>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

#include <deque>
#include <memory>

using namespace cacheapi;
using namespace context;
using namespace Qt::StringLiterals;
using testsupport::frame;
using testsupport::takeFrame;
using testsupport::TestServer;

namespace {

const QString Showcase = u"030123456"_s;

// The ways a reply breaks; only Garbage and Unsolicited still deliver a value.
enum class Fault {
    ServerError,   // a well-formed error with a number the program does not know
    UnknownKind,   // neither a value nor an error
    EmptyFrame,    // a frame without any byte
    ErrorNoNumber, // an error without number and field break
    HugeLength,    // a length no reply can have
    Truncated,     // half the reply, then the connection closes
    Dropped,       // the connection closes instead of the reply
    Silent,        // no reply at all; the connection stays open
    Garbage,       // a value of separators, backquotes, NUL and unassigned code points
    Oversized,     // a value of 40000 separators, longer than any reply of the server
    Unsolicited,   // the reply, then a frame nobody asked for
};
const char* const FaultNames[] = {"ServerError", "UnknownKind", "EmptyFrame", "ErrorNoNumber",
                                  "HugeLength",  "Truncated",   "Dropped",    "Silent",
                                  "Garbage",     "Oversized",   "Unsolicited"};

// A short name for a request: its kind and class, member or command up to its arguments.
QString labelOf(const QByteArray& payload) {
    const QList<QByteArray> fields = payload.mid(1).split('\0');
    const QString kind = QString::fromLatin1(payload.left(1));
    if (kind == u"X")
        return "X " +
               QString::fromLatin1(fields.value(1)).section(QRegularExpression("[(,]"), 0, 0);
    if (kind == u"O")
        return "O " + QString::fromLatin1(fields.value(0));
    if (kind == u"P")
        return "P " + QString::fromLatin1(fields.value(0) + ' ' + fields.value(2));
    return kind == u"C" ? "C " + QString::fromLatin1(fields.value(2)) : kind;
}

// Spoils the reply to the next request with the armed label. Runs on the program's thread, served
// while the program waits, as the server would be.
class MalformingProxy : public QObject {
public:
    explicit MalformingProxy(quint16 upstream) : upstream_(upstream) {
        connect(&listener_, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* client = listener_.nextPendingConnection())
                pair(client);
        });
        listener_.listen(QHostAddress::LocalHost);
    }
    quint16 port() const { return listener_.serverPort(); }

    void arm(const QString& label, Fault fault) {
        armedLabel_ = label;
        fault_ = fault;
        hit = false;
    }
    void disarm() { armedLabel_.clear(); }

    QStringList labels; // every request seen, in order
    bool hit = false;
    // Runs while the program waits for the spoiled reply.
    std::function<void()> onHit;

private:
    struct Pair {
        QPointer<QTcpSocket> client, server;
        QByteArray fromClient, fromServer;
        std::deque<bool> spoil; // one per request on its way, in order
        bool silent = false;
    };

    void pair(QTcpSocket* client) {
        auto p = std::make_shared<Pair>();
        p->client = client;
        p->server = new QTcpSocket(client);
        connect(client, &QTcpSocket::readyRead, this, [this, p] { fromClient(*p); });
        connect(p->server, &QTcpSocket::readyRead, this, [this, p] { fromServer(*p); });
        connect(client, &QTcpSocket::disconnected, client, &QObject::deleteLater);
        connect(p->server, &QTcpSocket::disconnected, this, [p] {
            if (p->client)
                p->client->disconnectFromHost();
        });
        p->server->connectToHost(QHostAddress::LocalHost, upstream_);
    }

    void fromClient(Pair& p) {
        p.fromClient += p.client->readAll();
        for (QByteArray request; !(request = takeFrame(p.fromClient)).isEmpty();) {
            const QString label = labelOf(request.mid(4));
            labels << label;
            const bool spoil = !armedLabel_.isEmpty() && label == armedLabel_;
            p.spoil.push_back(spoil);
            p.server->write(request);
            if (spoil) {
                armedLabel_.clear();
                hit = true;
                // Later, from the program's wait: this socket may be gone by its end.
                if (fault_ == Fault::Silent && onHit)
                    QTimer::singleShot(0, this, onHit);
            }
        }
    }

    void fromServer(Pair& p) {
        p.fromServer += p.server->readAll();
        for (QByteArray reply; p.client && !(reply = takeFrame(p.fromServer)).isEmpty();) {
            const bool spoil = !p.spoil.empty() && p.spoil.front();
            if (!p.spoil.empty())
                p.spoil.pop_front();
            if (p.silent)
                continue;
            if (spoil)
                spoilReply(p, reply);
            else
                p.client->write(reply);
        }
    }

    void spoilReply(Pair& p, const QByteArray& reply) {
        QByteArray garbage("R");
        for (int i = 0; i < 3000; ++i)
            garbage.append("\xff`\x00\x81\x8d\x9d\xfe"[i % 7]);
        // What the program receives instead of the reply, in the order of the faults.
        const QByteArray instead[] = {frame(QByteArray("E99\0Fehler im Test", 18)),
                                      frame("Z" + reply.mid(5)),
                                      frame({}),
                                      frame("E\xfe\xff kaputt"),
                                      QByteArray(4, '\xff') + "R",
                                      reply.left(4 + (reply.size() - 4) / 2),
                                      {},
                                      {},
                                      frame(garbage),
                                      frame("R" + QByteArray(40000, '\xff')),
                                      reply + frame("Rnachgereicht")};
        p.client->write(instead[int(fault_)]);
        if (fault_ == Fault::Truncated)
            p.client->disconnectFromHost();
        else if (fault_ == Fault::Dropped)
            p.client->abort();
        p.silent = fault_ == Fault::Silent;
    }

    QTcpServer listener_;
    quint16 upstream_;
    QString armedLabel_;
    Fault fault_ = Fault::ServerError;
};

// The program as main() assembles it, with real windows offscreen, on the proxy.
struct Program : testsupport::LiveLink {
    testsupport::ScriptedModal modal;
    windows::LoginWindowsAdapter loginWindows{link, modal};
    line::SimulatedLine line;
    telefon::ListBarModel listBar;
    telefon::TelephoneParameters params;
    telefon::CallSession session{link, line, listBar, params, quickClock};
    std::unique_ptr<app::FMStart> fm;
    std::unique_ptr<windows::Services> services;
    std::unique_ptr<app::QtSideWindows> side;
    bool striking = false;

    Program(const TestServer& server, quint16 proxyPort) : LiveLink(server, Waits::Quick) {
        port = proxyPort;
        line.setIncomingPrefix(testsupport::DemoDialPrefix);
        const QString commandLine = LiveLink::commandLine();
        loginWindows.loginWindow().setProgramCommandLine(commandLine);
        const context::Context context = liveContext();
        services = std::make_unique<windows::Services>(
            windows::Services{context, link, modal, listBar, params, nullptr});
        side = std::make_unique<app::QtSideWindows>(*services, loginWindows);
        fm = std::make_unique<app::FMStart>(
            app::FMStartParts{context, link, listBar, session, *side, commandLine});
        services->main = fm.get();
        loginWindows.setMainWindow(fm.get());
        modal.onModal = [](QWidget* window) { answerModal(window); };
        dialogs.onMessage = [this](const fake::ShownMessage&) { strike(); };
    }
    ~Program() {
        side.reset(); // its windows are children of the main window
        fm.reset();
    }

    // The user closes a modal side window at once (the speed-dial editor saves first).
    static void answerModal(QWidget* window) {
        if (auto* board = qobject_cast<windows::FMAbt*>(window))
            board->BUend()->click();
        else if (auto* items = qobject_cast<windows::FMOP*>(window))
            items->ctPush1->click();
        else if (auto* editor = qobject_cast<windows::FMAddr*>(window))
            editor->BUSpeich->click();
        else
            window->hide();
    }

    // While a box is open or the program waits: the idle timer and the next line event strike.
    void strike() {
        if (striking)
            return;
        striking = true;
        idle.fire();
        if (line.state() == line::SimulatedLine::State::Idle)
            line.ring(u"0309999"_s);
        else
            line.remoteHangUp();
        striking = false;
    }

    // Back to a quiet line with no window open.
    void settle() {
        for (int i = 0; i < 3 && line.state() != line::SimulatedLine::State::Idle; ++i) {
            if (!line.remoteHangUp())
                line.drop();
        }
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w != fm.get())
                w->hide();
    }

    QString field(const char* name) const {
        return fm->findChild<QLineEdit*>(QString::fromLatin1(name))->text();
    }
    int errorBoxes() const {
        int n = 0;
        for (const fake::ShownMessage& m : dialogs.shown)
            n += m.title == u"Caché Zugriffsfehler" && m.text.startsWith(u"Vorgang: ");
        return n;
    }
};

struct Step {
    const char* name;
    std::function<void(Program&)> run;
};

// What the user and the telephone do, a part at a time.
const std::vector<Step> Steps{
    {"incoming call",
     [](Program& p) {
         p.line.ring(Showcase);
         p.line.answer();
         p.line.remoteHangUp();
     }},
    {"missed call",
     [](Program& p) {
         p.line.ring(Showcase);
         p.line.remoteHangUp();
     }},
    {"outgoing call",
     [](Program& p) {
         // A call to the same party as the last one is not journalled again.
         static int called = 1000;
         p.fm->setNumberText(u"030"_s + QString::number(++called));
         p.fm->findChild<QPushButton*>(u"BUWaehl"_s)->click();
         p.line.remoteAnswer();
         p.line.drop();
     }},
    {"list bar", [](Program& p) { p.fm->lookupCaller(p.listBar.value(1, 1)); }},
    {"search window", [](Program& p) { p.side->showSearchWithWord(u"Müller"_s); }},
    {"open items",
     [](Program& p) {
         p.fm->lookupCaller(Showcase);
         p.side->showOpenItemsModal();
     }},
    {"speed dial",
     [](Program& p) {
         p.side->showSpeedDialEditor(u"Fuzz"_s, u"0309"_s, u"9"_s);
         p.side->showSpeedDialEditor(u"Fuzz_9"_s, u"0309"_s, u"9"_s);
         auto* editor = p.fm->findChild<windows::FMAddr*>();
         if (editor)
             editor->BULOE->click();
     }},
    {"department board", [](Program& p) { p.side->showDepartmentBoard(p.listBar.value(2, 1)); }},
};

} // namespace

class MalformedRepliesTest : public QObject {
    Q_OBJECT
    TestServer server;
    std::unique_ptr<MalformingProxy> proxy;

private slots:
    void initTestCase() {
        QVERIFY2(server.start(300), qPrintable(server.errorText()));
        proxy = std::make_unique<MalformingProxy>(server.port());
        QVERIFY(proxy->port() != 0);
    }

    void everyRequestOfStartUpAndLogin() {
        proxy->labels.clear();
        Program(server, proxy->port()).fm->startUp();
        QStringList startUp = proxy->labels;
        startUp.removeDuplicates();
        QVERIFY2(startUp.size() >= 8, qPrintable(startUp.join(", ")));
        for (const QString& label : startUp) {
            for (int fault = 0; fault < int(std::size(FaultNames)); ++fault) {
                const QString where = label + u" / "_s + FaultNames[fault];
                Program p(server, proxy->port());
                spoil(p, label, Fault(fault), where, [&p] { p.fm->startUp(); });
                QVERIFY2(proxy->hit, qPrintable(where));
                QVERIFY2(p.fm->windowTitle().endsWith(p.state.PersonName) &&
                             !p.state.PersonName.isEmpty(),
                         qPrintable(where + ": " + p.fm->windowTitle()));
                goesOn(p, where);
                if (QTest::currentTestFailed())
                    return;
            }
        }
    }

    void everyRequestOfCallsAndSideWindows() {
        Program p(server, proxy->port());
        p.fm->startUp();
        for (const Step& step : Steps) {
            proxy->labels.clear();
            step.run(p);
            p.settle();
            QStringList labels = proxy->labels;
            labels.removeDuplicates();
            QVERIFY2(!labels.isEmpty(), step.name);
            for (const QString& label : labels) {
                for (int fault = 0; fault < int(std::size(FaultNames)); ++fault) {
                    const QString where = u"%1: %2 / %3"_s.arg(step.name, label, FaultNames[fault]);
                    const int boxesBefore = p.errorBoxes();
                    spoil(p, label, Fault(fault), where, [&] { step.run(p); });
                    if (QTest::currentTestFailed())
                        return;
                    if (!proxy->hit)
                        continue; // the request is made only in some states of the step
                    const bool failed =
                        Fault(fault) != Fault::Garbage && Fault(fault) != Fault::Unsolicited;
                    if (failed && !label.startsWith(u"X S FIRMA") && label != u"X D ^%XTT")
                        QVERIFY2(p.errorBoxes() > boxesBefore, qPrintable(where));
                    goesOn(p, where);
                    if (QTest::currentTestFailed())
                        return;
                }
            }
        }
    }

private:
    // Runs `run` with the next reply to `label` spoiled.
    void spoil(Program& p, const QString& label, Fault fault, const QString& where,
               const std::function<void()>& run) {
        proxy->onHit = [&p] { p.strike(); };
        proxy->arm(label, fault);
        try {
            run();
        } catch (const fake::ProgramEnded&) {
            QFAIL(qPrintable(where + ": the program ended"));
        }
        proxy->disarm();
    }

    // The program goes on: a caller is still recognised and the line still rings through.
    void goesOn(Program& p, const QString& where) {
        if (QTest::currentTestFailed())
            return;
        try {
            p.settle();
            QVERIFY2(p.fm->lookupCaller(Showcase), qPrintable(where));
            QCOMPARE(p.field("Nr"), testsupport::ShowcaseAccount);
            p.settle();
            QVERIFY2(p.line.ring(Showcase),
                     qPrintable(where + u": line %1 open %2"_s
                                            .arg(line::SimulatedLine::stateName(p.line.state()))
                                            .arg(p.line.isOpen())));
            QCOMPARE(p.fm->statusText(), u"Income call"_s);
            p.line.remoteHangUp();
            QCOMPARE(p.line.state(), line::SimulatedLine::State::Idle);
        } catch (const fake::ProgramEnded&) {
            QFAIL(qPrintable(where + ": the program ended afterwards"));
        }
    }
};

QTEST_MAIN(MalformedRepliesTest)
#include "tst_malformed_replies.moc"
