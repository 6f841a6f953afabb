#pragma once

#include <QIcon>
#include <QVector>
#include <QWidget>

class QListWidget;
class QPushButton;
class QVBoxLayout;

namespace telefon {
class ListBarModel;
}

namespace app {

// The list bar "Zielwahl": one button per group, the open group's items below its button, the
// buttons of the later groups at the bottom. Items show the picture and the caption of the model
// as of its last redraw request; groups and items added or removed show up on their own.
// Gestures: a click chooses an item, the pointer resting on one reports it, a double-click
// activates it.
class ListBarWidget : public QWidget {
    Q_OBJECT
public:
    explicit ListBarWidget(telefon::ListBarModel& model, QWidget* parent = nullptr);

    void setPictures(const QIcon& pic0, const QIcon& pic1);
    int openGroup() const { return openGroup_; } // 0 while the model has no group
    void setOpenGroup(int group);

    // What is shown, for the ones who look at the bar without eyes.
    int shownItemCount() const;
    QString shownCaption(int index) const; // index from 1
    bool shownFilled(int index) const;     // Pic1 rather than Pic0
    QListWidget* itemList() const { return list_; }
    QPushButton* groupButton(int group) const;

signals:
    void itemChosen(int group, int index);
    void pointerOver(int group, int index);
    void itemActivated(int group, int index);

private:
    void syncGroups();
    void refill();
    void scheduleRefill();
    void placeList();

    telefon::ListBarModel& model_;
    QVBoxLayout* layout_;
    QListWidget* list_;
    QVector<QPushButton*> buttons_;
    QIcon pic0_, pic1_;
    int openGroup_ = 0;
    bool refillPending_ = false;
};

} // namespace app
