// The per-user store: values kept between runs, separate applications, the "Hight" key.
#include "settingsstore.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace settings;

class SettingsTest : public QObject {
    Q_OBJECT
    QTemporaryDir home_;

private slots:
    void initTestCase() {
        QVERIFY(home_.isValid());
        qputenv("XDG_CONFIG_HOME", home_.path().toUtf8());
    }

    void valuesSurviveInTheUsersConfigDirectory() {
        {
            QSettingsStore store(QStringLiteral("ventor-telefon-test"));
            store.write(keys::Telefon, keys::Pos, keys::Hight, "4321");
            store.write(keys::CacheLogin, keys::Login, keys::Firma, "7");
        }
        const QSettingsStore again(QStringLiteral("ventor-telefon-test"));
        QCOMPARE(again.read(keys::Telefon, keys::Pos, keys::Hight, "x"), QString("4321"));
        QCOMPARE(again.read(keys::Telefon, keys::Pos, QStringLiteral("Height"), "none"),
                 QString("none"));
        // The two applications are separate files.
        QCOMPARE(again.read(keys::Telefon, keys::Login, keys::Firma, "none"), QString("none"));
        QVERIFY(QFile::exists(home_.filePath("ventor-telefon-test/Telefon.ini")));
        QVERIFY(QFile::exists(home_.filePath("ventor-telefon-test/Cache Login.ini")));
    }

    // One of the files holds the login password: folder and files are the user's alone, also
    // when an older version left them readable for everyone.
    void storeIsPrivateToTheUser() {
        const QString folder = home_.filePath("private-test");
        QVERIFY(QDir().mkpath(folder));
        QFile::setPermissions(folder, QFile::Permissions(0x7755));
        QFile old(folder + "/Telefon.ini");
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.close();
        QVERIFY(old.setPermissions(QFile::Permissions(0x6644)));
        QSettingsStore store(QStringLiteral("private-test"));
        store.write(keys::Telefon, keys::Pos, keys::Left, "0");
        store.write(keys::CacheLogin, keys::Login, keys::Passwort, "geheim");
        // Owner, group and others as the mode bits 0600 and 0700 give them.
        const auto mode = [](const QString& path) {
            return QFileInfo(path).permissions() & 0x0FFF;
        };
        const auto owner = QFile::ReadUser | QFile::WriteUser;
        for (const char* file : {"Telefon.ini", "Cache Login.ini"})
            QCOMPARE(mode(folder + "/" + file), owner);
        QCOMPARE(mode(folder), owner | QFile::ExeUser);
    }
};

QTEST_GUILESS_MAIN(SettingsTest)
#include "tst_settings.moc"
