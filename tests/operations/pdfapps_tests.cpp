// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// PDFs in reader apps: which apps take them, and the shelves that take them or say why not.
#include "device/storage/shelf.h"
#include "device/backend/deviceapps.h"
#include "devicefixture.h"
#include "operations/bookshelf.h"
#include "pdfshelfcheck.h"

#include <plist/plist.h>

TEST(PdfApps, WhichAppsTakePdf)
{
    struct Row
    {
        const char *keys; // of the app's attributes, as XML
        bool takesPdf;
        bool takesEpub;
    };
    // clang-format off
    const std::vector<Row> rows = {
        {"<key>CFBundleDocumentTypes</key><array><dict><key>LSItemContentTypes</key>"
         "<array><string>com.adobe.pdf</string></array></dict></array>", true, false},
        {"<key>CFBundleDocumentTypes</key><array><dict><key>CFBundleTypeExtensions</key>"
         "<array><string>epub</string><string>PDF</string></array></dict></array>", true, true},
        {"<key>CFBundleDocumentTypes</key><array><dict><key>CFBundleTypeMIMETypes</key>"
         "<string>application/pdf</string></dict></array>", true, false},
        {"<key>UTImportedTypeDeclarations</key><array><dict><key>UTTypeIdentifier</key><string>com.example.doc"
         "</string><key>UTTypeConformsTo</key><array><string>com.adobe.pdf</string></array></dict></array>"
         "<key>CFBundleDocumentTypes</key><array><dict><key>LSItemContentTypes</key>"
         "<array><string>com.example.doc</string></array></dict></array>", true, false},
        {"<key>UTExportedTypeDeclarations</key><array><dict><key>UTTypeIdentifier</key><string>com.example.pages"
         "</string><key>UTTypeTagSpecification</key><dict><key>public.filename-extension</key>"
         "<string>pdf</string></dict></dict></array><key>CFBundleDocumentTypes</key><array><dict>"
         "<key>LSItemContentTypes</key><array><string>org.idpf.epub-container</string>"
         "<string>com.example.pages</string></array></dict></array>", true, true},
        // Declared but taken by no document type; generic data; malformed entries.
        {"<key>UTImportedTypeDeclarations</key><array><dict><key>UTTypeIdentifier</key><string>com.example.x"
         "</string><key>UTTypeConformsTo</key><string>com.adobe.pdf</string></dict></array>", false, false},
        {"<key>CFBundleDocumentTypes</key><array><dict><key>LSItemContentTypes</key>"
         "<array><string>public.data</string></array></dict></array>", false, false},
        {"<key>CFBundleDocumentTypes</key><array><string>com.adobe.pdf</string><dict/></array>", false, false},
    };
    // clang-format on
    for (const Row &row : rows) {
        SCOPED_TRACE(row.keys);
        const std::string xml = std::string("<?xml version=\"1.0\"?><plist version=\"1.0\"><dict>"
                                            "<key>CFBundleIdentifier</key><string>org.example.app</string>") +
                                row.keys + "</dict></plist>";
        plist_t attributes = nullptr;
        plist_from_xml(xml.data(), static_cast<uint32_t>(xml.size()), &attributes);
        ASSERT_NE(attributes, nullptr);
        DeviceApp app;
        EXPECT_TRUE(appFromAttributes(attributes, app));
        plist_free(attributes);
        EXPECT_EQ(app.takesPdf, row.takesPdf);
        EXPECT_EQ(app.takesEpub, row.takesEpub);
    }
}

class PdfAppsFolderTest : public FolderDeviceTest
{
};

// An app's PDFs listed, imported, exported and deleted (pdfshelfcheck.h) are checked through
// the emulator; here the shelves say what they take, and the device's own books stay ePub
// only, said plainly.
TEST_F(PdfAppsFolderTest, TheShelvesSayWhatTheyTake)
{
    attach();
    DocumentsShelf shelf(kPdfReader, "Pages");
    EXPECT_FALSE(shelf.takesFile("a.pdf"));
    shelf.setTakesPdf(true);
    EXPECT_TRUE(shelf.takesFile("a.PDF"));
    EXPECT_TRUE(shelf.takesFile("a.epub"));
    EXPECT_FALSE(shelf.takesFile("a.txt"));
    CatalogueShelf &catalogue = m_library->books();
    EXPECT_FALSE(catalogue.takesFile("a.pdf"));
    writeWholeFile(m_files.file("Moths.pdf"), pdfBytes("Moths", ""));
    BookContext context = m_library->bookContext();
    const BookStart start = catalogue.startImport(context, m_files.file("Moths.pdf"));
    ASSERT_TRUE(start.result);
    EXPECT_TRUE(start.result->failed());
    EXPECT_NE(start.result->message.find("ePub only"), std::string::npos) << start.result->message;
    DocumentsShelf epubOnly(kPdfReader, "Pages");
    const BookStart refused = epubOnly.startImport(context, m_files.file("Moths.pdf"));
    ASSERT_TRUE(refused.result);
    EXPECT_NE(refused.result->message.find("does not say it takes PDFs"), std::string::npos);
}
