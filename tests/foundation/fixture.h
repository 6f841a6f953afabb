#pragma once
// A server link wired to in-memory stand-ins.
#include "fakeconnection.h"
#include "serverlink.h"
#include "settingsstore.h"

struct LinkFixture : cacheapi::fake::FakeSurroundings {
    std::shared_ptr<cacheapi::fake::FakeServer> server =
        std::make_shared<cacheapi::fake::FakeServer>();
    cacheapi::ServerLink link{state, environment(), cacheapi::fake::makeFakeFactory(server)};

    LinkFixture() { link.setWindows(&windows); }

    void storeLogin(const QString& user, const QString& password) {
        using namespace settings;
        store.write(keys::CacheLogin, keys::Login, keys::Name, user);
        store.write(keys::CacheLogin, keys::Login, keys::Passwort,
                    cacheapi::ScramblePassword(password));
    }
};
