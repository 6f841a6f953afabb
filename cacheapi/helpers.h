#pragma once

#include <QDate>
#include <QString>
#include <QVariant>

namespace cacheapi {

// The server's date text: years since 1900, two-digit month, two-digit day ("1050307").
// Empty for -1, for the date 31.12.1899 (1.0), for the empty masked field "  .  ." and for an
// invalid or empty value.
QString ToServerDate(const QVariant& value);
QString ToServerDate(const QDate& date);

// Keeps digits, the first comma, a leading minus and a trailing percent sign; "" gives "0".
QString CleanNumberText(const QString& text);

// The platform's numeric-text test: digits with optional sign, decimal and grouping separators
// of the user's locale and surrounding blanks.
bool IsNumericText(const QString& text);

} // namespace cacheapi
