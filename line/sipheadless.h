#pragma once
// A SIP core that needs no sound card, writes nothing outside its private directory and talks
// only to the addresses it is given. Shared by the SIP line and the SIP peer; include it only
// from their one source file each, the library's headers are slow to compile.

#include <linphone++/linphone.hh>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace line::sip {

struct CoreOptions {
    std::string dataDir;     // private directory of the core (created by the caller)
    std::string bindAddress; // local address for SIP and media, empty = any
    std::string contactUser; // user part of our own address
    int sipPort = 5060;
    int audioPort = 7078;
    linphone::TransportType transport = linphone::TransportType::Udp;
    bool audioFiles = true; // play `playFile` to the other party instead of a microphone
    // With files and no sound server running, the sound client must not start one.
    bool avoidSoundServer = true;
    std::string playFile;
    std::string recordFile;
    std::string playbackDevice; // empty: the sound system's default
    std::string captureDevice;
    std::string ringerDevice;
    std::string ringFile;
    std::string ringBackFile;
    bool echoCancellation = true;
    // TLS: servers are checked against these authorities; media then goes encrypted (SRTP).
    std::string caFile = "/etc/ssl/certs/ca-certificates.crt";
    std::string extraCaFile; // the company's own authority, empty: none
    // TCP and TLS only connect out: calls come in over the connection to the registrar.
    bool connectOnly = false;
};

// The library's port value for a transport that connects out but listens nowhere.
constexpr int DontBind = -2;

inline std::string withSlash(std::string dir) {
    if (!dir.empty() && dir.back() != '/')
        dir += '/';
    return dir;
}

inline std::string uriHost(const std::string& bindAddress) {
    return bindAddress.empty() ? std::string("127.0.0.1") : bindAddress;
}

// Settings the core reads only at creation: no databases, no network monitor, no guessed host.
inline std::shared_ptr<linphone::Config> makeConfig(const CoreOptions& o) {
    auto factory = linphone::Factory::get();
    auto config = factory->createConfigFromString("");
    config->setString("storage", "uri", "null");
    config->setString("storage", "call_logs_db_uri", "null");
    config->setString("storage", "zrtp_secrets_db_uri", "null");
    config->setString("storage", "friends_db_uri", "null");
    config->setInt("misc", "store_friends", 0);
    config->setInt("sip", "auto_net_state_mon", 0);
    config->setInt("sip", "guess_hostname", 0);
    config->setInt("sip", "use_ipv6", 0);
    config->setInt("sip", "ping_with_options", 0);
    config->setInt("net", "enable_nat_helper", 0);
    config->setInt("video", "capture", 0);
    config->setInt("video", "display", 0);
    config->setInt("video", "automatically_initiate", 0);
    config->setInt("video", "automatically_accept", 0);
    config->setInt("app", "auto_download_incoming_files_max_size", -1);
    // The ports are known before the core opens its first socket, so no default port is taken.
    using T = linphone::TransportType;
    config->setInt("sip", "sip_port", o.transport == T::Udp ? o.sipPort : 0);
    const int streamPort = o.connectOnly ? DontBind : o.sipPort;
    config->setInt("sip", "sip_tcp_port", o.transport == T::Tcp ? streamPort : 0);
    config->setInt("sip", "sip_tls_port", o.transport == T::Tls ? streamPort : 0);
    if (!o.bindAddress.empty()) {
        config->setString("sip", "bind_address", o.bindAddress);
        config->setString("rtp", "bind_address", o.bindAddress);
    }
    return config;
}

inline void configureAudio(linphone::Core& core, const CoreOptions& o) {
    core.setAudioPort(o.audioPort);
    core.setUseFiles(o.audioFiles);
    if (o.audioFiles) {
        core.setPlayFile(o.playFile);
        core.setRecordFile(o.recordFile);
        core.setRing("");
        core.setRingback("");
        core.setRemoteRingbackTone("");
        return;
    }
    if (!o.playbackDevice.empty())
        core.setPlaybackDevice(o.playbackDevice);
    if (!o.captureDevice.empty())
        core.setCaptureDevice(o.captureDevice);
    if (!o.ringerDevice.empty())
        core.setRingerDevice(o.ringerDevice);
    core.setRing(o.ringFile);
    core.setRingback(o.ringBackFile);
    core.enableEchoCancellation(o.echoCancellation);
    for (const auto& codec : core.getAudioPayloadTypes()) {
        const std::string mime = codec->getMimeType();
        if (mime == "opus" || mime == "G722" || mime == "PCMU" || mime == "PCMA")
            codec->enable(true);
    }
}

inline void configureSecurity(linphone::Core& core, const CoreOptions& o) {
    if (o.transport != linphone::TransportType::Tls)
        return;
    if (o.extraCaFile.empty()) {
        core.setRootCa(o.caFile);
    } else {
        std::ostringstream both;
        for (const std::string& path : {o.caFile, o.extraCaFile})
            both << std::ifstream(path).rdbuf() << '\n';
        core.setRootCaData(both.str());
    }
    core.verifyServerCertificates(true);
    core.verifyServerCn(true);
    core.setMediaEncryption(linphone::MediaEncryption::SRTP);
    core.setMediaEncryptionMandatory(true);
}

// The stack looks for a sound server when it starts even when it plays files. Pointing the
// sound client at a socket that does not exist keeps it from starting a sound server and from
// writing its runtime files into the user's home.
// A later core on the sound devices gets the user's own sound server back.
struct SoundServerEnvironment {
    bool saved = false;
    std::string server, runtimePath;
    bool hadServer = false, hadRuntimePath = false;

    static SoundServerEnvironment& instance() {
        static SoundServerEnvironment e;
        return e;
    }
    void save() {
        if (saved)
            return;
        saved = true;
        if (const char* v = std::getenv("PULSE_SERVER"))
            hadServer = true, server = v;
        if (const char* v = std::getenv("PULSE_RUNTIME_PATH"))
            hadRuntimePath = true, runtimePath = v;
    }
    void restore() {
        if (!saved)
            return;
        saved = false;
        hadServer ? ::setenv("PULSE_SERVER", server.c_str(), 1) : ::unsetenv("PULSE_SERVER");
        hadRuntimePath ? ::setenv("PULSE_RUNTIME_PATH", runtimePath.c_str(), 1)
                       : ::unsetenv("PULSE_RUNTIME_PATH");
    }
};

inline void keepAwayFromSoundServer(const std::string& dir) {
    SoundServerEnvironment::instance().save();
    ::setenv("PULSE_SERVER", ("unix:" + dir + "no-sound-server").c_str(), 1);
    ::setenv("PULSE_RUNTIME_PATH", (dir + "sound").c_str(), 1);
}

inline std::shared_ptr<linphone::Core> makeCore(const CoreOptions& o) {
    auto factory = linphone::Factory::get();
    const std::string dir = withSlash(o.dataDir);
    if (o.audioFiles && o.avoidSoundServer)
        keepAwayFromSoundServer(dir);
    else if (!o.audioFiles)
        SoundServerEnvironment::instance().restore();
    factory->setDataDir(dir);
    factory->setConfigDir(dir);
    factory->setDownloadDir(dir);

    auto core = factory->createCoreWithConfig(makeConfig(o), nullptr);
    core->setGuessHostname(false);
    core->enableIpv6(false);
    core->setMaxCalls(2); // a new call may come while the last one is still being released
    core->setIncTimeout(600);
    core->setPrimaryContact("sip:" + o.contactUser + "@" + uriHost(o.bindAddress) + ":" +
                            std::to_string(o.sipPort));

    auto transports = factory->createTransports();
    transports->setUdpPort(o.transport == linphone::TransportType::Udp ? o.sipPort : 0);
    const int streamPort = o.connectOnly ? DontBind : o.sipPort;
    transports->setTcpPort(o.transport == linphone::TransportType::Tcp ? streamPort : 0);
    transports->setTlsPort(o.transport == linphone::TransportType::Tls ? streamPort : 0);
    core->setTransports(transports);

    auto video = factory->createVideoActivationPolicy();
    video->setAutomaticallyInitiate(false);
    video->setAutomaticallyAccept(false);
    core->setVideoActivationPolicy(video);
    core->enableVideoCapture(false);
    core->enableVideoDisplay(false);
    configureAudio(*core, o);
    configureSecurity(*core, o);
    return core;
}

// After start(): the network is there, the library need not look for it.
inline void goOnline(linphone::Core& core) {
    core.enableIpv6(false);
    core.setNetworkReachable(true);
}

inline void quietLogs() {
    linphone::LoggingService::get()->setLogLevelMask(
        static_cast<unsigned>(linphone::LogLevel::Fatal));
}

inline const char* stateName(linphone::Call::State s) {
    using S = linphone::Call::State;
    switch (s) {
    case S::Idle:
        return "Idle";
    case S::IncomingReceived:
        return "IncomingReceived";
    case S::PushIncomingReceived:
        return "PushIncomingReceived";
    case S::OutgoingInit:
        return "OutgoingInit";
    case S::OutgoingProgress:
        return "OutgoingProgress";
    case S::OutgoingRinging:
        return "OutgoingRinging";
    case S::OutgoingEarlyMedia:
        return "OutgoingEarlyMedia";
    case S::Connected:
        return "Connected";
    case S::StreamsRunning:
        return "StreamsRunning";
    case S::Pausing:
        return "Pausing";
    case S::Paused:
        return "Paused";
    case S::Resuming:
        return "Resuming";
    case S::Referred:
        return "Referred";
    case S::Error:
        return "Error";
    case S::End:
        return "End";
    case S::PausedByRemote:
        return "PausedByRemote";
    case S::UpdatedByRemote:
        return "UpdatedByRemote";
    case S::IncomingEarlyMedia:
        return "IncomingEarlyMedia";
    case S::Updating:
        return "Updating";
    case S::Released:
        return "Released";
    case S::EarlyUpdatedByRemote:
        return "EarlyUpdatedByRemote";
    case S::EarlyUpdating:
        return "EarlyUpdating";
    }
    return "Unknown";
}

} // namespace line::sip
