// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "deviceapps.h"

#include "devicefiles.h"

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
    int rc = AMDeviceStartService(device, "com.apple.afc", &service, nullptr);
    if (rc == MDERR_OK)
        rc = AFCConnectionOpen(service, 0, connection);
    if (rc != MDERR_OK && why)
        *why = deviceErrorSentence(device);
    return rc;
}

namespace {

bool endsWithEpub(const std::string &name)
{
    if (name.size() <= 5)
        return false;
    std::string tail = name.substr(name.size() - 5);
    for (char &c : tail)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return tail == ".epub";
}

// S_IFREG, S_IFDIR, S_IFLNK, ... of a device path; empty when it cannot be read.
std::string fileType(afc_connection *connection, const std::string &path)
{
    afc_dictionary *info = nullptr;
    if (AFCFileInfoOpen(connection, path.c_str(), &info) != 0 || !info)
        return {};
    std::string type;
    char *key = nullptr, *value = nullptr;
    while (AFCKeyValueRead(info, &key, &value) == 0 && key) {
        if (std::string(key) == "st_ifmt")
            type = value ? value : "";
    }
    AFCKeyValueClose(info);
    return type;
}

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
        const std::string type = fileType(connection, path);
        if (endsWithEpub(entry) && (type == "S_IFREG" || type == "S_IFDIR"))
            paths.push_back(path);
        else if (type == "S_IFDIR" && depthLeft > 0)
            collectBooks(connection, path, depthLeft - 1, paths);
    }
    return MDERR_OK;
}

} // namespace

int listAppBooks(afc_connection *connection, std::vector<std::string> &paths, int maxDepth)
{
    paths.clear();
    return collectBooks(connection, Shelf::app({}).folder(), maxDepth, paths);
}
