// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// The emulator's request parsers and its file service over a folder.
#include "afcfolder.h"
#include "afcprotocol.h"
#include "emulatoroptions.h"
#include "linkmodel.h"
#include "plistframing.h"
#include "tempdir.h"
#include "usbmuxprotocol.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <random>
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
// Versions and message types are judged by the server, which answers them; the ports that
// decode are what every connection of the wire tests uses, here the ones that do not.
TEST(UsbmuxParser, HeaderAndRequestLimits)
{
    PlistPtr array(plist_new_array());
    PlistPtr noType(plist_new_dict());
    plist_dict_set_item(noType.get(), "DeviceID", plist_new_uint(1));
    auto xml = [](const std::string &payload, uint32_t length = 0) {
        return usbmuxPacket(length ? length : uint32_t(16 + payload.size()), 1, 8, payload);
    };
    const struct
    {
        const char *what;
        Bytes packet;
        bool header;
        const char *request; // the message type taken, or nullptr
    } rows[] = {
        {"a binary Listen", usbmuxPacket(16, 0, 3, ""), true, "Listen"},
        {"a header cut short", Bytes(15, 0), false, nullptr},
        {"a length shorter than the header", usbmuxPacket(15, 1, 8, ""), false, nullptr},
        {"a length past the limit", usbmuxPacket(usbmux::MaxPacket + 1, 1, 8, ""), false, nullptr},
        {"an unknown binary message", usbmuxPacket(16, 0, 99, ""), true, nullptr},
        {"a binary Connect cut short", usbmuxPacket(20, 0, 2, std::string("\3\0\0\0", 4)), true, nullptr},
        {"a port past 16 bits", xml(connectPlist(0x10000)), true, nullptr},
        {"not a plist", xml("not a plist"), true, nullptr},
        {"an array", xml(plistToXml(array.get())), true, nullptr},
        {"no message type", xml(plistToXml(noType.get())), true, nullptr},
        {"no payload", xml(""), true, nullptr},
        {"a payload shorter than its header announces", xml(connectPlist(1), 100), true, nullptr},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.what);
        const auto header = usbmux::parseHeader(row.packet.data(), row.packet.size());
        ASSERT_EQ(bool(header), row.header);
        if (!header)
            continue;
        const auto request = usbmux::parseRequest(*header.value, row.packet.data() + 16, row.packet.size() - 16);
        ASSERT_EQ(bool(request), row.request != nullptr) << request.error;
        if (request)
            EXPECT_EQ(request.value->messageType, row.request);
    }
    EXPECT_TRUE(usbmux::parseRequest(usbmux::Header{16, 0, 3, 1}, nullptr, 0).value->binary);
}

TEST(PlistFraming, LengthAndBody)
{
    const uint8_t zero[4] = {0, 0, 0, 0};
    EXPECT_FALSE(plistframe::parseLength(zero, 4));
    const uint8_t huge[4] = {0x7f, 0xff, 0xff, 0xff};
    EXPECT_FALSE(plistframe::parseLength(huge, 4));
    const uint8_t small[4] = {0, 0, 1, 2};
    EXPECT_EQ(*plistframe::parseLength(small, 4).value, 258u);
    EXPECT_FALSE(plistframe::parseLength(small, 3));

    PlistPtr dict(plist_new_dict());
    plist_dict_set_item(dict.get(), "Request", plist_new_string("QueryType"));
    const Bytes binary = plistToBinary(dict.get());
    EXPECT_TRUE(plistframe::parseBody(binary.data(), binary.size()));

    // Taken as a device takes it: white space, a byte-order mark, no declaration.
    const std::string bare = "<plist version=\"1.0\"><dict><key>Request</key><string>GetValue</string></dict></plist>";
    for (const std::string &body : {" \r\n" + plistToXml(dict.get()), "\xEF\xBB\xBF" + bare, bare}) {
        auto lenient = plistframe::parseBody(reinterpret_cast<const uint8_t *>(body.data()), body.size());
        ASSERT_TRUE(lenient) << body;
        EXPECT_TRUE(plistString(lenient.value->get(), "Request")) << body;
    }
    for (const std::string &body : {std::string("  "), std::string("Request=GetValue")})
        EXPECT_FALSE(plistframe::parseBody(reinterpret_cast<const uint8_t *>(body.data()), body.size())) << body;
    const std::string notDict = "<?xml version=\"1.0\"?><plist><string>x</string></plist>";
    EXPECT_FALSE(plistframe::parseBody(reinterpret_cast<const uint8_t *>(notDict.data()), notDict.size()));
    const Bytes truncated(binary.begin(), binary.begin() + long(binary.size() / 2));
    EXPECT_FALSE(plistframe::parseBody(truncated.data(), truncated.size()));
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

// Random and mutated input must be refused or accepted, never crash (run under ASan too).
TEST(Parsers, SurviveRandomInput)
{
    std::mt19937 rng(20261206);
    PlistPtr dict(plist_new_dict());
    plist_dict_set_item(dict.get(), "MessageType", plist_new_string("ReadPairRecord"));
    plist_dict_set_item(dict.get(), "PairRecordID", plist_new_string("abc"));
    const Bytes seedBinary = plistToBinary(dict.get());
    const std::string seedXml = plistToXml(dict.get());
    for (int i = 0; i < 3000; ++i) {
        Bytes data = (i % 2) ? seedBinary : Bytes(seedXml.begin(), seedXml.end());
        const int mutations = 1 + int(rng() % 8);
        for (int m = 0; m < mutations && !data.empty(); ++m)
            data[rng() % data.size()] = uint8_t(rng());
        if (rng() % 4 == 0)
            data.resize(rng() % (data.size() + 1));
        if (auto body = plistframe::parseBody(data.data(), data.size())) {
            EXPECT_EQ(plist_get_node_type(body.value->get()), PLIST_DICT);
        }
        usbmux::Header h{uint32_t(16 + data.size()), 1, 8, 1};
        if (auto request = usbmux::parseRequest(h, data.data(), data.size())) {
            EXPECT_FALSE(request.value->messageType.empty());
        }
        Bytes header(40);
        for (auto &b : header)
            b = uint8_t(rng());
        if (i % 3 == 0)
            std::copy_n("CFA6LPAA", 8, header.begin());
        if (auto ah = afc::parseHeader(header.data(), header.size())) {
            EXPECT_GE(ah.value->thisLength, afc::HeaderSize);
            EXPECT_LE(ah.value->headerDataLength(), afc::MaxHeaderData);
            EXPECT_LE(ah.value->payloadLength(), afc::MaxPayload);
        }
        for (uint64_t op : {afc::OpFileOpen, afc::OpRenamePath, afc::OpFileSeek, afc::OpMakeLink, afc::OpReadDir}) {
            afc::Header ah{40 + data.size(), 40 + data.size(), 1, op};
            if (auto request = afc::parseRequest(ah, data.data(), data.size())) {
                EXPECT_LE(request.value->path.size() + request.value->path2.size(), data.size());
            }
        }
    }
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
    EXPECT_EQ(readWholeFile(tmp.file("secret")), "outside");
}

TEST_F(AfcFolderTest, OperationsAnswerDeviceStatusCodes)
{
    std::vector<std::string> names;
    ASSERT_EQ(folder.readDirectory("/Books", names), 0u);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{".", "..", "a.txt", "inner"}));
    EXPECT_EQ(folder.readDirectory("/missing", names), uint64_t(afc::StatusObjectNotFound));

    std::vector<std::string> info;
    ASSERT_EQ(folder.fileInfo("/Books/a.txt", info), 0u);
    ASSERT_GE(info.size(), 8u);
    EXPECT_EQ(info[0], "st_size");
    EXPECT_EQ(info[1], "5");
    EXPECT_EQ(info[7], "S_IFREG");
    ASSERT_EQ(folder.fileInfo("/Books", info), 0u);
    EXPECT_EQ(info[7], "S_IFDIR");

    EXPECT_EQ(folder.makeDirectory("/Books/new/deeper"), 0u);
    EXPECT_EQ(folder.makeDirectory("/Books/new"), 0u);
    EXPECT_EQ(folder.makeDirectory("/Books/a.txt"), uint64_t(afc::StatusObjectExists));
    // A non-empty folder answers 1, which the client reports as "directory not empty".
    EXPECT_EQ(folder.removePath("/Books/new", false), uint64_t(afc::StatusUnknownError));
    EXPECT_EQ(folder.removePath("/Books/new", true), 0u);
    EXPECT_EQ(folder.removePath("/Books/new", false), uint64_t(afc::StatusObjectNotFound));
    EXPECT_EQ(folder.removePath("/", true), uint64_t(afc::StatusPermDenied));

    int fd = -1;
    EXPECT_EQ(folder.openFile("/Books", 1, &fd), uint64_t(afc::StatusObjectIsDir));
    EXPECT_EQ(folder.openFile("/Books/none", 1, &fd), uint64_t(afc::StatusObjectNotFound));
    EXPECT_EQ(folder.openFile("/Books/a.txt", 7, &fd), uint64_t(afc::StatusInvalidArg));
    ASSERT_EQ(folder.openFile("/Books/b.txt", 3, &fd), 0u);
    ASSERT_EQ(::write(fd, "beta", 4), 4);
    ::close(fd);
    EXPECT_EQ(folder.renamePath("/Books/b.txt", "/Books/a.txt"), 0u);
    EXPECT_EQ(readWholeFile(root + "/Books/a.txt"), "beta");
    EXPECT_EQ(folder.bytesUsed(), 4u);
}

} // namespace

namespace {

struct OptionsRun
{
    bool ok;
    EmulatorOptions options;
    std::string message;
    int exitCode = -1;
};

OptionsRun parseArgs(std::vector<std::string> args)
{
    args.insert(args.begin(), "bookferry-device-emulator");
    std::vector<char *> argv;
    for (auto &a : args)
        argv.push_back(a.data());
    OptionsRun run;
    run.ok = parseEmulatorOptions(int(argv.size()), argv.data(), run.options, &run.message, &run.exitCode);
    return run;
}

TEST(EmulatorOptionsTest, FaultsAndLinkModel)
{
    auto run = parseArgs({"--socket", "/s", "--fail-afc", "FILE_WRITE@3=18", "--fail-afc", "READ_DIR", "--link",
                          "--latency", "5", "--drop-after", "10", "--refuse-pairing", "--trace", "/t", "dev"});
    ASSERT_TRUE(run.ok) << run.message;
    ASSERT_EQ(run.options.afcFailures.size(), 2u);
    EXPECT_EQ(run.options.afcFailures[0].operation, uint64_t(afc::OpFileWrite));
    EXPECT_EQ(run.options.afcFailures[0].nth, 3u);
    EXPECT_EQ(run.options.afcFailures[0].status, 18u);
    EXPECT_EQ(run.options.afcFailures[1].operation, uint64_t(afc::OpReadDir));
    EXPECT_EQ(run.options.afcFailures[1].nth, 0u);
    EXPECT_EQ(run.options.afcFailures[1].status, 20u);
    // --link fills in what was not given: 30 MB/s, and the explicit 5 ms stays.
    EXPECT_EQ(run.options.bandwidthBytesPerSecond, 30e6);
    EXPECT_EQ(run.options.latencyMs, 5.0);
    EXPECT_EQ(run.options.dropAfterAfcPackets, 10u);
    EXPECT_TRUE(run.options.refusePairing);
    EXPECT_EQ(run.options.tracePath, "/t");
    EXPECT_EQ(run.options.deviceDirs, std::vector<std::string>{"dev"});
}

TEST(EmulatorOptionsTest, UsageErrors)
{
    for (const auto &args : std::vector<std::vector<std::string>>{
             {"dev"},                                            // no socket
             {"--socket", "/s"},                                 // no device
             {"--socket", "/s", "--fail-afc", "NO_SUCH_OP", "dev"},
             {"--socket", "/s", "--fail-afc", "FILE_OPEN@0", "dev"},
             {"--socket", "/s", "--fail-afc", "FILE_OPEN=0", "dev"},
             {"--socket", "/s", "--bandwidth", "-1", "dev"},
             {"--socket", "/s", "--latency", "fast", "dev"},
             {"--socket", "/s", "--drop-after", "0", "dev"},
             {"--socket", "/s", "--frobnicate", "dev"},
             {"--socket", "/s", "dev", "--trace"},
             {"--socket"}}) {
        auto run = parseArgs(args);
        EXPECT_FALSE(run.ok);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_NE(run.message.find("--help"), std::string::npos);
    }
    auto help = parseArgs({"--help"});
    EXPECT_FALSE(help.ok);
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.message.find("--control PATH"), std::string::npos);
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
