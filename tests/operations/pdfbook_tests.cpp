// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// PDFs read by ranges in the PDF reader process: what a listing reads of an ordinary one, and
// hostile ones refused with a reason within the byte budget and the reader's time.
#include "library/bookkeys.h"
#include "library/samplepdf.h"
#include "operations/pdfprocess.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <QElapsedTimer>
#include <QImage>

#include <string>
#include <vector>

namespace {

RangedReadDevice::ReadRange over(const std::string &bytes)
{
    return [&bytes](uint64_t offset, uint32_t length) -> std::optional<std::string> {
        if (offset > bytes.size())
            return std::nullopt;
        return bytes.substr(offset, length);
    };
}

// `chunks` × 16 MiB of spaces as a zlib stream, made in a moment: after a full flush the
// compressor starts afresh, so every chunk after the first packs to the same bytes, which are
// repeated; the checksum at the end is made for the whole.
std::string deflatedSpaces(int chunks)
{
    const std::string spaces(16u << 20, ' ');
    z_stream z{};
    deflateInit(&z, 9);
    auto pack = [&z](const std::string &input, int flush) {
        std::string out;
        char buffer[1 << 16];
        z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(input.data()));
        z.avail_in = static_cast<uInt>(input.size());
        do {
            z.next_out = reinterpret_cast<Bytef *>(buffer);
            z.avail_out = sizeof buffer;
            deflate(&z, flush);
            out.append(buffer, sizeof buffer - z.avail_out);
        } while (z.avail_out == 0);
        return out;
    };
    std::string out = pack(spaces, Z_FULL_FLUSH);
    const std::string unit = pack(spaces, Z_FULL_FLUSH);
    std::string end = pack({}, Z_FINISH);
    deflateEnd(&z);
    for (int i = 1; i < chunks; ++i)
        out += unit;
    const uLong one = adler32(adler32(0, nullptr, 0), reinterpret_cast<const Bytef *>(spaces.data()),
                              static_cast<uInt>(spaces.size()));
    uLong sum = one;
    for (int i = 1; i < chunks; ++i)
        sum = adler32_combine(sum, one, static_cast<z_off_t>(spaces.size()));
    for (int i = 0; i < 4; ++i)
        end[end.size() - 4 + i] = char((sum >> (24 - 8 * i)) & 0xff);
    return out + end;
}

const char *kPage = "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 300] /Contents 4 0 R >>";

// A first page whose drawing inflates to `chunks` × 16 MiB of spaces from a small stream.
std::string bombPdf(int chunks)
{
    const std::string packed = deflatedSpaces(chunks);
    return assemblePdf({"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>", kPage,
                        "<< /Length " + std::to_string(packed.size()) + " /Filter /FlateDecode >>\nstream\n" + packed +
                            "\nendstream"},
                       1);
}

std::string manyPagesPdf(int pages)
{
    std::vector<std::string> objects{"<< /Type /Catalog /Pages 2 0 R >>", ""};
    std::string kids;
    for (int i = 0; i < pages; ++i) {
        kids += std::to_string(3 + i) + " 0 R ";
        objects.push_back("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 300] >>");
    }
    objects[1] = "<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pages) + " >>";
    return assemblePdf(objects, 1);
}

} // namespace

TEST(PdfBook, OrdinaryDocumentIsReadFromAFewBlocks)
{
    SamplePdf sample;
    sample.title = "Über Karten";
    sample.author = "Ada Lovelace";
    sample.pages = 12;
    sample.padding = 6u << 20;
    const std::string pdf = samplePdf(sample);
    StringDictionary values;
    std::string problem;
    PdfReadCost cost;
    ASSERT_TRUE(readPdfValuesContained(over(pdf), pdf.size(), values, &problem, {}, &cost)) << problem;
    EXPECT_EQ(values[BookKey::Name], sample.title);
    EXPECT_EQ(values[BookKey::Artist], sample.author);
    EXPECT_LE(cost.requests, 12u);
    EXPECT_LE(cost.bytes, pdf.size() / 10);
    std::printf("ordinary %zu bytes: %llu requests, %llu bytes read\n", pdf.size(),
                static_cast<unsigned long long>(cost.requests), static_cast<unsigned long long>(cost.bytes));

    PdfJobLimits limits;
    limits.maxBytes = 8u << 20;
    const std::optional<std::string> png = readPdfCoverContained(over(pdf), pdf.size(), 176, limits, &problem);
    ASSERT_TRUE(png) << problem;
    QImage cover;
    ASSERT_TRUE(cover.loadFromData(QByteArray::fromStdString(*png), "PNG"));
    EXPECT_EQ(cover.height(), 176);
    // The cover's own colour, not a blank page.
    EXPECT_EQ(cover.pixelColor(5, 5).rgb() & 0xffffff, sample.colour);
}

TEST(PdfBook, HostileDocumentsAreRefusedWithinTheBudgetAndTime)
{
    struct Row
    {
        const char *name;
        std::string bytes;
        bool valuesRead; // the document opens (its first page may still be refused)
    };
    SamplePdf sample;
    sample.title = "Cut";
    sample.padding = 3u << 20;
    const std::string whole = samplePdf(sample);
    const std::vector<Row> rows = {
        {"a page tree that holds itself",
         assemblePdf({"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [2 0 R] /Count 1 >>"}, 1), false},
        {"references in a ring",
         assemblePdf({"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>", "4 0 R",
                      "3 0 R"},
                     1),
         false},
        {"a first page that inflates to 3 GB", bombPdf(192), true},
        {"100,000 pages", manyPagesPdf(100000), false},
        {"truncated", whole.substr(0, whole.size() / 2), false},
        {"garbage", std::string(300000, '\x9c'), false},
    };
    PdfJobLimits limits;
    limits.milliseconds = 2000;
    PdfJobLimits coverLimits = limits;
    coverLimits.maxBytes = 8u << 20;
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        StringDictionary values;
        std::string problem, coverProblem;
        PdfReadCost cost, coverCost;
        QElapsedTimer timer;
        timer.start();
        const bool read = readPdfValuesContained(over(row.bytes), row.bytes.size(), values, &problem, limits, &cost);
        EXPECT_EQ(read, row.valuesRead) << problem;
        EXPECT_EQ(problem.empty(), read);
        EXPECT_LE(cost.bytes, limits.maxBytes);
        const std::optional<std::string> png =
            readPdfCoverContained(over(row.bytes), row.bytes.size(), 176, coverLimits, &coverProblem, &coverCost);
        EXPECT_LE(coverCost.bytes, coverLimits.maxBytes);
        EXPECT_EQ(coverProblem.empty(), png.has_value());
        std::printf("%-36s %9zu bytes: values %d (%s) %llu requests %llu bytes; cover %d (%s); %lld ms\n", row.name,
                    row.bytes.size(), read, problem.c_str(), static_cast<unsigned long long>(cost.requests),
                    static_cast<unsigned long long>(cost.bytes), png.has_value(), coverProblem.c_str(),
                    static_cast<long long>(timer.elapsed()));
    }
    // The loop cannot be read in time: its reader is ended and the next document gets a new one.
    const int before = pdfReadersStarted();
    StringDictionary values;
    std::string problem;
    EXPECT_FALSE(readPdfValuesContained(over(rows[0].bytes), rows[0].bytes.size(), values, &problem, limits));
    EXPECT_NE(problem.find("too long"), std::string::npos) << problem;
    EXPECT_TRUE(readPdfValuesContained(over(whole), whole.size(), values, &problem, limits)) << problem;
    EXPECT_EQ(values[BookKey::Name], "Cut");
    EXPECT_EQ(pdfReadersStarted(), before + 1);
}
