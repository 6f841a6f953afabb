#include "fmaddr.h"

#include "catalogue.h"
#include "listbar.h"
#include "serverlink.h"
#include "services.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>

namespace windows {

namespace {
QLineEdit* field(QWidget* parent, const char* name, const QString& caption, int top) {
    auto* label = new QLabel(caption, parent);
    placeTwips(label, 120, top + 30, 1200, 285);
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    placeTwips(edit, 1380, top, 3600, 315);
    return edit;
}

QPushButton* button(QWidget* parent, const char* name, const QString& caption, int left) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QLatin1String(name));
    placeTwips(b, left, 1560, 1500, 420);
    return b;
}
} // namespace

FMAddr::FMAddr(cacheapi::ServerLink& link, telefon::ListBarModel& listBar, MainWindowAccess& main,
               QWidget* parent)
    : QWidget(parent, Qt::Dialog), link_(link), listBar_(listBar), main_(main) {
    setObjectName(QStringLiteral("FMAddr"));
    setWindowTitle(QStringLiteral("VENTOR Telefon Zielwahl bearbeiten"));
    setFixedSize(twipsToPixels(5220), twipsToPixels(2160));

    RUFNR = field(this, "RUFNR", QStringLiteral("Rufnummer:"), 120);
    NAMEN = field(this, "NAMEN", QStringLiteral("Name:"), 540);
    SORT = field(this, "SORT", QStringLiteral("Sortierung;"), 960);
    SORT->setAlignment(Qt::AlignRight);
    // A number field: only digits can be typed. What the window fills in is taken as it is.
    SORT->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,9}")), SORT));
    placeTwips(SORT, 1380, 960, 900, 315);

    BUSpeich = button(this, "BUSpeich", QStringLiteral("Speichern"), 120);
    BUAus = button(this, "BUAus", QStringLiteral("Ausstieg"), 1860);
    BULOE = button(this, "BULOE", QStringLiteral("Löschen"), 3600);

    setTabOrder(BUSpeich, BULOE);
    setTabOrder(BULOE, BUAus);
    setTabOrder(BUAus, RUFNR);
    setTabOrder(RUFNR, NAMEN);
    setTabOrder(NAMEN, SORT);

    connect(BUSpeich, &QPushButton::clicked, this, &FMAddr::save);
    connect(BULOE, &QPushButton::clicked, this, &FMAddr::remove);
    connect(BUAus, &QPushButton::clicked, this, &QWidget::hide);
}

// Every opening starts on "Speichern", the first of the tab order.
void FMAddr::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    BUSpeich->setFocus();
}

void FMAddr::open(const QString& name, const QString& number, const QString& sort,
                  ModalRunner& modal) {
    NAMEN->setText(name);
    RUFNR->setText(number);
    SORT->setText(sort);
    modal.runModal(this);
}

void FMAddr::save() {
    cacheapi::catalogue::saveSpeedDialEntry(link_, RUFNR->text(), NAMEN->text(), SORT->text());
    afterChange();
}

void FMAddr::remove() {
    if (RUFNR->text().isEmpty())
        return;
    const cacheapi::LoginState& state = link_.state();
    cacheapi::catalogue::deleteSpeedDialEntry(link_, state.Firma, state.Filiale, RUFNR->text());
    afterChange();
}

void FMAddr::afterChange() {
    telefon::RefillSpeedDial(link_, listBar_);
    hide();
    main_.showMainWindow();
}

} // namespace windows
