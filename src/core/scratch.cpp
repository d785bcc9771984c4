// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "core/scratch.h"

#include "core/uitext.h"

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <mutex>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
std::mutex g_mutex;
std::string g_dir;
std::string g_problem;
bool g_resolved = false;

// This process's folder and the descriptor of its lock file, held open (and locked) for the
// folder's lifetime. The folder goes at a normal exit; a killed process leaves it to the next
// process's sweep.
struct ProcessFolder
{
    std::mutex mutex;
    std::string dir;
    int lockFd = -1;
    std::string problem; // why the last attempt to make it failed

    void release()
    {
        if (!dir.empty()) {
            std::error_code ignored;
            std::filesystem::remove_all(dir, ignored);
        }
        if (lockFd >= 0)
            ::close(lockFd);
        dir.clear();
        lockFd = -1;
    }
    ~ProcessFolder() { release(); }
};
ProcessFolder g_process;

constexpr const char *kLockName = "lock";

std::string candidate()
{
    if (const char *s = std::getenv("BOOKFERRY_SCRATCH"); s && *s)
        return s;
    if (const char *x = std::getenv("XDG_RUNTIME_DIR"); x && *x)
        return std::string(x) + "/bookferry";
    const char *t = std::getenv("TMPDIR");
    std::string base = (t && *t) ? t : "/tmp";
    return base + "/bookferry-" + std::to_string(::getuid());
}

// A folder in a shared place could have been made by someone else, or be a symlink
// planted to redirect our deletes and writes: accept only our own private folder.
// Empty when usable, else why not.
std::string problem(const std::string &dir)
{
    if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST)
        return uiArgs(uiText("Scratch", "it cannot be created (%1)"), {std::strerror(errno)});
    struct stat st{};
    if (::lstat(dir.c_str(), &st) != 0)
        return uiArgs(uiText("Scratch", "it cannot be read (%1)"), {std::strerror(errno)});
    if (!S_ISDIR(st.st_mode))
        return uiText("Scratch", "it is not a folder");
    if (st.st_uid != ::getuid())
        return uiText("Scratch", "it belongs to another user");
    if ((st.st_mode & 077) != 0 && ::chmod(dir.c_str(), 0700) != 0)
        return uiArgs(uiText("Scratch", "it is open to other users and cannot be made private (%1)"), {std::strerror(errno)});
    return {};
}
} // namespace

std::string scratchDir()
{
    std::lock_guard lock(g_mutex);
    if (!g_resolved) {
        std::string dir = candidate();
        while (dir.size() > 1 && dir.back() == '/')
            dir.pop_back();
        const std::string why = problem(dir);
        g_dir = why.empty() ? dir : std::string();
        g_problem.clear();
        if (!why.empty()) {
            g_problem = uiArgs(uiText("Scratch", "The scratch folder %1 cannot be used: %2. Set BOOKFERRY_SCRATCH to a folder of your own."),
                               {dir, why});
        }
        g_resolved = true;
    }
    return g_dir;
}

std::string scratchProblem()
{
    const std::string dir = scratchDir();
    {
        std::lock_guard lock(g_mutex);
        if (dir.empty())
            return g_problem;
    }
    // The folder itself may pass every check and still take nothing (read-only, full): the
    // process's own folder in it is what every device needs.
    if (!processScratchDir().empty())
        return {};
    std::lock_guard lock(g_process.mutex);
    return uiArgs(uiText("Scratch", "The scratch folder %1 cannot be used: %2. Set BOOKFERRY_SCRATCH to a folder of your own."),
                  {dir, g_process.problem});
}

std::string scratchPath(const std::string &relative)
{
    std::string dir = scratchDir();
    if (dir.empty())
        return {};
    if (relative.empty())
        return dir;
    return dir + "/" + relative;
}

namespace {
bool processGone(const std::string &pidText)
{
    if (pidText.empty() || pidText.size() > 9 || pidText.find_first_not_of("0123456789") != std::string::npos)
        return false;
    const long pid = std::strtol(pidText.c_str(), nullptr, 10);
    return pid > 0 && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
}

// "p-PID-XXXXXX" is a running process's folder unless its lock can be taken (the number may
// belong to another process by now). "n-PID-XXXXXX" is one being made, locked only once it
// is renamed: a leftover when that process is gone.
bool isStale(const std::filesystem::path &folder, const std::string &name, int *heldLock)
{
    if (name.size() < 4 || (name[0] != 'p' && name[0] != 'n') || name[1] != '-')
        return false;
    const std::size_t dash = name.find('-', 2);
    if (dash == std::string::npos)
        return false;
    const std::string pidText = name.substr(2, dash - 2);
    if (name[0] == 'n')
        return processGone(pidText);
    const int fd = ::open((folder / kLockName).c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0)
        return errno == ENOENT && processGone(pidText);
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    *heldLock = fd;
    return true;
}

int removeStaleIn(const std::string &scratch)
{
    int removed = 0;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(scratch, ec), end; !ec && it != end; it.increment(ec)) {
        if (!it->is_directory(ec) || it->is_symlink(ec))
            continue;
        int heldLock = -1;
        if (!isStale(it->path(), it->path().filename().string(), &heldLock))
            continue;
        std::error_code ignored;
        if (std::filesystem::remove_all(it->path(), ignored) > 0)
            ++removed;
        if (heldLock >= 0)
            ::close(heldLock);
    }
    return removed;
}

// Made under a temporary name and renamed only once locked, so that no sweep ever sees this
// process's folder unlocked.
bool makeProcessFolder(const std::string &scratch, ProcessFolder &out)
{
    const std::string pid = std::to_string(::getpid());
    std::string pattern = scratch + "/n-" + pid + "-XXXXXX";
    auto failed = [&out] {
        out.problem = uiArgs(uiText("Scratch", "this program's working folder cannot be made in it (%1)"), {std::strerror(errno)});
        return false;
    };
    if (!::mkdtemp(pattern.data()))
        return failed();
    const std::string suffix = pattern.substr(pattern.size() - 6);
    const int fd = ::open((pattern + "/" + kLockName).c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    const std::string final = scratch + "/p-" + pid + "-" + suffix;
    if (fd < 0 || ::flock(fd, LOCK_EX | LOCK_NB) != 0 || ::rename(pattern.c_str(), final.c_str()) != 0) {
        failed();
        if (fd >= 0)
            ::close(fd);
        std::error_code ignored;
        std::filesystem::remove_all(pattern, ignored);
        return false;
    }
    out.dir = final;
    out.lockFd = fd;
    out.problem.clear();
    return true;
}

std::string makePrivate(const std::string &dir)
{
    if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST)
        return {};
    struct stat st{};
    if (::lstat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return {};
    return dir;
}

// A folder name for any identifier: a plain one is kept readable; anything else (a slash,
// "..", an odd or very long text) is known by a hash, under another prefix so that the
// two kinds never meet.
std::string deviceFolderName(const std::string &identifier)
{
    const bool plain = identifier.size() <= 64 &&
                       identifier.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_") ==
                           std::string::npos;
    if (plain)
        return "d-" + identifier;
    std::uint64_t hash = 1469598103934665603ull; // FNV-1a
    for (const unsigned char c : identifier) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    char text[24];
    std::snprintf(text, sizeof text, "h-%016llx", static_cast<unsigned long long>(hash));
    return text;
}
} // namespace

std::string processScratchDir()
{
    const std::string scratch = scratchDir();
    std::lock_guard lock(g_process.mutex);
    if (!g_process.dir.empty() || scratch.empty())
        return scratch.empty() ? std::string() : g_process.dir;
    removeStaleIn(scratch);
    makeProcessFolder(scratch, g_process);
    return g_process.dir;
}

std::string deviceScratchDir(const std::string &deviceIdentifier)
{
    if (deviceIdentifier.empty())
        return {};
    const std::string process = processScratchDir();
    if (process.empty())
        return {};
    return makePrivate(process + "/" + deviceFolderName(deviceIdentifier));
}

std::string deviceScratchPath(const std::string &deviceIdentifier, const std::string &relative)
{
    const std::string dir = deviceScratchDir(deviceIdentifier);
    if (dir.empty() || relative.empty())
        return dir;
    return dir + "/" + relative;
}

std::string makeProcessWorkFolder(const std::string &stem)
{
    const std::string process = processScratchDir();
    if (process.empty())
        return {};
    std::string pattern = process + "/" + stem + "-XXXXXX";
    return ::mkdtemp(pattern.data()) ? pattern : std::string();
}

int removeStaleScratchFolders()
{
    const std::string scratch = scratchDir();
    return scratch.empty() ? 0 : removeStaleIn(scratch);
}

void resetScratchDir()
{
    {
        std::lock_guard processLock(g_process.mutex);
        g_process.release();
    }
    std::lock_guard lock(g_mutex);
    g_resolved = false;
    g_dir.clear();
    g_problem.clear();
}

FolderRemoval::~FolderRemoval()
{
    if (path.empty())
        return;
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
}
