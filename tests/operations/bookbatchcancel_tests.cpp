// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// How far an overlapped import goes once it is told to stop: Cancel (the continue flag) lets
// the book under way end, with the books already sharing its catalogue change; "stop now"
// (the go-on flag) ends the book being copied too. On the folder device.
#include "device/connection/devicesleep.h"
#include "devicefixture.h"
#include "epubbuilder.h"
#include "library/bookkeys.h"
#include "operations/bookbatch.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <mutex>
#include <ostream>
#include <set>

namespace fs = std::filesystem;

namespace {

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
};

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

// One point where the batch is stopped, and how many books end.
struct StopRow
{
    const char *name;
    bool cancel;          // Cancel, else "stop now"
    std::size_t together; // books whose copies end before the first turn, which they share
    bool inTurn;          // stopped as the shared turn begins, else as the first book's copy begins
    std::size_t imported;
};

void PrintTo(const StopRow &row, std::ostream *out)
{
    *out << row.name;
}

class StoppedBatchTest : public FolderDeviceTest, public ::testing::WithParamInterface<StopRow>
{
protected:
    void SetUp() override
    {
        FolderDeviceTest::SetUp();
        m_previousSleeper = setDeviceLinkSleeper([](unsigned int) {});
        ::setenv("BOOKFERRY_DATA_DIR", m_data.path().c_str(), 1);
        attach();
        for (int i = 0; i < 6; ++i) {
            m_books.push_back(m_files.file("book" + std::to_string(i) + ".epub"));
            ASSERT_TRUE(EpubBuilder::validBook("Book " + std::to_string(i), "C").write(m_books.back()));
        }
    }
    void TearDown() override
    {
        ::unsetenv("BOOKFERRY_DATA_DIR");
        setDeviceLinkSleeper(std::move(m_previousSleeper));
        FolderDeviceTest::TearDown();
    }

    // The first `together` books' copies end before the first book's turn, which they then
    // share; the later books' copies begin once the first book is reported (or the batch is
    // stopped). `first` adds to the first book's hooks.
    std::vector<BookBatch::ItemResult> import(BookBatch &batch, std::size_t together, const Hooks &first)
    {
        batch.syncLock = true;
        batch.onItemDone = [this](std::size_t i, const BookOperationResult &) {
            if (i == 0)
                m_reported.count();
        };
        return batch.runOverlapped(*m_library, m_books.size(), [&](std::size_t i, BookContext &context) {
            BookStart start = m_library->books().startImport(context, m_books[i]);
            Hooks hooks = i == 0 ? first : Hooks{};
            if (i == 0) {
                hooks.beforeCopy = [&, before = first.beforeCopy] {
                    m_copied.waitFor(together - 1);
                    if (before)
                        before();
                };
            } else if (i < together) {
                hooks.afterCopy = [&] { m_copied.count(); };
            } else {
                hooks.beforeCopy = [&] { m_reported.waitFor(1); };
            }
            if (start.steps)
                start.steps = std::make_unique<HeldSteps>(std::move(start.steps), hooks);
            return start;
        });
    }
    std::set<std::string> deviceFolders() const
    {
        std::set<std::string> names;
        std::error_code ec;
        for (const auto &entry : fs::directory_iterator(deviceFile("/Books"), ec))
            if (entry.is_directory())
                names.insert(entry.path().filename().string());
        return names;
    }
    std::vector<std::string> cataloguePaths() const
    {
        return fs::exists(deviceFile("/Books/Books.plist")) ? deviceCatalogue().stringValues(BookKey::Path)
                                                            : std::vector<std::string>{};
    }

    TempDir m_data;
    std::vector<std::string> m_books;
    Latch m_copied, m_reported;
    DeviceLinkSleeper m_previousSleeper;
};

} // namespace

// The batch is stopped at one point; the books that end are imported whole (an entry and its
// folder), the others leave nothing on the device.
TEST_P(StoppedBatchTest, TheBooksUnderWayEndAndNoOtherStarts)
{
    const StopRow &row = GetParam();
    std::atomic_bool goOn{true}, next{true};
    BookBatch batch;
    batch.continueFlag = &next;
    batch.goOnFlag = &goOn;
    Hooks first;
    (row.inTurn ? first.onSharedTurn : first.beforeCopy) = [&] {
        (row.cancel ? next : goOn) = false;
        m_reported.count(); // the later books need not wait for a report that may not come
    };
    const std::vector<BookBatch::ItemResult> results = import(batch, row.together, first);

    std::vector<std::string> paths;
    for (const BookBatch::ItemResult &r : results) {
        EXPECT_TRUE(r.result.done()) << r.index << ": " << r.result.message;
        paths.push_back(r.result.detail);
    }
    EXPECT_EQ(paths.size(), row.imported);
    EXPECT_EQ(cataloguePaths(), paths);
    EXPECT_EQ(deviceFolders(), std::set<std::string>(paths.begin(), paths.end()));
}

INSTANTIATE_TEST_SUITE_P(
    Stops, StoppedBatchTest,
    ::testing::Values(StopRow{"CancelAsTheFirstCopyBegins", true, 1, false, 1},
                      StopRow{"CancelWithThreeBooksReadyEndsOnlyTheFirst", true, 3, false, 1},
                      StopRow{"CancelInATurnThreeBooksShareEndsAllThree", true, 3, true, 3},
                      StopRow{"StopNowAsTheFirstCopyBeginsEndsNothing", false, 1, false, 0}),
    [](const ::testing::TestParamInfo<StopRow> &info) { return std::string(info.param.name); });
