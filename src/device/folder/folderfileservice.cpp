// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// The folder backend's file service: the device's file system is DEVICE_DIR/root/.
#include "core/fullio.h"
#include "device/folder/folderbackend.h"
#include "device/folder/folderpaths.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
std::string nanoseconds(const struct timespec &ts)
{
    return std::to_string(static_cast<uint64_t>(ts.tv_sec) * 1000000000ull + static_cast<uint64_t>(ts.tv_nsec));
}
} // namespace

int FolderBackend::fileInfo(afc_connection *connection, const char *path, afc_dictionary &out)
{
    std::lock_guard lock(m_mutex);
    Connection *c = liveConnection(connection);
    if (!c)
        return MDERR_NO_DEVICE;
    auto parts = components(path);
    if (!parts)
        return MDERR_FAILED;
    std::string target = c->device->root;
    if (!parts->empty()) {
        std::string parent, last;
        if (int rc = resolveParent(c->device->root, path, parent, last))
            return rc;
        target = parent + "/" + last;
    }
    struct stat st{};
    if (::lstat(target.c_str(), &st) != 0)
        return errnoResult(errno);
    // Special files say what they are, as the device's file service does: a FIFO named
    // like a book must not pass for one.
    const char *kind = S_ISDIR(st.st_mode)    ? "S_IFDIR"
                       : S_ISLNK(st.st_mode)  ? "S_IFLNK"
                       : S_ISFIFO(st.st_mode) ? "S_IFIFO"
                       : S_ISCHR(st.st_mode)  ? "S_IFCHR"
                       : S_ISBLK(st.st_mode)  ? "S_IFBLK"
                       : S_ISSOCK(st.st_mode) ? "S_IFSOCK"
                                              : "S_IFREG";
    out.pairs = {{"st_size", std::to_string(static_cast<uint64_t>(st.st_size))},
                 {"st_blocks", std::to_string(static_cast<uint64_t>(st.st_blocks))},
                 {"st_nlink", std::to_string(static_cast<uint64_t>(st.st_nlink))},
                 {"st_ifmt", kind},
                 {"st_mtime", nanoseconds(st.st_mtim)},
                 {"st_birthtime", nanoseconds(st.st_ctim)}};
    if (S_ISLNK(st.st_mode)) {
        std::string link(PATH_MAX, '\0');
        const ssize_t n = ::readlink(target.c_str(), link.data(), link.size());
        if (n >= 0)
            out.pairs.emplace_back("LinkTarget", link.substr(0, static_cast<size_t>(n)));
    }
    return MDERR_OK;
}

int FolderBackend::directoryList(afc_connection *connection, const char *path, afc_directory &out)
{
    std::lock_guard lock(m_mutex);
    Connection *c = liveConnection(connection);
    if (!c)
        return MDERR_NO_DEVICE;
    std::string real;
    if (int rc = resolveExisting(c->device->root, path, real))
        return rc;
    DIR *dir = ::opendir(real.c_str());
    if (!dir)
        return errnoResult(errno);
    std::vector<std::string> names;
    while (struct dirent *entry = ::readdir(dir)) {
        std::string name = entry->d_name;
        if (name != "." && name != "..")
            names.push_back(std::move(name));
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    out.names = {".", ".."};
    out.names.insert(out.names.end(), names.begin(), names.end());
    return MDERR_OK;
}

int FolderBackend::directoryCreate(afc_connection *connection, const char *path)
{
    std::lock_guard lock(m_mutex);
    Connection *c = liveConnection(connection);
    if (!c)
        return MDERR_NO_DEVICE;
    std::string target;
    if (int rc = resolveForCreate(c->device->root, path, target))
        return rc;
    if (::mkdir(target.c_str(), 0755) == 0)
        return MDERR_OK;
    struct stat st{};
    // Like the device's file service, an existing folder is not an error.
    if (errno == EEXIST && ::stat(target.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
        return MDERR_OK;
    return errnoResult(errno);
}

int FolderBackend::removePath(afc_connection *connection, const char *path)
{
    std::lock_guard lock(m_mutex);
    Connection *c = liveConnection(connection);
    if (!c)
        return MDERR_NO_DEVICE;
    std::string parent, last;
    if (int rc = resolveParent(c->device->root, path, parent, last))
        return rc;
    const std::string target = parent + "/" + last;
    struct stat st{};
    if (::lstat(target.c_str(), &st) != 0)
        return errnoResult(errno);
    const int rc = S_ISDIR(st.st_mode) ? ::rmdir(target.c_str()) : ::unlink(target.c_str());
    return rc == 0 ? static_cast<int>(MDERR_OK) : errnoResult(errno);
}

int FolderBackend::renamePath(afc_connection *connection, const char *from, const char *to)
{
    std::lock_guard lock(m_mutex);
    Connection *c = liveConnection(connection);
    if (!c)
        return MDERR_NO_DEVICE;
    std::string fromParent, fromLast, toParent, toLast;
    if (int rc = resolveParent(c->device->root, from, fromParent, fromLast))
        return rc;
    if (int rc = resolveParent(c->device->root, to, toParent, toLast))
        return rc;
    const std::string src = fromParent + "/" + fromLast, dst = toParent + "/" + toLast;
    return ::rename(src.c_str(), dst.c_str()) == 0 ? static_cast<int>(MDERR_OK) : errnoResult(errno);
}

int FolderBackend::fileOpen(afc_connection *connection, const char *path, uint64_t mode, afc_file_ref *ref)
{
    std::lock_guard lock(m_mutex);
    Connection *c = liveConnection(connection);
    if (!c)
        return MDERR_NO_DEVICE;
    int flags;
    switch (mode) {
    case AFC_MODE_READ: flags = O_RDONLY; break;
    case AFC_MODE_READ_WRITE: flags = O_RDWR | O_CREAT; break;
    case AFC_MODE_WRITE: flags = O_WRONLY | O_CREAT | O_TRUNC; break;
    default: return MDERR_FAILED;
    }
    std::string target;
    const int rc = mode == AFC_MODE_READ ? resolveExisting(c->device->root, path, target)
                                         : resolveForCreate(c->device->root, path, target);
    if (rc)
        return rc;
    // Not blocking: opening a FIFO would wait for a writer, with every other call of the
    // backend waiting on the lock behind it. Only a regular file is kept open.
    const int fd = openRegularFile(target, flags);
    if (fd < 0)
        return errnoResult(errno);
    const afc_file_ref id = m_nextRef++;
    m_files.emplace(id, OpenFile{c, fd});
    *ref = id;
    return MDERR_OK;
}

int FolderBackend::fileRead(afc_connection *connection, afc_file_ref ref, void *buffer, unsigned int *len)
{
    std::lock_guard lock(m_mutex);
    const unsigned int wanted = *len;
    *len = 0;
    Connection *c = liveConnection(connection);
    OpenFile *f = c ? openFile(c, ref) : nullptr;
    if (!f || (!buffer && wanted))
        return c ? static_cast<int>(MDERR_FAILED) : static_cast<int>(MDERR_NO_DEVICE);
    const ssize_t got = readFull(f->fd, buffer, wanted);
    if (got < 0)
        return MDERR_FAILED;
    *len = static_cast<unsigned int>(got);
    return MDERR_OK;
}

int FolderBackend::fileWrite(afc_connection *connection, afc_file_ref ref, const void *buffer, unsigned int len)
{
    std::lock_guard lock(m_mutex);
    Connection *c = liveConnection(connection);
    OpenFile *f = c ? openFile(c, ref) : nullptr;
    if (!f || (!buffer && len))
        return c ? static_cast<int>(MDERR_FAILED) : static_cast<int>(MDERR_NO_DEVICE);
    if (writeFull(f->fd, buffer, len))
        return MDERR_OK;
    // A full disk answers as the device's file service does (its status 18).
    return errno == ENOSPC ? 18 : static_cast<int>(MDERR_FAILED);
}

int FolderBackend::fileSeek(afc_connection *connection, afc_file_ref ref, uint64_t offset)
{
    std::lock_guard lock(m_mutex);
    Connection *c = liveConnection(connection);
    OpenFile *f = c ? openFile(c, ref) : nullptr;
    if (!f)
        return c ? static_cast<int>(MDERR_FAILED) : static_cast<int>(MDERR_NO_DEVICE);
    if (offset > static_cast<uint64_t>(INT64_MAX))
        return MDERR_FAILED;
    return ::lseek(f->fd, static_cast<off_t>(offset), SEEK_SET) < 0 ? static_cast<int>(MDERR_FAILED)
                                                                    : static_cast<int>(MDERR_OK);
}

int FolderBackend::fileClose(afc_connection *connection, afc_file_ref ref)
{
    std::lock_guard lock(m_mutex);
    Connection *c = liveConnection(connection);
    OpenFile *f = c ? openFile(c, ref) : nullptr;
    if (!f)
        return c ? static_cast<int>(MDERR_FAILED) : static_cast<int>(MDERR_NO_DEVICE);
    const int rc = ::close(f->fd);
    m_files.erase(ref);
    return rc == 0 ? static_cast<int>(MDERR_OK) : static_cast<int>(MDERR_FAILED);
}

int FolderBackend::fileLock(afc_connection *connection, afc_file_ref ref)
{
    std::lock_guard lock(m_mutex);
    Connection *c = liveConnection(connection);
    OpenFile *f = c ? openFile(c, ref) : nullptr;
    if (!f)
        return c ? static_cast<int>(MDERR_FAILED) : static_cast<int>(MDERR_NO_DEVICE);
    // flock, not fcntl: a second open of the same file, even in this process, conflicts.
    if (::flock(f->fd, LOCK_EX | LOCK_NB) != 0)
        return errno == EWOULDBLOCK ? static_cast<int>(MDERR_BUSY) : static_cast<int>(MDERR_FAILED);
    f->locked = true;
    return MDERR_OK;
}

int FolderBackend::fileUnlock(afc_connection *connection, afc_file_ref ref)
{
    std::lock_guard lock(m_mutex);
    Connection *c = liveConnection(connection);
    OpenFile *f = c ? openFile(c, ref) : nullptr;
    if (!f)
        return c ? static_cast<int>(MDERR_FAILED) : static_cast<int>(MDERR_NO_DEVICE);
    // Giving back a lock that was never taken is an error, as on the device.
    if (!f->locked || ::flock(f->fd, LOCK_UN) != 0)
        return MDERR_FAILED;
    f->locked = false;
    return MDERR_OK;
}
