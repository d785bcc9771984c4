// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// PDFs in a reader app through the emulator: listed beside its ePubs with covers, imported,
// exported and deleted over house_arrest as on the folder device.
#include "core/mainqueue.h"
#include "device/storage/loadiphone.h"
#include "device/storage/shelf.h"
#include "device/usb/imobiledevicebackend.h"
#include "emulatorharness.h"
#include "pdfshelfcheck.h"

#include <atomic>
#include <filesystem>

namespace fs = std::filesystem;

class PdfAppsEmulatorTest : public ::testing::Test
{
protected:
    TempDir tmp;
    ScopedScratch scratch;
    EmulatorProcess emulator{tmp.path()};
    std::unique_ptr<loadIPhone> link;
    std::atomic_bool surveyed{false};
    const int tag = 0;

    void TearDown() override
    {
        NotificationCenter::defaultCenter().removeObserver(&tag);
        link.reset();
        setDeviceBackend(nullptr);
        ::unsetenv("USBMUXD_SOCKET_ADDRESS");
    }
};

TEST_F(PdfAppsEmulatorTest, PdfsThroughTheEmulator)
{
    const std::string deviceDir = makeFolderDevice(tmp.file("dev"), {});
    fs::create_directories(deviceDir + "/root/Books");
    // The app's one document type is PDF; its ePubs count as it holds them.
    FolderAppDescription app;
    app.identifier = kPdfReader;
    app.displayName = "Pages";
    app.contentType = "com.adobe.pdf";
    addFolderApp(deviceDir, app);
    std::string error;
    ASSERT_TRUE(emulator.start({deviceDir}));
    ::setenv("USBMUXD_SOCKET_ADDRESS", ("UNIX:" + emulator.socketPath()).c_str(), 1);
    setDeviceBackend(makeIMobileDeviceBackend("", &error));
    NotificationCenter::defaultCenter().addObserver(&tag, DeviceInfoNotification,
                                                    [this](const Notification &) { surveyed = true; });
    link.reset(loadIPhone::initDevice(nullptr));
    ASSERT_TRUE(link && processMainEventsUntil([this] { return surveyed.load(); }, std::chrono::seconds(60)));
    am_device *device = link->user_data()->dev;
    std::vector<DeviceApp> apps;
    ASSERT_EQ(listSharingApps(device, apps), MDERR_OK);
    ASSERT_EQ(apps.size(), 1u);
    EXPECT_TRUE(apps[0].takesPdf);
    afc_connection *connection = nullptr;
    ASSERT_EQ(openShelf(device, Shelf::app(kPdfReader), &connection), MDERR_OK);
    checkPdfShelf(connection, deviceDir + "/apps/" + kPdfReader + "/container/Documents", tmp.path());
    AFCConnectionClose(connection);
}
