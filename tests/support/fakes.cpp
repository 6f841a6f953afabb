#include "fakes.h"

namespace cacheapi::fake {

namespace {
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
    void SYS_Close() override { ++server_->closes; }

private:
    std::shared_ptr<FakeServer> server_;
    QMap<QString, QString> members_;
};
} // namespace

bool FakeFactory::Connect(const QString& connectionString) {
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

bool FakeFactory::IsConnected() {
    return mine_ && server_->connected;
}

void FakeFactory::Disconnect() {
    if (mine_) {
        ++server_->disconnects;
        server_->connected = false;
    }
    mine_ = false;
}

std::unique_ptr<ServerObject> FakeFactory::New(const QString&, ServerError& error) {
    if (!IsConnected()) {
        error = {-2, QStringLiteral("Keine Verbindung zum Server")};
        return nullptr;
    }
    return std::make_unique<FakeObject>(server_, QMap<QString, QString>{});
}

std::unique_ptr<ServerObject> FakeFactory::OpenId(const QString& className, const QString& id,
                                                  ServerError& error) {
    server_->openedIds.append(className + QLatin1Char(':') + id);
    if (!server_->objects.value(className).contains(id)) {
        error = {5809, QStringLiteral("ERROR #5809: Object to Load not found, class '") +
                           className + QStringLiteral("', ID '") + id + QLatin1Char('\'')};
        return nullptr;
    }
    return std::make_unique<FakeObject>(server_, server_->objects.value(className).value(id));
}

} // namespace cacheapi::fake
