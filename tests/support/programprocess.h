#pragma once
// The real program as a separate process in a private session: its own runtime and settings
// directories, offscreen windows, the simulated line driven by its control tool.
#include "testserver.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <functional>

namespace desktoptest {

class ProgramSession {
public:
    explicit ProgramSession(const testsupport::TestServer& server) : server_(server) {
        QDir(home_.path()).mkdir(QStringLiteral("runtime"));
        QFile::setPermissions(runtimeDir(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                QFileDevice::ExeOwner);
        env_ = QProcessEnvironment::systemEnvironment();
        env_.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeDir());
        env_.insert(QStringLiteral("XDG_CONFIG_HOME"), home_.filePath(QStringLiteral("config")));
        env_.insert(QStringLiteral("HOME"), home_.path());
        env_.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env_.remove(QStringLiteral("VENTOR_LINE_SIM_SOCKET"));
        // The test server runs on this machine without TLS.
        QDir(home_.path()).mkpath(QStringLiteral("config/ventor-telefon"));
        QFile login(home_.filePath(QStringLiteral("config/ventor-telefon/Cache Login.ini")));
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

    QString runtimeDir() const { return home_.filePath(QStringLiteral("runtime")); }
    QString configDir() const { return home_.filePath(QStringLiteral("config/ventor-telefon")); }
    QProcessEnvironment& environment() { return env_; }

    // The seven words of an unattended login of the demo user MEIER on the test server.
    QStringList loginWords() const {
        return {testsupport::DemoFirma,      testsupport::DemoFiliale,
                testsupport::DemoMeier.code, testsupport::DemoMeier.password,
                QStringLiteral("127.0.0.1"), QString::number(server_.port()),
                QStringLiteral("VENTOR")};
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
    // Runs the program to its end; its exit code, -1 when it did not end within `timeoutMs`.
    // What it wrote goes to `output`, standard output first.
    int run(const QStringList& arguments, int timeoutMs = 15000, QString* output = nullptr) {
        QProcess p;
        p.setProcessEnvironment(env_);
        p.start(QStringLiteral(PROGRAM), arguments);
        const bool ended = p.waitForFinished(timeoutMs);
        if (output)
            *output = QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
        if (!ended) {
            p.kill();
            p.waitForFinished();
            return -1;
        }
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    }
    // The simulated line's control tool against the program's default socket.
    QString line(const QStringList& arguments) {
        QProcess tool;
        tool.setProcessEnvironment(env_);
        tool.start(QStringLiteral(LINE_SIM_TOOL), arguments);
        tool.waitForFinished(10000);
        return QString::fromUtf8(tool.readAllStandardOutput()).trimmed();
    }
    // Polls the line's status until `wanted` holds for it; the last status seen.
    QString lineStatusUntil(const std::function<bool(const QString&)>& wanted,
                            int timeoutMs = 30000) {
        QDeadlineTimer deadline(timeoutMs);
        QString status;
        while (!wanted(status = line({QStringLiteral("status")})) && !deadline.hasExpired())
            QThread::msleep(100);
        return status;
    }

private:
    const testsupport::TestServer& server_;
    QTemporaryDir home_;
    QProcessEnvironment env_;
    QList<QProcess*> started_;
};

} // namespace desktoptest
