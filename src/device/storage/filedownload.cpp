// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "device/storage/filedownload.h"

#include "core/fullio.h"
#include "core/log.h"
#include "core/uitext.h"
#include "device/storage/devicepath.h"
#include "device/backend/mobiledevice.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <new>
#include <unistd.h>

namespace {
// Writes a local file whole or not at all: into a temporary file, renamed over it at the
// end. The temporary name is short and of fixed length, so any name the file itself may
// have fits. The copies are packed and removed right after, so nothing is forced to disk.
class LocalFileWriter
{
public:
    LocalFileWriter(const std::string &path, const std::string &folder) : m_path(path)
    {
        m_temporary = joinPath(folder.empty() ? parentFolder(path) : folder, ".download-XXXXXX");
        m_fd = ::mkostemp(m_temporary.data(), O_CLOEXEC);
        if (m_fd < 0) {
            m_error = errno;
            m_temporary.clear();
        }
    }
    // Why the file could not be written, when it could not.
    std::string problem() const
    {
        return uiArgs(uiText("Device", "cannot write the book's copy in the scratch folder (%1): %2"), {m_path, std::strerror(m_error)});
    }
    ~LocalFileWriter() { cancel(); }
    LocalFileWriter(const LocalFileWriter &) = delete;
    LocalFileWriter &operator=(const LocalFileWriter &) = delete;

    bool isOpen() const { return m_fd >= 0; }
    bool write(const char *data, size_t size)
    {
        if (writeFull(m_fd, data, size))
            return true;
        m_error = errno;
        return false;
    }
    bool commit()
    {
        if (m_fd < 0)
            return false;
        const bool closed = ::close(m_fd) == 0;
        m_fd = -1;
        if (!closed || ::rename(m_temporary.c_str(), m_path.c_str()) != 0) {
            m_error = errno;
            cancel();
            return false;
        }
        m_temporary.clear();
        return true;
    }
    void cancel()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
        if (!m_temporary.empty())
            ::unlink(m_temporary.c_str());
        m_temporary.clear();
    }

private:
    std::string m_path;
    std::string m_temporary;
    int m_fd = -1;
    int m_error = 0;
};

} // namespace

Download downloadFile(afc_connection *conn, const std::string &remotePath, const std::string &localBase,
                      const std::string &temporaryFolder, std::string *problem, const std::atomic_bool *goOn)
{
    const RemoteInfo info = readFileInfo(conn, remotePath);
    if (!info) {
        logFormat("Error: could not open file info at path %s", remotePath.c_str());
        return Download::Failed;
    }
    return downloadFile(conn, remotePath, localBase, info, temporaryFolder, problem, goOn);
}

Download downloadFile(afc_connection *conn, const std::string &remotePath, const std::string &localBase,
                      const RemoteInfo &info, const std::string &temporaryFolder, std::string *problem,
                      const std::atomic_bool *goOn)
{
    const std::string local = joinPath(localBase, lastComponent(remotePath));
    const char *remote = remotePath.c_str();
    const uint64_t size = info ? info->size.value_or(0) : 0;
    if (size == 0) {
        logFormat("Error: zero size for file at path %s", remote);
        // Only a size the device gave makes an empty file; no size at all is a failed read.
        return info && info->size && info->complete ? Download::Empty : Download::Failed;
    }
    afc_file_ref ref = 0;
    if (AFCFileRefOpen(conn, remote, AFC_MODE_READ, 0, &ref) != 0) {
        logFormat("Error: could not open %s for reading", remote);
        return Download::Failed;
    }
    const size_t bufferSize = static_cast<size_t>(std::min<uint64_t>(size, kTreeCopyChunk));
    std::unique_ptr<char[]> buffer(new (std::nothrow) char[bufferSize]);
    if (!buffer) {
        AFCFileRefClose(conn, ref);
        logMessage("Error: could not allocate save buffer.");
        return Download::Failed;
    }
    // The local file appears whole or not at all: a temporary file renamed at the end.
    LocalFileWriter out(local, temporaryFolder);
    bool writeFailed = !out.isOpen();
    bool readFailed = false;
    uint64_t done = 0;
    while (done < size) {
        if (goOn && !goOn->load()) {
            AFCFileRefClose(conn, ref);
            out.cancel();
            return Download::Stopped;
        }
        unsigned int len = static_cast<unsigned int>(std::min<uint64_t>(bufferSize, size - done));
        if (AFCFileRefRead(conn, ref, buffer.get(), &len) != 0) {
            readFailed = true;
            break;
        }
        if (len == 0)
            break;
        if (!writeFailed && !out.write(buffer.get(), len))
            writeFailed = true;
        done += len;
    }
    AFCFileRefClose(conn, ref);
    // A file that ended before its size is a failed read too, not a short success.
    if (readFailed || done < size) {
        out.cancel();
        logFormat("Failed to read %s", remote);
        return Download::Failed;
    }
    if (writeFailed || !out.commit()) {
        logFormat("Could not write local file %s", local.c_str());
        if (problem)
            *problem = out.problem();
        return Download::Failed;
    }
    return Download::Done;
}
