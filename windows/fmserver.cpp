#include "fmserver.h"

#include "login.h"
#include "services.h"
#include "settingsstore.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace windows {

namespace {
const QString QuestionTitle = QStringLiteral("Anmeldung an Caché");

QLineEdit* lockedField(QWidget* parent, const char* name, const QString& text) {
    auto* field = new QLineEdit(text, parent);
    field->setObjectName(QLatin1String(name));
    // A locked field reads like a button face, not like an input.
    QPalette palette = field->palette();
    palette.setColor(QPalette::Disabled, QPalette::Base, palette.color(QPalette::Button));
    field->setPalette(palette);
    field->setEnabled(false);
    return field;
}

void labelAt(QWidget* parent, const QString& text, int top) {
    auto* label = new QLabel(text, parent);
    placeTwips(label, 240, top + 30, 1200, 285);
}
} // namespace

FMServer::FMServer(cacheapi::ServerLink& link, QWidget* owner)
    : QWidget(owner, Qt::Dialog), link_(link) {
    setObjectName(QStringLiteral("FMServer"));
    setWindowTitle(QStringLiteral("VENTOR Server"));
    setFixedSize(twipsToPixels(4560), twipsToPixels(4260));

    BSERVERIP = lockedField(this, "BSERVERIP", settings::defaults::Server);
    BPORT = lockedField(this, "BPORT", settings::defaults::Port);
    BFIRMA = lockedField(this, "BFIRMA", settings::defaults::Firma);
    BFIL = lockedField(this, "BFIL", settings::defaults::Filiale);
    BNAMESPACE = lockedField(this, "BNAMESPACE", settings::defaults::Namespace);
    const QList<QPair<QString, QLineEdit*>> rows = {{QStringLiteral("ServerIP:"), BSERVERIP},
                                                    {QStringLiteral("Port:"), BPORT},
                                                    {QStringLiteral("Firma:"), BFIRMA},
                                                    {QStringLiteral("Filiale:"), BFIL},
                                                    {QStringLiteral("Namespace:"), BNAMESPACE}};
    int top = 240;
    for (const auto& [caption, field] : rows) {
        labelAt(this, caption, top);
        placeTwips(field, 1560, top, 2760, 315);
        top += 420;
    }

    BUEdit = new QPushButton(QStringLiteral("Ändern"), this);
    BUEdit->setObjectName(QStringLiteral("BUEdit"));
    BUEdit->setCheckable(true); // down: the fields are open for changes
    placeTwips(BUEdit, 240, 2520, 1800, 420);
    BUZurueck = new QPushButton(QStringLiteral("Zurück"), this);
    BUZurueck->setObjectName(QStringLiteral("BUZurück"));
    placeTwips(BUZurueck, 2520, 2520, 1800, 420);

    BVERBINDUNG = new QComboBox(this);
    BVERBINDUNG->setObjectName(QStringLiteral("BVERBINDUNG"));
    BVERBINDUNG->addItems({settings::defaults::Encrypted, settings::defaults::Unencrypted});
    BVERBINDUNG->setEnabled(false);
    BZERTIFIKAT = lockedField(this, "BZERTIFIKAT", QString());
    BZERTIFIKAT->setToolTip(
        QStringLiteral("Zertifikat des Servers oder seiner Zertifizierungsstelle (PEM-Datei); "
                       "leer: die Zertifizierungsstellen des Systems"));
    top = 3060;
    for (const auto& [caption, field] :
         QList<QPair<QString, QWidget*>>{{QStringLiteral("Verbindung:"), BVERBINDUNG},
                                         {QStringLiteral("Zertifikat:"), BZERTIFIKAT}}) {
        labelAt(this, caption, top);
        placeTwips(field, 1560, top, 2760, 315);
        top += 420;
    }

    setTabOrder(BSERVERIP, BPORT);
    setTabOrder(BPORT, BFIRMA);
    setTabOrder(BFIRMA, BFIL);
    setTabOrder(BFIL, BNAMESPACE);
    setTabOrder(BNAMESPACE, BUEdit);
    setTabOrder(BUEdit, BUZurueck);
    setTabOrder(BUZurueck, BVERBINDUNG);
    setTabOrder(BVERBINDUNG, BZERTIFIKAT);

    // The button has already changed its state when the handler runs.
    connect(BUEdit, &QPushButton::clicked, this, &FMServer::editToggled);
    connect(BUZurueck, &QPushButton::clicked, this, &QWidget::hide);
}

cacheapi::ServerFields FMServer::fields() const {
    return {BFIRMA->text(), BFIL->text(), BSERVERIP->text(), BPORT->text(), BNAMESPACE->text()};
}

void FMServer::setFields(const cacheapi::ServerFields& fields) {
    BFIRMA->setText(fields.firma);
    BFIL->setText(fields.filiale);
    BSERVERIP->setText(fields.server);
    BPORT->setText(fields.port);
    BNAMESPACE->setText(fields.nameSpace);
}

cacheapi::TransportFields FMServer::transport() const {
    return {BVERBINDUNG->currentText(), BZERTIFIKAT->text()};
}

void FMServer::setTransport(const cacheapi::TransportFields& fields) {
    BVERBINDUNG->setCurrentIndex(fields.connection == settings::defaults::Unencrypted ? 1 : 0);
    BZERTIFIKAT->setText(fields.certificate);
}

bool FMServer::isLocked() const {
    return !BUEdit->isChecked();
}

void FMServer::setFieldsEnabled(bool enabled) {
    for (QWidget* field : std::initializer_list<QWidget*>{BSERVERIP, BPORT, BFIRMA, BFIL,
                                                          BNAMESPACE, BVERBINDUNG, BZERTIFIKAT})
        field->setEnabled(enabled);
}

void FMServer::editToggled(bool unlocked) {
    context::Dialogs& dialogs = link_.context().dialogs;
    if (!unlocked) {
        setFieldsEnabled(false);
        if (dialogs.message(QStringLiteral("Änderungen sichern?"), QuestionTitle,
                            context::Icon::None, context::Buttons::YesNo) == context::Answer::Yes)
            saveChanges();
        return;
    }
    if (dialogs.message(QStringLiteral("Änderungen erlauben?"), QuestionTitle, context::Icon::None,
                        context::Buttons::YesNo) == context::Answer::Yes)
        setFieldsEnabled(true);
    else
        BUEdit->setChecked(false);
}

void FMServer::saveChanges() {
    // The connection string of the running session stays; the next login builds it anew.
    link_.EndServerAccess();
    link_.DisconnectServer();
    cacheapi::Sichern(link_);
    link_.ReadStoredSettings();
    // The saved data serve the next login; until then the session goes on as it is.
    cacheapi::ResumeLastLogin(link_);
}

} // namespace windows
