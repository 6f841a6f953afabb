#pragma once
// Side windows that only note what the main window asked of them.
#include "sidewindows.h"

#include <QStringList>

class RecordingSideWindows : public app::SideWindows {
public:
    void showLoginAgain() override { calls << "login"; }
    void showSearchWithWord(const QString& word) override { calls << "search:" + word; }
    void showSearchModal() override { calls << "searchModal"; }
    void showOpenItemsModal() override { calls << "openItems"; }
    void showAbout() override { calls << "about"; }
    void showSpeedDialEditor(const QString& name, const QString& number,
                             const QString& sort) override {
        calls << QStringLiteral("editor:%1|%2|%3").arg(name, number, sort);
    }
    void showDepartmentBoard(const QString& department) override {
        calls << QStringLiteral("board:%1").arg(department);
    }
    QStringList calls;
};
