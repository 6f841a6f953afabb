#include "fmabt.h"

#include "context.h"
#include "services.h"

#include <QApplication>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>

#include <memory>

namespace windows {

namespace {
constexpr double TwipsPerPixel = 15.0;
constexpr int InnerWidth = 10545;
constexpr int InnerHeight = 6615;
constexpr int NameLeft = 120, NameWidth = 3255;
constexpr int ExtensionLeft = 3480, ExtensionWidth = 495;
constexpr int FieldHeight = 300;
constexpr int BarHeight = 195;
constexpr int MarkerTop = 400;
constexpr int MarkerBottomGap = 300;
constexpr int NowLabelOffset = 350;
constexpr int NowLabelWidth = 700, NowLabelHeight = 255, NowLabelTop = 120;

const QLocale German(QLocale::German, QLocale::Germany);

const char* const BarNames[telefon::BoardBarCount] = {"SOLL1", "SOLL2", "IST1",
                                                      "IST2",  "IST3",  "IST4"};

QColor screenColour(telefon::BoardColour colour) {
    using telefon::BoardColour;
    const QPalette palette = QApplication::palette();
    switch (colour) {
    case BoardColour::ActiveTitle:
        return palette.color(QPalette::Active, QPalette::Highlight);
    case BoardColour::Desktop:
        return QColor(0, 128, 128); // the classic desktop teal; no toolkit role exists for it
    case BoardColour::White:
        return Qt::white;
    case BoardColour::Black:
        return Qt::black;
    case BoardColour::TooltipBackground:
        return palette.color(QPalette::ToolTipBase);
    case BoardColour::Red:
        return QColor(255, 0, 0);
    }
    return Qt::white;
}

QString weekdayName(const QDate& date) {
    return German.toString(date, QStringLiteral("dddd"));
}
} // namespace

int FMAbt::toPixels(double twips) {
    return qRound(twips / TwipsPerPixel);
}

FMAbt::FMAbt(Services& services, QWidget* parent)
    : QWidget(parent, Qt::Window), services_(services),
      board_(services.link, services.context.clock) {
    setWindowTitle(QStringLiteral("Ventor Abteilung"));
    // The layout was made for the small dialog font of the workstations.
    QFont small = font();
    small.setPixelSize(11);
    setFont(small);
    resize(toPixels(InnerWidth), toPixels(InnerHeight));
    createHeader();

    // The date set on loading is the initial one and must not refill the board.
    boardReady_ = false;
    perdat_->setDate(services_.context.clock.now().date());
    boardReady_ = true;
    wtag_->setText(weekdayName(perdat_->date()));
}

FMAbt::~FMAbt() = default;

void FMAbt::setGeometryTwips(QWidget* widget, int left, int top, int width, int height) {
    widget->setGeometry(toPixels(left), toPixels(top), toPixels(width), toPixels(height));
}

void FMAbt::createHeader() {
    label1_ = new QLabel(QStringLiteral("per Datum:"), this);
    label1_->setObjectName(QStringLiteral("Label1"));
    setGeometryTwips(label1_, 240, 120, 1215, 255);

    perdat_ = new QDateEdit(this);
    perdat_->setObjectName(QStringLiteral("PERDAT"));
    perdat_->setLocale(German);
    perdat_->setDisplayFormat(QStringLiteral("MMMM, yyyy"));
    perdat_->setCalendarPopup(true);
    setGeometryTwips(perdat_, 1320, 120, 1215, 300);
    connect(perdat_, &QDateEdit::dateChanged, this, &FMAbt::dateChanged);

    wtag_ = new QLabel(this);
    wtag_->setObjectName(QStringLiteral("WTAG"));
    setGeometryTwips(wtag_, 2640, 120, 1575, 375);

    buEnd_ = new QPushButton(QStringLiteral("Schließen"), this);
    buEnd_->setObjectName(QStringLiteral("BUend"));
    setGeometryTwips(buEnd_, 4440, 120, 975, 375);
    connect(buEnd_, &QPushButton::clicked, this, &FMAbt::closeBoard);
    makeRoomForTheMonthName();

    jetztTxt_ = new QLabel(this);
    jetztTxt_->setObjectName(QStringLiteral("JETZTTXT"));
    jetztTxt_->resize(toPixels(NowLabelWidth), toPixels(NowLabelHeight));
}

// The month is written out in full; where the toolkit's font needs more room than the old
// layout gave, the weekday moves right (into its own spare width) instead of cutting it off.
void FMAbt::makeRoomForTheMonthName() {
    const int needed = perdat_->sizeHint().width();
    if (needed <= perdat_->width())
        return;
    const int shift = needed - perdat_->width();
    perdat_->resize(needed, perdat_->height());
    const int left = wtag_->x() + shift;
    wtag_->setGeometry(left, wtag_->y(), std::min(wtag_->width(), buEnd_->x() - left - 4),
                       wtag_->height());
}

QLineEdit* FMAbt::Mit(int row) const {
    return row >= 1 && row <= rows_.size() ? rows_[row - 1].name : nullptr;
}
QLineEdit* FMAbt::DW(int row) const {
    return row >= 1 && row <= rows_.size() ? rows_[row - 1].extension : nullptr;
}
QPushButton* FMAbt::bar(int row, int index) const {
    if (row < 1 || row > rows_.size() || index < 0 || index >= telefon::BoardBarCount)
        return nullptr;
    return rows_[row - 1].bars[index];
}

void FMAbt::FillDepartmentBoard(const QString& department, const QDate& day, bool rebuild) {
    board_.FillDepartmentBoard(department, day, rebuild);
    if (rebuild)
        createRows();
    showBars();
    showMarking();
    services_.context.events.processEvents();
    board_.UpdateReferenceX();
    placeReferenceMarks();
    services_.context.events.processEvents();
    if (rebuild) {
        fitHeightToRows();
        services_.modal.runModal(this);
    }
}

void FMAbt::createRows() {
    for (RowControls& row : rows_) {
        delete row.name;
        delete row.extension;
        qDeleteAll(row.bars);
    }
    rows_.clear();
    QFont barFont = font();
    barFont.setPixelSize(9);
    const auto& rows = board_.rows();
    for (int i = 1; i <= rows.size(); ++i) {
        const telefon::BoardRow& data = rows[i - 1];
        RowControls controls;
        controls.name = new QLineEdit(data.name, this);
        controls.name->setObjectName(QStringLiteral("Mit%1").arg(i));
        controls.name->setReadOnly(true);
        setGeometryTwips(controls.name, NameLeft, data.top, NameWidth, FieldHeight);
        controls.extension = new QLineEdit(data.extension, this);
        controls.extension->setObjectName(QStringLiteral("DW%1").arg(i));
        controls.extension->setReadOnly(true);
        controls.extension->setCursor(Qt::PointingHandCursor);
        controls.extension->installEventFilter(this);
        setGeometryTwips(controls.extension, ExtensionLeft, data.top, ExtensionWidth, FieldHeight);
        for (int b = 0; b < telefon::BoardBarCount; ++b) {
            auto* bar = new QPushButton(this);
            bar->setObjectName(QStringLiteral("%1_%2").arg(QLatin1String(BarNames[b])).arg(i));
            bar->setFont(barFont);
            bar->setFocusPolicy(Qt::NoFocus);
            bar->hide();
            controls.bars.append(bar);
        }
        controls.name->show();
        controls.extension->show();
        rows_.append(controls);
    }
}

void FMAbt::showBars() {
    const auto& rows = board_.rows();
    for (int i = 0; i < rows_.size() && i < rows.size(); ++i) {
        for (int b = 0; b < telefon::BoardBarCount; ++b) {
            const telefon::BoardBar& data = rows[i].bars[b];
            QPushButton* bar = rows_[i].bars[b];
            if (!data.visible) {
                bar->hide();
                continue;
            }
            const QColor fill = screenColour(data.fill);
            bar->setStyleSheet(
                QStringLiteral("QPushButton { background-color: %1; color: %2; "
                               "border: 1px solid %3; padding: 0px; }")
                    .arg(fill.name(), screenColour(data.text).name(), fill.darker(150).name()));
            bar->setText(data.caption);
            bar->setToolTip(data.caption);
            setGeometryTwips(bar, data.left, data.top, qRound(data.width), BarHeight);
            bar->show();
        }
    }
}

void FMAbt::showMarking() {
    const auto& rows = board_.rows();
    for (int i = 0; i < rows_.size() && i < rows.size(); ++i) {
        const QString style = QStringLiteral("QLineEdit { background-color: %1; color: black; }")
                                  .arg(screenColour(rows[i].background()).name());
        rows_[i].name->setStyleSheet(style);
        rows_[i].extension->setStyleSheet(style);
    }
}

void FMAbt::placeReferenceMarks() {
    jetztTxt_->move(toPixels(board_.ReferenceX() - NowLabelOffset), toPixels(NowLabelTop));
    jetztTxt_->setText(board_.ReferenceTimeText());
    jetztTxt_->adjustSize();
    update();
}

void FMAbt::fitHeightToRows() {
    if (rows_.isEmpty())
        return;
    const int needed = toPixels(telefon::ActualBarTop(int(rows_.size())) + BarHeight +
                                MarkerBottomGap + FieldHeight);
    if (needed <= height())
        return;
    int limit = needed;
    if (const QScreen* s = screen())
        limit = std::min(needed, s->availableGeometry().height() - 40);
    resize(width(), std::max(height(), limit));
}

QLine FMAbt::markerLine() const {
    const int x = toPixels(board_.ReferenceX());
    return QLine(x, toPixels(MarkerTop), x, frameGeometry().height() - toPixels(MarkerBottomGap));
}

void FMAbt::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(QPen(Qt::black, 2, Qt::SolidLine, Qt::FlatCap));
    painter.drawLine(markerLine());
}

void FMAbt::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    board_.UpdateReferenceX();
    placeReferenceMarks();
}

bool FMAbt::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        for (int i = 0; i < rows_.size(); ++i) {
            if (watched == rows_[i].extension) {
                extensionClicked(i + 1);
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

void FMAbt::dateChanged(const QDate& date) {
    if (!boardReady_)
        return;
    wtag_->setText(weekdayName(date));
    // The fill lets pending events run while it waits for the server; a date picked meanwhile is
    // filled after it, so that the bars end up showing the date in the field.
    if (fillingForDate_) {
        dateChangedWhileFilling_ = true;
        return;
    }
    fillingForDate_ = true;
    do {
        dateChangedWhileFilling_ = false;
        FillDepartmentBoard(board_.CurrentDepartment(), perdat_->date(), false);
    } while (dateChangedWhileFilling_);
    fillingForDate_ = false;
}

void FMAbt::extensionClicked(int row) {
    const QString extension = DW(row)->text();
    closeBoard();
    if (MainWindowAccess* main = services_.main) {
        main->showMainWindow();
        main->setNumberText(extension);
        main->dialNumber(extension);
    }
}

void FMAbt::closeBoard() {
    hide();
}

void OpenDepartmentBoard(Services& services, const QString& department) {
    QWidget* parent = services.main ? services.main->widget() : nullptr;
    // Unloaded when closed: the next opening builds the board again with a new reference moment.
    auto board = std::make_unique<FMAbt>(services, parent);
    board->FillDepartmentBoard(department, services.context.clock.now().date(), true);
}

} // namespace windows
