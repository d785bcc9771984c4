// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include "library/treenode.h"

#include <QAbstractItemModel>

// The device tree as an item model for the outline view (one column, "DeviceNameRowTitle").
// Display: the node's title, as the rules and the command line know it; tool tip and
// accessible text: the title as shownName() gives it; decoration: the node's picture as a
// file path (a QString the view turns into an icon), given only while the root has children;
// NodeRole: the TreeNode*.
// Titles cannot be edited. Changes go through appendChild/removeChild so that views keep
// their selection and expansion. Main thread only.
class DeviceListModel : public QAbstractItemModel
{
    Q_OBJECT
public:
    static constexpr const char *ColumnIdentifier = "DeviceNameRowTitle";
    enum Roles { NodeRole = Qt::UserRole + 1, ImagePathRole };

    explicit DeviceListModel(TreeNodePtr root, QObject *parent = nullptr);

    // A title as the user reads it: the list's own fixed names (its shelves, the line shown
    // without a device), which the nodes hold in English, translated; the names of devices
    // and apps as they are.
    static QString shownName(const QString &title);

    const TreeNodePtr &rootNode() const { return m_root; }
    TreeNode *nodeForIndex(const QModelIndex &index) const; // the root for an invalid index
    QModelIndex indexForNode(const TreeNode *node) const;   // invalid for the root or a stranger

    void appendChild(TreeNode *parent, const TreeNodePtr &child);
    void removeChild(TreeNode *parent, const TreeNode *child);

    QModelIndex index(int row, int column, const QModelIndex &parent = {}) const override;
    QModelIndex parent(const QModelIndex &index) const override;
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    bool hasChildren(const QModelIndex &parent = {}) const override;

private:
    TreeNodePtr m_root;
};
