// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// The survey of a device with a large photo and music library, through the link model,
// against a minimal walker: read each folder, one file-information request per entry.
#include "benches.h"
#include "linksurvey.h"

#include "core/mainqueue.h"
#include "device/deviceselection.h"
#include "device/backend/mobiledevice.h"
#include "emulatorharness.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <mutex>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {
constexpr int kPhotoFolders = 30;
constexpr int kPhotosPerFolder = 1000; // 30,000 photos
constexpr int kMusicFolders = 50;
constexpr int kTracksPerFolder = 100; // 5,000 music and video files

// A file of `size` bytes that takes no disk space: the survey only asks for sizes.
void sparseFile(const std::string &path, off_t size)
{
    const int fd = ::open(path.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
    if (fd >= 0) {
        if (::ftruncate(fd, size) != 0)
            std::fprintf(stderr, "bench: cannot size %s\n", path.c_str());
        ::close(fd);
    }
}

void makeMediaLibrary(const std::string &root)
{
    for (int f = 0; f < kPhotoFolders; ++f) {
        const std::string dir = root + "/DCIM/" + std::to_string(100 + f) + "APPLE";
        fs::create_directories(dir);
        for (int i = 0; i < kPhotosPerFolder; ++i)
            sparseFile(dir + "/IMG_" + std::to_string(f * kPhotosPerFolder + i) + ".JPG",
                       1500000 + (i * 7919) % 2000000);
    }
    fs::create_directories(root + "/Photos/Thumbs");
    for (int i = 0; i < 20; ++i)
        sparseFile(root + "/Photos/Thumbs/" + std::to_string(i) + ".ithmb", 4000000);
    static const char *const kinds[] = {".mp3", ".m4a", ".m4v", ".mp4", ".MOV", ".aiff", ".plist"};
    for (int f = 0; f < kMusicFolders; ++f) {
        const std::string dir = root + "/iTunes_Control/Music/F" + std::to_string(f);
        fs::create_directories(dir);
        for (int i = 0; i < kTracksPerFolder; ++i)
            sparseFile(dir + "/T" + std::to_string(i) + kinds[i % 7], 3000000 + (i * 104729) % 9000000);
    }
    sparseFile(root + "/iTunes_Control/Music/.hidden.mp3", 1000); // hidden: never counted
}

struct Walk
{
    uint64_t entries = 0;
    uint64_t folders = 0;
    uint64_t all = 0, music = 0, video = 0;
};

bool containsAny(const std::string &path, const char *const *list)
{
    for (; *list; ++list)
        if (path.find(*list) != std::string::npos)
            return true;
    return false;
}

// The least a survey must ask: each folder listed once, each entry's information once.
void minimalWalk(afc_connection *conn, const std::string &folder, Walk &walk)
{
    afc_directory *dir = nullptr;
    if (AFCDirectoryOpen(conn, folder.c_str(), &dir) != 0)
        return;
    ++walk.folders;
    char *name = nullptr;
    while (AFCDirectoryRead(conn, dir, &name) == 0 && name) {
        if (name[0] == '.')
            continue;
        ++walk.entries;
        const std::string path = folder + "/" + name;
        afc_dictionary *info = nullptr;
        if (AFCFileInfoOpen(conn, path.c_str(), &info) != 0)
            continue;
        bool isDir = false;
        uint64_t size = 0;
        char *key = nullptr, *value = nullptr;
        while (AFCKeyValueRead(info, &key, &value) == 0 && key && value) {
            if (std::strcmp(key, "st_ifmt") == 0 && std::strcmp(value, "S_IFDIR") == 0)
                isDir = true;
            if (std::strcmp(key, "st_size") == 0)
                size = std::strtoull(value, nullptr, 10);
        }
        AFCKeyValueClose(info);
        if (isDir) {
            minimalWalk(conn, path, walk);
            continue;
        }
        walk.all += size;
        walk.music += containsAny(path, kMusicExtensions) ? size : 0;
        walk.video += containsAny(path, kVideoExtensions) ? size : 0;
    }
    AFCDirectoryClose(conn, dir);
}


std::string figureText(uint64_t bytes)
{
    return formatFixed(static_cast<double>(bytes), 6);
}
} // namespace

void benchSurvey(const std::string &work, Report &report)
{
    std::printf("\n== Survey of %d photos and %d music/video files through the link model\n",
                kPhotoFolders * kPhotosPerFolder, kMusicFolders * kTracksPerFolder);
    fs::create_directories(work);
    const std::string device = work + "/device";
    makeDeviceFolder(device, "0000be7c000000000000000000000000000000b2");
    makeMediaLibrary(device + "/root");

    EmulatorProcess emulator(work);
    if (!emulator.start({"--link", device})) {
        report.add("survey: emulator", "FAILED", "up", false);
        return;
    }
    CountingLoadWindow window;
    LinkSurvey run = surveyThroughLink(emulator, window, std::chrono::minutes(5));
    if (!run.finished) {
        report.add("survey", "FAILED (no survey)", "done", false);
        endLinkSurvey(run);
        return;
    }
    StringDictionary &survey = run.survey;

    afc_connection *conn = run.link->user_data()->conn;
    Walk walk;
    const uint64_t w0 = requestCount(emulator, "afc.");
    const double wt0 = nowSeconds();
    Walk photos, thumbs, booksWalk, media;
    minimalWalk(conn, "/DCIM", photos);
    minimalWalk(conn, "/Photos/Thumbs", thumbs);
    minimalWalk(conn, "/Books", booksWalk);
    minimalWalk(conn, "/iTunes_Control/Music", media);
    const double walkerSeconds = nowSeconds() - wt0;
    const uint64_t walkerRequests = requestCount(emulator, "afc.") - w0;
    for (const Walk *w : {&photos, &thumbs, &booksWalk, &media}) {
        walk.entries += w->entries;
        walk.folders += w->folders;
    }
    endLinkSurvey(run);

    const double surveySeconds = run.seconds;
    const uint64_t surveyRequests = run.requests;
    const double perEntry = static_cast<double>(surveyRequests) / static_cast<double>(walk.entries);
    const double walkerPerEntry = static_cast<double>(walkerRequests) / static_cast<double>(walk.entries);
    const double ratio = surveySeconds / walkerSeconds;
    report.add("survey: AFC requests per entry",
               fmt("%.3f (%llu requests, %llu entries)", perEntry, static_cast<unsigned long long>(surveyRequests),
                   static_cast<unsigned long long>(walk.entries)),
               "<= 1.05", perEntry <= 1.05);
    report.add("  minimal walker: requests per entry", fmt("%.3f", walkerPerEntry));
    report.add("survey time / minimal walker", fmt("%.2fx (%.1f s / %.1f s)", ratio, surveySeconds, walkerSeconds),
               "<= 1.1x", ratio <= 1.1);

    // The figures stay exactly as the walk finds them.
    const std::string photoExpected = formatFixed(static_cast<double>(photos.all) + static_cast<double>(thumbs.all), 6);
    const bool same = survey["PhotoSzie"] == photoExpected && survey["BooksSzie"] == figureText(booksWalk.all) &&
                      survey["MusicSzie"] == figureText(media.music) && survey["VideoSzie"] == figureText(media.video);
    report.add("survey figures equal the walker's sums", same ? "yes" : "NO", "yes", same);
    if (!same)
        report.note("survey said Photo " + survey["PhotoSzie"] + " Books " + survey["BooksSzie"] + " Music " +
                    survey["MusicSzie"] + " Video " + survey["VideoSzie"]);
    report.add("survey: progress reports to the load window",
               fmt("%d (last: %d folders)", window.reports(), window.last()), "> 0", window.reports() > 0);
}
