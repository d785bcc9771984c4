// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// Import and export through the emulator's link model, and the zip work against the stock
// unzip and zip programs.
#include "benches.h"

#include "core/mainqueue.h"
#include "device/storage/laneconnections.h"
#include "device/deviceselection.h"
#include "device/backend/mobiledevice.h"
#include "emulatorharness.h"
#include "operations/epubarchive.h"
#include "operations/epubstreampacker.h"
#include "operations/devicelibrary.h"
#include "operations/deviceoutline.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <thread>

namespace fs = std::filesystem;

DeviceRig::DeviceRig(const std::string &workDir, const std::vector<std::string> &emulatorOptions,
                     const std::string &deviceDir)
    : m_emulator(std::make_unique<EmulatorProcess>(workDir))
{
    std::vector<std::string> args = emulatorOptions;
    args.push_back(deviceDir);
    if (!m_emulator->start(args))
        return;
    ::setenv("USBMUXD_SOCKET_ADDRESS", ("UNIX:" + m_emulator->socketPath()).c_str(), 1);
    std::string error;
    auto backend = makeDeviceBackend("usb", &error);
    if (!backend) {
        std::fprintf(stderr, "bench: %s\n", error.c_str());
        return;
    }
    setDeviceBackend(std::move(backend));
    m_library = std::make_unique<DeviceLibrary>(&m_window);
    m_outline = std::make_unique<DeviceOutline>(*m_library);
    m_up = processMainEventsUntil([this] { return m_outline->ipodCount() > 0; }, std::chrono::minutes(5));
}

DeviceRig::~DeviceRig()
{
    m_session.reset();
    m_outline.reset();
    m_library.reset();
    setDeviceBackend(nullptr);
    m_emulator.reset();
    ::unsetenv("USBMUXD_SOCKET_ADDRESS");
}

DeviceSession *DeviceRig::session()
{
    if (!m_session && m_library)
        m_session = m_library->openSession();
    return m_session.get();
}

userDataIphone *DeviceRig::device()
{
    return session() ? session()->data() : nullptr;
}

double secondsOf(std::chrono::steady_clock::time_point t)
{
    return std::chrono::duration<double>(t.time_since_epoch()).count();
}

CopyPhases copyPhases(double started, double ended, const TreeCopyReport &copy)
{
    CopyPhases p;
    p.total = ended - started;
    const double copyStart = secondsOf(copy.started), copyEnd = secondsOf(copy.ended);
    if (copy.connections == 0 || copyStart < started || copyEnd > ended)
        return p; // no tree copy in this span
    p.before = copyStart - started;
    p.copy = copyEnd - copyStart;
    p.after = ended - copyEnd;
    p.busy = p.copy > 0 ? copy.busySeconds / (copy.connections * p.copy) : 0;
    p.connections = copy.connections;
    return p;
}

CopyPhases &CopyPhases::operator+=(const CopyPhases &o)
{
    total += o.total;
    before += o.before;
    copy += o.copy;
    after += o.after;
    busy += o.busy;
    connections = std::max(connections, o.connections);
    return *this;
}

std::string CopyPhases::describe(double scale, const char *unit) const
{
    return fmt("%.1f / %.1f / %.1f %s, busy %.0f%% of %d", before * scale, copy * scale, after * scale, unit,
               busy * 100, connections);
}

namespace {
struct TransferFigures
{
    double importSeconds = 0;
    double exportSeconds = 0;
    uint64_t importRequests = 0;
    uint64_t exportRequests = 0;
    std::string importKinds, exportKinds;
    CopyPhases importPhases, exportPhases;
    bool ok = false;
};

TransferFigures importAndExport(DeviceRig &rig, const BenchBook &book, const std::string &outDir)
{
    TransferFigures f;
    CatalogueShelf &shelf = rig.library().books();
    BookContext context = rig.library().bookContext(); // one session for both, as a batch has
    if (!context.session)
        return f;
    const TreeCopier &copier = context.session->treeCopier();
    startToSync(context.session->data());
    auto c0 = requestCounters(rig.emulator());
    uint64_t r0 = requestCount(rig.emulator(), "afc.");
    double t0 = nowSeconds();
    const BookOperationResult imported = BookShelf::wholeBook(context, shelf.startImport(context, book.epub));
    f.importSeconds = nowSeconds() - t0;
    f.importPhases = copyPhases(t0, t0 + f.importSeconds, copier.lastTreeCopy());
    f.importRequests = requestCount(rig.emulator(), "afc.") - r0;
    f.importKinds = counterDifference(c0, requestCounters(rig.emulator()));
    endsync(context.session->data());
    if (!imported.done()) {
        std::fprintf(stderr, "bench: import of %s failed: %s\n", book.epub.c_str(), imported.message.c_str());
        return f;
    }
    fs::create_directories(outDir);
    c0 = requestCounters(rig.emulator());
    r0 = requestCount(rig.emulator(), "afc.");
    t0 = nowSeconds();
    const BookOperationResult exported =
        BookShelf::wholeBook(context, shelf.startExport(context, imported.detail, outDir, false, book.title));
    f.exportSeconds = nowSeconds() - t0;
    f.exportPhases = copyPhases(t0, t0 + f.exportSeconds, copier.lastTreeCopy());
    f.exportRequests = requestCount(rig.emulator(), "afc.") - r0;
    f.exportKinds = counterDifference(c0, requestCounters(rig.emulator()));
    if (!exported.done()) {
        std::fprintf(stderr, "bench: export of %s failed: %s\n", book.title.c_str(), exported.message.c_str());
        return f;
    }
    f.ok = true;
    return f;
}

// A request that carries no payload either way, on `conn`: its round trip is the link's delay
// per request plus what the client and the emulator add to it.
bool bareRequest(afc_connection *conn)
{
    afc_dictionary *info = nullptr;
    if (AFCFileInfoOpen(conn, "/Books", &info) != 0)
        return false;
    AFCKeyValueClose(info);
    return true;
}

// Milliseconds per bare request on each of `conns` at once, `count` requests each.
double bareRoundTrip(const std::vector<afc_connection *> &conns, int count)
{
    std::vector<std::thread> threads;
    std::atomic<bool> ok{true};
    const double t0 = nowSeconds();
    for (afc_connection *conn : conns) {
        threads.emplace_back([&ok, conn, count] {
            for (int i = 0; i < count; ++i) {
                if (!bareRequest(conn))
                    ok = false;
            }
        });
    }
    for (auto &t : threads)
        t.join();
    return ok ? (nowSeconds() - t0) * 1000 / count : -1;
}

void benchBareRequests(userDataIphone *data, const std::string &link, Report &report)
{
    LaneConnections probe; // connections of its own, as many as a copy's lanes
    std::vector<afc_connection *> conns = probe.forDevice(data);
    conns.insert(conns.begin(), data->conn);
    const double alone = bareRoundTrip({data->conn}, 300);
    const double together = bareRoundTrip(conns, 150);
    report.add("  bare request (file info) " + link + ": ms per request, 1 / " + std::to_string(conns.size()) +
                   " connections at once",
               fmt("%.2f / %.2f", alone, together));
}
} // namespace

double fractionOfLink(uint64_t bytes, double seconds)
{
    return seconds > 0 ? static_cast<double>(bytes) / seconds / kLinkBytesPerSecond : 0;
}

void benchLinkTransfers(const std::string &work, const BenchBooks &books, Report &report)
{
    std::printf("\n== Import and export through the link model (30 MB/s, 1 ms per request)\n");
    fs::create_directories(work);
    {
        // What a request costs beyond the link's delay: the client, the emulator and their wake-ups.
        const std::string quick = work + "/device-nodelay";
        makeDeviceFolder(quick, "0000be7c000000000000000000000000000000a2");
        DeviceRig rig(work, {"--latency", "0"}, quick);
        if (rig.up())
            benchBareRequests(rig.device(), "without delay", report);
    }
    const std::string device = work + "/device";
    makeDeviceFolder(device, "0000be7c000000000000000000000000000000a1");
    DeviceRig rig(work, {"--link"}, device);
    if (!rig.up()) {
        report.add("link: device up", "FAILED", "up", false);
        return;
    }
    benchBareRequests(rig.device(), "with 1 ms delay", report);
    for (const BenchBook *book : {&books.large, &books.text}) {
        const TransferFigures f = importAndExport(rig, *book, work + "/out-" + book->title);
        if (!f.ok) {
            report.add("link: " + book->title, "FAILED", "done", false);
            continue;
        }
        const bool large = book == &books.large;
        const double mb = static_cast<double>(book->payloadBytes) / 1e6;
        const double fi = fractionOfLink(book->payloadBytes, f.importSeconds);
        const double fe = fractionOfLink(book->payloadBytes, f.exportSeconds);
        // Novels are bound by request round trips, large books by the link's bandwidth.
        const double importTarget = large ? 0.90 : 0.60, exportTarget = large ? 0.90 : 0.50;
        const std::string what = fmt("%s (%.1f MB, %d parts)", book->title.c_str(), mb, book->parts);
        report.add("import " + what + ": fraction of cap",
                   fmt("%.2f (%.1f MB/s, %.2f s)", fi, mb / f.importSeconds, f.importSeconds),
                   fmt(">= %.2f", importTarget), fi >= importTarget);
        report.add("export " + what + ": fraction of cap",
                   fmt("%.2f (%.1f MB/s, %.2f s)", fe, mb / f.exportSeconds, f.exportSeconds),
                   fmt(">= %.2f", exportTarget), fe >= exportTarget);
        report.add("  requests: import / export / parts",
                   fmt("%llu / %llu / %d", static_cast<unsigned long long>(f.importRequests),
                       static_cast<unsigned long long>(f.exportRequests), book->parts));
        report.add("  import: before / tree copy / after; lanes", f.importPhases.describe(1000, "ms"));
        report.add("  export: before / tree copy / after; lanes", f.exportPhases.describe(1000, "ms"));
        report.note("import requests: " + f.importKinds);
        report.note("export requests: " + f.exportKinds);
        // The tree copies alone, without unpacking, packing or the operations' own checks.
        userDataIphone *data = rig.device();
        TreeCopier &copier = rig.session()->treeCopier();
        const std::string staged = work + "/staged/TREE" + book->title;
        fs::create_directories(work + "/staged");
        fs::copy(book->folder, staged, fs::copy_options::recursive | fs::copy_options::overwrite_existing);
        // A request's time on its connection, waits for the link included: 1 ms and a little
        // on an idle machine; more when other work keeps the threads from their processors.
        auto perRequest = [&](uint64_t requests) {
            const TreeCopyReport &copy = copier.lastTreeCopy();
            return requests > 0 ? copy.busySeconds * 1000 / static_cast<double>(requests) : 0;
        };
        uint64_t r0 = requestCount(rig.emulator(), "afc.");
        double t0 = nowSeconds();
        copier.copyTheseFiles({staged}, data);
        const double up = nowSeconds() - t0;
        const double upRequest = perRequest(requestCount(rig.emulator(), "afc.") - r0);
        const std::string down = work + "/down-" + book->title;
        fs::create_directories(down);
        r0 = requestCount(rig.emulator(), "afc.");
        t0 = nowSeconds();
        copier.saveBooksFromPhoneToLocalPath(down, "TREE" + book->title, false, data);
        const double dn = nowSeconds() - t0;
        const double downRequest = perRequest(requestCount(rig.emulator(), "afc.") - r0);
        report.add("  tree copy alone: ms per request on its connection",
                   fmt("%.2f / %.2f", upRequest, downRequest));
        report.add("  tree copy alone: upload / download, fraction of cap",
                   fmt("%.2f / %.2f (%.2f s / %.2f s)", fractionOfLink(book->payloadBytes, up),
                       fractionOfLink(book->payloadBytes, dn), up, dn));
    }
}

void benchZip(const std::string &work, const BenchBooks &books, Report &report)
{
    std::printf("\n== Zip work on the local disk against unzip -q and zip -X -r (best of 3)\n");
    for (const BenchBook *book : {&books.large, &books.text}) {
        const std::string dir = work + "/" + book->title;
        fs::create_directories(dir);
        const std::string ours = dir + "/ours", theirs = dir + "/theirs";
        std::string error;
        // Taken in turns, the old copy removed before the clock starts: a file system that
        // is slow to make files just after many were removed slows both alike.
        double unpackOurs = std::numeric_limits<double>::max(), unpackTheirs = unpackOurs;
        for (int i = 0; i < 3; ++i) {
            fs::remove_all(ours);
            unpackOurs = std::min(unpackOurs, bestOf(1, [&] {
                if (!unpackEpubArchive(book->epub, ours, &error))
                    std::fprintf(stderr, "bench: unpack failed: %s\n", error.c_str());
            }));
            fs::remove_all(theirs);
            unpackTheirs =
                std::min(unpackTheirs, bestOf(1, [&] { runProgram({"unzip", "-q", book->epub, "-d", theirs}); }));
        }
        const double packOurs = bestOf(3, [&] {
            if (!packEpub(ours, dir + "/ours.epub", &error))
                std::fprintf(stderr, "bench: pack failed: %s\n", error.c_str());
        });
        const double packTheirs = bestOf(3, [&] {
            fs::remove(dir + "/theirs.epub");
            runProgram({"zip", "-q", "-X", "-r", dir + "/theirs.epub", "."}, theirs);
        });
        // The export's packer, all of it at the end (as when no file came while downloading).
        const double packStreamed = bestOf(3, [&] {
            EpubStreamPacker packer(ours, dir + "/streamed.part");
            if (!packer.finish(dir + "/streamed.epub", &error))
                std::fprintf(stderr, "bench: streamed pack failed: %s\n", error.c_str());
        });
        const double ru = unpackOurs / unpackTheirs, rp = packOurs / packTheirs;
        report.add("unpack " + book->title + ": ours / unzip -q",
                   fmt("%.2fx (%.3f s / %.3f s)", ru, unpackOurs, unpackTheirs), "<= 1.0x", ru <= 1.0);
        report.add("pack " + book->title + ": ours / zip -X -r",
                   fmt("%.2fx (%.3f s / %.3f s)", rp, packOurs, packTheirs), "<= 1.2x", rp <= 1.2);
        report.add("  export's packer, all at the end / zip -X -r",
                   fmt("%.2fx (%.3f s, %.1f MB)", packStreamed / packTheirs, packStreamed,
                       fs::file_size(dir + "/streamed.epub") / 1e6));
        report.add("  packed sizes: ours / zip", fmt("%.1f MB / %.1f MB", fs::file_size(dir + "/ours.epub") / 1e6,
                                                     fs::file_size(dir + "/theirs.epub") / 1e6));
        fs::remove_all(dir);
    }
}
