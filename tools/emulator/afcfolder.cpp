// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "afcfolder.h"

#include "afcprotocol.h"
#include "core/fullio.h"

#include <cerrno>
#include <deque>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::deque<std::string> splitPath(const std::string &path)
{
    std::deque<std::string> parts;
    size_t start = 0;
    while (start <= path.size()) {
        size_t slash = path.find('/', start);
        if (slash == std::string::npos)
            slash = path.size();
        if (slash > start)
            parts.push_back(path.substr(start, slash - start));
        start = slash + 1;
    }
    return parts;
}

bool onlyTrivialLeft(const std::deque<std::string> &queue)
{
    for (const auto &c : queue)
        if (c != ".")
            return false;
    return true;
}

std::string typeName(mode_t mode)
{
    if (S_ISDIR(mode))
        return "S_IFDIR";
    if (S_ISLNK(mode))
        return "S_IFLNK";
    if (S_ISCHR(mode))
        return "S_IFCHR";
    if (S_ISBLK(mode))
        return "S_IFBLK";
    if (S_ISFIFO(mode))
        return "S_IFIFO";
    if (S_ISSOCK(mode))
        return "S_IFSOCK";
    return "S_IFREG";
}

uint64_t nanoseconds(const struct timespec &ts)
{
    return uint64_t(ts.tv_sec) * 1000000000ull + uint64_t(ts.tv_nsec);
}

} // namespace

AfcFolder::AfcFolder(std::string root)
    : m_root(std::move(root))
{
    while (m_root.size() > 1 && m_root.back() == '/')
        m_root.pop_back();
}

std::optional<std::string> AfcFolder::resolve(const std::string &devicePath, bool followLast) const
{
    if (devicePath.find('\0') != std::string::npos)
        return std::nullopt;
    std::deque<std::string> queue = splitPath(devicePath);
    std::vector<std::string> stack;
    int links = 0;
    auto hostPath = [&](const std::string *extra) {
        std::string p = m_root;
        for (const auto &c : stack)
            p += "/" + c;
        if (extra)
            p += "/" + *extra;
        return p;
    };
    while (!queue.empty()) {
        std::string c = std::move(queue.front());
        queue.pop_front();
        if (c == ".")
            continue;
        if (c == "..") {
            if (stack.empty())
                return std::nullopt;
            stack.pop_back();
            continue;
        }
        const std::string candidate = hostPath(&c);
        struct stat st;
        const bool last = onlyTrivialLeft(queue);
        if (lstat(candidate.c_str(), &st) == 0 && S_ISLNK(st.st_mode) && (!last || followLast)) {
            if (++links > 32)
                return std::nullopt;
            std::string target(size_t(st.st_size > 0 ? st.st_size : 256), '\0');
            const ssize_t n = readlink(candidate.c_str(), target.data(), target.size());
            if (n <= 0)
                return std::nullopt;
            target.resize(size_t(n));
            if (target.front() == '/')
                return std::nullopt; // absolute targets name the host's file system, not the device's
            std::deque<std::string> parts = splitPath(target);
            queue.insert(queue.begin(), parts.begin(), parts.end());
            continue;
        }
        stack.push_back(std::move(c));
    }
    return hostPath(nullptr);
}

uint64_t AfcFolder::statusFromErrno(int error)
{
    switch (error) {
    case 0:
        return afc::StatusSuccess;
    case ENOENT:
    case ENOTDIR:
        return afc::StatusObjectNotFound;
    case EISDIR:
        return afc::StatusObjectIsDir;
    case EACCES:
    case EPERM:
    case EROFS:
        return afc::StatusPermDenied;
    case EEXIST:
        return afc::StatusObjectExists;
    case EBUSY:
        return afc::StatusObjectBusy;
    case ENOSPC:
    case EDQUOT:
        return afc::StatusNoSpaceLeft;
    case EWOULDBLOCK:
        return afc::StatusWouldBlock;
    case EINVAL:
    case ENAMETOOLONG:
        return afc::StatusInvalidArg;
    case ENOTEMPTY:
        return afc::StatusUnknownError; // the client turns 1 on REMOVE_PATH into "directory not empty"
    default:
        return afc::StatusIoError;
    }
}

uint64_t AfcFolder::readDirectory(const std::string &path, std::vector<std::string> &names) const
{
    const auto host = resolve(path, true);
    if (!host)
        return afc::StatusPermDenied;
    std::error_code ec;
    if (!std::filesystem::is_directory(*host, ec))
        return std::filesystem::exists(*host, ec) ? afc::StatusInvalidArg : afc::StatusObjectNotFound;
    names = {".", ".."};
    for (std::filesystem::directory_iterator it(*host, ec), end; !ec && it != end; it.increment(ec))
        names.push_back(it->path().filename().string());
    return ec ? statusFromErrno(ec.value()) : afc::StatusSuccess;
}

uint64_t AfcFolder::fileInfo(const std::string &path, std::vector<std::string> &pairs) const
{
    const auto host = resolve(path, false);
    if (!host)
        return afc::StatusPermDenied;
    struct stat st;
    if (lstat(host->c_str(), &st) != 0)
        return statusFromErrno(errno);
    pairs = {"st_size", std::to_string(st.st_size),
             "st_blocks", std::to_string(st.st_blocks),
             "st_nlink", std::to_string(st.st_nlink),
             "st_ifmt", typeName(st.st_mode),
             "st_mtime", std::to_string(nanoseconds(st.st_mtim)),
             "st_birthtime", std::to_string(nanoseconds(st.st_ctim))};
    if (S_ISLNK(st.st_mode)) {
        std::error_code ec;
        const auto target = std::filesystem::read_symlink(*host, ec);
        if (!ec) {
            pairs.push_back("LinkTarget");
            pairs.push_back(target.string());
        }
    }
    return afc::StatusSuccess;
}

uint64_t AfcFolder::makeDirectory(const std::string &path) const
{
    const auto host = resolve(path, true);
    if (!host)
        return afc::StatusPermDenied;
    // Like the device, create missing parents and accept an existing folder.
    std::error_code ec;
    if (std::filesystem::exists(std::filesystem::symlink_status(*host, ec)) && !std::filesystem::is_directory(*host, ec))
        return afc::StatusObjectExists;
    std::filesystem::create_directories(*host, ec);
    if (ec)
        return statusFromErrno(ec.value());
    return std::filesystem::is_directory(*host, ec) ? afc::StatusSuccess : afc::StatusObjectExists;
}

uint64_t AfcFolder::removePath(const std::string &path, bool withContents) const
{
    const auto host = resolve(path, false);
    if (!host)
        return afc::StatusPermDenied;
    if (*host == m_root)
        return afc::StatusPermDenied;
    std::error_code ec;
    if (withContents) {
        if (std::filesystem::remove_all(*host, ec) == 0 && !ec)
            return afc::StatusObjectNotFound;
    } else if (!std::filesystem::remove(*host, ec) && !ec) {
        return afc::StatusObjectNotFound;
    }
    return ec ? statusFromErrno(ec.value()) : afc::StatusSuccess;
}

uint64_t AfcFolder::renamePath(const std::string &from, const std::string &to) const
{
    const auto hostFrom = resolve(from, false);
    const auto hostTo = resolve(to, false);
    if (!hostFrom || !hostTo || *hostFrom == m_root || *hostTo == m_root)
        return afc::StatusPermDenied;
    if (::rename(hostFrom->c_str(), hostTo->c_str()) != 0)
        return statusFromErrno(errno);
    return afc::StatusSuccess;
}

uint64_t AfcFolder::truncatePath(const std::string &path, uint64_t size) const
{
    const auto host = resolve(path, true);
    if (!host)
        return afc::StatusPermDenied;
    return ::truncate(host->c_str(), off_t(size)) == 0 ? afc::StatusSuccess : statusFromErrno(errno);
}

uint64_t AfcFolder::setModificationTime(const std::string &path, uint64_t ns) const
{
    const auto host = resolve(path, true);
    if (!host)
        return afc::StatusPermDenied;
    struct timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = time_t(ns / 1000000000ull);
    times[1].tv_nsec = long(ns % 1000000000ull);
    return utimensat(AT_FDCWD, host->c_str(), times, AT_SYMLINK_NOFOLLOW) == 0 ? afc::StatusSuccess
                                                                            : statusFromErrno(errno);
}

uint64_t AfcFolder::makeLink(uint64_t type, const std::string &target, const std::string &linkName) const
{
    const auto hostLink = resolve(linkName, false);
    if (!hostLink)
        return afc::StatusPermDenied;
    if (type == 2) {
        // The link is stored as given; resolve() refuses it later if it points outside.
        return ::symlink(target.c_str(), hostLink->c_str()) == 0 ? afc::StatusSuccess : statusFromErrno(errno);
    }
    if (type == 1) {
        const auto hostTarget = resolve(target, true);
        if (!hostTarget)
            return afc::StatusPermDenied;
        return ::link(hostTarget->c_str(), hostLink->c_str()) == 0 ? afc::StatusSuccess : statusFromErrno(errno);
    }
    return afc::StatusInvalidArg;
}

uint64_t AfcFolder::openFile(const std::string &path, uint64_t mode, int *fd) const
{
    int flags = 0;
    switch (mode) {
    case 1: flags = O_RDONLY; break;
    case 2: flags = O_RDWR | O_CREAT; break;
    case 3: flags = O_WRONLY | O_CREAT | O_TRUNC; break;
    case 4: flags = O_RDWR | O_CREAT | O_TRUNC; break;
    case 5: flags = O_WRONLY | O_APPEND | O_CREAT; break;
    case 6: flags = O_RDWR | O_APPEND | O_CREAT; break;
    default: return afc::StatusInvalidArg;
    }
    const auto host = resolve(path, true);
    if (!host || *host == m_root)
        return afc::StatusPermDenied;
    struct stat st;
    if (stat(host->c_str(), &st) == 0 && S_ISDIR(st.st_mode))
        return afc::StatusObjectIsDir;
    // resolve() already followed every link; O_NOFOLLOW closes the gap to a link made since.
    // Not blocking: a FIFO would wait for a writer. Only a regular file is kept open.
    const int f = openRegularFile(*host, flags);
    if (f < 0)
        return statusFromErrno(errno == ELOOP ? EACCES : errno);
    *fd = f;
    return afc::StatusSuccess;
}

uint64_t AfcFolder::bytesUsed() const
{
    uint64_t total = 0;
    std::error_code ec;
    for (std::filesystem::recursive_directory_iterator it(m_root, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code fileEc;
        if (it->is_regular_file(fileEc) && !it->is_symlink(fileEc))
            total += it->file_size(fileEc);
    }
    return total;
}
