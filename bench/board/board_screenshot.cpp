// Saves a picture of the department board on the demo data: department 10 of the demo server,
// opened at 10:15 on the last working day before today (a day the demo data holds complete). Usage:
// board_screenshot FILE.png [DEPARTMENT]

#include "fmabt.h"
#include "listbar.h"
#include "sidewindowkit.h"
#include "telephoneparams.h"
#include "testserver.h"

#include <QApplication>
#include <cstdio>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: board_screenshot FILE.png [DEPARTMENT]\n");
        return 2;
    }
    const QString file = args.at(1);
    const QString department = args.value(2, QStringLiteral("10"));

    testsupport::TestServer testServer;
    if (!testServer.start()) {
        std::fprintf(stderr, "server did not start: %s\n", qPrintable(testServer.errorText()));
        return 1;
    }
    testsupport::LiveLink server(testServer);
    cacheapi::fake::FakeClock clock;
    QDate day = QDate::currentDate().addDays(-1);
    while (day.dayOfWeek() > 5)
        day = day.addDays(-1);
    clock.set(QDateTime(day, QTime(10, 15, 0)));
    context::QtEventPump events;
    telefon::ListBarModel listBar;
    telefon::TelephoneParameters params{QStringLiteral("0"), QStringLiteral("30"), {}};
    testsupport::ScriptedModal modal;
    bool saved = false;
    modal.onModal = [&](QWidget* board) {
        QTest::qWait(300); // let the window manager place and paint it
        saved = board->grab().save(file);
    };
    windows::Services services{
        {server.store, server.dialogs, clock, events, server.idle, server.end},
        server.link,
        modal,
        listBar,
        params,
        nullptr};
    windows::OpenDepartmentBoard(services, department);
    std::printf("%s %s\n", saved ? "saved" : "could not save", qPrintable(file));
    return saved ? 0 : 1;
}
