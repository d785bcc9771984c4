// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// A batch of 100 small books (0.5 MB, 40 parts each) through the link model: imported as one
// batch under one sync lock (each book checked for a duplicate first, as the window and the
// command line do), then exported as one batch, and each book's time split around its tree
// copy, so the fixed cost of a book (its catalogue work above all) shows.
#include "benches.h"

#include "device/connection/loadiphone.h"
#include "emulatorharness.h"
#include "operations/bookbatch.h"
#include "operations/bookimport.h"
#include "operations/ipodtreelistcontroler.h"

#include <filesystem>
#include <map>

namespace fs = std::filesystem;

namespace {
constexpr int kBooks = 100;

struct BatchFigures
{
    double seconds = 0;
    uint64_t requests = 0;
    std::string kinds;
    CopyPhases phases; // sums over the books
    int done = 0;
};

uint64_t afcRequests(const std::map<std::string, uint64_t> &before,
                     const std::map<std::string, uint64_t> &after)
{
    uint64_t sum = 0;
    for (const auto &[key, value] : after) {
        auto it = before.find(key);
        if (key.compare(0, 4, "afc.") == 0)
            sum += value - (it == before.end() ? 0 : it->second);
    }
    return sum;
}

std::string perBook(const BatchFigures &f)
{
    CopyPhases average = f.phases;
    const double n = f.done > 0 ? f.done : 1;
    average.before /= n;
    average.copy /= n;
    average.after /= n;
    average.busy /= n;
    return average.describe(1000, "ms");
}
} // namespace

void benchBatch(const std::string &work, Report &report)
{
    std::printf("\n== A batch of %d small books through the link model (import, then export)\n", kBooks);
    fs::create_directories(work);
    std::vector<BenchBook> books;
    uint64_t payload = 0;
    for (int i = 0; i < kBooks; ++i) {
        books.push_back(makeBook(work + "/books", fmt("Small%03d", i), 0, 0, 37, 13500));
        payload += books.back().payloadBytes;
    }
    const std::string device = work + "/device";
    makeDeviceFolder(device, "0000be7c000000000000000000000000000000b2");
    DeviceRig rig(work, {"--link"}, device);
    if (!rig.up()) {
        report.add("batch: device up", "FAILED", "up", false);
        return;
    }
    iPodTreeListControler &ctl = rig.controller();

    // As bookferry-cli imports: one BookBatch under the sync lock, each book first checked
    // against the device's catalogue for a duplicate, then imported.
    BatchFigures in;
    std::vector<std::string> folders;
    double lockSeconds = 0, unlockSeconds = 0, lastDone = 0, itemStarted = 0, duplicateSeconds = 0;
    TreeCopyReport lastCopy; // the copy of the book just done, as its session's copier reported it
    BookBatch importBatch;
    importBatch.syncLock = true;
    importBatch.onStarted = [&] { lockSeconds = nowSeconds(); };
    importBatch.onItemStarting = [&](std::size_t i) {
        itemStarted = nowSeconds();
        if (i == 0)
            lockSeconds = itemStarted - lockSeconds;
    };
    importBatch.onItemDone = [&](std::size_t, const BookOperationResult &result) {
        lastDone = nowSeconds();
        if (result.done())
            in.phases += copyPhases(itemStarted, lastDone, lastCopy);
    };
    auto c0 = requestCounters(rig.emulator());
    const double batchStart = nowSeconds();
    const auto imported = importBatch.run(ctl, books.size(), [&](std::size_t i, BookContext &context) {
        const double checkStarted = nowSeconds();
        const auto same = findDeviceDuplicate(context, books[i].epub);
        duplicateSeconds += nowSeconds() - checkStarted;
        if (same)
            return BookOperationResult::makeSkipped(books[i].epub, "already on the device as " + same->path);
        BookOperationResult result = ctl.addEPUBToDevice(context, books[i].epub);
        lastCopy = context.session->treeCopier().lastTreeCopy();
        return result;
    });
    in.seconds = nowSeconds() - batchStart;
    unlockSeconds = nowSeconds() - lastDone;
    auto c1 = requestCounters(rig.emulator());
    in.kinds = counterDifference(c0, c1);
    in.requests = afcRequests(c0, c1);
    for (const BookBatch::ItemResult &r : imported) {
        if (!r.result.done()) {
            std::fprintf(stderr, "bench: import of %s failed: %s\n", books[r.index].epub.c_str(),
                         r.result.message.c_str());
            continue;
        }
        folders.push_back(r.result.detail);
        ++in.done;
    }

    // Exported as the window exports checked books: one BookBatch, no sync lock.
    const std::string out = work + "/out";
    fs::create_directories(out);
    BatchFigures ex;
    BookBatch exportBatch;
    exportBatch.onItemStarting = [&](std::size_t) { itemStarted = nowSeconds(); };
    exportBatch.onItemDone = [&](std::size_t, const BookOperationResult &result) {
        if (result.done())
            ex.phases += copyPhases(itemStarted, nowSeconds(), lastCopy);
    };
    c0 = requestCounters(rig.emulator());
    const double exportStart = nowSeconds();
    const auto exported = exportBatch.run(ctl, folders.size(), [&](std::size_t i, BookContext &context) {
        BookOperationResult result = ctl.saveEpubToMac(context, folders[i], out, false, books[i].title);
        lastCopy = context.session->treeCopier().lastTreeCopy();
        return result;
    });
    ex.seconds = nowSeconds() - exportStart;
    c1 = requestCounters(rig.emulator());
    ex.kinds = counterDifference(c0, c1);
    ex.requests = afcRequests(c0, c1);
    for (const BookBatch::ItemResult &r : exported) {
        if (!r.result.done()) {
            std::fprintf(stderr, "bench: export of %s failed: %s\n", books[r.index].title.c_str(),
                         r.result.message.c_str());
            continue;
        }
        ++ex.done;
    }

    const double mb = static_cast<double>(payload) / 1e6;
    const std::string what =
        fmt("batch of %d (%.2f MB, %d parts each)", kBooks, mb / kBooks, books.front().parts);
    for (const auto &[name, f] :
         {std::pair<const char *, const BatchFigures &>{"import", in}, {"export", ex}}) {
        if (f.done != kBooks) {
            report.add(std::string(name) + " " + what, fmt("FAILED (%d of %d)", f.done, kBooks), "all done",
                       false);
            continue;
        }
        const double fraction = fractionOfLink(payload, f.seconds);
        report.add(std::string(name) + " " + what + ": fraction of cap",
                   fmt("%.2f (%.1f MB/s, %.2f s)", fraction, mb / f.seconds, f.seconds), ">= 0.50",
                   fraction >= 0.50);
        report.add(fmt("  %s per book: before / tree copy / after; lanes", name), perBook(f));
        report.add(fmt("  %s per book: time / the link's time / requests", name),
                   fmt("%.1f ms / %.1f ms / %.1f", f.seconds * 1000 / kBooks,
                       static_cast<double>(payload) / kBooks / kLinkBytesPerSecond * 1000,
                       static_cast<double>(f.requests) / kBooks));
        report.note(std::string(name) + " batch requests: " + f.kinds);
    }
    if (in.done == kBooks) {
        // Outside its tree copy a book costs the duplicate check, the unpacking and the
        // catalogue (read from the device for the first book only) before it, and the
        // catalogue's backup, upload, rename and read-back after it. The last line is what the
        // uploads would save were they made once a batch, which a book reported done forbids.
        const double fixed = (in.phases.before + in.phases.after) / kBooks;
        const double catalogue = in.phases.after / kBooks;
        const double saved = catalogue * (kBooks - 1);
        report.add("  import: fixed cost per book (outside the tree copy)",
                   fmt("%.1f ms, of it after the copy (catalogue upload) %.1f ms", fixed * 1000, catalogue * 1000));
        report.add("  import: of the time before the copy, the duplicate check",
                   fmt("%.1f ms", duplicateSeconds * 1000 / kBooks));
        report.add("  import: a per-batch catalogue upload would give",
                   fmt("%.2f of cap (%.2f s less)", fractionOfLink(payload, in.seconds - saved), saved));
        report.add("  sync lock: take / give back (once a batch)",
                   fmt("%.1f ms / %.1f ms", lockSeconds * 1000, unlockSeconds * 1000));
    }
}
