#include "directory.h"

#include "catalogue.h"
#include "serverlink.h"

namespace telefon {

namespace {
// The server joins the column values of an open item with line feeds.
constexpr QChar ColumnSeparator = QLatin1Char('\n');

// A marker that is no number counts as 0.
bool marks(const QString& marker) {
    bool ok = false;
    const double value = marker.trimmed().toDouble(&ok);
    return ok && value > 0;
}
} // namespace

QString FoldUmlauts(const QString& text) {
    QString folded;
    folded.reserve(text.size());
    for (const QChar c : text) {
        switch (c.unicode()) {
        case 0x00D6: // Ö
        case 0x00F6: // ö
            folded += QStringLiteral("OE");
            break;
        case 0x00C4: // Ä
        case 0x00E4: // ä
            folded += QStringLiteral("AE");
            break;
        case 0x00DC: // Ü
        case 0x00FC: // ü
            folded += QStringLiteral("UE");
            break;
        case 0x00DF: // ß
            folded += QStringLiteral("SS");
            break;
        default:
            folded += c;
        }
    }
    return folded;
}

QString NumberSearch::search(const QString& text) {
    const QString folded = FoldUmlauts(text);
    rows_.clear();
    for (const auto& hit : cacheapi::catalogue::searchNumbers(link_, folded))
        rows_.append({{hit.account, hit.name, hit.postcode, hit.town, hit.phone}, hit.phone});
    return folded;
}

QString NumberSearch::numberOf(int row) const {
    return row >= 0 && row < rows_.size() ? rows_.at(row).number : QString();
}

void OpenItemsList::fill(const QString& accountText) {
    const QString account = cacheapi::Piece(accountText, QChar('K'), 2);
    rows_.clear();
    for (const auto& item : cacheapi::catalogue::openItems(link_, account))
        rows_.append({item.rowText.split(ColumnSeparator), {}, marks(item.marker)});
}

} // namespace telefon
