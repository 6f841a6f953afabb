// What the desktop shows of the program, on an X display with a window manager (on-desktop.sh).
#include "apptitle.h"
#include "fmpass.h"
#include "fmserver.h"
#include "loginwindows.h"
#include "program.h"
#include "programprocess.h"
#include "qtdialogs.h"
#include "qtsidewindows.h"
#include "sidewindowkit.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QTest>
#include <QTimer>

#include <csignal>

using cacheapi::fake::ProgramEnded;
using namespace app;
using namespace Qt::StringLiterals;

namespace {
const QString Banner = u"VENTOR Telefon              Firma: 1     Filiale: 0     Benutzer: "_s;

QString run(const QString& tool, const QStringList& arguments) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"LC_ALL"_s, u"C.UTF-8"_s);
    return testsupport::runTool(tool, arguments, env);
}

// A property of a window as the X server holds it, read with the desktop's own tool.
QString xprop(WId id, const QString& property) {
    const QString out = run(u"xprop"_s, {"-notype", "-id", QString::number(id), property});
    // "NAME = value", or "NAME: window id # 0x…" for a window
    const QRegularExpression line(u"^[A-Z_]+(?: = |: )(.*)$"_s);
    return line.match(out).captured(1);
}

// The title the window manager shows, given as "text" with \" inside.
QString desktopTitle(WId id) {
    const QRegularExpression quoted(u"^\"(.*)\"$"_s);
    return quoted.match(xprop(id, u"_NET_WM_NAME"_s)).captured(1).replace(u"\\\""_s, u"\""_s);
}

// The window with its frame, in pixels; empty while it has no frame yet.
QRect outerGeometry(WId id) {
    const QStringList extents = xprop(id, u"_NET_FRAME_EXTENTS"_s).split(u',');
    if (extents.size() != 4)
        return {};
    const int left = extents[0].trimmed().toInt(), right = extents[1].trimmed().toInt();
    const int top = extents[2].trimmed().toInt(), bottom = extents[3].trimmed().toInt();
    const QString info = run(u"xwininfo"_s, {"-id", QString::number(id)});
    auto value = [&info](const char* label) {
        const QRegularExpression line(QString::fromLatin1(label) + u":\\s+(-?\\d+)"_s);
        return line.match(info).captured(1).toInt();
    };
    return {value("Absolute upper-left X") - left, value("Absolute upper-left Y") - top,
            value("Width") + left + right, value("Height") + top + bottom};
}

// The first visible window whose title matches, or 0.
WId findWindow(const QString& pattern) {
    const QString ids = run(u"xdotool"_s, {"search", "--onlyvisible", "--name", pattern});
    return ids.isEmpty() ? 0 : ids.section(u'\n', 0, 0).toULongLong();
}

QWidget* topLevel(const char* name) {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == QLatin1String(name) && w->isVisible())
            return w;
    return nullptr;
}
} // namespace

class DesktopTest : public QObject {
    Q_OBJECT
    testsupport::TestServer server_;

    void checkTitle(QWidget* window, const QString& expected) {
        QVERIFY2(window, qPrintable(expected));
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QTRY_COMPARE_WITH_TIMEOUT(desktopTitle(window->winId()), expected, 5000);
    }

private slots:
    void initTestCase() {
        QCOMPARE(QGuiApplication::platformName(), u"xcb"_s);
        QVERIFY2(server_.start(), qPrintable(server_.errorText()));
    }

    // Every window's own caption, exactly: nothing appended by the desktop.
    void titlesAsTheDesktopShowsThem() {
        testsupport::FakeProgram f;
        FMStart& fm = f.start();
        fm.show();
        checkTitle(&fm, Banner + u"Meier"_s);

        testsupport::ScriptedModal modal;
        windows::LoginWindowsAdapter login(f.link, modal);
        windows::Services services{f.context(), f.link, modal, f.listBar, f.params, &fm};
        QtSideWindows side(services, login);
        side.showLoginAgain();
        checkTitle(&login.loginWindow(), u"VENTOR Benutzeranmeldung"_s);
        QCOMPARE(xprop(login.loginWindow().winId(), u"WM_TRANSIENT_FOR"_s)
                     .section(u'#', 1)
                     .trimmed()
                     .toULongLong(nullptr, 16),
                 fm.winId());
        login.serverWindow().show();
        checkTitle(&login.serverWindow(), u"VENTOR Server"_s);
        side.showSearchModal();
        checkTitle(topLevel("FMSuch"), u"Suche Rufnummer"_s);
        side.showOpenItemsModal();
        checkTitle(topLevel("FMOP"), u"Offene Posten"_s);
        side.showSpeedDialEditor(u"Meier"_s, u"0301234"_s, u"0"_s);
        checkTitle(topLevel("FMAddr"), u"VENTOR Telefon Zielwahl bearbeiten"_s);
        side.showAbout();
        checkTitle(topLevel("frmAbout"), u"Info zu VENTOR Telefon"_s);
        QString boardTitle; // the board is unloaded when its opening returns
        modal.onModal = [&](QWidget* board) {
            checkTitle(board, u"Ventor Abteilung"_s);
            boardTitle = desktopTitle(board->winId());
        };
        side.showDepartmentBoard(u"V"_s);
        QCOMPARE(boardTitle, u"Ventor Abteilung"_s);

        // A message box without a title of its own (the close box's "Beenden" is seen below).
        QString boxTitle;
        QTimer::singleShot(0, [&boxTitle] {
            QWidget* box = QApplication::activeModalWidget();
            QVERIFY(box && QTest::qWaitForWindowExposed(box));
            QTRY_VERIFY_WITH_TIMEOUT(!desktopTitle(box->winId()).isEmpty(), 5000);
            boxTitle = desktopTitle(box->winId());
            qobject_cast<QMessageBox*>(box)->buttons().constFirst()->click();
        });
        windows::QtDialogs().message(u"Anwendung beenden"_s, {}, context::Icon::Question,
                                     context::Buttons::YesNo);
        QCOMPARE(boxTitle, u"VENTOR Telefon"_s);
    }

    // The stored size is the outer size; a first run opens at the minimum, every control in view.
    void outerSizeIsKeptAcrossRuns() {
        using namespace settings::keys;
        const QStringList keys{Left, Top, Width, Hight};
        const QStringList place{"1500", "1500", "12000", "9000"};
        QStringList stored = place;
        for (int run = 1; run <= 2; ++run) {
            testsupport::FakeProgram f;
            for (int i = 0; i < keys.size(); ++i)
                f.store.write(Telefon, Pos, keys[i], stored[i]);
            FMStart& fm = f.start();
            fm.show();
            QVERIFY(QTest::qWaitForWindowExposed(&fm));
            QTRY_COMPARE_WITH_TIMEOUT(outerGeometry(fm.winId()), QRect(100, 100, 800, 600), 5000);
            QVERIFY_THROWS_EXCEPTION(ProgramEnded, fm.close());
            for (int i = 0; i < keys.size(); ++i)
                stored[i] = f.store.read(Telefon, Pos, keys[i], {});
            QCOMPARE(stored, place);
        }

        testsupport::FakeProgram f;
        FMStart& fm = f.start();
        fm.show();
        QVERIFY(QTest::qWaitForWindowExposed(&fm));
        QTRY_VERIFY_WITH_TIMEOUT(!outerGeometry(fm.winId()).isEmpty(), 5000);
        const QRect outer = outerGeometry(fm.winId());
        QVERIFY(outer.width() > twipsToPixels(designed::ClientWidth));
        QVERIFY(outer.height() > twipsToPixels(designed::ClientHeight));
        QWidget* client = fm.centralWidget();
        for (QWidget* control : client->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            QVERIFY2(client->rect().contains(control->geometry()),
                     qPrintable(control->objectName()));
    }

    // Ended from outside, by a signal or the close box, the program stores its size and ends.
    void programEndsInOrderFromOutside_data() {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGHUP") << int(SIGHUP);
        QTest::newRow("close box, Ja") << 0;
    }
    void programEndsInOrderFromOutside() {
        QFETCH(int, signal);
        desktoptest::ProgramSession session(server_);
        session.environment().insert(u"QT_QPA_PLATFORM"_s, u"xcb"_s);
        QProcess& program = *session.start(session.loginWords() << u"--line=sim"_s);
        QVERIFY(program.waitForStarted());
        WId window = 0;
        QTRY_VERIFY_WITH_TIMEOUT((window = findWindow(u"Benutzer: "_s)) != 0, 30000);
        QTRY_VERIFY_WITH_TIMEOUT(!outerGeometry(window).isEmpty(), 5000);
        const QString title = desktopTitle(window);
        QVERIFY2(title.startsWith(Banner) && !title.endsWith(u"VENTOR Telefon"_s),
                 qPrintable(title));
        const QRect outer = outerGeometry(window);

        if (signal) {
            ::kill(pid_t(program.processId()), signal);
        } else {
            run(u"xdotool"_s, {"windowactivate", QString::number(window)});
            QTest::qWait(300);
            run(u"xdotool"_s, {"key", "alt+F4"});
            WId box = 0;
            QTRY_VERIFY_WITH_TIMEOUT((box = findWindow(u"^Beenden"_s)) != 0, 10000);
            QCOMPARE(desktopTitle(box), u"Beenden"_s);
            run(u"xdotool"_s, {"key", "Return"});
        }
        QVERIFY(program.waitForFinished(15000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
        const QSettings stored(session.configDir() + u"/Telefon.ini"_s, QSettings::IniFormat);
        QCOMPARE(stored.value(u"Pos/Width"_s).toString(), QString::number(outer.width() * 15));
        QCOMPARE(stored.value(u"Pos/Hight"_s).toString(), QString::number(outer.height() * 15));
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    windows::NameTheProgram();
    DesktopTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_desktop.moc"
