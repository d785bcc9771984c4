// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// Books in a reader app through the link model: a large book copied in, and the listing of an
// app that holds 500 books with their values, the first time and from the listing cache.
#include "benches.h"

#include "device/storage/shelf.h"
#include "device/storage/userdataiphone.h"
#include "device/backend/mobiledevice.h"
#include "emulatorharness.h"
#include "operations/appbooks.h"
#include "operations/applistingcache.h"

#include <filesystem>
#include <map>

namespace fs = std::filesystem;

void benchAppBooks(const std::string &work, const BenchBooks &books, Report &report)
{
    std::printf("\n== Books in a reader app through the link model (30 MB/s, 1 ms per request)\n");
    fs::create_directories(work);
    const std::string device = work + "/device";
    makeDeviceFolder(device, "0000be7c000000000000000000000000000000a3");
    FolderAppDescription reader;
    reader.identifier = "org.example.reader";
    reader.displayName = "Reader";
    addFolderApp(device, reader);
    const std::string documents = device + "/apps/org.example.reader/container/Documents";
    // 500 small books, one file linked under 500 names: the listing reads each as a book of its own.
    const BenchBook small = makeBook(work + "/books", "Small", 1, 200000, 20, 8000);
    fs::create_directories(documents + "/Shelf");
    for (int i = 0; i < 500; ++i)
        linkOrCopy(small.epub, documents + "/Shelf/Book " + std::to_string(i) + ".epub");

    DeviceRig rig(work, {"--link"}, device);
    if (!rig.up()) {
        report.add("apps: device up", "FAILED", "up", false);
        return;
    }
    am_device *dev = rig.device() ? rig.device()->dev : nullptr;
    afc_connection *connection = nullptr;
    std::string why;
    if (openShelf(dev, Shelf::app(reader.identifier), &connection, &why) != MDERR_OK) {
        report.add("apps: the app's Documents", "FAILED (" + why + ")", "open", false);
        return;
    }

    // As the command line lists an app: its own connection and five more.
    std::vector<afc_connection *> lanes;
    for (int i = 0; i < 5; ++i) {
        afc_connection *lane = nullptr;
        if (openShelf(dev, Shelf::app(reader.identifier), &lane) == MDERR_OK)
            lanes.push_back(lane);
    }
    uint64_t r0 = requestCount(rig.emulator(), "afc.");
    const uint64_t b0 = rig.emulator().counter("bytes.afc.FILE_READ");
    double t0 = nowSeconds();
    std::vector<AppBook> listed;
    const bool ok = listAppBookDetails(connection, listed, {}, lanes) == MDERR_OK && listed.size() == 500;
    const double listSeconds = nowSeconds() - t0;
    const double perBook = static_cast<double>(requestCount(rig.emulator(), "afc.") - r0) / 500.0;
    const double bytesPerBook = static_cast<double>(rig.emulator().counter("bytes.afc.FILE_READ") - b0) / 500.0;
    report.add("list an app with 500 books (first time): seconds", ok ? fmt("%.2f s", listSeconds) : "FAILED",
               "<= 2 s", ok && listSeconds <= 2.0);
    report.add("  requests per book", fmt("%.1f", perBook), "<= 12", ok && perBook <= 12.0);
    report.add("  bytes read per book / book size",
               fmt("%.0f / %llu", bytesPerBook, static_cast<unsigned long long>(fs::file_size(small.epub))));

    // The window's second listing: the cache on disk, each book's size and time asked once,
    // nothing read of a book that did not change.
    const AppListingCache cache(work + "/applists");
    cache.save("bench", reader.identifier, listed);
    r0 = requestCount(rig.emulator(), "afc.");
    t0 = nowSeconds();
    const std::map<std::string, AppBook> kept = AppListingCache::byPath(cache.load("bench", reader.identifier));
    std::vector<AppBook> again;
    const bool cachedOk = listAppBookDetails(connection, again, {}, lanes,
                                             [&kept](AppBook &book) { return AppListingCache::fill(kept, book); })
                              == MDERR_OK
                          && again.size() == 500 && again[0].values == listed[0].values;
    const double cachedSeconds = nowSeconds() - t0;
    report.add("list the same app from the cache: seconds (first listing in this run)",
               cachedOk ? fmt("%.2f s (%.2f s; %.1f requests a book)", cachedSeconds, listSeconds,
                              static_cast<double>(requestCount(rig.emulator(), "afc.") - r0) / 500.0)
                        : "FAILED",
               "<= 0.3 s", cachedOk && cachedSeconds <= 0.3);

    r0 = requestCount(rig.emulator(), "afc.");
    t0 = nowSeconds();
    const BookOperationResult in = importIntoApp(connection, books.large.epub, {}, lanes);
    const double importSeconds = nowSeconds() - t0;
    const uint64_t bytes = fs::file_size(books.large.epub);
    const double fraction = fractionOfLink(bytes, importSeconds);
    report.add(fmt("import %.1f MB ePub into an app: fraction of cap", static_cast<double>(bytes) / 1e6),
               in.done() ? fmt("%.2f (%.2f s, %llu requests)", fraction, importSeconds,
                               static_cast<unsigned long long>(requestCount(rig.emulator(), "afc.") - r0))
                         : "FAILED (" + in.message + ")",
               ">= 0.90", in.done() && fraction >= 0.90);
}
