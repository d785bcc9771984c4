// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "scratch.h"

#include "log.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace {
std::mutex g_mutex;
std::string g_dir;
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
bool usable(const std::string &dir)
{
    if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) {
        logFormat("scratch folder %s cannot be created: %s", dir.c_str(), std::strerror(errno));
        return false;
    }
    struct stat st{};
    if (::lstat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        logFormat("scratch folder %s is not a folder", dir.c_str());
        return false;
    }
    if (st.st_uid != ::getuid()) {
        logFormat("scratch folder %s belongs to another user", dir.c_str());
        return false;
    }
    if ((st.st_mode & 077) != 0 && ::chmod(dir.c_str(), 0700) != 0)
        return false;
    return true;
}
} // namespace

std::string scratchDir()
{
    std::lock_guard lock(g_mutex);
    if (!g_resolved) {
        std::string dir = candidate();
        while (dir.size() > 1 && dir.back() == '/')
            dir.pop_back();
        g_dir = usable(dir) ? dir : std::string();
        g_resolved = true;
    }
    return g_dir;
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
}
