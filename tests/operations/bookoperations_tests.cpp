// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "core/scratch.h"
#include "device/storage/devicefiles.h"
#include "devicefixture.h"
#include "epubbuilder.h"
#include "library/bookkeys.h"
#include "operations/bookbatch.h"
#include "operations/bookfoldernamegenerator.h"
#include "operations/epubarchive.h"

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {
plist_t entryWithPath(const Catalogue &c, const std::string &path)
{
    for (plist_t entry : c.books()) {
        if (entryString(entry, BookKey::Path) == path)
            return entry;
    }
    return nullptr;
}

std::vector<std::string> filesUnder(const std::string &dir)
{
    std::vector<std::string> out;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(dir, ec); !ec && it != fs::recursive_directory_iterator(); ++it)
        if (it->is_regular_file())
            out.push_back(fs::relative(it->path(), dir).generic_string());
    std::sort(out.begin(), out.end());
    return out;
}

class BookOperationsTest : public FolderDeviceTest
{
protected:
    std::string book(const std::string &name, const EpubBuilder &builder)
    {
        const std::string path = m_files.file(name);
        EXPECT_TRUE(builder.write(path));
        return path;
    }
    std::string exportDir()
    {
        const std::string dir = m_files.file("export");
        fs::create_directories(dir);
        return dir;
    }
};
} // namespace

TEST_F(BookOperationsTest, ImportWritesTheBookAndAFullEntry)
{
    Catalogue existing;
    existing.appendBook(testEntry("Library", "LIBR.epub", false));
    writeDeviceCatalogue(existing);
    attach();
    const std::string cover = "JPEGDATA";
    // (Every value the package document gives: the package document tests.)
    const std::string opf = EpubBuilder::packageDocument(
        "Tom &amp; Jerry", "Writer", {},
        "    <item href=\"images/cover.jpg\" id=\"cover\" media-type=\"image/jpeg\"/>\n");
    const std::string file =
        book("tom.epub", EpubBuilder::validBook("x", "y").add("OEBPS/content.opf", opf).add("OEBPS/images/cover.jpg", cover));

    const std::string path = importBook(file);
    ASSERT_EQ(path, BookFolderNameGenerator().next()) << "a fresh run draws the same first name";
    // The files are on the device under the folder name, the catalogue names the book.
    EXPECT_EQ(filesUnder(deviceFile("/Books/" + path)),
              (std::vector<std::string>{"META-INF/container.xml", "OEBPS/chapter1.xhtml", "OEBPS/content.opf",
                                        "OEBPS/images/cover.jpg", "OEBPS/nav.xhtml", "mimetype"}));
    const Catalogue onDevice = deviceCatalogue();
    ASSERT_TRUE(onDevice.isLoaded());
    ASSERT_EQ(onDevice.bookCount(), 2u);
    plist_t entry = entryWithPath(onDevice, path);
    ASSERT_TRUE(entry);
    EXPECT_EQ(entryString(entry, BookKey::Name), "Tom & Jerry");
    EXPECT_EQ(entryString(entry, BookKey::Artist), "Writer");
    EXPECT_EQ(entryString(entry, BookKey::CoverPath), "images/cover.jpg") << "written as the package has it";
    EXPECT_EQ(entryString(entry, BookKey::CoverHash), upperMd5(cover)) << "found beside the package document";
    EXPECT_EQ(entryString(entry, BookKey::PackageHash), upperMd5(opf));
    EXPECT_EQ(entryString(entry, BookKey::PersistentID), "0000000000002000");
    EXPECT_EQ(entryString(entry, BookKey::UniqueID), "0000000000002000");
    EXPECT_EQ(entryBool(entry, BookKey::UserItem), true);
    EXPECT_EQ(entryBool(entry, BookKey::HasArtwork), false);
    plist_t date = plist_dict_get_item(entry, BookKey::ReleaseDate);
    ASSERT_TRUE(date);
    EXPECT_EQ(plist_get_node_type(date), PLIST_DATE);
    // The working copy matches the device, and the upload left no temporary file behind.
    EXPECT_EQ(readWholeFile(deviceCopyPath(CataloguePath::LocalBooks)), readWholeFile(deviceFile("/Books/Books.plist")));
    EXPECT_FALSE(fs::exists(deviceFile("/Books/.Books.plist.upload")));
    EXPECT_FALSE(fs::exists(deviceCopyPath(path))) << "the unpacked copy is not kept";

    // The book is listed under "Custom Books".
    auto custom = firstDevice()->childAtIndex(1)->getNodeInfo();
    ASSERT_EQ(custom->tableColumn_data->size(), 1u);
    EXPECT_TRUE(custom->tableColumn_data->front()->isuserItem());
}

// Archives that are refused (no zip, an entry leaving its folder) are hostile_tests' cases.
TEST_F(BookOperationsTest, ImportSkipsANameWithoutTheExactExtension)
{
    attach();
    const std::string valid = m_files.file("Book.EPUB");
    ASSERT_TRUE(EpubBuilder::validBook("T", "C").write(valid));
    const BookOperationResult upper = addEPUBToDevice(valid);
    EXPECT_EQ(upper.status, BookOperationResult::Status::Skipped);
    EXPECT_FALSE(fs::exists(deviceFile("/Books/Books.plist"))) << "nothing reached the device";
}

TEST_F(BookOperationsTest, IdentifiersAndFolderNamesNeverCollide)
{
    // The catalogue already holds the first folder name and the first identifier candidate.
    BookFolderNameGenerator names;
    const std::string taken = names.next();
    Catalogue existing;
    PlistPtr entry = testEntry("Old", taken, true);
    entrySetString(entry.get(), BookKey::PersistentID, "0000000000002000");
    existing.appendBook(std::move(entry));
    writeDeviceCatalogue(existing);
    attach();
    const std::string first = importBook(book("one.epub", EpubBuilder::validBook("One", "C")));
    EXPECT_EQ(first, names.next());
    const std::string second = importBook(book("two.epub", EpubBuilder::validBook("Two", "C")));
    EXPECT_NE(second, first);
    const Catalogue onDevice = deviceCatalogue();
    ASSERT_EQ(onDevice.bookCount(), 3u);
    const auto persistent = onDevice.stringValues(BookKey::PersistentID);
    ASSERT_EQ(persistent.size(), 3u);
    EXPECT_NE(persistent[1], "0000000000002000");
    EXPECT_NE(persistent[2], persistent[1]);
    const auto unique = onDevice.stringValues(BookKey::UniqueID);
    EXPECT_EQ(unique[0], "0000000000002000") << "unique IDs are chosen among themselves";
}

TEST_F(BookOperationsTest, CoverAtTheRootAndPackageWithoutContainerStillImport)
{
    attach();
    const std::string opf = EpubBuilder::packageDocument("Rooted", "C", {},
                                                         "<item href=\"cover.png\" id=\"cover\"/>\n");
    const std::string rooted = importBook(
        book("r.epub", EpubBuilder::validBook("x", "y").add("OEBPS/content.opf", opf).add("cover.png", "ROOTCOVER")));
    const std::string bare = importBook(book("Bare Book.epub", EpubBuilder().add("text.html", "<p/>")));
    const Catalogue onDevice = deviceCatalogue();
    EXPECT_EQ(entryString(entryWithPath(onDevice, rooted), BookKey::CoverHash), upperMd5("ROOTCOVER"));
    plist_t bareEntry = entryWithPath(onDevice, bare);
    ASSERT_TRUE(bareEntry);
    EXPECT_EQ(entryString(bareEntry, BookKey::Name), "Bare Book");
    EXPECT_EQ(entryString(bareEntry, BookKey::PackageHash), upperMd5(""));
    EXPECT_EQ(entryString(bareEntry, BookKey::CoverHash), upperMd5(""));
    EXPECT_FALSE(entryString(bareEntry, BookKey::CoverPath));
    EXPECT_TRUE(fs::is_regular_file(deviceFile("/Books/" + bare + "/text.html")));
}

TEST_F(BookOperationsTest, ExportAsksBeforeReplacingAndPacksAValidBook)
{
    attach();
    const std::string path = importBook(book("a.epub", EpubBuilder::validBook("Exported", "C")));
    const std::string dir = exportDir();
    std::vector<std::string> questions;
    bool answer = false;
    m_library->setReplaceQuestion([&](const std::string &q) {
        questions.push_back(q);
        return answer;
    });
    auto first = saveEpubToMac(path, dir, false, "A/Title\x01");
    ASSERT_TRUE(first.done()) << first.message;
    const std::string target = dir + "/A_Title_.epub";
    EXPECT_EQ(first.detail, target);
    EXPECT_TRUE(questions.empty());
    const std::string firstBytes = readWholeFile(target);
    EXPECT_EQ(readWholeFile(target).substr(30, 8), "mimetype");

    writeWholeFile(target, "old file");
    auto kept = saveEpubToMac(path, dir, false, "A/Title\x01");
    EXPECT_EQ(kept.status, BookOperationResult::Status::Skipped);
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_EQ(questions[0], target + " is existing. Are you sure to replace?");
    EXPECT_EQ(readWholeFile(target), "old file");
    answer = true;
    EXPECT_TRUE(saveEpubToMac(path, dir, false, "A/Title\x01").done());
    EXPECT_NE(readWholeFile(target), "old file");
    EXPECT_EQ(filesUnder(dir), std::vector<std::string>{"A_Title_.epub"}) << "no download copy is left";

    if (epubcheckAvailable()) {
        std::string output;
        EXPECT_EQ(runEpubcheck(target, &output), 0) << output;
    }
}

// An import stopped part way leaves a book folder no catalogue entry names (the batch tests
// pass it over by name); the tree copy itself refuses a book folder that is there already,
// and leaves it.
TEST_F(BookOperationsTest, TheTreeCopyNeverMovesIntoAFolderTheDeviceHolds)
{
    const std::string first = BookFolderNameGenerator().next();
    writeWholeFile(deviceFile("/Books/" + first + "/OEBPS/leftover.xhtml"), "from a stopped import");
    attach();
    const std::string local = m_files.file(first);
    writeWholeFile(local + "/mimetype", "application/epub+zip");
    const std::shared_ptr<DeviceSession> session = m_library->openSession();
    ASSERT_TRUE(session);
    TreeCopier &copier = session->treeCopier();
    const int copied = copier.copyFolderAsWritten(local, session->data(), [&](const auto &feed) {
        feed("mimetype", false);
        return true;
    });
    EXPECT_EQ(copied, 0);
    EXPECT_TRUE(copier.lastTreeCopy().rootExisted);
    EXPECT_EQ(filesUnder(deviceFile("/Books/" + first)), std::vector<std::string>{"OEBPS/leftover.xhtml"});
}

// Two books of one title exported in one batch, "replace" answered: each is a file of its
// own afterwards. The second does not replace what the first just wrote (the user asked for
// both); it takes the next free name. A file that was there before the batch is replaced.
TEST_F(BookOperationsTest, BooksOfOneTitleInOneExportAreEachAFileOfTheirOwn)
{
    writeWholeFile(deviceFile("/Books/ONE1.epub"), "first book");
    writeWholeFile(deviceFile("/Books/TWO2.epub"), "second book");
    writeWholeFile(deviceFile("/Books/TRI3.epub"), "third book");
    attach();
    const std::string dir = exportDir();
    writeWholeFile(dir + "/Same.epub", "from last week");
    writeWholeFile(dir + "/Same (2).epub", "also from last week");
    int questions = 0;
    m_library->setReplaceQuestion([&](const std::string &) { return ++questions, true; });
    const std::vector<std::string> books = {"ONE1.epub", "TWO2.epub", "TRI3.epub"};
    BookBatch batch;
    const auto results = batch.run(*m_library, books.size(), [&](std::size_t i, BookContext &context) {
        return BookShelf::wholeBook(context, m_library->books().startExport(context, books[i], dir, false, "Same"));
    });
    ASSERT_EQ(results.size(), 3u);
    EXPECT_EQ(questions, 1);
    EXPECT_EQ(results[0].result.detail, dir + "/Same.epub");
    EXPECT_EQ(results[1].result.detail, dir + "/Same (3).epub");
    EXPECT_EQ(results[2].result.detail, dir + "/Same (4).epub");
    EXPECT_EQ(readWholeFile(dir + "/Same.epub").substr(0, 10), "first book");
    EXPECT_EQ(readWholeFile(dir + "/Same (2).epub"), "also from last week");
    EXPECT_EQ(readWholeFile(dir + "/Same (3).epub").substr(0, 11), "second book");
    EXPECT_EQ(readWholeFile(dir + "/Same (4).epub").substr(0, 10), "third book");
}

// The export works in the private scratch folder: while it runs (here: while it asks about
// replacing) the user's folder holds nothing of it, so a stopped export leaves nothing there,
// also when the folder is on another file system than the scratch folder (then the finished
// book is copied in under a locked working name). A copy another export left (unlocked)
// goes; one that an export is writing (locked) stays.
TEST_F(BookOperationsTest, AnExportLeavesNothingButTheBookInTheUsersFolder)
{
    attach();
    const std::string path = importBook(book("a.epub", EpubBuilder::validBook("Exported", "C")));
    std::vector<std::string> dirs = {exportDir()};
    std::optional<TempDir> elsewhere;
    struct stat scratch{}, shm{};
    if (::stat(scratchDir().c_str(), &scratch) == 0 && ::stat("/dev/shm", &shm) == 0 && scratch.st_dev != shm.st_dev) {
        const char *tmpdir = std::getenv("TMPDIR");
        const std::optional<std::string> previous = tmpdir ? std::optional<std::string>(tmpdir) : std::nullopt;
        ::setenv("TMPDIR", "/dev/shm", 1);
        elsewhere.emplace();
        previous ? ::setenv("TMPDIR", previous->c_str(), 1) : ::unsetenv("TMPDIR");
        dirs.push_back(elsewhere->path());
    }
    for (const std::string &dir : dirs) {
        writeWholeFile(dir + "/Exported.epub", "old");
        writeWholeFile(dir + "/.bookferry-export-aBcDeF", "left by a stopped export");
        writeWholeFile(dir + "/.bookferry-export-GhIjKl", "being written");
        const int writer = ::open((dir + "/.bookferry-export-GhIjKl").c_str(), O_RDONLY);
        ASSERT_EQ(::flock(writer, LOCK_EX), 0);
        std::vector<std::string> whileAsked;
        m_library->setReplaceQuestion([&](const std::string &) {
            for (const auto &e : fs::directory_iterator(dir))
                whileAsked.push_back(e.path().filename().string());
            return true;
        });
        const BookOperationResult result = saveEpubToMac(path, dir, false, "Exported");
        ::close(writer);
        ASSERT_TRUE(result.done()) << dir << ": " << result.message;
        std::sort(whileAsked.begin(), whileAsked.end());
        EXPECT_EQ(whileAsked, (std::vector<std::string>{".bookferry-export-GhIjKl", "Exported.epub"})) << dir;
        EXPECT_EQ(filesUnder(dir), (std::vector<std::string>{".bookferry-export-GhIjKl", "Exported.epub"})) << dir;
        EXPECT_EQ(readWholeFile(dir + "/Exported.epub").substr(30, 8), "mimetype") << dir;
    }
}

TEST_F(BookOperationsTest, ExportTakesPurchasesFromTheirFolderAndSurvivesATitleLikeTheFolder)
{
    const std::string unpacked = m_files.file("unpacked");
    ASSERT_TRUE(EpubBuilder::validBook("Bought", "C").write(m_files.file("bought.epub")));
    std::string error;
    ASSERT_TRUE(unpackEpubArchive(m_files.file("bought.epub"), deviceFile("/Books/Purchases/BUY1.epub"), &error));
    writeWholeFile(deviceFile("/Books/BUY1.epub"), "a different book with the same name");
    attach();
    const std::string dir = exportDir();
    // The title equals the folder's name without ".epub": the target is "BUY1.epub" itself.
    auto bought = saveEpubToMac("BUY1.epub", dir, true, "BUY1");
    ASSERT_TRUE(bought.done()) << bought.message;
    TempDir check;
    ASSERT_TRUE(unpackEpubArchive(dir + "/BUY1.epub", check.file("u"), &error)) << error;
    EXPECT_NE(readWholeFile(check.file("u/OEBPS/content.opf")).find("Bought"), std::string::npos);

    // A library book that is a single file passes through as it is.
    auto single = saveEpubToMac("BUY1.epub", dir, false, "Single");
    ASSERT_TRUE(single.done()) << single.message;
    EXPECT_EQ(readWholeFile(dir + "/Single.epub"), "a different book with the same name");

    auto missing = saveEpubToMac("NONE.epub", dir, false, "None");
    EXPECT_TRUE(missing.failed());
    EXPECT_TRUE(saveEpubToMac("../Books", dir, false, "x").failed());
}

// (A read the device refuses fails the export and leaves nothing: the fault sweep's case.)
TEST_F(BookOperationsTest, ExportKeepsEmptyFiles)
{
    writeWholeFile(deviceFile("/Books/ABCD.epub/mimetype"), "application/epub+zip");
    writeWholeFile(deviceFile("/Books/ABCD.epub/OEBPS/empty.css"), "");
    writeWholeFile(deviceFile("/Books/ABCD.epub/OEBPS/text.html"), "<p>text</p>");
    attach();
    const std::string dir = exportDir();
    ASSERT_TRUE(saveEpubToMac("ABCD.epub", dir, false, "Whole").done());
    TempDir check;
    std::string error;
    ASSERT_TRUE(unpackEpubArchive(dir + "/Whole.epub", check.file("u"), &error)) << error;
    EXPECT_EQ(filesUnder(check.file("u")), (std::vector<std::string>{"OEBPS/empty.css", "OEBPS/text.html", "mimetype"}));
}

TEST_F(BookOperationsTest, DeleteRemovesEveryEntryWithThePathAndItsFolder)
{
    Catalogue existing;
    existing.appendBook(testEntry("One", "SAME.epub", true));
    existing.appendBook(testEntry("Keep", "KEEP.epub", true));
    existing.appendBook(testEntry("Two", "SAME.epub", true));
    writeDeviceCatalogue(existing);
    writeWholeFile(deviceFile("/Books/SAME.epub/OEBPS/a.html"), "a");
    writeWholeFile(deviceFile("/Books/KEEP.epub/b.html"), "b");
    attach();

    epub missing;
    missing.setMediaPcPath("GONE.epub");
    const std::string before = readWholeFile(deviceFile("/Books/Books.plist"));
    EXPECT_EQ(deleteMediaFromDevice(missing).status, BookOperationResult::Status::Skipped);
    EXPECT_EQ(readWholeFile(deviceFile("/Books/Books.plist")), before);

    epub record;
    record.setMediaPcPath("SAME.epub");
    ASSERT_TRUE(deleteMediaFromDevice(record).done());
    const Catalogue onDevice = deviceCatalogue();
    EXPECT_EQ(onDevice.stringValues(BookKey::Path), std::vector<std::string>{"KEEP.epub"});
    EXPECT_FALSE(fs::exists(deviceFile("/Books/SAME.epub")));
    EXPECT_TRUE(fs::exists(deviceFile("/Books/KEEP.epub/b.html")));
    auto custom = firstDevice()->childAtIndex(1)->getNodeInfo();
    ASSERT_EQ(custom->tableColumn_data->size(), 1u);
    EXPECT_EQ(custom->tableColumn_data->front()->mediaPcPath(), "KEEP.epub");

    epub hostile;
    hostile.setMediaPcPath("../Books");
    EXPECT_TRUE(deleteMediaFromDevice(hostile).failed());
    EXPECT_TRUE(fs::exists(deviceFile("/Books/KEEP.epub/b.html")));
}

// Books the device gained or lost since its survey (bought, synced, deleted on the device)
// stay as the device has them: a deletion changes its catalogue as it is now, and the lists
// follow the device. (An import's: the batch tests.)
TEST_F(BookOperationsTest, ChangesOnTheDeviceSinceTheSurveySurviveADeletion)
{
    Catalogue atSurvey;
    atSurvey.appendBook(testEntry("Old", "OLDB.epub", true));
    atSurvey.appendBook(testEntry("Removed on the device", "GONE.epub", true));
    writeDeviceCatalogue(atSurvey);
    writeWholeFile(deviceFile("/Books/OLDB.epub/a.html"), "a");
    attach();
    auto customPaths = [this] {
        std::vector<std::string> paths;
        const auto custom = firstDevice()->childAtIndex(1)->getNodeInfo();
        for (const auto &record : *custom->tableColumn_data)
            paths.push_back(record->mediaPcPath());
        return paths;
    };
    ASSERT_EQ(customPaths(), (std::vector<std::string>{"OLDB.epub", "GONE.epub"}));

    Catalogue meanwhile;
    for (const char *path : {"OLDB.epub", "BUYS.epub", "SYNC.epub"})
        meanwhile.appendBook(testEntry(path, path, true));
    writeDeviceCatalogue(meanwhile);
    epub record;
    record.setMediaPcPath("OLDB.epub");
    ASSERT_TRUE(deleteMediaFromDevice(record).done());
    EXPECT_EQ(deviceCatalogue().stringValues(BookKey::Path), (std::vector<std::string>{"BUYS.epub", "SYNC.epub"}));
    EXPECT_EQ(customPaths(), (std::vector<std::string>{"BUYS.epub", "SYNC.epub"}));

    // A book already gone from the device is skipped, and the lists catch up with the device.
    Catalogue emptied;
    writeDeviceCatalogue(emptied);
    record.setMediaPcPath("BUYS.epub");
    EXPECT_EQ(deleteMediaFromDevice(record).status, BookOperationResult::Status::Skipped);
    EXPECT_TRUE(customPaths().empty());
    EXPECT_EQ(filesUnder(deviceCopyPath("Books")), (std::vector<std::string>{"Books.plist", "Purchases/Purchases.plist"}))
        << "no temporary copy left";
}

// A catalogue of gigabytes is neither copied nor read into memory: the survey lists no books
// from it, and a change is refused with the reason before anything is read or changed.
TEST_F(BookOperationsTest, ACatalogueTooLargeToReadIsRefusedAndLeftAsItIs)
{
    const std::string catalogue = deviceFile("/Books/Books.plist");
    fs::create_directories(deviceFile("/Books"));
    std::ofstream(catalogue).close();
    fs::resize_file(catalogue, kMaxCatalogueBytes + 1); // sparse: no disk used
    attach();
    EXPECT_FALSE(fs::exists(deviceCopyPath(CataloguePath::LocalBooks))) << "copied by the survey";

    auto imported = addEPUBToDevice(book("big.epub", EpubBuilder::validBook("Big", "C")));
    EXPECT_TRUE(imported.failed());
    EXPECT_NE(imported.message.find("book catalogue is 257 MB, more than the 256 MB this program reads"),
              std::string::npos)
        << imported.message;
    EXPECT_EQ(fs::file_size(catalogue), kMaxCatalogueBytes + 1);
    EXPECT_EQ(filesUnder(deviceFile("/Books")), std::vector<std::string>{"Books.plist"});
    EXPECT_EQ(filesUnder(deviceCopyPath("")), std::vector<std::string>{"Books/Purchases/Purchases.plist"})
        << "a partial copy was left";
}
