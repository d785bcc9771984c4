// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "library/samplepdf.h"

#include <QString>

#include <cstdio>
#include <random>

namespace {

constexpr int kWidth = 420, kHeight = 595;
constexpr int kPictureWidth = 1024;
constexpr uint64_t kMaxPicture = 4u << 20; // bytes of one page's picture

std::string number(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", value);
    return text;
}

// Printable ASCII only, with the string's own delimiters escaped: the cover's font is one of
// the standard ones, without the other characters.
std::string drawnText(const std::string &utf8)
{
    std::string out;
    for (const unsigned char c : utf8) {
        if (c < 0x20 || c > 0x7e)
            continue;
        if (c == '(' || c == ')' || c == '\\')
            out += '\\';
        out += char(c);
    }
    return out;
}

std::string stream(const std::string &dictionary, const std::string &bytes)
{
    return "<< " + dictionary + " /Length " + std::to_string(bytes.size()) + " >>\nstream\n" + bytes +
           "\nendstream";
}

} // namespace

std::string pdfTextString(const std::string &utf8)
{
    static const char *digits = "0123456789ABCDEF";
    std::string out = "<FEFF";
    for (const QChar unit : QString::fromStdString(utf8)) {
        for (const int shift : {12, 8, 4, 0})
            out += digits[(unit.unicode() >> shift) & 0xf];
    }
    return out + ">";
}

std::string assemblePdf(const std::vector<std::string> &objects, int root, int info)
{
    std::string out = "%PDF-1.4\n%\xe2\xe3\xcf\xd3\n";
    std::vector<std::size_t> offsets;
    for (std::size_t i = 0; i < objects.size(); ++i) {
        offsets.push_back(out.size());
        out += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const std::size_t xref = out.size();
    out += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (const std::size_t offset : offsets) {
        char line[24];
        std::snprintf(line, sizeof line, "%010zu 00000 n \n", offset);
        out += line;
    }
    out += "trailer\n<< /Size " + std::to_string(objects.size() + 1) + " /Root " + std::to_string(root) + " 0 R";
    if (info)
        out += " /Info " + std::to_string(info) + " 0 R";
    out += " >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
    return out;
}

std::string samplePdf(const SamplePdf &sample)
{
    // 1 catalogue, 2 page tree, 3 information, 4 font, 5 and 6 the cover page and its drawing,
    // then three objects for each later page: the page, its drawing, its picture.
    const uint64_t perPage = kMaxPicture;
    int later = std::max(sample.pages, 1) - 1;
    if (sample.padding > 0)
        later = std::max<int>(later, static_cast<int>((sample.padding + perPage - 1) / perPage));
    std::vector<std::string> objects;
    objects.push_back("<< /Type /Catalog /Pages 2 0 R >>");
    std::string kids = "5 0 R";
    for (int i = 0; i < later; ++i)
        kids += " " + std::to_string(7 + 3 * i) + " 0 R";
    objects.push_back("<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(later + 1) + " >>");
    std::string info = "<< /Producer (Bookferry)";
    if (!sample.title.empty())
        info += " /Title " + pdfTextString(sample.title);
    if (!sample.author.empty())
        info += " /Author " + pdfTextString(sample.author);
    objects.push_back(info + " >>");
    objects.push_back("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica-Bold >>");
    const std::string box = "[0 0 " + std::to_string(kWidth) + " " + std::to_string(kHeight) + "]";
    objects.push_back("<< /Type /Page /Parent 2 0 R /MediaBox " + box +
                      " /Resources << /Font << /F1 4 0 R >> >> /Contents 6 0 R >>");
    const double r = ((sample.colour >> 16) & 0xff) / 255.0, g = ((sample.colour >> 8) & 0xff) / 255.0,
                 b = (sample.colour & 0xff) / 255.0;
    const std::string cover = "q " + number(r) + " " + number(g) + " " + number(b) + " rg 0 0 " +
                              std::to_string(kWidth) + " " + std::to_string(kHeight) +
                              " re f Q\nq 1 1 1 rg 30 300 360 4 re f Q\nBT /F1 26 Tf 1 1 1 rg 30 330 Td (" +
                              drawnText(sample.title) + ") Tj ET\nBT /F1 16 Tf 1 1 1 rg 30 270 Td (" +
                              drawnText(sample.author) + ") Tj ET";
    objects.push_back(stream("", cover));
    std::mt19937 random(sample.seed);
    uint64_t left = sample.padding;
    for (int i = 0; i < later; ++i) {
        const uint64_t bytes = std::min(left, perPage);
        left -= bytes;
        const int rows = static_cast<int>(std::max<uint64_t>(1, bytes / kPictureWidth));
        std::string picture(static_cast<std::size_t>(rows) * kPictureWidth, '\0');
        for (char &c : picture)
            c = char(random() & 0xff);
        const int page = 7 + 3 * i;
        objects.push_back("<< /Type /Page /Parent 2 0 R /MediaBox " + box + " /Resources << /XObject << /Im1 " +
                          std::to_string(page + 2) + " 0 R >> >> /Contents " + std::to_string(page + 1) + " 0 R >>");
        objects.push_back(stream("", "q " + std::to_string(kWidth) + " 0 0 " + std::to_string(kHeight) +
                                         " 0 0 cm /Im1 Do Q"));
        objects.push_back(stream("/Type /XObject /Subtype /Image /Width " + std::to_string(kPictureWidth) +
                                     " /Height " + std::to_string(rows) +
                                     " /ColorSpace /DeviceGray /BitsPerComponent 8",
                                 picture));
    }
    return assemblePdf(objects, 1, 3);
}
