#include "trayicon.h"

#include "pictures.h"

#include <QMenu>
#include <QPainter>
#include <QSystemTrayIcon>

namespace app {

using LineState = telefon::CallSession::LineState;

namespace {

// The line picture with a sign in its upper right corner.
QPixmap withSign(LinePicture base, const QColor& colour, const QString& sign) {
    constexpr int Size = 64;
    QPixmap pm = linePicture(base, Size);
    if (!colour.isValid())
        return pm;
    QPainter g(&pm);
    g.setRenderHint(QPainter::Antialiasing);
    g.setPen(Qt::NoPen);
    g.setBrush(colour);
    const QRectF badge(Size * 0.52, 0, Size * 0.48, Size * 0.48);
    g.drawEllipse(badge);
    QFont font = g.font();
    font.setPixelSize(Size / 3);
    font.setBold(true);
    g.setFont(font);
    g.setPen(Qt::white);
    g.drawText(badge, Qt::AlignCenter, sign);
    return pm;
}

QString callerText(const telefon::CallSession::Caller& caller) {
    if (caller.name.isEmpty())
        return caller.number;
    return caller.number.isEmpty() ? caller.name
                                   : QStringLiteral("%1 (%2)").arg(caller.name, caller.number);
}

} // namespace

QIcon TrayIcon::pictureFor(LineState state) {
    switch (state) {
    case LineState::Down:
        return QIcon(withSign(LinePicture::Ph1, QColor(200, 30, 30), QStringLiteral("×")));
    case LineState::Ready:
        return QIcon(withSign(LinePicture::Ph1, {}, {}));
    case LineState::Ringing:
        return QIcon(withSign(LinePicture::Ph1, QColor(230, 130, 0), QStringLiteral("!")));
    case LineState::Dialling:
        return QIcon(withSign(LinePicture::Ph2, QColor(30, 80, 160), QStringLiteral("…")));
    case LineState::Connected:
        return QIcon(withSign(LinePicture::Ph2, {}, {}));
    case LineState::Held:
        return QIcon(withSign(LinePicture::Ph2, QColor(120, 120, 120), QStringLiteral("II")));
    }
    return {};
}

QString TrayIcon::stateText(LineState state) {
    switch (state) {
    case LineState::Down:
        return QStringLiteral("Leitung nicht bereit");
    case LineState::Ready:
        return QStringLiteral("Bereit");
    case LineState::Ringing:
        return QStringLiteral("Anruf");
    case LineState::Dialling:
        return QStringLiteral("Wählen");
    case LineState::Connected:
        return QStringLiteral("Verbunden");
    case LineState::Held:
        return QStringLiteral("Gehalten");
    }
    return {};
}

TrayIcon::TrayIcon(telefon::CallSession& session, Actions actions, QObject* parent)
    : QObject(parent), session_(session), actions_(std::move(actions)),
      icon_(new QSystemTrayIcon(this)), menu_(new QMenu) {
    using telefon::CallSession;
    connect(&session_, &CallSession::lineStateChanged, this, &TrayIcon::update);
    connect(&session_, &CallSession::callOffered, this, [this](const CallSession::Caller& c) {
        caller_ = c;
        update();
    });
    connect(&session_, &CallSession::callConnected, this, [this](const CallSession::Caller& c) {
        caller_ = c;
        update();
    });
    connect(&session_, &CallSession::callEnded, this, [this] {
        caller_ = {};
        update();
    });
    connect(&session_, &CallSession::callMissed, this, [this](const CallSession::Caller& c) {
        missed_.prepend(c);
        if (missed_.size() > MissedInMenu)
            missed_.removeLast();
        ++unseen_;
        rebuildMenu();
        update();
    });
    connect(icon_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason r) {
        if (r == QSystemTrayIcon::Trigger)
            showWindow();
    });
    icon_->setContextMenu(menu_);
    rebuildMenu();
    update();
}

TrayIcon::~TrayIcon() {
    delete menu_;
}

void TrayIcon::show() {
    icon_->show();
}

QString TrayIcon::toolTip() const {
    QString text = QStringLiteral("VENTOR Telefon: ") + stateText(session_.lineState());
    const QString caller = callerText(caller_);
    if (!caller.isEmpty())
        text += QLatin1Char('\n') + caller;
    if (unseen_ > 0)
        text += QStringLiteral("\nVerpasste Anrufe: %1").arg(unseen_);
    return text;
}

void TrayIcon::missedCallsSeen() {
    if (unseen_ == 0)
        return;
    unseen_ = 0;
    update();
}

void TrayIcon::update() {
    icon_->setIcon(pictureFor(session_.lineState()));
    icon_->setToolTip(toolTip());
}

void TrayIcon::showWindow() {
    missedCallsSeen();
    if (actions_.showWindow)
        actions_.showWindow();
}

void TrayIcon::rebuildMenu() {
    menu_->clear();
    menu_->addAction(QStringLiteral("Fenster anzeigen"), this, &TrayIcon::showWindow);
    if (!missed_.isEmpty()) {
        menu_->addSection(QStringLiteral("Verpasste Anrufe"));
        for (const auto& caller : std::as_const(missed_)) {
            QAction* choose = menu_->addAction(callerText(caller));
            choose->setEnabled(!caller.number.isEmpty());
            connect(choose, &QAction::triggered, this, [this, number = caller.number] {
                session_.chooseNumber(number);
                showWindow();
            });
        }
    }
    menu_->addSeparator();
    menu_->addAction(QStringLiteral("Beenden"), this, [this] {
        if (actions_.endProgram)
            actions_.endProgram();
    });
}

} // namespace app
