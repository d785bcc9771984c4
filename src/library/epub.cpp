// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "library/epub.h"

#include "library/bookkeys.h"
#include "library/catalogue.h"

std::shared_ptr<epub> epub::initWithDict(plist_t entry)
{
    auto record = std::make_shared<epub>();
    record->m_name = entryString(entry, BookKey::Name).value_or(std::string());
    record->m_artist = entryString(entry, BookKey::Artist).value_or(std::string());
    record->m_album = entryString(entry, BookKey::Album).value_or(std::string());
    record->m_genre = entryString(entry, BookKey::Genre).value_or(std::string());
    record->m_filepath = entryString(entry, BookKey::Path).value_or(std::string());
    return record;
}
