// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// The device is pulled out part way through a batch (an import, an export, a deletion) or a
// survey, and stays out or comes back at once: the batch ends at its book, the device and
// the folders hold only whole books, and the device works when it is back.
#include "sweepworld.h"

#include "core/mainqueue.h"
#include "core/notificationcenter.h"
#include "core/scratch.h"
#include "device/backend/devicefaultinjector.h"
#include "device/folder/folderbackend.h"
#include "device/storage/devicesleep.h"
#include "device/storage/loadiphone.h"
#include "library/bookkeys.h"
#include "library/catalogue.h"
#include "library/epub.h"
#include "operations/bookbatch.h"
#include "operations/devicelibrary.h"
#include "tempdir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <thread>

namespace fs = std::filesystem;

namespace {
enum class Work { Import, Export, Delete, Survey };

struct Removal
{
    Work work;
    const char *call; // the device call before whose nth time the cable comes loose
    unsigned long n;
    bool replug; // plugged in again at once (a loose cable)
};
void PrintTo(const Removal &removal, std::ostream *out)
{
    static const char *const names[] = {"Import", "Export", "Delete", "Survey"};
    *out << names[static_cast<int>(removal.work)] << (removal.replug ? "ReplugAt" : "UnplugAt")
         << removal.call << removal.n;
}
std::string removalName(const ::testing::TestParamInfo<Removal> &info)
{
    return ::testing::PrintToString(info.param);
}

class DeviceRemoval : public ::testing::TestWithParam<Removal>
{
protected:
    void SetUp() override
    {
        fs::create_directories(m_base.file("files"));
        fs::create_directories(m_base.file("export"));
        fs::create_directories(m_base.file("scratch"));
        fs::permissions(m_base.file("scratch"), fs::perms::owner_all, fs::perm_options::replace);
        ::setenv("BOOKFERRY_SCRATCH", m_base.file("scratch").c_str(), 1);
        ::setenv("BOOKFERRY_DATA_DIR", m_base.file("data").c_str(), 1);
        resetScratchDir();
        m_world.build(m_base.file("device"), m_base.file("files"));
        m_oldSleeper = setDeviceLinkSleeper([](unsigned int) {});
        DeviceFaultInjector::instance().reset();
        auto backend = std::make_unique<FolderBackend>();
        m_backend = backend.get();
        setDeviceBackend(std::move(backend));
        m_library = std::make_unique<DeviceLibrary>(&m_window);
        m_library->setReplaceQuestion([](const std::string &) { return true; });
        NotificationCenter::defaultCenter().addObserver(this, iphoneUnDeviceInfoNotification,
                                                        [this](const Notification &) { ++m_removals; });
    }
    void TearDown() override
    {
        NotificationCenter::defaultCenter().removeObserver(this);
        m_library.reset();
        setDeviceBackend(nullptr);
        DeviceFaultInjector::instance().reset();
        setDeviceLinkSleeper(m_oldSleeper);
        ::unsetenv("BOOKFERRY_SCRATCH");
        ::unsetenv("BOOKFERRY_DATA_DIR");
        resetScratchDir();
    }

    am_device *plugIn()
    {
        const int runs = m_window.timesRun();
        am_device *device = m_backend->attach(m_base.file("device"));
        EXPECT_TRUE(device);
        EXPECT_TRUE(processMainEventsUntil([&] { return deviceReady(*m_library, m_window, runs); }));
        return device;
    }

    // Pulls the cable just before the row's call is made (from the last reset on), on the
    // thread that makes it; plugs it in again at once for a loose cable.
    void unplugAt(const Removal &removal, const std::atomic<am_device *> &device)
    {
        DeviceFaultInjector::instance().onCall(removal.call, removal.n, [this, removal, &device] {
            m_unplugged = true;
            m_backend->detach(device.load());
            if (removal.replug)
                m_backend->attach(m_base.file("device"));
        });
    }

    BookOperationResult importOne(const std::string &file)
    {
        BookContext context = m_library->bookContext();
        return BookShelf::wholeBook(context, m_library->books().startImport(context, file));
    }

    // The batch as the window runs it: on a transfer thread, on a session opened on the main
    // thread, which goes on serving events.
    std::vector<BookBatch::ItemResult> runBatch(Work work, const std::shared_ptr<DeviceSession> &session)
    {
        MainLatch done;
        std::vector<BookBatch::ItemResult> results;
        CatalogueShelf &shelf = m_library->books();
        std::thread worker([&] {
            BookBatch batch;
            batch.session = session;
            batch.syncLock = work != Work::Export;
            const std::vector<std::string> &items =
                work == Work::Import   ? m_world.importFiles
                : work == Work::Export ? m_world.chosen.at(SweepShelf::Catalogue).exportPaths
                                       : m_world.chosen.at(SweepShelf::Catalogue).deletePaths;
            results = batch.runOverlapped(
                *m_library, items.size(), [&](std::size_t i, BookContext &context) -> BookStart {
                    if (work == Work::Import)
                        return shelf.startImport(context, items[i]);
                    epub record;
                    record.setMediaPcPath(items[i]);
                    record.setisuserItem(true);
                    if (work == Work::Export) {
                        record.setMediaName(m_world.chosen.at(SweepShelf::Catalogue).exportTitles[i]);
                        return shelf.startExport(context, record, m_base.file("export"));
                    }
                    return inTurnOnly(
                        [&shelf, record](BookContext &c) { return shelf.removeBook(c, record); });
                });
            done.set();
        });
        done.wait(std::chrono::seconds(60));
        worker.join();
        return results;
    }

    TempDir m_base;
    SweepWorld m_world;
    DeviceLinkSleeper m_oldSleeper;
    FolderBackend *m_backend = nullptr;
    HeadlessLoadWindow m_window;
    std::unique_ptr<DeviceLibrary> m_library;
    std::atomic_int m_removals{0};
    std::atomic_bool m_unplugged{false};
};
} // namespace

// The batch ends at the book it was on: that one and every one after it fail; the device's
// catalogue parses and names only whole books, among them every book reported done; a device
// that came back is surveyed once the batch has let the device go, not before.
TEST_P(DeviceRemoval, TheBatchEndsAtItsBookAndTheDeviceWorksWhenBack)
{
    const Removal removal = GetParam();
    std::atomic<am_device *> device{nullptr};
    if (removal.work == Work::Survey) {
        unplugAt(removal, device);
        device = m_backend->attach(m_base.file("device"));
        ASSERT_TRUE(device.load());
        ASSERT_TRUE(processMainEventsUntil([&] { return m_unplugged && m_removals > 0; }));
    } else {
        device = plugIn();
        const int surveys = m_window.timesRun();
        std::shared_ptr<DeviceSession> session = m_library->openSession();
        ASSERT_TRUE(session);
        DeviceFaultInjector::instance().reset();
        unplugAt(removal, device);
        const std::vector<BookBatch::ItemResult> results = runBatch(removal.work, session);
        ASSERT_TRUE(m_unplugged) << "the batch ended after "
                                 << DeviceFaultInjector::instance().calls(removal.call) << " calls of "
                                 << removal.call;
        bool ended = false;
        for (const BookBatch::ItemResult &r : results) {
            if (ended)
                EXPECT_TRUE(r.result.failed())
                    << "book " << r.index << " after the removal: " << r.result.message;
            ended = ended || r.result.failed();
        }
        EXPECT_TRUE(ended) << "the removal must be reported";
        ASSERT_TRUE(processMainEventsUntil([&] { return m_removals > 0; }));
        EXPECT_TRUE(session->gone());
        EXPECT_EQ(m_window.timesRun(), surveys) << "nothing is surveyed while the batch holds the device";

        const SweepOperation operation = removal.work == Work::Import   ? SweepOperation::Import
                                         : removal.work == Work::Export ? SweepOperation::Export
                                                                        : SweepOperation::Delete;
        // The device went: what it was writing when it did cannot be taken away.
        RunObservation run{m_base.file("device"), deviceScratchDir(kSweepDeviceID), m_base.file("export"),
                           true, false, true};
        bool complete = false;
        for (const std::string &problem : checkRun(m_world, SweepShelf::Catalogue, operation, run, &complete))
            ADD_FAILURE() << problem;
        std::set<std::string> listed;
        const Catalogue onDevice = Catalogue::load(m_base.file("device/root") + "/Books/Books.plist");
        for (plist_t entry : onDevice.books())
            listed.insert(entryString(entry, BookKey::Path).value_or(""));
        for (const BookBatch::ItemResult &r : results) {
            if (r.result.done() && removal.work == Work::Import)
                EXPECT_TRUE(listed.count(r.result.detail))
                    << r.result.item << " was imported but is not listed";
            if (r.result.done() && removal.work == Work::Delete)
                EXPECT_FALSE(listed.count(m_world.chosen.at(SweepShelf::Catalogue).deletePaths[r.index]))
                    << r.result.item << " was deleted but is listed";
        }
        session.reset();
        if (removal.replug)
            ASSERT_TRUE(processMainEventsUntil([&] { return deviceReady(*m_library, m_window, surveys); }))
                << "the device that came back is surveyed once the batch lets it go";
    }
    DeviceFaultInjector::instance().reset();
    if (!removal.replug)
        plugIn();
    const BookOperationResult again = importOne(m_world.importFiles.back());
    EXPECT_TRUE(again.done()) << again.message;
}

// Points in the import (a book's folder made, a file written mid-copy, the first catalogue
// change, a file late in the last book: the import writes 19), the export (a file read), the
// deletion (its catalogue read, changed, a folder removed) and the arrival's survey (the
// catalogue's copy read). One point a cable pulled and one a loose cable reach
// the same code of the batch, so each point has one of the two.
INSTANTIATE_TEST_SUITE_P(Removal, DeviceRemoval,
                         ::testing::Values(Removal{Work::Import, "AFCFileRefWrite", 10, false},
                                           Removal{Work::Export, "AFCFileRefRead", 3, false},
                                           Removal{Work::Survey, "AFCFileRefRead", 1, false},
                                           Removal{Work::Import, "AFCDirectoryCreate", 1, true},
                                           Removal{Work::Import, "AFCRenamePath", 1, true},
                                           Removal{Work::Import, "AFCFileRefWrite", 16, true},
                                           Removal{Work::Delete, "AFCFileRefRead", 1, true},
                                           Removal{Work::Delete, "AFCRenamePath", 1, true},
                                           Removal{Work::Delete, "AFCRemovePath", 1, true}),
                         removalName);
