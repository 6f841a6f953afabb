// Time to open the department board for a department of 50 staff against a real server:
// the staff list and 50 members' times (51 server commands), until the board is on screen.
// Also the refill after a date change. Prints figures; asserts nothing.

#include "../common/figures.h"
#include "fmabt.h"
#include "listbar.h"
#include "sidewindowkit.h"
#include "telephoneparams.h"
#include "testserver.h"

#include <QApplication>
#include <QDateEdit>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>

namespace {

constexpr int StaffCount = 50;
constexpr int Rounds = 40;

void print(const char* what, const std::vector<double>& ms) {
    std::printf("%-34s p50 %7.1f ms   p90 %7.1f ms   min %7.1f ms   max %7.1f ms   (n=%zu)\n", what,
                bench::percentile(ms, 0.5), bench::percentile(ms, 0.9), bench::percentile(ms, 0.0),
                bench::percentile(ms, 1.0), ms.size());
}

QStringList workingDay(int member) {
    const int start = 6 * 60 + (member % 5) * 30;
    auto hm = [](int minutes) {
        return QStringLiteral("%1:%2")
            .arg(minutes / 60, 2, 10, QLatin1Char('0'))
            .arg(minutes % 60, 2, 10, QLatin1Char('0'));
    };
    return {hm(start),     hm(start + 300), hm(start + 330), hm(start + 510),
            hm(start - 3), hm(start + 302), hm(start + 329), member % 3 ? hm(start + 515) : "",
            QString(),     QString(),       QString(),       QString()};
}

} // namespace

// Lets window events run without the program pump's short sleep, to measure what the server and
// the board take on their own.
class PlainEventPump : public context::EventPump {
public:
    void processEvents() override { QCoreApplication::processEvents(); }
};

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    // The program's own event pump, or with --plain-pump one that does not pause between
    // events, which shows the share of the pauses in the figures.
    const bool plain = app.arguments().contains(QStringLiteral("--plain-pump"));
    PlainEventPump plainPump;
    testsupport::TestServer testServer;
    if (!testServer.start(300)) {
        std::fprintf(stderr, "server did not start: %s\n", qPrintable(testServer.errorText()));
        return 1;
    }
    const QDate today = QDate::currentDate();
    for (int i = 1; i <= StaffCount; ++i) {
        testServer.addStaff(QStringLiteral("B50"), 7000 + i,
                            QStringLiteral("Mitarbeiter %1").arg(i), QString::number(10 + i));
        testServer.setTimes(7000 + i, today, workingDay(i));
    }

    testsupport::LiveLink server(testServer);
    cacheapi::fake::FakeClock clock;
    clock.set(QDateTime::currentDateTime());
    context::QtEventPump programPump;
    context::EventPump& events = plain ? static_cast<context::EventPump&>(plainPump)
                                       : static_cast<context::EventPump&>(programPump);
    telefon::ListBarModel listBar;
    telefon::TelephoneParameters params{QStringLiteral("0"), QStringLiteral("30"), {}};

    QElapsedTimer timer;
    std::vector<double> open, refill;
    int commandsPerOpening = 0, rows = 0;
    testsupport::ScriptedModal modal;
    modal.onModal = [&](QWidget* window) {
        auto& board = *static_cast<windows::FMAbt*>(window);
        open.push_back(timer.nsecsElapsed() / 1e6);
        rows = board.rowCount();
        timer.restart();
        board.PERDAT()->setDate(today.addDays(-1));
        refill.push_back(timer.nsecsElapsed() / 1e6);
    };
    windows::Services services{
        {server.store, server.dialogs, clock, events, server.idle, server.end},
        server.link,
        modal,
        listBar,
        params,
        nullptr};

    windows::OpenDepartmentBoard(services, QStringLiteral("B50")); // connects; not counted
    open.clear();
    refill.clear();
    for (int round = 0; round < Rounds; ++round) {
        const int before = int(server.sent.filter(QStringLiteral("^RUFAP")).size());
        timer.start();
        windows::OpenDepartmentBoard(services, QStringLiteral("B50"));
        commandsPerOpening = int(server.sent.filter(QStringLiteral("^RUFAP")).size()) - before -
                             (StaffCount + 1); // minus the refill
    }

    std::printf("department board, %d staff, %d rows shown, %d server commands per opening, "
                "%s event pump\n",
                StaffCount, rows, commandsPerOpening, plain ? "plain" : "program's");
    print("open (51 commands, until shown)", open);
    print("refill after a date change", refill);
    std::printf("server messages shown: %d\n", int(server.dialogs.shown.size()));
    return 0;
}
