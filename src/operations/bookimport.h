// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

class Catalogue;
struct BookContext;
struct userDataIphone;

// A book the catalogue already holds that an import of an ePub file would add again: an
// entry whose "Publisher Unique ID" is the package's identifier and whose "Name" is the title
// the import would record. A book without an identifier never counts as a duplicate.
struct CatalogueDuplicate
{
    std::string name; // the entry's "Name"
    std::string path; // the entry's "Path"
};

// What the import would record of `epubFile` as its identity: the package's identifier and
// its title (the file's name without ".epub" when it has none). Read from the archive without
// unpacking it; nullopt when the file is no readable ePub.
struct PackageIdentity
{
    std::string identifier;
    std::string title;
};
std::optional<PackageIdentity> readPackageIdentity(const std::string &epubFile);

std::optional<CatalogueDuplicate> findCatalogueDuplicate(const Catalogue &catalogue, const PackageIdentity &identity);

// What an import of `files` as one batch would add again, asked before the batch: for each
// file, the catalogue's entry it repeats, else the earlier files of the list it repeats
// (they may or may not be imported by its turn; `title` is the name it would have). The
// catalogue is read once; an unreadable one holds no duplicates (the import says why).
struct BatchDuplicate
{
    std::optional<CatalogueDuplicate> onDevice;
    std::vector<std::size_t> earlier;
    std::string title;
};
std::vector<BatchDuplicate> findBatchDuplicates(userDataIphone *data, const std::vector<std::string> &files);
