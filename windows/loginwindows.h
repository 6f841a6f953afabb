#pragma once

#include "serverlink.h"

#include <QPointer>

namespace windows {

class FMPass;
class MainWindowAccess;
class ModalRunner;
class FMServer;

// The login window and its settings window, as the server link and the login see them.
// Creating it registers it with the link; it owns both windows.
class LoginWindowsAdapter : public cacheapi::LoginWindows {
public:
    LoginWindowsAdapter(cacheapi::ServerLink& link, ModalRunner& modal,
                        MainWindowAccess* main = nullptr);
    // The main window, once it exists (see FMPass::setMainWindow).
    void setMainWindow(MainWindowAccess* main);
    ~LoginWindowsAdapter() override;

    FMPass& loginWindow() { return *pass_; }
    FMServer& serverWindow() { return *server_; }

    cacheapi::ServerFields serverFields() const override;
    void setServerFields(const cacheapi::ServerFields& fields) override;
    cacheapi::TransportFields transportFields() const override;
    void setTransportFields(const cacheapi::TransportFields& fields) override;
    QString userField() const override;
    void setUserField(const QString& text) override;
    QString passwordField() const override;
    void setPasswordField(const QString& text) override;
    void selectPasswordText() override;
    bool loginWindowVisible() const override;
    void showLoginWindowModal() override;
    void hideLoginWindow() override;
    void showServerSettingsModal() override;
    void hideServerSettings() override;

private:
    cacheapi::ServerLink& link_;
    ModalRunner& modal_;
    // The login window; a repeated login hands it to the main window as its owner, which then
    // may delete it first.
    QPointer<FMPass> pass_;
    FMServer* server_; // a child window of the login window
};

} // namespace windows
