// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

// Tree copies between the local disk and the device's "/Books": uploads of files and
// folders, downloads of one book, a flat copy of one device folder. A top-level copy moves
// its files through transfer lanes (extra file-service connections, each with its thread)
// when the device is reached over USB; its walk stays on the caller's thread and
// connection, in order. loadIPhone offers these methods under the same names.

#include "userdataiphone.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

class LaneConnections;
class TransferLanes;

// What the last tree copy (copyTheseFiles or saveBooksFromPhoneToLocalPath) could not move,
// so a caller can judge the copy without asking the device again.
struct TreeCopyReport
{
    int failedFiles = 0;                 // files not copied whole, folders not walked
    // The first failure that was not a read from the device, as a sentence: a link or other
    // entry that is not followed, a local file that could not be written. Empty otherwise.
    std::string problem;
    bool rootExisted = false; // an upload's book folder was on the device already (not made)
    bool stopped = false;     // the copy's go-on flag was cleared before it was done
    std::vector<std::string> emptyFiles; // local paths of empty device files the download left out

    // Where the copy's time went, for measurements: its start and end, the connections that
    // moved its files (the caller's included) and how long they were busy with them, summed.
    std::chrono::steady_clock::time_point started, ended;
    int connections = 0;
    double busySeconds = 0;
};

class TreeCopier
{
public:
    // `lanes` (may be null) lends the copies extra connections of the record's device.
    explicit TreeCopier(LaneConnections *lanes) : m_lanes(lanes) {}
    TreeCopier(const TreeCopier &) = delete;
    TreeCopier &operator=(const TreeCopier &) = delete;

    // Upload: the number of items whose copy reported success.
    int copyTheseFiles(const std::vector<std::string> &paths, userDataIphone *data);
    // 1 when the whole folder was walked, 0 when creating a device folder failed.
    int drillIntoSubdirectory(const std::string &dir, userDataIphone *data);
    // 1 on success, 0 on failure.
    int copyThisFile(const std::string &file, const std::string &baseDir, userDataIphone *data);

    // Upload of the local folder `dir` to "/Books/<its name>" while `produce` (on the caller's
    // thread) is still writing it: `produce` hands over each folder before anything in it and
    // each file once whole, by its path below `dir`, and answers whether it wrote the folder
    // completely. Folders are made on the device as they come, files go to the lanes. Nothing
    // is asked of the device before the first hand-over (or the end of a complete `produce`).
    // The book folder must be new: one the device holds already (an interrupted copy's, say)
    // is left as it is and nothing is copied (lastTreeCopy().rootExisted).
    // 1 as drillIntoSubdirectory answers; 0 when `produce` failed too.
    // `goOn` (may be null), once cleared by another thread, stops the copy between files and
    // between the pieces of a file, on every lane: what is left counts as failed and the
    // report says stopped.
    using FolderFeed = std::function<void(const std::string &relative, bool isFolder)>;
    int copyFolderAsWritten(const std::string &dir, userDataIphone *data,
                            const std::function<bool(const FolderFeed &feed)> &produce,
                            const std::atomic_bool *goOn = nullptr);

    // Download of one book; nullopt when the device folder cannot be listed. Links on the
    // device are not followed (a link may loop), nor is anything but folders and plain files
    // read: each such entry is a failed file. Temporary files go to `localPath` itself.
    // `downloaded`, when given, hears of each file once it is whole on the local disk (from
    // any lane's thread). `goOn` stops it as it stops copyFolderAsWritten; a file cut short
    // is never left in `localPath`.
    using FileDone = std::function<void(const std::string &localPath)>;
    std::optional<std::vector<std::string>>
    saveBooksFromPhoneToLocalPath(const std::string &localPath, const std::string &srcepub, bool isbuybook,
                                  userDataIphone *data, const FileDone &downloaded = {},
                                  const std::atomic_bool *goOn = nullptr);
    // 1 when the device folder cannot be opened, else the last listing read's result.
    int mirrorDirectoryAtRemotePath(const std::string &remotePath, const std::string &localDir,
                                    userDataIphone *data);
    // 0 on success, 1 on failure.
    int copyFileAtRemotePath(const std::string &remotePath, const std::string &localBase, userDataIphone *data);

    // Flat copy of one device folder: 0, or -1 when it cannot be opened.
    int cpAllFilesfromPath(const char *srcPath, const char *dstPah, userDataIphone *data);

    const TreeCopyReport &lastTreeCopy() const { return m_lastTreeCopy; }

private:
    std::vector<afc_connection *> laneConnections(userDataIphone *data);
    void noteCopyResult(bool ok);
    // True once the running copy's go-on flag is cleared; notes the file it keeps from copying.
    bool stopsBefore();
    bool stopRequested() const { return m_goOn && !m_goOn->load(); }
    void queueUpload(const std::string &file, const std::string &baseDir, userDataIphone *data);
    void queueDownload(const std::string &remotePath, const std::string &localDir, userDataIphone *data);
    void visitRemoteEntry(const std::string &remotePath, const std::string &localDir, userDataIphone *lane);
    void noteDownload(bool ok, bool empty, const std::string &local, const std::string &problem = {});
    int mirrorOpenDirectory(afc_directory *dir, const std::string &remotePath, const std::string &localDir,
                            userDataIphone *data);

    LaneConnections *m_lanes;
    TransferLanes *m_activeLanes = nullptr; // while a top-level copy runs
    FileDone m_downloaded;                   // while a download runs
    const std::atomic_bool *m_goOn = nullptr; // while a top-level copy runs
    std::string m_temporaryFolder;           // while a download runs: where files are written first
    std::mutex m_reportMutex;
    TreeCopyReport m_lastTreeCopy;
};
