// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "epubbuilder.h"
#include "operations/epubarchive.h"
#include "operations/epubstreampacker.h"
#include "tempdir.h"

#include <gtest/gtest.h>
#include <zip.h>

#include <algorithm>
#include <filesystem>
#include <set>

namespace fs = std::filesystem;

namespace {
struct ZipEntryInfo
{
    std::string name;
    zip_uint16_t method;
    zip_int16_t extraFields;
};

std::vector<ZipEntryInfo> entriesOf(const std::string &path)
{
    std::vector<ZipEntryInfo> out;
    int code = 0;
    zip_t *zip = zip_open(path.c_str(), ZIP_RDONLY, &code);
    if (!zip)
        return out;
    for (zip_int64_t i = 0; i < zip_get_num_entries(zip, 0); ++i) {
        zip_stat_t st;
        zip_stat_index(zip, static_cast<zip_uint64_t>(i), 0, &st);
        out.push_back({st.name, st.comp_method, zip_file_extra_fields_count(zip, static_cast<zip_uint64_t>(i), ZIP_FL_LOCAL)});
    }
    zip_discard(zip);
    return out;
}

std::string entryContent(const std::string &path, const char *name)
{
    int code = 0;
    zip_t *zip = zip_open(path.c_str(), ZIP_RDONLY, &code);
    if (!zip)
        return "<no zip>";
    std::string out = "<no entry>";
    zip_stat_t st;
    if (zip_stat(zip, name, 0, &st) == 0) {
        if (zip_file_t *file = zip_fopen(zip, name, 0)) {
            out.assign(st.size, '\0');
            if (zip_fread(file, out.data(), st.size) != static_cast<zip_int64_t>(st.size))
                out = "<unreadable>";
            zip_fclose(file);
        }
    }
    zip_discard(zip);
    return out;
}

class EpubArchiveTest : public ::testing::Test
{
protected:
    std::string unpackTo() const { return m_dir.file("unpacked"); }
    std::string archive() const { return m_dir.file("book.epub"); }
    // Books whose mimetype carries a line end, packed from a folder and from a single file.
    std::vector<std::string> packSloppyBooks()
    {
        EXPECT_TRUE(EpubBuilder::validBook("Sloppy", "Writer").add("mimetype", "application/epub+zip\n", true).write(archive()));
        EXPECT_TRUE(unpackEpubArchive(archive(), unpackTo(), &m_error)) << m_error;
        const std::string fromFolder = m_dir.file("folder.epub");
        EXPECT_TRUE(packEpub(unpackTo(), fromFolder, &m_error)) << m_error;
        const std::string single = m_dir.file("single-source.epub");
        EXPECT_TRUE(EpubBuilder::validBook("Sloppy", "Writer").add("mimetype", "application/epub+zip\r\n").write(single));
        const std::string fromFile = m_dir.file("file.epub");
        EXPECT_TRUE(packEpub(single, fromFile, &m_error)) << m_error;
        return {fromFolder, fromFile};
    }
    TempDir m_dir;
    std::string m_error;
};
} // namespace

TEST_F(EpubArchiveTest, PacksMimetypeFirstStoredAndTheRestInOrder)
{
    ASSERT_TRUE(EpubBuilder::validBook("T", "C").write(archive()));
    ASSERT_TRUE(unpackEpubArchive(archive(), unpackTo(), &m_error));
    fs::create_symlink("/etc/passwd", unpackTo() + "/OEBPS/link");
    const std::string packed = m_dir.file("out/packed.epub");
    fs::create_directories(m_dir.file("out"));
    ASSERT_TRUE(packEpub(unpackTo(), packed, &m_error)) << m_error;
    const auto entries = entriesOf(packed);
    ASSERT_EQ(entries.size(), 5u) << "the symbolic link is left out";
    EXPECT_EQ(entries[0].name, "mimetype");
    EXPECT_EQ(entries[0].method, ZIP_CM_STORE);
    EXPECT_EQ(entries[0].extraFields, 0);
    EXPECT_EQ(entries[1].name, "META-INF/container.xml");
    EXPECT_EQ(entries[2].name, "OEBPS/chapter1.xhtml");
    EXPECT_EQ(entries[2].method, ZIP_CM_DEFLATE);
    EXPECT_FALSE(fs::exists(packed + ".part"));

    // A folder without mimetype still makes an ePub that names its type first.
    fs::remove(unpackTo() + "/mimetype");
    ASSERT_TRUE(packEpub(unpackTo(), packed, &m_error));
    EXPECT_EQ(entriesOf(packed).front().name, "mimetype");
    TempDir again;
    ASSERT_TRUE(unpackEpubArchive(packed, again.file("u"), &m_error));
    EXPECT_EQ(readWholeFile(again.file("u/mimetype")), "application/epub+zip");
}

TEST_F(EpubArchiveTest, PassesASingleFileThroughAndKeepsTheOldTargetOnFailure)
{
    writeWholeFile(archive(), "single-file book");
    const std::string target = m_dir.file("copy.epub");
    ASSERT_TRUE(packEpub(archive(), target, &m_error));
    EXPECT_EQ(readWholeFile(target), "single-file book");
    EXPECT_FALSE(packEpub(m_dir.file("nothing-here"), target, &m_error));
    EXPECT_EQ(readWholeFile(target), "single-file book");
}

TEST_F(EpubArchiveTest, SloppyMimetypeIsPackedAsExactlyTheType)
{
    for (const std::string &packed : packSloppyBooks()) {
        SCOPED_TRACE(packed);
        const auto entries = entriesOf(packed);
        ASSERT_EQ(entries.size(), 5u);
        EXPECT_EQ(entries[0].name, "mimetype");
        EXPECT_EQ(entries[0].method, ZIP_CM_STORE);
        EXPECT_EQ(entryContent(packed, "mimetype"), "application/epub+zip");
        EXPECT_EQ(entryContent(packed, "OEBPS/content.opf"), EpubBuilder::packageDocument("Sloppy", "Writer"));
    }
    // A single file that holds the type exactly is not rewritten.
    ASSERT_TRUE(EpubBuilder::validBook("Exact", "Writer").write(archive()));
    const std::string exact = m_dir.file("exact.epub");
    ASSERT_TRUE(packEpub(archive(), exact, &m_error)) << m_error;
    EXPECT_EQ(readWholeFile(exact), readWholeFile(archive()));
}

TEST(Md5, HashesWholeFilesAndEmptyInputForUnreadableOnes)
{
    TempDir dir;
    writeWholeFile(dir.file("abc"), "abc");
    EXPECT_EQ(md5HexOfFile(dir.file("abc")), "900150983cd24fb0d6963f7d28e17f72");
    EXPECT_EQ(md5HexOfFile(dir.file("missing")), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(md5HexOfFile(""), "d41d8cd98f00b204e9800998ecf8427e");
    writeWholeFile(dir.file("large"), std::string(300000, 'a')); // read in more than one piece
    EXPECT_EQ(md5HexOfFile(dir.file("large")), "92712d77c46f3ee77d7ac6caba4fe2ba");
}

TEST_F(EpubArchiveTest, UnpackTellsEachFolderBeforeItsContentAndEachFileOnceWhole)
{
    const std::string chapter(100000, 'c');
    ASSERT_TRUE(EpubBuilder::validBook("T", "C")
                    .add("OEBPS/images/", "")
                    .add("OEBPS/text/deep/late.xhtml", chapter)
                    .add("./odd//name.txt", "odd")
                    .write(archive()));
    std::vector<std::string> told;
    std::set<std::string> folders;
    ASSERT_TRUE(unpackEpubArchive(archive(), unpackTo(), &m_error, {}, [&](const std::string &relative, bool isFolder) {
        const fs::path parent = fs::path(relative).parent_path();
        EXPECT_TRUE(parent.empty() || folders.count(parent.generic_string())) << relative << " came before its folder";
        if (isFolder) {
            EXPECT_TRUE(fs::is_directory(unpackTo() + "/" + relative)) << relative;
            folders.insert(relative);
        } else if (relative == "OEBPS/text/deep/late.xhtml") {
            EXPECT_EQ(readWholeFile(unpackTo() + "/" + relative), chapter) << "told before it was whole";
        }
        told.push_back(relative + (isFolder ? "/" : ""));
    })) << m_error;
    // Exactly what landed on the disk, each once.
    std::vector<std::string> onDisk;
    for (auto it = fs::recursive_directory_iterator(unpackTo()); it != fs::recursive_directory_iterator(); ++it)
        onDisk.push_back(fs::relative(it->path(), unpackTo()).generic_string() + (it->is_directory() ? "/" : ""));
    std::sort(onDisk.begin(), onDisk.end());
    std::vector<std::string> sortedTold = told;
    std::sort(sortedTold.begin(), sortedTold.end());
    EXPECT_EQ(sortedTold, onDisk);
    EXPECT_NE(std::find(told.begin(), told.end(), "odd/name.txt"), told.end());
    EXPECT_FALSE(unpackEpubArchive(archive(), unpackTo(), &m_error)) << "an existing folder is not unpacked into";

    // An archive refused by the checks tells nothing.
    fs::remove_all(unpackTo());
    ASSERT_TRUE(EpubBuilder::validBook("T", "C").add("../escape.txt", "x").write(archive()));
    int calls = 0;
    EXPECT_FALSE(unpackEpubArchive(archive(), unpackTo(), &m_error, {}, [&](const std::string &, bool) { ++calls; }));
    EXPECT_EQ(calls, 0);
}

TEST_F(EpubArchiveTest, StreamPackerMakesWhatPackEpubMakesWhateverOrderFilesCome)
{
    std::string noise(200000, '\0');
    uint32_t x = 12345;
    for (char &c : noise) {
        x = x * 1103515245u + 12345u;
        c = static_cast<char>(x >> 24);
    }
    ASSERT_TRUE(EpubBuilder::validBook("Streamed", "Writer")
                    .add("mimetype", "application/epub+zip\n", true)
                    .add("OEBPS/images/photo.jpg", noise)
                    .add("OEBPS/empty.css", "")
                    .add("OEBPS/text/long.xhtml", std::string(300000, 'w'))
                    .write(archive()));
    ASSERT_TRUE(unpackEpubArchive(archive(), unpackTo(), &m_error)) << m_error;
    const std::string reference = m_dir.file("reference.epub");
    ASSERT_TRUE(packEpub(unpackTo(), reference, &m_error)) << m_error;

    const std::string streamed = m_dir.file("streamed.epub");
    {
        EpubStreamPacker packer(unpackTo(), m_dir.file("growing"));
        // Out of order, one twice, the mimetype, one outside the folder; some never handed over.
        for (const char *name : {"OEBPS/text/long.xhtml", "OEBPS/images/photo.jpg", "mimetype", "OEBPS/text/long.xhtml"})
            packer.add(unpackTo() + "/" + name);
        packer.add(archive());
        ASSERT_TRUE(packer.finish(streamed, &m_error)) << m_error;
    }
    EXPECT_FALSE(fs::exists(m_dir.file("growing")));
    EXPECT_EQ(readWholeFile(streamed).substr(30, 28), "mimetypeapplication/epub+zip") << "the type opens the file, stored";
    const auto ours = entriesOf(streamed), theirs = entriesOf(reference);
    ASSERT_EQ(ours.size(), theirs.size());
    for (size_t i = 0; i < ours.size(); ++i) {
        SCOPED_TRACE(theirs[i].name);
        EXPECT_EQ(ours[i].name, theirs[i].name);
        EXPECT_EQ(ours[i].method, theirs[i].method);
        EXPECT_EQ(entryContent(streamed, theirs[i].name.c_str()), entryContent(reference, theirs[i].name.c_str()));
    }
    EXPECT_EQ(entryContent(streamed, "OEBPS/images/photo.jpg"), noise);
    EXPECT_LT(fs::file_size(streamed), 230000u) << "the text is deflated";
    TempDir again;
    ASSERT_TRUE(unpackEpubArchive(streamed, again.file("u"), &m_error)) << m_error;
    if (epubcheckAvailable()) {
        std::string output;
        EXPECT_EQ(runEpubcheck(streamed, &output), 0) << output;
    }

    // Where the archive cannot grow, the packing at the end still makes the book; an unfinished
    // packer leaves nothing behind.
    const std::string fallback = m_dir.file("fallback.epub");
    EpubStreamPacker blocked(unpackTo(), m_dir.file("no-such-folder/growing"));
    blocked.add(unpackTo() + "/OEBPS/text/long.xhtml");
    ASSERT_TRUE(blocked.finish(fallback, &m_error)) << m_error;
    EXPECT_EQ(entriesOf(fallback).size(), theirs.size());
    {
        EpubStreamPacker abandoned(unpackTo(), m_dir.file("abandoned"));
        abandoned.add(unpackTo() + "/OEBPS/images/photo.jpg");
    }
    EXPECT_FALSE(fs::exists(m_dir.file("abandoned")));
}
