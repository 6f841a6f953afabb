#include "login.h"

#include "settingsstore.h"

namespace cacheapi {

namespace {
const QString StaffClass = QStringLiteral("VX.ParPersEdv");
const QString DepartmentClass = QStringLiteral("VX.ParPersAbt");
const QString StaffBaseClass = QStringLiteral("VX.PersBasis");

QString objectId(const QString& firma, const QString& key) {
    return firma + QStringLiteral("||") + key;
}

LoginState::Identity presentIdentity(const LoginState& s) {
    return {s.Firma, s.Filiale, s.UserCode, s.Password};
}

// A failed login step: the session keeps the typed password out of the store from now on.
bool failStep(ServerLink& link, const ServerError& error, const QString& step) {
    link.state().LoginFailed = true;
    link.state().KeepPasswordOut = true;
    link.ReportServerError(error, step);
    ResumeLastLogin(link);
    return false;
}

// Reads one member of the staff record into `into`; false (with the error) when it fails.
bool readMember(ServerObject& staff, const QString& name, QString& into, ServerError& error) {
    const CallResult r = staff.property(name);
    if (!r.ok)
        error = r.error;
    into = r.value;
    return r.ok;
}

// The rest of the staff record, read only after the password was accepted, so that a refused
// login asks the server for nothing but the password and the active flag.
struct StaffDetails {
    QString name, personnelNumber, department;
};

bool readStaffDetails(ServerObject& staff, StaffDetails& details, ServerError& error) {
    QString storedName;
    if (!readMember(staff, QStringLiteral("PNAME"), storedName, error) ||
        !readMember(staff, QStringLiteral("PNR"), details.personnelNumber, error) ||
        !readMember(staff, QStringLiteral("abtnr"), details.department, error))
        return false;
    const CallResult display = staff.call(QStringLiteral("PNAMELogicalToODBC"), {storedName});
    if (!display.ok) {
        error = display.error;
        return false;
    }
    details.name = display.value;
    return true;
}

bool recordExists(ServerLink& link, const QString& className, const QString& id,
                  ServerError& error) {
    std::unique_ptr<ServerObject> object = link.connection()->OpenId(className, id, error);
    if (!object)
        return false;
    link.CloseObject(object);
    return true;
}
} // namespace

QString AnnouncementCommand(const QString& firma, const QString& filiale, const QString& user) {
    return QStringLiteral("S FIRMA=") + firma + QStringLiteral(",FIL=") + filiale +
           QStringLiteral(",PERSONAL=\"") + user + QLatin1Char('"');
}

bool LoginUser(ServerLink& link, const QString& programCommandLine) {
    LoginState& state = link.state();
    state.LoginIdentity.clear();
    // The login compares the password, so its connection has to carry it.
    state.SessionToken.clear();
    if (state.CommandLine.isEmpty())
        state.CommandLine = programCommandLine;
    link.LoadConnectionSettings();
    link.BeginServerAccess();

    ServerError error;
    std::unique_ptr<ServerObject> staff =
        link.connection()->OpenId(StaffClass, objectId(state.Firma, state.UserCode), error);
    QString password, active;
    if (!staff || !readMember(*staff, QStringLiteral("Passwort"), password, error) ||
        !readMember(*staff, QStringLiteral("AKTIV"), active, error))
        return failStep(link, error, StepStaffRecord);

    bool loggedIn = false;
    if (password != state.Password || active != QLatin1String("J")) {
        link.context().dialogs.message(QStringLiteral("Passwort Falsch oder Benutzer nicht Aktiv."),
                                       QStringLiteral("Anmeldung an Caché."),
                                       context::Icon::Information, context::Buttons::Ok);
        state.LoginFailed = true;
        if (link.windows())
            link.windows()->selectPasswordText();
        link.CloseObject(staff);
        ResumeLastLogin(link);
    } else {
        StaffDetails record;
        if (!readStaffDetails(*staff, record, error))
            return failStep(link, error, StepStaffRecord);
        state.PersonName = record.name;
        state.LoginIdentity = state.UserCode + QLatin1Char('|') + record.name;
        if (!recordExists(link, DepartmentClass, objectId(state.Firma, record.department), error))
            return failStep(link, error, StepDepartment);
        if (!recordExists(link, StaffBaseClass, objectId(state.Firma, record.personnelNumber),
                          error))
            return failStep(link, error, StepStaffBase);
        link.CloseObject(staff);

        std::unique_ptr<ServerObject> command =
            link.connection()->New(QStringLiteral("VX.Windows"), error);
        if (!command)
            return failStep(link, error, StepAnnounce);
        const CallResult announced = command->Xecute(AnnouncementCommand(
            state.Firma, state.Filiale, Piece(state.LoginIdentity, QChar('|'), 1)));
        if (!announced.ok)
            return failStep(link, announced.error, StepAnnounce);
        link.CloseObject(command);
        state.LastLogin = presentIdentity(state);
        state.LastLoginToken = state.SessionToken;
        state.LoginFailed = false;
        loggedIn = true;
    }

    link.EndServerAccess();
    if (link.windows()) {
        link.windows()->hideLoginWindow();
        link.windows()->hideServerSettings();
    }
    return loggedIn;
}

void ResumeLastLogin(ServerLink& link) {
    LoginState& state = link.state();
    if (state.LastLogin.UserCode.isEmpty() || presentIdentity(state) == state.LastLogin)
        return;
    state.Firma = state.LastLogin.Firma;
    state.Filiale = state.LastLogin.Filiale;
    state.UserCode = state.LastLogin.UserCode;
    state.Password = state.LastLogin.Password;
    state.SessionToken = state.LastLoginToken;
    // The next command connects anew and announces the session's own company and user.
    link.DisconnectServer();
}

void Sichern(ServerLink& link) {
    using namespace settings;
    LoginWindows* windows = link.windows();
    if (!windows)
        return;
    SettingsStore& store = link.context().store;
    const ServerFields fields = windows->serverFields();
    store.write(keys::CacheLogin, keys::Login, keys::Firma, fields.firma);
    store.write(keys::CacheLogin, keys::Login, keys::Filiale, fields.filiale);
    store.write(keys::CacheLogin, keys::Login, keys::Name, windows->userField());
    if (!link.state().KeepPasswordOut)
        store.write(keys::CacheLogin, keys::Login, keys::Passwort,
                    ScramblePassword(windows->passwordField()));
    store.write(keys::CacheLogin, keys::Login, keys::Server, fields.server);
    store.write(keys::CacheLogin, keys::Login, keys::Port, fields.port);
    store.write(keys::CacheLogin, keys::Login, keys::Namespace, fields.nameSpace);
    const TransportFields transport = windows->transportFields();
    store.write(keys::CacheLogin, keys::Login, keys::Verbindung, transport.connection);
    store.write(keys::CacheLogin, keys::Login, keys::Zertifikat, transport.certificate);
}

} // namespace cacheapi
