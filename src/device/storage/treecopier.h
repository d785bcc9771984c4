// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

// Tree copies between the local disk and the device's "/Books": uploads of files and
// folders, downloads of one book, a flat copy of one device folder. A top-level copy moves
// its files through transfer lanes (extra file-service connections, each with its thread)
// when the device is reached over USB; its walk stays on the caller's thread and
// connection, in order. loadIPhone offers these methods under the same names.

#include "device/storage/userdataiphone.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

class LaneConnections;

// What one tree copy did: the one answer of upload, uploadAsWritten and download (copyTheseFiles,
// copyFolderAsWritten and saveBooksFromPhoneToLocalPath answer their own numbers, read from
// it), so a caller can judge the copy without asking the device again.
struct TreeCopyReport
{
    // Upload: every item copied whole; upload as written: the book folder made new, every folder
    // in it made and the producer done; download: the books folder listed.
    bool ok = false;
    int copied = 0;                      // upload: the items whose copy reported success
    std::vector<std::string> created;    // download: the local copies of the book made
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

// A copy's state lives in the call that makes it: one TreeCopier serves copies on several
// threads at once. Only the last report is kept (lastTreeCopy).
class TreeCopier final
{
public:
    // How an upload as written or a download walks the device's folders: on the record's own
    // connection, or on one more connection of `lanes`, so that copies on several copiers run
    // side by side without queueing behind each other's requests (and the record's).
    enum class Walk { OnRecord, OwnConnection };
    // `lanes` (may be null) lends the copies extra connections of the record's device.
    explicit TreeCopier(LaneConnections *lanes, Walk walk = Walk::OnRecord) : m_lanes(lanes), m_walk(walk) {}
    TreeCopier(const TreeCopier &) = delete;
    TreeCopier &operator=(const TreeCopier &) = delete;

    // Upload of local files and folders to "/Books".
    TreeCopyReport upload(const std::vector<std::string> &paths, userDataIphone *data);
    // The number of items whose copy reported success.
    int copyTheseFiles(const std::vector<std::string> &paths, userDataIphone *data)
    {
        return upload(paths, data).copied;
    }
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
    // is left as it is and nothing is copied (rootExisted).
    // `goOn` (may be null), once cleared by another thread, stops the copy between files and
    // between the pieces of a file, on every lane: what is left counts as failed and the
    // report says stopped.
    using FolderFeed = std::function<void(const std::string &relative, bool isFolder)>;
    TreeCopyReport uploadAsWritten(const std::string &dir, userDataIphone *data,
                                   const std::function<bool(const FolderFeed &feed)> &produce,
                                   const std::atomic_bool *goOn = nullptr);
    // 1 when the report is ok, else 0.
    int copyFolderAsWritten(const std::string &dir, userDataIphone *data,
                            const std::function<bool(const FolderFeed &feed)> &produce,
                            const std::atomic_bool *goOn = nullptr)
    {
        return uploadAsWritten(dir, data, produce, goOn).ok ? 1 : 0;
    }

    // Download of one book. Links on the device are not followed (a link may loop), nor is
    // anything but folders and plain files read: each such entry is a failed file. Temporary
    // files go to `localPath` itself. `downloaded`, when given, hears of each file once it is
    // whole on the local disk (from any lane's thread). `goOn` stops it as it stops
    // uploadAsWritten; a file cut short is never left in `localPath`.
    using FileDone = std::function<void(const std::string &localPath)>;
    TreeCopyReport download(const std::string &localPath, const std::string &srcepub, bool isbuybook,
                            userDataIphone *data, const FileDone &downloaded = {},
                            const std::atomic_bool *goOn = nullptr);
    // The local copies made; nullopt when the device folder cannot be listed.
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

    // The report of the last upload, upload as written or download.
    TreeCopyReport lastTreeCopy() const;

private:
    std::vector<afc_connection *> laneConnections(userDataIphone *data);
    // The record a copy walks on: `data`, or with Walk::OwnConnection a copy of it on the
    // first of `extra` (taken from the list), kept in `own`.
    userDataIphone *walkRecord(userDataIphone *data, std::vector<afc_connection *> &extra, userDataIphone &own) const;
    TreeCopyReport remember(TreeCopyReport report);

    LaneConnections *m_lanes;
    const Walk m_walk;
    mutable std::mutex m_lastMutex;
    TreeCopyReport m_last;
};
