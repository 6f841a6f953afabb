// The VENTOR server under the load of many telephone clients: every client is a connection of
// its own that logs in as its own user and then does what the program does all day: caller
// lookups of known and unknown numbers (one to four TELSU requests in the program's order),
// journal writes and reads, speed-dial reads and writes, searches, open items and the
// department board. Prints throughput, p50/p99/max per entry and the server's memory (PSS).
//   bench_load [--clients N] [--seconds S] [--customers C] [--dir PATH] [--shared-user]
//              [--mix program|lookups|writes] [--rate R]
// Without --rate every client starts its next action as soon as the last one is answered: the
// server's capacity, with every connection process runnable at once. With --rate the clients
// together offer about R requests a second, each starting its actions at random moments
// (independent of the answers, as users do): a request's time then counts from the moment its
// action was due, so a server that falls behind shows in the figures. The mixes "lookups"
// (caller lookups only) and "writes" (journal and speed-dial writes only) show what lookups
// cost without writers beside them and how writers share the disk's syncs.
// The measuring loop runs at real-time priority when it may, so that the figures hold the
// server's time and not the client's own wait for a core; its CPU use is printed.
#include "../common/figures.h"
#include "helpers.h"
#include "testserver.h"
#include "win1252.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sched.h>
#include <sys/epoll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <deque>
#include <map>
#include <memory>
#include <queue>
#include <thread>
#include <vector>

using namespace testsupport;

namespace {

qint64 nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

QByteArray command(const QString& text) {
    return bench::frame(QByteArrayLiteral("XVX.Windows") + '\0' + cacheapi::toWindows1252(text));
}

QString quoted(const QString& text) {
    return QLatin1Char('"') + text + QLatin1Char('"');
}

QString function(const QString& entry, const QString& argument) {
    return QStringLiteral("S P0=$$%1^RUFAP(%2) W:$F($ZV,\"MSM\") P0").arg(entry, argument);
}

// What the requests are made of: data sampled from the server before the run.
struct Material {
    QStringList knownNumbers; // stored numbers, national form
    QStringList searchTexts;  // words of names and towns, as typed into the search window
    QStringList accounts;     // customer numbers without the K, for open items
    QStringList departments;  // department codes
    QStringList staff;        // staff ids
    QString serverDate;       // today as the board sends it
};

// The kinds of work a client does, with how often the program does them.
enum Action {
    LookupKnown,
    LookupUnknown,
    JournalAdd,
    JournalGet,
    SpeedDialGet,
    SpeedDialSet,
    Search,
    OpenItems,
    Department,
    DayPlan,
    ActionCount
};
using Mix = std::array<int, ActionCount>; // percentages
const std::map<QString, Mix> Mixes{
    {QStringLiteral("program"), {25, 10, 15, 6, 5, 4, 10, 8, 4, 13}},
    {QStringLiteral("lookups"), {70, 30, 0, 0, 0, 0, 0, 0, 0, 0}},
    {QStringLiteral("writes"), {0, 0, 80, 0, 0, 20, 0, 0, 0, 0}},
};

// One figure line per request entry, plus the two kinds of whole lookups.
struct Samples {
    std::vector<double> ms;
    qint64 errors = 0;
};

class Client {
public:
    Client(int index, const QString& user, const Material& material, const Mix& mix)
        : index_(index), user_(user), material_(material), mix_(mix),
          random_(quint32(index * 7919 + 1)) {}
    ~Client() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    int fd() const { return fd_; }
    bool broken() const { return broken_; }

    bool connectTo(quint16 port) {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
            return false;
        int one = 1;
        ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        const QByteArray hello = bench::frame(QByteArrayLiteral("H1") + '\0' +
                                              cacheapi::toWindows1252(user_) + '\0' + "telefon");
        if (::write(fd_, hello.constData(), size_t(hello.size())) != hello.size())
            return false;
        // The hello's reply, read blocking: the loop starts only with logged-in clients.
        QByteArray reply;
        while (!takeFrame(reply)) {
            char chunk[4096];
            const ssize_t n = ::read(fd_, chunk, sizeof chunk);
            if (n <= 0)
                return false;
            buffer_.append(chunk, n);
        }
        return reply.startsWith('R'); // with the login's session token
    }

    // Starts the next action, due at dueNs (now or earlier): its first request goes out.
    void next(qint64 dueNs) {
        int pick = int(random_.bounded(100));
        int action = 0;
        while (pick >= mix_[size_t(action)])
            pick -= mix_[size_t(action++)];
        pending_.clear();
        action_ = Action(action);
        actionDue_ = dueNs;
        firstRequest_ = true;
        requests_ = 0;
        switch (action_) {
        case LookupKnown:
            lookup(material_.knownNumbers.at(int(random_.bounded(material_.knownNumbers.size()))));
            break;
        case LookupUnknown:
            lookup(QStringLiteral("0309%1").arg(random_.bounded(1000000, 9999999)));
            break;
        case JournalAdd: {
            const QString number =
                material_.knownNumbers.at(index_ % material_.knownNumbers.size());
            const int kind = 3 + int(random_.bounded(3));
            const QString text = QStringLiteral("Lastkunde %1                %2")
                                     .arg(index_)
                                     .arg(QDateTime::currentDateTime().toString("dd.MM.yy HH:mm"));
            send(QStringLiteral("JOURADD"), QStringLiteral("D JOURADD^RUFAP(%1,%2,%3)")
                                                .arg(kind)
                                                .arg(quoted(text), quoted(number)));
            break;
        }
        case JournalGet:
            send(QStringLiteral("JOURGET"),
                 QStringLiteral("D JOURGET^RUFAP(%1)").arg(3 + random_.bounded(3)));
            break;
        case SpeedDialGet:
            send(QStringLiteral("ZWAHL"), QStringLiteral("D ZWAHL^RUFAP"));
            break;
        case SpeedDialSet:
            send(QStringLiteral("ZWSET"), QStringLiteral("D ZWSET^RUFAP(%1)")
                                              .arg(quoted(QStringLiteral("03099%1`Kurzwahl %2`%2")
                                                              .arg(random_.bounded(20))
                                                              .arg(random_.bounded(1, 30)))));
            break;
        case Search:
            send(QStringLiteral("TXTSU"),
                 function(QStringLiteral("TXTSU"),
                          quoted(material_.searchTexts.at(
                              int(random_.bounded(material_.searchTexts.size()))))));
            break;
        case OpenItems:
            send(QStringLiteral("OPSU"),
                 function(QStringLiteral("OPSU"),
                          material_.accounts.at(int(random_.bounded(material_.accounts.size())))));
            break;
        case Department:
            send(QStringLiteral("MIT"), QStringLiteral("D MIT^RUFAP(%1)")
                                            .arg(quoted(material_.departments.at(int(
                                                random_.bounded(material_.departments.size()))))));
            break;
        case DayPlan:
            send(QStringLiteral("DPL"),
                 QStringLiteral("D DPL^RUFAP(%1,%2)")
                     .arg(quoted(material_.staff.at(int(random_.bounded(material_.staff.size())))),
                          material_.serverDate));
            break;
        default:
            break;
        }
    }

    // Reads what arrived; true when the current action is complete.
    bool receive(std::map<QString, Samples>& samples) {
        char chunk[65536];
        for (;;) {
            const ssize_t n = ::read(fd_, chunk, sizeof chunk);
            if (n > 0) {
                buffer_.append(chunk, n);
                if (n < ssize_t(sizeof chunk))
                    break;
                continue;
            }
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
                break;
            broken_ = true;
            ++samples[entry_].errors;
            return false;
        }
        QByteArray reply;
        if (!takeFrame(reply))
            return false;
        const qint64 now = nowNs();
        const double ms = double(now - requestStart_) / 1e6;
        Samples& s = samples[entry_];
        s.ms.push_back(ms);
        samples[QStringLiteral("all requests")].ms.push_back(ms);
        if (!reply.startsWith('R')) {
            ++s.errors;
            ++samples[QStringLiteral("all requests")].errors;
            if (errorText_.isEmpty())
                errorText_ = QString::fromLatin1(reply.left(120));
        }
        if (!pending_.isEmpty() && reply.startsWith('R') &&
            reply.mid(1).split('`').value(0).isEmpty()) {
            send(QStringLiteral("TELSU"), lookupCommand(pending_.takeFirst()));
            return false;
        }
        if (action_ == LookupKnown || action_ == LookupUnknown) {
            const bool found = !reply.mid(1).split('`').value(0).isEmpty();
            const QString kind = action_ == LookupKnown ? QStringLiteral("lookup, known number")
                                                        : QStringLiteral("lookup, unknown number");
            samples[kind].ms.push_back(double(now - actionDue_) / 1e6);
            // A random number may hit a central number by its extension; only a stored
            // number that is not found is wrong.
            if (action_ == LookupKnown && !found)
                ++samples[kind].errors;
        }
        return true;
    }
    QString errorText() const { return errorText_; }
    qint64 actionDue() const { return actionDue_; }
    int requestsOfAction() const { return requests_; }

private:
    static QString lookupCommand(const QString& candidate) {
        return QStringLiteral("D TELSU^RUFAP(%1)").arg(quoted(candidate));
    }
    // The candidates in the program's order; the first request is always sent.
    void lookup(const QString& number) {
        const QString ownArea = QStringLiteral("030");
        const QString local = number.startsWith(ownArea) ? number.mid(ownArea.size()) : QString();
        pending_ = QStringList{ownArea + number, number.mid(1), number};
        send(QStringLiteral("TELSU"), lookupCommand(local));
    }
    void send(const QString& entry, const QString& text) {
        entry_ = entry;
        const QByteArray bytes = command(text);
        // The action's first request counts from when the action was due.
        requestStart_ = firstRequest_ ? actionDue_ : nowNs();
        firstRequest_ = false;
        ++requests_;
        if (::write(fd_, bytes.constData(), size_t(bytes.size())) != bytes.size())
            broken_ = true;
    }
    bool takeFrame(QByteArray& payload) {
        if (buffer_.size() < 4)
            return false;
        const auto b = [&](int i) { return quint32(static_cast<unsigned char>(buffer_[i])); };
        const qsizetype length = qsizetype(b(0) << 24 | b(1) << 16 | b(2) << 8 | b(3));
        if (buffer_.size() < 4 + length)
            return false;
        payload = buffer_.mid(4, length);
        buffer_.remove(0, 4 + length);
        return true;
    }

    int index_;
    QString user_;
    const Material& material_;
    const Mix& mix_;
    QRandomGenerator random_;
    int fd_ = -1;
    bool broken_ = false;
    QByteArray buffer_;
    Action action_ = LookupKnown;
    QString entry_;
    QStringList pending_;
    qint64 requestStart_ = 0, actionDue_ = 0;
    bool firstRequest_ = true;
    int requests_ = 0;
    QString errorText_;
};

// When the actions of paced clients fall due: exponential gaps (users independent of each
// other) whose mean makes all clients together offer the rate in requests a second.
class Pacer {
public:
    Pacer(double rate, int clients) : rate_(rate), clients_(clients) {}
    bool paced() const { return rate_ > 0; }
    void count(int requests) {
        requests_ += requests;
        ++actions_;
    }
    qint64 interval() {
        const double perAction = actions_ > 0 ? double(requests_) / double(actions_) : 1.5;
        const double meanNs = 1e9 * clients_ * perAction / rate_;
        return qint64(-std::log(1.0 - random_.generateDouble()) * meanNs);
    }

private:
    double rate_;
    int clients_;
    qint64 requests_ = 0, actions_ = 0;
    QRandomGenerator random_{20261206};
};

// The measuring thread takes a core as soon as a reply arrives, as a client on a machine of its
// own would; without the right to do so it runs as it is.
bool raisePriority() {
    const sched_param param{1};
    return sched_setscheduler(0, SCHED_FIFO, &param) == 0;
}

void lowerPriority() {
    const sched_param param{0};
    sched_setscheduler(0, SCHED_OTHER, &param);
}

// Proportional set size of every process that has the database open, in MB.
double serverMemoryMb(const QString& dataDir) {
    const QString database = QDir(dataDir).absoluteFilePath(QStringLiteral("ventor.dat"));
    double kb = 0;
    for (const QString& pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        if (pid.toInt() <= 0)
            continue;
        const QString fds = QStringLiteral("/proc/%1/fd").arg(pid);
        bool holds = false;
        for (const QFileInfo& fd : QDir(fds).entryInfoList(QDir::Files | QDir::System))
            holds = holds || fd.symLinkTarget() == database;
        if (!holds)
            continue;
        QFile rollup(QStringLiteral("/proc/%1/smaps_rollup").arg(pid));
        if (!rollup.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray& line : rollup.readAll().split('\n'))
            if (line.startsWith("Pss:"))
                kb += line.mid(4).trimmed().split(' ').value(0).toDouble();
    }
    return kb / 1024.0;
}

QStringList lines(const TestServer& server, const QString& commands) {
    return server.mumpsRun(commands).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

Material sample(const TestServer& server) {
    Material m;
    m.knownNumbers =
        lines(server, QStringLiteral("S N=^VXPAR(\"KUNDEN\") F I=1:1:2000 S A=\"K\"_(100000+$R(N)),"
                                     "X=$$NORM^VXUTIL($$FIRST^VXTEL(A,\"T\")) W:$L(X)>5 X,!"));
    // Searches as people type them: a name word, a shortened one, or a name word and the town.
    m.searchTexts = lines(
        server,
        QStringLiteral(
            "S N=^VXPAR(\"KUNDEN\") F I=1:1:500 S A=\"K\"_(100000+$R(N)),D=^VXADR(A),"
            "W=$$FOLD^VXUTIL($TR($P($P($P(D,\"`\",2),\",\"),\" \"),\"&.-\")) "
            "I $L(W)>3 W $S(I#3=0:$E(W,1,4),I#3=1:W,1:W_\" \"_$$FOLD^VXUTIL($P(D,\"`\",7))),!"));
    m.accounts =
        lines(server, QStringLiteral("S N=^VXPAR(\"KUNDEN\") F I=1:1:500 W 100000+$R(N),!"));
    m.departments =
        lines(server, QStringLiteral("S A=\"\" F  S A=$O(^VXABT(1,A)) Q:A=\"\"  W A,!"));
    m.staff = lines(server, QStringLiteral("S P=\"\" F  S P=$O(^VXPB(1,P)) Q:P=\"\"  W P,!"));
    m.serverDate = cacheapi::ToServerDate(QDate::currentDate());
    return m;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCommandLineParser options;
    options.setApplicationDescription(QStringLiteral("The VENTOR server under many clients"));
    options.addHelpOption();
    options.addOption({QStringLiteral("clients"), QStringLiteral("connections"),
                       QStringLiteral("n"), QStringLiteral("50")});
    options.addOption({QStringLiteral("seconds"), QStringLiteral("measured time"),
                       QStringLiteral("n"), QStringLiteral("10")});
    options.addOption({QStringLiteral("customers"), QStringLiteral("customers to generate"),
                       QStringLiteral("n"), QStringLiteral("100000")});
    options.addOption({QStringLiteral("dir"),
                       QStringLiteral("lasting database directory (made when missing)"),
                       QStringLiteral("path")});
    options.addOption({QStringLiteral("mix"), QStringLiteral("program, lookups or writes"),
                       QStringLiteral("name"), QStringLiteral("program")});
    options.addOption({QStringLiteral("rate"),
                       QStringLiteral("requests a second the clients offer together (paced)"),
                       QStringLiteral("n"), QStringLiteral("0")});
    options.addOption({QStringLiteral("shared-user"),
                       QStringLiteral("every client logs in as MEIER (one journal for all)")});
    options.process(app);
    const int clients = std::max(1, options.value(QStringLiteral("clients")).toInt());
    const int seconds = std::max(1, options.value(QStringLiteral("seconds")).toInt());
    const int customers = options.value(QStringLiteral("customers")).toInt();

    TestServer server;
    QElapsedTimer preparing;
    // Room for every client of the run on the one loopback address (a server named by
    // VENTOR_SERVER_SCRIPT may be an older version without caps).
    if (!qEnvironmentVariableIsSet("VENTOR_SERVER_SCRIPT"))
        server.setStartOptions({QStringLiteral("--max-per-address"), QString::number(clients + 10),
                                QStringLiteral("--max-connections"),
                                QString::number(clients + 50)});
    preparing.start();
    const bool up = options.isSet(QStringLiteral("dir"))
                        ? server.startIn(options.value(QStringLiteral("dir")), customers)
                        : server.start(customers);
    if (!up) {
        std::fprintf(stderr, "server did not start: %s\n", qPrintable(server.errorText()));
        return 1;
    }
    const bool shared = options.isSet(QStringLiteral("shared-user"));
    const auto mix = Mixes.find(options.value(QStringLiteral("mix")));
    if (mix == Mixes.end()) {
        std::fprintf(stderr, "unknown mix\n");
        return 2;
    }
    // Users of their own with MEIER's record and password.
    if (!shared)
        server.mumpsRun(
            QStringLiteral("F I=1:1:%1 S ^VXPERS(1,\"LAST\"_I)=^VXPERS(1,\"MEIER\")").arg(clients));
    const Material material = sample(server);
    if (material.knownNumbers.isEmpty() || material.searchTexts.isEmpty() ||
        material.staff.isEmpty() || material.departments.isEmpty()) {
        std::fprintf(stderr, "sampling the data failed\n");
        return 1;
    }
    std::printf("server with %s customers ready in %.1f s; %d clients%s, %s mix, for %d s\n",
                qPrintable(server.mumpsQuery(QStringLiteral("^VXPAR(\"KUNDEN\")"))),
                preparing.elapsed() / 1000.0, clients, shared ? " (all as MEIER)" : "",
                qPrintable(mix->first), seconds);

    std::vector<std::unique_ptr<Client>> all;
    QElapsedTimer connecting;
    connecting.start();
    for (int i = 0; i < clients; ++i) {
        auto c = std::make_unique<Client>(
            i, shared ? DemoMeier.code : QStringLiteral("LAST%1").arg(i + 1), material,
            mix->second);
        if (!c->connectTo(server.port())) {
            std::fprintf(stderr, "client %d could not log in\n", i + 1);
            return 1;
        }
        all.push_back(std::move(c));
    }
    const double memoryBefore = serverMemoryMb(server.dataDir());
    std::printf("%d clients logged in in %.2f s; server memory (PSS) %.0f MB\n", clients,
                connecting.elapsed() / 1000.0, memoryBefore);

    const int poller = epoll_create1(0);
    for (auto& c : all) {
        epoll_event event{};
        event.events = EPOLLIN;
        event.data.ptr = c.get();
        epoll_ctl(poller, EPOLL_CTL_ADD, c->fd(), &event);
    }
    std::map<QString, Samples> warmUp, measured;
    const double rate = std::max(0.0, options.value(QStringLiteral("rate")).toDouble());
    Pacer pacer(rate, clients);
    // The server's memory is looked at ten times in the measured time, beside the loop.
    std::vector<double> memoryLooks;
    std::atomic<bool> running{true};
    std::thread looker([&, begin = std::chrono::steady_clock::now()] {
        for (int look = 1; look < 10; ++look) {
            const auto at = begin + std::chrono::milliseconds(1000 + seconds * 100 * look);
            while (running && std::chrono::steady_clock::now() < at)
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            if (!running)
                return;
            memoryLooks.push_back(serverMemoryMb(server.dataDir()));
        }
    });
    const bool realTime = raisePriority();
    rusage usageBefore{};
    // One second of warm-up, then the measured time.
    const qint64 startNs = nowNs();
    const qint64 warmUpEnd = startNs + 1'000'000'000;
    const qint64 endNs = warmUpEnd + qint64(seconds) * 1'000'000'000;
    using Due = std::pair<qint64, Client*>;
    std::priority_queue<Due, std::vector<Due>, std::greater<>> due;
    for (auto& c : all)
        if (pacer.paced())
            due.push({startNs + pacer.interval(), c.get()});
        else
            c->next(startNs);
    bool measuring = false;
    std::vector<epoll_event> events(static_cast<size_t>(clients));
    for (qint64 now = nowNs(); now < endNs; now = nowNs()) {
        if (!measuring && now >= warmUpEnd) {
            measuring = true;
            getrusage(RUSAGE_THREAD, &usageBefore);
        }
        while (!due.empty() && due.top().first <= now) {
            const auto [at, c] = due.top();
            due.pop();
            c->next(at);
        }
        const qint64 wait = due.empty() ? 100'000'000 : std::max<qint64>(0, due.top().first - now);
        const timespec timeout{time_t(wait / 1'000'000'000), long(wait % 1'000'000'000)};
        const int n = epoll_pwait2(poller, events.data(), clients, &timeout, nullptr);
        for (int i = 0; i < n; ++i) {
            auto* c = static_cast<Client*>(events[size_t(i)].data.ptr);
            std::map<QString, Samples>& target = measuring ? measured : warmUp;
            if (c->receive(target)) {
                pacer.count(c->requestsOfAction());
                if (pacer.paced()) {
                    // The next action is due at a random moment after the last one was due; a
                    // client still busy then starts it late, and the wait counts.
                    due.push({c->actionDue() + pacer.interval(), c});
                } else {
                    c->next(nowNs());
                }
            }
            if (c->broken()) {
                epoll_ctl(poller, EPOLL_CTL_DEL, c->fd(), nullptr);
                std::fprintf(stderr, "client lost its connection\n");
            }
        }
    }
    rusage usageAfter{};
    getrusage(RUSAGE_THREAD, &usageAfter);
    lowerPriority();
    running = false;
    looker.join();
    const auto cpuSeconds = [](const rusage& u) {
        return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
               double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
    };
    const double clientCpu = (cpuSeconds(usageAfter) - cpuSeconds(usageBefore)) / seconds;
    double memoryPeak = memoryBefore;
    for (double mb : memoryLooks)
        memoryPeak = std::max(memoryPeak, mb);
    ::close(poller);
    const double memoryAfter = serverMemoryMb(server.dataDir());

    const Samples& total = measured[QStringLiteral("all requests")];
    std::printf("%.0f requests/s over %d s%s; the benchmark's client used %.0f %% of a core%s\n",
                double(total.ms.size()) / seconds, seconds,
                pacer.paced() ? qPrintable(QStringLiteral(" (%1 offered)").arg(rate)) : "",
                clientCpu * 100, realTime ? " at real-time priority" : "");
    std::printf("  %-24s %9s %8s %8s %8s %7s\n", "entry", "count", "p50 ms", "p99 ms", "max ms",
                "errors");
    qint64 errors = 0;
    for (const auto& [entry, s] : measured) {
        std::printf("  %-24s %9zu %8.2f %8.2f %8.1f %7lld\n", qPrintable(entry), s.ms.size(),
                    bench::percentile(s.ms, 0.5), bench::percentile(s.ms, 0.99),
                    bench::percentile(s.ms, 1.0), static_cast<long long>(s.errors));
        if (entry != QLatin1String("all requests"))
            errors += s.errors;
    }
    std::printf("server memory (PSS): %.0f MB logged in, %.0f MB peak, %.0f MB at the end\n",
                memoryBefore, memoryPeak, memoryAfter);
    std::printf("server memory at each tenth of the run (MB):");
    for (double mb : memoryLooks)
        std::printf(" %.0f", mb);
    std::printf("\n");
    for (auto& c : all)
        if (!c->errorText().isEmpty()) {
            std::fprintf(stderr, "first error reply: %s\n", qPrintable(c->errorText()));
            break;
        }
    return errors == 0 ? 0 : 1;
}
