// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// The commands on a selected app's books: Add Books and drops, export, delete. Each runs on the
// transfer worker behind the progress sheet, on one connection to the app's files.
#include "app/appshelf.h"

#include "app/progresssheet.h"
#include "app/userinteraction.h"
#include "device/connection/devicesleep.h"
#include "device/connection/loadiphone.h"
#include "operations/ipodtreelistcontroler.h"

#include <algorithm>
#include <filesystem>

namespace fs = std::filesystem;

namespace {
// The books' paths inside the app's Documents folder (the records keep device paths).
std::vector<std::string> documentsPaths(const EpubList &records)
{
    std::vector<std::string> relatives;
    const std::string prefix = std::string(Shelf::app({}).folder()) + "/";
    for (const auto &record : records) {
        if (record && record->mediaPcPath().rfind(prefix, 0) == 0)
            relatives.push_back(record->mediaPcPath().substr(prefix.size()));
    }
    return relatives;
}
} // namespace

void AppShelf::runCommand(const std::string &app, std::weak_ptr<TreeNode> node,
                          std::vector<std::string> names, const QString &heading,
                          std::function<BookOperationResult(afc_connection *, std::size_t)> item,
                          std::function<void(const std::vector<BookOperationResult> &)> after)
{
    std::shared_ptr<DeviceSession> session = m_context.openSession ? m_context.openSession() : nullptr;
    m_context.slot.runWorker([this, app, node, names, heading, item, after, session]() mutable {
        if (!session && m_context.openSession)
            session = m_context.openSession();
        // The question's sheet closes before the progress sheet takes its place.
        deviceLinkSleep(1);
        onMain([this] { m_context.sheet->show(); });
        std::string why = iPodTreeListControler::kDeviceDisconnected;
        afc_connection *connection = session ? openApp(*session, app, &why) : nullptr;
        std::vector<BookOperationResult> results;
        BookFailureList failures;
        for (std::size_t i = 0; i < names.size(); ++i) {
            if (!m_context.slot.goingOn())
                break;
            // Without the app's files every book fails with the reason (a locked device, an app gone).
            BookOperationResult result =
                connection ? item(connection, i) : BookOperationResult::makeFailed(names[i], why);
            collectFailure(failures, result);
            results.push_back(result);
        }
        closeApp(connection);
        session.reset();
        onMain([this, node, failures, heading, results, after] {
            m_context.sheet->hide();
            if (after)
                after(results);
            if (auto shared = node.lock())
                if (auto *app = dynamic_cast<AppShelfNode *>(shared.get()); app && stillShown(app))
                    refresh(app);
            m_context.slot.finish(failures, heading);
        });
    });
}

void AppShelf::importBooks(const QStringList &paths)
{
    AppShelfNode *node = selectedApp();
    if (!node) {
        m_context.slot.finish({}, {});
        return;
    }
    std::vector<std::string> files;
    for (const QString &path : paths)
        files.push_back(path.toStdString());
    std::weak_ptr<TreeNode> weak =
        node->nodeParent()->childAtIndex(node->nodeParent()->indexOfChildIdenticalTo(node));
    const Context::Slot &slot = m_context.slot;
    const std::size_t count = files.size();
    std::vector<std::string> names;
    for (const std::string &file : files)
        names.push_back(fs::path(file).filename().string());
    runCommand(node->app().identifier, weak, names, {},
               [files, names, &slot, count](afc_connection *connection, std::size_t i) {
                   slot.report("Copying to: " + names[i], static_cast<int>(i), static_cast<int>(count));
                   // The device's own replace question, with a third way: keep both files.
                   auto clash = [&slot](const std::string &relative) {
                       const int answer = slot.askAndWait(
                           QStringLiteral("Warning"),
                           QStringLiteral("%1 is existing. Are you sure to replace?")
                               .arg(QString::fromStdString(relative)),
                           {QStringLiteral("NO"), QStringLiteral("YES"), QStringLiteral("Keep Both")});
                       if (answer == AlertFirstButtonReturn + 1)
                           return AppNameClash::Replace;
                       if (answer == AlertFirstButtonReturn + 2)
                           return AppNameClash::KeepBoth;
                       return AppNameClash::Skip;
                   };
                   return importIntoApp(connection, files[i], clash);
               },
               {});
}

void AppShelf::exportBooks(const EpubList &records, const QString &folder)
{
    AppShelfNode *node = selectedApp();
    if (!node) {
        m_context.slot.finish({}, {});
        return;
    }
    const std::vector<std::string> relatives = documentsPaths(records);
    std::weak_ptr<TreeNode> weak;
    const std::string target = folder.toStdString();
    const Context::Slot &slot = m_context.slot;
    const std::size_t count = relatives.size();
    runCommand(
        node->app().identifier, weak, relatives, {},
        [relatives, target, &slot, count](afc_connection *connection, std::size_t i) {
            slot.report("Copying to: " + target, static_cast<int>(i), static_cast<int>(count));
            return exportFromApp(connection, relatives[i], target, [&slot](const std::string &existing) {
                return slot.askYesNo(existing + " is existing. Are you sure to replace?");
            });
        },
        [this, folder](const std::vector<BookOperationResult> &results) {
            const auto exported = std::count_if(results.begin(), results.end(),
                                                [](const BookOperationResult &r) { return r.done(); });
            if (exported <= 0)
                return;
            const QString text =
                exported == 1 ? QStringLiteral("1 book was exported to %1.").arg(folder)
                              : QStringLiteral("%1 books were exported to %2.").arg(exported).arg(folder);
            Q_EMIT message(text, tr("Open Folder"), QUrl::fromLocalFile(folder));
        });
}

void AppShelf::deleteBooks(const EpubList &records)
{
    AppShelfNode *node = selectedApp();
    if (!node) {
        m_context.slot.finish({}, {});
        return;
    }
    const std::vector<std::string> relatives = documentsPaths(records);
    std::weak_ptr<TreeNode> weak =
        node->nodeParent()->childAtIndex(node->nodeParent()->indexOfChildIdenticalTo(node));
    const Context::Slot &slot = m_context.slot;
    const std::size_t count = relatives.size();
    runCommand(node->app().identifier, weak, relatives, QStringLiteral("These books could not be deleted:"),
               [relatives, &slot, count](afc_connection *connection, std::size_t i) {
                   slot.report("Deleting: " + relatives[i], static_cast<int>(i), static_cast<int>(count));
                   return deleteFromApp(connection, relatives[i]);
               },
               {});
}
