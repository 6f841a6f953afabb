#pragma once

#include "line.h"

#include <QList>
#include <QObject>
#include <QStringList>

// Watches a line the way the main window does: records every event by name together with the
// call data the window reads at that moment, and keeps the window's status text, pending caller
// and journal entries by the window's rules (the lookup is replaced by a made-up name; the
// pending caller is cleared after its missed-call entry).
class CallWatcher : public QObject {
    Q_OBJECT
public:
    struct Entry {
        QString number;
        QString name;
        int kind = 0;
        bool operator==(const Entry&) const = default;
    };

    explicit CallWatcher(line::Line& line, QString dialPrefix = QStringLiteral("0"))
        : line_(line), dialPrefix_(std::move(dialPrefix)) {
        using L = line::Line;
        connect(&line, &L::lineIdle, this, [this] { idle(QStringLiteral("lineIdle")); });
        connect(&line, &L::lineIdleAgain, this, [this] { idle(QStringLiteral("lineIdleAgain")); });
        connect(&line, &L::numberIdentified, this, [this] { numberIdentified(); });
        connect(&line, &L::callEnded, this, [this] { callEnded(); });
        connect(&line, &L::callOffered, this, [this] { callOffered(); });
        connect(&line, &L::connected, this, [this] { connectedCall(); });
        connect(&line, &L::dialling, this,
                [this] { note(QStringLiteral("dialling"), QStringLiteral("Wählen")); });
        connect(&line, &L::dialTone, this,
                [this] { note(QStringLiteral("dialTone"), QStringLiteral("Wählton")); });
        connect(&line, &L::disconnected, this,
                [this] { note(QStringLiteral("disconnected"), QStringLiteral("Unterbrochen")); });
    }

    QStringList events;   // event names in arrival order
    QString status;       // the status text the window shows
    QString numberField;  // the window's number field
    QList<Entry> journal; // journal entries in the order written
    QString pendingName;
    QString pendingNumber;

    QString clean(const QString& reported) const {
        QString digits;
        for (QChar c : reported)
            if (c >= u'0' && c <= u'9')
                digits += c;
        if (digits.size() >= 3 && !dialPrefix_.isEmpty() && digits.startsWith(dialPrefix_))
            return digits.mid(1);
        return {};
    }
    static QString nameOf(const QString& number) { return QStringLiteral("Kunde ") + number; }
    void clear() {
        events.clear();
        journal.clear();
    }

private:
    void note(const QString& event, const QString& text) {
        events << event;
        status = text;
    }
    void missedCall(const QString& number) {
        if (pendingName.isEmpty())
            return;
        journal << Entry{number, pendingName, 5};
        pendingName.clear();
    }
    void idle(const QString& event) {
        note(event, QStringLiteral("Bereit"));
        missedCall(pendingNumber);
    }
    void numberIdentified() {
        events << QStringLiteral("numberIdentified");
        const QString n = clean(line_.identifiedNumber());
        if (!n.isEmpty())
            numberField = n;
    }
    void callEnded() {
        note(QStringLiteral("callEnded"), QStringLiteral("Rufende"));
        missedCall(clean(line_.callNumber()));
    }
    void callOffered() {
        note(QStringLiteral("callOffered"), QStringLiteral("Income call"));
        if (!(line_.callerIdFlags() & line::Line::CallerIdNumberPresent))
            return;
        const QString n = clean(line_.callerNumber());
        if (n.isEmpty())
            return;
        numberField = n;
        pendingName = nameOf(n);
        pendingNumber = n;
    }
    void connectedCall() {
        note(QStringLiteral("connected"), QStringLiteral("Verbunden"));
        const QString n = clean(line_.callNumber());
        numberField = n;
        const int kind = line_.callOrigin() == line::Line::OriginOutgoing ? 4 : 3;
        journal << Entry{n, n.isEmpty() ? QString() : nameOf(n), kind};
        pendingName.clear();
    }

    line::Line& line_;
    QString dialPrefix_;
};
