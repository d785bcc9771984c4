// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include <QAbstractTableModel>

#include <functional>
#include <string>
#include <vector>

// The book table's rows: one per record of `medias`, read afresh on every call. Column 0 is
// the check column ("isSelect"); the others are the list's column identifiers. Nothing is
// editable here: check marks change only through the main window's commands.
class MediaTableModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    explicit MediaTableModel(QObject *parent = nullptr);

    // The text columns after the check column; resets the model.
    void setColumnIdentifiers(const std::vector<std::string> &identifiers);
    const std::vector<std::string> &columnIdentifiers() const { return m_columns; }
    // `medias` was replaced or changed size.
    void reloadData();
    // Check marks changed.
    void checkMarksChanged();

    // Cells other parts of the window fill (a book's cover and size): asked first for every
    // text column; an invalid answer leaves the cell to the record's own values.
    using CellSource = std::function<QVariant(int row, const std::string &identifier, int role)>;
    void setCellSource(CellSource source) { m_cellSource = std::move(source); }
    // Those cells of one row changed.
    void rowChanged(int row);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    // The cell value of one record for a column identifier, as the table shows it.
    static QVariant objectValue(const std::string &identifier, int row);

private:
    std::vector<std::string> m_columns; // the text columns; the check column comes first
    CellSource m_cellSource;
};
