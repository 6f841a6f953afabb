#pragma once

#include "directory.h"

#include <QString>
#include <QWidget>

class QPushButton;
class QTreeWidget;

namespace cacheapi {
class ServerLink;
}

namespace windows {

class MainWindowAccess;
class ModalRunner;

// "Offene Posten": shows the open items of the customer in the main window's panel, read anew
// every time the window is opened or activated.
class FMOP : public QWidget {
    Q_OBJECT
public:
    FMOP(cacheapi::ServerLink& link, MainWindowAccess& main, QWidget* parent = nullptr);

    // "OP`s": shown modally.
    void openModal(ModalRunner& modal);
    // Reads the open items of the main window's customer into the list.
    void fill();
    // True when the row carries the marker picture in column "MS".
    bool rowMarked(int row) const;

    QTreeWidget* LIOP;
    QPushButton* ctPush1; // "Schließen"

protected:
    void showEvent(QShowEvent* event) override;
    bool event(QEvent* event) override;

private:
    void place();

    telefon::OpenItemsList items_;
    MainWindowAccess& main_;
    bool leftSinceFill_ = false; // deactivated since the list was read
    bool filling_ = false;
};

} // namespace windows
