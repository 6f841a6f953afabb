// The speed-dial editor over the in-memory server: what it sends and how the list bar's
// speed-dial group follows the server's list.

#include "fakeworld.h"
#include "fmaddr.h"
#include "listbar.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QtTest>

using namespace testkit;
using telefon::ListBarModel;
using telefon::SpeedDialGroup;
using windows::FMAddr;

namespace {
struct Entry {
    QString number, name, sort;
};

// The server's speed-dial list: ZWSET stores, ZWLOE deletes, ZWAHL answers in stored order.
class SpeedDialServer {
public:
    explicit SpeedDialServer(FakeWorld& world) {
        world.server->handler = [this](const QString& command) { return answer(command); };
    }
    QList<Entry> entries;

private:
    cacheapi::CallResult answer(const QString& command) {
        static const QRegularExpression set(R"re(^D ZWSET\^RUFAP\("(.*)"\)$)re");
        static const QRegularExpression remove(R"re(^D ZWLOE\^RUFAP\(1,0,"(.*)"\)$)re");
        if (command == QLatin1String("D ZWAHL^RUFAP")) {
            QString reply;
            for (const Entry& e : entries)
                reply += e.name + '`' + e.number + '`' + e.sort + QChar(0xFF);
            return cacheapi::CallResult::success(reply);
        }
        if (const auto m = set.match(command); m.hasMatch()) {
            const QStringList parts = m.captured(1).split('`');
            const Entry entry{parts.value(0), parts.value(1), parts.value(2)};
            erase(entry.number);
            entries.append(entry);
        } else if (const auto m = remove.match(command); m.hasMatch()) {
            erase(m.captured(1));
        }
        return cacheapi::CallResult::success({});
    }
    void erase(const QString& number) {
        entries.removeIf([&](const Entry& e) { return e.number == number; });
    }
};

QStringList captions(const ListBarModel& bar) {
    QStringList result;
    for (int i = 1; i <= bar.itemCount(SpeedDialGroup); ++i)
        result << bar.caption(SpeedDialGroup, i);
    return result;
}

QStringList numbers(const ListBarModel& bar) {
    QStringList result;
    for (int i = 1; i <= bar.itemCount(SpeedDialGroup); ++i)
        result << bar.value(SpeedDialGroup, i);
    return result;
}

struct EditorSetUp {
    EditorSetUp() : speedDial(world), editor(world.link, listBar, main) {
        world.storeLogin("MEIER", "telefon");
        world.link.ReadStoredSettings(); // company 1, branch 0
        listBar.addGroup("Ziehlwahl");
        speedDial.entries = {{"0301", "Meier", "5"}, {"0302", "Schulz", "0"}};
        for (const Entry& e : speedDial.entries) {
            const int i = listBar.addItem(SpeedDialGroup, telefon::Picture::Pic1,
                                          telefon::SpeedDialCaption(e.name, e.sort));
            listBar.setValue(SpeedDialGroup, i, e.number);
        }
    }
    QStringList sent() const { return world.server->commands.filter("ZW"); }
    FakeWorld world;
    SpeedDialServer speedDial;
    ListBarModel listBar;
    FakeMainWindow main;
    FMAddr editor;
    ScriptedModal modal;
};
} // namespace

class SpeedDialEditorTest : public QObject {
    Q_OBJECT

private slots:
    void editorCarriesItsCaptionsAndTabOrder();
    void openingFillsTheFieldsFromTheItem();
    void openingAnEmptyItemTakesTheMainWindowsEntries();
    void savingANewEntryAppendsIt();
    void savingAnEmptyNumberSendsItUnchanged();
    void deletingRemovesTheSurplusItem();
    void deletingWithoutNumberDoesNothing();
    void ausstiegSendsNothing();
};

void SpeedDialEditorTest::editorCarriesItsCaptionsAndTabOrder() {
    EditorSetUp s;
    FMAddr& e = s.editor;
    QCOMPARE(e.windowTitle(), QStringLiteral("VENTOR Telefon Zielwahl bearbeiten"));
    QCOMPARE(e.BUSpeich->text(), QStringLiteral("Speichern"));
    QCOMPARE(e.BUAus->text(), QStringLiteral("Ausstieg"));
    QCOMPARE(e.BULOE->text(), QStringLiteral("Löschen"));
    QStringList labels;
    for (QLabel* l : e.findChildren<QLabel*>())
        labels << l->text();
    QCOMPARE(labels, (QStringList{"Rufnummer:", "Name:", "Sortierung;"}));
    const QList<QWidget*> order = {e.BUSpeich, e.BULOE, e.BUAus, e.RUFNR, e.NAMEN, e.SORT};
    for (int i = 0; i + 1 < order.size(); ++i)
        QCOMPARE(nextTabStop(order[i]), order[i + 1]);
    QVERIFY(e.BUSpeich->x() < e.BUAus->x() && e.BUAus->x() < e.BULOE->x());
}

void SpeedDialEditorTest::openingFillsTheFieldsFromTheItem() {
    EditorSetUp s;
    s.modal.onModal = [&](QWidget*) {
        QCOMPARE(s.editor.RUFNR->text(), QStringLiteral("0301"));
        QCOMPARE(s.editor.NAMEN->text(), QStringLiteral("Meier_5"));
        QCOMPARE(s.editor.SORT->text(), QStringLiteral("5"));
        s.editor.BUAus->click();
    };
    s.editor.openForItem(1, s.modal);
    QCOMPARE(s.modal.shown, QStringList{"FMAddr"});
    QVERIFY(!s.editor.isVisible());

    s.editor.fillFields("0302", "Schulz");
    QCOMPARE(s.editor.SORT->text(), QStringLiteral("0"));
    s.editor.fillFields("0303", "A_B_3"); // the sort key is the second "_" piece
    QCOMPARE(s.editor.SORT->text(), QStringLiteral("B"));
}

void SpeedDialEditorTest::openingAnEmptyItemTakesTheMainWindowsEntries() {
    EditorSetUp s;
    s.main.number = "0309";
    s.main.name = "Bauer_2";
    s.editor.openForItem(3, s.modal); // no such item: its number reads as empty
    QCOMPARE(s.editor.RUFNR->text(), QStringLiteral("0309"));
    QCOMPARE(s.editor.NAMEN->text(), QStringLiteral("Bauer_2"));
    QCOMPARE(s.editor.SORT->text(), QStringLiteral("2"));
}

void SpeedDialEditorTest::savingANewEntryAppendsIt() {
    EditorSetUp s;
    const int redraws = s.listBar.redraws();
    s.editor.show();
    s.editor.fillFields("", "");
    s.editor.RUFNR->setText("0401");
    s.editor.NAMEN->setText("Zimmer");
    s.editor.SORT->setText("7");
    s.editor.BUSpeich->click();
    QCOMPARE(s.sent(), (QStringList{"D ZWSET^RUFAP(\"0401`Zimmer`7\")", "D ZWAHL^RUFAP"}));
    QCOMPARE(captions(s.listBar), (QStringList{"Meier_5", "Schulz", "Zimmer_7"}));
    QCOMPARE(numbers(s.listBar), (QStringList{"0301", "0302", "0401"}));
    QCOMPARE(s.listBar.picture(SpeedDialGroup, 3), telefon::Picture::Pic1);
    QVERIFY(s.listBar.redraws() > redraws);
    QVERIFY(!s.editor.isVisible());
    QCOMPARE(s.main.shownToFront, 1);

    // A changed name of an existing entry keeps its place.
    s.editor.fillFields("0301", "Meier_5");
    s.editor.NAMEN->setText("Meier-Bau");
    s.editor.SORT->setText("5");
    s.editor.BUSpeich->click();
    QCOMPARE(s.sent().at(2), QStringLiteral("D ZWSET^RUFAP(\"0301`Meier-Bau`5\")"));
    QCOMPARE(captions(s.listBar), (QStringList{"Schulz", "Zimmer_7", "Meier-Bau_5"}));
}

void SpeedDialEditorTest::savingAnEmptyNumberSendsItUnchanged() {
    EditorSetUp s;
    s.editor.fillFields("", "");
    s.editor.NAMEN->setText("Ohne");
    s.editor.BUSpeich->click();
    QCOMPARE(s.sent().first(), QStringLiteral("D ZWSET^RUFAP(\"`Ohne`0\")"));
}

void SpeedDialEditorTest::deletingRemovesTheSurplusItem() {
    EditorSetUp s;
    s.editor.show();
    s.editor.fillFields("0301", "Meier_5");
    s.editor.BULOE->click();
    QCOMPARE(s.sent(), (QStringList{"D ZWLOE^RUFAP(1,0,\"0301\")", "D ZWAHL^RUFAP"}));
    QCOMPARE(captions(s.listBar), QStringList{"Schulz"});
    QCOMPARE(numbers(s.listBar), QStringList{"0302"});
    QVERIFY(!s.editor.isVisible());
    QCOMPARE(s.main.shownToFront, 1);
}

void SpeedDialEditorTest::deletingWithoutNumberDoesNothing() {
    EditorSetUp s;
    s.editor.show();
    s.editor.fillFields("", "");
    s.editor.NAMEN->setText("Irgendwer");
    const int redraws = s.listBar.redraws();
    s.editor.BULOE->click();
    QVERIFY(s.world.server->commands.isEmpty());
    QCOMPARE(captions(s.listBar), (QStringList{"Meier_5", "Schulz"}));
    QCOMPARE(s.listBar.redraws(), redraws);
    QVERIFY(s.editor.isVisible());
    QCOMPARE(s.main.shownToFront, 0);
}

void SpeedDialEditorTest::ausstiegSendsNothing() {
    EditorSetUp s;
    s.editor.show();
    s.editor.fillFields("0301", "Meier_5");
    s.editor.NAMEN->setText("geändert");
    s.editor.BUAus->click();
    QVERIFY(s.world.server->commands.isEmpty());
    QVERIFY(!s.editor.isVisible());
    QCOMPARE(captions(s.listBar), (QStringList{"Meier_5", "Schulz"}));
}

QTEST_MAIN(SpeedDialEditorTest)
#include "test_speed_dial_editor.moc"
