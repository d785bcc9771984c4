// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// bookferry-cli through usbmuxd (the emulator) does to a device what it does to the same
// device kept as a folder; a device that cannot be opened says why; a held sync lock is
// waited for; it quits at once whatever usbmuxd does. Hostile device contents, served both
// ways: control characters in names and titles, and app files that are folders or FIFOs.
#include "emulatorharness.h"
#include "clirun.h"
#include "epubbuilder.h"
#include "folderdevice.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <gtest/gtest.h>
#include <zip.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <future>
#include <map>
#include <memory>
#include <random>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

const std::string kUdid = "00008030001a2b3c4d5e6f708192a3b4c5d6e7f8";

// The entries of a device's /Books/Books.plist, each as XML without what two runs cannot
// share: "Release Date" (the time of the import) and the two identifiers drawn at random.
std::vector<std::string> catalogueEntries(const std::string &deviceDir)
{
    const std::string data = readWholeFile(deviceDir + "/root/Books/Books.plist");
    plist_t raw = nullptr;
    plist_from_memory(data.data(), uint32_t(data.size()), &raw);
    PlistPtr root(raw);
    std::vector<std::string> out;
    plist_t books = root ? plist_dict_get_item(root.get(), "Books") : nullptr;
    EXPECT_TRUE(books && plist_get_node_type(books) == PLIST_ARRAY) << deviceDir;
    if (!books || plist_get_node_type(books) != PLIST_ARRAY)
        return out;
    for (uint32_t i = 0; i < plist_array_get_size(books); ++i) {
        PlistPtr entry(plist_copy(plist_array_get_item(books, i)));
        for (const char *key : {"Release Date", "Persistent ID", "Unique ID"})
            if (plist_get_node_type(entry.get()) == PLIST_DICT && plist_dict_get_item(entry.get(), key))
                plist_dict_remove_item(entry.get(), key);
        char *xml = nullptr;
        uint32_t size = 0;
        plist_to_xml(entry.get(), &xml, &size);
        out.emplace_back(xml, size);
        std::free(xml);
    }
    return out;
}

// Every member of a zip file, name to content.
std::map<std::string, std::string> zipMembers(const std::string &path)
{
    std::map<std::string, std::string> out;
    int error = 0;
    zip_t *archive = zip_open(path.c_str(), ZIP_RDONLY, &error);
    EXPECT_NE(archive, nullptr) << path;
    if (!archive)
        return out;
    for (zip_int64_t i = 0; i < zip_get_num_entries(archive, 0); ++i) {
        zip_stat_t st;
        zip_stat_index(archive, zip_uint64_t(i), 0, &st);
        std::string content(st.size, '\0');
        zip_file_t *file = zip_fopen_index(archive, zip_uint64_t(i), 0);
        EXPECT_NE(file, nullptr) << st.name;
        if (file) {
            EXPECT_EQ(zip_fread(file, content.data(), st.size), zip_int64_t(st.size)) << st.name;
            zip_fclose(file);
        }
        out[st.name] = content;
    }
    zip_close(archive);
    return out;
}

std::vector<std::string> fileNames(const std::string &dir)
{
    std::vector<std::string> names;
    for (const auto &e : fs::directory_iterator(dir))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// The notifications a device was sent, in order (the emulator's record).
std::vector<std::string> notifications(const std::string &deviceDir)
{
    std::vector<std::string> out;
    std::istringstream in(readWholeFile(deviceDir + "/notifications.log"));
    for (std::string line; std::getline(in, line);)
        out.push_back(line);
    return out;
}

class UsbCliTest : public ::testing::Test
{
protected:
    TempDir tmp;
    EmulatorProcess emulator{tmp.path()};
    FolderDeviceDescription desc;

    std::string book(const std::string &name, const std::string &title)
    {
        const std::string path = tmp.file(name);
        EXPECT_TRUE(EpubBuilder::validBook(title, "Writer").write(path));
        return path;
    }
    Cli folderCli(const std::string &dir) { return Cli("folder:" + dir, tmp.file("scratch-folder")); }
    Cli usbCli() { return Cli("usb", tmp.file("scratch-usb"), emulator.socketPath()); }
};

} // namespace

TEST_F(UsbCliTest, SameCatalogueAndFilesAsTheFolderDevice)
{
    // One device with a book on it, twice: served as a folder and through the emulator.
    const std::string base = makeFolderDevice(tmp.file("base"), desc);
    {
        Cli seed = folderCli(base);
        const CliRun seeded = seed.run({"import", book("seed.epub", "Seed Book")});
        ASSERT_EQ(seeded.exitCode, 0) << seeded.err;
    }
    const std::string asFolder = tmp.file("as-folder"), overUsb = tmp.file("over-usb");
    fs::copy(base, asFolder, fs::copy_options::recursive);
    fs::copy(base, overUsb, fs::copy_options::recursive);
    ASSERT_TRUE(emulator.start({overUsb}));

    // The same command both ways: the same status and the same output; the folder's run first.
    auto both = [&](const std::vector<std::string> &args, int exitCode) {
        Cli f = folderCli(asFolder);
        Cli u = usbCli();
        std::pair<CliRun, CliRun> runs(f.run(args), u.run(args));
        EXPECT_EQ(runs.first.exitCode, exitCode) << runs.first.err;
        EXPECT_EQ(runs.second.exitCode, exitCode) << runs.second.err;
        EXPECT_EQ(runs.first.out, runs.second.out);
        return runs;
    };

    // The survey, key for key: both ends read the same folder, so even the free space agrees.
    const QJsonObject info = cliJson(both({"--json", "info"}, 0).first).object();
    EXPECT_EQ(info.value(QStringLiteral("DeviceName")).toString(), QStringLiteral("Emulated iPhone"));
    EXPECT_TRUE(info.contains(QStringLiteral("FSFreeBytes")));
    EXPECT_EQ(cliJson(both({"--json", "list"}, 0).first).array().size(), 1);

    // Two books and a file that is no zip: the books go in, the file is named as failed.
    const std::string first = book("first.epub", "First Book"), second = book("second.epub", "Second Book");
    writeWholeFile(tmp.file("broken.epub"), "not a zip");
    const auto imported = both({"--json", "import", first, second, tmp.file("broken.epub")}, 1);
    EXPECT_NE(imported.first.err.find("broken.epub"), std::string::npos) << imported.first.err;
    EXPECT_NE(imported.second.err.find("broken.epub"), std::string::npos) << imported.second.err;
    EXPECT_EQ(catalogueEntries(asFolder), catalogueEntries(overUsb));

    const QJsonArray books = cliJson(both({"--json", "list"}, 0).first).array();
    ASSERT_EQ(books.size(), 3);
    const QJsonObject firstBook = books.at(1).toObject();
    EXPECT_EQ(firstBook.value(QStringLiteral("Name")).toString(), QStringLiteral("First Book"));
    EXPECT_EQ(firstBook.value(QStringLiteral("Artist")).toString(), QStringLiteral("Writer"));
    EXPECT_TRUE(firstBook.value(QStringLiteral("userItem")).toBool());
    EXPECT_FALSE(firstBook.value(QStringLiteral("purchased")).toBool());
    const std::string path = firstBook.value(QStringLiteral("Path")).toString().toStdString();
    ASSERT_FALSE(path.empty());
    // The book is kept unpacked on the device.
    for (const std::string &dev : {asFolder, overUsb})
        EXPECT_TRUE(fs::is_regular_file(dev + "/root/Books/" + path + "/OEBPS/content.opf")) << dev;

    // Export everything into two folders: the same files, member for member. A file there
    // already is kept unless --replace is given.
    for (const std::string &way : {"folder", "usb"}) {
        SCOPED_TRACE(way);
        const std::string out = tmp.file("out-" + way);
        fs::create_directories(out);
        auto cli = [&](const std::vector<std::string> &args) {
            Cli c = way == "usb" ? usbCli() : folderCli(asFolder);
            return c.run(args);
        };
        const CliRun all = cli({"export", "--to", out});
        ASSERT_EQ(all.exitCode, 0) << all.err;
        const std::string target = out + "/First Book.epub";
        writeWholeFile(target, "older");
        const CliRun kept = cli({"--json", "export", "--to", out, path});
        EXPECT_EQ(kept.exitCode, 0) << kept.err;
        const QJsonArray results = cliJson(kept).object().value(QStringLiteral("results")).toArray();
        EXPECT_EQ(results.at(0).toObject().value(QStringLiteral("status")).toString(),
                  QStringLiteral("skipped"));
        EXPECT_EQ(readWholeFile(target), "older");
        EXPECT_EQ(cli({"export", "--to", out, "--replace", path}).exitCode, 0);
        EXPECT_EQ(zipMembers(target).at("mimetype"), "application/epub+zip");
    }
    const std::vector<std::string> exported = fileNames(tmp.file("out-folder"));
    ASSERT_EQ(exported.size(), 3u);
    EXPECT_EQ(exported, fileNames(tmp.file("out-usb")));
    for (const std::string &name : exported) {
        const auto a = zipMembers(tmp.file("out-folder/" + name)), b = zipMembers(tmp.file("out-usb/" + name));
        EXPECT_EQ(a.at("mimetype"), "application/epub+zip") << name;
        EXPECT_EQ(a, b) << name;
    }
    both({"export", "--to", tmp.file("out-folder"), "NONE.epub"}, 1);

    // Delete the first imported book by its "Path" on each side; a second time it is not there.
    both({"--json", "delete", path}, 0);
    const std::vector<std::string> left = catalogueEntries(asFolder);
    EXPECT_EQ(left.size(), 2u);
    EXPECT_EQ(left, catalogueEntries(overUsb));
    EXPECT_FALSE(fs::exists(asFolder + "/root/Books/" + path));
    EXPECT_FALSE(fs::exists(overUsb + "/root/Books/" + path));
    const auto again = both({"delete", path}, 1);
    EXPECT_NE(again.first.err.find(path), std::string::npos) << again.first.err;
    EXPECT_NE(again.second.err.find(path), std::string::npos) << again.second.err;

    // A tab is a title's own (XML carries it); the plain listing writes it as an escape, so each
    // book stays one line of seven fields.
    both({"import", book("tab.epub", "Tab\there \\ too")}, 0);
    const CliRun plain = both({"list", "--custom"}, 0).first;
    EXPECT_NE(plain.out.find("\tTab\\there \\\\ too\tWriter\t"), std::string::npos) << plain.out;
    std::istringstream lines(plain.out);
    for (std::string line; std::getline(lines, line);)
        EXPECT_EQ(std::count(line.begin(), line.end(), '\t'), 6) << line;

    // A book the device has is skipped, and so is a file given twice in one import once the
    // first is in; --duplicates imports them again.
    const std::string pair = book("pair.epub", "Pair");
    const QJsonDocument results = cliJson(both({"--json", "import", second, pair, pair}, 0).first);
    ASSERT_EQ(results.object().value(QStringLiteral("results")).toArray().size(), 3);
    const auto field = [&](int i, const char *key) {
        return results.object().value(QStringLiteral("results")).toArray().at(i)[QLatin1String(key)].toString();
    };
    EXPECT_EQ(field(0, "status"), QStringLiteral("skipped"));
    EXPECT_TRUE(field(0, "message").contains(QStringLiteral("--duplicates")));
    EXPECT_EQ(field(1, "status"), QStringLiteral("done"));
    EXPECT_EQ(field(2, "message"), QStringLiteral("already on the device as \"Pair\" (") + field(1, "detail") +
                                       QStringLiteral("); --duplicates imports it again"));
    const CliRun skipped = both({"import", second}, 0).first;
    EXPECT_NE(skipped.out.find("skipped second.epub: already on the device as \"Second Book\""),
              std::string::npos)
        << skipped.out;
    both({"import", "--duplicates", second}, 0);
    EXPECT_EQ(catalogueEntries(asFolder).size(), 5u);
    EXPECT_EQ(catalogueEntries(asFolder), catalogueEntries(overUsb));
}

TEST_F(UsbCliTest, UntrustedDeviceSaysUnlockAndTrust)
{
    desc.paired = false;
    ASSERT_TRUE(emulator.start({makeFolderDevice(tmp.file("dev"), desc)}));
    Cli cli = usbCli();
    const CliRun r = cli.run({"info"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.out.empty()) << r.out;
    EXPECT_NE(r.err.find("bookferry-cli: "), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("Unlock the device and tap Trust"), std::string::npos) << r.err;
    EXPECT_EQ(emulator.counter("lockdown.StartSession"), 0u);
}

TEST_F(UsbCliTest, ImportWaitsForAHeldSyncLockAndGoesOn)
{
    const std::string dev = makeFolderDevice(tmp.file("dev"), desc);
    ASSERT_TRUE(emulator.start({dev}));
    ASSERT_EQ(emulator.control("hold " + kUdid), "ok\n");

    Cli cli = usbCli();
    cli.start({"import", book("locked.epub", "Locked Out")});
    // Two refused tries, then the other client lets go and the next try gets the lock.
    ASSERT_TRUE(emulator.waitForCounter("afc.FILE_LOCK", 2));
    ASSERT_EQ(emulator.control("release " + kUdid), "ok\n");
    const CliRun r = cli.finish();
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("imported"), std::string::npos) << r.out;
    EXPECT_EQ(catalogueEntries(dev).size(), 1u);

    const uint64_t tries = emulator.counter("afc.FILE_LOCK");
    EXPECT_GE(tries, 3u);  // refused at least twice, then granted
    EXPECT_LT(tries, 15u); // it did not run out of tries
    // Each notification once, in the order the sync goes through them.
    const std::vector<std::string> sent = notifications(dev);
    std::vector<std::ptrdiff_t> at;
    for (const std::string name : {"syncWillStart", "syncLockRequest", "syncDidStart", "syncDidFinish"}) {
        auto it = std::find_if(sent.begin(), sent.end(), [&](const std::string &l) { return l.find(name) != std::string::npos; });
        ASSERT_NE(it, sent.end()) << name << " missing";
        at.push_back(it - sent.begin());
    }
    EXPECT_TRUE(std::is_sorted(at.begin(), at.end()));
    EXPECT_EQ(sent.size(), 4u);
}

// Whatever usbmuxd does, the tool ends within 2 seconds of having nothing more to do (its
// wait for a device over, or its device gone mid-transfer) and of being told to stop. (A socket
// that hangs up at once is tried calmly by the backend: the watch tests.)
TEST_F(UsbCliTest, QuitsWithinTwoSecondsWhateverUsbmuxdDoes)
{
    using Clock = std::chrono::steady_clock;
    const auto secondsSince = [](Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); };

    // No usbmuxd at all: the one-second wait, then the end.
    {
        Cli cli = usbCli();
        const auto started = Clock::now();
        cli.start({"info"}, 1);
        const CliRun r = cli.finish();
        EXPECT_EQ(r.exitCode, 2) << r.err;
        EXPECT_LT(secondsSince(started), 3.0);
    }

    // A book large enough that its export over a 1 MB/s link takes seconds.
    const std::string dev = makeFolderDevice(tmp.file("dev"), desc);
    {
        std::string noise(6 << 20, '\0');
        std::mt19937 random(7);
        for (char &c : noise)
            c = char(random());
        const std::string big = tmp.file("big.epub");
        ASSERT_TRUE(EpubBuilder::validBook("Big Book", "Writer").add("OEBPS/noise.bin", noise, true).write(big));
        Cli seed = folderCli(dev);
        ASSERT_EQ(seed.run({"import", big}).exitCode, 0);
    }

    // usbmuxd killed, its socket file left behind, while the tool waits for a device.
    {
        ASSERT_TRUE(emulator.start({"--detached", dev}));
        Cli cli = usbCli();
        const auto started = Clock::now();
        cli.start({"info"}, 2);
        ASSERT_TRUE(emulator.waitForCounter("usbmux.Listen", 1));
        ASSERT_TRUE(emulator.signal(SIGKILL));
        emulator.stop();
        const CliRun r = cli.finish();
        EXPECT_EQ(r.exitCode, 2) << r.err;
        EXPECT_LT(secondsSince(started), 4.0);
    }

    // Mid-transfer: usbmuxd killed (the device goes with it), or the tool told to stop.
    for (const bool killDaemon : {true, false}) {
        ASSERT_TRUE(emulator.start({"--bandwidth", "1", dev}));
        fs::create_directories(tmp.file("out"));
        Cli cli = usbCli();
        cli.start({"export", "--replace", "--to", tmp.file("out")});
        // The survey reads the catalogue; the book's reads come after it.
        ASSERT_TRUE(emulator.waitForCounter("afc.FILE_READ", 6));
        ASSERT_TRUE(cli.running());
        const auto stopped = Clock::now();
        if (killDaemon)
            ASSERT_TRUE(emulator.signal(SIGKILL));
        else
            cli.signal(SIGTERM);
        const CliRun r = cli.finish();
        EXPECT_LT(secondsSince(stopped), 2.0) << killDaemon;
        if (killDaemon) {
            EXPECT_EQ(r.exitCode, 1) << r.err;
        }
        EXPECT_FALSE(fs::exists(tmp.file("out/Big Book.epub"))) << "the export was over before it was stopped";
        emulator.stop();
    }
}

TEST_F(UsbCliTest, OnlyInfoWalksTheMediaFolders)
{
    const std::string dev = makeFolderDevice(tmp.file("dev"), desc);
    // Three folders, one of them long enough for the survey to open more connections.
    for (int f = 0; f < 3; ++f)
        for (int i = 0; i < (f == 0 ? 70 : 4); ++i)
            writeWholeFile(dev + "/root/DCIM/10" + std::to_string(f) + "APPLE/IMG_" + std::to_string(i) + ".JPG",
                           std::string(100, 'j'));
    ASSERT_TRUE(emulator.start({dev}));

    // The list reads the values and the catalogues: not one folder of the device is listed.
    Cli list = usbCli();
    const CliRun listed = list.run({"--json", "list"});
    ASSERT_EQ(listed.exitCode, 0) << listed.err;
    EXPECT_EQ(cliJson(listed).array().size(), 0);
    EXPECT_EQ(emulator.counter("afc.READ_DIR"), 0u);

    const uint64_t services = emulator.counter("lockdown.StartService");
    Cli info = usbCli();
    const CliRun described = info.run({"--json", "info"});
    ASSERT_EQ(described.exitCode, 0) << described.err;
    EXPECT_EQ(cliJson(described).object().value(QStringLiteral("PhotoSzie")).toString(), QStringLiteral("7800.000000"));
    EXPECT_GE(emulator.counter("afc.READ_DIR"), 4u); // /DCIM and its three folders
    // The record's file service and notification proxy, the six lanes every survey has, and
    // more for the long folder.
    EXPECT_GT(emulator.counter("lockdown.StartService") - services, 8u);
}

namespace {

// A reader app on a device built for the emulator; its Documents folder.
std::string addReader(const std::string &deviceDir)
{
    FolderAppDescription reader;
    reader.identifier = "org.example.reader";
    reader.displayName = "Reader";
    addFolderApp(deviceDir, reader);
    return deviceDir + "/apps/org.example.reader/container/Documents";
}

// A device folder with one reader app, served both ways: its contents hostile.
class HostileCliTest : public UsbCliTest
{
protected:
    std::string dev, docs;

    void SetUp() override
    {
        dev = makeFolderDevice(tmp.file("dev"), desc);
        docs = addReader(dev);
    }
    // The run over each way: the folder first, then USB (the emulator started on first use).
    std::vector<std::pair<std::string, CliRun>> both(const std::vector<std::string> &args, int bound = 60)
    {
        std::vector<std::pair<std::string, CliRun>> runs;
        runs.emplace_back("folder", folderCli(dev).run(args, bound));
        if (!m_started) {
            m_started = emulator.start({dev});
            EXPECT_TRUE(m_started);
        }
        runs.emplace_back("usb", usbCli().run(args, bound));
        return runs;
    }

private:
    bool m_started = false;
};

// A FIFO that no one writes: any reader that opens it waits. release() lets such a reader go
// (its open ends, its read finds the end), so a failing case still ends.
struct Fifo
{
    std::string path;
    explicit Fifo(std::string where) : path(std::move(where)) { EXPECT_EQ(::mkfifo(path.c_str(), 0644), 0) << path; }
    void release() const { ::close(::open(path.c_str(), O_WRONLY | O_NONBLOCK)); }
};

constexpr const char *kApp = "org.example.reader";

} // namespace


TEST_F(UsbCliTest, AppBooksInOutReplacedKeptBothDeletedAndRefusedInPlainWords)
{
    const std::string dev = makeFolderDevice(tmp.file("dev"), desc);
    const std::string docs = addReader(dev);
    const std::string first = book("Novel.epub", "First Novel");
    fs::create_directories(tmp.file("second"));
    const std::string second = tmp.file("second/Novel.epub");
    ASSERT_TRUE(EpubBuilder::validBook("Second Novel", "Other").write(second));
    writeWholeFile(tmp.file("notes.epub"), "just text");
    fs::create_directories(tmp.file("out"));
    // A link in Documents to the app's private files.
    const std::string library = docs + "/../Library";
    fs::create_directories(library);
    writeWholeFile(library + "/private.epub", readWholeFile(first));
    fs::create_directory_symlink("../Library", docs + "/lib");
    ASSERT_TRUE(emulator.start({dev}));

    const struct
    {
        std::vector<std::string> args; // "--app org.example.reader" goes after the command
        int exitCode;
        std::string said; // the whole of standard output, or a part of standard error
    } rows[] = {
        {{"import", first}, 0, "imported Novel.epub -> Novel.epub\n"},
        // The same name again: kept, then kept both, then replaced.
        {{"import", second}, 0, "kept Novel.epub: Novel.epub is in the app already and was kept\n"},
        {{"import", "--keep-both", second}, 0, "imported Novel.epub -> Novel (2).epub\n"},
        {{"import", "--replace", second}, 0, "imported Novel.epub -> Novel.epub\n"},
        {{"export", "--to", tmp.file("out"), "Novel.epub"}, 0, "exported Second Novel"},
        {{"delete", "Novel.epub", "../Library/x.epub"}, 1, "\"..\" part"},
        // The link leads nowhere: the app's private files stay.
        {{"delete", "lib/private.epub"}, 1, "link"},
        {{"import", tmp.file("notes.epub")}, 1, "is not an ePub"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(::testing::PrintToString(row.args));
        std::vector<std::string> args = row.args;
        args.insert(args.begin() + 1, {"--app", "org.example.reader"});
        Cli cli = usbCli();
        const CliRun run = cli.run(args);
        EXPECT_EQ(run.exitCode, row.exitCode) << run.err;
        if (row.exitCode == 0)
            EXPECT_EQ(run.out.substr(0, row.said.size()), row.said);
        else
            EXPECT_NE(run.err.find(row.said), std::string::npos) << run.err;
    }
    EXPECT_EQ(fileNames(docs), (std::vector<std::string>{"Novel (2).epub", "lib"}));
    EXPECT_EQ(readWholeFile(tmp.file("out/Second Novel.epub")), readWholeFile(second)); // replaced
    EXPECT_TRUE(fs::exists(library + "/private.epub"));
    EXPECT_EQ(emulator.counter("afc.FILE_LOCK"), 0u); // no sync lock for an app

    Cli listCli = usbCli();
    const CliRun listed = listCli.run({"--json", "list", "--app", "org.example.reader"});
    ASSERT_EQ(listed.exitCode, 0) << listed.err;
    const QJsonArray books = cliJson(listed).array();
    ASSERT_EQ(books.size(), 1);
    EXPECT_EQ(books[0].toObject().value(QStringLiteral("Path")).toString(), QStringLiteral("Novel (2).epub"));
    EXPECT_EQ(books[0].toObject().value(QStringLiteral("Name")).toString(), QStringLiteral("Second Novel"));
    EXPECT_EQ(books[0].toObject().value(QStringLiteral("Artist")).toString(), QStringLiteral("Other"));
    EXPECT_EQ(books[0].toObject().value(QStringLiteral("Size")).toInteger(), qint64(fs::file_size(second)));

    // The device full part way: said so, and the partial file is gone. (A locked device and an
    // app that is gone are refused in the backend's words, read by the backend tests.)
    emulator.stop();
    ASSERT_TRUE(emulator.start({"--fail-afc", "FILE_WRITE=18", dev}));
    Cli fullCli = usbCli();
    const CliRun full = fullCli.run({"import", "--app", "org.example.reader", book("Big.epub", "Big")});
    EXPECT_EQ(full.exitCode, 1);
    EXPECT_NE(full.err.find("The device is full"), std::string::npos) << full.err;
    EXPECT_EQ(fileNames(docs), (std::vector<std::string>{"Novel (2).epub", "lib"}));
}

// A device's names and titles carry terminal commands (ESC, BEL, DEL, C1 controls) and bytes
// that are not UTF-8: the plain listings write each as \xNN, the rest as it is.
TEST_F(HostileCliTest, ControlCharactersInNamesAndTitlesAreEscaped)
{
    addFolderApp(dev, {.identifier = "org.example.evil",
                       .displayName = "Evil\x1b]0;owned\x07 App\x7f\xc2\x9b"});
    // A book file whose name has ESC and a byte that starts no character, with a title holding C1 controls.
    const std::string title = "Title\xc2\x85\xc2\x9b" "2J\x7f" "End";
    ASSERT_TRUE(EpubBuilder::validBook(title, "Writer").write(docs + "/Bad\x1b[2J\xff.epub"));
    ASSERT_TRUE(EpubBuilder::validBook(title, "Writer").write(dev + "/apps/org.example.evil/container/Documents/x.epub"));
    // A catalogue book with the same title, and ESC and BEL in its author (the catalogue takes C0 controls raw).
    ASSERT_TRUE(EpubBuilder::validBook(title, "Writer").write(tmp.file("cat.epub")));
    ASSERT_EQ(folderCli(dev).run({"import", tmp.file("cat.epub")}).exitCode, 0);
    const std::string catalogue = dev + "/root/Books/Books.plist";
    std::string plist = readWholeFile(catalogue);
    const std::size_t writer = plist.find(">Writer<");
    ASSERT_NE(writer, std::string::npos) << plist;
    plist.replace(writer + 1, 6, "Wri\x1b[31mter\x07");
    writeWholeFile(catalogue, plist);

    const std::string escapedTitle = "Title\\xc2\\x85\\xc2\\x9b2J\\x7fEnd";
    const struct
    {
        std::vector<std::string> args;
        std::string line; // expected among the output's lines
    } rows[] = {
        // (over USB the device link already makes ESC and BEL spaces)
        {{"apps"}, " App\\x7f\\xc2\\x9b\t1.0\t1\tyes"},
        {{"list", "--app", kApp}, "Bad\\x1b[2J\\xff.epub\t" + escapedTitle + "\tWriter\t" + escapedTitle + "\t"},
        {{"list"}, "\t" + escapedTitle + "\tWri\\x1b[31mter\\x07\t" + escapedTitle + "\t"},
    };
    for (const auto &row : rows) {
        for (const auto &[way, run] : both(row.args)) {
            SCOPED_TRACE(way + ": " + row.args.front());
            EXPECT_EQ(run.exitCode, 0) << run.err;
            EXPECT_NE(run.out.find(row.line), std::string::npos) << run.out;
            for (const std::string raw : {"\x1b", "\x07", "\x7f", "\xc2\x85", "\xc2\x9b", "\xff"})
                EXPECT_EQ(run.out.find(raw), std::string::npos) << "raw control byte in: " << run.out;
        }
    }
}

// An app whose Info.plist or icon is a folder or a FIFO is no app (or has no icon): the listing
// neither aborts nor waits for a writer, and lists the other apps.
TEST_F(HostileCliTest, AnInfoPlistOrIconThatIsNoFileStopsNothing)
{
    const struct
    {
        std::string identifier;
        std::string file;
        bool fifo; // else a folder
        bool listed;
    } rows[] = {
        {"org.example.plistfolder", "Info.plist", false, false},
        {"org.example.plistfifo", "Info.plist", true, false},
        {"org.example.iconfifo", "icon.png", true, true},
        {"org.example.iconfolder", "icon.png", false, true},
    };
    std::vector<Fifo> fifos;
    for (const auto &row : rows) {
        addFolderApp(dev, {.identifier = row.identifier, .displayName = row.identifier});
        const std::string path = dev + "/apps/" + row.identifier + "/" + row.file;
        fs::remove(path);
        if (row.fifo)
            fifos.emplace_back(path);
        else
            fs::create_directory(path);
    }
    // The emulator's own reading of the apps and their icons, bounded.
    std::string error;
    const std::unique_ptr<FolderDevice> device = FolderDevice::load(dev, &error);
    ASSERT_TRUE(device) << error;
    auto served = std::async(std::launch::async, [&] {
        std::vector<std::string> names;
        for (const PlistPtr &info : device->apps())
            names.push_back(plistString(info.get(), "CFBundleIdentifier").value_or(""));
        for (const auto &row : rows)
            EXPECT_TRUE(device->appIcon(row.identifier).empty()) << row.identifier;
        return names;
    });
    const bool answered = served.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    // A reader that waits is let go, FIFO after FIFO, so that a failing case still ends.
    for (int i = 0; i < 100 && served.wait_for(std::chrono::milliseconds(100)) != std::future_status::ready; ++i) {
        for (const Fifo &fifo : fifos)
            fifo.release();
    }
    EXPECT_TRUE(answered) << "the emulator waited on a FIFO";
    const std::vector<std::string> expected = {"org.example.iconfifo", "org.example.iconfolder", kApp};
    if (served.wait_for(std::chrono::seconds(0)) == std::future_status::ready)
        EXPECT_EQ(served.get(), expected);

    for (const auto &[way, run] : both({"apps", "--all"}, 30)) {
        SCOPED_TRACE(way);
        for (const Fifo &fifo : fifos)
            fifo.release();
        EXPECT_EQ(run.exitCode, 0) << run.err;
        for (const auto &row : rows)
            EXPECT_EQ(run.out.find(row.identifier + "\t") != std::string::npos, row.listed) << row.identifier << run.out;
        EXPECT_NE(run.out.find(std::string(kApp) + "\tReader\t"), std::string::npos) << run.out;
    }
}
