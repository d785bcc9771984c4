// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// The export of one book from the device into a folder, as "<title>.epub".
#include "core/fullio.h"
#include "core/scratch.h"
#include "device/connection/devicefiles.h"
#include "device/connection/loadiphone.h"
#include "device/link/mobiledevice.h"
#include "operations/bookpath.h"
#include "operations/epubarchive.h"
#include "operations/epubstreampacker.h"
#include "operations/ipodtreelistcontroler.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {
// The only names an export ever gives its own files in the user's folder: a finished book
// copied in from another file system, locked while it is written and renamed to its title.
constexpr const char *kExportTemporary = ".bookferry-export-";

// The file as this export left it: the same file, unchanged since (empty when there is none).
std::string fileIdentity(const std::string &path)
{
    struct stat st{};
    if (::stat(path.c_str(), &st) != 0)
        return {};
    return std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino) + ":" + std::to_string(st.st_size) + ":" +
           std::to_string(st.st_mtim.tv_sec) + "." + std::to_string(st.st_mtim.tv_nsec);
}

// Copies another export left behind when it was stopped: they are unlocked.
void removeAbandonedCopies(const std::string &folder)
{
    DIR *dir = ::opendir(folder.c_str());
    if (!dir)
        return;
    const std::size_t prefix = std::strlen(kExportTemporary);
    while (const dirent *entry = ::readdir(dir)) {
        if (std::strncmp(entry->d_name, kExportTemporary, prefix) != 0)
            continue;
        const int fd = ::openat(::dirfd(dir), entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct stat st{};
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0)
            ::unlinkat(::dirfd(dir), entry->d_name, 0);
        ::close(fd);
    }
    ::closedir(dir);
}

// Puts the packed book at `target`: a rename when the scratch folder shares its file system,
// else a copy into a locked file beside it, renamed when whole.
bool placeBook(const std::string &packed, const std::string &target, std::string *error)
{
    if (::rename(packed.c_str(), target.c_str()) == 0)
        return true;
    if (errno != EXDEV) {
        *error = "cannot write " + target + ": " + std::strerror(errno);
        return false;
    }
    std::string temporary = (fs::path(target).parent_path() / (std::string(kExportTemporary) + "XXXXXX")).string();
    const int out = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (out < 0) {
        *error = "cannot write in " + fs::path(target).parent_path().string() + ": " + std::strerror(errno);
        return false;
    }
    ::flock(out, LOCK_EX); // a new file nobody else has open: never waits
    const int in = ::open(packed.c_str(), O_RDONLY | O_CLOEXEC);
    bool ok = in >= 0;
    char buffer[1 << 16];
    for (ssize_t n; ok && (n = readFull(in, buffer, sizeof buffer)) != 0;)
        ok = n > 0 && writeFull(out, buffer, static_cast<std::size_t>(n));
    ok = ok && ::rename(temporary.c_str(), target.c_str()) == 0;
    if (!ok) {
        *error = "cannot write " + target + ": " + std::strerror(errno);
        ::unlink(temporary.c_str());
    }
    if (in >= 0)
        ::close(in);
    ::close(out); // the lock goes with it, once the book has its name
    return ok;
}
} // namespace

BookOperationResult iPodTreeListControler::saveEpubToMac(BookContext &context, const std::string &path,
                                                         const std::string &dstpath, bool isbuybook,
                                                         const std::string &titlename)
{
    const std::string item = titlename.empty() ? path : titlename;
    if (const std::string problem = bookPathProblem(path); !problem.empty())
        return BookOperationResult::makeFailed(item, problem);
    std::string why;
    userDataIphone *data = context.device(&why);
    if (!data)
        return BookOperationResult::makeFailed(item, why);
    if (!context.shelf.usesCatalogue())
        return BookOperationResult::makeFailed(item, "only the device's own books are exported here");
    TreeCopier &copier = context.session->treeCopier();
    std::error_code ec;
    if (!fs::is_directory(dstpath, ec))
        return BookOperationResult::makeFailed(item, "the destination is not a folder: " + dstpath);
    removeAbandonedCopies(dstpath);

    // Everything the export works with lives in a folder of its own in the private scratch
    // folder: the user's folder gets the finished book or nothing, even when the export is
    // stopped. The copy can never be the target itself (a title equal to the folder name).
    std::string work = scratchPath("export-XXXXXX");
    if (work.empty() || !::mkdtemp(work.data()))
        return BookOperationResult::makeFailed(item, "the scratch folder cannot be used");
    FolderRemoval cleanup{work};
    const std::string downloads = (fs::path(work) / "book").string();
    const std::string packed = (fs::path(work) / "packed.epub").string();
    fs::create_directory(downloads, ec);

    // The book is packed while it downloads, each part as it arrives, so that little is left
    // to do after the last one.
    const std::string bookCopy = (fs::path(downloads) / path).string();
    std::optional<EpubStreamPacker> packer;
    packer.emplace(bookCopy, (fs::path(work) / "stream.epub").string());
    const auto copies = copier.saveBooksFromPhoneToLocalPath(
        downloads, path, isbuybook, data, [&packer](const std::string &local) { packer->add(local); }, context.goOn);
    if (!copies)
        return BookOperationResult::makeFailed(item, "cannot open the device's books folder");
    if (copies->empty())
        return BookOperationResult::makeFailed(item, "the book \"" + path + "\" is not on the device");

    // The download names what it could not read: a file, a size, a folder or a listing cut
    // short, and what it would not follow or could not write. It leaves out empty files; a
    // book may list one, so they are made here.
    const TreeCopyReport &download = copier.lastTreeCopy();
    if (download.stopped)
        return BookOperationResult::makeSkipped(item, kStopped);
    if (download.failedFiles > 0)
        return BookOperationResult::makeFailed(
            item, download.problem.empty() ? "could not read all of the book from the device" : download.problem);
    for (const std::string &empty : download.emptyFiles) {
        std::ofstream(empty, std::ios::binary);
        if (!fs::exists(empty, ec))
            return BookOperationResult::makeFailed(item, "cannot write the book's copy in the scratch folder: " + empty);
    }

    const fs::path stem = fs::path(path).stem();
    const std::string name = exportFileNameForTitle(titlename, stem.empty() ? path : stem.string());
    std::string target = (fs::path(dstpath) / (name + ".epub")).string();
    // A book this batch exported is never written over by another of the same title: the
    // user asked for both, so the later one takes the next free name.
    auto exportedThisBatch = [&context](const std::string &file) {
        const std::string identity = fileIdentity(file);
        return !identity.empty() && context.exported.count(identity) != 0;
    };
    for (int n = 2; exportedThisBatch(target) || (n > 2 && fs::exists(fs::symlink_status(target, ec))); ++n)
        target = (fs::path(dstpath) / (name + " (" + std::to_string(n) + ").epub")).string();

    BookOperationResult result = BookOperationResult::makeDone(item, target);
    for (const std::string &copy : *copies) {
        if (fs::exists(fs::symlink_status(target, ec))) {
            const std::string question = target + " is existing. Are you sure to replace?";
            if (!context.replaceQuestion || !context.replaceQuestion(question)) {
                result = BookOperationResult::makeSkipped(item, target + " exists and was kept");
                continue;
            }
        }
        std::string error;
        const bool ok = (copy == bookCopy && packer && fs::is_directory(fs::symlink_status(copy, ec))
                             ? packer->finish(packed, &error)
                             : packEpub(copy, packed, &error)) &&
                        placeBook(packed, target, &error);
        packer.reset();
        if (!ok)
            return BookOperationResult::makeFailed(item, error);
        if (const std::string identity = fileIdentity(target); !identity.empty())
            context.exported.insert(identity);
        result = BookOperationResult::makeDone(item, target);
    }
    return result;
}
