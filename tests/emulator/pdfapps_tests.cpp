// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// PDFs in a reader app through the emulator: listed beside its ePubs with covers, imported,
// exported and deleted over house_arrest as on the folder device.
#include "device/storage/shelf.h"
#include "pdfshelfcheck.h"
#include "usblinktest.h"

#include <filesystem>

namespace fs = std::filesystem;

class PdfAppsEmulatorTest : public UsbLinkTest
{
protected:
    ScopedScratch scratch;
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
    userDataIphone *d = startLink({deviceDir});
    ASSERT_NE(d, nullptr);
    std::vector<DeviceApp> apps;
    ASSERT_EQ(listSharingApps(d->dev, apps), MDERR_OK);
    ASSERT_EQ(apps.size(), 1u);
    EXPECT_TRUE(apps[0].takesPdf);
    afc_connection *connection = nullptr;
    ASSERT_EQ(openShelf(d->dev, Shelf::app(kPdfReader), &connection), MDERR_OK);
    checkPdfShelf(connection, deviceDir + "/apps/" + kPdfReader + "/container/Documents", tmp.path());
    AFCConnectionClose(connection);
}
