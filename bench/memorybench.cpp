// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// Peak resident size while a 500 MB ePub is imported and exported, measured in a child
// process of its own (so nothing the other benchmarks allocated counts), through the USB
// backend and the emulator without the link model (the link only slows it down).
#include "benches.h"

#include "core/log.h"
#include "device/storage/synclock.h"
#include "operations/bookshelf.h"
#include "operations/devicelibrary.h"

#include <QCoreApplication>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>
#include <vector>

namespace fs = std::filesystem;

int memoryChild(int argc, char **argv)
{
    // bookferry-bench --memory-child WORK EPUB TITLE
    if (argc < 5)
        return 2;
    QCoreApplication app(argc, argv);
    setLogSink([](const std::string &) {});
    const std::string work = argv[2], epub = argv[3], title = argv[4];
    const std::string device = work + "/device";
    makeDeviceFolder(device, "0000be7c000000000000000000000000000000c3");
    DeviceRig rig(work, {}, device);
    if (!rig.up())
        return 1;
    const uint64_t idle = residentBytes();
    resetPeak();
    startToSync(rig.device());
    // The catalogue shelf's import and export, each whole and in a context of its own.
    DeviceLibrary &library = rig.library();
    BookContext importing = library.bookContext();
    const BookOperationResult imported = BookShelf::wholeBook(importing, library.books().startImport(importing, epub));
    endsync(rig.device());
    const uint64_t importPeak = peakResidentBytes();
    if (!imported.done())
        return 1;
    resetPeak();
    fs::create_directories(work + "/out");
    BookContext exporting = library.bookContext();
    const BookOperationResult exported =
        BookShelf::wholeBook(exporting, library.books().startExport(exporting, imported.detail, work + "/out", false, title));
    const uint64_t exportPeak = peakResidentBytes();
    if (!exported.done())
        return 1;
    std::printf("%llu %llu %llu\n", static_cast<unsigned long long>(idle), static_cast<unsigned long long>(importPeak),
                static_cast<unsigned long long>(exportPeak));
    return 0;
}

void benchMemory(const std::string &work, const std::string &self, Report &report)
{
    std::printf("\n== Peak resident size importing and exporting a 500 MB ePub\n");
    fs::create_directories(work);
    const BenchBook book = makeBook(work, "Huge", 100, 5000000, 20, 50000, true);

    const std::string childWork = work + "/child";
    fs::create_directories(childWork);
    int code = -1;
    const std::string out = runAndCapture({self, "--memory-child", childWork, book.epub, book.title}, &code);
    unsigned long long idle = 0, importPeak = 0, exportPeak = 0;
    if (code != 0 ||
        std::sscanf(out.c_str(), "%llu %llu %llu", &idle, &importPeak, &exportPeak) != 3) {
        report.add("memory: 500 MB import and export", "FAILED", "done", false);
        return;
    }
    const double limit = 100e6;
    const double di = static_cast<double>(importPeak) - static_cast<double>(idle);
    const double de = static_cast<double>(exportPeak) - static_cast<double>(idle);
    report.add(fmt("import %.0f MB: peak above idle (idle %.1f MB)", book.payloadBytes / 1e6, idle / 1e6),
               fmt("%.1f MB", di / 1e6), "< 100 MB", di < limit);
    report.add(fmt("export %.0f MB: peak above idle", book.payloadBytes / 1e6), fmt("%.1f MB", de / 1e6), "< 100 MB",
               de < limit);
    fs::remove_all(work);
}

void benchGui(const std::string &work, const std::string &self, const BenchBooks &books, Report &report)
{
    std::printf("\n== Main window event loop during a survey, an import and an export (link model)\n");
    const std::string gui = (fs::path(self).parent_path() / "bookferry-gui-bench").string();
    if (!fs::exists(gui)) {
        report.add("GUI: event-loop latency", "not measured (no GUI build)");
        return;
    }
    fs::create_directories(work);
    int code = -1;
    const std::string out = runAndCapture({gui, work, books.large.epub, books.large.title}, &code);
    std::istringstream in(out);
    std::string phase, p99, max, samples;
    int phases = 0;
    while (in >> phase >> p99) {
        if (p99 == "failed") {
            report.add("GUI: " + phase, "FAILED", "done", false);
            continue;
        }
        in >> max >> samples;
        ++phases;
        report.add("GUI " + phase + ": event-loop latency p99 (max, samples)",
                   p99 + " ms (" + max + " ms, " + samples + ")", "< 50 ms", std::stod(p99) < 50.0);
    }
    if (phases == 0 || code != 0)
        report.add("GUI benchmark", fmt("exit %d", code), "0", false);

    // The window's first list of a 5,000-book folder device (a process of its own, so its
    // peak memory is the window's with that list).
    std::printf("\n== Main window with 5,000 books (folder device, nothing cached)\n");
    const std::string booksOut = runAndCapture({gui, "--books", work + "/books"}, &code);
    std::map<std::string, std::vector<std::string>> got;
    std::istringstream lines(booksOut);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        std::string key, word;
        words >> key;
        while (words >> word)
            got[key].push_back(word);
    }
    auto number = [&](const char *key, size_t i = 0) {
        const auto it = got.find(key);
        if (it == got.end() || it->second.size() <= i)
            return -1.0;
        char *end = nullptr;
        const double value = std::strtod(it->second[i].c_str(), &end);
        return end && *end == '\0' && end != it->second[i].c_str() ? value : -1.0; // "failed" is no number
    };
    if (code != 0 || number("all_sizes") < 0) {
        report.add("GUI 5,000 books", fmt("FAILED (exit %d)", code), "done", false);
        return;
    }
    // The survey of the same device in the same run gives the scale of the list's times.
    report.add("GUI 5,000 books: list shown (survey before it)",
               fmt("%.2f s (%.2f s)", number("list_shown"), number("survey")));
    report.add("GUI 5,000 books: covers of the rows in view at the top", fmt("%.2f s", number("top_in_view")), "<= 1 s",
               number("top_in_view") <= 1.0);
    report.add("GUI 5,000 books: covers in view after a scroll to the middle", fmt("%.2f s", number("scrolled_in_view")),
               "<= 1 s", number("scrolled_in_view") <= 1.0);
    report.add("GUI 5,000 books: every size shown (x survey)",
               fmt("%.1f s (%.1fx)", number("all_sizes"), number("all_sizes") / std::max(0.01, number("survey"))));
    for (const char *phase : {"covers", "sort", "filter"}) {
        const double p99 = number(phase);
        report.add(fmt("GUI 5,000 books, %s: event-loop latency p99 (max, samples)", phase),
                   fmt("%.1f ms (%.1f ms, %.0f)", p99, number(phase, 1), number(phase, 2)), "< 50 ms",
                   p99 >= 0 && p99 < 50.0);
    }
    report.add("GUI 5,000 books: peak memory", fmt("%.0f MB", number("memory_mb")), "<= 250 MB",
               number("memory_mb") > 0 && number("memory_mb") <= 250.0);
}
