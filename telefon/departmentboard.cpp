#include "departmentboard.h"

#include "catalogue.h"
#include "environment.h"
#include "helpers.h"
#include "serverlink.h"

#include <cmath>

namespace telefon {

namespace {
const QChar TimeSeparator = QLatin1Char(':');
const QString EndOfDay = QStringLiteral("22:00");
constexpr int ScaleStartHour = 5;
constexpr int ScaleStartX = 4100;
constexpr int TwipsPerMinute = 7;

// The leading number of a text, as the board's times were always read: blanks, an optional
// sign, digits and a decimal point; whatever follows is ignored and no digits read as 0.
double leadingNumber(const QString& text) {
    int i = 0;
    while (i < text.size() && text.at(i).isSpace())
        ++i;
    const int start = i;
    if (i < text.size() && (text.at(i) == QLatin1Char('-') || text.at(i) == QLatin1Char('+')))
        ++i;
    bool point = false;
    while (i < text.size()) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('.') && !point)
            point = true;
        else if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            break;
        ++i;
    }
    bool ok = false;
    const double value = text.mid(start, i - start).toDouble(&ok);
    return ok ? value : 0.0;
}

double hoursOf(const QString& time) {
    return leadingNumber(cacheapi::Piece(time, TimeSeparator, 1));
}
double minutesOf(const QString& time) {
    return leadingNumber(cacheapi::Piece(time, TimeSeparator, 2));
}

// Halves go to the even neighbour, as the screen coordinates always did.
int roundHalfEven(double value) {
    const double floor = std::floor(value);
    const double fraction = value - floor;
    if (fraction > 0.5)
        return int(floor) + 1;
    if (fraction < 0.5)
        return int(floor);
    return std::fmod(floor, 2.0) == 0.0 ? int(floor) : int(floor) + 1;
}

} // namespace

int TimeToX(const QString& time) {
    const double minutes = (hoursOf(time) - ScaleStartHour) * 60 + minutesOf(time);
    return roundHalfEven(minutes * TwipsPerMinute + ScaleStartX);
}

double IntervalWidth(const QString& start, const QString& end) {
    const QString until = end.isEmpty() ? EndOfDay : end;
    auto minutes = [](const QString& t) { return hoursOf(t) * 60 + minutesOf(t); };
    return (minutes(until) - minutes(start)) * TwipsPerMinute;
}

int RowTop(int row) {
    return 200 + 450 * row;
}
int ActualBarTop(int row) {
    return 380 + 450 * row;
}

DepartmentBoard::DepartmentBoard(cacheapi::ServerLink& link, const cacheapi::Clock& clock)
    : link_(link), clock_(clock) {}

QString DepartmentBoard::ReferenceTimeText() const {
    return referenceTime_.toString(QStringLiteral("HH:mm:ss"));
}

int DepartmentBoard::UpdateReferenceX() {
    referenceX_ = TimeToX(ReferenceTimeText());
    return referenceX_;
}

bool DepartmentBoard::CoversReferenceTime(const BoardBar& bar) const {
    const int x = TimeToX(ReferenceTimeText());
    return bar.left <= x && x <= bar.left + bar.width;
}

void DepartmentBoard::FillDepartmentBoard(const QString& department, const QDate& day,
                                          bool rebuild) {
    currentDepartment_ = department;
    if (rebuild) {
        referenceTime_ = clock_.now().time();
        rows_.clear();
    }
    const auto staff = cacheapi::catalogue::departmentStaff(link_, department);
    const int n = int(staff.size());
    for (int i = 1; i <= n; ++i) {
        const auto& member = staff.at(i - 1);
        if (rebuild) {
            BoardRow row;
            row.staffId = member.id;
            row.name = member.name;
            row.extension = member.extension;
            row.top = RowTop(i);
            rows_.append(row);
        } else if (i > rows_.size()) {
            break; // the rows were made for a shorter staff list
        }
        fillTimes(rows_[i - 1], i, member.id, day);
    }
    // Rows the new day's list does not reach have nothing to show for that day.
    if (!rebuild) {
        for (int i = n; i < rows_.size(); ++i)
            clearTimes(rows_[i]);
    }
    UpdateReferenceX();
}

void DepartmentBoard::fillTimes(BoardRow& row, int rowNumber, const QString& staffId,
                                const QDate& day) {
    const cacheapi::catalogue::DayPlan plan = cacheapi::catalogue::dayPlan(link_, staffId, day);
    for (int b = 0; b < PlannedBarCount; ++b)
        fillBar(row.bars[b], plan.start[b], plan.end[b], RowTop(rowNumber),
                BoardColour::ActiveTitle);
    row.present = false;
    for (int b = PlannedBarCount; b < BoardBarCount; ++b) {
        BoardBar& bar = row.bars[b];
        fillBar(bar, plan.start[b], plan.end[b], ActualBarTop(rowNumber), BoardColour::Desktop);
        if (bar.visible && CoversReferenceTime(bar))
            row.present = true;
    }
}

void DepartmentBoard::fillBar(BoardBar& bar, const QString& start, const QString& end, int top,
                              BoardColour colour) const {
    // A width below zero (an end before the start, an open interval begun after 22:00) has no
    // place on the scale.
    const double width = start.isEmpty() ? 0.0 : IntervalWidth(start, end);
    if (start.isEmpty() || width < 0) {
        bar.visible = false;
        return;
    }
    bar.visible = true;
    bar.top = top;
    bar.left = TimeToX(start);
    bar.width = width;
    bar.caption = start + QStringLiteral(" - ") + end;
    const bool open = end.isEmpty();
    bar.fill = open ? BoardColour::White : colour;
    bar.text = open ? BoardColour::Black : BoardColour::White;
}

void DepartmentBoard::clearTimes(BoardRow& row) {
    for (BoardBar& bar : row.bars)
        bar.visible = false;
    row.present = false;
}

} // namespace telefon
