// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// A 10,000-entry binary catalogue: both book lists against libplist's own parse of the
// file, and the rewrite one import makes.
#include "benches.h"

#include "core/scratch.h"
#include "library/bookkeys.h"
#include "library/catalogue.h"
#include "library/ipoddevice.h"

#include <plist/plist.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace {
constexpr int kEntries = 10000;

std::string readFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void writeBinaryCatalogue(const std::string &path, int entries, bool userItems, uint64_t version = 3)
{
    plist_t root = plist_new_dict();
    plist_t books = plist_new_array();
    for (int i = 0; i < entries; ++i) {
        plist_t e = plist_new_dict();
        const std::string n = std::to_string(i);
        plist_dict_set_item(e, "Name", plist_new_string(("A Book Called Number " + n).c_str()));
        plist_dict_set_item(e, "Artist", plist_new_string(("Writer " + std::to_string(i % 97)).c_str()));
        plist_dict_set_item(e, "Sort Artist", plist_new_string(("Writer " + std::to_string(i % 97)).c_str()));
        plist_dict_set_item(e, "Album", plist_new_string(("A Book Called Number " + n).c_str()));
        plist_dict_set_item(e, "Genre", plist_new_string(i % 3 ? "Fiction" : "History"));
        plist_dict_set_item(e, "Path", plist_new_string(("B" + n + ".epub").c_str()));
        plist_dict_set_item(e, "Persistent ID", plist_new_string(("000000000000" + std::to_string(2000 + i)).c_str()));
        plist_dict_set_item(e, "Unique ID", plist_new_string(("000000000000" + std::to_string(2000 + i)).c_str()));
        plist_dict_set_item(e, "Package Hash", plist_new_string("D41D8CD98F00B204E9800998ECF8427E"));
        plist_dict_set_item(e, "Has Artwork", plist_new_bool(1));
        plist_dict_set_item(e, "Release Date", plist_new_date(300000000 + i, 0));
        plist_dict_set_item(e, "Play Count", plist_new_uint(static_cast<uint64_t>(i % 11)));
        if (userItems && i % 2 == 0)
            plist_dict_set_item(e, "User Item", plist_new_bool(1));
        plist_array_append_item(books, e);
    }
    plist_dict_set_item(root, "Books", books);
    plist_dict_set_item(root, "Version", plist_new_uint(version));
    char *bin = nullptr;
    uint32_t length = 0;
    plist_to_bin(root, &bin, &length);
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(bin, length);
    plist_to_bin_free(bin);
    plist_free(root);
}
} // namespace

void benchCatalogue(const std::string &work, Report &report)
{
    std::printf("\n== A %d-entry binary catalogue (best of 5)\n", kEntries);
    const std::string scratch = work + "/scratch";
    fs::create_directories(scratch);
    const char *savedScratch = std::getenv("BOOKFERRY_SCRATCH");
    const std::string saved = savedScratch ? savedScratch : "";
    ::setenv("BOOKFERRY_SCRATCH", scratch.c_str(), 1);
    resetScratchDir();

    const std::string books = scratchPath(CataloguePath::LocalBooks);
    writeBinaryCatalogue(books, kEntries, true);
    writeBinaryCatalogue(scratchPath(CataloguePath::LocalPurchases), 0, false);

    size_t listed = 0;
    iPodDevice device(scratchDir(), std::string("16.0")); // the copies are read from its folder
    // Each run reads a catalogue that has just changed, as after a survey or an import.
    double lists = 1e9;
    for (int run = 0; run < 5; ++run) {
        writeBinaryCatalogue(books, kEntries, true, 100 + static_cast<uint64_t>(run));
        const double t0 = nowSeconds();
        listed = device.getiPodEbooks().size() + device.getiPodCustomEbooks().size();
        lists = std::min(lists, nowSeconds() - t0);
    }
    // The baseline starts from the same state: a catalogue just written (and the writer's
    // memory just freed), so neither side pays for the other's garbage.
    double parse = 1e9;
    for (int run = 0; run < 5; ++run) {
        writeBinaryCatalogue(books, kEntries, true, 200 + static_cast<uint64_t>(run));
        const double t0 = nowSeconds();
        const std::string data = readFile(books);
        plist_t root = nullptr;
        plist_from_bin(data.data(), static_cast<uint32_t>(data.size()), &root);
        plist_free(root);
        parse = std::min(parse, nowSeconds() - t0);
    }
    const double ratio = lists / parse;
    report.add("both book lists / libplist parse of the file",
               fmt("%.2fx (%.1f ms / %.1f ms, %zu records)", ratio, lists * 1e3, parse * 1e3, listed), "<= 1.5x",
               ratio <= 1.5 && listed == static_cast<size_t>(kEntries));

    // One import's rewrite: load, collect the identifiers, append, write the XML form.
    uint64_t xmlBytes = 0;
    double rewrite = 1e9;
    for (int run = 0; run < 5; ++run) {
        writeBinaryCatalogue(books, kEntries, true);
        const double t0 = nowSeconds();
        Catalogue c = Catalogue::load(books);
        (void)c.stringValues(BookKey::PersistentID);
        (void)c.stringValues(BookKey::UniqueID);
        (void)c.stringValues(BookKey::Path);
        PlistPtr entry(plist_new_dict());
        entrySetString(entry.get(), BookKey::Name, "New");
        c.appendBook(std::move(entry));
        c.write(books);
        rewrite = std::min(rewrite, nowSeconds() - t0);
        xmlBytes = fs::file_size(books);
    }
    report.add("one import's catalogue rewrite (local)",
               fmt("%.1f ms (XML %.1f MB, upload %.2f s at the cap)", rewrite * 1e3, xmlBytes / 1e6,
                   xmlBytes / kLinkBytesPerSecond));

    if (savedScratch)
        ::setenv("BOOKFERRY_SCRATCH", saved.c_str(), 1);
    else
        ::unsetenv("BOOKFERRY_SCRATCH");
    resetScratchDir();
}
