// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// Package documents and containers nested far deeper than any book: read as far as the depth
// bound, without a call per level, and what lies within the bound read whole.
#include "library/packagedocument.h"

#include <gtest/gtest.h>

#include <string>

namespace {
std::string nested(int levels, const std::string &inner)
{
    std::string text;
    for (int i = 0; i < levels; ++i)
        text += "<i>";
    text += inner;
    for (int i = 0; i < levels; ++i)
        text += "</i>";
    return text;
}

std::string package(const std::string &metadata)
{
    return "<?xml version=\"1.0\"?><package xmlns=\"http://www.idpf.org/2007/opf\" version=\"3.0\">"
           "<metadata xmlns:dc=\"http://purl.org/dc/elements/1.1/\">" +
           metadata + "</metadata><manifest/></package>";
}
} // namespace

TEST(DeepPackage, NestingIsFollowedToTheBoundAndNoFurther)
{
    const struct
    {
        const char *what;
        std::string metadata;
        std::optional<std::string> title, author, subject;
    } rows[] = {
        {"200,000 levels in the title: no title, what came before kept",
         "<dc:creator>Writer</dc:creator><dc:title>" + nested(200000, "Deep") + "</dc:title><dc:subject>S</dc:subject>",
         std::nullopt, "Writer", std::nullopt},
        {"200,000 levels after the title", "<dc:title>Plain</dc:title>" + nested(200000, "x") + "<dc:creator>W</dc:creator>",
         "Plain", std::nullopt, std::nullopt},
        {"a title with children within the bound is read whole",
         "<dc:title>A <b>bold</b> " + nested(200, "deep") + " title</dc:title><dc:creator>W</dc:creator>",
         "A bold deep title", "W", std::nullopt},
        {"a refinement nested too deep", "<dc:title id=\"t\">T</dc:title><meta refines=\"#t\" property=\"title-type\">" +
                                             nested(300, "main") + "</meta><dc:creator>W</dc:creator>",
         "T", std::nullopt, std::nullopt},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.what);
        const PackageDocument document = readPackageDocument(package(row.metadata));
        EXPECT_EQ(document.title, row.title);
        EXPECT_EQ(document.author, row.author);
        EXPECT_EQ(document.subject, row.subject);
    }

    const std::string rootfile = "<rootfile full-path=\"OEBPS/content.opf\"/>";
    const std::string container = "<?xml version=\"1.0\"?><container><rootfiles>";
    EXPECT_EQ(packagePathFromContainer(container + nested(200000, rootfile) + "</rootfiles></container>"), "");
    EXPECT_EQ(packagePathFromContainer(container + nested(200, rootfile) + "</rootfiles></container>"),
              "OEBPS/content.opf");
}
