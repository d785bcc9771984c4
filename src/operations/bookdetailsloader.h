// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

// What the book table shows beside a book's catalogue values: its cover and the bytes it
// takes on the device. Both are read from the device on one worker thread, one book after
// the other, and kept in the data folder per device, so the next time the table shows
// at once what it showed before. A cached book costs one file-information request: its
// key (the catalogue's "Path", "Cover Path", "Cover Hash" and "Package Hash" and the book
// folder's modification time) tells whether it changed since.
//
// The cover is the catalogue's "Cover Path" (beside the package document, else at the book's
// root). When that is a page rather than a picture (books made by some tools record their
// XHTML cover page) the picture is the package's cover-image item, else the item its
// <meta name="cover"> names, else the first image the page shows.

#include "core/workqueue.h"
#include "device/storage/loadiphone.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct BookDetailsRequest
{
    std::string path;       // the catalogue's "Path": a folder (or file) under the books folder
    bool purchases = false; // under /Books/Purchases, listed in Purchases.plist
};

struct BookDetails
{
    std::string path;
    bool purchases = false;
    std::optional<uint64_t> size; // none when the book cannot be read
    std::string thumbnail;        // the cached picture file; empty when the book has no cover
    bool fromCache = false;
    unsigned generation = 0; // the loader's generation when the book was asked for
};

// Where the books are read from: a read session on the device (which holds no arrival off;
// once it is gone the loader reads nothing more from it and drops what is queued), the working
// copies of its catalogues, and the folder that holds every device's cache.
struct BookDetailsSource
{
    std::shared_ptr<ReadSession> session;
    std::string booksCatalogue;
    std::string purchasesCatalogue;
    std::string cacheRoot;
};

class BookDetailsLoader
{
public:
    // Turns the cover's bytes into the picture file `target` (written whole or not at all);
    // false when the bytes are no picture it can read. Called on the worker.
    using ThumbnailMaker = std::function<bool(const std::string &pictureBytes, const std::string &target)>;
    // One book's details, on the worker, in the order the books were asked for.
    using Report = std::function<void(const BookDetails &)>;

    BookDetailsLoader(ThumbnailMaker maker, Report report);
    ~BookDetailsLoader(); // drops what is queued and waits for the book being read

    // Queues `books` to be read from `source`. Books queued for another source are dropped.
    // Answers the generation the reports of these books carry.
    unsigned load(const BookDetailsSource &source, std::vector<BookDetailsRequest> books);
    // Moves the queued books among `first` to the head of the queue, in the order given (the
    // rows the window shows now); the others keep their order behind them. Books not queued
    // (read already, or being read) are passed by.
    void prioritise(const std::vector<BookDetailsRequest> &first);
    // What is queued, in the order it will be read (tests).
    std::vector<BookDetailsRequest> queued() const;
    // Drops everything queued and starts a new generation; the book being read is finished
    // and reported under the old one.
    void clear();
    // Nothing queued and nothing being read.
    bool idle() const;

    // The cache folder of one device under `cacheRoot` (its identifier, made safe as a name).
    static std::string deviceCacheFolder(const std::string &cacheRoot, const std::string &deviceIdentifier);

    // Limits on what is read for a book: hostile or broken books cost bounded time and memory.
    static constexpr uint64_t kMaxPictureBytes = 32ull * 1024 * 1024;
    static constexpr uint64_t kMaxDocumentBytes = 4ull * 1024 * 1024;

    // The most the cache of every device together takes on disk. A cover is kept as a
    // scaled picture of a few kilobytes (the window's thumbnail size), so a library of 5,000
    // books takes about 40 MB; past the bound, the books used longest ago go first.
    static constexpr uint64_t kMaxCacheBytes = 64ull * 1024 * 1024;
    // Another bound (tests); takes effect with the next load().
    void setCacheLimit(uint64_t bytes);
    // A temporary file older than this in a cache folder was left by a program that stopped.
    static constexpr int kLeftoverSeconds = 60;

private:
    // A book queued, with what the loader knew of its source when the worker took it.
    struct Queued
    {
        BookDetailsRequest request;
        BookDetailsSource source;
        unsigned generation = 0;
        unsigned batch = 0;
    };
    void read(Queued &book);
    // Null when the session went while the book was read: nothing of it is kept or reported.
    // `device` is ended before the picture is made.
    std::optional<BookDetails> readBook(const BookDetailsRequest &request, unsigned generation,
                                        const ReadSession &session, std::optional<ReadSession::Read> &device);
    void dropSession(const std::shared_ptr<ReadSession> &session);

    ThumbnailMaker m_maker;
    Report m_report;
    // Under the queue's lock (withItems, or as a book is taken).
    BookDetailsSource m_source;
    unsigned m_generation = 0;
    unsigned m_batch = 0; // counts load() calls: each may come with fresh catalogue copies

    // Worker-only: the catalogue entries and the cache folder of the batch being read.
    struct Entry
    {
        std::string coverPath, coverHash, packageHash;
    };
    void prepareBatch(const BookDetailsSource &source, const std::string &deviceIdentifier);
    std::map<std::string, Entry> m_books, m_purchases;
    std::string m_cacheFolder;
    std::string m_cacheRoot;
    uint64_t m_cacheBytes = 0; // all devices' cache files, as last counted plus what was written since
    std::atomic<uint64_t> m_cacheLimit{kMaxCacheBytes};
    void keepCacheBounded(bool recount);
    unsigned m_preparedBatch = 0;

    // Last: its thread ends before what it uses goes.
    WorkQueue<Queued> m_queue{[this](Queued &book, size_t) { read(book); },
                              [this](Queued &book) {
                                  book.source = m_source;
                                  book.generation = m_generation;
                                  book.batch = m_batch;
                              }};
};
