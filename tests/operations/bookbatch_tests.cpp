// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "core/scratch.h"
#include "device/storage/devicesleep.h"
#include "device/storage/synclock.h"
#include "device/backend/devicefaultinjector.h"
#include "devicefixture.h"
#include "epubbuilder.h"
#include "library/bookkeys.h"
#include "lockholder.h"
#include "operations/bookbatch.h"
#include "operations/bookfoldernamegenerator.h"
#include "operations/bookimport.h"
#include "operations/cataloguebackup.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <chrono>
#include <mutex>
#include <condition_variable>
#include <climits>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <set>
#include <stdexcept>

namespace fs = std::filesystem;

namespace {

class BookBatchTest : public FolderDeviceTest
{
protected:
    void SetUp() override
    {
        FolderDeviceTest::SetUp();
        m_previousSleeper = setDeviceLinkSleeper([this](unsigned int seconds) { m_sleeps.push_back(seconds); });
        attach();
        m_faults.reset(); // the device's calls are counted from the end of its survey
    }
    void TearDown() override
    {
        setDeviceLinkSleeper(std::move(m_previousSleeper));
        FolderDeviceTest::TearDown();
    }

    // True while some other open file description holds the device's lock file.
    bool lockTaken() const { return lockedElsewhere(deviceFile(kSyncLockFile)); }
    std::vector<std::string> posted() const { return m_backend->postedNotifications(m_device); }
    std::vector<std::string> postedSince(size_t before) const
    {
        const std::vector<std::string> all = posted();
        return {all.begin() + static_cast<long>(std::min(before, all.size())), all.end()};
    }

    std::vector<unsigned int> m_sleeps;
    DeviceLinkSleeper m_previousSleeper;
    DeviceFaultInjector &m_faults = DeviceFaultInjector::instance();
};

const std::vector<std::string> kOneSync = {
    "com.apple.itunes-mobdev.syncWillStart", "com.apple.itunes-mobdev.syncLockRequest",
    "com.apple.itunes-mobdev.syncDidStart", "com.apple.itunes-mobdev.syncDidFinish"};

} // namespace

TEST_F(BookBatchTest, OneLockForTheBatchAndOneResultPerItem)
{
    std::vector<std::string> events;
    BookBatch batch;
    batch.pauseSeconds = 1;
    batch.syncLock = true;
    batch.onStarted = [&] { events.push_back("started, lock " + std::string(lockTaken() ? "held" : "free")); };
    batch.onItemStarting = [&](std::size_t i) { events.push_back("starting " + std::to_string(i)); };
    batch.onItemDone = [&](std::size_t i, const BookOperationResult &r) {
        events.push_back("done " + std::to_string(i) + " " + r.item);
    };
    const size_t before = posted().size();
    const auto results =
        batch.run(*m_library, 3, [&](std::size_t i, BookContext &) -> std::optional<BookOperationResult> {
            EXPECT_TRUE(lockTaken()) << "item " << i;
            if (i == 1)
                return std::nullopt; // not part of the batch: no result, no report
            if (i == 2)
                return BookOperationResult::makeFailed("two", "broken");
            return BookOperationResult::makeDone("zero");
        });

    // The pause goes through the injectable sleep, before anything else; the lock after it.
    EXPECT_EQ(m_sleeps, (std::vector<unsigned int>{1}));
    EXPECT_EQ(events, (std::vector<std::string>{"started, lock free", "starting 0", "done 0 zero", "starting 1",
                                                "starting 2", "done 2 two"}));
    ASSERT_EQ(results.size(), 2u);
    EXPECT_EQ(results[0].index, 0u);
    EXPECT_EQ(results[1].index, 2u);
    const BookFailureList failures = BookBatch::failures(results);
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0].item, "two");
    EXPECT_EQ(failures[0].reason, "broken");
    // Exactly one sync for the three items, and the lock is free again.
    EXPECT_EQ(postedSince(before), kOneSync);
    EXPECT_FALSE(lockTaken());
}

TEST_F(BookBatchTest, CancelStopsBeforeTheNextItemAndTheLockIsGivenBackOnEveryPath)
{
    // Cleared during the first item: it finishes, the second never starts.
    std::atomic_bool goOn{true};
    BookBatch batch;
    batch.syncLock = true;
    batch.continueFlag = &goOn;
    int calls = 0;
    auto results = batch.run(*m_library, 3, [&](std::size_t, BookContext &) {
        ++calls;
        goOn = false;
        return BookOperationResult::makeDone("book");
    });
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(results.size(), 1u);
    EXPECT_FALSE(lockTaken());
    EXPECT_TRUE(m_sleeps.empty()); // no pause asked for, none taken

    // An item that throws leaves the batch early; the lock still goes back.
    goOn = true;
    const size_t before = posted().size();
    EXPECT_THROW(batch.run(*m_library, 2,
                           [&](std::size_t, BookContext &) -> std::optional<BookOperationResult> {
                               throw std::runtime_error("unexpected");
                           }),
                 std::runtime_error);
    EXPECT_FALSE(lockTaken());
    EXPECT_EQ(postedSince(before), kOneSync);

    // Without the lock option no sync is announced at all.
    BookBatch plain;
    const size_t quiet = posted().size();
    plain.run(*m_library, 1,
              [&](std::size_t, BookContext &) { return BookOperationResult::makeDone("x"); });
    EXPECT_EQ(posted().size(), quiet);
}

namespace {
// Imports under one batch as the command line runs them: each book checked for a duplicate
// against the device's catalogue, then imported; `between(i)` runs before book i.
class CatalogueBatchTest : public BookBatchTest
{
protected:
    void SetUp() override
    {
        BookBatchTest::SetUp();
        ::setenv("BOOKFERRY_DATA_DIR", m_data.path().c_str(), 1);
        for (int i = 0; i < 3; ++i) {
            m_books.push_back(m_files.file("book" + std::to_string(i) + ".epub"));
            ASSERT_TRUE(EpubBuilder::validBook("Book " + std::to_string(i), "C").write(m_books.back()));
        }
    }
    void TearDown() override
    {
        ::unsetenv("BOOKFERRY_DATA_DIR");
        BookBatchTest::TearDown();
    }
    std::vector<BookBatch::ItemResult> importAll(const std::function<void(std::size_t)> &between = {})
    {
        BookBatch batch;
        batch.syncLock = true;
        return batch.run(*m_library, m_books.size(), [&](std::size_t i, BookContext &context) {
            if (between)
                between(i);
            return BookShelf::wholeBook(context, m_library->books().startImport(context, m_books[i]));
        });
    }
    // Adds an entry to the device's catalogue behind the program's back.
    void addOnDevice(const std::string &name, const std::string &path)
    {
        fs::create_directories(deviceFile("/Books"));
        Catalogue c = fs::exists(deviceFile("/Books/Books.plist")) ? deviceCatalogue() : Catalogue();
        c.appendBook(testEntry(name, path, true));
        writeDeviceCatalogue(c);
    }
    std::vector<std::string> donePaths(const std::vector<BookBatch::ItemResult> &results) const
    {
        std::vector<std::string> paths;
        for (const auto &r : results) {
            EXPECT_TRUE(r.result.done() || r.index == m_failing) << r.index << ": " << r.result.message;
            if (r.result.done())
                paths.push_back(r.result.detail);
        }
        return paths;
    }

    TempDir m_data;
    std::vector<std::string> m_books;
    std::size_t m_failing = SIZE_MAX;
};
} // namespace

// Under the batch's lock the catalogue one book leaves on the device is the next one's: it is
// listed and read once for the whole batch, yet what the
// device gained before the batch stays, each change is still backed up (from memory, with
// the right bytes), uploaded, renamed into place and read back, and the lists follow.
TEST_F(CatalogueBatchTest, BooksAfterTheFirstStartFromTheCatalogueTheLastOneLeft)
{
    addOnDevice("Bought", "BUYS.epub"); // since the survey
    std::vector<std::string> catalogueBefore; // the device's catalogue as each book starts
    const auto results = importAll([&](std::size_t) { catalogueBefore.push_back(readWholeFile(deviceFile("/Books/Books.plist"))); });
    const std::vector<std::string> paths = donePaths(results);
    ASSERT_EQ(paths.size(), 3u);

    EXPECT_EQ(deviceCatalogue().stringValues(BookKey::Path),
              (std::vector<std::string>{"BUYS.epub", paths[0], paths[1], paths[2]}));
    EXPECT_EQ(readWholeFile(deviceCopyPath(CataloguePath::LocalBooks)), readWholeFile(deviceFile("/Books/Books.plist")));
    // One listing of "/Books" and one read of the catalogue (its size, its bytes, the end)
    // before the first book, and one more listing for the folder names the device holds;
    // after that only each book's read-back (its bytes: the stamp gave its size).
    // File information: the catalogue's size and stamp before the first read; then for each
    // book its new folder as it is made and the stamp left by its upload, and the stamp
    // checked by the later imports.
    EXPECT_EQ(m_faults.calls("AFCDirectoryOpen"), 2u);
    EXPECT_EQ(m_faults.calls("AFCFileInfoOpen"), 2u + 3u * 2u + 2u);
    EXPECT_EQ(m_faults.calls("AFCFileRefRead"), 2u + 3u * 1u);
    EXPECT_EQ(m_faults.calls("AFCRenamePath"), 3u);

    // A backup before each change, each the catalogue the change replaced, newest first.
    const std::vector<CatalogueBackup> backups = listCatalogueBackups();
    ASSERT_EQ(backups.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_EQ(readWholeFile(backups[2 - i].path), catalogueBefore[i]) << "backup before book " << i;

    // The next batch asks the device again: a book synced in between stays.
    addOnDevice("Synced", "SYNC.epub");
    m_books.resize(1);
    ASSERT_TRUE(EpubBuilder::validBook("Book 3", "C").write(m_books[0] = m_files.file("book3.epub")));
    const std::vector<std::string> more = donePaths(importAll());
    ASSERT_EQ(more.size(), 1u);
    EXPECT_EQ(deviceCatalogue().stringValues(BookKey::Path),
              (std::vector<std::string>{"BUYS.epub", paths[0], paths[1], paths[2], "SYNC.epub", more[0]}));
}

// Under the batch's lock the folders "/Books" holds are listed once, not asked for name by
// name: a folder an import stopped part way left is still passed over, and the books take
// the generator's next names after it.
TEST_F(CatalogueBatchTest, AFolderTheDeviceHoldsIsPassedOverFromOneListing)
{
    BookFolderNameGenerator names;
    const std::string leftover = names.next();
    writeWholeFile(deviceFile("/Books/" + leftover + "/OEBPS/leftover.xhtml"), "from a stopped import");
    const std::vector<std::string> paths = donePaths(importAll());
    ASSERT_EQ(paths.size(), 3u);
    for (const std::string &path : paths)
        EXPECT_EQ(path, names.next());
    EXPECT_EQ(readWholeFile(deviceFile("/Books/" + leftover + "/OEBPS/leftover.xhtml")), "from a stopped import");
    EXPECT_FALSE(fs::exists(deviceFile("/Books/" + leftover + "/mimetype")));
}

// The batch's knowledge of the device's catalogue gives way to the device's: a failed book
// leaves it uncertain (the next book lists and reads it afresh), the device may write it while
// the batch holds the lock (seen from the file's size and time), and without the lock (another
// program keeps it past the last try) every book asks the device. A change made between two
// books stays, and a failed book is named nowhere.
TEST_F(CatalogueBatchTest, AChangeOnTheDeviceBetweenTwoBooksIsKept)
{
    const struct
    {
        const char *what;
        bool lockedElsewhere;
        std::size_t books, failing, changeBefore; // failing: SIZE_MAX for none
        bool listsAgain;
    } rows[] = {{"after a failed book", false, 3, 1, 2, true},
                {"under the batch's lock", false, 3, SIZE_MAX, 2, false},
                {"without the lock", true, 2, SIZE_MAX, 1, false}};
    const std::vector<std::string> files = m_books;
    for (const auto &row : rows) {
        writeDeviceCatalogue(Catalogue());
        m_faults.reset();
        m_sleeps.clear();
        m_books.assign(files.begin(), files.begin() + static_cast<std::ptrdiff_t>(row.books));
        m_failing = row.failing;
        if (row.failing != SIZE_MAX)
            m_faults.failOnCall("AFCRenamePath", row.failing + 1); // that book's catalogue is refused
        const int holder =
            row.lockedElsewhere ? ::open(deviceFile(kSyncLockFile).c_str(), O_RDWR | O_CREAT, 0644) : -1;
        ASSERT_TRUE(!row.lockedElsewhere || ::flock(holder, LOCK_EX | LOCK_NB) == 0) << row.what;
        unsigned long listingsBefore = 0;
        const auto results = importAll([&](std::size_t i) {
            if (i == row.changeBefore) {
                listingsBefore = m_faults.calls("AFCDirectoryOpen");
                addOnDevice("Meanwhile", "MEAN.epub");
            }
        });
        if (holder >= 0)
            ::close(holder);
        ASSERT_EQ(results.size(), row.books) << row.what;
        std::vector<std::string> expected = donePaths(results);
        const std::size_t doneBefore = row.changeBefore - (row.failing < row.changeBefore ? 1 : 0);
        expected.insert(expected.begin() + static_cast<std::ptrdiff_t>(doneBefore), "MEAN.epub");
        EXPECT_EQ(expected.size(), row.books + 1 - (row.failing != SIZE_MAX ? 1 : 0)) << row.what;
        EXPECT_EQ(deviceCatalogue().stringValues(BookKey::Path), expected) << row.what;
        if (row.listsAgain)
            EXPECT_GT(m_faults.calls("AFCDirectoryOpen"), listingsBefore)
                << row.what << ": /Books listed again";
        EXPECT_EQ(m_sleeps.size(), row.lockedElsewhere ? kSyncLockTries - 1 : 0u) << row.what;
        EXPECT_FALSE(fs::exists(deviceFile("/Books/.Books.plist.upload"))) << row.what;
    }
}

namespace {
// Imports run as the window and the command line run them: each book's unpacking and copy
// under way while the books before it end.
// A shared turn that runs `onEnd` as it begins its catalogue change.
class HeldTurn final : public SharedTurn
{
public:
    HeldTurn(std::unique_ptr<SharedTurn> inner, std::function<void()> onEnd)
        : m_inner(std::move(inner)), m_onEnd(std::move(onEnd))
    {
    }
    std::vector<BookOperationResult> end(BookContext &context) override
    {
        if (m_onEnd)
            m_onEnd();
        return m_inner->end(context);
    }
    SharedTurn &inner() { return *m_inner; }

private:
    std::unique_ptr<SharedTurn> m_inner;
    std::function<void()> m_onEnd;
};

// A book's steps with actions before and after its copy and as its shared turn ends.
struct Hooks
{
    std::function<void()> beforeCopy, afterCopy, onSharedTurn;
};
class HeldSteps final : public BookSteps
{
public:
    HeldSteps(std::unique_ptr<BookSteps> inner, Hooks hooks) : m_inner(std::move(inner)), m_hooks(std::move(hooks)) {}
    void ahead(TreeCopier &copier) override
    {
        if (m_hooks.beforeCopy)
            m_hooks.beforeCopy();
        m_inner->ahead(copier);
        if (m_hooks.afterCopy)
            m_hooks.afterCopy();
    }
    BookOperationResult inTurn(BookContext &context, bool startedEarly) override
    {
        return m_inner->inTurn(context, startedEarly);
    }
    std::unique_ptr<SharedTurn> shareTurn(bool startedEarly) override
    {
        std::unique_ptr<SharedTurn> turn = m_inner->shareTurn(startedEarly);
        return turn ? std::make_unique<HeldTurn>(std::move(turn), m_hooks.onSharedTurn) : nullptr;
    }
    bool joinTurn(SharedTurn &turn, bool startedEarly) override
    {
        auto *held = dynamic_cast<HeldTurn *>(&turn);
        return m_inner->joinTurn(held ? held->inner() : turn, startedEarly);
    }

private:
    std::unique_ptr<BookSteps> m_inner;
    Hooks m_hooks;
};

class OverlappedImportTest : public CatalogueBatchTest
{
protected:
    void SetUp() override
    {
        CatalogueBatchTest::SetUp();
        // The first book is much larger than the others: its copy ends last.
        EpubBuilder large = EpubBuilder::validBook("Book 0", "C");
        for (int i = 0; i < 40; ++i)
            large.add("OEBPS/large" + std::to_string(i) + ".xhtml", std::string(100000, char('a' + i % 26)), true);
        ASSERT_TRUE(large.write(m_books[0]));
        for (int i = 3; i < 6; ++i) {
            m_books.push_back(m_files.file("book" + std::to_string(i) + ".epub"));
            ASSERT_TRUE(EpubBuilder::validBook("Book " + std::to_string(i), "C").write(m_books.back()));
        }
    }
    // Each book's steps with the hooks `hold(i)` gives.
    std::vector<BookBatch::ItemResult> importHeld(BookBatch &batch, const std::function<Hooks(std::size_t)> &hold)
    {
        batch.syncLock = true;
        return batch.runOverlapped(*m_library, m_books.size(), [&](std::size_t i, BookContext &context) {
            BookStart start = m_library->books().startImport(context, m_books[i]);
            if (start.steps)
                start.steps = std::make_unique<HeldSteps>(std::move(start.steps), hold(i));
            return start;
        });
    }
    // The first `together` books end their copies before the first one's turn, which finds
    // them all ready; the later books' copies begin once the first book is reported.
    // `together` is at most the batch's workers (each holds one). `first` adds to the first
    // book's hooks.
    std::vector<BookBatch::ItemResult> importTogether(BookBatch &batch, std::size_t together, const Hooks &first = {})
    {
        batch.onItemDone = [this, done = batch.onItemDone](std::size_t i, const BookOperationResult &result) {
            if (done)
                done(i, result);
            if (i == 0)
                m_reported.count();
        };
        return importHeld(batch, [&](std::size_t i) {
            Hooks hooks;
            if (i == 0) {
                hooks = first;
                hooks.beforeCopy = [&, before = first.beforeCopy] {
                    m_latch.waitFor(together - 1);
                    if (before)
                        before();
                };
            } else if (i < together) {
                hooks.afterCopy = [&] { m_latch.count(); };
            } else {
                hooks.beforeCopy = [&] { m_reported.waitFor(1); };
            }
            return hooks;
        });
    }
    // Counts events across threads; a wait gives up after 20 s, so a fault cannot hang a test.
    struct Latch
    {
        std::mutex mutex;
        std::condition_variable changed;
        std::size_t events = 0;
        void count()
        {
            std::lock_guard lock(mutex);
            ++events;
            changed.notify_all();
        }
        void waitFor(std::size_t n)
        {
            std::unique_lock lock(mutex);
            changed.wait_for(lock, std::chrono::seconds(20), [&] { return events >= n; });
        }
    } m_latch, m_reported;
    // The book folders on the device, and those the scratch folder still holds.
    std::set<std::string> deviceFolders() const
    {
        std::set<std::string> names;
        std::error_code ec;
        for (const auto &entry : fs::directory_iterator(deviceFile("/Books"), ec))
            if (entry.is_directory())
                names.insert(entry.path().filename().string());
        return names;
    }
    std::set<std::string> scratchLeftovers() const
    {
        std::set<std::string> names;
        for (const auto &entry : fs::directory_iterator(fs::path(deviceCopyPath("x")).parent_path()))
            if (entry.path().extension() == ".epub")
                names.insert(entry.path().filename().string());
        return names;
    }
};
} // namespace

// A book that fails half copied (its archive turns out damaged after its first parts are on
// the device) takes its files away again, with the unpacker's reason; the books around it,
// under way at the same time, are imported in order.
TEST_F(OverlappedImportTest, AFailedBookInTheMiddleTakesItsFilesAway)
{
    EpubBuilder broken = EpubBuilder::validBook("Book 2", "C");
    broken.add("OEBPS/zz-last.xhtml", "BREAKS-HERE" + std::string(5000, 'x'), true);
    ASSERT_TRUE(broken.write(m_books[2]));
    std::string bytes = readWholeFile(m_books[2]);
    const std::size_t at = bytes.find("BREAKS-HERE");
    ASSERT_NE(at, std::string::npos);
    bytes[at] = 'X'; // the stored entry no longer matches its checksum
    std::ofstream(m_books[2], std::ios::binary | std::ios::trunc) << bytes;

    BookBatch batch;
    const auto results = importHeld(batch, [](std::size_t) { return Hooks{}; });
    ASSERT_EQ(results.size(), m_books.size());
    EXPECT_TRUE(results[2].result.failed());
    EXPECT_NE(results[2].result.message.find("damaged"), std::string::npos) << results[2].result.message;
    m_failing = 2;
    const std::vector<std::string> paths = donePaths(results);
    ASSERT_EQ(paths.size(), m_books.size() - 1);
    EXPECT_EQ(deviceCatalogue().stringValues(BookKey::Path), paths);
    EXPECT_EQ(deviceFolders(), std::set<std::string>(paths.begin(), paths.end()));
    EXPECT_TRUE(scratchLeftovers().empty());
}

// Books whose copies have ended when the turn comes share it: the catalogue is changed once
// for all of them (one backup, one upload, one read-back), and yet the books come out as one
// after the other would leave them: results and entries in book order, folder names in the
// generator's order, although the first book's copy (the largest) ends after the next ones'.
TEST_F(OverlappedImportTest, BooksReadyTogetherShareOneCatalogueChange)
{
    std::vector<std::string> events;
    BookBatch batch;
    batch.onItemStarting = [&](std::size_t i) { events.push_back("start " + std::to_string(i)); };
    batch.onItemDone = [&](std::size_t i, const BookOperationResult &) {
        events.push_back("done " + std::to_string(i));
    };
    const std::size_t together = batch.aheadBooks;
    const auto results = importTogether(batch, together);

    ASSERT_EQ(results.size(), m_books.size());
    std::vector<std::string> done;
    std::copy_if(events.begin(), events.end(), std::back_inserter(done),
                 [](const std::string &e) { return e[0] == 'd'; });
    EXPECT_EQ(done, (std::vector<std::string>{"done 0", "done 1", "done 2", "done 3", "done 4", "done 5"}));
    EXPECT_LT(std::find(events.begin(), events.end(), "start 1"),
              std::find(events.begin(), events.end(), "done 0"));
    BookFolderNameGenerator names;
    std::vector<std::string> expected;
    for (std::size_t i = 0; i < m_books.size(); ++i)
        expected.push_back(names.next());
    EXPECT_EQ(donePaths(results), expected);
    EXPECT_EQ(deviceCatalogue().stringValues(BookKey::Path), expected);
    EXPECT_EQ(deviceCatalogue().stringValues(BookKey::Name),
              (std::vector<std::string>{"Book 0", "Book 1", "Book 2", "Book 3", "Book 4", "Book 5"}));
    EXPECT_EQ(deviceFolders(), std::set<std::string>(expected.begin(), expected.end()));
    // The first change named the first books together; the backup the next change kept is
    // that catalogue.
    const std::size_t changes = m_faults.calls("AFCRenamePath");
    EXPECT_LE(changes, m_books.size() - together + 1);
    const std::vector<CatalogueBackup> backups = listCatalogueBackups();
    ASSERT_EQ(backups.size(), changes - 1); // the first change replaced no catalogue
    ASSERT_FALSE(backups.empty());
    EXPECT_EQ(Catalogue::fromData(readWholeFile(backups.back().path)).stringValues(BookKey::Path),
              std::vector<std::string>(expected.begin(), expected.begin() + static_cast<std::ptrdiff_t>(together)));
    EXPECT_TRUE(scratchLeftovers().empty());
}

// A shared catalogue change the device refuses fails every book in it, and each takes its
// folder away as a book alone would; the books after it read the catalogue afresh and go on.
TEST_F(OverlappedImportTest, ARefusedSharedChangeFailsItsBooksAndTheNextOnesGoOn)
{
    addOnDevice("Bought", "BUYS.epub");
    m_faults.failOnCall("AFCRenamePath", 1);
    BookBatch batch;
    const std::size_t together = batch.aheadBooks;
    const auto results = importTogether(batch, together);

    ASSERT_EQ(results.size(), m_books.size());
    std::vector<std::string> later;
    for (std::size_t i = 0; i < results.size(); ++i) {
        if (i < together) {
            EXPECT_TRUE(results[i].result.failed()) << i;
            EXPECT_EQ(results[i].result.message, results[0].result.message);
        } else {
            ASSERT_TRUE(results[i].result.done()) << i << ": " << results[i].result.message;
            later.push_back(results[i].result.detail);
        }
    }
    std::vector<std::string> kept{"BUYS.epub"};
    kept.insert(kept.end(), later.begin(), later.end());
    EXPECT_EQ(deviceCatalogue().stringValues(BookKey::Path), kept);
    EXPECT_EQ(deviceFolders(), std::set<std::string>(later.begin(), later.end()));
    EXPECT_FALSE(fs::exists(deviceFile("/Books/.Books.plist.upload")));
    EXPECT_TRUE(scratchLeftovers().empty());
}

namespace {
// One point where the batch is stopped, and how many books end.
struct StopRow
{
    const char *name;
    bool cancel;          // Cancel, else "stop now"
    std::size_t together; // books whose copies end before the first turn, which they share
    // The first book's copy begins or ends, the shared turn begins, or the first book is reported.
    enum { BeforeCopy, AfterCopy, InTurn, Reported } at;
    std::size_t imported;
};

void PrintTo(const StopRow &row, std::ostream *out)
{
    *out << row.name;
}

class StoppedBatchTest : public OverlappedImportTest, public ::testing::WithParamInterface<StopRow>
{
protected:
    std::vector<std::string> cataloguePaths() const
    {
        return fs::exists(deviceFile("/Books/Books.plist")) ? deviceCatalogue().stringValues(BookKey::Path)
                                                            : std::vector<std::string>{};
    }
};
} // namespace

// Cancel (the continue flag) lets the book under way end, with the books already sharing its
// catalogue change; "stop now" (the go-on flag) ends the book being copied too. The books that
// end are imported whole (an entry and its folder); the others are taken back without a result
// and leave nothing on the device or in the scratch folder; the lock is given back once.
TEST_P(StoppedBatchTest, TheBooksUnderWayEndAndNoOtherStarts)
{
    const StopRow &row = GetParam();
    std::atomic_bool goOn{true}, next{true};
    BookBatch batch;
    batch.continueFlag = &next;
    batch.goOnFlag = &goOn;
    Hooks first;
    const auto stop = [&] {
        (row.cancel ? next : goOn) = false;
        m_reported.count(); // the later books need not wait for a report that may not come
    };
    if (row.at == StopRow::Reported)
        batch.onItemDone = [&](std::size_t, const BookOperationResult &) { (row.cancel ? next : goOn) = false; };
    else
        (row.at == StopRow::InTurn ? first.onSharedTurn : row.at == StopRow::AfterCopy ? first.afterCopy
                                                                                        : first.beforeCopy) = stop;
    const size_t before = posted().size();
    const std::vector<BookBatch::ItemResult> results = importTogether(batch, row.together, first);

    std::vector<std::string> paths;
    for (const BookBatch::ItemResult &r : results) {
        EXPECT_TRUE(r.result.done()) << r.index << ": " << r.result.message;
        paths.push_back(r.result.detail);
    }
    EXPECT_EQ(paths.size(), row.imported);
    EXPECT_EQ(cataloguePaths(), paths);
    EXPECT_EQ(deviceFolders(), std::set<std::string>(paths.begin(), paths.end()));
    EXPECT_TRUE(scratchLeftovers().empty());
    EXPECT_EQ(postedSince(before), kOneSync);
    EXPECT_FALSE(lockTaken());
}

INSTANTIATE_TEST_SUITE_P(
    Stops, StoppedBatchTest,
    ::testing::Values(StopRow{"CancelAsTheFirstCopyBegins", true, 1, StopRow::BeforeCopy, 1},
                      StopRow{"CancelWithThreeBooksReadyEndsOnlyTheFirst", true, 3, StopRow::BeforeCopy, 1},
                      StopRow{"CancelAfterTheFirstCopyLeavesTheReadyBooksOutOfItsTurn", true, 3, StopRow::AfterCopy, 1},
                      StopRow{"CancelInATurnThreeBooksShareEndsAllThree", true, 3, StopRow::InTurn, 3},
                      StopRow{"CancelAsTheFirstBookIsReportedLeavesTheBooksAfterItNothing", true, 1, StopRow::Reported, 1},
                      StopRow{"StopNowAsTheFirstCopyBeginsEndsNothing", false, 1, StopRow::BeforeCopy, 0}),
    [](const ::testing::TestParamInfo<StopRow> &info) { return std::string(info.param.name); });
