#pragma once
// The call session on a line under test; every number belongs to "Kunde <number>". Notes the
// line's events and the journal entries written.
#include "callsession.h"
#include "fakelink.h"
#include "line.h"
#include "listbar.h"

#include <QRegularExpression>
#include <QStringList>

namespace testsupport {

struct SessionOnLine : FakeLink {
    telefon::ListBarModel listBar;
    telefon::TelephoneParameters params;
    telefon::CallSession session;
    QStringList events;

    explicit SessionOnLine(line::Line& line) : session(link, line, listBar, params, clock) {
        server->reply("D PARAM^RUFAP", "0`30`x");
        server->handler = [](const QString& command) {
            static const QRegularExpression lookup("^D TELSU\\^RUFAP\\(\"(\\d+)\"\\)$");
            const auto asked = lookup.match(command);
            if (!asked.hasMatch())
                return cacheapi::CallResult::success({});
            const QString n = asked.captured(1);
            return cacheapi::CallResult::success(
                record({"K" + n, "Firma", "Kunde " + n, "", "", "D", "", "", n, "", "", "", "", "",
                        "", "", ""}));
        };
        listBar.addGroup("Ziehlwahl");
        session.startWithoutLine();
        using L = line::Line;
        const QList<std::pair<void (L::*)(), QString>> named{
            {&L::lineIdle, "lineIdle"},
            {&L::lineIdleAgain, "lineIdleAgain"},
            {&L::numberIdentified, "numberIdentified"},
            {&L::callEnded, "callEnded"},
            {&L::callOffered, "callOffered"},
            {&L::connected, "connected"},
            {&L::dialling, "dialling"},
            {&L::dialTone, "dialTone"},
            {&L::disconnected, "disconnected"}};
        for (const auto& [signal, name] : named)
            QObject::connect(&line, signal, &session, [this, name] { events << name; });
    }
    // "NUMBER KIND" of every journal entry written, in order.
    QStringList journal() const {
        static const QRegularExpression entry("^D JOURADD\\^RUFAP\\((\\d),\".*\",\"(.*)\"\\)$");
        QStringList written;
        for (const QString& command : commandsWith("JOURADD")) {
            const auto m = entry.match(command);
            written << m.captured(2) + ' ' + m.captured(1);
        }
        return written;
    }
    void clear() {
        events.clear();
        server->commands.clear();
    }
};

} // namespace testsupport
