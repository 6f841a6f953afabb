#include "lineconfig.h"

#include "linecontrol.h"
#include "settingsstore.h"
#include "simulatedline.h"
#include "sipmodule.h"

#include <QFileInfo>
#include <QStandardPaths>

namespace line {

namespace {

const QString App = QStringLiteral("Telefon");
const QString Section = QStringLiteral("Line");

QString defaultDataDir() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/ventor-telefon/sip");
}

QString defaultPlayFile() {
    return QStringLiteral("/usr/share/sounds/linphone/hello8000.wav");
}

class Reader {
public:
    explicit Reader(const settings::SettingsStore& store) : store_(store) {}
    QString text(const QString& key, const QString& fallback) const {
        return store_.read(App, Section, key, fallback);
    }
    int number(const QString& key, int fallback) const {
        bool ok = false;
        const int value = text(key, QString()).toInt(&ok);
        return ok ? value : fallback;
    }
    bool flag(const QString& key, bool fallback) const {
        const QString value = text(key, QString()).trimmed();
        return value.isEmpty() ? fallback : value != u"0";
    }

private:
    const settings::SettingsStore& store_;
};

} // namespace

LineConfig readLineConfig(const settings::SettingsStore& store) {
    const Reader in(store);
    LineConfig c;
    c.type = in.text(QStringLiteral("Type"), QStringLiteral("sim")).trimmed().toLower() == u"sip"
                 ? LineConfig::Type::Sip
                 : LineConfig::Type::Simulated;
    c.incomingPrefix = in.text(QStringLiteral("IncomingPrefix"), c.incomingPrefix);
    const QString devices = in.text(QStringLiteral("SimDevices"), QString());
    if (!devices.trimmed().isEmpty())
        c.simulatedDevices = devices.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    c.simulatedControl = in.flag(QStringLiteral("SimControl"), c.simulatedControl);

    c.sipMode = in.text(QStringLiteral("SipMode"), QString()).trimmed().toLower() == u"peer"
                    ? LineConfig::SipMode::PeerToPeer
                    : LineConfig::SipMode::Account;
    c.sipServer = in.text(QStringLiteral("SipServer"), c.sipServer).trimmed();
    c.sipUser = in.text(QStringLiteral("SipUser"), c.sipUser).trimmed();
    c.sipPassword = in.text(QStringLiteral("SipPassword"), c.sipPassword);
    c.sipTransport = in.text(QStringLiteral("SipTransport"), c.sipTransport).trimmed().toLower();
    c.sipPort = in.number(QStringLiteral("SipPort"), c.sipPort);
    c.sipBindAddress = in.text(QStringLiteral("SipBind"), c.sipBindAddress).trimmed();
    c.sipAudioPort = in.number(QStringLiteral("SipAudioPort"), c.sipAudioPort);
    const QString audio = in.text(QStringLiteral("SipAudio"), QString()).trimmed().toLower();
    c.audio = audio == u"files"     ? LineConfig::Audio::Files
              : audio == u"devices" ? LineConfig::Audio::Devices
                                    : LineConfig::Audio::Auto;
    c.playFile = in.text(QStringLiteral("SipPlayFile"), defaultPlayFile());
    c.recordFile = in.text(QStringLiteral("SipRecordFile"), c.recordFile);
    c.playbackDevice = in.text(QStringLiteral("SipPlaybackDevice"), c.playbackDevice);
    c.captureDevice = in.text(QStringLiteral("SipCaptureDevice"), c.captureDevice);
    c.ringerDevice = in.text(QStringLiteral("SipRingerDevice"), c.ringerDevice);
    c.ringTone = in.text(QStringLiteral("SipRingTone"), c.ringTone);
    c.echoCancellation = in.flag(QStringLiteral("SipEchoCancellation"), c.echoCancellation);
    c.caFile = in.text(QStringLiteral("SipCaFile"), c.caFile).trimmed();
    c.dataDir = in.text(QStringLiteral("SipDataDir"), defaultDataDir());
    c.ringSeconds = qMax(1, in.number(QStringLiteral("SipRingSeconds"), c.ringSeconds));
    return c;
}

void writeLineConfig(settings::SettingsStore& store, const LineConfig& c) {
    auto put = [&store](const QString& key, const QString& value) {
        store.write(App, Section, key, value);
    };
    put(QStringLiteral("Type"),
        c.type == LineConfig::Type::Sip ? QStringLiteral("sip") : QStringLiteral("sim"));
    put(QStringLiteral("IncomingPrefix"), c.incomingPrefix);
    put(QStringLiteral("SimDevices"), c.simulatedDevices.join(QLatin1Char(';')));
    put(QStringLiteral("SimControl"),
        c.simulatedControl ? QStringLiteral("1") : QStringLiteral("0"));
    put(QStringLiteral("SipMode"), c.sipMode == LineConfig::SipMode::PeerToPeer
                                       ? QStringLiteral("peer")
                                       : QStringLiteral("account"));
    put(QStringLiteral("SipServer"), c.sipServer);
    put(QStringLiteral("SipUser"), c.sipUser);
    put(QStringLiteral("SipTransport"), c.sipTransport);
    put(QStringLiteral("SipPort"), QString::number(c.sipPort));
    put(QStringLiteral("SipBind"), c.sipBindAddress);
    put(QStringLiteral("SipAudioPort"), QString::number(c.sipAudioPort));
    put(QStringLiteral("SipAudio"), c.audio == LineConfig::Audio::Files ? QStringLiteral("files")
                                    : c.audio == LineConfig::Audio::Devices
                                        ? QStringLiteral("devices")
                                        : QStringLiteral("auto"));
    put(QStringLiteral("SipPlayFile"), c.playFile);
    put(QStringLiteral("SipRecordFile"), c.recordFile);
    put(QStringLiteral("SipPlaybackDevice"), c.playbackDevice);
    put(QStringLiteral("SipCaptureDevice"), c.captureDevice);
    put(QStringLiteral("SipRingerDevice"), c.ringerDevice);
    put(QStringLiteral("SipRingTone"), c.ringTone);
    put(QStringLiteral("SipEchoCancellation"),
        c.echoCancellation ? QStringLiteral("1") : QStringLiteral("0"));
    put(QStringLiteral("SipCaFile"), c.caFile);
    put(QStringLiteral("SipDataDir"), c.dataDir);
    put(QStringLiteral("SipRingSeconds"), QString::number(c.ringSeconds));
}

bool soundServerRuns() {
    QString server = qEnvironmentVariable("PULSE_SERVER");
    if (server.isEmpty()) {
        const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
        if (runtime.isEmpty())
            return false;
        server = runtime + QStringLiteral("/pulse/native");
    } else if (!server.startsWith(QLatin1String("unix:"))) {
        return true; // a server over the network: trusted to be there
    } else {
        server = server.mid(5);
    }
    return QFileInfo(server).exists();
}

bool LineConfig::usesAudioFiles() const {
    if (audio == Audio::Auto)
        return !soundServerRuns();
    return audio == Audio::Files;
}

bool sipLineAvailable() {
    return !sipmodule::path().isEmpty();
}

std::unique_ptr<Line> makeLine(const LineConfig& config, QObject* parent) {
    if (config.type == LineConfig::Type::Sip)
        return makeSipLine(config, parent);
    auto simulated = std::make_unique<SimulatedLine>(config.simulatedDevices, parent);
    simulated->setIncomingPrefix(config.incomingPrefix);
    if (config.simulatedControl) {
        auto* control = new LineControlServer(simulated.get(), simulated.get());
        control->listen();
    }
    return simulated;
}

} // namespace line
