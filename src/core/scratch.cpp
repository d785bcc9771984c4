// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "scratch.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace {
std::mutex g_mutex;
std::string g_dir;
std::string g_problem;
bool g_resolved = false;

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
        return std::string("it cannot be created (") + std::strerror(errno) + ")";
    struct stat st{};
    if (::lstat(dir.c_str(), &st) != 0)
        return std::string("it cannot be read (") + std::strerror(errno) + ")";
    if (!S_ISDIR(st.st_mode))
        return "it is not a folder";
    if (st.st_uid != ::getuid())
        return "it belongs to another user";
    if ((st.st_mode & 077) != 0 && ::chmod(dir.c_str(), 0700) != 0)
        return std::string("it is open to other users and cannot be made private (") + std::strerror(errno) + ")";
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
            g_problem = "The scratch folder " + dir + " cannot be used: " + why
                        + ". Set BOOKFERRY_SCRATCH to a folder of your own.";
        }
        g_resolved = true;
    }
    return g_dir;
}

std::string scratchProblem()
{
    scratchDir();
    std::lock_guard lock(g_mutex);
    return g_problem;
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

void resetScratchDir()
{
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
