// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "core/mainqueue.h"
#include "core/resources.h"
#include "core/scratch.h"
#include "devicefixture.h"
#include "library/epubnode.h"
#include "library/ipodrootnode.h"
#include "operations/ipodtreelistcontroler.h"

#include <QSignalSpy>

namespace {
QModelIndex row(const iPodTreeListControler &c, int r, const QModelIndex &parent = {})
{
    return c.model()->index(r, 0, parent);
}
} // namespace

TEST_F(FolderDeviceTest, ArrivalReplacesThePlaceholderAndRemovalBringsItBack)
{
    EXPECT_EQ(m_controller->ipodCount(), 0);
    ASSERT_EQ(m_controller->model()->rowCount(), 1);
    EXPECT_EQ(row(*m_controller, 0).data().toString().toStdString(), "Please connect to your device");
    EXPECT_EQ(m_controller->DeviceName(), "Please connect to your device") << "the first row's title";

    QSignalSpy expanded(m_controller.get(), &iPodTreeListControler::expandItem);
    attach();
    ASSERT_EQ(m_controller->model()->rowCount(), 1);
    const QModelIndex device = row(*m_controller, 0);
    EXPECT_EQ(device.data().toString().toStdString(), "Test Phone(4.0GB/8.0GB)");
    EXPECT_EQ(m_controller->DeviceName(), "Test Phone(4.0GB/8.0GB)");
    EXPECT_EQ(device.data(Qt::DecorationRole).toString().toStdString(), resourcePath("iphonenor.png"));
    ASSERT_EQ(m_controller->model()->rowCount(device), 2);
    EXPECT_EQ(row(*m_controller, 1, device).data().toString().toStdString(), "Custom Books");
    EXPECT_EQ(expanded.count(), 1);
    EXPECT_EQ(expanded.at(0).at(0).value<QModelIndex>(), device);

    // The device panel hears of the device without a selection in the outline.
    ASSERT_EQ(m_posted.size(), 1u);
    EXPECT_EQ(m_posted[0].name, iPodListSelectionDidChangeNotification);
    ASSERT_TRUE(m_posted[0].info && m_posted[0].info->isDeviceInfo());
    EXPECT_EQ(m_posted[0].info->device.at("DeviceName"), "Test Phone");
    EXPECT_EQ(m_posted[0].info->device.at("FSTotalBytes"), "8589934592");
    EXPECT_TRUE(m_posted[0].info->device.count("other_Size"));

    detach();
    EXPECT_EQ(m_controller->model()->rowCount(), 1);
    EXPECT_EQ(row(*m_controller, 0).data().toString().toStdString(), "Please connect to your device");
    ASSERT_EQ(m_posted.size(), 2u);
    EXPECT_EQ(m_posted[1].name, EjectiPodNotification);

    // A removal while only the placeholder is shown changes nothing and posts nothing.
    m_controller->deviceRemoved(deviceCopyPath(""));
    EXPECT_EQ(m_posted.size(), 2u);
    EXPECT_EQ(m_controller->model()->rowCount(), 1);
}

TEST_F(FolderDeviceTest, SelectionQuestionsAndAnnouncements)
{
    attach();
    m_posted.clear();
    const QModelIndex device = row(*m_controller, 0);
    const QModelIndex itunes = row(*m_controller, 0, device);
    const QModelIndex custom = row(*m_controller, 1, device);

    m_controller->outlineSelectionChanged(itunes);
    ASSERT_EQ(m_posted.size(), 1u);
    ASSERT_TRUE(m_posted[0].info);
    EXPECT_EQ(m_posted[0].info->tableColumn_key, (std::vector<std::string>{"Name", "Artist", "Album", "Genre"}));
    EXPECT_FALSE(m_controller->isSelectepubnodecanadd());
    EXPECT_FALSE(m_controller->isRootSelect());
    EXPECT_EQ(m_controller->getDeviceFreeSize(), 4294967296LL);

    m_controller->outlineSelectionChanged(custom);
    EXPECT_TRUE(m_controller->isSelectepubnodecanadd());
    ASSERT_EQ(m_controller->selectedNodes().size(), 1u);
    EXPECT_EQ(m_controller->selectedNodes()[0]->titleName(), "Custom Books");
    EXPECT_EQ(m_controller->selectedItem(), m_controller->selectedNodes()[0]);
    // Two selected rows come back in row order, whatever order they were picked in.
    m_controller->selectionModel()->select(itunes, QItemSelectionModel::Select | QItemSelectionModel::Rows);
    ASSERT_EQ(m_controller->selectedNodes().size(), 2u);
    EXPECT_EQ(m_controller->selectedNodes()[0]->titleName(), "iTunes Books");
    EXPECT_FALSE(m_controller->isSelectepubnodecanadd()) << "the first selected node decides";
    m_controller->outlineSelectionChanged(custom);

    // A reload describes the selected node again, read afresh.
    m_posted.clear();
    NotificationCenter::defaultCenter().postNotificationName(reloadiPodNotification);
    ASSERT_EQ(m_posted.size(), 1u);
    EXPECT_TRUE(m_posted[0].info->tableColumn_data);

    m_controller->outlineSelectionChanged(device);
    EXPECT_TRUE(m_controller->isRootSelect());
    EXPECT_EQ(m_controller->getDeviceFreeSize(), 0) << "only a book list's device answers the free size";

    m_posted.clear();
    m_controller->outlineSelectionChanged(QModelIndex());
    ASSERT_EQ(m_posted.size(), 1u);
    EXPECT_FALSE(m_posted[0].info) << "no selection: the notification carries nothing";
    EXPECT_EQ(m_controller->selectedItem(), nullptr);
    NotificationCenter::defaultCenter().postNotificationName(reloadiPodNotification);
    EXPECT_EQ(m_posted.size(), 1u) << "a reload with nothing selected posts nothing";
}

TEST_F(FolderDeviceTest, PlaceholderSelectionAndTwoDevicesGoingAtOnce)
{
    m_controller->outlineSelectionChanged(row(*m_controller, 0));
    ASSERT_EQ(m_posted.size(), 1u);
    EXPECT_FALSE(m_posted[0].info) << "the placeholder describes nothing";
    EXPECT_TRUE(m_controller->isRootSelect());
    NotificationCenter::defaultCenter().postNotificationName(reloadiPodNotification);
    EXPECT_EQ(m_posted.size(), 1u) << "a reload of the placeholder posts nothing";

    attach();
    // A second survey result adds a second device node.
    StringDictionary survey{{"DeviceName", "Second"}, {"FSTotalBytes", "1073741824"}, {"FSFreeBytes", "0"},
                            {"ProductVersion", "3.1"}, {"ipodType", "iPad"}};
    NotificationCenter::defaultCenter().postNotificationName(DeviceInfoNotification, nullptr, survey);
    ASSERT_TRUE(processMainEventsUntil([this] { return m_controller->ipodCount() == 2; }));
    const QModelIndex second = row(*m_controller, 1);
    EXPECT_EQ(second.data().toString().toStdString(), "Second(0.0GB/1.0GB)");
    EXPECT_EQ(second.data(Qt::DecorationRole).toString().toStdString(), resourcePath("ipad.png"));
    m_posted.clear();
    NotificationCenter::defaultCenter().postNotificationName(iphoneUnDeviceInfoNotification);
    EXPECT_EQ(m_controller->ipodCount(), 0);
    ASSERT_EQ(m_posted.size(), 1u);
    EXPECT_EQ(m_posted[0].name, EjectiPodNotification);
}

