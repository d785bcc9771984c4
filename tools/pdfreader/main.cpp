// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// The PDF reader process: reads PDFs for the program, one job after another, over the socket
// it is given as its standard input and output (src/operations/pdfprotocol.h). A document built
// to make a reader loop or swallow memory can only stall or end this process, which the
// program kills after its time and replaces; the program itself never runs PDFium.
#include "operations/pdfbook.h"
#include "operations/pdfprotocol.h"
#include "library/bookkeys.h"

#include <QCoreApplication>

#include <cstdio>
#include <cstring>
#include <sys/resource.h>

namespace {

// The address space the reader may take: room for QtPdf and a large page, not for a bomb.
constexpr rlim_t kMaxMemory = 1024ull << 20;

// A sanitizer's shadow memory is address space too, far more than the limit: sanitized
// builds (the tests' own) go without it.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

bool answer(char kind, const std::string &payload)
{
    std::string out;
    pdfprotocol::put(out, kind);
    pdfprotocol::put(out, static_cast<uint32_t>(payload.size()));
    out += payload;
    return sendFull(1, out.data(), out.size());
}

} // namespace

int main(int argc, char **argv)
{
    if (argc > 1 && std::strcmp(argv[1], "--help") == 0) {
        std::printf("pdfreader: reads PDFs for Bookferry over the socket on its standard input; not for use "
                    "by hand\n");
        return 0;
    }
    const rlimit memory{kMaxMemory, kMaxMemory};
    if (!kSanitized)
        setrlimit(RLIMIT_AS, &memory);
    QCoreApplication application(argc, argv);
    pdfprotocol::Job job;
    while (pdfprotocol::receive(0, job)) {
        auto read = [](uint64_t offset, uint32_t length) -> std::optional<std::string> {
            std::string request;
            pdfprotocol::put(request, 'R');
            pdfprotocol::put(request, offset);
            pdfprotocol::put(request, length);
            uint32_t got = 0;
            if (!sendFull(1, request.data(), request.size()) || !pdfprotocol::get(0, got))
                std::exit(1); // the program is gone
            if (got == pdfprotocol::kRefused)
                return std::nullopt;
            std::string bytes(got, '\0');
            if (!pdfprotocol::receiveAll(0, bytes.data(), got))
                std::exit(1);
            return bytes;
        };
        PdfReadLimits limits;
        limits.maxBytes = job.budget;
        limits.block = job.block;
        std::string problem;
        bool sent = false;
        if (job.kind == 'C') {
            const std::optional<std::string> png = readPdfCover(read, job.size, static_cast<int>(job.side), limits, &problem);
            sent = png ? answer('D', *png) : answer('E', problem);
        } else {
            StringDictionary values;
            if (readPdfValues(read, job.size, values, &problem, limits))
                sent = answer('D', values[BookKey::Name] + '\0' + values[BookKey::Artist]);
            else
                sent = answer('E', problem);
        }
        if (!sent)
            return 1;
    }
    return 0;
}
