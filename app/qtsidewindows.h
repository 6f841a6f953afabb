#pragma once

#include "sidewindows.h"

#include <memory>

class QWidget;

namespace windows {
struct Services;
class LoginWindowsAdapter;
class FMSuch;
class FMOP;
class FMAddr;
} // namespace windows

namespace app {

// The program's side windows. Search, open items and the speed-dial editor are made on first
// use and kept; the department board is made for each opening (of today) and unloaded when
// closed.
class QtSideWindows : public SideWindows {
public:
    QtSideWindows(windows::Services& services, windows::LoginWindowsAdapter& login);
    ~QtSideWindows() override;

    void showLoginAgain() override;
    void showSearchWithWord(const QString& word) override;
    void showSearchModal() override;
    void showOpenItemsModal() override;
    void showAbout() override;
    void showSpeedDialEditor(const QString& name, const QString& number,
                             const QString& sort) override;
    void showDepartmentBoard(const QString& department) override;

private:
    windows::FMSuch& search();
    QWidget* mainWidget() const;

    windows::Services& services_;
    windows::LoginWindowsAdapter& login_;
    std::unique_ptr<windows::FMSuch> search_;
    std::unique_ptr<windows::FMOP> openItems_;
    std::unique_ptr<windows::FMAddr> editor_;
};

} // namespace app
