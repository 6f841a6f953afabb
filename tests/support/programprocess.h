#pragma once
// The real program as a separate process with directories of its own, on the simulated line.
#include "runtool.h"
#include "testserver.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <functional>

namespace desktoptest {
using namespace Qt::StringLiterals;

class ProgramSession {
public:
    explicit ProgramSession(const testsupport::TestServer& server) : server_(server) {
        QDir(home_.path()).mkpath(u"config/ventor-telefon"_s);
        QDir(home_.path()).mkdir(u"runtime"_s);
        QFile::setPermissions(runtimeDir(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                QFileDevice::ExeOwner);
        env_.insert(u"XDG_RUNTIME_DIR"_s, runtimeDir());
        env_.insert(u"XDG_CONFIG_HOME"_s, home_.filePath(u"config"_s));
        env_.insert(u"HOME"_s, home_.path());
        env_.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
        env_.remove(u"VENTOR_LINE_SIM_SOCKET"_s);
        // The test server runs on this machine without TLS.
        QFile login(configDir() + u"/Cache Login.ini"_s);
        if (login.open(QIODevice::WriteOnly))
            login.write("[Login]\nVerbindung=unverschl\xc3\xbcsselt\n");
    }
    ~ProgramSession() {
        for (QProcess* p : started_) {
            p->kill();
            p->waitForFinished(5000);
            delete p;
        }
    }

    QString runtimeDir() const { return home_.filePath(u"runtime"_s); }
    QString configDir() const { return home_.filePath(u"config/ventor-telefon"_s); }
    QProcessEnvironment& environment() { return env_; }

    // The seven words of an unattended login of the demo user MEIER on the test server.
    QStringList loginWords() const {
        using namespace testsupport;
        return {DemoFirma,          DemoFiliale,    DemoMeier.code,
                DemoMeier.password, u"127.0.0.1"_s, QString::number(server_.port()),
                u"VENTOR"_s};
    }

    // Starts the program in the background; it lives until the session ends or is killed.
    QProcess* start(const QStringList& arguments) {
        auto* p = new QProcess;
        p->setProcessEnvironment(env_);
        p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p->start(QStringLiteral(PROGRAM), arguments);
        started_ << p;
        return p;
    }
    // Runs the program to its end: its exit code, -1 after 15 s; stdout then stderr in `output`.
    int run(const QStringList& arguments, QString* output = nullptr) {
        QProcess p;
        p.setProcessEnvironment(env_);
        p.start(QStringLiteral(PROGRAM), arguments);
        const bool ended = p.waitForFinished(15000);
        if (output)
            *output = QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
        p.kill();
        p.waitForFinished();
        return ended && p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    }
    // The simulated line's control tool against the program's default socket.
    QString line(const QStringList& arguments) {
        return testsupport::runTool(QStringLiteral(LINE_SIM_TOOL), arguments, env_);
    }
    // Polls the line's status until `wanted` holds for it, 30 s at most; the last status seen.
    QString lineStatusUntil(const std::function<bool(const QString&)>& wanted) {
        QDeadlineTimer deadline(30000);
        QString status;
        while (!wanted(status = line({u"status"_s})) && !deadline.hasExpired())
            QThread::msleep(100);
        return status;
    }

private:
    const testsupport::TestServer& server_;
    QTemporaryDir home_;
    QProcessEnvironment env_ = QProcessEnvironment::systemEnvironment();
    QList<QProcess*> started_;
};

} // namespace desktoptest
