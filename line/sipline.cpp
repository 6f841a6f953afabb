#include "sipline.h"

#include "sipheadless.h"

#include "sounds.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTimer>

#include <deque>
#include <functional>

namespace line {

namespace {

using CallState = linphone::Call::State;
using Readiness = Line::Readiness;

constexpr int IdleTickMs = 200;
constexpr int QuietAfterMs = 2000;
constexpr int RetryMs = 20000;

enum class Event {
    LineIdle,
    LineIdleAgain,
    NumberIdentified,
    CallEnded,
    CallOffered,
    Connected,
    Dialling,
    DialTone,
    Disconnected
};

// What the reactions read through the line's operations while an event is given.
struct CallData {
    int callerIdFlags = 0;
    QString callerNumber;
    QString identifiedNumber;
    QString callNumber;
    int callOrigin = 0;
};

class CoreWatch : public linphone::CoreListener {
public:
    std::function<void(const std::shared_ptr<linphone::Call>&, CallState)> onCall;
    std::function<void(const std::shared_ptr<linphone::Account>&, linphone::RegistrationState)>
        onRegistration;

    void onCallStateChanged(const std::shared_ptr<linphone::Core>&,
                            const std::shared_ptr<linphone::Call>& call, CallState state,
                            const std::string&) override {
        onCall(call, state);
    }
    void onAccountRegistrationStateChanged(const std::shared_ptr<linphone::Core>&,
                                           const std::shared_ptr<linphone::Account>& account,
                                           linphone::RegistrationState state,
                                           const std::string&) override {
        onRegistration(account, state);
    }
};

linphone::TransportType transportOf(const QString& name) {
    if (name == u"tcp")
        return linphone::TransportType::Tcp;
    if (name == u"tls")
        return linphone::TransportType::Tls;
    return linphone::TransportType::Udp;
}

// Why a registration failed, in the user's words.
QString registrationFailure(const linphone::Account& account, bool tls) {
    const auto info = const_cast<linphone::Account&>(account).getErrorInfo();
    const linphone::Reason reason = info ? info->getReason() : linphone::Reason::None;
    const int code = info ? info->getProtocolCode() : 0;
    using R = linphone::Reason;
    if (reason == R::Unauthorized || reason == R::Forbidden || code == 401 || code == 403 ||
        code == 407)
        return QStringLiteral("falsches Passwort oder unbekannter Benutzer");
    if (reason == R::IOError || reason == R::NoResponse || reason == R::ServerTimeout ||
        code == 408 || code == 503 || code == 0)
        return tls ? QStringLiteral("Server nicht erreichbar oder sein Zertifikat ist nicht "
                                    "vertrauenswürdig")
                   : QStringLiteral("Server nicht erreichbar");
    QString refused = QStringLiteral("vom Server abgewiesen (%1").arg(code);
    const std::string phrase = info->getPhrase();
    if (!phrase.empty())
        refused += QLatin1Char(' ') + QString::fromStdString(phrase);
    return refused + QLatin1Char(')');
}

bool isAnonymous(const linphone::Address& address) {
    const std::string user = address.getUsername();
    return user.empty() || user == "anonymous" || address.getDomain() == "anonymous.invalid";
}

} // namespace

struct SipLine::Impl {
    SipLine* q;
    LineConfig config;
    QString textSetting;
    QString error;
    bool open = false;
    bool registered = false;
    bool held = false;
    Readiness readiness = Readiness::Closed;
    QString failure; // why the registration failed

    // The stack needs its timer often while something happens and rarely when nothing does.
    int busyTickMs = 10;
    int idleTickMs = IdleTickMs;
    QElapsedTimer sinceActivity;
    QTimer retry; // registers again after a failure: the server or the network may be back

    std::shared_ptr<linphone::Core> core;
    std::shared_ptr<CoreWatch> watch = std::make_shared<CoreWatch>();
    QTimer ticker;
    bool iterating = false;
    bool delivering = false;

    // The call the line is busy with; calls arriving meanwhile are turned away as busy.
    std::shared_ptr<linphone::Call> call;
    bool callConnected = false;
    bool diallingGiven = false;
    bool placing = false;
    bool dropping = false;   // the program ended the call, its end is on the way
    bool dialQueued = false; // a call placed while the dropped one was still ending
    bool callFinished = false;
    QString numberToDial;

    CallData current; // the data of the call being reported
    CallData shown;   // what the operations answer
    std::deque<std::pair<Event, CallData>> pending;

    explicit Impl(SipLine* line) : q(line) {}

    std::string str(const QString& s) const { return s.toStdString(); }

    // A number as a telephone system reports it: international numbers with the international
    // prefix, external numbers with the outside-line digit in front.
    QString reported(const std::string& user) const {
        QString number = QString::fromStdString(user);
        if (number.startsWith(QLatin1Char('+')))
            number = QStringLiteral("00") + number.mid(1);
        return number.size() > 2 ? config.incomingPrefix + number : number;
    }

    QString serverHost() const {
        const int colon = config.sipServer.lastIndexOf(QLatin1Char(':'));
        return colon > 0 ? config.sipServer.left(colon) : config.sipServer;
    }

    QString transportParameter() const {
        return config.sipTransport == u"udp" || config.sipTransport.isEmpty()
                   ? QString()
                   : QStringLiteral(";transport=") + config.sipTransport;
    }

    void give(Event event) { pending.emplace_back(event, current); }

    void tick() {
        if (!core || iterating)
            return;
        iterating = true;
        core->iterate();
        iterating = false;
        if (dialQueued && (!call || callFinished)) {
            dialQueued = false;
            placeCall();
        }
        deliver();
        pace();
    }

    void noteActivity() { sinceActivity.start(); }

    // Quick while a call or a registration is under way and for a while after any event, so
    // that the stack's answers and retransmissions keep their times; slow when idle.
    void pace() {
        const bool busy = call || readiness == Readiness::Connecting || !pending.empty() ||
                          !sinceActivity.isValid() || sinceActivity.elapsed() < QuietAfterMs;
        const int interval = busy ? busyTickMs : idleTickMs;
        if (ticker.interval() != interval)
            ticker.setInterval(interval);
    }

    void setReadiness(Readiness now) {
        if (readiness == now)
            return;
        readiness = now;
        emit q->readinessChanged();
    }

    // Reactions may let window events run and so re-enter tick(); the outer delivery keeps
    // the order.
    void deliver() {
        if (delivering)
            return;
        delivering = true;
        while (!pending.empty()) {
            auto [event, data] = pending.front();
            pending.pop_front();
            shown = data;
            emitEvent(event);
        }
        delivering = false;
    }

    void emitEvent(Event event) {
        switch (event) {
        case Event::LineIdle:
            emit q->lineIdle();
            break;
        case Event::LineIdleAgain:
            emit q->lineIdleAgain();
            break;
        case Event::NumberIdentified:
            emit q->numberIdentified();
            break;
        case Event::CallEnded:
            emit q->callEnded();
            break;
        case Event::CallOffered:
            emit q->callOffered();
            break;
        case Event::Connected:
            emit q->connected();
            break;
        case Event::Dialling:
            emit q->dialling();
            break;
        case Event::DialTone:
            emit q->dialTone();
            break;
        case Event::Disconnected:
            emit q->disconnected();
            break;
        }
    }

    void onCallState(const std::shared_ptr<linphone::Call>& c, CallState state) {
        noteActivity();
        if (state == CallState::IncomingReceived && call && c != call && !callFinished) {
            c->decline(linphone::Reason::Busy);
            return;
        }
        if (state == CallState::IncomingReceived) {
            beginIncoming(c);
            return;
        }
        if (!call && placing)
            call = c; // the first states of a placed call come before invite returns
        if (c != call)
            return;
        switch (state) {
        case CallState::OutgoingInit:
        case CallState::OutgoingProgress:
        case CallState::OutgoingRinging:
        case CallState::OutgoingEarlyMedia:
            giveDialling();
            break;
        case CallState::Connected:
            callConnected = true;
            give(Event::Connected);
            identifyConnectedParty();
            break;
        case CallState::StreamsRunning:
        case CallState::Paused:
        case CallState::PausedByRemote:
            applyHold();
            break;
        case CallState::Error:
        case CallState::End:
            finish();
            break;
        case CallState::Released:
            finish();
            call.reset();
            held = false;
            break;
        default:
            break;
        }
    }

    // Hold and resume wait for the call to settle: a pause still under way cannot be resumed.
    void applyHold() {
        if (!call || !callConnected || callFinished)
            return;
        const CallState state = call->getState();
        if (held && (state == CallState::StreamsRunning || state == CallState::PausedByRemote))
            call->pause();
        else if (!held && state == CallState::Paused)
            call->resume();
    }

    void beginIncoming(const std::shared_ptr<linphone::Call>& c) {
        call = c;
        callConnected = false;
        callFinished = false;
        held = false;
        current = CallData{};
        current.callOrigin = OriginIncoming;
        const auto remote = c->getRemoteAddress();
        if (remote && !isAnonymous(*remote)) {
            current.callerNumber = reported(remote->getUsername());
            current.callerIdFlags = CallerIdNumberPresent;
        }
        current.callNumber = current.callerNumber;
        give(Event::CallOffered);
    }

    void giveDialling() {
        if (diallingGiven || current.callOrigin != OriginOutgoing)
            return;
        diallingGiven = true;
        give(Event::Dialling);
    }

    // A diverted call is answered by another number than the dialled one.
    void identifyConnectedParty() {
        if (current.callOrigin != OriginOutgoing)
            return;
        const auto remote = call->getRemoteAddress();
        if (!remote || isAnonymous(*remote))
            return;
        const QString user = QString::fromStdString(remote->getUsername());
        if (user == current.callNumber)
            return;
        current.identifiedNumber = reported(remote->getUsername());
        give(Event::NumberIdentified);
    }

    void finish() {
        if (callFinished)
            return;
        callFinished = true;
        held = false;
        dropping = false;
        if (current.callOrigin == OriginOutgoing)
            giveDialling();
        if (current.callOrigin == OriginIncoming && !callConnected)
            give(Event::CallEnded);
        give(Event::Disconnected);
        give(Event::LineIdle);
    }

    void onRegistration(const std::shared_ptr<linphone::Account>& account,
                        linphone::RegistrationState state) {
        noteActivity();
        using S = linphone::RegistrationState;
        const bool now = state == S::Ok;
        if (now && !registered && !call)
            give(Event::LineIdleAgain);
        registered = now;
        switch (state) {
        case S::Ok:
            failure.clear();
            retry.stop();
            setReadiness(Readiness::Ready);
            break;
        case S::Failed:
            failure = registrationFailure(*account, config.sipTransport == u"tls");
            setReadiness(Readiness::Failed);
            retry.start();
            break;
        case S::Progress:
            if (readiness != Readiness::Ready)
                setReadiness(Readiness::Connecting);
            break;
        default:
            break;
        }
    }

    bool start() {
        const QString dir = config.dataDir;
        if (dir.isEmpty() || !QDir().mkpath(dir)) {
            error =
                QStringLiteral("Das Datenverzeichnis der SIP-Leitung ist nicht nutzbar: ") + dir;
            return false;
        }
        sip::quietLogs();
        sip::CoreOptions o;
        o.dataDir = str(dir);
        o.bindAddress = str(config.sipBindAddress);
        o.contactUser = str(config.sipUser.isEmpty() ? QStringLiteral("telefon") : config.sipUser);
        o.sipPort = config.sipPort;
        o.audioPort = config.sipAudioPort;
        o.transport = transportOf(config.sipTransport);
        o.audioFiles = config.usesAudioFiles();
        o.avoidSoundServer = !soundServerRuns();
        o.playFile = str(config.playFile);
        o.recordFile = str(config.recordFile);
        o.playbackDevice = str(config.playbackDevice);
        o.captureDevice = str(config.captureDevice);
        o.ringerDevice = str(config.ringerDevice);
        o.echoCancellation = config.echoCancellation;
        o.ringFile = str(ringToneFile(config.ringTone));
        o.ringBackFile = str(ringBackFile());
        o.extraCaFile = str(config.caFile);
        o.connectOnly = config.sipMode == LineConfig::SipMode::Account;
        core = sip::makeCore(o);
        core->setIncTimeout(config.ringSeconds);
        watch->onCall = [this](const std::shared_ptr<linphone::Call>& c, CallState s) {
            onCallState(c, s);
        };
        watch->onRegistration = [this](const std::shared_ptr<linphone::Account>& a,
                                       linphone::RegistrationState s) { onRegistration(a, s); };
        core->addListener(watch);
        if (config.sipMode == LineConfig::SipMode::Account && !addAccount())
            return false;
        if (core->start() != 0) {
            error = QStringLiteral("Die SIP-Leitung ließ sich nicht starten");
            return false;
        }
        sip::goOnline(*core);
        return true;
    }

    bool addAccount() {
        if (config.sipServer.isEmpty() || config.sipUser.isEmpty()) {
            error = QStringLiteral("Im SIP-Konto fehlen Server oder Benutzer");
            return false;
        }
        auto factory = linphone::Factory::get();
        const std::string domain = str(serverHost());
        auto identity = factory->createAddress("sip:" + str(config.sipUser) + "@" + domain);
        auto server = factory->createAddress(
            str(QStringLiteral("sip:") + config.sipServer + transportParameter()));
        if (!identity || !server) {
            error = QStringLiteral("Die Adresse des SIP-Kontos ist ungültig");
            return false;
        }
        auto params = core->createAccountParams();
        params->setIdentityAddress(identity);
        params->setServerAddress(server);
        params->enableRegister(true);
        params->enablePublish(false);
        params->setPushNotificationAllowed(false);
        params->setRemotePushNotificationAllowed(false);
        auto account = core->createAccount(params);
        core->addAuthInfo(factory->createAuthInfo(str(config.sipUser), "", str(config.sipPassword),
                                                  "", "", domain));
        core->addAccount(account);
        core->setDefaultAccount(account);
        return true;
    }

    std::shared_ptr<linphone::Address> destination(const QString& digits) const {
        return linphone::Factory::get()->createAddress(str(QStringLiteral("sip:") + digits +
                                                           QLatin1Char('@') + config.sipServer +
                                                           transportParameter()));
    }

    void placeCall() {
        call.reset();
        callConnected = false;
        callFinished = false;
        diallingGiven = false;
        held = false;
        current = CallData{};
        current.callOrigin = OriginOutgoing;
        current.callNumber = numberToDial;
        give(Event::DialTone);
        auto address = destination(numberToDial);
        if (address) {
            auto params = core->createCallParams(nullptr);
            params->enableVideo(false);
            iterating = true; // the stack reports the first states from inside invite
            placing = true;
            auto placed = core->inviteAddressWithParams(address, params);
            placing = false;
            iterating = false;
            if (placed && !callFinished)
                call = placed;
        }
        if (!call)
            finish();
        deliver();
    }
};

SipLine::SipLine(const LineConfig& config, QObject* parent)
    : Line(parent), d(std::make_unique<Impl>(this)) {
    d->config = config;
    d->ticker.setInterval(d->busyTickMs);
    connect(&d->ticker, &QTimer::timeout, this, [this] { d->tick(); });
    d->retry.setInterval(RetryMs);
    d->retry.setSingleShot(true);
    connect(&d->retry, &QTimer::timeout, this, [this] {
        if (d->core && !d->registered) {
            d->noteActivity();
            d->core->refreshRegisters();
            d->pace();
        }
    });
}

SipLine::~SipLine() {
    d->ticker.stop();
    if (d->core) {
        d->core->removeListener(d->watch);
        d->core->terminateAllCalls();
        d->core->stop();
    }
}

void SipLine::setTextSetting(const QString& text) {
    d->textSetting = text;
}
void SipLine::setDevice(int) {}
int SipLine::device() const {
    return 0;
}
int SipLine::deviceCount() const {
    return 1;
}

QString SipLine::deviceName(int index) const {
    if (index != 0)
        return {};
    if (d->config.sipMode == LineConfig::SipMode::PeerToPeer)
        return QStringLiteral("SIP direkt, Port %1").arg(d->config.sipPort);
    return QStringLiteral("SIP %1@%2").arg(d->config.sipUser, d->config.sipServer);
}

void SipLine::open() {
    if (d->open)
        return;
    if (!d->start()) {
        d->core.reset();
        d->setReadiness(Readiness::Failed);
        return;
    }
    d->open = true;
    if (d->config.sipMode == LineConfig::SipMode::PeerToPeer) {
        d->give(Event::LineIdleAgain);
        d->setReadiness(Readiness::Ready);
    } else {
        d->setReadiness(Readiness::Connecting);
    }
    d->noteActivity();
    d->ticker.start();
    d->deliver();
}

Line::Readiness SipLine::readiness() const {
    return d->readiness;
}

QString SipLine::readinessText() const {
    const LineConfig& c = d->config;
    const bool peer = c.sipMode == LineConfig::SipMode::PeerToPeer;
    switch (d->readiness) {
    case Readiness::Ready:
        return peer ? QStringLiteral("Bereit für direkte SIP-Anrufe an Port %1").arg(c.sipPort)
                    : QStringLiteral("Angemeldet als %1 bei %2").arg(c.sipUser, c.sipServer);
    case Readiness::Connecting:
        return QStringLiteral("Anmeldung als %1 bei %2 läuft …").arg(c.sipUser, c.sipServer);
    case Readiness::Failed:
        if (!d->open)
            return QStringLiteral("Leitung nicht geöffnet: ") + d->error;
        return QStringLiteral("Nicht angemeldet bei %1: %2").arg(c.sipServer, d->failure);
    case Readiness::Closed:
        break;
    }
    return QStringLiteral("Leitung nicht geöffnet");
}

QString SipLine::failureReason() const {
    return d->failure;
}

void SipLine::setIdleTickInterval(int milliseconds) {
    d->idleTickMs = milliseconds;
}

void SipLine::setRetryInterval(int milliseconds) {
    d->retry.setInterval(milliseconds);
}

int SipLine::currentTickInterval() const {
    return d->ticker.interval();
}

QList<SipLine::SoundDevice> SipLine::soundDevices(const QString& dataDir) {
    QList<SoundDevice> devices;
    if (!soundServerRuns() || !QDir().mkpath(dataDir))
        return devices;
    sip::quietLogs();
    sip::CoreOptions o;
    o.dataDir = dataDir.toStdString();
    o.audioFiles = false;
    o.sipPort = 0;
    o.audioPort = 0;
    const auto core = sip::makeCore(o);
    using Cap = linphone::AudioDevice::Capabilities;
    for (const auto& device : core->getExtendedAudioDevices()) {
        SoundDevice d;
        d.id = QString::fromStdString(device->getId());
        d.playback = device->hasCapability(Cap::CapabilityPlay);
        d.capture = device->hasCapability(Cap::CapabilityRecord);
        devices << d;
    }
    return devices;
}

bool SipLine::isOpen() const {
    return d->open;
}
QString SipLine::errorString() const {
    return d->error;
}
bool SipLine::isRegistered() const {
    return d->registered;
}
bool SipLine::isHeld() const {
    return d->held;
}
void SipLine::setTickInterval(int milliseconds) {
    d->busyTickMs = milliseconds;
    d->ticker.setInterval(milliseconds);
}

void SipLine::drop() {
    d->dialQueued = false;
    if (!d->call || d->callFinished)
        return;
    d->dropping = true;
    if (d->call->getState() == CallState::IncomingReceived)
        d->call->decline(linphone::Reason::Declined);
    else
        d->call->terminate();
}

void SipLine::setNumber(const QString& digits) {
    d->numberToDial = digits;
}

// The program drops the current call right before it dials; the dropped call ends a moment
// later, and the new one is placed then.
void SipLine::makeCall() {
    if (!d->open || d->numberToDial.isEmpty())
        return;
    if (d->readiness != Readiness::Ready) {
        emit callRefused(QStringLiteral("Der Anruf kann nicht gewählt werden: ") + readinessText() +
                         QLatin1Char('.'));
        return;
    }
    if (d->call && !d->callFinished) {
        d->dialQueued = d->dropping;
        return;
    }
    d->placeCall();
}

void SipLine::hold() {
    if (!d->call || !d->callConnected || d->callFinished)
        return;
    d->held = true;
    d->applyHold();
}

void SipLine::unhold() {
    if (!d->call || !d->held)
        return;
    d->held = false;
    d->applyHold();
}

void SipLine::answer() {
    if (d->call && d->call->getState() == CallState::IncomingReceived)
        d->call->accept();
}

void SipLine::reject() {
    if (d->call && d->call->getState() == CallState::IncomingReceived)
        d->call->decline(linphone::Reason::Declined);
}

int SipLine::callerIdFlags() const {
    return d->shown.callerIdFlags;
}
QString SipLine::callerNumber() const {
    return d->shown.callerNumber;
}
QString SipLine::identifiedNumber() const {
    return d->shown.identifiedNumber;
}
QString SipLine::callNumber() const {
    return d->shown.callNumber;
}
int SipLine::callOrigin() const {
    return d->shown.callOrigin;
}

} // namespace line
