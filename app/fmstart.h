#pragma once

#include "layout.h"
#include "pictures.h"
#include "services.h"

#include <QMainWindow>
#include <QPixmap>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QAction;

namespace cacheapi {
class ServerLink;
class Dialogs;
class Clock;
class EventPump;
class ProgramEnd;
} // namespace cacheapi
namespace settings {
class SettingsStore;
}
namespace telefon {
class CallSession;
class ListBarModel;
struct CustomerPanel;
} // namespace telefon

namespace app {

class ListBarWidget;
class SideWindows;

// What the main window works with; all of it outlives the window.
struct FMStartParts {
    cacheapi::ServerLink& link;
    settings::SettingsStore& store;
    cacheapi::Dialogs& dialogs;
    cacheapi::ProgramEnd& programEnd;
    telefon::ListBarModel& listBar;
    telefon::CallSession& session;
    QString commandLine; // the program's own command line, for the unattended login
};

// Window states as they are kept between a popup and its restore.
enum SavedState { StateNormal = 0, StateMinimised = 1, StateMaximised = 2 };

// The main window: call area, customer panel, list bar and bottom line. A view of the call
// session: it forwards the user's actions to it and shows what it says.
class FMStart : public QMainWindow, public windows::MainWindowAccess {
    Q_OBJECT
public:
    explicit FMStart(FMStartParts parts, QWidget* parent = nullptr);
    ~FMStart() override;

    void setSideWindows(SideWindows* side) { side_ = side; }
    // The program's own start: the line opens once the window has shown "Bereit", so that
    // the line's start-up does not hold the window back.
    void setOpenLineWhenShown(bool later) { openLineWhenShown_ = later; }
    // The small mark beside the menus that shows whether the line can call.
    QWidget* lineIndicator() const;

    // Login loop, title banner, stored place, then the call session's start (telephone
    // parameters, list bar, ready state, the line opened). Runs once, before the window is shown.
    void startUp();
    // Position and popup choice saved, server link closed, every window closed, process ended.
    // Runs once per run; later calls return at once.
    void shutdown();
    bool isShutDown() const { return shutDown_; }

    // "VENTOR Telefon" with company, branch and person of the login.
    void writeTitleBanner();
    QString titleBanner() const;
    // After a repeated login; the session reloads the user's lists when the user changed.
    void rebuildTitle() override;

    // MainWindowAccess
    QString numberText() const override;
    void setNumberText(const QString& text) override;
    QString nameText() const override;
    QString accountText() const override;
    bool lookupCaller(const QString& number) override;
    void dialNumber(const QString& text) override;
    void showMainWindow() override;
    QRect frameTwips() const override;
    QWidget* widget() override { return this; }

    // What the window shows of the call.
    QString statusText() const;
    LinePicture phonePicture() const { return phonePicture_; }
    int savedWindowState() const { return savedWindowState_; }
    QString infoText() const;
    bool popupChecked() const;
    void showPanel(const telefon::CustomerPanel& panel);
    ListBarWidget* listBarWidget() const { return zielwahl_; }

signals:
    void lineSettingsRequested();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void buildMenus();
    void connectSession();
    void readStoredPlace();
    void applyOuterSize();
    void applyOuterSizeOnceFramed();
    void savePlace();
    void applyResizeRules();
    void showLineReadiness();

    void onPopupRequested();
    void popup();
    int currentWindowState() const;
    void restoreWindowState(int state);
    void setPhonePicture(LinePicture which);
    void showNumber(const QString& number);

    FMStartParts parts_;
    SideWindows* side_ = nullptr;

    QWidget* client_ = nullptr;
    QLineEdit* status_ = nullptr;
    QLabel* phone_ = nullptr;
    QLineEdit* rufnr_ = nullptr;
    QPushButton* buSuch_ = nullptr;
    QPushButton* cmdLogIn_ = nullptr;
    QPushButton* buWaehl_ = nullptr;
    QPushButton* buAufl_ = nullptr;
    QPushButton* buR_ = nullptr;
    QLabel* txtHold_ = nullptr;
    QPushButton* buOP_ = nullptr;
    QPushButton* buEnd_ = nullptr;
    QLineEdit* info_ = nullptr;
    QLabel* copr_ = nullptr;
    QPushButton* buInfo_ = nullptr;
    QCheckBox* chkPopup_ = nullptr;
    ListBarWidget* zielwahl_ = nullptr;

    // Customer panel
    QLineEdit *nr_, *anrede_, *namen_, *branche_, *strasse_, *plz_, *ort_, *telnr_, *faxnr_;
    QLabel* email_ = nullptr;
    QLineEdit *mahnstufe_, *mahnstDatum_, *leAuDatum_, *aktSaldo_, *umsatzLJ_, *umsatzVJ_;
    QList<QWidget*> customerOnly_;

    QPixmap ph1_, ph2_;
    LinePicture phonePicture_ = LinePicture::Ph1;

    // The stored outer size, applied again once the window frame is known.
    double outerWidthTwips_ = 0, outerHeightTwips_ = 0;
    bool outerSizePending_ = false;
    bool placeRead_ = false;

    int savedWindowState_ = StateNormal;
    bool shutDown_ = false;
    bool openLineWhenShown_ = false;
    bool lineWaitsForWindow_ = false;
    QLabel* lineIndicator_ = nullptr;
    bool sessionEnding_ = false;
};

} // namespace app
