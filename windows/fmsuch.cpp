#include "fmsuch.h"

#include "services.h"

#include <QApplication>
#include <QEvent>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTreeWidget>

namespace windows {

FMSuch::FMSuch(cacheapi::ServerLink& link, MainWindowAccess& main, QWidget* parent)
    : QWidget(parent, Qt::Dialog), search_(link), main_(main) {
    setObjectName(QStringLiteral("FMSuch"));
    setWindowTitle(QStringLiteral("Suche Rufnummer"));
    resize(twipsToPixels(9000), twipsToPixels(5400));

    auto* label = new QLabel(QStringLiteral("Suchbegriff:"), this);
    placeTwips(label, 120, 150, 1200, 285);
    SUText = new QLineEdit(this);
    SUText->setObjectName(QStringLiteral("SUText"));
    placeTwips(SUText, 1380, 120, 4200, 315);

    LIRufnr = new QTreeWidget(this);
    LIRufnr->setObjectName(QStringLiteral("LIRufnr"));
    LIRufnr->setRootIsDecorated(false);
    LIRufnr->setUniformRowHeights(true);
    LIRufnr->setAllColumnsShowFocus(true);
    LIRufnr->setHeaderLabels({QStringLiteral("Nr."), QStringLiteral("Name"), QStringLiteral("Plz"),
                              QStringLiteral("Ort"), QStringLiteral("Rufnummer")});
    placeTwips(LIRufnr, 120, 600, 8760, 4680);
    const QList<int> widths = {1000, 2900, 800, 2000, 1800};
    for (int i = 0; i < widths.size(); ++i)
        LIRufnr->setColumnWidth(i, twipsToPixels(widths[i]));

    setTabOrder(SUText, LIRufnr);
    connect(SUText, &QLineEdit::returnPressed, this, &FMSuch::search);
    // Double-click or Enter on a row chooses it.
    connect(LIRufnr, &QTreeWidget::itemActivated, this,
            [this](QTreeWidgetItem* item) { chooseRow(LIRufnr->indexOfTopLevelItem(item)); });
}

// Shown or activated, the window sits just below the main window's call area, ready for a word.
void FMSuch::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    placeAndFocus();
}

bool FMSuch::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate)
        placeAndFocus();
    return QWidget::event(event);
}

void FMSuch::placeAndFocus() {
    const QRect frame = main_.frameTwips();
    move(twipsToPixels(frame.left() + 600), twipsToPixels(frame.top() + 1000));
    SUText->setFocus();
}

void FMSuch::openModal(ModalRunner& modal) {
    modal.runModal(this);
}

void FMSuch::openWithSearchWord(const QString& text) {
    show();
    raise();
    activateWindow();
    SUText->setText(text);
    main_.setNumberText(QString());
    search();
}

void FMSuch::search() {
    SUText->setText(telefon::FoldUmlauts(SUText->text()));
    QApplication::beep();
    LIRufnr->clear();
    search_.search(SUText->text());
    for (const telefon::DirectoryRow& row : search_.rows())
        new QTreeWidgetItem(LIRufnr, row.columns);
}

QString FMSuch::rowTag(int row) const {
    return search_.numberOf(row);
}

void FMSuch::chooseRow(int row) {
    if (!LIRufnr->topLevelItem(row))
        return;
    const QString number = rowTag(row);
    main_.setNumberText(number);
    main_.lookupCaller(number);
    hide();
}

} // namespace windows
