// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// The import of one ePub file into the device's "Custom Books".
#include "operations/bookimport.h"

#include "core/scratch.h"
#include "core/workqueue.h"
#include "device/connection/devicefiles.h"
#include "device/connection/deviceworkpath.h"
#include "device/connection/loadiphone.h"
#include "library/bookkeys.h"
#include "library/packagedocument.h"
#include "operations/devicecatalogue.h"
#include "operations/epubarchive.h"
#include "operations/ipodtreelistcontroler.h"

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

std::string iPodTreeListControler::getcontenfile(const std::string &containerPath)
{
    const std::optional<std::string> container = readLocalFile(containerPath);
    return container ? packagePathFromContainer(*container) : std::string();
}

void iPodTreeListControler::getcontenfilevalues(const std::string &packagePath, StringDictionary &values)
{
    if (const std::optional<std::string> package = readLocalFile(packagePath)) {
        for (auto &[key, value] : packageCatalogueValues(readPackageDocument(*package)))
            values[key] = std::move(value);
    }
}

std::string iPodTreeListControler::getMD5FromFile(const std::string &path)
{
    return md5HexOfFile(path);
}

bool iPodTreeListControler::isSameValue(const std::vector<std::string> &values, const std::string &value)
{
    return std::find(values.begin(), values.end(), value) != values.end();
}

std::string iPodTreeListControler::randValue(const std::vector<std::string> &existing)
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

BookOperationResult iPodTreeListControler::addEPUBToDevice(BookContext &context, const std::string &path)
{
    const fs::path file(path);
    const std::string item = file.filename().string();
    if (file.extension() != ".epub")
        return BookOperationResult::makeSkipped(item, "not an ePub file (its name does not end in \".epub\")");
    std::string error;
    userDataIphone *data = context.device(&error);
    if (!data)
        return BookOperationResult::makeFailed(item, error);
    if (!context.shelf.usesCatalogue() || !context.folderNames)
        return BookOperationResult::makeFailed(item, "books are imported into the device's own books only");
    DeviceSession &session = *context.session;

    std::optional<Catalogue> catalogue = loadCatalogueForChange(data, true, &error, &context.catalogue);
    if (!catalogue)
        return BookOperationResult::makeFailed(item, error);

    const std::vector<std::string> persistentIDs = catalogue->stringValues(BookKey::PersistentID);
    const std::vector<std::string> uniqueIDs = catalogue->stringValues(BookKey::UniqueID);
    const std::vector<std::string> paths = catalogue->stringValues(BookKey::Path);
    const std::string persistentID = randValue(persistentIDs);
    const std::string uniqueID = randValue(uniqueIDs);
    // A new book's folder is new: not named by the catalogue, and not on the device either (an
    // import stopped part way leaves a folder that no entry names).
    auto onDevice = [data](const std::string &name) { return readFileInfo(data->conn, "/Books/" + name).has_value(); };
    std::string folderName;
    do {
        folderName = context.folderNames->next();
    } while (isSameValue(paths, folderName) || onDevice(folderName));

    // A fresh scratch folder: names repeat between runs, and old files must not mix in.
    const std::string scratchFolder = deviceWorkPath(data, folderName);
    if (scratchFolder.empty())
        return BookOperationResult::makeFailed(item, "the scratch folder cannot be used");
    std::error_code ec;
    fs::remove_all(scratchFolder, ec);
    FolderRemoval cleanup{scratchFolder};

    // The book's files go first; the catalogue names the book only once they are there. They
    // go while the archive is unpacked: each folder is made on the device before anything in
    // it, each file is queued as soon as it is whole. Nothing reaches the device unless every
    // entry passed the unpacker's checks.
    const std::string deviceFolder = "/Books/" + folderName;
    bool toDevice = false; // the device has been asked for anything
    auto booksFolder = [&] {
        if (toDevice)
            return;
        toDevice = true;
        ensureBooksFolder(data, &context.catalogue);
    };
    std::string unpackError;
    bool unpacked = false;
    auto unpack = [&](const TreeCopier::FolderFeed &feed) {
        unpacked = unpackEpubArchive(path, scratchFolder, &unpackError, {},
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
    TreeCopier &copier = session.treeCopier();
    const bool copied = copier.copyFolderAsWritten(scratchFolder, data, unpack, context.goOn) == 1 &&
                        copier.lastTreeCopy().failedFiles == 0;
    if (!unpacked || !copied) {
        // A folder that was there before the copy is not this import's to take away.
        if (toDevice && !copier.lastTreeCopy().rootExisted)
            n_rmdir(deviceFolder.c_str(), data);
        if (copier.lastTreeCopy().stopped)
            return BookOperationResult::makeSkipped(item, kStopped);
        return BookOperationResult::makeFailed(item, unpacked ? "cannot copy the book to the device" : unpackError);
    }

    const fs::path root(scratchFolder);
    const std::string package = bookPathOf({}, getcontenfile((root / "META-INF/container.xml").string()));
    const std::optional<std::string> packageBytes =
        package.empty() ? std::nullopt : readLocalFile((root / package).string());
    const PackageDocument document = packageBytes ? readPackageDocument(*packageBytes) : PackageDocument{};
    const BookFiles files{[&](const std::string &p) { return fs::is_regular_file(root / p, ec); },
                          [&](const std::string &p) { return readLocalFile((root / p).string()); }};
    const BookCover cover = findBookCover(package, document, files);
    StringDictionary values =
        packageCatalogueValues(document, cover.file.empty() ? std::nullopt : std::optional(cover.coverPath));

    PlistPtr entry(plist_new_dict());
    for (const auto &[key, value] : values)
        entrySetString(entry.get(), key.c_str(), value);
    entrySetBool(entry.get(), BookKey::HasArtwork, false);
    entrySetDate(entry.get(), BookKey::ReleaseDate, static_cast<int64_t>(std::time(nullptr)));
    entrySetString(entry.get(), BookKey::CoverHash,
                   upper(getMD5FromFile(cover.file.empty() ? std::string() : (root / cover.file).string())));
    entrySetString(entry.get(), BookKey::PackageHash, upper(getMD5FromFile(packageBytes ? (root / package).string() : "")));
    entrySetString(entry.get(), BookKey::PersistentID, persistentID);
    entrySetString(entry.get(), BookKey::UniqueID, uniqueID);
    entrySetString(entry.get(), BookKey::Path, folderName);
    entrySetBool(entry.get(), BookKey::UserItem, true);
    if (values[BookKey::Name].empty())
        entrySetString(entry.get(), BookKey::Name, file.stem().string());

    if (session.gone())
        return BookOperationResult::makeFailed(item, kDeviceDisconnected);
    catalogue->appendBook(std::move(entry));
    // The unpacked copy has served: it goes while the catalogue is uploaded, and is gone
    // before the import returns.
    WorkQueue<std::string> removal([](std::string &path, size_t) {
        std::error_code ignored;
        fs::remove_all(path, ignored);
    });
    removal.ensureWorkers(1);
    removal.push(std::exchange(cleanup.path, std::string()));
    bool catalogueMayNameIt = false;
    if (!uploadCatalogue(*catalogue, data, &error, &catalogueMayNameIt, &context.catalogue)) {
        // A folder the device's catalogue may name stays; one it cannot name is taken away.
        if (!catalogueMayNameIt)
            n_rmdir(deviceFolder.c_str(), data);
        return BookOperationResult::makeFailed(item, error);
    }
    return BookOperationResult::makeDone(item, folderName);
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

namespace {
std::optional<CatalogueDuplicate> deviceDuplicate(userDataIphone *data, CatalogueKnowledge *known,
                                                  const std::string &epubFile)
{
    if (fs::path(epubFile).extension() != ".epub" || !data || !data->conn)
        return std::nullopt;
    const std::optional<PackageIdentity> identity = readPackageIdentity(epubFile);
    if (!identity || identity->identifier.empty())
        return std::nullopt;
    std::string error;
    const std::optional<Catalogue> catalogue = loadCatalogueForChange(data, false, &error, known);
    if (!catalogue)
        return std::nullopt;
    return findCatalogueDuplicate(*catalogue, *identity);
}
} // namespace

std::optional<CatalogueDuplicate> findDeviceDuplicate(userDataIphone *data, const std::string &epubFile)
{
    return deviceDuplicate(data, nullptr, epubFile);
}

std::optional<CatalogueDuplicate> findDeviceDuplicate(BookContext &context, const std::string &epubFile)
{
    std::string why;
    return deviceDuplicate(context.device(&why), &context.catalogue, epubFile);
}
