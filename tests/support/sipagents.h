#pragma once
// Independent SIP and sound programs for the SIP line's tests, each in its own directory and
// ended with its object.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTcpSocket>
#include <QTest>
#include <QUdpSocket>

#include <cmath>

namespace agents {

// A program that runs for one test and is ended with it.
class Program {
public:
    ~Program() { stop(); }
    bool start(const QString& program, const QStringList& arguments,
               const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment()) {
        process_.setProcessEnvironment(env);
        process_.setProcessChannelMode(QProcess::MergedChannels);
        process_.start(program, arguments);
        return process_.waitForStarted(5000);
    }
    void stop() {
        if (process_.state() == QProcess::NotRunning)
            return;
        process_.terminate();
        if (!process_.waitForFinished(5000))
            process_.kill();
        process_.waitForFinished(2000);
    }
    bool running() const { return process_.state() == QProcess::Running; }
    QString output() { return log_ += QString::fromLocal8Bit(process_.readAll()); }

private:
    QProcess process_;
    QString log_;
};

inline bool writeFile(const QString& path, const QByteArray& text) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
}

inline bool tcpListens(quint16 port) {
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    return socket.waitForConnected(200);
}

// A test authority, a server certificate it signed, and one for 127.0.0.1 nobody known signed.
struct Certificates {
    QString ca, serverCert, serverKey, rogueCert, rogueKey;

    bool make(const QDir& dir) {
        ca = dir.filePath("ca.pem");
        serverCert = dir.filePath("server.pem");
        serverKey = dir.filePath("server.key");
        rogueCert = dir.filePath("rogue.pem");
        rogueKey = dir.filePath("rogue.key");
        QProcess openssl;
        openssl.setWorkingDirectory(dir.path());
        openssl.start("sh", {"-ec", R"(san=subjectAltName=DNS:127.0.0.1,IP:127.0.0.1
new="openssl req -newkey rsa:2048 -nodes"
$new -x509 -days 2 -subj /CN=Test-Zertifizierungsstelle -keyout ca.key -out ca.pem
$new -subj /CN=127.0.0.1 -keyout server.key -out server.csr
echo "$san" >server.ext
openssl x509 -req -in server.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 2 \
  -extfile server.ext -out server.pem
$new -x509 -days 2 -subj /CN=127.0.0.1 -addext "$san" -keyout rogue.key -out rogue.pem)"});
        return openssl.waitForFinished(60000) && openssl.exitStatus() == QProcess::NormalExit &&
               openssl.exitCode() == 0;
    }
};

// A registrar on 127.0.0.1 (TLS on `tlsPort` when given); users 4711 "geheim", 4712 "zweites".
class Kamailio {
public:
    bool start(const QDir& dir, quint16 port, quint16 tlsPort = 0, const QString& cert = {},
               const QString& key = {}) {
        dir.mkpath("kamailio");
        const QString run = dir.filePath("kamailio");
        QByteArray config =
            "#!KAMAILIO\n"
            "debug=1\nlog_stderror=yes\nchildren=1\ntcp_children=1\n"
            "auto_aliases=no\nmpath=\"/usr/lib/x86_64-linux-gnu/kamailio/modules/\"\n";
        config +=
            QStringLiteral("listen=udp:127.0.0.1:%1\nlisten=tcp:127.0.0.1:%1\n").arg(port).toUtf8();
        if (tlsPort) {
            const QString tlsConfig = dir.filePath("kamailio/tls.cfg");
            writeFile(tlsConfig, QStringLiteral("[server:default]\nmethod = TLSv1.2+\n"
                                                "certificate = %1\nprivate_key = %2\n"
                                                "verify_certificate = no\nrequire_certificate = "
                                                "no\n[client:default]\nverify_certificate = no\n")
                                     .arg(cert, key)
                                     .toUtf8());
            config +=
                QStringLiteral("enable_tls=yes\nlisten=tls:127.0.0.1:%1\n").arg(tlsPort).toUtf8();
            config += "loadmodule \"tls.so\"\nmodparam(\"tls\", \"config\", \"" +
                      tlsConfig.toUtf8() + "\")\n";
        }
        for (const char* module : {"tm", "sl", "rr", "pv", "usrloc", "registrar", "auth", "htable",
                                   "siputils", "textops"})
            config += "loadmodule \"" + QByteArray(module) + ".so\"\n";
        config += R"cfg(modparam("htable", "htable", "users=>size=4;")
event_route[htable:mod-init] {
  $sht(users=>4711) = "geheim";
  $sht(users=>4712) = "zweites";
}
request_route {
  if (has_totag()) {
    loose_route();
    # A GRUU names the registered client: found through the location table.
    if (uri==myself && !lookup("location")) { sl_send_reply("404", "Not Found"); exit; }
    t_relay();
    exit;
  }
  if (is_method("CANCEL")) { if (t_check_trans()) t_relay(); exit; }
  if (is_method("REGISTER")) {
    if (!pv_www_authenticate("$td", "$sht(users=>$tU)", "0")) { www_challenge("$td", "0"); exit; }
    if (!save("location")) sl_reply_error();
    exit;
  }
  record_route();
  if (uri==myself && !lookup("location")) { sl_send_reply("404", "Not Found"); exit; }
  t_relay();
}
)cfg";
        const QString file = dir.filePath("kamailio/kamailio.cfg");
        return writeFile(file, config) &&
               program_.start("kamailio", {"-f", file, "-DD", "-E", "-Y", run, "-w", run}) &&
               QTest::qWaitFor([&] { return tcpListens(port) || !program_.running(); }, 5000) &&
               program_.running();
    }
    void stop() { program_.stop(); }
    QString log() { return program_.output(); }

private:
    Program program_;
};

// A sound server with null devices "spk" and "ring" (recorded from their monitors) and "sine",
// a microphone hearing a steady 1 kHz tone.
class SoundServer {
public:
    bool start(const QDir& dir) {
        dir.mkpath("pulse");
        home_ = dir.filePath("pulse");
        socket_ = home_ + "/native";
        env_ = QProcessEnvironment::systemEnvironment();
        env_.insert("HOME", home_);
        env_.insert("XDG_RUNTIME_DIR", home_);
        env_.insert("PULSE_SERVER", "unix:" + socket_);
        QStringList arguments{"-n", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no"};
        const QString sink = "module-null-sink sink_name=%1 sink_properties=device.description=%1";
        for (const QString& module :
             {"module-native-protocol-unix auth-anonymous=1 socket=" + socket_, sink.arg("spk"),
              sink.arg("ring"),
              QString("module-sine-source source_name=sine frequency=1000 rate=48000 "
                      "source_properties=device.description=sine")})
            arguments << "-L" << module;
        if (!program_.start("pulseaudio", arguments, env_))
            return false;
        // The SIP line in this process uses it from now on.
        qputenv("PULSE_SERVER", ("unix:" + socket_).toLocal8Bit());
        return QTest::qWaitFor([&] { return QFile::exists(socket_) || !program_.running(); },
                               5000) &&
               program_.running();
    }
    ~SoundServer() { qunsetenv("PULSE_SERVER"); }

    // Records from `source` until `seconds` of mono 16 kHz samples are in.
    QList<qint16> record(const QString& source, double seconds) {
        QProcess parec;
        parec.setProcessEnvironment(env_);
        parec.start("parec", {"--raw", "--format=s16le", "--rate=16000", "--channels=1",
                              "--latency-msec=20", "--device=" + source});
        const qsizetype bytes = qsizetype(seconds * 16000) * 2;
        QByteArray data;
        (void)QTest::qWaitFor(
            [&] {
                data += parec.readAllStandardOutput();
                return data.size() >= bytes;
            },
            int(seconds * 1000) + 5000);
        parec.kill();
        parec.waitForFinished(2000);
        QList<qint16> samples(std::min(data.size(), bytes) / 2);
        std::memcpy(samples.data(), data.constData(), samples.size() * 2);
        return samples;
    }

private:
    Program program_;
    QString home_, socket_;
    QProcessEnvironment env_;
};

// The strength of `frequency` in the samples, relative to their whole power (0..1).
inline double toneShare(const QList<qint16>& samples, int rate, double frequency) {
    double total = 0, re = 0, im = 0;
    for (int i = 0; i < samples.size(); ++i) {
        const double x = samples[i];
        total += x * x;
        const double phase = 2 * M_PI * frequency * i / rate;
        re += x * std::cos(phase);
        im += x * std::sin(phase);
    }
    return total <= 0 ? 0 : 2 * (re * re + im * im) / (double(samples.size()) * total);
}

inline double loudness(const QList<qint16>& samples) {
    double total = 0;
    for (qint16 s : samples)
        total += double(s) * s;
    return samples.isEmpty() ? 0 : std::sqrt(total / samples.size());
}

// A second SIP telephone sending 440 Hz; `account` is a line of its account file.
class Baresip {
public:
    bool start(const QDir& dir, const QString& account, quint16 sipPort, quint16 consolePort,
               bool recording = false) {
        dir.mkpath("baresip");
        const QString home = dir.filePath("baresip");
        dump_ = home;
        consolePort_ = consolePort;
        const QByteArray config =
            QStringLiteral("poll_method epoll\nsip_listen 127.0.0.1:%1\nnet_interface 127.0.0.1\n"
                           "audio_player aufile,/dev/null\naudio_source ausine,440\n"
                           "audio_alert aufile,/dev/null\n"
                           "ausrc_srate 48000\nausrc_channels 2\n"
                           "module_path /usr/lib/baresip/modules\n"
                           "module g711.so\nmodule ausine.so\nmodule aufile.so\n"
                           "module cons.so\nmodule srtp.so\n%4"
                           "module_tmp account.so\nmodule_app menu.so\n"
                           "cons_listen 127.0.0.1:%2\nsnd_path %3\n")
                .arg(sipPort)
                .arg(consolePort)
                .arg(home, recording ? "module sndfile.so\n" : "")
                .toUtf8();
        return writeFile(home + "/config", config) &&
               writeFile(home + "/accounts", account.toUtf8() + "\n") &&
               program_.start("stdbuf", {"-oL", "baresip", "-f", home});
    }
    // Commands of one session come from one socket: the console answers only its first peer.
    bool command(const QByteArray& line) {
        return console_.writeDatagram(line + "\n", QHostAddress::LocalHost, consolePort_) > 0;
    }
    QString output() { return program_.output() + (program_.running() ? "" : "[ended]"); }
    // What baresip received in its newest call (a "-dec" file).
    QString lastReceivedFile() const {
        const QStringList files = QDir(dump_).entryList({"*dec.wav"}, QDir::Files, QDir::Time);
        return files.isEmpty() ? QString() : QDir(dump_).filePath(files.first());
    }

private:
    Program program_;
    QUdpSocket console_;
    QString dump_;
    quint16 consolePort_ = 0;
};

// Mono 16-bit samples of a WAV file (the first channel).
inline QList<qint16> wavSamples(const QString& path, int* rate) {
    QFile file(path);
    const QByteArray wav = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    const int at = wav.indexOf("fmt "), data = wav.indexOf("data");
    if (at < 0 || data < 0)
        return {};
    auto u16 = [&](int i) { return quint16(quint8(wav[i]) | quint8(wav[i + 1]) << 8); };
    const int ch = u16(at + 10);
    *rate = int(u16(at + 12) | u16(at + 14) << 16);
    QList<qint16> samples;
    for (int i = data + 8; i + 1 < wav.size(); i += 2 * ch)
        samples << qint16(u16(i));
    return samples;
}

} // namespace agents
