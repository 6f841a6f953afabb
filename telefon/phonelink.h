#pragma once

#include <QString>

namespace telefon {

// A number handed to the program from outside: a tel:, sip:, sips: or callto: link (as browsers
// and the ERP pass them) or a number written by hand for --dial.
struct PhoneLink {
    QString number; // digits, with a leading "+" when the link has one; empty on error
    QString error;  // German message for the user; empty when the number can be dialled

    bool ok() const { return error.isEmpty(); }
};

// Takes the number out of a link or a written number. Visual separators (blanks, "-", ".",
// "/", "(", ")") are dropped; a link without a number, with letters in its number or of
// another scheme is refused with a message that says why.
PhoneLink parsePhoneLink(const QString& text);

// Whether a command-line word is meant as a link rather than as one of the login words.
bool looksLikePhoneLink(const QString& word);

} // namespace telefon
