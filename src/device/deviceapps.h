// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

// Apps on the device that share their documents, and the shelves books are kept on.
//
// An app that shares its documents (UIFileSharingEnabled) takes files in its own
// "Documents" folder; one whose document types take ePub is a reader app. Both backends
// answer the three questions below: which apps share, an app's icon, and a file-service
// connection confined to an app's container (its Documents folder is "/Documents" there).
// The connection is an ordinary afc_connection: every AFC… call of the layer works on it.

#include "mobiledevice.h"
#include "plistscalar.h"

#include <plist/plist.h>

#include <cctype>
#include <string>
#include <vector>

// Results of the app calls besides MDERR_OK and MDERR_FAILED. Negative, so they never
// meet the AFC status codes the file calls pass through.
enum : int {
    MDERR_DEVICE_LOCKED = -20, // the device must be unlocked first
    MDERR_APP_GONE = -21,      // no such app (any more), or it does not share its documents
};

struct DeviceApp
{
    std::string identifier;  // CFBundleIdentifier
    std::string displayName; // CFBundleDisplayName, else CFBundleName, else the identifier
    std::string name;        // CFBundleName
    std::string version;     // CFBundleVersion
    bool takesEpub = false;  // a document type takes org.idpf.epub-container or "epub"
    bool fileSharing = false; // UIFileSharingEnabled
};

// The installed user apps that share their documents, in the order the device gives them.
int listSharingApps(am_device *device, std::vector<DeviceApp> &apps, std::string *why = nullptr);
// The app's icon as PNG bytes; MDERR_OK with an empty *png when the device has none.
int copyAppIcon(am_device *device, const std::string &identifier, std::string &png, std::string *why = nullptr);
// A file-service connection on the app's container. Fails with MDERR_DEVICE_LOCKED or
// MDERR_APP_GONE (and *why in plain words) when the device refuses.
int openAppDocuments(am_device *device, const std::string &identifier, afc_connection **connection,
                     std::string *why = nullptr);

// The attributes asked of the device, the ones appFromAttributes reads.
inline const std::vector<const char *> &appAttributeNames()
{
    static const std::vector<const char *> names = {"CFBundleIdentifier", "CFBundleDisplayName", "CFBundleName",
                                                    "CFBundleVersion",    "UIFileSharingEnabled", "CFBundleDocumentTypes"};
    return names;
}

namespace deviceappsdetail {
inline std::string lower(std::string text)
{
    for (char &c : text)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// True when any string of the array `list` (a lone string is read as one) is `wanted`,
// compared without case.
inline bool listHas(plist_t list, const std::string &wanted)
{
    if (!list)
        return false;
    if (plist_get_node_type(list) == PLIST_STRING)
        return lower(plistScalarText(list).value_or("")) == wanted;
    if (plist_get_node_type(list) != PLIST_ARRAY)
        return false;
    for (uint32_t i = 0; i < plist_array_get_size(list); ++i) {
        plist_t item = plist_array_get_item(list, i);
        if (plist_get_node_type(item) == PLIST_STRING && lower(plistScalarText(item).value_or("")) == wanted)
            return true;
    }
    return false;
}
} // namespace deviceappsdetail

// The record of one app's attributes as the device lists them (a dict with
// CFBundleIdentifier, ...); false when it is not a dict or has no identifier. Header-only
// so that the USB backend reads the device's answer without linking the layer.
inline bool appFromAttributes(plist_t attributes, DeviceApp &app)
{
    using namespace deviceappsdetail;
    if (!attributes || plist_get_node_type(attributes) != PLIST_DICT)
        return false;
    auto text = [&](const char *key) {
        plist_t node = plist_dict_get_item(attributes, key);
        return node && plist_get_node_type(node) == PLIST_STRING ? plistScalarText(node).value_or("") : std::string();
    };
    app = DeviceApp{};
    app.identifier = text("CFBundleIdentifier");
    if (app.identifier.empty())
        return false;
    app.name = text("CFBundleName");
    app.version = text("CFBundleVersion");
    app.displayName = text("CFBundleDisplayName");
    if (app.displayName.empty())
        app.displayName = app.name.empty() ? app.identifier : app.name;
    // Devices have sent the flag as a boolean and as the string "YES".
    const std::string sharing = lower(plistScalarText(plist_dict_get_item(attributes, "UIFileSharingEnabled")).value_or(""));
    app.fileSharing = sharing == "true" || sharing == "yes" || sharing == "1";
    plist_t types = plist_dict_get_item(attributes, "CFBundleDocumentTypes");
    if (types && plist_get_node_type(types) == PLIST_ARRAY) {
        for (uint32_t i = 0; i < plist_array_get_size(types) && !app.takesEpub; ++i) {
            plist_t type = plist_array_get_item(types, i);
            if (plist_get_node_type(type) != PLIST_DICT)
                continue;
            app.takesEpub = listHas(plist_dict_get_item(type, "LSItemContentTypes"), "org.idpf.epub-container")
                || listHas(plist_dict_get_item(type, "CFBundleTypeExtensions"), "epub")
                || listHas(plist_dict_get_item(type, "CFBundleTypeExtensions"), ".epub")
                || listHas(plist_dict_get_item(type, "CFBundleTypeMIMETypes"), "application/epub+zip");
        }
    }
    return true;
}

// The sentences of the two refusals, shared by the backends.
inline const char *deviceLockedText() { return "Unlock the iPhone and try again."; }
inline const char *appGoneText()
{
    return "The app is no longer on the device, or it no longer shares its documents. Reconnect the device to "
           "see its apps again.";
}

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

// The books on an app's connection: every ".epub" file or folder (any case) under
// "/Documents", in nested folders down to `maxDepth` levels, as device paths in name
// order. Links, special files and folders past the depth are passed over; an unreadable
// nested folder is skipped. Fails only when "/Documents" itself cannot be read.
int listAppBooks(afc_connection *connection, std::vector<std::string> &paths, int maxDepth = 8);
