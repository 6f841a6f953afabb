#include "sounds.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace line {

namespace {

struct Tone {
    const char* name;
    const char* file;
};
constexpr Tone Tones[] = {
    {"Klassisch", "klassisch.wav"}, {"Dezent", "dezent.wav"}, {"Doppelton", "doppelton.wav"}};

// Installed beside the program, or in the source tree for a program run from its build tree.
QString soundFile(const QString& file) {
    QStringList dirs{qEnvironmentVariable("VENTOR_SOUNDS_DIR")};
    if (QCoreApplication::instance())
        dirs << QCoreApplication::applicationDirPath() +
                    QStringLiteral("/../share/ventor-telefon/sounds");
#ifdef VENTOR_SOURCE_SOUNDS
    dirs << QStringLiteral(VENTOR_SOURCE_SOUNDS);
#endif
    for (const QString& dir : dirs) {
        if (dir.isEmpty())
            continue;
        const QFileInfo info(QDir(dir).filePath(file));
        if (info.isFile())
            return info.canonicalFilePath();
    }
    return {};
}

} // namespace

QStringList ringToneNames() {
    QStringList names;
    for (const Tone& t : Tones)
        names << QString::fromUtf8(t.name);
    return names;
}

QString ringToneFile(const QString& name) {
    if (name.contains(QLatin1Char('/')) && QFileInfo(name).isFile())
        return name;
    for (const Tone& t : Tones)
        if (name == QString::fromUtf8(t.name))
            return soundFile(QString::fromUtf8(t.file));
    return soundFile(QString::fromUtf8(Tones[0].file));
}

QString ringBackFile() {
    return soundFile(QStringLiteral("freiton.wav"));
}

} // namespace line
