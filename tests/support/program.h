#pragma once
// The main window with its call session on the simulated line, over either link fixture.
#include "callsession.h"
#include "fakelink.h"
#include "fmstart.h"
#include "listbar.h"
#include "sidewindows.h"
#include "simulatedline.h"
#include "telephoneparams.h"
#include "testserver.h"

#include <QLineEdit>
#include <QPushButton>
#include <QStringList>
#include <QTest>
#include <memory>

namespace testsupport {

// Side windows that only note what the main window asked of them.
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

// `Link` is FakeLink or LiveLink; the window logs in with `commandLine` when one is given.
template <class Link> struct Program : Link {
    line::SimulatedLine line;
    telefon::ListBarModel listBar;
    telefon::TelephoneParameters params;
    telefon::CallSession session;
    RecordingSideWindows side;
    std::unique_ptr<app::FMStart> fm;

    template <class... LinkArgs>
    explicit Program(LinkArgs&&... args)
        : Link(std::forward<LinkArgs>(args)...),
          session(this->link, line, listBar, params, programContext().clock) {
        line.setIncomingPrefix(QStringLiteral("0"));
    }

    context::Context programContext() {
        if constexpr (requires { this->liveContext(); })
            return this->liveContext();
        else
            return this->context();
    }
    app::FMStart& make(const QString& commandLine = {}) {
        fm = std::make_unique<app::FMStart>(
            app::FMStartParts{programContext(), this->link, listBar, session, side, commandLine});
        return *fm;
    }
    app::FMStart& start(const QString& commandLine = {}) {
        make(commandLine).startUp();
        return *fm;
    }

    QString field(const char* name) const {
        return fm->findChild<QLineEdit*>(QString::fromLatin1(name))->text();
    }
    void click(const char* name) {
        QTest::mouseClick(fm->findChild<QPushButton*>(QString::fromLatin1(name)), Qt::LeftButton);
    }
};

// A customer found under the local number 1234 of the own area code 30.
inline const QString KnownCustomer =
    record({"K100", "Herr", "Bau Meier GmbH", "Baustoffe", "Hauptstr. 1", "D", "12345", "Berlin",
            "030 1234", "info@meier.de", "030 1235", "2", "1050307", "1050101", "1.234,50",
            "10.000", "9.000"});

// The main window on the in-memory server holding MEIER's lists and one known customer.
struct FakeProgram : Program<FakeLink> {
    FakeProgram() {
        addStaff("MEIER", "telefon", "J", "Meier");
        server->reply("D PARAM^RUFAP", "0`30`x");
        server->reply("D ZWAHL^RUFAP", list({"Meier`0301234`0", "Schulz`0305678`5"}));
        server->reply("D INT^RUFAP", list({"Verkauf`V", "Lager`L"}));
        server->reply("D JOURGET^RUFAP(3)", list({"Alt 1`0307777", "Alt 2`0308888"}));
        server->reply("D TELSU^RUFAP(\"1234\")", KnownCustomer);
        storeLogin("telefon");
    }
    void storeLogin(const QString& password) { FakeLink::storeLogin("MEIER", password); }
};

// The main window logged in on a test server.
struct LiveProgram : Program<LiveLink> {
    explicit LiveProgram(const TestServer& server) : Program(server) {}
    app::FMStart& start() { return Program::start(commandLine()); }
};

} // namespace testsupport
