// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "app/mediatablemodel.h"

#include "app/appglobals.h"
#include "app/shorttext.h"

#include <algorithm>
#include <iterator>

namespace {
// A cell lays out its whole text on every repaint, so it gets a bounded part of a value (a
// catalogue may hold a title of megabytes); a tool tip a larger part, sorting and the filter
// the first 64 Ki characters, more than any real title has.
constexpr qsizetype kCellChars = 300;
constexpr qsizetype kToolTipChars = 2000;
constexpr qsizetype kKeyChars = 65536;

// The column identifiers are the catalogue's English names; the header shows them translated.
[[maybe_unused]] constexpr const char *kColumnTitles[] = {
    QT_TRANSLATE_NOOP("MediaTableModel", "Name"),  QT_TRANSLATE_NOOP("MediaTableModel", "Artist"),
    QT_TRANSLATE_NOOP("MediaTableModel", "Album"), QT_TRANSLATE_NOOP("MediaTableModel", "Genre"),
    QT_TRANSLATE_NOOP("MediaTableModel", "Size"),  QT_TRANSLATE_NOOP("MediaTableModel", "Time")};
} // namespace

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

std::string MediaTableModel::columnIdentifier(int column) const
{
    if (column == 0)
        return mediaSelectRowTitle;
    if (column < 0 || column > static_cast<int>(m_columns.size()))
        return {};
    return m_columns[static_cast<size_t>(column - 1)];
}

int MediaTableModel::columnOf(const std::string &identifier) const
{
    if (identifier == mediaSelectRowTitle)
        return 0;
    for (size_t i = 0; i < m_columns.size(); ++i) {
        if (m_columns[i] == identifier)
            return static_cast<int>(i) + 1;
    }
    return -1;
}

void MediaTableModel::reloadData()
{
    beginResetModel();
    m_records = medias ? *medias : EpubList();
    endResetModel();
}

void MediaTableModel::checkMarksChanged()
{
    if (rowCount() > 0)
        Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, 0), {Qt::CheckStateRole, SortRole});
}

std::shared_ptr<epub> MediaTableModel::record(int row) const
{
    if (row < 0 || row >= static_cast<int>(m_records.size()))
        return nullptr;
    return m_records[static_cast<size_t>(row)];
}

void MediaTableModel::rowChanged(int row)
{
    if (row >= 0 && row < rowCount() && columnCount() > 1)
        Q_EMIT dataChanged(index(row, 1), index(row, columnCount() - 1));
}

int MediaTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_records.size());
}

int MediaTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_columns.size()) + 1;
}

QVariant MediaTableModel::recordData(const std::string &identifier, const epub &record, int role)
{
    if (identifier == mediaSelectRowTitle) {
        if (role == Qt::CheckStateRole)
            return record.isSelect() ? Qt::Checked : Qt::Unchecked;
        if (role == SortRole || role == Qt::EditRole)
            return record.isSelect();
        return {};
    }
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole && role != SortRole && role != Qt::EditRole)
        return {};
    if (identifier == mediaTrackLengRowTitle)
        return QStringLiteral("%1:%2:%3").arg(0, 2, 10, QLatin1Char('0')).arg(0, 2, 10, QLatin1Char('0')).arg(0, 2, 10, QLatin1Char('0'));
    const std::string *value = identifier == mediaNameRowTitle     ? &record.mediaName()
                               : identifier == mediaArtistRowTitle ? &record.mediaArtist()
                               : identifier == mediaAlbumRowTitle  ? &record.mediaAlbum()
                               : identifier == mediaGenreRowTitle  ? &record.mediaGenre()
                                                                   : nullptr;
    if (!value)
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return shownText(*value, kCellChars);
    case Qt::ToolTipRole:
        return shownText(*value, kToolTipChars);
    default:
        return leadingText(*value, kKeyChars);
    }
}

QVariant MediaTableModel::objectValue(const std::string &identifier, int row)
{
    if (!medias || row < 0 || row >= static_cast<int>(medias->size()) || !(*medias)[row])
        return {};
    return recordData(identifier, *(*medias)[row], identifier == mediaSelectRowTitle ? int(SortRole) : int(Qt::DisplayRole));
}

QVariant MediaTableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    const std::shared_ptr<epub> book = record(index.row());
    if (!book)
        return {};
    if (index.column() > 0 && m_cellSource) {
        const QVariant value = m_cellSource(*book, columnIdentifier(index.column()), role);
        if (value.isValid())
            return value;
    }
    if (role == Qt::TextAlignmentRole)
        return index.column() == 0 ? QVariant() : QVariant(int(Qt::AlignCenter));
    return recordData(columnIdentifier(index.column()), *book, role);
}

QVariant MediaTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount())
        return {};
    if (role == Qt::DisplayRole)
        return section == 0 ? QString() : tr(m_columns[static_cast<size_t>(section - 1)].c_str());
    if (role == Qt::TextAlignmentRole)
        return int(Qt::AlignCenter);
    return {};
}

Qt::ItemFlags MediaTableModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    // Not user-checkable: a click on the box goes through the book table so the rules run.
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

// ---- Sorting and the filter ----------------------------------------------------------------

MediaSortFilterModel::MediaSortFilterModel(MediaTableModel *source, QObject *parent)
    : QSortFilterProxyModel(parent)
    , m_books(source)
{
    setSourceModel(source);
    setSortRole(MediaTableModel::SortRole);
    // "book 9" before "Book 10": case is ignored and numbers are compared by value.
    m_collator.setCaseSensitivity(Qt::CaseInsensitive);
    m_collator.setNumericMode(true);
    // The records change only in a reset; the keys go before it, so no sort after it sees
    // the old ones.
    connect(source, &QAbstractItemModel::modelAboutToBeReset, this, [this] { forgetKeys(); });
}

void MediaSortFilterModel::forgetKeys()
{
    m_rowKeys.clear();
}

const MediaSortFilterModel::RowKeys &MediaSortFilterModel::keysOf(int sourceRow, const epub &record) const
{
    const size_t rows = m_books->records().size();
    if (m_rowKeys.size() != rows)
        m_rowKeys.assign(rows, RowKeys());
    RowKeys &keys = m_rowKeys[static_cast<size_t>(sourceRow)];
    if (keys.record != &record) {
        size_t i = 0;
        for (const char *identifier : {mediaNameRowTitle, mediaArtistRowTitle, mediaAlbumRowTitle, mediaGenreRowTitle})
            keys.texts[i++] = MediaTableModel::recordData(identifier, record, MediaTableModel::SortRole).toString();
        keys.record = &record;
    }
    return keys;
}

int MediaSortFilterModel::textOfColumn(int column) const
{
    const std::string identifier = m_books->columnIdentifier(column);
    int i = 0;
    for (const char *text : {mediaNameRowTitle, mediaArtistRowTitle, mediaAlbumRowTitle, mediaGenreRowTitle}) {
        if (identifier == text)
            return i;
        ++i;
    }
    return -1;
}

void MediaSortFilterModel::setFilterText(const QString &text)
{
    const QStringList words = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words == m_words)
        return;
    m_words = words;
    invalidateFilter();
}

bool MediaSortFilterModel::shows(const epub &record) const
{
    for (const QString &word : m_words) {
        bool found = false;
        for (const char *identifier : {mediaNameRowTitle, mediaArtistRowTitle, mediaAlbumRowTitle, mediaGenreRowTitle}) {
            if (MediaTableModel::recordData(identifier, record, MediaTableModel::SortRole).toString().contains(word, Qt::CaseInsensitive)) {
                found = true;
                break;
            }
        }
        if (!found)
            return false;
    }
    return true;
}

bool MediaSortFilterModel::showsRow(int sourceRow) const
{
    const std::shared_ptr<epub> book = m_books->record(sourceRow);
    if (!book || m_words.isEmpty())
        return true;
    const RowKeys &keys = keysOf(sourceRow, *book);
    for (const QString &word : m_words) {
        if (std::none_of(std::begin(keys.texts), std::end(keys.texts),
                         [&](const QString &text) { return text.contains(word, Qt::CaseInsensitive); }))
            return false;
    }
    return true;
}

bool MediaSortFilterModel::filterAcceptsRow(int sourceRow, const QModelIndex &) const
{
    return showsRow(sourceRow);
}

bool MediaSortFilterModel::lessThan(const QModelIndex &left, const QModelIndex &right) const
{
    // The four texts compare as kept; the check column and the cells filled from elsewhere
    // (a book's size) are read as they are now.
    if (left.column() == right.column() && sortRole() == MediaTableModel::SortRole) {
        const int text = textOfColumn(left.column());
        const std::shared_ptr<epub> l = m_books->record(left.row()), r = m_books->record(right.row());
        if (text >= 0 && l && r)
            return m_collator.compare(keysOf(left.row(), *l).texts[text], keysOf(right.row(), *r).texts[text]) < 0;
    }
    if (left.column() == m_sortingColumn && right.column() == m_sortingColumn)
        return valueLess(m_sortValues[static_cast<size_t>(left.row())], m_sortValues[static_cast<size_t>(right.row())]);
    return valueLess(left.data(sortRole()), right.data(sortRole()));
}

void MediaSortFilterModel::sort(int column, Qt::SortOrder order)
{
    const int rows = m_books->rowCount();
    if (column > 0 && textOfColumn(column) < 0) {
        m_sortValues.clear();
        m_sortValues.reserve(static_cast<size_t>(rows));
        for (int row = 0; row < rows; ++row)
            m_sortValues.push_back(m_books->index(row, column).data(sortRole()));
        m_sortingColumn = column;
    }
    QSortFilterProxyModel::sort(column, order);
    m_sortingColumn = -1;
    m_sortValues.clear();
}

bool MediaSortFilterModel::valueLess(const QVariant &l, const QVariant &r) const
{
    if (l.typeId() == QMetaType::QString || r.typeId() == QMetaType::QString)
        return m_collator.compare(l.toString(), r.toString()) < 0;
    if (l.typeId() == QMetaType::Bool || r.typeId() == QMetaType::Bool)
        return !l.toBool() && r.toBool();
    return QVariant::compare(l, r) == QPartialOrdering::Less;
}

std::shared_ptr<epub> MediaSortFilterModel::record(int row) const
{
    return m_books->record(sourceRow(row));
}

int MediaSortFilterModel::sourceRow(int row) const
{
    if (row < 0 || row >= rowCount())
        return -1;
    return mapToSource(index(row, 0)).row();
}
