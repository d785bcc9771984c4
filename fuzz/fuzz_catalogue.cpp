// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// The catalogue readers: any bytes as Books.plist, read the way the lists and the import read it.
#include "fuzzentry.h"

#include "library/bookfields.h"
#include "library/bookkeys.h"
#include "library/catalogue.h"
#include "library/epub.h"

#include <string>

extern "C" int FUZZ_ENTRY(const uint8_t *data, size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char *>(data), size);
    // The direct reader of binary lists answers what libplist's tree gives, or nothing.
    if (const auto fast = readBinaryCatalogueBooks(bytes); fast && *fast != readCatalogueBooksWithTree(bytes))
        __builtin_trap();
    Catalogue catalogue = Catalogue::fromData(std::string(bytes));
    if (!catalogue.isLoaded())
        return 0;
    for (plist_t entry : catalogue.books()) {
        entryString(entry, BookKey::Name);
        entryBool(entry, BookKey::UserItem);
        epub::initWithDict(entry);
    }
    catalogue.stringValues(BookKey::Path);
    catalogue.removeBooksWithPath("A.epub");
    PlistPtr entry(plist_new_dict());
    entrySetString(entry.get(), BookKey::Path, "FUZZ.epub");
    catalogue.appendBook(std::move(entry));
    if (!catalogue.writable())
        return 0;
    const std::string xml = catalogue.toXml();
    if (xml.empty() || !Catalogue::fromData(xml).isLoaded())
        __builtin_trap(); // what is written must read back
    return 0;
}
