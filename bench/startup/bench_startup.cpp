// Start-up of the real program: from starting the process until its main window appears on an X
// display, logged in on a real VENTOR server on the simulated line. The program shows its main
// window after the start-up has put "Bereit" into the status line, so the window's appearance is
// the moment the user can work. For comparison the same is measured for a bare Qt window (this
// program started with --bare-window).
//   bench_startup [--rounds N] [--customers N] [--program PATH]
// --program measures another build of the program (for instance one without the SIP line).
// Prints p50, min and max in ms of both, the same for the program on the SIP line (in a private
// network namespace), and the idle CPU time and resident memory on either line.
#include "../common/figures.h"
#include "programprocess.h"
#ifdef WITH_SIP_LINE
#include "privatenetwork.h"
#endif

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QThread>
#include <QWidget>

#include <poll.h>
#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace {

const QString BareTitle = QStringLiteral("VENTOR Telefon (leeres Fenster)");

// A private X server of its own, on the first free display number from 90.
class XServer {
public:
    ~XServer() {
        if (process_.state() != QProcess::NotRunning) {
            process_.terminate();
            process_.waitForFinished(3000);
        }
    }
    bool start() {
        for (int n = 90; n < 140; ++n) {
            if (QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(n)) ||
                QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(n)))
                continue;
            display_ = QStringLiteral(":%1").arg(n);
            process_.start(QStringLiteral("Xvfb"),
                           {display_, QStringLiteral("-screen"), QStringLiteral("0"),
                            QStringLiteral("1280x1024x24"), QStringLiteral("-nolisten"),
                            QStringLiteral("tcp")});
            QElapsedTimer waiting;
            waiting.start();
            while (waiting.elapsed() < 5000 && process_.state() != QProcess::NotRunning) {
                if (QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(n)))
                    return true;
                process_.waitForFinished(20);
            }
        }
        return false;
    }
    QString display() const { return display_; }

private:
    QProcess process_;
    QString display_;
};

// Watches the display for top-level windows being mapped.
class MapWatcher {
public:
    explicit MapWatcher(const QString& display) {
        connection_ = xcb_connect(display.toLatin1().constData(), nullptr);
        if (xcb_connection_has_error(connection_))
            return;
        root_ = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data->root;
        const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(connection_, root_, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(connection_);
        netWmName_ = atom("_NET_WM_NAME");
        ok_ = true;
    }
    ~MapWatcher() { xcb_disconnect(connection_); }
    bool ok() const { return ok_; }

    // Waits until a window whose title contains `title` is mapped; false after `timeoutMs`.
    bool waitForWindow(const QString& title, int timeoutMs) {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < timeoutMs) {
            while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
                const bool mapped = (event->response_type & 0x7f) == XCB_MAP_NOTIFY;
                const xcb_window_t window =
                    mapped ? reinterpret_cast<xcb_map_notify_event_t*>(event)->window : 0;
                std::free(event);
                if (mapped && titleOf(window).contains(title))
                    return true;
            }
            pollfd fd{xcb_get_file_descriptor(connection_), POLLIN, 0};
            ::poll(&fd, 1, 50);
        }
        return false;
    }

private:
    xcb_atom_t atom(const char* name) {
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
            connection_, xcb_intern_atom(connection_, 0, uint16_t(strlen(name)), name), nullptr);
        const xcb_atom_t a = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
        std::free(reply);
        return a;
    }
    QString titleOf(xcb_window_t window) {
        xcb_get_property_reply_t* reply = xcb_get_property_reply(
            connection_,
            xcb_get_property(connection_, 0, window, netWmName_, XCB_GET_PROPERTY_TYPE_ANY, 0, 256),
            nullptr);
        QString title;
        if (reply)
            title = QString::fromUtf8(static_cast<const char*>(xcb_get_property_value(reply)),
                                      xcb_get_property_value_length(reply));
        std::free(reply);
        return title;
    }

    xcb_connection_t* connection_ = nullptr;
    xcb_window_t root_ = 0;
    xcb_atom_t netWmName_ = XCB_ATOM_NONE;
    bool ok_ = false;
};

struct Figures {
    std::vector<double> ms;
    int failed = 0;
};

// Starts the program `rounds` times, each time until its window shows, then ends it.
Figures measure(MapWatcher& watcher, const QProcessEnvironment& environment, const QString& program,
                const QStringList& arguments, const QString& title, int rounds) {
    Figures f;
    for (int i = 0; i < rounds; ++i) {
        QProcess process;
        process.setProcessEnvironment(environment);
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QElapsedTimer clock;
        clock.start();
        process.start(program, arguments);
        if (watcher.waitForWindow(title, 20000))
            f.ms.push_back(double(clock.nsecsElapsed()) / 1e6);
        else
            ++f.failed;
        process.kill();
        process.waitForFinished(5000);
    }
    return f;
}

// What the program costs when it waits for calls: CPU time over 5 s of nothing happening and
// resident memory, once its window shows and its line had 3 s to settle.
struct Idle {
    double cpuSeconds = -1;
    double residentMiB = -1;
};

// CPU time of all the process's threads, to the nanosecond.
double cpuSecondsOf(qint64 pid) {
    double seconds = 0;
    const QDir tasks(QStringLiteral("/proc/%1/task").arg(pid));
    for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile stat(tasks.filePath(task + QStringLiteral("/schedstat")));
        if (stat.open(QIODevice::ReadOnly))
            seconds += stat.readAll().split(' ').value(0).toDouble() / 1e9;
    }
    return seconds;
}

double residentMiBOf(qint64 pid) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return -1;
}

Idle measureIdle(MapWatcher& watcher, const QProcessEnvironment& environment,
                 const QString& program, const QStringList& arguments, const QString& title) {
    Idle idle;
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(program, arguments);
    if (watcher.waitForWindow(title, 20000)) {
        QThread::sleep(3);
        const double before = cpuSecondsOf(process.processId());
        QThread::sleep(5);
        idle.cpuSeconds = cpuSecondsOf(process.processId()) - before;
        idle.residentMiB = residentMiBOf(process.processId());
    }
    process.kill();
    process.waitForFinished(5000);
    return idle;
}

void print(const char* what, const Idle& i) {
    std::printf("  %-40s CPU %.4f s per 5 s idle, resident %.1f MiB\n", what, i.cpuSeconds,
                i.residentMiB);
}

void print(const char* what, const Figures& f) {
    std::printf("  %-40s p50 %6.1f  min %6.1f  max %6.1f ms%s\n", what,
                bench::percentile(f.ms, 0.5), bench::percentile(f.ms, 0.0),
                bench::percentile(f.ms, 1.0), f.failed ? "  (some never showed)" : "");
}

int bareWindow(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(BareTitle);
    window.resize(400, 300);
    window.show();
    return app.exec();
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 1 && QByteArray(argv[1]) == "--bare-window")
        return bareWindow(argc, argv);
#ifdef WITH_SIP_LINE
    // The SIP line talks only on loopback: the whole run in a network of its own.
    const QString isolation = line::enterPrivateNetwork(argc, argv);
#endif
    QCoreApplication app(argc, argv);
    QCommandLineParser options;
    options.addHelpOption();
    options.addOption({QStringLiteral("rounds"), QStringLiteral("starts of each"),
                       QStringLiteral("n"), QStringLiteral("20")});
    options.addOption({QStringLiteral("customers"), QStringLiteral("customers of the server"),
                       QStringLiteral("n"), QStringLiteral("10000")});
    options.addOption({QStringLiteral("program"), QStringLiteral("the program to start"),
                       QStringLiteral("path"), QStringLiteral(PROGRAM)});
    options.process(app);
    const QString programPath = options.value(QStringLiteral("program"));
    const int rounds = std::max(1, options.value(QStringLiteral("rounds")).toInt());

    testsupport::TestServer server;
    if (!server.start(options.value(QStringLiteral("customers")).toInt())) {
        std::fprintf(stderr, "server: %s\n", qPrintable(server.errorText()));
        return 1;
    }
    XServer x;
    if (!x.start()) {
        std::fprintf(stderr, "no X server (Xvfb) could be started\n");
        return 1;
    }
    MapWatcher watcher(x.display());
    if (!watcher.ok()) {
        std::fprintf(stderr, "cannot watch the display %s\n", qPrintable(x.display()));
        return 1;
    }
    desktoptest::ProgramSession session(server);
    QProcessEnvironment environment = session.environment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    environment.insert(QStringLiteral("DISPLAY"), x.display());

    // One start first: the server's routines and the program's libraries are in memory then.
    const QStringList arguments = session.loginWords() << QStringLiteral("--line=sim");
    measure(watcher, environment, programPath, arguments, QStringLiteral("Firma: 1"), 1);
    const Figures program =
        measure(watcher, environment, programPath, arguments, QStringLiteral("Firma: 1"), rounds);
    const Figures bare = measure(watcher, environment, QCoreApplication::applicationFilePath(),
                                 {QStringLiteral("--bare-window")}, BareTitle, rounds);
    const Idle simIdle =
        measureIdle(watcher, environment, programPath, arguments, QStringLiteral("Firma: 1"));
#ifdef WITH_SIP_LINE
    // The SIP line as a user has it in peer mode, files for sound (no sound card here).
    Figures sip;
    Idle sipIdle;
    if (isolation.isEmpty()) {
        const QString ini = environment.value(QStringLiteral("XDG_CONFIG_HOME")) +
                            QStringLiteral("/ventor-telefon/Telefon.ini");
        QDir().mkpath(QFileInfo(ini).absolutePath());
        QFile file(ini);
        if (file.open(QIODevice::Append))
            file.write("[Line]\nSipMode=peer\nSipServer=127.0.0.1:5080\nSipPort=5070\n"
                       "SipBind=127.0.0.1\nSipAudio=files\nSipDataDir=" +
                       QFileInfo(ini).absolutePath().toUtf8() + "/sip\n");
        file.close();
        QStringList sipArguments = session.loginWords() << QStringLiteral("--line=sip");
        measure(watcher, environment, programPath, sipArguments, QStringLiteral("Firma: 1"), 1);
        sip = measure(watcher, environment, programPath, sipArguments, QStringLiteral("Firma: 1"),
                      rounds);
        sipIdle = measureIdle(watcher, environment, programPath, sipArguments,
                              QStringLiteral("Firma: 1"));
    } else {
        std::fprintf(stderr, "SIP line not measured: %s\n", qPrintable(isolation));
    }
#endif

    std::printf("start-up to the window on the display, %d starts each, server with %s "
                "customers\n",
                rounds, qPrintable(options.value(QStringLiteral("customers"))));
    print("VENTOR Telefon, logged in, \"Bereit\":", program);
    print("a bare Qt window:", bare);
#ifdef WITH_SIP_LINE
    if (!sip.ms.empty()) {
        print("VENTOR Telefon on the SIP line:", sip);
        std::printf("  SIP line minus simulated line: %+.1f ms (p50)\n",
                    bench::percentile(sip.ms, 0.5) - bench::percentile(program.ms, 0.5));
    }
#endif
    print("simulated line, waiting for calls:", simIdle);
#ifdef WITH_SIP_LINE
    if (sipIdle.cpuSeconds >= 0)
        print("SIP line, waiting for calls:", sipIdle);
#endif
    return program.failed || bare.failed ? 1 : 0;
}
