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
#include <sys/stat.h>

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

TEST_F(CliTest, ImportListExportDeleteOnAFolderDevice)
{
    ASSERT_TRUE(EpubBuilder::validBook("Round Trip", "Writer").write(m_files.file("trip.epub")));
    writeWholeFile(m_files.file("broken.epub"), "not a zip");

    CliRun imported = cli({"import", m_files.file("trip.epub"), m_files.file("broken.epub")});
    EXPECT_EQ(imported.exitCode, 1) << imported.err;
    EXPECT_NE(imported.err.find("broken.epub"), std::string::npos) << imported.err;
    EXPECT_NE(imported.out.find("imported trip.epub"), std::string::npos) << imported.out;

    CliRun listed = cli({"--json", "list"});
    ASSERT_EQ(listed.exitCode, 0) << listed.err;
    const QJsonArray books = json(listed).array();
    ASSERT_EQ(books.size(), 1);
    const QJsonObject book = books.at(0).toObject();
    EXPECT_EQ(book.value(QStringLiteral("Name")).toString(), QStringLiteral("Round Trip"));
    EXPECT_EQ(book.value(QStringLiteral("Artist")).toString(), QStringLiteral("Writer"));
    EXPECT_TRUE(book.value(QStringLiteral("userItem")).toBool());
    EXPECT_FALSE(book.value(QStringLiteral("purchased")).toBool());
    const std::string path = book.value(QStringLiteral("Path")).toString().toStdString();
    EXPECT_TRUE(fs::is_regular_file(m_device.file("root/Books/" + path + "/OEBPS/content.opf")));

    const std::string out = m_files.file("out");
    fs::create_directories(out);
    CliRun exported = cli({"export", "--to", out});
    ASSERT_EQ(exported.exitCode, 0) << exported.err;
    const std::string target = out + "/Round Trip.epub";
    ASSERT_TRUE(fs::is_regular_file(target));
    TempDir unpacked;
    std::string error;
    ASSERT_TRUE(unpackEpubArchive(target, unpacked.file("u"), &error)) << error;
    EXPECT_EQ(readWholeFile(unpacked.file("u/mimetype")), "application/epub+zip");

    writeWholeFile(target, "older");
    CliRun kept = cli({"--json", "export", "--to", out, path});
    EXPECT_EQ(kept.exitCode, 0) << kept.err;
    EXPECT_EQ(json(kept).object().value(QStringLiteral("results")).toArray().at(0).toObject().value(QStringLiteral("status")).toString(),
              QStringLiteral("skipped"));
    EXPECT_EQ(readWholeFile(target), "older");
    EXPECT_EQ(cli({"export", "--to", out, "--replace", path}).exitCode, 0);
    EXPECT_NE(readWholeFile(target), "older");
    EXPECT_EQ(cli({"export", "--to", out, "NONE.epub"}).exitCode, 1);

    CliRun deleted = cli({"delete", path});
    EXPECT_EQ(deleted.exitCode, 0) << deleted.err;
    EXPECT_FALSE(fs::exists(m_device.file("root/Books/" + path)));
    CliRun empty = cli({"--json", "list", "--custom"});
    EXPECT_EQ(json(empty).array().size(), 0);
    CliRun again = cli({"delete", path});
    EXPECT_EQ(again.exitCode, 1);
    EXPECT_NE(again.err.find(path), std::string::npos);

    // A tab is a title's own (XML carries it); the plain listing writes it as an escape, so each
    // book stays one line of seven fields.
    ASSERT_TRUE(EpubBuilder::validBook("Tab\there \\ too", "Writer").write(m_files.file("tab.epub")));
    ASSERT_EQ(cli({"import", m_files.file("tab.epub")}).exitCode, 0);
    const CliRun plain = cli({"list", "--custom"});
    ASSERT_EQ(plain.exitCode, 0) << plain.err;
    EXPECT_NE(plain.out.find("\tTab\\there \\\\ too\tWriter\t"), std::string::npos) << plain.out;
    EXPECT_EQ(std::count(plain.out.begin(), plain.out.end(), '\t'), 12) << plain.out;
}

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

TEST_F(CliTest, ABookTheDeviceHasIsSkippedUnlessDuplicatesAreAsked)
{
    ASSERT_TRUE(EpubBuilder::validBook("Twice", "Writer").write(m_files.file("twice.epub")));
    ASSERT_TRUE(EpubBuilder::validBook("Other", "Writer").write(m_files.file("other.epub")));
    ASSERT_EQ(cli({"import", m_files.file("twice.epub")}).exitCode, 0);

    // Same identifier and title: reported as skipped, not a failure; a new title is imported.
    CliRun skipped = cli({"--json", "import", m_files.file("twice.epub"), m_files.file("other.epub")});
    EXPECT_EQ(skipped.exitCode, 0) << skipped.err;
    const QJsonArray results = json(skipped).object().value(QStringLiteral("results")).toArray();
    ASSERT_EQ(results.size(), 2);
    EXPECT_EQ(results.at(0).toObject().value(QStringLiteral("status")).toString(), QStringLiteral("skipped"));
    EXPECT_TRUE(results.at(0).toObject().value(QStringLiteral("message")).toString().contains(QStringLiteral("--duplicates")));
    EXPECT_EQ(results.at(1).toObject().value(QStringLiteral("status")).toString(), QStringLiteral("done"));
    CliRun plain = cli({"import", m_files.file("twice.epub")});
    EXPECT_EQ(plain.exitCode, 0);
    EXPECT_NE(plain.out.find("skipped twice.epub: already on the device as \"Twice\""), std::string::npos) << plain.out;
    EXPECT_EQ(json(cli({"--json", "list", "--custom"})).array().size(), 2);

    CliRun forced = cli({"import", "--duplicates", m_files.file("twice.epub")});
    EXPECT_EQ(forced.exitCode, 0) << forced.err;
    EXPECT_EQ(json(cli({"--json", "list", "--custom"})).array().size(), 3);

    // A file given twice in one import: the second repeats the first once that one is in.
    ASSERT_TRUE(EpubBuilder::validBook("Pair", "Writer").write(m_files.file("pair.epub")));
    CliRun pair = cli({"--json", "import", m_files.file("pair.epub"), m_files.file("pair.epub")});
    EXPECT_EQ(pair.exitCode, 0) << pair.err;
    const QJsonArray both = json(pair).object().value(QStringLiteral("results")).toArray();
    ASSERT_EQ(both.size(), 2);
    EXPECT_EQ(both.at(0).toObject().value(QStringLiteral("status")).toString(), QStringLiteral("done"));
    EXPECT_EQ(both.at(1).toObject().value(QStringLiteral("message")).toString(),
              QStringLiteral("already on the device as \"Pair\" (") +
                  both.at(0).toObject().value(QStringLiteral("detail")).toString() +
                  QStringLiteral("); --duplicates imports it again"));
    EXPECT_EQ(json(cli({"--json", "list", "--custom"})).array().size(), 4);
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

TEST_F(CliTest, InfoAndUsage)
{
    CliRun info = cli({"--json", "info"});
    ASSERT_EQ(info.exitCode, 0) << info.err;
    const QJsonObject survey = json(info).object();
    EXPECT_EQ(survey.value(QStringLiteral("DeviceName")).toString(), QStringLiteral("E2E Phone"));
    EXPECT_EQ(survey.value(QStringLiteral("FSTotalBytes")).toString(), QStringLiteral("17179869184"));
    EXPECT_TRUE(survey.contains(QStringLiteral("BooksSzie")));

    EXPECT_EQ(run(BOOKFERRY_CLI, {}, m_scratch.path()).exitCode, 2);
    EXPECT_EQ(run(BOOKFERRY_CLI, {"--version"}, m_scratch.path()).exitCode, 0);
    EXPECT_EQ(run(BOOKFERRY_CLI, {"--help"}, m_scratch.path()).exitCode, 0);
    CliRun noDevice = run(BOOKFERRY_CLI, {"--device", "folder:" + m_files.file("none"), "list"}, m_scratch.path());
    EXPECT_EQ(noDevice.exitCode, 2);
    EXPECT_FALSE(noDevice.err.empty());
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

// A scratch folder that cannot be used would list no device: the tool says why and stops
// before it waits for one.
TEST_F(CliTest, UnusableScratchFolderIsExplained)
{
    const std::string notAFolder = m_files.file("scratch-file");
    writeWholeFile(notAFolder, "x");
    CliRun info = run(BOOKFERRY_CLI, {"--device", "folder:" + m_device.path(), "info"}, notAFolder);
    EXPECT_EQ(info.exitCode, 2);
    EXPECT_TRUE(info.out.empty()) << info.out;
    EXPECT_NE(info.err.find("bookferry-cli: The scratch folder " + notAFolder + " cannot be used: it is not a folder."),
              std::string::npos)
        << info.err;

    // Its parent not a folder either: creating it fails, and the reason is the system's.
    CliRun list = run(BOOKFERRY_CLI, {"--device", "folder:" + m_device.path(), "list"}, notAFolder + "/below");
    EXPECT_EQ(list.exitCode, 2);
    EXPECT_NE(list.err.find("cannot be created (Not a directory)"), std::string::npos) << list.err;
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

    // Options where people put them: before the command, and the device after it; a slip of
    // the keyboard is named on standard error.
    const CliRun listed = run(BOOKFERRY_CLI, {"--app", "org.example.reader", "--json", "list", "--device",
                                              "folder:" + m_device.path()}, m_scratch.file("scratch"));
    ASSERT_EQ(listed.exitCode, 0) << listed.err;
    EXPECT_EQ(json(listed).array().size(), 3);
    const CliRun slip = cli({"list", "--jsn"});
    EXPECT_EQ(slip.exitCode, 2);
    EXPECT_TRUE(slip.out.empty()) << slip.out;
    EXPECT_NE(slip.err.find("bookferry-cli: unknown option --jsn; did you mean --json?\n"), std::string::npos) << slip.err;

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
