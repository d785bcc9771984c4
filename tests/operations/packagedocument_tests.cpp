// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "bookfoldernamegenerator.h"
#include "ipodtreelistcontroler.h"
#include "tempdir.h"

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
    const auto titled = valuesOf("<dc:title id=\"t\">Attributed</dc:title>\n");
    EXPECT_EQ(valueOr(titled, "Name"), "<none>");
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
