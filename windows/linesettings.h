#pragma once

#include "lineconfig.h"

#include <QDialog>

#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QSpinBox;
class QGroupBox;

namespace line {
class PasswordSafe;
class SwitchableLine;
} // namespace line
namespace settings {
class SettingsStore;
}

namespace windows {

// A sound device as the settings list it: the SIP stack's name and what it can do.
struct SoundDeviceChoice {
    QString id;
    bool playback = false;
    bool capture = false;
};

// The devices of the sound system as the SIP line names them; empty without a sound server
// or in a build without the SIP line. `dataDir` is a private directory for the SIP stack.
QList<SoundDeviceChoice> sipSoundDevices(const QString& dataDir);

// What the line settings window works with; all of it outlives the window.
struct LineSettingsParts {
    settings::SettingsStore& store;
    line::PasswordSafe& passwords;
    line::SwitchableLine& line;
    // The sound system's devices, asked for when the window opens.
    std::function<QList<SoundDeviceChoice>()> soundDevices;
};

// "Telefonie-Einstellungen": the user's line, SIP account and sound devices. "Übernehmen"
// stores them (the password in the secret store) and puts them to work at once.
class LineSettingsWindow : public QDialog {
    Q_OBJECT
public:
    explicit LineSettingsWindow(LineSettingsParts parts, QWidget* parent = nullptr);

    // Fills the fields from the stored settings and the sound system's device lists.
    void load();
    // Stores and applies; false (with the reason shown in the window) while a call is on.
    bool applyChanges();
    line::LineConfig edited() const;
    QString statusText() const;

    QComboBox* lineType;
    QComboBox* sipMode;
    QLineEdit* server;
    QLineEdit* user;
    QLineEdit* password;
    QComboBox* transport;
    QSpinBox* localPort;
    QComboBox* playback;
    QComboBox* capture;
    QComboBox* ringer;
    QComboBox* ringTone;
    QCheckBox* echoCancellation;
    QLabel* state;
    QLabel* notice;

private:
    void showReadiness();
    void enableFields();
    void fillDevices(QComboBox* box, const QList<SoundDeviceChoice>& devices, bool forPlayback,
                     const QString& chosen);

    LineSettingsParts parts_;
    QGroupBox* sipGroup_;
    QGroupBox* soundGroup_;
};

} // namespace windows
