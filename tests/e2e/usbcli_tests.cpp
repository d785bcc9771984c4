// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// bookferry-cli through usbmuxd (the emulator) does to a device what it does to the same
// device kept as a folder; a device that cannot be opened says why; a held sync lock is
// waited for; it quits at once whatever usbmuxd does.
#include "emulatorharness.h"
#include "clirun.h"
#include "epubbuilder.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <gtest/gtest.h>
#include <plist/plist.h>
#include <zip.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <random>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

const std::string kUdid = "00008030001a2b3c4d5e6f708192a3b4c5d6e7f8";

struct PlistFree
{
    void operator()(plist_t p) const { plist_free(p); }
};
using PlistPtr = std::unique_ptr<void, PlistFree>;

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

    auto both = [&](const std::vector<std::string> &args) {
        Cli f = folderCli(asFolder);
        Cli u = usbCli();
        const CliRun a = f.run(args);
        const CliRun b = u.run(args);
        EXPECT_EQ(a.exitCode, 0) << a.err;
        EXPECT_EQ(b.exitCode, 0) << b.err;
        return std::make_pair(cliJson(a), cliJson(b));
    };

    // The survey, key for key: both ends read the same folder, so even the free space agrees.
    const auto [infoFolder, infoUsb] = both({"--json", "info"});
    EXPECT_TRUE(infoFolder.object().contains(QStringLiteral("FSFreeBytes")));
    EXPECT_EQ(infoFolder, infoUsb);

    const auto [listFolder, listUsb] = both({"--json", "list"});
    EXPECT_EQ(listFolder.array().size(), 1);
    EXPECT_EQ(listFolder, listUsb);

    const std::string first = book("first.epub", "First Book"), second = book("second.epub", "Second Book");
    const auto [importFolder, importUsb] = both({"--json", "import", first, second});
    EXPECT_EQ(importFolder, importUsb);
    EXPECT_EQ(catalogueEntries(asFolder), catalogueEntries(overUsb));

    const auto [afterFolder, afterUsb] = both({"--json", "list"});
    ASSERT_EQ(afterFolder.array().size(), 3);
    EXPECT_EQ(afterFolder, afterUsb);

    // Export everything into two folders: the same files, member for member.
    fs::create_directories(tmp.file("out-folder"));
    fs::create_directories(tmp.file("out-usb"));
    {
        Cli f = folderCli(asFolder);
        Cli u = usbCli();
        const CliRun a = f.run({"--json", "export", "--to", tmp.file("out-folder")});
        const CliRun b = u.run({"--json", "export", "--to", tmp.file("out-usb")});
        ASSERT_EQ(a.exitCode, 0) << a.err;
        ASSERT_EQ(b.exitCode, 0) << b.err;
    }
    const std::vector<std::string> exported = fileNames(tmp.file("out-folder"));
    ASSERT_EQ(exported.size(), 3u);
    EXPECT_EQ(exported, fileNames(tmp.file("out-usb")));
    for (const std::string &name : exported) {
        const auto a = zipMembers(tmp.file("out-folder/" + name)), b = zipMembers(tmp.file("out-usb/" + name));
        EXPECT_FALSE(a.empty()) << name;
        EXPECT_EQ(a, b) << name;
    }

    // Delete the first imported book by its "Path" on each side.
    const QString path = afterFolder.array().at(1).toObject().value(QStringLiteral("Path")).toString();
    ASSERT_FALSE(path.isEmpty());
    const auto [deleteFolder, deleteUsb] = both({"--json", "delete", path.toStdString()});
    EXPECT_EQ(deleteFolder, deleteUsb);
    const std::vector<std::string> left = catalogueEntries(asFolder);
    EXPECT_EQ(left.size(), 2u);
    EXPECT_EQ(left, catalogueEntries(overUsb));
    EXPECT_FALSE(fs::exists(asFolder + "/root" + path.toStdString()));
    EXPECT_FALSE(fs::exists(overUsb + "/root" + path.toStdString()));
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
// wait for a device over, or its device gone mid-transfer) and of being told to stop.
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

    // A usbmuxd socket that takes each connection and hangs up at once: tried again calmly,
    // the same one-second wait, and the same end (no abort).
    {
        HangingUpDaemon daemon(emulator.socketPath());
        ASSERT_TRUE(daemon.listening());
        Cli cli = usbCli();
        const auto started = Clock::now();
        cli.start({"info"}, 1);
        const CliRun r = cli.finish();
        EXPECT_EQ(r.exitCode, 2) << r.err;
        EXPECT_LT(secondsSince(started), 3.0);
        EXPECT_GE(daemon.accepted(), 1);
        ::unlink(emulator.socketPath().c_str());
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

} // namespace

TEST_F(UsbCliTest, AppBooksInOutReplacedKeptBothAndDeleted)
{
    const std::string dev = makeFolderDevice(tmp.file("dev"), desc);
    const std::string docs = addReader(dev);
    ASSERT_TRUE(emulator.start({dev}));
    const std::string first = book("Novel.epub", "First Novel");
    const std::vector<std::string> app = {"--app", "org.example.reader"};
    auto run = [&](std::vector<std::string> args) {
        const auto command = std::find_if(args.begin(), args.end(), [](const std::string &a) { return a[0] != '-'; });
        args.insert(command + 1, app.begin(), app.end());
        Cli cli = usbCli();
        return cli.run(args);
    };

    CliRun in = run({"import", first});
    ASSERT_EQ(in.exitCode, 0) << in.err;
    EXPECT_EQ(in.out, "imported Novel.epub -> Novel.epub\n");
    EXPECT_EQ(readWholeFile(docs + "/Novel.epub"), readWholeFile(first));

    // The same name again: kept, then kept both, then replaced.
    fs::create_directories(tmp.file("second"));
    const std::string second = tmp.file("second/Novel.epub");
    ASSERT_TRUE(EpubBuilder::validBook("Second Novel", "Other").write(second));
    CliRun kept = run({"import", second});
    EXPECT_EQ(kept.exitCode, 0) << kept.err;
    EXPECT_EQ(kept.out, "kept Novel.epub: Novel.epub is in the app already and was kept\n");
    CliRun both = run({"import", "--keep-both", second});
    EXPECT_EQ(both.out, "imported Novel.epub -> Novel (2).epub\n") << both.err;
    CliRun replaced = run({"import", "--replace", second});
    EXPECT_EQ(replaced.exitCode, 0) << replaced.err;
    EXPECT_EQ(fileNames(docs), (std::vector<std::string>{"Novel (2).epub", "Novel.epub"}));
    EXPECT_EQ(readWholeFile(docs + "/Novel.epub"), readWholeFile(second));

    CliRun listed = run({"--json", "list"});
    ASSERT_EQ(listed.exitCode, 0) << listed.err;
    const QJsonArray books = cliJson(listed).array();
    ASSERT_EQ(books.size(), 2);
    EXPECT_EQ(books[1].toObject().value(QStringLiteral("Path")).toString(), QStringLiteral("Novel.epub"));
    EXPECT_EQ(books[1].toObject().value(QStringLiteral("Name")).toString(), QStringLiteral("Second Novel"));
    EXPECT_EQ(books[1].toObject().value(QStringLiteral("Artist")).toString(), QStringLiteral("Other"));
    EXPECT_EQ(books[1].toObject().value(QStringLiteral("Size")).toInteger(), qint64(fs::file_size(second)));

    fs::create_directories(tmp.file("out"));
    CliRun out = run({"export", "--to", tmp.file("out"), "Novel (2).epub"});
    ASSERT_EQ(out.exitCode, 0) << out.err;
    EXPECT_EQ(readWholeFile(tmp.file("out/Second Novel.epub")), readWholeFile(second));

    CliRun deleted = run({"delete", "Novel.epub", "../Library/x.epub"});
    EXPECT_EQ(deleted.exitCode, 1);
    EXPECT_NE(deleted.err.find("\"..\" part"), std::string::npos) << deleted.err;
    EXPECT_EQ(fileNames(docs), std::vector<std::string>{"Novel (2).epub"});
    EXPECT_EQ(emulator.counter("afc.FILE_LOCK"), 0u); // no sync lock for an app

    // A link in Documents leads nowhere: the app's private files stay.
    const std::string library = docs + "/../Library";
    fs::create_directories(library);
    writeWholeFile(library + "/private.epub", readWholeFile(first));
    fs::create_directory_symlink("../Library", docs + "/lib");
    CliRun through = run({"delete", "lib/private.epub"});
    EXPECT_EQ(through.exitCode, 1);
    EXPECT_NE(through.err.find("link"), std::string::npos) << through.err;
    EXPECT_TRUE(fs::exists(library + "/private.epub"));
}

TEST_F(UsbCliTest, AppBooksRefusedInPlainWords)
{
    desc.locked = true;
    const std::string dev = makeFolderDevice(tmp.file("dev"), desc);
    const std::string docs = addReader(dev);
    ASSERT_TRUE(emulator.start({"--fail-afc", "FILE_WRITE=18", dev}));
    Cli lockedCli = usbCli();
    const CliRun locked = lockedCli.run({"list", "--app", "org.example.reader"});
    EXPECT_EQ(locked.exitCode, 1);
    EXPECT_NE(locked.err.find("Unlock the iPhone and try again."), std::string::npos) << locked.err;

    desc.locked = false;
    makeFolderDevice(dev, desc);
    Cli goneCli = usbCli();
    const CliRun gone = goneCli.run({"list", "--app", "org.example.removed"});
    EXPECT_EQ(gone.exitCode, 1);
    EXPECT_NE(gone.err.find("The app is no longer on the device"), std::string::npos) << gone.err;

    // The device full part way: said so, and the partial file is gone.
    Cli fullCli = usbCli();
    const CliRun full = fullCli.run({"import", "--app", "org.example.reader", book("Big.epub", "Big")});
    EXPECT_EQ(full.exitCode, 1);
    EXPECT_NE(full.err.find("The device is full"), std::string::npos) << full.err;
    EXPECT_TRUE(fileNames(docs).empty());

    writeWholeFile(tmp.file("notes.epub"), "just text");
    Cli notEpub = usbCli();
    const CliRun text = notEpub.run({"import", "--app", "org.example.reader", tmp.file("notes.epub")});
    EXPECT_EQ(text.exitCode, 1);
    EXPECT_NE(text.err.find("is not an ePub"), std::string::npos) << text.err;
}

TEST_F(UsbCliTest, AppListingReadsPartsOfBooksAndPassesHostileFilesOver)
{
    const std::string dev = makeFolderDevice(tmp.file("dev"), desc);
    const std::string docs = addReader(dev);
    // Ten books of 2 MB each, mostly a stored picture the listing has no need of.
    std::string noise(2u << 20, '\0');
    for (std::size_t i = 0; i < noise.size(); ++i)
        noise[i] = static_cast<char>((i * 2654435761u) >> 13);
    uint64_t total = 0;
    for (int i = 0; i < 10; ++i) {
        const std::string path = docs + "/Shelf/Book " + std::to_string(i) + ".epub";
        fs::create_directories(docs + "/Shelf");
        ASSERT_TRUE(EpubBuilder::validBook("Book " + std::to_string(i), "W").add("OEBPS/cover.jpg", noise, true).write(path));
        total += fs::file_size(path);
    }
    ASSERT_EQ(::mkfifo((docs + "/pipe.epub").c_str(), 0600), 0);
    writeWholeFile(tmp.file("outside.epub"), readWholeFile(docs + "/Shelf/Book 0.epub"));
    fs::create_symlink(tmp.file("outside.epub"), docs + "/link.epub");
    ASSERT_TRUE(emulator.start({dev}));

    Cli cli = usbCli();
    const uint64_t before = emulator.counter("bytes.afc.FILE_READ");
    const CliRun listed = cli.run({"--json", "list", "--app", "org.example.reader"});
    ASSERT_EQ(listed.exitCode, 0) << listed.err;
    const QJsonArray books = cliJson(listed).array();
    ASSERT_EQ(books.size(), 10);
    EXPECT_EQ(books[3].toObject().value(QStringLiteral("Name")).toString(), QStringLiteral("Book 3"));
    const uint64_t read = emulator.counter("bytes.afc.FILE_READ") - before;
    EXPECT_GT(read, 0u);
    EXPECT_LT(read, total / 20) << read << " of " << total;
}
