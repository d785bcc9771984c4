// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// bookferry-cli apps on a device without a reader app: the hint on standard error, and the
// window's "Use for Books" choice read from the settings the two share.
#include "core/appconfigure.h"
#include "device/folder/folderbackend.h"
#include "operations/readerapps.h"
#include "tempdir.h"

#include <QProcess>
#include <QSettings>

#include <gtest/gtest.h>

namespace {

struct CliRun
{
    int exitCode = -1;
    std::string out;
    std::string err;
};

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
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("BOOKFERRY_SCRATCH"), QString::fromStdString(m_scratch.file("scratch")));
        env.insert(QStringLiteral("BOOKFERRY_CLI_WAIT_SECONDS"), QStringLiteral("20"));
        p.setProcessEnvironment(env);
        QStringList list{QStringLiteral("--device"), QString::fromStdString("folder:" + m_device.path())};
        for (const auto &a : args)
            list << QString::fromStdString(a);
        p.start(QStringLiteral(BOOKFERRY_CLI), list);
        if (!p.waitForFinished(60000))
            p.kill();
        return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
                p.readAllStandardOutput().toStdString(), p.readAllStandardError().toStdString()};
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
