// The per-user store: values kept between runs, separate applications, the "Hight" key.
#include "settingsstore.h"

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
};

QTEST_GUILESS_MAIN(SettingsTest)
#include "test_settings.moc"
