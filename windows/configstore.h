#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QtGlobal>
#include <optional>

namespace windows {

// The machine's configuration store as the about box reads it: root keys, key paths below
// them, and named values with a type and raw bytes.
inline constexpr quint32 HKEY_LOCAL_MACHINE = 0x80000002;
inline constexpr quint32 REG_SZ = 1;        // text
inline constexpr quint32 REG_EXPAND_SZ = 2; // text with variables, not read by the about box
inline constexpr quint32 REG_DWORD = 4;     // 32-bit number, little-endian

struct StoredValue {
    quint32 type = REG_SZ;
    QByteArray bytes; // as stored, a text's terminating zero byte included
};

class ConfigStore {
public:
    virtual ~ConfigStore() = default;
    virtual bool keyExists(quint32 root, const QString& keyName) const = 0;
    virtual std::optional<StoredValue> value(quint32 root, const QString& keyName,
                                             const QString& valueName) const = 0;
};

// A store in memory, for tests.
class MemoryConfigStore : public ConfigStore {
public:
    bool keyExists(quint32 root, const QString& keyName) const override;
    std::optional<StoredValue> value(quint32 root, const QString& keyName,
                                     const QString& valueName) const override;
    // A key without values.
    void addKey(quint32 root, const QString& keyName);
    void setValue(quint32 root, const QString& keyName, const QString& valueName,
                  StoredValue value);
    // A text stored with its terminating zero byte, in the system's code page.
    void setString(quint32 root, const QString& keyName, const QString& valueName,
                   const QString& text);
    void setNumber(quint32 root, const QString& keyName, const QString& valueName, qint32 number);

private:
    QMap<QString, QMap<QString, StoredValue>> keys_; // "root\key" -> value name -> value
};

// The store on Linux: a text file in the registry export format, machine-wide in
// /etc/xdg/ventor-telefon/Systemkonfiguration.reg (a copy in the user's configuration folder
// wins). Lines: "[HKEY_LOCAL_MACHINE\key\path]", then "name"="text" or "name"=dword:0000000a,
// and "name"=expand:"text" for an expandable text; "\\" and "\"" escape in texts, ";" begins a
// comment line.
class FileConfigStore : public MemoryConfigStore {
public:
    // The file found in the configuration folders, if any.
    FileConfigStore();
    // Reads the given file; a missing file gives an empty store.
    explicit FileConfigStore(const QString& path);
    // Reads the registry export text.
    void parse(const QString& text);
};

// The file FileConfigStore() reads, or the empty text when there is none.
QString DefaultConfigStorePath();

// Reads one value of the configuration store into `KeyVal`; false, with `KeyVal` empty, when the
// key or value is missing or the value is longer than 1024 bytes. A value of a type other than
// text or 32-bit number leaves `KeyVal` as it was and gives true.
bool GetKeyValue(const ConfigStore& store, quint32 KeyRoot, const QString& KeyName,
                 const QString& SubKeyRef, QString& KeyVal);

} // namespace windows
