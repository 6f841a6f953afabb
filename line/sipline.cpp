#include "sipline.h"

#include "sipheadless.h"

#include <QDir>
#include <QTimer>

#include <deque>
#include <functional>

namespace line {

namespace {

using CallState = linphone::Call::State;

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
    std::function<void(linphone::RegistrationState)> onRegistration;

    void onCallStateChanged(const std::shared_ptr<linphone::Core>&,
                            const std::shared_ptr<linphone::Call>& call, CallState state,
                            const std::string&) override {
        onCall(call, state);
    }
    void onAccountRegistrationStateChanged(const std::shared_ptr<linphone::Core>&,
                                           const std::shared_ptr<linphone::Account>&,
                                           linphone::RegistrationState state,
                                           const std::string&) override {
        onRegistration(state);
    }
};

linphone::TransportType transportOf(const QString& name) {
    if (name == u"tcp")
        return linphone::TransportType::Tcp;
    if (name == u"tls")
        return linphone::TransportType::Tls;
    return linphone::TransportType::Udp;
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

    void onRegistration(linphone::RegistrationState state) {
        const bool now = state == linphone::RegistrationState::Ok;
        if (now && !registered && !call)
            give(Event::LineIdleAgain);
        registered = now;
    }

    bool start() {
        const QString dir = config.dataDir;
        if (dir.isEmpty() || !QDir().mkpath(dir)) {
            error = QStringLiteral("SIP data directory not usable: ") + dir;
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
        o.audioFiles = config.audioFiles;
        o.playFile = str(config.playFile);
        o.recordFile = str(config.recordFile);
        o.playbackDevice = str(config.playbackDevice);
        o.captureDevice = str(config.captureDevice);
        core = sip::makeCore(o);
        core->setIncTimeout(config.ringSeconds);
        watch->onCall = [this](const std::shared_ptr<linphone::Call>& c, CallState s) {
            onCallState(c, s);
        };
        watch->onRegistration = [this](linphone::RegistrationState s) { onRegistration(s); };
        core->addListener(watch);
        if (config.sipMode == LineConfig::SipMode::Account && !addAccount())
            return false;
        if (core->start() != 0) {
            error = QStringLiteral("SIP stack did not start");
            return false;
        }
        sip::goOnline(*core);
        return true;
    }

    bool addAccount() {
        if (config.sipServer.isEmpty() || config.sipUser.isEmpty()) {
            error = QStringLiteral("SIP account needs server and user");
            return false;
        }
        auto factory = linphone::Factory::get();
        const std::string domain = str(serverHost());
        auto identity = factory->createAddress("sip:" + str(config.sipUser) + "@" + domain);
        auto server = factory->createAddress(
            str(QStringLiteral("sip:") + config.sipServer + transportParameter()));
        if (!identity || !server) {
            error = QStringLiteral("SIP account address not valid");
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
        const QString host =
            config.sipMode == LineConfig::SipMode::Account ? serverHost() : config.sipServer;
        return linphone::Factory::get()->createAddress(
            str(QStringLiteral("sip:") + digits + QLatin1Char('@') + host + transportParameter()));
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
    d->ticker.setInterval(10);
    connect(&d->ticker, &QTimer::timeout, this, [this] { d->tick(); });
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
        return;
    }
    d->open = true;
    if (d->config.sipMode == LineConfig::SipMode::PeerToPeer)
        d->give(Event::LineIdleAgain);
    d->ticker.start();
    d->deliver();
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
