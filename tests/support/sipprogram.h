#pragma once
// The whole program on a SIP line made from the user's line settings, logged in on a real
// server, and a second SIP telephone (the peer) on loopback.
#include "callsession.h"
#include "context.h"
#include "fmstart.h"
#include "lineconfig.h"
#include "listbar.h"
#include "program.h"
#include "sipline.h"
#include "sippeer.h"
#include "telephoneparams.h"
#include "testserver.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QLineEdit>

#include <functional>
#include <memory>

using namespace Qt::StringLiterals;

namespace sipapp {

// Where the program's SIP line and the peer listen, on loopback only.
inline const QString LineAddress = QStringLiteral("127.0.0.1:5070");
inline const QString PeerAddress = QStringLiteral("127.0.0.1:5080");

// Lets the window thread run (SIP timers, server replies) until `done` or the time is up.
template <typename Condition> bool runUntil(Condition done, int timeoutMs = 8000) {
    QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

// Ends in reverse order: the peer, the window, the call session, the line.
struct SipProgram : testsupport::LiveLink {
    std::unique_ptr<line::Line> line;
    telefon::ListBarModel listBar;
    telefon::TelephoneParameters params;
    std::unique_ptr<telefon::CallSession> session;
    testsupport::RecordingSideWindows side;
    std::unique_ptr<app::FMStart> fm;
    std::unique_ptr<line::SipPeer> peer;

    // `watchLine` sees the line before the window, so its handlers run first.
    SipProgram(const testsupport::TestServer& server, const QString& dir,
               const std::function<void(line::Line&)>& watchLine = {})
        : LiveLink(server) {
        // The SIP line as a user configures it for calls straight to and from the peer.
        const QList<QPair<QString, QString>> values{
            {u"Type"_s, u"sip"_s},          {u"SipMode"_s, u"peer"_s},
            {u"SipServer"_s, PeerAddress},  {u"SipPort"_s, u"5070"_s},
            {u"SipBind"_s, u"127.0.0.1"_s}, {u"SipDataDir"_s, dir + u"/line"_s}};
        for (const auto& [key, value] : values)
            store.write(u"Telefon"_s, u"Line"_s, key, value);
        line = line::makeLine(line::readLineConfig(store));
        if (watchLine)
            watchLine(*line);
        session = std::make_unique<telefon::CallSession>(link, *line, listBar, params, realClock);
        fm = std::make_unique<app::FMStart>(
            app::FMStartParts{liveContext(), link, listBar, *session, side, commandLine()});

        line::SipPeer::Options options;
        options.dataDir = dir + u"/peer"_s;
        peer = std::make_unique<line::SipPeer>(options);
    }
    // Logs in, opens the line and starts the peer; the error text, empty when all is ready.
    QString start() {
        bool ready = false;
        const QMetaObject::Connection watch =
            QObject::connect(line.get(), &line::Line::lineIdleAgain, [&ready] { ready = true; });
        fm->startUp();
        auto* sip = qobject_cast<line::SipLine*>(line.get());
        const bool waited = sip && sip->isOpen() && runUntil([&] { return ready; });
        QObject::disconnect(watch);
        if (!waited)
            return u"the SIP line is not ready: "_s + (sip ? sip->errorString() : u"no SIP line"_s);
        return peer->start() ? QString() : u"peer: "_s + peer->errorString();
    }

    QString field(const char* name) const {
        return fm->findChild<QLineEdit*>(QString::fromLatin1(name))->text();
    }
};

} // namespace sipapp
