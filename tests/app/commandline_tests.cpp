// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// The window's command line: the device, the books the desktop hands over, the screenshots.
#include "app/commandline.h"

#include <gtest/gtest.h>

#include <QDir>

TEST(CommandLine, DevicesFilesAndScreenshots)
{
    const QString here = QDir::currentPath();
    struct Row
    {
        QStringList arguments;
        QString device; // empty: the command line is refused
        QStringList files = {};
        bool deviceGiven = false;
        bool screenshots = false;
        QString screenshotDir = {};
    };
    const auto q = [](const char *text) { return QString::fromUtf8(text); };
    // The USB link unless asked otherwise, whether or not a device is attached at start.
    const Row rows[] = {
        {{}, q("usb")},
        {{q("--device"), q("demo")}, q("demo"), {}, true},
        {{q("--device=usb:00008030-0016")}, q("usb:00008030-0016"), {}, true},
        {{q("--device"), q("folder:/tmp/phone")}, q("folder:/tmp/phone"), {}, true},
        {{q("--device"), q("usb")}, q("usb"), {}, true},
        {{q("--device"), q("floppy")}, {}},
        {{q("--device"), q("folder:")}, {}},
        {{q("--device")}, {}},
        {{q("--frobnicate")}, {}},
        {{q("--odd.epub")}, {}},
        // Paths and file addresses, resolved against the working folder.
        {{q("a.epub"), q("/b/c.epub")}, q("usb"), {here + q("/a.epub"), q("/b/c.epub")}},
        {{q("file:///b/d%20e.epub")}, q("usb"), {q("/b/d e.epub")}},
        {{q("--device"), q("demo"), q("--"), q("--odd.epub")}, q("demo"), {here + q("/--odd.epub")}, true},
        {{q("--screenshots")}, q("usb"), {}, false, true},
        {{q("--screenshots"), q("/tmp/shots"), q("--device"), q("demo")},
         q("demo"), {}, true, true, q("/tmp/shots")},
        // A following option is not taken for the folder.
        {{q("--screenshots"), q("--device"), q("demo")}, q("demo"), {}, true, true},
        {{q("--screenshots=/tmp/s"), q("a.epub")}, {}},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.arguments.join(QLatin1Char(' ')).toStdString());
        const CommandLineOptions options = parseCommandLine(QStringList{q("bookferry")} + row.arguments);
        EXPECT_EQ(options.error.isEmpty(), !row.device.isEmpty()) << options.error.toStdString();
        if (row.device.isEmpty())
            continue;
        EXPECT_EQ(options.device, row.device);
        EXPECT_EQ(options.files, row.files);
        EXPECT_EQ(options.deviceGiven, row.deviceGiven);
        EXPECT_EQ(options.screenshots, row.screenshots);
        EXPECT_EQ(options.screenshotDir, row.screenshotDir);
    }
    EXPECT_TRUE(parseCommandLine({q("bookferry"), q("--help")}).help);
    EXPECT_TRUE(parseCommandLine({q("bookferry"), q("--version")}).version);
    EXPECT_TRUE(commandLineHelp().contains(q("folder:DIR")));
    // Two starts meaning the same folder device from different folders agree.
    EXPECT_EQ(canonicalDeviceSelection(q("folder:phone/../phone")), q("folder:") + here + q("/phone"));
    EXPECT_EQ(canonicalDeviceSelection(q("usb:ABC")), q("usb:ABC"));
}
