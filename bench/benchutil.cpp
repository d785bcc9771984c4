// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "benchutil.h"

#include "emulatorharness.h"

#include <zip.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <limits>
#include <linux/magic.h>
#include <spawn.h>
#include <sys/statfs.h>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
extern char **environ;

double nowSeconds()
{
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

double bestOf(int runs, const std::function<void()> &fn)
{
    double best = std::numeric_limits<double>::max();
    for (int i = 0; i < runs; ++i) {
        const double t0 = nowSeconds();
        fn();
        best = std::min(best, nowSeconds() - t0);
    }
    return best;
}

int runProgram(const std::vector<std::string> &argv, const std::string &cwd)
{
    std::vector<char *> args;
    for (const auto &a : argv)
        args.push_back(const_cast<char *>(a.c_str()));
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    if (!cwd.empty())
        posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());
    pid_t pid = -1;
    const int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        return -1;
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string runAndCapture(const std::vector<std::string> &argv, int *exitCode)
{
    *exitCode = -1;
    int fds[2];
    if (::pipe(fds) != 0)
        return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    std::vector<char *> args;
    for (const auto &a : argv)
        args.push_back(const_cast<char *>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    std::string out;
    char buf[512];
    ssize_t n;
    while (rc == 0 && ((n = ::read(fds[0], buf, sizeof buf)) > 0 || (n < 0 && errno == EINTR)))
        if (n > 0)
            out.append(buf, static_cast<size_t>(n));
    ::close(fds[0]);
    if (rc != 0)
        return out;
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    *exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return out;
}

namespace {
// Incompressible bytes, quickly (xorshift): stands in for pictures.
void writeNoise(const std::string &path, uint64_t bytes, uint64_t seed)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    std::vector<uint64_t> block(8192);
    uint64_t x = seed * 0x9E3779B97F4A7C15ull + 1;
    while (bytes > 0) {
        for (auto &v : block) {
            x ^= x << 13;
            x ^= x >> 7;
            x ^= x << 17;
            v = x;
        }
        const uint64_t n = std::min<uint64_t>(bytes, block.size() * sizeof(uint64_t));
        out.write(reinterpret_cast<const char *>(block.data()), static_cast<std::streamsize>(n));
        bytes -= n;
    }
}

// Prose-like XHTML: compresses as text does.
void writeChapter(const std::string &path, int number, uint64_t bytes)
{
    static const char *const words[] = {"the", "ferry", "crossed", "a", "river", "slowly", "while", "passengers",
                                        "read", "their", "books", "under", "grey", "skies", "and", "gulls"};
    std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<html xmlns=\"http://www.w3.org/1999/xhtml\">"
                       "<head><title>Chapter " + std::to_string(number) + "</title></head><body>\n";
    uint64_t r = static_cast<uint64_t>(number) * 2654435761u + 7;
    while (text.size() + 20 < bytes) {
        text += "<p>";
        for (int w = 0; w < 40; ++w) {
            r = r * 6364136223846793005ull + 1442695040888963407ull;
            text += words[(r >> 33) % 16];
            text += ' ';
        }
        text += "</p>\n";
    }
    text += "</body></html>\n";
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}
} // namespace

BenchBook makeBook(const std::string &dir, const std::string &title, int images, uint64_t imageBytes, int chapters,
                   uint64_t chapterBytes, bool store)
{
    BenchBook book;
    book.title = title;
    book.folder = dir + "/" + title;
    book.epub = dir + "/" + title + ".epub";
    fs::create_directories(book.folder + "/META-INF");
    fs::create_directories(book.folder + "/OEBPS/images");
    fs::create_directories(book.folder + "/OEBPS/text");
    std::ofstream(book.folder + "/mimetype", std::ios::binary) << "application/epub+zip";
    std::ofstream(book.folder + "/META-INF/container.xml", std::ios::binary)
        << "<?xml version=\"1.0\"?>\n<container version=\"1.0\" "
           "xmlns=\"urn:oasis:names:tc:opendocument:xmlns:container\">\n  <rootfiles>\n"
           "    <rootfile full-path=\"OEBPS/content.opf\" media-type=\"application/oebps-package+xml\"/>\n"
           "  </rootfiles>\n</container>\n";
    std::ostringstream opf;
    opf << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<package xmlns=\"http://www.idpf.org/2007/opf\" "
           "version=\"2.0\" unique-identifier=\"id\">\n  <metadata xmlns:dc=\"http://purl.org/dc/elements/1.1/\">\n"
        << "    <dc:title>" << title << "</dc:title>\n    <dc:creator>Bench Writer</dc:creator>\n"
        << "    <dc:identifier id=\"id\">bench-" << title << "</dc:identifier>\n  </metadata>\n  <manifest>\n";
    for (int i = 0; i < images; ++i) {
        const std::string name = "images/img" + std::to_string(i) + ".jpg";
        writeNoise(book.folder + "/OEBPS/" + name, imageBytes, static_cast<uint64_t>(i) + 1);
        if (i == 0)
            opf << "    <item href=\"" << name << "\" id=\"cover\" media-type=\"image/jpeg\"/>\n";
        else
            opf << "    <item href=\"" << name << "\" id=\"img" << i << "\" media-type=\"image/jpeg\"/>\n";
    }
    for (int i = 0; i < chapters; ++i) {
        const std::string name = "text/ch" + std::to_string(i) + ".xhtml";
        writeChapter(book.folder + "/OEBPS/" + name, i, chapterBytes);
        opf << "    <item href=\"" << name << "\" id=\"ch" << i << "\" media-type=\"application/xhtml+xml\"/>\n";
    }
    opf << "  </manifest>\n</package>\n";
    std::ofstream(book.folder + "/OEBPS/content.opf", std::ios::binary) << opf.str();

    std::vector<std::string> files;
    for (const auto &e : fs::recursive_directory_iterator(book.folder))
        if (e.is_regular_file()) {
            files.push_back(fs::relative(e.path(), book.folder).generic_string());
            book.payloadBytes += e.file_size();
        }
    std::sort(files.begin(), files.end());
    std::stable_partition(files.begin(), files.end(), [](const std::string &f) { return f == "mimetype"; });
    book.parts = static_cast<int>(files.size());

    fs::remove(book.epub);
    int code = 0;
    zip_t *zip = zip_open(book.epub.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    for (const auto &f : files) {
        zip_source_t *src = zip_source_file(zip, (book.folder + "/" + f).c_str(), 0, -1);
        const zip_int64_t index = zip_file_add(zip, f.c_str(), src, ZIP_FL_ENC_UTF_8);
        if (f == "mimetype" || store)
            zip_set_file_compression(zip, static_cast<zip_uint64_t>(index), ZIP_CM_STORE, 0);
    }
    if (zip_close(zip) != 0)
        std::fprintf(stderr, "cannot write %s\n", book.epub.c_str());
    return book;
}

namespace {
std::string g_deviceStore;
}

void setDeviceStore(const std::string &folder)
{
    g_deviceStore = folder;
}

std::string makeMemoryDeviceStore()
{
    struct statfs fsInfo;
    if (::statfs("/dev/shm", &fsInfo) != 0 || fsInfo.f_type != TMPFS_MAGIC ||
        static_cast<uint64_t>(fsInfo.f_bavail) * fsInfo.f_bsize < (uint64_t(4) << 30))
        return {};
    std::string pattern = "/dev/shm/bookferry-bench-devices-XXXXXX";
    return ::mkdtemp(pattern.data()) ? pattern : std::string();
}

void linkOrCopy(const std::string &from, const std::string &to)
{
    std::error_code ec;
    fs::create_hard_link(from, to, ec);
    if (ec)
        fs::copy_file(from, to, fs::copy_options::overwrite_existing);
}

void makeDeviceFolder(const std::string &dir, const std::string &udid)
{
    if (!g_deviceStore.empty()) {
        static int made = 0;
        const std::string stored = g_deviceStore + "/device" + std::to_string(++made);
        fs::create_directories(stored);
        fs::create_directories(fs::path(dir).parent_path());
        std::error_code ec;
        fs::remove_all(dir, ec);
        fs::create_directory_symlink(stored, dir);
    }
    FolderDeviceDescription desc;
    desc.udid = udid;
    makeFolderDevice(dir, desc);
    fs::create_directories(dir + "/root/Books/Purchases");
    const char *empty = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n"
                        "<key>Books</key><array/>\n</dict>\n</plist>\n";
    std::ofstream(dir + "/root/Books/Books.plist", std::ios::binary) << empty;
    std::ofstream(dir + "/root/Books/Purchases/Purchases.plist", std::ios::binary) << empty;
}

uint64_t requestCount(const EmulatorProcess &emulator, const std::string &prefix)
{
    std::istringstream in(emulator.control("counters"));
    std::string key;
    uint64_t value = 0, sum = 0;
    while (in >> key >> value)
        if (key.compare(0, prefix.size(), prefix) == 0)
            sum += value;
    return sum;
}

std::map<std::string, uint64_t> requestCounters(const EmulatorProcess &emulator)
{
    std::istringstream in(emulator.control("counters"));
    std::map<std::string, uint64_t> out;
    std::string key;
    uint64_t value = 0;
    while (in >> key >> value)
        out[key] = value;
    return out;
}

std::string counterDifference(const std::map<std::string, uint64_t> &before,
                              const std::map<std::string, uint64_t> &after)
{
    std::vector<std::pair<uint64_t, std::string>> diff;
    for (const auto &[key, value] : after) {
        auto it = before.find(key);
        const uint64_t d = value - (it == before.end() ? 0 : it->second);
        if (d > 0 && key.compare(0, 4, "afc.") == 0)
            diff.emplace_back(d, key.substr(4));
    }
    std::sort(diff.rbegin(), diff.rend());
    std::string out;
    for (const auto &[d, key] : diff)
        out += (out.empty() ? "" : ", ") + key + " " + std::to_string(d);
    return out;
}

namespace {
uint64_t statusField(const char *field)
{
    std::ifstream in("/proc/self/status");
    std::string line;
    const std::string prefix = std::string(field) + ":";
    while (std::getline(in, line))
        if (line.compare(0, prefix.size(), prefix) == 0)
            return std::strtoull(line.c_str() + prefix.size(), nullptr, 10) * 1024;
    return 0;
}
} // namespace

uint64_t peakResidentBytes()
{
    return statusField("VmHWM");
}

uint64_t residentBytes()
{
    return statusField("VmRSS");
}

bool resetPeak()
{
    // "5" resets the peak resident size the kernel keeps for the process.
    std::ofstream out("/proc/self/clear_refs");
    out << "5";
    out.flush();
    return static_cast<bool>(out);
}

std::string fmt(const char *format, ...)
{
    char buf[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buf, sizeof buf, format, args);
    va_end(args);
    return buf;
}

void Report::add(const std::string &name, const std::string &value, const std::string &target, bool met)
{
    m_figures.push_back({name, value, target, target.empty() || met});
    std::printf("  %-58s %s%s%s\n", name.c_str(), value.c_str(), target.empty() ? "" : "   target ",
                target.empty() ? "" : (target + (met ? "  ok" : "  MISSED")).c_str());
    std::fflush(stdout);
}

void Report::note(const std::string &text)
{
    m_notes.push_back(text);
    std::printf("  note: %s\n", text.c_str());
    std::fflush(stdout);
}

void Report::print() const
{
    std::printf("\n%-60s | %-26s | %s\n", "Figure", "Measured", "Target");
    std::printf("%s\n", std::string(110, '-').c_str());
    for (const auto &f : m_figures)
        std::printf("%-60s | %-26s | %s\n", f.name.c_str(), f.value.c_str(),
                    f.target.empty() ? "-" : (f.target + (f.met ? " (met)" : " (MISSED)")).c_str());
    std::printf("\n%d target(s) missed\n", targetsMissed());
}

int Report::targetsMissed() const
{
    return static_cast<int>(std::count_if(m_figures.begin(), m_figures.end(), [](const Figure &f) { return !f.met; }));
}
