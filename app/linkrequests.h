#pragma once

#include <QStringList>

namespace cacheapi {
class Dialogs;
}
namespace telefon {
class CallSession;
}
namespace windows {
class MainWindowAccess;
}

namespace app {

// Serves what links, --dial and later starts of the program ask for: "dial TEXT" puts the
// number of a link or written number into the number field, looks the caller up and dials it
// as "Wählen" does; a link without a dialable number says why and dials nothing. "show" brings
// the main window to the front. Requests that arrive while the program is still logging in wait
// until it is ready.
class LinkRequests {
public:
    LinkRequests(telefon::CallSession& session, windows::MainWindowAccess& window,
                 cacheapi::Dialogs& dialogs);

    void handle(const QStringList& requests);
    // Start-up is over: serves what waited.
    void setReady();

    static QString dialRequest(const QString& text) { return QStringLiteral("dial ") + text; }
    static QString showRequest() { return QStringLiteral("show"); }

private:
    void serve(const QString& request);
    void dial(const QString& text);

    telefon::CallSession& session_;
    windows::MainWindowAccess& window_;
    cacheapi::Dialogs& dialogs_;
    bool ready_ = false;
    QStringList waiting_;
};

} // namespace app
