// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "core/scratch.h"
#include "fakescsitransport.h"
#include "fakesysfs.h"
#include "ipodinfo/assertion.h"
#include "ipodinfo/ipodinfo.h"
#include "ipodinfo/linuxscsitransport.h"
#include "ipodinfo/scsitask.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/stat.h>

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using Bytes = std::vector<std::uint8_t>;

namespace {
const std::string kHead = "<?xml version=\"1.0\"?><plist><dict><key>FireWireGUID</key>";
const std::string kTail = "<string>000A27001A2B3C4D</string></dict></plist>";

class IPodProbe : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ipodFolder = fs::canonical(sysfs.addDisk(FakeDisk{})).string();
        sysfs.addMount(8, 17, "/media/user/My\\040iPod");
        device.setPage(0xC0, FakeScsiTransport::page(0xC0, Bytes{0xC2, 0xC3}));
        device.setPage(0xC2, FakeScsiTransport::page(0xC2, kHead));
        device.setPage(0xC3, FakeScsiTransport::page(0xC3, kTail));
    }

    std::string descriptionPath() const { return scratchPath("ipod.plist"); }
    void expectNothingRead()
    {
        EXPECT_TRUE(device.commands.empty());
        EXPECT_FALSE(fs::exists(descriptionPath()));
        EXPECT_EQ(device.openDescriptors(), 0);
    }

    ScopedScratch scratch;
    FakeSysfs sysfs;
    FakeScsiTransport device;
    std::ostringstream out, err;
    IPodProbeEnvironment env = sysfs.environment(device, out, err);
    std::string ipodFolder;
};

std::vector<std::string> g_failedConditions;
void recordCondition(const char *condition, const char *, int, const char *)
{
    g_failedConditions.push_back(condition);
}
} // namespace

TEST_F(IPodProbe, DescriptionIsTheListedPagesInOrder)
{
    device.setPage(0xC1, FakeScsiTransport::page(0xC1, "not listed"));
    const std::optional<std::string> path = GetiPodInfoPlistByVolume("/media/user/My iPod", env);

    ASSERT_TRUE(path);
    EXPECT_EQ(*path, descriptionPath());
    EXPECT_EQ(readWholeFile(*path), kHead + kTail);
    EXPECT_EQ(fs::status(*path).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_THAT(device.pagesAsked(), ElementsAre(0xC0, 0xC2, 0xC3));
    for (const FakeScsiTransport::Command &command : device.commands) {
        EXPECT_THAT(command.cdb, ElementsAre(0x12, 0x01, command.cdb[2], 0x00, 0xFF, 0x00));
        EXPECT_EQ(command.cdbLength, 6u);
        EXPECT_EQ(command.direction, SG_DXFER_FROM_DEV);
        EXPECT_EQ(command.transferLength, 255u);
        EXPECT_EQ(command.timeout, 10000u);
        EXPECT_EQ(command.senseLength, 18u);
        EXPECT_TRUE(command.exclusive);
    }
    EXPECT_EQ(device.openedPaths.back(), "/fake-dev/sg2");
    EXPECT_EQ(device.openDescriptors(), 0);
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(err.str(), "");
}

// Only the iPod's own mount point, spelled exactly and topmost on its path, leads to it; an
// unreadable mount table leads nowhere. Nothing is read from the device on the way.
TEST_F(IPodProbe, OnlyTheTopmostMountSpelledExactlyCounts)
{
    for (const char *mountPoint : {"/media/user/My iPod/", "/media/user/My", "/media/user/My\\040iPod",
                                   "/media/user", "media/user/My iPod", ""}) {
        SCOPED_TRACE(mountPoint);
        EXPECT_FALSE(GetiPodInfoPlistByVolume(mountPoint, env));
    }
    EXPECT_EQ(out.str(), "");

    const std::string table = env.mountInfoPath;
    env.mountInfoPath = table + ".missing";
    EXPECT_FALSE(GetiPodInfoPlistByVolume("/media/user/My iPod", env));
    EXPECT_THAT(out.str(), HasSubstr("Cannot read"));
    env.mountInfoPath = table;

    out.str("");
    sysfs.addMount(0, 45, "/media/user/My\\040iPod", "tmpfs");
    EXPECT_FALSE(GetiPodInfoPlistByVolume("/media/user/My iPod", env));
    EXPECT_EQ(out.str(), "PBHGetVolParmsSync returned -2\n");
    expectNothingRead();

    sysfs.addMount(8, 17, "/media/user/My\\040iPod");
    EXPECT_TRUE(GetiPodInfoPlistByVolume("/media/user/My iPod", env));
}

// A failed index leaves an empty description (the one before it goes); the first failed page
// ends the reading with the pages before it.
TEST_F(IPodProbe, AFailedPageEndsTheDescriptionWhereItFailed)
{
    const Bytes index{0xC2, 0xC3, 0xC4};
    device.setPage(0xC4, FakeScsiTransport::page(0xC4, "never read"));
    const Bytes all{0xC0, 0xC2, 0xC3};
    const struct
    {
        const char *name;
        std::uint8_t code;
        FakeScsiTransport::Answer answer;
        std::string description;
        Bytes asked;
        std::string said;
    } rows[] = {
        {"index of another page code", 0xC0, {FakeScsiTransport::page(0xC1, index)}, "", {0xC0}, ""},
        {"index with check condition", 0xC0,
         {FakeScsiTransport::page(0xC0, index), 0, kScsiTaskStatusCheckCondition}, "", {0xC0}, ""},
        {"check condition", 0xC3,
         {FakeScsiTransport::page(0xC3, kTail), 0, kScsiTaskStatusCheckCondition}, kHead, all, ""},
        {"adapter lost the device", 0xC3, {FakeScsiTransport::page(0xC3, kTail), 0, 0, 0x01}, kHead, all, ""},
        {"request failed", 0xC3, {{}, EIO}, kHead, all, "xxxxxxxx Error executing task. (0x00000005)\n"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        writeWholeFile(descriptionPath(), "stale description");
        device.commands.clear();
        err.str("");
        device.setAnswer(0xC0, {FakeScsiTransport::page(0xC0, index)});
        device.setAnswer(0xC3, {FakeScsiTransport::page(0xC3, kTail)});
        device.setAnswer(row.code, row.answer);
        const std::optional<std::string> path = GetiPodInfoPlistByDeviceID("sdb", env);
        ASSERT_TRUE(path);
        EXPECT_EQ(*path, descriptionPath());
        EXPECT_EQ(readWholeFile(*path), row.description);
        EXPECT_EQ(device.pagesAsked(), row.asked);
        EXPECT_EQ(err.str(), row.said);
    }
}

TEST_F(IPodProbe, AnswersClaimingMoreThanTheBufferAreCutAtItsEnd)
{
    // Length bytes of 255 would put the payload 4 bytes past a 255-byte buffer.
    device.setPage(0xC0, FakeScsiTransport::page(0xC0, Bytes(255, 0xC2), 255));
    Bytes payload(255);
    for (std::size_t i = 0; i < payload.size(); ++i)
        payload[i] = static_cast<std::uint8_t>(i);
    device.setPage(0xC2, FakeScsiTransport::page(0xC2, payload, 255));

    const std::optional<std::string> path = GetiPodInfoPlistByServiceID({ipodFolder}, env);
    ASSERT_TRUE(path);
    EXPECT_EQ(device.commands.size(), 1u + 251u);
    const std::string description = readWholeFile(*path);
    ASSERT_EQ(description.size(), 251u * 251u);
    EXPECT_EQ(description.substr(0, 251), std::string(payload.begin(), payload.begin() + 251));
    EXPECT_THAT(err.str(), HasSubstr("xxxxxxxx Page 0xc0 claims 255 bytes; only 251 fit the inquiry buffer.\n"));
    EXPECT_THAT(err.str(), HasSubstr("xxxxxxxx Page 0xc2 claims 255 bytes; only 251 fit the inquiry buffer.\n"));
}

// A device that cannot be opened, taken for itself or let go again gives no description, says
// why, and keeps no descriptor.
TEST_F(IPodProbe, DevicesThatCannotBeOpenedOrReleasedGiveNothing)
{
    const struct
    {
        int FakeScsiTransport::*error;
        int value;
        const char *message;
    } rows[] = {
        {&FakeScsiTransport::openError, EACCES, "xxxxxxxx Couldn't create SCSI device interface. (13)\n"},
        {&FakeScsiTransport::exclusiveOpenError, EBUSY, "xxxxxxxx ObtainExclusiveAccess failed. (0x00000010)\n"},
        {&FakeScsiTransport::reopenError, EIO, "xxxxxxxx ReleaseExclusiveAccess failed. (0x00000005)\n"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.message);
        device.*row.error = row.value;
        err.str("");
        EXPECT_FALSE(GetiPodInfoPlistByVolume("/media/user/My iPod", env));
        EXPECT_EQ(err.str(), row.message);
        if (row.error != &FakeScsiTransport::reopenError)
            expectNothingRead();
        EXPECT_EQ(device.openDescriptors(), 0);
        device.*row.error = 0;
    }
}

TEST_F(IPodProbe, WithoutTheSgDriverTheMountedDiskIsUsedShared)
{
    FakeDisk disk;
    disk.host = 7;
    disk.disk = "sdc";
    disk.minor = 32;
    disk.partitions = {"sdc1"};
    disk.generic.clear();
    sysfs.addDisk(disk);
    // The kernel refuses O_EXCL on a disk whose partition is mounted.
    device.exclusiveOpenError = EBUSY;

    EXPECT_TRUE(GetiPodInfoPlistByDeviceID("sdc1", env));
    EXPECT_EQ(device.openedPaths.back(), "/fake-dev/sdc");
    EXPECT_THAT(device.pagesAsked(), ElementsAre(0xC0, 0xC2, 0xC3));
    EXPECT_FALSE(device.commands.front().exclusive);
    EXPECT_EQ(err.str(), "");
    EXPECT_EQ(device.openDescriptors(), 0);
}

TEST_F(IPodProbe, KernelNamesOfTheDiskItsPartitionAndItsSgNodeAllLeadToTheIPod)
{
    for (const char *name : {"sdb", "sdb1", "sg2"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(GetiPodInfoPlistByDeviceID(name, env), descriptionPath());
    }
    EXPECT_FALSE(GetiPodInfoPlistByDeviceID("sdz", env));
    EXPECT_EQ(out.str(), "");

    for (const char *name : {"", "..", "/dev/sdb", "sdb/../sdb"}) {
        SCOPED_TRACE(name);
        out.str("");
        EXPECT_FALSE(GetiPodInfoPlistByDeviceID(name, env));
        EXPECT_EQ(out.str(), "IOBSDNameMatching returned a NULL dictionary.\n");
    }
}

TEST_F(IPodProbe, UpwardSearchFindsTheNearestIPodAncestor)
{
    const fs::path ipod(ipodFolder);
    EXPECT_EQ(ProbeNearby({(ipod / "block/sdb/sdb1").string()}, env).path, ipodFolder);
    EXPECT_EQ(ProbeNearby({(ipod / "block/sdb").string()}, env).path, ipodFolder);
    EXPECT_EQ(ProbeNearby({(ipod / "scsi_generic/sg2").string()}, env).path, ipodFolder);
    EXPECT_EQ(ProbeNearby({ipodFolder}, env).path, ipodFolder);
    // Ancestors of the SCSI device are not it; the search never looks down.
    EXPECT_EQ(ProbeNearby({ipod.parent_path().string()}, env), IO_OBJECT_NULL);
    EXPECT_EQ(ProbeNearby({sysfs.sysfsRoot() + "/devices"}, env), IO_OBJECT_NULL);
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(device.openDescriptors(), 0);
    EXPECT_TRUE(device.commands.empty());
    // From outside the device tree, or from a device gone, it says why.
    EXPECT_EQ(ProbeNearby({scratch.path()}, env), IO_OBJECT_NULL);
    EXPECT_EQ(out.str(), "IORegistryEntryCreateIterator returned -22\n");
    out.str("");
    EXPECT_EQ(ProbeNearby({sysfs.sysfsRoot() + "/devices/gone"}, env), IO_OBJECT_NULL);
    EXPECT_EQ(out.str(), "IORegistryEntryCreateIterator returned -2\n");
}

TEST_F(IPodProbe, UpwardSearchPassesOverDisksOfOtherMakers)
{
    for (auto [vendor, model] : {std::pair{"SanDisk ", "Cruzer          "}, {"Apple   ", "iPhone          "}}) {
        SCOPED_TRACE(model);
        FakeSysfs other;
        FakeDisk disk;
        disk.vendor = vendor;
        disk.model = model;
        other.addDisk(disk);
        const IPodProbeEnvironment otherEnv = other.environment(device, out, err);
        EXPECT_EQ(ProbeNearby({other.sysfsRoot() + "/class/block/sdb1"}, otherEnv), IO_OBJECT_NULL);
        EXPECT_FALSE(GetiPodInfoPlistByDeviceID("sdb1", otherEnv));
    }
    EXPECT_TRUE(device.openedPaths.empty());
}

// (What an inquiry answers is read through the descriptions it makes.)
TEST_F(IPodProbe, ADeviceClosedByAFailedReleaseTakesNoMoreTasks)
{
    ScsiDeviceNode node;
    std::unique_ptr<ScsiTaskDeviceInterface> interface;
    ASSERT_TRUE(CreateDeviceInterfaceUsingSTUC({ipodFolder}, node, interface, env));
    device.reopenError = EIO;
    ASSERT_EQ(interface->obtainExclusiveAccess(), 0);
    EXPECT_EQ(interface->releaseExclusiveAccess(), EIO);
    InquiryBuffer buffer{};
    EXPECT_FALSE(ExecuteVPDInquiryUsingSTUC(interface.get(), 0xC0, buffer, env));
    EXPECT_EQ(err.str(), "xxxxxxxx CreateSCSITask returned NULL.\n");
}

TEST(LinuxScsiTransport, OpensOnlyTheDeviceSysfsNamed)
{
    struct stat null{};
    ASSERT_EQ(::stat("/dev/null", &null), 0);
    LinuxScsiTransport kernel;
    TempDir dir;
    writeWholeFile(dir.file("sg9"), "not a device");

    EXPECT_EQ(kernel.openNode({dir.file("sg9"), 0, true}, O_RDONLY), -ENODEV);
    EXPECT_EQ(kernel.openNode({dir.file("sg8"), 0, true}, O_RDONLY), -ENOENT);
    EXPECT_EQ(kernel.openNode({"/dev/null", null.st_rdev + 1, true}, O_RDONLY), -ENODEV);
    EXPECT_EQ(kernel.openNode({"/dev/null", null.st_rdev, false}, O_RDONLY), -ENODEV); // not a block node

    // A character device that is no SCSI device refuses SG_IO.
    std::ostringstream out, err;
    IPodProbeEnvironment env;
    env.transport = &kernel;
    env.out = &out;
    env.err = &err;
    int error = 0;
    const auto device = ScsiTaskDeviceInterface::open(kernel, {"/dev/null", null.st_rdev, true}, &error);
    ASSERT_TRUE(device) << error;
    InquiryBuffer buffer{};
    EXPECT_FALSE(ExecuteVPDInquiryUsingSTUC(device.get(), 0xC0, buffer, env));
    EXPECT_EQ(err.str(), "xxxxxxxx Error executing task. (0x00000019)\n"); // ENOTTY
}

TEST(GetFirstKeyValue, ReadsSixteenHexDigitsOfTheFirstString)
{
    using Value = std::array<std::uint8_t, 8>;
    const std::vector<std::pair<std::string, Value>> cases = {
        {"<key>a</key><string>0123456789abcdef</string>", {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF}},
        {"<string>0123456789ABCDEF77</string>", {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF}},
        {"<string>1A2</string>", {0x1A, 0x20, 0, 0, 0, 0, 0, 0}},
        {"<string>zz12xyAB-+ fF</string>", {0x00, 0x12, 0x00, 0xAB, 0x00, 0x0F, 0xF0, 0x00}},
        {"<string>12</string><string>3456</string>", {0x12, 0, 0, 0, 0, 0, 0, 0}},
        {"</string><string>ab</string>", {0xAB, 0, 0, 0, 0, 0, 0, 0}},
        {"<string>1234", {0x12, 0x34, 0, 0, 0, 0, 0, 0}},
        {std::string("<string>ab\0cd</string>", 21), {0xAB, 0, 0, 0, 0, 0, 0, 0}},
        {"<key>a</key><integer>1234</integer>", {}},
        {"", {}},
    };
    for (const auto &[xml, expected] : cases) {
        SCOPED_TRACE(xml);
        Value output;
        output.fill(0x5A);
        EXPECT_EQ(&GetFirstKeyValue(xml, output), &output);
        EXPECT_EQ(output, expected);
    }
}

TEST(Preconditions, ReportTheirConditionAndFail)
{
    g_failedConditions.clear();
    const AssertionHandler previous = setAssertionHandler(&recordCondition);
    ScsiDeviceNode node;
    std::unique_ptr<ScsiTaskDeviceInterface> interface;
    InquiryBuffer buffer{};
    EXPECT_FALSE(CreateDeviceInterfaceUsingSTUC(IO_OBJECT_NULL, node, interface));
    EXPECT_FALSE(ExecuteVPDInquiryUsingSTUC(nullptr, 0xC0, buffer));
    CreateMatchingDictionaryForSTUC(nullptr);
    setAssertionHandler(previous);
    EXPECT_THAT(g_failedConditions, ElementsAre("scsiDevice != IO_OBJECT_NULL", "interface != NULL",
                                                "matchingDict != NULL"));
}

// The checks stay on in release builds (these tests are built with NDEBUG): a broken
// precondition aborts instead of dereferencing null.
TEST(PreconditionsDeathTest, AbortByDefault)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    InquiryBuffer buffer{};
    EXPECT_DEATH(ExecuteVPDInquiryUsingSTUC(nullptr, 0xC0, buffer), "Assertion `interface != NULL' failed");
}
