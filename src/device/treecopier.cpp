// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "treecopier.h"

#include "devicefiles.h"
#include "devicepath.h"
#include "fullio.h"
#include "laneconnections.h"
#include "log.h"
#include "transferlanes.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <functional>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <new>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {
// Whole-file moves of the tree copy go in pieces of at most this size, so memory does not
// grow with the size of a book's files.
constexpr size_t kTreeCopyChunk = 1024 * 1024;

enum class Download { Done, Empty, Failed, Stopped };

// One file-information request's answer; nullopt when the request was not answered.
using RemoteInfo = std::optional<DeviceFileInfo>;
// `temporaryFolder` (empty: the file's own) takes the file until it is whole; *problem says
// why a local write failed. A cleared `goOn` (may be null) stops it between pieces.
Download downloadFile(afc_connection *conn, const std::string &remotePath, const std::string &localBase,
                      const std::string &temporaryFolder, std::string *problem, const std::atomic_bool *goOn);
Download downloadFile(afc_connection *conn, const std::string &remotePath, const std::string &localBase,
                      const RemoteInfo &info, const std::string &temporaryFolder, std::string *problem,
                      const std::atomic_bool *goOn);

// A copy goes no deeper than this many folders below "/Books": no book nests that deep.
constexpr long kMaxFolderDepth = 64;

// Why an entry of this kind is not copied; empty for folders and plain files, and for an
// entry whose kind the device did not say (the folder test decides).
std::string notCopied(const RemoteInfo &info, const std::string &remotePath)
{
    if (!info || info->type.empty() || info->isDirectory() || info->isPlainFile())
        return {};
    if (info->type == "S_IFLNK")
        return "the book holds a link, which is not followed: " + remotePath;
    return "the book holds something that is neither a folder nor a file: " + remotePath;
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

std::vector<afc_connection *> TreeCopier::laneConnections(userDataIphone *data)
{
    return m_lanes ? m_lanes->forDevice(data) : std::vector<afc_connection *>();
}

void TreeCopier::noteCopyResult(bool ok)
{
    if (ok)
        return;
    std::lock_guard lock(m_reportMutex);
    ++m_lastTreeCopy.failedFiles;
}

bool TreeCopier::stopsBefore()
{
    if (!stopRequested())
        return false;
    std::lock_guard lock(m_reportMutex);
    m_lastTreeCopy.stopped = true;
    ++m_lastTreeCopy.failedFiles;
    return true;
}

void TreeCopier::queueUpload(const std::string &file, const std::string &baseDir, userDataIphone *data)
{
    auto job = [this, file, baseDir](userDataIphone *lane) {
        if (!stopsBefore())
            noteCopyResult(copyThisFile(file, baseDir, lane) == 1);
    };
    if (m_activeLanes)
        m_activeLanes->submit(job);
    else
        job(data);
}

void TreeCopier::queueDownload(const std::string &remotePath, const std::string &localDir, userDataIphone *data)
{
    auto job = [this, remotePath, localDir](userDataIphone *lane) {
        if (stopsBefore())
            return;
        std::string problem;
        const Download result = downloadFile(lane ? lane->conn : nullptr, remotePath, localDir,
                                             m_temporaryFolder, &problem, m_goOn);
        noteDownload(result == Download::Done || result == Download::Empty, result == Download::Empty,
                     joinPath(localDir, lastComponent(remotePath)), problem);
    };
    if (m_activeLanes)
        m_activeLanes->submit(job);
    else
        job(data);
}

namespace {
// The go-on flag of one top-level copy, cleared again when it ends.
struct GoOnScope
{
    GoOnScope(const std::atomic_bool *&slot, const std::atomic_bool *goOn) : slot(slot) { slot = goOn; }
    ~GoOnScope() { slot = nullptr; }
    GoOnScope(const GoOnScope &) = delete;
    GoOnScope &operator=(const GoOnScope &) = delete;
    const std::atomic_bool *&slot;
};

// Lanes for the length of one top-level copy; their figures go to the copy's report at the end.
class ActiveLanes
{
public:
    ActiveLanes(TransferLanes *&slot, const userDataIphone &main, const std::vector<afc_connection *> &extra,
                TreeCopyReport &report, std::mutex &reportMutex)
        : m_slot(slot), m_lanes(main, extra), m_report(report), m_reportMutex(reportMutex)
    {
        m_slot = &m_lanes;
    }
    ~ActiveLanes()
    {
        m_lanes.finish();
        m_slot = nullptr;
        std::lock_guard lock(m_reportMutex);
        m_report.ended = std::chrono::steady_clock::now();
        m_report.connections = m_lanes.connections();
        m_report.busySeconds = m_lanes.busySeconds();
    }

private:
    TransferLanes *&m_slot;
    TransferLanes m_lanes;
    TreeCopyReport &m_report;
    std::mutex &m_reportMutex;
};
} // namespace

int TreeCopier::copyTheseFiles(const std::vector<std::string> &paths, userDataIphone *data)
{
    {
        std::lock_guard lock(m_reportMutex);
        m_lastTreeCopy = {};
        m_lastTreeCopy.started = std::chrono::steady_clock::now();
    }
    const userDataIphone main = data ? *data : userDataIphone{};
    ActiveLanes lanes(m_activeLanes, main, laneConnections(data), m_lastTreeCopy, m_reportMutex);
    int copied = 0;
    for (const std::string &path : paths) {
        std::error_code ec;
        const auto status = fs::status(path, ec);
        if (ec || !fs::exists(status))
            continue;
        if (fs::is_directory(status)) {
            copied += drillIntoSubdirectory(path, data);
        } else {
            const int ok = copyThisFile(path, parentFolder(path), data);
            noteCopyResult(ok == 1);
            copied += ok;
        }
    }
    return copied;
}

int TreeCopier::drillIntoSubdirectory(const std::string &dir, userDataIphone *data)
{
    afc_connection *conn = data ? data->conn : nullptr;
    const std::string root = joinPath("/Books/", lastComponent(dir));
    if (AFCDirectoryCreate(conn, root.c_str()) != 0) {
        noteCopyResult(false);
        return 0;
    }
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
        if (stopsBefore())
            return 0;
        if (fs::is_directory(status)) {
            if (AFCDirectoryCreate(conn, joinPath(root, relative).c_str()) != 0) {
                noteCopyResult(false);
                return 0;
            }
        } else {
            queueUpload(full, parent, data);
        }
    }
    if (ec)
        noteCopyResult(false); // the walk stopped early: files after it were not copied
    return 1;
}

int TreeCopier::copyFolderAsWritten(const std::string &dir, userDataIphone *data,
                                    const std::function<bool(const FolderFeed &feed)> &produce,
                                    const std::atomic_bool *goOn)
{
    GoOnScope stopping(m_goOn, goOn);
    {
        std::lock_guard lock(m_reportMutex);
        m_lastTreeCopy = {};
        m_lastTreeCopy.started = std::chrono::steady_clock::now();
    }
    afc_connection *conn = data ? data->conn : nullptr;
    std::string base = dir;
    while (base.size() > 1 && base.back() == '/')
        base.pop_back();
    const std::string parent = parentFolder(base);
    const std::string root = joinPath("/Books/", lastComponent(base));
    enum class Root { NotYet, Made, Failed } state = Root::NotYet;
    bool walked = true; // every folder made so far
    auto makeRoot = [&] {
        if (state != Root::NotYet)
            return;
        // Making a folder that exists succeeds: one that answers is someone else's.
        const bool existed = readFileInfo(conn, root).has_value();
        state = !existed && AFCDirectoryCreate(conn, root.c_str()) == 0 ? Root::Made : Root::Failed;
        if (state == Root::Failed) {
            std::lock_guard lock(m_reportMutex);
            m_lastTreeCopy.rootExisted = existed;
            ++m_lastTreeCopy.failedFiles;
        }
    };
    const userDataIphone main = data ? *data : userDataIphone{};
    bool complete;
    {
        ActiveLanes lanes(m_activeLanes, main, laneConnections(data), m_lastTreeCopy, m_reportMutex);
        complete = produce([&](const std::string &relative, bool isFolder) {
            makeRoot();
            // As in a walk: after a folder that could not be made, nothing more is copied.
            if (state != Root::Made || !walked || relative.empty())
                return;
            if (stopsBefore()) {
                walked = false;
                return;
            }
            if (!isFolder) {
                queueUpload(joinPath(base, relative), parent, data);
            } else if (AFCDirectoryCreate(conn, joinPath(root, relative).c_str()) != 0) {
                noteCopyResult(false);
                walked = false;
            }
        });
        if (complete)
            makeRoot(); // a folder with nothing in it
    }
    return complete && state == Root::Made && walked ? 1 : 0;
}

int TreeCopier::copyThisFile(const std::string &file, const std::string &baseDir, userDataIphone *data)
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
    // Most parts of a book are small: the buffer is no larger than the file.
    const off_t largest = static_cast<off_t>(kTreeCopyChunk);
    const size_t bufferSize = static_cast<size_t>(std::clamp<off_t>(st.st_size, 1, largest));
    std::unique_ptr<char[]> buffer(new (std::nothrow) char[bufferSize]);
    if (!buffer)
        return 0;
    afc_file_ref ref = 0;
    if (AFCFileRefOpen(conn, remote.c_str(), AFC_MODE_WRITE, 0, &ref) != 0)
        return 0;
    // A short read or a failed write makes the copy a failure, not a truncated success.
    bool failed = false;
    for (;;) {
        if (stopRequested()) {
            failed = true;
            std::lock_guard lock(m_reportMutex);
            m_lastTreeCopy.stopped = true;
            break;
        }
        const size_t n = std::fread(buffer.get(), 1, bufferSize, local.get());
        if (n > 0 && AFCFileRefWrite(conn, ref, buffer.get(), static_cast<unsigned int>(n)) != 0) {
            failed = true;
            break;
        }
        if (n < bufferSize) {
            failed = std::ferror(local.get()) != 0;
            break;
        }
    }
    const bool closed = AFCFileRefClose(conn, ref) == 0;
    return closed && !failed ? 1 : 0;
}

std::optional<std::vector<std::string>>
TreeCopier::saveBooksFromPhoneToLocalPath(const std::string &localPath, const std::string &srcepub,
                                          bool isbuybook, userDataIphone *data, const FileDone &downloaded,
                                          const std::atomic_bool *goOn)
{
    GoOnScope stopping(m_goOn, goOn);
    struct Hearing
    {
        FileDone &slot;
        std::string &temporaryFolder;
        ~Hearing()
        {
            slot = nullptr;
            temporaryFolder.clear();
        }
    } hearing{m_downloaded, m_temporaryFolder};
    m_downloaded = downloaded;
    // Beside the copy, never inside it: a part's own name can never be a temporary one.
    m_temporaryFolder = localPath;
    afc_connection *conn = data ? data->conn : nullptr;
    const std::string base = isbuybook ? "/Books/Purchases/" : "/Books/";
    {
        std::lock_guard lock(m_reportMutex);
        m_lastTreeCopy = {};
        m_lastTreeCopy.started = std::chrono::steady_clock::now();
    }
    afc_directory *dir = nullptr;
    if (AFCDirectoryOpen(conn, base.c_str(), &dir) != 0)
        return std::nullopt;
    ActiveLanes lanes(m_activeLanes, *data, laneConnections(data), m_lastTreeCopy, m_reportMutex);
    std::vector<std::string> created;
    char *name = nullptr;
    while (AFCDirectoryRead(conn, dir, &name) == 0 && name) {
        if (srcepub != name || unsafeEntryName(name))
            continue;
        const std::string local = joinPath(localPath, name);
        const std::string remote = joinPath(base, name);
        created.push_back(local);
        // A book that is a link would be read from wherever it leads (the whole books folder).
        if (const std::string problem = notCopied(readFileInfo(conn, remote), remote); !problem.empty()) {
            noteDownload(false, false, local, problem);
            continue;
        }
        // The one listing of the book's folder is also the test that it is one.
        afc_directory *book = nullptr;
        if (AFCDirectoryOpen(conn, remote.c_str(), &book) == 0) {
            makeLocalFolder(local);
            mirrorOpenDirectory(book, remote, local, data);
        } else {
            queueDownload(remote, localPath, data);
        }
    }
    AFCDirectoryClose(conn, dir);
    return created;
}

int TreeCopier::mirrorDirectoryAtRemotePath(const std::string &remotePath, const std::string &localDir,
                                            userDataIphone *data)
{
    afc_connection *conn = data ? data->conn : nullptr;
    afc_directory *dir = nullptr;
    if (AFCDirectoryOpen(conn, remotePath.c_str(), &dir) != 0) {
        logMessage("Could not open base directory.");
        noteCopyResult(false);
        return 1;
    }
    return mirrorOpenDirectory(dir, remotePath, localDir, data);
}

int TreeCopier::mirrorOpenDirectory(afc_directory *dir, const std::string &remotePath, const std::string &localDir,
                                    userDataIphone *data)
{
    afc_connection *conn = data ? data->conn : nullptr;
    int rc;
    char *name = nullptr;
    while ((rc = AFCDirectoryRead(conn, dir, &name)) == 0 && name) {
        if (unsafeEntryName(name))
            continue;
        if (stopsBefore())
            break;
        const std::string remoteChild = joinPath(remotePath, name);
        if (m_activeLanes && m_activeLanes->parallel()) {
            // Over a link the entries are told apart on the lanes too: a walk on one
            // connection would feed them slower than they empty the queue.
            m_activeLanes->submit([this, remoteChild, localDir](userDataIphone *lane) {
                visitRemoteEntry(remoteChild, localDir, lane);
            });
        } else {
            visitRemoteEntry(remoteChild, localDir, data);
        }
    }
    AFCDirectoryClose(conn, dir);
    noteCopyResult(rc == 0);
    return rc;
}

void TreeCopier::visitRemoteEntry(const std::string &remotePath, const std::string &localDir, userDataIphone *lane)
{
    afc_connection *conn = lane ? lane->conn : nullptr;
    const std::string local = joinPath(localDir, lastComponent(remotePath));
    // One file-information request tells a folder from a file and gives the size the
    // download needs; an entry of no kind (no answer) takes the folder test of the walk.
    if (stopsBefore())
        return;
    const RemoteInfo info = readFileInfo(conn, remotePath);
    if (const std::string problem = notCopied(info, remotePath); !problem.empty()) {
        noteDownload(false, false, local, problem);
        return;
    }
    const bool folder = info && info->isDirectory();
    const bool file = info && info->isPlainFile();
    if (folder || (!file && opensAsDirectory(conn, remotePath))) {
        if (std::count(remotePath.begin(), remotePath.end(), '/') > kMaxFolderDepth) {
            noteDownload(false, false, local, "the book's folders nest too deep: " + remotePath);
            return;
        }
        makeLocalFolder(local);
        mirrorDirectoryAtRemotePath(remotePath, local, lane);
        return;
    }
    logFormat("Not a directory: %s", remotePath.c_str());
    std::string problem;
    const Download result =
        file ? downloadFile(conn, remotePath, localDir, info, m_temporaryFolder, &problem, m_goOn)
             : downloadFile(conn, remotePath, localDir, m_temporaryFolder, &problem, m_goOn);
    noteDownload(result == Download::Done || result == Download::Empty, result == Download::Empty, local,
                 problem);
}

void TreeCopier::noteDownload(bool ok, bool empty, const std::string &local, const std::string &problem)
{
    if (!ok && stopRequested()) {
        std::lock_guard lock(m_reportMutex);
        m_lastTreeCopy.stopped = true;
    }
    if (ok && !empty && m_downloaded)
        m_downloaded(local);
    if (empty || !problem.empty()) {
        std::lock_guard lock(m_reportMutex);
        if (empty)
            m_lastTreeCopy.emptyFiles.push_back(local);
        if (m_lastTreeCopy.problem.empty())
            m_lastTreeCopy.problem = problem;
    }
    noteCopyResult(ok);
}

int TreeCopier::copyFileAtRemotePath(const std::string &remotePath, const std::string &localBase,
                                     userDataIphone *data)
{
    afc_connection *conn = data ? data->conn : nullptr;
    const Download result = downloadFile(conn, remotePath, localBase, {}, nullptr, nullptr);
    return result == Download::Done ? 0 : 1;
}

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
        return "cannot write the book's copy in the scratch folder (" + m_path + "): " + std::strerror(m_error);
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
} // namespace

int TreeCopier::cpAllFilesfromPath(const char *srcPath, const char *dstPah, userDataIphone *data)
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
