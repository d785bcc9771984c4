// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// PDFs in a reader app through the link model: an app with 200 PDFs of 2 to 20 MB listed the
// first time and from the listing cache, against 200 ePubs listed the same way in the run.
#include "benches.h"

#include "device/storage/shelf.h"
#include "device/backend/mobiledevice.h"
#include "emulatorharness.h"
#include "library/samplepdf.h"
#include "operations/appbooks.h"
#include "operations/applistingcache.h"

#include <filesystem>
#include <fstream>
#include <map>

namespace fs = std::filesystem;

namespace {

constexpr int kBooks = 200;

struct Listing
{
    bool ok = false;
    double seconds = 0, cachedSeconds = 0;
    double requests = 0, bytes = 0, bookBytes = 0; // a book, on average
};

// Lists the app's Documents as the command line does (its connection and five more), then
// again from the listing cache.
Listing listTwice(DeviceRig &rig, am_device *dev, const std::string &app, bool pdfs, const std::string &cacheDir)
{
    Listing out;
    afc_connection *connection = nullptr;
    if (openShelf(dev, Shelf::app(app), &connection) != MDERR_OK)
        return out;
    std::vector<afc_connection *> lanes;
    for (int i = 0; i < 5; ++i) {
        afc_connection *lane = nullptr;
        if (openShelf(dev, Shelf::app(app), &lane) == MDERR_OK)
            lanes.push_back(lane);
    }
    uint64_t r0 = requestCount(rig.emulator(), "afc.");
    const uint64_t b0 = rig.emulator().counter("bytes.afc.FILE_READ");
    double t0 = nowSeconds();
    std::vector<AppBook> listed;
    out.ok = listAppBookDetails(connection, listed, {}, lanes, {}, pdfs) == MDERR_OK && listed.size() == kBooks;
    out.seconds = nowSeconds() - t0;
    out.requests = static_cast<double>(requestCount(rig.emulator(), "afc.") - r0) / kBooks;
    out.bytes = static_cast<double>(rig.emulator().counter("bytes.afc.FILE_READ") - b0) / kBooks;
    for (const AppBook &book : listed) {
        out.bookBytes += static_cast<double>(book.size) / kBooks;
        out.ok = out.ok && book.problem.empty();
    }
    const AppListingCache cache(cacheDir);
    cache.save("bench", app, listed);
    r0 = requestCount(rig.emulator(), "afc.");
    t0 = nowSeconds();
    const std::map<std::string, AppBook> kept = AppListingCache::byPath(cache.load("bench", app));
    std::vector<AppBook> again;
    out.ok = out.ok &&
             listAppBookDetails(connection, again, {}, lanes,
                                [&kept](AppBook &book) { return AppListingCache::fill(kept, book); }, pdfs) == MDERR_OK &&
             again.size() == kBooks && again[0].values == listed[0].values;
    out.cachedSeconds = nowSeconds() - t0;
    for (afc_connection *lane : lanes)
        AFCConnectionClose(lane);
    AFCConnectionClose(connection);
    return out;
}

} // namespace

void benchPdfApps(const std::string &work, Report &report)
{
    std::printf("\n== PDFs in a reader app through the link model (30 MB/s, 1 ms per request)\n");
    fs::create_directories(work);
    const std::string device = work + "/device";
    makeDeviceFolder(device, "0000be7c000000000000000000000000000000a4");
    for (const char *app : {"org.example.epubs", "org.example.pdfs"}) {
        FolderAppDescription reader;
        reader.identifier = app;
        reader.displayName = app;
        if (std::string(app) == "org.example.pdfs")
            reader.contentType = "com.adobe.pdf";
        addFolderApp(device, reader);
    }
    // Ten PDFs of 2, 4, ... 20 MB, each under 20 names; the same for one small ePub.
    const std::string pdfDocuments = device + "/apps/org.example.pdfs/container/Documents";
    const std::string epubDocuments = device + "/apps/org.example.epubs/container/Documents";
    fs::create_directories(work + "/made");
    fs::create_directories(pdfDocuments);
    fs::create_directories(epubDocuments);
    for (int size = 1; size <= 10; ++size) {
        SamplePdf sample;
        sample.title = "Survey Volume " + std::to_string(size);
        sample.author = "Bench";
        sample.pages = 40;
        sample.padding = static_cast<uint64_t>(size) * 2000000;
        sample.seed = static_cast<uint32_t>(size);
        const std::string made = work + "/made/volume" + std::to_string(size) + ".pdf";
        std::ofstream(made, std::ios::binary) << samplePdf(sample);
        for (int copy = 0; copy < kBooks / 10; ++copy)
            linkOrCopy(made, pdfDocuments + "/Volume " + std::to_string(size) + "-" + std::to_string(copy) + ".pdf");
    }
    const BenchBook small = makeBook(work + "/books", "Small", 1, 200000, 20, 8000);
    for (int i = 0; i < kBooks; ++i)
        linkOrCopy(small.epub, epubDocuments + "/Book " + std::to_string(i) + ".epub");

    DeviceRig rig(work, {"--link"}, device);
    if (!rig.up()) {
        report.add("pdf apps: device up", "FAILED", "up", false);
        return;
    }
    am_device *dev = rig.device() ? rig.device()->dev : nullptr;
    // The listings take the PDFs' apps as they are: the app says it takes PDF.
    const Listing epubs = listTwice(rig, dev, "org.example.epubs", false, work + "/cache");
    const Listing pdfs = listTwice(rig, dev, "org.example.pdfs", true, work + "/cache");
    report.add("list an app with 200 PDFs of 2-20 MB (first time): seconds (200 ePubs)",
               pdfs.ok ? fmt("%.2f s (%.2f s)", pdfs.seconds, epubs.seconds) : "FAILED", "<= 2 s",
               pdfs.ok && pdfs.seconds <= 2.0);
    report.add("  requests per PDF (per ePub)", fmt("%.1f (%.1f)", pdfs.requests, epubs.requests), "<= 12",
               pdfs.ok && pdfs.requests <= 12.0);
    report.add("  bytes read per PDF / PDF size (ePub: read / size)",
               fmt("%.0f / %.0f = %.3f (%.0f / %.0f = %.3f)", pdfs.bytes, pdfs.bookBytes, pdfs.bytes / pdfs.bookBytes,
                   epubs.bytes, epubs.bookBytes, epubs.bytes / epubs.bookBytes),
               "<= 0.1", pdfs.ok && pdfs.bytes <= pdfs.bookBytes / 10);
    report.add("list the same PDFs from the cache: seconds (ePubs)",
               pdfs.ok ? fmt("%.2f s (%.2f s)", pdfs.cachedSeconds, epubs.cachedSeconds) : "FAILED", "<= 0.3 s",
               pdfs.ok && pdfs.cachedSeconds <= 0.3);
}
