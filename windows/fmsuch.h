#pragma once

#include "directory.h"

#include <QString>
#include <QWidget>

class QLineEdit;
class QTreeWidget;

namespace cacheapi {
class ServerLink;
}

namespace windows {

class MainWindowAccess;
class ModalRunner;

// "Suche Rufnummer": shows what the number search finds for the search text; choosing a row puts
// its number into the main window and looks it up there.
class FMSuch : public QWidget {
    Q_OBJECT
public:
    FMSuch(cacheapi::ServerLink& link, MainWindowAccess& main, QWidget* parent = nullptr);

    // "Suchen" and the activation of the main window's number field: shown modally.
    void openModal(ModalRunner& modal);
    // "Wählen" with a text that is no number: shown without waiting, the text as search word,
    // the main window's number field emptied, the search started at once.
    void openWithSearchWord(const QString& text);

    // The search of Enter in the search field.
    void search();
    // Choosing row `row` (from 0): its number goes to the main window, which looks it up.
    void chooseRow(int row);
    // The number a row stands for.
    QString rowTag(int row) const;

    QLineEdit* SUText;
    QTreeWidget* LIRufnr;

protected:
    void showEvent(QShowEvent* event) override;
    bool event(QEvent* event) override;

private:
    void placeAndFocus();

    telefon::NumberSearch search_;
    MainWindowAccess& main_;
};

} // namespace windows
