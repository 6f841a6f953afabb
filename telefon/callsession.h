#pragma once

#include "line.h"
#include "numberops.h"
#include "telephoneparams.h"

#include <QObject>
#include <QString>

namespace cacheapi {
class ServerLink;
}
namespace context {
class Clock;
}

namespace telefon {

class ListBarModel;

// The calls of the user's line: what happens on a line event, on "Wählen", "Trennen" and "R",
// on answering and turning away, and on choosing a number from the list bar or a side window.
// It subscribes to the line, holds the number field's text, the customer panel, the pending
// caller and the hold state, looks callers up, writes the journal and tells its views what to
// show. Views (the main window, a tray icon, desktop notifications) forward the user's actions
// to its operations and show what its signals say; none of them decides anything about a call.
//
// Everything runs on the window thread. Server waits let window events run, so a line event or
// a user action may arrive while a lookup or a journal entry waits on the server; each is
// handled in full when it arrives, on the state as it is at that moment.
class CallSession : public QObject {
    Q_OBJECT
public:
    // The line as a user sees it.
    enum class LineState {
        Down,      // the line is not open (before start-up, or it could not be opened)
        Ready,     // idle, a call can be made
        Ringing,   // an incoming call is offered
        Dialling,  // an outgoing call is being set up
        Connected, // a call is in progress
        Held,      // the call in progress is on hold
    };
    Q_ENUM(LineState)

    // The caller of an offered call as the lookup identified it; every field may be empty (no
    // number transmitted, or nobody owns the number).
    struct Caller {
        QString name;    // the panel's name, or what the lookup left in it
        QString account; // "K..." for customers, empty when not found
        QString number;  // the cleaned number
    };

    CallSession(cacheapi::ServerLink& link, line::Line& line, ListBarModel& listBar,
                TelephoneParameters& params, const context::Clock& clock,
                QObject* parent = nullptr);

    // Reads the telephone parameters, fills the list bar, shows "Bereit" and opens the line on
    // the first device whose name holds "BOSCH" (else the first). Runs once, after the login.
    void start();
    // The same with the line still closed: it opens with openLine(), for example once the
    // window shows "Bereit".
    void startWithoutLine();
    void openLine();
    // Whether the line can call, and why not, in the user's words.
    line::Line::Readiness readiness() const;
    QString readinessText() const;
    // After a repeated login: when the user (or company or branch) changed, the speed-dial and
    // journal groups are loaded again for the new user.
    void loginChanged();

    // What the views show.
    QString statusText() const { return status_; }
    QString number() const { return number_; }
    const CustomerPanel& panel() const { return panel_; }
    LineState lineState() const { return lineState_; }
    bool holdActive() const { return holdActive_; }
    // True while an offered call can be answered or turned away from the program.
    bool canAnswer() const { return lineState_ == LineState::Ringing; }
    // The caller of an offered call until its end is journalled.
    QString pendingCallerName() const { return pendingCallerName_; }

    // The user's actions.
    // The number field's text, typed by the user or put there by a side window.
    void setNumber(const QString& text);
    // "Wählen" with the number field: a written number is looked up and dialled, any other text
    // is searched for, an empty field only drops the current call.
    void dialOrSearch();
    // Puts the number into the number field, looks it up and dials it.
    void dial(const QString& number);
    // Dials a text as it is (an extension on the department board), without a lookup.
    void dialExtension(const QString& text);
    void hangUp();
    // "R": holds the call and empties the number field, or resumes it and gives the number back;
    // the panel follows the number field.
    void toggleHold();
    void answer();
    void reject();
    // A number chosen in a list or a side window: into the number field, then looked up.
    void chooseNumber(const QString& number);
    // Looks the number up and shows the owner in the panel; true when an owner was found.
    bool lookUp(const QString& number);
    // List bar: an item chosen (click) or activated (double click).
    void chooseListItem(int group, int index);
    void activateListItem(int group, int index);

signals:
    // The status line's text, at every line event that sets it.
    void statusChanged(const QString& text);
    // The number field's new text, whenever the session sets it.
    void numberChanged(const QString& text);
    // The customer panel after every lookup.
    void panelChanged(const telefon::CustomerPanel& panel);
    void lineStateChanged(telefon::CallSession::LineState state);
    void holdChanged(bool active);
    // A call was offered or connected: the main window remembers its state and pops up when the
    // user wants that.
    void popupRequested();
    // An offered call ended or a call was cut off: the main window goes back to the state it
    // had before the popup.
    void restoreRequested();
    // The line went idle: the number field takes the input focus.
    void readyForNumber();
    // An incoming call, after its caller was looked up.
    void callOffered(const telefon::CallSession::Caller& caller);
    // An incoming call was answered (here or on the telephone).
    void callAnswered(const telefon::CallSession::Caller& caller);
    // An outgoing call was connected; `callee` is what the panel shows.
    void callConnected(const telefon::CallSession::Caller& callee);
    // A call is over (answered or not, incoming or outgoing); once per call.
    void callEnded();
    // An offered call ended without an answer and went into "nicht angenommen".
    void callMissed(const telefon::CallSession::Caller& caller);
    // The user turned the offered call away (key, button or notification).
    void callTurnedAway();
    // Text in the number field that is no number: the number search with it as search word.
    void searchRequested(const QString& word);
    // The start-up has opened the line: from now on numbers can be dialled.
    void lineOpened();
    // The line's readiness changed (registered, lost its server, reconfigured).
    void readinessChanged();
    // A call was not placed because the line cannot call now; `why` is for the user.
    void callRefused(const QString& why);
    // A department of the list bar was chosen.
    void departmentBoardRequested(const QString& department);
    // A speed-dial item was activated: the editor with these fields.
    void speedDialEditorRequested(const QString& name, const QString& number, const QString& sort);

private:
    void onLineIdle();
    void onLineIdleAgain();
    void onNumberIdentified();
    void onCallEnded();
    void onCallOffered();
    void onConnected();
    void onDialling(const QString& status);
    void onDisconnected();

    void setStatus(const QString& text);
    void setLineState(LineState state);
    void endOfCall();
    void journalMissed(const QString& number);
    void journal(const QString& number, const QString& name, int kind);
    QString clean(const QString& reported) const;
    QString loginKey() const;

    cacheapi::ServerLink& link_;
    line::Line& line_;
    ListBarModel& listBar_;
    TelephoneParameters& params_;
    const context::Clock& clock_;

    QString status_;
    QString number_;
    CustomerPanel panel_;
    LineState lineState_ = LineState::Down;
    bool inCall_ = false;
    Caller offered_;
    QString pendingCallerName_, pendingCallerNumber_;
    bool holdActive_ = false;
    QString heldNumber_;
    QString loadedFor_; // the login whose lists the list bar shows
};

} // namespace telefon
