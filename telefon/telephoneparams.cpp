#include "telephoneparams.h"

#include "serverlink.h"
#include "win1252.h"

namespace telefon {

TelephoneParameters TelephoneParameters::fromReply(const QString& reply) {
    using cacheapi::FieldSeparator;
    return {cacheapi::Piece(reply, FieldSeparator, 1), cacheapi::Piece(reply, FieldSeparator, 2),
            cacheapi::Piece(reply, FieldSeparator, 3)};
}

} // namespace telefon
