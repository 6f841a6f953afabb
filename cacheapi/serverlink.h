#pragma once

#include "connection.h"
#include "context.h"

#include <QString>
#include <memory>
#include <vector>

namespace settings {
class SettingsStore;
}

namespace cacheapi {

// The one process-wide record of the server link and the login.
struct LoginState {
    QString Firma;    // company
    QString Filiale;  // branch
    QString UserCode; // the ERP personnel code
    QString Password; // clear text, for the run only
    QString Server;
    QString Port;
    QString Namespace; // shown and stored only
    QString ConnectionString;
    QString CommandLine;   // the seven-word command line, taken once at the first login
    QString LoginIdentity; // user code "|" person name after a successful login
    QString PersonName;
    // How the connection travels: encrypted unless "unverschlüsselt" was chosen for a server on
    // this machine; the certificate or CA file the server's certificate must be signed by
    // (empty: the system's certificate authorities).
    bool Unencrypted = false;
    QString TrustedCertificate;
    bool LoginFailed = false;
    bool KeepPasswordOut = false;
    // Given by the server to the login's first connection; later connections of the same
    // login present it instead of the password. A new login starts without one.
    QString SessionToken;
    // Who logged in successfully last: the session goes on for them when a later login fails or
    // the stored connection data change.
    struct Identity {
        QString Firma, Filiale, UserCode, Password;
        bool operator==(const Identity&) const = default;
    };
    Identity LastLogin;
    QString LastLoginToken; // the session token of that login
};

// The five fields of the server settings window.
struct ServerFields {
    QString firma, filiale, server, port, nameSpace;
};

// How the connection travels, as the server settings window shows it.
struct TransportFields {
    QString connection = QStringLiteral("verschlüsselt"); // or "unverschlüsselt"
    QString certificate;                                  // trusted certificate or CA file
};

// What the server link and the login need of the login window (FMPass) and the server settings
// window (FMServer). The windows implement it; tests use a plain record of fields.
class LoginWindows {
public:
    virtual ~LoginWindows() = default;
    virtual ServerFields serverFields() const = 0;
    virtual void setServerFields(const ServerFields& fields) = 0;
    // The encryption settings; windows without those controls give the defaults.
    virtual TransportFields transportFields() const { return {}; }
    virtual void setTransportFields(const TransportFields&) {}
    virtual QString userField() const = 0;
    virtual void setUserField(const QString& text) = 0;
    virtual QString passwordField() const = 0;
    virtual void setPasswordField(const QString& text) = 0;
    // Selects the whole password text without moving the focus.
    virtual void selectPasswordText() = 0;
    virtual bool loginWindowVisible() const = 0;
    // Shows the login window modally; returns when it was hidden ("Anmelden" saves first).
    virtual void showLoginWindowModal() = 0;
    virtual void hideLoginWindow() = 0;
    // Shows the server settings window modally; returns when it was hidden.
    virtual void showServerSettingsModal() = 0;
    virtual void hideServerSettings() = 0;
};

// Record list of ExecuteCommandSplit: position 0 exists and is unused, records are 1..count.
using RecordList = std::vector<QString>;

// The single link to the database server: connection settings, connecting with its series of
// attempts, the announcement, the idle timer, and the execution of server commands.
class ServerLink {
public:
    ServerLink(LoginState& state, context::Context context, FactoryMaker makeFactory);
    ~ServerLink();

    void setWindows(LoginWindows* windows) { windows_ = windows; }
    LoginWindows* windows() const { return windows_; }
    LoginState& state() { return state_; }
    const context::Context& context() const { return context_; }

    void LoadConnectionSettings();
    void ReadStoredSettings();
    void BeginServerAccess();
    void EndServerAccess();
    void ConnectServer();
    void DisconnectServer();
    // The connection object, or nullptr before the first attempt. Callers hold it while they use
    // it: a handler that runs during a wait may replace the link's connection.
    std::shared_ptr<Factory> connection() const { return factory_; }

    // Runs one command text on a fresh "VX.Windows" object. A failure is reported to the user,
    // sets `error` and gives an empty reply.
    QString ExecuteCommand(const QString& command, bool& error);
    // As ExecuteCommand, then splits the reply at `separator` into `records` (1-based).
    int ExecuteCommandSplit(const QString& command, QChar separator, RecordList& records,
                            bool& error);
    // Closes a server object: lets pending events run, SYS_Close, releases the reference.
    void CloseObject(std::unique_ptr<ServerObject>& object);
    // The message box "Caché Zugriffsfehler"; ends the server access.
    void ReportServerError(const ServerError& error, const QString& operation);

    // While errors are silenced, failed commands are not shown to the user (the caller's error
    // flag is still set). Nests.
    void silenceErrors(bool silent) { silentDepth_ += silent ? 1 : -1; }

private:
    // One command on a fresh object; false after a reported failure. `callName` names the call
    // in the error report.
    bool runCommand(const QString& command, const QString& callName, QString& reply, bool& error);
    void announce();
    bool connectedMeanwhile(const std::shared_ptr<Factory>& attempt) const;
    void fillWindowsFromState();
    void readTransportSettings();
    void giveUp();

    LoginState& state_;
    context::Context context_;
    FactoryMaker makeFactory_;
    std::shared_ptr<Factory> factory_;
    LoginWindows* windows_ = nullptr;
    int silentDepth_ = 0;
};

// Silences the link's error reports for the lifetime of the guard.
class SilentErrors {
public:
    explicit SilentErrors(ServerLink& link) : link_(link) { link_.silenceErrors(true); }
    ~SilentErrors() { link_.silenceErrors(false); }
    SilentErrors(const SilentErrors&) = delete;
    SilentErrors& operator=(const SilentErrors&) = delete;

private:
    ServerLink& link_;
};

// Splits a reply the way ExecuteCommandSplit does; returns the record count.
int SplitRecords(const QString& reply, QChar separator, RecordList& records);
// Field n (from 1) of `text` split at the one-character `separator`, or `defaultValue`
// when that field is empty or missing.
QString Piece(const QString& text, QChar separator, int n, const QString& defaultValue = {});
// Piece with a separator given as text: a separator of two or more characters never matches.
QString Piece(const QString& text, const QString& separator, int n,
              const QString& defaultValue = {});

// Reversible scrambling of the stored password (Windows-1252 codes XOR one fixed byte).
QString ScramblePassword(const QString& text);
inline constexpr unsigned char PasswordScrambleByte = 0x5A;

} // namespace cacheapi
