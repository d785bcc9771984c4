// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// The main window over USB: the emulator plugs a device in and out while the window runs,
// also when usbmuxd starts only after the window and restarts; a device that does not trust
// this computer, and a scratch folder that cannot be used, are explained in the window; the
// getting-started side offers the demo device; the window closes at once with usbmuxd gone.
#include "app/devicepanel.h"
#include "app/maincontroler.h"
#include "app/qtloadwindow.h"
#include "app/userinteraction.h"
#include "core/mainqueue.h"
#include "core/scratch.h"
#include "device/usb/imobiledevicebackend.h"
#include "emulatorharness.h"
#include "epubbuilder.h"
#include "operations/devicelistmodel.h"
#include "windowdevices.h"
#include "widgets/aioutlineview.h"
#include "widgets/aitableview.h"
#include "widgets/linkbutton.h"
#include "widgets/xlpopupmenubutton.h"

#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <random>
#include <utility>

namespace {

const std::string kUdid = "00008030001a2b3c4d5e6f708192a3b4c5d6e7f0";

// No panel or question is expected here; each would be answered "cancelled", but for the
// import panel when a test gave it books.
class NoInteraction : public UserInteraction
{
public:
    NoInteraction(QStringList importPaths, QString exportFolder)
        : m_importPaths(std::move(importPaths)), m_exportFolder(std::move(exportFolder))
    {
    }
    QStringList chooseImportPaths(QWidget *) override { return std::exchange(m_importPaths, {}); }
    QString chooseExportFolder(QWidget *) override { return std::exchange(m_exportFolder, {}); }
    int ask(QWidget *, const QString &, const QString &, const QStringList &) override { return 1001; }

private:
    QStringList m_importPaths;
    QString m_exportFolder;
};

// The device folder written here: this program also holds the folder backend's own
// device description type, which must not meet the harness's of the same name.
std::string writeDevice(const std::string &dir, bool paired)
{
    std::filesystem::create_directories(dir + "/root/Books");
    writeWholeFile(dir + "/device.plist",
                   "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
                   "<key>UniqueDeviceID</key><string>" + kUdid + "</string>"
                   "<key>Paired</key>" + (paired ? "<true/>" : "<false/>") +
                   "<key>Values</key><dict><key>DeviceName</key><string>Emulated iPhone</string>"
                   "<key>ProductVersion</key><string>16.7.2</string><key>ProductType</key><string>iPhone12,1</string>"
                   "<key>SerialNumber</key><string>F2LEMU000002</string><key>VolumeFormat</key><string>APFS</string>"
                   "</dict><key>DeviceInfo</key><dict><key>Model</key><string>iPhone12,1</string>"
                   "<key>FSTotalBytes</key><string>64000000000</string></dict></dict></plist>\n");
    return dir;
}

class UsbWindowTest : public ::testing::Test
{
protected:
    void TearDown() override
    {
        if (m_window)
            m_window->joinWorker();
        m_window.reset();
        setDeviceBackend(nullptr); // unsubscribes before the emulator goes
        ::unsetenv("USBMUXD_SOCKET_ADDRESS");
    }

    // The emulator with its arguments, then the window watching it through the USB backend.
    void startWindow(const std::vector<std::string> &emulatorArguments)
    {
        ASSERT_TRUE(m_emulator.start(emulatorArguments));
        openWindow();
    }

    // The window on the USB link, whether or not usbmuxd runs.
    void openWindow(const QStringList &importPaths = {}, const QString &exportFolder = {})
    {
        ::setenv("USBMUXD_SOCKET_ADDRESS", ("UNIX:" + m_emulator.socketPath()).c_str(), 1);
        std::string error;
        std::unique_ptr<DeviceBackend> backend = makeIMobileDeviceBackend({}, &error);
        ASSERT_TRUE(backend) << error;
        setDeviceBackend(std::move(backend));
        m_window =
            std::make_unique<mainControler>(std::make_unique<NoInteraction>(importPaths, exportFolder));
        m_window->awakeFromNib();
        m_window->mainWindow->show();
    }

    bool deviceShown() const
    {
        return deviceCount(*m_window) == 1 && !m_window->box->isHidden();
    }
    bool placeholderShown() const
    {
        return deviceCount(*m_window) == 0 && m_window->box->isHidden()
               && !m_window->ipodBgView->isHidden();
    }
    LinkButton *demoLink() const { return m_window->mainWindow->findChild<LinkButton *>(QStringLiteral("demoLinkButton")); }

    ScopedScratch m_scratch;
    TempDir m_tmp;
    EmulatorProcess m_emulator{m_tmp.path()};
    std::unique_ptr<mainControler> m_window;
};

} // namespace

// Launched before usbmuxd (as from the desktop menu with nothing plugged in): the window
// waits on the USB link and shows the device once usbmuxd starts and it is plugged in; it
// follows the device out and in, usbmuxd stopping and starting again, and usbmuxd killed
// (its socket file stays behind, no daemon behind it), after which closing the window ends
// everything within 2 seconds.
TEST_F(UsbWindowTest, DeviceFollowedThroughPlugsAndUsbmuxdRestartsAndTheWindowClosesAtOnce)
{
    const std::string dir = writeDevice(m_tmp.file("dev"), true);
    ASSERT_FALSE(std::filesystem::exists(m_emulator.socketPath()));
    openWindow();
    ASSERT_TRUE(placeholderShown());
    ASSERT_TRUE(demoLink());
    EXPECT_FALSE(demoLink()->isHidden());
    const auto plugIn = [&](int step) {
        ASSERT_EQ(m_emulator.control("attach " + kUdid), "ok\n") << step;
        ASSERT_TRUE(processMainEventsUntil([this] { return deviceShown(); })) << step;
        EXPECT_EQ(m_window->ipodNameTextField->text(), QStringLiteral("Emulated iPhone")) << step;
        EXPECT_TRUE(m_window->deviceMessageLabel->isHidden()) << step;
        EXPECT_TRUE(demoLink()->isHidden()) << step;
    };
    const auto placeholderBack = [&](int step) {
        ASSERT_TRUE(processMainEventsUntil([this] { return placeholderShown(); })) << step;
        EXPECT_FALSE(demoLink()->isHidden()) << step;
    };

    ASSERT_TRUE(m_emulator.start({"--detached", dir}));
    ASSERT_NO_FATAL_FAILURE(plugIn(0));
    ASSERT_EQ(m_emulator.control("detach " + kUdid), "ok\n");
    ASSERT_NO_FATAL_FAILURE(placeholderBack(0));
    ASSERT_NO_FATAL_FAILURE(plugIn(1));
    m_emulator.stop();
    ASSERT_NO_FATAL_FAILURE(placeholderBack(1));
    ASSERT_TRUE(m_emulator.start({"--detached", dir}));
    ASSERT_NO_FATAL_FAILURE(plugIn(2));
    ASSERT_TRUE(m_emulator.signal(SIGKILL));
    m_emulator.stop();
    ASSERT_TRUE(std::filesystem::exists(m_emulator.socketPath()));
    ASSERT_NO_FATAL_FAILURE(placeholderBack(2));

    const auto closing = std::chrono::steady_clock::now();
    m_window->mainWindow->close();
    m_window.reset();
    setDeviceBackend(nullptr);
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - closing).count(), 2.0);
}

TEST_F(UsbWindowTest, UntrustedDeviceIsExplainedInTheWindow)
{
    startWindow({writeDevice(m_tmp.file("dev"), false)});
    ASSERT_TRUE(processMainEventsUntil([this] { return !m_window->deviceMessageLabel->isHidden(); }));
    EXPECT_TRUE(m_window->deviceMessageLabel->text().contains(QStringLiteral("Unlock the device and tap Trust")))
        << m_window->deviceMessageLabel->text().toStdString();
    EXPECT_TRUE(placeholderShown());
    EXPECT_EQ(m_emulator.counter("lockdown.StartSession"), 0u);
}

// The link starts the demo device in place of this window; when that fails, the window
// stays and says so.
TEST_F(UsbWindowTest, DemoLinkStartsTheDemoDevice)
{
    openWindow();
    int asked = 0;
    bool starts = false;
    DevicePanel::setDemoLauncher([&] {
        ++asked;
        return starts;
    });
    ASSERT_TRUE(demoLink());
    demoLink()->click();
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(m_window->mainWindow->isVisible());
    EXPECT_FALSE(m_window->deviceMessageLabel->isHidden());
    EXPECT_EQ(m_window->deviceMessageLabel->text(), QStringLiteral("The demo device could not be started."));

    starts = true;
    demoLink()->click();
    EXPECT_EQ(asked, 2);
    EXPECT_FALSE(m_window->mainWindow->isVisible());
    DevicePanel::setDemoLauncher({});
}

// No device could be listed without the scratch folder: the window says why at once.
TEST_F(UsbWindowTest, UnusableScratchFolderIsExplained)
{
    const std::string notAFolder = m_tmp.file("scratch-file");
    writeWholeFile(notAFolder, "x");
    const char *saved = std::getenv("BOOKFERRY_SCRATCH");
    const std::string previous = saved ? saved : "";
    ::setenv("BOOKFERRY_SCRATCH", notAFolder.c_str(), 1);
    resetScratchDir();
    openWindow();
    ::setenv("BOOKFERRY_SCRATCH", previous.c_str(), 1);
    resetScratchDir();

    EXPECT_FALSE(m_window->deviceMessageLabel->isHidden());
    EXPECT_EQ(m_window->deviceMessageLabel->text().toStdString(),
              "The scratch folder " + notAFolder + " cannot be used: it is not a folder. Set BOOKFERRY_SCRATCH "
              "to a folder of your own.");
}

namespace {
// The names below a device folder, with the size of each file.
std::map<std::string, std::uintmax_t> treeOf(const std::string &folder)
{
    std::map<std::string, std::uintmax_t> tree;
    std::error_code ec;
    for (std::filesystem::recursive_directory_iterator it(folder, ec), end; !ec && it != end;
         it.increment(ec)) {
        std::error_code sizeError;
        const std::uintmax_t size = it->is_regular_file(sizeError) ? it->file_size(sizeError) : 0;
        tree[std::filesystem::relative(it->path(), folder, sizeError).string()] = sizeError ? 0 : size;
    }
    return tree;
}
} // namespace

// 16 MB that does not compress: at 2 MB/s, a book that holds it takes about 8 seconds.
std::string noise()
{
    std::string bytes(16u * 1024 * 1024, '\0');
    std::mt19937 random(7);
    for (char &c : bytes)
        c = static_cast<char>(random());
    return bytes;
}

class UsbTransferTest : public UsbWindowTest, public ::testing::WithParamInterface<bool>
{
protected:
    void showCustomBooks()
    {
        DeviceListModel *model = deviceList(*m_window);
        m_window->iPodTableView->setCurrentIndex(model->index(1, 0, model->index(0, 0)));
    }
    // Whether a file below `folder` whose name holds `fragment` has bytes yet: the book is in
    // the middle of its copy.
    static bool fileGrowing(const std::string &folder, const std::string &fragment)
    {
        for (const auto &[name, size] : treeOf(folder))
            if (name.find(fragment) != std::string::npos && size > 0)
                return true;
        return false;
    }
};

// Closing the window while a large book goes over a slow link, in either direction: the book
// stops within a piece of its file, not as a failure, and the window is gone within 2 seconds;
// the device keeps its catalogue and books as they were (an import's partial folder goes),
// and the user's folder gets nothing of an exported book.
TEST_P(UsbTransferTest, WindowClosedDuringATransferEndsWithinTwoSecondsAndLeavesNothingHalfDone)
{
    const bool exporting = GetParam();
    const std::string dir = writeDevice(m_tmp.file("dev"), true);
    const std::string books = dir + "/root/Books";
    writeWholeFile(
        books + "/Books.plist",
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict><key>Books</key><array>"
        "<dict><key>Name</key><string>Large</string><key>Path</key><string>large.epub</string>"
        "<key>Persistent ID</key><string>0000000000001234</string><key>User Item</key><true/></dict>"
        "</array></dict></plist>\n");
    writeWholeFile(books + "/large.epub/mimetype", "application/epub+zip");
    writeWholeFile(books + "/large.epub/META-INF/container.xml",
                   EpubBuilder::containerFor("OEBPS/content.opf"));
    writeWholeFile(books + "/large.epub/OEBPS/content.opf", EpubBuilder::packageDocument("Large", "Writer"));
    writeWholeFile(books + "/large.epub/OEBPS/images/large.bin", noise());
    const auto before = treeOf(books);
    const std::string book = m_tmp.file("incoming.epub");
    ASSERT_TRUE(EpubBuilder::validBook("Incoming", "Writer")
                    .add("OEBPS/images/incoming.bin", noise(), true)
                    .write(book));
    const std::string out = m_tmp.file("out");
    std::filesystem::create_directories(out);

    ASSERT_TRUE(m_emulator.start({"--bandwidth", "2", dir}));
    openWindow({QString::fromStdString(book)}, QString::fromStdString(out));
    ASSERT_TRUE(processMainEventsUntil([this] { return deviceShown(); }));
    showCustomBooks();
    const QWidget *command = exporting ? static_cast<QWidget *>(m_window->ipodtoMacButton)
                                       : static_cast<QWidget *>(m_window->addMediaButton);
    ASSERT_TRUE(processMainEventsUntil([&] { return command->isEnabled(); }));
    if (exporting)
        m_window->loadMediaIpodToPC();
    else
        m_window->loadMediaPCToIpod();
    ASSERT_TRUE(m_window->isTransferRunning());
    // A piece of the large file has come: onto the device, or into the scratch folder.
    const auto pieceCame = [&] {
        return exporting ? fileGrowing(m_scratch.path(), ".download-") : fileGrowing(books, "incoming.bin");
    };
    ASSERT_TRUE(processMainEventsUntil(pieceCame, std::chrono::seconds(20)));
    const auto closing = std::chrono::steady_clock::now();
    m_window->mainWindow->close();
    EXPECT_TRUE(m_window->endWork(std::chrono::seconds(2)));
    EXPECT_TRUE(m_window->lastFailures().empty()); // stopped, not failed
    m_window.reset();
    const double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - closing).count();
    RecordProperty("closeSeconds", std::to_string(took));
    EXPECT_LT(took, 2.0);
    EXPECT_EQ(treeOf(books), before);
    EXPECT_TRUE(treeOf(out).empty());
}

INSTANTIATE_TEST_SUITE_P(BothWays, UsbTransferTest, ::testing::Bool(), [](const auto &info) {
    return info.param ? "Export" : "Import";
});

// Closing the window while the device is surveyed (a large photo library over a slow link):
// the survey stops, and the window is gone within 2 seconds.
TEST_F(UsbWindowTest, WindowClosedDuringASurveyEndsWithinTwoSeconds)
{
    const std::string dir = writeDevice(m_tmp.file("dev"), true);
    for (int folder = 0; folder < 300; ++folder)
        for (int photo = 0; photo < 10; ++photo)
            writeWholeFile(
                dir + "/root/DCIM/" + std::to_string(folder) + "/" + std::to_string(photo) + ".jpg", "j");

    std::optional<std::chrono::steady_clock::time_point> closed;
    QTimer closer;
    // Fires inside the survey's own event loop: once a folder was read, the window closes.
    QObject::connect(&closer, &QTimer::timeout, [&] {
        QLabel *detail = m_window && m_window->loadwindow
                             ? m_window->loadwindow->findChild<QLabel *>(QStringLiteral("loadDetail"))
                             : nullptr;
        if (closed || !detail || detail->text().isEmpty())
            return;
        closed = std::chrono::steady_clock::now();
        m_window->mainWindow->close();
    });
    closer.start(5);
    startWindow({"--latency", "20", dir});
    ASSERT_TRUE(processMainEventsUntil([&] { return closed.has_value(); }, std::chrono::seconds(30)));
    closer.stop();
    EXPECT_TRUE(m_window->endWork(std::chrono::seconds(2)));
    m_window.reset();
    setDeviceBackend(nullptr);
    const double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - *closed).count();
    EXPECT_LT(took, 2.0);
    RecordProperty("closeSeconds", std::to_string(took));
}
