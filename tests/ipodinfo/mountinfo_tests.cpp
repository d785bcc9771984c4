// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// Reading the whole table (in order, the topmost mount last, a missing table said) is the
// probe's: ipodinfo_tests.
#include "ipodinfo/mountinfo.h"

#include <gtest/gtest.h>

TEST(MountInfo, UnescapesTheKernelsOctalEscapesOnly)
{
    EXPECT_EQ(unescapeMountInfoField("/media/My\\040iPod"), "/media/My iPod");
    EXPECT_EQ(unescapeMountInfoField("a\\011b\\012c\\134d"), "a\tb\nc\\d");
    EXPECT_EQ(unescapeMountInfoField("\\134040"), "\\040"); // an escaped backslash before digits
    // Not an escape: too short, not octal, beyond a byte, or a lone backslash.
    EXPECT_EQ(unescapeMountInfoField("x\\04"), "x\\04");
    EXPECT_EQ(unescapeMountInfoField("x\\089"), "x\\089");
    EXPECT_EQ(unescapeMountInfoField("x\\400"), "x\\400");
    EXPECT_EQ(unescapeMountInfoField("x\\"), "x\\");
}

TEST(MountInfo, ParsesLinesWithAndWithoutOptionalFields)
{
    const auto plain = parseMountInfoLine("36 35 8:17 / /media/My\\040iPod rw,nosuid - vfat /dev/sdb1 rw,fmask=0022");
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->major, 8u);
    EXPECT_EQ(plain->minor, 17u);
    EXPECT_EQ(plain->mountPoint, "/media/My iPod");
    EXPECT_EQ(plain->fileSystem, "vfat");
    EXPECT_EQ(plain->source, "/dev/sdb1");

    const auto tagged = parseMountInfoLine("36 35 259:3 /sub /mnt rw shared:1 master:2 - ext4 /dev/nvme0n1p3 rw");
    ASSERT_TRUE(tagged);
    EXPECT_EQ(tagged->major, 259u);
    EXPECT_EQ(tagged->minor, 3u);
    EXPECT_EQ(tagged->mountPoint, "/mnt");
    EXPECT_EQ(tagged->fileSystem, "ext4");

    for (const char *bad : {"", "36 35 8:17 / /mnt rw vfat /dev/sdb1 rw", "36 35 8-17 / /mnt rw - vfat /dev/sdb1 rw",
                            "36 35 8:x / /mnt rw - vfat /dev/sdb1 rw", "36 35 8:17 / /mnt rw - vfat", "36 35 8:17"}) {
        SCOPED_TRACE(bad);
        EXPECT_FALSE(parseMountInfoLine(bad));
    }
}
