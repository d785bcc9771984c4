// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// A device with 5,000 books of a few small parts each, through the link model: the survey
// behind the load window, and `bookferry-cli list --custom` on it. The baseline is the link
// itself, measured in the same run: one request's round trip, times the survey's requests,
// spread over the connections the survey may use.
#include "benches.h"
#include "linksurvey.h"

#include "core/mainqueue.h"
#include "device/deviceselection.h"
#include "device/backend/mobiledevice.h"
#include "emulatorharness.h"

#include <plist/plist.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {
constexpr int kBooks = 5000;
constexpr double kSurveyTarget = 15.0; // seconds
constexpr double kListTarget = 3.0;    // seconds

void smallFile(const std::string &path, off_t size)
{
    const int fd = ::open(path.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
    if (fd >= 0) {
        if (::ftruncate(fd, size) != 0)
            std::fprintf(stderr, "bench: cannot size %s\n", path.c_str());
        ::close(fd);
    }
}

// Each book: 6 folders and 12 files, the shape of an unpacked ePub.
void makeBookFolders(const std::string &books)
{
    for (int i = 0; i < kBooks; ++i) {
        const std::string book = books + "/B" + std::to_string(i) + ".epub";
        for (const char *dir : {"/META-INF", "/OEBPS/Text", "/OEBPS/Images", "/OEBPS/Styles"})
            fs::create_directories(book + dir);
        smallFile(book + "/mimetype", 20);
        smallFile(book + "/META-INF/container.xml", 250);
        smallFile(book + "/OEBPS/content.opf", 1500 + i % 700);
        smallFile(book + "/OEBPS/toc.ncx", 900 + i % 300);
        smallFile(book + "/OEBPS/Styles/style.css", 600);
        smallFile(book + "/OEBPS/Images/cover.jpg", 30000 + (i * 7919) % 40000);
        for (int c = 0; c < 6; ++c)
            smallFile(book + "/OEBPS/Text/ch" + std::to_string(c) + ".xhtml", 8000 + (i * 104729 + c) % 20000);
    }
}

// The catalogue of the 5,000 books, all added by the user.
void writeCatalogue(const std::string &path)
{
    plist_t root = plist_new_dict();
    plist_t books = plist_new_array();
    for (int i = 0; i < kBooks; ++i) {
        plist_t e = plist_new_dict();
        const std::string n = std::to_string(i);
        plist_dict_set_item(e, "Name", plist_new_string(("A Book Called Number " + n).c_str()));
        plist_dict_set_item(e, "Artist", plist_new_string(("Writer " + std::to_string(i % 97)).c_str()));
        plist_dict_set_item(e, "Album", plist_new_string(("A Book Called Number " + n).c_str()));
        plist_dict_set_item(e, "Genre", plist_new_string(i % 3 ? "Fiction" : "History"));
        plist_dict_set_item(e, "Path", plist_new_string(("B" + n + ".epub").c_str()));
        plist_dict_set_item(e, "Persistent ID", plist_new_string(("000000000000" + std::to_string(2000 + i)).c_str()));
        plist_dict_set_item(e, "User Item", plist_new_bool(1));
        plist_array_append_item(books, e);
    }
    plist_dict_set_item(root, "Books", books);
    char *bin = nullptr;
    uint32_t length = 0;
    plist_to_bin(root, &bin, &length);
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(bin, length);
    plist_to_bin_free(bin);
    plist_free(root);
}

struct LocalTree
{
    uint64_t bytes = 0, files = 0, folders = 0;
};

// What the survey must find, read from the folder itself: hidden names are skipped.
void localSum(const fs::path &folder, LocalTree &tree)
{
    for (const auto &entry : fs::directory_iterator(folder)) {
        if (entry.path().filename().string()[0] == '.')
            continue;
        if (entry.is_directory()) {
            ++tree.folders;
            localSum(entry.path(), tree);
        } else {
            ++tree.files;
            tree.bytes += entry.file_size();
        }
    }
}

// One request's round trip on the link: the best of five runs of 200 information requests.
double requestSeconds(afc_connection *conn)
{
    return bestOf(5, [conn] {
               for (int i = 0; i < 200; ++i) {
                   afc_dictionary *info = nullptr;
                   if (AFCFileInfoOpen(conn, "/Books/Books.plist", &info) == 0)
                       AFCKeyValueClose(info);
               }
           }) /
           200;
}
} // namespace

void benchBookSurvey(const std::string &work, Report &report)
{
    std::printf("\n== A device with %d books through the link model: the survey and the CLI's list\n", kBooks);
    fs::create_directories(work);
    const std::string device = work + "/device";
    makeDeviceFolder(device, "0000be7c000000000000000000000000000000b5");
    makeBookFolders(device + "/root/Books");
    writeCatalogue(device + "/root/Books/Books.plist");
    LocalTree tree;
    localSum(device + "/root/Books", tree);
    std::printf("%llu files in %llu folders under /Books\n", static_cast<unsigned long long>(tree.files),
                static_cast<unsigned long long>(tree.folders + 1));

    EmulatorProcess emulator(work);
    if (!emulator.start({"--link", device})) {
        report.add("book survey: emulator", "FAILED", "up", false);
        return;
    }
    CountingLoadWindow window;
    LinkSurvey run = surveyThroughLink(emulator, window, std::chrono::minutes(10));
    if (!run.finished) {
        report.add("book survey", "FAILED (no survey)", "done", false);
        endLinkSurvey(run);
        return;
    }
    const double roundTrip = requestSeconds(run.link->user_data()->conn);
    // The CLI below goes through the same emulator.
    run.link.reset();
    setDeviceBackend(nullptr);
    StringDictionary &survey = run.survey;

    const double seconds = run.seconds;
    const uint64_t requests = run.requests;
    const uint64_t entries = tree.files + tree.folders;
    // The least the link allows: every request's round trip, over the record's connection and
    // the survey's extra lanes at once.
    const double floor = static_cast<double>(requests) * roundTrip / (1 + DeviceSurvey::kLanes);
    report.add("book survey: 5,000 books through the link", fmt("%.1f s", seconds), fmt("<= %.0f s", kSurveyTarget),
               seconds <= kSurveyTarget);
    report.add("  link floor (requests x round trip / connections)",
               fmt("%.1f s (%.2f ms a request), survey at %.2fx", floor, roundTrip * 1e3, seconds / floor));
    const double perEntry = static_cast<double>(requests) / static_cast<double>(entries);
    const double minimalPerEntry = static_cast<double>(entries + tree.folders + 1) / static_cast<double>(entries);
    report.add("book survey: AFC requests per entry",
               fmt("%.3f (%llu requests, %llu entries; a folder's listing plus one per entry: %.3f)", perEntry,
                   static_cast<unsigned long long>(requests), static_cast<unsigned long long>(entries),
                   minimalPerEntry),
               fmt("<= %.3f", minimalPerEntry * 1.01), perEntry <= minimalPerEntry * 1.01);
    const bool same = survey["BooksSzie"] == formatFixed(static_cast<double>(tree.bytes), 6);
    report.add("book survey: BooksSzie equals the folder's bytes", same ? "yes" : "NO (" + survey["BooksSzie"] + ")",
               "yes", same);
    report.add("book survey: progress reports to the load window",
               fmt("%d (last: %d folders)", window.reports(), window.last()), "> 0", window.reports() > 0);

    // The command-line tool, as a user runs it: a process of its own through the same link.
    const std::string cli = (fs::canonical("/proc/self/exe").parent_path() / "bookferry-cli").string();
    ::setenv("BOOKFERRY_CLI_WAIT_SECONDS", "600", 1);
    const uint64_t c0 = requestCount(emulator, "afc.");
    int exitCode = -1;
    const double l0 = nowSeconds();
    const std::string listed = runAndCapture({cli, "--device", "usb", "list", "--custom"}, &exitCode);
    const double listSeconds = nowSeconds() - l0;
    const uint64_t listRequests = requestCount(emulator, "afc.") - c0;
    ::unsetenv("BOOKFERRY_CLI_WAIT_SECONDS");
    ::unsetenv("USBMUXD_SOCKET_ADDRESS");
    const long lines = static_cast<long>(std::count(listed.begin(), listed.end(), '\n'));
    const bool listedAll = exitCode == 0 && lines == kBooks + 1;
    report.add("cli list --custom on the 5,000 books",
               fmt("%.1f s (%ld lines, exit %d, %llu AFC requests)", listSeconds, lines, exitCode,
                   static_cast<unsigned long long>(listRequests)),
               fmt("<= %.0f s", kListTarget), listedAll && listSeconds <= kListTarget);
    report.add("  against the link floor of the survey", fmt("%.2fx", listSeconds / floor));
}
