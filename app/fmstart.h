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
namespace line {
class Line;
}
namespace telefon {
class ListBarModel;
struct TelephoneParameters;
struct CustomerPanel;
} // namespace telefon

namespace app {

class ListBarWidget;
class SideWindows;

// What the main window works with; all of it outlives the window.
struct FMStartParts {
    cacheapi::ServerLink& link;
    settings::SettingsStore& store;
    line::Line& line;
    cacheapi::Dialogs& dialogs;
    const cacheapi::Clock& clock;
    cacheapi::EventPump& events;
    cacheapi::ProgramEnd& programEnd;
    telefon::ListBarModel& listBar;
    telefon::TelephoneParameters& params;
    QString commandLine; // the program's own command line, for the unattended login
};

// Window states as they are kept between a popup and its restore.
enum SavedState { StateNormal = 0, StateMinimised = 1, StateMaximised = 2 };

// The main window: call area, customer panel, list bar and bottom line; it drives the line,
// reacts to its events and keeps the call journal.
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

    // Login loop, title banner, stored place, telephone parameters, list bar, ready state and the
    // line opened. Runs once, before the window is shown.
    void startUp();
    // Position and popup choice saved, server link closed, every window closed, process ended.
    // Runs once per run; later calls return at once.
    void shutdown();
    bool isShutDown() const { return shutDown_; }

    // "VENTOR Telefon" with company, branch and person of the login.
    void writeTitleBanner();
    QString titleBanner() const;
    // After a repeated login.
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

    // Call state, as the line events leave it.
    QString statusText() const;
    LinePicture phonePicture() const { return phonePicture_; }
    QString pendingCallerName() const { return pendingCallerName_; }
    QString pendingCallerNumber() const { return pendingCallerNumber_; }
    int savedWindowState() const { return savedWindowState_; }
    bool holdActive() const { return holdActive_; }
    QString infoText() const;
    bool popupChecked() const;
    void showPanel(const telefon::CustomerPanel& panel);
    ListBarWidget* listBarWidget() const { return zielwahl_; }

signals:
    void lineSettingsRequested();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void buildMenus();
    void connectLine();
    void readStoredPlace();
    void applyOuterSize();
    void savePlace();
    void setUpLine();
    void showLineReadiness();
    void applyResizeRules();

    // Line events
    void onLineIdle();
    void onLineIdleAgain();
    void onNumberIdentified();
    void onCallEnded();
    void onCallOffered();
    void onConnected();
    void onDisconnected();
    void popup();
    int currentWindowState() const;
    void restoreWindowState(int state);
    void setPhonePicture(LinePicture which);
    void journal(const QString& number, const QString& name, int kind);

    // Call area
    void onDial();
    void onHold();
    void onListItemChosen(int group, int index);
    void onListItemActivated(int group, int index);

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
    bool placeRestored_ = false;
    bool shownOnce_ = false;

    QString pendingCallerName_, pendingCallerNumber_;
    int savedWindowState_ = StateNormal;
    bool holdActive_ = false;
    QString heldNumber_;
    bool shutDown_ = false;
    bool openLineWhenShown_ = false;
    bool lineWaitsForWindow_ = false;
    QLabel* lineIndicator_ = nullptr;
    bool sessionEnding_ = false;
};

} // namespace app
