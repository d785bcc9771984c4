// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// The unmodified libimobiledevice tools against the emulator.
#include "emulatorharness.h"

#include <gtest/gtest.h>
#include <libimobiledevice/afc.h>
#include <libimobiledevice/house_arrest.h>
#include <libimobiledevice/installation_proxy.h>
#include <libimobiledevice/libimobiledevice.h>
#include <libimobiledevice/lockdown.h>

#include <csignal>
#include <cstdlib>
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

// An old device with a modern serial. Before 10.0 the client caps TLS at 1.0, which OpenSSL 3
// only allows at security level 0. The client inserts the serial's dash itself; pair record and
// lockdown must use the same form.
TEST_F(StockToolsTest, OldDeviceUsesTls10AndAModernSerialIsServedInItsDashedForm)
{
    desc.values["ProductVersion"] = "9.3.5";
    desc.udid = "00008030001A2B3C4D5E6F70";
    ASSERT_TRUE(emulator.start({device("dev", desc)}));
    EXPECT_EQ(tool({"idevice_id", "-l"}).out, "00008030-001A2B3C4D5E6F70\n");
    const ToolResult info = tool({"ideviceinfo", "-k", "UniqueDeviceID"});
    EXPECT_EQ(info.exitCode, 0);
    EXPECT_EQ(info.out, "00008030-001A2B3C4D5E6F70\n");
    EXPECT_EQ(tool({"ideviceinfo", "-k", "ProductVersion"}).out, "9.3.5\n");
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

FolderAppDescription app(std::string identifier, std::string name, std::string version = "1.0", bool sharing = true)
{
    FolderAppDescription a;
    a.identifier = std::move(identifier);
    a.displayName = std::move(name);
    a.version = std::move(version);
    a.sharing = sharing;
    return a;
}

TEST_F(StockToolsTest, IdeviceinstallerListsTheUserApps)
{
    // More apps than one page holds, so the listing spans several Browse answers.
    const std::string dir = device("dev", desc);
    std::string expected;
    for (int i = 0; i < 23; ++i) {
        const std::string n = (i < 10 ? "0" : "") + std::to_string(i);
        addFolderApp(dir, app("org.example.app" + n, "App " + n, "1." + n, i % 2 == 0));
        expected += "org.example.app" + n + ", \"1." + n + "\", \"App " + n + "\"\n";
    }
    // A system app is not a user app.
    addFolderApp(dir, app("com.example.system", "System"));
    std::string info = readWholeFile(dir + "/apps/com.example.system/Info.plist");
    info.replace(info.find("<string>User</string>"), 21, "<string>System</string>");
    writeWholeFile(dir + "/apps/com.example.system/Info.plist", info);
    // A folder whose Info.plist names another app is no app at all.
    addFolderApp(dir, app("org.example.other", "Other"));
    std::filesystem::rename(dir + "/apps/org.example.other", dir + "/apps/org.example.renamed");
    ASSERT_TRUE(emulator.start({dir}));

    const ToolResult list = tool({"ideviceinstaller", "-l"});
    EXPECT_EQ(list.exitCode, 0);
    EXPECT_EQ(list.out, "CFBundleIdentifier, CFBundleVersion, CFBundleDisplayName\n" + expected);
    EXPECT_EQ(emulator.counter("instproxy.Browse"), 1u);
}

// libimobiledevice's own clients of the house_arrest and installation proxy services, in this process.
class AppServicesTest : public StockToolsTest
{
protected:
    idevice_t dev = nullptr;
    lockdownd_client_t lockdown = nullptr;
    std::string dir;

    void SetUp() override
    {
        dir = device("dev", desc);
        addFolderApp(dir, {"org.example.reader", "Reader", "2.1", true, "org.idpf.epub-container", "\x89PNG-icon"});
        addFolderApp(dir, app("org.example.private", "Private", "1.0", false));
        ASSERT_TRUE(emulator.start({dir}));
        ::setenv("USBMUXD_SOCKET_ADDRESS", ("UNIX:" + emulator.socketPath()).c_str(), 1);
        ASSERT_EQ(idevice_new(&dev, desc.udid.c_str()), IDEVICE_E_SUCCESS);
        ASSERT_EQ(lockdownd_client_new_with_handshake(dev, &lockdown, "test"), LOCKDOWN_E_SUCCESS);
    }

    void TearDown() override
    {
        if (lockdown)
            lockdownd_client_free(lockdown);
        if (dev)
            idevice_free(dev);
        ::unsetenv("USBMUXD_SOCKET_ADDRESS");
    }

    // A fresh house_arrest connection that sent `command`; *answer gets the device's reply.
    house_arrest_client_t vend(const char *command, const char *app, std::string *answer)
    {
        lockdownd_service_descriptor_t service = nullptr;
        if (lockdownd_start_service(lockdown, "com.apple.mobile.house_arrest", &service) != LOCKDOWN_E_SUCCESS)
            return nullptr;
        house_arrest_client_t client = nullptr;
        house_arrest_client_new(dev, service, &client);
        lockdownd_service_descriptor_free(service);
        plist_t result = nullptr;
        if (!client || house_arrest_send_command(client, command, app) != HOUSE_ARREST_E_SUCCESS
            || house_arrest_get_result(client, &result) != HOUSE_ARREST_E_SUCCESS) {
            house_arrest_client_free(client);
            return nullptr;
        }
        char *status = nullptr;
        plist_t node = plist_dict_get_item(result, "Status");
        if (!node)
            node = plist_dict_get_item(result, "Error");
        if (node)
            plist_get_string_val(node, &status);
        *answer = status ? status : "";
        std::free(status);
        plist_free(result);
        return client;
    }
};

TEST_F(AppServicesTest, RefusalsOfHouseArrest)
{
    std::string answer;
    // A store app's whole container is not vended.
    house_arrest_client_t client = vend("VendContainer", "org.example.reader", &answer);
    ASSERT_TRUE(client);
    EXPECT_EQ(answer, "InstallationLookupFailed");
    house_arrest_client_free(client);
    // An app that does not share, one that is not there, and a name climbing out of apps/.
    for (const char *app : {"org.example.private", "org.example.absent", "../../dev"}) {
        client = vend("VendDocuments", app, &answer);
        ASSERT_TRUE(client) << app;
        EXPECT_EQ(answer, "InstallationLookupFailed") << app;
        // One command per connection: the refused connection is closed (the second command
        // may already fail to go out; it never gets an answer).
        plist_t more = nullptr;
        house_arrest_send_command(client, "VendDocuments", "org.example.reader");
        EXPECT_NE(house_arrest_get_result(client, &more), HOUSE_ARREST_E_SUCCESS) << app;
        plist_free(more);
        house_arrest_client_free(client);
    }
    EXPECT_EQ(emulator.counter("house_arrest.VendDocuments"), 3u);

    // A locked device refuses the service itself.
    desc.locked = true;
    makeFolderDevice(dir, desc);
    lockdownd_service_descriptor_t service = nullptr;
    EXPECT_EQ(lockdownd_start_service(lockdown, "com.apple.mobile.house_arrest", &service),
              LOCKDOWN_E_PASSWORD_PROTECTED);
    lockdownd_service_descriptor_free(service);
    desc.locked = false;
    makeFolderDevice(dir, desc);
    client = vend("VendDocuments", "org.example.reader", &answer);
    EXPECT_EQ(answer, "Complete");
    house_arrest_client_free(client);
}

TEST_F(AppServicesTest, LookupAnswersTheAppsAskedForWithTheAttributesAskedFor)
{
    instproxy_client_t proxy = nullptr;
    ASSERT_EQ(instproxy_client_start_service(dev, &proxy, "test"), INSTPROXY_E_SUCCESS);
    plist_t options = instproxy_client_options_new();
    instproxy_client_options_set_return_attributes(options, "CFBundleVersion", "UIFileSharingEnabled", nullptr);
    const char *ids[] = {"org.example.reader", "org.example.absent", nullptr};
    plist_t result = nullptr;
    ASSERT_EQ(instproxy_lookup(proxy, ids, options, &result), INSTPROXY_E_SUCCESS);
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(plist_dict_get_size(result), 1u);
    plist_t reader = plist_dict_get_item(result, "org.example.reader");
    ASSERT_NE(reader, nullptr);
    EXPECT_EQ(plist_dict_get_size(reader), 2u);
    char *version = nullptr;
    plist_get_string_val(plist_dict_get_item(reader, "CFBundleVersion"), &version);
    EXPECT_STREQ(version, "2.1");
    std::free(version);
    plist_free(result);
    instproxy_client_options_free(options);
    instproxy_client_free(proxy);
}

} // namespace
