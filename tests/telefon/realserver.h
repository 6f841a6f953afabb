#pragma once

// A real VENTOR server of its own with the demo data (plus known departments, staff and times
// where a test adds them), and a server link to it as the demo user MEIER.

#include "fakeconnection.h"
#include "settingsstore.h"
#include "testserver.h"

#include <QCoreApplication>
#include <QDate>
#include <QStringList>
#include <QTest>
#include <memory>

namespace boardtest {

// Passes everything to the real connection and remembers the command texts sent.
class RecordingFactory : public cacheapi::Factory {
public:
    RecordingFactory(std::unique_ptr<cacheapi::Factory> real, QStringList& commands)
        : real_(std::move(real)), commands_(commands) {}
    bool Connect(const QString& target) override { return real_->Connect(target); }
    bool IsConnected() override { return real_->IsConnected(); }
    void Disconnect() override { real_->Disconnect(); }
    std::unique_ptr<cacheapi::ServerObject> New(const QString& name,
                                                cacheapi::ServerError& error) override {
        return wrap(real_->New(name, error));
    }
    std::unique_ptr<cacheapi::ServerObject> OpenId(const QString& name, const QString& id,
                                                   cacheapi::ServerError& error) override {
        return wrap(real_->OpenId(name, id, error));
    }

private:
    struct Object : cacheapi::ServerObject {
        Object(std::unique_ptr<cacheapi::ServerObject> r, QStringList& c)
            : real(std::move(r)), commands(c) {}
        cacheapi::CallResult Xecute(const QString& command) override {
            commands << command;
            return real->Xecute(command);
        }
        cacheapi::CallResult property(const QString& n) override { return real->property(n); }
        cacheapi::CallResult call(const QString& m, const QStringList& a) override {
            return real->call(m, a);
        }
        void SYS_Close() override { real->SYS_Close(); }
        std::unique_ptr<cacheapi::ServerObject> real;
        QStringList& commands;
    };
    std::unique_ptr<cacheapi::ServerObject> wrap(std::unique_ptr<cacheapi::ServerObject> object) {
        return object ? std::make_unique<Object>(std::move(object), commands_) : nullptr;
    }
    std::unique_ptr<cacheapi::Factory> real_;
    QStringList& commands_;
};

// Lets window events run without the program pump's short sleep, to measure what the server
// and the board take on their own.
class PlainEventPump : public context::EventPump {
public:
    void processEvents() override { QCoreApplication::processEvents(); }
};

class RealServer {
public:
    explicit RealServer(int customers = 300, context::EventPump* events = nullptr)
        : events_(events ? *events : programEvents_) {
        started_ = server_.start(customers);
        state_.Firma = testsupport::DemoFirma;
        state_.Filiale = testsupport::DemoFiliale;
        state_.UserCode = testsupport::DemoMeier.code;
        state_.Password = testsupport::DemoMeier.password;
        state_.ConnectionString = server_.connectionString();
    }
    bool started() const { return started_; }
    QString errorText() const { return server_.errorText(); }
    testsupport::TestServer& server() { return server_; }
    cacheapi::ServerLink& link() { return link_; }
    cacheapi::fake::ScriptedDialogs& dialogs() { return dialogs_; }
    // The link's context with another clock and event loop.
    context::Context contextWith(context::Clock& clock, context::EventPump& events) {
        return {store_, dialogs_, clock, events, timer_, programEnd_};
    }
    // Routine calls sent so far (the connection's own announcement not counted).
    int requests() const { return int(commands_.filter(QStringLiteral("^RUFAP")).size()); }
    // The routine calls sent since `from` that contain `part`.
    QStringList commandsWith(const QString& part, int from = 0) const {
        return commands_.mid(from).filter(part);
    }
    int commandCount() const { return int(commands_.size()); }

    // Staff ids are numbers; the server lists a department's staff in their order.
    void addStaff(const QString& department, int id, const QString& name,
                  const QString& extension) {
        run(QStringLiteral("S:'$D(^VXABT(1,\"%1\")) ^VXABT(1,\"%1\")=\"Abteilung %1\" "
                           "S ^VXABT(1,\"%1\",\"M\",%2)=\"\",^VXPB(1,%2)=\"%3`%4`\"")
                .arg(department)
                .arg(id)
                .arg(name, extension));
    }
    void removeDepartment(const QString& department) {
        run(QStringLiteral("K ^VXABT(1,\"%1\")").arg(department));
    }
    // The twelve times of a day: two planned and four clocked intervals, start and end each.
    void setTimes(int id, const QDate& day, const QStringList& twelve) {
        const int h = QDate(1840, 12, 31).daysTo(day);
        run(QStringLiteral("S ^VXZEIT(1,%1,%2)=\"%3\"").arg(id).arg(h).arg(twelve.join('`')));
    }

private:
    void run(const QString& commands) {
        const QString output = server_.mumpsRun(commands);
        if (!output.trimmed().isEmpty())
            qWarning() << commands << output;
    }

    testsupport::TestServer server_;
    bool started_ = false;
    QStringList commands_;
    settings::MemorySettingsStore store_;
    cacheapi::fake::ScriptedDialogs dialogs_;
    context::SystemClock clock_;
    context::QtEventPump programEvents_;
    context::EventPump& events_;
    cacheapi::fake::ManualTimer timer_;
    cacheapi::fake::ThrowingProgramEnd programEnd_;
    cacheapi::LoginState state_;
    cacheapi::ServerLink link_{
        state_, context::Context{store_, dialogs_, clock_, events_, timer_, programEnd_}, [this] {
            return std::make_unique<RecordingFactory>(server_.factoryFor(testsupport::DemoMeier),
                                                      commands_);
        }};
};

} // namespace boardtest
