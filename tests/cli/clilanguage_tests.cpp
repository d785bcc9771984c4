// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// bookferry-cli is scripted: on a German desktop its reasons stay the English ones the window
// shows translated.
#include "core/resources.h"
#include "device/folder/folderbackend.h"
#include "tempdir.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTranslator>

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <utility>
#include <vector>

TEST(CliLanguageTest, ReasonsStayEnglishUnderAGermanDesktop)
{
    TempDir device, scratch, files;
    FolderDeviceDescription desc;
    desc.uniqueDeviceID = "sprache";
    desc.values = {{"ProductVersion", "16.7"}, {"DeviceName", "Anna"}};
    desc.deviceInfo = {{"Model", "iPhone12,1"}, {"FSTotalBytes", "17179869184"}, {"FSFreeBytes", "1073741824"}};
    std::string error;
    ASSERT_TRUE(writeFolderDevice(device.path(), desc, &error)) << error;
    std::ofstream(files.file("notes.txt")) << "not a book";
    std::ofstream(files.file("kept.plist")) << "<plist><array/></plist>";
    std::ofstream(files.file("broken.epub")) << "not a zip";

    // The German translation knows these reasons: a CLI that loaded it would say them in German.
    QTranslator german;
    ASSERT_TRUE(german.load(QStringLiteral("bookferry_de"), QString::fromStdString(resourcePath("translations"))));
    const struct
    {
        std::vector<std::string> args;
        std::vector<std::pair<const char *, const char *>> sources; // (context, source) of what is said
        std::string english;
    } rows[] = {
        {{"import", files.file("notes.txt")},
         {{"Operations", "not an ePub file (its name does not end in \".epub\")"}},
         "notes.txt: not an ePub file (its name does not end in \".epub\")"},
        {{"restore", files.file("kept.plist")},
         {{"Operations", "not a book catalogue: %1"}, {"Catalogue", "the catalogue's root is not a dictionary"}},
         "kept.plist: not a book catalogue: the catalogue's root is not a dictionary"},
        {{"import", files.file("broken.epub")},
         {{"Archive", "not a readable ePub (zip) file: %1"}},
         "broken.epub: not a readable ePub (zip) file: "},
    };
    for (const auto &row : rows) {
        for (const auto &[context, source] : row.sources)
            EXPECT_FALSE(german.translate(context, source).isEmpty()) << source;
        QProcess cli;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"LC_ALL", "LC_MESSAGES"})
            env.remove(QString::fromLatin1(name));
        env.insert(QStringLiteral("LANGUAGE"), QStringLiteral("de"));
        env.insert(QStringLiteral("LANG"), QStringLiteral("de_DE.UTF-8"));
        env.insert(QStringLiteral("BOOKFERRY_SCRATCH"), QString::fromStdString(scratch.file("scratch")));
        env.insert(QStringLiteral("BOOKFERRY_CLI_WAIT_SECONDS"), QStringLiteral("20"));
        cli.setProcessEnvironment(env);
        QStringList args{QStringLiteral("--device"), QString::fromStdString("folder:" + device.path())};
        for (const std::string &arg : row.args)
            args << QString::fromStdString(arg);
        cli.start(QStringLiteral(BOOKFERRY_CLI), args);
        ASSERT_TRUE(cli.waitForFinished(60000)) << row.args.front();
        const std::string said = cli.readAllStandardOutput().toStdString() + cli.readAllStandardError().toStdString();
        EXPECT_NE(said.find(row.english), std::string::npos) << said;
    }
}
