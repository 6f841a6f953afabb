#include "serverlink.h"

#include "helpers.h"
#include "login.h"
#include "settingsstore.h"
#include "win1252.h"

#include <cmath>

namespace cacheapi {

namespace {
const QString CrLf = QStringLiteral("\r\n");
const QString ConnectTitle = QStringLiteral("Anmeldung an Caché");
const QString CommandClass = QStringLiteral("VX.Windows");
constexpr int IdleMilliseconds = 60000;
constexpr int AttemptsPerSeries = 3;
constexpr int HundredthsBetweenAttempts = 1000;

QString firstAttemptsFailedText() {
    return QStringLiteral("Server nach 3 Versuchen nicht erreichbar!") + CrLf +
           QStringLiteral("Wahrscheinlich sind keine freien Lizenzen verfügbar!") + CrLf +
           QStringLiteral("Bitte Kontrollieren Sie die Verbindungsdaten");
}

QString finalFailureText() {
    return QStringLiteral("Der Server ist nicht erreichbar!") + CrLf +
           QStringLiteral("Wahrscheinlich sind keine Lizenzen frei. Die Anwendung wird beendet!") +
           CrLf +
           QStringLiteral("Bitte Versuchen Sie die Anmeldung zu einem späteren Zeitpunk noch "
                          "ein mal.");
}

QString failedCommandOperation(const QString& call, const QString& command) {
    return QStringLiteral("Ungültige Anfrage! Kein Ergebnis gefunden") + CrLf + CrLf + call +
           QStringLiteral(" Aufruf von VX.Windwos Xecute ") + command;
}

QString word(const QStringList& words, int index, const QString& fallback = {}) {
    const QString w = index < words.size() ? words.at(index) : QString();
    return w.isEmpty() ? fallback : w;
}
} // namespace

ServerLink::ServerLink(LoginState& state, context::Context context, FactoryMaker makeFactory)
    : state_(state), context_(context), makeFactory_(std::move(makeFactory)) {
    context_.idleTimer.setInterval(IdleMilliseconds);
    context_.idleTimer.onTimeout = [this] { DisconnectServer(); };
}

ServerLink::~ServerLink() {
    context_.idleTimer.onTimeout = nullptr;
}

void ServerLink::fillWindowsFromState() {
    if (!windows_)
        return;
    windows_->setServerFields(
        {state_.Firma, state_.Filiale, state_.Server, state_.Port, state_.Namespace});
    windows_->setTransportFields(
        {state_.Unencrypted ? settings::defaults::Unencrypted : settings::defaults::Encrypted,
         state_.TrustedCertificate});
    windows_->setUserField(state_.UserCode);
}

// Read also for an unattended start: the command line says nothing about encryption.
void ServerLink::readTransportSettings() {
    using namespace settings;
    const SettingsStore& store = context_.store;
    state_.Unencrypted =
        store.read(keys::CacheLogin, keys::Login, keys::Verbindung, defaults::Encrypted)
            .trimmed() == defaults::Unencrypted;
    state_.TrustedCertificate =
        store.read(keys::CacheLogin, keys::Login, keys::Zertifikat, {}).trimmed();
}

void ServerLink::ReadStoredSettings() {
    using namespace settings;
    const SettingsStore& store = context_.store;
    state_.Firma = store.read(keys::CacheLogin, keys::Login, keys::Firma, defaults::Firma);
    state_.Filiale = store.read(keys::CacheLogin, keys::Login, keys::Filiale, defaults::Filiale);
    state_.Server = store.read(keys::CacheLogin, keys::Login, keys::Server, defaults::Server);
    state_.Port = store.read(keys::CacheLogin, keys::Login, keys::Port, defaults::Port);
    state_.Namespace =
        store.read(keys::CacheLogin, keys::Login, keys::Namespace, defaults::Namespace);
    state_.UserCode = store.read(keys::CacheLogin, keys::Login, keys::Name, {});
    readTransportSettings();
    state_.Password = windows_ ? windows_->passwordField() : QString();
    if (!state_.KeepPasswordOut) {
        state_.Password =
            ScramblePassword(store.read(keys::CacheLogin, keys::Login, keys::Passwort, {}));
        if (windows_)
            windows_->setPasswordField(state_.Password);
    }
    fillWindowsFromState();
}

void ServerLink::LoadConnectionSettings() {
    const QStringList words = state_.CommandLine.split(QLatin1Char(' '));
    if (!state_.CommandLine.isEmpty() && IsNumericText(words.first())) {
        // An unattended start: everything comes from the command line.
        state_.Firma = word(words, 0);
        state_.Filiale = word(words, 1);
        state_.UserCode = word(words, 2);
        state_.Password = word(words, 3);
        state_.Server = word(words, 4, settings::defaults::Server);
        state_.Port = word(words, 5, QStringLiteral("1972"));
        state_.Namespace = word(words, 6, settings::defaults::Namespace);
        readTransportSettings();
        fillWindowsFromState();
    } else {
        ReadStoredSettings();
        const bool credentialsMissing = state_.Password.isEmpty() || state_.UserCode.isEmpty();
        if (credentialsMissing || state_.KeepPasswordOut || state_.LoginFailed) {
            if (windows_ && !windows_->loginWindowVisible())
                windows_->showLoginWindowModal();
            ReadStoredSettings();
        }
    }
    state_.ConnectionString =
        QStringLiteral("cn_iptcp:%1[%2]:VENTOR").arg(state_.Server, state_.Port);
}

void ServerLink::ConnectServer() {
    if (factory_ && factory_->IsConnected())
        return;
    int failures = 0;
    bool settingsShown = false;
    for (;;) {
        // Window events run while the attempt waits; the attempt stays alive even when a handler
        // replaces the link's connection meanwhile.
        const std::shared_ptr<Factory> attempt = makeFactory_();
        factory_ = attempt;
        const bool connected = attempt->Connect(state_.ConnectionString) && attempt->IsConnected();
        if (connectedMeanwhile(attempt))
            return;
        if (connected) {
            announce();
            return;
        }
        ++failures;
        // A refused certificate (or encryption) would be refused again: the user hears why and
        // goes straight on to the settings window.
        const QString refusal = attempt->refusal();
        if (!refusal.isEmpty())
            context_.dialogs.message(refusal, ConnectTitle, context::Icon::Critical,
                                     context::Buttons::Ok);
        if (failures < AttemptsPerSeries && refusal.isEmpty()) {
            context_.events.processEvents();
            context::WaitHundredths(HundredthsBetweenAttempts, context_.clock, context_.events);
            if (connectedMeanwhile(attempt))
                return;
            continue;
        }
        if (settingsShown) {
            giveUp();
            return;
        }
        if (refusal.isEmpty())
            context_.dialogs.message(firstAttemptsFailedText(), ConnectTitle,
                                     context::Icon::Exclamation, context::Buttons::Ok);
        if (windows_)
            windows_->showServerSettingsModal();
        if (connectedMeanwhile(attempt))
            return;
        settingsShown = true;
        failures = 0;
    }
}

// A handler that ran during a wait of this series has connected (and announced) on its own.
bool ServerLink::connectedMeanwhile(const std::shared_ptr<Factory>& attempt) const {
    return factory_ != attempt && factory_ && factory_->IsConnected();
}

void ServerLink::announce() {
    ServerError error;
    std::unique_ptr<ServerObject> object = factory_->New(CommandClass, error);
    if (!object)
        return;
    // Both replies are ignored: the two commands travel with the first request on the connection.
    object->XecuteUnanswered(AnnouncementCommand(state_.Firma, state_.Filiale, state_.UserCode));
    object->XecuteUnanswered(QStringLiteral("D ^%XTT"));
    CloseObject(object);
}

void ServerLink::giveUp() {
    context_.dialogs.message(finalFailureText(), ConnectTitle, context::Icon::Critical,
                             context::Buttons::Ok);
    if (windows_)
        windows_->hideServerSettings();
    state_.LoginIdentity.clear();
    if (factory_ && factory_->IsConnected())
        factory_->Disconnect();
    context_.programEnd.closeAllWindowsAndEnd();
}

void ServerLink::BeginServerAccess() {
    ConnectServer();
    context_.idleTimer.stop();
}

void ServerLink::EndServerAccess() {
    context_.idleTimer.start();
}

void ServerLink::DisconnectServer() {
    context_.idleTimer.stop();
    if (factory_ && factory_->IsConnected())
        factory_->Disconnect();
}

void ServerLink::CloseObject(std::unique_ptr<ServerObject>& object) {
    context_.events.processEvents();
    if (object)
        object->SYS_Close();
    object.reset();
}

void ServerLink::ReportServerError(const ServerError& error, const QString& operation) {
    const QString text = QStringLiteral("Vorgang: ") + operation + QStringLiteral(".") + CrLf +
                         CrLf + QStringLiteral("Fehler: ") + QString::number(error.number) + CrLf +
                         error.description + CrLf + CrLf;
    if (silentDepth_ == 0)
        context_.dialogs.message(text, QStringLiteral("Caché Zugriffsfehler"),
                                 context::Icon::Exclamation, context::Buttons::Ok);
    context_.dialogs.normalCursor();
    EndServerAccess();
}

bool ServerLink::runCommand(const QString& command, const QString& callName, QString& reply,
                            bool& error) {
    BeginServerAccess();
    ServerError failure;
    const std::shared_ptr<Factory> connection = factory_;
    std::unique_ptr<ServerObject> object = connection->New(CommandClass, failure);
    if (object) {
        const CallResult result = object->Xecute(command);
        if (result.ok) {
            CloseObject(object);
            EndServerAccess();
            reply = result.value;
            return true;
        }
        failure = result.error;
        object.reset();
    }
    error = true;
    ReportServerError(failure, failedCommandOperation(callName, command));
    return false;
}

QString ServerLink::ExecuteCommand(const QString& command, bool& error) {
    QString reply;
    runCommand(command, QStringLiteral("DBCall"), reply, error);
    return reply;
}

int ServerLink::ExecuteCommandSplit(const QString& command, QChar separator, RecordList& records,
                                    bool& error) {
    QString reply;
    if (!runCommand(command, QStringLiteral("DBCallD"), reply, error))
        return 0;
    return SplitRecords(reply, separator, records);
}

int SplitRecords(const QString& reply, QChar separator, RecordList& records) {
    int count = 0;
    int capacity = 0;
    QString field;
    auto store = [&] {
        ++count;
        if (count > capacity) {
            capacity += 10;
            records.resize(capacity + 1);
        }
        records[count] = field;
        field.clear();
    };
    for (QChar c : reply) {
        if (c != separator)
            field.append(c);
        else
            store();
    }
    if (!field.isEmpty())
        store();
    return count;
}

QString Piece(const QString& text, QChar separator, int n, const QString& defaultValue) {
    QString result;
    int field = 1;
    for (QChar c : text) {
        if (c == separator) {
            if (field == n)
                break;
            ++field;
        } else if (field == n) {
            result.append(c);
        }
    }
    return result.isEmpty() ? defaultValue : result;
}

QString Piece(const QString& text, const QString& separator, int n, const QString& defaultValue) {
    if (separator.size() == 1)
        return Piece(text, separator.at(0), n, defaultValue);
    // A longer separator never equals a single character: the whole text is field 1.
    return (n == 1 && !text.isEmpty()) ? text : defaultValue;
}

QString ScramblePassword(const QString& text) {
    QString result;
    result.reserve(text.size());
    for (QChar c : text) {
        int code = windows1252Code(c);
        if (code < 0)
            code = '?';
        result.append(windows1252Char(static_cast<unsigned char>(code ^ PasswordScrambleByte)));
    }
    return result;
}

} // namespace cacheapi
