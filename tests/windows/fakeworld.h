#pragma once

// The outside world of the side windows, in memory: a fake server link and a stand-in main
// window, for checks of the windows' own logic.

#include "fakeconnection.h"
#include "serverlink.h"
#include "services.h"
#include "settingsstore.h"

#include <QList>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <memory>

namespace testkit {

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
        if (onModal)
            onModal(window);
    }
    QStringList shown;
    std::function<void(QWidget*)> onModal;
};

// What the side windows see of the main window.
class FakeMainWindow : public windows::MainWindowAccess {
public:
    QString numberText() const override { return number; }
    void setNumberText(const QString& text) override { number = text; }
    QString nameText() const override { return name; }
    QString accountText() const override { return account; }
    bool lookupCaller(const QString& n) override {
        lookups.append(n);
        return true;
    }
    void dialNumber(const QString& text) override { dialled.append(text); }
    void showMainWindow() override { ++shownToFront; }
    void rebuildTitle() override { ++titlesRebuilt; }
    QRect frameTwips() const override { return frame; }
    QWidget* widget() override { return &window; }

    QString number, name, account;
    QStringList lookups, dialled;
    int shownToFront = 0, titlesRebuilt = 0;
    QRect frame{1500, 3000, 12000, 9000};
    QWidget window;
};

// A server link over the in-memory server, with the demo staff of company 1.
struct FakeWorld : cacheapi::fake::FakeSurroundings {
    std::shared_ptr<cacheapi::fake::FakeServer> server =
        std::make_shared<cacheapi::fake::FakeServer>();
    cacheapi::ServerLink link{state, context(), cacheapi::fake::makeFakeFactory(server)};

    FakeWorld() { addStaff("MEIER", "telefon", "J", "Meier, Hans"); }
    // A staff record of company 1 with its department and base records.
    void addStaff(const QString& code, const QString& password, const QString& active,
                  const QString& name) {
        const QString number = QString::number(100 + server->objects.value("VX.ParPersEdv").size());
        server->objects["VX.ParPersEdv"]["1||" + code] = {{"Passwort", password},
                                                          {"AKTIV", active},
                                                          {"PNAME", name},
                                                          {"PNR", number},
                                                          {"abtnr", "7"}};
        server->objects["VX.ParPersAbt"]["1||7"] = {};
        server->objects["VX.PersBasis"]["1||" + number] = {};
    }
    // Stores credentials as a previous run's login would have.
    void storeLogin(const QString& user, const QString& password) {
        using namespace settings::keys;
        store.write(CacheLogin, Login, Name, user);
        store.write(CacheLogin, Login, Passwort, cacheapi::ScramblePassword(password));
    }
};

} // namespace testkit
