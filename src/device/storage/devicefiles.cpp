// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "device/storage/devicefiles.h"

#include "core/utf8.h"
#include "device/storage/filetransfer.h"

#include <QString>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// The fixed lines of the file functions go to standard output, flushed at once so they
// interleave correctly with whatever else the process prints.
void say(const char *format, ...) __attribute__((format(printf, 1, 2)));
void say(const char *format, ...)
{
    va_list args;
    va_start(args, format);
    std::vprintf(format, args);
    va_end(args);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

afc_connection *connOf(userDataIphone *data)
{
    return data ? data->conn : nullptr;
}
} // namespace

std::optional<DeviceFileInfo> readFileInfo(afc_connection *conn, const std::string &path)
{
    afc_dictionary *dict = nullptr;
    if (AFCFileInfoOpen(conn, path.c_str(), &dict) != 0 || !dict)
        return std::nullopt;
    DeviceFileInfo info;
    char *key = nullptr, *value = nullptr;
    int rc;
    while ((rc = AFCKeyValueRead(dict, &key, &value)) == 0 && key && value) {
        if (std::strcmp(key, "st_ifmt") == 0)
            info.type = value;
        else if (std::strcmp(key, "st_size") == 0)
            info.size = std::strtoull(value, nullptr, 10);
        else if (std::strcmp(key, "st_mtime") == 0)
            info.mtime = value;
    }
    info.complete = rc == 0;
    AFCKeyValueClose(dict);
    return info;
}

int dirExists(const char *path, userDataIphone *data)
{
    afc_directory *dir = nullptr;
    if (AFCDirectoryOpen(connOf(data), path, &dir) != 0)
        return -1;
    AFCDirectoryClose(connOf(data), dir);
    return 0;
}

bool isDirectory(const char *path, userDataIphone *data)
{
    const std::optional<DeviceFileInfo> info = path ? readFileInfo(connOf(data), path) : std::nullopt;
    return info && info->isDirectory();
}

int n_fileExists(const char *path, userDataIphone *data)
{
    afc_file_ref ref = 0;
    if (AFCFileRefOpen(connOf(data), path, AFC_MODE_READ, 0, &ref) != 0)
        return -1;
    AFCFileRefClose(connOf(data), ref);
    return 0;
}

int n_mkdir(const char *path, userDataIphone *data)
{
    return AFCDirectoryCreate(connOf(data), path) == 0 ? 0 : -1;
}

int removeDeviceTree(afc_connection *conn, const std::string &path)
{
    // A link is removed as itself, never followed.
    const std::optional<DeviceFileInfo> info = readFileInfo(conn, path);
    if (!info || !info->isDirectory())
        return AFCRemovePath(conn, path.c_str()) == 0 ? 0 : -1;
    afc_directory *dir = nullptr;
    if (AFCDirectoryOpen(conn, path.c_str(), &dir) != 0)
        return -1;
    std::string prefix = path;
    if (prefix.empty() || prefix.back() != '/')
        prefix += '/';
    char *name = nullptr;
    // Children first; the first failure stops the walk and leaves what was removed removed.
    while (AFCDirectoryRead(conn, dir, &name) == 0 && name) {
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0 || std::strchr(name, '/'))
            continue;
        if (removeDeviceTree(conn, prefix + name) < 0) {
            AFCDirectoryClose(conn, dir);
            return -1;
        }
    }
    AFCDirectoryClose(conn, dir);
    return AFCRemovePath(conn, path.c_str()) == 0 ? 0 : -1;
}

int n_rmdir(const char *path, userDataIphone *data)
{
    return path ? removeDeviceTree(connOf(data), path) : -1;
}

std::optional<uint64_t> deviceFreeBytes(afc_connection *conn)
{
    afc_dictionary *info = nullptr;
    if (AFCDeviceInfoOpen(conn, &info) != 0 || !info)
        return std::nullopt;
    std::optional<uint64_t> free;
    char *key = nullptr, *value = nullptr;
    while (AFCKeyValueRead(info, &key, &value) == 0 && key) {
        if (std::strcmp(key, "FSFreeBytes") == 0 && value)
            free = std::strtoull(value, nullptr, 10);
    }
    AFCKeyValueClose(info);
    return free;
}

uint64_t get_file_size(afc_connection *conn, const char *path)
{
    const std::optional<DeviceFileInfo> info = path ? readFileInfo(conn, path) : std::nullopt;
    if (!info) {
        say("AFCFileInfoOpen: could not open file %s !", path ? path : "");
        return 0;
    }
    return info->size.value_or(0);
}

namespace {
int copyFromDeviceAtMost(userDataIphone *data, const char *localpath, const char *remotepath,
                         const ChunkDone &chunkDone, uint64_t maxBytes, uint64_t *reportedSize)
{
    if (!localpath || !remotepath)
        return -1;
    afc_connection *conn = connOf(data);
    ::unlink(localpath);
    std::FILE *local = std::fopen(localpath, "wb");
    if (!local) {
        say("getfile: Failed to open local file: %s !", localpath);
        return -1;
    }
    afc_file_ref ref = 0;
    if (AFCFileRefOpen(conn, remotepath, AFC_MODE_READ, 0, &ref) != 0) {
        std::fclose(local);
        say("getfile: Failed to open remote file !");
        return -1;
    }
    const uint64_t size = get_file_size(conn, remotepath);
    if (reportedSize)
        *reportedSize = size;
    if (size == 0 || (maxBytes && size > maxBytes)) {
        AFCFileRefClose(conn, ref);
        std::fclose(local);
        if (size == 0)
            return -1;
        ::unlink(localpath);
        return kFileTooLarge;
    }
    const unsigned int chunk = size > kTransferChunk - 1 ? kTransferChunk : static_cast<unsigned int>(size);
    std::unique_ptr<char[]> buffer(new (std::nothrow) char[chunk]);
    if (!buffer) {
        AFCFileRefClose(conn, ref);
        std::fclose(local);
        say("getfile: could not allocate buffer. Aborting.");
        return -1;
    }
    // A read or write that fails mid-way makes the copy a failure, never a short success.
    bool failed = false;
    uint64_t copied = 0;
    unsigned int len = chunk;
    for (;;) {
        if (AFCFileRefRead(conn, ref, buffer.get(), &len) != 0) {
            failed = true;
            break;
        }
        if (len == 0)
            break;
        copied += len;
        if ((maxBytes && copied > maxBytes) || std::fwrite(buffer.get(), 1, len, local) != len) {
            failed = true;
            break;
        }
        if (chunkDone)
            chunkDone(len);
    }
    if (AFCFileRefClose(conn, ref) != 0) {
        std::fclose(local);
        say("getfile: Failed to close remote file ");
        return -1;
    }
    if (std::fclose(local) != 0)
        failed = true;
    if (maxBytes && copied > maxBytes)
        ::unlink(localpath); // a part of a file too large to read is of no use
    return failed ? -1 : 0;
}
} // namespace

int copyFromDevice(userDataIphone *data, const char *localpath, const char *remotepath, const ChunkDone &chunkDone)
{
    return copyFromDeviceAtMost(data, localpath, remotepath, chunkDone, 0, nullptr);
}

int copyToDevice(userDataIphone *data, const char *localpath, const char *remotepath, const ChunkDone &chunkDone)
{
    if (!localpath || !remotepath)
        return -1;
    afc_connection *conn = connOf(data);
    afc_file_ref ref = 0;
    if (AFCFileRefOpen(conn, remotepath, AFC_MODE_WRITE, 0, &ref) != 0) {
        say("putfile: Failed to open remote file!");
        return -1;
    }
    std::FILE *local = std::fopen(localpath, "rb");
    if (!local) {
        AFCFileRefClose(conn, ref);
        say("putfile: Failed to open local file %s !", localpath);
        return -1;
    }
    struct stat st{};
    const uint64_t size = ::fstat(fileno(local), &st) == 0 ? static_cast<uint64_t>(st.st_size) : 0;
    if (size == 0) {
        std::fclose(local);
        AFCFileRefClose(conn, ref);
        say("putfile: Cannot write file with size !");
        return -1;
    }
    const size_t chunk = size > kTransferChunk - 1 ? kTransferChunk : static_cast<size_t>(size);
    std::unique_ptr<char[]> buffer(new (std::nothrow) char[kTransferChunk]);
    if (!buffer) {
        std::fclose(local);
        AFCFileRefClose(conn, ref);
        say("putfile: Could not allocate buffer.  Aborting.");
        return -1;
    }
    bool failed = false;
    for (;;) {
        std::memset(buffer.get(), 0, kTransferChunk);
        if (std::feof(local))
            break;
        const size_t n = std::fread(buffer.get(), 1, chunk, local);
        if (n < 1) {
            failed = std::ferror(local) != 0;
            break;
        }
        if (AFCFileRefWrite(conn, ref, buffer.get(), static_cast<unsigned int>(n)) != 0) {
            failed = true;
            break;
        }
        if (chunkDone)
            chunkDone(n);
    }
    std::fclose(local);
    if (AFCFileRefClose(conn, ref) != 0) {
        say("putfile: Failed to close remote file!");
        return -1;
    }
    return failed ? -1 : 0;
}

int get_file_at_most(userDataIphone *data, const char *localpath, const char *remotepath, uint64_t maxBytes,
                     uint64_t *reportedSize)
{
    if (reportedSize)
        *reportedSize = 0;
    return copyFromDeviceAtMost(data, localpath, remotepath, {}, maxBytes, reportedSize);
}

int get_file(userDataIphone *data, const char *localpath, const char *remotepath)
{
    return copyFromDevice(data, localpath, remotepath, {});
}

int put_file(userDataIphone *data, const char *localpath, const char *remotepath)
{
    return copyToDevice(data, localpath, remotepath, {});
}

std::string CStr2CFString(const char *text, TextEncoding encoding)
{
    if (!text)
        return {};
    if (encoding == TextEncoding::Latin1)
        return QString::fromLatin1(text).toStdString();
    // Text that is not UTF-8 gives no string, as the platform call gives none.
    return isValidUtf8(text) ? std::string(text) : std::string();
}

std::optional<std::vector<std::string>> folderEntryNames(afc_connection *conn, const std::string &folder)
{
    afc_directory *dir = nullptr;
    if (AFCDirectoryOpen(conn, folder.c_str(), &dir) != 0 || !dir)
        return std::nullopt;
    std::vector<std::string> names;
    char *name = nullptr;
    while (AFCDirectoryRead(conn, dir, &name) == 0 && name) {
        const std::string entry(name);
        if (!entry.empty() && entry != "." && entry != ".." && entry.find('/') == std::string::npos)
            names.push_back(entry);
    }
    AFCDirectoryClose(conn, dir);
    return names;
}
