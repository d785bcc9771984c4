// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "sweepworld.h"

#include "device/folder/folderbackend.h"
#include "epubbuilder.h"
#include "library/bookkeys.h"
#include "library/catalogue.h"
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
    const fs::path books = fs::path(deviceDir) / "root" / "Books";

    struct Book
    {
        const char *path;
        const char *title;
        bool userItem;
        bool big;
    };
    const Book onDevice[] = {{"LIBR.epub", "Library Book", false, false},
                             {"KEEP.epub", "Kept Book", true, true},
                             {"DELA.epub", "First Gone", true, false},
                             {"DELB.epub", "Second Gone", true, true}};
    Catalogue catalogue;
    plist_dict_set_item(catalogue.root(), "Library Persistent ID", plist_new_string("SWEEPLIBRARY"));
    for (const Book &book : onDevice) {
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

    exportPaths = {"LIBR.epub", "KEEP.epub"};
    exportTitles = {"Library Book", "Kept Book"};
    deletePaths = {"DELA.epub", "DELB.epub"};
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

std::vector<std::string> checkRun(const SweepWorld &world, SweepOperation operation, const RunObservation &run,
                                  bool *complete)
{
    std::vector<std::string> problems;
    *complete = false;
    const std::string cataloguePath = run.deviceRoot + "/Books/Books.plist";
    const Catalogue device = Catalogue::load(cataloguePath);
    if (!device.isLoaded()) {
        problems.push_back("the device's catalogue does not parse: " + device.error());
        return problems;
    }
    plist_t libraryId = plist_dict_get_item(device.root(), "Library Persistent ID");
    char *libraryIdText = nullptr;
    if (libraryId && plist_get_node_type(libraryId) == PLIST_STRING)
        plist_get_string_val(libraryId, &libraryIdText);
    if (!libraryIdText || std::string(libraryIdText) != "SWEEPLIBRARY")
        problems.push_back("a root key of the catalogue was lost");
    std::free(libraryIdText);
    if (operation == SweepOperation::Export && readWholeFile(cataloguePath) != world.originalCatalogue)
        problems.push_back("an export changed the device's catalogue");

    // Entries the device had keep their place and their keys; new ones are whole imports, in order.
    std::vector<std::string> present;
    std::size_t lastOriginal = 0, lastImport = 0;
    int imported = 0;
    for (plist_t entry : device.books()) {
        const std::optional<std::string> path = entryString(entry, BookKey::Path);
        if (!path) {
            problems.push_back("an entry without \"Path\"");
            continue;
        }
        const std::string folder = run.deviceRoot + "/Books/" + *path;
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
        ++imported;
        if (entryBool(entry, BookKey::UserItem) != true)
            problems.push_back("the import of " + name + " is not a user item");
        if (readTree(folder) != world.importTrees.at(name))
            problems.push_back("the catalogue names " + *path + " (" + name + "), whose folder is missing or incomplete");
    }
    std::size_t gone = 0;
    for (const std::string &path : world.originalPaths) {
        if (std::find(present.begin(), present.end(), path) != present.end())
            continue;
        ++gone;
        if (operation != SweepOperation::Delete ||
            std::find(world.deletePaths.begin(), world.deletePaths.end(), path) == world.deletePaths.end())
            problems.push_back("the book " + path + " was lost from the catalogue");
    }

    if (!run.scratch.empty()) {
        const Catalogue local = Catalogue::load(run.scratch + "/Books/Books.plist");
        const bool noLocalCopyAllowed =
            run.includesArrival && run.reportedFailure && local.state() == Catalogue::State::Missing;
        if (!local.isLoaded() && !noLocalCopyAllowed)
            problems.push_back("the local working copy does not parse: " + local.error());
        for (const std::string &stray : strayEntries(run.scratch, {"Books"}))
            problems.push_back("left in the device's working folder: " + stray);
        for (const std::string &stray : strayEntries(run.scratch + "/Books", {"Books.plist", "Purchases"}))
            problems.push_back("left in the device's working folder: Books/" + stray);
    }

    int exported = 0;
    if (operation == SweepOperation::Export) {
        std::vector<std::string> allowed;
        for (std::size_t i = 0; i < world.exportTitles.size(); ++i) {
            const std::string name = world.exportTitles[i] + ".epub";
            allowed.push_back(name);
            const std::string file = run.exportDir + "/" + name;
            if (!fs::exists(file))
                continue;
            ++exported;
            if (unpackedTree(file) != world.folders.at(world.exportPaths[i]))
                problems.push_back("the exported " + name + " is not the whole book");
        }
        for (const std::string &stray : strayEntries(run.exportDir, allowed))
            problems.push_back("left in the export folder: " + stray);
    } else {
        for (const std::string &stray : strayEntries(run.exportDir, {}))
            problems.push_back("written into the export folder: " + stray);
    }

    switch (operation) {
    case SweepOperation::Import:
        *complete = imported == static_cast<int>(world.importFiles.size());
        break;
    case SweepOperation::Export:
        *complete = exported == static_cast<int>(world.exportPaths.size());
        break;
    case SweepOperation::Delete:
        *complete = gone == world.deletePaths.size();
        break;
    }
    if (!*complete && !run.reportedFailure)
        problems.push_back("the run fell short without reporting a failure");
    return problems;
}
