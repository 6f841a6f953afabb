#include "sippeer.h"

#include "sipheadless.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTimer>

namespace line {

namespace {

class PeerWatch : public linphone::CoreListener {
public:
    std::function<void(const std::shared_ptr<linphone::Call>&, linphone::Call::State)> onState;
    void onCallStateChanged(const std::shared_ptr<linphone::Core>&,
                            const std::shared_ptr<linphone::Call>& call,
                            linphone::Call::State state, const std::string&) override {
        if (onState)
            onState(call, state);
    }
};

QString reasonName(linphone::Reason reason) {
    using R = linphone::Reason;
    switch (reason) {
    case R::None:
        return QStringLiteral("None");
    case R::Busy:
        return QStringLiteral("Busy");
    case R::Declined:
        return QStringLiteral("Declined");
    case R::NotAnswered:
        return QStringLiteral("NotAnswered");
    case R::NotFound:
        return QStringLiteral("NotFound");
    case R::IOError:
        return QStringLiteral("IOError");
    case R::DoNotDisturb:
        return QStringLiteral("DoNotDisturb");
    case R::TemporarilyUnavailable:
        return QStringLiteral("TemporarilyUnavailable");
    default:
        return QStringLiteral("Other");
    }
}

} // namespace

struct SipPeer::Impl {
    Options options;
    QString error;
    QTemporaryDir ownDir;
    std::shared_ptr<linphone::Core> core;
    std::shared_ptr<PeerWatch> watch = std::make_shared<PeerWatch>();
    std::shared_ptr<linphone::Call> call;
    Answering answering = Answering::Manual;
    QString dialledNumber;
    QString lastReason;
    QStringList history;
    QTimer ticker;

    std::string str(const QString& s) const { return s.toStdString(); }
};

SipPeer::SipPeer(QObject* parent) : SipPeer(Options{}, parent) {}

SipPeer::SipPeer(const Options& options, QObject* parent)
    : QObject(parent), d(std::make_unique<Impl>()) {
    d->options = options;
    d->ticker.setInterval(options.tickMs);
    connect(&d->ticker, &QTimer::timeout, this, [this] {
        if (d->core)
            d->core->iterate();
    });
}

SipPeer::~SipPeer() {
    d->ticker.stop();
    if (d->core) {
        d->core->removeListener(d->watch);
        d->core->terminateAllCalls();
        d->core->stop();
    }
}

QString SipPeer::errorString() const {
    return d->error;
}
void SipPeer::setAnswering(Answering answering) {
    d->answering = answering;
}

bool SipPeer::start() {
    if (d->core)
        return true;
    QString dir = d->options.dataDir;
    if (dir.isEmpty()) {
        if (!d->ownDir.isValid()) {
            d->error = QStringLiteral("no temporary directory");
            return false;
        }
        dir = d->ownDir.path();
    }
    QDir().mkpath(dir);

    sip::quietLogs();
    sip::CoreOptions o;
    o.dataDir = d->str(dir);
    o.bindAddress = d->str(d->options.bindAddress);
    o.contactUser = d->str(d->options.user);
    o.sipPort = d->options.sipPort;
    o.audioPort = d->options.audioPort;
    o.playFile = d->str(d->options.playFile);
    d->core = sip::makeCore(o);
    d->watch->onState = [this](const std::shared_ptr<linphone::Call>& call,
                               linphone::Call::State state) {
        using S = linphone::Call::State;
        const QString name = QString::fromLatin1(sip::stateName(state));
        d->history << name;
        if (state == S::IncomingReceived) {
            d->call = call;
            d->dialledNumber = QString::fromStdString(call->getToAddress()->getUsername());
            emit incomingCall(d->dialledNumber);
            switch (d->answering) {
            case Answering::Manual:
                break;
            case Answering::Answer:
                call->accept();
                break;
            case Answering::Busy:
                call->decline(linphone::Reason::Busy);
                break;
            case Answering::Decline:
                call->decline(linphone::Reason::Declined);
                break;
            }
        }
        if (state == S::Error || state == S::End)
            d->lastReason = reasonName(call->getReason());
        if (state == S::Released && d->call == call)
            d->call.reset();
        emit callStateChanged(name);
    };
    d->core->addListener(d->watch);
    if (d->core->start() != 0) {
        d->error = QStringLiteral("the SIP core did not start");
        d->core.reset();
        return false;
    }
    sip::goOnline(*d->core);
    d->ticker.start();
    return true;
}

bool SipPeer::ring(const QString& target, const QString& callerNumber, bool anonymous) {
    if (!d->core || d->call)
        return false;
    const QString to =
        target.startsWith(u"sip:") ? target : QStringLiteral("sip:telefon@") + target;
    auto address = linphone::Factory::get()->createAddress(d->str(to));
    if (!address)
        return false;
    // The caller number travels as the user part and display name of the caller's address.
    const std::string host = sip::uriHost(d->str(d->options.bindAddress));
    const std::string number = d->str(callerNumber.isEmpty() ? d->options.user : callerNumber);
    d->core->setPrimaryContact("\"" + number + "\" <sip:" + number + "@" + host + ":" +
                               std::to_string(d->options.sipPort) + ">");
    auto params = d->core->createCallParams(nullptr);
    params->enableVideo(false);
    if (anonymous)
        params->setPrivacy(static_cast<unsigned>(linphone::Privacy::Id) |
                           static_cast<unsigned>(linphone::Privacy::User));
    d->call = d->core->inviteAddressWithParams(address, params);
    return d->call != nullptr;
}

bool SipPeer::answer() {
    return d->call && d->call->accept() == 0;
}

bool SipPeer::hangUp() {
    return d->call && d->call->terminate() == 0;
}

bool SipPeer::hold() {
    return d->call && d->call->pause() == 0;
}

bool SipPeer::resume() {
    return d->call && d->call->resume() == 0;
}

bool SipPeer::inCall() const {
    return d->call != nullptr;
}

QString SipPeer::callState() const {
    return d->call ? QString::fromLatin1(sip::stateName(d->call->getState()))
                   : QStringLiteral("Idle");
}

QString SipPeer::dialledNumber() const {
    return d->dialledNumber;
}
QString SipPeer::lastReason() const {
    return d->lastReason;
}
QStringList SipPeer::stateHistory() const {
    return d->history;
}
void SipPeer::clearHistory() {
    d->history.clear();
}

QString SipPeer::address() const {
    return d->options.bindAddress + QLatin1Char(':') + QString::number(d->options.sipPort);
}

SipPeer::Answering SipPeer::answeringFromName(const QString& name, bool* ok) {
    const QString n = name.toLower();
    if (ok)
        *ok = true;
    if (n == u"answer")
        return Answering::Answer;
    if (n == u"busy")
        return Answering::Busy;
    if (n == u"decline")
        return Answering::Decline;
    if (ok)
        *ok = n == u"manual";
    return Answering::Manual;
}

} // namespace line
