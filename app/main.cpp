// ventor-telefon: the telephone client beside the VENTOR ERP system.
//
//   ventor-telefon [FIRMA FILIALE BENUTZER PASSWORT SERVER PORT NAMESPACE] [--line=sim|sip]
//                  [--dial NUMBER] [tel:NUMBER | sip:NUMBER@HOST | callto:NUMBER]
//
// The seven words start the program unattended: when the first is a number, company, branch,
// user code, password, server, port and namespace are taken from them and the login window is
// not shown. Without them the login data come from the settings store (~/.config/ventor-telefon).
//
// Options (words beginning with "--"; they are no part of the seven words):
//   --line=sim   the simulated line (drive it with ventor-line-sim)
//   --line=sip   the SIP line, configured in the settings store, application "Telefon",
//                section "Line"
// Without --line the per-user setting "Type" of that section chooses, the simulated line when
// there is none. F5 answers and F6 turns away an offered call on a SIP line. The menu "Datei",
// "Telefonie-Einstellungen ..." changes the line while the program runs.
//   --dial NUMBER, or a tel:, sip: or callto: link (as the desktop passes it): the number is
//                put into the number field, looked up and dialled.
// One program runs per user session: a later start hands its number or link to it (or asks it
// to come to the front) and ends.

#include "accessibility.h"
#include "apptitle.h"
#include "callnotifications.h"
#include "callsession.h"
#include "context.h"
#include "fmpass.h"
#include "fmstart.h"
#include "lineconfig.h"
#include "linesecret.h"
#include "linesettings.h"
#include "linkrequests.h"
#include "listbar.h"
#include "loginwindows.h"
#include "phonelink.h"
#include "programend.h"
#include "qtdialogs.h"
#include "qtsidewindows.h"
#include "serverlink.h"
#include "services.h"
#include "settingsstore.h"
#include "singleinstance.h"
#include "switchableline.h"
#include "tcpconnection.h"
#include "telephoneparams.h"
#include "trayicon.h"

#include <QApplication>
#include <QStandardPaths>
#include <QStringList>
#include <cstdio>

namespace {

struct ProgramArguments {
    QString commandLine; // the seven words, blank-separated
    QString line;        // "sim", "sip" or empty
    QStringList dial;    // links and numbers to dial
    bool help = false;
    QString unknown;
};

ProgramArguments parseArguments(const QStringList& arguments) {
    ProgramArguments a;
    QStringList words;
    const QStringList given = arguments.mid(1);
    for (auto it = given.begin(); it != given.end(); ++it) {
        const QString& argument = *it;
        if (argument.startsWith(QLatin1String("--line=")))
            a.line = argument.mid(7);
        else if (argument.startsWith(QLatin1String("--dial=")))
            a.dial << argument.mid(7);
        else if (argument == QLatin1String("--dial") && it + 1 != given.end())
            a.dial << *++it;
        else if (telefon::looksLikePhoneLink(argument))
            a.dial << argument;
        else if (argument == QLatin1String("--help") || argument == QLatin1String("-h"))
            a.help = true;
        else if (argument.startsWith(QLatin1String("--")))
            a.unknown = argument;
        else
            words << argument;
    }
    a.commandLine = words.join(QLatin1Char(' '));
    return a;
}

const char* Usage = "Usage: ventor-telefon [FIRMA FILIALE BENUTZER PASSWORT SERVER PORT NAMESPACE] "
                    "[--line=sim|sip]\n"
                    "       ventor-telefon --dial NUMBER | tel:NUMBER | sip:NUMBER@HOST | "
                    "callto:NUMBER\n";

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    windows::NameTheProgram();
    QApplication::setDesktopFileName(QStringLiteral("de.ventor.Telefon"));
    // The program ends through its own shutdown, not when a side window closes last.
    QApplication::setQuitOnLastWindowClosed(false);

    const ProgramArguments arguments = parseArguments(QApplication::arguments());
    if (arguments.help) {
        std::fputs(Usage, stdout);
        return 0;
    }
    if (!arguments.unknown.isEmpty() ||
        (!arguments.line.isEmpty() && arguments.line != QLatin1String("sim") &&
         arguments.line != QLatin1String("sip"))) {
        std::fputs(Usage, stderr);
        return 2;
    }

    QStringList requests;
    for (const QString& text : arguments.dial)
        requests << app::LinkRequests::dialRequest(text);
    // A later start hands its requests over before it opens a line or a server connection.
    app::SingleInstance instance;
    if (!instance.claim()) {
        if (instance.forward(requests.isEmpty() ? QStringList{app::LinkRequests::showRequest()}
                                                : requests))
            return 0;
        std::fputs("ventor-telefon: VENTOR Telefon läuft bereits, antwortet aber nicht.\n", stderr);
        return 1;
    }

    app::AccessibleNames accessibleNames;
    app.installEventFilter(&accessibleNames);

    // Made first, so that it sees every window open.
    windows::QtProgramEnd programEnd;
    settings::QSettingsStore store;
    windows::QtDialogs dialogs;
    context::SystemClock clock;
    context::QtEventPump events;
    context::QtTimer idleTimer;
    cacheapi::LoginState state;
    // The one context every part of the program is given.
    const context::Context context{store, dialogs, clock, events, idleTimer, programEnd};
    cacheapi::ServerLink link(state, context, cacheapi::tcpFactoryMaker(state));
    windows::QtModalRunner modal;
    windows::LoginWindowsAdapter loginWindows(link, modal);
    loginWindows.loginWindow().setProgramCommandLine(arguments.commandLine);

    line::LineConfig lineConfig = line::readLineConfig(store);
    if (arguments.line == QLatin1String("sim"))
        lineConfig.type = line::LineConfig::Type::Simulated;
    else if (arguments.line == QLatin1String("sip"))
        lineConfig.type = line::LineConfig::Type::Sip;
    // The SIP password lives in the desktop's secret store, or in a file only the user reads.
    line::SystemPasswordSafe passwords(
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
        QStringLiteral("/ventor-telefon"));
    if (lineConfig.type == line::LineConfig::Type::Sip &&
        lineConfig.sipMode == line::LineConfig::SipMode::Account) {
        const QString kept =
            passwords.read(line::passwordAccount(lineConfig.sipUser, lineConfig.sipServer));
        if (!kept.isEmpty())
            lineConfig.sipPassword = kept;
    }
    line::SwitchableLine telephoneLine(lineConfig);

    telefon::ListBarModel listBar;
    telefon::TelephoneParameters params;
    telefon::CallSession session(link, telephoneLine, listBar, params, clock);
    // The side windows are made on first use, when the main window exists.
    windows::Services services{context, link, modal, listBar, params, nullptr};
    app::QtSideWindows side(services, loginWindows);
    app::FMStart window({context, link, listBar, session, side, arguments.commandLine});
    services.main = &window;
    loginWindows.setMainWindow(&window);
    app::installMainWindowKeys(&window);

    app::LinkRequests links(session, window, dialogs);
    QObject::connect(&instance, &app::SingleInstance::requestsReceived, &window,
                     [&links](const QStringList& received) { links.handle(received); });
    links.handle(requests);

    // Views of the call session beside the main window.
    app::TrayIcon tray(session,
                       {[&window] { window.showMainWindow(); }, [&window] { window.shutdown(); }});
    QObject::connect(&app, &QGuiApplication::applicationStateChanged, &tray,
                     [&tray](Qt::ApplicationState s) {
                         if (s == Qt::ApplicationActive)
                             tray.missedCallsSeen();
                     });
    app::CallNotifications notifications(session, [&window] { window.showMainWindow(); });

    // Ended from outside (session end, kill, hang-up): the shutdown runs, without the question.
    windows::EndOnSignals endOnSignals([&window] { window.shutdown(); });
    std::unique_ptr<windows::LineSettingsWindow> lineSettings;
    QObject::connect(&window, &app::FMStart::lineSettingsRequested, &window, [&] {
        if (!lineSettings) {
            const QString devicesDir = lineConfig.dataDir + QStringLiteral("/devices");
            lineSettings = std::make_unique<windows::LineSettingsWindow>(
                windows::LineSettingsParts{
                    store, passwords, telephoneLine,
                    [devicesDir] { return windows::sipSoundDevices(devicesDir); }},
                &window);
        } else {
            lineSettings->load();
        }
        lineSettings->show();
        lineSettings->raise();
        lineSettings->activateWindow();
    });

    // Links dial once the line is open, which it is shortly after the window has shown.
    QObject::connect(&session, &telefon::CallSession::lineOpened, &window,
                     [&links] { links.setReady(); });
    window.setOpenLineWhenShown(true);
    window.startUp();
    window.show();
    tray.show();
    return app.exec();
}
