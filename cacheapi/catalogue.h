#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

namespace cacheapi {

class ServerLink;

// The server's telephone routine, one function per entry. Each builds its command text and
// reads its reply's fields here and nowhere else. A failed command has already been reported to
// the user by the server link; the functions then give an empty reply's result.
namespace catalogue {

// PARAM: the telephone parameters.
struct Parameters {
    QString dialPrefix;   // outside-line prefix, one digit
    QString lookupPrefix; // own area code without its leading zero
    QString lineText;     // handed to the line once
};
Parameters readParameters(ServerLink& link);
Parameters parseParameters(const QString& reply);

// TELSU: who owns a number; an empty account means nobody.
struct Customer {
    QString account, salutation, name, business, street, postcodePrefix, postcode, town, phone,
        email, fax;
    // Customers only (accounts beginning with "K").
    QString dunningLevel, dunningDate, lastOrderDate, balance, revenueThisYear, revenueLastYear;
};
Customer findCustomer(ServerLink& link, const QString& candidate);
Customer parseCustomer(const QString& reply);

// ZWAHL, ZWSET, ZWLOE: the user's speed-dial list.
struct SpeedDialEntry {
    QString name, number, sortKey; // sort key "0": none
};
QList<SpeedDialEntry> speedDialList(ServerLink& link);
// Number, name and sort key travel as one text joined by backquotes, unchecked.
void saveSpeedDialEntry(ServerLink& link, const QString& number, const QString& name,
                        const QString& sortKey);
void deleteSpeedDialEntry(ServerLink& link, const QString& firma, const QString& filiale,
                          const QString& number);

// INT: the internal departments.
struct Department {
    QString caption, code;
};
QList<Department> departments(ServerLink& link);

// JOURGET, JOURADD: the user's call journal of one kind (3, 4 or 5).
struct JournalEntry {
    QString caption, number;
};
QList<JournalEntry> journal(ServerLink& link, int kind);
void addJournalEntry(ServerLink& link, int kind, const QString& displayText, const QString& number);

// MIT, DPL: the staff of a department and one person's day.
struct StaffMember {
    QString id, name, extension;
};
QList<StaffMember> departmentStaff(ServerLink& link, const QString& department);
// Six intervals: planned ones first, then clocked ones; start and end "hh:mm" or empty.
struct DayPlan {
    QString start[6], end[6];
};
DayPlan dayPlan(ServerLink& link, const QString& staffId, const QDate& day);

// TXTSU: contacts whose data hold a search text.
struct SearchHit {
    QString account, name, phone, postcode, town;
};
QList<SearchHit> searchNumbers(ServerLink& link, const QString& text);

// OPSU: the open items of a customer account, given without its letter.
struct OpenItem {
    QString rowText; // the column values joined by line feeds
    QString marker;  // a number greater than 0 marks the row
};
QList<OpenItem> openItems(ServerLink& link, const QString& account);

} // namespace catalogue
} // namespace cacheapi
