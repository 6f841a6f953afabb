#pragma once

#include <QDate>
#include <QString>
#include <QTime>
#include <QVector>
#include <array>

namespace cacheapi {
class ServerLink;
}
namespace context {
class Clock;
}

namespace telefon {

// The time scale of the department board, in twips: 05:00 lies at 4100, a minute is 7 twips.
// Times are "HH:MM" texts; seconds after a second colon are ignored.
int TimeToX(const QString& time);
// Width of the interval from start to end; an empty end means the interval is still open and
// reaches to 22:00. Negative for an end before the start.
double IntervalWidth(const QString& start, const QString& end);

// Colours of the board by their role; the window maps them to the screen's colours.
enum class BoardColour {
    ActiveTitle,       // planned bars
    Desktop,           // clocked bars
    White,             // open bars, and the text of closed ones
    Black,             // text of open bars
    TooltipBackground, // a member who is in
    Red,               // a member who is not in at the reference moment
};

struct BoardBar {
    bool visible = false;
    int left = 0; // twips
    int top = 0;
    double width = 0;
    QString caption;
    BoardColour fill = BoardColour::ActiveTitle;
    BoardColour text = BoardColour::White;
};

// The six bars of a row: two planned intervals, then four clocked ones.
enum BoardBarIndex { SOLL1, SOLL2, IST1, IST2, IST3, IST4 };
inline constexpr int BoardBarCount = 6;
inline constexpr int PlannedBarCount = 2;

struct BoardRow {
    QString staffId;
    QString name;      // Mit
    QString extension; // DW
    int top = 0;       // of name, extension and planned bars
    std::array<BoardBar, BoardBarCount> bars;
    bool present = false;
    BoardColour background() const {
        return present ? BoardColour::TooltipBackground : BoardColour::Red;
    }
};

// Row geometry in twips; rows count from 1.
int RowTop(int row);
int ActualBarTop(int row);

// What the department board shows for one department and one day: one row per staff member
// with the bars of the planned and clocked intervals, judged against the moment the board was
// built.
class DepartmentBoard {
public:
    DepartmentBoard(cacheapi::ServerLink& link, const context::Clock& clock);

    // Asks the server for the department's staff and each member's intervals of `day`. With
    // `rebuild` the rows are created anew and the reference moment is taken from the clock;
    // without it only the bars and the marking of the existing rows change.
    void FillDepartmentBoard(const QString& department, const QDate& day, bool rebuild);

    // True when the bar spans the reference moment, both ends included.
    bool CoversReferenceTime(const BoardBar& bar) const;
    // Recomputes ReferenceX from ReferenceTime and returns it.
    int UpdateReferenceX();

    const QString& CurrentDepartment() const { return currentDepartment_; }
    QTime ReferenceTime() const { return referenceTime_; }
    // ReferenceTime in the form the board shows it, as 14:35:12.
    QString ReferenceTimeText() const;
    int ReferenceX() const { return referenceX_; }
    const QVector<BoardRow>& rows() const { return rows_; }

private:
    void fillTimes(BoardRow& row, int rowNumber, const QString& staffId, const QDate& day);
    void fillBar(BoardBar& bar, const QString& start, const QString& end, int top,
                 BoardColour colour) const;
    static void clearTimes(BoardRow& row);

    cacheapi::ServerLink& link_;
    const context::Clock& clock_;
    QString currentDepartment_;
    QTime referenceTime_;
    int referenceX_ = 0;
    QVector<BoardRow> rows_;
};

} // namespace telefon
