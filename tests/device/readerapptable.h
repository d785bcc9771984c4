// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

// Apps as real ones describe themselves, each way of declaring ePub and the malformed entries,
// written into a folder device (DIR/apps/ID/Info.plist and container/Documents/), and which of
// them the reader test must find. The folder device and the emulator read the same folders.

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

struct ReaderAppRow
{
    const char *identifier;
    const char *sharing;                 // the UIFileSharingEnabled value as XML; empty: none
    const char *extra;                   // more keys of the Info.plist, as XML
    std::vector<const char *> documents; // files made under Documents/
    bool listed;                         // an app that shares its files
    bool reader;
    bool byAttributes; // a reader without looking into its Documents
};

inline const std::vector<ReaderAppRow> &readerAppRows()
{
    // One row an app, kept as written.
    // clang-format off
    static const std::vector<ReaderAppRow> rows = {
        {"org.example.contenttype", "<true/>",
         "<key>CFBundleDocumentTypes</key><array><dict><key>LSItemContentTypes</key>"
         "<array><string>org.idpf.epub-container</string></array></dict></array>",
         {}, true, true, true},
        {"org.example.extension", "<string>YES</string>",
         "<key>CFBundleDocumentTypes</key><array><dict><key>CFBundleTypeExtensions</key>"
         "<string>EPUB</string></dict></array>",
         {}, true, true, true},
        {"org.example.imported", "<string>true</string>",
         "<key>UTImportedTypeDeclarations</key><array><dict><key>UTTypeIdentifier</key>"
         "<string>com.example.book</string><key>UTTypeTagSpecification</key><dict>"
         "<key>public.filename-extension</key><string>epub</string></dict></dict></array>"
         "<key>CFBundleDocumentTypes</key><array><dict><key>LSItemContentTypes</key>"
         "<array><string>com.example.book</string></array></dict></array>",
         {}, true, true, true},
        {"org.example.exported", "<string>Yes</string>",
         "<key>UTExportedTypeDeclarations</key><array><dict><key>UTTypeIdentifier</key>"
         "<string>com.example.ebook</string><key>UTTypeConformsTo</key><array>"
         "<string>public.data</string><string>org.idpf.epub-container</string></array></dict></array>"
         "<key>CFBundleDocumentTypes</key><array><dict><key>LSItemContentTypes</key>"
         "<array><string>public.data</string><string>com.example.ebook</string></array></dict></array>",
         {}, true, true, true},
        // A type that stands for ePub but that no document type takes.
        {"org.example.declaredonly", "<true/>",
         "<key>UTImportedTypeDeclarations</key><array><dict><key>UTTypeIdentifier</key>"
         "<string>com.example.other</string><key>UTTypeTagSpecification</key><dict>"
         "<key>public.filename-extension</key><array><string>epub</string></array></dict></dict></array>"
         "<key>CFBundleDocumentTypes</key><array><dict><key>LSItemContentTypes</key>"
         "<array><string>public.data</string></array></dict></array>",
         {}, true, false, false},
        {"org.example.category", "<true/>",
         "<key>LSApplicationCategoryType</key><string>public.app-category.books</string>", {}, true, true, true},
        {"org.example.holdsbooks", "<true/>",
         "<key>CFBundleDocumentTypes</key><array><dict><key>LSItemContentTypes</key>"
         "<array><string>public.data</string></array></dict></array>",
         {"notes.txt", "shelf/fiction/Emma.EPUB"}, true, true, false},
        {"org.example.toodeep", "<true/>", "", {"a/b/c/Emma.epub", "readme.txt"}, true, false, false},
        {"org.example.nothing", "<true/>",
         "<key>CFBundleDocumentTypes</key><array><dict><key>LSItemContentTypes</key>"
         "<array><string>public.data</string></array></dict></array>",
         {"notes.txt"}, true, false, false},
        // Malformed: a document type without content types next to one that takes ePub.
        {"org.example.partlybroken", "<true/>",
         "<key>CFBundleDocumentTypes</key><array><dict><key>CFBundleTypeName</key><string>Any</string></dict>"
         "<string>not a type</string><dict><key>LSItemContentTypes</key>"
         "<string>org.idpf.epub-container</string></dict></array>",
         {}, true, true, true},
        // Malformed throughout: wrong kinds and empty strings, yet the app is listed.
        {"org.example.malformed", "<true/>",
         "<key>CFBundleDocumentTypes</key><dict><key>LSItemContentTypes</key><string>org.idpf.epub-container"
         "</string></dict><key>LSApplicationCategoryType</key><string></string>"
         "<key>UTImportedTypeDeclarations</key><string>epub</string>"
         "<key>UTExportedTypeDeclarations</key><array><dict><key>UTTypeIdentifier</key><string></string>"
         "<key>UTTypeConformsTo</key><string>org.idpf.epub-container</string></dict><dict>"
         "<key>UTTypeIdentifier</key><integer>7</integer></dict></array>"
         "<key>CFBundleDisplayName</key><string></string>",
         {}, true, false, false},
        {"org.example.emptytypes", "<true/>",
         "<key>CFBundleDocumentTypes</key><array><dict><key>LSItemContentTypes</key><array><string></string>"
         "</array><key>CFBundleTypeExtensions</key><integer>1</integer></dict></array>"
         "<key>LSApplicationCategoryType</key><integer>3</integer>",
         {}, true, false, false},
        // Sharing nothing: not reachable, whatever it declares.
        {"org.example.private", "<false/>",
         "<key>CFBundleDocumentTypes</key><array><dict><key>LSItemContentTypes</key>"
         "<array><string>org.idpf.epub-container</string></array></dict></array>",
         {"Emma.epub"}, false, false, false},
        {"org.example.opensinplace", "",
         "<key>LSSupportsOpeningDocumentsInPlace</key><true/>"
         "<key>LSApplicationCategoryType</key><string>public.app-category.books</string>",
         {}, false, false, false},
    };
    // clang-format on
    return rows;
}

// Writes the rows' apps into the folder device at `deviceDir`.
inline void writeReaderApps(const std::string &deviceDir,
                            const std::vector<ReaderAppRow> &rows = readerAppRows())
{
    namespace fs = std::filesystem;
    for (const ReaderAppRow &row : rows) {
        const fs::path app = fs::path(deviceDir) / "apps" / row.identifier;
        fs::create_directories(app / "container" / "Documents");
        std::ofstream info(app / "Info.plist", std::ios::trunc);
        info << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
             << "<key>CFBundleIdentifier</key><string>" << row.identifier << "</string>"
             << "<key>CFBundleName</key><string>" << row.identifier << "</string>"
             << "<key>CFBundleVersion</key><string>1.0</string>"
             << "<key>ApplicationType</key><string>User</string>";
        if (*row.sharing)
            info << "<key>UIFileSharingEnabled</key>" << row.sharing;
        info << row.extra << "</dict></plist>\n";
        for (const char *document : row.documents) {
            const fs::path file = app / "container" / "Documents" / document;
            fs::create_directories(file.parent_path());
            std::ofstream(file) << "PK\x03\x04";
        }
    }
}
