// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "app/bookcovers.h"

#include "app/appglobals.h"
#include "app/mediatablemodel.h"
#include "core/datadir.h"
#include "core/scratch.h"
#include "core/notificationcenter.h"
#include "device/storage/deviceworkpath.h"
#include "device/storage/loadiphone.h"
#include "library/bookkeys.h"
#include "operations/devicelibrary.h"
#include "operations/devicelistnotifications.h"
#include "widgets/aitableview.h"

#include <QApplication>
#include <QBuffer>
#include <QHeaderView>
#include <QImageReader>
#include <QLinearGradient>
#include <QLocale>
#include <QPainter>
#include <QPainterPath>
#include <QScrollBar>
#include <QStyle>

#include <algorithm>
#include <filesystem>

namespace {
constexpr int kSizeColumnWidth = 76;
constexpr int kRowHeight = 48;
constexpr int kCoverRoom = 40; // the cover's box and its margins at the left of the title cell
// A burst of scrolling or sorting asks for the rows in view at most this often.
constexpr int kViewSettleMs = 15;

int columnOf(const MediaTableModel *model, const char *identifier)
{
    const auto &columns = model->columnIdentifiers();
    for (size_t i = 0; i < columns.size(); ++i) {
        if (columns[i] == identifier)
            return static_cast<int>(i) + 1; // after the check column
    }
    return -1;
}

// The records' model, under the view's sorting and filtering proxy.
MediaTableModel *tableModel(const AITableView *view)
{
    QAbstractItemModel *model = view->model();
    if (auto *shown = qobject_cast<MediaSortFilterModel *>(model))
        return shown->books();
    return qobject_cast<MediaTableModel *>(model);
}
} // namespace

BookCovers::BookCovers(AITableView *view, const DeviceLibrary &library, QObject *parent)
    : QObject(parent), m_view(view), m_library(library)
{
    m_loader = std::make_unique<BookDetailsLoader>(
        [](const std::string &bytes, const std::string &target) {
            const QImage image = thumbnail(QByteArray::fromStdString(bytes));
            return !image.isNull() && savePicture(image, target);
        },
        [this](const BookDetails &details) {
            // Decoded here, on the worker: the main thread only stores the small picture.
            QImage cover;
            if (!details.thumbnail.empty())
                cover.load(QString::fromStdString(details.thumbnail), "PNG");
            QMetaObject::invokeMethod(
                this, [this, details, cover] { arrived(details, cover); }, Qt::QueuedConnection);
        });

    MediaTableModel *model = tableModel(view);
    model->setCellSource(
        [this](const epub &record, const std::string &identifier, int role) { return cell(record, identifier, role); });
    connect(model, &QAbstractItemModel::modelReset, this, &BookCovers::tableReset);
    view->verticalHeader()->setDefaultSectionSize(kRowHeight);
    m_cell = new CoverCell(view);

    m_viewTimer.setSingleShot(true);
    m_viewTimer.setInterval(kViewSettleMs);
    connect(&m_viewTimer, &QTimer::timeout, this, &BookCovers::viewMoved);
    // Not restarted while it runs: rows that keep moving (a sort by size while sizes arrive)
    // still get their turn every few milliseconds.
    auto moved = [this] {
        if (!m_viewTimer.isActive())
            m_viewTimer.start();
    };
    connect(view->verticalScrollBar(), &QScrollBar::valueChanged, this, moved);
    QAbstractItemModel *shown = view->model();
    connect(shown, &QAbstractItemModel::layoutChanged, this, moved); // sorted
    connect(shown, &QAbstractItemModel::rowsInserted, this, moved);  // filtered
    connect(shown, &QAbstractItemModel::rowsRemoved, this, moved);

    // A device that goes takes its books' details with it; another may come in its place.
    NotificationCenter::defaultCenter().addObserver(
        this, ::EjectiPodNotification, [this](const Notification &) {
            QMetaObject::invokeMethod(
                this, [this] { deviceGone(); }, Qt::QueuedConnection);
        });
}

BookCovers::~BookCovers()
{
    NotificationCenter::defaultCenter().removeObserver(this);
    m_loader.reset(); // waits for the book being read; its queued report dies with this object
}

std::vector<std::string> BookCovers::withDetailColumns(const std::vector<std::string> &identifiers)
{
    std::vector<std::string> columns = identifiers;
    if (!columns.empty())
        columns.emplace_back(kSizeColumn);
    return columns;
}

void BookCovers::fitColumns()
{
    MediaTableModel *model = tableModel(m_view);
    QHeaderView *header = m_view->horizontalHeader();
    const int title = columnOf(model, mediaNameRowTitle);
    const int size = columnOf(model, kSizeColumn);
    if (title > 0)
        m_view->setItemDelegateForColumn(title, m_cell);
    if (size < 0)
        return;
    // The size column gives up room; the title gets the cover's share of it, the other
    // text columns the rest.
    const int freed = header->sectionSize(size) - kSizeColumnWidth;
    header->resizeSection(size, kSizeColumnWidth);
    const int others = model->columnCount() - 2 - (title > 0 ? 1 : 0);
    int titleShare = title > 0 ? freed : 0;
    if (title > 0 && others > 0)
        titleShare = std::min(freed, kCoverRoom + (freed - kCoverRoom) / (others + 1));
    for (int column = 1; others > 0 && column < model->columnCount(); ++column) {
        if (column != title && column != size)
            header->resizeSection(column, header->sectionSize(column) + (freed - titleShare) / others);
    }
    if (title > 0)
        header->resizeSection(title, header->sectionSize(title) + titleShare);
    // Rows that arrive later bring the vertical scroll bar: its room is kept now, so the columns
    // never run past the view then (meanwhile the stretched last column holds it).
    QTableView *view = m_view;
    if (!view->verticalScrollBar()->isVisible()) {
        const int bar = view->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, view);
        const int giver = title > 0 ? title : 1;
        header->resizeSection(giver, std::max(header->minimumSectionSize(), header->sectionSize(giver) - bar));
    }
}

void BookCovers::tableReset()
{
    m_rowsOf.clear();
    const EpubList &records = tableModel(m_view)->records();
    for (size_t row = 0; row < records.size(); ++row) {
        if (records[row])
            m_rowsOf[{records[row]->ispurchases(), records[row]->mediaPcPath()}].push_back(static_cast<int>(row));
    }
    if (!medias || medias->empty())
        return;
    // A session that went (its device removed, or another arrived) takes its books' details along.
    if (!m_session || m_session->gone()) {
        deviceGone();
        m_session = m_library.openReadSession();
        if (!m_session)
            return;
    }
    std::vector<BookDetailsRequest> books;
    for (const auto &record : *medias) {
        if (!record)
            continue;
        const BookKey key{record->ispurchases(), record->mediaPcPath()};
        if (m_asked.insert(key).second)
            books.push_back({key.second, key.first});
    }
    if (books.empty())
        return;
    // The catalogue copies are named by the session's device.
    std::string device;
    if (const ReadSession::Read read = m_session->read())
        device = deviceWorkIdentifier(read.dev());
    BookDetailsSource source;
    source.session = m_session;
    source.booksCatalogue = deviceScratchPath(device, CataloguePath::LocalBooks);
    source.purchasesCatalogue = deviceScratchPath(device, CataloguePath::LocalPurchases);
    const std::string dataDir = userDataDir();
    source.cacheRoot = dataDir.empty() ? std::string() : dataDir + "/covers";
    m_generation = m_loader->load(source, std::move(books));
    m_viewTimer.start(); // the list may open sorted or scrolled
}

void BookCovers::viewMoved()
{
    AITableView *table = m_view;
    auto *shown = qobject_cast<MediaSortFilterModel *>(table->model());
    if (!shown || m_generation == 0 || table->isHidden())
        return;
    const auto [first, end] = rowsToReadFirst(table);
    std::vector<BookDetailsRequest> rows;
    for (int row = first; row <= end; ++row) {
        const std::shared_ptr<epub> record = shown->record(row);
        if (record && !detailsOf(*record))
            rows.push_back({record->mediaPcPath(), record->ispurchases()});
    }
    m_loader->prioritise(rows);
}

bool BookCovers::savePicture(const QImage &image, const std::string &target)
{
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(target).parent_path(), ec);
    const std::string part = target + ".part";
    if (!image.save(QString::fromStdString(part), "PNG"))
        return false;
    std::filesystem::rename(part, target, ec);
    return !ec;
}

std::pair<int, int> BookCovers::rowsToReadFirst(const QTableView *view)
{
    const int first = view->rowAt(0);
    if (first < 0)
        return {0, -1};
    int last = view->rowAt(view->viewport()->height() - 1);
    if (last < 0)
        last = view->model()->rowCount() - 1;
    return {first, std::min(view->model()->rowCount() - 1, last + (last - first + 1))};
}

std::vector<BookDetailsRequest> BookCovers::queuedBooks() const
{
    return m_loader->queued();
}

void BookCovers::deviceGone()
{
    m_loader->clear();
    m_details.clear();
    m_asked.clear();
    m_viewTimer.stop();
    m_session.reset();
    m_generation = 0;
}

void BookCovers::arrived(const BookDetails &details, const QImage &cover)
{
    if (details.generation != m_generation)
        return;
    const BookKey key{details.purchases, details.path};
    m_details[key] = {cover, details.size};
    MediaTableModel *model = tableModel(m_view);
    if (const auto rows = m_rowsOf.find(key); rows != m_rowsOf.end()) {
        for (int row : rows->second)
            model->rowChanged(row);
    }
}

const BookCovers::Details *BookCovers::detailsOfRow(int row) const
{
    if (!medias || row < 0 || row >= static_cast<int>(medias->size()) || !(*medias)[static_cast<size_t>(row)])
        return nullptr;
    return detailsOf(*(*medias)[static_cast<size_t>(row)]);
}

const BookCovers::Details *BookCovers::detailsOf(const epub &record) const
{
    const auto it = m_details.find({record.ispurchases(), record.mediaPcPath()});
    return it == m_details.end() ? nullptr : &it->second;
}

QVariant BookCovers::cell(const epub &record, const std::string &identifier, int role) const
{
    if (identifier == mediaNameRowTitle) {
        if (role == Qt::DecorationRole) {
            const Details *details = detailsOf(record);
            return details && !details->cover.isNull() ? QVariant(details->cover) : QVariant();
        }
        // Beside its cover a title reads from the left.
        if (role == Qt::TextAlignmentRole)
            return int(Qt::AlignLeft | Qt::AlignVCenter);
        return {};
    }
    if (identifier == kSizeColumn) {
        const Details *details = detailsOf(record);
        const bool known = details && details->size;
        switch (role) {
        case Qt::DisplayRole:
            return known ? QLocale().formattedDataSize(static_cast<qint64>(*details->size), 1,
                                                       QLocale::DataSizeTraditionalFormat)
                         : QString();
        case Qt::ToolTipRole:
            return known ? tr("%1 bytes").arg(QLocale().toString(static_cast<qulonglong>(*details->size))) : QString();
        case MediaTableModel::SortRole: // what the column sorts by
            return known ? QVariant(static_cast<qulonglong>(*details->size)) : QVariant(qulonglong(0));
        case Qt::TextAlignmentRole:
            return int(Qt::AlignRight | Qt::AlignVCenter);
        default:
            return {};
        }
    }
    return {};
}

int BookCovers::loadedRows() const
{
    int count = 0;
    for (int row = 0; medias && row < static_cast<int>(medias->size()); ++row)
        count += detailsOfRow(row) ? 1 : 0;
    return count;
}

bool BookCovers::idle() const
{
    return m_loader->idle();
}

QImage BookCovers::coverOfRow(int row) const
{
    const Details *details = detailsOfRow(row);
    return details ? details->cover : QImage();
}

QImage BookCovers::thumbnail(const QByteArray &bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    if (!buffer.open(QIODevice::ReadOnly))
        return {};
    QImageReader reader(&buffer);
    reader.setAutoTransform(true);
    const QSize box(kThumbnailWidth, kThumbnailHeight);
    const QSize natural = reader.size();
    // Decoded at twice the box at most (a large JPEG decodes scaled down, far faster), then
    // scaled smoothly to fit.
    if (natural.isValid() && !natural.isEmpty() &&
        (natural.width() > 2 * box.width() || natural.height() > 2 * box.height() ||
         reader.format() == "svg"))
        reader.setScaledSize(natural.scaled(2 * box, Qt::KeepAspectRatio));
    QImage image = reader.read();
    if (image.isNull())
        return {};
    if (image.width() > box.width() || image.height() > box.height())
        image = image.scaled(box, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return image;
}

// ---- The cover cell ----------------------------------------------------------------------

void CoverCell::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    // The style lays the cell out as for an icon of the cover's box and draws the background
    // and the title; the cover is drawn into the icon's place.
    QStyleOptionViewItem cell = option;
    initStyleOption(&cell, index);
    cell.icon = QIcon();
    cell.features |= QStyleOptionViewItem::HasDecoration;
    cell.decorationSize = QSize(kCoverRoom - 10, kRowHeight - 6);
    cell.decorationAlignment = Qt::AlignCenter;
    const QWidget *widget = option.widget;
    QStyle *style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, widget);
    const QRectF room = style->subElementRect(QStyle::SE_ItemViewItemDecoration, &cell, widget);

    const QImage cover = index.data(Qt::DecorationRole).value<QImage>();
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setRenderHint(QPainter::SmoothPixmapTransform);
    if (cover.isNull()) {
        // A book's proportions (3:4), as large as the room allows.
        QRectF box(QPointF(), QSizeF(3, 4).scaled(room.size(), Qt::KeepAspectRatio));
        box.moveCenter(room.center());
        drawPlaceholder(painter, box);
    } else {
        QRectF drawn(QPointF(), QSizeF(cover.size()).scaled(room.size(), Qt::KeepAspectRatio));
        drawn.moveCenter(room.center());
        painter->drawImage(drawn, cover);
        painter->setPen(QPen(QColor(0, 0, 0, 60), 1));
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(drawn.adjusted(0.5, 0.5, -0.5, -0.5));
    }
    painter->restore();
}

QSize CoverCell::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    const QSize text = QStyledItemDelegate::sizeHint(option, index);
    return {text.width() + kCoverRoom, std::max(text.height(), kRowHeight)};
}

void CoverCell::drawPlaceholder(QPainter *painter, const QRectF &box)
{
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    QLinearGradient fill(box.topLeft(), box.bottomRight());
    fill.setColorAt(0.0, QColor(0xe2, 0xe8, 0xf0));
    fill.setColorAt(1.0, QColor(0xcb, 0xd5, 0xe1));
    QPainterPath page;
    page.addRoundedRect(box, 2, 2);
    painter->fillPath(page, fill);
    // The spine down the left edge and two title lines.
    const qreal spine = std::max<qreal>(2.0, box.width() * 0.12);
    painter->fillRect(QRectF(box.left(), box.top(), spine, box.height()), QColor(0x94, 0xa3, 0xb8));
    painter->setPen(QPen(QColor(0x94, 0xa3, 0xb8), 1.5, Qt::SolidLine, Qt::RoundCap));
    const qreal left = box.left() + spine + box.width() * 0.15;
    const qreal right = box.right() - box.width() * 0.15;
    painter->drawLine(QPointF(left, box.top() + box.height() * 0.3),
                      QPointF(right, box.top() + box.height() * 0.3));
    painter->drawLine(QPointF(left, box.top() + box.height() * 0.42),
                      QPointF(left + (right - left) * 0.6, box.top() + box.height() * 0.42));
    painter->setPen(QPen(QColor(0x64, 0x74, 0x8b, 90), 1));
    painter->setBrush(Qt::NoBrush);
    painter->drawPath(page);
    painter->restore();
}
