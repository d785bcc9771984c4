// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// An import of three books, an export of two and a deletion of two, run as one batch on the
// device's catalogue shelf or on an app's Documents shelf, with the device's calls made to
// fail in turn: on the folder device through the fault injector (one call fails, or every
// call from one on), on the emulator over USB by its own faults (one file-service request
// fails, every file-service connection closes at a packet, a service is refused). After each
// run the rules of sweepworld.h must hold.
#include "sweepworld.h"

#include "core/mainqueue.h"
#include "core/scratch.h"
#include "device/backend/devicefaultinjector.h"
#include "device/deviceselection.h"
#include "device/storage/devicesleep.h"
#include "device/storage/loadiphone.h"
#include "emulatorharness.h"
#include "library/epub.h"
#include "operations/bookbatch.h"
#include "operations/devicelibrary.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <sstream>

namespace fs = std::filesystem;

namespace {
enum class Backend { Folder, Emulator };
using Counts = std::map<std::string, uint64_t>;

// Every operation of the layer that counts its calls (the folder device's injection points).
// clang-format off
const char *const kOperations[] = {
    "AFCConnectionOpen", "AFCDeviceInfoOpen", "AFCDirectoryClose", "AFCDirectoryCreate", "AFCDirectoryOpen",
    "AFCDirectoryRead", "AFCFileInfoOpen", "AFCFileRefClose", "AFCFileRefLock", "AFCFileRefOpen",
    "AFCFileRefRead", "AFCFileRefUnlock", "AFCFileRefWrite", "AFCKeyValueClose", "AFCKeyValueRead",
    "AFCRemovePath", "AFCRenamePath", "AMDPostNotification", "AMDeviceConnect", "AMDeviceCopyDeviceIdentifier",
    "AMDeviceCopyValue", "AMDeviceIsPaired", "AMDeviceNotificationSubscribe", "AMDeviceNotificationUnsubscribe",
    "AMDeviceStartService", "AMDeviceStartSession", "AMDeviceValidatePairing"};
// clang-format on

struct Fault
{
    enum class Kind { None, OneCall, FromCall, RefuseService } kind = Kind::None;
    std::string call; // the failing call (a layer operation, or a file-service request), or the service
    uint64_t n = 0;

    std::string describe(Backend backend) const
    {
        switch (kind) {
        case Kind::OneCall:
            return call + " call " + std::to_string(n) + " fails";
        case Kind::FromCall:
            return backend == Backend::Folder ? "every call from call " + std::to_string(n) + " on fails"
                                              : "connections close at packet " + std::to_string(n + 1);
        case Kind::RefuseService:
            return "the service " + call + " is refused";
        case Kind::None:
            break;
        }
        return "no fault";
    }
    // The folder device's faults are armed once it is up; the emulator's are its options, so
    // they reach the arrival and its survey too.
    void arm() const
    {
        if (kind == Kind::OneCall)
            DeviceFaultInjector::instance().failOnCall(call, n);
        else if (kind == Kind::FromCall)
            DeviceFaultInjector::instance().failFromCall(n);
    }
    std::vector<std::string> emulatorOptions() const
    {
        if (kind == Kind::OneCall)
            return {"--fail-afc", call + "@" + std::to_string(n)};
        if (kind == Kind::FromCall)
            return {"--drop-after", std::to_string(n)};
        if (kind == Kind::RefuseService)
            return {"--fail-service", call};
        return {};
    }
};

struct Outcome
{
    std::vector<std::string> problems;
    Counts calls; // the injection points' calls: layer operations, or file-service requests
    bool failed = false;
};

Counts emulatorRequests(const std::string &text)
{
    Counts out;
    std::istringstream in(text);
    std::string name;
    uint64_t value = 0;
    while (in >> name >> value)
        if (name.rfind("afc.", 0) == 0)
            out[name.substr(4)] = value;
    return out;
}

// `count` values spread evenly over 1..last, first and last included (all of them when
// `count` reaches `last`).
std::vector<uint64_t> spread(uint64_t last, uint64_t count)
{
    std::vector<uint64_t> out;
    for (uint64_t i = 0; last > 0 && i < std::min(count, last); ++i) {
        const uint64_t k =
            count >= last ? i + 1 : 1 + (i * (last - 1) + (count - 1) / 2) / std::max<uint64_t>(count - 1, 1);
        if (out.empty() || out.back() != k)
            out.push_back(k);
    }
    return out;
}

struct SweepCase
{
    Backend backend;
    SweepShelf shelf;
    SweepOperation operation;
};

std::string nameOf(const SweepCase &c)
{
    static const char *const operations[] = {"Import", "Export", "Delete"};
    return std::string(c.backend == Backend::Folder ? "Folder" : "Emulator") +
           (c.shelf == SweepShelf::Catalogue ? "Catalogue" : "Documents") +
           operations[static_cast<int>(c.operation)];
}
void PrintTo(const SweepCase &c, std::ostream *out)
{
    *out << nameOf(c);
}

class ShelfSweep : public ::testing::TestWithParam<SweepCase>
{
protected:
    static void SetUpTestSuite()
    {
        s_base = new TempDir;
        s_world = new SweepWorld;
        fs::create_directories(s_base->file("template"));
        fs::create_directories(s_base->file("files"));
        s_world->build(s_base->file("template/device"), s_base->file("files"));
        s_oldSleeper = setDeviceLinkSleeper([](unsigned int) {});
    }
    static void TearDownTestSuite()
    {
        setDeviceLinkSleeper(s_oldSleeper);
        delete s_world;
        delete s_base;
    }

    void SetUp() override
    {
        m_run = s_base->file("run");
        ::setenv("BOOKFERRY_SCRATCH", (m_run + "/scratch").c_str(), 1);
        ::setenv("BOOKFERRY_DATA_DIR", (m_run + "/data").c_str(), 1);
        ::setenv("TMPDIR", (m_run + "/tmp").c_str(), 1);
        m_oldCwd = fs::current_path();
    }
    void TearDown() override
    {
        fs::current_path(m_oldCwd);
        for (const char *name :
             {"BOOKFERRY_SCRATCH", "BOOKFERRY_DATA_DIR", "TMPDIR", "USBMUXD_SOCKET_ADDRESS"})
            ::unsetenv(name);
        resetScratchDir();
        DeviceFaultInjector::instance().reset();
    }

    // The batch the window and bookferry-cli run, on the case's shelf.
    std::vector<BookBatch::ItemResult> runBatch(DeviceLibrary &library, const SweepCase &c)
    {
        std::optional<DocumentsShelf> documents;
        if (c.shelf == SweepShelf::Documents)
            documents.emplace(kSweepApp, "Sweep Reader");
        BookShelf &shelf = documents ? static_cast<BookShelf &>(*documents) : library.books();
        const SweepWorld::Chosen &chosen = s_world->chosen.at(c.shelf);
        const std::vector<std::string> &items = c.operation == SweepOperation::Import   ? s_world->importFiles
                                                : c.operation == SweepOperation::Export ? chosen.exportPaths
                                                                                        : chosen.deletePaths;
        BookBatch batch;
        batch.shelf = &shelf;
        batch.syncLock = c.operation != SweepOperation::Export;
        if (documents)
            batch.aheadBooks = 0; // an app's books are one file each, written on lanes of their own
        const BookBatch::StagedItem item = [&](std::size_t i, BookContext &context) -> BookStart {
            if (c.operation == SweepOperation::Import)
                return shelf.startImport(context, items[i]);
            epub book;
            book.setMediaPcPath(items[i]);
            book.setisuserItem(true);
            if (c.operation == SweepOperation::Export) {
                book.setMediaName(chosen.exportTitles[i]);
                return shelf.startExport(context, book, m_run + "/export");
            }
            return inTurnOnly([&shelf, book](BookContext &turn) { return shelf.removeBook(turn, book); });
        };
        return batch.runOverlapped(library, items.size(), item);
    }

    // One run from a fresh copy of the device.
    Outcome runOnce(const SweepCase &c, const Fault &fault)
    {
        Outcome outcome;
        fs::current_path(m_oldCwd);
        fs::remove_all(m_run);
        for (const char *dir : {"scratch", "data", "tmp", "export", "cwd", "emulator"})
            fs::create_directories(m_run + "/" + dir);
        fs::permissions(m_run + "/scratch", fs::perms::owner_all, fs::perm_options::replace);
        fs::copy(s_base->file("template/device"), m_run + "/device", fs::copy_options::recursive);
        fs::current_path(m_run + "/cwd");
        resetScratchDir();
        auto &injector = DeviceFaultInjector::instance();
        injector.reset();

        // The device as bookferry-cli selects it: a folder device, or USB through the emulator.
        std::optional<EmulatorProcess> emulator;
        std::string selection = "folder:" + m_run + "/device";
        if (c.backend == Backend::Emulator) {
            emulator.emplace(m_run + "/emulator");
            std::vector<std::string> options = fault.emulatorOptions();
            options.push_back(m_run + "/device");
            if (!emulator->start(options)) {
                outcome.problems.push_back("the emulator did not start");
                return outcome;
            }
            ::setenv("USBMUXD_SOCKET_ADDRESS", ("UNIX:" + emulator->socketPath()).c_str(), 1);
            selection = "usb";
        }
        std::string error;
        setDeviceBackend(makeDeviceBackend(selection, &error));
        std::atomic_bool arrivalFailed{false};
        addArrivalFailureObserver(this, [&](const DeviceArrivalFailure &) { arrivalFailed = true; });
        HeadlessLoadWindow window;
        auto library = std::make_unique<DeviceLibrary>(&window, SurveyScope::WithoutMediaSums);
        library->setReplaceQuestion([](const std::string &) { return true; });
        if (!error.empty())
            outcome.problems.push_back("no device: " + error);
        processMainEventsUntil([&] { return deviceReady(*library, window) || arrivalFailed.load(); },
                               std::chrono::seconds(20));
        const bool up = deviceReady(*library, window);
        if (!up && (!emulator || fault.kind == Fault::Kind::None))
            outcome.problems.push_back("the device did not come up");

        if (!emulator) {
            injector.reset();
            fault.arm();
        }
        const std::vector<BookBatch::ItemResult> results = runBatch(*library, c);
        outcome.failed = !up;
        for (const BookBatch::ItemResult &r : results)
            outcome.failed = outcome.failed || r.result.failed();
        if (!emulator) {
            for (const char *name : kOperations)
                if (injector.calls(name) > 0)
                    outcome.calls[name] = injector.calls(name);
            injector.reset();
        } else {
            outcome.calls = emulatorRequests(emulator->control("counters"));
        }
        library.reset();
        removeArrivalFailureObserver(this);
        setDeviceBackend(nullptr);
        if (emulator && emulator->stop() != 0)
            outcome.problems.push_back("the emulator did not end cleanly");

        RunObservation run;
        run.deviceDir = m_run + "/device";
        run.scratch = deviceScratchDir(kSweepDeviceID);
        run.exportDir = m_run + "/export";
        run.reportedFailure = outcome.failed;
        run.includesArrival = emulator.has_value();
        run.cleanupRefused = fault.kind == Fault::Kind::FromCall || fault.call == "AFCRemovePath" ||
                             fault.call == "REMOVE_PATH";
        bool complete = false;
        for (std::string &problem : checkRun(*s_world, c.shelf, c.operation, run, &complete))
            outcome.problems.push_back(std::move(problem));
        if (fault.kind == Fault::Kind::None && (!complete || outcome.failed))
            outcome.problems.push_back("the run without faults did not finish its work");
        for (const std::string &stray :
             strayEntries(processScratchDir(), {"lock", fs::path(run.scratch).filename().string()}))
            outcome.problems.push_back("left in this process's working folder: " + stray);
        // Only the scratch folder, the device, the export folder and the user's data folder.
        for (const std::string &stray :
             strayEntries(m_run, {"scratch", "data", "tmp", "export", "cwd", "device", "emulator"}))
            outcome.problems.push_back("written beside the run's folders: " + stray);
        for (const char *dir : {"tmp", "cwd"})
            for (const std::string &stray : strayEntries(m_run + "/" + dir, {}))
                outcome.problems.push_back(std::string("written into ") + dir + ": " + stray);
        for (const std::string &stray :
             strayEntries(run.deviceDir,
                          {"device.plist", "root", "apps", "notifications.log", "emulator-pairing.plist"}))
            outcome.problems.push_back("written beside the device's files: " + stray);
        return outcome;
    }

    static TempDir *s_base;
    static SweepWorld *s_world;
    static DeviceLinkSleeper s_oldSleeper;
    std::string m_run;
    fs::path m_oldCwd;
};

TempDir *ShelfSweep::s_base = nullptr;
SweepWorld *ShelfSweep::s_world = nullptr;
DeviceLinkSleeper ShelfSweep::s_oldSleeper;
} // namespace

// The clean run's calls are the injection points. CI tries the first call of each kind and a
// sample of the rest (on the folder device every third single fault and every sixth "from k
// on"; on the emulator, whose runs each start a process, fourteen and eight);
// BOOKFERRY_SWEEP_FULL=1 tries every point.
TEST_P(ShelfSweep, EveryRunWithAFaultLeavesTheShelvesSound)
{
    const SweepCase c = GetParam();
#if defined(__SANITIZE_THREAD__)
    // Every run starts the emulator, itself instrumented: its sweeps run in the other builds.
    if (c.backend == Backend::Emulator)
        GTEST_SKIP() << "the emulator's sweeps do not run under ThreadSanitizer";
#endif
    const Outcome clean = runOnce(c, {});
    ASSERT_TRUE(clean.problems.empty()) << clean.problems.front();
    uint64_t total = 0;
    for (const auto &entry : clean.calls)
        total += entry.second;
    ASSERT_GT(total, 0u);

    const char *full = std::getenv("BOOKFERRY_SWEEP_FULL");
    const bool everyPoint = full && std::string(full) == "1";
    const bool onFolder = c.backend == Backend::Folder;
    // Every kind of call fails once at least (its first); then a sample of the later ones.
    std::vector<Fault> faults, later;
    for (const auto &[name, calls] : clean.calls) {
        faults.push_back({Fault::Kind::OneCall, name, 1});
        for (uint64_t n = 2; n <= calls; ++n)
            later.push_back({Fault::Kind::OneCall, name, n});
    }
    for (uint64_t index : spread(later.size(), everyPoint ? later.size()
                                               : onFolder ? (later.size() + 2) / 3
                                                          : 14))
        faults.push_back(later[index - 1]);
    for (uint64_t k : spread(total, everyPoint ? total : onFolder ? (total + 5) / 6 : 8))
        faults.push_back({Fault::Kind::FromCall, {}, k});
    if (!onFolder) {
        // Without its notification service the device is never listed and a run lasts the
        // whole wait for it: only in full sweeps.
        faults.push_back({Fault::Kind::RefuseService, c.shelf == SweepShelf::Catalogue
                                                          ? "com.apple.afc"
                                                          : "com.apple.mobile.house_arrest"});
        if (everyPoint)
            faults.push_back({Fault::Kind::RefuseService, "com.apple.mobile.notification_proxy"});
    }
    int held = 0;
    for (const Fault &fault : faults) {
        const Outcome outcome = runOnce(c, fault);
        held += outcome.problems.empty();
        for (const std::string &problem : outcome.problems)
            ADD_FAILURE() << fault.describe(c.backend) << ": " << problem;
    }
    std::cout << "[ sweep    ] " << nameOf(c) << ": " << total << " calls, " << faults.size()
              << " injection points tried" << (everyPoint ? "" : " (a sample)") << ", " << held << " held\n";
    EXPECT_EQ(held, static_cast<int>(faults.size()));
}

namespace {
// Both backends, both shelves, each operation.
std::vector<SweepCase> everyCase()
{
    std::vector<SweepCase> cases;
    for (Backend backend : {Backend::Folder, Backend::Emulator})
        for (SweepShelf shelf : {SweepShelf::Catalogue, SweepShelf::Documents})
            for (SweepOperation operation : {SweepOperation::Import, SweepOperation::Export, SweepOperation::Delete})
                cases.push_back({backend, shelf, operation});
    return cases;
}
} // namespace

INSTANTIATE_TEST_SUITE_P(Shelves, ShelfSweep, ::testing::ValuesIn(everyCase()),
                         [](const ::testing::TestParamInfo<SweepCase> &info) { return nameOf(info.param); });
