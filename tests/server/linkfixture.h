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

    // The test servers run on this machine without TLS unless a test says otherwise.
    ServerLinkFixture() {
        link.setWindows(&windows);
        transport(settings::defaults::Unencrypted);
    }
    void transport(const QString& connection, const QString& certificate = {}) {
        using namespace settings::keys;
        store.write(CacheLogin, Login, Verbindung, connection);
        store.write(CacheLogin, Login, Zertifikat, certificate);
    }

    // The seven-word command line of an unattended start.
    static QString commandLine(const testsupport::TestServer& server,
                               const testsupport::DemoUser& user,
                               const QString& host = QStringLiteral("127.0.0.1")) {
        return QStringLiteral("%1 %2 %3 %4 %5 %6 VENTOR")
            .arg(testsupport::DemoFirma, testsupport::DemoFiliale, user.code, user.password, host)
            .arg(server.port());
    }
    bool login(const testsupport::TestServer& server, const testsupport::DemoUser& user,
               const QString& host = QStringLiteral("127.0.0.1")) {
        return cacheapi::LoginUser(link, commandLine(server, user, host));
    }
    QString command(const QString& text) {
        bool error = false;
        const QString reply = link.ExecuteCommand(text, error);
        return error ? QStringLiteral("<error>") : reply;
    }
};
