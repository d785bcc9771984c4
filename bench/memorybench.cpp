// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// Peak resident size while a 500 MB ePub is imported and exported, measured in a child
// process of its own (so nothing the other benchmarks allocated counts), through the USB
// backend and the emulator without the link model (the link only slows it down).
#include "benches.h"

#include "ipodtreelistcontroler.h"
#include "log.h"

#include <QCoreApplication>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
extern char **environ;

int memoryChild(int argc, char **argv)
{
    // bookferry-bench --memory-child WORK EPUB TITLE
    if (argc < 5)
        return 2;
    QCoreApplication app(argc, argv);
    setLogSink([](const std::string &) {});
    const std::string work = argv[2], epub = argv[3], title = argv[4];
    const std::string device = work + "/device";
    makeDeviceFolder(device, "0000be7c000000000000000000000000000000c3");
    DeviceRig rig(work, {}, device);
    if (!rig.up())
        return 1;
    iPodTreeListControler &ctl = rig.controller();
    const uint64_t idle = residentBytes();
    resetPeak();
    ctl.startToSync();
    const BookOperationResult imported = ctl.addEPUBToDevice(epub);
    ctl.endsync();
    const uint64_t importPeak = peakResidentBytes();
    if (!imported.done())
        return 1;
    resetPeak();
    fs::create_directories(work + "/out");
    const BookOperationResult exported = ctl.saveEpubToMac(imported.detail, work + "/out", false, title);
    const uint64_t exportPeak = peakResidentBytes();
    if (!exported.done())
        return 1;
    std::printf("%llu %llu %llu\n", static_cast<unsigned long long>(idle), static_cast<unsigned long long>(importPeak),
                static_cast<unsigned long long>(exportPeak));
    return 0;
}

void benchMemory(const std::string &work, const std::string &self, Report &report)
{
    std::printf("\n== Peak resident size importing and exporting a 500 MB ePub\n");
    fs::create_directories(work);
    const BenchBook book = makeBook(work, "Huge", 100, 5000000, 20, 50000, true);

    int pipeFds[2];
    if (::pipe(pipeFds) != 0)
        return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
    posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
    const std::string childWork = work + "/child";
    fs::create_directories(childWork);
    std::vector<std::string> argv = {self, "--memory-child", childWork, book.epub, book.title};
    std::vector<char *> args;
    for (auto &a : argv)
        args.push_back(a.data());
    args.push_back(nullptr);
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, self.c_str(), &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    std::string out;
    char buf[256];
    ssize_t n;
    while (rc == 0 && ((n = ::read(pipeFds[0], buf, sizeof buf)) > 0 || (n < 0 && errno == EINTR)))
        if (n > 0)
            out.append(buf, static_cast<size_t>(n));
    ::close(pipeFds[0]);
    int status = 0;
    if (rc == 0)
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    unsigned long long idle = 0, importPeak = 0, exportPeak = 0;
    if (rc != 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0 ||
        std::sscanf(out.c_str(), "%llu %llu %llu", &idle, &importPeak, &exportPeak) != 3) {
        report.add("memory: 500 MB import and export", "FAILED", "done", false);
        return;
    }
    const double limit = 100e6;
    const double di = static_cast<double>(importPeak) - static_cast<double>(idle);
    const double de = static_cast<double>(exportPeak) - static_cast<double>(idle);
    report.add(fmt("import %.0f MB: peak above idle (idle %.1f MB)", book.payloadBytes / 1e6, idle / 1e6),
               fmt("%.1f MB", di / 1e6), "< 100 MB", di < limit);
    report.add(fmt("export %.0f MB: peak above idle", book.payloadBytes / 1e6), fmt("%.1f MB", de / 1e6), "< 100 MB",
               de < limit);
    fs::remove_all(work);
}
