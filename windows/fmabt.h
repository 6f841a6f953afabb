#pragma once

#include "departmentboard.h"

#include <QDate>
#include <QLine>
#include <QVector>
#include <QWidget>

class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;

namespace windows {

struct Services;

// The department board "Ventor Abteilung": one row per staff member with name and extension,
// the planned and clocked intervals of the chosen day as bars on a time scale from 05:00, and a
// marker line at the moment the board was opened. A click on an extension dials it.
class FMAbt : public QWidget {
    Q_OBJECT
public:
    explicit FMAbt(Services& services, QWidget* parent = nullptr);
    ~FMAbt() override;

    // Fills the board for the department and day. With `rebuild` the rows are made anew, the
    // reference moment is taken now and the board is shown modally; the call then returns when
    // the board was closed.
    void FillDepartmentBoard(const QString& department, const QDate& day, bool rebuild);

    const telefon::DepartmentBoard& board() const { return board_; }
    int rowCount() const { return int(rows_.size()); }

    // Controls; rows count from 1, bars are indexed by telefon::BoardBarIndex.
    QDateEdit* PERDAT() const { return perdat_; }
    QLabel* WTAG() const { return wtag_; }
    QPushButton* BUend() const { return buEnd_; }
    QLabel* JETZTTXT() const { return jetztTxt_; }
    QLineEdit* Mit(int row) const;
    QLineEdit* DW(int row) const;
    QPushButton* bar(int row, int index) const;
    // The marker line as drawn, in pixels of the window.
    QLine markerLine() const;

    // The board's layout is given in twips, 15 to a logical pixel.
    static int toPixels(double twips);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct RowControls {
        QLineEdit* name = nullptr;
        QLineEdit* extension = nullptr;
        QVector<QPushButton*> bars;
    };

    void createHeader();
    void makeRoomForTheMonthName();
    void createRows();
    void showBars();
    void showMarking();
    void placeReferenceMarks();
    void fitHeightToRows();
    void dateChanged(const QDate& date);
    void extensionClicked(int row);
    void closeBoard();
    void setGeometryTwips(QWidget* widget, int left, int top, int width, int height);

    Services& services_;
    telefon::DepartmentBoard board_;
    bool boardReady_ = false;
    bool fillingForDate_ = false;
    bool dateChangedWhileFilling_ = false;
    QLabel* label1_ = nullptr;
    QDateEdit* perdat_ = nullptr;
    QLabel* wtag_ = nullptr;
    QPushButton* buEnd_ = nullptr;
    QLabel* jetztTxt_ = nullptr;
    QVector<RowControls> rows_;
};

// Opens the board for a department of the list bar on today's date; returns when it was closed.
void OpenDepartmentBoard(Services& services, const QString& department);

} // namespace windows
