// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include "core/notificationcenter.h"
#include "library/treenode.h"
#include "operations/devicelistmodel.h"
#include "operations/devicelistnotifications.h"

#include <QItemSelectionModel>
#include <QObject>

#include <cstdint>
#include <optional>
#include <string>

class DeviceLibrary;

// The device list's outline: it owns the device tree and its item model, keeps the tree in
// step with device arrival and removal, announces the selected node and answers the window's
// questions about the selection and the connected device. The window and the command line
// read the list through this class; iPodTreeListControler adds the catalogue shelf's book
// operations under their own names.
//
// Threads: made, questioned and notified on the main thread. The survey's
// DeviceInfoNotification arrives on the survey thread; its tree work is carried to the main
// thread.
//
// The selection lives in selectionModel(); a view shows it with
// setModel(model()) and setSelectionModel(selectionModel()). Every selection change is
// announced with iPodListSelectionDidChangeNotification (user info: a NodeInfo, or empty).
class DeviceOutline : public QObject
{
    Q_OBJECT
public:
    // Registers the three observers and shows the placeholder. `library` (kept by the caller,
    // outliving this list) holds the link whose arrivals the tree follows.
    explicit DeviceOutline(DeviceLibrary &library, QObject *parent = nullptr);
    ~DeviceOutline() override;

    DeviceLibrary &library() const { return m_library; }

    // ---- The outline -------------------------------------------------------------------
    const TreeNodePtr &rootNode() const { return m_rootNode; }
    DeviceListModel *model() const { return m_model; }
    QItemSelectionModel *selectionModel() const { return m_selection; }
    // Selects the node at `index` (none for an invalid index); the change is announced.
    void outlineSelectionChanged(const QModelIndex &index);
    void outlineViewSelectionDidChange();
    // Selects the first device's "Custom Books" list, where imports go; false when no device
    // shows one.
    bool selectCustomBooks();

    // ---- Questions of the main window --------------------------------------------------
    TreeNodeArray selectedNodes() const; // in row order (the outline's allSelectedItems)
    TreeNodePtr selectedItem() const;    // the node of the current selected row, or null
    int ipodCount() const;
    bool isRootSelect() const;
    bool isSelectepubnodecanadd() const;
    std::string DeviceName() const;
    int64_t getDeviceFreeSize() const;
    static std::string BytesToGB(double bytes);

    // ---- Notification handlers -----------------------------------------------------------
    void loadIphoneNotification(const Notification &notification);
    void unloadIphoneNotification(const Notification &notification);
    void deviceRemoved(const std::string &volumePath);
    void reloadiPodNotification(const Notification &notification);

Q_SIGNALS:
    // A device node was added: a view expands it.
    void expandItem(const QModelIndex &index);

protected:
    DeviceLibrary &m_library;

private:
    void addDeviceNode(const StringDictionary &survey);
    void postSelection(const std::optional<NodeInfo> &info);

    TreeNodePtr m_rootNode;
    DeviceListModel *m_model = nullptr;
    QItemSelectionModel *m_selection = nullptr;
    bool m_deviceGone = false; // a device went since the last node was made (main thread)
};
