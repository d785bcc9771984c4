// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

// PDFs on an app's shelf, read with QtPdf without fetching them (in the PDF reader process,
// see pdfprocess.h, never in the program itself): the document is handed a
// random-access device whose reads are ranged reads of the device file, kept in a block
// cache and held to a byte budget, so a damaged or hostile file cannot make the listing read
// more than the budget, whatever its cross-reference table claims.

#include "core/notificationcenter.h"

#include <QIODevice>

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>

// How much one PDF may cost.
struct PdfReadLimits
{
    uint64_t maxBytes = 2u << 20; // bytes read of the file, all requests together
    uint32_t block = 16u << 10;   // the unit of the cache; a request reads whole blocks
};

// A read-only, random-access QIODevice over ranged reads of a file of `size` bytes. Reads
// that need bytes not yet cached fetch the missing blocks in one request; once the budget is
// spent every further fetch fails (the read answers -1), so the reader sees a short file.
// Threads: one at a time.
class RangedReadDevice final : public QIODevice
{
    Q_OBJECT
public:
    // `length` bytes from `offset`; fewer only at the end; nullopt on a read error.
    using ReadRange = std::function<std::optional<std::string>(uint64_t offset, uint32_t length)>;

    RangedReadDevice(ReadRange read, uint64_t size, const PdfReadLimits &limits, QObject *parent = nullptr);

    bool isSequential() const override { return false; }
    qint64 size() const override { return static_cast<qint64>(m_size); }
    // Brings the blocks covering the range into the cache (one request for the missing run).
    bool fetch(uint64_t offset, uint64_t length);

    bool overBudget() const { return m_overBudget; }
    bool readFailed() const { return m_readFailed; }
    uint64_t bytesRead() const { return m_bytesRead; }
    uint64_t requests() const { return m_requests; }

protected:
    qint64 readData(char *data, qint64 maxSize) override;
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    ReadRange m_read;
    uint64_t m_size;
    PdfReadLimits m_limits;
    std::map<uint64_t, std::string> m_blocks; // block index → its bytes
    uint64_t m_bytesRead = 0;
    uint64_t m_requests = 0;
    bool m_overBudget = false;
    bool m_readFailed = false;
};


// What one reading of a PDF cost (for the bench and the tests).
struct PdfReadCost
{
    uint64_t bytes = 0;
    uint64_t requests = 0;
};

// The title ("Name") and author ("Artist") from the PDF's document information; the caller
// falls back to the file name. False with *problem when the file cannot be read as a PDF
// within the limits (the reason in plain words).
bool readPdfValues(const RangedReadDevice::ReadRange &read, uint64_t size, StringDictionary &values,
                   std::string *problem, const PdfReadLimits &limits = {}, PdfReadCost *cost = nullptr);

// The first page drawn to fit a `side` × `side` box, as PNG bytes; nullopt (with *problem) when
// it cannot be drawn within the limits.
std::optional<std::string> readPdfCover(const RangedReadDevice::ReadRange &read, uint64_t size, int side,
                                        const PdfReadLimits &limits, std::string *problem = nullptr);
