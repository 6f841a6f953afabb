#include "fmsuch.h"

#include "catalogue.h"
#include "services.h"

#include <QApplication>
#include <QEvent>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTreeWidget>

namespace windows {

namespace {
constexpr int TagRole = Qt::UserRole;
// Columns of one row as the window joins them.
constexpr QChar ColumnSeparator = QLatin1Char('\n');

} // namespace

QString FoldUmlauts(const QString& text) {
    QString folded;
    folded.reserve(text.size());
    for (const QChar c : text) {
        switch (c.unicode()) {
        case 0x00D6: // Ö
        case 0x00F6: // ö
            folded += QStringLiteral("OE");
            break;
        case 0x00C4: // Ä
        case 0x00E4: // ä
            folded += QStringLiteral("AE");
            break;
        case 0x00DC: // Ü
        case 0x00FC: // ü
            folded += QStringLiteral("UE");
            break;
        case 0x00DF: // ß
            folded += QStringLiteral("SS");
            break;
        default:
            folded += c;
        }
    }
    return folded;
}

FMSuch::FMSuch(cacheapi::ServerLink& link, MainWindowAccess& main, QWidget* parent)
    : QWidget(parent, Qt::Dialog), link_(link), main_(main) {
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
    const QString folded = FoldUmlauts(SUText->text());
    SUText->setText(folded);
    QApplication::beep();
    LIRufnr->clear();
    for (const auto& hit : cacheapi::catalogue::searchNumbers(link_, folded)) {
        const QString rowText =
            QStringList{hit.account, hit.name, hit.postcode, hit.town, hit.phone}.join(
                ColumnSeparator);
        auto* row = new QTreeWidgetItem(LIRufnr, rowText.split(ColumnSeparator));
        row->setData(0, TagRole, hit.phone);
    }
}

QString FMSuch::rowTag(int row) const {
    const QTreeWidgetItem* item = LIRufnr->topLevelItem(row);
    return item ? item->data(0, TagRole).toString() : QString();
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
