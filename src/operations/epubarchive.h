// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include <cstdint>
#include <functional>
#include <string>

// Unpacking an ePub (a zip archive) into a folder and packing an unpacked book back.
// Plain functions on the caller's thread; no shell, no external program.

// The sentences below are made in English. A program that shows them in the user's language
// hands in its lookup of a (context, source) text once, before any archive work (the window
// does, with uiText); they stand alone without Qt, so none is there by default.
using ArchiveTextLookup = std::string (*)(const char *context, const char *source);
void setArchiveTextLookup(ArchiveTextLookup lookup);

struct UnpackLimits
{
    uint64_t maxTotalBytes = 2ull * 1024 * 1024 * 1024; // bytes written, whatever the headers claim
    uint64_t maxEntries = 20000;
};

// Unpacks `archive` into `destination`, which must not exist yet. Refuses (and writes
// nothing) when the file is not a readable zip, when an entry would land outside the folder
// (an absolute name, a ".." component) or is a symbolic link, or when the limits are passed;
// a failure part way removes what was written. Answers false with a sentence in *error.
// `written`, when given, hears of each folder (before anything inside it) and of each file
// once it is whole on the disk, by its path below `destination` ("OEBPS/text"); a name the
// archive holds twice is told once, when its last copy is written. Nothing is told unless
// every entry passed the checks.
using UnpackedEntry = std::function<void(const std::string &relative, bool isFolder)>;
bool unpackEpubArchive(const std::string &archive, const std::string &destination, std::string *error,
                       const UnpackLimits &limits = {}, const UnpackedEntry &written = {});

// Makes the ePub `target` from `source`: from a folder holding an unpacked book, "mimetype"
// first and stored uncompressed, always exactly "application/epub+zip" whatever the folder's
// own file holds, then every other regular file in path order, compressed (stored when it is
// compressed data already, such as a picture); a single file is copied as it is, except that
// a zip whose first entry is not exactly that stored mimetype gets one first, its other
// entries carried over unchanged.
// The target is written beside itself and renamed into place, so a failure leaves any old
// target untouched. Symbolic links in the folder are not followed.
bool packEpub(const std::string &source, const std::string &target, std::string *error);

// Whether the zip `path` begins as packEpub makes it: a first entry "mimetype", stored, holding
// exactly the type (packEpub copies such a file unchanged).
bool epubHasExactMimetype(const std::string &path);

// MD5 of a file's whole content as 32 lower-case hexadecimal digits; the MD5 of empty input
// when the file cannot be read.
std::string md5HexOfFile(const std::string &path);
