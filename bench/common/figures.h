#pragma once
// What every benchmark prints: percentiles of measured times; and the server's frames.

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace bench {

// The value at fraction p (0..1) of the sorted values, nearest rank; 0 for no values.
inline double percentile(std::vector<double> values, double p) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const auto index = size_t(p * double(values.size() - 1) + 0.5);
    return values[std::min(index, values.size() - 1)];
}

// One frame of the server's protocol: the payload behind its 4-byte big-endian length.
inline QByteArray frame(const QByteArray& payload) {
    const auto n = quint32(payload.size());
    const char header[4] = {char(n >> 24), char(n >> 16), char(n >> 8), char(n)};
    return QByteArray(header, 4) + payload;
}

// The offscreen platform cannot raise windows and says so at every popup.
inline void quietRaise(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (!text.contains(QLatin1String("does not support raise")))
        std::fprintf(stderr, "%d %s\n", int(type), qPrintable(text));
}

} // namespace bench
