// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What the book lists show of one catalogue entry: "Name", "Artist", "Album", "Genre" and
// "Path" (a missing value, or one that is not a string, reads as empty) and "User Item".
struct BookFields
{
    std::string name, artist, album, genre, path;
    bool userItem = false;

    bool operator==(const BookFields &) const = default;
};
using BookFieldList = std::vector<BookFields>;

// The entries of a catalogue file's bytes, in order; none when the bytes are no catalogue
// (not a property list, no dictionary at the root, "Books" missing or not an array).
BookFieldList readCatalogueBooks(std::string_view bytes);

// The same through libplist's tree, for any form of property list.
BookFieldList readCatalogueBooksWithTree(std::string_view bytes);

// The same straight from a binary property list, without building the tree: a device's
// catalogue of thousands of books is read several times faster. It answers only for a list
// it has checked whole the way libplist checks one, and with what the tree would give; for
// anything else (XML, a form it leaves to libplist, a damaged file) it answers nothing.
std::optional<BookFieldList> readBinaryCatalogueBooks(std::string_view bytes);
