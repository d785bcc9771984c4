// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

// A small PDF writer for the demo device's sample documents (and the tests' and the bench's):
// plain objects, a cross-reference table and a trailer, no Qt beyond QtCore, so the device
// library can write them. It draws coloured pages with a line of text; it is no general
// PDF writer.

#include <cstdint>
#include <string>
#include <vector>

// A PDF file of `objects` (each the text between "N 0 obj" and "endobj", numbered from 1 in
// order), with the trailer naming `root` and, when not 0, `info`.
std::string assemblePdf(const std::vector<std::string> &objects, int root, int info = 0);

// A document of `pages` pages. The first page is a coloured cover with the title on it and
// stays small; `padding` bytes of picture are spread over the later pages (at least one more
// page is made for them), as a long book's pages make a file large.
struct SamplePdf
{
    std::string title;  // the document information's Title (none when empty)
    std::string author; // its Author (none when empty)
    int pages = 1;
    uint64_t padding = 0;
    uint32_t colour = 0x2f5f8f; // the cover's background, 0xRRGGBB
    uint32_t seed = 1;          // for the picture's bytes
};
std::string samplePdf(const SamplePdf &sample);

// A PDF text string: UTF-16 with its byte-order mark, in hex.
std::string pdfTextString(const std::string &utf8);
