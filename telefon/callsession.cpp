#include "callsession.h"

#include "context.h"
#include "helpers.h"
#include "journal.h"
#include "line.h"
#include "listbar.h"
#include "serverlink.h"

namespace telefon {

namespace {
const QString StatusReady = QStringLiteral("Bereit");
const QString PreferredDevice = QStringLiteral("BOSCH");
} // namespace

CallSession::CallSession(cacheapi::ServerLink& link, line::Line& line, ListBarModel& listBar,
                         TelephoneParameters& params, const context::Clock& clock, QObject* parent)
    : QObject(parent), link_(link), line_(line), listBar_(listBar), params_(params), clock_(clock) {
    using L = line::Line;
    connect(&line, &L::lineIdle, this, &CallSession::onLineIdle);
    connect(&line, &L::lineIdleAgain, this, &CallSession::onLineIdleAgain);
    connect(&line, &L::numberIdentified, this, &CallSession::onNumberIdentified);
    connect(&line, &L::callEnded, this, &CallSession::onCallEnded);
    connect(&line, &L::callOffered, this, &CallSession::onCallOffered);
    connect(&line, &L::connected, this, &CallSession::onConnected);
    connect(&line, &L::dialling, this, [this] { onDialling(QStringLiteral("Wählen")); });
    connect(&line, &L::dialTone, this, [this] { onDialling(QStringLiteral("Wählton")); });
    connect(&line, &L::disconnected, this, &CallSession::onDisconnected);
    connect(&line, &L::readinessChanged, this, &CallSession::readinessChanged);
    connect(&line, &L::callRefused, this, &CallSession::callRefused);
}

// ---------------------------------------------------------------------------------------------
// Start-up and a repeated login

void CallSession::start() {
    startWithoutLine();
    openLine();
}

void CallSession::startWithoutLine() {
    params_ = TelephoneParameters::read(link_);
    LoadListBar(link_, listBar_);
    loadedFor_ = loginKey();
    setStatus(StatusReady);
}

line::Line::Readiness CallSession::readiness() const {
    return line_.readiness();
}

QString CallSession::readinessText() const {
    return line_.readinessText();
}

void CallSession::openLine() {
    line_.setTextSetting(params_.LineText);
    line_.setDevice(0);
    const int count = line_.deviceCount();
    for (int i = 0; i < count; ++i) {
        if (line_.deviceName(i).contains(PreferredDevice, Qt::CaseSensitive)) {
            line_.setDevice(i);
            break;
        }
    }
    line_.open();
    // The opened line announces itself idle on most lines; one that does not is ready as well.
    if (lineState_ == LineState::Down)
        setLineState(line_.isOpen() ? LineState::Ready : LineState::Down);
    emit lineOpened();
}

QString CallSession::loginKey() const {
    const cacheapi::LoginState& s = link_.state();
    return s.Firma + QLatin1Char('|') + s.Filiale + QLatin1Char('|') + s.LoginIdentity;
}

// The lists are built once per run, but a list of the previous user would take the new user's
// edits and show someone else's calls: after a login as somebody else they are loaded again.
void CallSession::loginChanged() {
    if (link_.state().LoginIdentity.isEmpty() || loginKey() == loadedFor_)
        return;
    loadedFor_ = loginKey();
    ReloadPersonalGroups(link_, listBar_);
}

// ---------------------------------------------------------------------------------------------
// Line events

void CallSession::onLineIdle() {
    setStatus(StatusReady);
    setLineState(LineState::Ready);
    journalMissed(pendingCallerNumber_);
    endOfCall();
    emit readyForNumber();
}

// The second idle notice does what the first does, but the user never sees an error of it.
void CallSession::onLineIdleAgain() {
    const cacheapi::SilentErrors quiet(link_);
    onLineIdle();
}

void CallSession::onNumberIdentified() {
    const QString n = clean(line_.identifiedNumber());
    if (n.isEmpty())
        return;
    chooseNumber(n);
}

void CallSession::onCallEnded() {
    setStatus(QStringLiteral("Rufende"));
    setLineState(LineState::Ready);
    emit restoreRequested();
    journalMissed(clean(line_.callNumber()));
    endOfCall();
}

void CallSession::onCallOffered() {
    setStatus(QStringLiteral("Income call"));
    setLineState(LineState::Ringing);
    inCall_ = true;
    emit popupRequested();
    offered_ = {};
    if (line_.callerIdFlags() & line::Line::CallerIdNumberPresent) {
        const QString n = clean(line_.callerNumber());
        if (!n.isEmpty()) {
            chooseNumber(n);
            pendingCallerName_ = panel_.NAMEN;
            pendingCallerNumber_ = n;
            offered_ = {panel_.NAMEN, panel_.Nr, n};
        }
    }
    emit callOffered(offered_);
}

void CallSession::onConnected() {
    setStatus(QStringLiteral("Verbunden"));
    setLineState(holdActive_ ? LineState::Held : LineState::Connected);
    inCall_ = true;
    emit popupRequested();
    const QString n = clean(line_.callNumber());
    setNumber(n);
    const bool outgoing = line_.callOrigin() == line::Line::OriginOutgoing;
    const QString name = panel_.NAMEN;
    const Caller party{name, panel_.Nr, n};
    journal(n, name, outgoing ? Outgoing : IncomingAnswered);
    pendingCallerName_.clear();
    if (outgoing)
        emit callConnected(party);
    else
        emit callAnswered(party);
}

void CallSession::onDialling(const QString& status) {
    setStatus(status);
    setLineState(LineState::Dialling);
    inCall_ = true;
}

void CallSession::onDisconnected() {
    setStatus(QStringLiteral("Unterbrochen"));
    setLineState(LineState::Ready);
    emit restoreRequested();
    endOfCall();
}

void CallSession::endOfCall() {
    if (!inCall_)
        return;
    inCall_ = false;
    emit callEnded();
}

// A missed call is journalled once: the pending caller is forgotten after its entry, so the
// call-ended and idle events of the same call do not write it twice.
void CallSession::journalMissed(const QString& number) {
    if (pendingCallerName_.isEmpty())
        return;
    const Caller missed{pendingCallerName_, offered_.account, number};
    journal(number, pendingCallerName_, IncomingUnanswered);
    pendingCallerName_.clear();
    emit callMissed(missed);
}

void CallSession::journal(const QString& number, const QString& name, int kind) {
    AddJournalEntry(link_, listBar_, clock_.now(), number, name, kind);
}

QString CallSession::clean(const QString& reported) const {
    return CleanIncomingNumber(reported, params_.DialPrefix);
}

// ---------------------------------------------------------------------------------------------
// The user's actions

void CallSession::dialOrSearch() {
    const QString t = number_;
    if (t.isEmpty()) {
        dialExtension(t); // only drops the current call
        return;
    }
    // A number as people write it ("030 / 123 45-6", "+49 30 2004011") is dialled; the locale's
    // numeric test alone would send such a number to the search.
    if (IsWrittenNumber(t)) {
        dial(t);
        return;
    }
    setNumber(QString());
    emit searchRequested(t);
}

// Looked up before it is dialled, so the panel and the journal entry of the call name the callee
// and not whoever the panel showed before.
void CallSession::dial(const QString& number) {
    setNumber(number);
    lookUp(NumberDigits(number));
    dialExtension(number);
}

void CallSession::dialExtension(const QString& text) {
    DialNumber(line_, params_, text);
}

void CallSession::hangUp() {
    line_.drop();
}

void CallSession::toggleHold() {
    if (!holdActive_) {
        line_.hold();
        holdActive_ = true;
        heldNumber_ = number_;
        setNumber(QString());
        if (lineState_ == LineState::Connected)
            setLineState(LineState::Held);
    } else {
        line_.unhold();
        holdActive_ = false;
        setNumber(heldNumber_);
        if (lineState_ == LineState::Held)
            setLineState(LineState::Connected);
    }
    emit holdChanged(holdActive_);
    lookUp(number_);
}

void CallSession::answer() {
    line_.answer();
}

void CallSession::reject() {
    // Before the line's events: the call it ends is one the user turned away, not one missed.
    if (canAnswer())
        emit callTurnedAway();
    line_.reject();
}

void CallSession::chooseNumber(const QString& number) {
    setNumber(number);
    lookUp(number);
}

bool CallSession::lookUp(const QString& number) {
    CustomerPanel panel;
    const bool found = LookupCaller(link_, params_, number, panel);
    panel_ = panel;
    emit panelChanged(panel_);
    return found;
}

void CallSession::chooseListItem(int group, int index) {
    const QString value = listBar_.value(group, index);
    if (group == DepartmentGroup) {
        emit departmentBoardRequested(value);
        return;
    }
    if (!value.isEmpty()) // an empty journal slot
        chooseNumber(value);
}

void CallSession::activateListItem(int group, int index) {
    if (group != SpeedDialGroup)
        return;
    QString number = listBar_.value(group, index);
    QString caption = listBar_.caption(group, index);
    // An item without a number offers the party in the panel as a new entry.
    if (number.isEmpty()) {
        number = number_;
        caption = panel_.NAMEN;
    }
    const QString sort = cacheapi::Piece(caption, QChar(u'_'), 2, QStringLiteral("0"));
    emit speedDialEditorRequested(caption, number, sort);
}

// ---------------------------------------------------------------------------------------------
// What the views are told

void CallSession::setStatus(const QString& text) {
    status_ = text;
    emit statusChanged(status_);
}

void CallSession::setNumber(const QString& text) {
    if (number_ == text)
        return;
    number_ = text;
    emit numberChanged(number_);
}

void CallSession::setLineState(LineState state) {
    if (lineState_ == state)
        return;
    lineState_ = state;
    emit lineStateChanged(state);
}

} // namespace telefon
