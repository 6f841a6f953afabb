#pragma once
// The main window and the modal runner as the side windows see them, recorded.
#include "services.h"

#include <QStringList>
#include <QTest>
#include <QWidget>
#include <functional>

namespace testsupport {

// The control the tab key moves to from `widget`.
inline QWidget* nextTabStop(QWidget* widget) {
    QWidget* next = widget->nextInFocusChain();
    while (next != widget && !(next->focusPolicy() & Qt::TabFocus))
        next = next->nextInFocusChain();
    return next;
}

// Shows a "modal" window and lets the test act as the user, without a nested loop.
class ScriptedModal : public windows::ModalRunner {
public:
    void runModal(QWidget* window) override {
        shown.append(window->objectName());
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        if (onModal)
            onModal(window);
        closedByScript = !window->isVisible();
    }
    QStringList shown;
    std::function<void(QWidget*)> onModal;
    bool closedByScript = false;
};

class FakeMainWindow : public windows::MainWindowAccess {
public:
    QString numberText() const override { return number; }
    void setNumberText(const QString& text) override { number = text; }
    QString nameText() const override { return name; }
    QString accountText() const override { return account; }
    bool lookupCaller(const QString& n) override {
        lookups.append(n);
        return lookup ? lookup(n) : true;
    }
    void dialNumber(const QString& text) override { dialled.append(text); }
    void showMainWindow() override { ++shownToFront; }
    void rebuildTitle() override { ++titlesRebuilt; }
    QRect frameTwips() const override { return frame; }
    QWidget* widget() override { return &window; }

    QString number, name, account;
    QStringList lookups, dialled;
    std::function<bool(const QString&)> lookup;
    int shownToFront = 0, titlesRebuilt = 0;
    QRect frame{1500, 3000, 12000, 9000};
    QWidget window;
};

} // namespace testsupport
