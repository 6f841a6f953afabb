#include "helpers.h"

#include <QDateTime>
#include <QLocale>

namespace cacheapi {

namespace {
// Day 1.0 of the old date serial numbers, which stands for "no date".
const QDate SerialDayOne(1899, 12, 31);
const QDate SerialEpoch(1899, 12, 30);

QDate dateOf(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::QDate:
        return value.toDate();
    case QMetaType::QDateTime:
        return value.toDateTime().date();
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Int:
    case QMetaType::LongLong:
        return SerialEpoch.addDays(qint64(value.toDouble()));
    default:
        break;
    }
    const QString text = value.toString().trimmed();
    for (const char* format : {"dd.MM.yyyy", "d.M.yyyy", "dd.MM.yy", "yyyy-MM-dd"}) {
        QDate d = QDate::fromString(text, QLatin1String(format));
        if (d.isValid()) {
            if (QLatin1String(format) == QLatin1String("dd.MM.yy") && d.year() < 1930)
                d = d.addYears(100);
            return d;
        }
    }
    return {};
}
} // namespace

QString ToServerDate(const QDate& date) {
    if (!date.isValid() || date == SerialDayOne)
        return {};
    return QString::number(date.year() - 1900) + QStringLiteral("%1%2")
                                                     .arg(date.month(), 2, 10, QLatin1Char('0'))
                                                     .arg(date.day(), 2, 10, QLatin1Char('0'));
}

QString ToServerDate(const QVariant& value) {
    if (!value.isValid() || value.toString().isEmpty())
        return {};
    if (value.typeId() == QMetaType::QString && value.toString() == QLatin1String("  .  ."))
        return {};
    bool isNumber = false;
    const double number = value.toDouble(&isNumber);
    if (isNumber && value.typeId() != QMetaType::QString && (number == -1.0 || number == 1.0))
        return {};
    return ToServerDate(dateOf(value));
}

QString CleanNumberText(const QString& text) {
    if (text.isEmpty())
        return QStringLiteral("0");
    QString result;
    bool commaKept = false;
    const qsizetype last = text.size() - 1;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) {
            result.append(c);
        } else if (c == QLatin1Char(',') && !commaKept) {
            commaKept = true;
            result.append(c);
        } else if (c == QLatin1Char('-') && i == 0) {
            result.append(c);
        } else if (c == QLatin1Char('%') && i == last) {
            result.append(c);
        }
    }
    return result;
}

bool IsNumericText(const QString& text) {
    const QString t = text.trimmed();
    if (t.isEmpty())
        return false;
    const QLocale locale;
    const QString decimal = locale.decimalPoint();
    const QString group = locale.groupSeparator();
    qsizetype i = 0;
    if (t.at(0) == QLatin1Char('+') || t.at(0) == QLatin1Char('-'))
        ++i;
    bool digits = false;
    bool decimalSeen = false;
    for (; i < t.size(); ++i) {
        const QChar c = t.at(i);
        if (c.isDigit() && c.unicode() < 128) {
            digits = true;
        } else if (QString(c) == decimal && !decimalSeen) {
            decimalSeen = true;
        } else if (QString(c) == group && !decimalSeen) {
            continue;
        } else {
            return false;
        }
    }
    return digits;
}

} // namespace cacheapi
