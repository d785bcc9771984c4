// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// The device is pulled out part way through an import, an export, a deletion and a survey:
// the operation fails cleanly, the list shows the placeholder again, and the device works
// when it comes back.
#include "sweepworld.h"

#include "core/mainqueue.h"
#include "core/scratch.h"
#include "device/storage/devicesleep.h"
#include "device/storage/loadiphone.h"
#include "device/folder/folderbackend.h"
#include "device/backend/devicefaultinjector.h"
#include "library/bookkeys.h"
#include "library/catalogue.h"
#include "operations/bookbatch.h"
#include "operations/devicelibrary.h"
#include "operations/ipodtreelistcontroler.h"
#include "tempdir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <thread>

namespace fs = std::filesystem;

namespace {
// The folder backend, unplugging its device just before the nth file-service call.
class UnpluggingBackend : public FolderBackend
{
public:
    FolderBackend &inner() { return *this; }
    void unplugAt(unsigned long n, am_device *device)
    {
        m_calls = 0;
        m_device = device;
        m_unplugAt = n;
    }
    // A loose cable: unplugged just before the nth call, and plugged in again at once.
    void replugAt(unsigned long n, am_device *device, const std::string &dir)
    {
        m_replugDir = dir;
        unplugAt(n, device);
    }
    unsigned long calls() const { return m_calls; }
    bool unplugged() const { return m_unplugged; }

    int deviceInfo(afc_connection *c, afc_dictionary &o) override { return tick(), FolderBackend::deviceInfo(c, o); }
    int fileInfo(afc_connection *c, const char *p, afc_dictionary &o) override
    {
        return tick(), FolderBackend::fileInfo(c, p, o);
    }
    int directoryList(afc_connection *c, const char *p, afc_directory &o) override
    {
        return tick(), FolderBackend::directoryList(c, p, o);
    }
    int directoryCreate(afc_connection *c, const char *p) override
    {
        return tick(), FolderBackend::directoryCreate(c, p);
    }
    int removePath(afc_connection *c, const char *p) override { return tick(), FolderBackend::removePath(c, p); }
    int renamePath(afc_connection *c, const char *f, const char *t) override
    {
        return tick(), FolderBackend::renamePath(c, f, t);
    }
    int fileOpen(afc_connection *c, const char *p, uint64_t m, afc_file_ref *r) override
    {
        return tick(), FolderBackend::fileOpen(c, p, m, r);
    }
    int fileRead(afc_connection *c, afc_file_ref r, void *b, unsigned int *l) override
    {
        return tick(), FolderBackend::fileRead(c, r, b, l);
    }
    int fileWrite(afc_connection *c, afc_file_ref r, const void *b, unsigned int l) override
    {
        return tick(), FolderBackend::fileWrite(c, r, b, l);
    }
    int fileClose(afc_connection *c, afc_file_ref r) override { return tick(), FolderBackend::fileClose(c, r); }
    int fileLock(afc_connection *c, afc_file_ref r) override { return tick(), FolderBackend::fileLock(c, r); }
    int fileUnlock(afc_connection *c, afc_file_ref r) override { return tick(), FolderBackend::fileUnlock(c, r); }

private:
    void tick()
    {
        if (m_unplugAt != 0 && ++m_calls == m_unplugAt && !m_unplugged) {
            m_unplugged = true;
            detach(m_device);
            if (!m_replugDir.empty())
                attach(m_replugDir);
        }
    }
    std::atomic<unsigned long> m_calls{0};
    std::atomic<unsigned long> m_unplugAt{0};
    std::atomic_bool m_unplugged{false};
    am_device *m_device = nullptr;
    std::string m_replugDir; // set before the calls it is read in
};

enum class Work { Import, Export, Delete, Survey };
const char *workWord(Work work)
{
    static const char *const names[] = {"Import", "Export", "Delete", "Survey"};
    return names[static_cast<int>(work)];
}
// Parameters print as words, so the listed test names stay the same from run to run.
void PrintTo(Work work, std::ostream *out)
{
    *out << workWord(work);
}

class RemovalFixture : public ::testing::Test
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
        auto backend = std::make_unique<UnpluggingBackend>();
        m_backend = backend.get();
        setDeviceBackend(std::move(backend));
        m_library = std::make_unique<DeviceLibrary>(&m_window);
        m_controller = std::make_unique<iPodTreeListControler>(*m_library);
        m_library->setReplaceQuestion([](const std::string &) { return true; });
    }
    void TearDown() override
    {
        m_controller.reset();
        m_library.reset();
        setDeviceBackend(nullptr);
        setDeviceLinkSleeper(m_oldSleeper);
        ::unsetenv("BOOKFERRY_SCRATCH");
        ::unsetenv("BOOKFERRY_DATA_DIR");
        resetScratchDir();
    }

    am_device *plugIn()
    {
        const int runs = m_window.timesRun();
        am_device *device = m_backend->inner().attach(m_base.file("device"));
        EXPECT_TRUE(device);
        EXPECT_TRUE(processMainEventsUntil([&] { return m_controller->ipodCount() == 1 && m_window.timesRun() > runs; }));
        return device;
    }

    // Runs the work on a transfer thread while the main thread goes on serving events, as the
    // window does; answers whether any book failed.
    bool runWork(Work work)
    {
        std::atomic_bool done{false};
        bool failed = false;
        std::thread worker([&] {
            std::vector<BookOperationResult> results;
            switch (work) {
            case Work::Import:
                for (const std::string &file : m_world.importFiles)
                    results.push_back(m_controller->addEPUBToDevice(file));
                break;
            case Work::Export:
                for (std::size_t i = 0; i < m_world.exportPaths.size(); ++i)
                    results.push_back(m_controller->saveEpubToMac(m_world.exportPaths[i], m_base.file("export"), false,
                                                                  m_world.exportTitles[i]));
                break;
            case Work::Delete:
                for (const std::string &path : m_world.deletePaths) {
                    epub record;
                    record.setMediaPcPath(path);
                    record.setisuserItem(true);
                    results.push_back(m_controller->deleteMediaFromDevice(record));
                }
                break;
            case Work::Survey:
                break;
            }
            for (const auto &r : results)
                failed = failed || r.failed();
            done = true;
        });
        processMainEventsUntil([&] { return done.load(); });
        worker.join();
        return failed;
    }

    // The device, scratch and export folders after a run that reported a failure: everything
    // the fault sweep checks (whole books only, nothing stray) holds.
    void checkFailedRun(SweepOperation operation)
    {
        bool complete = false;
        RunObservation run;
        run.deviceRoot = m_base.file("device/root");
        run.scratch = deviceScratchDir(kSweepDeviceID);
        run.exportDir = m_base.file("export");
        run.reportedFailure = true;
        for (const std::string &problem : checkRun(m_world, operation, run, &complete))
            ADD_FAILURE() << problem;
    }

    TempDir m_base;
    SweepWorld m_world;
    DeviceLinkSleeper m_oldSleeper;
    UnpluggingBackend *m_backend = nullptr;
    HeadlessLoadWindow m_window;
    std::unique_ptr<DeviceLibrary> m_library;
    std::unique_ptr<iPodTreeListControler> m_controller;
};

class DeviceRemoval : public RemovalFixture, public ::testing::WithParamInterface<Work>
{
};
} // namespace

TEST_P(DeviceRemoval, WorkFailsCleanlyAndTheDeviceComesBack)
{
    const Work work = GetParam();
    am_device *device = nullptr;
    if (work == Work::Survey) {
        // Unplugged during the survey of its arrival.
        m_backend->unplugAt(25, nullptr);
        device = m_backend->inner().attach(m_base.file("device"));
        m_backend->unplugAt(25, device);
        ASSERT_TRUE(device);
    } else {
        device = plugIn();
        m_backend->unplugAt(work == Work::Delete ? 12 : 40, device);
        EXPECT_TRUE(runWork(work)) << "the work must report the removal";
    }
    ASSERT_TRUE(processMainEventsUntil([&] { return m_backend->unplugged() && m_controller->ipodCount() == 0; }))
        << "unplugged " << m_backend->unplugged() << ", devices listed " << m_controller->ipodCount();
    EXPECT_EQ(m_controller->DeviceName(), "Please connect to your device");

    if (work != Work::Survey) {
        checkFailedRun(work == Work::Import   ? SweepOperation::Import
                       : work == Work::Delete ? SweepOperation::Delete
                                              : SweepOperation::Export);
    }

    // Plugged in again: the device comes up and takes a book.
    m_backend->unplugAt(0, nullptr);
    plugIn();
    const BookOperationResult again = m_controller->addEPUBToDevice(m_world.importFiles.back());
    EXPECT_TRUE(again.done()) << again.message;
}

namespace {
std::string workName(const ::testing::TestParamInfo<Work> &info)
{
    return workWord(info.param);
}
} // namespace

INSTANTIATE_TEST_SUITE_P(Work, DeviceRemoval,
                         ::testing::Values(Work::Import, Work::Export, Work::Delete, Work::Survey), workName);

namespace {
struct Replug
{
    Work work;
    unsigned long atCall; // the file-service call before which the cable comes loose
};
void PrintTo(const Replug &replug, std::ostream *out)
{
    *out << workWord(replug.work) << " at call " << replug.atCall;
}

class BatchReplug : public RemovalFixture, public ::testing::WithParamInterface<Replug>
{
protected:
    // The batch as the window runs it: on a transfer thread, on a session opened on the main
    // thread, which goes on serving events.
    std::vector<BookBatch::ItemResult> runBatch(Work work, const std::shared_ptr<DeviceSession> &session)
    {
        std::atomic_bool done{false};
        std::vector<BookBatch::ItemResult> results;
        std::thread worker([&] {
            BookBatch batch;
            batch.session = session;
            batch.syncLock = true;
            if (work == Work::Import) {
                results = batch.runOverlapped(*m_library, m_world.importFiles.size(),
                                              [&](std::size_t i, BookContext &context) {
                                                  return m_library->books().startImport(context, m_world.importFiles[i]);
                                              });
            } else {
                results = batch.run(*m_library, m_world.deletePaths.size(),
                                    [&](std::size_t i, BookContext &context) {
                                        epub record;
                                        record.setMediaPcPath(m_world.deletePaths[i]);
                                        record.setisuserItem(true);
                                        return m_library->books().removeBook(context, record);
                                    });
            }
            done = true;
        });
        processMainEventsUntil([&] { return done.load(); });
        worker.join();
        return results;
    }
};
} // namespace

// The device goes and comes back while an import of three books (overlapped, as the window
// runs it) or a deletion of two runs. The batch ends at the book it was on: that one and
// every one after it fail; the device's catalogue parses and names only whole books, among
// them every book reported done; the device that came back is surveyed once the batch has
// let the device go, not before.
TEST_P(BatchReplug, TheBatchEndsAtItsBookAndTheDeviceIsSurveyedAfterIt)
{
    const Replug replug = GetParam();
    am_device *device = plugIn();
    const int surveys = m_window.timesRun();
    std::shared_ptr<DeviceSession> session = m_library->openSession();
    ASSERT_TRUE(session);
    m_backend->replugAt(replug.atCall, device, m_base.file("device"));
    const std::vector<BookBatch::ItemResult> results = runBatch(replug.work, session);
    ASSERT_TRUE(m_backend->unplugged()) << "the batch ended before call " << replug.atCall << " of "
                                         << m_backend->calls();

    const std::size_t count = replug.work == Work::Import ? m_world.importFiles.size() : m_world.deletePaths.size();
    ASSERT_EQ(results.size(), count);
    bool ended = false;
    for (const BookBatch::ItemResult &r : results) {
        if (ended) {
            EXPECT_TRUE(r.result.failed()) << "book " << r.index << " after the removal: " << r.result.message;
        }
        ended = ended || r.result.failed();
    }
    EXPECT_TRUE(ended) << "the removal must be reported";
    ASSERT_TRUE(processMainEventsUntil([&] { return m_controller->ipodCount() == 0; }));
    EXPECT_TRUE(session->gone());
    EXPECT_EQ(m_window.timesRun(), surveys) << "nothing is surveyed while the batch holds the device";

    checkFailedRun(replug.work == Work::Import ? SweepOperation::Import : SweepOperation::Delete);
    std::set<std::string> listed;
    const Catalogue onDevice = Catalogue::load(m_base.file("device/root") + "/Books/Books.plist");
    for (plist_t entry : onDevice.books())
        listed.insert(entryString(entry, BookKey::Path).value_or(""));
    for (const BookBatch::ItemResult &r : results) {
        if (!r.result.done())
            continue;
        if (replug.work == Work::Import) {
            EXPECT_TRUE(listed.count(r.result.detail)) << r.result.item << " was imported but is not listed";
        } else {
            EXPECT_FALSE(listed.count(m_world.deletePaths[r.index])) << r.result.item << " was deleted but is listed";
        }
    }

    // The batch lets the device go: the one that came back is surveyed and takes a book.
    session.reset();
    ASSERT_TRUE(processMainEventsUntil([&] { return m_controller->ipodCount() == 1 && m_window.timesRun() == surveys + 1; }));
    const BookOperationResult again = m_controller->addEPUBToDevice(m_world.importFiles.back());
    EXPECT_TRUE(again.done()) << again.message;
}

namespace {
std::string replugName(const ::testing::TestParamInfo<Replug> &info)
{
    return std::string(info.param.work == Work::Import ? "Import" : "Delete") + "AtCall" +
           std::to_string(info.param.atCall);
}
} // namespace

// The import makes 80 to 98 calls, fewer when more of its books share a catalogue change:
// the late points stay below the fewest.
INSTANTIATE_TEST_SUITE_P(Replug, BatchReplug,
                         ::testing::Values(Replug{Work::Import, 3}, Replug{Work::Import, 40}, Replug{Work::Import, 65},
                                           Replug{Work::Import, 75}, Replug{Work::Delete, 3}, Replug{Work::Delete, 20},
                                           Replug{Work::Delete, 40}),
                         replugName);
