#pragma once

#include <QDateTime>
#include <QString>

namespace cacheapi {
class ServerLink;
}

namespace telefon {

class ListBarModel;

// Journal kinds; each is also the number of the list-bar group that shows it.
enum JournalKind { IncomingAnswered = 3, Outgoing = 4, IncomingUnanswered = 5 };

// The entry's display text: name (or the number for an empty name or "Unbekannt"), "  DW " and
// the number for short numbers, then 16 blanks, the date and hh:mm.
QString JournalDisplayText(const QString& number, const QString& name, int kind,
                           const QDateTime& now);

// Writes one journal entry on the server and puts it at the top of its group. A repeat of the
// newest number is skipped except for unanswered calls. The list shows the entry even when the
// server failed.
void AddJournalEntry(cacheapi::ServerLink& link, ListBarModel& listBar, const QDateTime& now,
                     const QString& number, const QString& name, int kind);

} // namespace telefon
