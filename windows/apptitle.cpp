#include "apptitle.h"

#include <QApplication>
#include <QStringList>

#ifndef VENTOR_VERSION
#define VENTOR_VERSION "0.0.0"
#endif

namespace windows {

QString ApplicationTitle() {
    return QStringLiteral("VENTOR Telefon");
}

void NameTheProgram() {
    // The name of files and folders; no display name, which the desktop would append to the
    // caption of every window.
    QApplication::setApplicationName(QStringLiteral("ventor-telefon"));
    QApplication::setApplicationVersion(QStringLiteral(VENTOR_VERSION));
}

QString VersionText(const QString& version) {
    const QStringList parts = version.split(QLatin1Char('.'));
    QStringList numbers;
    for (int i = 0; i < 3; ++i) {
        const int value = i < parts.size() ? parts.at(i).trimmed().toInt() : 0;
        numbers << QString::number(value);
    }
    return numbers.join(QLatin1Char('.'));
}

QString ProgramVersionText() {
    // A version set by the program at start-up wins over the one of the build.
    const QString set = QCoreApplication::applicationVersion();
    return VersionText(set.isEmpty() ? QStringLiteral(VENTOR_VERSION) : set);
}

} // namespace windows
