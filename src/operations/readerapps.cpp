// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "operations/readerapps.h"

#include "device/storage/folderwalk.h"
#include "device/storage/shelf.h"

#include <QSettings>
#include <QStringList>
#include <QUrl>

#include <algorithm>

namespace {
constexpr const char *kChoiceGroup = "UseForBooks/";

QString choiceKey(const std::string &deviceIdentifier)
{
    // One key per device; a device identifier may hold anything, the settings' separators too.
    return QLatin1String(kChoiceGroup) +
           QString::fromLatin1(QUrl::toPercentEncoding(QString::fromStdString(deviceIdentifier)));
}
} // namespace

bool appHoldsEpubs(am_device *device, const std::string &identifier)
{
    afc_connection *connection = nullptr;
    if (openAppDocuments(device, identifier, &connection) != MDERR_OK || !connection)
        return false;
    std::atomic_bool goOn{true};
    bool found = false;
    FolderWalk::Options options;
    options.maxDepth = kEpubProbeDepth;
    options.maxEntries = kEpubProbeEntries;
    options.goOn = &goOn;
    // An unpacked book is a folder named like one: found, not walked into.
    options.walkInto = [](const FolderWalk::Entry &entry) { return !hasEpubExtension(entry.path); };
    FolderWalk::run(options, {Shelf::app({}).folder()}, connection, {},
                    [&](const FolderWalk::Entry &entry, const std::optional<DeviceFileInfo> &info) {
                        if (info && (info->isPlainFile() || info->isDirectory()) &&
                            hasEpubExtension(entry.path)) {
                            found = true;
                            goOn = false; // one is enough
                        }
                    });
    AFCConnectionClose(connection);
    return found;
}

int listBookApps(am_device *device, const std::vector<std::string> &chosen, std::vector<DeviceApp> &apps,
                 std::string *why, const std::atomic_bool *stop)
{
    const int rc = listSharingApps(device, apps, why);
    if (rc != MDERR_OK)
        return rc;
    for (DeviceApp &app : apps) {
        app.chosenForBooks = std::find(chosen.begin(), chosen.end(), app.identifier) != chosen.end();
        // The look costs a connection: only for an app that nothing else makes a reader.
        if (!app.readsBooks() && !(stop && *stop))
            app.holdsEpubs = appHoldsEpubs(device, app.identifier);
    }
    return MDERR_OK;
}

std::vector<std::string> appsUsedForBooks(const QSettings &settings, const std::string &deviceIdentifier)
{
    std::vector<std::string> apps;
    for (const QString &app : settings.value(choiceKey(deviceIdentifier)).toStringList())
        apps.push_back(app.toStdString());
    return apps;
}

void setAppUsedForBooks(QSettings &settings, const std::string &deviceIdentifier, const std::string &app,
                        bool used)
{
    const QString key = choiceKey(deviceIdentifier);
    QStringList apps = settings.value(key).toStringList();
    apps.removeAll(QString::fromStdString(app));
    if (used)
        apps.append(QString::fromStdString(app));
    if (apps.isEmpty())
        settings.remove(key);
    else
        settings.setValue(key, apps);
}

QString noReaderAppHint()
{
    return QStringLiteral(
        "No reader app on this device shares its files. Install an ePub reader that shares its "
        "files with a computer.");
}
