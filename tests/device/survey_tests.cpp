// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "devicetest.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>
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

// The folder backend with two habits of a slow link: a listing is held until a second one
// is under way (or 50 ms have passed), so a test sees how many folders a walk keeps going
// at once; and a path holding "unreadable" cannot be asked about, one holding "unlistable"
// cannot be listed, whichever connection asks.
class WalkProbeBackend : public FolderBackend
{
public:
    int fileInfo(afc_connection *c, const char *path, afc_dictionary &out) override
    {
        if (std::strstr(path, "unreadable"))
            return MDERR_FAILED;
        return FolderBackend::fileInfo(c, path, out);
    }
    int directoryList(afc_connection *c, const char *path, afc_directory &out) override
    {
        if (std::strstr(path, "unlistable"))
            return MDERR_FAILED;
        {
            std::unique_lock lock(m_gate);
            m_most = std::max(m_most, ++m_listing);
            m_changed.notify_all();
            if (m_hold)
                m_changed.wait_for(lock, std::chrono::milliseconds(50), [this] { return m_listing >= 2; });
        }
        const int rc = FolderBackend::directoryList(c, path, out);
        std::lock_guard lock(m_gate);
        --m_listing;
        return rc;
    }
    void holdListings(bool hold)
    {
        std::lock_guard lock(m_gate);
        m_hold = hold;
        m_most = 0;
    }
    int mostListingsAtOnce() const
    {
        std::lock_guard lock(m_gate);
        return m_most;
    }

private:
    mutable std::mutex m_gate;
    std::condition_variable m_changed;
    int m_listing = 0;
    int m_most = 0;
    bool m_hold = false;
};

// A survey test on the probing backend, with three extra connections to walk over.
class SurveyWalkTest : public DeviceTest
{
protected:
    void SetUp() override
    {
        DeviceTest::SetUp();
        auto probe = std::make_unique<WalkProbeBackend>();
        backend = probe.get();
        m_probe = probe.get();
        setDeviceBackend(std::move(probe));
    }
    std::vector<afc_connection *> openLanes(userDataIphone *d)
    {
        std::vector<afc_connection *> lanes(3, nullptr);
        for (afc_connection *&lane : lanes) {
            service_conn_t service = 0;
            EXPECT_EQ(AMDeviceStartService(d->dev, "com.apple.afc", &service, nullptr), 0);
            EXPECT_EQ(AFCConnectionOpen(service, 0, &lane), 0);
        }
        DeviceFaultInjector::instance().reset();
        return lanes;
    }
    WalkProbeBackend *m_probe = nullptr;
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

TEST_F(SurveyWalkTest, AWalkOverSeveralConnectionsKeepsFoldersGoingAndFindsWhatOneConnectionFinds)
{
    // Many small folders, a deep one, a wide one, and entries that fail part way.
    uint64_t all = 0, music = 0;
    auto add = [&](const std::string &path, size_t size) {
        device.file(path, std::string(size, 'x'));
        all += size;
        music += path.find("mp3") != std::string::npos ? size : 0;
    };
    for (int b = 0; b < 8; ++b) {
        const std::string book = "/Books/B" + std::to_string(b) + ".epub";
        add(book + "/mimetype", 10 + b);
        add(book + "/OEBPS/content.opf", 100);
        add(book + "/OEBPS/Text/c.xhtml", 1000 + b);
    }
    add("/Books/deep/1/2/3/4/5/6/7/8/f.mp3", 7);
    for (int i = 0; i < 120; ++i)
        add("/Books/wide/" + std::to_string(i), i);
    device.file("/Books/.hidden/x", std::string(500, 'h'))
        .file("/Books/B3.epub/OEBPS/unreadable.jpg", "never asked")
        .file("/Books/B3.epub/OEBPS/unreadable.mp3", "never asked")
        .file("/Books/B5.epub/unlistable/x.xhtml", "never listed")
        .file("/Books/B6.epub/unreadable/y.xhtml", "never reached");
    userDataIphone *d = openDevice();
    const std::vector<afc_connection *> lanes = openLanes(d);
    auto &faults = DeviceFaultInjector::instance();
    const std::vector<const char *const *> lists{nullptr, kMusicExtensions};

    int alone = 0;
    std::vector<uint64_t> one;
    const std::vector<std::string> oneSaid =
        stdoutLines([&] { one = folderSums(d, "/Books", lists, [&] { ++alone; }); });
    const unsigned long infos = faults.calls("AFCFileInfoOpen"), listings = faults.calls("AFCDirectoryOpen");
    EXPECT_EQ(one, (std::vector<uint64_t>{all, music}));
    // In the order of a walk that goes entry by entry, once for each figure the file counts in.
    EXPECT_EQ(oneSaid, (std::vector<std::string>{
                           "AFCFileInfoOpen: could not open file /Books/B3.epub/OEBPS/unreadable.jpg !",
                           "AFCFileInfoOpen: could not open file /Books/B3.epub/OEBPS/unreadable.mp3 !",
                           "AFCFileInfoOpen: could not open file /Books/B3.epub/OEBPS/unreadable.mp3 !",
                           "AFCFileInfoOpen: could not open file /Books/B6.epub/unreadable !",
                       }));

    faults.reset();
    m_probe->holdListings(true);
    std::atomic_int walked{0};
    std::vector<uint64_t> spread;
    const std::vector<std::string> spreadSaid =
        stdoutLines([&] { spread = folderSums(d, "/Books", lists, [&] { ++walked; }, lanes); });
    EXPECT_EQ(spread, one);
    EXPECT_EQ(spreadSaid, oneSaid);
    // One listing per folder and one request per entry, whichever connection made them.
    EXPECT_EQ(faults.calls("AFCFileInfoOpen"), infos);
    EXPECT_EQ(faults.calls("AFCDirectoryOpen"), listings);
    EXPECT_EQ(walked.load(), alone);
    // A book folder holds a handful of entries: the connections must not wait for the end
    // of one folder before listing the next.
    EXPECT_GE(m_probe->mostListingsAtOnce(), 2);
}

TEST_F(SurveyWalkTest, TheWalkEndsWhenTheDeviceStopsAnsweringPartWay)
{
    for (int b = 0; b < 30; ++b)
        device.file("/DCIM/" + std::to_string(100 + b) + "APPLE/IMG.JPG", std::string(10, 'j'))
            .file("/DCIM/" + std::to_string(100 + b) + "APPLE/IMG.MOV", std::string(5, 'm'));
    userDataIphone *d = openDevice();
    const std::vector<afc_connection *> lanes = openLanes(d);
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
