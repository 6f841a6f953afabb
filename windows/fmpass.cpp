#include "fmpass.h"

#include "fieldhelpers.h"
#include "fmserver.h"
#include "login.h"
#include "services.h"

#include <QCoreApplication>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace windows {

namespace {
constexpr int FieldLimit = 20;

QLineEdit* loginField(QWidget* parent, const char* name) {
    auto* field = new QLineEdit(parent);
    field->setObjectName(QLatin1String(name));
    field->setMaxLength(FieldLimit);
    SelectAllOnFocus(field);
    return field;
}

QPushButton* button(QWidget* parent, const char* name, const QString& caption) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QLatin1String(name));
    return b;
}
} // namespace

FMPass::FMPass(cacheapi::ServerLink& link, ModalRunner& modal, QWidget* parent)
    : QWidget(parent, Qt::Dialog), link_(link), modal_(modal),
      commandLine_(QCoreApplication::arguments().mid(1).join(QLatin1Char(' '))) {
    setObjectName(QStringLiteral("FMPass"));
    setWindowTitle(QStringLiteral("VENTOR Benutzeranmeldung"));
    setFixedSize(twipsToPixels(5400), twipsToPixels(2280));
    setFocusPolicy(Qt::StrongFocus);

    auto* userLabel = new QLabel(QStringLiteral("User(WWS Personalcode):"), this);
    placeTwips(userLabel, 240, 270, 2400, 285);
    BUSER = loginField(this, "BUSER");
    placeTwips(BUSER, 2760, 240, 2400, 315);
    UpperCaseOnFocusOut(BUSER);

    auto* passwordLabel = new QLabel(QStringLiteral("Passwort:"), this);
    placeTwips(passwordLabel, 240, 750, 2400, 285);
    BPASSWORT = loginField(this, "BPASSWORT");
    BPASSWORT->setEchoMode(QLineEdit::Password);
    // Every typed character shows as "*", whatever the desktop style would draw.
    BPASSWORT->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));
    placeTwips(BPASSWORT, 2760, 720, 2400, 315);

    BUSpeich = button(this, "BUSpeich", QStringLiteral("Anmelden"));
    placeTwips(BUSpeich, 240, 1440, 1500, 420);
    BUServer = button(this, "BUServer", QStringLiteral("Server"));
    placeTwips(BUServer, 1950, 1440, 1500, 420);
    BUAusst = button(this, "BUAusst", QStringLiteral("Abbruch"));
    placeTwips(BUAusst, 3660, 1440, 1500, 420);

    setTabOrder(BPASSWORT, BUSER);
    setTabOrder(BUSER, BUSpeich);
    setTabOrder(BUSpeich, BUAusst);
    setTabOrder(BUAusst, BUServer);

    connect(BUSpeich, &QPushButton::clicked, this, &FMPass::anmelden);
    connect(BUAusst, &QPushButton::clicked, this, &FMPass::abbruch);
    connect(BUServer, &QPushButton::clicked, this, &FMPass::openServerWindow);
}

bool FMPass::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate)
        BPASSWORT->setFocus();
    return QWidget::event(event);
}

void FMPass::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    BPASSWORT->setFocus();
}

void FMPass::anmelden() {
    cacheapi::Sichern(link_);
    // At start-up the login that showed this window goes on with the saved values itself.
    if (main_ && main_->widget() && main_->widget()->isVisible()) {
        link_.DisconnectServer();
        cacheapi::LoginUser(link_, commandLine_);
        main_->rebuildTitle();
    }
    link_.context().events.processEvents();
    hide();
}

void FMPass::abbruch() {
    link_.state().LoginIdentity.clear();
    link_.context().programEnd.closeAllWindowsAndEnd();
}

void FMPass::openServerWindow() {
    if (server_)
        modal_.runModal(server_);
}

} // namespace windows
