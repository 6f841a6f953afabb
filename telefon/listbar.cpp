#include "listbar.h"

#include "catalogue.h"
#include "journal.h"

namespace telefon {

namespace {
const QString SpeedDialCaptionText = QStringLiteral("Ziehlwahl"); // spelled so since day one
const QString DepartmentsCaption = QStringLiteral("Abteilungen Intern");

QString speedDialCaption(const cacheapi::catalogue::SpeedDialEntry& entry) {
    return SpeedDialCaption(entry.name, entry.sortKey);
}

void loadJournalGroup(cacheapi::ServerLink& link, ListBarModel& listBar, int kind) {
    for (int slot = 0; slot < JournalSlots; ++slot)
        listBar.addItem(kind, Picture::Pic0, QString());
    const auto entries = cacheapi::catalogue::journal(link, kind);
    // The group has a fixed number of slots: older entries beyond them are not shown.
    const int shown = std::min<int>(entries.size(), JournalSlots);
    for (int j = 1; j <= shown; ++j) {
        const auto& entry = entries.at(j - 1);
        listBar.setCaption(kind, j, entry.caption);
        listBar.setValue(kind, j, entry.number);
        listBar.setPicture(kind, j, Picture::Pic1);
    }
}
} // namespace

ListBarModel::ListBarModel(QObject* parent) : QObject(parent) {}

int ListBarModel::addGroup(const QString& caption) {
    groups_.append(Group{caption, {}});
    emit structureChanged();
    return int(groups_.size());
}

const ListBarModel::Group* ListBarModel::group(int group) const {
    if (group < 1 || group > groups_.size())
        return nullptr;
    return &groups_.at(group - 1);
}

QString ListBarModel::groupCaption(int group) const {
    const Group* g = this->group(group);
    return g ? g->caption : QString();
}

int ListBarModel::itemCount(int group) const {
    const Group* g = this->group(group);
    return g ? int(g->items.size()) : 0;
}

int ListBarModel::addItem(int group, Picture picture, const QString& caption) {
    if (group < 1 || group > groups_.size())
        return 0;
    QVector<Item>& items = groups_[group - 1].items;
    items.append(Item{caption, QString(), picture});
    emit structureChanged();
    return int(items.size());
}

void ListBarModel::removeItem(int group, int index) {
    if (!item(group, index))
        return;
    groups_[group - 1].items.removeAt(index - 1);
    emit structureChanged();
}

void ListBarModel::clearGroup(int group) {
    if (group < 1 || group > groups_.size())
        return;
    groups_[group - 1].items.clear();
    emit structureChanged();
}

ListBarModel::Item* ListBarModel::item(int group, int index) {
    if (group < 1 || group > groups_.size())
        return nullptr;
    QVector<Item>& items = groups_[group - 1].items;
    if (index < 1 || index > items.size())
        return nullptr;
    return &items[index - 1];
}

const ListBarModel::Item* ListBarModel::item(int group, int index) const {
    return const_cast<ListBarModel*>(this)->item(group, index);
}

QString ListBarModel::caption(int group, int index) const {
    const Item* i = item(group, index);
    return i ? i->caption : QString();
}

void ListBarModel::setCaption(int group, int index, const QString& caption) {
    if (Item* i = item(group, index))
        i->caption = caption;
}

QString ListBarModel::value(int group, int index) const {
    const Item* i = item(group, index);
    return i ? i->value : QString();
}

void ListBarModel::setValue(int group, int index, const QString& value) {
    if (Item* i = item(group, index))
        i->value = value;
}

Picture ListBarModel::picture(int group, int index) const {
    const Item* i = item(group, index);
    return i ? i->picture : Picture::Pic0;
}

void ListBarModel::setPicture(int group, int index, Picture picture) {
    if (Item* i = item(group, index))
        i->picture = picture;
}

void ListBarModel::redraw() {
    emit redrawRequested();
}

QString SpeedDialCaption(const QString& name, const QString& sortKey) {
    if (sortKey == QLatin1String("0"))
        return name;
    return name + QLatin1Char('_') + sortKey;
}

void LoadListBar(cacheapi::ServerLink& link, ListBarModel& listBar) {
    if (listBar.groupCount() < SpeedDialGroup)
        listBar.addGroup(SpeedDialCaptionText);
    for (const auto& entry : cacheapi::catalogue::speedDialList(link)) {
        const int index = listBar.addItem(SpeedDialGroup, Picture::Pic1, speedDialCaption(entry));
        listBar.setValue(SpeedDialGroup, index, entry.number);
    }

    listBar.addGroup(DepartmentsCaption);
    for (const auto& department : cacheapi::catalogue::departments(link)) {
        const int index = listBar.addItem(DepartmentGroup, Picture::Pic1, department.caption);
        listBar.setValue(DepartmentGroup, index, department.code);
    }

    listBar.addGroup(QStringLiteral("Journal eingehend"));
    listBar.addGroup(QStringLiteral("Journal ausgehend"));
    listBar.addGroup(QStringLiteral("nicht angenommen"));
    for (int kind = IncomingAnswered; kind <= IncomingUnanswered; ++kind)
        loadJournalGroup(link, listBar, kind);
    listBar.redraw();
}

void RefillSpeedDial(cacheapi::ServerLink& link, ListBarModel& listBar) {
    const auto entries = cacheapi::catalogue::speedDialList(link);
    const int n = int(entries.size());
    // Existing items keep their place and take the record at their index; new ones go last.
    // Items are told apart by their index, not by a non-empty number, so an entry the server
    // holds without a number neither duplicates nor stops the refill.
    for (int i = 1; i <= n; ++i) {
        const auto& entry = entries.at(i - 1);
        const QString caption = speedDialCaption(entry);
        if (i > listBar.itemCount(SpeedDialGroup))
            listBar.addItem(SpeedDialGroup, Picture::Pic1, caption);
        else
            listBar.setCaption(SpeedDialGroup, i, caption);
        listBar.setPicture(SpeedDialGroup, i, Picture::Pic1);
        listBar.setValue(SpeedDialGroup, i, entry.number);
    }
    // Removing closes the gap, so the surplus always sits right after the last record.
    while (listBar.itemCount(SpeedDialGroup) > n)
        listBar.removeItem(SpeedDialGroup, n + 1);
    listBar.redraw();
}

void ReloadPersonalGroups(cacheapi::ServerLink& link, ListBarModel& listBar) {
    RefillSpeedDial(link, listBar);
    for (int kind = IncomingAnswered; kind <= IncomingUnanswered; ++kind) {
        listBar.clearGroup(kind);
        loadJournalGroup(link, listBar, kind);
    }
    listBar.redraw();
}

} // namespace telefon
