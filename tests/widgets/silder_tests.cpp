// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "tempdir.h"
#include "testimages.h"
#include "widgets/silder.h"

#include <QByteArray>
#include <QFile>
#include <QtGlobal>
#include <gtest/gtest.h>

#include <limits>
#include <vector>

namespace {

const QColor kFree(200, 200, 200);
const QColor kAudio(255, 0, 0);
const QColor kVideo(0, 255, 0);
const QColor kPhoto(0, 0, 255);
const QColor kOther(255, 255, 0);
const QColor kBooks(0, 255, 255);

// Writes one-colour bar pictures into a private resource folder for the bar to load.
class StorageBar : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_previous = qgetenv("BOOKFERRY_RESOURCES");
        qputenv("BOOKFERRY_RESOURCES", QByteArray::fromStdString(m_dir.path()));
        writeBar("sizebar_free.png", kFree);
        writeBar("sizebar_audio.png", kAudio);
        writeBar("sizebar_video.png", kVideo);
        writeBar("sizebar_photo.png", kPhoto);
        writeBar("sizebar_other.png", kOther);
        writeBar("sizebar_books.png", kBooks);
    }
    void TearDown() override { qputenv("BOOKFERRY_RESOURCES", m_previous); }

    void writeBar(const char *name, QColor colour, int width = 200)
    {
        ASSERT_TRUE(solidImage(width, 10, colour).save(QString::fromStdString(m_dir.file(name))));
    }

    // The colour of every column of the drawn bar.
    static std::vector<QRgb> columns(silder &bar)
    {
        bar.resize(200, 10);
        const QImage drawn = renderWidget(bar);
        std::vector<QRgb> result;
        for (int x = 0; x < drawn.width(); ++x)
            result.push_back(drawn.pixel(x, 5));
        return result;
    }

    // Expected columns from a list of (end, colour) runs.
    static std::vector<QRgb> runs(std::initializer_list<std::pair<int, QColor>> list)
    {
        std::vector<QRgb> result;
        for (const auto &[end, colour] : list)
            while (static_cast<int>(result.size()) < end)
                result.push_back(colour.rgb());
        return result;
    }

    TempDir m_dir;
    QByteArray m_previous;
};

TEST_F(StorageBar, SegmentsFollowAudioVideoPhotoBooksOtherAndSkipEmptyOnes)
{
    // Total 100: audio 20, video 0, photo 10, other 5 on a bar of 200.
    silder bar(100, 65, 0, 20, 10, 5);
    EXPECT_EQ(columns(bar), runs({{40, kAudio}, {60, kPhoto}, {70, kOther}, {200, kFree}}));

    // Video in the middle once it has a size.
    bar.videoSize(15);
    EXPECT_EQ(columns(bar), runs({{40, kAudio}, {70, kVideo}, {90, kPhoto}, {100, kOther}, {200, kFree}}));

    // Books take their own segment between photo and other, not the free space's.
    bar.booksSize(25);
    EXPECT_EQ(columns(bar),
              runs({{40, kAudio}, {70, kVideo}, {90, kPhoto}, {140, kBooks}, {150, kOther}, {200, kFree}}));

    // A negative size counts as none, and leaves no gap.
    bar.videoSize(-15);
    bar.audioSize(-1);
    bar.booksSize(-1);
    EXPECT_EQ(columns(bar), runs({{20, kPhoto}, {30, kOther}, {200, kFree}}));
}

TEST_F(StorageBar, ZeroOrBrokenTotalDrawsOnlyTheFreePicture)
{
    // A bar made by a form has no sizes until it is given them: a total of 0.
    silder formMade;
    EXPECT_EQ(columns(formMade), runs({{200, kFree}}));
    for (const double total : {0.0, -100.0, std::numeric_limits<double>::quiet_NaN()}) {
        silder broken(total, 0, 10, 10, 10, 10);
        EXPECT_EQ(columns(broken), runs({{200, kFree}})) << total;
    }
    // An endless segment is skipped; the others still draw.
    silder endless(100, 0, std::numeric_limits<double>::infinity(), 10, 0, 0);
    EXPECT_EQ(columns(endless), runs({{20, kAudio}, {200, kFree}}));
}

TEST_F(StorageBar, SegmentWidthScalesWithItsOwnPicture)
{
    // A photo picture twice as wide gives photo twice the length.
    writeBar("sizebar_photo.png", kPhoto, 400);
    silder bar(100, 0, 0, 10, 10, 5);
    EXPECT_EQ(columns(bar), runs({{20, kAudio}, {60, kPhoto}, {70, kOther}, {200, kFree}}));
}

TEST_F(StorageBar, MissingPicturesAreNotPainted)
{
    ASSERT_TRUE(QFile::remove(QString::fromStdString(m_dir.file("sizebar_audio.png"))));
    ASSERT_TRUE(QFile::remove(QString::fromStdString(m_dir.file("sizebar_free.png"))));
    silder bar(100, 0, 10, 20, 0, 0);
    // Audio has no picture and so no length; video starts at the left edge. Where nothing is
    // painted the canvas shows through.
    bar.resize(200, 10);
    const QImage drawn = renderWidget(bar, Qt::black);
    EXPECT_EQ(drawn.pixel(0, 5), kVideo.rgb());
    EXPECT_EQ(drawn.pixel(19, 5), kVideo.rgb());
    EXPECT_EQ(drawn.pixel(20, 5), QColor(Qt::black).rgb());
}

} // namespace
