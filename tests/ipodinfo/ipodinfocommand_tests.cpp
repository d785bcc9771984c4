// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "core/scratch.h"
#include "fakescsitransport.h"
#include "fakesysfs.h"
#include "ipodinfo/ipodinfocommand.h"

#include <filesystem>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sstream>

namespace fs = std::filesystem;
using ::testing::HasSubstr;

namespace {
class IPodInfoCommand : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // A real folder, so the command's own path clean-up has something to resolve.
        fs::create_directories(volumes.file("My iPod"));
        mountPoint = fs::canonical(volumes.file("My iPod")).string();
        sysfs.addDisk(FakeDisk{});
        std::string escaped = mountPoint;
        escaped.replace(escaped.find(' '), 1, "\\040");
        sysfs.addMount(8, 17, escaped);
        device.setPage(0xC0, FakeScsiTransport::page(0xC0, std::vector<std::uint8_t>{0xC2}));
        device.setPage(0xC2, FakeScsiTransport::page(0xC2, "<dict><key>FireWireGUID</key><string>000A27001A2B3C4D</string>"));
    }

    int run(const std::string &argument) { return runIPodInfoCommand(argument, out, err, env); }

    ScopedScratch scratch;
    TempDir volumes;
    FakeSysfs sysfs;
    FakeScsiTransport device;
    std::ostringstream out, err;
    IPodProbeEnvironment env = sysfs.environment(device, std::cout, std::cerr); // the command redirects
    std::string mountPoint;
};
} // namespace

// The path of the description and its first value in hex, whichever way the mount point is spelled.
TEST_F(IPodInfoCommand, PrintsThePathAndTheFirstValueInHex)
{
    const fs::path previous = fs::current_path();
    fs::current_path(volumes.path());
    for (const std::string &spelling : {mountPoint, mountPoint + "/", mountPoint + "/./", std::string("My iPod"),
                                        std::string("./My iPod/")}) {
        SCOPED_TRACE(spelling);
        out.str("");
        EXPECT_EQ(run(spelling), 0);
        EXPECT_EQ(out.str(), scratchPath("ipod.plist") + "\n000A27001A2B3C4D\n");
    }
    fs::current_path(previous);
    EXPECT_EQ(err.str(), "");
}

TEST_F(IPodInfoCommand, ReportsNothingFoundWithTheProbesOwnMessages)
{
    EXPECT_EQ(run(volumes.path()), 1);
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(err.str(), "No disk-mode iPod description could be read from " + fs::canonical(volumes.path()).string() + ".\n");

    err.str("");
    device.exclusiveOpenError = EBUSY;
    EXPECT_EQ(run(mountPoint), 1);
    EXPECT_EQ(out.str(), "");
    EXPECT_THAT(err.str(), HasSubstr("xxxxxxxx ObtainExclusiveAccess failed. (0x00000010)\n"));
    EXPECT_THAT(err.str(), HasSubstr("No disk-mode iPod description could be read from " + mountPoint));
}

TEST_F(IPodInfoCommand, EmptyDescriptionIsNotASuccess)
{
    device.setPage(0xC0, FakeScsiTransport::page(0xC5, std::vector<std::uint8_t>{0xC2}));
    EXPECT_EQ(run(mountPoint), 1);
    EXPECT_EQ(out.str(), scratchPath("ipod.plist") + "\n");
    EXPECT_EQ(err.str(), "The iPod at " + mountPoint + " gave an empty description.\n");
}

TEST_F(IPodInfoCommand, MissingMountPointIsAUsageError)
{
    EXPECT_EQ(run(""), 2);
    EXPECT_EQ(err.str(), "usage: bookferry-cli ipod-info MOUNTPOINT\n");
    EXPECT_EQ(out.str(), "");
    EXPECT_TRUE(device.openedPaths.empty());
}
