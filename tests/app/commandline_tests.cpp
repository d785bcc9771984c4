// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "app/commandline.h"

#include <gtest/gtest.h>

namespace {

CommandLineOptions parse(std::initializer_list<const char *> args)
{
    QStringList list{QStringLiteral("bookferry")};
    for (const char *arg : args)
        list << QString::fromUtf8(arg);
    return parseCommandLine(list);
}

} // namespace

TEST(CommandLine, DeviceSelections)
{
    // The USB link unless asked otherwise, whether or not a device is attached at start.
    EXPECT_EQ(parse({}).device, QStringLiteral("usb"));
    EXPECT_EQ(parse({"--screenshots"}).device, QStringLiteral("usb"));
    EXPECT_EQ(parse({"--device", "demo"}).device, QStringLiteral("demo"));
    EXPECT_EQ(parse({"--device=usb:00008030-0016"}).device, QStringLiteral("usb:00008030-0016"));
    EXPECT_EQ(parse({"--device", "folder:/tmp/phone"}).device, QStringLiteral("folder:/tmp/phone"));
    EXPECT_TRUE(parse({"--device", "usb"}).error.isEmpty());
    EXPECT_FALSE(parse({"--device", "floppy"}).error.isEmpty());
    EXPECT_FALSE(parse({"--device", "folder:"}).error.isEmpty());
    EXPECT_FALSE(parse({"--device"}).error.isEmpty());
    EXPECT_FALSE(parse({"--frobnicate"}).error.isEmpty());
}

TEST(CommandLine, ScreenshotsHelpAndVersion)
{
    const CommandLineOptions plain = parse({"--screenshots"});
    EXPECT_TRUE(plain.screenshots);
    EXPECT_TRUE(plain.screenshotDir.isEmpty());
    const CommandLineOptions withDir = parse({"--screenshots", "/tmp/shots", "--device", "demo"});
    EXPECT_EQ(withDir.screenshotDir, QStringLiteral("/tmp/shots"));
    EXPECT_EQ(withDir.device, QStringLiteral("demo"));
    // A following option is not taken for the folder.
    EXPECT_TRUE(parse({"--screenshots", "--device", "demo"}).screenshotDir.isEmpty());
    EXPECT_TRUE(parse({"--help"}).help);
    EXPECT_TRUE(parse({"--version"}).version);
    EXPECT_TRUE(commandLineHelp().contains(QStringLiteral("folder:DIR")));
}
