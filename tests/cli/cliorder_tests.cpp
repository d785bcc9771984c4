// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// bookferry-cli's options where people put them, through the built program.
#include "device/folder/folderbackend.h"
#include "epubbuilder.h"
#include "tempdir.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <gtest/gtest.h>

#include <filesystem>

TEST(CliOptionOrder, AppAndJsonBeforeAndDeviceAfterTheCommand)
{
    TempDir device;
    ScopedScratch scratch;
    FolderDeviceDescription desc;
    desc.uniqueDeviceID = "order";
    desc.values = {{"ProductVersion", "16.7"}, {"DeviceName", "Order Phone"}};
    FolderDeviceApp reader;
    reader.identifier = "org.example.reader";
    reader.displayName = "Reader";
    reader.contentTypes = {"org.idpf.epub-container"};
    std::string error;
    ASSERT_TRUE(writeFolderDevice(device.path(), desc, &error)) << error;
    ASSERT_TRUE(writeFolderDeviceApp(device.path(), reader, &error)) << error;
    const std::string shelf = device.path() + "/apps/org.example.reader/container/Documents/Shelf";
    std::filesystem::create_directories(shelf);
    ASSERT_TRUE(EpubBuilder::validBook("Placed", "Writer").write(shelf + "/placed.epub"));

    auto run = [](const QStringList &args) {
        QProcess p;
        p.start(QStringLiteral(BOOKFERRY_CLI), args);
        EXPECT_TRUE(p.waitForFinished(60000)) << args.join(QLatin1Char(' ')).toStdString();
        return std::make_tuple(p.exitCode(), p.readAllStandardOutput(),
                               p.readAllStandardError().toStdString());
    };
    const QString folder = QString::fromStdString("folder:" + device.path());
    const auto [status, out, err] =
        run({QStringLiteral("--app"), QStringLiteral("org.example.reader"), QStringLiteral("--json"),
             QStringLiteral("list"), QStringLiteral("--device"), folder});
    ASSERT_EQ(status, 0) << err;
    const QJsonArray books = QJsonDocument::fromJson(out).array();
    ASSERT_EQ(books.size(), 1) << out.toStdString();
    EXPECT_EQ(books[0].toObject().value(QStringLiteral("Path")).toString(),
              QStringLiteral("Shelf/placed.epub"));
    EXPECT_EQ(books[0].toObject().value(QStringLiteral("Name")).toString(), QStringLiteral("Placed"));

    const auto [slipStatus, slipOut, slipErr] =
        run({QStringLiteral("--device"), folder, QStringLiteral("list"), QStringLiteral("--jsn")});
    EXPECT_EQ(slipStatus, 2);
    EXPECT_TRUE(slipOut.isEmpty());
    EXPECT_NE(slipErr.find("bookferry-cli: unknown option --jsn; did you mean --json?\n"), std::string::npos)
        << slipErr;
}
