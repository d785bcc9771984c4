// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "device/connection/shelf.h"

#include "device/connection/devicefiles.h"

#include <algorithm>
#include <cctype>

int openShelf(am_device *device, const Shelf &shelf, afc_connection **connection, std::string *why)
{
    if (!connection)
        return MDERR_FAILED;
    *connection = nullptr;
    if (shelf.isApp())
        return openAppDocuments(device, shelf.appIdentifier, connection, why);
    service_conn_t service = 0;
    int rc = AMDeviceStartService(device, kAfcServiceName, &service, nullptr);
    if (rc == MDERR_OK)
        rc = AFCConnectionOpen(service, 0, connection);
    if (rc != MDERR_OK && why)
        *why = deviceErrorSentence(device);
    return rc;
}

namespace {

int collectBooks(afc_connection *connection, const std::string &folder, int depthLeft, std::vector<std::string> &paths)
{
    // A name the device could not have made ("/" inside, "." or "..") is never followed.
    std::optional<std::vector<std::string>> entries = folderEntryNames(connection, folder);
    if (!entries)
        return MDERR_FAILED;
    std::vector<std::string> &names = *entries;
    std::sort(names.begin(), names.end());
    for (const std::string &entry : names) {
        const std::string path = folder + "/" + entry;
        const std::optional<DeviceFileInfo> info = readFileInfo(connection, path);
        const bool folder = info && info->isDirectory();
        if (hasEpubExtension(entry) && (folder || (info && info->isPlainFile())))
            paths.push_back(path);
        else if (folder && depthLeft > 0)
            collectBooks(connection, path, depthLeft - 1, paths);
    }
    return MDERR_OK;
}

} // namespace

bool hasEpubExtension(const std::string &name)
{
    if (name.size() <= 5)
        return false;
    std::string tail = name.substr(name.size() - 5);
    for (char &c : tail)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return tail == ".epub";
}

int listAppBooks(afc_connection *connection, std::vector<std::string> &paths, int maxDepth)
{
    paths.clear();
    return collectBooks(connection, Shelf::app({}).folder(), maxDepth, paths);
}
