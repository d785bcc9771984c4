// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// The import of three books, the export of two and the deletion of two, run by bookferry-cli
// against the device emulator, with the emulator failing each file-service request in turn,
// or closing a file-service connection instead of answering its packet k+1. After each run
// the rules of sweepworld.h must hold, and the program must have ended with a status that
// says what happened (never a signal).
#include "sweepworld.h"

#include "emulatorharness.h"

#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <set>
#include <sstream>

namespace fs = std::filesystem;

namespace {
using Counters = std::map<std::string, uint64_t>;

struct Injection
{
    enum class Kind
    {
        None,
        FailRequest,
        Drop,
        RefuseService
    } kind = Kind::None;
    std::string request; // the file-service operation ("FILE_WRITE", ...), or the service refused
    uint64_t n = 0;      // its nth call, or the packet count after which connections close
    std::vector<std::string> emulatorOptions() const
    {
        if (kind == Kind::FailRequest)
            return {"--fail-afc", request + "@" + std::to_string(n)};
        if (kind == Kind::Drop)
            return {"--drop-after", std::to_string(n)};
        if (kind == Kind::RefuseService)
            return {"--fail-service", request};
        return {};
    }
    std::string describe() const
    {
        if (kind == Kind::FailRequest)
            return request + " request " + std::to_string(n) + " fails";
        if (kind == Kind::Drop)
            return "connections close at packet " + std::to_string(n + 1);
        if (kind == Kind::RefuseService)
            return "the service " + request + " is refused";
        return "no fault";
    }
};

struct Outcome
{
    std::vector<std::string> problems;
    int exitCode = -1;       // -1: it did not end by itself
    Counters counters;       // the emulator's request counters
    std::string errorOutput; // the program's standard error, for failure messages
};

Counters parseCounters(const std::string &text)
{
    Counters out;
    std::istringstream in(text);
    std::string name;
    uint64_t value = 0;
    while (in >> name >> value)
        out[name] = value;
    return out;
}

// File-service requests by operation name ("FILE_WRITE" -> 12).
// The counters without the emulator's count of ended connections, which follows when the
// program's connections close rather than what it asked.
Counters requestsOnly(Counters counters)
{
    counters.erase("ended.afc");
    return counters;
}

Counters afcRequests(const Counters &counters)
{
    Counters out;
    for (const auto &[name, count] : requestsOnly(counters))
        if (name.rfind("afc.", 0) == 0)
            out[name.substr(4)] = count;
    return out;
}

uint64_t total(const Counters &counters)
{
    uint64_t sum = 0;
    for (const auto &entry : counters)
        sum += entry.second;
    return sum;
}

// `count` values spread evenly over 1..last, first and last included.
std::vector<uint64_t> spread(uint64_t last, uint64_t count)
{
    std::vector<uint64_t> out;
    if (last == 0)
        return out;
    if (count >= last || count < 2) {
        for (uint64_t k = 1; k <= last; ++k)
            if (count >= last || k == 1)
                out.push_back(k);
        return out;
    }
    for (uint64_t i = 0; i < count; ++i) {
        const uint64_t k = 1 + (i * (last - 1) + (count - 1) / 2) / (count - 1);
        if (out.empty() || out.back() != k)
            out.push_back(k);
    }
    return out;
}

bool fullSweep()
{
    const char *full = std::getenv("BOOKFERRY_SWEEP_FULL");
    return full && std::string(full) == "1";
}

class UsbSweep : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_base = new TempDir;
        s_world = new SweepWorld;
        fs::create_directories(s_base->file("template"));
        fs::create_directories(s_base->file("files"));
        s_world->build(s_base->file("template/device"), s_base->file("files"));
    }
    static void TearDownTestSuite()
    {
        delete s_world;
        delete s_base;
    }

    std::vector<std::string> cliArguments(SweepOperation operation, const std::string &run) const
    {
        std::vector<std::string> args = {"--device", "usb", "--json"};
        switch (operation) {
        case SweepOperation::Import:
            args.push_back("import");
            args.insert(args.end(), s_world->importFiles.begin(), s_world->importFiles.end());
            break;
        case SweepOperation::Export:
            args.insert(args.end(), {"export", "--to", run + "/export"});
            args.insert(args.end(), s_world->exportPaths.begin(), s_world->exportPaths.end());
            break;
        case SweepOperation::Delete:
            args.push_back("delete");
            args.insert(args.end(), s_world->deletePaths.begin(), s_world->deletePaths.end());
            break;
        }
        return args;
    }

    // One run of the program from a fresh copy of the device, served by a fresh emulator.
    Outcome runOnce(SweepOperation operation, const Injection &injection)
    {
        Outcome outcome;
        const std::string run = s_base->file("run");
        fs::remove_all(run);
        for (const char *dir : {"scratch", "data", "tmp", "export", "cwd", "home", "emulator"})
            fs::create_directories(run + "/" + dir);
        fs::permissions(run + "/scratch", fs::perms::owner_all, fs::perm_options::replace);
        fs::copy(s_base->file("template/device"), run + "/device", fs::copy_options::recursive);

        EmulatorProcess emulator(run + "/emulator");
        std::vector<std::string> emulatorArgs = injection.emulatorOptions();
        emulatorArgs.push_back(run + "/device");
        if (!emulator.start(emulatorArgs)) {
            outcome.problems.push_back("the emulator did not start");
            return outcome;
        }

        QProcess cli;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        auto set = [&env](const char *name, const std::string &value) {
            env.insert(QString::fromUtf8(name), QString::fromStdString(value));
        };
        set("BOOKFERRY_SCRATCH", run + "/scratch");
        set("BOOKFERRY_DATA_DIR", run + "/data");
        set("TMPDIR", run + "/tmp");
        set("HOME", run + "/home");
        set("XDG_CONFIG_HOME", run + "/home/.config");
        set("XDG_CACHE_HOME", run + "/home/.cache");
        set("USBMUXD_SOCKET_ADDRESS", "UNIX:" + emulator.socketPath());
        set("BOOKFERRY_CLI_WAIT_SECONDS", "20");
        cli.setProcessEnvironment(env);
        cli.setWorkingDirectory(QString::fromStdString(run + "/cwd"));
        QStringList args;
        for (const std::string &a : cliArguments(operation, run))
            args << QString::fromStdString(a);
        cli.start(QString::fromUtf8(BOOKFERRY_CLI), args);
        if (!cli.waitForFinished(180000)) {
            outcome.problems.push_back("the program did not end within three minutes");
            cli.kill();
            cli.waitForFinished();
        } else if (cli.exitStatus() == QProcess::CrashExit) {
            outcome.problems.push_back("the program crashed (" + cli.errorString().toStdString() + ")");
        } else {
            outcome.exitCode = cli.exitCode();
        }
        outcome.errorOutput = cli.readAllStandardError().toStdString();
        outcome.counters = parseCounters(emulator.control("counters"));
        if (emulator.stop() != 0)
            outcome.problems.push_back("the emulator did not end cleanly");

        if (outcome.exitCode != -1 && outcome.exitCode != 0 && outcome.exitCode != 1 && outcome.exitCode != 2)
            outcome.problems.push_back("the program ended with status " + std::to_string(outcome.exitCode));
        RunObservation observed;
        observed.deviceRoot = run + "/device/root";
        // The program has ended: its working folders went with it.
        for (const std::string &stray : strayEntries(run + "/scratch", {}))
            outcome.problems.push_back("left in the scratch folder: " + stray);
        observed.exportDir = run + "/export";
        // 1: an item failed; 2: the device could not be opened (the fault came before the work).
        observed.reportedFailure = outcome.exitCode == 1 || outcome.exitCode == 2;
        observed.includesArrival = true;
        bool complete = false;
        for (std::string &problem : checkRun(*s_world, operation, observed, &complete))
            outcome.problems.push_back(std::move(problem));
        if (complete && outcome.exitCode == 2)
            outcome.problems.push_back("the work was done but the program said there was no device");
        if (injection.kind == Injection::Kind::None && (!complete || outcome.exitCode != 0))
            outcome.problems.push_back("the run without faults did not finish its work (status " +
                                       std::to_string(outcome.exitCode) + ")");
        // Only the scratch folder, the device, the export folder and the user's data folder.
        for (const char *dir : {"tmp", "cwd", "home"})
            for (const std::string &stray : strayEntries(run + "/" + dir, {}))
                outcome.problems.push_back(std::string("written into ") + dir + ": " + stray);
        for (const std::string &stray : strayEntries(
                 run + "/device", {"device.plist", "root", "notifications.log", "emulator-pairing.plist"}))
            outcome.problems.push_back("written beside the device's files: " + stray);
        return outcome;
    }

    // Records a tried point; true when it held.
    bool tally(const char *label, const Injection &injection, const Outcome &outcome)
    {
        for (const std::string &problem : outcome.problems)
            ADD_FAILURE() << label << ", " << injection.describe() << ": " << problem << "\n"
                          << outcome.errorOutput;
        return outcome.problems.empty();
    }

    void sweep(SweepOperation operation, const char *label)
    {
        const auto started = std::chrono::steady_clock::now();
        const Outcome clean = runOnce(operation, {});
        ASSERT_TRUE(clean.problems.empty()) << clean.problems.front() << "\n" << clean.errorOutput;
        const Counters requests = afcRequests(clean.counters);
        const uint64_t requestCount = total(requests);
        ASSERT_GT(requestCount, 0u);
        const bool everyPoint = fullSweep();

        // Each request of the clean run fails in turn (counted per operation, as the emulator does).
        std::vector<Injection> failures;
        for (const auto &[name, count] : requests)
            for (uint64_t n = 1; n <= count; ++n)
                failures.push_back({Injection::Kind::FailRequest, name, n});
        std::vector<Injection> chosen;
        for (uint64_t index : spread(failures.size(), everyPoint ? failures.size() : kSampleFailures))
            chosen.push_back(failures[index - 1]);
        // The services the program starts, each refused. Without its notification service the
        // device is never listed, so that run lasts the program's whole wait: only in full sweeps.
        chosen.push_back({Injection::Kind::RefuseService, "com.apple.afc", 0});
        if (everyPoint)
            chosen.push_back({Injection::Kind::RefuseService, "com.apple.mobile.notification_proxy", 0});
        int failuresHeld = 0;
        for (const Injection &injection : chosen)
            failuresHeld += tally(label, injection, runOnce(operation, injection));
        std::cout << "[ sweep    ] USB device, " << label << ", one request fails: " << requestCount
                  << " file-service requests (and " << (everyPoint ? "2 services" : "1 service")
                  << " refused), " << chosen.size() << " injection points tried"
                  << (everyPoint ? "" : " (a sample)") << ", " << failuresHeld << " held\n";
        EXPECT_EQ(failuresHeld, static_cast<int>(chosen.size()));

        // Connections closing. The clean run's request counts do not vary, so a run with other
        // counts (or another status) had a connection closed. How the file copies share their
        // connections varies, so the longest connection's length does too: it is found by
        // halving, then the sweep goes on until several settings in a row closed nothing.
        int dropsTried = 0, dropsHeld = 0, withoutEffect = 0;
        std::set<uint64_t> tried;
        auto drop = [&](uint64_t k) {
            tried.insert(k);
            const Injection injection{Injection::Kind::Drop, {}, k};
            const Outcome outcome = runOnce(operation, injection);
            const bool dropped =
                outcome.exitCode != 0 || requestsOnly(outcome.counters) != requestsOnly(clean.counters);
            if (dropped) {
                ++dropsTried;
                dropsHeld += tally(label, injection, outcome);
            } else {
                ++withoutEffect;
                tally(label, injection, outcome); // still a run that must leave everything sound
            }
            return dropped;
        };
        uint64_t low = 0, high = requestCount; // a connection closed at packet low+1; none at high+1
        while (high - low > 1) {
            const uint64_t k = low + (high - low) / 2;
            (drop(k) ? low : high) = k;
        }
        if (everyPoint) {
            int quiet = 0;
            for (uint64_t k = 1; k <= requestCount && (k < high || quiet < kQuietSettings); ++k) {
                if (tried.count(k))
                    continue;
                quiet = drop(k) ? 0 : quiet + 1;
            }
        } else {
            for (uint64_t k : spread(high - 1, kSampleDrops))
                if (!tried.count(k))
                    drop(k);
        }
        std::cout << "[ sweep    ] USB device, " << label << ", connection closed: about " << high
                  << " packets on the longest connection, " << dropsTried << " injection points tried"
                  << (everyPoint ? "" : " (a sample)") << ", " << dropsHeld << " held (" << withoutEffect
                  << " settings closed nothing); "
                  << std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() -
                                                                      started)
                         .count()
                  << " s\n";
        EXPECT_EQ(dropsHeld, dropsTried);
    }

    static constexpr uint64_t kSampleFailures = 14;
    static constexpr uint64_t kSampleDrops = 6;
    static constexpr int kQuietSettings = 8;
    static TempDir *s_base;
    static SweepWorld *s_world;
};

TempDir *UsbSweep::s_base = nullptr;
SweepWorld *UsbSweep::s_world = nullptr;
} // namespace

TEST_F(UsbSweep, ImportOfThreeBooks)
{
    sweep(SweepOperation::Import, "import of three books");
}

TEST_F(UsbSweep, ExportOfTwoBooks)
{
    sweep(SweepOperation::Export, "export of two books");
}

TEST_F(UsbSweep, DeletionOfTwoBooks)
{
    sweep(SweepOperation::Delete, "deletion of two books");
}
