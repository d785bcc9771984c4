// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// The export of one book from the device into a folder, as "<title>.epub".
#include "core/fullio.h"
#include "core/scratch.h"
#include "core/uitext.h"
#include "device/storage/devicefiles.h"
#include "device/storage/loadiphone.h"
#include "device/backend/mobiledevice.h"
#include "operations/bookexport.h"
#include "operations/bookpath.h"
#include "operations/bookshelf.h"
#include "operations/epubarchive.h"
#include "operations/epubstreampacker.h"

#include <algorithm>
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
        *error = uiArgs(uiText("Operations", "cannot write %1: %2"), {target, std::strerror(errno)});
        return false;
    }
    std::string temporary = (fs::path(target).parent_path() / (std::string(kExportTemporary) + "XXXXXX")).string();
    const int out = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (out < 0) {
        *error = uiArgs(uiText("Operations", "cannot write in %1: %2"), {fs::path(target).parent_path().string(), std::strerror(errno)});
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
        *error = uiArgs(uiText("Operations", "cannot write %1: %2"), {target, std::strerror(errno)});
        ::unlink(temporary.c_str());
    }
    if (in >= 0)
        ::close(in);
    ::close(out); // the lock goes with it, once the book has its name
    return ok;
}
} // namespace

std::string exportTarget(const BookContext &context, const std::string &folder, const std::string &name,
                         const std::string &extension)
{
    std::error_code ec;
    std::string target = (fs::path(folder) / (name + extension)).string();
    auto exportedBefore = [&context](const std::string &file) {
        const std::string identity = fileIdentity(file);
        return !identity.empty() && context.exported.count(identity) != 0;
    };
    for (int n = 2; exportedBefore(target) || (n > 2 && fs::exists(fs::symlink_status(target, ec))); ++n)
        target = (fs::path(folder) / (name + " (" + std::to_string(n) + ")" + extension)).string();
    return target;
}

BookOperationResult placeExportedBook(BookContext &context, const std::string &item, const std::string &packed,
                                      const std::string &folder, const std::string &name,
                                      const std::string &extension)
{
    removeAbandonedCopies(folder);
    const std::string target = exportTarget(context, folder, name, extension);
    std::error_code ec;
    if (fs::exists(fs::symlink_status(target, ec))) {
        const std::string question = target + " is existing. Are you sure to replace?";
        if (!context.replaceQuestion || !context.replaceQuestion(question))
            return BookOperationResult::makeSkipped(item, uiArgs(uiText("Operations", "%1 exists and was kept"), {target}));
    }
    std::string error;
    if (!placeBook(packed, target, &error))
        return BookOperationResult::makeFailed(item, error);
    if (const std::string identity = fileIdentity(target); !identity.empty())
        context.exported.insert(identity);
    return BookOperationResult::makeDone(item, target);
}

namespace {
// An export in its two parts. Started on the batch's thread: the checks and a work folder of
// its own. Ahead: the download, packed as it arrives. In turn: the file's name in the user's
// folder (after the books exported before it), the question whether to replace one, and the
// book put in place. The work folder goes with the book, whatever came of it.
class ExportSteps final : public BookSteps
{
public:
    ExportSteps(BookContext &context, std::string item, const std::string &path, std::string dstpath, bool isbuybook,
                std::string titlename, std::string work)
        : m_data(context.session->data()), m_item(std::move(item)), m_path(path), m_dstpath(std::move(dstpath)),
          m_isbuybook(isbuybook), m_titlename(std::move(titlename)), m_work{std::move(work)}, m_goOn(context.goOn)
    {
    }

    void ahead(TreeCopier &copier) override;
    BookOperationResult inTurn(BookContext &context, bool startedEarly) override
    {
        std::string why;
        if (startedEarly && !context.device(&why))
            return BookOperationResult::makeFailed(m_item, why);
        return finish(context);
    }
    BookOperationResult finish(BookContext &context);

private:
    userDataIphone *m_data;
    const std::string m_item;
    const std::string m_path;
    const std::string m_dstpath;
    const bool m_isbuybook;
    const std::string m_titlename;
    FolderRemoval m_work;
    const std::atomic_bool *m_goOn;

    // What the ahead part came to.
    std::optional<BookOperationResult> m_failure;
    std::vector<std::string> m_copies; // the local copies of the book
    std::string m_bookCopy;            // the one packed while it downloaded
    std::string m_packed;              // where it was packed
    std::optional<bool> m_packedWhole; // set once that packing has ended
    std::string m_packError;
};

void ExportSteps::ahead(TreeCopier &copier)
{
    std::error_code ec;
    const std::string downloads = (fs::path(m_work.path) / "book").string();
    m_packed = (fs::path(m_work.path) / "packed.epub").string();
    fs::create_directory(downloads, ec);

    // The book is packed while it downloads, each part as it arrives, so that little is left
    // to do after the last one.
    m_bookCopy = (fs::path(downloads) / m_path).string();
    EpubStreamPacker packer(m_bookCopy, (fs::path(m_work.path) / "stream.epub").string());
    TreeCopyReport download = copier.download(
        downloads, m_path, m_isbuybook, m_data, [&packer](const std::string &local) { packer.add(local); }, m_goOn);
    if (!download.ok) {
        m_failure = BookOperationResult::makeFailed(m_item, uiText("Operations", "cannot open the device's books folder"));
        return;
    }
    m_copies = std::move(download.created);
    if (m_copies.empty()) {
        m_failure = BookOperationResult::makeFailed(m_item, uiArgs(uiText("Operations", "the book \"%1\" is not on the device"), {m_path}));
        return;
    }

    // The download names what it could not read: a file, a size, a folder or a listing cut
    // short, and what it would not follow or could not write. It leaves out empty files; a
    // book may list one, so they are made here.
    if (download.stopped) {
        m_failure = BookOperationResult::makeSkipped(m_item, uiText("Operations", BookContext::kStopped));
        return;
    }
    if (download.failedFiles > 0) {
        m_failure = BookOperationResult::makeFailed(
            m_item, download.problem.empty() ? uiText("Operations", "could not read all of the book from the device") : download.problem);
        return;
    }
    for (const std::string &empty : download.emptyFiles) {
        std::ofstream(empty, std::ios::binary);
        if (!fs::exists(empty, ec)) {
            m_failure =
                BookOperationResult::makeFailed(m_item, uiArgs(uiText("Operations", "cannot write the book's copy in the scratch folder: %1"), {empty}));
            return;
        }
    }
    // Packed here, off the batch's thread; put in place (or not) in its turn.
    if (std::find(m_copies.begin(), m_copies.end(), m_bookCopy) != m_copies.end() &&
        fs::is_directory(fs::symlink_status(m_bookCopy, ec)))
        m_packedWhole = packer.finish(m_packed, &m_packError);
}

BookOperationResult ExportSteps::finish(BookContext &context)
{
    if (m_failure)
        return *m_failure;
    const fs::path stem = fs::path(m_path).stem();
    const std::string name = exportFileNameForTitle(m_titlename, stem.empty() ? m_path : stem.string());
    // A purchased book may have left several copies: each is packed and placed in turn.
    BookOperationResult result = BookOperationResult::makeDone(m_item, exportTarget(context, m_dstpath, name));
    bool packedUsed = false;
    for (const std::string &copy : m_copies) {
        std::string error;
        const bool streamed = copy == m_bookCopy && m_packedWhole && !packedUsed;
        bool ok;
        if (streamed) {
            packedUsed = true;
            ok = *m_packedWhole;
            error = m_packError;
        } else {
            ok = packEpub(copy, m_packed, &error);
        }
        if (!ok)
            return BookOperationResult::makeFailed(m_item, error);
        result = placeExportedBook(context, m_item, m_packed, m_dstpath, name);
        if (result.failed())
            return result;
    }
    return result;
}
} // namespace

BookStart CatalogueShelf::startExport(BookContext &context, const std::string &path, const std::string &dstpath,
                                      bool isbuybook, const std::string &titlename)
{
    const std::string item = titlename.empty() ? path : titlename;
    if (const std::string problem = bookPathProblem(path); !problem.empty())
        return BookOperationResult::makeFailed(item, problem);
    std::string why;
    userDataIphone *data = context.device(&why);
    if (!data)
        return BookOperationResult::makeFailed(item, why);
    if (!context.shelf.usesCatalogue())
        return BookOperationResult::makeFailed(item, uiText("Operations", "only the device's own books are exported here"));
    std::error_code ec;
    if (!fs::is_directory(dstpath, ec))
        return BookOperationResult::makeFailed(item, uiArgs(uiText("Operations", "the destination is not a folder: %1"), {dstpath}));

    // Everything the export works with lives in a folder of its own in the private scratch
    // folder: the user's folder gets the finished book or nothing, even when the export is
    // stopped. The copy can never be the target itself (a title equal to the folder name).
    std::string work = scratchPath("export-XXXXXX");
    if (work.empty() || !::mkdtemp(work.data()))
        return BookOperationResult::makeFailed(item, uiText("Operations", "the scratch folder cannot be used"));
    return std::unique_ptr<BookSteps>(
        std::make_unique<ExportSteps>(context, item, path, dstpath, isbuybook, titlename, std::move(work)));
}
