// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "operations/bookdetailsloader.h"

#include "core/stablename.h"
#include "device/storage/devicefiles.h"
#include "device/storage/folderwalk.h"
#include "library/bookkeys.h"
#include "library/catalogue.h"
#include "library/packagedocument.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
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

// The files of a book folder (paths relative to it) and the bytes they hold.
struct BookWalk
{
    std::set<std::string> files;
    uint64_t bytes = 0;
    bool complete = true;
};

BookWalk walkBook(afc_connection *conn, const std::atomic_bool &goOn, const std::string &root)
{
    BookWalk walk;
    FolderWalk::Options options;
    options.maxDepth = kMaxDepth;
    options.maxEntries = kMaxEntries;
    options.goOn = &goOn;
    walk.complete =
        FolderWalk::run(options, {root}, conn, {},
                        [&](const FolderWalk::Entry &entry, const std::optional<DeviceFileInfo> &e) {
                            // Anything but a folder or a plain file (a link, a FIFO) is passed by, never read.
                            if (e && (e->isPlainFile() || e->type.empty())) {
                                walk.bytes += e->size.value_or(0);
                                walk.files.insert(entry.path.substr(root.size() + 1));
                            }
                        })
            .complete;
    return walk;
}

// A whole device file, or nullopt when it cannot be read, is larger than `limit` or `goOn`
// was cleared meanwhile.
std::optional<std::string> readDeviceFile(afc_connection *conn, const std::atomic_bool &goOn, const std::string &path,
                                          uint64_t limit)
{
    afc_file_ref ref = 0;
    if (!goOn || AFCFileRefOpen(conn, path.c_str(), AFC_MODE_READ, 0, &ref) != 0)
        return std::nullopt;
    std::string bytes;
    std::string chunk(64 * 1024, '\0');
    bool ok = true;
    for (;;) {
        if (!goOn) {
            ok = false;
            break;
        }
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
    const std::atomic_bool &goOn;
    std::string root;
    const BookWalk &walk;

    bool has(const std::string &relative) const { return !relative.empty() && walk.files.count(relative); }
    std::optional<std::string> read(const std::string &relative, uint64_t limit) const
    {
        if (!has(relative))
            return std::nullopt;
        return readDeviceFile(conn, goOn, root + "/" + relative, limit);
    }
};

// The cover's picture file in the book, or empty. `coverPath` is the catalogue's value.
std::string findCover(const BookFolder &book, const std::string &coverPath)
{
    const auto container = book.read("META-INF/container.xml", BookDetailsLoader::kMaxDocumentBytes);
    const std::string package = container ? bookPathOf({}, packagePathFromContainer(*container)) : std::string();
    const auto opf = book.read(package, BookDetailsLoader::kMaxDocumentBytes);
    const BookFiles files{[&](const std::string &path) { return book.has(path); },
                          [&](const std::string &path) { return book.read(path, BookDetailsLoader::kMaxDocumentBytes); }};
    return findBookCover(package, opf ? readPackageDocument(*opf) : PackageDocument{}, files, coverPath).file;
}

} // namespace

namespace {
// A book's cache files are "<stem>.txt" and "<stem>.png"; anything else named like a
// temporary file is one.
bool isTemporaryName(const std::string &name)
{
    return name.rfind(".package-", 0) == 0 ||
           (name.size() > 5 && name.compare(name.size() - 5, 5, ".part") == 0);
}

std::string stemOf(const std::string &name)
{
    for (const char *suffix : {".txt", ".png"}) {
        const std::size_t n = std::strlen(suffix);
        if (name.size() > n && name.compare(name.size() - n, n, suffix) == 0)
            return name.substr(0, name.size() - n);
    }
    return {};
}

// Removes the temporary files a stopped program left in `folder`, and, when `keep` is given,
// the books' files whose stem it does not hold (books gone from the device).
void tidyCacheFolder(const std::string &folder, const std::set<std::string> *keep)
{
    const auto old = fs::file_time_type::clock::now() - std::chrono::seconds(BookDetailsLoader::kLeftoverSeconds);
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code ignored;
        if (!it->is_regular_file(ignored))
            continue;
        const std::string name = it->path().filename().string();
        if (isTemporaryName(name)) {
            if (it->last_write_time(ignored) < old)
                fs::remove(it->path(), ignored);
        } else if (keep && !stemOf(name).empty() && !keep->count(stemOf(name))) {
            fs::remove(it->path(), ignored);
        }
    }
}
} // namespace

void BookDetailsLoader::setCacheLimit(uint64_t bytes)
{
    m_cacheLimit = bytes;
}

// Counts every device's cache files when asked to (or when the running count passed the
// bound), and past the bound removes the books used longest ago (a book's record is touched
// whenever it is used) until a tenth of the room is free again.
void BookDetailsLoader::keepCacheBounded(bool recount)
{
    const uint64_t limit = m_cacheLimit;
    if (m_cacheRoot.empty() || (!recount && m_cacheBytes <= limit))
        return;
    struct Book
    {
        fs::file_time_type used;
        uint64_t bytes = 0;
        std::vector<fs::path> files;
    };
    std::map<std::string, Book> books; // by folder and stem
    uint64_t total = 0;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(m_cacheRoot, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code ignored;
        if (!it->is_regular_file(ignored))
            continue;
        const uintmax_t size = it->file_size(ignored);
        if (ignored)
            continue;
        total += size;
        const std::string stem = stemOf(it->path().filename().string());
        if (stem.empty())
            continue;
        Book &book = books[(it->path().parent_path() / stem).string()];
        book.bytes += size;
        book.files.push_back(it->path());
        if (const auto time = it->last_write_time(ignored); book.files.size() == 1 || time > book.used)
            book.used = time;
    }
    if (total > limit) {
        std::vector<Book *> byAge;
        for (auto &entry : books)
            byAge.push_back(&entry.second);
        std::sort(byAge.begin(), byAge.end(), [](const Book *a, const Book *b) { return a->used < b->used; });
        const uint64_t target = limit - limit / 10;
        for (Book *book : byAge) {
            if (total <= target)
                break;
            for (const fs::path &file : book->files)
                fs::remove(file, ec);
            total -= std::min(total, book->bytes);
        }
    }
    m_cacheBytes = total;
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
    m_queue.stop();
}

unsigned BookDetailsLoader::load(const BookDetailsSource &source, std::vector<BookDetailsRequest> books)
{
    const unsigned generation = m_queue.withItems([&](std::deque<Queued> &queue) {
        if (source.session != m_source.session || source.cacheRoot != m_source.cacheRoot) {
            queue.clear();
            ++m_generation;
        }
        m_source = source;
        ++m_batch;
        for (auto &book : books)
            queue.push_back({std::move(book), {}, 0, 0});
        return m_generation;
    });
    m_queue.ensureWorkers(1);
    return generation;
}

void BookDetailsLoader::prioritise(const std::vector<BookDetailsRequest> &first)
{
    std::vector<std::pair<bool, std::string>> keys;
    for (const BookDetailsRequest &book : first)
        keys.emplace_back(book.purchases, book.path);
    m_queue.moveToHead(keys, [](const Queued &book) { return std::make_pair(book.request.purchases, book.request.path); });
}

std::vector<BookDetailsRequest> BookDetailsLoader::queued() const
{
    return m_queue.withItems([](const std::deque<Queued> &queue) {
        std::vector<BookDetailsRequest> out;
        for (const Queued &book : queue)
            out.push_back(book.request);
        return out;
    });
}

void BookDetailsLoader::clear()
{
    m_queue.withItems([this](std::deque<Queued> &queue) {
        queue.clear();
        ++m_generation;
    });
}

bool BookDetailsLoader::idle() const
{
    return m_queue.idle();
}

void BookDetailsLoader::read(Queued &book)
{
    const std::shared_ptr<ReadSession> &session = book.source.session;
    std::optional<ReadSession::Read> device;
    if (session)
        device.emplace(session->read());
    if (!device || !*device) {
        dropSession(session);
        return;
    }
    if (book.batch != m_preparedBatch) {
        // The cache folder is tidied without holding an arrival back.
        const std::string identifier = AMDeviceCopyDeviceIdentifier(device->dev());
        device.reset();
        prepareBatch(book.source, identifier);
        m_preparedBatch = book.batch;
        device.emplace(session->read());
        if (!*device) {
            dropSession(session);
            return;
        }
    }
    const std::optional<BookDetails> details = readBook(book.request, book.generation, *session, device);
    device.reset();
    if (!details)
        dropSession(session);
    else if (m_report)
        m_report(*details);
}

// The session went: what is queued for it is dropped with it.
void BookDetailsLoader::dropSession(const std::shared_ptr<ReadSession> &session)
{
    m_queue.withItems([&](std::deque<Queued> &queue) {
        if (m_source.session != session)
            return;
        queue.clear();
        m_source.session.reset();
    });
}

void BookDetailsLoader::prepareBatch(const BookDetailsSource &source, const std::string &deviceIdentifier)
{
    // `known` is cleared unless the catalogue read (purchases may be missing: a device may
    // keep none); a list that is not known prunes nothing from the cache.
    auto entries = [](const std::string &file, bool &known, bool mayBeMissing) {
        std::map<std::string, Entry> out;
        if (file.empty()) {
            known = false;
            return out;
        }
        const Catalogue catalogue = Catalogue::load(file);
        if (!catalogue.isLoaded() && !(mayBeMissing && catalogue.state() == Catalogue::State::Missing))
            known = false;
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
    bool known = true; // both book lists read as they are on the device
    m_books = entries(source.booksCatalogue, known, false);
    m_purchases = entries(source.purchasesCatalogue, known, true);
    m_cacheFolder = deviceCacheFolder(source.cacheRoot, deviceIdentifier);
    m_cacheRoot = m_cacheFolder.empty() ? std::string() : source.cacheRoot;
    if (!m_cacheFolder.empty()) {
        std::error_code ec;
        fs::create_directories(m_cacheFolder, ec);
        if (ec)
            m_cacheFolder.clear();
        else
            fs::permissions(m_cacheFolder, fs::perms::owner_all, ec);
    }
    if (!m_cacheFolder.empty()) {
        std::set<std::string> listed;
        for (const auto &[path, entry] : m_books)
            listed.insert(stableName("B/" + path));
        for (const auto &[path, entry] : m_purchases)
            listed.insert(stableName("P/" + path));
        tidyCacheFolder(m_cacheFolder, known ? &listed : nullptr);
        keepCacheBounded(true);
    }
}

std::optional<BookDetails> BookDetailsLoader::readBook(const BookDetailsRequest &request, unsigned generation,
                                                       const ReadSession &session,
                                                       std::optional<ReadSession::Read> &device)
{
    afc_connection *conn = device->conn();
    const std::atomic_bool &goOn = session.current();
    BookDetails details;
    details.path = request.path;
    details.purchases = request.purchases;
    details.generation = generation;
    // A catalogue "Path" names one entry directly under the books folder, nothing else.
    if (request.path.empty() || request.path == "." || request.path == ".." ||
        request.path.find('/') != std::string::npos || request.path.find('\0') != std::string::npos)
        return details;
    const std::string root = std::string(request.purchases ? "/Books/Purchases/" : "/Books/") + request.path;
    const std::optional<DeviceFileInfo> top = readFileInfo(conn, root);
    if (session.gone())
        return std::nullopt;
    if (!top)
        return details;

    const auto &catalogue = request.purchases ? m_purchases : m_books;
    const auto found = catalogue.find(request.path);
    const Entry entry = found == catalogue.end() ? Entry{} : found->second;
    const std::string key = stableName(std::string(request.purchases ? "P" : "B") + '\n' + request.path + '\n' +
                                   entry.coverPath + '\n' + entry.coverHash + '\n' + entry.packageHash +
                                   '\n' + top->mtime + '\n' + (top->isDirectory() ? "d" : "f"));
    const std::string stem =
        m_cacheFolder.empty()
            ? std::string()
            : m_cacheFolder + "/" + stableName((request.purchases ? "P/" : "B/") + request.path);
    const std::string picture = stem.empty() ? std::string() : stem + ".png";
    if (!stem.empty()) {
        std::error_code ec;
        if (const auto record = readRecord(stem + ".txt");
            record && record->key == key && (!record->cover || fs::is_regular_file(picture, ec))) {
            details.size = record->size;
            details.thumbnail = record->cover ? picture : std::string();
            details.fromCache = true;
            fs::last_write_time(stem + ".txt", fs::file_time_type::clock::now(), ec); // used now
            return details;
        }
    }

    CacheRecord record;
    record.key = key;
    bool complete = true;
    if (!top->isDirectory()) {
        // A packed book: its size is the file's; its cover is not looked for inside the zip.
        details.size = top->size.value_or(0);
    } else {
        const BookWalk walk = walkBook(conn, goOn, root);
        complete = walk.complete;
        details.size = walk.bytes;
        const BookFolder book{conn, goOn, root, walk};
        const std::string cover = findCover(book, entry.coverPath);
        std::optional<std::string> bytes;
        if (!cover.empty() && !picture.empty())
            bytes = book.read(cover, BookDetailsLoader::kMaxPictureBytes);
        if (session.gone())
            return std::nullopt;
        device.reset(); // the picture is made without holding an arrival back
        if (bytes && m_maker && m_maker(*bytes, picture)) {
            record.cover = true;
            details.thumbnail = picture;
        } else if (!cover.empty() && !picture.empty() && !bytes) {
            complete = false; // unreadable now; perhaps not the next time
        }
    }
    device.reset();
    record.size = details.size;
    if (complete && !stem.empty() && writeRecord(stem + ".txt", record)) {
        for (const std::string &file : {stem + ".txt", record.cover ? picture : std::string()}) {
            std::error_code ec;
            if (const uintmax_t size = file.empty() ? 0 : fs::file_size(file, ec); !ec)
                m_cacheBytes += size;
        }
        keepCacheBounded(false);
    }
    return details;
}
