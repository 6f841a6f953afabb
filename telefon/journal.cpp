#include "journal.h"

#include "catalogue.h"
#include "listbar.h"

namespace telefon {

namespace {
const QString Unknown = QStringLiteral("Unbekannt");
const QString Gap = QString(16, QLatin1Char(' '));

// Moves every entry one slot down; the oldest falls out of the last slot.
void shiftDown(ListBarModel& listBar, int group) {
    for (int i = JournalSlots - 1; i >= 1; --i) {
        listBar.setCaption(group, i + 1, listBar.caption(group, i));
        listBar.setValue(group, i + 1, listBar.value(group, i));
        if (!listBar.caption(group, i + 1).isEmpty())
            listBar.setPicture(group, i + 1, Picture::Pic1);
    }
}
} // namespace

QString JournalDisplayText(const QString& number, const QString& name, int kind,
                           const QDateTime& now) {
    QString text = (name.isEmpty() || name == Unknown) ? number : name;
    // Internal extensions (and calls without a number) are marked as such.
    if (number.size() < 3)
        text += QStringLiteral("  DW ") + number;
    if (kind > 2) {
        // The text is stored on the server and read on every workstation: one German form,
        // whatever the locale of this one.
        const QString date = now.date().toString(QStringLiteral("dd.MM.yyyy"));
        const QString time = now.time().toString(QStringLiteral("HH:mm:ss")).left(5);
        text += Gap + date + QLatin1Char(' ') + time;
    }
    return text;
}

void AddJournalEntry(cacheapi::ServerLink& link, ListBarModel& listBar, const QDateTime& now,
                     const QString& number, const QString& name, int kind) {
    const int group = kind;
    // A call back and forth with the same party is journalled once; missed calls always count.
    if (listBar.value(group, 1) == number && kind != IncomingUnanswered)
        return;
    const QString text = JournalDisplayText(number, name, kind, now);
    cacheapi::catalogue::addJournalEntry(link, kind, text, number);
    shiftDown(listBar, group);
    listBar.setCaption(group, 1, text);
    listBar.setValue(group, 1, number);
    listBar.setPicture(group, 1, Picture::Pic1);
    listBar.redraw();
}

} // namespace telefon
