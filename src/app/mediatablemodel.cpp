// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "mediatablemodel.h"

#include "appglobals.h"

MediaTableModel::MediaTableModel(QObject *parent)
    : QAbstractTableModel(parent)
{
}

void MediaTableModel::setColumnIdentifiers(const std::vector<std::string> &identifiers)
{
    beginResetModel();
    m_columns = identifiers;
    endResetModel();
}

void MediaTableModel::reloadData()
{
    beginResetModel();
    endResetModel();
}

void MediaTableModel::checkMarksChanged()
{
    if (rowCount() > 0)
        Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, 0), {Qt::CheckStateRole});
}

void MediaTableModel::rowChanged(int row)
{
    if (row >= 0 && row < rowCount() && columnCount() > 1)
        Q_EMIT dataChanged(index(row, 1), index(row, columnCount() - 1));
}

int MediaTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() || !medias ? 0 : static_cast<int>(medias->size());
}

int MediaTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_columns.size()) + 1;
}

QVariant MediaTableModel::objectValue(const std::string &identifier, int row)
{
    if (!medias || row < 0 || row >= static_cast<int>(medias->size()) || !(*medias)[row])
        return {};
    const epub &record = *(*medias)[row];
    if (identifier == mediaNameRowTitle)
        return QString::fromStdString(record.mediaName());
    if (identifier == mediaTrackLengRowTitle)
        return QStringLiteral("%1:%2:%3").arg(0, 2, 10, QLatin1Char('0')).arg(0, 2, 10, QLatin1Char('0')).arg(0, 2, 10, QLatin1Char('0'));
    if (identifier == mediaArtistRowTitle)
        return QString::fromStdString(record.mediaArtist());
    if (identifier == mediaAlbumRowTitle)
        return QString::fromStdString(record.mediaAlbum());
    if (identifier == mediaGenreRowTitle)
        return QString::fromStdString(record.mediaGenre());
    if (identifier == mediaSelectRowTitle)
        return record.isSelect();
    return {};
}

QVariant MediaTableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    if (index.column() == 0) {
        if (role != Qt::CheckStateRole)
            return {};
        const QVariant value = objectValue(mediaSelectRowTitle, index.row());
        if (!value.isValid())
            return {};
        return value.toBool() ? Qt::Checked : Qt::Unchecked;
    }
    if (m_cellSource) {
        const std::string &identifier = m_columns[static_cast<size_t>(index.column() - 1)];
        const QVariant value = m_cellSource(index.row(), identifier, role);
        if (value.isValid())
            return value;
    }
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
        return objectValue(m_columns[static_cast<size_t>(index.column() - 1)], index.row());
    if (role == Qt::TextAlignmentRole)
        return int(Qt::AlignCenter);
    return {};
}

QVariant MediaTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount())
        return {};
    if (role == Qt::DisplayRole)
        return section == 0 ? QString() : QString::fromStdString(m_columns[static_cast<size_t>(section - 1)]);
    if (role == Qt::TextAlignmentRole)
        return int(Qt::AlignCenter);
    return {};
}

Qt::ItemFlags MediaTableModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    // Not user-checkable: a click on the box goes through clickBox so the rules run.
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}
