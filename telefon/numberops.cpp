#include "numberops.h"

#include "catalogue.h"
#include "helpers.h"
#include "line.h"
#include "serverlink.h"
#include "win1252.h"

namespace telefon {

namespace {
QString digitsOnly(const QString& text) {
    QString digits;
    for (QChar c : text) {
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            digits.append(c);
    }
    return digits;
}
} // namespace

CustomerPanel CustomerPanel::from(const cacheapi::catalogue::Customer& c) {
    CustomerPanel p;
    p.Nr = c.account;
    p.Anrede = c.salutation;
    p.NAMEN = c.name;
    p.Branche = c.business;
    p.Strasse = c.street;
    p.Plz = c.postcodePrefix + QLatin1Char('-') + c.postcode;
    p.Ort = c.town;
    p.Telnr = c.phone;
    p.emailText = c.email;
    p.emailLink = QStringLiteral("mailto:") + p.emailText;
    p.Faxnr = c.fax;
    // Dunning and revenue figures belong to customers ("K" accounts) only, but are always filled.
    p.customerOnlyVisible = p.Nr.startsWith(QLatin1Char('K'), Qt::CaseSensitive);
    p.Mahnstufe = c.dunningLevel;
    p.MahnstDatum = c.dunningDate;
    p.LeAuDatum = c.lastOrderDate;
    p.AktSaldo = c.balance;
    p.UmsatzLJ = c.revenueThisYear;
    p.UmsatzVJ = c.revenueLastYear;
    return p;
}

QString NumberDigits(const QString& text) {
    return digitsOnly(text);
}

bool IsWrittenNumber(const QString& text) {
    const QString t = text.trimmed();
    bool digits = false;
    for (qsizetype i = 0; i < t.size(); ++i) {
        const QChar c = t.at(i);
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            digits = true;
        else if (!(c == QLatin1Char('+') && i == 0) && !QStringLiteral(" /-.()").contains(c))
            return false;
    }
    return digits;
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
    cacheapi::catalogue::Customer customer;
    for (const QString& candidate : LookupCandidates(number, params.LookupPrefix)) {
        customer = cacheapi::catalogue::findCustomer(link, candidate);
        if (!customer.account.isEmpty())
            break;
    }
    panel = CustomerPanel::from(customer);
    return !panel.Nr.isEmpty();
}

} // namespace telefon
