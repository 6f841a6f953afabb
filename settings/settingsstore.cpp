#include "settingsstore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

namespace settings {

namespace {
constexpr QFile::Permissions OwnerOnlyFile = QFile::ReadOwner | QFile::WriteOwner;
constexpr QFile::Permissions OwnerOnlyFolder = OwnerOnlyFile | QFile::ExeOwner;

// The store holds the login password: its folder and files are the user's alone. The file is
// made private before the first value goes in; rewriting it keeps its permissions.
void makePrivate(const QString& fileName) {
    const QString folder = QFileInfo(fileName).absolutePath();
    QDir().mkpath(folder);
    QFile::setPermissions(folder, OwnerOnlyFolder);
    QFile file(fileName);
    if (!file.exists())
        file.open(QIODevice::WriteOnly);
    file.setPermissions(OwnerOnlyFile);
}
} // namespace

QSettingsStore::QSettingsStore(QString folder) : folder_(std::move(folder)) {}

QString QSettingsStore::read(const QString& application, const QString& section, const QString& key,
                             const QString& defaultValue) const {
    QSettings store(QSettings::IniFormat, QSettings::UserScope, folder_, application);
    return store.value(section + QLatin1Char('/') + key, defaultValue).toString();
}

void QSettingsStore::write(const QString& application, const QString& section, const QString& key,
                           const QString& value) {
    QSettings store(QSettings::IniFormat, QSettings::UserScope, folder_, application);
    makePrivate(store.fileName());
    store.setValue(section + QLatin1Char('/') + key, value);
    store.sync();
}

} // namespace settings
