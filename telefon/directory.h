#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

namespace cacheapi {
class ServerLink;
}

namespace telefon {

// The search text as the server's full-text search expects it: German umlauts and sharp s
// written out in capitals ("Müller" becomes "MUEller"), everything else unchanged.
QString FoldUmlauts(const QString& text);

// A row of the number search or of the open items: its column texts, the number it stands for
// (search only) and whether it carries the reminder marker (open items only).
struct DirectoryRow {
    QStringList columns;
    QString number;
    bool marked = false;
};

// What "Suche Rufnummer" shows: the contacts found for a search text, with their numbers.
class NumberSearch {
public:
    explicit NumberSearch(cacheapi::ServerLink& link) : link_(link) {}
    // Searches for the folded text and keeps the rows found; returns the folded text, which the
    // search field shows.
    QString search(const QString& text);
    const QVector<DirectoryRow>& rows() const { return rows_; }
    // The number row `row` (from 0) stands for; empty when there is no such row.
    QString numberOf(int row) const;

private:
    cacheapi::ServerLink& link_;
    QVector<DirectoryRow> rows_;
};

// What "Offene Posten" shows: the open items of the customer in the main window's panel.
class OpenItemsList {
public:
    explicit OpenItemsList(cacheapi::ServerLink& link) : link_(link) {}
    // Reads the items of the panel's account ("K100000" asks for 100000).
    void fill(const QString& accountText);
    const QVector<DirectoryRow>& rows() const { return rows_; }

private:
    cacheapi::ServerLink& link_;
    QVector<DirectoryRow> rows_;
};

} // namespace telefon
