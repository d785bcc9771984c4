// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "bookdetailsloader.h"

#include "bookkeys.h"
#include "catalogue.h"
#include "devicepath.h"
#include "epubarchive.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// A book folder deeper or larger than this is not walked further.
constexpr int kMaxDepth = 16;
constexpr size_t kMaxEntries = 20000;

struct EntryInfo
{
    bool exists = false;
    bool directory = false;
    bool link = false;
    uint64_t size = 0;
    std::string mtime;
};

EntryInfo entryInfo(afc_connection *conn, const std::string &path)
{
    EntryInfo e;
    afc_dictionary *info = nullptr;
    if (AFCFileInfoOpen(conn, path.c_str(), &info) != 0)
        return e;
    e.exists = true;
    char *key = nullptr, *value = nullptr;
    while (AFCKeyValueRead(info, &key, &value) == 0 && key && value) {
        if (std::strcmp(key, "st_ifmt") == 0) {
            e.directory = std::strcmp(value, "S_IFDIR") == 0;
            // Anything but a folder or a plain file (a link, a FIFO) is passed by, never read.
            e.link = !e.directory && std::strcmp(value, "S_IFREG") != 0;
        } else if (std::strcmp(key, "st_size") == 0) {
            e.size = std::strtoull(value, nullptr, 10);
        } else if (std::strcmp(key, "st_mtime") == 0) {
            e.mtime = value;
        }
    }
    AFCKeyValueClose(info);
    return e;
}

// The files of a book folder (paths relative to it) and the bytes they hold.
struct BookWalk
{
    std::set<std::string> files;
    uint64_t bytes = 0;
    size_t entries = 0;
    bool complete = true;
};

void walkFolder(afc_connection *conn, const std::string &root, const std::string &relative, int depth,
                BookWalk &walk)
{
    afc_directory *dir = nullptr;
    const std::string folder = relative.empty() ? root : joinPath(root, relative);
    if (AFCDirectoryOpen(conn, folder.c_str(), &dir) != 0) {
        walk.complete = false;
        return;
    }
    std::vector<std::string> names;
    char *name = nullptr;
    while (AFCDirectoryRead(conn, dir, &name) == 0 && name) {
        if (std::strcmp(name, ".") != 0 && std::strcmp(name, "..") != 0 && !std::strchr(name, '/'))
            names.emplace_back(name);
    }
    AFCDirectoryClose(conn, dir);
    for (const std::string &n : names) {
        if (++walk.entries > kMaxEntries) {
            walk.complete = false;
            return;
        }
        const std::string child = relative.empty() ? n : relative + "/" + n;
        const EntryInfo e = entryInfo(conn, joinPath(root, child));
        if (!e.exists) {
            walk.complete = false;
        } else if (e.directory) {
            if (depth < kMaxDepth)
                walkFolder(conn, root, child, depth + 1, walk);
            else
                walk.complete = false;
        } else if (!e.link) {
            walk.bytes += e.size;
            walk.files.insert(child);
        }
    }
}

// A whole device file, or nullopt when it cannot be read or is larger than `limit`.
std::optional<std::string> readDeviceFile(afc_connection *conn, const std::string &path, uint64_t limit)
{
    afc_file_ref ref = 0;
    if (AFCFileRefOpen(conn, path.c_str(), AFC_MODE_READ, 0, &ref) != 0)
        return std::nullopt;
    std::string bytes;
    std::string chunk(64 * 1024, '\0');
    bool ok = true;
    for (;;) {
        unsigned int len = static_cast<unsigned int>(chunk.size());
        if (AFCFileRefRead(conn, ref, chunk.data(), &len) != 0) {
            ok = false;
            break;
        }
        if (len == 0)
            break;
        if (bytes.size() + len > limit) {
            ok = false;
            break;
        }
        bytes.append(chunk.data(), len);
    }
    AFCFileRefClose(conn, ref);
    if (!ok)
        return std::nullopt;
    return bytes;
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// An href as a path: without its fragment or query, percent escapes decoded.
std::string hrefPath(const std::string &href)
{
    std::string path = href.substr(0, href.find_first_of("#?"));
    std::string out;
    for (size_t i = 0; i < path.size(); ++i) {
        if (path[i] == '%' && i + 2 < path.size() && hexValue(path[i + 1]) >= 0 &&
            hexValue(path[i + 2]) >= 0) {
            out += static_cast<char>(hexValue(path[i + 1]) * 16 + hexValue(path[i + 2]));
            i += 2;
        } else {
            out += path[i];
        }
    }
    return out;
}

// `href` resolved against the folder `base` (both relative to the book's root), or empty
// when it is absolute or would leave the book.
std::string resolve(const std::string &base, const std::string &href)
{
    const std::string path = hrefPath(href);
    if (path.empty() || path[0] == '/' || path.find('\0') != std::string::npos)
        return {};
    const fs::path joined = (fs::path(base) / path).lexically_normal();
    const std::string text = joined.generic_string();
    if (text.empty() || text == "." || text.rfind("..", 0) == 0)
        return {};
    return text;
}

std::string folderOf(const std::string &relative)
{
    const size_t slash = relative.rfind('/');
    return slash == std::string::npos ? std::string() : relative.substr(0, slash);
}

bool isPage(const std::string &relative)
{
    const std::string ext = fs::path(relative).extension().string();
    std::string lower;
    for (char c : ext)
        lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower == ".xhtml" || lower == ".html" || lower == ".htm" || lower == ".xml";
}

// The value of `name` in the attribute text of one tag.
std::string attributeOf(const std::string &tag, const std::string &name)
{
    size_t i = 0;
    while (i < tag.size()) {
        while (i < tag.size() && std::isspace(static_cast<unsigned char>(tag[i])))
            ++i;
        size_t start = i;
        while (i < tag.size() && !std::isspace(static_cast<unsigned char>(tag[i])) && tag[i] != '=')
            ++i;
        const std::string key = tag.substr(start, i - start);
        while (i < tag.size() && std::isspace(static_cast<unsigned char>(tag[i])))
            ++i;
        std::string value;
        if (i < tag.size() && tag[i] == '=') {
            ++i;
            while (i < tag.size() && std::isspace(static_cast<unsigned char>(tag[i])))
                ++i;
            if (i < tag.size() && (tag[i] == '"' || tag[i] == '\'')) {
                const char quote = tag[i];
                const size_t close = tag.find(quote, i + 1);
                if (close == std::string::npos)
                    return {};
                value = tag.substr(i + 1, close - i - 1);
                i = close + 1;
            } else {
                start = i;
                while (i < tag.size() && !std::isspace(static_cast<unsigned char>(tag[i])))
                    ++i;
                value = tag.substr(start, i - start);
            }
        }
        if (key == name)
            return value;
        if (key.empty())
            ++i;
    }
    return {};
}

std::string trimmed(const std::string &text)
{
    const size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

// FNV-1a: a name for a book's cache files and a short form of its key that stay the same
// from one run to the next.
std::string fnvHex(const std::string &text)
{
    uint64_t h = 1469598103934665603ull;
    for (unsigned char c : text) {
        h ^= c;
        h *= 1099511628211ull;
    }
    char out[17];
    std::snprintf(out, sizeof out, "%016llx", static_cast<unsigned long long>(h));
    return out;
}

std::optional<std::string> readSmallFile(const std::string &file, uintmax_t limit)
{
    std::error_code ec;
    const uintmax_t size = fs::file_size(file, ec);
    if (ec || size > limit)
        return std::nullopt;
    std::ifstream in(file, std::ios::binary);
    std::string text(static_cast<size_t>(size), '\0');
    if (!in.read(text.data(), static_cast<std::streamsize>(text.size())))
        return std::nullopt;
    return text;
}

bool writeFile(const std::string &file, const std::string &bytes)
{
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    return static_cast<bool>(out);
}

// Written beside itself and renamed into place: a reader sees the old record or the new one.
bool writeFileAtomically(const std::string &file, const std::string &bytes)
{
    const std::string temporary = file + ".part";
    if (!writeFile(temporary, bytes))
        return false;
    std::error_code ec;
    fs::rename(temporary, file, ec);
    return !ec;
}

// What the cache keeps of one book: the key it was read under, its size and whether it has
// a picture beside it.
struct CacheRecord
{
    std::string key;
    std::optional<uint64_t> size;
    bool cover = false;
};

std::optional<CacheRecord> readRecord(const std::string &file)
{
    const std::optional<std::string> bytes = readSmallFile(file, 4096);
    if (!bytes)
        return std::nullopt;
    const std::string &text = *bytes;
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t nl; (nl = text.find('\n', start)) != std::string::npos; start = nl + 1)
        lines.push_back(text.substr(start, nl - start));
    if (lines.size() != 4 || lines[0] != "bookferry-book-details 1")
        return std::nullopt;
    CacheRecord record;
    record.key = lines[1];
    if (lines[2] != "-") {
        char *end = nullptr;
        record.size = std::strtoull(lines[2].c_str(), &end, 10);
        if (!end || *end)
            return std::nullopt;
    }
    record.cover = lines[3] == "cover";
    return record;
}

bool writeRecord(const std::string &file, const CacheRecord &record)
{
    const std::string text = "bookferry-book-details 1\n" + record.key + "\n" +
                             (record.size ? std::to_string(*record.size) : std::string("-")) + "\n" +
                             (record.cover ? "cover" : "none") + "\n";
    return writeFileAtomically(file, text);
}

// A book folder walked on the device: its files can be read by their relative paths.
struct BookFolder
{
    afc_connection *conn;
    std::string root;
    const BookWalk &walk;

    bool has(const std::string &relative) const { return !relative.empty() && walk.files.count(relative); }
    std::optional<std::string> read(const std::string &relative, uint64_t limit) const
    {
        if (!has(relative))
            return std::nullopt;
        return readDeviceFile(conn, root + "/" + relative, limit);
    }
    // The package document's path, from the container.
    std::string packagePath() const
    {
        const auto container = read("META-INF/container.xml", BookDetailsLoader::kMaxDocumentBytes);
        if (!container)
            return {};
        const size_t at = container->find("full-path=");
        if (at == std::string::npos || at + 11 > container->size())
            return {};
        const char quote = (*container)[at + 10];
        const size_t end = container->find(quote, at + 11);
        return end == std::string::npos ? std::string()
                                        : resolve({}, container->substr(at + 11, end - at - 11));
    }
};

// The cover's picture file in the book, or empty. `coverPath` is the catalogue's value;
// `scratchFolder` takes the package document for a moment while it is read.
std::string findCover(const BookFolder &book, const std::string &coverPath, const std::string &scratchFolder)
{
    const std::string package = book.packagePath();
    // Beside the package document, else from the book's root.
    std::string cover;
    for (const std::string &candidate : {resolve(folderOf(package), coverPath), resolve({}, coverPath)}) {
        if (!coverPath.empty() && book.has(candidate)) {
            cover = candidate;
            break;
        }
    }
    if (!cover.empty() && !isPage(cover))
        return cover;
    const std::string page = cover;
    // The package names its cover picture (cover-image item, else meta cover).
    if (auto opf = book.read(package, BookDetailsLoader::kMaxDocumentBytes); opf && !scratchFolder.empty()) {
        std::string temporary = scratchFolder + "/.package-XXXXXX";
        const int fd = ::mkstemp(temporary.data());
        if (fd >= 0) {
            ::close(fd);
            std::string href;
            if (writeFile(temporary, *opf))
                href = resolve(folderOf(package), readPackageExtras(temporary).coverHref);
            ::unlink(temporary.c_str());
            if (book.has(href) && !isPage(href))
                return href;
        }
    }
    // Else the first picture the cover page shows.
    if (!page.empty()) {
        if (auto text = book.read(page, BookDetailsLoader::kMaxDocumentBytes)) {
            const std::string href = resolve(folderOf(page), firstImageHref(*text));
            if (book.has(href))
                return href;
        }
    }
    return {};
}

} // namespace

std::string firstImageHref(const std::string &page)
{
    size_t i = 0;
    while ((i = page.find('<', i)) != std::string::npos) {
        if (page.compare(i, 4, "<!--") == 0) {
            const size_t close = page.find("-->", i + 4);
            if (close == std::string::npos)
                return {};
            i = close + 3;
            continue;
        }
        const size_t close = page.find('>', i + 1);
        if (close == std::string::npos)
            return {};
        const std::string tag = page.substr(i + 1, close - i - 1);
        i = close + 1;
        size_t nameEnd = 0;
        while (nameEnd < tag.size() && !std::isspace(static_cast<unsigned char>(tag[nameEnd])) &&
               tag[nameEnd] != '/')
            ++nameEnd;
        std::string name = tag.substr(0, nameEnd);
        if (const size_t colon = name.rfind(':'); colon != std::string::npos)
            name = name.substr(colon + 1);
        const std::string attributes = tag.substr(nameEnd);
        if (name == "img" || name == "IMG") {
            const std::string src = trimmed(attributeOf(attributes, "src"));
            if (!src.empty())
                return src;
        } else if (name == "image") {
            std::string href = trimmed(attributeOf(attributes, "xlink:href"));
            if (href.empty())
                href = trimmed(attributeOf(attributes, "href"));
            if (!href.empty())
                return href;
        }
    }
    return {};
}

std::string BookDetailsLoader::deviceCacheFolder(const std::string &cacheRoot,
                                                 const std::string &deviceIdentifier)
{
    if (cacheRoot.empty())
        return {};
    std::string name;
    for (char c : deviceIdentifier)
        name += std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_' ? c : '_';
    if (name.empty())
        name = "unknown-device";
    return cacheRoot + "/" + name;
}

BookDetailsLoader::BookDetailsLoader(ThumbnailMaker maker, Report report)
    : m_maker(std::move(maker)), m_report(std::move(report))
{
}

BookDetailsLoader::~BookDetailsLoader()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
        m_queue.clear();
    }
    m_wake.notify_all();
    if (m_worker.joinable())
        m_worker.join();
}

unsigned BookDetailsLoader::load(const BookDetailsSource &source, std::vector<BookDetailsRequest> books)
{
    std::lock_guard lock(m_mutex);
    if (source.conn != m_source.conn || source.dev != m_source.dev ||
        source.cacheRoot != m_source.cacheRoot) {
        m_queue.clear();
        ++m_generation;
    }
    m_source = source;
    ++m_batch;
    for (auto &book : books)
        m_queue.push_back(std::move(book));
    if (!m_worker.joinable())
        m_worker = std::thread([this] { run(); });
    m_wake.notify_all();
    return m_generation;
}

void BookDetailsLoader::clear()
{
    std::lock_guard lock(m_mutex);
    m_queue.clear();
    ++m_generation;
}

bool BookDetailsLoader::idle() const
{
    std::lock_guard lock(m_mutex);
    return m_queue.empty() && !m_busy;
}

void BookDetailsLoader::run()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stopping || !m_queue.empty(); });
        if (m_stopping)
            return;
        const BookDetailsRequest request = std::move(m_queue.front());
        m_queue.pop_front();
        const BookDetailsSource source = m_source;
        const unsigned generation = m_generation;
        const unsigned batch = m_batch;
        m_busy = true;
        lock.unlock();
        if (batch != m_preparedBatch) {
            prepareBatch(source);
            m_preparedBatch = batch;
        }
        const BookDetails details = readBook(request, generation, source.conn);
        if (m_report)
            m_report(details);
        lock.lock();
        m_busy = false;
    }
}

void BookDetailsLoader::prepareBatch(const BookDetailsSource &source)
{
    auto entries = [](const std::string &file) {
        std::map<std::string, Entry> out;
        if (file.empty())
            return out;
        const Catalogue catalogue = Catalogue::load(file);
        for (plist_t book : catalogue.books()) {
            const std::optional<std::string> path = entryString(book, BookKey::Path);
            if (!path || out.count(*path))
                continue; // a path listed twice takes its first entry's values
            out[*path] = {entryString(book, BookKey::CoverPath).value_or(""),
                          entryString(book, BookKey::CoverHash).value_or(""),
                          entryString(book, BookKey::PackageHash).value_or("")};
        }
        return out;
    };
    m_books = entries(source.booksCatalogue);
    m_purchases = entries(source.purchasesCatalogue);
    m_cacheFolder = deviceCacheFolder(source.cacheRoot, AMDeviceCopyDeviceIdentifier(source.dev));
    if (!m_cacheFolder.empty()) {
        std::error_code ec;
        fs::create_directories(m_cacheFolder, ec);
        if (ec)
            m_cacheFolder.clear();
        else
            fs::permissions(m_cacheFolder, fs::perms::owner_all, ec);
    }
}

BookDetails BookDetailsLoader::readBook(const BookDetailsRequest &request, unsigned generation,
                                        afc_connection *conn)
{
    BookDetails details;
    details.path = request.path;
    details.purchases = request.purchases;
    details.generation = generation;
    // A catalogue "Path" names one entry directly under the books folder, nothing else.
    if (request.path.empty() || request.path == "." || request.path == ".." ||
        request.path.find('/') != std::string::npos || request.path.find('\0') != std::string::npos)
        return details;
    const std::string root = std::string(request.purchases ? "/Books/Purchases/" : "/Books/") + request.path;
    const EntryInfo top = entryInfo(conn, root);
    if (!top.exists)
        return details;

    const auto &catalogue = request.purchases ? m_purchases : m_books;
    const auto found = catalogue.find(request.path);
    const Entry entry = found == catalogue.end() ? Entry{} : found->second;
    const std::string key = fnvHex(std::string(request.purchases ? "P" : "B") + '\n' + request.path + '\n' +
                                   entry.coverPath + '\n' + entry.coverHash + '\n' + entry.packageHash +
                                   '\n' + top.mtime + '\n' + (top.directory ? "d" : "f"));
    const std::string stem =
        m_cacheFolder.empty()
            ? std::string()
            : m_cacheFolder + "/" + fnvHex((request.purchases ? "P/" : "B/") + request.path);
    const std::string picture = stem.empty() ? std::string() : stem + ".png";
    if (!stem.empty()) {
        std::error_code ec;
        if (const auto record = readRecord(stem + ".txt");
            record && record->key == key && (!record->cover || fs::is_regular_file(picture, ec))) {
            details.size = record->size;
            details.thumbnail = record->cover ? picture : std::string();
            details.fromCache = true;
            return details;
        }
    }

    CacheRecord record;
    record.key = key;
    bool complete = true;
    if (!top.directory) {
        // A packed book: its size is the file's; its cover is not looked for inside the zip.
        details.size = top.size;
    } else {
        BookWalk walk;
        walkFolder(conn, root, {}, 0, walk);
        complete = walk.complete;
        details.size = walk.bytes;
        const BookFolder book{conn, root, walk};
        const std::string cover = findCover(book, entry.coverPath, m_cacheFolder);
        if (!cover.empty() && !picture.empty()) {
            if (auto bytes = book.read(cover, BookDetailsLoader::kMaxPictureBytes);
                bytes && m_maker && m_maker(*bytes, picture)) {
                record.cover = true;
                details.thumbnail = picture;
            } else if (!bytes) {
                complete = false; // unreadable now; perhaps not the next time
            }
        }
    }
    record.size = details.size;
    if (complete && !stem.empty())
        writeRecord(stem + ".txt", record);
    return details;
}
