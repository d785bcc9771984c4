// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// bookferry-cli against hostile device contents, the device served as a folder and through
// usbmuxd (the emulator) alike: control characters in names and titles, and app files that are
// folders or FIFOs.
#include "emulatorharness.h"
#include "clirun.h"
#include "epubbuilder.h"
#include "folderdevice.h"

#include <QProcess>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <future>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr const char *kApp = "org.example.reader";

FolderAppDescription readerApp(const std::string &identifier, const std::string &name)
{
    FolderAppDescription app;
    app.identifier = identifier;
    app.displayName = name;
    return app;
}

CliRun runCli(const std::string &device, const std::string &scratch, const std::string &socket,
              const std::vector<std::string> &args, int bound = 60)
{
    return Cli(device, scratch, socket).run(args, bound);
}

// A FIFO that no one writes: any reader that opens it waits. release() lets such a reader go
// (its open ends, its read finds the end), so a failing case still ends.
struct Fifo
{
    std::string path;
    explicit Fifo(std::string where) : path(std::move(where)) { EXPECT_EQ(::mkfifo(path.c_str(), 0644), 0) << path; }
    void release() const { ::close(::open(path.c_str(), O_WRONLY | O_NONBLOCK)); }
};

// A device folder with one reader app, served both ways.
class HostileUsbTest : public ::testing::Test
{
protected:
    TempDir tmp;
    EmulatorProcess emulator{tmp.path()};
    std::string dev;

    void SetUp() override
    {
        dev = makeFolderDevice(tmp.file("dev"), FolderDeviceDescription{});
        addFolderApp(dev, readerApp(kApp, "Reader"));
    }
    std::string docs() const { return dev + "/apps/" + kApp + "/container/Documents"; }
    // The run over each way: the folder first, then USB (the emulator started on first use).
    std::vector<std::pair<std::string, CliRun>> both(const std::vector<std::string> &args, int bound = 60)
    {
        std::vector<std::pair<std::string, CliRun>> runs;
        runs.emplace_back("folder", runCli("folder:" + dev, tmp.file("scratch-folder"), {}, args, bound));
        if (!m_started) {
            m_started = emulator.start({dev});
            EXPECT_TRUE(m_started);
        }
        runs.emplace_back("usb", runCli("usb", tmp.file("scratch-usb"), emulator.socketPath(), args, bound));
        return runs;
    }

private:
    bool m_started = false;
};

} // namespace

// A device's names and titles carry terminal commands (ESC, BEL, DEL, C1 controls) and bytes
// that are not UTF-8: the plain listings write each as \xNN, the rest as it is.
TEST_F(HostileUsbTest, ControlCharactersInNamesAndTitlesAreEscaped)
{
    addFolderApp(dev, readerApp("org.example.evil", "Evil\x1b]0;owned\x07 App\x7f\xc2\x9b"));
    // A book file whose name has ESC and a byte that starts no character, with a title holding C1 controls.
    const std::string title = "Title\xc2\x85\xc2\x9b" "2J\x7f" "End";
    ASSERT_TRUE(EpubBuilder::validBook(title, "Writer").write(docs() + "/Bad\x1b[2J\xff.epub"));
    ASSERT_TRUE(EpubBuilder::validBook(title, "Writer").write(dev + "/apps/org.example.evil/container/Documents/x.epub"));
    // A catalogue book with the same title, and ESC and BEL in its author (the catalogue takes C0 controls raw).
    ASSERT_TRUE(EpubBuilder::validBook(title, "Writer").write(tmp.file("cat.epub")));
    ASSERT_EQ(runCli("folder:" + dev, tmp.file("scratch-seed"), {}, {"import", tmp.file("cat.epub")}).exitCode, 0);
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
TEST_F(HostileUsbTest, AnInfoPlistOrIconThatIsNoFileStopsNothing)
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
        addFolderApp(dev, readerApp(row.identifier, row.identifier));
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
