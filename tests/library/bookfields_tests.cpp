// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// The direct reader of binary catalogues against libplist's tree: whenever it answers, it
// answers what the tree gives, on hand-made files with the format's odd corners. For any bytes
// at all the catalogue fuzzer makes the same comparison.
#include "library/bookfields.h"
#include "library/bookkeys.h"
#include "library/catalogue.h"
#include "tempdir.h"

#include <plist/plist.h>

#include <gtest/gtest.h>

#include <filesystem>

namespace {

// A hand-made binary list: objects in order, references of `refSize` bytes, four-byte offsets.
struct Hand
{
    int refSize = 1;
    std::vector<std::string> objects;
    int add(const std::string &bytes)
    {
        objects.push_back(bytes);
        return static_cast<int>(objects.size()) - 1;
    }
    static std::string marker(int type, size_t count)
    {
        if (count < 15)
            return std::string(1, char(type << 4 | int(count)));
        return std::string(1, char(type << 4 | 0xf)) + char(0x11) + char(count >> 8) + char(count & 0xff);
    }
    std::string refBytes(int index) const
    {
        return refSize == 1 ? std::string(1, char(index)) : std::string{char(index >> 8), char(index & 0xff)};
    }
    int ascii(const std::string &s) { return add(marker(5, s.size()) + s); }
    int utf16(const std::u16string &s)
    {
        std::string b = marker(6, s.size());
        for (char16_t c : s) {
            b += char(c >> 8);
            b += char(c & 0xff);
        }
        return add(b);
    }
    int array(const std::vector<int> &items)
    {
        std::string b = marker(0xa, items.size());
        for (int i : items)
            b += refBytes(i);
        return add(b);
    }
    int dict(const std::vector<std::pair<int, int>> &pairs)
    {
        std::string b = marker(0xd, pairs.size());
        for (auto &p : pairs)
            b += refBytes(p.first);
        for (auto &p : pairs)
            b += refBytes(p.second);
        return add(b);
    }
    std::string build(int root) const
    {
        std::string out = "bplist00";
        std::vector<size_t> offsets;
        for (const std::string &o : objects) {
            offsets.push_back(out.size());
            out += o;
        }
        const size_t table = out.size();
        for (size_t off : offsets)
            out += std::string{char(off >> 24), char(off >> 16), char(off >> 8), char(off & 0xff)};
        std::string trailer(32, '\0');
        trailer[6] = 4; // offset size
        trailer[7] = char(refSize);
        trailer[14] = char(objects.size() >> 8);
        trailer[15] = char(objects.size() & 0xff);
        trailer[22] = char(root >> 8);
        trailer[23] = char(root & 0xff);
        for (int i = 0; i < 4; ++i)
            trailer[28 + i] = char(table >> (24 - 8 * i));
        return out + trailer;
    }
};

// Whenever the direct reader answers, it answers what the tree gives.
::testing::AssertionResult agrees(const std::string &bytes, bool *answered = nullptr)
{
    const auto fast = readBinaryCatalogueBooks(bytes);
    if (answered)
        *answered = fast.has_value();
    if (fast && *fast != readCatalogueBooksWithTree(bytes))
        return ::testing::AssertionFailure() << "the direct reader differs from the tree";
    if (readCatalogueBooks(bytes) != readCatalogueBooksWithTree(bytes))
        return ::testing::AssertionFailure() << "the lists differ from the tree";
    return ::testing::AssertionSuccess();
}

TEST(BookFields, OddCornersOfTheFormat)
{
    {
        // A NUL cuts a single-byte string (libplist keeps what comes before it) but makes a
        // UTF-16 value read as none; keys are compared up to a NUL; the first of two equal
        // keys counts.
        Hand h;
        const int name = h.ascii(std::string("Name\0junk", 9));
        const int title = h.ascii(std::string("Title\0cut", 9));
        const int artist = h.ascii("Artist");
        const int who = h.utf16(std::u16string(u"A\u00e9\0B", 4));
        const int path = h.ascii("Path");
        const int p1 = h.ascii("first.epub");
        const int p2 = h.ascii("second.epub");
        const int genre = h.utf16(u"Genre");
        const int g = h.utf16(u"\u4e2d\u6587");
        const int entry = h.dict({{name, title}, {artist, who}, {path, p1}, {path, p2}, {genre, g}});
        const int books = h.array({entry});
        const int root = h.dict({{h.ascii("Books"), books}});
        const std::string bytes = h.build(root);
        bool answered = false;
        ASSERT_TRUE(agrees(bytes, &answered));
        ASSERT_TRUE(answered);
        const BookFieldList list = readCatalogueBooks(bytes);
        ASSERT_EQ(list.size(), 1u);
        EXPECT_EQ(list[0].name, "Title");
        EXPECT_EQ(list[0].artist, "");
        EXPECT_EQ(list[0].path, "first.epub");
        EXPECT_EQ(list[0].genre, "\u4e2d\u6587");
    }
    {
        // An astral character, which libplist writes as a surrogate pair, is read whole.
        Hand h;
        const int entry = h.dict({{h.ascii("Genre"), h.utf16(u"x\U0001F642")}});
        const std::string bytes = h.build(h.dict({{h.ascii("Books"), h.array({entry})}}));
        ASSERT_TRUE(agrees(bytes));
        EXPECT_EQ(readCatalogueBooks(bytes).at(0).genre, "x\U0001F642");
    }
    {
        // An array inside itself: libplist refuses the file, the lists are empty.
        Hand h;
        const int books = h.array({1});
        h.array({0});
        const int root = h.dict({{h.ascii("Books"), books}});
        bool answered = true;
        ASSERT_TRUE(agrees(h.build(root), &answered));
        EXPECT_FALSE(answered);
        EXPECT_TRUE(readCatalogueBooks(h.build(root)).empty());
    }
    {
        // An empty UTF-16 string anywhere makes libplist refuse the whole file.
        Hand h;
        const int entry = h.dict({{h.ascii("Name"), h.ascii("Kept")}, {h.ascii("Other"), h.utf16(u"")}});
        const int root = h.dict({{h.ascii("Books"), h.array({entry})}});
        bool answered = true;
        ASSERT_TRUE(agrees(h.build(root), &answered));
        EXPECT_FALSE(answered);
        EXPECT_TRUE(readCatalogueBooks(h.build(root)).empty());
    }
    {
        // A key that is no string, deep inside a value nobody reads, spoils the file too.
        Hand h;
        const int inner = h.dict({{h.add("\x10\x01"), h.ascii("v")}});
        const int entry = h.dict({{h.ascii("Name"), h.ascii("Kept")}, {h.ascii("Extra"), inner}});
        const int root = h.dict({{h.ascii("Books"), h.array({entry})}});
        bool answered = true;
        ASSERT_TRUE(agrees(h.build(root), &answered));
        EXPECT_FALSE(answered);
    }
}

TEST(BookFields, ACatalogueWithAKeyTwiceIsListedButNeverWrittenOver)
{
    // Read from the binary form the first "Path" counts; written as XML and read again the
    // second would, and the device would look for another folder.
    for (bool inRoot : {false, true}) {
        Hand h;
        const int path = h.ascii("Path");
        const int entry = h.dict({{h.ascii("Name"), h.ascii("Kept")}, {path, h.ascii("A.epub")}, {path, h.ascii("B.epub")}});
        const int books = h.ascii("Books");
        const int root = inRoot ? h.dict({{books, h.array({entry})}, {books, h.add("\x10\x03")}})
                                : h.dict({{books, h.array({entry})}});
        const std::string bytes = h.build(root);
        ASSERT_TRUE(agrees(bytes));
        const BookFieldList list = readCatalogueBooks(bytes);
        ASSERT_EQ(list.size(), 1u);
        EXPECT_EQ(list[0].path, "A.epub");

        Catalogue catalogue = Catalogue::fromData(bytes);
        ASSERT_TRUE(catalogue.isLoaded());
        std::string error;
        EXPECT_FALSE(catalogue.writable(&error));
        EXPECT_NE(error.find("twice"), std::string::npos) << error;
        TempDir dir;
        EXPECT_FALSE(catalogue.write(dir.file("Books.plist")));
        EXPECT_FALSE(std::filesystem::exists(dir.file("Books.plist")));
    }
}

TEST(BookFields, ALargeDictionaryWithAKeyTwiceIsNeverWrittenOverEither)
{
    // A dictionary of thousands of keys is checked by reading the XML back.
    for (bool twice : {false, true}) {
        Hand h;
        h.refSize = 2;
        std::vector<std::pair<int, int>> pairs;
        const int value = h.ascii("v");
        for (int i = 0; i < 3000; ++i)
            pairs.emplace_back(h.ascii("k" + std::to_string(twice && i == 2999 ? 7 : i)), value);
        const int extra = h.dict(pairs);
        const int entry = h.dict({{h.ascii("Name"), h.ascii("Kept")}, {h.ascii("Extra"), extra}});
        const int root = h.dict({{h.ascii("Books"), h.array({entry})}});
        const Catalogue catalogue = Catalogue::fromData(h.build(root));
        ASSERT_TRUE(catalogue.isLoaded());
        EXPECT_EQ(catalogue.writable(), !twice);
        EXPECT_EQ(readCatalogueBooks(h.build(root)).at(0).name, "Kept");
    }
}

} // namespace
