#pragma once

#include <QLockFile>
#include <QObject>
#include <QStringList>
#include <memory>

class QLocalServer;

namespace app {

// One program per user session. The first start holds a lock file in the runtime directory and
// listens on a local socket beside it; a later start hands its requests to that socket and
// ends, before it opens a line or a server connection of its own. A start whose predecessor
// died takes the stale lock over.
//
// Requests are text lines: "dial TEXT" (a link or a written number) and "show".
class SingleInstance : public QObject {
    Q_OBJECT
public:
    // `directory` defaults to the user's runtime directory.
    explicit SingleInstance(const QString& directory = {}, QObject* parent = nullptr);
    ~SingleInstance() override;

    // True when this process is the first one; it then serves the later starts.
    bool claim();
    // Hands `requests` to the first process; false when none takes them within `timeoutMs`.
    bool forward(const QStringList& requests, int timeoutMs = 5000) const;

    QString socketPath() const { return socketPath_; }

signals:
    void requestsReceived(const QStringList& requests);

private:
    void serveConnection();

    QString socketPath_;
    QLockFile lock_;
    QLocalServer* server_ = nullptr;
};

} // namespace app
