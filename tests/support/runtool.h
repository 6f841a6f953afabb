#pragma once
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QProcess>

namespace testsupport {
// Runs a tool to its end (10 s at most), serving this thread's events: its trimmed output.
inline QString runTool(const QString& program, const QStringList& arguments,
                       const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment(),
                       int* exitCode = nullptr) {
    QProcess tool;
    tool.setProcessEnvironment(env);
    tool.start(program, arguments);
    const QDeadlineTimer deadline(10000);
    while (tool.state() != QProcess::NotRunning && !deadline.hasExpired())
        if (!tool.waitForFinished(10))
            QCoreApplication::processEvents();
    if (exitCode)
        *exitCode = tool.exitCode();
    return QString::fromUtf8(tool.readAllStandardOutput()).trimmed();
}
} // namespace testsupport
