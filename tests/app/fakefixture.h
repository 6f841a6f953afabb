#pragma once
// The main window on an in-memory server and a simulated line.
#include "callsession.h"
#include "fakeconnection.h"
#include "fmstart.h"
#include "listbar.h"
#include "login.h"
#include "recordingside.h"
#include "serverlink.h"
#include "settingsstore.h"
#include "simulatedline.h"
#include "telephoneparams.h"

#include <QChar>
#include <algorithm>
#include <memory>

inline const QChar RecordSep(0xFF);

// A customer found under the local number 1234 of the own area code 30.
inline const QString KnownCustomer =
    "K100`Herr`Bau Meier GmbH`Baustoffe`Hauptstr. 1`D`12345`Berlin`030 1234`info@meier.de`"
    "030 1235`2`1050307`1050101`1.234,50`10.000`9.000";

struct FakeFixture : cacheapi::fake::FakeSurroundings {
    std::shared_ptr<cacheapi::fake::FakeServer> server =
        std::make_shared<cacheapi::fake::FakeServer>();
    cacheapi::ServerLink link{state, environment(), cacheapi::fake::makeFakeFactory(server)};
    line::SimulatedLine line;
    telefon::ListBarModel listBar;
    telefon::TelephoneParameters params;
    telefon::CallSession session{link, line, listBar, params, clock};
    RecordingSideWindows side;
    std::unique_ptr<app::FMStart> fm;

    FakeFixture() {
        link.setWindows(&windows);
        line.setIncomingPrefix("0");
        server->objects["VX.ParPersEdv"]["1||MEIER"] = {{"Passwort", "telefon"},
                                                        {"AKTIV", "J"},
                                                        {"PNAME", "Meier"},
                                                        {"PNR", "4711"},
                                                        {"abtnr", "20"}};
        server->objects["VX.ParPersAbt"]["1||20"] = {};
        server->objects["VX.PersBasis"]["1||4711"] = {};
        server->reply("D PARAM^RUFAP", "0`30`x");
        server->reply("D ZWAHL^RUFAP", "Meier`0301234`0" + QString(RecordSep) + "Schulz`0305678`5");
        server->reply("D INT^RUFAP", "Verkauf`V" + QString(RecordSep) + "Lager`L");
        server->reply("D JOURGET^RUFAP(3)", "Alt 1`0307777" + QString(RecordSep) + "Alt 2`0308888");
        server->reply("D TELSU^RUFAP(\"1234\")", KnownCustomer);
        storeLogin("telefon");
    }

    void storeLogin(const QString& password) {
        using namespace settings;
        store.write(keys::CacheLogin, keys::Login, keys::Name, "MEIER");
        store.write(keys::CacheLogin, keys::Login, keys::Passwort,
                    cacheapi::ScramblePassword(password));
    }

    app::FMStart& make() {
        fm = std::make_unique<app::FMStart>(
            app::FMStartParts{link, store, dialogs, end, listBar, session, {}});
        fm->setSideWindows(&side);
        return *fm;
    }
    app::FMStart& start() {
        make().startUp();
        return *fm;
    }
    qsizetype commandsStartingWith(const QString& prefix) const {
        return std::ranges::count_if(server->commands,
                                     [&](const QString& c) { return c.startsWith(prefix); });
    }
};
