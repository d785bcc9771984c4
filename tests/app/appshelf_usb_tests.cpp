// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// A reader app in the window through the USB backend and the emulator: the app's node and icon,
// its books, and every file-service connection the window opened for it ended.
#include "app/appshelf.h"
#include "app/maincontroler.h"
#include "app/userinteraction.h"
#include "core/mainqueue.h"
#include "core/scratch.h"
#include "device/usb/imobiledevicebackend.h"
#include "emulatorharness.h"
#include "epubbuilder.h"
#include "operations/devicelistmodel.h"
#include "tempdir.h"
#include "windowdevices.h"
#include "widgets/aioutlineview.h"
#include "widgets/aitableview.h"

#include <QFrame>
#include <QImage>
#include <QMainWindow>
#include <QTableView>

#include <gtest/gtest.h>

#include <filesystem>

namespace {

const std::string kUdid = "00008030001a2b3c4d5e6f708192a3b4c5d6e7f1";

class QuietInteraction : public UserInteraction
{
public:
    QStringList chooseImportPaths(QWidget *) override { return {}; }
    QString chooseExportFolder(QWidget *) override { return {}; }
    int ask(QWidget *, const QString &, const QString &, const QStringList &) override { return 1000; }
};

std::string pngBytes()
{
    QImage image(60, 60, QImage::Format_RGB32);
    image.fill(Qt::darkGreen);
    const std::string file = std::filesystem::temp_directory_path() / "bookferry-appshelf-icon.png";
    image.save(QString::fromStdString(file), "PNG");
    const std::string bytes = readWholeFile(file);
    std::filesystem::remove(file);
    return bytes;
}

} // namespace

TEST(AppShelfUsbTest, AnAppsBooksComeThroughTheLinkAndEveryConnectionOpenedForItEnds)
{
    ScopedScratch scratch;
    TempDir tmp;
    TempDir data;
    ::setenv("BOOKFERRY_DATA_DIR", data.path().c_str(), 1);
    const std::string dir = tmp.file("dev");
    std::filesystem::create_directories(dir + "/root/Books");
    writeWholeFile(
        dir + "/device.plist",
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
        "<key>UniqueDeviceID</key><string>" +
            kUdid +
            "</string><key>Paired</key><true/>"
            "<key>Values</key><dict><key>DeviceName</key><string>Emulated iPhone</string>"
            "<key>ProductVersion</key><string>17.5</string><key>ProductType</key><string>iPhone15,2</string>"
            "</dict><key>DeviceInfo</key><dict><key>Model</key><string>iPhone15,2</string></dict></dict></"
            "plist>\n");
    FolderAppDescription reader;
    reader.identifier = "org.example.reader";
    reader.displayName = "Reader";
    reader.iconPng = pngBytes();
    addFolderApp(dir, reader);
    const std::string documents = dir + "/apps/org.example.reader/container/Documents";
    ASSERT_TRUE(EpubBuilder::validBook("Persuasion", "Jane Austen").write(documents + "/persuasion.epub"));
    ASSERT_TRUE(EpubBuilder::validBook("Emma", "Jane Austen").write(documents + "/emma.epub"));

    EmulatorProcess emulator(tmp.path());
    ASSERT_TRUE(emulator.start({dir}));
    ::setenv("USBMUXD_SOCKET_ADDRESS", ("UNIX:" + emulator.socketPath()).c_str(), 1);
    std::string error;
    std::unique_ptr<DeviceBackend> backend = makeIMobileDeviceBackend({}, &error);
    ASSERT_TRUE(backend) << error;
    setDeviceBackend(std::move(backend));
    {
        mainControler window(std::make_unique<QuietInteraction>());
        window.awakeFromNib();
        window.mainWindow->show();
        AppShelf &apps = *window.appShelf();
        ASSERT_TRUE(processMainEventsUntil(
            [&] {
                return deviceCount(window) == 1 && !apps.appNodes().empty() && apps.idle();
            },
            std::chrono::seconds(30)));
        EXPECT_EQ(apps.appNodes().front()->titleName(), "Reader");
        EXPECT_EQ(QImage(QString::fromStdString(apps.appNodes().front()->image())).pixelColor(3, 3),
                  QColor(Qt::darkGreen));

        const uint64_t opened = emulator.counter("house_arrest.VendDocuments");
        const uint64_t ended = emulator.counter("ended.afc");
        window.iPodTableView->setCurrentIndex(
            deviceList(window)->indexForNode(apps.appNodes().front()));
        ASSERT_TRUE(processMainEventsUntil(
            [&] { return apps.idle() && window.mediaTableView->model()->rowCount() == 2; },
            std::chrono::seconds(30)));
        // The listing's connections and the cover reader's: each one opened has ended.
        const uint64_t openedNow = emulator.counter("house_arrest.VendDocuments") - opened;
        EXPECT_GE(openedNow, 2u);
        EXPECT_TRUE(emulator.waitForCounter("ended.afc", ended + openedNow));
        EXPECT_EQ(apps.openConnections(), 0);
    }
    setDeviceBackend(nullptr);
    ::unsetenv("USBMUXD_SOCKET_ADDRESS");
    ::unsetenv("BOOKFERRY_DATA_DIR");
}
