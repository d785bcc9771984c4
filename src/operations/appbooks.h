// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

// Books in an app's Documents folder: plain ePub files (or unpacked ".epub" folders) and, for
// an app that takes PDF, PDF files; no catalogue and no sync lock. Every call works on a connection confined to the app's
// container (openShelf with Shelf::app), where the folder is "/Documents".

#include "core/notificationcenter.h"
#include "device/backend/mobiledevice.h"
#include "operations/bookcontext.h"
#include "operations/bookoperationresult.h"
#include "operations/devicezip.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

struct AppBook
{
    std::string path;     // on the app's connection: "/Documents/…"
    std::string relative; // below Documents, as the user names it
    bool folder = false;  // an unpacked ".epub" folder
    uint64_t size = 0;    // bytes of the file (of every file, for a folder)
    uint64_t modified = 0; // the device's modification time of the file or folder
    StringDictionary values; // "Name", "Artist", "Album", "Genre", … as an import reads them
    std::string problem;     // why the values could not be read; the book is listed all the same

    bool pdf() const;
};

// Bounds on what the listing reads of one book, whatever its headers claim.
// Every book under "/Documents" (see listAppBooks) with its values, read from the file with
// a few ranged reads: the zip's end record and central directory, the container and the
// package document, inflated in memory. `lanes`, more connections on the same app, read
// books at the same time as `connection`, one thread each. Fails only when "/Documents"
// cannot be read. `known`, when given, is asked about each file once its size and time are
// read: true when it filled the book's values itself (from a cache), so nothing more is read.
// With `withPdfs` (an app that takes PDF), its ".pdf" files are listed too, their title and
// author read from the document information by ranges (pdfbook.h).
using AppBookKnown = std::function<bool(AppBook &book)>;
int listAppBookDetails(afc_connection *connection, std::vector<AppBook> &books, const AppBookLimits &limits = {},
                       const std::vector<afc_connection *> &lanes = {}, const AppBookKnown &known = {},
                       bool withPdfs = false);
// The values of one book (fills size, folder, values or problem).
void readAppBookValues(afc_connection *connection, AppBook &book, const AppBookLimits &limits = {});

// The bytes of the cover picture of the ePub file at `path` (a device path), read as the
// listing reads: the directory, the container, the package document, then the picture, which
// may take up to `maxPicture` bytes. For a PDF, its first page drawn small (PNG), reading no
// more than `maxPicture` bytes of it. nullopt when the book has none or cannot be read.
std::optional<std::string> readAppBookCover(afc_connection *connection, const std::string &path,
                                            uint32_t maxPicture = 8u << 20);

// What an import of `localFile` is called in its result: the file's name.
std::string appImportItem(const std::string &localFile);

// The device path of a book the user names relative to Documents; empty (with *problem) for
// an absolute name, one with "." or ".." parts or one that is not an ".epub" or ".pdf".
std::string appBookPath(const std::string &relative, std::string *problem);

// What to do about a file of the same name already in Documents.
enum class AppNameClash { Skip, Replace, KeepBoth };
using AppClashQuestion = std::function<AppNameClash(const std::string &relative)>;

// Copies the ePub or PDF `localFile` as it is into "/Documents" (an ePub's mimetype entry that
// is not the exact stored first entry is made so, as an export does), through a temporary name that is
// renamed once the copy is whole; a failure leaves nothing behind. Kept both, the new copy
// takes "<name> (2).epub", "(3)", … `detail` of the result is its name below Documents.
// `lanes`, more connections on the same app, write parts of the file at the same time.
BookOperationResult importIntoApp(afc_connection *connection, const std::string &localFile,
                                  const AppClashQuestion &question, const std::vector<afc_connection *> &lanes = {});

// Copies the book at `relative` into `folder` as "<title>.epub" (the file's own name without
// a title), packed as an export packs (a PDF goes as it is, as "<title>.pdf"), the work done in the scratch folder. The file is named
// and placed as the device's own exports are (placeExportedBook): a later book of the same
// export never takes an earlier one's file, an existing file is replaced only when the
// context's question says so.
BookOperationResult exportFromApp(afc_connection *connection, const std::string &relative, const std::string &folder,
                                  BookContext &context);

// Removes the book at `relative` (a folder with everything in it). Export and removal check
// the path part by part as the device reports it: a link on the way is refused.
BookOperationResult deleteFromApp(afc_connection *connection, const std::string &relative);
