// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// The import of one ePub file into the device's "Custom Books".
#include "bookimport.h"

#include "bookkeys.h"
#include "devicecatalogue.h"
#include "devicefiles.h"
#include "epubarchive.h"
#include "ipodtreelistcontroler.h"
#include "loadiphone.h"
#include "scratch.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <thread>
#include <utility>

#include <zip.h>

namespace fs = std::filesystem;

namespace {
// Values and the package path are at most this many bytes, as the package reader always took them.
constexpr std::size_t kValueLimit = 1023;

std::string limited(std::string value)
{
    if (value.size() > kValueLimit)
        value.resize(kValueLimit);
    return value;
}

bool isValidUtf8(const std::string &text)
{
    std::size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        std::size_t extra = c < 0x80 ? 0 : (c >> 5) == 0x6 ? 1 : (c >> 4) == 0xe ? 2 : (c >> 3) == 0x1e ? 3 : 4;
        if (extra == 4 || i + extra >= text.size())
            return false;
        for (std::size_t k = 1; k <= extra; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) >> 6) != 0x2)
                return false;
        }
        i += extra + 1;
    }
    return true;
}

void setValue(StringDictionary &values, std::initializer_list<const char *> keys, const std::string &value)
{
    const std::string v = limited(withoutControlCharacters(value));
    if (!isValidUtf8(v))
        return; // a value that cannot be decoded is skipped
    for (const char *key : keys)
        values[key] = v;
}

// Text from just after `pattern` up to the next `delimiter` (or the line's end).
std::string valueAfter(const std::string &line, std::size_t patternEnd, char delimiter)
{
    const std::size_t end = line.find(delimiter, patternEnd);
    return line.substr(patternEnd, end == std::string::npos ? std::string::npos : end - patternEnd);
}

// Text between the last ">" before `at` and `at`.
std::string valueBefore(const std::string &line, std::size_t at)
{
    const std::size_t open = at == 0 ? std::string::npos : line.rfind('>', at - 1);
    const std::size_t start = open == std::string::npos ? 0 : open + 1;
    return line.substr(start, at - start);
}

// `relative` resolved under `base` without leaving it; nullopt when it would.
std::optional<fs::path> confined(const fs::path &base, const std::string &relative)
{
    if (relative.empty())
        return std::nullopt;
    const fs::path joined = (base / fs::path(relative)).lexically_normal();
    const fs::path rel = joined.lexically_relative(base.lexically_normal());
    if (rel.empty() || fs::path(relative).is_absolute() || *rel.begin() == "..")
        return std::nullopt;
    return joined;
}

std::string upper(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::toupper(c); });
    return text;
}
} // namespace

std::string iPodTreeListControler::getcontenfile(const std::string &containerPath)
{
    std::ifstream in(containerPath, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        const std::size_t at = line.find("full-path=");
        if (at == std::string::npos)
            continue;
        if (at + 11 > line.size())
            return {};
        return limited(valueAfter(line, at + 11, '"'));
    }
    return {};
}

void iPodTreeListControler::getcontenfilevalues(const std::string &packagePath, StringDictionary &values)
{
    std::ifstream in(packagePath, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        // Each pattern is looked for by itself, in this order; a later line overwrites.
        if (auto at = line.find("<dc:title>"); at != std::string::npos)
            setValue(values, {BookKey::Name, BookKey::Album}, valueAfter(line, at + 10, '<'));
        if (auto at = line.find("<dc:subject>"); at != std::string::npos)
            setValue(values, {BookKey::Genre}, valueAfter(line, at + 12, '<'));
        if (auto at = line.find("</dc:creator>"); at != std::string::npos)
            setValue(values, {BookKey::Artist, BookKey::SortArtist}, valueBefore(line, at));
        if (line.find("id=\"cover\"") != std::string::npos) {
            if (auto at = line.find("<item href=\""); at != std::string::npos)
                setValue(values, {BookKey::CoverPath}, valueAfter(line, at + 12, '"'));
        }
        if (auto at = line.find("</dc:identifier>"); at != std::string::npos)
            setValue(values, {BookKey::PublisherUniqueID}, valueBefore(line, at));
    }
    // Newer books put attributes on the title and subject and name their cover otherwise;
    // what the lines left empty is taken from those.
    const PackageExtras extras = readPackageExtras(packagePath);
    auto fill = [&](std::initializer_list<const char *> keys, const std::string &value) {
        const auto it = values.find(*keys.begin());
        if ((it == values.end() || it->second.empty()) && !value.empty())
            setValue(values, keys, value);
    };
    fill({BookKey::Name, BookKey::Album}, extras.title);
    fill({BookKey::Genre}, extras.subject);
    fill({BookKey::CoverPath}, extras.coverHref);
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

BookOperationResult iPodTreeListControler::addEPUBToDevice(const std::string &path)
{
    const fs::path file(path);
    const std::string item = file.filename().string();
    if (file.extension() != ".epub")
        return BookOperationResult::makeSkipped(item, "not an ePub file (its name does not end in \".epub\")");
    std::shared_ptr<DeviceSession> session;
    std::string error;
    userDataIphone *data = operationDevice(session, &error);
    if (!data)
        return BookOperationResult::makeFailed(item, error);

    std::optional<Catalogue> catalogue = loadCatalogueForChange(data, true, &error);
    if (!catalogue)
        return BookOperationResult::makeFailed(item, error);

    const std::vector<std::string> persistentIDs = catalogue->stringValues(BookKey::PersistentID);
    const std::vector<std::string> uniqueIDs = catalogue->stringValues(BookKey::UniqueID);
    const std::vector<std::string> paths = catalogue->stringValues(BookKey::Path);
    const std::string persistentID = randValue(persistentIDs);
    const std::string uniqueID = randValue(uniqueIDs);
    // A new book's folder is new: not named by the catalogue, and not on the device either (an
    // import stopped part way leaves a folder that no entry names).
    auto onDevice = [data](const std::string &name) {
        afc_dictionary *info = nullptr;
        if (AFCFileInfoOpen(data->conn, ("/Books/" + name).c_str(), &info) != 0)
            return false;
        AFCKeyValueClose(info);
        return true;
    };
    std::string folderName;
    do {
        folderName = m_folderNames.next();
    } while (isSameValue(paths, folderName) || onDevice(folderName));

    // A fresh scratch folder: names repeat between runs, and old files must not mix in.
    const std::string scratchFolder = scratchPath(folderName);
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
        ensureBooksFolder(data);
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
    const bool copied = Loadiphone ? Loadiphone->copyFolderAsWritten(scratchFolder, data, unpack) == 1 &&
                                         Loadiphone->lastTreeCopy().failedFiles == 0
                                   : (unpack({}), false);
    if (!unpacked || !copied) {
        // A folder that was there before the copy is not this import's to take away.
        if (toDevice && !(Loadiphone && Loadiphone->lastTreeCopy().rootExisted))
            n_rmdir(deviceFolder.c_str(), data);
        return BookOperationResult::makeFailed(item, unpacked ? "cannot copy the book to the device" : unpackError);
    }

    const fs::path root(scratchFolder);
    const std::string packageRelative = getcontenfile((root / "META-INF/container.xml").string());
    const std::optional<fs::path> package = confined(root, packageRelative);
    StringDictionary values;
    if (package)
        getcontenfilevalues(package->string(), values);

    PlistPtr entry(plist_new_dict());
    for (const auto &[key, value] : values)
        entrySetString(entry.get(), key.c_str(), value);
    entrySetBool(entry.get(), BookKey::HasArtwork, false);
    entrySetDate(entry.get(), BookKey::ReleaseDate, static_cast<int64_t>(std::time(nullptr)));
    // Hrefs in a package document are relative to its own folder; the scratch root is tried
    // after that, as books whose package sits at the root have always been read.
    std::string coverFile;
    if (auto it = values.find(BookKey::CoverPath); it != values.end()) {
        for (const fs::path &base : {package ? package->parent_path() : root, root}) {
            if (auto candidate = confined(base, it->second); candidate && fs::is_regular_file(*candidate, ec)) {
                coverFile = candidate->string();
                break;
            }
        }
    }
    entrySetString(entry.get(), BookKey::CoverHash, upper(getMD5FromFile(coverFile)));
    entrySetString(entry.get(), BookKey::PackageHash, upper(getMD5FromFile(package ? package->string() : "")));
    entrySetString(entry.get(), BookKey::PersistentID, persistentID);
    entrySetString(entry.get(), BookKey::UniqueID, uniqueID);
    entrySetString(entry.get(), BookKey::Path, folderName);
    entrySetBool(entry.get(), BookKey::UserItem, true);
    if (values[BookKey::Name].empty())
        entrySetString(entry.get(), BookKey::Name, file.stem().string());

    if (session->gone())
        return BookOperationResult::makeFailed(item, kDeviceDisconnected);
    catalogue->appendBook(std::move(entry));
    // The unpacked copy has served: it goes while the catalogue is uploaded, and is gone
    // before the import returns.
    std::thread removal([path = std::exchange(cleanup.path, std::string())] {
        std::error_code ignored;
        fs::remove_all(path, ignored);
    });
    struct JoinWhenDone
    {
        std::thread &thread;
        ~JoinWhenDone() { thread.join(); }
    } join{removal};
    bool catalogueMayNameIt = false;
    if (!uploadCatalogue(*catalogue, data, &error, &catalogueMayNameIt)) {
        // A folder the device's catalogue may name stays; one it cannot name is taken away.
        if (!catalogueMayNameIt)
            n_rmdir(deviceFolder.c_str(), data);
        return BookOperationResult::makeFailed(item, error);
    }
    return BookOperationResult::makeDone(item, folderName);
}

// ---- Books already on the device ---------------------------------------------------------------

namespace {
// A container or package document larger than this is not one.
constexpr zip_uint64_t kPackageLimit = 8u * 1024 * 1024;

bool extractEntry(zip_t *zip, const std::string &name, const fs::path &target)
{
    const zip_int64_t index = zip_name_locate(zip, name.c_str(), 0);
    zip_stat_t st;
    if (index < 0 || zip_stat_index(zip, static_cast<zip_uint64_t>(index), 0, &st) != 0 || !(st.valid & ZIP_STAT_SIZE) ||
        st.size > kPackageLimit)
        return false;
    zip_file_t *file = zip_fopen_index(zip, static_cast<zip_uint64_t>(index), 0);
    if (!file)
        return false;
    std::string bytes(static_cast<std::size_t>(st.size), '\0');
    const zip_int64_t read = bytes.empty() ? 0 : zip_fread(file, bytes.data(), st.size);
    zip_fclose(file);
    if (read < 0 || static_cast<zip_uint64_t>(read) != st.size)
        return false;
    std::ofstream out(target, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
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

    // The same readers as the import, over the two files they need.
    const std::string folder = scratchPath("identity");
    if (folder.empty())
        return std::nullopt;
    std::error_code ec;
    fs::remove_all(folder, ec);
    fs::create_directories(folder, ec);
    FolderRemoval cleanup{folder};
    const fs::path container = fs::path(folder) / "container.xml";
    const fs::path package = fs::path(folder) / "package.opf";
    if (!extractEntry(zip, "META-INF/container.xml", container))
        return std::nullopt;
    const std::string packageName = iPodTreeListControler::getcontenfile(container.string());
    StringDictionary values;
    if (!packageName.empty() && extractEntry(zip, packageName, package))
        iPodTreeListControler::getcontenfilevalues(package.string(), values);

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
        if (entryString(entry, BookKey::PublisherUniqueID) == identity.identifier
            && entryString(entry, BookKey::Name) == identity.title)
            return CatalogueDuplicate{identity.title, entryString(entry, BookKey::Path).value_or(std::string())};
    }
    return std::nullopt;
}

std::optional<CatalogueDuplicate> findDeviceDuplicate(userDataIphone *data, const std::string &epubFile)
{
    if (fs::path(epubFile).extension() != ".epub" || !data || !data->conn)
        return std::nullopt;
    const std::optional<PackageIdentity> identity = readPackageIdentity(epubFile);
    if (!identity || identity->identifier.empty())
        return std::nullopt;
    std::string error;
    const std::optional<Catalogue> catalogue = loadCatalogueForChange(data, false, &error);
    if (!catalogue)
        return std::nullopt;
    return findCatalogueDuplicate(*catalogue, *identity);
}
