#include "phonelink.h"

#include <QRegularExpression>
#include <QUrl>

namespace telefon {

namespace {

const QStringList Schemes{QStringLiteral("tel"), QStringLiteral("sip"), QStringLiteral("sips"),
                          QStringLiteral("callto")};

PhoneLink refused(const QString& text, const QString& why) {
    return {{},
            QStringLiteral("Der Link „%1“ kann nicht gewählt werden: %2 Es wurde nichts "
                           "gewählt.")
                .arg(text, why)};
}

// The part of a link that names the number: the user part of a SIP address, the number of a
// tel: link without its parameters, a callto: target with or without "//".
QString numberPart(const QString& scheme, QString rest) {
    if (scheme == u"callto" && rest.startsWith(u"//"))
        rest = rest.mid(2);
    if (scheme.startsWith(u"sip")) {
        const qsizetype at = rest.indexOf(QLatin1Char('@'));
        if (at >= 0)
            rest = rest.left(at);
    }
    for (QChar end : {QLatin1Char(';'), QLatin1Char('?'), QLatin1Char('/')}) {
        const qsizetype cut = rest.indexOf(end, end == QLatin1Char('/') ? 1 : 0);
        if (cut >= 0)
            rest = rest.left(cut);
    }
    return rest;
}

} // namespace

bool looksLikePhoneLink(const QString& word) {
    const qsizetype colon = word.indexOf(QLatin1Char(':'));
    return colon > 0 && Schemes.contains(word.left(colon).toLower());
}

PhoneLink parsePhoneLink(const QString& text) {
    const QString trimmed = text.trimmed();
    QString written = trimmed;
    const qsizetype colon = trimmed.indexOf(QLatin1Char(':'));
    if (colon > 0 && trimmed.left(colon).contains(
                         QRegularExpression(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*$")))) {
        const QString scheme = trimmed.left(colon).toLower();
        if (!Schemes.contains(scheme))
            return refused(
                trimmed,
                QStringLiteral("Links der Art „%1:“ sind keine Telefonnummern.").arg(scheme));
        written = QUrl::fromPercentEncoding(numberPart(scheme, trimmed.mid(colon + 1)).toUtf8());
    }
    QString number = written;
    number.remove(QRegularExpression(QStringLiteral("[\\s./()\\-]")));
    if (number.isEmpty())
        return refused(trimmed, QStringLiteral("Er enthält keine Rufnummer."));
    static const QRegularExpression Dialable(QStringLiteral("^\\+?[0-9]+$"));
    if (!Dialable.match(number).hasMatch())
        return refused(trimmed, QStringLiteral("„%1“ ist keine Rufnummer.").arg(written));
    return {number, {}};
}

} // namespace telefon
