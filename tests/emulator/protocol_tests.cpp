// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// The emulator's request parsers and its file service over a folder.
#include "afcfolder.h"
#include "afcprotocol.h"
#include "linkmodel.h"
#include "plistframing.h"
#include "tempdir.h"
#include "usbmuxprotocol.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>
#include <unistd.h>

namespace {

Bytes usbmuxPacket(uint32_t length, uint32_t version, uint32_t message, const std::string &payload)
{
    Bytes out;
    appendLe32(out, length);
    appendLe32(out, version);
    appendLe32(out, message);
    appendLe32(out, 7);
    out.insert(out.end(), payload.begin(), payload.end());
    return out;
}

std::string connectPlist(uint64_t port)
{
    PlistPtr dict(plist_new_dict());
    plist_dict_set_item(dict.get(), "MessageType", plist_new_string("Connect"));
    plist_dict_set_item(dict.get(), "DeviceID", plist_new_uint(3));
    plist_dict_set_item(dict.get(), "PortNumber", plist_new_uint(port));
    return plistToXml(dict.get());
}

// Packets as clients send them: whether the header is taken, and then the request.
// Versions and message types are judged by the server, which answers them; the requests that
// are taken, a binary Listen, an unknown message and a plist without a type are answered in
// the wire tests; here the packets that do not decode.
TEST(UsbmuxParser, HeaderAndRequestLimits)
{
    PlistPtr array(plist_new_array());
    auto xml = [](const std::string &payload, uint32_t length = 0) {
        return usbmuxPacket(length ? length : uint32_t(16 + payload.size()), 1, 8, payload);
    };
    const struct
    {
        const char *what;
        Bytes packet;
        bool header; // whether the header is taken (no request is)
    } rows[] = {
        {"a header cut short", Bytes(15, 0), false},
        {"a length shorter than the header", usbmuxPacket(15, 1, 8, ""), false},
        {"a length past the limit", usbmuxPacket(usbmux::MaxPacket + 1, 1, 8, ""), false},
        {"a binary Connect cut short", usbmuxPacket(20, 0, 2, std::string("\3\0\0\0", 4)), true},
        {"a port past 16 bits", xml(connectPlist(0x10000)), true},
        {"not a plist", xml("not a plist"), true},
        {"an array", xml(plistToXml(array.get())), true},
        {"no payload", xml(""), true},
        {"a payload shorter than its header announces", xml(connectPlist(1), 100), true},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.what);
        const auto header = usbmux::parseHeader(row.packet.data(), row.packet.size());
        ASSERT_EQ(bool(header), row.header);
        if (!header)
            continue;
        EXPECT_FALSE(usbmux::parseRequest(*header.value, row.packet.data() + 16, row.packet.size() - 16));
    }
}

TEST(PlistFraming, LengthAndBody)
{
    const uint8_t zero[4] = {0, 0, 0, 0}, huge[4] = {0x7f, 0xff, 0xff, 0xff}, small[4] = {0, 0, 1, 2};
    EXPECT_FALSE(plistframe::parseLength(zero, 4));
    EXPECT_FALSE(plistframe::parseLength(huge, 4));
    EXPECT_EQ(*plistframe::parseLength(small, 4).value, 258u);
    EXPECT_FALSE(plistframe::parseLength(small, 3));

    PlistPtr dict(plist_new_dict());
    plist_dict_set_item(dict.get(), "Request", plist_new_string("QueryType"));
    const Bytes binary = plistToBinary(dict.get());
    const std::string bare = "<plist version=\"1.0\"><dict><key>Request</key><string>GetValue</string></dict></plist>";
    const std::pair<std::string, bool> bodies[] = {
        {std::string(binary.begin(), binary.end()), true},
        // Taken as a device takes it: white space, a byte-order mark, no declaration.
        {" \r\n" + plistToXml(dict.get()), true},
        {"\xEF\xBB\xBF" + bare, true},
        {bare, true},
        {"  ", false},
        {"Request=GetValue", false},
        {"<?xml version=\"1.0\"?><plist><string>x</string></plist>", false}, // not a dictionary
        {std::string(binary.begin(), binary.begin() + long(binary.size() / 2)), false},
    };
    for (const auto &[body, taken] : bodies) {
        auto parsed = plistframe::parseBody(reinterpret_cast<const uint8_t *>(body.data()), body.size());
        ASSERT_EQ(bool(parsed), taken) << body;
        if (parsed)
            EXPECT_TRUE(plistString(parsed.value->get(), "Request")) << body;
    }
}

Bytes afcHeader(uint64_t entire, uint64_t thisLength, uint64_t op, const char *magic = "CFA6LPAA")
{
    Bytes out(magic, magic + 8);
    appendLe64(out, entire);
    appendLe64(out, thisLength);
    appendLe64(out, 5);
    appendLe64(out, op);
    return out;
}

TEST(AfcParser, HeaderLimits)
{
    const struct
    {
        uint64_t entire, thisLength, op;
        const char *magic;
        size_t size;
        bool ok;
    } rows[] = {
        {48, 48, afc::OpFileClose, "CFA6LPAA", 40, true},
        {48, 48, afc::OpFileClose, "CFA6LPAB", 40, false},
        {48, 39, afc::OpFileClose, "CFA6LPAA", 40, false},
        {47, 48, afc::OpFileClose, "CFA6LPAA", 40, false},
        {48, 48, afc::OpFileClose, "CFA6LPAA", 39, false},
        {40 + afc::MaxHeaderData + 1, 40 + afc::MaxHeaderData + 1, afc::OpReadDir, "CFA6LPAA", 40, false},
        // A payload of at most 4 GiB, on any operation (the server decides what it means).
        {48 + 1000, 48, afc::OpFileWrite, "CFA6LPAA", 40, true},
        {48 + 1000, 48, afc::OpFileRead, "CFA6LPAA", 40, true},
        {48 + afc::MaxPayload + 1, 48, afc::OpFileWrite, "CFA6LPAA", 40, false},
    };
    for (const auto &row : rows)
        EXPECT_EQ(bool(afc::parseHeader(afcHeader(row.entire, row.thisLength, row.op, row.magic).data(), row.size)),
                  row.ok)
            << row.entire << " " << row.thisLength << " " << row.magic << " " << row.size;
}

// What a client may send is read by the wire tests (paths ending at the header data or at a
// NUL, arguments as payload); here the arguments that are refused, and a negative seek.
TEST(AfcParser, RequestFields)
{
    auto parse = [](uint64_t op, const Bytes &data) {
        afc::Header h{40 + data.size(), 40 + data.size(), 1, op};
        return afc::parseRequest(h, data.data(), data.size());
    };
    EXPECT_FALSE(parse(afc::OpRenamePath, Bytes{'/', 'a'})); // the first of two paths ends at a NUL
    Bytes open;
    appendLe64(open, 3);
    EXPECT_FALSE(parse(afc::OpFileOpen, Bytes(open.begin(), open.begin() + 5)));
    // Arguments in the payload when the header data is empty; never for FILE_WRITE.
    EXPECT_FALSE(afc::parseRequest(afc::Header{48, 40, 1, afc::OpFileWrite}, nullptr, 0));

    Bytes seek;
    appendLe64(seek, 9);
    appendLe64(seek, 2);
    appendLe64(seek, uint64_t(-16));
    auto r = parse(afc::OpFileSeek, seek);
    ASSERT_TRUE(r);
    EXPECT_EQ(r.value->offset, -16);
    EXPECT_FALSE(parse(afc::OpFileSeek, Bytes(seek.begin(), seek.begin() + 16)));
    EXPECT_FALSE(parse(afc::OpFileRead, Bytes(7, 0)));
    // The arguments must be exactly as long as the header says.
    const Bytes rename = {'/', 'a', 0, '/', 'b'};
    EXPECT_FALSE(afc::parseRequest(afc::Header{60, 60, 1, afc::OpReadDir}, rename.data(), rename.size()));
}

class AfcFolderTest : public ::testing::Test
{
protected:
    TempDir tmp;
    std::string root = tmp.file("root");
    AfcFolder folder{root};

    void SetUp() override
    {
        std::filesystem::create_directories(root + "/Books/inner");
        writeWholeFile(root + "/Books/a.txt", "alpha");
        writeWholeFile(tmp.file("secret"), "outside");
    }
};

TEST_F(AfcFolderTest, PathsStayInsideTheRoot)
{
    EXPECT_EQ(folder.resolve("/Books/a.txt", true), root + "/Books/a.txt");
    EXPECT_EQ(folder.resolve("Books/./inner/../a.txt", true), root + "/Books/a.txt");
    EXPECT_EQ(folder.resolve("/", true), root);
    EXPECT_FALSE(folder.resolve("/../secret", true));
    EXPECT_FALSE(folder.resolve("/Books/../../secret", true));

    ASSERT_EQ(::symlink("inner", (root + "/Books/link").c_str()), 0);
    ASSERT_EQ(::symlink((tmp.path() + "/secret").c_str(), (root + "/abs").c_str()), 0);
    ASSERT_EQ(::symlink("../../secret", (root + "/Books/up").c_str()), 0);
    ASSERT_EQ(::symlink("loop", (root + "/loop").c_str()), 0);
    EXPECT_EQ(folder.resolve("/Books/link/x", true), root + "/Books/inner/x");
    EXPECT_FALSE(folder.resolve("/abs", true));
    EXPECT_FALSE(folder.resolve("/Books/up", true));
    EXPECT_FALSE(folder.resolve("/loop", true));
    // Acting on a link itself (info, remove) does not follow it, so it is allowed.
    EXPECT_EQ(folder.resolve("/abs", false), root + "/abs");

    int fd = -1;
    EXPECT_EQ(folder.openFile("/abs", 1, &fd), uint64_t(afc::StatusPermDenied));
    EXPECT_EQ(folder.openFile("/Books/up", 3, &fd), uint64_t(afc::StatusPermDenied));
    std::vector<std::string> names;
    EXPECT_NE(folder.readDirectory("/../", names), uint64_t(afc::StatusSuccess));
    EXPECT_EQ(folder.removePath("/", true), uint64_t(afc::StatusPermDenied));
    EXPECT_EQ(readWholeFile(tmp.file("secret")), "outside");
}

TEST(LinkModelTest, ShortWaitsLeftUnsleptStillCountAgainstTheBandwidth)
{
    // 100 KB in 50-byte messages from two connections at 1 MB/s: every message alone is far
    // below the shortest wait slept, yet together they take the link's time.
    LinkModel link(0, 1e6);
    const auto started = std::chrono::steady_clock::now();
    auto send = [&link] {
        for (int i = 0; i < 1000; ++i)
            link.transfer(50);
    };
    std::thread other(send);
    send();
    other.join();
    const auto took = std::chrono::steady_clock::now() - started;
    EXPECT_GE(took, std::chrono::milliseconds(100) - LinkModel::kShortestWait);
}

} // namespace
