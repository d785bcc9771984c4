// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "bookfoldernamegenerator.h"
#include "bookkeys.h"
#include "devicefixture.h"
#include "epubarchive.h"
#include "epubbuilder.h"
#include "ipodtreelistcontroler.h"
#include "tempdir.h"

#include <QXmlStreamReader>
#include <gtest/gtest.h>

namespace {
StringDictionary valuesOf(const std::string &document)
{
    TempDir dir;
    writeWholeFile(dir.file("content.opf"), document);
    StringDictionary values;
    iPodTreeListControler::getcontenfilevalues(dir.file("content.opf"), values);
    return values;
}

std::string valueOr(const StringDictionary &d, const char *key, const char *fallback = "<none>")
{
    auto it = d.find(key);
    return it == d.end() ? fallback : it->second;
}
} // namespace

TEST(PackageDocument, ContainerGivesTheFirstFullPath)
{
    TempDir dir;
    writeWholeFile(dir.file("c.xml"), "<container>\n<rootfile full-path=\"OEBPS/content.opf\" media-type=\"x\"/>\n"
                                      "<rootfile full-path=\"second.opf\"/>\n</container>\n");
    EXPECT_EQ(iPodTreeListControler::getcontenfile(dir.file("c.xml")), "OEBPS/content.opf");
    writeWholeFile(dir.file("none.xml"), "<container><rootfile path=\"a.opf\"/></container>");
    EXPECT_EQ(iPodTreeListControler::getcontenfile(dir.file("none.xml")), "");
    EXPECT_EQ(iPodTreeListControler::getcontenfile(dir.file("missing.xml")), "");
    writeWholeFile(dir.file("long.xml"), "full-path=\"" + std::string(5000, 'a') + "\"\n");
    EXPECT_EQ(iPodTreeListControler::getcontenfile(dir.file("long.xml")).size(), 1023u);
}

TEST(PackageDocument, LinePatternsTakeValuesVerbatim)
{
    const auto v = valuesOf("<metadata>\n"
                            "  <dc:title>Tom &amp; Jerry</dc:title>\n"
                            "  <dc:creator opf:role=\"aut\">First Writer</dc:creator>\n"
                            "  <dc:creator>Second Writer</dc:creator>\n"
                            "  <dc:subject>Fiction</dc:subject>\n"
                            "  <dc:identifier id=\"uid\" opf:scheme=\"ISBN\">978-3-16</dc:identifier>\n"
                            "</metadata>\n"
                            "<manifest>\n"
                            "  <item href=\"images/cover.jpg\" id=\"cover\" media-type=\"image/jpeg\"/>\n"
                            "</manifest>\n");
    EXPECT_EQ(valueOr(v, "Name"), "Tom &amp; Jerry") << "entities are kept as written";
    EXPECT_EQ(valueOr(v, "Album"), "Tom &amp; Jerry");
    EXPECT_EQ(valueOr(v, "Artist"), "Second Writer") << "the last creator wins";
    EXPECT_EQ(valueOr(v, "Sort Artist"), "Second Writer");
    EXPECT_EQ(valueOr(v, "Genre"), "Fiction");
    EXPECT_EQ(valueOr(v, "Publisher Unique ID"), "978-3-16");
    EXPECT_EQ(valueOr(v, "Cover Path"), "images/cover.jpg");

    const auto attributed = valuesOf("<dc:creator opf:role=\"aut\" opf:file-as=\"Writer, A\">A Writer</dc:creator>\n");
    EXPECT_EQ(valueOr(attributed, "Artist"), "A Writer");
}

TEST(PackageDocument, CoverNeedsHrefFirstAndTitleNeedsABareTag)
{
    const auto idFirst = valuesOf("<item id=\"cover\" href=\"cover.jpg\" media-type=\"image/jpeg\"/>\n");
    EXPECT_EQ(valueOr(idFirst, "Cover Path"), "<none>");
    const auto otherLine = valuesOf("<item href=\"cover.jpg\" media-type=\"image/jpeg\"\n id=\"cover\"/>\n");
    EXPECT_EQ(valueOr(otherLine, "Cover Path"), "<none>");
}

TEST(PackageDocument, NewerBooksGiveTitleSubjectAndCoverWhereTheLinesFindNone)
{
    // As conversion tools write EPUB 3: attributes on title and subject, the cover by property.
    const auto v = valuesOf("<metadata>\n"
                            "  <dc:title id=\"title\">Dark Tide</dc:title>\n"
                            "  <meta refines=\"#title\" property=\"title-type\">main</meta>\n"
                            "  <dc:title id=\"sub\">A Subtitle</dc:title>\n"
                            "  <dc:subject opf:authority=\"BISAC\"\n    term=\"FIC\">Sea Stories</dc:subject>\n"
                            "</metadata>\n<manifest>\n"
                            "  <item id=\"img\" href=\"images/front.jpg\" media-type=\"image/jpeg\"/>\n"
                            "  <item id=\"c\" media-type=\"image/png\"\n   properties=\"svg cover-image\" href=\"c.png\"/>\n"
                            "</manifest>\n");
    EXPECT_EQ(valueOr(v, "Name"), "Dark Tide") << "the first title";
    EXPECT_EQ(valueOr(v, "Album"), "Dark Tide");
    EXPECT_EQ(valueOr(v, "Genre"), "Sea Stories") << "attributes may run over lines";
    EXPECT_EQ(valueOr(v, "Cover Path"), "c.png");

    // EPUB 2 names the cover item in a meta element; the item may list id before href.
    const auto meta = valuesOf("<meta content=\"cover-img\" name=\"cover\"/>\n"
                               "<item id=\"cover-img\" href=\"Images/Cover.jpeg\" media-type=\"image/jpeg\"/>\n");
    EXPECT_EQ(valueOr(meta, "Cover Path"), "Images/Cover.jpeg");
    EXPECT_EQ(valueOr(meta, "Name"), "<none>");
    const auto dangling = valuesOf("<meta name=\"cover\" content=\"nowhere\"/><item id=\"x\" href=\"x.jpg\"/>\n");
    EXPECT_EQ(valueOr(dangling, "Cover Path"), "<none>");

    // What the lines do find stays as they found it.
    const auto both = valuesOf("<dc:title id=\"t\">Attributed</dc:title>\n"
                               "<dc:title>Bare Title</dc:title>\n"
                               "<dc:subject>Bare</dc:subject><dc:subject id=\"s\">Other</dc:subject>\n"
                               "<meta name=\"cover\" content=\"m\"/><item id=\"m\" href=\"meta.jpg\"/>\n"
                               "<item href=\"p.jpg\" id=\"p\" properties=\"cover-image\"/>\n"
                               "<item href=\"old.jpg\" id=\"cover\"/>\n");
    EXPECT_EQ(valueOr(both, "Name"), "Bare Title");
    EXPECT_EQ(valueOr(both, "Genre"), "Bare");
    EXPECT_EQ(valueOr(both, "Cover Path"), "old.jpg");
    const auto noMeta = valuesOf("<meta name=\"cover\" content=\"m\"/><item id=\"m\" href=\"meta.jpg\"/>\n"
                                 "<item href=\"p.jpg\" id=\"p\" properties=\"cover-image\"/>\n");
    EXPECT_EQ(valueOr(noMeta, "Cover Path"), "p.jpg") << "the cover-image item comes before the meta";
}

TEST(PackageDocument, OneLineDocumentGivesEachValueAlone)
{
    const auto v = valuesOf("<package><metadata><dc:title>One Line</dc:title><dc:creator>Solo</dc:creator>"
                            "<dc:subject>Short</dc:subject><dc:identifier>id-1</dc:identifier></metadata>"
                            "<manifest><item href=\"c.png\" id=\"cover\"/></manifest></package>");
    EXPECT_EQ(valueOr(v, "Name"), "One Line");
    EXPECT_EQ(valueOr(v, "Artist"), "Solo");
    EXPECT_EQ(valueOr(v, "Genre"), "Short");
    EXPECT_EQ(valueOr(v, "Publisher Unique ID"), "id-1");
    EXPECT_EQ(valueOr(v, "Cover Path"), "c.png");
}

TEST(PackageDocument, OddValuesAreCutOrSkipped)
{
    const auto v = valuesOf("<dc:title>" + std::string(2000, 't') + "</dc:title>\r\n"
                            "<dc:subject>Bad \xff\xfe bytes</dc:subject>\n"
                            "<dc:creator>Caf\xc3\xa9</dc:creator>\n"
                            "<dc:title>Runs to the end\n");
    EXPECT_EQ(valueOr(v, "Name"), "Runs to the end") << "a value without its delimiter runs to the line end";
    EXPECT_EQ(valueOr(v, "Genre"), "<none>") << "text that is not UTF-8 is skipped";
    EXPECT_EQ(valueOr(v, "Artist"), "Caf\xc3\xa9");
    const auto longTitle = valuesOf("<dc:title>" + std::string(2000, 't') + "</dc:title>\n");
    EXPECT_EQ(valueOr(longTitle, "Name").size(), 1023u);
    const auto controls = valuesOf("<dc:title>\x01\x1f</dc:title>\n<dc:creator>A\tB\x7f</dc:creator>\n");
    EXPECT_EQ(valueOr(controls, "Name"), "") << "control characters are dropped, so the file name can stand in";
    EXPECT_EQ(valueOr(controls, "Artist"), "A\tB\x7f") << "XML carries a tab and DEL; only the others go";
}

using ImportedPackageTest = FolderDeviceTest;

TEST_F(ImportedPackageTest, NewerBookWithControlCharactersImportsIntoACatalogueStrictReadersTake)
{
    writeDeviceCatalogue(Catalogue());
    attach();
    const std::string cover = "PNGDATA";
    std::string opf = EpubBuilder::packageDocument("x", "Writer", "    <dc:subject id=\"s\">Sea\x02 Stories</dc:subject>\n",
                                                   "    <item id=\"c\" href=\"images/c.png\" media-type=\"image/png\" "
                                                   "properties=\"cover-image\"/>\n");
    opf.replace(opf.find("<dc:title>x</dc:title>"), 22, "<dc:title id=\"t\">Dark\x01\x1b Tide\x0c</dc:title>");
    const std::string file = m_files.file("b.epub");
    ASSERT_TRUE(EpubBuilder::validBook("x", "y").add("OEBPS/content.opf", opf).add("OEBPS/images/c.png", cover).write(file));

    const std::string path = importBook(file);
    ASSERT_FALSE(path.empty());
    const std::string onDevice = readWholeFile(deviceFile("/Books/Books.plist"));
    QXmlStreamReader reader(QByteArray::fromStdString(onDevice));
    while (!reader.atEnd())
        reader.readNext();
    EXPECT_FALSE(reader.hasError()) << reader.errorString().toStdString() << "\n" << onDevice;

    const Catalogue catalogue = deviceCatalogue();
    ASSERT_EQ(catalogue.bookCount(), 1u);
    plist_t entry = catalogue.bookAt(0);
    EXPECT_EQ(entryString(entry, BookKey::Name), "Dark Tide") << "not the file's name";
    EXPECT_EQ(entryString(entry, BookKey::Album), "Dark Tide");
    EXPECT_EQ(entryString(entry, BookKey::Genre), "Sea Stories");
    EXPECT_EQ(entryString(entry, BookKey::CoverPath), "images/c.png");
    TempDir dir;
    writeWholeFile(dir.file("c"), cover);
    std::string hash = md5HexOfFile(dir.file("c"));
    for (char &c : hash)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    EXPECT_EQ(entryString(entry, BookKey::CoverHash), hash);

    // A title of control characters only leaves the book its file's name.
    opf = EpubBuilder::packageDocument("\x01\x02", "Writer");
    const std::string controls = m_files.file("Only Controls.epub");
    ASSERT_TRUE(EpubBuilder::validBook("x", "y").add("OEBPS/content.opf", opf).write(controls));
    ASSERT_FALSE(importBook(controls).empty());
    ASSERT_EQ(deviceCatalogue().bookCount(), 2u);
    EXPECT_EQ(entryString(deviceCatalogue().bookAt(1), BookKey::Name), "Only Controls");
}

TEST(Identifiers, RandValueAvoidsEveryExistingValue)
{
    EXPECT_EQ(iPodTreeListControler::randValue({}), "0000000000002000");
    const std::string next = iPodTreeListControler::randValue({"0000000000002000"});
    EXPECT_NE(next, "0000000000002000");
    const long long n = std::stoll(next);
    EXPECT_GT(n, 2001);
    EXPECT_LE(n, 2021);
    std::vector<std::string> taken{"0000000000002000"};
    for (int i = 2001; i < 2200; ++i)
        taken.push_back("000000000000" + std::to_string(i));
    const std::string far = iPodTreeListControler::randValue(taken);
    EXPECT_FALSE(iPodTreeListControler::isSameValue(taken, far));
    EXPECT_EQ(far.rfind("000000000000", 0), 0u);
}

TEST(Identifiers, FolderNamesRepeatFromRunToRun)
{
    BookFolderNameGenerator first, second;
    for (int i = 0; i < 20; ++i) {
        const std::string name = first.next();
        EXPECT_EQ(name, second.next());
        ASSERT_EQ(name.size(), 9u);
        for (int k = 0; k < 4; ++k)
            EXPECT_TRUE(name[static_cast<std::size_t>(k)] >= 'A' && name[static_cast<std::size_t>(k)] <= 'Z');
        EXPECT_EQ(name.substr(4), ".epub");
    }
}
