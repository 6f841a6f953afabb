#pragma once

// A server link whose server is the in-memory fake, for the logic tests of this group.

#include "fakeconnection.h"
#include "line.h"
#include "settingsstore.h"

#include <QStringList>
#include <memory>

namespace testing {

inline const QChar RecordEnd = QChar(0xFF);

// Joins fields with the backquote and records with character 255, as the server replies.
inline QString record(const QStringList& fields) {
    return fields.join(QLatin1Char('`'));
}
inline QString list(const QStringList& records) {
    QString reply;
    for (const QString& r : records)
        reply += r + RecordEnd;
    return reply;
}

struct FakeLink : cacheapi::fake::FakeSurroundings {
    std::shared_ptr<cacheapi::fake::FakeServer> server =
        std::make_shared<cacheapi::fake::FakeServer>();
    cacheapi::ServerLink link{state, context(), cacheapi::fake::makeFakeFactory(server)};

    // Every command containing `part` fails on the server; the others answer empty.
    void failCommandsWith(const QString& part) {
        server->replies.removeIf([&](auto it) { return it.key().contains(part); });
        server->handler = [part](const QString& command) {
            return command.contains(part)
                       ? cacheapi::CallResult::failure(-1, QStringLiteral("<UNDEFINED>"))
                       : cacheapi::CallResult::success({});
        };
    }
    QStringList commandsWith(const QString& part) const { return server->commands.filter(part); }
};

// A line that only records what it was told, in order.
class RecordingLine : public line::Line {
public:
    QStringList calls;
    void setTextSetting(const QString& text) override { calls << "text " + text; }
    void setDevice(int index) override { calls << QStringLiteral("device %1").arg(index); }
    int device() const override { return 0; }
    int deviceCount() const override { return 1; }
    QString deviceName(int) const override { return QStringLiteral("recording"); }
    void open() override { calls << "open"; }
    bool isOpen() const override { return true; }
    void drop() override { calls << "drop"; }
    void setNumber(const QString& digits) override { calls << "number " + digits; }
    void makeCall() override { calls << "call"; }
    void hold() override { calls << "hold"; }
    void unhold() override { calls << "unhold"; }
    int callerIdFlags() const override { return 0; }
    QString callerNumber() const override { return {}; }
    QString identifiedNumber() const override { return {}; }
    QString callNumber() const override { return {}; }
    int callOrigin() const override { return 0; }
};

} // namespace testing
