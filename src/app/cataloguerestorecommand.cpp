// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "app/cataloguerestorecommand.h"

#include "app/cataloguebackupdialog.h"
#include "app/transferslot.h"
#include "app/userinteraction.h"
#include "core/log.h"
#include "core/mainqueue.h"
#include "device/storage/loadiphone.h"
#include "device/storage/userdataiphone.h"
#include "device/backend/mobiledevice.h"
#include "library/ipodrootnode.h"
#include "library/nodeinfo.h"
#include "operations/cataloguerestore.h"
#include "operations/devicelibrary.h"
#include "operations/deviceoutline.h"

#include <QAction>

#include <algorithm>

CatalogueRestoreCommand::CatalogueRestoreCommand(QWidget *window, QAction *item, const DeviceOutline &devices,
                                                 TransferSlot &transfers, UserInteraction &interaction,
                                                 QObject *parent)
    : QObject(parent)
    , m_window(window)
    , m_item(item)
    , m_devices(devices)
    , m_transfers(transfers)
    , m_interaction(interaction)
    , m_alive(std::make_shared<std::atomic_bool>(true))
{
}

CatalogueRestoreCommand::~CatalogueRestoreCommand()
{
    *m_alive = false;
}

std::string CatalogueRestoreCommand::selectedDeviceIdentifier() const
{
    const DeviceOutline &devices = m_devices;
    const TreeNodeArray nodes = devices.selectedNodes();
    if (nodes.size() != 1 || devices.ipodCount() < 1)
        return {};
    const auto *device = dynamic_cast<const iPodRootNode *>(nodes.front().get());
    if (!device || device->isPlaceholder())
        return {};
    return devices.library().deviceIdentifier();
}

QString CatalogueRestoreCommand::selectedDeviceName() const
{
    const TreeNodeArray nodes = m_devices.selectedNodes();
    const auto *device = nodes.empty() ? nullptr : dynamic_cast<const iPodRootNode *>(nodes.front().get());
    if (!device)
        return {};
    const auto name = device->deviceInfoDic().find(Device_Name);
    return QString::fromStdString(name != device->deviceInfoDic().end() ? name->second : device->titleName());
}

void CatalogueRestoreCommand::validate()
{
    bool enabled = false;
    if (!m_transfers.isRunning()) {
        const std::string identifier = selectedDeviceIdentifier();
        enabled = !identifier.empty() && !listCatalogueBackups(identifier).empty();
    }
    m_item->setEnabled(enabled);
}

void CatalogueRestoreCommand::run()
{
    if (m_transfers.isRunning())
        return;
    const std::string identifier = selectedDeviceIdentifier();
    if (identifier.empty())
        return;
    const QString deviceName = selectedDeviceName();
    const std::vector<CatalogueBackup> backups = listCatalogueBackups(identifier);
    UserInteraction &interaction = m_interaction;
    const QString chosen = interaction.chooseCatalogueBackup(m_window, deviceName, backups);
    if (chosen.isEmpty())
        return;
    // Only a copy of this device's list is put back, never a path from elsewhere.
    const auto backup = std::find_if(backups.begin(), backups.end(),
                                     [&](const CatalogueBackup &b) { return b.path == chosen.toStdString(); });
    if (backup == backups.end())
        return;
    const QString keptAt = CatalogueBackupDialog::keptAtText(backup->created);
    const QString count = CatalogueBackupDialog::bookCountText(backup->path);
    bool numeric = false;
    const int n = count.toInt(&numeric);
    const QString books = !numeric ? tr("which cannot be read as a catalogue")
                                   : n == 1 ? tr("1 book") : tr("%1 books").arg(n);
    const int answer = interaction.ask(
        m_window, tr("Restore Catalogue Backup"),
        tr("The book catalogue on \u201C%1\u201D will be replaced by the copy kept on %2 (%3). "
                       "The catalogue the device holds now is kept as a copy first, so this can be undone the same "
                       "way. Books of the copy that are no longer on the device are left out.")
            .arg(deviceName, keptAt, books),
        {tr("Cancel"), tr("Restore")});
    if (answer != AlertFirstButtonReturn + 1)
        return;
    // The device may have gone, or another come, while the questions were open.
    TransferSlot &transfers = m_transfers;
    if (selectedDeviceIdentifier() != identifier || !transfers.start(TransferEnd::Kind::Restore))
        return;
    transfers.setRestoreRunning(true);
    // Nothing to stop: one upload and a rename.
    transfers.sheet().showBusy(tr("Restoring the book catalogue of \u201C%1\u201D...").arg(deviceName));

    // The restore's own hold on the device: no arrival swaps the record under it.
    std::shared_ptr<DeviceSession> session = m_devices.library().openSession();
    const std::string file = backup->path;
    auto alive = m_alive;
    transfers.runWorker([this, alive, session, file, keptAt]() mutable {
        // restoreCatalogueBackup takes the sync lock itself and backs up what it replaces.
        const BookOperationResult result = session && !session->gone()
                                               ? restoreCatalogueBackup(file, session->data())
                                               : BookOperationResult::makeFailed(file, "no device is connected");
        performOnMainThread([this, alive, result, keptAt, session = std::move(session)]() mutable {
            if (*alive)
                finish(result, keptAt);
            session.reset();
        });
    });
}

void CatalogueRestoreCommand::finish(const BookOperationResult &result, const QString &keptAt)
{
    TransferSlot &transfers = m_transfers;
    transfers.setRestoreRunning(false);
    if (result.failed())
        logFormat("Catalogue restore failed: %s", result.message.c_str());
    // The lists are read again from the working copy the restore brought up to date.
    Q_EMIT listsChanged();

    BookFailureList failures;
    if (result.failed())
        failures.push_back({tr("Catalogue copy kept on %1").arg(keptAt).toStdString(), result.message});
    transfers.finish(failures, tr("The book catalogue could not be restored:"));
    if (result.done() && !result.detail.empty())
        m_interaction.ask(
            m_window, tr("Information"),
            tr("The book catalogue was restored. %1").arg(QString::fromStdString(result.detail)),
            {tr("OK")});
}
