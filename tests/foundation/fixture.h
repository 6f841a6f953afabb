#pragma once
// A server link wired to in-memory stand-ins.
#include "fakeconnection.h"
#include "serverlink.h"
#include "settingsstore.h"

struct LinkFixture : cacheapi::fake::FakeSurroundings {
    std::shared_ptr<cacheapi::fake::FakeServer> server =
        std::make_shared<cacheapi::fake::FakeServer>();
    cacheapi::ServerLink link{state, context(), cacheapi::fake::makeFakeFactory(server)};

    // With a command line, its connection settings are loaded at once.
    explicit LinkFixture(const QString& commandLine = {}) {
        link.setWindows(&windows);
        state.CommandLine = commandLine;
        if (!commandLine.isEmpty())
            link.LoadConnectionSettings();
    }

    void storeLogin(const QString& user, const QString& password) {
        using namespace settings;
        store.write(keys::CacheLogin, keys::Login, keys::Name, user);
        store.write(keys::CacheLogin, keys::Login, keys::Passwort,
                    cacheapi::ScramblePassword(password));
    }
};
