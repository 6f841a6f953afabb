#include "fmop.h"

#include "services.h"

#include <QEvent>
#include <QHeaderView>
#include <QPushButton>
#include <QStyle>
#include <QTreeWidget>

namespace windows {

namespace {
constexpr int MarkerColumn = 7; // "MS"
} // namespace

FMOP::FMOP(cacheapi::ServerLink& link, MainWindowAccess& main, QWidget* parent)
    : QWidget(parent, Qt::Dialog), items_(link), main_(main) {
    setObjectName(QStringLiteral("FMOP"));
    setWindowTitle(QStringLiteral("Offene Posten"));
    resize(twipsToPixels(10200), twipsToPixels(5100));

    LIOP = new QTreeWidget(this);
    LIOP->setObjectName(QStringLiteral("LIOP"));
    LIOP->setRootIsDecorated(false);
    LIOP->setUniformRowHeights(true);
    LIOP->setAllColumnsShowFocus(true);
    LIOP->setHeaderLabels({QStringLiteral("Rech.Nr."), QStringLiteral("Bel.Datum"),
                           QStringLiteral("Val.Datum"), QStringLiteral("Soll"),
                           QStringLiteral("Haben"), QStringLiteral("Fäll.Datum"),
                           QStringLiteral("Überf"), QStringLiteral("MS")});
    placeTwips(LIOP, 120, 120, 9960, 4200);
    const QList<int> widths = {1200, 1200, 1200, 1400, 1400, 1200, 1000, 600};
    for (int i = 0; i < widths.size(); ++i)
        LIOP->setColumnWidth(i, twipsToPixels(widths[i]));

    ctPush1 = new QPushButton(QStringLiteral("Schließen"), this);
    ctPush1->setObjectName(QStringLiteral("ctPush1"));
    placeTwips(ctPush1, 8280, 4440, 1800, 420);
    connect(ctPush1, &QPushButton::clicked, this, &QWidget::hide);
}

void FMOP::openModal(ModalRunner& modal) {
    modal.runModal(this);
}

void FMOP::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    fill();
}

// Activated again after the user was elsewhere, the window reads the list anew; not after a
// message shown while it read the list (a failed reading), which would only fail again.
bool FMOP::event(QEvent* event) {
    if (event->type() == QEvent::WindowDeactivate) {
        leftSinceFill_ = !filling_;
    } else if (event->type() == QEvent::WindowActivate) {
        if (leftSinceFill_)
            fill();
        else
            place();
    }
    return QWidget::event(event);
}

void FMOP::place() {
    const QRect frame = main_.frameTwips();
    move(twipsToPixels(frame.left() + 300), twipsToPixels(frame.top() + 500));
}

void FMOP::fill() {
    place();
    leftSinceFill_ = false;
    filling_ = true;
    LIOP->clear();
    items_.fill(main_.accountText());
    filling_ = false;
    const QIcon marker = style()->standardIcon(QStyle::SP_MessageBoxWarning);
    for (const telefon::DirectoryRow& item : items_.rows()) {
        auto* row = new QTreeWidgetItem(LIOP, item.columns);
        if (item.marked)
            row->setIcon(MarkerColumn, marker);
    }
}

bool FMOP::rowMarked(int row) const {
    const QTreeWidgetItem* item = LIOP->topLevelItem(row);
    return item && !item->icon(MarkerColumn).isNull();
}

} // namespace windows
