#pragma once

#include "telephoneparams.h"

#include <QString>
#include <QStringList>

namespace cacheapi {
class ServerLink;
namespace catalogue {
struct Customer;
}
} // namespace cacheapi
namespace line {
class Line;
}

namespace telefon {

// What the customer panel of the main window shows, computed from one TELSU reply.
struct CustomerPanel {
    QString Nr, Anrede, NAMEN, Branche, Strasse, Plz, Ort, Telnr;
    QString emailText, emailLink; // link target "mailto:" + address
    QString Faxnr;
    // Customer-only values; filled even while hidden.
    QString Mahnstufe, MahnstDatum, LeAuDatum, AktSaldo, UmsatzLJ, UmsatzVJ;
    bool customerOnlyVisible = false; // the account number begins with a capital "K"

    static CustomerPanel from(const cacheapi::catalogue::Customer& customer);
};

// Drops the current call, keeps the digits, puts DialPrefix before numbers of more than two
// digits and makes the call. A text without digits only drops the call.
void DialNumber(line::Line& line, const TelephoneParameters& params, const QString& text);
// The dialled digits DialNumber would hand to the line; empty when nothing is dialled.
QString DialDigits(const TelephoneParameters& params, const QString& text);
// The digits of a text, everything else dropped.
QString NumberDigits(const QString& text);
// A number as people write it: digits with blanks, "/", "-", ".", "(" and ")" between them and
// an optional leading "+". Text with letters or other signs is not.
bool IsWrittenNumber(const QString& text);

// The external number without its outside-line digit, or empty for internal calls.
QString CleanIncomingNumber(const QString& text, const QString& dialPrefix);

// The four forms of a number that the lookup tries, in order.
QStringList LookupCandidates(const QString& number, const QString& lookupPrefix);

// Asks the server who owns the number, trying the candidates while field 1 stays empty, and
// fills `panel` from the last reply. True when an owner was found.
bool LookupCaller(cacheapi::ServerLink& link, const TelephoneParameters& params,
                  const QString& number, CustomerPanel& panel);

} // namespace telefon
