#pragma once

// In-memory stand-ins for the server link's outside world.

#include "connection.h"
#include "context.h"
#include "serverlink.h"
#include "settingsstore.h"

#include <QDateTime>
#include <QList>
#include <QMap>
#include <deque>
#include <functional>
#include <memory>

namespace settings {
class MemorySettingsStore : public SettingsStore {
public:
    QString read(const QString& application, const QString& section, const QString& key,
                 const QString& defaultValue) const override {
        return values_.value(path(application, section, key), defaultValue);
    }
    void write(const QString& application, const QString& section, const QString& key,
               const QString& value) override {
        values_.insert(path(application, section, key), value);
    }
    bool contains(const QString& application, const QString& section, const QString& key) const {
        return values_.contains(path(application, section, key));
    }
    int size() const { return int(values_.size()); }

private:
    static QString path(const QString& application, const QString& section, const QString& key) {
        return application + QChar(0) + section + QChar(0) + key;
    }
    QMap<QString, QString> values_;
};
} // namespace settings

namespace cacheapi::fake {

// The state behind every fake factory: what the "server" answers and what it was asked.
struct FakeServer {
    // Results of successive connect attempts; when exhausted, `connectByDefault` answers.
    std::deque<bool> connectResults;
    bool connectByDefault = true;
    // Answers per command text; `handler` answers commands not found here.
    QMap<QString, CallResult> replies;
    std::function<CallResult(const QString&)> handler;
    // Stored objects: class name -> ID -> member -> value.
    QMap<QString, QMap<QString, QMap<QString, QString>>> objects;

    QStringList commands; // every Xecute text, in order
    QStringList connectionStrings;
    QStringList openedIds; // "class:id"
    int connects = 0;
    int disconnects = 0;
    bool connected = false;

    void reply(const QString& command, const QString& text) {
        replies.insert(command, CallResult::success(text));
    }
    void fail(const QString& command, int number, const QString& description) {
        replies.insert(command, CallResult::failure(number, description));
    }
    // The server went away: the current connection reports false from now on.
    void dropConnection() { connected = false; }
};

class FakeObject : public ServerObject {
public:
    FakeObject(std::shared_ptr<FakeServer> server, QMap<QString, QString> members)
        : server_(std::move(server)), members_(std::move(members)) {}

    CallResult Xecute(const QString& command) override {
        server_->commands.append(command);
        if (!server_->connected)
            return CallResult::failure(-1, QStringLiteral("Verbindung unterbrochen"));
        if (server_->replies.contains(command))
            return server_->replies.value(command);
        if (server_->handler)
            return server_->handler(command);
        return CallResult::success({});
    }
    CallResult property(const QString& name) override {
        if (!members_.contains(name))
            return CallResult::failure(5001, QStringLiteral("<PROPERTY DOES NOT EXIST> ") + name);
        return CallResult::success(members_.value(name));
    }
    CallResult call(const QString& method, const QStringList& arguments) override {
        if (method == QLatin1String("PNAMELogicalToODBC"))
            return CallResult::success(arguments.value(0));
        return CallResult::failure(5002, QStringLiteral("<METHOD DOES NOT EXIST> ") + method);
    }
    void SYS_Close() override {}

private:
    std::shared_ptr<FakeServer> server_;
    QMap<QString, QString> members_;
};
class FakeFactory : public Factory {
public:
    explicit FakeFactory(std::shared_ptr<FakeServer> server) : server_(std::move(server)) {}
    bool Connect(const QString& connectionString) override {
        ++server_->connects;
        server_->connectionStrings.append(connectionString);
        bool ok = server_->connectByDefault;
        if (!server_->connectResults.empty()) {
            ok = server_->connectResults.front();
            server_->connectResults.pop_front();
        }
        server_->connected = ok;
        mine_ = ok;
        return ok;
    }
    bool IsConnected() override { return mine_ && server_->connected; }
    void Disconnect() override {
        if (mine_) {
            ++server_->disconnects;
            server_->connected = false;
        }
        mine_ = false;
    }
    std::unique_ptr<ServerObject> New(const QString&, ServerError& error) override {
        if (!IsConnected()) {
            error = {-2, QStringLiteral("Keine Verbindung zum Server")};
            return nullptr;
        }
        return std::make_unique<FakeObject>(server_, QMap<QString, QString>{});
    }
    std::unique_ptr<ServerObject> OpenId(const QString& className, const QString& id,
                                         ServerError& error) override {
        server_->openedIds.append(className + QLatin1Char(':') + id);
        if (!server_->objects.value(className).contains(id)) {
            error = {5809, QStringLiteral("ERROR #5809: Object to Load not found, class '") +
                               className + QStringLiteral("', ID '") + id + QLatin1Char('\'')};
            return nullptr;
        }
        return std::make_unique<FakeObject>(server_, server_->objects.value(className).value(id));
    }

private:
    std::shared_ptr<FakeServer> server_;
    bool mine_ = false; // this factory holds the server's current connection
};

inline FactoryMaker makeFakeFactory(std::shared_ptr<FakeServer> server) {
    return [server] { return std::make_unique<FakeFactory>(server); };
}

// A clock that only moves when told, and by half a second each time events are pumped.
class FakeClock : public context::Clock, public context::EventPump {
public:
    explicit FakeClock(QDateTime start = QDateTime(QDate(2026, 12, 4), QTime(10, 15, 0)))
        : now_(start) {}
    QDateTime now() const override { return now_; }
    void processEvents() override { now_ = now_.addMSecs(500); }
    void advance(qint64 ms) { now_ = now_.addMSecs(ms); }
    void set(const QDateTime& t) { now_ = t; }

private:
    QDateTime now_;
};

class ManualTimer : public context::Timer {
public:
    void setInterval(int milliseconds) override { interval = milliseconds; }
    void start() override { active = true; }
    void stop() override { active = false; }
    bool isActive() const override { return active; }
    // What the event loop does when the interval has passed.
    void fire() {
        active = false;
        if (onTimeout)
            onTimeout();
    }
    int interval = 0;
    bool active = false;
};

struct ShownMessage {
    QString text, title;
    context::Icon icon;
    context::Buttons buttons;
};

// Records message boxes and answers them from a queue (Yes when the queue is empty).
class ScriptedDialogs : public context::Dialogs {
public:
    context::Answer message(const QString& text, const QString& title, context::Icon icon,
                            context::Buttons buttons) override {
        shown.append({text, title, icon, buttons});
        if (onMessage)
            onMessage(shown.last());
        if (buttons == context::Buttons::Ok)
            return context::Answer::Ok;
        if (answers.empty())
            return context::Answer::Yes;
        const context::Answer a = answers.front();
        answers.pop_front();
        return a;
    }
    QList<ShownMessage> shown;
    std::deque<context::Answer> answers;
    std::function<void(const ShownMessage&)> onMessage;
};

// The program's end, made visible to a test as an exception.
struct ProgramEnded {};
class ThrowingProgramEnd : public context::ProgramEnd {
public:
    [[noreturn]] void closeAllWindowsAndEnd() override { throw ProgramEnded{}; }
};

// The fields of the login and server settings windows, without windows.
class FieldLoginWindows : public LoginWindows {
public:
    ServerFields serverFields() const override { return fields; }
    void setServerFields(const ServerFields& f) override { fields = f; }
    QString userField() const override { return user; }
    void setUserField(const QString& text) override { user = text; }
    QString passwordField() const override { return password; }
    void setPasswordField(const QString& text) override { password = text; }
    void selectPasswordText() override {}
    bool loginWindowVisible() const override { return loginVisible; }
    void showLoginWindowModal() override {
        ++loginShown;
        if (onLoginWindow)
            onLoginWindow(*this);
    }
    void hideLoginWindow() override { loginVisible = false; }
    void showServerSettingsModal() override {
        ++settingsShown;
        if (onSettingsWindow)
            onSettingsWindow(*this);
    }
    void hideServerSettings() override { ++settingsHidden; }

    ServerFields fields;
    QString user, password;
    bool loginVisible = false;
    int loginShown = 0, settingsShown = 0, settingsHidden = 0;
    // What the user does while the window is open.
    std::function<void(FieldLoginWindows&)> onLoginWindow, onSettingsWindow;
};

// Everything around a server link but its connection, recorded in memory.
struct FakeSurroundings {
    LoginState state;
    settings::MemorySettingsStore store;
    ScriptedDialogs dialogs;
    FakeClock clock;
    ManualTimer idle;
    ThrowingProgramEnd end;
    FieldLoginWindows windows;

    context::Context context() { return {store, dialogs, clock, clock, idle, end}; }
};

} // namespace cacheapi::fake
