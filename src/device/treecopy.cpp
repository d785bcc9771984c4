// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "devicefiles.h"
#include "loadiphone.h"
#include "log.h"

#include <QByteArray>
#include <QFile>
#include <QSaveFile>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {
// Whole-file moves of the tree copy go in pieces of at most this size, so memory does not
// grow with the size of a book's files.
constexpr size_t kTreeCopyChunk = 1024 * 1024;

std::string joinPath(const std::string &folder, const std::string &name)
{
    std::string a = folder;
    while (a.size() > 1 && a.back() == '/')
        a.pop_back();
    size_t start = 0;
    while (start < name.size() && name[start] == '/')
        ++start;
    if (start == name.size())
        return a;
    if (a.empty())
        return name.substr(start);
    return a == "/" ? "/" + name.substr(start) : a + "/" + name.substr(start);
}

std::string lastComponent(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    const size_t slash = path.rfind('/');
    return slash == std::string::npos || path == "/" ? path : path.substr(slash + 1);
}

std::string parentFolder(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return {};
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

bool opensAsDirectory(afc_connection *conn, const std::string &path)
{
    afc_directory *probe = nullptr;
    if (AFCDirectoryOpen(conn, path.c_str(), &probe) != 0)
        return false;
    AFCDirectoryClose(conn, probe);
    return true;
}

void makeLocalFolder(const std::string &path)
{
    ::mkdir(path.c_str(), 0755); // an existing folder is fine
}

// A name a device listing gave that could step out of the local folder it lands in.
bool unsafeEntryName(const char *name)
{
    return std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0 || std::strchr(name, '/') != nullptr;
}
} // namespace

int loadIPhone::copyTheseFiles(const std::vector<std::string> &paths, userDataIphone *data)
{
    int copied = 0;
    for (const std::string &path : paths) {
        std::error_code ec;
        const auto status = fs::status(path, ec);
        if (ec || !fs::exists(status))
            continue;
        if (fs::is_directory(status))
            copied += drillIntoSubdirectory(path, data);
        else
            copied += copyThisFile(path, parentFolder(path), data);
    }
    return copied;
}

int loadIPhone::drillIntoSubdirectory(const std::string &dir, userDataIphone *data)
{
    afc_connection *conn = data ? data->conn : nullptr;
    const std::string root = joinPath("/Books/", lastComponent(dir));
    if (AFCDirectoryCreate(conn, root.c_str()) != 0)
        return 0;
    std::string base = dir;
    while (base.size() > 1 && base.back() == '/')
        base.pop_back();
    const std::string parent = parentFolder(base);
    std::error_code ec;
    // Folders come before their contents; hidden files are included.
    for (fs::recursive_directory_iterator it(base, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string full = it->path().string();
        const std::string relative = full.substr(base.size() + 1);
        std::error_code sec;
        const auto status = fs::status(full, sec);
        if (sec || !fs::exists(status))
            continue;
        if (fs::is_directory(status)) {
            if (AFCDirectoryCreate(conn, joinPath(root, relative).c_str()) != 0)
                return 0;
        } else {
            copyThisFile(full, parent, data);
        }
    }
    return 1;
}

int loadIPhone::copyThisFile(const std::string &file, const std::string &baseDir, userDataIphone *data)
{
    // The device path is the file's path below the base folder; a file outside it has none.
    if (file.size() <= baseDir.size() || file.compare(0, baseDir.size(), baseDir) != 0)
        return 0;
    afc_connection *conn = data ? data->conn : nullptr;
    const std::string remote = joinPath("/Books/", file.substr(baseDir.size()));
    std::unique_ptr<std::FILE, int (*)(std::FILE *)> local(std::fopen(file.c_str(), "rb"), &std::fclose);
    if (!local)
        return 0;
    struct stat st{};
    if (::fstat(fileno(local.get()), &st) != 0 || S_ISDIR(st.st_mode))
        return 0;
    std::unique_ptr<char[]> buffer(new (std::nothrow) char[kTreeCopyChunk]);
    if (!buffer)
        return 0;
    afc_file_ref ref = 0;
    if (AFCFileRefOpen(conn, remote.c_str(), AFC_MODE_WRITE, 0, &ref) != 0)
        return 0;
    // A short read or a failed write makes the copy a failure, not a truncated success.
    bool failed = false;
    for (;;) {
        const size_t n = std::fread(buffer.get(), 1, kTreeCopyChunk, local.get());
        if (n > 0 && AFCFileRefWrite(conn, ref, buffer.get(), static_cast<unsigned int>(n)) != 0) {
            failed = true;
            break;
        }
        if (n < kTreeCopyChunk) {
            failed = std::ferror(local.get()) != 0;
            break;
        }
    }
    const bool closed = AFCFileRefClose(conn, ref) == 0;
    return closed && !failed ? 1 : 0;
}

std::optional<std::vector<std::string>> loadIPhone::saveBooksFromPhoneToLocalPath(const std::string &localPath,
                                                                                 const std::string &srcepub,
                                                                                 bool isbuybook, userDataIphone *data)
{
    afc_connection *conn = data ? data->conn : nullptr;
    const std::string base = isbuybook ? "/Books/Purchases/" : "/Books/";
    afc_directory *dir = nullptr;
    if (AFCDirectoryOpen(conn, base.c_str(), &dir) != 0)
        return std::nullopt;
    std::vector<std::string> created;
    char *name = nullptr;
    while (AFCDirectoryRead(conn, dir, &name) == 0 && name) {
        if (srcepub != name || unsafeEntryName(name))
            continue;
        const std::string local = joinPath(localPath, name);
        const std::string remote = joinPath(base, name);
        if (opensAsDirectory(conn, remote)) {
            makeLocalFolder(local);
            mirrorDirectoryAtRemotePath(remote, local, data);
        } else {
            copyFileAtRemotePath(remote, localPath, data);
        }
        created.push_back(local);
    }
    AFCDirectoryClose(conn, dir);
    return created;
}

int loadIPhone::mirrorDirectoryAtRemotePath(const std::string &remotePath, const std::string &localDir,
                                            userDataIphone *data)
{
    afc_connection *conn = data ? data->conn : nullptr;
    afc_directory *dir = nullptr;
    if (AFCDirectoryOpen(conn, remotePath.c_str(), &dir) != 0) {
        logMessage("Could not open base directory.");
        return 1;
    }
    int rc;
    char *name = nullptr;
    while ((rc = AFCDirectoryRead(conn, dir, &name)) == 0 && name) {
        if (unsafeEntryName(name))
            continue;
        const std::string remoteChild = joinPath(remotePath, name);
        const std::string localChild = joinPath(localDir, name);
        if (opensAsDirectory(conn, remoteChild)) {
            makeLocalFolder(localChild);
            mirrorDirectoryAtRemotePath(remoteChild, localChild, data);
        } else {
            logFormat("Not a directory: %s", remoteChild.c_str());
            copyFileAtRemotePath(remoteChild, localDir, data);
        }
    }
    AFCDirectoryClose(conn, dir);
    return rc;
}

int loadIPhone::copyFileAtRemotePath(const std::string &remotePath, const std::string &localBase,
                                     userDataIphone *data)
{
    afc_connection *conn = data ? data->conn : nullptr;
    const std::string local = joinPath(localBase, lastComponent(remotePath));
    const char *remote = remotePath.c_str();

    afc_dictionary *info = nullptr;
    if (AFCFileInfoOpen(conn, remote, &info) != 0) {
        logFormat("Error: could not open file info at path %s", remote);
        return 1;
    }
    uint64_t size = 0;
    char *key = nullptr, *value = nullptr;
    while (AFCKeyValueRead(info, &key, &value) == 0 && key && value) {
        if (std::strcmp(key, "st_size") == 0) {
            size = std::strtoull(value, nullptr, 10);
            break;
        }
    }
    AFCKeyValueClose(info);
    if (size == 0) {
        logFormat("Error: zero size for file at path %s", remote);
        return 1;
    }
    afc_file_ref ref = 0;
    if (AFCFileRefOpen(conn, remote, AFC_MODE_READ, 0, &ref) != 0) {
        logFormat("Error: could not open %s for reading", remote);
        return 1;
    }
    const size_t bufferSize = static_cast<size_t>(std::min<uint64_t>(size, kTreeCopyChunk));
    std::unique_ptr<char[]> buffer(new (std::nothrow) char[bufferSize]);
    if (!buffer) {
        AFCFileRefClose(conn, ref);
        logMessage("Error: could not allocate save buffer.");
        return 1;
    }
    // The local file appears whole or not at all: a temporary file renamed at the end.
    QSaveFile out(QFile::decodeName(QByteArray::fromStdString(local)));
    bool writeFailed = !out.open(QIODevice::WriteOnly);
    bool readFailed = false;
    uint64_t done = 0;
    while (done < size) {
        unsigned int len = static_cast<unsigned int>(std::min<uint64_t>(bufferSize, size - done));
        if (AFCFileRefRead(conn, ref, buffer.get(), &len) != 0) {
            readFailed = true;
            break;
        }
        if (len == 0)
            break;
        if (!writeFailed && out.write(buffer.get(), len) != static_cast<qint64>(len))
            writeFailed = true;
        done += len;
    }
    AFCFileRefClose(conn, ref);
    if (readFailed) {
        out.cancelWriting();
        logFormat("Failed to read %s", remote);
        return 1;
    }
    if (writeFailed || !out.commit()) {
        logFormat("Could not write local file %s", local.c_str());
        return 1;
    }
    return 0;
}

int loadIPhone::cpAllFilesfromPath(const char *srcPath, const char *dstPah, userDataIphone *data)
{
    if (!srcPath || !dstPah)
        return -1;
    afc_connection *conn = data ? data->conn : nullptr;
    afc_directory *dir = nullptr;
    if (AFCDirectoryOpen(conn, srcPath, &dir) != 0)
        return -1;
    char *name = nullptr;
    // Plain concatenation: both paths end with "/"; sub-folders fail in get_file and are skipped.
    while (AFCDirectoryRead(conn, dir, &name) == 0 && name) {
        const std::string remote = std::string(srcPath) + name;
        const std::string local = std::string(dstPah) + name;
        ::unlink(local.c_str());
        get_file(data, local.c_str(), remote.c_str());
    }
    AFCDirectoryClose(conn, dir);
    return 0;
}
