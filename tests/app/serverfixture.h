#pragma once
// The main window logged in on a real VENTOR server, with a simulated line.
#include "callsession.h"
#include "environment.h"
#include "fakeconnection.h"
#include "fmstart.h"
#include "listbar.h"
#include "recordingside.h"
#include "serverlink.h"
#include "settingsstore.h"
#include "simulatedline.h"
#include "tcpconnection.h"
#include "telephoneparams.h"
#include "testserver.h"

#include <memory>

// The real server link on a server of the caller's, with the real clock and event loop;
// message boxes are scripted and the end of the program shows as an exception.
struct ServerFixture : cacheapi::fake::LiveSurroundings {
    cacheapi::ServerLink link{state, environment(), cacheapi::tcpFactoryMaker(state)};
    line::SimulatedLine line;
    telefon::ListBarModel listBar;
    telefon::TelephoneParameters params;
    telefon::CallSession session{link, line, listBar, params, clock};
    RecordingSideWindows side;
    std::unique_ptr<app::FMStart> fm;

    explicit ServerFixture(const testsupport::TestServer& server,
                           const testsupport::DemoUser& user = testsupport::DemoMeier) {
        link.setWindows(&windows);
        line.setIncomingPrefix(testsupport::DemoDialPrefix);
        const QString commandLine =
            QStringLiteral("%1 %2 %3 %4 127.0.0.1 %5 VENTOR")
                .arg(testsupport::DemoFirma, testsupport::DemoFiliale, user.code, user.password)
                .arg(server.port());
        fm = std::make_unique<app::FMStart>(
            app::FMStartParts{link, store, dialogs, end, listBar, session, commandLine});
        fm->setSideWindows(&side);
    }
    ~ServerFixture() {
        fm.reset();
        link.DisconnectServer();
    }
    app::FMStart& start() {
        fm->startUp();
        return *fm;
    }
};
