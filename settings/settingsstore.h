#pragma once

#include <QString>

namespace settings {

// The per-user store of text settings, addressed by application, section and key.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    // The stored text, or `defaultValue` when the entry does not exist.
    virtual QString read(const QString& application, const QString& section, const QString& key,
                         const QString& defaultValue) const = 0;
    virtual void write(const QString& application, const QString& section, const QString& key,
                       const QString& value) = 0;
};

// The real store: one INI file per application in the user's XDG config directory
// (~/.config/<folder>/Telefon.ini and "Cache Login.ini").
class QSettingsStore : public SettingsStore {
public:
    explicit QSettingsStore(QString folder = QStringLiteral("ventor-telefon"));
    QString read(const QString& application, const QString& section, const QString& key,
                 const QString& defaultValue) const override;
    void write(const QString& application, const QString& section, const QString& key,
               const QString& value) override;

private:
    QString folder_;
};

// Every value the program keeps, with its default.
namespace keys {
inline const QString Telefon = QStringLiteral("Telefon");
inline const QString Pos = QStringLiteral("Pos");
inline const QString Left = QStringLiteral("Left");
inline const QString Top = QStringLiteral("Top");
inline const QString Width = QStringLiteral("Width");
inline const QString Hight = QStringLiteral("Hight"); // spelled so in every installation
inline const QString Popup = QStringLiteral("Popup");

inline const QString CacheLogin = QStringLiteral("Cache Login");
inline const QString Login = QStringLiteral("Login");
inline const QString Firma = QStringLiteral("Firma");
inline const QString Filiale = QStringLiteral("Filiale");
inline const QString Server = QStringLiteral("Server");
inline const QString Port = QStringLiteral("Port");
inline const QString Namespace = QStringLiteral("Namespace");
inline const QString Name = QStringLiteral("Name");
inline const QString Passwort = QStringLiteral("Passwort");

// Further per-user values of this program that the ERP client never had.
inline const QString Line = QStringLiteral("Line"); // section of "Telefon": the telephone line
// "Cache Login", section "Login": how the connection to the server travels.
inline const QString Verbindung = QStringLiteral("Verbindung"); // verschlüsselt | unverschlüsselt
inline const QString Zertifikat = QStringLiteral("Zertifikat"); // trusted certificate or CA file
} // namespace keys

namespace defaults {
inline const QString Left = QStringLiteral("0");
inline const QString Top = QStringLiteral("0");
inline const QString Width = QStringLiteral("800");
inline const QString Hight = QStringLiteral("600");
inline const QString Popup = QStringLiteral("1");
inline const QString Firma = QStringLiteral("1");
inline const QString Filiale = QStringLiteral("0");
// The ERP server of a branch usually stands in the office network.
inline const QString Server = QStringLiteral("192.168.1.10");
inline const QString Port = QStringLiteral("1973");
inline const QString Namespace = QStringLiteral("VENTOR");
inline const QString Encrypted = QStringLiteral("verschlüsselt");
inline const QString Unencrypted = QStringLiteral("unverschlüsselt");
} // namespace defaults

} // namespace settings
