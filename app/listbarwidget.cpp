#include "listbarwidget.h"

#include "listbar.h"

#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace app {

ListBarWidget::ListBarWidget(telefon::ListBarModel& model, QWidget* parent)
    : QWidget(parent), model_(model), layout_(new QVBoxLayout(this)), list_(new QListWidget) {
    layout_->setContentsMargins(0, 0, 0, 0);
    layout_->setSpacing(0);
    list_->setObjectName(QStringLiteral("ZielwahlItems"));
    list_->setMouseTracking(true);
    list_->setUniformItemSizes(true);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setTextElideMode(Qt::ElideRight);
    list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list_->setIconSize(QSize(16, 16));
    layout_->addWidget(list_, 1);

    auto indexOf = [this](QListWidgetItem* item) { return list_->row(item) + 1; };
    connect(list_, &QListWidget::itemClicked, this,
            [=, this](QListWidgetItem* item) { emit itemChosen(openGroup_, indexOf(item)); });
    connect(list_, &QListWidget::itemEntered, this,
            [=, this](QListWidgetItem* item) { emit pointerOver(openGroup_, indexOf(item)); });
    connect(list_, &QListWidget::itemDoubleClicked, this,
            [=, this](QListWidgetItem* item) { emit itemActivated(openGroup_, indexOf(item)); });

    connect(&model_, &telefon::ListBarModel::redrawRequested, this, [this] {
        syncGroups();
        refill();
    });
    connect(&model_, &telefon::ListBarModel::structureChanged, this, [this] {
        syncGroups();
        scheduleRefill();
    });
    syncGroups();
    refill();
}

void ListBarWidget::setPictures(const QIcon& pic0, const QIcon& pic1) {
    pic0_ = pic0;
    pic1_ = pic1;
    refill();
}

void ListBarWidget::setOpenGroup(int group) {
    if (group < 1 || group > buttons_.size() || group == openGroup_)
        return;
    openGroup_ = group;
    placeList();
    refill();
}

QPushButton* ListBarWidget::groupButton(int group) const {
    return group >= 1 && group <= buttons_.size() ? buttons_[group - 1] : nullptr;
}

int ListBarWidget::shownItemCount() const {
    return list_->count();
}

QString ListBarWidget::shownCaption(int index) const {
    const QListWidgetItem* item = list_->item(index - 1);
    return item ? item->text() : QString();
}

bool ListBarWidget::shownFilled(int index) const {
    const QListWidgetItem* item = list_->item(index - 1);
    return item && item->data(Qt::UserRole).toBool();
}

// New groups get their buttons; captions follow the model.
void ListBarWidget::syncGroups() {
    while (buttons_.size() < model_.groupCount()) {
        const int group = int(buttons_.size()) + 1;
        auto* button = new QPushButton(this);
        button->setObjectName(QStringLiteral("ZielwahlGroup%1").arg(group));
        button->setFocusPolicy(Qt::NoFocus);
        connect(button, &QPushButton::clicked, this, [this, group] { setOpenGroup(group); });
        buttons_.append(button);
    }
    for (int g = 1; g <= buttons_.size(); ++g)
        buttons_[g - 1]->setText(model_.groupCaption(g));
    if (openGroup_ == 0 && !buttons_.isEmpty())
        openGroup_ = 1;
    placeList();
}

// The buttons of the open group and those before it stand above the items, the rest below.
void ListBarWidget::placeList() {
    // The layout hands its items over; the widgets stay, their layout items go.
    while (layout_->count() > 0)
        delete layout_->takeAt(0);
    for (int g = 1; g <= buttons_.size(); ++g) {
        layout_->addWidget(buttons_[g - 1]);
        if (g == openGroup_)
            layout_->addWidget(list_, 1);
    }
    if (openGroup_ == 0)
        layout_->addWidget(list_, 1);
}

void ListBarWidget::scheduleRefill() {
    // A start-up load adds hundreds of items one by one; they are shown together.
    if (refillPending_)
        return;
    refillPending_ = true;
    QTimer::singleShot(0, this, [this] {
        if (refillPending_)
            refill();
    });
}

void ListBarWidget::refill() {
    refillPending_ = false;
    const int count = openGroup_ > 0 ? model_.itemCount(openGroup_) : 0;
    while (list_->count() > count)
        delete list_->takeItem(list_->count() - 1);
    while (list_->count() < count)
        list_->addItem(new QListWidgetItem);
    for (int i = 1; i <= count; ++i) {
        QListWidgetItem* item = list_->item(i - 1);
        const bool filled = model_.picture(openGroup_, i) == telefon::Picture::Pic1;
        item->setText(model_.caption(openGroup_, i));
        item->setIcon(filled ? pic1_ : pic0_);
        item->setData(Qt::UserRole, filled);
    }
}

} // namespace app
