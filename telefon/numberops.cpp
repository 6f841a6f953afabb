#include "numberops.h"

#include "helpers.h"
#include "line.h"
#include "serverlink.h"
#include "win1252.h"

namespace telefon {

namespace {
QString field(const QString& reply, int n) {
    return cacheapi::Piece(reply, cacheapi::FieldSeparator, n);
}

QString digitsOnly(const QString& text) {
    QString digits;
    for (QChar c : text) {
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            digits.append(c);
    }
    return digits;
}

QString lookupCommand(const QString& candidate) {
    return QStringLiteral("D TELSU^RUFAP(\"") + candidate + QStringLiteral("\")");
}
} // namespace

CustomerPanel CustomerPanel::fromReply(const QString& reply) {
    CustomerPanel p;
    p.Nr = field(reply, 1);
    p.Anrede = field(reply, 2);
    p.NAMEN = field(reply, 3);
    p.Branche = field(reply, 4);
    p.Strasse = field(reply, 5);
    p.Plz = field(reply, 6) + QLatin1Char('-') + field(reply, 7);
    p.Ort = field(reply, 8);
    p.Telnr = field(reply, 9);
    p.emailText = field(reply, 10);
    p.emailLink = QStringLiteral("mailto:") + p.emailText;
    p.Faxnr = field(reply, 11);
    // Dunning and revenue figures belong to customers ("K" accounts) only, but are always filled.
    p.customerOnlyVisible = p.Nr.startsWith(QLatin1Char('K'), Qt::CaseSensitive);
    p.Mahnstufe = field(reply, 12);
    p.MahnstDatum = field(reply, 13);
    p.LeAuDatum = field(reply, 14);
    p.AktSaldo = field(reply, 15);
    p.UmsatzLJ = field(reply, 16);
    p.UmsatzVJ = field(reply, 17);
    return p;
}

QString DialDigits(const TelephoneParameters& params, const QString& text) {
    const QString digits = digitsOnly(text);
    // One or two digits are an internal extension and need no outside line.
    if (digits.size() > 2)
        return params.DialPrefix + digits;
    return digits;
}

void DialNumber(line::Line& line, const TelephoneParameters& params, const QString& text) {
    line.drop();
    const QString number = DialDigits(params, text);
    if (number.isEmpty())
        return;
    line.setNumber(number);
    line.makeCall();
}

QString CleanIncomingNumber(const QString& text, const QString& dialPrefix) {
    const QString cleaned = cacheapi::CleanNumberText(text);
    // External calls arrive with the outside-line digit in front; anything else is internal.
    if (cleaned.size() >= 3 && cleaned.left(1) == dialPrefix)
        return cleaned.mid(1);
    return {};
}

QStringList LookupCandidates(const QString& number, const QString& lookupPrefix) {
    const QString ownArea = QLatin1Char('0') + lookupPrefix;
    QString localPart;
    if (number.left(ownArea.size()) == ownArea)
        localPart = number.mid(ownArea.size());
    return {localPart, ownArea + number, number.mid(1), number};
}

bool LookupCaller(cacheapi::ServerLink& link, const TelephoneParameters& params,
                  const QString& number, CustomerPanel& panel) {
    QString reply;
    for (const QString& candidate : LookupCandidates(number, params.LookupPrefix)) {
        bool error = false;
        reply = link.ExecuteCommand(lookupCommand(candidate), error);
        if (!field(reply, 1).isEmpty())
            break;
    }
    panel = CustomerPanel::fromReply(reply);
    return !panel.Nr.isEmpty();
}

} // namespace telefon
