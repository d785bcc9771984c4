// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "app/appglobals.h"

const char *const tableColumn_key = "tableColumn_key";
const char *const tableColumn_data = "tableColumn_data";
const char *const mediaNameRowTitle = "Name";
const char *const mediaArtistRowTitle = "Artist";
const char *const mediaAlbumRowTitle = "Album";
const char *const mediaGenreRowTitle = "Genre";
const char *const mediaTrackLengRowTitle = "Time";
const char *const mediaSelectRowTitle = "isSelect";

std::shared_ptr<EpubList> medias = std::make_shared<EpubList>();
