#include "linesecret.h"

#include <qt6keychain/keychain.h>

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QSaveFile>

namespace line {

namespace {

const QString Service = QStringLiteral("ventor-telefon");

// Runs a secret-store job to its end; window events go on meanwhile.
bool finish(QKeychain::Job& job) {
    QEventLoop loop;
    QObject::connect(&job, &QKeychain::Job::finished, &loop, &QEventLoop::quit);
    job.setAutoDelete(false);
    job.setInsecureFallback(false);
    job.start();
    loop.exec();
    return job.error() == QKeychain::NoError;
}

// One "account<TAB>password" per line.
QList<QPair<QString, QString>> readEntries(const QString& path) {
    QList<QPair<QString, QString>> entries;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return entries;
    for (const QByteArray& line : file.readAll().split('\n')) {
        const int tab = line.indexOf('\t');
        if (tab > 0)
            entries.append(
                {QString::fromUtf8(line.left(tab)), QString::fromUtf8(line.mid(tab + 1))});
    }
    return entries;
}

bool writeEntries(const QString& path, const QList<QPair<QString, QString>>& entries) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    for (const auto& [account, password] : entries)
        file.write(account.toUtf8() + '\t' + password.toUtf8() + '\n');
    return file.commit();
}

} // namespace

QString passwordAccount(const QString& user, const QString& server) {
    return QStringLiteral("sip:") + user + QLatin1Char('@') + server;
}

SystemPasswordSafe::SystemPasswordSafe(QString fileDir) : fileDir_(std::move(fileDir)) {}

QString SystemPasswordSafe::filePath() const {
    return QDir(fileDir_).filePath(QStringLiteral("sip-passwort"));
}

QString SystemPasswordSafe::read(const QString& account) {
    QKeychain::ReadPasswordJob job(Service);
    job.setKey(account);
    if (finish(job))
        return job.textData();
    for (const auto& [key, password] : readEntries(filePath()))
        if (key == account)
            return password;
    return {};
}

PasswordSafe::Place SystemPasswordSafe::write(const QString& account, const QString& password) {
    auto entries = readEntries(filePath());
    entries.removeIf([&](const auto& entry) { return entry.first == account; });
    QKeychain::WritePasswordJob job(Service);
    job.setKey(account);
    job.setTextData(password);
    const bool inSecretStore = finish(job);
    if (!inSecretStore)
        entries.append({account, password});
    if (!writeEntries(filePath(), entries))
        return inSecretStore ? Place::SecretStore : Place::None;
    return inSecretStore ? Place::SecretStore : Place::PrivateFile;
}

} // namespace line
