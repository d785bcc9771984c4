// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include "device/storage/devicefiles.h"
#include "device/backend/mobiledevice.h"

#include <string>
#include <vector>

// Where books are kept on a device: the device's own book catalogue ("/Books" with
// Books.plist, written under the sync lock) or an app's Documents folder (plain files,
// no catalogue, no lock). Operations take a shelf and open its connection.
struct Shelf
{
    enum class Kind { Books, App };
    Kind kind = Kind::Books;
    std::string appIdentifier; // Kind::App only

    static Shelf books() { return {}; }
    static Shelf app(std::string identifier) { return {Kind::App, std::move(identifier)}; }

    bool isApp() const { return kind == Kind::App; }
    // The folder the books live in, on the shelf's own connection.
    const char *folder() const { return isApp() ? "/Documents" : "/Books"; }
    // The catalogue and the sync lock belong to the device's own books only.
    bool usesCatalogue() const { return !isApp(); }
    bool operator==(const Shelf &other) const = default;
};

// A new file-service connection for the shelf: the device's file service for the
// books, the app's container for an app.
int openShelf(am_device *device, const Shelf &shelf, afc_connection **connection, std::string *why = nullptr);

// A name that ends in ".epub", in any case, with something before it.
bool hasEpubExtension(const std::string &name);
// The same for ".pdf".
bool hasPdfExtension(const std::string &name);

// The books on an app's connection: every ".epub" file or folder (any case) under
// "/Documents", in nested folders down to `maxDepth` levels, as device paths in name
// order. Links, special files and folders past the depth are passed over; an unreadable
// nested folder is skipped. Fails only when "/Documents" itself cannot be read.
int listAppBooks(afc_connection *connection, std::vector<std::string> &paths, int maxDepth = 8);
// The same books with what the device said of each; `lanes`, more connections on the same app,
// ask about the entries at the same time as `connection`, one thread each. With `withPdfs`, the
// ".pdf" files are books too (for an app that takes PDF).
struct ShelfBook
{
    std::string path;
    DeviceFileInfo info;
};
int findAppBooks(afc_connection *connection, std::vector<ShelfBook> &books,
                 const std::vector<afc_connection *> &lanes = {}, int maxDepth = 8, bool withPdfs = false);
