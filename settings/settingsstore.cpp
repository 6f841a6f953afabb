#include "settingsstore.h"

#include <QSettings>

namespace settings {

QSettingsStore::QSettingsStore(QString folder) : folder_(std::move(folder)) {}

QString QSettingsStore::read(const QString& application, const QString& section, const QString& key,
                             const QString& defaultValue) const {
    QSettings store(QSettings::IniFormat, QSettings::UserScope, folder_, application);
    return store.value(section + QLatin1Char('/') + key, defaultValue).toString();
}

void QSettingsStore::write(const QString& application, const QString& section, const QString& key,
                           const QString& value) {
    QSettings store(QSettings::IniFormat, QSettings::UserScope, folder_, application);
    store.setValue(section + QLatin1Char('/') + key, value);
    store.sync();
}

QString MemorySettingsStore::path(const QString& application, const QString& section,
                                  const QString& key) {
    return application + QChar(0) + section + QChar(0) + key;
}

QString MemorySettingsStore::read(const QString& application, const QString& section,
                                  const QString& key, const QString& defaultValue) const {
    return values_.value(path(application, section, key), defaultValue);
}

void MemorySettingsStore::write(const QString& application, const QString& section,
                                const QString& key, const QString& value) {
    values_.insert(path(application, section, key), value);
}

bool MemorySettingsStore::contains(const QString& application, const QString& section,
                                   const QString& key) const {
    return values_.contains(path(application, section, key));
}

} // namespace settings
