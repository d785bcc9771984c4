// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

// One app's PDFs beside its ePubs, listed with covers, imported, exported and deleted: the
// same checks on the folder device and through the emulator.

#include "device/backend/mobiledevice.h"
#include "epubbuilder.h"
#include "library/bookkeys.h"
#include "library/samplepdf.h"
#include "operations/appbooks.h"
#include "tempdir.h"

#include <gtest/gtest.h>

#include <QImage>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

inline constexpr const char *kPdfReader = "org.example.pdfreader";

inline std::string pdfBytes(const std::string &title, const std::string &author, uint64_t padding = 0)
{
    SamplePdf sample;
    sample.title = title;
    sample.author = author;
    sample.pages = 3;
    sample.padding = padding;
    return samplePdf(sample);
}

inline const AppBook *named(const std::vector<AppBook> &books, const std::string &relative)
{
    const auto it = std::find_if(books.begin(), books.end(), [&](const AppBook &b) { return b.relative == relative; });
    return it == books.end() ? nullptr : &*it;
}

// The app's Documents hold an ePub and three PDFs (one with a title, one without, one that is
// none); `connection` is on the app's container.
inline void checkPdfShelf(afc_connection *connection, const std::string &documents, const std::string &files)
{
    ASSERT_TRUE(EpubBuilder::validBook("River Songs", "Ina Marsh").write(documents + "/River Songs.epub"));
    const std::string atlas = pdfBytes("Atlas of Rivers", "R. Vale", 1u << 20);
    std::filesystem::create_directories(documents + "/Maps");
    writeWholeFile(documents + "/Maps/Atlas.pdf", atlas);
    writeWholeFile(documents + "/untitled.PDF", pdfBytes("", ""));
    writeWholeFile(documents + "/broken.pdf", std::string(5000, 'x'));

    std::vector<AppBook> books;
    ASSERT_EQ(listAppBookDetails(connection, books, {}, {}, {}, false), MDERR_OK);
    ASSERT_EQ(books.size(), 1u); // an app that does not take PDF: its ePubs only
    ASSERT_EQ(listAppBookDetails(connection, books, {}, {}, {}, true), MDERR_OK);
    ASSERT_EQ(books.size(), 4u);
    struct Row
    {
        const char *relative;
        const char *name, *artist;
        bool problem;
    };
    for (const Row &row : std::vector<Row>{{"Maps/Atlas.pdf", "Atlas of Rivers", "R. Vale", false},
                                           {"untitled.PDF", "untitled", "", false},
                                           {"broken.pdf", "broken", "", true},
                                           {"River Songs.epub", "River Songs", "Ina Marsh", false}}) {
        SCOPED_TRACE(row.relative);
        const AppBook *book = named(books, row.relative);
        ASSERT_NE(book, nullptr);
        EXPECT_EQ(book->values.at(BookKey::Name), row.name);
        EXPECT_EQ(book->values.count(BookKey::Artist) ? book->values.at(BookKey::Artist) : "", row.artist);
        EXPECT_EQ(!book->problem.empty(), row.problem) << book->problem;
    }
    EXPECT_EQ(named(books, "Maps/Atlas.pdf")->size, atlas.size());

    // The first page as the cover.
    const std::optional<std::string> cover = readAppBookCover(connection, "/Documents/Maps/Atlas.pdf");
    ASSERT_TRUE(cover);
    QImage picture;
    ASSERT_TRUE(picture.loadFromData(QByteArray::fromStdString(*cover), "PNG"));
    EXPECT_EQ(picture.height(), 176);
    EXPECT_FALSE(readAppBookCover(connection, "/Documents/broken.pdf"));

    // Import as it is; a file named like a PDF that is none is refused.
    const std::string moths = pdfBytes("Moths", "T. Renn");
    writeWholeFile(files + "/Moths.pdf", moths);
    writeWholeFile(files + "/fake.pdf", "just text");
    const BookOperationResult imported = importIntoApp(connection, files + "/Moths.pdf", {});
    EXPECT_TRUE(imported.done()) << imported.message;
    EXPECT_EQ(readWholeFile(documents + "/Moths.pdf"), moths);
    const BookOperationResult fake = importIntoApp(connection, files + "/fake.pdf", {});
    EXPECT_TRUE(fake.failed());
    EXPECT_FALSE(std::filesystem::exists(documents + "/fake.pdf"));

    // Export under the title, as it is; then delete.
    BookContext context;
    const std::string out = files + "/out";
    std::filesystem::create_directories(out);
    const BookOperationResult exported = exportFromApp(connection, "Maps/Atlas.pdf", out, context);
    ASSERT_TRUE(exported.done()) << exported.message;
    EXPECT_EQ(readWholeFile(out + "/Atlas of Rivers.pdf"), atlas);
    EXPECT_TRUE(deleteFromApp(connection, "Maps/Atlas.pdf").done());
    EXPECT_FALSE(std::filesystem::exists(documents + "/Maps/Atlas.pdf"));
}

