// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

// PDFs read in the PDF reader process (tools/pdfreader), never in this one: PDFium can loop
// forever on some documents (a page tree that holds itself) and inflate a small stream into
// gigabytes. The reader asks this process for the ranges it needs, which are read here (from
// the device) and refused past the byte budget; it has a memory limit of its own, and a job
// that takes more than its time of the reader's own work ends the reader. Readers are kept
// for the next job, a few at a time, one job each at once.
//
// Threads: any; each call takes a reader of its own.

#include "core/notificationcenter.h"
#include "operations/pdfbook.h"

#include <optional>
#include <string>

struct PdfJobLimits : PdfReadLimits
{
    int milliseconds = 4000; // of the reader's own time (not counting the reads it waits on)
};

bool readPdfValuesContained(const RangedReadDevice::ReadRange &read, uint64_t size, StringDictionary &values,
                            std::string *problem, const PdfJobLimits &limits = {}, PdfReadCost *cost = nullptr);
std::optional<std::string> readPdfCoverContained(const RangedReadDevice::ReadRange &read, uint64_t size, int side,
                                                 const PdfJobLimits &limits, std::string *problem = nullptr,
                                                 PdfReadCost *cost = nullptr);

// True when the local file starts like a PDF ("%PDF-" within its first kilobyte, as readers accept).
bool looksLikePdf(const std::string &localFile);

// The reader processes started so far (tests: a killed reader is replaced, not leaked).
int pdfReadersStarted();
