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
    SipMode sipMode = SipMode::Account;           // "SipMode": "account" or "peer"
    QString sipServer;                            // "SipServer": host[:port]
    QString sipUser;                              // "SipUser"
    QString sipPassword;                          // "SipPassword"
    QString sipTransport = QStringLiteral("udp"); // "SipTransport": udp, tcp or tls
    int sipPort = 5060;                           // "SipPort": local SIP port
    QString sipBindAddress;                       // "SipBind": local address to bind, empty = any
    int sipAudioPort = 7078;                      // "SipAudioPort": local RTP port
    // Audio: "SipAudio" "files" plays `playFile` to the other party and records into
    // `recordFile` (no sound card needed); "devices" uses the named sound devices.
    bool audioFiles = true;
    QString playFile;       // "SipPlayFile"
    QString recordFile;     // "SipRecordFile"
    QString playbackDevice; // "SipPlaybackDevice"
    QString captureDevice;  // "SipCaptureDevice"
    QString dataDir;        // "SipDataDir": the SIP stack's private directory
    // "SipRingSeconds": an offered call nobody answers is turned away after this long, as a
    // telephone system does; also a caller that vanished without saying so frees the line.
    int ringSeconds = 60;
};

LineConfig readLineConfig(const settings::SettingsStore& store);
void writeLineConfig(settings::SettingsStore& store, const LineConfig& config);

// Whether this build has the SIP line.
bool sipLineAvailable();

// The configured line. A SIP line asked for in a build without SIP gives the simulated line.
std::unique_ptr<Line> makeLine(const LineConfig& config, QObject* parent = nullptr);

} // namespace line
