// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "device/folder/folderbackend.h"
#include "epubbuilder.h"
#include "operations/epubarchive.h"
#include "tempdir.h"
#include "clirun.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {
CliRun run(const char *program, const std::vector<std::string> &args, const std::string &scratch)
{
    return Cli({}, scratch, {}, program).run(args, 120);
}

void writeDevice(const std::string &dir, const std::string &udid, const std::string &name)
{
    FolderDeviceDescription desc;
    desc.uniqueDeviceID = udid;
    desc.values = {{"ProductVersion", "4.0"}, {"DeviceName", name}};
    desc.deviceInfo = {{"Model", "iPhone3,1"}, {"FSTotalBytes", "17179869184"}, {"FSFreeBytes", "1073741824"}};
    std::string error;
    ASSERT_TRUE(writeFolderDevice(dir, desc, &error)) << error;
}

class CliTest : public ::testing::Test
{
protected:
    void SetUp() override { writeDevice(m_device.path(), "e2e", "E2E Phone"); }
    CliRun cli(const std::vector<std::string> &args)
    {
        return Cli("folder:" + m_device.path(), m_scratch.file("scratch")).run(args, 120);
    }
    static QJsonDocument json(const CliRun &r) { return cliJson(r); }
    TempDir m_device;
    TempDir m_scratch;
    TempDir m_files;
};
} // namespace

// The device link's messages (its log and the lines it prints) are for --verbose only;
// without it standard error holds nothing when nothing failed.
TEST_F(CliTest, DeviceLinkMessagesOnlyWithVerbose)
{
    ASSERT_TRUE(EpubBuilder::validBook("Quiet Book", "Writer").write(m_files.file("quiet.epub")));
    // A fresh device has no catalogue yet: the link says it could not read one.
    const CliRun imported = cli({"--verbose", "import", m_files.file("quiet.epub")});
    ASSERT_EQ(imported.exitCode, 0) << imported.err;
    EXPECT_NE(imported.err.find("getfile: Failed to open remote file !"), std::string::npos) << imported.err;
    EXPECT_EQ(imported.out.rfind("imported quiet.epub -> ", 0), 0u) << imported.out;
    EXPECT_EQ(std::count(imported.out.begin(), imported.out.end(), '\n'), 1) << imported.out;

    const std::string out = m_files.file("out");
    fs::create_directories(out);
    for (const bool verbose : {false, true}) {
        std::vector<std::string> args = {"export", "--replace", "--to", out};
        if (verbose)
            args.insert(args.begin(), "--verbose");
        const CliRun exported = cli(args);
        ASSERT_EQ(exported.exitCode, 0) << exported.err;
        EXPECT_EQ(exported.out.rfind("exported ", 0), 0u) << exported.out;
        std::vector<std::string> listArgs = {"list"};
        if (verbose)
            listArgs.push_back("--verbose");
        const CliRun listed = cli(listArgs);
        ASSERT_EQ(listed.exitCode, 0) << listed.err;
        EXPECT_EQ(listed.out.find("bookferry:"), std::string::npos) << listed.out;
        if (verbose) {
            EXPECT_NE(exported.err.find("bookferry: Not a directory: "), std::string::npos) << exported.err;
            EXPECT_NE(listed.err.find("bookferry: notification get devect"), std::string::npos) << listed.err;
        } else {
            EXPECT_EQ(exported.err, "");
            EXPECT_EQ(listed.err, "");
        }
    }
    const CliRun fresh = cli({"import", m_files.file("quiet.epub"), "--duplicates"});
    EXPECT_EQ(fresh.exitCode, 0) << fresh.err;
    EXPECT_EQ(fresh.err, "");
}

// Two programs importing into two devices at the same time, sharing one scratch folder:
// neither's working files get in the other's way, each device gets its own books only, and
// nothing is left in the scratch folder once both have ended.
TEST_F(CliTest, TwoProgramsImportIntoTwoDevicesAtOnce)
{
    TempDir second;
    ASSERT_NO_FATAL_FAILURE(writeDevice(second.path(), "e2e-second", "Second Phone"));

    const std::string scratch = m_scratch.file("scratch");
    fs::create_directories(scratch);
    fs::permissions(scratch, fs::perms::owner_all, fs::perm_options::replace);
    std::vector<std::unique_ptr<Cli>> programs;
    for (const std::string &device : {m_device.path(), second.path()}) {
        std::vector<std::string> args{"import"};
        for (int i = 0; i < 6; ++i) {
            args.push_back(m_files.file(fs::path(device).filename().string() + std::to_string(i) + ".epub"));
            ASSERT_TRUE(EpubBuilder::validBook(device + " " + std::to_string(i), "W").write(args.back()));
        }
        programs.push_back(std::make_unique<Cli>("folder:" + device, scratch));
        programs.back()->start(args);
    }
    for (auto &program : programs) {
        const CliRun ended = program->finish(120);
        EXPECT_EQ(ended.exitCode, 0) << ended.err;
    }
    for (const std::string &device : {m_device.path(), second.path()}) {
        const QJsonDocument listed = json(run(BOOKFERRY_CLI, {"--device", "folder:" + device, "--json", "list", "--custom"},
                                              m_scratch.file("other")));
        ASSERT_EQ(listed.array().size(), 6);
        for (const QJsonValue &book : listed.array())
            EXPECT_TRUE(book.toObject().value(QStringLiteral("Name")).toString().startsWith(QString::fromStdString(device)))
                << "a book of the other device: " << book.toObject().value(QStringLiteral("Name")).toString().toStdString();
    }
    std::vector<std::string> left;
    for (const auto &entry : fs::recursive_directory_iterator(scratch))
        left.push_back(entry.path().string());
    EXPECT_EQ(left, std::vector<std::string>{}) << "working files outlived their programs";
}

TEST_F(CliTest, Usage)
{
    EXPECT_EQ(run(BOOKFERRY_CLI, {}, m_scratch.path()).exitCode, 2);
    EXPECT_EQ(run(BOOKFERRY_CLI, {"--version"}, m_scratch.path()).exitCode, 0);
    EXPECT_EQ(run(BOOKFERRY_CLI, {"--help"}, m_scratch.path()).exitCode, 0);
    CliRun noDevice = run(BOOKFERRY_CLI, {"--device", "folder:" + m_files.file("none"), "list"}, m_scratch.path());
    EXPECT_EQ(noDevice.exitCode, 2);
    EXPECT_FALSE(noDevice.err.empty());
    // A slip of the keyboard: exit status 2 and the parser's words (clioptions_tests) on
    // standard error.
    const CliRun slip = cli({"list", "--jsn"});
    EXPECT_EQ(slip.exitCode, 2);
    EXPECT_NE(slip.err.find("bookferry-cli: unknown option --jsn"), std::string::npos) << slip.err;
}

TEST(Epubbuild, PacksAFolderAndReportsBadUse)
{
    TempDir dir;
    ASSERT_TRUE(EpubBuilder::validBook("Packed", "C").write(dir.file("in.epub")));
    std::string error;
    ASSERT_TRUE(unpackEpubArchive(dir.file("in.epub"), dir.file("book"), &error));
    EXPECT_EQ(run(BOOKFERRY_EPUBBUILD, {dir.file("book"), dir.file("out.epub")}, dir.path()).exitCode, 0);
    ASSERT_TRUE(unpackEpubArchive(dir.file("out.epub"), dir.file("again"), &error)) << error;
    EXPECT_EQ(readWholeFile(dir.file("again/OEBPS/content.opf")), readWholeFile(dir.file("book/OEBPS/content.opf")));
    EXPECT_EQ(run(BOOKFERRY_EPUBBUILD, {dir.file("book")}, dir.path()).exitCode, 2);
    CliRun missing = run(BOOKFERRY_EPUBBUILD, {dir.file("nothing"), dir.file("x.epub")}, dir.path());
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_FALSE(fs::exists(dir.file("x.epub")));
}

// A scratch folder that cannot be used would list no device: the tool says why at once, with
// the reason and without --verbose, and stops before it waits for one.
TEST_F(CliTest, UnusableScratchFolderIsExplained)
{
    const std::string file = m_files.file("scratch-file");
    writeWholeFile(file, "x");
    // There and private, and still taking nothing. The mode does not stop root: the folder is
    // made immutable then (for the run only).
    const std::string readOnly = m_files.file("read-only");
    fs::create_directory(readOnly);
    ::chmod(readOnly.c_str(), 0500);
    struct Immutable
    {
        std::string path;
        int fd = -1;
        ~Immutable()
        {
            ::chmod(path.c_str(), 0700);
            int flags = 0;
            if (fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
                flags &= ~FS_IMMUTABLE_FL;
                ::ioctl(fd, FS_IOC_SETFLAGS, &flags);
            }
            if (fd >= 0)
                ::close(fd);
        }
    } immutable{readOnly};
    bool takesNothing = true;
    if (::geteuid() == 0) {
        immutable.fd = ::open(readOnly.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        int flags = 0;
        takesNothing = immutable.fd >= 0 && ::ioctl(immutable.fd, FS_IOC_GETFLAGS, &flags) == 0 &&
                       (flags |= FS_IMMUTABLE_FL, ::ioctl(immutable.fd, FS_IOC_SETFLAGS, &flags) == 0);
    }
    const std::string unmade = " cannot be used: this program's working folder cannot be made in it (";
    const struct
    {
        std::string scratch;
        std::vector<std::string> args;
        std::string said;
    } rows[] = {
        {file, {"info"}, "The scratch folder " + file + " cannot be used: it is not a folder."},
        // Its parent not a folder either: creating it fails, and the reason is the system's.
        {file + "/below", {"list"},
         "The scratch folder " + file + "/below cannot be used: it cannot be created (Not a directory)."},
        {readOnly, {"list"}, "The scratch folder " + readOnly + unmade},
        {readOnly, {"export", "--app", "org.example.reader", "--to", m_files.file("out")},
         "The scratch folder " + readOnly + unmade},
    };
    for (const auto &row : rows) {
        if (row.scratch == readOnly && !takesNothing)
            continue; // root, and the file system takes no immutable folder
        SCOPED_TRACE(row.scratch + " " + row.args.front());
        std::vector<std::string> args = {"--device", "folder:" + m_device.path()};
        args.insert(args.end(), row.args.begin(), row.args.end());
        const CliRun r = run(BOOKFERRY_CLI, args, row.scratch);
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_TRUE(r.out.empty()) << r.out;
        EXPECT_NE(r.err.find("bookferry-cli: " + row.said), std::string::npos) << r.err;
        EXPECT_EQ(r.err.find("did not come up"), std::string::npos) << r.err;
    }
}

TEST_F(CliTest, AppsListsReaderAppsAndTheirBooks)
{
    FolderDeviceApp reader;
    reader.identifier = "org.example.reader";
    reader.displayName = "Reader";
    reader.version = "5.0";
    reader.contentTypes = {"org.idpf.epub-container"};
    FolderDeviceApp filebox = reader;
    filebox.identifier = "org.example.filebox";
    filebox.displayName = "Filebox";
    filebox.contentTypes = {"public.data"};
    std::string error;
    ASSERT_TRUE(writeFolderDeviceApp(m_device.path(), reader, &error)) << error;
    ASSERT_TRUE(writeFolderDeviceApp(m_device.path(), filebox, &error)) << error;
    // Books: a file, one in a nested folder, an unpacked book folder (not looked into); not
    // books: other files, a FIFO and a link that leads out of the container.
    const std::string docs = m_device.path() + "/apps/org.example.reader/container/Documents";
    writeWholeFile(docs + "/One.epub", "PK");
    writeWholeFile(docs + "/Shelf/Deeper/Two.EPUB", "PK");
    writeWholeFile(docs + "/Three.epub/mimetype", "application/epub+zip");
    writeWholeFile(docs + "/Three.epub/Inner.epub", "PK");
    writeWholeFile(docs + "/notes.txt", "x");
    ASSERT_EQ(::mkfifo((docs + "/pipe.epub").c_str(), 0600), 0);
    writeWholeFile(m_files.file("outside.epub"), "PK");
    fs::create_symlink(m_files.file("outside.epub"), docs + "/link.epub");

    CliRun plain = cli({"apps"});
    ASSERT_EQ(plain.exitCode, 0) << plain.err;
    EXPECT_EQ(plain.out, "Identifier\tName\tVersion\tBooks\tReader\norg.example.reader\tReader\t5.0\t3\tyes\n");

    CliRun all = cli({"apps", "--all", "--json"});
    ASSERT_EQ(all.exitCode, 0) << all.err;
    const QJsonArray apps = json(all).array();
    ASSERT_EQ(apps.size(), 2);
    EXPECT_EQ(apps[0].toObject().value(QStringLiteral("identifier")).toString(), QStringLiteral("org.example.filebox"));
    EXPECT_EQ(apps[0].toObject().value(QStringLiteral("reader")).toBool(), false);
    EXPECT_EQ(apps[0].toObject().value(QStringLiteral("books")).toInt(), 0);
    EXPECT_EQ(apps[1].toObject().value(QStringLiteral("books")).toInt(), 3);
    EXPECT_EQ(apps[1].toObject().value(QStringLiteral("name")).toString(), QStringLiteral("Reader"));

    // A locked device lists its apps but keeps their files closed: said, and not a success.
    std::string plist = readWholeFile(m_device.path() + "/device.plist");
    plist.replace(plist.find("<key>Paired</key>"), 0, "<key>Locked</key><true/>");
    writeWholeFile(m_device.path() + "/device.plist", plist);
    CliRun locked = cli({"apps"});
    EXPECT_EQ(locked.exitCode, 1);
    EXPECT_NE(locked.err.find("Unlock the iPhone and try again."), std::string::npos) << locked.err;
    EXPECT_NE(locked.out.find("org.example.reader\tReader\t5.0\t?\tyes"), std::string::npos) << locked.out;
}
