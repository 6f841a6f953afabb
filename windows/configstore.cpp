#include "configstore.h"

#include <QFile>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QStringList>
#include <QtEndian>

namespace windows {

namespace {
constexpr int ValueBufferBytes = 1024;

QString fullKey(quint32 root, const QString& keyName) {
    return QString::number(root, 16) + QLatin1Char('\\') + keyName.toLower();
}

QString unescape(const QString& text) {
    QString result;
    for (int i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('\\') && i + 1 < text.size())
            ++i;
        result += text[i];
    }
    return result;
}

QByteArray textBytes(const QString& text) {
    return text.toLocal8Bit() + '\0';
}
} // namespace

bool MemoryConfigStore::keyExists(quint32 root, const QString& keyName) const {
    return keys_.contains(fullKey(root, keyName));
}

std::optional<StoredValue> MemoryConfigStore::value(quint32 root, const QString& keyName,
                                                    const QString& valueName) const {
    const auto key = keys_.constFind(fullKey(root, keyName));
    if (key == keys_.constEnd())
        return std::nullopt;
    const auto found = key->constFind(valueName.toLower());
    if (found == key->constEnd())
        return std::nullopt;
    return *found;
}

void MemoryConfigStore::addKey(quint32 root, const QString& keyName) {
    keys_[fullKey(root, keyName)];
}

void MemoryConfigStore::setValue(quint32 root, const QString& keyName, const QString& valueName,
                                 StoredValue value) {
    keys_[fullKey(root, keyName)].insert(valueName.toLower(), std::move(value));
}

void MemoryConfigStore::setString(quint32 root, const QString& keyName, const QString& valueName,
                                  const QString& text) {
    setValue(root, keyName, valueName, {REG_SZ, textBytes(text)});
}

void MemoryConfigStore::setNumber(quint32 root, const QString& keyName, const QString& valueName,
                                  qint32 number) {
    QByteArray bytes(4, '\0');
    qToLittleEndian(number, bytes.data());
    setValue(root, keyName, valueName, {REG_DWORD, bytes});
}

QString DefaultConfigStorePath() {
    return QStandardPaths::locate(QStandardPaths::GenericConfigLocation,
                                  QStringLiteral("ventor-telefon/Systemkonfiguration.reg"));
}

FileConfigStore::FileConfigStore() : FileConfigStore(DefaultConfigStorePath()) {}

FileConfigStore::FileConfigStore(const QString& path) {
    QFile file(path);
    if (!path.isEmpty() && file.open(QIODevice::ReadOnly))
        parse(QString::fromUtf8(file.readAll()));
}

void FileConfigStore::parse(const QString& text) {
    static const QRegularExpression section(
        QStringLiteral(R"re(^\[HKEY_LOCAL_MACHINE\\(.*)\]$)re"));
    static const QRegularExpression entry(
        QStringLiteral(R"re(^"((?:[^"\\]|\\.)*)"=(expand:|dword:)?(.*)$)re"));
    QString key;
    bool inMachineKey = false;
    for (const QString& rawLine : text.split(QLatin1Char('\n'))) {
        const QString line = rawLine.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')))
            continue;
        if (line.startsWith(QLatin1Char('['))) {
            const QRegularExpressionMatch m = section.match(line);
            inMachineKey = m.hasMatch();
            key = m.captured(1);
            if (inMachineKey)
                addKey(HKEY_LOCAL_MACHINE, key);
            continue;
        }
        const QRegularExpressionMatch m = entry.match(line);
        if (!inMachineKey || !m.hasMatch())
            continue;
        const QString name = unescape(m.captured(1));
        const QString kind = m.captured(2);
        const QString data = m.captured(3);
        if (kind == QLatin1String("dword:")) {
            bool ok = false;
            const quint32 number = data.toUInt(&ok, 16);
            if (ok)
                setNumber(HKEY_LOCAL_MACHINE, key, name, qint32(number));
        } else if (data.size() >= 2 && data.startsWith(QLatin1Char('"')) &&
                   data.endsWith(QLatin1Char('"'))) {
            const QString value = unescape(data.mid(1, data.size() - 2));
            setValue(HKEY_LOCAL_MACHINE, key, name,
                     {kind.isEmpty() ? REG_SZ : REG_EXPAND_SZ, textBytes(value)});
        }
    }
}

bool GetKeyValue(const ConfigStore& store, quint32 KeyRoot, const QString& KeyName,
                 const QString& SubKeyRef, QString& KeyVal) {
    if (!store.keyExists(KeyRoot, KeyName)) {
        KeyVal.clear();
        return false;
    }
    const std::optional<StoredValue> stored = store.value(KeyRoot, KeyName, SubKeyRef);
    if (!stored || stored->bytes.size() > ValueBufferBytes) {
        KeyVal.clear();
        return false;
    }
    QByteArray bytes = stored->bytes;
    if (!bytes.isEmpty() && bytes.endsWith('\0'))
        bytes.chop(1);
    if (stored->type == REG_SZ) {
        KeyVal = QString::fromLocal8Bit(bytes);
    } else if (stored->type == REG_DWORD) {
        // The bytes hold the number lowest first; a dropped zero byte changes nothing.
        quint32 number = 0;
        for (int i = 0; i < qMin(4, int(bytes.size())); ++i)
            number |= quint32(quint8(bytes[i])) << (8 * i);
        KeyVal = QString::number(qint32(number));
    }
    return true;
}

} // namespace windows
