// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "operations/devicelistmodel.h"

#include <QCoreApplication>

DeviceListModel::DeviceListModel(TreeNodePtr root, QObject *parent) : QAbstractItemModel(parent), m_root(std::move(root))
{
}

QString DeviceListModel::shownName(const QString &title)
{
    static const char *const fixedNames[] = {QT_TRANSLATE_NOOP("DeviceList", "Custom Books"),
                                             QT_TRANSLATE_NOOP("DeviceList", "iTunes Books"),
                                             QT_TRANSLATE_NOOP("DeviceList", "Please connect to your device")};
    for (const char *fixed : fixedNames) {
        if (title == QLatin1String(fixed))
            return QCoreApplication::translate("DeviceList", fixed);
    }
    return title;
}

TreeNode *DeviceListModel::nodeForIndex(const QModelIndex &index) const
{
    if (!index.isValid())
        return m_root.get();
    return static_cast<TreeNode *>(index.internalPointer());
}

QModelIndex DeviceListModel::indexForNode(const TreeNode *node) const
{
    if (!node || node == m_root.get() || !node->nodeParent())
        return {};
    const std::size_t row = node->nodeParent()->indexOfChildIdenticalTo(node);
    if (row == TreeNode::NotFound)
        return {};
    return createIndex(static_cast<int>(row), 0, const_cast<TreeNode *>(node));
}

void DeviceListModel::appendChild(TreeNode *parent, const TreeNodePtr &child)
{
    const int row = static_cast<int>(parent->numberOfChildren());
    beginInsertRows(indexForNode(parent), row, row);
    parent->addChild(child);
    endInsertRows();
}

void DeviceListModel::removeChild(TreeNode *parent, const TreeNode *child)
{
    const std::size_t row = parent->indexOfChildIdenticalTo(child);
    if (row == TreeNode::NotFound)
        return;
    beginRemoveRows(indexForNode(parent), static_cast<int>(row), static_cast<int>(row));
    parent->removeChild(child);
    endRemoveRows();
}

QModelIndex DeviceListModel::index(int row, int column, const QModelIndex &parent) const
{
    if (column != 0 || row < 0)
        return {};
    const TreeNode *node = nodeForIndex(parent);
    if (!node || static_cast<std::size_t>(row) >= node->numberOfChildren())
        return {};
    return createIndex(row, 0, node->childAtIndex(static_cast<std::size_t>(row)).get());
}

QModelIndex DeviceListModel::parent(const QModelIndex &index) const
{
    if (!index.isValid())
        return {};
    return indexForNode(nodeForIndex(index)->nodeParent());
}

int DeviceListModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid() && parent.column() != 0)
        return 0;
    const TreeNode *node = nodeForIndex(parent);
    return node ? static_cast<int>(node->numberOfChildren()) : 0;
}

int DeviceListModel::columnCount(const QModelIndex &) const
{
    return 1;
}

bool DeviceListModel::hasChildren(const QModelIndex &parent) const
{
    return rowCount(parent) > 0;
}

QVariant DeviceListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    const TreeNode *node = nodeForIndex(index);
    switch (role) {
    case Qt::DisplayRole:
        return QString::fromStdString(node->titleName());
    case Qt::ToolTipRole:
    case Qt::AccessibleTextRole:
        return shownName(QString::fromStdString(node->titleName()));
    case Qt::DecorationRole:
    case ImagePathRole:
        if (m_root->numberOfChildren() == 0 || node->image().empty())
            return {};
        return QString::fromStdString(node->image());
    case NodeRole:
        return QVariant::fromValue(static_cast<void *>(const_cast<TreeNode *>(node)));
    default:
        return {};
    }
}

bool DeviceListModel::setData(const QModelIndex &, const QVariant &, int)
{
    return false;
}

Qt::ItemFlags DeviceListModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    // A hint is drawn as a disabled line: neither selected nor reached by the keys.
    if (!nodeForIndex(index)->selectable())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

QVariant DeviceListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (section == 0 && orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return QString();
    if (section == 0 && orientation == Qt::Horizontal && role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::AlignCenter);
    return {};
}
