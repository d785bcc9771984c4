// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include "core/notificationcenter.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What an ePub says about itself: the container names the package document, the package
// document gives the title, the author, the subject, the identifier and the cover. Everything
// here reads bytes, so an unpacked folder, a zip entry or a file on the device feed it alike.
// The documents are read as XML (QXmlStreamReader): entities and character references are
// decoded, comments are passed over, any namespace prefix is understood and UTF-16 is read.
// Sloppy documents are taken as far as they go: a bare "&" is an ampersand, bytes that are
// not UTF-8 and control characters are left out of the text, and what was read before an
// error that remains is kept. Elements are followed 256 levels deep: a document nested deeper
// is read as if it ended there (an element whose text goes deeper gives no value).

// The package document's path as the container writes it: the first rootfile's full-path, at
// most 1023 bytes; empty when there is none.
std::string packagePathFromContainer(std::string_view container);

struct PackageDocument
{
    // Each value has white-space runs as one space, without any around it; absent when the
    // document has no such element.
    std::optional<std::string> title;      // the main title (title-type "main"), else the first
    std::optional<std::string> author;     // the first creator in the role "aut", else the first
    std::optional<std::string> subject;    // the last subject
    std::optional<std::string> identifier; // the last identifier
    // Where the cover may be, best first, as the document writes them (relative to it): the
    // item with the id "cover", the "cover-image" item, the item <meta name="cover"> names (by
    // its id, else by its href), the guide's "cover" page.
    std::vector<std::string> coverHrefs;
};
PackageDocument readPackageDocument(std::string_view bytes);

// The catalogue values a book takes from its package document, by key: "Name" and "Album",
// "Artist" and "Sort Artist", "Genre", "Publisher Unique ID" and "Cover Path" (`coverPath`,
// else the first cover href). Only what the document has; control characters become spaces
// or go, and a value is cut to at most 1023 bytes at a character's end.
StringDictionary packageCatalogueValues(const PackageDocument &document,
                                        const std::optional<std::string> &coverPath = std::nullopt);

// `href`, a URL relative to the file at `from` (a path in the book; "" for its root), as a path
// in the book: without fragment or query, percent-decoded, normalised. Empty when it is
// absolute or would leave the book.
std::string bookPathOf(const std::string &from, const std::string &href);

// `text` with XML's predefined entities and character references decoded, anything else kept as
// it stands: for values that reached a catalogue still encoded.
std::string referencesDecoded(std::string_view text);

// The first picture a page shows (<img src>, SVG <image href>), as written; empty when none.
std::string firstImageHref(std::string_view page);

// The files of one book, by their paths in it.
struct BookFiles
{
    std::function<bool(const std::string &path)> has;
    std::function<std::optional<std::string>(const std::string &path)> read;
};

struct BookCover
{
    std::string coverPath; // the catalogue's "Cover Path": relative to the package document
    std::string file;      // the picture's path in the book
};

// The cover picture of a book whose package document is at `packagePath`: each of
// `knownHref` (a catalogue's "Cover Path", tried first) and the document's cover hrefs that
// names a picture, relative to the document and else to the book's root; else the first
// picture the first of them that is a page shows. Empty when none is there.
BookCover findBookCover(const std::string &packagePath, const PackageDocument &document,
                        const BookFiles &files, const std::string &knownHref = {});
