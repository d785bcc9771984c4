// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

// What the two packers share, so that a book packed while it downloads and one packed at
// the end get the same entries: the mimetype's text, the deflate level and which files are
// stored as they are.

#include <cstdint>
#include <filesystem>

namespace epubzip {
inline constexpr const char *kMimetype = "application/epub+zip";
// zip's own level: the space a higher one saves on a book's text is not worth its time.
inline constexpr std::uint32_t kDeflateLevel = 6;

// Pictures, fonts and sound in a book are compressed already; deflating them costs time and
// saves nothing. A file whose first 64 KiB carry close to 8 bits of information per byte is
// stored. Small files are always deflated.
bool worthDeflating(const std::filesystem::path &file);
} // namespace epubzip
