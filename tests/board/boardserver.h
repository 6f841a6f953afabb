#pragma once

// Staff and times of departments as the server holds them.

#include "fakeconnection.h"
#include "helpers.h"
#include "settingsstore.h"

#include <QMap>
#include <memory>

namespace boardtest {

class BoardServer {
public:
    BoardServer() {
        server_->handler = [this](const QString& command) { return answer(command); };
    }
    cacheapi::ServerLink& link() { return link_; }
    cacheapi::Dialogs& dialogs() { return dialogs_; }
    int requests() const { return int(server_->commands.filter("^RUFAP").size()); }

    void addStaff(const QString& department, const QString& id, const QString& name,
                  const QString& extension) {
        staff_[department] += id + '`' + name + '`' + extension + QChar(0xFF);
    }
    void setTimes(const QString& id, const QDate& day, const QStringList& twelve) {
        times_[QStringLiteral("D DPL^RUFAP(\"%1\",%2)").arg(id, cacheapi::ToServerDate(day))] =
            twelve.join('`');
    }

private:
    cacheapi::CallResult answer(const QString& command) {
        for (auto it = staff_.cbegin(); it != staff_.cend(); ++it) {
            if (command == QStringLiteral("D MIT^RUFAP(\"%1\")").arg(it.key()))
                return cacheapi::CallResult::success(it.value());
        }
        if (command.startsWith("D DPL^"))
            return cacheapi::CallResult::success(times_.value(command, QString(11, '`')));
        return cacheapi::CallResult::success({});
    }

    std::shared_ptr<cacheapi::fake::FakeServer> server_ =
        std::make_shared<cacheapi::fake::FakeServer>();
    settings::MemorySettingsStore store_;
    cacheapi::fake::ScriptedDialogs dialogs_;
    cacheapi::SystemClock clock_;
    cacheapi::QtEventPump events_;
    cacheapi::fake::ManualTimer timer_;
    cacheapi::fake::ThrowingProgramEnd programEnd_;
    cacheapi::LoginState state_;
    cacheapi::ServerLink link_{
        state_, cacheapi::Environment{store_, dialogs_, clock_, events_, timer_, programEnd_},
        cacheapi::fake::makeFakeFactory(server_)};
    QMap<QString, QString> staff_;
    QMap<QString, QString> times_;
};

} // namespace boardtest
