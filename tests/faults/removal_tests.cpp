// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// The device is pulled out part way through an import, an export, a deletion and a survey:
// the operation fails cleanly, the list shows the placeholder again, and the device works
// when it comes back.
#include "sweepworld.h"

#include "devicefaultinjector.h"
#include "devicesleep.h"
#include "folderbackend.h"
#include "ipodtreelistcontroler.h"
#include "loadiphone.h"
#include "mainqueue.h"
#include "scratch.h"
#include "tempdir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <thread>

namespace fs = std::filesystem;

namespace {
// The folder backend, unplugging its device just before the nth file-service call.
class UnpluggingBackend : public DeviceBackend
{
public:
    UnpluggingBackend() : m_inner(std::make_unique<FolderBackend>()) {}
    FolderBackend &inner() { return *m_inner; }
    void unplugAt(unsigned long n, am_device *device)
    {
        m_calls = 0;
        m_device = device;
        m_unplugAt = n;
    }
    bool unplugged() const { return m_unplugged; }

    std::string name() const override { return m_inner->name(); }
    int subscribe(EventReport r, void *l) override { return m_inner->subscribe(r, l); }
    int connect(am_device *d) override { return m_inner->connect(d); }
    int isPaired(am_device *d) override { return m_inner->isPaired(d); }
    int validatePairing(am_device *d) override { return m_inner->validatePairing(d); }
    int startSession(am_device *d) override { return m_inner->startSession(d); }
    int startService(am_device *d, const std::string &s, service_conn_t *h) override
    {
        return m_inner->startService(d, s, h);
    }
    std::optional<std::string> copyValue(am_device *d, const std::string &k) override { return m_inner->copyValue(d, k); }
    std::string copyDeviceIdentifier(am_device *d) override { return m_inner->copyDeviceIdentifier(d); }
    int postNotification(service_conn_t p, const std::string &n) override { return m_inner->postNotification(p, n); }
    int connectionOpen(service_conn_t h, afc_connection **c) override { return m_inner->connectionOpen(h, c); }
    int deviceInfo(afc_connection *c, afc_dictionary &o) override { return tick(), m_inner->deviceInfo(c, o); }
    int fileInfo(afc_connection *c, const char *p, afc_dictionary &o) override { return tick(), m_inner->fileInfo(c, p, o); }
    int directoryList(afc_connection *c, const char *p, afc_directory &o) override
    {
        return tick(), m_inner->directoryList(c, p, o);
    }
    int directoryCreate(afc_connection *c, const char *p) override { return tick(), m_inner->directoryCreate(c, p); }
    int removePath(afc_connection *c, const char *p) override { return tick(), m_inner->removePath(c, p); }
    int renamePath(afc_connection *c, const char *f, const char *t) override { return tick(), m_inner->renamePath(c, f, t); }
    int fileOpen(afc_connection *c, const char *p, uint64_t m, afc_file_ref *r) override
    {
        return tick(), m_inner->fileOpen(c, p, m, r);
    }
    int fileRead(afc_connection *c, afc_file_ref r, void *b, unsigned int *l) override
    {
        return tick(), m_inner->fileRead(c, r, b, l);
    }
    int fileWrite(afc_connection *c, afc_file_ref r, const void *b, unsigned int l) override
    {
        return tick(), m_inner->fileWrite(c, r, b, l);
    }
    int fileClose(afc_connection *c, afc_file_ref r) override { return tick(), m_inner->fileClose(c, r); }
    int fileLock(afc_connection *c, afc_file_ref r) override { return tick(), m_inner->fileLock(c, r); }
    int fileUnlock(afc_connection *c, afc_file_ref r) override { return tick(), m_inner->fileUnlock(c, r); }

private:
    void tick()
    {
        if (m_unplugAt != 0 && ++m_calls == m_unplugAt && !m_unplugged) {
            m_unplugged = true;
            m_inner->detach(m_device);
        }
    }
    std::unique_ptr<FolderBackend> m_inner;
    std::atomic<unsigned long> m_calls{0};
    std::atomic<unsigned long> m_unplugAt{0};
    std::atomic_bool m_unplugged{false};
    am_device *m_device = nullptr;
};

enum class Work { Import, Export, Delete, Survey };

class DeviceRemoval : public ::testing::TestWithParam<Work>
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
        m_controller = std::make_unique<iPodTreeListControler>(&m_window);
        m_controller->setReplaceQuestion([](const std::string &) { return true; });
    }
    void TearDown() override
    {
        m_controller.reset();
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

    TempDir m_base;
    SweepWorld m_world;
    DeviceLinkSleeper m_oldSleeper;
    UnpluggingBackend *m_backend = nullptr;
    HeadlessLoadWindow m_window;
    std::unique_ptr<iPodTreeListControler> m_controller;
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

    RunObservation run;
    run.deviceRoot = m_base.file("device/root");
    run.scratch = m_base.file("scratch");
    run.exportDir = m_base.file("export");
    run.reportedFailure = true;
    bool complete = false;
    const SweepOperation operation = work == Work::Import   ? SweepOperation::Import
                                     : work == Work::Delete ? SweepOperation::Delete
                                                            : SweepOperation::Export;
    if (work != Work::Survey) {
        for (const std::string &problem : checkRun(m_world, operation, run, &complete))
            ADD_FAILURE() << problem;
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
    static const char *const names[] = {"Import", "Export", "Delete", "Survey"};
    return names[static_cast<int>(info.param)];
}
} // namespace

INSTANTIATE_TEST_SUITE_P(Work, DeviceRemoval,
                         ::testing::Values(Work::Import, Work::Export, Work::Delete, Work::Survey), workName);
