// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "devicetest.h"

#include "device/backend/deviceapps.h"
#include "device/deviceselection.h"
#include "device/folder/demodevice.h"
#include "device/backend/plistutil.h"

#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;

using DemoDeviceTest = DeviceTest;

TEST_F(DemoDeviceTest, TheDemoDeviceIsAnIPhoneWithBooks)
{
    TempDir data;
    ::setenv("BOOKFERRY_DATA_DIR", data.path().c_str(), 1);
    EXPECT_EQ(demoDeviceDir(), data.path() + "/demo-device");
    std::string error;
    auto made = makeDeviceBackend("demo", &error);
    ::unsetenv("BOOKFERRY_DATA_DIR");
    ASSERT_NE(made, nullptr) << error;
    auto *folder = dynamic_cast<FolderBackend *>(made.get());
    ASSERT_NE(folder, nullptr);
    ASSERT_EQ(folder->attachedDevices().size(), 1u);
    backend = folder;
    setDeviceBackend(std::move(made));
    startLink();
    processMainEventsUntil([&] { return lastSurvey().has_value(); });
    auto s = lastSurvey();
    ASSERT_TRUE(s);
    EXPECT_EQ(s->at("DeviceName"), "Demo iPhone");
    EXPECT_EQ(s->at("ipodType"), "iPhone");
    EXPECT_EQ(s->at("ProductVersion"), "16.7");
    const double total = std::stod(s->at("FSTotalBytes")), free = std::stod(s->at("FSFreeBytes"));
    const double music = std::stod(s->at("MusicSzie")), video = std::stod(s->at("VideoSzie"));
    const double photos = std::stod(s->at("PhotoSzie")), books = std::stod(s->at("BooksSzie"));
    EXPECT_GT(free, 0.1 * total);
    EXPECT_GT(music, 1e9);
    EXPECT_GT(video, 1e9);
    EXPECT_GT(photos, 1e9);
    EXPECT_GT(books, 1000);
    EXPECT_LT(music + video + photos + books, total - free); // room for "other"

    // The catalogue copies list the sample books, and every listed book is there.
    PlistPtr library = readPlistFile(deviceCopyPath("Books/Books.plist", "00008030-0016D8A43C0B802E"));
    PlistPtr purchases = readPlistFile(deviceCopyPath("Books/Purchases/Purchases.plist", "00008030-0016D8A43C0B802E"));
    ASSERT_TRUE(library && purchases);
    plist_t books1 = plist_dict_get_item(library.get(), "Books");
    plist_t books2 = plist_dict_get_item(purchases.get(), "Books");
    ASSERT_EQ(plist_array_get_size(books1), 3u);
    ASSERT_EQ(plist_array_get_size(books2), 1u);
    int userItems = 0;
    const std::string root = data.path() + "/demo-device/root";
    for (uint32_t i = 0; i < 3; ++i) {
        plist_t entry = plist_array_get_item(books1, i);
        plist_t user = plist_dict_get_item(entry, "User Item");
        uint8_t flag = 0;
        if (user)
            plist_get_bool_val(user, &flag);
        userItems += flag;
        const std::string path = *plistScalarText(plist_dict_get_item(entry, "Path"));
        EXPECT_EQ(path.size(), 9u);
        const std::string opf = readWholeFile(root + "/Books/" + path + "/OEBPS/content.opf");
        EXPECT_NE(opf.find("<dc:title>" + *plistScalarText(plist_dict_get_item(entry, "Name")) + "</dc:title>"),
                  std::string::npos);
        EXPECT_NE(readWholeFile(root + "/Books/" + path + "/META-INF/container.xml").find("OEBPS/content.opf"),
                  std::string::npos);
        EXPECT_EQ(readWholeFile(root + "/Books/" + path + "/mimetype"), "application/epub+zip");
    }
    EXPECT_EQ(userItems, 2);
    const std::string bought = *plistScalarText(plist_dict_get_item(plist_array_get_item(books2, 0), "Path"));
    EXPECT_TRUE(fs::exists(root + "/Books/Purchases/" + bought + "/OEBPS/nav.xhtml"));

    // Three sharing apps with icons; the two readers hold two books each: zip files with the
    // stored "mimetype" entry first.
    am_device *dev = link->user_data()->dev;
    std::vector<DeviceApp> apps;
    ASSERT_EQ(listSharingApps(dev, apps), MDERR_OK);
    ASSERT_EQ(apps.size(), 3u);
    int readers = 0;
    for (const DeviceApp &a : apps) {
        readers += a.takesEpub;
        std::string png;
        ASSERT_EQ(copyAppIcon(dev, a.identifier, png), MDERR_OK);
        ASSERT_GT(png.size(), 33u);
        EXPECT_EQ(png.substr(0, 16), std::string("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR", 16));
        if (!a.takesEpub)
            continue;
        int books = 0;
        const std::string app = data.path() + "/demo-device/apps/" + a.identifier;
        for (const auto &entry : fs::recursive_directory_iterator(app + "/container/Documents")) {
            if (entry.path().extension() != ".epub")
                continue;
            ++books;
            const std::string zip = readWholeFile(entry.path().string());
            EXPECT_EQ(zip.substr(0, 4), "PK\x03\x04");
            EXPECT_EQ(zip.substr(30, 28), "mimetypeapplication/epub+zip");
            EXPECT_EQ(zip.substr(zip.size() - 22, 4), "PK\x05\x06");
            EXPECT_NE(zip.find("OEBPS/content.opf"), std::string::npos);
        }
        EXPECT_EQ(books, 2) << a.identifier;
    }
    EXPECT_EQ(readers, 2);
    EXPECT_FALSE(fs::exists(data.path() + "/demo-device/.demo-books"));
}

TEST_F(DemoDeviceTest, SelectionStrings)
{
    std::string error;
    EXPECT_EQ(makeDeviceBackend("bogus", &error), nullptr);
    EXPECT_NE(error.find("unknown device selection"), std::string::npos);
    EXPECT_EQ(makeDeviceBackend("folder:", &error), nullptr);
    EXPECT_EQ(makeDeviceBackend("folder:" + local.file("none"), &error), nullptr);
    EXPECT_NE(error.find("is not a folder device"), std::string::npos);
    device.write();
    auto made = makeDeviceBackend("folder:" + device.dir(), &error);
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->name(), "folder");
#if !BOOKFERRY_USB
    EXPECT_EQ(makeDeviceBackend("usb", &error), nullptr);
    EXPECT_EQ(error, "USB devices are not supported by this build");
#endif
}
