#pragma once

#include <QString>

namespace telefon {

// The server's telephone parameters, read once at start-up with "D PARAM^RUFAP".
struct TelephoneParameters {
    QString DialPrefix;   // outside-line prefix, one digit
    QString LookupPrefix; // own area code without its leading zero
    QString LineText;     // handed to the line once

    // Field 1 DialPrefix, field 2 LookupPrefix, field 3 the line text; missing fields are empty.
    static TelephoneParameters fromReply(const QString& reply);
};

} // namespace telefon
