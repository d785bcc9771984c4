// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "device/storage/shelf.h"

#include "device/storage/devicefiles.h"
#include "device/storage/folderwalk.h"

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
// The path's parts, for the order a walk of name-sorted folders gives.
std::vector<std::string> partsOf(const std::string &path)
{
    std::vector<std::string> parts;
    std::size_t from = 0;
    for (std::size_t at; (at = path.find('/', from)) != std::string::npos; from = at + 1)
        parts.push_back(path.substr(from, at - from));
    parts.push_back(path.substr(from));
    return parts;
}
} // namespace

namespace {
bool hasExtension(const std::string &name, const std::string &extension)
{
    if (name.size() <= extension.size())
        return false;
    std::string tail = name.substr(name.size() - extension.size());
    for (char &c : tail)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return tail == extension;
}
} // namespace

bool hasEpubExtension(const std::string &name)
{
    return hasExtension(name, ".epub");
}

bool hasPdfExtension(const std::string &name)
{
    return hasExtension(name, ".pdf");
}

int findAppBooks(afc_connection *connection, std::vector<ShelfBook> &books, const std::vector<afc_connection *> &lanes,
                 int maxDepth, bool withPdfs)
{
    books.clear();
    FolderWalk::Options options;
    options.maxDepth = maxDepth;
    // A book may be an unpacked folder: it is found, not walked into.
    options.walkInto = [](const FolderWalk::Entry &entry) { return !hasEpubExtension(entry.path); };
    std::vector<afc_connection *> others;
    for (afc_connection *lane : lanes)
        if (lane && lane != connection)
            others.push_back(lane);
    const FolderWalk::Result walked = FolderWalk::run(
        options, {Shelf::app({}).folder()}, connection, others,
        [&books, withPdfs](const FolderWalk::Entry &entry, const std::optional<DeviceFileInfo> &info) {
            if (info && (info->isPlainFile() || info->isDirectory()) && hasEpubExtension(entry.path))
                books.push_back({entry.path, *info});
            else if (withPdfs && info && info->isPlainFile() && hasPdfExtension(entry.path))
                books.push_back({entry.path, *info});
        });
    if (!walked.rootsListed)
        return MDERR_FAILED;
    std::sort(books.begin(), books.end(),
              [](const ShelfBook &a, const ShelfBook &b) { return partsOf(a.path) < partsOf(b.path); });
    return MDERR_OK;
}

int listAppBooks(afc_connection *connection, std::vector<std::string> &paths, int maxDepth)
{
    paths.clear();
    std::vector<ShelfBook> books;
    const int rc = findAppBooks(connection, books, {}, maxDepth);
    for (ShelfBook &book : books)
        paths.push_back(std::move(book.path));
    return rc;
}
