// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// The folder backend's apps: DEVICE_DIR/apps/IDENTIFIER/{Info.plist,icon.png,container/}.
#include "core/fullio.h"
#include "core/uitext.h"
#include "device/folder/folderbackend.h"
#include "device/folder/folderpaths.h"
#include "device/backend/deviceapps.h"
#include "device/backend/plistutil.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

constexpr uintmax_t MaxIconBytes = 4u << 20;

plist_t stringArray(const std::vector<std::string> &items)
{
    plist_t array = plist_new_array();
    for (const auto &item : items)
        plist_array_append_item(array, plist_new_string(item.c_str()));
    return array;
}

bool isUserApp(plist_t info)
{
    const auto type = plistScalarText(plist_dict_get_item(info, "ApplicationType"));
    return !type || *type == "User";
}

bool deviceLocked(const std::string &deviceDir)
{
    PlistPtr plist = readPlistFile(deviceDir + "/device.plist");
    plist_t locked = plist ? plist_dict_get_item(plist.get(), "Locked") : nullptr;
    uint8_t v = 0;
    if (locked && plist_get_node_type(locked) == PLIST_BOOLEAN)
        plist_get_bool_val(locked, &v);
    return v != 0;
}

// The app's record when apps/IDENTIFIER/Info.plist describes a user app of that identifier.
std::optional<DeviceApp> readApp(const std::string &deviceDir, const std::string &identifier)
{
    if (!isSafeAppIdentifier(identifier))
        return std::nullopt;
    PlistPtr info = readPlistFile(deviceDir + "/apps/" + identifier + "/Info.plist");
    DeviceApp app;
    if (!info || !appFromAttributes(info.get(), app) || app.identifier != identifier || !isUserApp(info.get()))
        return std::nullopt;
    return app;
}

int refuse(int code, std::string *why)
{
    if (why)
        *why = uiText("Device", code == MDERR_DEVICE_LOCKED ? deviceLockedText() : appGoneText());
    return code;
}

} // namespace

bool isSafeAppIdentifier(const std::string &identifier)
{
    return !identifier.empty() && identifier.size() <= 255 && identifier != "." && identifier != ".."
        && std::all_of(identifier.begin(), identifier.end(), [](char c) {
               return std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '_';
           });
}

bool writeFolderDeviceApp(const std::string &deviceDir, const FolderDeviceApp &app, std::string *error)
{
    auto fail = [&](const std::string &text) {
        if (error)
            *error = text;
        return false;
    };
    if (!isSafeAppIdentifier(app.identifier))
        return fail("\"" + app.identifier + "\" cannot name an app's folder");
    const fs::path dir = fs::path(deviceDir) / "apps" / app.identifier;
    std::error_code ec;
    fs::create_directories(dir / "container" / "Documents", ec);
    if (ec)
        return fail("cannot create " + (dir / "container" / "Documents").string() + ": " + ec.message());
    PlistPtr info(plist_new_dict());
    plist_t dict = info.get();
    plist_dict_set_item(dict, "CFBundleIdentifier", plist_new_string(app.identifier.c_str()));
    plist_dict_set_item(dict, "CFBundleDisplayName", plist_new_string(app.displayName.c_str()));
    plist_dict_set_item(dict, "CFBundleName", plist_new_string(app.name.c_str()));
    plist_dict_set_item(dict, "CFBundleVersion", plist_new_string(app.version.c_str()));
    plist_dict_set_item(dict, "UIFileSharingEnabled", plist_new_bool(app.fileSharing ? 1 : 0));
    plist_dict_set_item(dict, "ApplicationType", plist_new_string("User"));
    plist_t types = plist_new_array();
    if (!app.contentTypes.empty() || !app.extensions.empty()) {
        plist_t type = plist_new_dict();
        plist_dict_set_item(type, "CFBundleTypeName", plist_new_string("Document"));
        plist_dict_set_item(type, "LSItemContentTypes", stringArray(app.contentTypes));
        if (!app.extensions.empty())
            plist_dict_set_item(type, "CFBundleTypeExtensions", stringArray(app.extensions));
        plist_array_append_item(types, type);
    }
    plist_dict_set_item(dict, "CFBundleDocumentTypes", types);
    if (!writePlistXmlFile((dir / "Info.plist").string(), dict))
        return fail("cannot write " + (dir / "Info.plist").string());
    if (!app.iconPng.empty()) {
        std::ofstream out(dir / "icon.png", std::ios::binary | std::ios::trunc);
        out.write(app.iconPng.data(), std::streamsize(app.iconPng.size()));
        if (!out.flush())
            return fail("cannot write " + (dir / "icon.png").string());
    }
    return true;
}

int FolderBackend::listApps(am_device *device, std::vector<DeviceApp> &apps, std::string *why)
{
    const auto live = liveDeviceDir(device);
    if (!live)
        return MDERR_NO_DEVICE;
    const std::string &dir = *live;
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(fs::path(dir) / "apps", ec), end; !ec && it != end; it.increment(ec))
        names.push_back(it->path().filename().string());
    if (ec && ec != std::errc::no_such_file_or_directory) {
        if (why)
            *why = uiArgs(uiText("Device", "The apps of the device could not be read: %1."), {ec.message()});
        return MDERR_FAILED;
    }
    std::sort(names.begin(), names.end());
    apps.clear();
    for (const auto &name : names)
        if (auto app = readApp(dir, name); app && app->fileSharing)
            apps.push_back(std::move(*app));
    return MDERR_OK;
}

int FolderBackend::appIcon(am_device *device, const std::string &identifier, std::string &png, std::string *)
{
    const auto live = liveDeviceDir(device);
    if (!live)
        return MDERR_NO_DEVICE;
    const std::string &dir = *live;
    png.clear();
    // An unknown app, or one without an icon, has none: the caller draws its own.
    if (!readApp(dir, identifier))
        return MDERR_OK;
    // Only a regular file, opened without waiting: a FIFO would hold the backend forever.
    png = readRegularFile(dir + "/apps/" + identifier + "/icon.png", MaxIconBytes).value_or(std::string());
    return MDERR_OK;
}

int FolderBackend::openAppDocuments(am_device *device, const std::string &identifier, afc_connection **connection,
                                    std::string *why)
{
    if (!connection)
        return MDERR_FAILED;
    std::lock_guard lock(m_mutex);
    Device *d = liveDevice(device);
    if (!d)
        return MDERR_NO_DEVICE;
    if (!d->sessionStarted)
        return MDERR_FAILED;
    if (deviceLocked(d->dir))
        return refuse(MDERR_DEVICE_LOCKED, why);
    const auto app = readApp(d->dir, identifier);
    if (!app || !app->fileSharing)
        return refuse(MDERR_APP_GONE, why);
    // The container must lie inside the device's folder, whatever links lead there;
    // nothing is created on the way, so a link leading out never gets a folder made there.
    const std::string container = d->dir + "/apps/" + identifier + "/container";
    const auto real = realPath(container);
    const auto deviceReal = realPath(d->dir);
    if (!real || !deviceReal || real->rfind(*deviceReal + "/", 0) != 0) {
        if (why)
            *why = uiText("Device", "The app's folder on the device cannot be opened.");
        return MDERR_FAILED;
    }
    // One view per container; views are never dropped, as connections may still point to them.
    auto view = std::find_if(d->appViews.begin(), d->appViews.end(), [&](const auto &v) { return v->root == *real; });
    if (view == d->appViews.end()) {
        auto fresh = std::make_unique<Device>();
        fresh->dir = d->dir;
        fresh->root = *real;
        fresh->connected = d->connected;
        fresh->sessionStarted = d->sessionStarted;
        d->appViews.push_back(std::move(fresh));
        view = std::prev(d->appViews.end());
    }
    m_connections.push_back(std::make_unique<Connection>(Connection{view->get()}));
    *connection = reinterpret_cast<afc_connection *>(m_connections.back().get());
    return MDERR_OK;
}
