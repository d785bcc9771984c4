// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// Files the desktop hands the window: from its own command line or from a later start.
#include "app/importsources.h"
#include "app/maincontroler.h"
#include "device/storage/devicesurvey.h"
#include "library/ipodrootnode.h"
#include "operations/deviceoutline.h"

#include <QMainWindow>
#include <QTimer>

QString mainControler::deviceName() const
{
    // The node's title carries the sizes; the question wants the name the user gave the device.
    const TreeNodePtr first = treeListControler->rootNode()->firstChild();
    const auto *device = dynamic_cast<const iPodRootNode *>(first.get());
    if (!device)
        return {};
    const auto name = device->deviceInfoDic().find(Device_Name);
    return QString::fromStdString(name != device->deviceInfoDic().end() ? name->second : device->titleName());
}

void mainControler::addFilesFromDesktop(const QStringList &paths, std::chrono::milliseconds waitForDevice)
{
    if (mainWindow->isMinimized())
        mainWindow->showNormal();
    mainWindow->raise();
    mainWindow->activateWindow();
    if (paths.isEmpty() || !m_importSources)
        return;
    if (treeListControler->ipodCount() >= 1 || waitForDevice.count() <= 0) {
        m_importSources->importGiven(paths);
        return;
    }
    // Whichever comes first, a device or the end of the wait, asks; the other is dropped.
    auto *wait = new QTimer(this);
    wait->setSingleShot(true);
    auto handle = [this, paths, wait] {
        if (!wait->isActive())
            return;
        wait->stop();
        wait->deleteLater();
        m_importSources->importGiven(paths);
    };
    connect(treeListControler, &DeviceOutline::expandItem, wait, handle, Qt::QueuedConnection);
    connect(wait, &QTimer::timeout, this, [this, paths, wait] {
        wait->deleteLater();
        m_importSources->importGiven(paths);
    });
    wait->start(waitForDevice);
}
