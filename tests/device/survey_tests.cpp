// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "devicetest.h"

#include <filesystem>

namespace fs = std::filesystem;

using SurveyTest = DeviceTest;

namespace {
class CountingWindow : public HeadlessLoadWindow
{
public:
    void surveyProgress(int foldersWalked) override { last = foldersWalked; }
    int last = 0;
};

} // namespace

TEST_F(SurveyTest, AnIPhoneIsDescribedUnderTheFixedKeys)
{
    device.iPhone("16.7")
        .file("/Books/Books.plist", "catalogue")
        .file("/Books/Purchases/Purchases.plist", "purchases")
        .file("/Books/ABCD.epub/mimetype", std::string(100, 'm'))
        .file("/DCIM/100APPLE/IMG_0001.JPG", std::string(1000, 'j'))
        .file("/Photos/Thumbs/F01/t.ithmb", std::string(24, 't'))
        .file("/iTunes_Control/Music/F00/song.mp3", std::string(300, 's'))
        .file("/iTunes_Control/Music/F01/film.m4v", std::string(700, 'v'));
    auto s = survey();
    ASSERT_TRUE(s);
    const StringDictionary expected = {
        {"ipodType", "iPhone"},
        {"FamilyID", "10000"},
        {"FSTotalBytes", "64000000000"},
        {"FSFreeBytes", "32000000000"},
        {"ProductVersion", "16.7"},
        {"SerialNumber", "C39TESTSERIAL"},
        {"VolumeFormat", "APFS"},
        {"DeviceName", "Test iPhone"},
        {"guid", "0123456789abcdef0123456789abcdef01234567"},
        {"PhotoSzie", "1024.000000"},
        {"BooksSzie", std::to_string(9 + 9 + 100) + ".000000"},
        {"MusicSzie", "300.000000"},
        {"VideoSzie", "700.000000"},
    };
    EXPECT_EQ(*s, expected);
    EXPECT_EQ(readWholeFile(deviceCopyPath("Books/Books.plist")), "catalogue");
    EXPECT_EQ(readWholeFile(deviceCopyPath("Books/Purchases/Purchases.plist")), "purchases");
    EXPECT_EQ(fs::status(deviceCopyPath("Books")).permissions() & fs::perms::all, fs::perms::owner_all);
}

TEST_F(SurveyTest, KindTableAndNamingRule)
{
    struct Case
    {
        std::optional<std::string> model;
        std::optional<std::string> name;
        const char *type;
        const char *family;
        const char *shownName;
    };
    const Case cases[] = {
        {"iPod touch", "Pod", "iPod Touch", "10001", "Pod"},
        {"iPhone12,1", "", "iPhone", "10000", ""},
        {"iPad8,1", "", "iPad", "10002", "ipad"},
        {"iPad8,1", "Tablet", "iPad", "10002", "Tablet"},
        {"Watch5,1", std::nullopt, "UnKnow", "-1", "UnKnow Device Name"},
        {std::nullopt, "", nullptr, nullptr, ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.model.value_or("(no model)"));
        FolderDeviceBuilder b;
        if (c.model)
            b.model(*c.model);
        if (c.name)
            b.value("DeviceName", *c.name);
        b.write();
        if (!link)
            startLink();
        am_device *dev = plugIn(b.dir());
        auto s = lastSurvey();
        ASSERT_TRUE(s);
        if (c.type) {
            EXPECT_EQ(s->at("ipodType"), c.type);
            EXPECT_EQ(s->at("FamilyID"), c.family);
        } else {
            EXPECT_EQ(s->count("ipodType"), 0u);
            EXPECT_EQ(s->count("FamilyID"), 0u);
        }
        EXPECT_EQ(s->at("DeviceName"), c.shownName);
        EXPECT_EQ(s->at("ProductVersion"), "UnKnow Product Version");
        EXPECT_EQ(s->at("SerialNumber"), "UnKnow Serial Number");
        EXPECT_EQ(s->at("VolumeFormat"), "Mac OS X");
        EXPECT_EQ(s->at("PhotoSzie"), "0.000000");
        backend->detach(dev);
    }
}

TEST_F(SurveyTest, OnlySoftware3AndLaterHasItsCatalogueCopied)
{
    // Copies another device left are not this one's books: they go.
    device.iPhone("2.2.1").file("/Books/Books.plist", "device catalogue");
    writeWholeFile(deviceCopyPath("Books/Books.plist"), "older copy");
    writeWholeFile(deviceCopyPath("Books/Purchases/Purchases.plist"), "older purchases");
    ASSERT_TRUE(survey());
    EXPECT_FALSE(fs::exists(deviceCopyPath("Books/Books.plist")));
    EXPECT_FALSE(fs::exists(deviceCopyPath("Books/Purchases/Purchases.plist")));

    device.value("ProductVersion", "3.0").write();
    plugIn(device.dir());
    EXPECT_EQ(readWholeFile(deviceCopyPath("Books/Books.plist")), "device catalogue");
    // The purchases catalogue is missing on the device: its copy is left empty.
    EXPECT_TRUE(fs::exists(deviceCopyPath("Books/Purchases/Purchases.plist")));
    EXPECT_EQ(fs::file_size(deviceCopyPath("Books/Purchases/Purchases.plist")), 0u);
}

TEST_F(SurveyTest, FolderSumsSkipHiddenNamesAndMatchExtensionsAnywhereInThePath)
{
    device.file("/Books/.hidden", std::string(1000, 'h'))
        .file("/Books/.Trash/big", std::string(1000, 'h'))
        .file("/Books/ABCD.epub/x", std::string(10, 'x'))
        .file("/iTunes_Control/Music/F00/ABCD.m4v", std::string(100, 'v'))
        .file("/iTunes_Control/Music/F01/m4a.MOV", std::string(40, 'b'))
        .file("/iTunes_Control/Music/m4a/notes.txt", std::string(7, 'n'))
        .file("/iTunes_Control/Music/F02/song.mp3", std::string(5, 's'))
        .file("/iTunes_Control/Music/F02/.song.mp3", std::string(500, 's'));
    userDataIphone *d = openDevice();
    EXPECT_EQ(get_file_size_in_floder(d, "/Books", nullptr), 10u);
    EXPECT_EQ(get_file_size_in_floder(d, "/iTunes_Control/Music", kMusicExtensions), 40u + 7 + 5);
    EXPECT_EQ(get_file_size_in_floder(d, "/iTunes_Control/Music", kVideoExtensions), 100u + 40);
    EXPECT_EQ(get_file_size_in_floder(d, "/missing", nullptr), 0u);
    // One walk answers both lists with the same figures.
    EXPECT_EQ(folderSums(d, "/iTunes_Control/Music", {kMusicExtensions, kVideoExtensions}),
              (std::vector<uint64_t>{52, 140}));
}

TEST_F(SurveyTest, SumsAre64BitAndOneInformationRequestServesEachEntry)
{
    device.sparseFile("/DCIM/a", 3ull << 30).sparseFile("/DCIM/b", 3ull << 30).folder("/DCIM/sub");
    userDataIphone *d = openDevice();
    EXPECT_EQ(get_file_size_in_floder(d, "/DCIM", nullptr), 6ull << 30);
    EXPECT_EQ(DeviceFaultInjector::instance().calls("AFCFileInfoOpen"), 3u);
}

TEST_F(SurveyTest, FoldersWalkedAreReportedToTheWindow)
{
    device.iPhone().file("/Books/A/x", "x").file("/Books/B/y", "y").file("/DCIM/z", "z");
    device.write();
    CountingWindow counting;
    link = loadIPhone::initDevice(&counting);
    ASSERT_NE(link, nullptr);
    plugIn(device.dir());
    // Reports are queued before the hand-over that ended the window, so all have arrived:
    // /DCIM, /Books/A, /Books/B and /Books (missing folders are not walked).
    EXPECT_EQ(counting.last, 4);
    EXPECT_EQ(counting.timesRun(), 1);
    // Without thumbnails the photo figure is the camera folder's sum.
    ASSERT_TRUE(lastSurvey());
    EXPECT_EQ(lastSurvey()->at("PhotoSzie"), "1.000000");
}

TEST_F(SurveyTest, TheWalkOverSeveralConnectionsEndsWhenTheDeviceStopsAnsweringPartWay)
{
    for (int b = 0; b < 30; ++b)
        device.file("/DCIM/" + std::to_string(100 + b) + "APPLE/IMG.JPG", std::string(10, 'j'))
            .file("/DCIM/" + std::to_string(100 + b) + "APPLE/IMG.MOV", std::string(5, 'm'));
    userDataIphone *d = openDevice();
    std::vector<afc_connection *> lanes(3, nullptr);
    for (afc_connection *&lane : lanes) {
        service_conn_t service = 0;
        ASSERT_EQ(AMDeviceStartService(d->dev, "com.apple.afc", &service, nullptr), 0);
        ASSERT_EQ(AFCConnectionOpen(service, 0, &lane), 0);
    }
    auto &faults = DeviceFaultInjector::instance();
    for (unsigned long from : {1ul, 2ul, 7ul, 40ul, 90ul}) {
        SCOPED_TRACE(from);
        faults.reset();
        faults.failFromCall(from);
        stdoutLines([&] { folderSums(d, "/DCIM", {nullptr}, {}, lanes); });
        // It ends, having listed each folder and asked about each entry once at most.
        EXPECT_LE(faults.calls("AFCDirectoryOpen"), 31u);
        EXPECT_LE(faults.calls("AFCFileInfoOpen"), 30u * 3);
    }
    faults.reset();
    EXPECT_EQ(folderSums(d, "/DCIM", {nullptr}, {}, lanes).front(), 30u * 15);
}
