// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// The unmodified libimobiledevice tools against the emulator.
#include "emulatorharness.h"
#include "synclock.h"

#include <gtest/gtest.h>

#include <csignal>
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

TEST_F(StockToolsTest, ToolsReadTheFolderDevice)
{
    ASSERT_TRUE(emulator.start({device("dev", desc)}));

    const ToolResult ids = tool({"idevice_id", "-l"});
    EXPECT_EQ(ids.exitCode, 0);
    EXPECT_EQ(ids.out, desc.udid + "\n");

    const ToolResult name = tool({"ideviceinfo", "-k", "DeviceName"});
    EXPECT_EQ(name.exitCode, 0);
    EXPECT_EQ(name.out, "Emulated iPhone\n");

    const ToolResult version = tool({"ideviceinfo", "-k", "ProductVersion"});
    EXPECT_EQ(version.out, "16.7.2\n");

    const ToolResult shortName = tool({"idevicename"});
    EXPECT_EQ(shortName.exitCode, 0);
    EXPECT_EQ(shortName.out, "Emulated iPhone\n");

    // The whole root domain and a computed domain.
    const ToolResult all = tool({"ideviceinfo"});
    EXPECT_NE(all.out.find("SerialNumber: F2LEMU000001"), std::string::npos) << all.out;
    EXPECT_NE(all.out.find("UniqueDeviceID: " + desc.udid), std::string::npos);
    const ToolResult disk = tool({"ideviceinfo", "-q", "com.apple.disk_usage", "-k", "TotalDiskCapacity"});
    EXPECT_EQ(disk.out, "64000000000\n");

    // One StartSession and one StopSession per handshaking tool run: the TLS switch went both ways.
    EXPECT_EQ(emulator.counter("lockdown.StartSession"), emulator.counter("lockdown.StopSession"));
    EXPECT_GE(emulator.counter("lockdown.StartSession"), 4u);
}

TEST_F(StockToolsTest, NotificationsAreRecordedInOrder)
{
    const std::string dir = device("dev", desc);
    ASSERT_TRUE(emulator.start({dir}));
    EXPECT_EQ(tool({"idevicenotificationproxy", "post", kSyncWillStart}).exitCode, 0);
    EXPECT_EQ(tool({"idevicenotificationproxy", "post", kSyncDidStart,
                    kSyncDidFinish}).exitCode, 0);
    ASSERT_TRUE(emulator.waitForCounter("np.PostNotification", 3));
    EXPECT_EQ(readWholeFile(dir + "/notifications.log"),
              std::string(kSyncWillStart) + "\n" + kSyncDidStart + "\n" + kSyncDidFinish + "\n");
}

TEST_F(StockToolsTest, OldDeviceUsesTls10)
{
    // Before 10.0 the client caps TLS at 1.0, which OpenSSL 3 only allows at security level 0.
    desc.values["ProductVersion"] = "9.3.5";
    ASSERT_TRUE(emulator.start({device("dev", desc)}));
    const ToolResult version = tool({"ideviceinfo", "-k", "ProductVersion"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, "9.3.5\n");
}

TEST_F(StockToolsTest, ModernSerialIsServedInItsDashedForm)
{
    // The client inserts the dash itself; pair record and lockdown must use the same form.
    desc.udid = "00008030001A2B3C4D5E6F70";
    ASSERT_TRUE(emulator.start({device("dev", desc)}));
    EXPECT_EQ(tool({"idevice_id", "-l"}).out, "00008030-001A2B3C4D5E6F70\n");
    const ToolResult info = tool({"ideviceinfo", "-k", "UniqueDeviceID"});
    EXPECT_EQ(info.exitCode, 0);
    EXPECT_EQ(info.out, "00008030-001A2B3C4D5E6F70\n");
}

TEST_F(StockToolsTest, UntrustedDeviceRefusesTheSession)
{
    desc.paired = false;
    ASSERT_TRUE(emulator.start({device("dev", desc)}));
    EXPECT_EQ(tool({"idevice_id", "-l"}).out, desc.udid + "\n");
    const ToolResult info = tool({"ideviceinfo", "-k", "DeviceName"});
    EXPECT_NE(info.exitCode, 0);
    EXPECT_EQ(info.out.find("Emulated iPhone"), std::string::npos);
    EXPECT_GE(emulator.counter("lockdown.Pair"), 1u);
    EXPECT_EQ(emulator.counter("lockdown.StartSession"), 0u);
    // A session-less read still answers, as a real device does before trust.
    EXPECT_EQ(tool({"ideviceinfo", "-s", "-k", "DeviceName"}).out, "Emulated iPhone\n");
}

TEST_F(StockToolsTest, AttachAndDetachThroughTheControlSocket)
{
    FolderDeviceDescription second = desc;
    second.udid = "00008030001a2b3c4d5e6f708192a3b4c5d6e7f9";
    const std::string secondDir = device("second", second);
    ASSERT_TRUE(emulator.start({device("dev", desc), "--detached", secondDir}));
    EXPECT_EQ(tool({"idevice_id", "-l"}).out, desc.udid + "\n");

    EXPECT_EQ(emulator.control("attach " + second.udid), "ok\n");
    EXPECT_EQ(tool({"idevice_id", "-l"}).out, desc.udid + "\n" + second.udid + "\n");

    EXPECT_EQ(emulator.control("detach " + desc.udid), "ok\n");
    EXPECT_EQ(tool({"idevice_id", "-l"}).out, second.udid + "\n");
    EXPECT_NE(emulator.control("detach " + desc.udid).find("error"), std::string::npos);
    EXPECT_NE(emulator.control("attach nosuchdevice").find("error"), std::string::npos);
    EXPECT_NE(emulator.control("frobnicate").find("error"), std::string::npos);
}

TEST_F(StockToolsTest, LinkModelKeepsTheConversationIntact)
{
    // A slow link (1 MB/s, 2 ms per request) only delays; every tool still gets its answers.
    const std::string dir = device("dev", desc);
    ASSERT_TRUE(emulator.start({"--link", "--bandwidth", "1", "--latency", "2", dir}));
    EXPECT_EQ(tool({"ideviceinfo", "-k", "DeviceName"}).out, "Emulated iPhone\n");
    EXPECT_EQ(tool({"idevicenotificationproxy", "post", "a.b"}).exitCode, 0);
    ASSERT_TRUE(emulator.waitForCounter("np.PostNotification", 1));
    EXPECT_EQ(readWholeFile(dir + "/notifications.log"), "a.b\n");
}

TEST_F(StockToolsTest, SocketAddressComesFromTheEnvironment)
{
    ASSERT_TRUE(emulator.start({device("dev", desc)}));
    // The same tool pointed at another (absent) socket sees no device at all.
    const ToolResult elsewhere = runTool({"idevice_id", "-l"}, tmp.file("absent"));
    EXPECT_EQ(elsewhere.out, "");
    EXPECT_EQ(tool({"idevice_id", "-l"}).out, desc.udid + "\n");
}

TEST_F(StockToolsTest, CountersAreReadableAndWrittenAtExit)
{
    ASSERT_TRUE(emulator.start({device("dev", desc)}));
    ASSERT_EQ(tool({"idevice_id", "-l"}).exitCode, 0);
    ASSERT_EQ(tool({"idevice_id", "-l"}).exitCode, 0);
    EXPECT_EQ(emulator.counter("usbmux.ListDevices"), 2u);
    EXPECT_EQ(emulator.stop(), 0);
    EXPECT_NE(readWholeFile(emulator.countersPath()).find("usbmux.ListDevices 2\n"), std::string::npos);
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
