#pragma once

#include "serverlink.h"

#include <QWidget>

class QComboBox;
class QLineEdit;
class QPushButton;

namespace windows {

// "VENTOR Server": the connection settings, locked until the user asks to change them.
//
// The window's idle timer `Lock` is the server link's idle timer: the program hands one timer
// (a context::QtTimer) to the link, which runs DisconnectServer when it fires. The window
// therefore owns no timer of its own, and the timer runs whether the window is shown or not.
class FMServer : public QWidget {
    Q_OBJECT
public:
    explicit FMServer(cacheapi::ServerLink& link, QWidget* owner = nullptr);

    cacheapi::ServerFields fields() const;
    void setFields(const cacheapi::ServerFields& fields);
    cacheapi::TransportFields transport() const;
    void setTransport(const cacheapi::TransportFields& fields);
    // True while the five fields are locked (the "Ändern" button is up).
    bool isLocked() const;

    QLineEdit* BSERVERIP;
    QLineEdit* BPORT;
    QLineEdit* BFIRMA;
    QLineEdit* BFIL;
    QLineEdit* BNAMESPACE;
    QPushButton* BUEdit;
    QPushButton* BUZurueck;
    // Below the buttons, locked with the five fields: "verschlüsselt" or "unverschlüsselt" (only
    // for a server on this machine), and the certificate or CA file the server's certificate
    // must be signed by.
    QComboBox* BVERBINDUNG;
    QLineEdit* BZERTIFIKAT;

private:
    void editToggled(bool unlocked);
    void setFieldsEnabled(bool enabled);
    void saveChanges();

    cacheapi::ServerLink& link_;
};

} // namespace windows
