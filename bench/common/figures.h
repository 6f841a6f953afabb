#pragma once
// What every benchmark prints: percentiles of measured times.

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

// The offscreen platform cannot raise windows and says so at every popup.
inline void quietRaise(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (!text.contains(QLatin1String("does not support raise")))
        std::fprintf(stderr, "%d %s\n", int(type), qPrintable(text));
}

} // namespace bench
