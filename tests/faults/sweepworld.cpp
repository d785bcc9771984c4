// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "sweepworld.h"

#include "device/folder/folderbackend.h"
#include "device/storage/loadiphone.h"
#include "epubbuilder.h"
#include "library/bookkeys.h"
#include "library/catalogue.h"
#include "operations/devicelibrary.h"
#include "operations/epubarchive.h"
#include "tempdir.h"

#include <algorithm>
#include <filesystem>
#include <stdexcept>

namespace fs = std::filesystem;

namespace {
std::string entryAsXml(plist_t entry)
{
    char *xml = nullptr;
    uint32_t length = 0;
    plist_to_xml(entry, &xml, &length);
    std::string out = xml ? std::string(xml, length) : std::string();
    if (xml)
        plist_to_xml_free(xml);
    return out;
}

// A chapter bigger than one transfer piece, so the copies move it in several writes.
std::string bigChapter(char seed)
{
    std::string text(150000, seed);
    for (std::size_t i = 0; i < text.size(); i += 97)
        text[i] = static_cast<char>('a' + i % 26);
    return text;
}

EpubBuilder bookFor(const std::string &title, bool big)
{
    EpubBuilder b = EpubBuilder::validBook(title, "Sweep Writer");
    if (big)
        b.add("OEBPS/big.bin", bigChapter(title[0]));
    return b;
}

void need(bool ok, const std::string &what)
{
    if (!ok)
        throw std::runtime_error("cannot build the sweep device: " + what);
}

FileTree unpackedTree(const std::string &epubFile)
{
    TempDir dir;
    std::string error;
    if (!unpackEpubArchive(epubFile, dir.file("book"), &error))
        return {{"<unreadable>", error}};
    return readTree(dir.file("book"));
}
} // namespace

FileTree readTree(const std::string &dir)
{
    FileTree out;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(dir, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        if (it->is_regular_file())
            out[fs::relative(it->path(), dir).generic_string()] = readWholeFile(it->path().string());
    }
    return out;
}

void SweepWorld::build(const std::string &deviceDir, const std::string &filesDir)
{
    FolderDeviceDescription desc;
    desc.uniqueDeviceID = kSweepDeviceID;
    desc.values = {{"ProductVersion", "16.7"}, {"DeviceName", "Sweep Phone"}, {"SerialNumber", "SWEEP1"},
                   {"VolumeFormat", "APFS"},   {"ProductType", "iPhone12,1"}};
    desc.deviceInfo = {{"Model", "iPhone12,1"}, {"FSTotalBytes", "8589934592"}, {"FSFreeBytes", "4294967296"}};
    std::string error;
    need(writeFolderDevice(deviceDir, desc, &error), error);
    FolderDeviceApp app;
    app.identifier = kSweepApp;
    app.displayName = app.name = "Sweep Reader";
    app.contentTypes = {"org.idpf.epub-container"};
    need(writeFolderDeviceApp(deviceDir, app, &error), error);
    const fs::path books = fs::path(deviceDir) / "root" / "Books";
    const fs::path documentsDir = fs::path(deviceDir) / "apps" / kSweepApp / "container" / "Documents";

    struct Book
    {
        SweepShelf shelf;
        const char *path;
        const char *title;
        bool userItem;
        bool big;
    };
    const Book onDevice[] = {{SweepShelf::Catalogue, "LIBR.epub", "Library Book", false, false},
                             {SweepShelf::Catalogue, "KEEP.epub", "Kept Book", true, true},
                             {SweepShelf::Catalogue, "DELA.epub", "First Gone", true, false},
                             {SweepShelf::Catalogue, "DELB.epub", "Second Gone", true, true},
                             {SweepShelf::Documents, "Shelved.epub", "Shelved Book", false, false},
                             {SweepShelf::Documents, "Kept/Deep.epub", "Deep Book", false, true},
                             {SweepShelf::Documents, "GoneA.epub", "App Gone A", false, true},
                             {SweepShelf::Documents, "GoneB.epub", "App Gone B", false, false}};
    Catalogue catalogue;
    plist_dict_set_item(catalogue.root(), "Library Persistent ID", plist_new_string("SWEEPLIBRARY"));
    for (const Book &book : onDevice) {
        if (book.shelf == SweepShelf::Documents) {
            const fs::path file = documentsDir / book.path;
            fs::create_directories(file.parent_path());
            need(bookFor(book.title, book.big).write(file.string()), file.string());
            documentTrees[book.path] = unpackedTree(file.string());
            continue;
        }
        const std::string file = filesDir + "/device-" + book.path;
        need(bookFor(book.title, book.big).write(file), file);
        need(unpackEpubArchive(file, (books / book.path).string(), &error), error);
        fs::remove(file);
        PlistPtr entry(plist_new_dict());
        entrySetString(entry.get(), BookKey::Name, book.title);
        entrySetString(entry.get(), BookKey::Artist, "Sweep Writer");
        entrySetString(entry.get(), BookKey::Path, book.path);
        entrySetBool(entry.get(), BookKey::UserItem, book.userItem);
        entrySetString(entry.get(), "Sweep Extra", "kept as it is"); // a key this system does not use
        catalogue.appendBook(std::move(entry));
        folders[book.path] = readTree((books / book.path).string());
        originalPaths.push_back(book.path);
    }
    need(catalogue.write((books / "Books.plist").string(), &error), error);
    originalCatalogue = readWholeFile((books / "Books.plist").string());
    const Catalogue reread = Catalogue::load((books / "Books.plist").string());
    for (plist_t entry : reread.books())
        entryXml[*entryString(entry, BookKey::Path)] = entryAsXml(entry);
    documents = readTree(documentsDir.string());

    chosen[SweepShelf::Catalogue] = {
        {"LIBR.epub", "KEEP.epub"}, {"Library Book", "Kept Book"}, {"DELA.epub", "DELB.epub"}};
    chosen[SweepShelf::Documents] = {
        {"Shelved.epub", "Kept/Deep.epub"}, {"Shelved Book", "Deep Book"}, {"GoneA.epub", "GoneB.epub"}};
    const char *titles[] = {"Import One", "Import Two", "Import Three"};
    for (int i = 0; i < 3; ++i) {
        const std::string file = filesDir + "/import" + std::to_string(i + 1) + ".epub";
        need(bookFor(titles[i], i == 1).write(file), file);
        importFiles.push_back(file);
        importTitles.push_back(titles[i]);
        importTrees[titles[i]] = unpackedTree(file);
    }
}

std::vector<std::string> strayEntries(const std::string &dir, const std::vector<std::string> &allowed)
{
    std::vector<std::string> out;
    std::error_code ec;
    for (auto it = fs::directory_iterator(dir, ec); !ec && it != fs::directory_iterator(); it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (std::find(allowed.begin(), allowed.end(), name) == allowed.end())
            out.push_back(name);
    }
    return out;
}

bool deviceReady(DeviceLibrary &library, const HeadlessLoadWindow &window, int surveysBefore)
{
    if (window.timesRun() <= surveysBefore)
        return false;
    const std::shared_ptr<DeviceSession> session = library.openSession();
    return session && session->data()->dev;
}

namespace {
bool contains(const std::vector<std::string> &list, const std::string &value)
{
    return std::find(list.begin(), list.end(), value) != list.end();
}

// The catalogue and its book folders. `operation` is what the run did to this shelf: a run
// on the other shelf checks as an export does (nothing may change). Counts the whole imports
// and the books gone.
void checkCatalogue(const SweepWorld &world, SweepOperation operation, const std::string &root,
                    bool cleanupRefused, std::vector<std::string> &problems, int *imported, std::size_t *gone)
{
    const std::string cataloguePath = root + "/Books/Books.plist";
    const Catalogue device = Catalogue::load(cataloguePath);
    if (!device.isLoaded()) {
        problems.push_back("the device's catalogue does not parse: " + device.error());
        return;
    }
    if (entryString(device.root(), "Library Persistent ID") != "SWEEPLIBRARY")
        problems.push_back("a root key of the catalogue was lost");
    if (operation == SweepOperation::Export && readWholeFile(cataloguePath) != world.originalCatalogue)
        problems.push_back("the device's catalogue was changed");

    // Entries the device had keep their place and their keys; new ones are whole imports, in order.
    const SweepWorld::Chosen &chosen = world.chosen.at(SweepShelf::Catalogue);
    std::vector<std::string> present;
    std::size_t lastOriginal = 0, lastImport = 0;
    for (plist_t entry : device.books()) {
        const std::optional<std::string> path = entryString(entry, BookKey::Path);
        if (!path) {
            problems.push_back("an entry without \"Path\"");
            continue;
        }
        const std::string folder = root + "/Books/" + *path;
        auto original = std::find(world.originalPaths.begin(), world.originalPaths.end(), *path);
        if (original != world.originalPaths.end()) {
            const std::size_t index = static_cast<std::size_t>(original - world.originalPaths.begin()) + 1;
            if (index <= lastOriginal)
                problems.push_back("the entry " + *path + " moved or doubled");
            lastOriginal = index;
            present.push_back(*path);
            if (entryAsXml(entry) != world.entryXml.at(*path))
                problems.push_back("the entry " + *path + " was changed");
            if (readTree(folder) != world.folders.at(*path))
                problems.push_back("the catalogue names " + *path + ", whose folder is missing or incomplete");
            continue;
        }
        const std::string name = entryString(entry, BookKey::Name).value_or("");
        auto title = std::find(world.importTitles.begin(), world.importTitles.end(), name);
        if (operation != SweepOperation::Import || title == world.importTitles.end()) {
            problems.push_back("an unknown entry " + *path + " (" + name + ")");
            continue;
        }
        const std::size_t index = static_cast<std::size_t>(title - world.importTitles.begin()) + 1;
        if (index <= lastImport)
            problems.push_back("the import of " + name + " is listed twice or out of order");
        lastImport = index;
        ++*imported;
        present.push_back(*path);
        if (entryBool(entry, BookKey::UserItem) != true)
            problems.push_back("the import of " + name + " is not a user item");
        if (readTree(folder) != world.importTrees.at(name))
            problems.push_back("the catalogue names " + *path + " (" + name + "), whose folder is missing or incomplete");
    }
    for (const std::string &path : world.originalPaths) {
        if (contains(present, path))
            continue;
        ++*gone;
        if (operation != SweepOperation::Delete || !contains(chosen.deletePaths, path))
            problems.push_back("the book " + path + " was lost from the catalogue");
    }
    // A failed import takes its book's folder and the catalogue's upload away again.
    std::vector<std::string> allowed = world.originalPaths;
    allowed.insert(allowed.end(), present.begin(), present.end());
    allowed.push_back("Books.plist");
    for (const std::string &stray : strayEntries(root + "/Books", allowed))
        if (operation == SweepOperation::Import && !cleanupRefused)
            problems.push_back("left in /Books: " + stray);
}

// The app's Documents folder: the books it had, unchanged or (the deleted ones) gone, and
// whole imports; nothing else, so no half-written copy is left.
void checkDocuments(const SweepWorld &world, SweepOperation operation, const std::string &documentsDir,
                    bool cleanupRefused, std::vector<std::string> &problems, int *imported, std::size_t *gone)
{
    const FileTree now = readTree(documentsDir);
    const SweepWorld::Chosen &chosen = world.chosen.at(SweepShelf::Documents);
    for (const auto &[name, bytes] : world.documents) {
        const auto found = now.find(name);
        if (found == now.end()) {
            ++*gone;
            if (operation != SweepOperation::Delete || !contains(chosen.deletePaths, name))
                problems.push_back("the book " + name + " was lost from Documents");
        } else if (found->second != bytes) {
            problems.push_back("the book " + name + " in Documents was changed");
        }
    }
    for (const auto &entry : now) {
        const std::string &name = entry.first;
        if (world.documents.count(name))
            continue;
        const auto file = std::find_if(world.importFiles.begin(), world.importFiles.end(),
                                       [&](const std::string &f) { return fs::path(f).filename() == name; });
        if (cleanupRefused && name.rfind(".bookferry-upload-", 0) == 0)
            continue;
        if (operation != SweepOperation::Import || file == world.importFiles.end()) {
            problems.push_back("left in Documents: " + name);
            continue;
        }
        ++*imported;
        const std::string &title =
            world.importTitles[static_cast<std::size_t>(file - world.importFiles.begin())];
        if (unpackedTree(documentsDir + "/" + name) != world.importTrees.at(title))
            problems.push_back("the import " + name + " in Documents is not the whole book");
    }
}
} // namespace

std::vector<std::string> checkRun(const SweepWorld &world, SweepShelf shelf, SweepOperation operation,
                                  const RunObservation &run, bool *complete)
{
    std::vector<std::string> problems;
    *complete = false;
    // The shelf the run did not work on must be as it was: checked as an export leaves it.
    auto on = [&](SweepShelf which) { return which == shelf ? operation : SweepOperation::Export; };
    int imported[2] = {0, 0};
    std::size_t gone[2] = {0, 0};
    checkCatalogue(world, on(SweepShelf::Catalogue), run.deviceDir + "/root", run.cleanupRefused, problems,
                   &imported[0], &gone[0]);
    checkDocuments(world, on(SweepShelf::Documents),
                   run.deviceDir + "/apps/" + kSweepApp + "/container/Documents", run.cleanupRefused,
                   problems, &imported[1], &gone[1]);
    const std::size_t mine = shelf == SweepShelf::Catalogue ? 0 : 1;

    if (!run.scratch.empty()) {
        const Catalogue local = Catalogue::load(run.scratch + "/Books/Books.plist");
        const bool noLocalCopyAllowed = run.includesArrival && local.state() == Catalogue::State::Missing;
        if (!local.isLoaded() && !noLocalCopyAllowed)
            problems.push_back("the local working copy does not parse: " + local.error());
        for (const std::string &stray : strayEntries(run.scratch, {"Books"}))
            problems.push_back("left in the device's working folder: " + stray);
        for (const std::string &stray : strayEntries(run.scratch + "/Books", {"Books.plist", "Purchases"}))
            problems.push_back("left in the device's working folder: Books/" + stray);
    }

    const SweepWorld::Chosen &chosen = world.chosen.at(shelf);
    int exported = 0;
    std::vector<std::string> allowed;
    for (std::size_t i = 0; operation == SweepOperation::Export && i < chosen.exportTitles.size(); ++i) {
        // A book whose title could not be read is named by its file (an app's books only).
        std::vector<std::string> names = {chosen.exportTitles[i] + ".epub"};
        if (shelf == SweepShelf::Documents)
            names.push_back(fs::path(chosen.exportPaths[i]).filename().string());
        const FileTree &whole = shelf == SweepShelf::Catalogue
                                    ? world.folders.at(chosen.exportPaths[i])
                                    : world.documentTrees.at(chosen.exportPaths[i]);
        for (const std::string &name : names) {
            allowed.push_back(name);
            if (!fs::exists(run.exportDir + "/" + name))
                continue;
            ++exported;
            if (unpackedTree(run.exportDir + "/" + name) != whole)
                problems.push_back("the exported " + name + " is not the whole book");
        }
    }
    for (const std::string &stray : strayEntries(run.exportDir, allowed))
        problems.push_back("left in the export folder: " + stray);

    switch (operation) {
    case SweepOperation::Import:
        *complete = imported[mine] == static_cast<int>(world.importFiles.size());
        break;
    case SweepOperation::Export:
        *complete = exported == static_cast<int>(chosen.exportPaths.size());
        break;
    case SweepOperation::Delete:
        *complete = gone[mine] == chosen.deletePaths.size();
        break;
    }
    if (!*complete && !run.reportedFailure)
        problems.push_back("the run fell short without reporting a failure");
    return problems;
}
