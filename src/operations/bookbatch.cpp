// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "operations/bookbatch.h"

#include "core/workqueue.h"
#include "device/storage/devicesleep.h"
#include "device/storage/loadiphone.h"
#include "device/storage/synclock.h"
#include "operations/bookshelf.h"
#include "operations/devicecatalogue.h"
#include "operations/devicelibrary.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>

SyncLockGuard::SyncLockGuard(userDataIphone *data)
    : m_data(data)
{
    if (m_data)
        m_taken = startToSync(m_data);
}

SyncLockGuard::~SyncLockGuard()
{
    if (m_data)
        endsync(m_data);
}

void BookBatch::open(BookContext &context, std::optional<SyncLockGuard> &lock) const
{
    context.goOn = goOnFlag;
    if (shelf)
        context.shelf = shelf->where();
    const std::shared_ptr<DeviceSession> &held = context.session;
    if (beforeLock)
        beforeLock(held ? held->data() : nullptr);
    if (pauseSeconds > 0)
        deviceLinkSleep(pauseSeconds);
    if (onStarted)
        onStarted();

    if (syncLock && held && (!shelf || shelf->usesSyncLock())) {
        lock.emplace(held->data());
        if (lock->taken())
            context.catalogue.begin();
    }
}

std::vector<BookBatch::ItemResult> BookBatch::run(DeviceLibrary &library, std::size_t count,
                                                  const Item &item) const
{
    // The lock goes before the context: the session it holds may be the context's own.
    BookContext context = library.bookContext(session);
    std::optional<SyncLockGuard> lock;
    open(context, lock);
    const std::shared_ptr<DeviceSession> &held = context.session;

    std::vector<ItemResult> results;
    for (std::size_t i = 0; i < count && goOn(); ++i) {
        if (onItemStarting)
            onItemStarting(i);
        std::optional<BookOperationResult> result = item(i, context);
        if (!result)
            continue;
        // After a failure the device may hold anything: the next change reads it afresh.
        if (context.catalogue.active && (result->failed() || held->gone()))
            context.catalogue.forget();
        results.push_back({i, std::move(*result)});
        if (onItemDone)
            onItemDone(i, results.back().result);
    }
    return results;
}

namespace {
// One book of an overlapped batch, from its start to its turn.
struct Pending
{
    std::size_t index = 0;
    // What the book's copy ahead reads (its BookContext::goOn): cleared when it is taken back
    // or the batch stops at once. Before `steps`, which use it until they go.
    std::atomic_bool goOn{true};
    std::optional<BookOperationResult> result; // known at its start
    std::unique_ptr<BookSteps> steps;
    bool startedEarly = false; // before the previous book's turn had ended
    bool aheadDone = false;   // under the pipeline's mutex
    std::exception_ptr error; // what its ahead part threw, for the batch's thread
};

// The books under way, oldest first: their ahead parts on the workers (worker n copies with
// the session's ahead copier n - 1), their turns taken in order on the batch's thread.
// Without workers a book's ahead part runs on the batch's thread as its turn comes.
//
// A copy on a worker reads its book's own flag, so that Cancel stops the copies of the books
// behind the oldest one and lets that one end. The batch's thread passes the batch's flags on
// to them while it waits for a copy to end; without workers a book's copy runs on the batch's
// thread and reads the batch's "stop now" flag itself.
class Pipeline
{
public:
    // `cancelled` and `stopNow` tell what the batch's flags say (may be empty).
    Pipeline(DeviceSession *session, std::size_t workers, std::function<bool()> cancelled,
             std::function<bool()> stopNow)
        : m_session(session), m_workers(workers), m_cancelled(std::move(cancelled)), m_stopNow(std::move(stopNow)),
          m_queue([this](Pending *&book, std::size_t worker) { runAhead(*book, worker); })
    {
        m_queue.ensureWorkers(workers);
    }
    // Not a book's turn any more: the ahead parts are stopped and waited for (a stopped copy
    // ends between its files), and each book unfinished takes away what it left.
    ~Pipeline() { takeBack(); }
    Pipeline(const Pipeline &) = delete;
    Pipeline &operator=(const Pipeline &) = delete;

    std::size_t size() const { return m_books.size(); }
    // As many books again as there are workers may wait: started, for a worker, or ended
    // ahead, for their turn. A worker that ends a book goes on with the next at once, and a
    // turn slower than the copies finds several books ready to share it.
    bool full() const { return m_books.size() > 2 * m_workers; }

    // The flag a book started now gives its copy: its own when a worker copies it.
    const std::atomic_bool *copyFlag(Pending &book, const std::atomic_bool *batchFlag) const
    {
        return m_workers > 0 ? &book.goOn : batchFlag;
    }

    void add(std::unique_ptr<Pending> book)
    {
        Pending *added = book.get();
        added->startedEarly = !m_books.empty();
        m_books.push_back(std::move(book));
        if (added->steps && m_workers > 0)
            m_queue.push(added);
    }

    // The oldest book if its ahead part has ended well already, else null: a shared turn
    // takes only what is ready, it never waits.
    Pending *ready()
    {
        if (m_books.empty() || m_workers == 0 || !m_books.front()->steps)
            return nullptr;
        Pending *front = m_books.front().get();
        std::lock_guard lock(m_mutex);
        return front->aheadDone && !front->error ? front : nullptr;
    }

    // The oldest book, once its ahead part has ended.
    std::unique_ptr<Pending> next()
    {
        std::unique_ptr<Pending> book = std::move(m_books.front());
        m_books.pop_front();
        if (book->steps && m_workers == 0) {
            book->steps->ahead(m_session->treeCopier());
        } else if (book->steps) {
            // The batch's flags are looked at between short waits and passed on: Cancel
            // stops the copies behind this book, "stop now" this one's too.
            std::unique_lock lock(m_mutex);
            if (!m_cancelled && !m_stopNow)
                m_done.wait(lock, [&] { return book->aheadDone; });
            while (!m_done.wait_for(lock, kFlagLook, [&] { return book->aheadDone; })) {
                const bool now = m_stopNow && m_stopNow();
                if (now)
                    book->goOn = false;
                if (now || (m_cancelled && m_cancelled()))
                    stopBehind();
            }
        }
        if (book->error)
            std::rethrow_exception(book->error);
        return book;
    }

    void takeBack()
    {
        stopBehind();
        m_queue.stop(); // what has not begun never will
        m_books.clear();
    }

private:
    static constexpr std::chrono::milliseconds kFlagLook{20};

    void stopBehind()
    {
        for (const std::unique_ptr<Pending> &book : m_books)
            book->goOn = false;
    }

    void runAhead(Pending &book, std::size_t worker)
    {
        try {
            book.steps->ahead(m_session->aheadCopier(worker - 1));
        } catch (...) {
            book.error = std::current_exception();
        }
        std::lock_guard lock(m_mutex);
        book.aheadDone = true;
        m_done.notify_all();
    }

    DeviceSession *m_session;
    const std::size_t m_workers;
    std::function<bool()> m_cancelled, m_stopNow;
    std::deque<std::unique_ptr<Pending>> m_books;
    std::mutex m_mutex;
    std::condition_variable m_done;
    // Last: its threads end before what they use goes.
    WorkQueue<Pending *> m_queue;
};
} // namespace

std::vector<BookBatch::ItemResult> BookBatch::runOverlapped(DeviceLibrary &library, std::size_t count,
                                                            const StagedItem &item) const
{
    // The lock goes before the context: the session it holds may be the context's own.
    BookContext context = library.bookContext(session);
    std::optional<SyncLockGuard> lock;
    open(context, lock);
    const std::shared_ptr<DeviceSession> &held = context.session;

    const std::size_t workers = held ? std::min(aheadBooks, DeviceSession::kAheadCopiers) : 0;
    std::function<bool()> cancelled, stopNow;
    if (continueFlag)
        cancelled = [this] { return !continueFlag->load(); };
    if (goOnFlag)
        stopNow = [this] { return !goOnFlag->load(); };
    Pipeline pipeline(held.get(), workers, std::move(cancelled), std::move(stopNow));
    std::size_t next = 0;
    // Starts the next book that is part of the batch; false when none is left.
    auto startOne = [&] {
        while (next < count) {
            const std::size_t i = next++;
            if (onItemStarting)
                onItemStarting(i);
            auto book = std::make_unique<Pending>();
            context.goOn = pipeline.copyFlag(*book, goOnFlag);
            BookStart start = item(i, context);
            context.goOn = goOnFlag;
            if (!start.result && !start.steps)
                continue;
            book->index = i;
            book->result = std::move(start.result);
            book->steps = std::move(start.steps);
            pipeline.add(std::move(book));
            return true;
        }
        return false;
    };

    std::vector<ItemResult> results;
    for (;;) {
        while (!pipeline.full() && goOn() && startOne()) {
        }
        if (pipeline.size() == 0)
            break;
        std::vector<std::unique_ptr<Pending>> books;
        books.push_back(pipeline.next());
        // Stopped at once: no turn comes, so the catalogue is not changed after the stop; the
        // book goes unfinished (whether or not its copy had ended) with the others.
        if (goOnFlag && !goOnFlag->load())
            break;
        Pending &first = *books.front();
        std::vector<BookOperationResult> ended;
        if (std::unique_ptr<SharedTurn> shared = first.steps ? first.steps->shareTurn(first.startedEarly) : nullptr) {
            for (Pending *following = pipeline.ready(); following && goOn(); following = pipeline.ready()) {
                if (!following->steps->joinTurn(*shared, following->startedEarly))
                    break;
                books.push_back(pipeline.next());
            }
            ended = shared->end(context);
        } else {
            ended.push_back(first.steps ? first.steps->inTurn(context, first.startedEarly) : std::move(*first.result));
        }
        for (std::size_t k = 0; k < books.size(); ++k) {
            const std::size_t index = books[k]->index;
            books[k].reset(); // what the book kept until its end goes before it is reported
            if (context.catalogue.active && (ended[k].failed() || held->gone()))
                context.catalogue.forget();
            results.push_back({index, std::move(ended[k])});
            if (onItemDone)
                onItemDone(index, results.back().result);
        }
        // As run() reads it before each item: the books started ahead are not begun.
        if (!goOn())
            break;
    }
    pipeline.takeBack();
    return results;
}

std::unique_ptr<BookSteps> inTurnOnly(std::function<BookOperationResult(BookContext &context)> turn)
{
    class InTurn final : public BookSteps
    {
    public:
        explicit InTurn(std::function<BookOperationResult(BookContext &)> turn) : m_turn(std::move(turn)) {}
        void ahead(TreeCopier &) override {}
        BookOperationResult inTurn(BookContext &context, bool) override { return m_turn(context); }

    private:
        std::function<BookOperationResult(BookContext &)> m_turn;
    };
    return std::make_unique<InTurn>(std::move(turn));
}

BookFailureList BookBatch::failures(const std::vector<ItemResult> &results)
{
    BookFailureList list;
    for (const ItemResult &r : results)
        collectFailure(list, r.result);
    return list;
}
