// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// Hostile catalogues and titles: a catalogue of the wrong shape is never written over, odd
// entries are kept and passed by, and no "Path" or title reaches outside its folder.
#include "hostiledevice.h"

#include "epubbuilder.h"
#include "library/bookkeys.h"
#include "library/ipoddevice.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {
std::string plistXml(const std::string &body)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n" + body + "\n</plist>\n";
}

// A binary plist whose root refers to itself (an array, or a dictionary's value).
std::string loopingBinaryPlist(bool dictionary)
{
    std::string body = "bplist00";
    std::vector<unsigned char> offsets;
    offsets.push_back(static_cast<unsigned char>(body.size()));
    if (dictionary) {
        body += std::string("\xd1\x01\x00", 3);
        offsets.push_back(static_cast<unsigned char>(body.size()));
        body += std::string("\x55" "Books", 6);
    } else {
        body += std::string("\xa1\x00", 2);
    }
    const auto table = static_cast<unsigned char>(body.size());
    for (unsigned char o : offsets)
        body += static_cast<char>(o);
    std::string trailer(6, '\0');
    trailer += '\x01'; // offset size
    trailer += '\x01'; // reference size
    auto be64 = [](uint64_t v) {
        std::string s(8, '\0');
        for (int i = 7; i >= 0; --i, v >>= 8)
            s[static_cast<std::size_t>(i)] = static_cast<char>(v & 0xff);
        return s;
    };
    return body + trailer + be64(offsets.size()) + be64(0) + be64(table);
}

const char *const kBookEntry = "<dict><key>Name</key><string>Good</string><key>Path</key><string>GOOD.epub</string>"
                               "<key>User Item</key><true/></dict>";
} // namespace

TEST(HostileCatalogue, WrongShapesAreReportedAndNeverWrittenOver)
{
    const std::pair<std::string, std::string> cases[] = {
        {"Books is a string", plistXml("<dict><key>Books</key><string>none</string></dict>")},
        {"Books is a dictionary", plistXml("<dict><key>Books</key><dict/></dict>")},
        {"the root is an array", plistXml(std::string("<array>") + kBookEntry + "</array>")},
        {"not a property list", "Books = (GOOD.epub);\n\x01\x02garbage"},
        {"an unclosed document", plistXml("<dict><key>Books</key><array>") .substr(0, 90)},
        {"a looping binary array", loopingBinaryPlist(false)},
        {"a looping binary dictionary", loopingBinaryPlist(true)},
    };
    for (const auto &[why, bytes] : cases) {
        HostileDevice device(bytes);
        device.addBookFolder("GOOD.epub", "Good");
        ASSERT_TRUE(device.attach()) << why;
        EXPECT_FALSE(Catalogue::fromData(bytes).isLoaded()) << why;
        EXPECT_TRUE(iPodDevice(HostileDevice::workingFolder(), std::string("16.7")).getiPodCustomEbooks().empty()) << why;

        const std::string file = device.inputFile("book.epub");
        ASSERT_TRUE(EpubBuilder::validBook("New", "Writer").write(file));
        const BookOperationResult imported = device.addEPUBToDevice(file);
        EXPECT_TRUE(imported.failed()) << why;
        EXPECT_NE(imported.message.find("cannot be read"), std::string::npos) << why << ": " << imported.message;
        epub record;
        record.setMediaPcPath("GOOD.epub");
        EXPECT_TRUE(device.deleteMediaFromDevice(record).failed()) << why;
        EXPECT_EQ(device.catalogueBytes(), bytes) << why;
        EXPECT_TRUE(fs::exists(device.deviceFile("/Books/GOOD.epub/mimetype"))) << why;
        EXPECT_EQ(device.strays({"GOOD.epub"}), std::vector<std::string>()) << why;
    }
}

TEST(HostileCatalogue, OddEntriesAreKeptAndNoPathLeavesTheBooksFolder)
{
    const std::string odd = "<string>just text</string><integer>42</integer><array/>"
                            "<dict><key>Name</key><string>Numbered</string><key>Path</key><integer>7</integer>"
                            "<key>User Item</key><true/></dict>"
                            "<dict><key>Name</key><string>Climber</string><key>Path</key><string>../../outside</string>"
                            "<key>User Item</key><true/></dict>"
                            "<dict><key>Name</key><string>Dots</string><key>Path</key><string>..</string>"
                            "<key>User Item</key><true/></dict>";
    HostileDevice device(plistXml(std::string("<dict><key>Books</key><array>") + odd + kBookEntry + "</array></dict>"));
    device.addBookFolder("GOOD.epub", "Good");
    writeWholeFile(device.deviceFile("/outside"), "keep me");
    ASSERT_TRUE(device.attach());

    // Only dictionaries become records; a "Path" that is no string reads as none.
    const EpubList custom = iPodDevice(HostileDevice::workingFolder(), std::string("16.7")).getiPodCustomEbooks();
    ASSERT_EQ(custom.size(), 4u);
    EXPECT_EQ(custom[0]->mediaPcPath(), "");
    EXPECT_EQ(custom[1]->mediaPcPath(), "../../outside");

    for (const auto &record : custom) {
        if (record->mediaPcPath() == "GOOD.epub")
            continue;
        const BookOperationResult deleted = device.deleteMediaFromDevice(*record);
        EXPECT_FALSE(deleted.done()) << record->mediaName();
        const BookOperationResult exported =
            device.saveEpubToMac(record->mediaPcPath(), device.exportDir(), false, record->mediaName());
        EXPECT_TRUE(exported.failed()) << record->mediaName();
    }
    EXPECT_EQ(readWholeFile(device.deviceFile("/outside")), "keep me");
    EXPECT_TRUE(fs::is_empty(device.exportDir()));

    // An import appends and keeps every odd entry as it was.
    const Catalogue before = device.deviceCatalogue();
    const std::string file = device.inputFile("new.epub");
    ASSERT_TRUE(EpubBuilder::validBook("New", "Writer").write(file));
    const BookOperationResult imported = device.addEPUBToDevice(file);
    ASSERT_TRUE(imported.done()) << imported.message;
    const Catalogue after = device.deviceCatalogue();
    ASSERT_EQ(after.bookCount(), before.bookCount() + 1);
    auto xml = [](plist_t node) {
        char *text = nullptr;
        uint32_t length = 0;
        plist_to_xml(node, &text, &length);
        std::string out = text ? std::string(text, length) : std::string();
        plist_to_xml_free(text);
        return out;
    };
    for (uint32_t i = 0; i < before.bookCount(); ++i)
        EXPECT_EQ(xml(before.bookAt(i)), xml(after.bookAt(i))) << "entry " << i;
    fs::remove(device.deviceFile("/outside"));
    EXPECT_EQ(device.strays({"GOOD.epub", imported.detail}), std::vector<std::string>());
}

TEST(HostileTitles, TitlesNameFilesOnlyInsideTheExportFolder)
{
    const std::string longTitle(4000, 'L');
    const std::vector<std::pair<std::string, std::string>> titles = {
        {"SLSH.epub", "../../../escape"},      {"QUOT.epub", "Say \"hi\" 'there'"},
        {"NEWL.epub", "Line one\nLine two\r"}, {"LONG.epub", longTitle},
        {"DOTS.epub", ".."},                   {"EMPT.epub", ""},
        {"TABS.epub", "A\tB\x7f"},
    };
    std::string array;
    for (const auto &[path, title] : titles) {
        std::string escaped;
        for (char c : title)
            escaped += c == '"' ? "&quot;" : c == '\'' ? "&apos;" : c == '\r' ? "&#13;" : std::string(1, c);
        array += "<dict><key>Name</key><string>" + escaped + "</string><key>Path</key><string>" + path +
                 "</string><key>User Item</key><true/></dict>";
    }
    HostileDevice device(plistXml("<dict><key>Books</key><array>" + array + "</array></dict>"));
    std::vector<std::string> folders;
    for (const auto &[path, title] : titles) {
        device.addBookFolder(path, "Any");
        folders.push_back(path);
    }
    ASSERT_TRUE(device.attach());
    const EpubList records = iPodDevice(HostileDevice::workingFolder(), std::string("16.7")).getiPodCustomEbooks();
    ASSERT_EQ(records.size(), titles.size());
    EXPECT_EQ(records[2]->mediaName(), titles[2].second) << "the title itself is unchanged";

    for (const auto &record : records) {
        const BookOperationResult r =
            device.saveEpubToMac(record->mediaPcPath(), device.exportDir(), false, record->mediaName());
        ASSERT_TRUE(r.done()) << record->mediaPcPath() << ": " << r.message;
        EXPECT_EQ(fs::path(r.detail).parent_path(), fs::path(device.exportDir())) << r.detail;
        EXPECT_LE(fs::path(r.detail).filename().string().size(), 255u);
        for (char c : fs::path(r.detail).filename().string())
            EXPECT_FALSE(c == '/' || static_cast<unsigned char>(c) < 0x20) << r.detail;
    }
    std::size_t exported = 0;
    for (const auto &e : fs::directory_iterator(device.exportDir())) {
        EXPECT_TRUE(e.is_regular_file()) << e.path();
        ++exported;
    }
    EXPECT_EQ(exported, titles.size());
    EXPECT_EQ(device.strays(folders), std::vector<std::string>());

    // Imported titles keep their quotes and slashes in the catalogue, cut at 1023 bytes.
    const std::string file = device.inputFile("odd.epub");
    ASSERT_TRUE(EpubBuilder::validBook("a/b \"c\" " + longTitle, "Writer").write(file));
    const BookOperationResult r = device.addEPUBToDevice(file);
    ASSERT_TRUE(r.done()) << r.message;
    const Catalogue after = device.deviceCatalogue();
    EXPECT_EQ(entryString(after.bookAt(after.bookCount() - 1), BookKey::Name),
              ("a/b \"c\" " + longTitle).substr(0, 1023));
}
