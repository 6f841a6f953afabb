#include "linesettings.h"

#include "linesecret.h"
#include "settingsstore.h"
#include "sipmodule.h"
#include "sounds.h"
#include "switchableline.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace windows {

namespace {

const QString DefaultDevice = QStringLiteral("Standardgerät des Systems");

QComboBox* choices(QWidget* parent, const QStringList& texts, const QString& name) {
    auto* box = new QComboBox(parent);
    box->addItems(texts);
    box->setObjectName(name);
    return box;
}

// The user sees the device's own name; the settings keep the SIP stack's name for it.
QString shownName(const QString& id) {
    const int colon = id.indexOf(QLatin1String(": "));
    return colon > 0 ? id.mid(colon + 2) : id;
}

} // namespace

QList<SoundDeviceChoice> sipSoundDevices(const QString& dataDir) {
    QList<SoundDeviceChoice> choices;
    for (const auto& d : line::sipSoundDevices(dataDir))
        choices.append({d.id, d.playback, d.capture});
    return choices;
}

LineSettingsWindow::LineSettingsWindow(LineSettingsParts parts, QWidget* parent)
    : QDialog(parent), parts_(std::move(parts)) {
    setWindowTitle(QStringLiteral("Telefonie-Einstellungen"));
    setObjectName(QStringLiteral("LineSettings"));

    lineType = choices(this, {QStringLiteral("Simulierte Leitung"), QStringLiteral("SIP")},
                       QStringLiteral("LineType"));
    auto* top = new QFormLayout;
    top->addRow(QStringLiteral("&Leitung:"), lineType);

    sipGroup_ = new QGroupBox(QStringLiteral("SIP-Konto"), this);
    sipMode = choices(sipGroup_,
                      {QStringLiteral("Anmeldung am SIP-Server"),
                       QStringLiteral("Direkt zur Gegenstelle (ohne Server)")},
                      QStringLiteral("SipMode"));
    server = new QLineEdit(sipGroup_);
    server->setObjectName(QStringLiteral("SipServer"));
    server->setPlaceholderText(QStringLiteral("sip.firma.de oder sip.firma.de:5060"));
    user = new QLineEdit(sipGroup_);
    user->setObjectName(QStringLiteral("SipUser"));
    password = new QLineEdit(sipGroup_);
    password->setObjectName(QStringLiteral("SipPassword"));
    password->setEchoMode(QLineEdit::Password);
    transport = choices(
        sipGroup_,
        {QStringLiteral("UDP"), QStringLiteral("TCP"), QStringLiteral("TLS (verschlüsselt)")},
        QStringLiteral("SipTransport"));
    localPort = new QSpinBox(sipGroup_);
    localPort->setObjectName(QStringLiteral("SipPort"));
    localPort->setRange(1024, 65535);
    auto* sipForm = new QFormLayout(sipGroup_);
    sipForm->addRow(QStringLiteral("&Betriebsart:"), sipMode);
    sipForm->addRow(QStringLiteral("&Server:"), server);
    sipForm->addRow(QStringLiteral("B&enutzer:"), user);
    sipForm->addRow(QStringLiteral("&Passwort:"), password);
    sipForm->addRow(QStringLiteral("&Transport:"), transport);
    sipForm->addRow(QStringLiteral("Lokaler SIP-P&ort:"), localPort);

    soundGroup_ = new QGroupBox(QStringLiteral("Audio"), this);
    playback = choices(soundGroup_, {}, QStringLiteral("Playback"));
    capture = choices(soundGroup_, {}, QStringLiteral("Capture"));
    ringer = choices(soundGroup_, {}, QStringLiteral("Ringer"));
    ringTone = choices(soundGroup_, line::ringToneNames(), QStringLiteral("RingTone"));
    auto* soundForm = new QFormLayout(soundGroup_);
    soundForm->addRow(QStringLiteral("&Wiedergabe:"), playback);
    soundForm->addRow(QStringLiteral("&Aufnahme:"), capture);
    soundForm->addRow(QStringLiteral("&Klingeln auf:"), ringer);
    soundForm->addRow(QStringLiteral("Klingel&ton:"), ringTone);
    echoCancellation = new QCheckBox(QStringLiteral("&Echounterdrückung"), soundGroup_);
    echoCancellation->setObjectName(QStringLiteral("EchoCancellation"));
    soundForm->addRow(QString(), echoCancellation);

    state = new QLabel(this);
    state->setObjectName(QStringLiteral("State"));
    state->setWordWrap(true);
    notice = new QLabel(this);
    notice->setObjectName(QStringLiteral("Notice"));
    notice->setWordWrap(true);
    auto* stateForm = new QFormLayout;
    stateForm->addRow(QStringLiteral("Zustand:"), state);
    stateForm->addRow(QString(), notice);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* apply =
        buttons->addButton(QStringLiteral("Ü&bernehmen"), QDialogButtonBox::ApplyRole);
    apply->setObjectName(QStringLiteral("Apply"));
    QPushButton* close =
        buttons->addButton(QStringLiteral("&Schließen"), QDialogButtonBox::RejectRole);
    close->setObjectName(QStringLiteral("Close"));
    connect(apply, &QPushButton::clicked, this, &LineSettingsWindow::applyChanges);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(sipGroup_);
    layout->addWidget(soundGroup_);
    layout->addLayout(stateForm);
    layout->addWidget(buttons);

    connect(lineType, &QComboBox::currentIndexChanged, this, &LineSettingsWindow::enableFields);
    connect(sipMode, &QComboBox::currentIndexChanged, this, &LineSettingsWindow::enableFields);
    connect(&parts_.line, &line::Line::readinessChanged, this, &LineSettingsWindow::showReadiness);
    load();
}

void LineSettingsWindow::fillDevices(QComboBox* box, const QList<SoundDeviceChoice>& devices,
                                     bool forPlayback, const QString& chosen) {
    box->clear();
    box->addItem(DefaultDevice, QString());
    for (const SoundDeviceChoice& d : devices)
        if (forPlayback ? d.playback : d.capture)
            box->addItem(shownName(d.id), d.id);
    int index = box->findData(chosen);
    if (index < 0 && !chosen.isEmpty()) {
        box->addItem(shownName(chosen) + QStringLiteral(" (nicht angeschlossen)"), chosen);
        index = box->count() - 1;
    }
    box->setCurrentIndex(std::max(0, index));
}

void LineSettingsWindow::load() {
    const line::LineConfig c = line::readLineConfig(parts_.store);
    lineType->setCurrentIndex(c.type == line::LineConfig::Type::Sip ? 1 : 0);
    sipMode->setCurrentIndex(c.sipMode == line::LineConfig::SipMode::PeerToPeer ? 1 : 0);
    server->setText(c.sipServer);
    user->setText(c.sipUser);
    const QString kept = parts_.passwords.read(line::passwordAccount(c.sipUser, c.sipServer));
    password->setText(kept.isEmpty() ? c.sipPassword : kept);
    transport->setCurrentIndex(c.sipTransport == u"tls" ? 2 : c.sipTransport == u"tcp" ? 1 : 0);
    localPort->setValue(c.sipPort);
    const QList<SoundDeviceChoice> devices =
        parts_.soundDevices ? parts_.soundDevices() : QList<SoundDeviceChoice>();
    fillDevices(playback, devices, true, c.playbackDevice);
    fillDevices(capture, devices, false, c.captureDevice);
    fillDevices(ringer, devices, true, c.ringerDevice);
    ringTone->setCurrentIndex(std::max(0, ringTone->findText(c.ringTone)));
    echoCancellation->setChecked(c.echoCancellation);
    notice->clear();
    enableFields();
    showReadiness();
}

line::LineConfig LineSettingsWindow::edited() const {
    line::LineConfig c = line::readLineConfig(parts_.store);
    c.type = lineType->currentIndex() == 1 ? line::LineConfig::Type::Sip
                                           : line::LineConfig::Type::Simulated;
    c.sipMode = sipMode->currentIndex() == 1 ? line::LineConfig::SipMode::PeerToPeer
                                             : line::LineConfig::SipMode::Account;
    c.sipServer = server->text().trimmed();
    c.sipUser = user->text().trimmed();
    c.sipPassword = password->text();
    static const QStringList transports{QStringLiteral("udp"), QStringLiteral("tcp"),
                                        QStringLiteral("tls")};
    c.sipTransport = transports.value(transport->currentIndex(), transports.first());
    c.sipPort = localPort->value();
    c.playbackDevice = playback->currentData().toString();
    c.captureDevice = capture->currentData().toString();
    c.ringerDevice = ringer->currentData().toString();
    c.ringTone = ringTone->currentText();
    c.echoCancellation = echoCancellation->isChecked();
    return c;
}

bool LineSettingsWindow::applyChanges() {
    if (parts_.line.inCall()) {
        notice->setText(QStringLiteral(
            "Während eines Gesprächs bleibt die Leitung, wie sie ist. Bitte nach dem Gespräch "
            "erneut übernehmen."));
        return false;
    }
    const line::LineConfig c = edited();
    line::writeLineConfig(parts_.store, c);
    // A password from hand-made settings leaves the settings file once it is kept safely.
    parts_.store.write(QStringLiteral("Telefon"), QStringLiteral("Line"),
                       QStringLiteral("SipPassword"), QString());
    QString where;
    if (c.type == line::LineConfig::Type::Sip && c.sipMode == line::LineConfig::SipMode::Account) {
        switch (
            parts_.passwords.write(line::passwordAccount(c.sipUser, c.sipServer), c.sipPassword)) {
        case line::PasswordSafe::Place::SecretStore:
            where = QStringLiteral(" Das Passwort liegt im Schlüsselbund des Desktops.");
            break;
        case line::PasswordSafe::Place::PrivateFile:
            where = QStringLiteral(" Kein Schlüsselbund erreichbar: Das Passwort liegt in einer "
                                   "Datei, die nur Sie lesen können.");
            break;
        case line::PasswordSafe::Place::None:
            where = QStringLiteral(" Das Passwort konnte nicht gespeichert werden.");
            break;
        }
    }
    parts_.line.apply(c);
    notice->setText(QStringLiteral("Übernommen.") + where);
    showReadiness();
    return true;
}

QString LineSettingsWindow::statusText() const {
    return state->text();
}

void LineSettingsWindow::showReadiness() {
    state->setText(parts_.line.readinessText());
}

void LineSettingsWindow::enableFields() {
    const bool sip = lineType->currentIndex() == 1;
    const bool account = sipMode->currentIndex() == 0;
    sipGroup_->setEnabled(sip);
    soundGroup_->setEnabled(sip);
    user->setEnabled(account);
    password->setEnabled(account);
}

} // namespace windows
