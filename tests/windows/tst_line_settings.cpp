// "Telefonie-Einstellungen": the line changes while the program runs, and the SIP password goes
// to the secret store, not into the settings file (in a private network: the line is real SIP).
#include "fakes.h"
#include "linesecret.h"
#include "linesettings.h"
#include "privatenetwork.h"
#include "switchableline.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using line::LineConfig;

namespace {
QString isolation; // why the process is not isolated; empty when it is
} // namespace

class TestLineSettings : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

private slots:
    void initTestCase() {
        if (!isolation.isEmpty())
            QSKIP(qPrintable(isolation));
        // An unlocked keyring on the test's own session bus, in the temporary home.
        QProcess keyring;
        keyring.start("gnome-keyring-daemon", {"--unlock", "--components=secrets"});
        keyring.write("test-keyring");
        keyring.closeWriteChannel();
        if (!keyring.waitForFinished(10000) || keyring.exitCode() != 0)
            QSKIP("the keyring daemon did not start");
        QVERIFY(dir.isValid());
        qputenv("XDG_CONFIG_HOME", dir.filePath(u"config"_s).toLocal8Bit());
    }

    void storesAppliesAndKeepsThePasswordSecret() {
        settings::QSettingsStore store;
        store.write(u"Telefon"_s, u"Line"_s, u"SipDataDir"_s, dir.filePath(u"sip"_s));
        store.write(u"Telefon"_s, u"Line"_s, u"SipAudio"_s, u"files"_s);
        store.write(u"Telefon"_s, u"Line"_s, u"SipBind"_s, u"127.0.0.1"_s);
        store.write(u"Telefon"_s, u"Line"_s, u"SimControl"_s, u"0"_s);
        line::SystemPasswordSafe passwords(dir.filePath(u"config/ventor-telefon"_s));
        line::SwitchableLine telephone(line::readLineConfig(store));
        telephone.open();
        QCOMPARE(telephone.readinessText(), u"Leitung bereit"_s);
        const QList<windows::SoundDeviceChoice> devices{
            {u"PulseAudio Unknown: Lautsprecher"_s, true, false},
            {u"PulseAudio Unknown: Headset"_s, true, true}};
        windows::LineSettingsWindow window({store, passwords, telephone, [&] { return devices; }});
        window.show();
        QCOMPARE(window.windowTitle(), u"Telefonie-Einstellungen"_s);
        QCOMPARE(window.state->text(), u"Leitung bereit"_s);
        QVERIFY(!window.server->isEnabled()); // the simulated line has no account
        QCOMPARE(window.capture->count(), 2); // the default and the headset
        QCOMPARE(window.playback->itemText(1), u"Lautsprecher"_s);

        window.lineType->setCurrentIndex(1);
        QVERIFY(window.server->isEnabled());
        window.sipMode->setCurrentIndex(0);
        window.server->setText(u"127.0.0.1:5999"_s);
        window.user->setText(u"4711"_s);
        window.password->setText(u"streng geheim"_s);
        window.transport->setCurrentIndex(1);
        window.localPort->setValue(5072);
        window.playback->setCurrentIndex(2);
        window.ringTone->setCurrentIndex(1);
        QTest::mouseClick(window.findChild<QPushButton*>(u"Apply"_s), Qt::LeftButton);

        // Applied without a restart: the program's line is now the SIP account.
        QCOMPARE(telephone.config().type, LineConfig::Type::Sip);
        QCOMPARE(telephone.deviceName(0), u"SIP 4711@127.0.0.1:5999"_s);
        QVERIFY(telephone.isOpen());
        QVERIFY(telephone.readinessText().contains(u"4711 bei 127.0.0.1:5999"_s));
        QCOMPARE(window.state->text(), telephone.readinessText());
        QCOMPARE(window.notice->text(),
                 u"Übernommen. Das Passwort liegt im Schlüsselbund des Desktops."_s);

        const LineConfig stored = line::readLineConfig(store);
        QCOMPARE(std::tuple(stored.sipServer, stored.sipUser, stored.sipTransport, stored.sipPort,
                            stored.playbackDevice, stored.ringTone),
                 std::tuple(u"127.0.0.1:5999"_s, u"4711"_s, u"tcp"_s, 5072,
                            u"PulseAudio Unknown: Headset"_s, u"Dezent"_s));
        QFile file(dir.filePath(u"config/ventor-telefon/Telefon.ini"_s));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(!file.readAll().contains("streng"));
        QVERIFY(!QFile::exists(passwords.filePath()) ||
                !QFile(passwords.filePath()).open(QIODevice::ReadOnly) ||
                !QFile(passwords.filePath()).size());
        line::SystemPasswordSafe again(dir.filePath(u"elsewhere"_s));
        QCOMPARE(again.read(line::passwordAccount(u"4711"_s, u"127.0.0.1:5999"_s)),
                 u"streng geheim"_s);

        // A new window shows what is stored, the password from the secret store.
        windows::LineSettingsWindow reopened(
            {store, passwords, telephone, [&] { return devices; }});
        QCOMPARE(reopened.password->text(), u"streng geheim"_s);
        QCOMPARE(reopened.transport->currentIndex(), 1);
    }
};

int main(int argc, char** argv) {
    isolation = line::enterPrivateNetwork(argc, argv);
    QApplication app(argc, argv);
    TestLineSettings test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_line_settings.moc"
