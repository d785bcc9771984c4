// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include "core/plistptr.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// One book catalogue (Books.plist or Purchases.plist) held as the whole property-list tree,
// so that a rewrite changes only the "Books" array and keeps every other root key and every
// entry key this system does not know, with its type. Reads XML and binary lists, writes XML.
// Not thread-safe; one operation uses a catalogue at a time.
class Catalogue final
{
public:
    enum class State {
        Loaded,     // a dictionary root; books() is an array
        Missing,    // no file, or an empty one (a failed device copy leaves an empty file)
        Unreadable, // the file exists but is no property list, its root is no dictionary, or
                    // its "Books" value is not an array: never to be written over
    };

    Catalogue(); // an empty catalogue {"Books": []}
    static Catalogue load(const std::string &path);
    static Catalogue fromData(const std::string &data);

    State state() const { return m_state; }
    bool isLoaded() const { return m_state == State::Loaded; }
    const std::string &error() const { return m_error; }

    // Whether the file had a "Books" array; a loaded catalogue without one gets an empty array
    // on its first change.
    bool hadBooksArray() const { return m_hadBooks; }

    uint32_t bookCount() const;
    plist_t bookAt(uint32_t index) const; // owned by the catalogue
    std::vector<plist_t> books() const;

    // Every string value of `key` among the entries, in order; entries without it are left out.
    std::vector<std::string> stringValues(const char *key) const;

    // Appends a new entry; the characters XML cannot carry (which text from a book may hold)
    // are dropped from its strings.
    void appendBook(PlistPtr entry);
    // Removes every entry whose "Path" equals `path`; answers how many were removed.
    int removeBooksWithPath(const std::string &path);

    // The XML form, readable by a strict XML 1.0 reader: characters XML cannot carry at all are
    // dropped and bytes that are no UTF-8 become U+FFFD (*lostCharacters tells whether any were).
    std::string toXml(bool *lostCharacters = nullptr) const;
    // Whether write() would write it: a catalogue that was read, whose XML form reads back
    // as the same tree (it does not when a dictionary holds a key twice: the binary form keeps
    // both and readers take the first, XML readers the last, so another value would count).
    bool writable(std::string *error = nullptr) const;
    // Writes the XML form to `path` (through a temporary file beside it, then a rename).
    bool write(const std::string &path, std::string *error = nullptr) const;

    plist_t root() const { return m_root.get(); }

private:
    plist_t booksArray(bool create);
    std::string serialise(std::string *error) const; // the checked XML form, or empty

    PlistPtr m_root;
    State m_state = State::Loaded;
    bool m_hadBooks = true;
    std::string m_error;
};

// Typed reads of one entry's values; a missing key, or one of another type, reads as no value.
std::optional<std::string> entryString(plist_t entry, const char *key);
std::optional<bool> entryBool(plist_t entry, const char *key);

// A new entry value node of each type, for building entries.
void entrySetString(plist_t entry, const char *key, const std::string &value);
void entrySetBool(plist_t entry, const char *key, bool value);
// Seconds since 1970-01-01 UTC, stored as a property-list date.
void entrySetDate(plist_t entry, const char *key, int64_t unixSeconds);

// The text without the characters XML 1.0 cannot carry (C0 controls other than tab, line feed
// and carriage return; U+FFFE, U+FFFF): a tab or a line end is part of the text. Bytes that
// are no UTF-8 are kept as they are.
std::string withoutNonXmlCharacters(const std::string &text);
