// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "operations/pdfbook.h"

#include "library/bookkeys.h"

#include <QBuffer>
#include <QImage>
#include <QPdfDocument>

#include <algorithm>
#include <cstring>

namespace {

// The first blocks a reader asks for: the trailer and cross-reference table at the end, the
// header (and, in most files, the first page) at the start. Read before the document is
// opened, since QtPdf reads under a lock of its own that lets one document read at a time.
constexpr uint64_t kTailBlocks = 2;

QString problemOf(const QPdfDocument &document, const RangedReadDevice &device)
{
    if (device.overBudget())
        return QStringLiteral("the PDF needs more than the listing reads of a book (damaged or unusually built)");
    if (device.readFailed())
        return QStringLiteral("the file could not be read from the device");
    switch (document.error()) {
    case QPdfDocument::Error::IncorrectPassword:
        return QStringLiteral("the PDF is protected by a password");
    case QPdfDocument::Error::UnsupportedSecurityScheme:
        return QStringLiteral("the PDF is protected in a way that cannot be read");
    default:
        return QStringLiteral("the file is not a readable PDF");
    }
}

// Opens the PDF on `device` (already open) after reading its likely first blocks; true when
// QtPdf has it and its first page.
bool openDocument(QPdfDocument &document, RangedReadDevice &device, uint64_t size, const PdfReadLimits &limits)
{
    const uint64_t tail = std::min<uint64_t>(size, kTailBlocks * limits.block);
    device.fetch(size - tail, tail);
    device.fetch(0, std::min<uint64_t>(size, limits.block));
    document.load(&device);
    return document.status() == QPdfDocument::Status::Ready && document.pageCount() > 0 && !device.overBudget();
}

std::string text(const QVariant &value)
{
    return value.toString().simplified().toStdString();
}

} // namespace

RangedReadDevice::RangedReadDevice(ReadRange read, uint64_t size, const PdfReadLimits &limits, QObject *parent)
    : QIODevice(parent), m_read(std::move(read)), m_size(size), m_limits(limits)
{
    if (m_limits.block == 0)
        m_limits.block = 16u << 10;
}

bool RangedReadDevice::fetch(uint64_t offset, uint64_t length)
{
    if (length == 0 || offset >= m_size)
        return true;
    const uint64_t block = m_limits.block;
    const uint64_t first = offset / block;
    const uint64_t last = (std::min(m_size, offset + length) - 1) / block;
    // The missing blocks, in runs: each run is one request.
    for (uint64_t at = first; at <= last;) {
        if (m_blocks.count(at)) {
            ++at;
            continue;
        }
        uint64_t end = at;
        while (end + 1 <= last && !m_blocks.count(end + 1))
            ++end;
        const uint64_t from = at * block;
        const uint64_t bytes = std::min(m_size, (end + 1) * block) - from;
        if (m_overBudget || m_bytesRead + bytes > m_limits.maxBytes) {
            m_overBudget = true;
            return false;
        }
        const std::optional<std::string> got = m_read(from, static_cast<uint32_t>(bytes));
        ++m_requests;
        m_bytesRead += bytes;
        if (!got || got->size() != bytes) {
            m_readFailed = true;
            return false;
        }
        for (uint64_t i = at; i <= end; ++i)
            m_blocks.emplace(i, got->substr((i - at) * block, block));
        at = end + 1;
    }
    return true;
}

qint64 RangedReadDevice::readData(char *data, qint64 maxSize)
{
    const uint64_t position = static_cast<uint64_t>(pos());
    if (maxSize <= 0 || position >= m_size)
        return 0;
    const uint64_t length = std::min<uint64_t>(static_cast<uint64_t>(maxSize), m_size - position);
    if (!fetch(position, length))
        return -1;
    const uint64_t block = m_limits.block;
    uint64_t done = 0;
    while (done < length) {
        const uint64_t at = position + done;
        const std::string &bytes = m_blocks.at(at / block);
        const uint64_t inside = at % block;
        const uint64_t n = std::min<uint64_t>(length - done, bytes.size() - inside);
        std::memcpy(data + done, bytes.data() + inside, n);
        done += n;
    }
    return static_cast<qint64>(length);
}

bool readPdfValues(const RangedReadDevice::ReadRange &read, uint64_t size, StringDictionary &values,
                   std::string *problem, const PdfReadLimits &limits, PdfReadCost *cost)
{
    RangedReadDevice device(read, size, limits);
    device.open(QIODevice::ReadOnly);
    QPdfDocument document;
    const bool opened = openDocument(document, device, size, limits);
    if (cost)
        *cost = {device.bytesRead(), device.requests()};
    if (!opened) {
        if (problem)
            *problem = problemOf(document, device).toStdString();
        return false;
    }
    values[BookKey::Name] = text(document.metaData(QPdfDocument::MetaDataField::Title));
    values[BookKey::Artist] = text(document.metaData(QPdfDocument::MetaDataField::Author));
    return true;
}

std::optional<std::string> readPdfCover(const RangedReadDevice::ReadRange &read, uint64_t size, int side,
                                        const PdfReadLimits &limits, std::string *problem)
{
    RangedReadDevice device(read, size, limits);
    device.open(QIODevice::ReadOnly);
    QPdfDocument document;
    if (!openDocument(document, device, size, limits)) {
        if (problem)
            *problem = problemOf(document, device).toStdString();
        return std::nullopt;
    }
    const QSizeF points = document.pagePointSize(0);
    if (points.width() <= 0 || points.height() <= 0) {
        if (problem)
            *problem = "the PDF's first page has no size";
        return std::nullopt;
    }
    const QSize pixels = points.scaled(QSizeF(side, side), Qt::KeepAspectRatio).toSize().expandedTo(QSize(1, 1));
    const QImage page = document.render(0, pixels);
    if (page.isNull() || device.overBudget()) {
        if (problem)
            *problem = problemOf(document, device).toStdString();
        return std::nullopt;
    }
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!page.save(&buffer, "PNG"))
        return std::nullopt;
    return png.toStdString();
}
