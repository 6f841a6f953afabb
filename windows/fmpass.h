#pragma once

#include "serverlink.h"

#include <QString>
#include <QWidget>

class QLineEdit;
class QPushButton;

namespace windows {

class FMServer;
class MainWindowAccess;
class ModalRunner;

// "VENTOR Benutzeranmeldung": password and user code of the login.
class FMPass : public QWidget {
    Q_OBJECT
public:
    FMPass(cacheapi::ServerLink& link, ModalRunner& modal, QWidget* parent = nullptr);

    // The main window, once it exists; a login repeated while it is shown rebuilds its title.
    void setMainWindow(MainWindowAccess* main) { main_ = main; }

    // The settings window opened by "Server"; it belongs to this window.
    void setServerWindow(FMServer* server) { server_ = server; }
    // The program's command line, handed to a repeated login.
    void setProgramCommandLine(const QString& commandLine) { commandLine_ = commandLine; }

    QLineEdit* BPASSWORT;
    QLineEdit* BUSER;
    QPushButton* BUSpeich; // "Anmelden"
    QPushButton* BUAusst;  // "Abbruch"
    QPushButton* BUServer; // "Server"

protected:
    bool event(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;

private:
    void anmelden();
    void abbruch();
    void openServerWindow();

    cacheapi::ServerLink& link_;
    ModalRunner& modal_;
    MainWindowAccess* main_ = nullptr;
    FMServer* server_ = nullptr;
    QString commandLine_;
};

} // namespace windows
