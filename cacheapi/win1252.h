#pragma once

#include <QByteArray>
#include <QString>

namespace cacheapi {

// The server speaks Windows-1252. Characters that code page cannot hold become '?'.
QByteArray toWindows1252(const QString& text);
QString fromWindows1252(const QByteArray& bytes);
// The code of one character in Windows-1252, or -1 when it has none.
int windows1252Code(QChar c);
QChar windows1252Char(unsigned char code);

// Record separator of list replies: byte 255, "ÿ".
inline constexpr QChar RecordSeparator = QChar(0xFF);
// Field separator within a record: the backquote.
inline constexpr QChar FieldSeparator = QChar('`');

} // namespace cacheapi
