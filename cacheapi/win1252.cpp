#include "win1252.h"

namespace cacheapi {

namespace {
// Windows-1252 differs from Latin-1 only in 0x80..0x9F; five of those codes are unassigned.
constexpr char16_t HighControlBlock[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
} // namespace

QChar windows1252Char(unsigned char code) {
    if (code >= 0x80 && code <= 0x9F) {
        const char16_t mapped = HighControlBlock[code - 0x80];
        // Unassigned codes pass through as the C1 control of the same value.
        return mapped ? QChar(mapped) : QChar(code);
    }
    return QChar(code);
}

int windows1252Code(QChar c) {
    const char16_t u = c.unicode();
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF))
        return u;
    for (int i = 0; i < 32; ++i)
        if (HighControlBlock[i] == u)
            return 0x80 + i;
    if (u >= 0x80 && u <= 0x9F && HighControlBlock[u - 0x80] == 0)
        return u;
    return -1;
}

QByteArray toWindows1252(const QString& text) {
    QByteArray bytes(text.size(), Qt::Uninitialized);
    char* out = bytes.data();
    for (QChar c : text) {
        const int code = windows1252Code(c);
        *out++ = code < 0 ? '?' : char(code);
    }
    return bytes;
}

QString fromWindows1252(const QByteArray& bytes) {
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (char b : bytes)
        *out++ = windows1252Char(static_cast<unsigned char>(b));
    return text;
}

} // namespace cacheapi
