#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>

class QPushButton;
class QTreeWidget;

namespace cacheapi {
class ServerLink;
}

namespace windows {

class MainWindowAccess;
class ModalRunner;

// Separates the columns inside the row text of an open item: the server's OPSU joins the eight
// column values of a row with a line feed, as the search window joins its columns. A tab
// separates columns as well, for servers that join the values with tabs.
inline constexpr QChar OpenItemColumnSeparator = QLatin1Char('\n');
inline constexpr QChar OpenItemColumnSeparatorTab = QLatin1Char('\t');

// The eight column values of an open item's row text.
QStringList OpenItemColumns(const QString& rowText);

// "Offene Posten": the open items of the customer shown in the main window, read anew every
// time the window is opened.
class FMOP : public QWidget {
    Q_OBJECT
public:
    FMOP(cacheapi::ServerLink& link, MainWindowAccess& main, QWidget* parent = nullptr);

    // "OP`s": shown modally.
    void openModal(ModalRunner& modal);
    // Reads the open items of the main window's customer into the list.
    void fill();
    // True when the row carries the marker picture in column "MS".
    bool rowMarked(int row) const;

    QTreeWidget* LIOP;
    QPushButton* ctPush1; // "Schließen"

protected:
    void showEvent(QShowEvent* event) override;

private:
    cacheapi::ServerLink& link_;
    MainWindowAccess& main_;
};

} // namespace windows
