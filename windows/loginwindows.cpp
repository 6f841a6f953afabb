#include "loginwindows.h"

#include "fieldhelpers.h"
#include "fmpass.h"
#include "fmserver.h"
#include "services.h"

#include <QLineEdit>

namespace windows {

LoginWindowsAdapter::LoginWindowsAdapter(cacheapi::ServerLink& link, ModalRunner& modal,
                                         MainWindowAccess* main)
    : link_(link), modal_(modal), pass_(new FMPass(link, modal)),
      server_(new FMServer(link, pass_.data())) {
    pass_->setServerWindow(server_);
    pass_->setMainWindow(main);
    link_.setWindows(this);
}

LoginWindowsAdapter::~LoginWindowsAdapter() {
    if (link_.windows() == this)
        link_.setWindows(nullptr);
    delete pass_.data();
}

void LoginWindowsAdapter::setMainWindow(MainWindowAccess* main) {
    pass_->setMainWindow(main);
}

cacheapi::ServerFields LoginWindowsAdapter::serverFields() const {
    return server_->fields();
}

void LoginWindowsAdapter::setServerFields(const cacheapi::ServerFields& fields) {
    server_->setFields(fields);
}

cacheapi::TransportFields LoginWindowsAdapter::transportFields() const {
    return server_->transport();
}

void LoginWindowsAdapter::setTransportFields(const cacheapi::TransportFields& fields) {
    server_->setTransport(fields);
}

QString LoginWindowsAdapter::userField() const {
    return pass_->BUSER->text();
}
void LoginWindowsAdapter::setUserField(const QString& text) {
    pass_->BUSER->setText(text);
}
QString LoginWindowsAdapter::passwordField() const {
    return pass_->BPASSWORT->text();
}
void LoginWindowsAdapter::setPasswordField(const QString& text) {
    pass_->BPASSWORT->setText(text);
}
void LoginWindowsAdapter::selectPasswordText() {
    SelectAllText(pass_->BPASSWORT, true);
}
bool LoginWindowsAdapter::loginWindowVisible() const {
    return pass_->isVisible();
}
void LoginWindowsAdapter::showLoginWindowModal() {
    modal_.runModal(pass_.data());
}
void LoginWindowsAdapter::hideLoginWindow() {
    pass_->hide();
}
void LoginWindowsAdapter::showServerSettingsModal() {
    modal_.runModal(server_);
}
void LoginWindowsAdapter::hideServerSettings() {
    server_->hide();
}

} // namespace windows
