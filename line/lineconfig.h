#pragma once

#include "line.h"

#include <QStringList>

#include <memory>

namespace settings {
class SettingsStore;
}

namespace line {

// How the user's telephone line is reached: per user in the settings store, application
// "Telefon", section "Line".
struct LineConfig {
    enum class Type { Simulated, Sip };
    enum class SipMode { Account, PeerToPeer };

    Type type = Type::Simulated; // "Type": "sim" or "sip"
    // Put in front of incoming caller numbers of more than two digits, as a telephone system
    // reports external callers with the outside-line digit ("IncomingPrefix").
    QString incomingPrefix = QStringLiteral("0");

    // Simulated line
    QStringList simulatedDevices{
        QStringLiteral("Simulierte Leitung")}; // "SimDevices", ';'-separated
    bool simulatedControl = true; // "SimControl": the control socket for ventor-line-sim

    // SIP line. Account mode registers "SipUser" at "SipServer" and calls through it;
    // peer-to-peer mode calls "SipServer" directly and takes calls on "SipPort" unregistered.
    SipMode sipMode = SipMode::Account; // "SipMode": "account" or "peer"
    QString sipServer;                  // "SipServer": host[:port]
    QString sipUser;                    // "SipUser"
    QString sipPassword; // from the secret store; "SipPassword" is read for hand-made settings
    QString sipTransport = QStringLiteral("udp"); // "SipTransport": udp, tcp or tls
    int sipPort = 5060;                           // "SipPort": local SIP port
    QString sipBindAddress;                       // "SipBind": local address to bind, empty = any
    int sipAudioPort = 7078;                      // "SipAudioPort": local RTP port
    // Audio, "SipAudio": "files" plays `playFile` to the other party and records into
    // `recordFile` (no sound card needed: tests and the demo); "devices" uses the sound
    // system's devices; "auto" (the default) the devices when a sound server runs.
    enum class Audio { Auto, Devices, Files };
    Audio audio = Audio::Auto;
    QString playFile;   // "SipPlayFile"
    QString recordFile; // "SipRecordFile"
    // Devices by the SIP stack's names; empty: the sound system's default device.
    QString playbackDevice;       // "SipPlaybackDevice"
    QString captureDevice;        // "SipCaptureDevice"
    QString ringerDevice;         // "SipRingerDevice"
    QString ringTone;             // "SipRingTone": a shipped ring tone's name or a sound file
    bool echoCancellation = true; // "SipEchoCancellation"
    // Certificate authorities that TLS servers are checked against besides the system's own
    // ("SipCaFile", empty: the system's trust store only).
    QString caFile;
    QString dataDir; // "SipDataDir": the SIP stack's private directory
    // "SipRingSeconds": an offered call nobody answers is turned away after this long, as a
    // telephone system does; also a caller that vanished without saying so frees the line.
    int ringSeconds = 60;

    // Whether the line plays and records files; "auto" decides by the running sound server.
    bool usesAudioFiles() const;
};

// Whether a sound server (or a compatible one) accepts clients for this user.
bool soundServerRuns();

LineConfig readLineConfig(const settings::SettingsStore& store);
// Writes everything but the SIP password, which belongs in the secret store (linesecret.h).
void writeLineConfig(settings::SettingsStore& store, const LineConfig& config);

// Whether the SIP line's module is installed.
bool sipLineAvailable();

// The configured line. The SIP line comes from its module, loaded here the first time; without
// the module it is a line that cannot call and says why.
std::unique_ptr<Line> makeLine(const LineConfig& config, QObject* parent = nullptr);

} // namespace line
