// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "operations/appbooks.h"

#include "core/fullio.h"
#include "core/scratch.h"
#include "core/workqueue.h"
#include "device/connection/devicefiles.h"
#include "device/connection/shelf.h"
#include "device/link/deviceapps.h"
#include "library/bookkeys.h"
#include "library/packagedocument.h"
#include "operations/bookimport.h"
#include "operations/bookpath.h"
#include "operations/epubarchive.h"

#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <filesystem>
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

uint16_t le16(const unsigned char *p) { return uint16_t(p[0] | (p[1] << 8)); }
uint32_t le32(const unsigned char *p) { return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24); }

struct FileFacts
{
    std::string type; // S_IFREG, S_IFDIR, …; empty when it cannot be read
    uint64_t size = 0;
    uint64_t modified = 0; // st_mtime as the device gives it (nanoseconds)
};

FileFacts fileFacts(afc_connection *connection, const std::string &path)
{
    const std::optional<DeviceFileInfo> info = readFileInfo(connection, path);
    return info ? FileFacts{info->type, info->size.value_or(0), std::strtoull(info->mtime.c_str(), nullptr, 10)}
                : FileFacts{};
}

std::optional<uint64_t> freeBytes(afc_connection *connection)
{
    afc_dictionary *info = nullptr;
    if (AFCDeviceInfoOpen(connection, &info) != 0 || !info)
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

// An open file on the device, read in parts.
class DeviceFile
{
public:
    DeviceFile(afc_connection *connection, const std::string &path) : m_connection(connection)
    {
        if (AFCFileRefOpen(connection, path.c_str(), AFC_MODE_READ, 0, &m_ref) != 0)
            m_ref = 0;
    }
    ~DeviceFile()
    {
        if (m_ref)
            AFCFileRefClose(m_connection, m_ref);
    }
    DeviceFile(const DeviceFile &) = delete;
    DeviceFile &operator=(const DeviceFile &) = delete;

    bool open() const { return m_ref != 0; }
    // `length` bytes from `offset` (fewer at the file's end); nullopt on a read error.
    std::optional<std::string> read(uint64_t offset, uint32_t length)
    {
        if (AFCFileRefSeek(m_connection, m_ref, offset) != 0)
            return std::nullopt;
        std::string bytes(length, '\0');
        unsigned int got = length;
        if (AFCFileRefRead(m_connection, m_ref, bytes.data(), &got) != 0)
            return std::nullopt;
        bytes.resize(got);
        return bytes;
    }

private:
    afc_connection *m_connection;
    afc_file_ref m_ref = 0;
};

struct ZipEntry
{
    uint16_t method = 0;
    uint32_t compressedSize = 0;
    uint32_t size = 0;
    uint32_t localOffset = 0;
};

// Inflates raw deflate data, giving up past `limit` bytes of output: a small entry that
// claims or inflates to far more is refused, never unpacked whole.
std::optional<std::string> inflateBounded(const std::string &input, uint32_t limit)
{
    z_stream z{};
    if (inflateInit2(&z, -MAX_WBITS) != Z_OK)
        return std::nullopt;
    std::string out;
    char buffer[1 << 15];
    z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(input.data()));
    z.avail_in = static_cast<uInt>(input.size());
    int rc = Z_OK;
    while (rc == Z_OK) {
        z.next_out = reinterpret_cast<Bytef *>(buffer);
        z.avail_out = sizeof buffer;
        rc = inflate(&z, Z_NO_FLUSH);
        out.append(buffer, sizeof buffer - z.avail_out);
        if (out.size() > limit || (rc == Z_BUF_ERROR && z.avail_in == 0)) {
            rc = Z_DATA_ERROR;
            break;
        }
        if (rc == Z_BUF_ERROR)
            rc = Z_OK;
    }
    inflateEnd(&z);
    if (rc != Z_STREAM_END)
        return std::nullopt;
    return out;
}

class ZipReader
{
public:
    ZipReader(DeviceFile &file, uint64_t size, const AppBookLimits &limits) : m_file(file), m_size(size), m_limits(limits) {}

    // Reads the end record and the central directory; false with *problem when this is no zip.
    bool readDirectory(std::string *problem)
    {
        constexpr uint32_t kEndRecord = 22, kMaxComment = 0xffff, kFirstTail = 16384;
        if (m_size < kEndRecord)
            return fail(problem, "the file is not an ePub (too short for a zip archive)");
        // The end record is at the very end unless the archive has a comment: a short tail
        // (which mostly holds the directory too) first, the longest a comment allows after.
        std::optional<std::string> tail;
        uint64_t tailStart = 0;
        std::size_t end = std::string::npos;
        for (const uint32_t length : {kFirstTail, kEndRecord + kMaxComment + kFirstTail}) {
            const uint32_t tailLength = static_cast<uint32_t>(std::min<uint64_t>(m_size, length));
            tailStart = m_size - tailLength;
            tail = m_file.read(tailStart, tailLength);
            if (!tail)
                return fail(problem, "the file could not be read from the device");
            const auto *t = reinterpret_cast<const unsigned char *>(tail->data());
            for (std::size_t i = tail->size() >= kEndRecord ? tail->size() - kEndRecord + 1 : 0; i-- > 0;) {
                if (le32(t + i) == 0x06054b50) {
                    end = i;
                    break;
                }
            }
            if (end != std::string::npos || tailLength == m_size)
                break;
        }
        if (end == std::string::npos)
            return fail(problem, "the file is not an ePub (no zip directory)");
        const auto *t = reinterpret_cast<const unsigned char *>(tail->data());
        const uint32_t cdSize = le32(t + end + 12), cdOffset = le32(t + end + 16);
        if (cdOffset == 0xffffffffu || cdSize == 0xffffffffu)
            return fail(problem, "the book is larger than the listing reads (a zip64 archive)");
        if (uint64_t(cdOffset) + cdSize > tailStart + end)
            return fail(problem, "the file is not an ePub (its zip directory is damaged)");
        if (cdSize > m_limits.maxCentralDirectory)
            return fail(problem, "the book's zip directory is too large to read");
        // The directory usually sits just before the end record, in the part read already.
        std::string directory;
        if (cdOffset >= tailStart) {
            directory = tail->substr(cdOffset - tailStart, cdSize);
        } else {
            const std::optional<std::string> part = m_file.read(cdOffset, cdSize);
            if (!part || part->size() != cdSize)
                return fail(problem, "the file could not be read from the device");
            directory = *part;
        }
        const auto *d = reinterpret_cast<const unsigned char *>(directory.data());
        for (std::size_t at = 0; at + 46 <= directory.size() && le32(d + at) == 0x02014b50;) {
            const uint16_t nameLength = le16(d + at + 28), extra = le16(d + at + 30), comment = le16(d + at + 32);
            if (at + 46 + nameLength > directory.size())
                break;
            ZipEntry entry;
            entry.method = le16(d + at + 10);
            entry.compressedSize = le32(d + at + 20);
            entry.size = le32(d + at + 24);
            entry.localOffset = le32(d + at + 42);
            m_entries.emplace(directory.substr(at + 46, nameLength), entry);
            at += 46 + std::size_t(nameLength) + extra + comment;
        }
        return true;
    }

    bool has(const std::string &name) const { return m_entries.count(name) != 0; }

    // The entry's bytes, inflated; nullopt with *problem when it is absent or not readable.
    std::optional<std::string> entry(const std::string &name, std::string *problem)
    {
        const auto it = m_entries.find(name);
        if (it == m_entries.end()) {
            fail(problem, "the file is not an ePub (no " + name + ")");
            return std::nullopt;
        }
        const ZipEntry &e = it->second;
        if (e.compressedSize > m_limits.maxDocument || e.size > m_limits.maxDocument || (e.method != 0 && e.method != 8)) {
            fail(problem, "the book's " + name + " is too large or packed in a way the listing does not read");
            return std::nullopt;
        }
        // The local header's name and extra field are read with the data, with room to spare;
        // a longer extra field than that costs a second read.
        constexpr uint32_t kLocalHeader = 30, kSlack = 512;
        const uint32_t want = kLocalHeader + static_cast<uint32_t>(name.size()) + kSlack + e.compressedSize;
        std::optional<std::string> part = m_file.read(e.localOffset, want);
        if (!part || part->size() < kLocalHeader ||
            le32(reinterpret_cast<const unsigned char *>(part->data())) != 0x04034b50) {
            fail(problem, "the file is not an ePub (a damaged zip entry)");
            return std::nullopt;
        }
        const auto *h = reinterpret_cast<const unsigned char *>(part->data());
        const uint32_t dataAt = kLocalHeader + le16(h + 26) + le16(h + 28);
        std::string data;
        if (uint64_t(dataAt) + e.compressedSize <= part->size()) {
            data = part->substr(dataAt, e.compressedSize);
        } else {
            const std::optional<std::string> again = m_file.read(uint64_t(e.localOffset) + dataAt, e.compressedSize);
            if (!again || again->size() != e.compressedSize) {
                fail(problem, "the file could not be read from the device");
                return std::nullopt;
            }
            data = *again;
        }
        if (e.method == 0)
            return data;
        std::optional<std::string> inflated = inflateBounded(data, m_limits.maxDocument);
        if (!inflated)
            fail(problem, "the book's " + name + " cannot be unpacked (damaged, or larger than it says)");
        return inflated;
    }

private:
    static bool fail(std::string *problem, const std::string &text)
    {
        if (problem && problem->empty())
            *problem = text;
        return false;
    }

    DeviceFile &m_file;
    uint64_t m_size;
    AppBookLimits m_limits;
    std::map<std::string, ZipEntry> m_entries;
};

// A small file of an unpacked book folder, bounded.
std::optional<std::string> readSmallFile(afc_connection *connection, const std::string &path, uint32_t limit)
{
    const FileFacts facts = fileFacts(connection, path);
    if (facts.type != "S_IFREG" || facts.size > limit)
        return std::nullopt;
    DeviceFile file(connection, path);
    if (!file.open())
        return std::nullopt;
    return file.read(0, static_cast<uint32_t>(facts.size));
}

// The bytes of every regular file in a folder, not following links, to a bounded depth.
uint64_t folderBytes(afc_connection *connection, const std::string &folder, int depthLeft)
{
    const std::optional<std::vector<std::string>> names = folderEntryNames(connection, folder);
    if (!names)
        return 0;
    uint64_t total = 0;
    for (const std::string &entry : *names) {
        const FileFacts facts = fileFacts(connection, folder + "/" + entry);
        if (facts.type == "S_IFREG")
            total += facts.size;
        else if (facts.type == "S_IFDIR" && depthLeft > 0)
            total += folderBytes(connection, folder + "/" + entry, depthLeft - 1);
    }
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
    return !fileFacts(connection, path).type.empty();
}

std::string withNumber(const std::string &name, int n)
{
    const fs::path p(name);
    return p.stem().string() + " (" + std::to_string(n) + ")" + p.extension().string();
}

// Downloads one device file into a local one; false with *error.
bool download(afc_connection *connection, const std::string &from, const std::string &to, std::string *error)
{
    DeviceFile file(connection, from);
    if (!file.open()) {
        *error = "the book cannot be read from the device";
        return false;
    }
    const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (out < 0) {
        *error = "cannot write in the scratch folder: " + std::string(std::strerror(errno));
        return false;
    }
    bool ok = true;
    for (uint64_t offset = 0;; offset += kChunk) {
        const std::optional<std::string> part = file.read(offset, kChunk);
        if (!part) {
            *error = "the book could not be read from the device";
            ok = false;
            break;
        }
        if (!part->empty() && !writeFull(out, part->data(), part->size())) {
            *error = "cannot write in the scratch folder: " + std::string(std::strerror(errno));
            ok = false;
            break;
        }
        if (part->size() < kChunk)
            break;
    }
    ::close(out);
    return ok;
}

bool downloadFolder(afc_connection *connection, const std::string &from, const std::string &to, int depthLeft,
                    std::string *error)
{
    std::error_code ec;
    if (!fs::create_directory(to, ec)) {
        *error = "cannot write in the scratch folder";
        return false;
    }
    const std::optional<std::vector<std::string>> names = folderEntryNames(connection, from);
    if (!names) {
        *error = "the book's folder cannot be read from the device";
        return false;
    }
    for (const std::string &entry : *names) {
        const FileFacts facts = fileFacts(connection, from + "/" + entry);
        const std::string local = (fs::path(to) / entry).string();
        if (facts.type == "S_IFREG" && !download(connection, from + "/" + entry, local, error))
            return false;
        if (facts.type == "S_IFDIR" && depthLeft > 0 && !downloadFolder(connection, from + "/" + entry, local, depthLeft - 1, error))
            return false;
    }
    return true;
}

bool removeTree(afc_connection *connection, const std::string &path, int depthLeft)
{
    const FileFacts facts = fileFacts(connection, path);
    if (facts.type == "S_IFDIR" && depthLeft > 0) {
        for (const std::string &entry : folderEntryNames(connection, path).value_or(std::vector<std::string>{}))
            removeTree(connection, path + "/" + entry, depthLeft - 1);
    }
    return AFCRemovePath(connection, path.c_str()) == 0;
}

// The reason of a failed step: the app's own folder gone (the app removed meanwhile) is said
// as such, anything else as `otherwise`.
std::string failureText(afc_connection *connection, const std::string &otherwise)
{
    return fileFacts(connection, kDocuments).type == "S_IFDIR" ? otherwise : std::string(appGoneText());
}

} // namespace

namespace {

void readValuesWithFacts(afc_connection *connection, AppBook &book, const FileFacts &facts, const AppBookLimits &limits)
{
    book.folder = facts.type == "S_IFDIR";
    book.modified = facts.modified;
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
    } else if (facts.type == "S_IFREG") {
        book.size = facts.size;
        DeviceFile file(connection, book.path);
        ZipReader zip(file, facts.size, limits);
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
    book.values = package ? packageCatalogueValues(readPackageDocument(*package)) : StringDictionary{};
    // A book without a title is known by its file name, as an import names it.
    if (book.values[BookKey::Name].empty())
        book.values[BookKey::Name] = fs::path(book.relative).stem().string();
    book.problem = problem;
}

} // namespace

void readAppBookValues(afc_connection *connection, AppBook &book, const AppBookLimits &limits)
{
    readValuesWithFacts(connection, book, fileFacts(connection, book.path), limits);
}

std::optional<std::string> readAppBookCover(afc_connection *connection, const std::string &path, uint32_t maxPicture)
{
    const FileFacts facts = fileFacts(connection, path);
    if (facts.type != "S_IFREG")
        return std::nullopt;
    DeviceFile file(connection, path);
    if (!file.open())
        return std::nullopt;
    // Pages and documents stay bounded as in the listing; only the picture may be larger.
    AppBookLimits documents;
    AppBookLimits pictures;
    pictures.maxDocument = maxPicture;
    ZipReader zip(file, facts.size, documents);
    ZipReader pictureZip(file, facts.size, pictures);
    std::string problem;
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

// The path's parts, for the order a walk of name-sorted folders gives.
std::vector<std::string> partsOf(const std::string &path)
{
    std::vector<std::string> parts;
    std::size_t from = 0;
    for (std::size_t at; (at = path.find('/', from)) != std::string::npos; from = at + 1)
        parts.push_back(path.substr(from, at - from));
    parts.push_back(path.substr(from));
    return parts;
}

// The books under "/Documents" as listAppBooks finds them (the same depth, order and
// refusals), with each one's facts: the folders are read one level at a time and their
// entries asked about on every connection at once, so a large folder costs a few round
// trips rather than one per entry.
int walkAppBooks(const std::vector<afc_connection *> &connections, int maxDepth,
                 std::vector<std::pair<std::string, FileFacts>> &found)
{
    std::vector<std::string> level{kDocuments};
    for (int depth = 0; !level.empty() && depth <= maxDepth; ++depth) {
        std::vector<std::string> entries;
        for (const std::string &folder : level) {
            // A name the device could not have made ("/" inside, "." or "..") is never followed.
            const std::optional<std::vector<std::string>> names = folderEntryNames(connections.front(), folder);
            if (!names) {
                if (depth == 0)
                    return MDERR_FAILED;
                continue; // an unreadable nested folder is passed over
            }
            for (const std::string &name : *names)
                entries.push_back(folder + "/" + name);
        }
        std::vector<FileFacts> facts(entries.size());
        shareOut(connections, entries.size(),
                 [&](afc_connection *connection, std::size_t i) { facts[i] = fileFacts(connection, entries[i]); });
        level.clear();
        for (std::size_t i = 0; i < entries.size(); ++i) {
            const bool book = facts[i].type == "S_IFREG" || facts[i].type == "S_IFDIR";
            if (hasEpubExtension(entries[i]) && book)
                found.emplace_back(entries[i], facts[i]);
            else if (facts[i].type == "S_IFDIR")
                level.push_back(entries[i]);
        }
    }
    std::sort(found.begin(), found.end(), [](const auto &a, const auto &b) { return partsOf(a.first) < partsOf(b.first); });
    return MDERR_OK;
}

} // namespace

int listAppBookDetails(afc_connection *connection, std::vector<AppBook> &books, const AppBookLimits &limits,
                       const std::vector<afc_connection *> &lanes, const AppBookKnown &known)
{
    books.clear();
    std::vector<afc_connection *> all{connection};
    for (afc_connection *lane : lanes)
        if (lane && lane != connection)
            all.push_back(lane);
    std::vector<std::pair<std::string, FileFacts>> found;
    const int rc = walkAppBooks(all, 8, found);
    if (rc != MDERR_OK)
        return rc;
    const std::string prefix = std::string(kDocuments) + "/";
    std::vector<FileFacts> facts;
    for (const auto &[path, fileFacts] : found) {
        AppBook book;
        book.path = path;
        book.relative = path.rfind(prefix, 0) == 0 ? path.substr(prefix.size()) : path;
        // Our own unfinished uploads are no books.
        if (fs::path(book.relative).filename().string().rfind(kUploadPrefix, 0) == 0)
            continue;
        books.push_back(std::move(book));
        facts.push_back(fileFacts);
    }
    shareOut(all, books.size(), [&](afc_connection *lane, std::size_t i) {
        AppBook &book = books[i];
        // A file the caller knows by its size and time costs nothing more.
        if (known && facts[i].type == "S_IFREG") {
            book.size = facts[i].size;
            book.modified = facts[i].modified;
            if (known(book))
                return;
        }
        readValuesWithFacts(lane, book, facts[i], limits);
    });
    return MDERR_OK;
}

std::string appBookPath(const std::string &relative, std::string *problem)
{
    auto refuse = [problem](const std::string &text) {
        if (problem)
            *problem = text;
        return std::string();
    };
    if (relative.empty() || relative.front() == '/')
        return refuse("a book in an app is named by its path in the app's Documents folder");
    std::size_t start = 0;
    while (start <= relative.size()) {
        const std::size_t slash = std::min(relative.find('/', start), relative.size());
        const std::string part = relative.substr(start, slash - start);
        if (part.empty() || part == "." || part == "..")
            return refuse("the path " + relative + " has an empty, \".\" or \"..\" part");
        start = slash + 1;
    }
    std::string tail = relative.size() >= 5 ? relative.substr(relative.size() - 5) : std::string();
    std::transform(tail.begin(), tail.end(), tail.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    if (tail != ".epub")
        return refuse(relative + " is not an ePub (its name does not end in .epub)");
    return std::string(kDocuments) + "/" + relative;
}

BookOperationResult importIntoApp(afc_connection *connection, const std::string &localFile,
                                  const AppClashQuestion &question, const std::vector<afc_connection *> &lanes)
{
    const std::string fileName = fs::path(localFile).filename().string();
    const std::string item = fileName.empty() ? localFile : fileName;
    struct stat st{};
    if (::stat(localFile.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return BookOperationResult::makeFailed(item, "not a file: " + localFile);
    std::string problem;
    if (appBookPath(fileName, &problem).empty() || !readPackageIdentity(localFile))
        return BookOperationResult::makeFailed(item, problem.empty() ? item + " is not an ePub" : problem);

    // The book goes as it is, except a mimetype entry that is not exactly right: packed in the
    // scratch folder as an export packs a single file.
    // A book that is right already goes straight from its file.
    std::string packed = localFile;
    FolderRemoval cleanup;
    if (!epubHasExactMimetype(localFile)) {
        std::string work = scratchPath("appimport-XXXXXX");
        if (work.empty() || !::mkdtemp(work.data()))
            return BookOperationResult::makeFailed(item, "the scratch folder cannot be used");
        cleanup.path = work;
        packed = (fs::path(work) / "book.epub").string();
        std::string error;
        if (!packEpub(localFile, packed, &error))
            return BookOperationResult::makeFailed(item, error);
    }

    std::string target = fileName;
    if (exists(connection, std::string(kDocuments) + "/" + target)) {
        const AppNameClash answer = question ? question(target) : AppNameClash::Skip;
        if (answer == AppNameClash::Skip)
            return BookOperationResult::makeSkipped(item, target + " is in the app already and was kept");
        if (answer == AppNameClash::KeepBoth) {
            for (int n = 2; exists(connection, std::string(kDocuments) + "/" + (target = withNumber(fileName, n))); ++n) {
                if (n > 9999)
                    return BookOperationResult::makeFailed(item, "no free name for " + fileName);
            }
        }
    }

    const int in = ::open(packed.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat packedStat{};
    if (in < 0 || ::fstat(in, &packedStat) != 0) {
        if (in >= 0)
            ::close(in);
        return BookOperationResult::makeFailed(item, "cannot read " + packed);
    }
    const uint64_t total = static_cast<uint64_t>(packedStat.st_size);
    const std::string fullText = "The device is full: the book needs " + std::to_string(total) +
                                 " bytes. Make room on the device and try again.";
    if (const std::optional<uint64_t> free = freeBytes(connection); free && *free < total) {
        ::close(in);
        return BookOperationResult::makeFailed(item, fullText);
    }

    const std::string temporary = std::string(kDocuments) + "/" + kUploadPrefix + randomSuffix() + ".epub";
    afc_file_ref ref = 0;
    if (AFCFileRefOpen(connection, temporary.c_str(), AFC_MODE_WRITE, 0, &ref) != 0) {
        ::close(in);
        return BookOperationResult::makeFailed(item, failureText(connection, "cannot write in the app's Documents folder"));
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
            return BookOperationResult::makeFailed(item, "cannot read " + packed);
        const std::optional<uint64_t> free = freeBytes(connection);
        if (writeRc == kNoSpaceLeft || (free && *free < total - written))
            return BookOperationResult::makeFailed(item, fullText);
        return BookOperationResult::makeFailed(item, failureText(connection, "the book could not be written to the device"));
    }
    if (AFCRenamePath(connection, temporary.c_str(), (std::string(kDocuments) + "/" + target).c_str()) != 0) {
        AFCRemovePath(connection, temporary.c_str());
        return BookOperationResult::makeFailed(
            item, failureText(connection, "the book could not be given its name " + target + " in the app"));
    }
    return BookOperationResult::makeDone(item, target);
}

BookOperationResult exportFromApp(afc_connection *connection, const std::string &relative, const std::string &folder,
                                  bool replace)
{
    return exportFromApp(connection, relative, folder, [replace](const std::string &) { return replace; });
}

BookOperationResult exportFromApp(afc_connection *connection, const std::string &relative, const std::string &folder,
                                  const std::function<bool(const std::string &target)> &replace)
{
    std::string problem;
    const std::string path = appBookPath(relative, &problem);
    if (path.empty())
        return BookOperationResult::makeFailed(relative, problem);
    std::error_code ec;
    if (!fs::is_directory(folder, ec))
        return BookOperationResult::makeFailed(relative, "the destination is not a folder: " + folder);
    AppBook book;
    book.path = path;
    book.relative = relative;
    readAppBookValues(connection, book);
    const FileFacts facts = fileFacts(connection, path);
    if (facts.type != "S_IFREG" && facts.type != "S_IFDIR")
        return BookOperationResult::makeFailed(relative, failureText(connection, "no book " + relative + " in the app"));
    const std::string title = book.values[BookKey::Name];
    const std::string item = title.empty() ? relative : title;

    std::string work = scratchPath("appexport-XXXXXX");
    if (work.empty() || !::mkdtemp(work.data()))
        return BookOperationResult::makeFailed(item, "the scratch folder cannot be used");
    FolderRemoval cleanup{work};
    const std::string copy = (fs::path(work) / "book").string();
    const std::string packed = (fs::path(work) / "packed.epub").string();
    std::string error;
    const bool fetched = facts.type == "S_IFDIR" ? downloadFolder(connection, path, copy, 16, &error)
                                                 : download(connection, path, copy, &error);
    if (!fetched)
        return BookOperationResult::makeFailed(item, failureText(connection, error));
    if (!packEpub(copy, packed, &error))
        return BookOperationResult::makeFailed(item, error);

    const std::string name = exportFileNameForTitle(title, fs::path(relative).stem().string());
    const std::string target = (fs::path(folder) / (name + ".epub")).string();
    if (fs::exists(fs::symlink_status(target, ec)) && !(replace && replace(target)))
        return BookOperationResult::makeSkipped(item, target + " exists and was kept");
    if (::rename(packed.c_str(), target.c_str()) != 0) {
        // Another file system: a copy beside the target, renamed once whole.
        const std::string temporary = (fs::path(folder) / (".bookferry-export-" + randomSuffix())).string();
        fs::copy_file(packed, temporary, ec);
        if (ec || ::rename(temporary.c_str(), target.c_str()) != 0) {
            ::unlink(temporary.c_str());
            return BookOperationResult::makeFailed(item, "cannot write " + target);
        }
    }
    return BookOperationResult::makeDone(item, target);
}

BookOperationResult deleteFromApp(afc_connection *connection, const std::string &relative)
{
    std::string problem;
    const std::string path = appBookPath(relative, &problem);
    if (path.empty())
        return BookOperationResult::makeFailed(relative, problem);
    const FileFacts facts = fileFacts(connection, path);
    if (facts.type != "S_IFREG" && facts.type != "S_IFDIR")
        return BookOperationResult::makeFailed(relative, failureText(connection, "no book " + relative + " in the app"));
    if (!removeTree(connection, path, 16))
        return BookOperationResult::makeFailed(relative, "the book could not be removed from the app");
    return BookOperationResult::makeDone(relative);
}
