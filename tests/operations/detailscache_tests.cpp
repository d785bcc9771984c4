// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// The cover cache in the data folder: what it keeps, for how long, and how much of it.
#include "devicefixture.h"
#include "core/mainqueue.h"
#include "device/backend/devicefaultinjector.h"
#include "library/bookkeys.h"
#include "operations/bookdetailsloader.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <mutex>
#include <set>
#include <thread>

namespace fs = std::filesystem;

namespace {
class DetailsCacheTest : public FolderDeviceTest
{
protected:
    // Books "A".."E" with a cover each, in the device's catalogue, and the device attached.
    void SetUp() override
    {
        FolderDeviceTest::SetUp();
        m_all = catalogueOf({"A", "B", "C", "D", "E"});
        writeDeviceCatalogue(m_all);
        for (const char *name : {"A", "B", "C", "D", "E"})
            writeWholeFile(deviceFile(std::string("/Books/") + name + ".epub/cover.png"), std::string("cover of ") + name);
        attach();
        m_loader = std::make_unique<BookDetailsLoader>(
            [](const std::string &bytes, const std::string &target) {
                writeWholeFile(target, bytes + std::string(10000 - bytes.size(), ' ')); // 10,000 bytes
                return true;
            },
            nullptr);
    }
    void TearDown() override
    {
        m_loader.reset();
        FolderDeviceTest::TearDown();
    }

    static Catalogue catalogueOf(const std::vector<std::string> &names)
    {
        Catalogue catalogue;
        for (const std::string &name : names) {
            PlistPtr entry = testEntry(name, name + ".epub", true);
            entrySetString(entry.get(), BookKey::CoverPath, "cover.png");
            catalogue.appendBook(std::move(entry));
        }
        return catalogue;
    }

    // Reads the books' details and waits until they are all done.
    void load(const std::vector<std::string> &names)
    {
        BookDetailsSource source;
        source.session = m_library->openReadSession();
        source.booksCatalogue = deviceCopyPath(CataloguePath::LocalBooks);
        source.purchasesCatalogue = deviceCopyPath(CataloguePath::LocalPurchases);
        source.cacheRoot = m_files.file("covers");
        std::vector<BookDetailsRequest> books;
        for (const std::string &name : names)
            books.push_back({name + ".epub", false});
        m_loader->load(source, books);
        ASSERT_TRUE(processMainEventsUntil([this] { return m_loader->idle(); }));
    }

    std::string folder() const
    {
        return BookDetailsLoader::deviceCacheFolder(m_files.file("covers"), "0123456789abcdef0123456789abcdef01234567");
    }
    // The books whose picture is in the cache.
    std::set<std::string> cached() const
    {
        std::set<std::string> out;
        for (const auto &entry : fs::directory_iterator(folder())) {
            if (entry.path().extension() == ".png")
                out.insert(readWholeFile(entry.path()).substr(9, 1)); // "cover of X..."
        }
        return out;
    }
    // Dates the cached files of book `name` (its picture and its record) `ago` back.
    void usedAgo(const std::string &name, std::chrono::minutes ago) const
    {
        const auto when = fs::file_time_type::clock::now() - ago;
        for (const auto &entry : fs::directory_iterator(folder())) {
            if (entry.path().extension() != ".png" || readWholeFile(entry.path()).substr(9, 1) != name)
                continue;
            fs::path record = entry.path();
            fs::last_write_time(entry.path(), when);
            fs::last_write_time(record.replace_extension(".txt"), when);
        }
    }

    Catalogue m_all;
    std::unique_ptr<BookDetailsLoader> m_loader;
};
} // namespace

// Books gone from the device leave the cache once the device's book list is read again;
// temporary files a stopped program left go, those being written stay; a list that cannot
// be read prunes nothing.
TEST_F(DetailsCacheTest, GoneBooksAndLeftoverTemporaryFilesArePruned)
{
    load({"A", "B", "C", "D", "E"});
    EXPECT_EQ(cached(), (std::set<std::string>{"A", "B", "C", "D", "E"}));
    const auto old = fs::file_time_type::clock::now() - std::chrono::minutes(5);
    for (const char *leftover : {"0000.png.part", "0000.txt.part", ".package-Ab12Cd"}) {
        writeWholeFile(folder() + "/" + leftover, "half");
        fs::last_write_time(folder() + "/" + leftover, old);
    }
    writeWholeFile(folder() + "/1111.png.part", "being written");

    writeWholeFile(deviceCopyPath(CataloguePath::LocalBooks), "not a catalogue");
    load({"A"});
    EXPECT_EQ(cached(), (std::set<std::string>{"A", "B", "C", "D", "E"})) << "pruned by an unreadable list";

    ASSERT_TRUE(catalogueOf({"A", "C", "E"}).write(deviceCopyPath(CataloguePath::LocalBooks)));
    load({"A"});
    EXPECT_EQ(cached(), (std::set<std::string>{"A", "C", "E"}));
    std::set<std::string> names;
    for (const auto &entry : fs::directory_iterator(folder()))
        names.insert(entry.path().filename().string());
    EXPECT_EQ(names.size(), 7u) << "three books' picture and record, and the file being written";
    EXPECT_TRUE(names.count("1111.png.part"));
}

// Past the bound the books used longest ago go; a book read from the cache counts as used.
TEST_F(DetailsCacheTest, DiskUseIsBoundedAndTheLeastRecentlyUsedGoFirst)
{
    m_loader->setCacheLimit(35000); // room for three books of about 10,060 bytes
    load({"A", "B", "C"});
    usedAgo("A", std::chrono::minutes(30));
    usedAgo("B", std::chrono::minutes(20));
    usedAgo("C", std::chrono::minutes(10));
    load({"A"}); // from the cache: used now
    load({"D"});
    EXPECT_EQ(cached(), (std::set<std::string>{"A", "C", "D"}));
    load({"E"});
    EXPECT_EQ(cached(), (std::set<std::string>{"A", "D", "E"}));
    uintmax_t total = 0;
    for (const auto &entry : fs::recursive_directory_iterator(m_files.file("covers")))
        if (entry.is_regular_file())
            total += entry.file_size();
    EXPECT_LE(total, 35000u);
}

// The device is removed while the loader is at its first book: it reads nothing more of that
// device, reports no other book and keeps nothing of them.
TEST_F(DetailsCacheTest, TheRemovalOfTheDeviceStopsTheLoader)
{
    std::shared_ptr<ReadSession> session = m_library->openReadSession();
    ASSERT_TRUE(session);
    auto deviceReads = [] {
        const DeviceFaultInjector &calls = DeviceFaultInjector::instance();
        return calls.calls("AFCFileInfoOpen") + calls.calls("AFCDirectoryOpen") + calls.calls("AFCFileRefOpen") +
               calls.calls("AFCFileRefRead");
    };
    std::atomic<unsigned long> readsAtRemoval{0};
    std::atomic_bool sawGone{false};
    std::mutex mutex;
    std::vector<std::string> reported;
    BookDetailsLoader loader(
        [&](const std::string &bytes, const std::string &target) {
            if (readsAtRemoval == 0) {
                m_backend->detach(m_device);
                const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
                while (!session->gone() && std::chrono::steady_clock::now() < until)
                    std::this_thread::yield();
                sawGone = session->gone();
                readsAtRemoval = deviceReads();
            }
            writeWholeFile(target, bytes);
            return true;
        },
        [&](const BookDetails &details) {
            std::lock_guard lock(mutex);
            reported.push_back(details.path);
        });
    BookDetailsSource source;
    source.session = session;
    source.booksCatalogue = deviceCopyPath(CataloguePath::LocalBooks);
    source.cacheRoot = m_files.file("covers");
    loader.load(source, {{"A.epub"}, {"B.epub"}, {"C.epub"}, {"D.epub"}, {"E.epub"}});
    ASSERT_TRUE(processMainEventsUntil([&] { return loader.idle() && ipodCount() == 0; }));
    EXPECT_TRUE(sawGone.load());
    EXPECT_EQ(deviceReads(), readsAtRemoval.load()) << "requests to the device that went";
    std::lock_guard lock(mutex);
    EXPECT_EQ(reported, (std::vector<std::string>{"A.epub"}));
    EXPECT_EQ(cached(), (std::set<std::string>{"A"}));
    EXPECT_TRUE(loader.queued().empty());
}
