// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "operations/appbooks.h"

#include "core/fullio.h"
#include "core/scratch.h"
#include "core/uitext.h"
#include "core/workqueue.h"
#include "device/storage/devicefiles.h"
#include "device/storage/filedownload.h"
#include "device/storage/folderwalk.h"
#include "device/storage/shelf.h"
#include "device/backend/deviceapps.h"
#include "library/bookkeys.h"
#include "library/packagedocument.h"
#include "operations/bookexport.h"
#include "operations/bookimport.h"
#include "operations/bookpath.h"
#include "operations/epubarchive.h"
#include "operations/pdfprocess.h"


#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr const char *kDocuments = "/Documents";
constexpr const char *kUploadPrefix = ".bookferry-upload-";
constexpr unsigned int kChunk = 1u << 20;
// The device's file service answers this status when the disk is full.
constexpr int kNoSpaceLeft = 18;
// A PDF's first page is drawn to fit this box, about twice the table's thumbnail: small
// enough that drawing even a heavy page stays cheap.
constexpr int kPdfCoverSide = 176;


// The device's modification time of an entry (nanoseconds, as it gives it).
uint64_t modifiedOf(const DeviceFileInfo &info)
{
    return std::strtoull(info.mtime.c_str(), nullptr, 10);
}

// A small file of an unpacked book folder, bounded.
std::optional<std::string> readSmallFile(afc_connection *connection, const std::string &path, uint32_t limit)
{
    const std::optional<DeviceFileInfo> info = readFileInfo(connection, path);
    if (!info || !info->isPlainFile() || info->size.value_or(0) > limit)
        return std::nullopt;
    DeviceFile file(connection, path);
    if (!file.open())
        return std::nullopt;
    return file.read(0, static_cast<uint32_t>(info->size.value_or(0)));
}

// The bytes of every regular file in a folder, not following links, to a bounded depth.
uint64_t folderBytes(afc_connection *connection, const std::string &folder, int maxDepth)
{
    uint64_t total = 0;
    FolderWalk::Options options;
    options.maxDepth = maxDepth;
    FolderWalk::run(options, {folder}, connection, {},
                    [&total](const FolderWalk::Entry &, const std::optional<DeviceFileInfo> &info) {
                        if (info && info->isPlainFile())
                            total += info->size.value_or(0);
                    });
    return total;
}

std::string randomSuffix()
{
    static thread_local std::mt19937_64 random{std::random_device{}()};
    const char *digits = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::string text;
    for (int i = 0; i < 12; ++i)
        text += digits[random() % 36];
    return text;
}

bool exists(afc_connection *connection, const std::string &path)
{
    return readFileInfo(connection, path).has_value();
}

std::string withNumber(const std::string &name, int n)
{
    const fs::path p(name);
    return p.stem().string() + " (" + std::to_string(n) + ")" + p.extension().string();
}

// A book's files into the local folder `to` (made here): one file, or an unpacked book's
// folder walked on the one folder walk. Links and special files are not followed; false with
// *error.
bool downloadBook(afc_connection *connection, const std::string &from, const DeviceFileInfo &info,
                  const std::string &to, std::string *error)
{
    std::error_code ec;
    if (!fs::create_directory(to, ec)) {
        *error = uiText("Operations", "cannot write in the scratch folder");
        return false;
    }
    if (info.isPlainFile()) {
        if (downloadFile(connection, from, to, info, {}, error, nullptr) == Download::Done)
            return true;
        if (error->empty())
            *error = uiText("Operations", "the book could not be read from the device");
        return false;
    }
    const std::string local = (fs::path(to) / fs::path(from).filename()).string();
    fs::create_directory(local, ec);
    bool ok = true;
    FolderWalk::Options options;
    options.maxDepth = 16;
    const FolderWalk::Result walked = FolderWalk::run(
        options, {from}, connection, {},
        [&](const FolderWalk::Entry &entry, const std::optional<DeviceFileInfo> &found) {
            if (!ok || !found || !found->isPlainFile())
                return;
            // The walk names only entries below `from`, each part a name the folder listed.
            const fs::path below = fs::path(entry.path.substr(from.size() + 1));
            const fs::path folder = fs::path(local) / below.parent_path();
            fs::create_directories(folder, ec);
            const Download got = downloadFile(connection, entry.path, folder.string(), found, {}, error, nullptr);
            if (got == Download::Empty)
                ok = std::ofstream(folder / below.filename(), std::ios::binary).good();
            else
                ok = got == Download::Done;
        });
    if (ok && !walked.complete)
        ok = false;
    if (!ok && error->empty())
        *error = uiText("Operations", "the book could not be read from the device");
    return ok;
}

// The reason of a failed step: the app's own folder gone (the app removed meanwhile) is said
// as such, anything else as `otherwise`.
std::string failureText(afc_connection *connection, const std::string &otherwise)
{
    const std::optional<DeviceFileInfo> documents = readFileInfo(connection, kDocuments);
    return documents && documents->isDirectory() ? otherwise : uiText("Device", appGoneText());
}

// What the device says of the book a user names, checked part by part: Documents and every
// folder on the way must be folders, not links (a link could lead out of Documents, into the
// app's private files), and the book itself a file or a folder. Nullopt with *problem.
std::optional<DeviceFileInfo> bookOnShelf(afc_connection *connection, const std::string &path, std::string *problem)
{
    std::string at;
    std::size_t from = 1;
    while (true) {
        const std::size_t slash = path.find('/', from);
        at = path.substr(0, slash);
        const std::optional<DeviceFileInfo> info = readFileInfo(connection, at);
        const bool last = slash == std::string::npos;
        if (!info || info->type == "S_IFLNK" || (!last && !info->isDirectory()) ||
            (last && !info->isPlainFile() && !info->isDirectory())) {
            const std::string relative = path.substr(std::strlen(kDocuments) + 1);
            if (info && info->type == "S_IFLNK")
                *problem = uiArgs(uiText("Operations", "%1 leads through a link: only the app's own Documents folder is used"), {relative});
            else
                *problem = failureText(connection, uiArgs(uiText("Operations", "no book %1 in the app"), {relative}));
            return std::nullopt;
        }
        if (last)
            return info;
        from = slash + 1;
    }
}

} // namespace

namespace {

void readValuesWithFacts(afc_connection *connection, AppBook &book, const std::optional<DeviceFileInfo> &info,
                         const AppBookLimits &limits)
{
    const DeviceFileInfo facts = info.value_or(DeviceFileInfo{});
    book.folder = facts.isDirectory();
    book.modified = modifiedOf(facts);
    std::string problem;
    std::optional<std::string> container, package;
    std::string packagePath;
    if (book.folder) {
        book.size = folderBytes(connection, book.path, 8);
        container = readSmallFile(connection, book.path + "/META-INF/container.xml", limits.maxDocument);
        packagePath = container ? bookPathOf({}, packagePathFromContainer(*container)) : std::string();
        if (!packagePath.empty())
            package = readSmallFile(connection, book.path + "/" + packagePath, limits.maxDocument);
        if (!container)
            problem = "the folder is not an ePub (no META-INF/container.xml)";
    } else if (facts.isPlainFile() && book.pdf()) {
        book.size = facts.size.value_or(0);
        DeviceFile file(connection, book.path);
        if (!file.open())
            problem = "the file could not be read from the device";
        else
            readPdfValuesContained([&file](uint64_t offset, uint32_t length) { return file.read(offset, length); },
                                   book.size, book.values, &problem);
    } else if (facts.isPlainFile()) {
        book.size = facts.size.value_or(0);
        DeviceFile file(connection, book.path);
        DeviceZipReader zip(file, book.size, limits);
        if (!file.open())
            problem = "the file could not be read from the device";
        else if (zip.readDirectory(&problem) && (container = zip.entry("META-INF/container.xml", &problem))) {
            packagePath = bookPathOf({}, packagePathFromContainer(*container));
            if (!packagePath.empty())
                package = zip.entry(packagePath, &problem);
        }
    } else {
        problem = "not a regular file or folder";
    }
    if (container && packagePath.empty() && problem.empty())
        problem = "the book's container names no package document";
    if (!book.pdf() || book.folder)
        book.values = package ? packageCatalogueValues(readPackageDocument(*package)) : StringDictionary{};
    // A book without a title is known by its file name, as an import names it.
    if (book.values[BookKey::Name].empty())
        book.values[BookKey::Name] = fs::path(book.relative).stem().string();
    book.problem = problem;
}

} // namespace

bool AppBook::pdf() const
{
    return hasPdfExtension(path);
}

void readAppBookValues(afc_connection *connection, AppBook &book, const AppBookLimits &limits)
{
    readValuesWithFacts(connection, book, readFileInfo(connection, book.path), limits);
}

std::optional<std::string> readAppBookCover(afc_connection *connection, const std::string &path, uint32_t maxPicture)
{
    // A path may come from a kept listing, a hint only: it is read only through Documents' own folders.
    std::string problem;
    const std::optional<DeviceFileInfo> info = bookOnShelf(connection, path, &problem);
    if (!info || !info->isPlainFile())
        return std::nullopt;
    const uint64_t size = info->size.value_or(0);
    DeviceFile file(connection, path);
    if (!file.open())
        return std::nullopt;
    if (hasPdfExtension(path)) {
        PdfJobLimits limits;
        limits.maxBytes = maxPicture;
        return readPdfCoverContained([&file](uint64_t offset, uint32_t length) { return file.read(offset, length); },
                                     size, kPdfCoverSide, limits);
    }
    // Pages and documents stay bounded as in the listing; only the picture may be larger.
    AppBookLimits documents;
    AppBookLimits pictures;
    pictures.maxDocument = maxPicture;
    DeviceZipReader zip(file, size, documents);
    DeviceZipReader pictureZip(file, size, pictures);
    if (!zip.readDirectory(&problem) || !pictureZip.readDirectory(&problem))
        return std::nullopt;
    const std::optional<std::string> container = zip.entry("META-INF/container.xml", &problem);
    const std::string packagePath = container ? bookPathOf({}, packagePathFromContainer(*container)) : std::string();
    const std::optional<std::string> package = packagePath.empty() ? std::nullopt : zip.entry(packagePath, &problem);
    if (!package)
        return std::nullopt;
    BookFiles files;
    files.has = [&](const std::string &name) { return zip.has(name); };
    files.read = [&](const std::string &name) { return zip.entry(name, &problem); };
    const BookCover cover = findBookCover(packagePath, readPackageDocument(*package), files);
    if (cover.file.empty())
        return std::nullopt;
    return pictureZip.entry(cover.file, &problem);
}

namespace {

// Runs work(connection, i) for i in [0, count), each connection on a worker of its own (the
// caller's thread takes the first) taking the next index as soon as it is free: the round
// trips, not the bytes, take the time.
void shareOut(const std::vector<afc_connection *> &connections, std::size_t count,
              const std::function<void(afc_connection *, std::size_t)> &work)
{
    WorkQueue<std::size_t> queue{[&](std::size_t &i, size_t worker) { work(connections[worker], i); }};
    for (std::size_t i = 0; i < count; ++i)
        queue.push(i);
    queue.ensureWorkers(std::min(connections.size(), count) - (count > 0 ? 1 : 0));
    queue.drain();
}

} // namespace

int listAppBookDetails(afc_connection *connection, std::vector<AppBook> &books, const AppBookLimits &limits,
                       const std::vector<afc_connection *> &lanes, const AppBookKnown &known, bool withPdfs)
{
    books.clear();
    std::vector<afc_connection *> all{connection};
    for (afc_connection *lane : lanes)
        if (lane && lane != connection)
            all.push_back(lane);
    // The folders' entries are asked about on every connection at once, so a large folder costs a
    // few round trips rather than one per entry.
    std::vector<ShelfBook> found;
    const int rc = findAppBooks(connection, found, lanes, 8, withPdfs);
    if (rc != MDERR_OK)
        return rc;
    const std::string prefix = std::string(kDocuments) + "/";
    std::vector<std::optional<DeviceFileInfo>> facts;
    for (const auto &[path, info] : found) {
        AppBook book;
        book.path = path;
        book.relative = path.rfind(prefix, 0) == 0 ? path.substr(prefix.size()) : path;
        // Our own unfinished uploads are no books.
        if (fs::path(book.relative).filename().string().rfind(kUploadPrefix, 0) == 0)
            continue;
        books.push_back(std::move(book));
        facts.push_back(info);
    }
    shareOut(all, books.size(), [&](afc_connection *lane, std::size_t i) {
        AppBook &book = books[i];
        // A file the caller knows by its size and time costs nothing more.
        if (known && facts[i] && facts[i]->isPlainFile()) {
            book.size = facts[i]->size.value_or(0);
            book.modified = modifiedOf(*facts[i]);
            if (known(book))
                return;
        }
        readValuesWithFacts(lane, book, facts[i], limits);
    });
    return MDERR_OK;
}

std::string appImportItem(const std::string &localFile)
{
    const std::string fileName = fs::path(localFile).filename().string();
    return fileName.empty() ? localFile : fileName;
}

std::string appBookPath(const std::string &relative, std::string *problem)
{
    auto refuse = [problem](const std::string &text) {
        if (problem)
            *problem = text;
        return std::string();
    };
    if (relative.empty() || relative.front() == '/')
        return refuse(uiText("Operations", "a book in an app is named by its path in the app's Documents folder"));
    std::size_t start = 0;
    while (start <= relative.size()) {
        const std::size_t slash = std::min(relative.find('/', start), relative.size());
        const std::string part = relative.substr(start, slash - start);
        if (part.empty() || part == "." || part == "..")
            return refuse(uiArgs(uiText("Operations", "the path %1 has an empty, \".\" or \"..\" part"), {relative}));
        start = slash + 1;
    }
    if (!hasEpubExtension(relative) && !hasPdfExtension(relative))
        return refuse(uiArgs(uiText("Operations", "%1 is not an ePub or a PDF (its name does not end in .epub or .pdf)"), {relative}));
    return std::string(kDocuments) + "/" + relative;
}

BookOperationResult importIntoApp(afc_connection *connection, const std::string &localFile,
                                  const AppClashQuestion &question, const std::vector<afc_connection *> &lanes)
{
    const std::string fileName = fs::path(localFile).filename().string();
    const std::string item = appImportItem(localFile);
    struct stat st{};
    if (::stat(localFile.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return BookOperationResult::makeFailed(item, uiArgs(uiText("Operations", "not a file: %1"), {localFile}));
    std::string problem;
    const bool pdf = hasPdfExtension(fileName);
    if (appBookPath(fileName, &problem).empty())
        return BookOperationResult::makeFailed(item, problem);
    if (pdf ? !looksLikePdf(localFile) : !readPackageIdentity(localFile))
        return BookOperationResult::makeFailed(
            item, uiArgs(pdf ? uiText("Operations", "%1 is not a PDF") : uiText("Operations", "%1 is not an ePub"), {item}));

    // The book goes as it is, except an ePub whose mimetype entry is not exactly right: packed
    // in the scratch folder as an export packs a single file.
    // A book that is right already goes straight from its file.
    std::string packed = localFile;
    FolderRemoval cleanup;
    if (!pdf && !epubHasExactMimetype(localFile)) {
        std::string work = scratchPath("appimport-XXXXXX");
        if (work.empty() || !::mkdtemp(work.data()))
            return BookOperationResult::makeFailed(item, uiText("Operations", "the scratch folder cannot be used"));
        cleanup.path = work;
        packed = (fs::path(work) / "book.epub").string();
        std::string error;
        if (!packEpub(localFile, packed, &error))
            return BookOperationResult::makeFailed(item, error);
    }

    // Documents itself must be the app's own folder: a link there would take the book elsewhere.
    if (const std::optional<DeviceFileInfo> documents = readFileInfo(connection, kDocuments);
        !documents || !documents->isDirectory())
        return BookOperationResult::makeFailed(
            item, documents && documents->type == "S_IFLNK"
                      ? uiText("Operations", "the app's Documents folder is a link: only the app's own folder is used")
                      : uiText("Device", appGoneText()));
    std::string target = fileName;
    if (exists(connection, std::string(kDocuments) + "/" + target)) {
        const AppNameClash answer = question ? question(target) : AppNameClash::Skip;
        if (answer == AppNameClash::Skip)
            return BookOperationResult::makeSkipped(item, uiArgs(uiText("Operations", "%1 is in the app already and was kept"), {target}));
        if (answer == AppNameClash::KeepBoth) {
            for (int n = 2; exists(connection, std::string(kDocuments) + "/" + (target = withNumber(fileName, n))); ++n) {
                if (n > 9999)
                    return BookOperationResult::makeFailed(item, uiArgs(uiText("Operations", "no free name for %1"), {fileName}));
            }
        }
    }

    const int in = ::open(packed.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat packedStat{};
    if (in < 0 || ::fstat(in, &packedStat) != 0) {
        if (in >= 0)
            ::close(in);
        return BookOperationResult::makeFailed(item, uiArgs(uiText("Operations", "cannot read %1"), {packed}));
    }
    const uint64_t total = static_cast<uint64_t>(packedStat.st_size);
    const std::string fullText = uiArgs(uiText("Operations", "The device is full: the book needs %1 bytes. Make room on the device and try again."),
                                        {std::to_string(total)});
    if (const std::optional<uint64_t> free = deviceFreeBytes(connection); free && *free < total) {
        ::close(in);
        return BookOperationResult::makeFailed(item, fullText);
    }

    const std::string temporary =
        std::string(kDocuments) + "/" + kUploadPrefix + randomSuffix() + (pdf ? ".pdf" : ".epub");
    afc_file_ref ref = 0;
    if (AFCFileRefOpen(connection, temporary.c_str(), AFC_MODE_WRITE, 0, &ref) != 0) {
        ::close(in);
        return BookOperationResult::makeFailed(item, failureText(connection, uiText("Operations", "cannot write in the app's Documents folder")));
    }
    // Parts of the book go on every connection at once, each written at its place in the file:
    // one connection alone waits for each answer before it sends on.
    struct Lane
    {
        afc_connection *connection;
        afc_file_ref ref;
    };
    std::vector<Lane> writers{{connection, ref}};
    for (afc_connection *lane : lanes) {
        afc_file_ref other = 0;
        if (lane && lane != connection && AFCFileRefOpen(lane, temporary.c_str(), AFC_MODE_READ_WRITE, 0, &other) == 0)
            writers.push_back({lane, other});
    }
    const uint64_t chunks = (total + kChunk - 1) / kChunk;
    std::atomic<uint64_t> written{0};
    std::atomic<bool> stop{false}, readFailed{false};
    std::atomic<int> writeRc{0};
    // Each writer is a worker of the queue (the caller's thread the first), with its own buffer.
    std::vector<std::unique_ptr<char[]>> buffers(writers.size());
    WorkQueue<uint64_t> parts{[&](uint64_t &i, size_t worker) {
        if (stop)
            return;
        const Lane &lane = writers[worker];
        if (!buffers[worker])
            buffers[worker].reset(new char[kChunk]);
        char *buffer = buffers[worker].get();
        const uint64_t offset = i * kChunk;
        const auto length = static_cast<std::size_t>(std::min<uint64_t>(kChunk, total - offset));
        const ssize_t n = ::pread(in, buffer, length, static_cast<off_t>(offset));
        if (n != static_cast<ssize_t>(length)) {
            readFailed = true;
            stop = true;
            return;
        }
        int rc = writers.size() > 1 ? AFCFileRefSeek(lane.connection, lane.ref, offset) : 0;
        if (rc == 0)
            rc = AFCFileRefWrite(lane.connection, lane.ref, buffer, static_cast<unsigned int>(length));
        if (rc != 0) {
            int none = 0;
            writeRc.compare_exchange_strong(none, rc);
            stop = true;
            return;
        }
        written += length;
    }};
    for (uint64_t i = 0; i < chunks; ++i)
        parts.push(i);
    parts.ensureWorkers(std::min<uint64_t>(writers.size(), chunks) - (chunks > 0 ? 1 : 0));
    parts.drain();
    ::close(in);
    bool closed = true;
    for (std::size_t i = writers.size(); i-- > 0;)
        closed = AFCFileRefClose(writers[i].connection, writers[i].ref) == 0 && closed;
    if (writeRc != 0 || readFailed || !closed || written != total) {
        // Whatever reached the device goes: a half-written book is never left for the app.
        AFCRemovePath(connection, temporary.c_str());
        if (readFailed)
            return BookOperationResult::makeFailed(item, uiArgs(uiText("Operations", "cannot read %1"), {packed}));
        const std::optional<uint64_t> free = deviceFreeBytes(connection);
        if (writeRc == kNoSpaceLeft || (free && *free < total - written))
            return BookOperationResult::makeFailed(item, fullText);
        return BookOperationResult::makeFailed(item, failureText(connection, uiText("Operations", "the book could not be written to the device")));
    }
    if (AFCRenamePath(connection, temporary.c_str(), (std::string(kDocuments) + "/" + target).c_str()) != 0) {
        AFCRemovePath(connection, temporary.c_str());
        return BookOperationResult::makeFailed(
            item, failureText(connection, uiArgs(uiText("Operations", "the book could not be given its name %1 in the app"), {target})));
    }
    return BookOperationResult::makeDone(item, target);
}

BookOperationResult exportFromApp(afc_connection *connection, const std::string &relative, const std::string &folder,
                                  BookContext &context)
{
    std::string problem;
    const std::string path = appBookPath(relative, &problem);
    if (path.empty())
        return BookOperationResult::makeFailed(relative, problem);
    std::error_code ec;
    if (!fs::is_directory(folder, ec))
        return BookOperationResult::makeFailed(relative, uiArgs(uiText("Operations", "the destination is not a folder: %1"), {folder}));
    const std::optional<DeviceFileInfo> info = bookOnShelf(connection, path, &problem);
    if (!info)
        return BookOperationResult::makeFailed(relative, problem);
    AppBook book;
    book.path = path;
    book.relative = relative;
    readValuesWithFacts(connection, book, info, {});
    const std::string title = book.values[BookKey::Name];
    const std::string item = title.empty() ? relative : title;

    std::string work = scratchPath("appexport-XXXXXX");
    if (work.empty() || !::mkdtemp(work.data()))
        return BookOperationResult::makeFailed(item, uiText("Operations", "the scratch folder cannot be used"));
    FolderRemoval cleanup{work};
    const std::string copies = (fs::path(work) / "book").string();
    const std::string packed = (fs::path(work) / "packed.epub").string();
    std::string error;
    if (!downloadBook(connection, path, *info, copies, &error))
        return BookOperationResult::makeFailed(item, failureText(connection, error));
    const std::string name = exportFileNameForTitle(title, fs::path(relative).stem().string());
    const std::string copy = (fs::path(copies) / fs::path(path).filename()).string();
    // A PDF is a file as it is: nothing to pack.
    if (book.pdf() && !book.folder)
        return placeExportedBook(context, item, copy, folder, name, ".pdf");
    if (!packEpub(copy, packed, &error))
        return BookOperationResult::makeFailed(item, error);
    return placeExportedBook(context, item, packed, folder, name);
}

BookOperationResult deleteFromApp(afc_connection *connection, const std::string &relative)
{
    std::string problem;
    const std::string path = appBookPath(relative, &problem);
    if (path.empty() || !bookOnShelf(connection, path, &problem))
        return BookOperationResult::makeFailed(relative, problem);
    if (removeDeviceTree(connection, path) != 0)
        return BookOperationResult::makeFailed(relative, uiText("Operations", "the book could not be removed from the app"));
    return BookOperationResult::makeDone(relative);
}
