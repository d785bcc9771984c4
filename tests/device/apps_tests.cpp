// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// Apps that share their documents, on the folder device.
#include "devicetest.h"

#include "device/storage/shelf.h"
#include "device/folder/demoapps.h"
#include "device/backend/deviceapps.h"
#include "device/backend/plistutil.h"

#include <filesystem>

namespace fs = std::filesystem;

namespace {

FolderDeviceApp app(const std::string &identifier, const std::string &name, std::vector<std::string> types,
                    std::vector<std::string> extensions = {}, bool sharing = true)
{
    FolderDeviceApp a;
    a.identifier = identifier;
    a.displayName = name;
    a.name = name;
    a.fileSharing = sharing;
    a.contentTypes = std::move(types);
    a.extensions = std::move(extensions);
    return a;
}

void setLocked(const std::string &deviceDir, bool locked)
{
    PlistPtr plist = readPlistFile(deviceDir + "/device.plist");
    plist_dict_set_item(plist.get(), "Locked", plist_new_bool(locked ? 1 : 0));
    ASSERT_TRUE(writePlistXmlFile(deviceDir + "/device.plist", plist.get()));
}

class AppsTest : public DeviceTest
{
protected:
    void addApp(const FolderDeviceApp &a)
    {
        std::string error;
        ASSERT_TRUE(writeFolderDeviceApp(device.dir(), a, &error)) << error;
    }
    std::string documents(const std::string &identifier) const
    {
        return device.dir() + "/apps/" + identifier + "/container/Documents";
    }
};

TEST_F(AppsTest, SharingAppsTheirIconsAndDocuments)
{
    device.iPhone();
    FolderDeviceApp reader = app("org.example.reader", "Reader", {"org.idpf.epub-container"});
    reader.iconPng = iconPng(16, 0x112233, 0xffffff);
    addApp(reader);
    addApp(app("org.example.inkwell", "Inkwell", {"public.data"}, {"EPUB", "pdf"}));
    addApp(app("org.example.filebox", "Filebox", {"public.data"}));
    addApp(app("org.example.private", "Private", {"org.idpf.epub-container"}, {}, false));
    // A folder whose Info.plist names another app is no app.
    addApp(app("org.example.moved", "Moved", {"org.idpf.epub-container"}));
    fs::rename(device.dir() + "/apps/org.example.moved", device.dir() + "/apps/org.example.elsewhere");
    userDataIphone *d = openDevice();

    std::vector<DeviceApp> apps;
    ASSERT_EQ(listSharingApps(d->dev, apps), MDERR_OK);
    ASSERT_EQ(apps.size(), 3u);
    EXPECT_EQ(apps[0].identifier, "org.example.filebox");
    EXPECT_FALSE(apps[0].takesEpub);
    EXPECT_EQ(apps[1].identifier, "org.example.inkwell");
    EXPECT_TRUE(apps[1].takesEpub); // by its extension, whatever its case
    EXPECT_EQ(apps[2].identifier, "org.example.reader");
    EXPECT_TRUE(apps[2].takesEpub);
    EXPECT_EQ(apps[2].displayName, "Reader");
    EXPECT_EQ(apps[2].version, "1.0");
    EXPECT_TRUE(apps[2].fileSharing);

    std::string png;
    ASSERT_EQ(copyAppIcon(d->dev, "org.example.reader", png), MDERR_OK);
    EXPECT_EQ(png, reader.iconPng);
    ASSERT_EQ(copyAppIcon(d->dev, "org.example.inkwell", png), MDERR_OK);
    EXPECT_TRUE(png.empty());

    // The app's shelf: its Documents folder, on a connection confined to its container.
    afc_connection *conn = nullptr;
    ASSERT_EQ(openShelf(d->dev, Shelf::app("org.example.reader"), &conn), MDERR_OK);
    const std::string path = std::string(Shelf::app("x").folder()) + "/Book.epub";
    afc_file_ref ref = 0;
    ASSERT_EQ(AFCFileRefOpen(conn, path.c_str(), AFC_MODE_WRITE, 0, &ref), 0);
    ASSERT_EQ(AFCFileRefWrite(conn, ref, "PK", 2), 0);
    ASSERT_EQ(AFCFileRefClose(conn, ref), 0);
    EXPECT_EQ(readWholeFile(documents("org.example.reader") + "/Book.epub"), "PK");
    afc_dictionary *info = nullptr;
    EXPECT_NE(AFCFileInfoOpen(conn, "/../../../device.plist", &info), 0);
    EXPECT_NE(AFCFileInfoOpen(conn, "/../Info.plist", &info), 0);
    // The device's own shelf is still the device's file system.
    afc_connection *books = nullptr;
    ASSERT_EQ(openShelf(d->dev, Shelf::books(), &books), MDERR_OK);
    EXPECT_NE(AFCFileRefOpen(books, path.c_str(), AFC_MODE_READ, 0, &ref), 0);

    // Unplugged, the app's connection stops with the device.
    backend->detach(d->dev);
    EXPECT_NE(AFCFileRefOpen(conn, path.c_str(), AFC_MODE_READ, 0, &ref), 0);
}

TEST_F(AppsTest, RefusalsInPlainWords)
{
    device.iPhone();
    addApp(app("org.example.reader", "Reader", {"org.idpf.epub-container"}));
    addApp(app("org.example.private", "Private", {"org.idpf.epub-container"}, {}, false));
    userDataIphone *d = openDevice();
    afc_connection *conn = nullptr;
    std::string why;

    // Not sharing, not there, or a name that would leave the apps' folder.
    for (const char *id : {"org.example.private", "org.example.absent", "..", "../root", "org.example.reader/.."}) {
        why.clear();
        EXPECT_EQ(openAppDocuments(d->dev, id, &conn, &why), MDERR_APP_GONE) << id;
        EXPECT_EQ(why, appGoneText()) << id;
        EXPECT_EQ(conn, nullptr);
    }

    setLocked(device.dir(), true);
    EXPECT_EQ(openAppDocuments(d->dev, "org.example.reader", &conn, &why), MDERR_DEVICE_LOCKED);
    EXPECT_EQ(why, "Unlock the iPhone and try again.");
    setLocked(device.dir(), false);
    ASSERT_EQ(openAppDocuments(d->dev, "org.example.reader", &conn, &why), MDERR_OK);

    // Removed while the program runs: the next open says so.
    fs::remove_all(device.dir() + "/apps/org.example.reader");
    EXPECT_EQ(openAppDocuments(d->dev, "org.example.reader", &conn, &why), MDERR_APP_GONE);
    std::vector<DeviceApp> apps;
    ASSERT_EQ(listSharingApps(d->dev, apps), MDERR_OK);
    EXPECT_TRUE(apps.empty());

    // A container that leads out of the device's folder is not opened.
    addApp(app("org.example.reader", "Reader", {"org.idpf.epub-container"}));
    const std::string container = device.dir() + "/apps/org.example.reader/container";
    fs::remove_all(container);
    fs::create_directory_symlink(local.path(), container);
    EXPECT_NE(openAppDocuments(d->dev, "org.example.reader", &conn, &why), MDERR_OK);
    EXPECT_FALSE(fs::exists(local.path() + "/Documents"));
}

} // namespace
