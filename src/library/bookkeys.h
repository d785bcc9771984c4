// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

// Key texts of the book catalogue (Books.plist, Purchases.plist) and of a book entry.
namespace BookKey {
inline constexpr const char *Books = "Books";
inline constexpr const char *Name = "Name";
inline constexpr const char *Artist = "Artist";
inline constexpr const char *SortArtist = "Sort Artist";
inline constexpr const char *Album = "Album";
inline constexpr const char *Genre = "Genre";
inline constexpr const char *Path = "Path";
inline constexpr const char *PersistentID = "Persistent ID";
inline constexpr const char *UniqueID = "Unique ID";
inline constexpr const char *UserItem = "User Item";
inline constexpr const char *HasArtwork = "Has Artwork";
inline constexpr const char *ReleaseDate = "Release Date";
inline constexpr const char *CoverPath = "Cover Path";
inline constexpr const char *CoverHash = "Cover Hash";
inline constexpr const char *PackageHash = "Package Hash";
inline constexpr const char *PublisherUniqueID = "Publisher Unique ID";
} // namespace BookKey

// Where the catalogues live on the device, and their working copies (relative to the
// device's working folder, deviceScratchDir()).
namespace CataloguePath {
inline constexpr const char *DeviceBooks = "/Books/Books.plist";
inline constexpr const char *DevicePurchases = "/Books/Purchases/Purchases.plist";
inline constexpr const char *LocalBooks = "Books/Books.plist";
inline constexpr const char *LocalPurchases = "Books/Purchases/Purchases.plist";
} // namespace CataloguePath
