// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

// Process-wide names of the main window: column identifiers and the keys of a book list's
// description. Their values are the texts themselves.

#include "library/epub.h"

#include <memory>

extern const char *const tableColumn_key;        // "tableColumn_key"
extern const char *const tableColumn_data;       // "tableColumn_data"
extern const char *const mediaNameRowTitle;      // "Name"
extern const char *const mediaArtistRowTitle;    // "Artist"
extern const char *const mediaAlbumRowTitle;     // "Album"
extern const char *const mediaGenreRowTitle;     // "Genre"
extern const char *const mediaTrackLengRowTitle; // "Time"
extern const char *const mediaSelectRowTitle;    // "isSelect", the check column

// The book list the table shows. Replaced only on the main thread; a transfer works on its
// own copy of the record pointers, so replacing the list never pulls records from under it.
extern std::shared_ptr<EpubList> medias;
