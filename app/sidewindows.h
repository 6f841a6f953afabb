#pragma once

#include <QDate>
#include <QString>

namespace app {

// The side windows as the main window opens them. Each window is made on first use.
class SideWindows {
public:
    virtual ~SideWindows() = default;

    // Login again: the password field emptied, pending events run, the login window shown not
    // modal over the main window with the focus in its password field.
    virtual void showLoginAgain() = 0;
    // The number search, not modal: `word` as search text, the main window's number field
    // emptied, the search started.
    virtual void showSearchWithWord(const QString& word) = 0;
    // The number search, modal.
    virtual void showSearchModal() = 0;
    // The open items of the customer in the panel, modal.
    virtual void showOpenItemsModal() = 0;
    // The about box, not modal.
    virtual void showAbout() = 0;
    // The speed-dial editor, modal, with its three fields filled; it refreshes the speed-dial
    // group itself.
    virtual void showSpeedDialEditor(const QString& name, const QString& number,
                                     const QString& sort) = 0;
    // The department board of one department, built afresh for today.
    virtual void showDepartmentBoard(const QString& department) = 0;
};

} // namespace app
