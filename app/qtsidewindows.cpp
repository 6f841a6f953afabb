#include "qtsidewindows.h"

#include "environment.h"
#include "fmabt.h"
#include "fmaddr.h"
#include "fmop.h"
#include "fmpass.h"
#include "fmsuch.h"
#include "frmabout.h"
#include "loginwindows.h"
#include "services.h"

#include <QLineEdit>

namespace app {

QtSideWindows::QtSideWindows(windows::Services& services, windows::LoginWindowsAdapter& login)
    : services_(services), login_(login) {}

QtSideWindows::~QtSideWindows() = default;

QWidget* QtSideWindows::mainWidget() const {
    return services_.main ? services_.main->widget() : nullptr;
}

void QtSideWindows::showLoginAgain() {
    windows::FMPass& pass = login_.loginWindow();
    // Owned by the main window, it stays in front of it.
    if (QWidget* main = mainWidget(); main && pass.parentWidget() != main)
        pass.setParent(main, pass.windowFlags());
    pass.BPASSWORT->clear();
    services_.events.processEvents();
    pass.show();
    pass.raise();
    pass.activateWindow();
    pass.BPASSWORT->setFocus();
}

windows::FMSuch& QtSideWindows::search() {
    if (!search_)
        search_ = std::make_unique<windows::FMSuch>(services_.link, *services_.main, mainWidget());
    return *search_;
}

void QtSideWindows::showSearchWithWord(const QString& word) {
    search().openWithSearchWord(word);
}

void QtSideWindows::showSearchModal() {
    search().openModal(services_.modal);
}

void QtSideWindows::showOpenItemsModal() {
    if (!openItems_)
        openItems_ = std::make_unique<windows::FMOP>(services_.link, *services_.main, mainWidget());
    openItems_->openModal(services_.modal);
}

void QtSideWindows::showAbout() {
    windows::ShowAboutBox(services_.dialogs, mainWidget());
}

void QtSideWindows::showSpeedDialEditor(const QString& name, const QString& number,
                                        const QString& sort) {
    if (!editor_)
        editor_ = std::make_unique<windows::FMAddr>(services_.link, services_.listBar,
                                                    *services_.main, mainWidget());
    editor_->open(name, number, sort, services_.modal);
}

// The board is shown modally and unloaded when closed, so every opening is built afresh.
void QtSideWindows::showDepartmentBoard(const QString& department) {
    windows::OpenDepartmentBoard(services_, department);
}

} // namespace app
