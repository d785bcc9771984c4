// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// Books in an app's Documents folder on the folder device.
#include "operations/appbooks.h"

#include "core/fullio.h"
#include "device/storage/shelf.h"
#include "device/backend/deviceapps.h"
#include "device/backend/devicefaultinjector.h"
#include "devicefixture.h"
#include "epubbuilder.h"
#include "library/bookkeys.h"
#include "library/packagedocument.h"

#include <cstring>
#include <filesystem>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

constexpr const char *kReader = "org.example.reader";

std::vector<std::string> namesIn(const std::string &dir)
{
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto &entry : fs::directory_iterator(dir, ec))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Whether an ePub opens with its type, stored, as readers look for it.
bool opensWithItsType(const std::string &file)
{
    return readWholeFile(file).substr(30, 28) == "mimetypeapplication/epub+zip";
}

// One export in a context of its own, answering the replace question with `replace`.
BookOperationResult exportFromApp(afc_connection *connection, const std::string &relative, const std::string &folder,
                                  bool replace)
{
    BookContext context;
    context.replaceQuestion = [replace](const std::string &) { return replace; };
    return ::exportFromApp(connection, relative, folder, context);
}

class AppBooksTest : public FolderDeviceTest
{
protected:
    void SetUp() override
    {
        FolderDeviceTest::SetUp();
        FolderDeviceApp app;
        app.identifier = kReader;
        app.displayName = app.name = "Reader";
        app.contentTypes = {"org.idpf.epub-container"};
        std::string error;
        ASSERT_TRUE(writeFolderDeviceApp(m_deviceDir.path(), app, &error)) << error;
    }
    afc_connection *connection()
    {
        if (!m_connection) {
            if (!m_device)
                attach();
            std::string why;
            EXPECT_EQ(openShelf(m_device, Shelf::app(kReader), &m_connection, &why), MDERR_OK) << why;
        }
        return m_connection;
    }
    std::string documents() const { return m_deviceDir.file(std::string("apps/") + kReader + "/container/Documents"); }
    std::string book(const std::string &name, const std::string &title, const std::string &author)
    {
        const std::string path = m_files.file(name);
        EXPECT_TRUE(EpubBuilder::validBook(title, author).write(path));
        return path;
    }
    std::vector<AppBook> listed()
    {
        std::vector<AppBook> books;
        EXPECT_EQ(listAppBookDetails(connection(), books), MDERR_OK);
        return books;
    }

    afc_connection *m_connection = nullptr;
};

TEST_F(AppBooksTest, ABookInIsStoredAsAnEpubAndListedWithItsValues)
{
    // A mimetype with a line end, deflated: the copy on the device gets the exact stored one.
    const std::string opf = EpubBuilder::packageDocument("Moby Dick", "Herman Melville", "<dc:subject>Sea</dc:subject>");
    EpubBuilder sloppy = EpubBuilder::validBook("Moby Dick", "Herman Melville").add("OEBPS/content.opf", opf);
    sloppy.add("mimetype", "application/epub+zip\n", false);
    const std::string file = m_files.file("moby.epub");
    ASSERT_TRUE(sloppy.write(file));

    const BookOperationResult in = importIntoApp(connection(), file, {});
    ASSERT_TRUE(in.done()) << in.message;
    EXPECT_EQ(in.detail, "moby.epub");
    EXPECT_EQ(namesIn(documents()), std::vector<std::string>{"moby.epub"}); // no temporary left
    EXPECT_TRUE(opensWithItsType(documents() + "/moby.epub"));

    const std::vector<AppBook> books = listed();
    ASSERT_EQ(books.size(), 1u);
    EXPECT_EQ(books[0].relative, "moby.epub");
    EXPECT_EQ(books[0].size, fs::file_size(documents() + "/moby.epub"));
    EXPECT_TRUE(books[0].problem.empty()) << books[0].problem;
    // Exactly the values an import takes from the package document.
    const StringDictionary expected = packageCatalogueValues(readPackageDocument(opf));
    for (const char *key : {BookKey::Name, BookKey::Artist, BookKey::Album, BookKey::Genre})
        EXPECT_EQ(books[0].values.at(key), expected.at(key)) << key;
    EXPECT_EQ(books[0].values.at(BookKey::Genre), "Sea");

    // Exported, deleted and ".." refused over USB: the command line's app book test.
    EXPECT_TRUE(deleteFromApp(connection(), "moby.epub").done());
    EXPECT_TRUE(deleteFromApp(connection(), "moby.epub").failed());
}

// The app removed while its connection is open: said in plain words.
TEST_F(AppBooksTest, AnAppRemovedWhileItsConnectionIsOpenIsSaid)
{
    connection();
    fs::remove_all(m_deviceDir.file(std::string("apps/") + kReader));
    EXPECT_EQ(importIntoApp(connection(), book("late.epub", "Late", "L"), {}).message, appGoneText());
    EXPECT_EQ(deleteFromApp(connection(), "late.epub").message, appGoneText());
}

TEST_F(AppBooksTest, HostileFilesAreListedSafelyOrPassedOver)
{
    const std::string docs = documents();
    fs::create_directories(docs + "/shelf/deeper");
    fs::copy_file(book("a.epub", "Nested", "N"), docs + "/shelf/deeper/nested.epub");
    ASSERT_EQ(::mkfifo((docs + "/pipe.epub").c_str(), 0600), 0);
    writeWholeFile(m_files.file("outside.epub"), readWholeFile(book("o.epub", "Outside", "O")));
    fs::create_symlink(m_files.file("outside.epub"), docs + "/link.epub");
    fs::create_directory_symlink(m_files.path(), docs + "/linked folder");
    writeWholeFile(docs + "/garbage.epub", std::string(5000, 'x'));

    // A container that claims 100 bytes and inflates to 64 MB.
    EpubBuilder bomb = EpubBuilder::validBook("Bomb", "B");
    bomb.add("META-INF/container.xml", std::string(64u << 20, ' '));
    ASSERT_TRUE(bomb.write(docs + "/bomb.epub"));
    std::string bytes = readWholeFile(docs + "/bomb.epub");
    const std::string name = "META-INF/container.xml";
    for (std::size_t at = 0; (at = bytes.find(name, at)) != std::string::npos; at += name.size()) {
        if (at >= 46 && bytes.compare(at - 46, 4, "PK\x01\x02") == 0)
            std::memcpy(&bytes[at - 46 + 24], "\x64\0\0\0", 4); // the central directory's size
    }
    writeWholeFile(docs + "/bomb.epub", bytes);

    const std::vector<AppBook> books = listed();
    std::vector<std::string> names;
    for (const AppBook &b : books)
        names.push_back(b.relative);
    EXPECT_EQ(names, (std::vector<std::string>{"bomb.epub", "garbage.epub", "shelf/deeper/nested.epub"}));
    ASSERT_EQ(books.size(), 3u);
    EXPECT_NE(books[0].problem.find("cannot be unpacked"), std::string::npos) << books[0].problem;
    EXPECT_EQ(books[0].values.at(BookKey::Name), "bomb"); // the file's name stands in
    EXPECT_NE(books[1].problem.find("not an ePub"), std::string::npos) << books[1].problem;
    EXPECT_EQ(books[2].values.at(BookKey::Name), "Nested");

    // Neither the pipe nor the link is read, copied out or removed.
    EXPECT_TRUE(exportFromApp(connection(), "pipe.epub", m_files.path(), true).failed());
    EXPECT_TRUE(exportFromApp(connection(), "link.epub", m_files.path(), true).failed());
    EXPECT_TRUE(deleteFromApp(connection(), "link.epub").failed());
    EXPECT_TRUE(fs::exists(m_files.file("outside.epub")));
    EXPECT_TRUE(deleteFromApp(connection(), "shelf/../pipe.epub").failed());
}

TEST_F(AppBooksTest, ListingReadsOnlyPartsOfEachBook)
{
    // Books far larger than what the listing may read of them.
    EpubBuilder big = EpubBuilder::validBook("Big", "A");
    std::string noise(4u << 20, '\0');
    for (std::size_t i = 0; i < noise.size(); ++i)
        noise[i] = static_cast<char>((i * 2654435761u) >> 13);
    big.add("OEBPS/noise.bin", noise, true);
    fs::create_directories(documents());
    for (int i = 0; i < 5; ++i)
        ASSERT_TRUE(big.write(documents() + "/big" + std::to_string(i) + ".epub"));
    connection();
    DeviceFaultInjector::instance().reset();
    const std::vector<AppBook> books = listed();
    ASSERT_EQ(books.size(), 5u);
    for (const AppBook &b : books)
        EXPECT_EQ(b.values.at(BookKey::Name), "Big");
    // Requests to the device; reading the pairs of an answer is none.
    auto &faults = DeviceFaultInjector::instance();
    unsigned long requests = 0;
    for (const char *op : {"AFCFileInfoOpen", "AFCDirectoryOpen", "AFCFileRefOpen", "AFCFileRefSeek",
                           "AFCFileRefRead", "AFCFileRefClose", "AFCDeviceInfoOpen"})
        requests += faults.calls(op);
    EXPECT_LE(requests, 12u * books.size());
    EXPECT_LE(faults.calls("AFCFileRefRead"), 3u * books.size());
}

} // namespace

namespace {

TEST_F(AppBooksTest, AnUnpackedBookFolderIsListedAndExportedPacked)
{
    const std::string folder = documents() + "/Loose.epub";
    fs::create_directories(folder + "/META-INF");
    fs::create_directories(folder + "/OEBPS");
    writeWholeFile(folder + "/mimetype", "application/epub+zip\n");
    writeWholeFile(folder + "/META-INF/container.xml", EpubBuilder::containerFor("OEBPS/content.opf"));
    writeWholeFile(folder + "/OEBPS/content.opf", EpubBuilder::packageDocument("Loose Leaves", "L"));
    writeWholeFile(folder + "/OEBPS/chapter1.xhtml", "<html/>");

    const std::vector<AppBook> books = listed();
    ASSERT_EQ(books.size(), 1u);
    EXPECT_TRUE(books[0].folder);
    EXPECT_EQ(books[0].values.at(BookKey::Name), "Loose Leaves");
    EXPECT_EQ(books[0].size, fs::file_size(folder + "/mimetype") + fs::file_size(folder + "/META-INF/container.xml") +
                                 fs::file_size(folder + "/OEBPS/content.opf") + 7);

    const BookOperationResult out = exportFromApp(connection(), "Loose.epub", m_files.path(), false);
    ASSERT_TRUE(out.done()) << out.message;
    EXPECT_TRUE(opensWithItsType(out.detail));
    EXPECT_TRUE(deleteFromApp(connection(), "Loose.epub").done());
    EXPECT_FALSE(fs::exists(folder));
}

TEST_F(AppBooksTest, MoreConnectionsWriteAndReadAsOne)
{
    EpubBuilder big = EpubBuilder::validBook("Parts", "P");
    std::string noise(5u << 20, '\0');
    for (std::size_t i = 0; i < noise.size(); ++i)
        noise[i] = static_cast<char>((i * 2654435761u) >> 11);
    big.add("OEBPS/noise.bin", noise, true);
    const std::string file = m_files.file("parts.epub");
    ASSERT_TRUE(big.write(file));
    connection();
    std::vector<afc_connection *> lanes(3, nullptr);
    for (afc_connection *&lane : lanes)
        ASSERT_EQ(openShelf(m_device, Shelf::app(kReader), &lane), MDERR_OK);

    // Every part in its place, whichever connection wrote it.
    ASSERT_TRUE(importIntoApp(connection(), file, {}, lanes).done());
    EXPECT_EQ(readWholeFile(documents() + "/parts.epub"), readWholeFile(file));
    for (int i = 0; i < 12; ++i)
        fs::copy_file(file, documents() + "/copy " + std::to_string(i) + ".epub");
    std::vector<AppBook> together;
    ASSERT_EQ(listAppBookDetails(connection(), together, {}, lanes), MDERR_OK);
    const std::vector<AppBook> alone = listed();
    ASSERT_EQ(together.size(), 13u);
    ASSERT_EQ(alone.size(), together.size());
    for (std::size_t i = 0; i < alone.size(); ++i) {
        EXPECT_EQ(together[i].relative, alone[i].relative);
        EXPECT_EQ(together[i].values, alone[i].values);
        EXPECT_EQ(together[i].size, alone[i].size);
    }

    // (One part refused, the whole file goes: the fault sweep of the Documents shelf.)
}

} // namespace

// A link anywhere on the way leads out of Documents: export, removal and the cover reader
// refuse it, and nothing outside is touched; a link as Documents itself takes no import.
TEST_F(AppBooksTest, NoPathPassesThroughALink)
{
    const std::string docs = documents();
    const std::string library = m_deviceDir.file(std::string("apps/") + kReader + "/container/Library");
    fs::create_directories(library);
    fs::copy_file(book("p.epub", "Private", "P"), library + "/private.epub");
    fs::create_directory_symlink("../Library", docs + "/lib");

    // (A removal through the link is refused in the command line's app book test.)
    EXPECT_TRUE(exportFromApp(connection(), "lib/private.epub", m_files.path(), true).failed());
    EXPECT_FALSE(readAppBookCover(connection(), "/Documents/lib/private.epub"));
    EXPECT_TRUE(fs::exists(library + "/private.epub"));
    EXPECT_TRUE(deleteFromApp(connection(), "lib").failed()); // "lib" is no ePub name either

    fs::remove(docs + "/lib");
    fs::rename(docs, docs + "-real");
    fs::create_directory_symlink("Library", docs);
    EXPECT_TRUE(importIntoApp(connection(), book("n.epub", "New", "N"), {}).failed());
    EXPECT_FALSE(fs::exists(library + "/n.epub"));
}
