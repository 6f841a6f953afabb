#include "accessibility.h"

#include "listbarwidget.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QHash>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QShortcut>

namespace app {

namespace {

struct Naming {
    const char* name;
    const char* description = nullptr;
};

// Controls whose caption or neighbouring label does not say enough, by window and object name.
const QHash<QString, Naming>& knownControls() {
    static const QHash<QString, Naming> table{
        // Main window
        {"FMStart/Status", {"Leitungsstatus"}},
        {"FMStart/Phone", {"Leitungsbild", "Zeigt, ob ein Gespräch verbunden ist"}},
        {"FMStart/RUFNR",
         {"Rufnummer/Teilnehmer", "Nummer zum Wählen oder Suchbegriff; Enter oder F2 wählt"}},
        {"FMStart/BUWaehl", {"Wählen", "Wählt die Nummer im Feld Rufnummer (F2)"}},
        {"FMStart/BUAufl", {"Trennen", "Beendet das Gespräch (F3)"}},
        {"FMStart/BUR", {"R Halten", "Hält das Gespräch oder nimmt es wieder auf (F4)"}},
        {"FMStart/TxtHold", {"Gespräch gehalten"}},
        {"FMStart/BUSuch", {"Suchen", "Öffnet die Nummernsuche (F7)"}},
        {"FMStart/BUOP", {"Offene Posten", "Zeigt die offenen Posten des Kunden"}},
        {"FMStart/cmd_LogIn", {"Login", "Meldet erneut an"}},
        {"FMStart/BUend", {"Beenden", "Beendet das Programm"}},
        {"FMStart/BUInfo", {"Info", "Zeigt Programmname und Version"}},
        {"FMStart/Nr", {"Kontonummer"}},
        {"FMStart/Anrede", {"Anrede"}},
        {"FMStart/NAMEN", {"Name"}},
        {"FMStart/Branche", {"Branche"}},
        {"FMStart/Strasse", {"Straße"}},
        {"FMStart/Plz", {"Postleitzahl"}},
        {"FMStart/Ort", {"Ort"}},
        {"FMStart/Telnr", {"Telefon"}},
        {"FMStart/Faxnr", {"Fax"}},
        {"FMStart/email", {"E-Mail"}},
        {"FMStart/Mahnstufe", {"Mahnstufe"}},
        {"FMStart/MahnstDatum", {"Mahnstufe vom"}},
        {"FMStart/LeAuDatum", {"Letzter Auftrag am"}},
        {"FMStart/AktSaldo", {"Aktueller Saldo"}},
        {"FMStart/UmsatzLJ", {"Umsatz laufendes Jahr"}},
        {"FMStart/UmsatzVJ", {"Umsatz voriges Jahr"}},
        {"FMStart/Info", {"Eintragsinfo", "Beschriftung des Listeneintrags unter dem Mauszeiger"}},
        {"FMStart/Zielwahl", {"Zielwahl"}},
        {"FMStart/ZielwahlItems",
         {"Einträge der Zielwahl",
          "Enter übernimmt die Nummer, Strg+Enter bearbeitet einen Zielwahleintrag (F8)"}},
        {"FMStart/chk_Popup", {"Popup bei Anruf", "Holt das Fenster bei einem Anruf nach vorn"}},
        // Login and server settings
        {"FMPass/BUSER", {"User(WWS Personalcode)"}},
        {"FMPass/BPASSWORT", {"Passwort"}},
        {"FMServer/BSERVERIP", {"ServerIP"}},
        {"FMServer/BPORT", {"Port"}},
        {"FMServer/BFIRMA", {"Firma"}},
        {"FMServer/BFIL", {"Filiale"}},
        {"FMServer/BNAMESPACE", {"Namespace"}},
        // Speed-dial editor, search, open items
        {"FMAddr/RUFNR", {"Rufnummer"}},
        {"FMAddr/NAMEN", {"Name"}},
        {"FMAddr/SORT", {"Sortierung"}},
        {"FMSuch/SUText", {"Suchbegriff", "Enter startet die Suche"}},
        {"FMSuch/LIRufnr", {"Gefundene Rufnummern", "Doppelklick übernimmt die Nummer"}},
        {"FMOP/LIOP", {"Offene Posten"}},
        // Department board
        {"FMAbt/PERDAT", {"per Datum"}},
        {"FMAbt/WTAG", {"Wochentag"}},
        {"FMAbt/JETZTTXT", {"Jetzt"}},
        // About box
        {"frmAbout/picIcon", {"Programmsymbol"}},
    };
    return table;
}

// Rows of the department board: Mit3 is the third staff member, SOLL1_3 their first planned
// interval.
bool nameBoardControl(QWidget* w) {
    static const QRegularExpression Row(QStringLiteral("^(Mit|DW|SOLL|IST)(\\d)?_?(\\d+)$"));
    const QRegularExpressionMatch m = Row.match(w->objectName());
    if (!m.hasMatch())
        return false;
    const QString kind = m.captured(1);
    const QString row = m.captured(3);
    if (kind == u"Mit") {
        w->setAccessibleName(QStringLiteral("Mitarbeiter %1").arg(row));
    } else if (kind == u"DW") {
        w->setAccessibleName(QStringLiteral("Durchwahl %1").arg(row));
        w->setAccessibleDescription(QStringLiteral("Klick wählt die Durchwahl"));
    } else {
        w->setAccessibleName(
            QStringLiteral("%1 %2, Mitarbeiter %3")
                .arg(kind == u"SOLL" ? QStringLiteral("Sollzeit") : QStringLiteral("Istzeit"),
                     m.captured(2), row));
    }
    return true;
}

QString withoutPunctuation(QString text) {
    text.remove(QLatin1Char('&'));
    text = text.trimmed();
    while (text.endsWith(QLatin1Char(':')) || text.endsWith(QLatin1Char(';')))
        text.chop(1);
    return text.trimmed();
}

// The text of the label left of `w` on its row, else of the nearest label above it.
QString neighbouringLabel(QWidget* w) {
    QWidget* parent = w->parentWidget();
    if (!parent)
        return {};
    const QRect r = w->geometry();
    QLabel* left = nullptr;
    QLabel* above = nullptr;
    for (QLabel* label : parent->findChildren<QLabel*>(Qt::FindDirectChildrenOnly)) {
        if (label->text().trimmed().isEmpty() || label->parentWidget() != w->parentWidget())
            continue;
        const QRect l = label->geometry();
        const bool sameRow = l.center().y() >= r.top() && l.center().y() <= r.bottom();
        if (sameRow && l.right() <= r.left() + 2 && (!left || l.right() > left->geometry().right()))
            left = label;
        else if (l.bottom() <= r.top() + 2 && l.left() < r.right() && l.right() > r.left() &&
                 (!above || l.bottom() > above->geometry().bottom()))
            above = label;
    }
    QLabel* chosen = left ? left : above;
    return chosen ? withoutPunctuation(chosen->text()) : QString();
}

// Windows are known by their class, which stays when an object name is missing or changes.
QString windowKind(const QWidget* window) {
    const QString name = QString::fromLatin1(window->metaObject()->className());
    return name.mid(name.lastIndexOf(QLatin1Char(':')) + 1);
}

bool isControl(QWidget* w) {
    return qobject_cast<QLineEdit*>(w) || qobject_cast<QAbstractButton*>(w) ||
           qobject_cast<QAbstractItemView*>(w) || qobject_cast<QAbstractSpinBox*>(w) ||
           qobject_cast<QComboBox*>(w) || qobject_cast<QLabel*>(w);
}

void nameControl(QWidget* w) {
    if (!w->accessibleName().isEmpty() || !isControl(w))
        return;
    const auto known =
        knownControls().constFind(windowKind(w->window()) + QLatin1Char('/') + w->objectName());
    if (known != knownControls().constEnd()) {
        w->setAccessibleName(QString::fromUtf8(known->name));
        if (known->description)
            w->setAccessibleDescription(QString::fromUtf8(known->description));
        return;
    }
    if (nameBoardControl(w))
        return;
    if (auto* button = qobject_cast<QAbstractButton*>(w); button && !button->text().isEmpty())
        return; // its caption is its name
    if (auto* label = qobject_cast<QLabel*>(w); label && !label->text().isEmpty())
        return;
    const QString fromLabel = neighbouringLabel(w);
    if (!fromLabel.isEmpty())
        w->setAccessibleName(fromLabel);
}

bool closesWithEscape(const QWidget* window) {
    const QString kind = windowKind(window);
    return kind.startsWith(u"FM") ? kind != u"FMStart" && kind != u"FMPass" : kind == u"frmAbout";
}

QPushButton* buttonOf(QWidget* window, const char* name) {
    return window->findChild<QPushButton*>(QString::fromLatin1(name));
}

// Enter chooses the entry as a click does; Ctrl+Enter activates it as a double click does.
class ListBarKeys : public QObject {
public:
    ListBarKeys(ListBarWidget* listBar, QListWidget* items)
        : QObject(items), listBar_(listBar), items_(items) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        const int index = items_->currentRow() + 1;
        if ((key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) || index < 1)
            return false;
        if (key->modifiers() & Qt::ControlModifier)
            emit listBar_->itemActivated(listBar_->openGroup(), index);
        else
            emit listBar_->itemChosen(listBar_->openGroup(), index);
        return true;
    }

private:
    ListBarWidget* listBar_;
    QListWidget* items_;
};

} // namespace

void AccessibleNames::nameControls(QWidget* widget) {
    nameControl(widget);
    for (QWidget* child : widget->findChildren<QWidget*>())
        nameControl(child);
}

bool AccessibleNames::eventFilter(QObject* watched, QEvent* event) {
    if (!watched->isWidgetType())
        return false;
    auto* w = static_cast<QWidget*>(watched);
    if (event->type() == QEvent::Show)
        nameControls(w);
    else if (event->type() == QEvent::KeyPress && w->isWindow() && closesWithEscape(w) &&
             static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape &&
             static_cast<QKeyEvent*>(event)->modifiers() == Qt::NoModifier) {
        w->close();
        return true;
    }
    return false;
}

void installMainWindowKeys(QWidget* mainWindow) {
    const QList<QPair<Qt::Key, const char*>> buttons{{Qt::Key_F2, "BUWaehl"},
                                                     {Qt::Key_F3, "BUAufl"},
                                                     {Qt::Key_F4, "BUR"},
                                                     {Qt::Key_F7, "BUSuch"}};
    for (const auto& [key, name] : buttons) {
        QPushButton* button = buttonOf(mainWindow, name);
        if (!button)
            continue;
        auto* shortcut = new QShortcut(QKeySequence(key), mainWindow);
        QObject::connect(shortcut, &QShortcut::activated, button, &QPushButton::click);
    }

    auto* listBar = mainWindow->findChild<ListBarWidget*>(QStringLiteral("Zielwahl"));
    auto* items = mainWindow->findChild<QListWidget*>(QStringLiteral("ZielwahlItems"));
    if (listBar && items) {
        auto* toSpeedDial = new QShortcut(QKeySequence(Qt::Key_F8), mainWindow);
        QObject::connect(toSpeedDial, &QShortcut::activated, items, [listBar, items] {
            listBar->setOpenGroup(1);
            items->setFocus(Qt::ShortcutFocusReason);
            if (!items->currentItem() && items->count() > 0)
                items->setCurrentRow(0);
        });
        items->installEventFilter(new ListBarKeys(listBar, items));
    }

    // The tab order follows the work at the telephone.
    QList<QWidget*> order;
    for (const char* name : {"RUFNR", "BUWaehl", "BUAufl", "BUR", "BUSuch", "BUOP", "cmd_LogIn"})
        if (auto* w = mainWindow->findChild<QWidget*>(QString::fromLatin1(name)))
            order << w;
    if (listBar)
        order << listBar->findChildren<QPushButton*>().value(0) << items;
    for (const char* name : {"chk_Popup", "BUInfo", "BUend"})
        if (auto* w = mainWindow->findChild<QWidget*>(QString::fromLatin1(name)))
            order << w;
    order.removeAll(nullptr);
    for (qsizetype i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}

} // namespace app
