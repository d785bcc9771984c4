// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// bookferry-cli apps on a device without a reader app: the hint on standard error, and the
// window's "Use for Books" choice read from the settings the two share.
#include "core/appconfigure.h"
#include "device/folder/folderbackend.h"
#include "operations/readerapps.h"
#include "tempdir.h"
#include "clirun.h"

#include <QProcess>
#include <QSettings>

#include <gtest/gtest.h>

namespace {

class ReaderAppsCliTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        FolderDeviceDescription desc;
        desc.uniqueDeviceID = "hintphone";
        desc.values = {{"ProductVersion", "16.7"}, {"DeviceName", "Hint Phone"}};
        desc.deviceInfo = {
            {"Model", "iPhone12,1"}, {"FSTotalBytes", "17179869184"}, {"FSFreeBytes", "1073741824"}};
        std::string error;
        ASSERT_TRUE(writeFolderDevice(m_device.path(), desc, &error)) << error;
        FolderDeviceApp filebox;
        filebox.identifier = "org.example.filebox";
        filebox.displayName = filebox.name = "Filebox";
        filebox.contentTypes = {"public.data"};
        ASSERT_TRUE(writeFolderDeviceApp(m_device.path(), filebox, &error)) << error;
    }
    void TearDown() override { settings().remove(QStringLiteral("UseForBooks")); }
    // The window's settings, which the program started here finds through the test's home.
    static QSettings settings() { return QSettings(QString::fromUtf8(AppName), QString::fromUtf8(AppName)); }
    CliRun cli(const std::vector<std::string> &args)
    {
        return Cli("folder:" + m_device.path(), m_scratch.file("scratch")).run(args);
    }
    TempDir m_device;
    TempDir m_scratch;
};

TEST_F(ReaderAppsCliTest, WithoutAReaderAppsSaysWhatToDoAndTheChoiceMakesOne)
{
    const std::string header = "Identifier\tName\tVersion\tBooks\tReader\n";
    const CliRun none = cli({"apps"});
    ASSERT_EQ(none.exitCode, 0) << none.err;
    EXPECT_EQ(none.out, header);
    EXPECT_NE(none.err.find(noReaderAppHint().toStdString()), std::string::npos) << none.err;
    EXPECT_NE(none.err.find("apps --all"), std::string::npos) << none.err;
    const CliRun all = cli({"apps", "--all"});
    EXPECT_EQ(all.out, header + "org.example.filebox\tFilebox\t1.0\t0\tno\n");

    // Chosen in the window for this device (and not for another), it is a reader here.
    {
        QSettings chosen = settings();
        setAppUsedForBooks(chosen, "another", "org.example.other", true);
        setAppUsedForBooks(chosen, "hintphone", "org.example.filebox", true);
    }
    const CliRun used = cli({"apps"});
    ASSERT_EQ(used.exitCode, 0) << used.err;
    EXPECT_EQ(used.out, header + "org.example.filebox\tFilebox\t1.0\t0\tyes\n");
    EXPECT_EQ(used.err.find("No reader app"), std::string::npos) << used.err;
}

} // namespace
