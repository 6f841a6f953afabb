#pragma once

#include <QString>

namespace line {

// Where the SIP password is kept, out of the settings file.
class PasswordSafe {
public:
    enum class Place { None, SecretStore, PrivateFile };
    virtual ~PasswordSafe() = default;
    // Empty when nothing is kept for `account`.
    virtual QString read(const QString& account) = 0;
    virtual Place write(const QString& account, const QString& password) = 0;
};

// The desktop's secret store where one runs; otherwise a file in `fileDir` that only the
// user can read and write.
class SystemPasswordSafe : public PasswordSafe {
public:
    explicit SystemPasswordSafe(QString fileDir);
    QString read(const QString& account) override;
    Place write(const QString& account, const QString& password) override;
    QString filePath() const;

private:
    QString fileDir_;
};

// The key under which a SIP account's password is kept.
QString passwordAccount(const QString& user, const QString& server);

} // namespace line
