// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// bookferry-cli with PDFs: imported and listed for an app that takes them, refused plainly for
// an app that does not and for the device's own books.
#include "device/folder/folderbackend.h"
#include "library/samplepdf.h"
#include "tempdir.h"
#include "clirun.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

class PdfAppsCliTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        FolderDeviceDescription desc;
        desc.uniqueDeviceID = "pdfphone";
        desc.values = {{"ProductVersion", "16.7"}, {"DeviceName", "PDF Phone"}};
        desc.deviceInfo = {{"Model", "iPhone12,1"}, {"FSTotalBytes", "17179869184"}, {"FSFreeBytes", "1073741824"}};
        std::string error;
        ASSERT_TRUE(writeFolderDevice(m_device.path(), desc, &error)) << error;
        std::filesystem::create_directories(m_device.file("root/Books"));
        for (const auto &[identifier, types] : std::vector<std::pair<std::string, std::vector<std::string>>>{
                 {"org.example.pages", {"org.idpf.epub-container", "com.adobe.pdf"}},
                 {"org.example.leaf", {"org.idpf.epub-container"}}}) {
            FolderDeviceApp app;
            app.identifier = identifier;
            app.displayName = app.name = identifier;
            app.contentTypes = types;
            ASSERT_TRUE(writeFolderDeviceApp(m_device.path(), app, &error)) << error;
        }
        SamplePdf sample;
        sample.title = "Moths of the Valley";
        sample.author = "T. Renn";
        writeWholeFile(m_files.file("Moths.pdf"), samplePdf(sample));
    }
    CliRun cli(const std::vector<std::string> &args)
    {
        return Cli("folder:" + m_device.path(), m_files.file("scratch")).run(args);
    }
    TempDir m_device;
    TempDir m_files;
};

} // namespace

TEST_F(PdfAppsCliTest, APdfGoesOnlyWhereItIsTaken)
{
    const std::string pdf = m_files.file("Moths.pdf");
    struct Row
    {
        std::vector<std::string> args;
        int exitCode;
        const char *said; // on standard error
    };
    for (const Row &row : std::vector<Row>{
             {{"import", pdf}, 1, "the device's own books are ePub only"},
             {{"--app", "org.example.leaf", "import", pdf}, 1, "does not say it takes PDFs"},
             {{"--app", "org.example.pages", "import", pdf}, 0, ""}}) {
        SCOPED_TRACE(row.args[0] + " " + row.args[1]);
        const CliRun run = cli(row.args);
        EXPECT_EQ(run.exitCode, row.exitCode) << run.err;
        EXPECT_NE(run.err.find(row.said), std::string::npos) << run.err;
    }
    EXPECT_TRUE(std::filesystem::exists(m_device.file("apps/org.example.pages/container/Documents/Moths.pdf")));
    EXPECT_FALSE(std::filesystem::exists(m_device.file("apps/org.example.leaf/container/Documents/Moths.pdf")));

    const CliRun list = cli({"--app", "org.example.pages", "list"});
    ASSERT_EQ(list.exitCode, 0) << list.err;
    EXPECT_NE(list.out.find("Moths.pdf\tMoths of the Valley\tT. Renn\t"), std::string::npos) << list.out;
    const CliRun apps = cli({"apps"});
    EXPECT_NE(apps.out.find("org.example.pages\torg.example.pages\t1.0\t1\t"), std::string::npos) << apps.out;
}
