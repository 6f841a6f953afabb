// Message boxes, the window registry and the end of the program, the twips conversion and the
// modal runner.

#include "apptitle.h"
#include "fieldhelpers.h"
#include "programend.h"
#include "qtdialogs.h"
#include "services.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>
#include <QtTest>

using namespace cacheapi;
using namespace context;

namespace {
struct Seen {
    QString text, title;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    QStringList captions;
};

// Answers the next message box with `press` and records what it showed.
void answerNextBox(Seen& seen, QMessageBox::StandardButton press) {
    QTimer::singleShot(0, [&seen, press] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        QVERIFY(box);
        QStringList captions;
        for (QAbstractButton* b : box->buttons())
            captions << b->text();
        captions.sort();
        seen = {box->text(), box->windowTitle(), box->icon(), box->standardButtons(), captions};
        box->button(press)->click();
    });
}

struct EndRequested {
    int code;
};
} // namespace

class ProgramFrameTest : public QObject {
    Q_OBJECT

private slots:
    void messageBoxesShowIconButtonsAndTitle_data() {
        QTest::addColumn<Icon>("icon");
        QTest::addColumn<Buttons>("buttons");
        QTest::addColumn<QMessageBox::StandardButton>("press");
        QTest::addColumn<QMessageBox::Icon>("expectedIcon");
        QTest::addColumn<Answer>("expectedAnswer");
        const auto ok = context::Buttons::Ok, yesNo = context::Buttons::YesNo;
        QTest::newRow("information") << context::Icon::Information << ok << QMessageBox::Ok
                                     << QMessageBox::Information << context::Answer::Ok;
        QTest::newRow("exclamation") << context::Icon::Exclamation << ok << QMessageBox::Ok
                                     << QMessageBox::Warning << context::Answer::Ok;
        QTest::newRow("critical") << context::Icon::Critical << ok << QMessageBox::Ok
                                  << QMessageBox::Critical << context::Answer::Ok;
        QTest::newRow("none yes") << context::Icon::None << yesNo << QMessageBox::Yes
                                  << QMessageBox::NoIcon << context::Answer::Yes;
        QTest::newRow("question no") << context::Icon::Question << yesNo << QMessageBox::No
                                     << QMessageBox::Question << context::Answer::No;
    }

    void messageBoxesShowIconButtonsAndTitle() {
        QFETCH(Icon, icon);
        QFETCH(Buttons, buttons);
        QFETCH(QMessageBox::StandardButton, press);
        QFETCH(QMessageBox::Icon, expectedIcon);
        QFETCH(Answer, expectedAnswer);
        windows::QtDialogs dialogs;
        Seen seen;
        answerNextBox(seen, press);
        QCOMPARE(dialogs.message(QStringLiteral("Zeile 1\r\nZeile 2"),
                                 QStringLiteral("Anmeldung an Caché"), icon, buttons),
                 expectedAnswer);
        QCOMPARE(seen.text, QStringLiteral("Zeile 1\nZeile 2"));
        QCOMPARE(seen.title, QStringLiteral("Anmeldung an Caché"));
        QCOMPARE(seen.icon, expectedIcon);
        const bool ok = buttons == context::Buttons::Ok;
        QCOMPARE(seen.buttons, ok ? QMessageBox::StandardButtons(QMessageBox::Ok)
                                  : QMessageBox::Yes | QMessageBox::No);
        // The buttons speak German like every other text of the program.
        QCOMPARE(seen.captions, ok ? QStringList("OK") : QStringList({"&Ja", "&Nein"}));

        // Without a title of its own a box carries the application title.
        answerNextBox(seen, QMessageBox::Ok);
        dialogs.message(QStringLiteral("x"), {}, Icon::None, Buttons::Ok);
        QCOMPARE(seen.title, QStringLiteral("VENTOR Telefon"));
    }

    void registryClosesMostRecentlyOpenedFirst() {
        windows::WindowRegistry registry;
        QWidget first, second, third;
        for (QWidget* w : {&first, &second, &third}) {
            w->setAttribute(Qt::WA_DontShowOnScreen);
            w->show();
        }
        second.hide();
        second.show(); // opened again: now the most recent
        QCOMPARE(registry.openWindows(), (QList<QWidget*>{&first, &third, &second}));
        const QList<QWidget*> closed = registry.closeAllMostRecentFirst();
        QCOMPARE(closed, (QList<QWidget*>{&second, &third, &first}));
        for (QWidget* w : {&first, &second, &third})
            QVERIFY(!w->isVisible());
    }

    void programEndClosesWindowsThenEndsTheProcess() {
        QList<bool> visibleAtEnd;
        int code = -1;
        auto window = std::make_unique<QWidget>();
        window->setAttribute(Qt::WA_DontShowOnScreen);
        windows::QtProgramEnd end([&](int c) {
            code = c;
            visibleAtEnd << window->isVisible();
            throw EndRequested{c};
        });
        window->show();
        bool ended = false;
        try {
            end.closeAllWindowsAndEnd();
        } catch (const EndRequested&) {
            ended = true;
        }
        QVERIFY(ended);
        QCOMPARE(code, 0);
        QCOMPARE(visibleAtEnd, QList<bool>{false});
    }

    void twipsAreFifteenToAPixel() {
        QCOMPARE(windows::twipsToPixels(600), 40);
        QCOMPARE(windows::pixelsToTwips(40), 600.0);
        QCOMPARE(windows::twipsToPixels(QRect(300, 500, 1500, 15)), QRect(20, 33, 100, 1));
    }

    void modalRunnerReturnsWhenTheWindowIsHidden() {
        QWidget window;
        window.setAttribute(Qt::WA_DontShowOnScreen);
        bool wasModal = false;
        QTimer::singleShot(10, [&] {
            wasModal = window.isVisible() && window.isModal();
            window.hide();
        });
        windows::QtModalRunner runner;
        runner.runModal(&window);
        QVERIFY(wasModal);
        QVERIFY(!window.isVisible());
    }

    void selectAllTextCanLeaveTheFocusAlone() {
        QWidget window;
        auto* other = new QLineEdit(&window);
        auto* field = new QLineEdit(QStringLiteral("12345"), &window);
        window.show();
        QApplication::setActiveWindow(&window);
        QVERIFY(QTest::qWaitForWindowActive(&window));
        other->setFocus();
        windows::SelectAllText(field, true);
        QCOMPARE(field->selectedText(), QStringLiteral("12345"));
        QVERIFY(other->hasFocus());
        windows::SelectAllText(field, false);
        QVERIFY(field->hasFocus());
        QCOMPARE(field->selectedText(), QStringLiteral("12345"));
    }
};

QTEST_MAIN(ProgramFrameTest)
#include "tst_program_frame.moc"
