// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "core/fullio.h"
#include "core/mainqueue.h"
#include "core/notificationcenter.h"
#include "core/numbertext.h"
#include "core/scratch.h"
#include "tempdir.h"

#include <QCoreApplication>

#include <algorithm>

#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

TEST(NotificationCenter, ObserversRunInOrderWithPayloadAndSenderFilter)
{
    NotificationCenter center;
    std::vector<std::string> seen;
    int a = 0, b = 0, sender = 0, other = 0;
    center.addObserver(&a, "N", [&](const Notification &n) {
        seen.push_back("a:" + std::any_cast<std::string>(n.userInfo));
    });
    center.addObserver(&b, "N", [&](const Notification &) { seen.push_back("b"); }, &sender);
    center.addObserver(&b, "M", [&](const Notification &) { seen.push_back("m"); });

    center.postNotificationName("N", &other, std::string("x"));
    center.postNotificationName("N", &sender, std::string("y"));
    EXPECT_EQ(seen, (std::vector<std::string>{"a:x", "a:y", "b"}));

    center.removeObserver(&a);
    seen.clear();
    center.postNotificationName("N", &sender, std::string("z"));
    EXPECT_EQ(seen, (std::vector<std::string>{"b"}));
    EXPECT_TRUE(center.hasObserver(&b, "M"));
    EXPECT_FALSE(center.hasObserver(&a, "N"));
}

TEST(NotificationCenter, ObserverRemovedDuringPostIsNotCalled)
{
    NotificationCenter center;
    int a = 0, b = 0;
    bool bCalled = false;
    center.addObserver(&a, "N", [&](const Notification &) { center.removeObserver(&b); });
    center.addObserver(&b, "N", [&](const Notification &) { bCalled = true; });
    center.postNotificationName("N");
    EXPECT_FALSE(bCalled);
}

TEST(MainQueue, WorkFromManyThreadsRunsOnTheMainThreadLosingNothingInEachThreadsOrder)
{
    constexpr int threads = 4, perThread = 200;
    std::vector<std::vector<int>> seen(threads);
    int ran = 0;
    bool allOnMain = true;
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t)
        workers.emplace_back([&, t] {
            for (int i = 0; i < perThread; ++i)
                performOnMainThread([&, t, i] {
                    allOnMain = allOnMain && isMainThread();
                    seen[t].push_back(i);
                    ++ran;
                });
        });
    for (auto &w : workers)
        w.join();
    ASSERT_TRUE(processMainEventsUntil([&] { return ran >= threads * perThread; }));
    std::vector<int> expected(perThread);
    for (int i = 0; i < perThread; ++i)
        expected[i] = i;
    for (int t = 0; t < threads; ++t)
        EXPECT_EQ(seen[t], expected) << "thread " << t;
    EXPECT_TRUE(allOnMain);
    // Nothing is left over to run a second time.
    QCoreApplication::processEvents();
    EXPECT_EQ(ran, threads * perThread);
}

TEST(MainQueue, ANestedLoopInsideWorkRunsTheLaterWorkInTheOrderPosted)
{
    std::vector<std::string> order;
    performOnMainThread([&] {
        order.push_back("first begins");
        std::thread([&] { performOnMainThread([&] { order.push_back("third"); }); }).join();
        EXPECT_TRUE(processMainEventsUntil([&] { return order.size() == 3; }));
        order.push_back("first ends");
    });
    performOnMainThread([&] { order.push_back("second"); });
    ASSERT_TRUE(processMainEventsUntil([&] { return order.size() == 4; }));
    EXPECT_EQ(order, (std::vector<std::string>{"first begins", "second", "third", "first ends"}));
}

TEST(Scratch, PrivateFolderIsCreatedAndForeignOrLinkedFoldersAreRefused)
{
    TempDir tmp;
    ::setenv("BOOKFERRY_SCRATCH", tmp.file("s").c_str(), 1);
    resetScratchDir();
    ASSERT_EQ(scratchDir(), tmp.file("s"));
    struct stat st{};
    ASSERT_EQ(::stat(tmp.file("s").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_EQ(scratchPath("Books/Books.plist"), tmp.file("s/Books/Books.plist"));

    // A symlink planted where the folder should be is not followed.
    fs::create_directory(tmp.file("target"));
    fs::create_directory_symlink(tmp.file("target"), tmp.file("link"));
    ::setenv("BOOKFERRY_SCRATCH", tmp.file("link").c_str(), 1);
    resetScratchDir();
    EXPECT_EQ(scratchDir(), "");
    EXPECT_EQ(scratchPath("Books"), "");

    ::unsetenv("BOOKFERRY_SCRATCH");
    resetScratchDir();
}

namespace {
// A process folder as another process leaves it: its lock file, and a working file.
std::string otherProcessFolder(const std::string &scratch, const std::string &name)
{
    const std::string dir = scratch + "/" + name;
    fs::create_directories(dir + "/d-other/Books");
    writeWholeFile(dir + "/lock", "");
    writeWholeFile(dir + "/d-other/Books/Books.plist", "theirs");
    return dir;
}
} // namespace

// Each process and each device works in folders of its own, whatever the identifier says.
TEST(Scratch, ProcessAndDeviceFoldersAreTheirOwn)
{
    ScopedScratch scratch;
    const fs::path process = processScratchDir();
    ASSERT_FALSE(process.empty());
    EXPECT_EQ(process.parent_path(), fs::path(scratchDir()));
    EXPECT_EQ(process.filename().string().rfind("p-" + std::to_string(::getpid()) + "-", 0), 0u) << process;
    EXPECT_EQ(fs::status(process).permissions() & fs::perms::all, fs::perms::owner_all);

    std::vector<std::string> folders;
    for (const char *id : {"00008030-0016D8A43C0B802E", "0123456789abcdef", "..", "a/../../b", "", "a/b", "a_b"})
        folders.push_back(deviceScratchDir(id));
    EXPECT_EQ(folders[4], "") << "no identifier, no folder";
    folders.erase(folders.begin() + 4);
    std::sort(folders.begin(), folders.end());
    EXPECT_EQ(std::unique(folders.begin(), folders.end()), folders.end()) << "two devices share a folder";
    for (const std::string &folder : folders) {
        EXPECT_EQ(fs::path(folder).parent_path(), process) << folder;
        EXPECT_TRUE(fs::is_directory(folder)) << folder;
    }
    EXPECT_EQ(deviceScratchPath("0123456789abcdef", "Books/Books.plist"), process.string() + "/d-0123456789abcdef/Books/Books.plist");

    // The process's folder goes with it (here: when the scratch folder is given up).
    resetScratchDir();
    EXPECT_FALSE(fs::exists(process));
}

// A folder is stale when its lock can be taken, even while its number names a running
// process (numbers are reused); a folder whose lock a running process holds stays.
TEST(Scratch, FoldersOfEndedProcessesAreSweptAndLiveOnesKept)
{
    ScopedScratch scratch;
    const std::string base = scratchDir();
    const std::string reused = otherProcessFolder(base, "p-" + std::to_string(::getpid()) + "-aaaaaa");
    const std::string live = otherProcessFolder(base, "p-1-bbbbbb");
    pid_t gone = ::fork();
    if (gone == 0)
        ::_exit(0);
    ASSERT_GT(gone, 0);
    ::waitpid(gone, nullptr, 0);
    const std::string unfinished = base + "/n-" + std::to_string(gone) + "-cccccc";
    fs::create_directories(unfinished);
    const std::string starting = base + "/n-" + std::to_string(::getpid()) + "-dddddd";
    fs::create_directories(starting);
    writeWholeFile(base + "/ipod.plist", "kept");

    // Another process holds the live folder's lock until told to go.
    int release[2];
    int ready[2];
    ASSERT_EQ(::pipe(release), 0);
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t holder = ::fork();
    if (holder == 0) {
        const int fd = ::open((live + "/lock").c_str(), O_RDWR);
        char c = ::flock(fd, LOCK_EX) == 0 ? 'y' : 'n';
        if (::write(ready[1], &c, 1) != 1 || ::read(release[0], &c, 1) < 0)
            ::_exit(1);
        ::_exit(0);
    }
    ASSERT_GT(holder, 0);
    char locked = 0;
    ASSERT_EQ(::read(ready[0], &locked, 1), 1);
    ASSERT_EQ(locked, 'y');

    const std::string mine = processScratchDir();
    EXPECT_FALSE(fs::exists(reused)) << "left because its number is running";
    EXPECT_FALSE(fs::exists(unfinished));
    EXPECT_TRUE(fs::exists(live + "/d-other/Books/Books.plist")) << "a running process's copy was removed";
    EXPECT_TRUE(fs::exists(starting)) << "a folder being made by a running process was removed";
    EXPECT_TRUE(fs::exists(base + "/ipod.plist"));
    EXPECT_EQ(removeStaleScratchFolders(), 0) << "this process's own folder is live";
    EXPECT_TRUE(fs::exists(mine));

    ASSERT_EQ(::write(release[1], "x", 1), 1);
    ::waitpid(holder, nullptr, 0);
    EXPECT_EQ(removeStaleScratchFolders(), 1);
    EXPECT_FALSE(fs::exists(live));
    EXPECT_TRUE(fs::exists(mine));
    for (int fd : {release[0], release[1], ready[0], ready[1]})
        ::close(fd);
}

TEST(FullIo, ReadsAndWritesWholeBuffersAndStopsOnlyAtTheEnd)
{
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    // A payload larger than a pipe holds: the writer has to be resumed after short writes
    // while the reader drains it in pieces.
    std::string payload(256 * 1024, '\0');
    for (size_t i = 0; i < payload.size(); ++i)
        payload[i] = static_cast<char>(i * 7);
    bool written = false;
    std::thread writer([&] {
        written = writeFull(fds[1], payload.data(), payload.size());
        ::close(fds[1]);
    });
    std::string got(payload.size() + 100, 'x');
    const ssize_t n = readFull(fds[0], got.data(), got.size());
    writer.join();
    ::close(fds[0]);
    EXPECT_TRUE(written);
    ASSERT_EQ(n, static_cast<ssize_t>(payload.size()));
    EXPECT_EQ(got.substr(0, payload.size()), payload);
    EXPECT_EQ(readFull(-1, got.data(), 1), -1);
    EXPECT_FALSE(writeFull(-1, "x", 1));

    // On a socket whose peer went, a send is refused instead of ending the process by SIGPIPE.
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
    ::close(fds[1]);
    EXPECT_FALSE(sendFull(fds[0], payload.data(), payload.size()));
    ::close(fds[0]);
}

TEST(NumberText, LeadingNumbersAndFixedNotation)
{
    EXPECT_DOUBLE_EQ(leadingNumber("3.1.3"), 3.1);
    EXPECT_DOUBLE_EQ(leadingNumber(" +7.5GB"), 7.5);
    EXPECT_DOUBLE_EQ(leadingNumber("-50.000000"), -50.0);
    EXPECT_DOUBLE_EQ(leadingNumber("7,5"), 7.0);
    EXPECT_DOUBLE_EQ(leadingNumber("UnKnow Product Version"), 0.0);
    EXPECT_DOUBLE_EQ(leadingNumber("nan"), 0.0);
    EXPECT_DOUBLE_EQ(leadingNumber("infinity"), 0.0);
    EXPECT_DOUBLE_EQ(leadingNumber(""), 0.0);
    EXPECT_EQ(formatFixed(42.5, 2), "42.50");
    EXPECT_EQ(formatFixed(-0.25, 1), "-0.2");
    EXPECT_EQ(formatFixed(4294967296.0 * 3, 6), "12884901888.000000");
}
