// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// The import of one ePub file into the device's "Custom Books".
#include "operations/bookimport.h"

#include "core/scratch.h"
#include "core/uitext.h"
#include "device/storage/devicefiles.h"
#include "device/storage/deviceworkpath.h"
#include "device/storage/loadiphone.h"
#include "device/storage/shelf.h"
#include "library/bookkeys.h"
#include "library/packagedocument.h"
#include "operations/bookfoldernamegenerator.h"
#include "operations/bookshelf.h"
#include "operations/devicecatalogue.h"
#include "operations/epubarchive.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <utility>

#include <zip.h>

namespace fs = std::filesystem;

namespace {
// A container or package document larger than this is not one.
constexpr std::uintmax_t kDocumentLimit = 8u * 1024 * 1024;

std::optional<std::string> readLocalFile(const std::string &path)
{
    std::error_code ec;
    if (!fs::is_regular_file(path, ec) || fs::file_size(path, ec) > kDocumentLimit || ec)
        return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad())
        return std::nullopt;
    return bytes;
}

std::string upper(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::toupper(c); });
    return text;
}
} // namespace

std::string CatalogueShelf::getcontenfile(const std::string &containerPath)
{
    const std::optional<std::string> container = readLocalFile(containerPath);
    return container ? packagePathFromContainer(*container) : std::string();
}

void CatalogueShelf::getcontenfilevalues(const std::string &packagePath, StringDictionary &values)
{
    if (const std::optional<std::string> package = readLocalFile(packagePath)) {
        for (auto &[key, value] : packageCatalogueValues(readPackageDocument(*package)))
            values[key] = std::move(value);
    }
}

std::string CatalogueShelf::getMD5FromFile(const std::string &path)
{
    return md5HexOfFile(path);
}

bool CatalogueShelf::isSameValue(const std::vector<std::string> &values, const std::string &value)
{
    return std::find(values.begin(), values.end(), value) != values.end();
}

std::string CatalogueShelf::randValue(const std::vector<std::string> &existing)
{
    auto candidate = [](long long n) { return "000000000000" + std::to_string(n); };
    std::string value = candidate(2000);
    std::srand(static_cast<unsigned>(std::time(nullptr)));
    long long step = std::rand() % 10 + 2001;
    while (isSameValue(existing, value)) {
        std::srand(static_cast<unsigned>(std::time(nullptr)));
        step += std::rand() % 10 + 1;
        value = candidate(step);
    }
    return value;
}

namespace {
// An import in its two parts. Started on the batch's thread: the checks, and a new folder
// name, free in the catalogue, among the books under way and on the device. Ahead: the
// unpacking, the copy into the new folder and the book's catalogue values. In turn: the
// catalogue change. Until its end the book owns its new device folder: a book that fails, or
// whose turn never comes, takes it away again (unless the catalogue may name it).
class ImportSteps final : public BookSteps
{
public:
    ImportSteps(BookContext &context, const std::string &path, std::string item, std::string folderName,
                std::string scratchFolder)
        : m_session(context.session), m_data(context.session->data()), m_path(path), m_item(std::move(item)),
          m_folderName(std::move(folderName)), m_deviceFolder("/Books/" + m_folderName),
          m_cleanup{std::move(scratchFolder)}, m_goOn(context.goOn),
          m_booksFolderKnown(context.catalogue.active && context.catalogue.booksFolder)
    {
    }
    ~ImportSteps() override
    {
        if (m_folderOurs && !m_session->gone())
            n_rmdir(m_deviceFolder.c_str(), m_data);
    }
    ImportSteps(const ImportSteps &) = delete;
    ImportSteps &operator=(const ImportSteps &) = delete;

    // The catalogue read as the book started, good for its turn while nothing else read or
    // changed the catalogue since (`changes` of the context's knowledge).
    void keepCatalogue(Catalogue catalogue, unsigned long changes)
    {
        m_catalogue = std::move(catalogue);
        m_changes = changes;
    }

    void ahead(TreeCopier &copier) override;
    BookOperationResult inTurn(BookContext &context, bool startedEarly) override;
    std::unique_ptr<SharedTurn> shareTurn(bool startedEarly) override;
    bool joinTurn(SharedTurn &turn, bool startedEarly) override;

private:
    friend class ImportTurn;
    // The turn's parts for this book: what ends it before the catalogue is read (its ahead
    // part failed, the device went); then its entry, unless the catalogue names its folder.
    std::optional<BookOperationResult> beforeCatalogue(BookContext &context, bool startedEarly);
    std::optional<BookOperationResult> addEntry(Catalogue &catalogue, const std::vector<std::string> &paths);

    std::shared_ptr<DeviceSession> m_session;
    userDataIphone *m_data;
    const std::string m_path;
    const std::string m_item;
    const std::string m_folderName;
    const std::string m_deviceFolder;
    FolderRemoval m_cleanup; // the unpacked copy
    const std::atomic_bool *m_goOn;
    const bool m_booksFolderKnown;
    std::optional<Catalogue> m_catalogue;
    unsigned long m_changes = 0;

    // What the ahead part came to.
    std::optional<BookOperationResult> m_failure;
    bool m_folderOurs = false;     // the device folder was made by this book and is not yet named
    bool m_madeBooksFolder = false; // "/Books" was asked for and is there
    PlistPtr m_entry;               // the catalogue entry, but for its identifiers
    bool m_names = false;           // the package gives no title: the file's name is the book's
};

void ImportSteps::ahead(TreeCopier &copier)
{
    userDataIphone *data = m_data;
    const std::string &scratchFolder = m_cleanup.path;
    // A fresh scratch folder: names repeat between runs, and old files must not mix in.
    std::error_code ec;
    fs::remove_all(scratchFolder, ec);

    // The book's files go first; the catalogue names the book only once they are there. They
    // go while the archive is unpacked: each folder is made on the device before anything in
    // it, each file is queued as soon as it is whole. Nothing reaches the device unless every
    // entry passed the unpacker's checks.
    bool toDevice = false; // the device has been asked for anything
    auto booksFolder = [&] {
        if (toDevice)
            return;
        toDevice = true;
        if (!m_booksFolderKnown)
            m_madeBooksFolder = ensureBooksFolder(data);
    };
    std::string unpackError;
    bool unpacked = false;
    auto unpack = [&](const TreeCopier::FolderFeed &feed) {
        unpacked = unpackEpubArchive(m_path, scratchFolder, &unpackError, {},
                                     [&](const std::string &relative, bool isFolder) {
                                         booksFolder();
                                         if (feed)
                                             feed(relative, isFolder);
                                     });
        if (unpacked)
            booksFolder(); // a book without any entry is still a folder on the device
        return unpacked;
    };
    // The tree copy counts a folder as copied even when one of its files could not be written;
    // its report says whether every file arrived whole.
    const TreeCopyReport copy = copier.uploadAsWritten(scratchFolder, data, unpack, m_goOn);
    // A folder that was there before the copy is not this import's to take away.
    m_folderOurs = toDevice && !copy.rootExisted;
    if (!unpacked || !copy.ok || copy.failedFiles != 0) {
        if (m_folderOurs)
            n_rmdir(m_deviceFolder.c_str(), data);
        m_folderOurs = false;
        if (copy.stopped)
            m_failure = BookOperationResult::makeSkipped(m_item, uiText("Operations", BookContext::kStopped));
        else
            m_failure = BookOperationResult::makeFailed(
                m_item, unpacked ? uiText("Operations", "cannot copy the book to the device") : unpackError);
        return;
    }

    const fs::path root(scratchFolder);
    const std::string package =
        bookPathOf({}, CatalogueShelf::getcontenfile((root / "META-INF/container.xml").string()));
    const std::optional<std::string> packageBytes =
        package.empty() ? std::nullopt : readLocalFile((root / package).string());
    const PackageDocument document = packageBytes ? readPackageDocument(*packageBytes) : PackageDocument{};
    const BookFiles files{[&](const std::string &p) { return fs::is_regular_file(root / p, ec); },
                          [&](const std::string &p) { return readLocalFile((root / p).string()); }};
    const BookCover cover = findBookCover(package, document, files);
    StringDictionary values =
        packageCatalogueValues(document, cover.file.empty() ? std::nullopt : std::optional(cover.coverPath));

    m_entry.reset(plist_new_dict());
    plist_t entry = m_entry.get();
    for (const auto &[key, value] : values)
        entrySetString(entry, key.c_str(), value);
    entrySetBool(entry, BookKey::HasArtwork, false);
    entrySetDate(entry, BookKey::ReleaseDate, static_cast<int64_t>(std::time(nullptr)));
    entrySetString(entry, BookKey::CoverHash,
                   upper(CatalogueShelf::getMD5FromFile(
                       cover.file.empty() ? std::string() : (root / cover.file).string())));
    entrySetString(entry, BookKey::PackageHash,
                   upper(CatalogueShelf::getMD5FromFile(packageBytes ? (root / package).string() : "")));
    m_names = values[BookKey::Name].empty();
    // The unpacked copy has served: a book waiting for its turn holds no disk space.
    fs::remove_all(std::exchange(m_cleanup.path, std::string()), ec);
}

std::optional<BookOperationResult> ImportSteps::beforeCatalogue(BookContext &context, bool startedEarly)
{
    // From here the device and the catalogue tell whether the name is taken.
    context.newFolders.erase(m_folderName);
    std::string why;
    if (startedEarly && !context.device(&why))
        return BookOperationResult::makeFailed(m_item, why);
    if (m_madeBooksFolder && context.catalogue.active)
        context.catalogue.booksFolder = true;
    if (m_failure)
        return *m_failure;
    return std::nullopt;
}

std::optional<BookOperationResult> ImportSteps::addEntry(Catalogue &catalogue, const std::vector<std::string> &paths)
{
    if (CatalogueShelf::isSameValue(paths, m_folderName)) {
        // Named since the book started, by someone who ignored the lock: the folder is theirs
        // as much as this book's, so it stays.
        m_folderOurs = false;
        return BookOperationResult::makeFailed(m_item, uiArgs(uiText("Operations", "the device's catalogue took the book's folder name \"%1\" meanwhile"),
                                                              {m_folderName}));
    }
    plist_t entry = m_entry.get();
    entrySetString(entry, BookKey::PersistentID,
                   CatalogueShelf::randValue(catalogue.stringValues(BookKey::PersistentID)));
    entrySetString(entry, BookKey::UniqueID, CatalogueShelf::randValue(catalogue.stringValues(BookKey::UniqueID)));
    entrySetString(entry, BookKey::Path, m_folderName);
    entrySetBool(entry, BookKey::UserItem, true);
    if (m_names)
        entrySetString(entry, BookKey::Name, fs::path(m_path).stem().string());
    catalogue.appendBook(std::move(m_entry));
    return std::nullopt;
}

// The turn of one import, or of several in a row: each book's entry is added in book order
// to one catalogue, which is then uploaded (backed up before, read back after) once. A book
// fails alone for what is its own (its copy, its folder name taken); the upload's failure is
// every book's, and each keeps or takes away its folder as a book alone would.
class ImportTurn final : public SharedTurn
{
public:
    void add(ImportSteps &steps, bool startedEarly) { m_books.push_back({&steps, startedEarly}); }
    std::vector<BookOperationResult> end(BookContext &context) override;

private:
    struct Book
    {
        ImportSteps *steps;
        bool startedEarly;
    };
    std::vector<Book> m_books;
};

std::vector<BookOperationResult> ImportTurn::end(BookContext &context)
{
    std::vector<std::optional<BookOperationResult>> results;
    std::vector<ImportSteps *> live;
    for (const Book &book : m_books) {
        results.push_back(book.steps->beforeCatalogue(context, book.startedEarly));
        if (!results.back())
            live.push_back(book.steps);
    }
    auto all = [&] {
        std::vector<BookOperationResult> out;
        for (std::optional<BookOperationResult> &r : results)
            out.push_back(std::move(*r));
        return out;
    };
    auto failLive = [&](const std::string &error) {
        for (std::size_t k = 0; k < results.size(); ++k) {
            if (!results[k])
                results[k] = BookOperationResult::makeFailed(m_books[k].steps->m_item, error);
        }
    };
    if (live.empty())
        return all();
    // As between two turns: after a failure the device may hold anything.
    if (live.size() != m_books.size() && context.catalogue.active)
        context.catalogue.forget();

    ImportSteps &first = *live.front();
    userDataIphone *data = first.m_data;
    std::string error;
    std::optional<Catalogue> catalogue;
    if (first.m_catalogue && first.m_changes == context.catalogue.changes)
        catalogue = std::move(first.m_catalogue);
    else
        catalogue = loadCatalogueForChange(data, true, &error, &context.catalogue);
    if (!catalogue) {
        failLive(error);
        return all();
    }
    const std::vector<std::string> paths = catalogue->stringValues(BookKey::Path);
    std::vector<ImportSteps *> added;
    for (std::size_t k = 0; k < m_books.size(); ++k) {
        if (results[k])
            continue;
        results[k] = m_books[k].steps->addEntry(*catalogue, paths);
        if (!results[k])
            added.push_back(m_books[k].steps);
    }
    if (added.empty())
        return all();
    if (first.m_session->gone()) {
        failLive(uiText("Operations", BookContext::kDeviceDisconnected));
        return all();
    }
    bool catalogueMayNameIt = false;
    if (!uploadCatalogue(*catalogue, data, &error, &catalogueMayNameIt, &context.catalogue)) {
        // A folder the device's catalogue may name stays; one it cannot name is taken away.
        for (ImportSteps *steps : added)
            steps->m_folderOurs = !catalogueMayNameIt;
        failLive(error);
        return all();
    }
    // What the next book's start needs of the catalogue, without reading it again.
    context.cataloguePaths = paths;
    for (std::size_t k = 0; k < m_books.size(); ++k) {
        if (results[k])
            continue;
        ImportSteps &steps = *m_books[k].steps;
        steps.m_folderOurs = false;
        context.cataloguePaths.push_back(steps.m_folderName);
        results[k] = BookOperationResult::makeDone(steps.m_item, steps.m_folderName);
    }
    context.cataloguePathsAt = context.catalogue.changes;
    return all();
}

BookOperationResult ImportSteps::inTurn(BookContext &context, bool startedEarly)
{
    ImportTurn turn;
    turn.add(*this, startedEarly);
    return std::move(turn.end(context).front());
}

std::unique_ptr<SharedTurn> ImportSteps::shareTurn(bool startedEarly)
{
    auto turn = std::make_unique<ImportTurn>();
    turn->add(*this, startedEarly);
    return turn;
}

bool ImportSteps::joinTurn(SharedTurn &turn, bool startedEarly)
{
    auto *imports = dynamic_cast<ImportTurn *>(&turn);
    if (imports)
        imports->add(*this, startedEarly);
    return imports != nullptr;
}
} // namespace

BookStart CatalogueShelf::startImport(BookContext &context, const std::string &path)
{
    const fs::path file(path);
    const std::string item = file.filename().string();
    if (hasPdfExtension(item))
        return BookOperationResult::makeFailed(
            item, uiText("Operations", "a PDF: the device's own books are ePub only; a reader app that takes PDFs can hold it"));
    if (file.extension() != ".epub")
        return BookOperationResult::makeSkipped(item, uiText("Operations", "not an ePub file (its name does not end in \".epub\")"));
    std::string error;
    userDataIphone *data = context.device(&error);
    if (!data)
        return BookOperationResult::makeFailed(item, error);
    if (!context.shelf.usesCatalogue() || !context.folderNames)
        return BookOperationResult::makeFailed(item, uiText("Operations", "books are imported into the device's own books only"));

    // The folder names the catalogue holds: under the batch's lock, as the last change left
    // the catalogue (its turn checks that the device still holds it); else read now.
    std::optional<Catalogue> catalogue;
    std::vector<std::string> paths;
    const CatalogueKnowledge &known = context.catalogue;
    const bool fromKnowledge = known.active && known.known;
    if (fromKnowledge && context.cataloguePathsAt == known.changes) {
        paths = context.cataloguePaths;
    } else {
        if (fromKnowledge)
            catalogue = known.present ? Catalogue::fromData(known.bytes) : Catalogue();
        if (!catalogue || !catalogue->isLoaded())
            catalogue = loadCatalogueForChange(data, true, &error, &context.catalogue);
        if (!catalogue)
            return BookOperationResult::makeFailed(item, error);
        paths = catalogue->stringValues(BookKey::Path);
    }
    // A new book's folder is new: not named by the catalogue nor by a book under way, and not
    // on the device either (an import stopped part way leaves a folder that no entry names).
    if (known.active && !context.booksFoldersAsked) {
        context.booksFoldersAsked = true;
        if (auto names = folderEntryNames(data->conn, "/Books"))
            context.booksFolders.emplace(names->begin(), names->end());
    }
    auto onDevice = [&](const std::string &name) {
        if (known.active && context.booksFolders)
            return context.booksFolders->count(name) > 0;
        return readFileInfo(data->conn, "/Books/" + name).has_value();
    };
    std::string folderName;
    do {
        folderName = context.folderNames->next();
    } while (isSameValue(paths, folderName) || context.newFolders.count(folderName) || onDevice(folderName));
    if (known.active && context.booksFolders)
        context.booksFolders->insert(folderName);

    const std::string scratchFolder = deviceWorkPath(data, folderName);
    if (scratchFolder.empty())
        return BookOperationResult::makeFailed(item, uiText("Operations", "the scratch folder cannot be used"));
    auto steps = std::make_unique<ImportSteps>(context, path, item, folderName, scratchFolder);
    if (!fromKnowledge)
        steps->keepCatalogue(std::move(*catalogue), context.catalogue.changes);
    context.newFolders.insert(folderName);
    return std::unique_ptr<BookSteps>(std::move(steps));
}

// ---- Books already on the device ---------------------------------------------------------------

namespace {
std::optional<std::string> zipEntry(zip_t *zip, const std::string &name)
{
    const zip_int64_t index = zip_name_locate(zip, name.c_str(), 0);
    zip_stat_t st;
    if (index < 0 || zip_stat_index(zip, static_cast<zip_uint64_t>(index), 0, &st) != 0 || !(st.valid & ZIP_STAT_SIZE) ||
        st.size > kDocumentLimit)
        return std::nullopt;
    zip_file_t *file = zip_fopen_index(zip, static_cast<zip_uint64_t>(index), 0);
    if (!file)
        return std::nullopt;
    std::string bytes(static_cast<std::size_t>(st.size), '\0');
    const zip_int64_t read = bytes.empty() ? 0 : zip_fread(file, bytes.data(), st.size);
    zip_fclose(file);
    if (read < 0 || static_cast<zip_uint64_t>(read) != st.size)
        return std::nullopt;
    return bytes;
}
} // namespace

std::optional<PackageIdentity> readPackageIdentity(const std::string &epubFile)
{
    int code = 0;
    zip_t *zip = zip_open(epubFile.c_str(), ZIP_RDONLY, &code);
    if (!zip)
        return std::nullopt;
    struct CloseZip
    {
        zip_t *zip;
        ~CloseZip() { zip_discard(zip); }
    } closeZip{zip};

    const std::optional<std::string> container = zipEntry(zip, "META-INF/container.xml");
    if (!container)
        return std::nullopt;
    const std::string packageName = bookPathOf({}, packagePathFromContainer(*container));
    StringDictionary values;
    if (const auto package = packageName.empty() ? std::nullopt : zipEntry(zip, packageName))
        values = packageCatalogueValues(readPackageDocument(*package));

    PackageIdentity identity;
    identity.identifier = values[BookKey::PublisherUniqueID];
    identity.title = values[BookKey::Name];
    if (identity.title.empty())
        identity.title = fs::path(epubFile).stem().string();
    return identity;
}

std::optional<CatalogueDuplicate> findCatalogueDuplicate(const Catalogue &catalogue, const PackageIdentity &identity)
{
    if (identity.identifier.empty())
        return std::nullopt;
    for (plist_t entry : catalogue.books()) {
        // A catalogue may hold a title as the package wrote it, with its references undecoded.
        const auto same = [](const std::optional<std::string> &stored, const std::string &value) {
            return stored && (*stored == value || referencesDecoded(*stored) == value);
        };
        if (same(entryString(entry, BookKey::PublisherUniqueID), identity.identifier)
            && same(entryString(entry, BookKey::Name), identity.title))
            return CatalogueDuplicate{identity.title, entryString(entry, BookKey::Path).value_or(std::string())};
    }
    return std::nullopt;
}

std::vector<BatchDuplicate> findBatchDuplicates(userDataIphone *data, const std::vector<std::string> &files)
{
    std::vector<BatchDuplicate> found(files.size());
    if (!data || !data->conn)
        return found;
    std::optional<Catalogue> catalogue;
    bool catalogueRead = false;
    std::vector<std::optional<PackageIdentity>> identities(files.size());
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (fs::path(files[i]).extension() != ".epub")
            continue;
        identities[i] = readPackageIdentity(files[i]);
        const std::optional<PackageIdentity> &identity = identities[i];
        if (!identity || identity->identifier.empty())
            continue;
        if (!catalogueRead) {
            std::string error;
            catalogue = loadCatalogueForChange(data, false, &error);
            catalogueRead = true;
        }
        if (catalogue)
            found[i].onDevice = findCatalogueDuplicate(*catalogue, *identity);
        found[i].title = identity->title;
        for (std::size_t k = 0; k < i; ++k) {
            if (identities[k] && identities[k]->identifier == identity->identifier &&
                identities[k]->title == identity->title)
                found[i].earlier.push_back(k);
        }
    }
    return found;
}
