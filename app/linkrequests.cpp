#include "linkrequests.h"

#include "callsession.h"
#include "environment.h"
#include "phonelink.h"
#include "services.h"

#include <utility>

namespace app {

LinkRequests::LinkRequests(telefon::CallSession& session, windows::MainWindowAccess& window,
                           cacheapi::Dialogs& dialogs)
    : session_(session), window_(window), dialogs_(dialogs) {}

void LinkRequests::handle(const QStringList& requests) {
    if (!ready_) {
        waiting_ << requests;
        return;
    }
    for (const QString& request : requests)
        serve(request);
}

void LinkRequests::setReady() {
    ready_ = true;
    handle(std::exchange(waiting_, {}));
}

void LinkRequests::serve(const QString& request) {
    const QString dialWord = dialRequest({});
    if (request.startsWith(dialWord))
        dial(request.mid(dialWord.size()));
    else
        window_.showMainWindow();
}

void LinkRequests::dial(const QString& text) {
    window_.showMainWindow();
    const telefon::PhoneLink link = telefon::parsePhoneLink(text);
    if (!link.ok()) {
        dialogs_.message(link.error, QStringLiteral("Link wählen"), cacheapi::Icon::Exclamation,
                         cacheapi::Buttons::Ok);
        return;
    }
    session_.dial(link.number);
}

} // namespace app
