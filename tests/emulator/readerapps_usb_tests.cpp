// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// Reader apps over a USB link: the reader table through the emulator, and house_arrest's
// VendContainer as devices answer it, driven by libimobiledevice's own client.
#include "core/fullio.h"
#include "operations/readerapps.h"
#include "readerapptable.h"
#include "usblinktest.h"

#include <gtest/gtest.h>
#include <libimobiledevice/afc.h>
#include <libimobiledevice/house_arrest.h>
#include <libimobiledevice/libimobiledevice.h>

#include <algorithm>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

class ReaderAppsUsbTest : public UsbLinkTest
{
protected:
    FolderDeviceDescription desc;
    std::string deviceDir;

    void SetUp() override
    {
        deviceDir = makeFolderDevice(tmp.file("dev"), desc);
        fs::create_directories(deviceDir + "/root/Books");
    }
    void writeInfo(const std::string &identifier, const std::string &keys)
    {
        fs::create_directories(deviceDir + "/apps/" + identifier + "/container/Documents");
        writeWholeFile(deviceDir + "/apps/" + identifier + "/Info.plist",
                       "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
                       "<key>CFBundleIdentifier</key><string>" +
                           identifier +
                           "</string>"
                           "<key>ApplicationType</key><string>User</string>" +
                           keys + "</dict></plist>\n");
    }
};

TEST_F(ReaderAppsUsbTest, TheReaderTableThroughTheEmulator)
{
    writeReaderApps(deviceDir);
    userDataIphone *d = startLink({deviceDir});
    ASSERT_NE(d, nullptr);
    const uint64_t vendsBefore = emulator.counter("house_arrest.VendDocuments");
    const uint64_t endedBefore = emulator.counter("ended.afc");

    std::vector<DeviceApp> apps;
    std::string why;
    ASSERT_EQ(listBookApps(d->dev, {"org.example.toodeep"}, apps, &why), MDERR_OK) << why;
    size_t looks = 0;
    for (const ReaderAppRow &row : readerAppRows()) {
        SCOPED_TRACE(row.identifier);
        const auto app = std::find_if(apps.begin(), apps.end(),
                                      [&](const DeviceApp &a) { return a.identifier == row.identifier; });
        ASSERT_EQ(app != apps.end(), row.listed);
        if (app == apps.end())
            continue;
        const bool chosen = row.identifier == std::string("org.example.toodeep");
        EXPECT_EQ(app->readsBooks(), row.reader || chosen);
        EXPECT_EQ(app->takesEpub || app->booksCategory, row.byAttributes);
        looks += !row.byAttributes && !chosen;
    }
    // One Browse; a look into Documents only for the apps nothing else made readers, each on
    // a connection of its own that is closed after.
    EXPECT_EQ(emulator.counter("instproxy.Browse"), 1u);
    EXPECT_EQ(emulator.counter("house_arrest.VendDocuments") - vendsBefore, looks);
    EXPECT_TRUE(emulator.waitForCounter("ended.afc", endedBefore + looks));
    EXPECT_EQ(emulator.counter("ended.afc") - endedBefore, looks);
}

// A house_arrest command sent by libimobiledevice's client: the vended connection's root
// listing, or the device's error. A refused connection takes no second command.
struct Vended
{
    std::string error;
    std::vector<std::string> root;
};
Vended vend(const std::string &udid, const char *command, const std::string &identifier)
{
    Vended out;
    idevice_t device = nullptr;
    if (idevice_new_with_options(&device, udid.c_str(), IDEVICE_LOOKUP_USBMUX) != IDEVICE_E_SUCCESS) {
        out.error = "no device";
        return out;
    }
    house_arrest_client_t client = nullptr;
    if (house_arrest_client_start_service(device, &client, "readerapps-test") != HOUSE_ARREST_E_SUCCESS) {
        idevice_free(device);
        out.error = "no house_arrest";
        return out;
    }
    plist_t result = nullptr;
    if (house_arrest_send_command(client, command, identifier.c_str()) != HOUSE_ARREST_E_SUCCESS ||
        house_arrest_get_result(client, &result) != HOUSE_ARREST_E_SUCCESS || !result) {
        out.error = "no answer";
    } else if (plist_t error = plist_dict_get_item(result, "Error")) {
        const char *text =
            plist_get_node_type(error) == PLIST_STRING ? plist_get_string_ptr(error, nullptr) : nullptr;
        out.error = text ? text : "?";
        // (the second command may already fail to go out; it never gets an answer)
        plist_t more = nullptr;
        house_arrest_send_command(client, "VendDocuments", "org.example.store");
        if (house_arrest_get_result(client, &more) == HOUSE_ARREST_E_SUCCESS)
            out.error += ", then a second answer";
        plist_free(more);
    } else {
        afc_client_t afc = nullptr;
        char **list = nullptr;
        if (afc_client_new_from_house_arrest_client(client, &afc) == AFC_E_SUCCESS &&
            afc_read_directory(afc, "/", &list) == AFC_E_SUCCESS) {
            for (char **name = list; *name; ++name)
                if (std::string(*name) != "." && std::string(*name) != "..")
                    out.root.emplace_back(*name);
            afc_dictionary_free(list);
            std::sort(out.root.begin(), out.root.end());
        } else {
            out.error = "no file service";
        }
        if (afc)
            afc_client_free(afc);
    }
    plist_free(result);
    house_arrest_client_free(client);
    idevice_free(device);
    return out;
}

// The whole container only for an app installed for development; Documents only for an app
// that shares them; nothing for an app that is not there or a name that climbs out of apps/.
TEST_F(ReaderAppsUsbTest, HouseArrestVendsWhatTheAppAllows)
{
    // Built for development and sharing nothing: its whole container is vended all the same.
    writeInfo("org.example.devbuild", "<key>UIFileSharingEnabled</key><false/><key>Entitlements</key><dict>"
                                      "<key>get-task-allow</key><true/></dict>");
    fs::create_directories(deviceDir + "/apps/org.example.devbuild/container/Library/Preferences");
    fs::create_directories(deviceDir + "/apps/org.example.devbuild/container/tmp");
    // From the store: Documents when it shares them, never the container.
    writeInfo("org.example.store", "<key>UIFileSharingEnabled</key><true/><key>Entitlements</key><dict>"
                                   "<key>get-task-allow</key><false/></dict>");
    writeInfo("org.example.plain", "<key>UIFileSharingEnabled</key><true/>");
    ASSERT_TRUE(startEmulator({deviceDir}));

    const std::string refused = "InstallationLookupFailed";
    const struct
    {
        const char *command;
        const char *identifier;
        std::string error;
    } rows[] = {
        {"VendContainer", "org.example.devbuild", ""},
        {"VendDocuments", "org.example.devbuild", refused},
        {"VendContainer", "org.example.store", refused},
        {"VendDocuments", "org.example.store", ""},
        {"VendContainer", "org.example.plain", refused},
        {"VendDocuments", "org.example.plain", ""},
        {"VendContainer", "org.example.absent", refused},
        {"VendDocuments", "org.example.absent", refused},
        {"VendDocuments", "../../dev", refused},
    };
    for (const auto &row : rows)
        EXPECT_EQ(vend(desc.udid, row.command, row.identifier).error, row.error)
            << row.command << " " << row.identifier;
    EXPECT_EQ(vend(desc.udid, "VendContainer", "org.example.devbuild").root,
              (std::vector<std::string>{"Documents", "Library", "tmp"}));
    EXPECT_EQ(emulator.counter("house_arrest.VendContainer"), 5u);
}

} // namespace
