#pragma once

#include <QObject>
#include <QString>
#include <QVector>

namespace cacheapi {
class ServerLink;
}

namespace telefon {

// The pictures of list-bar items: Pic0 marks an empty journal slot, Pic1 a filled item.
enum class Picture { Pic0, Pic1 };

// Groups of the list bar; the journal groups carry the journal kind as their number.
enum ListBarGroup { SpeedDialGroup = 1, DepartmentGroup = 2 };
inline constexpr int JournalSlots = 100;

// What the list bar shows: numbered groups (from 1) of numbered items (from 1), each with a
// caption, a picture and a second value (the number, or the department code in group 2).
// Reading an item that does not exist gives empty text. Removing an item closes the gap.
class ListBarModel : public QObject {
    Q_OBJECT
public:
    struct Item {
        QString caption;
        QString value;
        Picture picture = Picture::Pic1;
    };
    struct Group {
        QString caption;
        QVector<Item> items;
    };

    explicit ListBarModel(QObject* parent = nullptr);

    int addGroup(const QString& caption); // returns the new group's number
    int groupCount() const { return int(groups_.size()); }
    QString groupCaption(int group) const;
    int itemCount(int group) const;
    int addItem(int group, Picture picture, const QString& caption); // returns the item index
    void removeItem(int group, int index);
    void clearGroup(int group);

    QString caption(int group, int index) const;
    void setCaption(int group, int index, const QString& caption);
    QString value(int group, int index) const;
    void setValue(int group, int index, const QString& value);
    Picture picture(int group, int index) const;
    void setPicture(int group, int index, Picture picture);

    const Group* group(int group) const;
    // Tells the views to repaint; item changes alone do not.
    void redraw();

signals:
    void redrawRequested();
    void structureChanged(); // groups or items added or removed

private:
    Item* item(int group, int index);
    const Item* item(int group, int index) const;
    QVector<Group> groups_;
};

// The caption of a speed-dial record: the name, plus "_" and the sort key unless it is "0".
QString SpeedDialCaption(const QString& name, const QString& sortKey);

// Fills the list bar at start-up: the speed-dial group (which exists before), the departments
// and the three journal groups with their slots.
void LoadListBar(cacheapi::ServerLink& link, ListBarModel& listBar);

// Brings the speed-dial group in line with the server's list, in place (after a save or delete).
void RefillSpeedDial(cacheapi::ServerLink& link, ListBarModel& listBar);

// The speed-dial and journal groups loaded again from the server (after a change of user).
void ReloadPersonalGroups(cacheapi::ServerLink& link, ListBarModel& listBar);

} // namespace telefon
