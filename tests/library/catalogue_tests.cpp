// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "core/scratch.h"
#include "library/bookkeys.h"
#include "library/catalogue.h"
#include "library/ipoddevice.h"
#include "tempdir.h"

#include <QXmlStreamReader>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

namespace {
PlistPtr bookEntry(const std::string &name, const std::string &path, std::optional<bool> userItem = std::nullopt)
{
    PlistPtr entry(plist_new_dict());
    entrySetString(entry.get(), BookKey::Name, name);
    entrySetString(entry.get(), BookKey::Path, path);
    if (userItem)
        entrySetBool(entry.get(), BookKey::UserItem, *userItem);
    return entry;
}

std::string xmlOf(plist_t node)
{
    char *xml = nullptr;
    uint32_t length = 0;
    plist_to_xml(node, &xml, &length);
    std::string out(xml, length);
    plist_to_xml_free(xml);
    return out;
}

std::string binaryOf(plist_t node)
{
    char *bin = nullptr;
    uint32_t length = 0;
    plist_to_bin(node, &bin, &length);
    std::string out(bin, length);
    plist_to_bin_free(bin);
    return out;
}

// Whether a strict XML 1.0 reader takes the whole text; *why says where it stopped.
bool strictXmlReads(const std::string &xml, std::string *why)
{
    QXmlStreamReader reader(QByteArray::fromStdString(xml));
    while (!reader.atEnd())
        reader.readNext();
    if (reader.hasError())
        *why = reader.errorString().toStdString() + " at line " + std::to_string(reader.lineNumber());
    return !reader.hasError();
}

std::vector<std::string> names(const EpubList &list)
{
    std::vector<std::string> out;
    for (const auto &record : list)
        out.push_back(record->mediaName());
    return out;
}

class CatalogueTest : public ::testing::Test
{
protected:
    void writeBooks(const Catalogue &c) { ASSERT_TRUE(c.write(scratchPath(CataloguePath::LocalBooks))); }
    void writePurchases(const Catalogue &c) { ASSERT_TRUE(c.write(scratchPath(CataloguePath::LocalPurchases))); }
    ScopedScratch m_scratch;
    iPodDevice m_device{scratchDir(), std::string("4.0")};
};
} // namespace

TEST_F(CatalogueTest, RewriteOfBinaryCatalogueKeepsUnknownKeysAndTypes)
{
    // A catalogue as a device keeps it: binary, with root keys and entry keys of every type.
    PlistPtr root(plist_new_dict());
    plist_dict_set_item(root.get(), "Version", plist_new_uint(7));
    plist_t nested = plist_new_dict();
    plist_dict_set_item(nested, "Ratio", plist_new_real(0.25));
    plist_t list = plist_new_array();
    plist_array_append_item(list, plist_new_data("\x00\x01\xff", 3));
    plist_array_append_item(list, plist_new_date(123456789, 0));
    plist_dict_set_item(nested, "List", list);
    plist_dict_set_item(root.get(), "Settings", nested);
    plist_t books = plist_new_array();
    PlistPtr keep = bookEntry("Keep", "KEEP.epub", false);
    plist_dict_set_item(keep.get(), "Downloaded", plist_new_date(400000000, 0));
    plist_dict_set_item(keep.get(), "Artwork", plist_new_data("PNG", 3));
    plist_dict_set_item(keep.get(), "Rating", plist_new_real(4.5));
    plist_dict_set_item(keep.get(), "Plays", plist_new_uint(42));
    plist_dict_set_item(keep.get(), "Explicit", plist_new_bool(1));
    plist_array_append_item(books, plist_copy(keep.get()));
    plist_array_append_item(books, bookEntry("Drop", "DROP.epub", true).release());
    plist_dict_set_item(root.get(), BookKey::Books, books);
    const std::string settingsBefore = xmlOf(plist_dict_get_item(root.get(), "Settings"));
    writeWholeFile(scratchPath(CataloguePath::LocalBooks), binaryOf(root.get()));

    Catalogue c = Catalogue::load(scratchPath(CataloguePath::LocalBooks));
    ASSERT_TRUE(c.isLoaded()) << c.error();
    EXPECT_EQ(c.removeBooksWithPath("DROP.epub"), 1);
    c.appendBook(bookEntry("New", "NEWB.epub", true));
    writeBooks(c);

    const std::string written = readWholeFile(scratchPath(CataloguePath::LocalBooks));
    EXPECT_EQ(written.rfind("<?xml", 0), 0u) << "the rewrite is an XML property list";
    Catalogue again = Catalogue::load(scratchPath(CataloguePath::LocalBooks));
    ASSERT_TRUE(again.isLoaded());
    EXPECT_EQ(xmlOf(plist_dict_get_item(again.root(), "Settings")), settingsBefore);
    plist_t version = plist_dict_get_item(again.root(), "Version");
    ASSERT_EQ(plist_get_node_type(version), PLIST_UINT);
    ASSERT_EQ(again.bookCount(), 2u);
    EXPECT_EQ(xmlOf(again.bookAt(0)), xmlOf(keep.get()));
    EXPECT_EQ(entryString(again.bookAt(1), BookKey::Path), "NEWB.epub");
}

TEST_F(CatalogueTest, TellsMissingFromUnreadable)
{
    const std::string path = scratchPath(CataloguePath::LocalBooks);
    EXPECT_EQ(Catalogue::load(path).state(), Catalogue::State::Missing);
    writeWholeFile(path, "");
    EXPECT_EQ(Catalogue::load(path).state(), Catalogue::State::Missing) << "a failed device copy leaves an empty file";
    writeWholeFile(path, "this is not a property list");
    EXPECT_EQ(Catalogue::load(path).state(), Catalogue::State::Unreadable);
    writeWholeFile(path, "<?xml version=\"1.0\"?><plist version=\"1.0\"><array/></plist>");
    EXPECT_EQ(Catalogue::load(path).state(), Catalogue::State::Unreadable);
    // Other wrong shapes, and that none is written over:
    // HostileCatalogue.WrongShapesAreReportedAndNeverWrittenOver.

    writeWholeFile(path, "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>Other</key><true/></dict></plist>");
    Catalogue noBooks = Catalogue::load(path);
    ASSERT_TRUE(noBooks.isLoaded());
    EXPECT_FALSE(noBooks.hadBooksArray());
    noBooks.appendBook(bookEntry("A", "AAAA.epub", true));
    ASSERT_TRUE(noBooks.write(path));
    Catalogue reread = Catalogue::load(path);
    EXPECT_EQ(reread.bookCount(), 1u);
    EXPECT_TRUE(plist_dict_get_item(reread.root(), "Other"));
}

TEST_F(CatalogueTest, SplitsUserItemsLibraryBooksAndPurchases)
{
    Catalogue purchases;
    purchases.appendBook(bookEntry("Bought", "BUY1.epub", true));
    purchases.appendBook(bookEntry("Bought too", "BUY2.epub"));
    writePurchases(purchases);
    // Without a books catalogue, or with one that cannot be read, the purchases are listed.
    EXPECT_EQ(names(m_device.getiPodEbooks()), (std::vector<std::string>{"Bought", "Bought too"}));
    writeWholeFile(scratchPath(CataloguePath::LocalBooks), "garbage");
    EXPECT_EQ(names(m_device.getiPodEbooks()), (std::vector<std::string>{"Bought", "Bought too"}));
    EXPECT_TRUE(m_device.getiPodCustomEbooks().empty());

    Catalogue books;
    books.appendBook(bookEntry("Library absent", "LIB1.epub"));
    books.appendBook(bookEntry("Mine", "MINE.epub", true));
    books.appendBook(bookEntry("Library false", "LIB2.epub", false));
    PlistPtr bare(plist_new_dict()); // no keys at all: still listed, with empty fields
    books.appendBook(std::move(bare));
    writeBooks(books);

    const EpubList all = m_device.getiPodEbooks();
    EXPECT_EQ(names(all), (std::vector<std::string>{"Library absent", "Library false", "", "Bought", "Bought too"}));
    for (std::size_t i = 0; i < all.size(); ++i) {
        EXPECT_TRUE(all[i]->isSelect()) << "a fresh record is check-marked";
        EXPECT_FALSE(all[i]->isuserItem());
        EXPECT_EQ(all[i]->ispurchases(), i >= 3);
    }
    EXPECT_EQ(all[3]->mediaPcPath(), "BUY1.epub");

    const EpubList custom = m_device.getiPodCustomEbooks();
    ASSERT_EQ(names(custom), (std::vector<std::string>{"Mine"}));
    EXPECT_TRUE(custom[0]->isuserItem());
    EXPECT_FALSE(custom[0]->ispurchases());
    EXPECT_EQ(custom[0]->mediaPcPath(), "MINE.epub");
}

TEST_F(CatalogueTest, ListsFollowEveryChangeOfTheFileAndGiveFreshRecords)
{
    Catalogue books;
    books.appendBook(bookEntry("Alpha", "AAAA.epub", true));
    writeBooks(books);
    EpubList first = m_device.getiPodCustomEbooks();
    ASSERT_EQ(names(first), std::vector<std::string>{"Alpha"});
    first[0]->setIsSelect(false);
    EpubList again = m_device.getiPodCustomEbooks();
    ASSERT_EQ(again.size(), 1u);
    EXPECT_NE(again[0], first[0]);
    EXPECT_TRUE(again[0]->isSelect()) << "a record is never shared between two reads";

    // Rewritten in place with the same size, at once: the lists still see the new text.
    std::string xml = readWholeFile(scratchPath(CataloguePath::LocalBooks));
    const auto at = xml.find("Alpha");
    ASSERT_NE(at, std::string::npos);
    xml.replace(at, 5, "Omega");
    writeWholeFile(scratchPath(CataloguePath::LocalBooks), xml);
    EXPECT_EQ(names(m_device.getiPodCustomEbooks()), std::vector<std::string>{"Omega"});
    EXPECT_TRUE(m_device.getiPodEbooks().empty());
    std::remove(scratchPath(CataloguePath::LocalBooks).c_str());
    EXPECT_TRUE(m_device.getiPodCustomEbooks().empty());
}

TEST_F(CatalogueTest, WrittenCatalogueReadsInAStrictXmlReaderWhateverItsStringsHold)
{
    // A catalogue as another program may leave it: strings with characters XML cannot carry,
    // a byte that is no UTF-8, a carriage return, and controls XML does allow (DEL, U+0085).
    PlistPtr root(plist_new_dict());
    plist_t books = plist_new_array();
    PlistPtr odd = bookEntry("Bad\x01Name\x0b", "ODDB.epub");
    entrySetString(odd.get(), "Comment", std::string("line\rbreak\xef\xbf\xbe end \xff ok \x7f\xc2\x85"));
    plist_array_append_item(books, odd.release());
    plist_dict_set_item(root.get(), BookKey::Books, books);
    plist_dict_set_item(root.get(), "Note\x02", plist_new_string("kept"));
    std::string why;
    const std::string raw = xmlOf(root.get());
    ASSERT_FALSE(strictXmlReads(raw, &why)) << "the plain writer's output is what a strict reader refuses";
    writeWholeFile(scratchPath(CataloguePath::LocalBooks), raw);

    Catalogue c = Catalogue::load(scratchPath(CataloguePath::LocalBooks));
    ASSERT_TRUE(c.isLoaded()) << c.error();
    // A new entry never carries what XML cannot; a tab, a line end and C1 characters it can.
    c.appendBook(bookEntry("Fresh\x01Title\tTwo\x1f\xc2\x85\nEnd\r", "NEWB.epub", true));
    EXPECT_EQ(entryString(c.bookAt(1), BookKey::Name), "FreshTitle\tTwo\xc2\x85\nEnd\r");
    std::string error;
    ASSERT_TRUE(c.writable(&error)) << error;
    ASSERT_TRUE(c.write(scratchPath(CataloguePath::LocalBooks), &error)) << error;
    const std::string written = readWholeFile(scratchPath(CataloguePath::LocalBooks));
    EXPECT_TRUE(strictXmlReads(written, &why)) << why << "\n" << written;

    // Only what XML cannot carry is gone; the carriage return survives as a reference.
    Catalogue back = Catalogue::load(scratchPath(CataloguePath::LocalBooks));
    ASSERT_TRUE(back.isLoaded()) << back.error();
    ASSERT_EQ(back.bookCount(), 2u);
    EXPECT_EQ(entryString(back.bookAt(0), BookKey::Name), "BadName");
    EXPECT_EQ(entryString(back.bookAt(0), "Comment"), "line\rbreak end \xef\xbf\xbd ok \x7f\xc2\x85");
    EXPECT_EQ(entryString(back.bookAt(0), BookKey::Path), "ODDB.epub");
    EXPECT_EQ(entryString(back.bookAt(1), BookKey::Name), "FreshTitle\tTwo\xc2\x85\nEnd\r");
    EXPECT_EQ(entryString(back.root(), "Note"), "kept");

    // Keys that become one once the characters are gone are not merged silently.
    PlistPtr clash(plist_new_dict());
    plist_dict_set_item(clash.get(), BookKey::Books, plist_new_array());
    plist_dict_set_item(clash.get(), "Key", plist_new_string("one"));
    plist_dict_set_item(clash.get(), "Key\x01", plist_new_string("two"));
    writeWholeFile(scratchPath(CataloguePath::LocalBooks), xmlOf(clash.get()));
    Catalogue clashing = Catalogue::load(scratchPath(CataloguePath::LocalBooks));
    ASSERT_TRUE(clashing.isLoaded());
    EXPECT_FALSE(clashing.write(scratchPath(CataloguePath::LocalBooks), &error));
    EXPECT_EQ(readWholeFile(scratchPath(CataloguePath::LocalBooks)), xmlOf(clash.get())) << "left as it was";
}
