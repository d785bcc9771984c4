// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "devicefixture.h"
#include "epubbuilder.h"
#include "library/bookkeys.h"
#include "library/packagedocument.h"
#include "operations/bookimport.h"
#include "operations/bookshelf.h"
#include "tempdir.h"

#include <QXmlStreamReader>
#include <gtest/gtest.h>

namespace {
// What the import's package reader makes of `bytes`, read from a file as the import reads it.
StringDictionary documentValues(const std::string &bytes)
{
    TempDir dir;
    writeWholeFile(dir.file("content.opf"), bytes);
    StringDictionary values;
    CatalogueShelf::getcontenfilevalues(dir.file("content.opf"), values);
    return values;
}

std::string containerPath(const std::string &bytes)
{
    TempDir dir;
    writeWholeFile(dir.file("container.xml"), bytes);
    return CatalogueShelf::getcontenfile(dir.file("container.xml"));
}

// The catalogue values of a whole package document around `metadata`, `manifest` and `guide`.
StringDictionary valuesOf(const std::string &metadata, const std::string &manifest = {},
                          const std::string &guide = {}, const char *prefix = "dc")
{
    const std::string p = prefix;
    return documentValues("<?xml version=\"1.0\"?>\n<package xmlns=\"http://www.idpf.org/2007/opf\" "
                          "xmlns:opf=\"http://www.idpf.org/2007/opf\" version=\"2.0\">\n<metadata xmlns:" +
                          p + "=\"http://purl.org/dc/elements/1.1/\">\n" + metadata +
                          "</metadata>\n<manifest>\n" + manifest + "</manifest>\n<guide>\n" + guide +
                          "</guide>\n</package>\n");
}

std::string valueOr(const StringDictionary &d, const char *key, const char *fallback = "<none>")
{
    auto it = d.find(key);
    return it == d.end() ? fallback : it->second;
}
} // namespace

TEST(PackageDocument, ContainerGivesTheFirstFullPath)
{
    EXPECT_EQ(containerPath("<container>\n<rootfile full-path=\"OEBPS/content.opf\" media-type=\"x\"/>\n"
                            "<rootfile full-path=\"second.opf\"/>\n</container>\n"),
              "OEBPS/content.opf");
    EXPECT_EQ(containerPath("<container><rootfile path=\"a.opf\"/></container>"), "");
    EXPECT_EQ(containerPath("<container><rootfile full-path=\"" + std::string(5000, 'a') + "\"/></container>")
                  .size(),
              1023u);
    // Read as XML: single quotes, a rootfile left in a comment, a prefix of its own.
    EXPECT_EQ(containerPath("<container><rootfiles><rootfile full-path='book/package.opf' "
                            "media-type='application/oebps-package+xml'/></rootfiles></container>"),
              "book/package.opf");
    EXPECT_EQ(containerPath("<container>\n<!-- <rootfile full-path=\"old.opf\"/> -->\n"
                            "<c:rootfile xmlns:c=\"urn:x\" full-path=\"new.opf\"/></container>"),
              "new.opf");
}

TEST(PackageDocument, PlainDocumentsGiveEveryValue)
{
    const auto v =
        valuesOf("  <dc:title>Tom and Jerry</dc:title>\n"
                 "  <dc:creator opf:role=\"aut\" opf:file-as=\"Writer, First\">First Writer</dc:creator>\n"
                 "  <dc:subject>Fiction</dc:subject>\n"
                 "  <dc:identifier id=\"uid\" opf:scheme=\"ISBN\">978-3-16</dc:identifier>\n",
                 "  <item href=\"images/cover.jpg\" id=\"cover\" media-type=\"image/jpeg\"/>\n");
    EXPECT_EQ(v, (StringDictionary{{"Name", "Tom and Jerry"},
                                   {"Album", "Tom and Jerry"},
                                   {"Artist", "First Writer"},
                                   {"Sort Artist", "First Writer"},
                                   {"Genre", "Fiction"},
                                   {"Publisher Unique ID", "978-3-16"},
                                   {"Cover Path", "images/cover.jpg"}}));
    const auto oneLine =
        documentValues("<package><metadata><dc:title>One "
                       "Line</dc:title><dc:creator>Solo</dc:creator><dc:subject>Short</dc:subject>"
                       "<dc:identifier>id-1</dc:identifier></metadata><manifest><item href=\"c.png\" "
                       "id=\"cover\"/></manifest></package>");
    EXPECT_EQ(oneLine, (StringDictionary{{"Name", "One Line"},
                                         {"Album", "One Line"},
                                         {"Artist", "Solo"},
                                         {"Sort Artist", "Solo"},
                                         {"Genre", "Short"},
                                         {"Publisher Unique ID", "id-1"},
                                         {"Cover Path", "c.png"}}))
        << "a package document in one line, \"dc:\" undeclared";
    // The last subject and the last identifier; the cover item with the id "cover"
    // comes before the cover-image item, which comes before the meta.
    const auto several = valuesOf(
        "<dc:subject>Bare</dc:subject>\n<dc:subject>Other</dc:subject>\n"
        "<dc:identifier>a</dc:identifier>\n<dc:identifier>b</dc:identifier>\n"
        "<meta name=\"cover\" content=\"m\"/>\n",
        "<item id=\"m\" href=\"meta.jpg\"/>\n<item href=\"p.jpg\" id=\"p\" properties=\"cover-image\"/>\n"
        "<item href=\"old.jpg\" id=\"cover\"/>\n");
    EXPECT_EQ(valueOr(several, "Genre"), "Other");
    EXPECT_EQ(valueOr(several, "Publisher Unique ID"), "b");
    EXPECT_EQ(valueOr(several, "Cover Path"), "old.jpg");
    EXPECT_EQ(valueOr(valuesOf("<meta name=\"cover\" content=\"m\"/>",
                               "<item id=\"m\" href=\"meta.jpg\"/>\n"
                               "<item href=\"p.jpg\" id=\"p\" properties=\"cover-image\"/>\n"),
                      "Cover Path"),
              "p.jpg");
}

// One value of a package document, read the way the import reads it.
TEST(PackageDocument, ValuesAreReadAsXmlDecodedAndCleaned)
{
    const std::string accents = [] {
        std::string s = "tt";
        for (int i = 0; i < 600; ++i)
            s += "\xc3\xa9";
        return s;
    }();
    const std::string commented =
        "<!-- <dc:title>Template Title</dc:title> <dc:creator>Nobody</dc:creator> -->\n"
        "<dc:title>\n   The Long\n   Title\n</dc:title>\n<dc:creator\n  opf:role=\"aut\">Ann\n  Author</dc:creator>\n";
    const struct
    {
        const char *what;
        std::string metadata, manifest;
        const char *key;
        std::string expected;
    } rows[] = {
        {"entities", "<dc:title>Fish &amp; Chips: A History</dc:title>", "", "Name", "Fish & Chips: A History"},
        {"a character reference", "<dc:creator>Flann O&#39;Brien</dc:creator>", "", "Artist", "Flann O'Brien"},
        {"decimal and hex references", "<dc:subject>Caf&#233; &amp; Cr&#xE8;me</dc:subject>", "", "Genre",
         "Caf\xc3\xa9 & Cr\xc3\xa8me"},
        {"markup references", "<dc:identifier>a&lt;b&gt;</dc:identifier>", "", "Publisher Unique ID", "a<b>"},
        {"a reference in the cover's address", "",
         "<item id=\"c\" href=\"Fish &amp; Chips.jpg\" properties=\"cover-image\"/>", "Cover Path",
         "Fish & Chips.jpg"},
        {"a bare ampersand", "<dc:title>Salt & Pepper</dc:title>", "", "Name", "Salt & Pepper"},
        {"the creator in the author's role",
         "<dc:creator opf:role=\"trl\">Translator</dc:creator>\n<dc:creator opf:role=\"aut\">Author</dc:creator>\n"
         "<dc:creator opf:role=\"ill\">Illustrator</dc:creator>\n",
         "", "Artist", "Author"},
        {"an ePub 3 role refined by a meta",
         "<dc:creator id=\"a\">Author</dc:creator>\n<dc:creator id=\"e\">Editor</dc:creator>\n"
         "<meta refines=\"#e\" property=\"role\" scheme=\"marc:relators\">edt</meta>\n"
         "<meta refines=\"#a\" property=\"role\" scheme=\"marc:relators\">aut</meta>\n",
         "", "Sort Artist", "Author"},
        {"without roles, the first creator", "<dc:creator>First</dc:creator>\n<dc:creator>Second</dc:creator>\n", "",
         "Artist", "First"},
        {"the main title, not the last",
         "<dc:title id=\"s\">A Subtitle</dc:title>\n<dc:title id=\"m\">Dark Tide</dc:title>\n"
         "<meta refines=\"#s\" property=\"title-type\">subtitle</meta>\n"
         "<meta refines=\"#m\" property=\"title-type\">main</meta>\n",
         "", "Name", "Dark Tide"},
        {"without types, the first title", "<dc:title>Dark Tide</dc:title>\n<dc:title>A Subtitle</dc:title>\n", "",
         "Album", "Dark Tide"},
        {"a title over lines, one in a comment", commented, "", "Name", "The Long Title"},
        {"a creator over lines, one in a comment", commented, "", "Artist", "Ann Author"},
        {"a title outside Dublin Core", "<title xmlns=\"http://www.idpf.org/2007/opf\">Not Dublin Core</title>", "",
         "Name", "<none>"},
        {"text that is not UTF-8 is skipped", "<dc:subject>Bad \xff\xfe bytes</dc:subject>\n", "", "Genre", "<none>"},
        {"and what follows it is read",
         "<dc:subject>Bad \xff\xfe bytes</dc:subject>\n<dc:creator>Caf\xc3\xa9</dc:creator>\n", "", "Artist",
         "Caf\xc3\xa9"},
        {"control characters go, so the file name can stand in", "<dc:title>\x01\x1f</dc:title>\n", "", "Name", ""},
        {"XML carries a tab and DEL", "<dc:identifier>A\tB\x7f</dc:identifier>\n", "", "Publisher Unique ID",
         "A\tB\x7f"},
        {"cut at 1023 bytes", "<dc:title>" + std::string(2000, 't') + "</dc:title>", "", "Name",
         std::string(1023, 't')},
        {"cut at the end of a character", "<dc:title>" + accents + "</dc:title>", "", "Name", accents.substr(0, 1022)},
    };
    for (const auto &row : rows)
        EXPECT_EQ(valueOr(valuesOf(row.metadata, row.manifest), row.key), row.expected) << row.what;

    const auto ns0 =
        valuesOf("<ns0:title>Other Prefix</ns0:title><ns0:creator>Writer</ns0:creator>", {}, {}, "ns0");
    EXPECT_EQ(valueOr(ns0, "Name"), "Other Prefix");
    EXPECT_EQ(valueOr(ns0, "Artist"), "Writer");
    const QString text =
        QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-16\"?><package><metadata "
                       "xmlns:dc=\"http://purl.org/dc/elements/1.1/\"><dc:title>Caf\u00e9 Sixteen</dc:title>"
                       "</metadata></package>");
    std::string utf16 = "\xff\xfe";
    utf16.append(reinterpret_cast<const char *>(text.utf16()), static_cast<std::size_t>(text.size()) * 2);
    EXPECT_EQ(valueOr(documentValues(utf16), "Name"), "Caf\xc3\xa9 Sixteen");
    EXPECT_EQ(
        valueOr(documentValues("<package><metadata><dc:title>Kept</dc:title></metadata><broken></package>"), "Name"),
        "Kept")
        << "what was read before an error stays";
}

TEST(PackageDocument, BookPathsStayInsideTheBook)
{
    EXPECT_EQ(bookPathOf("OEBPS/content.opf", "images/cover%20art.jpg#x"), "OEBPS/images/cover art.jpg");
    EXPECT_EQ(bookPathOf("OEBPS/content.opf", "../images/cover.jpg"), "images/cover.jpg");
    EXPECT_EQ(bookPathOf("OEBPS/content.opf", "../../etc/passwd"), "");
    EXPECT_EQ(bookPathOf("OEBPS/content.opf", "/etc/passwd"), "");
    EXPECT_EQ(bookPathOf("content.opf", "%2e%2e/x.jpg"), "");
}

namespace {
std::string page(const std::string &body)
{
    return "<?xml version=\"1.0\"?>\n<html xmlns=\"http://www.w3.org/1999/xhtml\" "
           "xmlns:xlink=\"http://www.w3.org/1999/xlink\">"
           "<head><title>Cover</title></head><body>" +
           body + "</body></html>\n";
}
} // namespace

using ImportedPackageTest = FolderDeviceTest;

TEST_F(ImportedPackageTest, NewerBookWithControlCharactersImportsIntoACatalogueStrictReadersTake)
{
    writeDeviceCatalogue(Catalogue());
    attach();
    const std::string cover = "PNGDATA";
    std::string opf =
        EpubBuilder::packageDocument("x", "Writer", "    <dc:subject id=\"s\">Sea\x02 Stories</dc:subject>\n",
                                     "    <item id=\"c\" href=\"images/c.png\" media-type=\"image/png\" "
                                     "properties=\"cover-image\"/>\n");
    opf.replace(opf.find("<dc:title>x</dc:title>"), 22,
                "<dc:title id=\"t\">Dark\x01\x1b Tide\x0c</dc:title>");
    const std::string file = m_files.file("b.epub");
    ASSERT_TRUE(EpubBuilder::validBook("x", "y")
                    .add("OEBPS/content.opf", opf)
                    .add("OEBPS/images/c.png", cover)
                    .write(file));

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
    EXPECT_EQ(entryString(entry, BookKey::CoverHash), upperMd5(cover));

    // (A title of control characters only: the file name stands in, a row of the hostile
    // package documents.)
}


TEST_F(ImportedPackageTest, CoversAreFoundAsThePackageDocumentNamesThem)
{
    writeDeviceCatalogue(Catalogue());
    attach();
    struct Case
    {
        const char *what, *metadata, *manifest, *guide;
        std::vector<std::pair<std::string, std::string>> files; // the first is the cover picture
        const char *coverPath;
    };
    const Case cases[] = {
        {"climbs out of the package's folder",
         "",
         "<item href=\"../images/cover.jpg\" id=\"cover\" media-type=\"image/jpeg\"/>",
         "",
         {{"images/cover.jpg", "JPEG-UP"}},
         "../images/cover.jpg"},
        {"percent-encoded",
         "",
         "<item id=\"c\" href=\"cover%20art.jpg\" media-type=\"image/jpeg\" properties=\"cover-image\"/>",
         "",
         {{"OEBPS/cover art.jpg", "JPEG-SPACE"}},
         "cover%20art.jpg"},
        {"the guide's page with an img",
         "",
         "<item id=\"cp\" href=\"text/cover.xhtml\" media-type=\"application/xhtml+xml\"/>",
         "<guide><reference type=\"cover\" href=\"text/cover.xhtml\"/></guide>",
         {{"OEBPS/images/front.png", "PNG-FRONT"},
          {"OEBPS/text/cover.xhtml", page("<p><img src=\"../images/front.png\"/></p>")}},
         "images/front.png"},
        {"the guide's page with an SVG image",
         "",
         "<item id=\"cp\" href=\"cover.xhtml\" media-type=\"application/xhtml+xml\"/>",
         "<guide><reference type=\"cover\" href=\"cover.xhtml\"/></guide>",
         {{"OEBPS/art.jpg", "JPEG-SVG"},
          {"OEBPS/cover.xhtml",
           page("<svg xmlns=\"http://www.w3.org/2000/svg\"><image xlink:href=\"art.jpg\"/></svg>")}},
         "art.jpg"},
        {"a meta naming the file",
         "<meta name=\"cover\" content=\"pics/c.png\"/>\n",
         "<item id=\"img1\" href=\"pics/c.png\" media-type=\"image/png\"/>",
         "",
         {{"OEBPS/pics/c.png", "PNG-META"}},
         "pics/c.png"},
    };
    std::size_t count = 0;
    for (const Case &c : cases) {
        std::string opf =
            EpubBuilder::packageDocument("Covered", "Writer", c.metadata, std::string(c.manifest) + "\n");
        opf.replace(opf.find("</package>"), 10, std::string(c.guide) + "</package>");
        EpubBuilder book = EpubBuilder::validBook("x", "y").add("OEBPS/content.opf", opf);
        for (const auto &[name, bytes] : c.files)
            book.add(name, bytes);
        const std::string file = m_files.file(std::to_string(count) + ".epub");
        ASSERT_TRUE(book.write(file));
        ASSERT_FALSE(importBook(file).empty()) << c.what;
        const Catalogue catalogue = deviceCatalogue();
        ASSERT_EQ(catalogue.bookCount(), ++count);
        plist_t entry = catalogue.bookAt(count - 1);
        EXPECT_EQ(entryString(entry, BookKey::CoverHash), upperMd5(c.files.front().second)) << c.what;
        EXPECT_EQ(entryString(entry, BookKey::CoverPath), c.coverPath) << c.what;
    }
}

TEST(Identifiers, RandValueAvoidsEveryExistingValue)
{
    // (The first value and the next one after it: the import tests' identifiers.)
    std::vector<std::string> taken{"0000000000002000"};
    for (int i = 2001; i < 2200; ++i)
        taken.push_back("000000000000" + std::to_string(i));
    const std::string far = CatalogueShelf::randValue(taken);
    EXPECT_FALSE(CatalogueShelf::isSameValue(taken, far));
    EXPECT_EQ(far.rfind("000000000000", 0), 0u);
}

// Books imported while values were kept encoded ("Tom &amp; Jerry") are still the same book as
// the decoded value a new import reads.
TEST(PackageDocument, EncodedCatalogueValuesStillMatchForTheDuplicateCheck)
{
    EXPECT_EQ(referencesDecoded("Tom &amp; Jerry &#233;&#xE8; &lt;&gt;&quot;&apos; &bogus; &#0; & x"),
              "Tom & Jerry \xc3\xa9\xc3\xa8 <>\"' &bogus; &#0; & x");
    Catalogue catalogue;
    PlistPtr entry = testEntry("Tom &amp; Jerry", "TOMJ.epub", true);
    entrySetString(entry.get(), BookKey::PublisherUniqueID, "urn:a&amp;b");
    catalogue.appendBook(std::move(entry));
    const auto found = findCatalogueDuplicate(catalogue, PackageIdentity{"urn:a&b", "Tom & Jerry"});
    ASSERT_TRUE(found);
    EXPECT_EQ(found->path, "TOMJ.epub");
    EXPECT_FALSE(findCatalogueDuplicate(catalogue, PackageIdentity{"urn:a&b", "Tom and Jerry"}));
}
