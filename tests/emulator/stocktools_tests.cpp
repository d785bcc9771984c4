// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// The unmodified libimobiledevice tools against the emulator.
#include "emulatorharness.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

class StockToolsTest : public ::testing::Test
{
protected:
    TempDir tmp;
    EmulatorProcess emulator{tmp.path()};
    FolderDeviceDescription desc;

    std::string device(const std::string &name, const FolderDeviceDescription &s) { return makeFolderDevice(tmp.file(name), s); }
    ToolResult tool(const std::vector<std::string> &argv) { return runTool(argv, emulator.socketPath()); }
};

// Three devices on one slow link (1 MB/s, 2 ms a request: it only delays): a trusted one, an old
// one with a modern serial and an untrusted one. Before 10.0 the client caps TLS at 1.0, which
// OpenSSL 3 only allows at security level 0; it inserts the serial's dash itself, so pair record
// and lockdown must use the same form. An untrusted device answers only session-less reads.
TEST_F(StockToolsTest, ToolsGetTheAnswersADeviceGives)
{
    const std::string udid = desc.udid, old = "00008030-001A2B3C4D5E6F70";
    FolderDeviceDescription oldDesc = desc, untrusted = desc;
    oldDesc.values["ProductVersion"] = "9.3.5";
    oldDesc.udid = "00008030001A2B3C4D5E6F70";
    untrusted.paired = false;
    untrusted.udid = "00008030001a2b3c4d5e6f708192a3b4c5d6e7f9";
    untrusted.values["DeviceName"] = "Untrusted iPhone";
    const std::string dir = device("dev", desc);
    addFolderApp(dir, {.identifier = "org.example.reader", .displayName = "Reader"});
    ASSERT_TRUE(emulator.start({"--link", "--bandwidth", "1", "--latency", "2", dir, device("old", oldDesc),
                                device("untrusted", untrusted)}));

    const struct
    {
        std::vector<std::string> argv;
        bool succeeds;
        std::string out;
        bool whole; // the whole output, else a part of it
    } rows[] = {
        {{"idevice_id", "-l"}, true, udid + "\n" + old + "\n" + untrusted.udid + "\n", true},
        {{"ideviceinfo", "-u", udid, "-k", "DeviceName"}, true, "Emulated iPhone\n", true},
        {{"idevicename", "-u", udid}, true, "Emulated iPhone\n", true},
        {{"ideviceinfo", "-u", udid}, true, "SerialNumber: F2LEMU000001\n", false},
        {{"ideviceinfo", "-u", udid}, true, "UniqueDeviceID: " + udid + "\n", false},
        {{"ideviceinfo", "-u", udid, "-q", "com.apple.disk_usage", "-k", "TotalDiskCapacity"}, true, "64000000000\n",
         true},
        {{"ideviceinfo", "-u", old, "-k", "UniqueDeviceID"}, true, old + "\n", true},
        {{"ideviceinfo", "-u", old, "-k", "ProductVersion"}, true, "9.3.5\n", true},
        {{"ideviceinfo", "-u", untrusted.udid, "-k", "DeviceName"}, false, "", true},
        {{"ideviceinfo", "-u", untrusted.udid, "-s", "-k", "DeviceName"}, true, "Untrusted iPhone\n", true},
        {{"idevicenotificationproxy", "-u", udid, "post", "a.b"}, true, "a.b", false},
        // (The apps listed over several answers: the backend tests.)
        {{"ideviceinstaller", "-u", udid, "-l"}, true, "org.example.reader, \"1.0\", \"Reader\"\n", false},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(::testing::PrintToString(row.argv));
        const ToolResult run = tool(row.argv);
        EXPECT_EQ(run.exitCode == 0, row.succeeds) << run.exitCode;
        if (row.whole)
            EXPECT_EQ(run.out, row.out);
        else
            EXPECT_NE(run.out.find(row.out), std::string::npos) << run.out;
    }
    ASSERT_TRUE(emulator.waitForCounter("np.PostNotification", 1));
    EXPECT_EQ(readWholeFile(dir + "/notifications.log"), "a.b\n");
    // One StopSession for each StartSession: the TLS switch went both ways; the untrusted device
    // was asked to pair and gave no session.
    EXPECT_EQ(emulator.counter("lockdown.StartSession"), emulator.counter("lockdown.StopSession"));
    EXPECT_GE(emulator.counter("lockdown.StartSession"), 7u);
    EXPECT_GE(emulator.counter("lockdown.Pair"), 1u);

    // The control socket takes devices away and answers what it cannot do.
    EXPECT_EQ(emulator.control("detach " + untrusted.udid), "ok\n");
    EXPECT_EQ(tool({"idevice_id", "-l"}).out, udid + "\n" + old + "\n");
    const std::string refused[] = {"detach " + untrusted.udid, "attach nosuchdevice", "frobnicate"};
    for (const std::string &command : refused)
        EXPECT_NE(emulator.control(command).find("error"), std::string::npos) << command;

    // The counters, read live and written at exit (both listings asked for the devices);
    // the socket file goes with the emulator.
    const uint64_t lists = emulator.counter("usbmux.ListDevices");
    EXPECT_GE(lists, 2u);
    EXPECT_EQ(emulator.stop(), 0);
    EXPECT_NE(readWholeFile(emulator.countersPath()).find("usbmux.ListDevices " + std::to_string(lists) + "\n"),
              std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(emulator.socketPath()));
}

TEST_F(StockToolsTest, StartupErrorsAreReported)
{
    // A device folder without device.plist: the emulator refuses to start and says why.
    std::filesystem::create_directories(tmp.file("empty"));
    EXPECT_FALSE(emulator.start({tmp.file("empty")}));
    EXPECT_NE(emulator.stop(), 0);
}

} // namespace
