#pragma once
// The server link of the program over the in-memory server, with everything around it recorded.
#include "fakes.h"
#include "serverlink.h"
#include "win1252.h"

#include <QStringList>
#include <memory>

namespace testsupport {

// Joins fields with the backquote and records with character 255, as the server replies.
inline QString record(const QStringList& fields) {
    return fields.join(QLatin1Char('`'));
}
inline QString list(const QStringList& records) {
    QString reply;
    for (const QString& r : records)
        reply += r + cacheapi::RecordSeparator;
    return reply;
}

struct FakeLink : cacheapi::fake::FakeSurroundings {
    std::shared_ptr<cacheapi::fake::FakeServer> server =
        std::make_shared<cacheapi::fake::FakeServer>();
    cacheapi::ServerLink link{state, context(), cacheapi::fake::makeFakeFactory(server)};

    // With a command line, its connection settings are loaded at once.
    explicit FakeLink(const QString& commandLine = {}) {
        link.setWindows(&windows);
        state.CommandLine = commandLine;
        if (!commandLine.isEmpty())
            link.LoadConnectionSettings();
    }
    // Stores credentials as a previous run's login would have.
    void storeLogin(const QString& user, const QString& password) {
        using namespace settings::keys;
        store.write(CacheLogin, Login, Name, user);
        store.write(CacheLogin, Login, Passwort, cacheapi::ScramblePassword(password));
    }
    // A staff record of company 1 with its department and base records.
    void addStaff(const QString& code, const QString& password, const QString& active = "J",
                  const QString& name = "Meier, Hans") {
        const QString number = QString::number(100 + server->objects.value("VX.ParPersEdv").size());
        server->objects["VX.ParPersEdv"]["1||" + code] = {{"Passwort", password},
                                                          {"AKTIV", active},
                                                          {"PNAME", name},
                                                          {"PNR", number},
                                                          {"abtnr", "20"}};
        server->objects["VX.ParPersAbt"]["1||20"] = {};
        server->objects["VX.PersBasis"]["1||" + number] = {};
    }
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

} // namespace testsupport
