// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// A batch of 100 small books (0.5 MB, 40 parts each) through the link model: imported as one
// batch under one sync lock (the books checked for duplicates first, as the window and the
// command line do), then exported as one batch; overlapped as the program runs them, and in
// series as the baseline of the same run, each book's time split into its parts.
#include "benches.h"

#include "device/storage/loadiphone.h"
#include "emulatorharness.h"
#include "operations/bookbatch.h"
#include "operations/bookimport.h"
#include "operations/devicelibrary.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <map>
#include <tuple>

namespace fs = std::filesystem;

namespace {
constexpr int kBooks = 100;

struct BatchFigures
{
    double seconds = 0;
    uint64_t requests = 0;
    std::string kinds;
    std::string phases; // per book, as the run measured them
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

std::string perBook(CopyPhases sum, int done)
{
    const double n = done > 0 ? done : 1;
    sum.before /= n;
    sum.copy /= n;
    sum.after /= n;
    sum.busy /= n;
    return sum.describe(1000, "ms");
}

// Where one book's time went in an overlapped batch: its part ahead (the tree copy in it)
// and its turn (its share of a turn it shared with others).
struct StepTimes
{
    double aheadStarted = 0, aheadEnded = 0, turnStarted = 0, turnEnded = 0;
    bool turnLed = false; // the first book of its turn
    TreeCopyReport copy;
};

// A shared turn, timed: each book in it gets an equal share of its time.
class TimedTurn final : public SharedTurn
{
public:
    TimedTurn(std::unique_ptr<SharedTurn> inner, StepTimes &first) : m_inner(std::move(inner)), m_books{&first} {}
    SharedTurn &inner() { return *m_inner; }
    void join(StepTimes &times) { m_books.push_back(&times); }
    std::vector<BookOperationResult> end(BookContext &context) override
    {
        const double started = nowSeconds();
        std::vector<BookOperationResult> results = m_inner->end(context);
        const double share = (nowSeconds() - started) / static_cast<double>(m_books.size());
        for (StepTimes *times : m_books) {
            times->turnStarted = started;
            times->turnEnded = started + share;
        }
        m_books.front()->turnLed = true;
        return results;
    }

private:
    std::unique_ptr<SharedTurn> m_inner;
    std::vector<StepTimes *> m_books;
};

class TimedSteps final : public BookSteps
{
public:
    TimedSteps(std::unique_ptr<BookSteps> inner, StepTimes &times) : m_inner(std::move(inner)), m_times(times) {}
    void ahead(TreeCopier &copier) override
    {
        m_times.aheadStarted = nowSeconds();
        m_inner->ahead(copier);
        m_times.aheadEnded = nowSeconds();
        m_times.copy = copier.lastTreeCopy(); // the copier is this book's while its part ahead runs
    }
    BookOperationResult inTurn(BookContext &context, bool startedEarly) override
    {
        m_times.turnStarted = nowSeconds();
        BookOperationResult result = m_inner->inTurn(context, startedEarly);
        m_times.turnEnded = nowSeconds();
        m_times.turnLed = true;
        return result;
    }
    std::unique_ptr<SharedTurn> shareTurn(bool startedEarly) override
    {
        std::unique_ptr<SharedTurn> turn = m_inner->shareTurn(startedEarly);
        return turn ? std::make_unique<TimedTurn>(std::move(turn), m_times) : nullptr;
    }
    bool joinTurn(SharedTurn &turn, bool startedEarly) override
    {
        auto *timed = dynamic_cast<TimedTurn *>(&turn);
        if (!timed || !m_inner->joinTurn(timed->inner(), startedEarly))
            return false;
        timed->join(m_times);
        return true;
    }

private:
    std::unique_ptr<BookSteps> m_inner;
    StepTimes &m_times;
};

BookStart timed(BookStart start, StepTimes &times)
{
    if (start.steps)
        start.steps = std::make_unique<TimedSteps>(std::move(start.steps), times);
    return start;
}

std::string overlappedPerBook(const std::vector<StepTimes> &times, int done)
{
    double ahead = 0, copy = 0, turn = 0, busy = 0;
    int connections = 0, turns = 0;
    for (const StepTimes &t : times) {
        turns += t.turnLed ? 1 : 0;
        ahead += t.aheadEnded - t.aheadStarted;
        const std::chrono::duration<double> took = t.copy.ended - t.copy.started;
        copy += took.count();
        turn += t.turnEnded - t.turnStarted;
        if (took.count() > 0 && t.copy.connections > 0)
            busy += t.copy.busySeconds / (took.count() * t.copy.connections);
        connections = std::max(connections, t.copy.connections);
    }
    const double n = done > 0 ? done : 1;
    return fmt("ahead %.1f ms (tree copy %.1f ms, busy %.0f%% of %d) / turn %.1f ms (%d turns)", ahead * 1000 / n,
               copy * 1000 / n, busy * 100 / n, connections, turn * 1000 / n, turns);
}

// One batch import and one batch export of `books` on a device of its own, as bookferry-cli
// runs them: the import under one sync lock, each book checked for a duplicate first (before
// the lock); the export without the lock. `overlapped` runs them as the program does, else
// one book after the other, as the program did before (the baseline).
std::pair<BatchFigures, BatchFigures> runBatches(const std::string &work, const std::vector<BenchBook> &books,
                                                 bool overlapped, Report &report)
{
    const std::string device = work + "/device";
    makeDeviceFolder(device, "0000be7c000000000000000000000000000000b2");
    DeviceRig rig(work, {"--link"}, device);
    BatchFigures in, ex;
    if (!rig.up()) {
        report.add("batch: device up", "FAILED", "up", false);
        return {in, ex};
    }
    CatalogueShelf &shelf = rig.library().books();
    std::vector<std::string> files;
    for (const BenchBook &book : books)
        files.push_back(book.epub);

    std::vector<BatchDuplicate> same(books.size());
    std::vector<StepTimes> times(books.size());
    CopyPhases serialPhases;
    double itemStarted = 0;
    TreeCopyReport lastCopy;
    BookBatch importBatch;
    importBatch.syncLock = true;
    importBatch.beforeLock = [&](userDataIphone *data) { same = findBatchDuplicates(data, files); };
    importBatch.onItemStarting = [&](std::size_t) { itemStarted = nowSeconds(); };
    importBatch.onItemDone = [&](std::size_t, const BookOperationResult &result) {
        if (!overlapped && result.done())
            serialPhases += copyPhases(itemStarted, nowSeconds(), lastCopy);
    };
    auto duplicateOf = [&](std::size_t i) -> std::optional<BookOperationResult> {
        if (same[i].onDevice || !same[i].earlier.empty())
            return BookOperationResult::makeSkipped(books[i].epub, "already on the device");
        return std::nullopt;
    };
    auto c0 = requestCounters(rig.emulator());
    const double importStarted = nowSeconds();
    std::vector<BookBatch::ItemResult> imported;
    if (overlapped) {
        imported = importBatch.runOverlapped(rig.library(), books.size(), [&](std::size_t i, BookContext &context) -> BookStart {
            if (auto skipped = duplicateOf(i))
                return *skipped;
            return timed(shelf.startImport(context, books[i].epub), times[i]);
        });
    } else {
        imported = importBatch.run(rig.library(), books.size(), [&](std::size_t i, BookContext &context) {
            if (auto skipped = duplicateOf(i))
                return *skipped;
            BookOperationResult result = BookShelf::wholeBook(context, shelf.startImport(context, books[i].epub));
            lastCopy = context.session->treeCopier().lastTreeCopy();
            return result;
        });
    }
    in.seconds = nowSeconds() - importStarted;
    auto c1 = requestCounters(rig.emulator());
    in.kinds = counterDifference(c0, c1);
    in.requests = afcRequests(c0, c1);
    std::vector<std::string> folders;
    for (const BookBatch::ItemResult &r : imported) {
        if (!r.result.done()) {
            std::fprintf(stderr, "bench: import of %s failed: %s\n", books[r.index].epub.c_str(),
                         r.result.message.c_str());
            continue;
        }
        folders.push_back(r.result.detail);
        ++in.done;
    }
    in.phases = overlapped ? overlappedPerBook(times, in.done) : perBook(serialPhases, in.done);

    const std::string out = work + "/out";
    fs::create_directories(out);
    times.assign(folders.size(), StepTimes{});
    serialPhases = {};
    BookBatch exportBatch;
    exportBatch.onItemStarting = [&](std::size_t) { itemStarted = nowSeconds(); };
    exportBatch.onItemDone = [&](std::size_t, const BookOperationResult &result) {
        if (!overlapped && result.done())
            serialPhases += copyPhases(itemStarted, nowSeconds(), lastCopy);
    };
    c0 = requestCounters(rig.emulator());
    const double exportStarted = nowSeconds();
    std::vector<BookBatch::ItemResult> exported;
    if (overlapped) {
        exported = exportBatch.runOverlapped(rig.library(), folders.size(), [&](std::size_t i, BookContext &context) {
            return timed(shelf.startExport(context, folders[i], out, false, books[i].title), times[i]);
        });
    } else {
        exported = exportBatch.run(rig.library(), folders.size(), [&](std::size_t i, BookContext &context) {
            BookOperationResult result =
                BookShelf::wholeBook(context, shelf.startExport(context, folders[i], out, false, books[i].title));
            lastCopy = context.session->treeCopier().lastTreeCopy();
            return result;
        });
    }
    ex.seconds = nowSeconds() - exportStarted;
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
    ex.phases = overlapped ? overlappedPerBook(times, ex.done) : perBook(serialPhases, ex.done);
    return {in, ex};
}
} // namespace

void benchBatch(const std::string &work, Report &report)
{
    std::printf("\n== A batch of %d small books through the link model (import, then export), overlapped and in "
                "series\n",
                kBooks);
    fs::create_directories(work);
    std::vector<BenchBook> books;
    uint64_t payload = 0;
    for (int i = 0; i < kBooks; ++i) {
        books.push_back(makeBook(work + "/books", fmt("Small%03d", i), 0, 0, 37, 13500));
        payload += books.back().payloadBytes;
    }
    // The baseline first, each on a device of its own: the same books, the same empty device.
    const auto [serialIn, serialEx] = runBatches(work + "/series", books, false, report);
    const auto [in, ex] = runBatches(work + "/overlapped", books, true, report);

    const double mb = static_cast<double>(payload) / 1e6;
    const std::string what =
        fmt("batch of %d (%.2f MB, %d parts each)", kBooks, mb / kBooks, books.front().parts);
    const double linkMs = static_cast<double>(payload) / kBooks / kLinkBytesPerSecond * 1000;
    for (const auto &[name, f, base] :
         {std::tuple<const char *, const BatchFigures &, const BatchFigures &>{"import", in, serialIn},
          {"export", ex, serialEx}}) {
        if (f.done != kBooks || base.done != kBooks) {
            report.add(std::string(name) + " " + what, fmt("FAILED (%d and %d of %d)", f.done, base.done, kBooks),
                       "all done", false);
            continue;
        }
        const double fraction = fractionOfLink(payload, f.seconds);
        const double baseline = fractionOfLink(payload, base.seconds);
        report.add(std::string(name) + " " + what + ": fraction of cap",
                   fmt("%.2f (%.1f MB/s, %.2f s); in series %.2f (%.2f s), %.2fx", fraction, mb / f.seconds,
                       f.seconds, baseline, base.seconds, base.seconds / f.seconds),
                   ">= 0.50", fraction >= 0.50);
        report.add(fmt("  %s per book: time / the link's time / requests", name),
                   fmt("%.1f ms / %.1f ms / %.1f; in series %.1f ms / %.1f", f.seconds * 1000 / kBooks, linkMs,
                       static_cast<double>(f.requests) / kBooks, base.seconds * 1000 / kBooks,
                       static_cast<double>(base.requests) / kBooks));
        report.add(fmt("  %s per book, overlapped", name), f.phases);
        report.add(fmt("  %s per book in series: before / tree copy / after; lanes", name), base.phases);
        report.note(std::string(name) + " batch requests (overlapped): " + f.kinds);
        report.note(std::string(name) + " batch requests (in series): " + base.kinds);
    }
}
