// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "app/windowmemory.h"

#include "app/appglobals.h"
#include "app/appshelf.h"
#include "app/mediatablemodel.h"
#include "library/epubnode.h"
#include "library/ipodrootnode.h"
#include "operations/devicelibrary.h"
#include "operations/devicelistmodel.h"
#include "operations/deviceoutline.h"

#include <QHeaderView>
#include <QMainWindow>
#include <QSettings>
#include <QSplitter>
#include <QTableView>
#include <QTimer>

#include <algorithm>
#include <set>
#include <vector>

namespace {

const QString kAppPrefix = QStringLiteral("app:");
constexpr int kFirstListWidth = 260;

QString listKey(const std::string &device)
{
    return QLatin1String(WindowMemory::kListsGroup) + QLatin1Char('/') + QString::fromStdString(device);
}

// What a node is kept as: a book list's title, or "app:" and the app's identifier.
QString keptName(TreeNode *node)
{
    if (!node)
        return {};
    if (AppShelf::isAppNode(node))
        return kAppPrefix + QString::fromStdString(static_cast<AppShelfNode *>(node)->app().identifier);
    if (dynamic_cast<epubNode *>(node))
        return QString::fromStdString(node->titleName());
    return {};
}

} // namespace

WindowMemory::WindowMemory(const Parts &parts, QObject *parent) : QObject(parent), m_parts(parts)
{
    connect(m_parts.devices->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &WindowMemory::listSelected);
    connect(m_parts.devices->model(), &QAbstractItemModel::rowsInserted, this,
            &WindowMemory::devicesInserted);
}

void WindowMemory::restore()
{
    QSettings settings;
    if (const QByteArray geometry = settings.value(QLatin1String(kGeometryKey)).toByteArray();
        !geometry.isEmpty())
        m_parts.window->restoreGeometry(geometry);
    const QByteArray split = settings.value(QLatin1String(kSplitKey)).toByteArray();
    if (split.isEmpty() || !m_parts.split->restoreState(split)) {
        // The device list's first width, with the handle: room for a device's name and sizes,
        // and the device card's full width beside it.
        const int list =
            std::min(kFirstListWidth, m_parts.window->width() / 3) - m_parts.split->handleWidth();
        m_parts.split->setSizes({list, std::max(m_parts.window->width() - list, 1)});
    }
    const QVariantMap widths = settings.value(QLatin1String(kWidthsKey)).toMap();
    for (auto it = widths.begin(); it != widths.end(); ++it) {
        if (const int width = it.value().toInt(); width > 0)
            m_widths[it.key()] = width;
    }
    m_order = settings.value(QLatin1String(kOrderKey)).toStringList();
    m_sortColumn = settings.value(QLatin1String(kSortColumnKey)).toString();
    m_sortOrder = settings.value(QLatin1String(kSortOrderKey)).toInt() == Qt::DescendingOrder
                      ? Qt::DescendingOrder
                      : Qt::AscendingOrder;
    // The book lists' columns are laid out as each list is shown; the order of the columns is
    // the user's to change, save the check column.
    QHeaderView *header = m_parts.table->horizontalHeader();
    header->setSectionsMovable(true);
    connect(header, &QHeaderView::sectionMoved, this, [header](int, int, int newVisual) {
        if (newVisual == 0 && header->logicalIndex(0) != 0)
            header->moveSection(header->visualIndex(0), 0);
    });
}

void WindowMemory::save()
{
    keepColumns();
    QSettings settings;
    settings.setValue(QLatin1String(kGeometryKey), m_parts.window->saveGeometry());
    settings.setValue(QLatin1String(kSplitKey), m_parts.split->saveState());
    QVariantMap widths;
    for (const auto &[column, width] : m_widths)
        widths.insert(column, width);
    settings.setValue(QLatin1String(kWidthsKey), widths);
    settings.setValue(QLatin1String(kOrderKey), m_order);
    settings.setValue(QLatin1String(kSortColumnKey), m_sortColumn);
    settings.setValue(QLatin1String(kSortOrderKey), m_sortOrder);
}

void WindowMemory::keepColumns()
{
    const QHeaderView *header = m_parts.table->horizontalHeader();
    const MediaTableModel *model = m_parts.columns;
    const int count = model->columnCount();
    if (count <= 1 || header->count() != count)
        return;
    const int name = model->columnOf(mediaNameRowTitle);
    QStringList shown;
    for (int visual = 0; visual < count; ++visual) {
        const int column = header->logicalIndex(visual);
        if (column <= 0)
            continue;
        const QString id = QString::fromStdString(model->columnIdentifier(column));
        shown << id;
        // The Name column's width is what the others leave.
        if (column != name && header->sectionSize(column) > 0)
            m_widths[id] = header->sectionSize(column);
    }
    // Columns of other lists keep their place after these.
    for (const QString &id : std::as_const(m_order)) {
        if (!shown.contains(id))
            shown << id;
    }
    m_order = shown;
    const int sorted = header->sortIndicatorSection();
    m_sortColumn =
        sorted > 0 && sorted < count ? QString::fromStdString(model->columnIdentifier(sorted)) : QString();
    m_sortOrder = header->sortIndicatorOrder();
}

void WindowMemory::applyColumns()
{
    QHeaderView *header = m_parts.table->horizontalHeader();
    const MediaTableModel *model = m_parts.columns;
    const int count = model->columnCount();
    if (count <= 1)
        return;
    const int name = model->columnOf(mediaNameRowTitle);
    std::vector<QString> ids; // by column, from 1
    for (int column = 1; column < count; ++column)
        ids.push_back(QString::fromStdString(model->columnIdentifier(column)));

    for (int column = 1; column < count; ++column) {
        if (column == name)
            continue;
        if (const auto kept = m_widths.find(ids[column - 1]); kept != m_widths.end())
            header->resizeSection(column, kept->second);
    }
    if (name > 0) {
        header->setStretchLastSection(false);
        header->setSectionResizeMode(name, QHeaderView::Stretch);
    }

    // The kept columns take the places of the kept ones in the kept order; a column never
    // placed keeps its own.
    std::vector<QString> known;
    for (const QString &id : std::as_const(m_order)) {
        if (std::find(ids.begin(), ids.end(), id) != ids.end())
            known.push_back(id);
    }
    const std::set<QString> knownSet(known.begin(), known.end());
    std::vector<QString> target = ids;
    auto next = known.begin();
    for (QString &slot : target) {
        if (knownSet.count(slot))
            slot = *next++;
    }
    for (int visual = 1; visual < count; ++visual) {
        const int column = model->columnOf(target[visual - 1].toStdString());
        if (column > 0 && header->visualIndex(column) != visual)
            header->moveSection(header->visualIndex(column), visual);
    }

    const int sorted = m_sortColumn.isEmpty() ? -1 : model->columnOf(m_sortColumn.toStdString());
    header->setSortIndicator(sorted, static_cast<Qt::SortOrder>(m_sortOrder));
}

std::string WindowMemory::deviceIdentifier() const
{
    return m_parts.devices->library().deviceIdentifier();
}

void WindowMemory::listSelected()
{
    m_pendingDevice.clear(); // once the user chose, a late app node changes nothing
    // The selection is read from its rows: the current index follows the change only after it.
    const TreeNodeArray selected = m_parts.devices->selectedNodes();
    const TreeNodePtr node = selected.size() == 1 ? selected.front() : nullptr;
    const QString kept = keptName(node.get());
    if (kept.isEmpty() || !node->nodeParent() || !node->nodeParent()->asDeviceNode())
        return;
    const std::string device = deviceIdentifier();
    if (!device.empty())
        QSettings().setValue(listKey(device), kept);
}

void WindowMemory::devicesInserted(const QModelIndex &parent, int first, int last)
{
    DeviceListModel *model = m_parts.devices->model();
    if (!parent.isValid()) {
        // A device's node: its own survey posts it first, then its kept list is shown.
        for (int row = first; row <= last; ++row) {
            auto *device = model->nodeForIndex(model->index(row, 0))->asDeviceNode();
            if (device && !device->isPlaceholder())
                QTimer::singleShot(0, this, [this] { showKeptList(deviceIdentifier()); });
        }
        return;
    }
    // A reader app's node, listed after its device's: the kept one is shown when it comes.
    if (m_pendingDevice.isEmpty())
        return;
    for (int row = first; row <= last; ++row) {
        const QModelIndex index = model->index(row, 0, parent);
        if (keptName(model->nodeForIndex(index)) == m_pendingList &&
            QString::fromStdString(deviceIdentifier()) == m_pendingDevice) {
            m_pendingDevice.clear();
            const TreeNodeArray selected = m_parts.devices->selectedNodes();
            if (selected.empty() || selected.front()->asDeviceNode())
                m_parts.devices->outlineSelectionChanged(index);
            return;
        }
    }
}

void WindowMemory::showKeptList(const std::string &device)
{
    const QString id = QString::fromStdString(device);
    if (device.empty() || m_devicesSeen.contains(id))
        return;
    m_devicesSeen.insert(id);
    const QString kept = QSettings().value(listKey(device)).toString();
    // Nothing is chosen over the user's own choice.
    const TreeNodeArray selected = m_parts.devices->selectedNodes();
    if (kept.isEmpty() || !(selected.empty() || selected.front()->asDeviceNode()))
        return;
    DeviceListModel *model = m_parts.devices->model();
    for (int row = 0; row < model->rowCount(); ++row) {
        const QModelIndex deviceIndex = model->index(row, 0);
        auto *node = model->nodeForIndex(deviceIndex)->asDeviceNode();
        if (!node || node->isPlaceholder())
            continue;
        for (int list = 0; list < model->rowCount(deviceIndex); ++list) {
            const QModelIndex index = model->index(list, 0, deviceIndex);
            if (keptName(model->nodeForIndex(index)) == kept) {
                m_parts.devices->outlineSelectionChanged(index);
                return;
            }
        }
    }
    if (kept.startsWith(kAppPrefix)) {
        m_pendingDevice = id;
        m_pendingList = kept;
    }
}
