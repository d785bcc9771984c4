// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include "device/connection/shelf.h"
#include "operations/appbooks.h"
#include "operations/bookcontext.h"
#include "operations/booksteps.h"

#include <memory>
#include <string>
#include <vector>

class epub;
class iPodTreeListControler;

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
};

// The device's own books: the design's import, export and deletion of iPodTreeListControler.
class CatalogueShelf final : public BookShelf
{
public:
    explicit CatalogueShelf(iPodTreeListControler &controller) : m_controller(controller) {}

    Shelf where() const override { return Shelf::books(); }
    std::string destinationName() const override { return "Custom Books"; }
    bool usesSyncLock() const override { return true; }
    BookStart startImport(BookContext &context, const std::string &file) override;
    BookStart startExport(BookContext &context, const epub &book, const std::string &folder) override;
    BookOperationResult removeBook(BookContext &context, const epub &book) override;

private:
    iPodTreeListControler &m_controller;
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
