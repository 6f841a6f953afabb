#include "telephoneparams.h"

#include "serverlink.h"

namespace telefon {

TelephoneParameters TelephoneParameters::fromReply(const QString& reply) {
    const QChar separator = QLatin1Char('`');
    return {cacheapi::Piece(reply, separator, 1), cacheapi::Piece(reply, separator, 2),
            cacheapi::Piece(reply, separator, 3)};
}

} // namespace telefon
