#include "catalogue.h"

#include "helpers.h"
#include "serverlink.h"
#include "win1252.h"

namespace cacheapi::catalogue {

namespace {

QString quoted(const QString& text) {
    return QLatin1Char('"') + text + QLatin1Char('"');
}

// "D ENTRY^RUFAP" with its arguments, if any.
QString procedure(const QString& entry, const QStringList& arguments = {}) {
    QString command = QStringLiteral("D ") + entry + QStringLiteral("^RUFAP");
    if (!arguments.isEmpty())
        command += QLatin1Char('(') + arguments.join(QLatin1Char(',')) + QLatin1Char(')');
    return command;
}

// The function form: the value goes to P0 and is written only on servers that need it.
QString function(const QString& entry, const QString& argument) {
    return QStringLiteral("S P0=$$") + entry + QStringLiteral("^RUFAP(") + argument +
           QStringLiteral(") W:$F($ZV,\"MSM\") P0");
}

QString run(ServerLink& link, const QString& command) {
    bool error = false;
    return link.ExecuteCommand(command, error);
}

QStringList records(ServerLink& link, const QString& command) {
    RecordList list;
    bool error = false;
    const int count = link.ExecuteCommandSplit(command, RecordSeparator, list, error);
    QStringList result;
    for (int i = 1; i <= count; ++i)
        result.append(list[i]);
    return result;
}

// Field n (from 1) of a record; a missing field is empty.
class Fields {
public:
    explicit Fields(const QString& record) : record_(record) {}
    QString operator[](int n) const { return Piece(record_, FieldSeparator, n); }

private:
    const QString& record_;
};

template <typename T, typename Make> QList<T> each(const QStringList& list, Make make) {
    QList<T> result;
    result.reserve(list.size());
    for (const QString& record : list)
        result.append(make(Fields(record)));
    return result;
}

} // namespace

Parameters parseParameters(const QString& reply) {
    const Fields f(reply);
    return {f[1], f[2], f[3]};
}

Parameters readParameters(ServerLink& link) {
    return parseParameters(run(link, procedure(QStringLiteral("PARAM"))));
}

Customer parseCustomer(const QString& reply) {
    const Fields f(reply);
    return {f[1],  f[2],  f[3],  f[4],  f[5],  f[6],  f[7],  f[8], f[9],
            f[10], f[11], f[12], f[13], f[14], f[15], f[16], f[17]};
}

Customer findCustomer(ServerLink& link, const QString& candidate) {
    return parseCustomer(run(link, procedure(QStringLiteral("TELSU"), {quoted(candidate)})));
}

QList<SpeedDialEntry> speedDialList(ServerLink& link) {
    return each<SpeedDialEntry>(records(link, procedure(QStringLiteral("ZWAHL"))),
                                [](const Fields& f) {
                                    return SpeedDialEntry{f[1], f[2], f[3]};
                                });
}

void saveSpeedDialEntry(ServerLink& link, const QString& number, const QString& name,
                        const QString& sortKey) {
    const QString entry = QStringList{number, name, sortKey}.join(FieldSeparator);
    run(link, procedure(QStringLiteral("ZWSET"), {quoted(entry)}));
}

void deleteSpeedDialEntry(ServerLink& link, const QString& firma, const QString& filiale,
                          const QString& number) {
    run(link, procedure(QStringLiteral("ZWLOE"), {firma, filiale, quoted(number)}));
}

QList<Department> departments(ServerLink& link) {
    return each<Department>(records(link, procedure(QStringLiteral("INT"))), [](const Fields& f) {
        return Department{f[1], f[2]};
    });
}

QList<JournalEntry> journal(ServerLink& link, int kind) {
    return each<JournalEntry>(
        records(link, procedure(QStringLiteral("JOURGET"), {QString::number(kind)})),
        [](const Fields& f) {
            return JournalEntry{f[1], f[2]};
        });
}

void addJournalEntry(ServerLink& link, int kind, const QString& displayText,
                     const QString& number) {
    run(link, procedure(QStringLiteral("JOURADD"),
                        {QString::number(kind), quoted(displayText), quoted(number)}));
}

QList<StaffMember> departmentStaff(ServerLink& link, const QString& department) {
    return each<StaffMember>(records(link, procedure(QStringLiteral("MIT"), {quoted(department)})),
                             [](const Fields& f) {
                                 return StaffMember{f[1], f[2], f[3]};
                             });
}

DayPlan dayPlan(ServerLink& link, const QString& staffId, const QDate& day) {
    const QString reply =
        run(link, procedure(QStringLiteral("DPL"), {quoted(staffId), ToServerDate(day)}));
    const Fields f(reply);
    DayPlan plan;
    for (int i = 0; i < 6; ++i) {
        plan.start[i] = f[2 * i + 1];
        plan.end[i] = f[2 * i + 2];
    }
    return plan;
}

QList<SearchHit> searchNumbers(ServerLink& link, const QString& text) {
    return each<SearchHit>(records(link, function(QStringLiteral("TXTSU"), quoted(text))),
                           [](const Fields& f) {
                               return SearchHit{f[1], f[2], f[3], f[4], f[5]};
                           });
}

QList<OpenItem> openItems(ServerLink& link, const QString& account) {
    return each<OpenItem>(records(link, function(QStringLiteral("OPSU"), account)),
                          [](const Fields& f) {
                              return OpenItem{f[1], f[2]};
                          });
}

} // namespace cacheapi::catalogue
