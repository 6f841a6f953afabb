#include "fakeworld.h"

namespace testkit {

FakeWorld::FakeWorld()
    : server(std::make_shared<cacheapi::fake::FakeServer>()),
      link(state, environment(), cacheapi::fake::makeFakeFactory(server)) {
    addStaff(QStringLiteral("MEIER"), QStringLiteral("telefon"), QStringLiteral("J"),
             QStringLiteral("Meier, Hans"));
}

void FakeWorld::addStaff(const QString& code, const QString& password, const QString& active,
                         const QString& name) {
    const QString number = QString::number(100 + server->objects.value("VX.ParPersEdv").size());
    server->objects["VX.ParPersEdv"]["1||" + code] = {{"Passwort", password},
                                                      {"AKTIV", active},
                                                      {"PNAME", name},
                                                      {"PNR", number},
                                                      {"abtnr", "7"}};
    server->objects["VX.ParPersAbt"]["1||7"] = {};
    server->objects["VX.PersBasis"]["1||" + number] = {};
}

void FakeWorld::storeLogin(const QString& user, const QString& password) {
    using namespace settings::keys;
    store.write(CacheLogin, Login, Name, user);
    store.write(CacheLogin, Login, Passwort, cacheapi::ScramblePassword(password));
}

} // namespace testkit
