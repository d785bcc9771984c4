// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// Hostile ePub files: archives that try to write outside their folder, to exhaust memory or
// disk, or that cannot be read, and package documents that point where they must not.
#include "hostiledevice.h"

#include "epubbuilder.h"
#include "library/bookkeys.h"
#include "operations/epubarchive.h"

#include <gtest/gtest.h>

#include <zip.h>

#include <cstring>
#include <filesystem>

namespace fs = std::filesystem;

namespace {
std::vector<std::string> listing(const std::string &dir)
{
    std::vector<std::string> out;
    for (const auto &e : fs::recursive_directory_iterator(dir))
        out.push_back(fs::relative(e.path(), dir).string());
    std::sort(out.begin(), out.end());
    return out;
}

// Sets the uncompressed size of a one-entry zip's entry in both headers.
void patchUncompressedSize(const std::string &path, uint32_t size)
{
    std::string data = readWholeFile(path);
    const std::size_t central = data.rfind(std::string("PK\x01\x02", 4));
    ASSERT_EQ(data.compare(0, 4, std::string("PK\x03\x04", 4)), 0);
    ASSERT_NE(central, std::string::npos);
    std::memcpy(&data[22], &size, 4); // little-endian host, as the format
    std::memcpy(&data[central + 24], &size, 4);
    writeWholeFile(path, data);
}

class HostileArchive : public ::testing::Test
{
protected:
    // Unpacks `archive` and expects a refusal that left nothing anywhere.
    void expectRefused(const std::string &archive, const std::string &why, const UnpackLimits &limits = {})
    {
        const auto before = listing(m_dir.path());
        std::string error;
        EXPECT_FALSE(unpackEpubArchive(archive, m_dir.file("out"), &error, limits)) << why;
        EXPECT_FALSE(error.empty()) << why;
        EXPECT_EQ(listing(m_dir.path()), before) << why << ": " << error;
        EXPECT_FALSE(fs::exists("/tmp/bookferry-hostile-escape")) << why;
    }
    TempDir m_dir;
};
} // namespace

TEST_F(HostileArchive, EntriesLeavingTheFolderAreRefused)
{
    const std::string book = m_dir.file("book.epub");
    const std::pair<const char *, const char *> cases[] = {
        {"../escape.txt", "a parent step"},
        {"OEBPS/../../escape.txt", "a parent step inside"},
        {"OEBPS/..", "a bare parent"},
        {"/tmp/bookferry-hostile-escape", "an absolute name"},
    };
    for (const auto &[name, why] : cases) {
        ASSERT_TRUE(EpubBuilder::validBook("Slip", "Writer").add(name, "pwned").write(book));
        expectRefused(book, why);
    }
    ASSERT_TRUE(EpubBuilder::validBook("Link", "Writer").addSymlink("OEBPS/link", "/etc").write(book));
    expectRefused(book, "a symbolic link");
    ASSERT_TRUE(EpubBuilder::validBook("Link", "Writer")
                    .addSymlink("OEBPS/link", "..")
                    .add("OEBPS/link/escape.txt", "pwned")
                    .write(book));
    expectRefused(book, "a file written through a symbolic link");
}

TEST_F(HostileArchive, BombsStopAtTheSizeLimit)
{
    // 64 MiB of zeros packs into a few dozen kilobytes.
    const std::string bomb = m_dir.file("bomb.epub");
    ASSERT_TRUE(writeZip(bomb, {{"mimetype", "application/epub+zip"}, {"zeros", std::string(64u << 20, '\0')}}));
    EXPECT_LT(fs::file_size(bomb), 1u << 20);
    UnpackLimits small;
    small.maxTotalBytes = 16u << 20;
    expectRefused(bomb, "a bomb with honest headers", small);

    // Headers that lie about the size: the bytes written are counted, and the first 16 MiB
    // written are taken back.
    const std::string liar = m_dir.file("liar.epub");
    ASSERT_TRUE(writeZip(liar, {{"zeros", std::string(64u << 20, '\0')}}));
    patchUncompressedSize(liar, 100);
    expectRefused(liar, "a bomb whose headers say 100 bytes", small);

    // The ordinary limit holds against a header announcing 3 GB, before anything is written.
    const std::string huge = m_dir.file("huge.epub");
    ASSERT_TRUE(writeZip(huge, {{"big", "tiny"}}));
    patchUncompressedSize(huge, 3000000000u);
    expectRefused(huge, "an entry announcing 3 GB");
}

TEST_F(HostileArchive, EncryptedCrowdedTruncatedAndForeignFilesAreRefused)
{
    const std::string encrypted = m_dir.file("encrypted.epub");
    std::string error;
    ASSERT_TRUE(writeZip(encrypted,
                         {{"mimetype", "application/epub+zip"}, {"OEBPS/secret.xhtml", "<p>hidden</p>", false, true}},
                         &error))
        << error;
    expectRefused(encrypted, "an encrypted entry");

    std::vector<ZipEntry> many;
    many.reserve(100000);
    for (int i = 0; i < 100000; ++i)
        many.push_back({"f/" + std::to_string(i), {}});
    const std::string crowded = m_dir.file("crowded.epub");
    ASSERT_TRUE(writeZip(crowded, many));
    expectRefused(crowded, "100,000 entries");

    const std::string whole = m_dir.file("whole.epub");
    ASSERT_TRUE(EpubBuilder::validBook("Cut", "Writer").write(whole));
    const std::string data = readWholeFile(whole);
    for (std::size_t keep : {data.size() / 2, data.size() - 10, std::size_t(4)}) {
        writeWholeFile(m_dir.file("cut.epub"), data.substr(0, keep));
        expectRefused(m_dir.file("cut.epub"), "a truncated archive of " + std::to_string(keep) + " bytes");
    }
    writeWholeFile(m_dir.file("text.epub"), "This is plain text, not a zip archive.\n");
    expectRefused(m_dir.file("text.epub"), "a text file");
    writeWholeFile(m_dir.file("empty.epub"), "");
    expectRefused(m_dir.file("empty.epub"), "an empty file");
    expectRefused(m_dir.file("missing.epub"), "a missing file");
}

TEST(HostileImport, RefusedArchivesLeaveTheDeviceAsItWas)
{
    HostileDevice device;
    ASSERT_TRUE(device.attach());
    const std::string slip = device.inputFile("slip.epub");
    ASSERT_TRUE(EpubBuilder::validBook("Slip", "Writer").add("../../../../escape.txt", "pwned").write(slip));
    const std::string text = device.inputFile("text.epub");
    writeWholeFile(text, "not a zip");
    for (const std::string &file : {slip, text}) {
        const BookOperationResult r = device.addEPUBToDevice(file);
        EXPECT_TRUE(r.failed()) << file;
        EXPECT_FALSE(r.message.empty());
    }
    EXPECT_FALSE(fs::exists(device.deviceFile("/Books/Books.plist"))) << "no catalogue appears for a refused book";
    EXPECT_EQ(device.strays({}), std::vector<std::string>());
}

TEST(HostileImport, NamesThatAreNotUtf8StayInsideTheBook)
{
    HostileDevice device;
    ASSERT_TRUE(device.attach());
    const std::string file = device.inputFile("latin.epub");
    std::vector<ZipEntry> entries = {{"mimetype", "application/epub+zip"},
                                     {"META-INF/container.xml", EpubBuilder::containerFor("OEBPS/content.opf")},
                                     {"OEBPS/content.opf", EpubBuilder::packageDocument("Latin", "Writer")},
                                     {"OEBPS/\xe9t\xe9.xhtml", "<p>summer</p>", true},
                                     {"\xff\xfe/\x80.xhtml", "<p>odd</p>", true}};
    ASSERT_TRUE(writeZip(file, entries));
    const BookOperationResult r = device.addEPUBToDevice(file);
    ASSERT_TRUE(r.done()) << r.message;
    // Whatever the names became, every file is inside the book's folder.
    std::size_t files = 0;
    for (const auto &e : fs::recursive_directory_iterator(device.deviceFile("/Books/" + r.detail)))
        files += e.is_regular_file() ? 1 : 0;
    EXPECT_EQ(files, entries.size());
    EXPECT_EQ(device.strays({r.detail}), std::vector<std::string>());
}

// Package documents and containers that are broken or point where they must not: the book
// is imported, named by its file when no title can be read, and nothing is read from outside.
TEST(HostileImport, PackageDocumentsGiveTheirValuesOrTheFileName)
{
    HostileDevice device;
    ASSERT_TRUE(device.attach());
    auto opfWithTitleLine = [](const std::string &line) {
        std::string opf = EpubBuilder::packageDocument("PLACEHOLDER", "Writer");
        const std::size_t at = opf.find("<dc:title>PLACEHOLDER</dc:title>");
        return opf.replace(at, std::strlen("<dc:title>PLACEHOLDER</dc:title>"), line);
    };
    auto withContainer = [](const std::string &container) {
        return EpubBuilder::validBook("Never Read", "y").add("META-INF/container.xml", container);
    };
    const std::string puid = "urn:uuid:12345678-1234-1234-1234-123456789abc";
    const struct
    {
        std::string name; // the file's, and the title expected unless `expected` says otherwise
        EpubBuilder book;
        std::vector<std::pair<const char *, std::string>> expected;
    } rows[] = {
        {"latin title",
         EpubBuilder::validBook("x", "y").add("OEBPS/content.opf",
                                              opfWithTitleLine("<dc:title>\xe9t\xe9</dc:title>")),
         {}},
        // No closing tag: no title (not the text after it), and what came before it is kept.
        {"open",
         EpubBuilder::validBook("x", "y").add("OEBPS/content.opf", opfWithTitleLine("<dc:title>Open Title")),
         {{BookKey::PublisherUniqueID, puid}}},
        // A path that misses its closing quote is no XML and names no package.
        {"unquoted",
         withContainer(
             "<container><rootfiles>\n<rootfile full-path=\"OEBPS/content.opf\n</rootfiles></container>\n"),
         {{BookKey::PackageHash, kEmptyMd5}}},
        {"outside",
         withContainer(EpubBuilder::containerFor("../../../../../../../etc/passwd")),
         {{BookKey::PackageHash, kEmptyMd5}}},
        {"absolute",
         withContainer(EpubBuilder::containerFor("/etc/passwd")),
         {{BookKey::PackageHash, kEmptyMd5}}},
        {"folder", withContainer(EpubBuilder::containerFor("OEBPS")), {{BookKey::PackageHash, kEmptyMd5}}},
        {"nothing", withContainer(EpubBuilder::containerFor("")), {{BookKey::PackageHash, kEmptyMd5}}},
        {"cover",
         EpubBuilder::validBook("x", "y").add(
             "OEBPS/content.opf",
             EpubBuilder::packageDocument("cover", "Writer", {},
                                          "    <item href=\"../../../../../../etc/passwd\" id=\"cover\" "
                                          "media-type=\"image/jpeg\"/>\n")),
         {{BookKey::CoverHash, kEmptyMd5}}},
    };
    std::vector<std::string> books;
    for (const auto &row : rows) {
        const std::string file = device.inputFile(row.name + ".epub");
        ASSERT_TRUE(row.book.write(file)) << row.name;
        const BookOperationResult r = device.addEPUBToDevice(file);
        ASSERT_TRUE(r.done()) << row.name << ": " << r.message;
        books.push_back(r.detail);
        const Catalogue catalogue = device.deviceCatalogue();
        plist_t entry = catalogue.bookAt(catalogue.bookCount() - 1);
        EXPECT_EQ(entryString(entry, BookKey::Path), r.detail) << row.name;
        EXPECT_EQ(entryString(entry, BookKey::Name), row.name);
        for (const auto &[key, value] : row.expected)
            EXPECT_EQ(entryString(entry, key), value) << row.name << ": " << key;
    }
    EXPECT_EQ(device.strays(books), std::vector<std::string>());
}
