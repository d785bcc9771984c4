// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include "operations/bookcontext.h"
#include "operations/bookoperationresult.h"
#include "operations/booksteps.h"

#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class BookShelf;
class DeviceLibrary;
class DeviceSession;
class TreeCopier;
struct userDataIphone;

// Holds the device's sync lock for one scope: taken when made, given back when it goes, on
// every path out of the batch (an early return, an exception) as well as the normal end.
class SyncLockGuard
{
public:
    explicit SyncLockGuard(userDataIphone *data);
    ~SyncLockGuard();
    // Whether the lock was taken (the batch goes on without it after the last try).
    bool taken() const { return m_taken; }
    SyncLockGuard(const SyncLockGuard &) = delete;
    SyncLockGuard &operator=(const SyncLockGuard &) = delete;

private:
    userDataIphone *m_data;
    bool m_taken = false;
};

// One batch of book operations (an import, an export, a deletion), shared by the window and
// bookferry-cli. The caller chooses the thread: the window runs it on its transfer worker,
// the command line on its only thread. In order, run():
//   1. works on `session`, or opens one (waiting for a survey that runs to end), in one
//      BookContext that every item is given: the book operations use it until run()
//      returns, and no arrival is handled while it is held;
//   2. calls beforeLock with the session's device record: the place for every question to
//      the user, so that the device's lock is never held while a person decides;
//   3. pauses for `pauseSeconds` through deviceLinkSleep (the window's sheet swap; tests
//      install a sleeper that does not wait), then calls onStarted;
//   4. takes the sync lock when `syncLock` is set, for the whole batch; once taken, the
//      catalogue one change leaves on the device is the next one's (the context's
//      CatalogueKnowledge) until an item fails or the device goes;
//   5. asks `item(i)` for i = 0..count-1 while both flags (if any) stay true; an item that
//      returns nothing is not part of the batch (an unchecked row) and is not reported;
//      once the session's device is removed, every book operation left fails at once;
//   6. gives the lock back.
// onItemStarting runs before every index, onItemDone after every item, on the batch's thread.
//
// runOverlapped does the same with books in two parts (booksteps.h): while one book's turn
// runs on the batch's thread, the next books' `ahead` parts run on up to `aheadBooks`
// workers, each with a tree copier of the session's own. Turns, results and onItemDone stay
// in book order, and the batch stops where run() would: the flags are read before each turn
// and before a later book joins a shared one. A cleared continue flag lets the oldest book
// under way end (its copy, then its turn, with the books already in a shared turn that has
// begun); the books started ahead of a turn that does not come are taken back without a
// result. onItemStarting runs as each book is started, which may be before the previous
// one's result.
class BookBatch
{
public:
    struct ItemResult
    {
        std::size_t index;
        BookOperationResult result;
    };
    using Item = std::function<std::optional<BookOperationResult>(std::size_t index, BookContext &context)>;

    // Opened by the caller where the batch is decided (the window: on the main thread, so
    // that nothing is surveyed between the choice of books and the batch); may stay empty.
    std::shared_ptr<DeviceSession> session;
    // Where the books are (the device's catalogue when null); its kind says whether the
    // batch takes the sync lock.
    BookShelf *shelf = nullptr;
    unsigned int pauseSeconds = 0;
    // Takes the lock for a shelf that uses it (a deletion or an import; an export reads only).
    bool syncLock = false;
    // Cleared by another thread (Cancel) to start no further item: the book under way ends
    // as it would have, and the batch stops before the next one.
    const std::atomic_bool *continueFlag = nullptr;
    // Cleared by another thread to stop at once (the window closing): no further item
    // starts, and the book being copied stops between its files (or their pieces) and is
    // skipped ("the transfer was stopped"), cleaned up as any failed copy is. The book
    // operations get it as BookContext::goOn. In runOverlapped no turn comes after it: the
    // books under way are taken back without a result.
    const std::atomic_bool *goOnFlag = nullptr;
    // Null device record when no session could be opened.
    std::function<void(userDataIphone *device)> beforeLock;
    std::function<void()> onStarted;
    std::function<void(std::size_t index)> onItemStarting;
    std::function<void(std::size_t index, const BookOperationResult &result)> onItemDone;

    std::vector<ItemResult> run(DeviceLibrary &library, std::size_t count, const Item &item) const;

    // Called on the batch's thread, in index order, as each book is started.
    using StagedItem = std::function<BookStart(std::size_t index, BookContext &context)>;
    // How many books may be copied at once ahead of the one in its turn (at most
    // DeviceSession::kAheadCopiers); 0 runs every book's parts one after the other. Small
    // books leave the link idle between their requests: a third copy fills those gaps.
    std::size_t aheadBooks = 3;
    std::vector<ItemResult> runOverlapped(DeviceLibrary &library, std::size_t count,
                                          const StagedItem &item) const;

    // The failed items of a run, in order, for one report at its end.
    static BookFailureList failures(const std::vector<ItemResult> &results);

private:
    // Steps 2 to 4 of run(), in the context made for the batch.
    void open(BookContext &context, std::optional<SyncLockGuard> &lock) const;
    bool goOn() const
    {
        return (!continueFlag || continueFlag->load()) && (!goOnFlag || goOnFlag->load());
    }
};
