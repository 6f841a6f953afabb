#pragma once

#include <QString>
#include <QWidget>

class QLineEdit;
class QPushButton;

namespace cacheapi {
class ServerLink;
}
namespace telefon {
class ListBarModel;
}

namespace windows {

class MainWindowAccess;
class ModalRunner;

// "VENTOR Telefon Zielwahl bearbeiten": saves or deletes one speed-dial entry on the server and
// brings the list bar's speed-dial group up to date.
class FMAddr : public QWidget {
    Q_OBJECT
public:
    FMAddr(cacheapi::ServerLink& link, telefon::ListBarModel& listBar, MainWindowAccess& main,
           QWidget* parent = nullptr);

    // The activation of speed-dial item `index` (from 1): fills the fields from the item, or from
    // the main window when the item holds no number, and shows the editor modally.
    void openForItem(int index, ModalRunner& modal);
    // The filling of openForItem, given the item's number and caption.
    void fillFields(const QString& itemNumber, const QString& itemCaption);

    void save();   // "Speichern"
    void remove(); // "Löschen"

    QLineEdit* RUFNR;
    QLineEdit* NAMEN;
    QLineEdit* SORT;
    QPushButton* BUSpeich; // "Speichern"
    QPushButton* BUAus;    // "Ausstieg"
    QPushButton* BULOE;    // "Löschen"

protected:
    void showEvent(QShowEvent* event) override;

private:
    void afterChange();

    cacheapi::ServerLink& link_;
    telefon::ListBarModel& listBar_;
    MainWindowAccess& main_;
};

} // namespace windows
