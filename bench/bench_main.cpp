// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// bookferry-bench: every benchmark in one run, each against its baseline measured in the
// same run, then the table of figures and targets. Exit status 1 when a target is missed.
//   bookferry-bench [--only link|apps|pdfapps|batch|zip|survey|booksurvey|catalogue|memory|gui]... [--keep DIR]
#include "benches.h"

#include "core/log.h"

#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>
#include <unistd.h>

namespace fs = std::filesystem;

int main(int argc, char **argv)
{
    if (argc > 1 && std::strcmp(argv[1], "--memory-child") == 0)
        return memoryChild(argc, argv);

    std::set<std::string> only;
    std::string keep;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--only" && i + 1 < argc) {
            only.insert(argv[++i]);
        } else if (arg == "--keep" && i + 1 < argc) {
            keep = argv[++i];
        } else {
            std::fprintf(stderr, "usage: bookferry-bench "
                                 "[--only link|apps|batch|zip|survey|booksurvey|catalogue|memory|gui]... [--keep DIR]\n");
            return 2;
        }
    }
    auto wanted = [&](const char *name) { return only.empty() || only.count(name) > 0; };

    QCoreApplication app(argc, argv);
    // The device link's fixed lines and the system log would drown the figures.
    setLogSink([](const std::string &) {});

    std::string work = keep;
    if (work.empty()) {
        std::string pattern = (fs::temp_directory_path() / "bookferry-bench-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            return 2;
        work = pattern;
    }
    fs::create_directories(work + "/scratch");
    ::setenv("BOOKFERRY_SCRATCH", (work + "/scratch").c_str(), 1);
    // The catalogue backups every import keeps stay with the run, not in the user's data folder.
    fs::create_directories(work + "/data");
    ::setenv("BOOKFERRY_DATA_DIR", (work + "/data").c_str(), 1);
    const std::string self = fs::canonical("/proc/self/exe").string();

    const std::string deviceStore = makeMemoryDeviceStore();
    setDeviceStore(deviceStore);
    std::printf("Emulated devices keep their files %s; the program's scratch files are in %s\n",
                deviceStore.empty() ? "with the rest of the run (no tmpfs with room at /dev/shm)"
                                    : ("in memory (" + deviceStore + ")").c_str(),
                (work + "/scratch").c_str());
    const double started = nowSeconds();
    Report report;
    BenchBooks books;
    if (wanted("link") || wanted("apps") || wanted("zip") || wanted("gui")) {
        std::printf("Making the books...\n");
        books.large = makeBook(work + "/books", "Large", 48, 1000000, 100, 20000);
        books.text = makeBook(work + "/books", "Text500", 0, 0, 497, 12000);
    }
    if (wanted("link"))
        benchLinkTransfers(work + "/link", books, report);
    if (wanted("apps"))
        benchAppBooks(work + "/apps", books, report);
    if (wanted("pdfapps"))
        benchPdfApps(work + "/pdfapps", report);
    if (wanted("batch"))
        benchBatch(work + "/batch", report);
    if (wanted("zip"))
        benchZip(work + "/zip", books, report);
    if (wanted("catalogue"))
        benchCatalogue(work + "/catalogue", report);
    if (wanted("survey"))
        benchSurvey(work + "/survey", report);
    if (wanted("booksurvey"))
        benchBookSurvey(work + "/booksurvey", report);
    if (wanted("memory"))
        benchMemory(work + "/memory", self, report);
    if (wanted("gui"))
        benchGui(work + "/gui", self, books, report);

    report.print();
    std::printf("whole run: %.0f s\n", nowSeconds() - started);
    if (keep.empty()) {
        fs::remove_all(work);
        if (!deviceStore.empty())
            fs::remove_all(deviceStore);
    }
    return report.targetsMissed() > 0 ? 1 : 0;
}
