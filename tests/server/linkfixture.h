#pragma once
// The program's own server link, wired to a real server and to recording stand-ins for the
// user interface (message boxes, login windows, the idle timer and the clock).
#include "fakeconnection.h"
#include "login.h"
#include "serverlink.h"
#include "settingsstore.h"
#include "tcpconnection.h"
#include "testserver.h"

struct ServerLinkFixture : cacheapi::fake::FakeSurroundings {
    cacheapi::ServerLink link{state, context(), cacheapi::tcpFactoryMaker(state, 10000)};

    ServerLinkFixture() { link.setWindows(&windows); }

    // The seven-word command line of an unattended start.
    static QString commandLine(const testsupport::TestServer& server,
                               const testsupport::DemoUser& user) {
        return QStringLiteral("%1 %2 %3 %4 127.0.0.1 %5 VENTOR")
            .arg(testsupport::DemoFirma, testsupport::DemoFiliale, user.code, user.password)
            .arg(server.port());
    }
    bool login(const testsupport::TestServer& server, const testsupport::DemoUser& user) {
        return cacheapi::LoginUser(link, commandLine(server, user));
    }
    QString command(const QString& text) {
        bool error = false;
        const QString reply = link.ExecuteCommand(text, error);
        return error ? QStringLiteral("<error>") : reply;
    }
};
