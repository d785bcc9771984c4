// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "library/ipodrootnode.h"
#include "library/nodeinfo.h"
#include "library/surveyvalues.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <string>

namespace {
// Switches the C library to a comma-decimal locale for the length of a test, as the
// application does when the environment names one.
class CommaDecimalLocale
{
public:
    CommaDecimalLocale() : m_previous(std::setlocale(LC_ALL, nullptr))
    {
        for (const char *name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "fr_FR.UTF-8", "fr_FR.utf8"}) {
            if (std::setlocale(LC_ALL, name)) {
                m_active = true;
                return;
            }
        }
    }
    ~CommaDecimalLocale() { std::setlocale(LC_ALL, m_previous.c_str()); }
    bool active() const { return m_active; }

private:
    std::string m_previous;
    bool m_active = false;
};

constexpr double GiB = 1024.0 * 1024.0 * 1024.0;
} // namespace

TEST(SurveyValues, ReadAndShownTheSameWayInACommaDecimalLocale)
{
    CommaDecimalLocale locale;
    if (!locale.active())
        GTEST_SKIP() << "no comma-decimal locale on this system (generate one with: localedef -i de_DE -f UTF-8 "
                        "de_DE.UTF-8)";
    // The locale really writes commas: what the C library's own formatting would show.
    char text[32];
    std::snprintf(text, sizeof text, "%0.1f", 7.5);
    ASSERT_EQ(std::string(text), "7,5");

    EXPECT_EQ(bytesToGB(7.5 * GiB), "7.5GB");
    EXPECT_EQ(bytesToGB(8.0 * GiB), "8.0GB");
    EXPECT_EQ(bytesToMB(1.5 * 1024 * 1024), "1.5MB");
    EXPECT_EQ(sizeText(GiB), "1.0GB");
    EXPECT_EQ(sizeText(GiB - 1), "1024.0MB");
    EXPECT_EQ(surveyFigure(1234.5), "1234.500000");

    const StringDictionary survey{{"FSTotalBytes", "8589934592"}, {"PhotoSzie", "123.500000"}, {"DeviceName", "Pad"}};
    EXPECT_DOUBLE_EQ(surveyNumber(survey, "FSTotalBytes"), 8.0 * GiB);
    EXPECT_DOUBLE_EQ(surveyNumber(survey, "PhotoSzie"), 123.5);
    EXPECT_DOUBLE_EQ(surveyNumber(survey, "FSFreeBytes"), 0.0);
    EXPECT_DOUBLE_EQ(surveyNumber(survey, "DeviceName"), 0.0);
    EXPECT_EQ(surveyText(survey, "DeviceName"), "Pad");
    EXPECT_EQ(surveyText(survey, "SerialNumber"), "");

    // The device node's derived figure keeps the survey's notation too.
    auto node = iPodRootNode::initWithDictionary({{"Volumes_KEY", "/nowhere"},
                                                  {"guid", "g"},
                                                  {"PhotoSzie", "100.250000"},
                                                  {"BooksSzie", "200.000000"},
                                                  {"MusicSzie", "300.000000"},
                                                  {"VideoSzie", "400.000000"},
                                                  {"ipodType", "iPhone"},
                                                  {"ProductVersion", "4.0"}});
    ASSERT_TRUE(node);
    node->setDeviceInfoDic({{"FSTotalBytes", "2000"}, {"FSFreeBytes", "50"}});
    auto info = node->getNodeInfo();
    ASSERT_TRUE(info);
    EXPECT_EQ(info->device.at("other_Size"), "949.750000");
}

TEST(SurveyValues, SizesRoundToOneDecimalInPowersOf1024)
{
    EXPECT_EQ(bytesToGB(0), "0.0GB");
    EXPECT_EQ(bytesToGB(1.05 * GiB), "1.1GB");
    EXPECT_EQ(bytesToMB(1048576.0 * 999.94), "999.9MB");
    EXPECT_EQ(sizeText(512 * 1024), "0.5MB");
}
