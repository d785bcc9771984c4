// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include "device/storage/shelf.h"
#include "operations/appbooks.h"
#include "operations/bookcontext.h"
#include "operations/booksteps.h"

#include <memory>
#include <string>
#include <vector>

class epub;

// A place books are kept, and what is done with one book there. The device's catalogue
// ("/Books", Books.plist, backups, the sync lock) and an app's Documents folder (plain files
// over the app's own connection) are its two kinds; one BookBatch runs either, in the window
// and the command line alike, and the callers never ask which kind they hold.
//
// A book is named by its record (epub): the catalogue's "Path" and title for the device's
// books, the path below Documents (or the device path "/Documents/…") for an app's.
// Threads: used by one batch at a time, on the batch's thread.
class BookShelf
{
public:
    virtual ~BookShelf() = default;

    // The tag the device layer opens (openShelf).
    virtual Shelf where() const = 0;
    // What the user calls the destination in a question: "Custom Books", or the app's name.
    virtual std::string destinationName() const = 0;
    // Changes to the device's catalogue are made under its sync lock; an app's files need none.
    virtual bool usesSyncLock() const = 0;
    // Whether a file is a book this shelf takes (by its name).
    virtual bool takesFile(const std::string &file) const { return hasEpubExtension(file); }

    virtual BookStart startImport(BookContext &context, const std::string &file) = 0;
    virtual BookStart startExport(BookContext &context, const epub &book, const std::string &folder) = 0;
    virtual BookOperationResult removeBook(BookContext &context, const epub &book) = 0;

    // A book started outside a batch, done whole: its ahead part on the session's own copier,
    // then its turn.
    static BookOperationResult wholeBook(BookContext &context, BookStart start);
};

// The device's own books: "Custom Books" in the catalogue, each book unpacked in a folder of
// "/Books". Its state for a batch is the context's CatalogueKnowledge, so one shelf serves
// every batch.
class CatalogueShelf final : public BookShelf
{
public:
    Shelf where() const override { return Shelf::books(); }
    std::string destinationName() const override { return "Custom Books"; }
    bool usesSyncLock() const override { return true; }
    // Imports one ePub file into "Custom Books"; the caller holds the sync lock.
    BookStart startImport(BookContext &context, const std::string &file) override;
    BookStart startExport(BookContext &context, const epub &book, const std::string &folder) override;
    // Exports the book with catalogue "Path" `path` into `dstpath` as "<title>.epub".
    BookStart startExport(BookContext &context, const std::string &path, const std::string &dstpath,
                          bool isbuybook, const std::string &titlename);
    // Deletes one user item (catalogue entry and device folder); the caller holds the sync lock.
    BookOperationResult removeBook(BookContext &context, const epub &book) override;

    // ---- Helpers of the import (package document, identifiers) ---------------------------
    // The container's first full-path value, at most 1023 bytes; empty when not found.
    static std::string getcontenfile(const std::string &containerPath);
    // Title, subject, creator, cover and identifier of a package document (packagedocument.h).
    static void getcontenfilevalues(const std::string &packagePath, StringDictionary &values);
    // 32 lower-case hexadecimal digits; the MD5 of empty input for an unreadable file.
    static std::string getMD5FromFile(const std::string &path);
    static std::string randValue(const std::vector<std::string> &existing);
    static bool isSameValue(const std::vector<std::string> &values, const std::string &value);
};

// An app's Documents folder. The connection (and the lanes a large book is written on) is
// opened on the batch's device at the first book and closed when the shelf goes, so one
// shelf serves one batch.
class DocumentsShelf final : public BookShelf
{
public:
    DocumentsShelf(std::string identifier, std::string displayName, AppClashQuestion clash = {});
    ~DocumentsShelf() override;
    DocumentsShelf(const DocumentsShelf &) = delete;
    DocumentsShelf &operator=(const DocumentsShelf &) = delete;

    // Extra connections a large book is written on.
    static constexpr int kLanes = 5;

    Shelf where() const override { return Shelf::app(m_identifier); }
    std::string destinationName() const override { return m_displayName; }
    bool usesSyncLock() const override { return false; }
    // ePubs always; PDFs when the app takes them (DeviceApp::takesPdf).
    bool takesFile(const std::string &file) const override;
    void setTakesPdf(bool takes) { m_takesPdf = takes; }
    bool takesPdf() const { return m_takesPdf; }
    BookStart startImport(BookContext &context, const std::string &file) override;
    BookStart startExport(BookContext &context, const epub &book, const std::string &folder) override;
    BookOperationResult removeBook(BookContext &context, const epub &book) override;

    // The app's connection on the context's device, opened once; null with *why (a locked
    // device, an app gone, no device).
    afc_connection *connection(BookContext &context, std::string *why);
    // The path below Documents of a record ("/Documents/" taken off a device path).
    static std::string relativeOf(const epub &book);
    // More connections on the app (opened once), for a listing or a large book's parts.
    std::vector<afc_connection *> lanes(BookContext &context);

private:
    void close();

    const std::string m_identifier;
    const std::string m_displayName;
    AppClashQuestion m_clash;
    bool m_takesPdf = false;
    afc_connection *m_connection = nullptr;
    std::string m_why;
    bool m_opened = false;
    std::vector<afc_connection *> m_lanes;
    bool m_lanesOpened = false;
};
