#pragma once

#include <QString>

namespace cacheapi {
class ServerLink;
}

namespace telefon {

// The server's telephone parameters, read once at start-up with "D PARAM^RUFAP".
struct TelephoneParameters {
    QString DialPrefix;   // outside-line prefix, one digit
    QString LookupPrefix; // own area code without its leading zero
    QString LineText;     // handed to the line once

    // Missing fields are empty.
    static TelephoneParameters read(cacheapi::ServerLink& link);
};

} // namespace telefon
