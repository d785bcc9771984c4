// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// The catalogue reader: any bytes as Books.plist, read the way the lists and the import read it.
#include "fuzzentry.h"

#include "bookkeys.h"
#include "catalogue.h"
#include "epub.h"

#include <string>

extern "C" int FUZZ_ENTRY(const uint8_t *data, size_t size)
{
    Catalogue catalogue = Catalogue::fromData(std::string(reinterpret_cast<const char *>(data), size));
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
    const std::string xml = catalogue.toXml();
    if (!xml.empty() && !Catalogue::fromData(xml).isLoaded())
        __builtin_trap(); // what was written must read back
    return 0;
}
