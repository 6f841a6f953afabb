#include "fmstart.h"

#include "callsession.h"
#include "context.h"
#include "listbar.h"
#include "listbarwidget.h"
#include "login.h"
#include "serverlink.h"
#include "settingsstore.h"
#include "sidewindows.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPixmapCache>
#include <QPointer>
#include <QProxyStyle>
#include <QPushButton>
#include <QStyleOptionFrame>
#include <QTimer>

#include <cmath>

namespace app {

namespace {

const QString Banner = QStringLiteral("VENTOR Telefon              Firma: ");
const QString BannerBranch = QStringLiteral("     Filiale: ");
const QString BannerUser = QStringLiteral("     Benutzer: ");
const QString KeysHint = QStringLiteral("F5: Anruf annehmen   F6: Anruf abweisen");

void place(QWidget* w, const TwipsRect& r) {
    w->setGeometry(r.toPixels());
}

void moveTop(QWidget* w, int topTwips) {
    w->move(w->x(), twipsToPixels(topTwips));
}

// A stored place is plain text; what is not a number counts as missing, and so does a number
// (such as "inf" or "1e30") that no window on any screen could have.
double storedNumber(const settings::SettingsStore& store, const QString& key,
                    const QString& fallback) {
    constexpr double Largest = double(QWIDGETSIZE_MAX) * TwipsPerPixel;
    bool ok = false;
    const float value = store.read(settings::keys::Telefon, settings::keys::Pos, key, fallback)
                            .trimmed()
                            .toFloat(&ok);
    if (!ok || !std::isfinite(value) || std::abs(double(value)) > Largest)
        return fallback.toDouble();
    return double(value);
}

QString singleText(double value) {
    return QString::number(float(value), 'g', 7);
}

// The style's rounded, smoothed frame of a field costs more to paint than the text inside it, and
// a screen pop repaints every field of the customer panel: the frames are drawn once per size,
// state and palette and then copied.
class KeptFieldFrames : public QProxyStyle {
public:
    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override {
        const auto* frame = qstyleoption_cast<const QStyleOptionFrame*>(option);
        if (element != PE_PanelLineEdit || !frame) {
            QProxyStyle::drawPrimitive(element, option, painter, widget);
            return;
        }
        const qreal ratio = painter->device()->devicePixelRatio();
        const QString key = QStringLiteral("ventor-field-%1x%2-%3-%4-%5")
                                .arg(frame->rect.width())
                                .arg(frame->rect.height())
                                .arg(uint(frame->state))
                                .arg(frame->palette.cacheKey())
                                .arg(ratio);
        QPixmap picture;
        if (!QPixmapCache::find(key, &picture)) {
            picture = QPixmap(frame->rect.size() * ratio);
            picture.setDevicePixelRatio(ratio);
            picture.fill(Qt::transparent);
            QStyleOptionFrame atOrigin = *frame;
            atOrigin.rect.moveTo(0, 0);
            QPainter onPicture(&picture);
            QProxyStyle::drawPrimitive(element, &atOrigin, &onPicture, widget);
            onPicture.end();
            QPixmapCache::insert(key, picture);
        }
        painter->drawPixmap(frame->rect.topLeft(), picture);
    }
};

QStyle* keptFieldFrames() {
    static QPointer<QStyle> style;
    if (!style) {
        style = new KeptFieldFrames;
        style->setParent(qApp);
    }
    return style;
}

QLineEdit* makeField(QWidget* parent, const QString& name, const TwipsRect& r,
                     bool readOnly = true) {
    auto* field = new QLineEdit(parent);
    field->setObjectName(name);
    field->setStyle(keptFieldFrames());
    field->setReadOnly(readOnly);
    place(field, r);
    return field;
}

QLabel* makeLabel(QWidget* parent, const QString& name, const QString& text, const TwipsRect& r) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    place(label, r);
    return label;
}

QPushButton* makeButton(QWidget* parent, const QString& name, const QString& text,
                        const TwipsRect& r) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    place(button, r);
    return button;
}

// F5 answers and F6 turns away the offered call wherever the focus is in the program, also in a
// modal side window that blocks the main window.
class CallKeys : public QObject {
public:
    CallKeys(telefon::CallSession& session, QObject* parent) : QObject(parent), session_(session) {
        QCoreApplication::instance()->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress || !watched->isWidgetType())
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->modifiers() != Qt::NoModifier || key->isAutoRepeat())
            return false;
        if (key->key() == Qt::Key_F5)
            session_.answer();
        else if (key->key() == Qt::Key_F6)
            session_.reject();
        else
            return false;
        return true;
    }

private:
    telefon::CallSession& session_;
};

} // namespace

FMStart::FMStart(FMStartParts parts, QWidget* parent) : QMainWindow(parent), parts_(parts) {
    setObjectName(QStringLiteral("FMStart"));
    setWindowTitle(QStringLiteral("VENTOR Telefon"));
    if (parts_.listBar.groupCount() == 0)
        parts_.listBar.addGroup(QStringLiteral("Ziehlwahl"));
    buildControls();
    buildMenus();
    // No smaller than the designed client area, so that every control keeps its place in view;
    // the stored default size of a first run opens the window at this size.
    setMinimumSize(twipsToPixels(designed::ClientWidth),
                   twipsToPixels(designed::ClientHeight) + menuBar()->sizeHint().height());
    connectSession();
    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        connect(app, &QGuiApplication::commitDataRequest, this, [this] { sessionEnding_ = true; });
}

FMStart::~FMStart() = default;

void FMStart::buildControls() {
    namespace d = designed;
    client_ = new QWidget(this);
    client_->setObjectName(QStringLiteral("client"));
    client_->setMouseTracking(true);
    client_->installEventFilter(this);
    setCentralWidget(client_);
    // The designed places were made for the small dialog font of the workstations.
    QFont small = client_->font();
    small.setPixelSize(11);
    client_->setFont(small);

    status_ = makeField(client_, QStringLiteral("Status"), d::Status);
    status_->setFocusPolicy(Qt::NoFocus);
    status_->setToolTip(KeysHint);
    ph1_ = linePicture(LinePicture::Ph1, d::Phone.toPixels().width());
    ph2_ = linePicture(LinePicture::Ph2, d::Phone.toPixels().width());
    phone_ = makeLabel(client_, QStringLiteral("Phone"), {}, d::Phone);
    phone_->setPixmap(ph1_);
    makeLabel(client_, QStringLiteral("Label1"), QStringLiteral("Rufnummer/Teilnehmer:"),
              d::RufnrLabel);
    rufnr_ = makeField(client_, QStringLiteral("RUFNR"), d::RUFNR, false);
    rufnr_->installEventFilter(this);
    buSuch_ = makeButton(client_, QStringLiteral("BUSuch"), QStringLiteral("Suchen"), d::BUSuch);
    cmdLogIn_ =
        makeButton(client_, QStringLiteral("cmd_LogIn"), QStringLiteral("Login"), d::cmd_LogIn);
    buWaehl_ = makeButton(client_, QStringLiteral("BUWaehl"), QStringLiteral("Wählen"), d::BUWaehl);
    buWaehl_->setDefault(true);
    buAufl_ = makeButton(client_, QStringLiteral("BUAufl"), QStringLiteral("Trennen"), d::BUAufl);
    buR_ = makeButton(client_, QStringLiteral("BUR"), QStringLiteral("R"), d::BUR);
    txtHold_ = makeLabel(client_, QStringLiteral("TxtHold"), QStringLiteral(" Halten"), d::TxtHold);
    txtHold_->setVisible(false);

    buOP_ = makeButton(client_, QStringLiteral("BUOP"), QStringLiteral("OP`s"), d::BUOP);
    buEnd_ = makeButton(client_, QStringLiteral("BUend"), QStringLiteral("Beenden"), d::BUend);
    nr_ = makeField(client_, QStringLiteral("Nr"), d::Nr);
    anrede_ = makeField(client_, QStringLiteral("Anrede"), d::Anrede);
    namen_ = makeField(client_, QStringLiteral("NAMEN"), d::NAMEN);
    branche_ = makeField(client_, QStringLiteral("Branche"), d::Branche);
    strasse_ = makeField(client_, QStringLiteral("Strasse"), d::Strasse);
    plz_ = makeField(client_, QStringLiteral("Plz"), d::Plz);
    ort_ = makeField(client_, QStringLiteral("Ort"), d::Ort);
    telnr_ = makeField(client_, QStringLiteral("Telnr"), d::Telnr);
    faxnr_ = makeField(client_, QStringLiteral("Faxnr"), d::Faxnr);
    email_ = makeLabel(client_, QStringLiteral("email"), {}, d::email);
    email_->setTextFormat(Qt::RichText);
    email_->setOpenExternalLinks(true);
    email_->setProperty("link", QStringLiteral("mailto:"));
    mahnstufe_ = makeField(client_, QStringLiteral("Mahnstufe"), d::Mahnstufe);
    mahnstDatum_ = makeField(client_, QStringLiteral("MahnstDatum"), d::MahnstDatum);
    leAuDatum_ = makeField(client_, QStringLiteral("LeAuDatum"), d::LeAuDatum);
    aktSaldo_ = makeField(client_, QStringLiteral("AktSaldo"), d::AktSaldo);
    umsatzLJ_ = makeField(client_, QStringLiteral("UmsatzLJ"), d::UmsatzLJ);
    umsatzVJ_ = makeField(client_, QStringLiteral("UmsatzVJ"), d::UmsatzVJ);
    customerOnly_ = {
        mahnstufe_,
        mahnstDatum_,
        leAuDatum_,
        aktSaldo_,
        umsatzLJ_,
        umsatzVJ_,
        makeLabel(client_, QStringLiteral("Label5"), QStringLiteral("Mahnstufe:"), d::Label5),
        makeLabel(client_, QStringLiteral("Label6"), QStringLiteral("per"), d::Label6),
        makeLabel(client_, QStringLiteral("Label7"), QStringLiteral("letzter Auftrag am"),
                  d::Label7),
        makeLabel(client_, QStringLiteral("Label8"), QStringLiteral("akt. Saldo:"), d::Label8),
        makeLabel(client_, QStringLiteral("Label9"),
                  QStringLiteral("Umsatz lauf. Jahr   vor.   Jahr"), d::Label9),
        buOP_,
    };
    for (QWidget* w : customerOnly_)
        w->setVisible(false);
    for (QLineEdit* field : {nr_, anrede_, namen_, branche_, strasse_, plz_, ort_, telnr_, faxnr_,
                             mahnstufe_, mahnstDatum_, leAuDatum_, aktSaldo_, umsatzLJ_, umsatzVJ_})
        field->setFocusPolicy(Qt::ClickFocus);

    info_ = makeField(client_, QStringLiteral("Info"), d::Info);
    info_->setFocusPolicy(Qt::NoFocus);
    copr_ =
        makeLabel(client_, QStringLiteral("Copr"), QStringLiteral("(c) VENTOR Telefon"), d::Copr);
    buInfo_ = makeButton(client_, QStringLiteral("BUInfo"), QStringLiteral("Info"), d::BUInfo);
    chkPopup_ = new QCheckBox(QStringLiteral("Popup bei Anruf"), client_);
    chkPopup_->setObjectName(QStringLiteral("chk_Popup"));
    chkPopup_->setChecked(true);
    place(chkPopup_, d::chk_Popup);

    zielwahl_ = new ListBarWidget(parts_.listBar, client_);
    zielwahl_->setObjectName(QStringLiteral("Zielwahl"));
    zielwahl_->setPictures(QIcon(itemPicture(false, 16)), QIcon(itemPicture(true, 16)));
    place(zielwahl_, d::Zielwahl);

    telefon::CallSession& session = parts_.session;
    connect(rufnr_, &QLineEdit::textEdited, &session, &telefon::CallSession::setNumber);
    connect(buWaehl_, &QPushButton::clicked, &session, &telefon::CallSession::dialOrSearch);
    connect(rufnr_, &QLineEdit::returnPressed, &session, &telefon::CallSession::dialOrSearch);
    connect(buAufl_, &QPushButton::clicked, &session, &telefon::CallSession::hangUp);
    connect(buR_, &QPushButton::clicked, &session, &telefon::CallSession::toggleHold);
    connect(buSuch_, &QPushButton::clicked, this, [this] { parts_.side.showSearchModal(); });
    connect(buOP_, &QPushButton::clicked, this, [this] { parts_.side.showOpenItemsModal(); });
    connect(buInfo_, &QPushButton::clicked, this, [this] { parts_.side.showAbout(); });
    connect(cmdLogIn_, &QPushButton::clicked, this, [this] { parts_.side.showLoginAgain(); });
    connect(buEnd_, &QPushButton::clicked, this, &FMStart::shutdown);
    connect(zielwahl_, &ListBarWidget::itemChosen, &session, &telefon::CallSession::chooseListItem);
    connect(zielwahl_, &ListBarWidget::pointerOver, this,
            [this](int group, int index) { info_->setText(parts_.listBar.caption(group, index)); });
    connect(zielwahl_, &ListBarWidget::itemActivated, &session,
            &telefon::CallSession::activateListItem);
    new CallKeys(session, this);

    resize(designed::ClientWidth / TwipsPerPixel, designed::ClientHeight / TwipsPerPixel);
}

void FMStart::buildMenus() {
    QMenu* datei = menuBar()->addMenu(QStringLiteral("Datei"));
    QAction* login = datei->addAction(QStringLiteral("Login"));
    connect(login, &QAction::triggered, this, [this] { parts_.side.showLoginAgain(); });
    QAction* lineSettings = datei->addAction(QStringLiteral("&Telefonie-Einstellungen ..."));
    connect(lineSettings, &QAction::triggered, this, &FMStart::lineSettingsRequested);
    datei->addSeparator();
    // Ends the program as the "Beenden" button does.
    QAction* beenden = datei->addAction(QStringLiteral("B&eenden"));
    connect(beenden, &QAction::triggered, this, &FMStart::shutdown);
    QMenu* hilfe = menuBar()->addMenu(QStringLiteral("Hilfe"));
    QAction* about = hilfe->addAction(QStringLiteral("Hilfe über ..."));
    connect(about, &QAction::triggered, this, [this] { parts_.side.showAbout(); });
}

void FMStart::connectSession() {
    using S = telefon::CallSession;
    S& session = parts_.session;
    connect(&session, &S::readinessChanged, this, &FMStart::showLineReadiness);
    connect(&session, &S::callRefused, this, [this](const QString& why) {
        parts_.context.dialogs.message(why, QStringLiteral("VENTOR Telefon"),
                                       context::Icon::Exclamation, context::Buttons::Ok);
    });
    // Beside the menus, where the window's layout has room.
    lineIndicator_ = new QLabel(QStringLiteral("\u25CF"), menuBar());
    lineIndicator_->setObjectName(QStringLiteral("LineState"));
    lineIndicator_->setContentsMargins(0, 0, 6, 0);
    menuBar()->setCornerWidget(lineIndicator_, Qt::TopRightCorner);
    showLineReadiness();
    connect(&session, &S::statusChanged, status_, &QLineEdit::setText);
    connect(&session, &S::numberChanged, this, &FMStart::showNumber);
    connect(&session, &S::panelChanged, this, &FMStart::showPanel);
    connect(&session, &S::holdChanged, txtHold_, &QWidget::setVisible);
    connect(&session, &S::lineStateChanged, this, [this](S::LineState state) {
        if (state == S::LineState::Ready)
            setPhonePicture(LinePicture::Ph1);
        else if (state == S::LineState::Connected)
            setPhonePicture(LinePicture::Ph2);
    });
    connect(&session, &S::readyForNumber, this, [this] { rufnr_->setFocus(); });
    connect(&session, &S::popupRequested, this, &FMStart::onPopupRequested);
    connect(&session, &S::restoreRequested, this,
            [this] { restoreWindowState(savedWindowState_); });
    connect(&session, &S::searchRequested, this,
            [this](const QString& word) { parts_.side.showSearchWithWord(word); });
    connect(&session, &S::departmentBoardRequested, this,
            [this](const QString& department) { parts_.side.showDepartmentBoard(department); });
    connect(&session, &S::speedDialEditorRequested, this,
            [this](const QString& name, const QString& number, const QString& sort) {
                parts_.side.showSpeedDialEditor(name, number, sort);
            });
}

QWidget* FMStart::lineIndicator() const {
    return lineIndicator_;
}

// Green when calls can be made, amber while the line connects, red when it cannot call; the
// words are in the tooltips of the mark and of the status box.
void FMStart::showLineReadiness() {
    using R = line::Line::Readiness;
    const R readiness = parts_.session.readiness();
    const char* colour = readiness == R::Ready        ? "#2e9d3a"
                         : readiness == R::Connecting ? "#d99a00"
                         : readiness == R::Failed     ? "#c62828"
                                                      : "#8a8a8a";
    lineIndicator_->setStyleSheet(QStringLiteral("color: %1;").arg(QLatin1String(colour)));
    const QString text = parts_.session.readinessText();
    lineIndicator_->setToolTip(text);
    lineIndicator_->setAccessibleName(text);
    status_->setToolTip(text + QLatin1Char('\n') + KeysHint);
}

// ---------------------------------------------------------------------------------------------
// Start-up and shutdown

void FMStart::startUp() {
    cacheapi::LoginState& state = parts_.link.state();
    do {
        state.KeepPasswordOut = false;
    } while (!cacheapi::LoginUser(parts_.link, parts_.commandLine));

    writeTitleBanner();
    readStoredPlace();
    savedWindowState_ = currentWindowState();
    if (openLineWhenShown_) {
        parts_.session.startWithoutLine();
        lineWaitsForWindow_ = true;
        status_->installEventFilter(this);
    } else {
        parts_.session.start();
    }
}

QString FMStart::titleBanner() const {
    const cacheapi::LoginState& s = parts_.link.state();
    return Banner + s.Firma + BannerBranch + s.Filiale + BannerUser + s.PersonName;
}

void FMStart::writeTitleBanner() {
    setWindowTitle(titleBanner());
}
void FMStart::rebuildTitle() {
    writeTitleBanner();
    parts_.session.loginChanged();
}

void FMStart::readStoredPlace() {
    namespace k = settings::keys;
    namespace def = settings::defaults;
    const settings::SettingsStore& store = parts_.context.store;
    const double left = storedNumber(store, k::Left, def::Left);
    const double top = storedNumber(store, k::Top, def::Top);
    outerWidthTwips_ = storedNumber(store, k::Width, def::Width);
    outerHeightTwips_ = storedNumber(store, k::Hight, def::Hight);
    move(twipsToPixels(left), twipsToPixels(top));
    outerSizePending_ = true;
    placeRead_ = true;
    applyOuterSize();

    bool ok = false;
    int popup = store.read(k::Telefon, k::Pos, k::Popup, def::Popup).trimmed().toInt(&ok);
    if (!ok)
        popup = def::Popup.toInt();
    chkPopup_->setChecked(popup != 0);
}

// The stored size is that of the whole window with its frame. The window manager adds the frame
// some time after the window is shown; the size is applied again as soon as the frame is known.
void FMStart::applyOuterSizeOnceFramed() {
    if (!outerSizePending_ || !isVisible() || frameGeometry().size() == geometry().size())
        return;
    outerSizePending_ = false;
    applyOuterSize();
}

void FMStart::applyOuterSize() {
    const QSize frame = frameGeometry().size() - geometry().size();
    resize(qMax(1, twipsToPixels(outerWidthTwips_) - frame.width()),
           qMax(1, twipsToPixels(outerHeightTwips_) - frame.height()));
}

void FMStart::savePlace() {
    // Ended before the start-up placed the window (say, by a signal during the login): the
    // stored place stays as it is.
    if (isMinimized() || !placeRead_)
        return;
    namespace k = settings::keys;
    const QRect frame = frameGeometry();
    settings::SettingsStore& store = parts_.context.store;
    store.write(k::Telefon, k::Pos, k::Left, singleText(pixelsToTwips(frame.x())));
    store.write(k::Telefon, k::Pos, k::Top, singleText(pixelsToTwips(frame.y())));
    store.write(k::Telefon, k::Pos, k::Width, singleText(pixelsToTwips(frame.width())));
    store.write(k::Telefon, k::Pos, k::Hight, singleText(pixelsToTwips(frame.height())));
    store.write(k::Telefon, k::Pos, k::Popup,
                chkPopup_->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
}

void FMStart::shutdown() {
    if (shutDown_)
        return;
    shutDown_ = true;
    savePlace();
    parts_.link.DisconnectServer();
    parts_.context.programEnd.closeAllWindowsAndEnd();
}

void FMStart::closeEvent(QCloseEvent* event) {
    // Only the user's own close request is questioned; the program's own end (the shutdown,
    // "Abbruch" at the login, a server that cannot be reached) and the end of the desktop
    // session are not, and they run the shutdown as well.
    if (!shutDown_ && !sessionEnding_ && !parts_.context.programEnd.ending()) {
        const context::Answer answer = parts_.context.dialogs.message(
            QStringLiteral("Anwendung beenden"), QStringLiteral("Beenden"), context::Icon::Question,
            context::Buttons::YesNo);
        if (answer != context::Answer::Yes) {
            event->ignore();
            return;
        }
    }
    event->accept();
    shutdown();
}

// ---------------------------------------------------------------------------------------------
// Layout

void FMStart::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    applyOuterSizeOnceFramed();
}

void FMStart::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    applyOuterSizeOnceFramed();
}

void FMStart::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    applyOuterSizeOnceFramed();
    applyResizeRules();
}

void FMStart::applyResizeRules() {
    if (!zielwahl_)
        return;
    const QRect frame = frameGeometry();
    const ResizedPlaces p =
        ResizeRules(int(pixelsToTwips(frame.width())), int(pixelsToTwips(frame.height())));
    QSize bar = zielwahl_->size();
    if (p.listBarHeightChanges)
        bar.setHeight(twipsToPixels(p.listBarHeight));
    if (p.listBarWidthChanges)
        bar.setWidth(twipsToPixels(p.listBarWidth));
    zielwahl_->resize(bar);
    moveTop(copr_, p.coprTop);
    moveTop(buInfo_, p.buInfoTop);
    moveTop(info_, p.infoTop);
    moveTop(chkPopup_, p.chkPopupTop);
}

bool FMStart::eventFilter(QObject* watched, QEvent* event) {
    if (watched == status_ && event->type() == QEvent::Paint && lineWaitsForWindow_) {
        // Opened after this paint has reached the screen.
        lineWaitsForWindow_ = false;
        QTimer::singleShot(0, &parts_.session, &telefon::CallSession::openLine);
    }
    if (watched == client_ && event->type() == QEvent::MouseMove) {
        const auto* move = static_cast<QMouseEvent*>(event);
        if (!client_->childAt(move->position().toPoint()))
            info_->clear();
    } else if (watched == rufnr_ && event->type() == QEvent::MouseButtonDblClick) {
        parts_.side.showSearchModal();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

QRect FMStart::frameTwips() const {
    const QRect f = frameGeometry();
    return {int(pixelsToTwips(f.x())), int(pixelsToTwips(f.y())), int(pixelsToTwips(f.width())),
            int(pixelsToTwips(f.height()))};
}

// ---------------------------------------------------------------------------------------------
// Popup on a call

// The state before the popup is remembered also when the user does not want the popup, so that
// the end of the call restores what the window was.
void FMStart::onPopupRequested() {
    savedWindowState_ = currentWindowState();
    popup();
}

void FMStart::popup() {
    if (!chkPopup_->isChecked())
        return;
    restoreWindowState(StateNormal);
    show();
    raise();
    activateWindow();
}

int FMStart::currentWindowState() const {
    if (isMinimized())
        return StateMinimised;
    if (isMaximized())
        return StateMaximised;
    return StateNormal;
}

void FMStart::restoreWindowState(int state) {
    Qt::WindowStates s = windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized);
    if (state == StateMinimised)
        s |= Qt::WindowMinimized;
    else if (state == StateMaximised)
        s |= Qt::WindowMaximized;
    if (s != windowState())
        setWindowState(s);
}

void FMStart::setPhonePicture(LinePicture which) {
    phonePicture_ = which;
    phone_->setPixmap(which == LinePicture::Ph1 ? ph1_ : ph2_);
}

// ---------------------------------------------------------------------------------------------
// What the side windows see

QString FMStart::numberText() const {
    return parts_.session.number();
}
void FMStart::setNumberText(const QString& text) {
    parts_.session.setNumber(text);
}
void FMStart::showNumber(const QString& number) {
    // The user's own typing is not written back, so the cursor stays where it is.
    if (rufnr_->text() != number)
        rufnr_->setText(number);
}
QString FMStart::nameText() const {
    return parts_.session.panel().NAMEN;
}
QString FMStart::accountText() const {
    return parts_.session.panel().Nr;
}
QString FMStart::statusText() const {
    return status_->text();
}
QString FMStart::infoText() const {
    return info_->text();
}
bool FMStart::popupChecked() const {
    return chkPopup_->isChecked();
}

bool FMStart::lookupCaller(const QString& number) {
    return parts_.session.lookUp(number);
}

namespace {
// A field that already shows the text is left alone: setting it again would lay the text out
// and paint the field anew.
void showText(QLineEdit* field, const QString& text) {
    if (field->text() != text)
        field->setText(text);
}
} // namespace

void FMStart::showPanel(const telefon::CustomerPanel& p) {
    showText(nr_, p.Nr);
    showText(anrede_, p.Anrede);
    showText(namen_, p.NAMEN);
    showText(branche_, p.Branche);
    showText(strasse_, p.Strasse);
    showText(plz_, p.Plz);
    showText(ort_, p.Ort);
    showText(telnr_, p.Telnr);
    const QString email = QStringLiteral("<a href=\"%1\">%2</a>")
                              .arg(p.emailLink.toHtmlEscaped(), p.emailText.toHtmlEscaped());
    if (email_->text() != email) {
        email_->setText(email);
        email_->setProperty("link", p.emailLink);
        email_->setProperty("address", p.emailText);
    }
    showText(faxnr_, p.Faxnr);
    for (QWidget* w : customerOnly_)
        w->setVisible(p.customerOnlyVisible);
    showText(mahnstufe_, p.Mahnstufe);
    showText(mahnstDatum_, p.MahnstDatum);
    showText(leAuDatum_, p.LeAuDatum);
    showText(aktSaldo_, p.AktSaldo);
    showText(umsatzLJ_, p.UmsatzLJ);
    showText(umsatzVJ_, p.UmsatzVJ);
}

void FMStart::dialNumber(const QString& text) {
    parts_.session.dialExtension(text);
}

void FMStart::showMainWindow() {
    restoreWindowState(isMinimized() ? StateNormal : currentWindowState());
    show();
    raise();
    activateWindow();
}

} // namespace app
