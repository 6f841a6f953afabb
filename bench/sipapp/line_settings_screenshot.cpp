// Saves a picture of "Telefonie-Einstellungen" with a SIP account registered at a real
// registrar (kamailio on loopback, in a private network namespace). Usage:
//   line_settings_screenshot FILE.png
#include "fakes.h"
#include "linesecret.h"
#include "linesettings.h"
#include "privatenetwork.h"
#include "sipagents.h"
#include "switchableline.h"

#include <QApplication>
#include <QTemporaryDir>

#include <cstdio>

int main(int argc, char** argv) {
    const QString isolation = line::enterPrivateNetwork(argc, argv);
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: line_settings_screenshot FILE.png\n");
        return 2;
    }
    if (!isolation.isEmpty()) {
        std::fprintf(stderr, "no private network namespace: %s\n", qPrintable(isolation));
        return 1;
    }
    QTemporaryDir dir;
    agents::Kamailio registrar;
    if (!registrar.start(QDir(dir.path()), 5090)) {
        std::fprintf(stderr, "kamailio did not start\n");
        return 1;
    }
    settings::MemorySettingsStore store;
    const QList<QPair<QString, QString>> values{{"Type", "sip"},
                                                {"SipMode", "account"},
                                                {"SipServer", "127.0.0.1:5090"},
                                                {"SipUser", "4711"},
                                                {"SipPassword", "geheim"},
                                                {"SipBind", "127.0.0.1"},
                                                {"SipPort", "5070"},
                                                {"SipAudio", "files"},
                                                {"SipRingTone", "Klassisch"},
                                                {"SipDataDir", dir.filePath("sip")}};
    for (const auto& [key, value] : values)
        store.write("Telefon", "Line", key, value);
    line::SwitchableLine telephone(line::readLineConfig(store));
    telephone.open();
    line::SystemPasswordSafe passwords(dir.filePath("secrets"));
    const QList<windows::SoundDeviceChoice> devices{
        {"PulseAudio Unknown: Headset USB", true, true}};
    windows::LineSettingsWindow window({store, passwords, telephone, [&] { return devices; }});
    window.show();
    (void)QTest::qWaitFor([&] { return telephone.readiness() == line::Line::Readiness::Ready; },
                          8000);
    QTest::qWait(200);
    const bool saved = window.grab().save(QString::fromLocal8Bit(argv[1]));
    std::printf("%s %s: %s\n", saved ? "saved" : "could not save", argv[1],
                qPrintable(telephone.readinessText()));
    return saved ? 0 : 1;
}
