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

    // Shows the editor modally with its three fields filled; returns when it is hidden.
    void open(const QString& name, const QString& number, const QString& sort, ModalRunner& modal);

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
