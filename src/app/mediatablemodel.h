// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include "library/epub.h"

#include <QAbstractTableModel>
#include <QCollator>
#include <QSortFilterProxyModel>
#include <QStringList>

#include <functional>
#include <memory>
#include <string>
#include <vector>

// The book table's rows: one per record of `medias`, taken when the model is reloaded, so
// the rows change only between the begin and the end of a reset. Column 0 is the check
// column ("isSelect"); the others are columns by identifier, their values from
// recordData(). Nothing is editable here: check marks change only through the main
// window's commands.
//
// A new column needs its identifier in the list given to setColumnIdentifiers() and a
// branch in recordData() for the roles it shows (DisplayRole, DecorationRole, ...) and for
// SortRole, its sort key: a string sorts ignoring case, a number by value.
class MediaTableModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Role {
        SortRole = Qt::UserRole + 1, // the key the table sorts a column by
    };

    explicit MediaTableModel(QObject *parent = nullptr);

    // The columns after the check column; resets the model.
    void setColumnIdentifiers(const std::vector<std::string> &identifiers);
    const std::vector<std::string> &columnIdentifiers() const { return m_columns; }
    // The identifier of a column ("isSelect" for column 0), empty past the last one.
    std::string columnIdentifier(int column) const;
    // The column of an identifier, -1 when the table has none.
    int columnOf(const std::string &identifier) const;
    // Takes the records of `medias` afresh (a reset).
    void reloadData();
    // Check marks changed.
    void checkMarksChanged();
    // The record of a row, or null.
    std::shared_ptr<epub> record(int row) const;
    const EpubList &records() const { return m_records; }

    // Cells other parts of the window fill (a book's cover and size): asked first for every
    // text column; an invalid answer leaves the cell to the record's own values. The sort key
    // of the title, artist, album and genre is always the record's own text.
    using CellSource = std::function<QVariant(const epub &record, const std::string &identifier, int role)>;
    void setCellSource(CellSource source) { m_cellSource = std::move(source); }
    const CellSource &cellSource() const { return m_cellSource; }
    // Those cells of one row changed.
    void rowChanged(int row);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    // What one record shows in a column, by identifier and role.
    static QVariant recordData(const std::string &identifier, const epub &record, int role);
    // The cell value of one record of `medias` for a column identifier, as the table shows it.
    static QVariant objectValue(const std::string &identifier, int row);

private:
    std::vector<std::string> m_columns; // the columns after the check column
    EpubList m_records;
    CellSource m_cellSource;
};

// The rows as the table shows them: sorted by the clicked column (none at first, which is
// the list's own order) and narrowed by the filter text. Every word of the filter must occur,
// ignoring case, in the title, artist, album or genre.
//
// At thousands of rows a sort makes tens of thousands of comparisons and a filter keystroke
// tests every row, so neither converts a record's text each time: the four texts are made
// once per row and kept until the records change (a reset). Cells other parts of the window
// fill (a book's size) change as they arrive and are read afresh.
class MediaSortFilterModel : public QSortFilterProxyModel
{
    Q_OBJECT
public:
    explicit MediaSortFilterModel(MediaTableModel *source, QObject *parent = nullptr);

    MediaTableModel *books() const { return m_books; }
    void setFilterText(const QString &text);
    QString filterText() const { return m_words.join(QLatin1Char(' ')); }
    bool isFiltering() const { return !m_words.isEmpty(); }
    // Whether a record passes the filter.
    bool shows(const epub &record) const;
    // The record of a shown row, or null.
    std::shared_ptr<epub> record(int row) const;
    // The source row (index into the records) of a shown row, -1 when there is none.
    int sourceRow(int row) const;
    // Whether the record of a source row passes the filter (its texts kept between calls).
    bool showsRow(int sourceRow) const;
    // A column other than the four texts (a book's size) is read once per row for the sort,
    // not twice per comparison.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override;
    bool lessThan(const QModelIndex &left, const QModelIndex &right) const override;

private:
    // What a row is searched and sorted by, made once per record.
    struct RowKeys
    {
        const epub *record = nullptr;
        QString texts[4]; // title, artist, album, genre
    };
    const RowKeys &keysOf(int sourceRow, const epub &record) const;
    // Which of a row's kept texts a column sorts by, -1 for none.
    int textOfColumn(int column) const;
    void forgetKeys();
    bool valueLess(const QVariant &l, const QVariant &r) const;

    MediaTableModel *m_books;
    QStringList m_words;
    QCollator m_collator;
    mutable std::vector<RowKeys> m_rowKeys;
    int m_sortingColumn = -1;           // while sort() runs on a column of values
    std::vector<QVariant> m_sortValues; // its values by source row, meanwhile
};
