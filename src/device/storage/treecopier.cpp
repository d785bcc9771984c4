// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "device/storage/treecopier.h"

#include "core/fullio.h"
#include "core/log.h"
#include "core/uitext.h"
#include "device/storage/devicefiles.h"
#include "device/storage/filedownload.h"
#include "device/storage/devicepath.h"
#include "device/storage/laneconnections.h"
#include "device/storage/transferlanes.h"

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

// A copy goes no deeper than this many folders below "/Books": no book nests that deep.
constexpr long kMaxFolderDepth = 64;

// Why an entry of this kind is not copied; empty for folders and plain files, and for an
// entry whose kind the device did not say (the folder test decides).
std::string notCopied(const RemoteInfo &info, const std::string &remotePath)
{
    if (!info || info->type.empty() || info->isDirectory() || info->isPlainFile())
        return {};
    if (info->type == "S_IFLNK")
        return uiArgs(uiText("Device", "the book holds a link, which is not followed: %1"), {remotePath});
    return uiArgs(uiText("Device", "the book holds something that is neither a folder nor a file: %1"), {remotePath});
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

namespace {
// One copy's state, living in the call that makes the copy: its report (written from every
// lane, so under its mutex) and, while it runs, its lanes, its go-on flag and the download's
// hooks.
struct Copy
{
    const std::atomic_bool *goOn = nullptr;
    TreeCopier::FileDone downloaded;
    std::string temporaryFolder; // download: where files are written first (empty: the file's own)
    TransferLanes *lanes = nullptr;
    std::mutex mutex;
    TreeCopyReport report;

    bool stopRequested() const { return goOn && !goOn->load(); }
    void note(bool ok)
    {
        if (ok)
            return;
        std::lock_guard lock(mutex);
        ++report.failedFiles;
    }
    void noteStopped()
    {
        std::lock_guard lock(mutex);
        report.stopped = true;
    }
    // True once the go-on flag is cleared; counts the file it keeps from copying.
    bool stopsBefore()
    {
        if (!stopRequested())
            return false;
        std::lock_guard lock(mutex);
        report.stopped = true;
        ++report.failedFiles;
        return true;
    }
    void submit(const TransferLanes::Job &job, userDataIphone *data)
    {
        if (lanes)
            lanes->submit(job);
        else
            job(data);
    }
    void noteDownload(bool ok, bool empty, const std::string &local, const std::string &problem = {})
    {
        if (!ok && stopRequested())
            noteStopped();
        if (ok && !empty && downloaded)
            downloaded(local);
        if (empty || !problem.empty()) {
            std::lock_guard lock(mutex);
            if (empty)
                report.emptyFiles.push_back(local);
            if (report.problem.empty())
                report.problem = problem;
        }
        note(ok);
    }
};

// Lanes for the length of one top-level copy; their figures go to the copy's report at the end.
class ActiveLanes
{
public:
    ActiveLanes(Copy &copy, const userDataIphone &main, const std::vector<afc_connection *> &extra)
        : m_copy(copy), m_lanes(main, extra)
    {
        m_copy.lanes = &m_lanes;
    }
    ~ActiveLanes()
    {
        m_lanes.finish();
        m_copy.lanes = nullptr;
        std::lock_guard lock(m_copy.mutex);
        m_copy.report.ended = std::chrono::steady_clock::now();
        m_copy.report.connections = m_lanes.connections();
        m_copy.report.busySeconds = m_lanes.busySeconds();
    }
    ActiveLanes(const ActiveLanes &) = delete;
    ActiveLanes &operator=(const ActiveLanes &) = delete;

private:
    Copy &m_copy;
    TransferLanes m_lanes;
};

std::string withoutTrailingSlashes(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

// 1 on success, 0 on failure.
int uploadFile(Copy &copy, const std::string &file, const std::string &baseDir, userDataIphone *data)
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
        if (copy.stopRequested()) {
            failed = true;
            copy.noteStopped();
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

void queueUpload(Copy &copy, const std::string &file, const std::string &baseDir, userDataIphone *data)
{
    copy.submit(
        [&copy, file, baseDir](userDataIphone *lane) {
            if (!copy.stopsBefore())
                copy.note(uploadFile(copy, file, baseDir, lane) == 1);
        },
        data);
}

void queueDownload(Copy &copy, const std::string &remotePath, const std::string &localDir, userDataIphone *data)
{
    copy.submit(
        [&copy, remotePath, localDir](userDataIphone *lane) {
            if (copy.stopsBefore())
                return;
            std::string problem;
            const Download result = downloadFile(lane ? lane->conn : nullptr, remotePath, localDir,
                                                 copy.temporaryFolder, &problem, copy.goOn);
            copy.noteDownload(result == Download::Done || result == Download::Empty, result == Download::Empty,
                              joinPath(localDir, lastComponent(remotePath)), problem);
        },
        data);
}

// 1 when the whole folder was walked, 0 when creating a device folder failed.
int drill(Copy &copy, const std::string &dir, userDataIphone *data)
{
    afc_connection *conn = data ? data->conn : nullptr;
    const std::string root = joinPath("/Books/", lastComponent(dir));
    if (AFCDirectoryCreate(conn, root.c_str()) != 0) {
        copy.note(false);
        return 0;
    }
    const std::string base = withoutTrailingSlashes(dir);
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
        if (copy.stopsBefore())
            return 0;
        if (fs::is_directory(status)) {
            if (AFCDirectoryCreate(conn, joinPath(root, relative).c_str()) != 0) {
                copy.note(false);
                return 0;
            }
        } else {
            queueUpload(copy, full, parent, data);
        }
    }
    if (ec)
        copy.note(false); // the walk stopped early: files after it were not copied
    return 1;
}

int mirrorOpenDirectory(Copy &copy, afc_directory *dir, const std::string &remotePath, const std::string &localDir,
                        userDataIphone *data);

// 1 when the device folder cannot be opened, else the last listing read's result.
int mirror(Copy &copy, const std::string &remotePath, const std::string &localDir, userDataIphone *data)
{
    afc_directory *dir = nullptr;
    if (AFCDirectoryOpen(data ? data->conn : nullptr, remotePath.c_str(), &dir) != 0) {
        logMessage("Could not open base directory.");
        copy.note(false);
        return 1;
    }
    return mirrorOpenDirectory(copy, dir, remotePath, localDir, data);
}

void visitRemoteEntry(Copy &copy, const std::string &remotePath, const std::string &localDir, userDataIphone *lane)
{
    afc_connection *conn = lane ? lane->conn : nullptr;
    const std::string local = joinPath(localDir, lastComponent(remotePath));
    // One file-information request tells a folder from a file and gives the size the
    // download needs; an entry of no kind (no answer) takes the folder test of the walk.
    if (copy.stopsBefore())
        return;
    const RemoteInfo info = readFileInfo(conn, remotePath);
    if (const std::string problem = notCopied(info, remotePath); !problem.empty()) {
        copy.noteDownload(false, false, local, problem);
        return;
    }
    const bool folder = info && info->isDirectory();
    const bool file = info && info->isPlainFile();
    if (folder || (!file && opensAsDirectory(conn, remotePath))) {
        if (std::count(remotePath.begin(), remotePath.end(), '/') > kMaxFolderDepth) {
            copy.noteDownload(false, false, local, uiArgs(uiText("Device", "the book's folders nest too deep: %1"), {remotePath}));
            return;
        }
        makeLocalFolder(local);
        mirror(copy, remotePath, local, lane);
        return;
    }
    logFormat("Not a directory: %s", remotePath.c_str());
    std::string problem;
    const Download result =
        file ? downloadFile(conn, remotePath, localDir, info, copy.temporaryFolder, &problem, copy.goOn)
             : downloadFile(conn, remotePath, localDir, copy.temporaryFolder, &problem, copy.goOn);
    copy.noteDownload(result == Download::Done || result == Download::Empty, result == Download::Empty, local,
                      problem);
}

int mirrorOpenDirectory(Copy &copy, afc_directory *dir, const std::string &remotePath, const std::string &localDir,
                        userDataIphone *data)
{
    afc_connection *conn = data ? data->conn : nullptr;
    int rc;
    char *name = nullptr;
    while ((rc = AFCDirectoryRead(conn, dir, &name)) == 0 && name) {
        if (unsafeEntryName(name))
            continue;
        if (copy.stopsBefore())
            break;
        const std::string remoteChild = joinPath(remotePath, name);
        if (copy.lanes && copy.lanes->parallel()) {
            // Over a link the entries are told apart on the lanes too: a walk on one
            // connection would feed them slower than they empty the queue.
            copy.lanes->submit([&copy, remoteChild, localDir](userDataIphone *lane) {
                visitRemoteEntry(copy, remoteChild, localDir, lane);
            });
        } else {
            visitRemoteEntry(copy, remoteChild, localDir, data);
        }
    }
    AFCDirectoryClose(conn, dir);
    copy.note(rc == 0);
    return rc;
}
} // namespace

std::vector<afc_connection *> TreeCopier::laneConnections(userDataIphone *data)
{
    if (!m_lanes)
        return {};
    return m_lanes->forDevice(data, LaneConnections::kExtraLanes + (m_walk == Walk::OwnConnection ? 1 : 0));
}

userDataIphone *TreeCopier::walkRecord(userDataIphone *data, std::vector<afc_connection *> &extra,
                                       userDataIphone &own) const
{
    if (m_walk != Walk::OwnConnection || !data || extra.empty())
        return data;
    own = *data;
    own.conn = extra.front();
    extra.erase(extra.begin());
    return &own;
}

TreeCopyReport TreeCopier::remember(TreeCopyReport report)
{
    std::lock_guard lock(m_lastMutex);
    m_last = report;
    return report;
}

TreeCopyReport TreeCopier::lastTreeCopy() const
{
    std::lock_guard lock(m_lastMutex);
    return m_last;
}

TreeCopyReport TreeCopier::upload(const std::vector<std::string> &paths, userDataIphone *data)
{
    Copy copy;
    copy.report.started = std::chrono::steady_clock::now();
    {
        const userDataIphone main = data ? *data : userDataIphone{};
        ActiveLanes lanes(copy, main, laneConnections(data));
        for (const std::string &path : paths) {
            std::error_code ec;
            const auto status = fs::status(path, ec);
            if (ec || !fs::exists(status))
                continue;
            if (fs::is_directory(status)) {
                copy.report.copied += drill(copy, path, data);
            } else {
                const int ok = uploadFile(copy, path, parentFolder(path), data);
                copy.note(ok == 1);
                copy.report.copied += ok;
            }
        }
    }
    copy.report.ok = copy.report.failedFiles == 0;
    return remember(std::move(copy.report));
}

int TreeCopier::drillIntoSubdirectory(const std::string &dir, userDataIphone *data)
{
    Copy copy;
    return drill(copy, dir, data);
}

TreeCopyReport TreeCopier::uploadAsWritten(const std::string &dir, userDataIphone *data,
                                           const std::function<bool(const FolderFeed &feed)> &produce,
                                           const std::atomic_bool *goOn)
{
    Copy copy;
    copy.goOn = goOn;
    copy.report.started = std::chrono::steady_clock::now();
    std::vector<afc_connection *> extra = laneConnections(data);
    userDataIphone own;
    data = walkRecord(data, extra, own);
    afc_connection *conn = data ? data->conn : nullptr;
    const std::string base = withoutTrailingSlashes(dir);
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
            std::lock_guard lock(copy.mutex);
            copy.report.rootExisted = existed;
            ++copy.report.failedFiles;
        }
    };
    const userDataIphone main = data ? *data : userDataIphone{};
    bool complete;
    {
        ActiveLanes lanes(copy, main, extra);
        complete = produce([&](const std::string &relative, bool isFolder) {
            makeRoot();
            // As in a walk: after a folder that could not be made, nothing more is copied.
            if (state != Root::Made || !walked || relative.empty())
                return;
            if (copy.stopsBefore()) {
                walked = false;
                return;
            }
            if (!isFolder) {
                queueUpload(copy, joinPath(base, relative), parent, data);
            } else if (AFCDirectoryCreate(conn, joinPath(root, relative).c_str()) != 0) {
                copy.note(false);
                walked = false;
            }
        });
        if (complete)
            makeRoot(); // a folder with nothing in it
    }
    copy.report.ok = complete && state == Root::Made && walked;
    return remember(std::move(copy.report));
}

int TreeCopier::copyThisFile(const std::string &file, const std::string &baseDir, userDataIphone *data)
{
    Copy copy;
    return uploadFile(copy, file, baseDir, data);
}

TreeCopyReport TreeCopier::download(const std::string &localPath, const std::string &srcepub, bool isbuybook,
                                    userDataIphone *data, const FileDone &downloaded, const std::atomic_bool *goOn)
{
    Copy copy;
    copy.goOn = goOn;
    copy.downloaded = downloaded;
    // Beside the copy, never inside it: a part's own name can never be a temporary one.
    copy.temporaryFolder = localPath;
    copy.report.started = std::chrono::steady_clock::now();
    std::vector<afc_connection *> extra = laneConnections(data);
    userDataIphone own;
    data = walkRecord(data, extra, own);
    afc_connection *conn = data ? data->conn : nullptr;
    const std::string base = isbuybook ? "/Books/Purchases/" : "/Books/";
    afc_directory *dir = nullptr;
    if (AFCDirectoryOpen(conn, base.c_str(), &dir) != 0)
        return remember(std::move(copy.report));
    {
        ActiveLanes lanes(copy, *data, extra);
        char *name = nullptr;
        while (AFCDirectoryRead(conn, dir, &name) == 0 && name) {
            if (srcepub != name || unsafeEntryName(name))
                continue;
            const std::string local = joinPath(localPath, name);
            const std::string remote = joinPath(base, name);
            copy.report.created.push_back(local);
            // A book that is a link would be read from wherever it leads (the whole books folder).
            if (const std::string problem = notCopied(readFileInfo(conn, remote), remote); !problem.empty()) {
                copy.noteDownload(false, false, local, problem);
                continue;
            }
            // The one listing of the book's folder is also the test that it is one.
            afc_directory *book = nullptr;
            if (AFCDirectoryOpen(conn, remote.c_str(), &book) == 0) {
                makeLocalFolder(local);
                mirrorOpenDirectory(copy, book, remote, local, data);
            } else {
                queueDownload(copy, remote, localPath, data);
            }
        }
        AFCDirectoryClose(conn, dir);
    }
    copy.report.ok = true;
    return remember(std::move(copy.report));
}

std::optional<std::vector<std::string>>
TreeCopier::saveBooksFromPhoneToLocalPath(const std::string &localPath, const std::string &srcepub, bool isbuybook,
                                          userDataIphone *data, const FileDone &downloaded,
                                          const std::atomic_bool *goOn)
{
    TreeCopyReport report = download(localPath, srcepub, isbuybook, data, downloaded, goOn);
    if (!report.ok)
        return std::nullopt;
    return std::move(report.created);
}

int TreeCopier::mirrorDirectoryAtRemotePath(const std::string &remotePath, const std::string &localDir,
                                            userDataIphone *data)
{
    Copy copy;
    return mirror(copy, remotePath, localDir, data);
}

int TreeCopier::copyFileAtRemotePath(const std::string &remotePath, const std::string &localBase,
                                     userDataIphone *data)
{
    afc_connection *conn = data ? data->conn : nullptr;
    const Download result = downloadFile(conn, remotePath, localBase, {}, nullptr, nullptr);
    return result == Download::Done ? 0 : 1;
}

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
