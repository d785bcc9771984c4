// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// Reader apps in the window, on the folder device: their nodes, their books, the commands.
#include "appfixture.h"

#include "app/appshelf.h"
#include "app/messageline.h"
#include "core/fullio.h"
#include "core/mainqueue.h"
#include "device/backend/deviceapps.h"
#include "device/backend/plistutil.h"
#include "epubbuilder.h"
#include "operations/applistingcache.h"
#include "operations/devicelistmodel.h"
#include "widgets/aitableview.h"
#include "widgets/xlpopupmenubutton.h"

#include <QImage>
#include <QMainWindow>
#include <QSettings>

#include <filesystem>

namespace fs = std::filesystem;

namespace {

constexpr const char *kReader = "org.example.reader";
constexpr const char *kFilebox = "org.example.filebox";

class AppShelfTest : public MainWindowTest
{
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        writeApp(kReader, "Reader", {"org.idpf.epub-container"}, picture(Qt::red, "PNG", QSize(120, 120)));
        writeApp(kFilebox, "Filebox", {});
        writeBook("moby.epub", "Moby-Dick", "Herman Melville", true);
        writeBook("classics/emma.epub", "Emma", "Jane Austen", false);
    }
    void TearDown() override
    {
        MainWindowTest::TearDown();
        QSettings().remove(QLatin1String(AppShelf::kShowAllSetting));
    }

    std::string documents(const std::string &relative = {}) const
    {
        return m_deviceDir.path() + "/apps/" + kReader + "/container/Documents" +
               (relative.empty() ? "" : "/" + relative);
    }
    void writeBook(const std::string &relative, const std::string &title, const std::string &creator,
                   bool cover)
    {
        fs::create_directories(fs::path(documents(relative)).parent_path());
        EpubBuilder book = EpubBuilder::validBook(title, creator);
        if (cover) {
            book.add("OEBPS/content.opf",
                     EpubBuilder::packageDocument(title, creator, {},
                                                  "<item id=\"cover\" href=\"cover.png\" "
                                                  "media-type=\"image/png\" properties=\"cover-image\"/>"));
            book.add("OEBPS/cover.png", picture(Qt::blue, "PNG", QSize(300, 400)), true);
        }
        ASSERT_TRUE(book.write(documents(relative)));
    }
    void setLocked(bool locked)
    {
        PlistPtr plist = readPlistFile(m_deviceDir.path() + "/device.plist");
        plist_dict_set_item(plist.get(), "Locked", plist_new_bool(locked ? 1 : 0));
        ASSERT_TRUE(writePlistXmlFile(m_deviceDir.path() + "/device.plist", plist.get()));
    }

    void attachWithApps()
    {
        attach();
        ASSERT_TRUE(processMainEventsUntil([this] { return !apps().appNodes().empty() && apps().idle(); }));
    }
    // Selects the reader app and waits for its listing from the device.
    void selectReader(int rows = 2)
    {
        selectList(2);
        ASSERT_TRUE(apps().selectedApp());
        ASSERT_TRUE(processMainEventsUntil([&] { return apps().idle() && rowCount() == rows; }))
            << "rows " << rowCount();
    }
    std::vector<std::string> titles()
    {
        std::vector<std::string> out;
        for (int row = 0; row < rowCount(); ++row)
            out.push_back(rowTitle(row));
        std::sort(out.begin(), out.end());
        return out;
    }
};

} // namespace

TEST_F(AppShelfTest, ReaderAppsFollowTheCustomBooksAndThePreferenceAddsTheOtherSharingApps)
{
    attachWithApps();
    EXPECT_EQ(deviceChildren(), (std::vector<std::string>{"iTunes Books", "Custom Books", "Reader"}));
    // The icon is kept on disk, scaled small, and drawn from there.
    const AppShelfNode *reader = apps().appNodes().at(0);
    ASSERT_FALSE(reader->image().empty());
    const QImage icon(QString::fromStdString(reader->image()));
    EXPECT_EQ(icon.size(), QSize(AppShelf::kIconSize, AppShelf::kIconSize));
    EXPECT_EQ(icon.pixelColor(5, 5), QColor(Qt::red));

    apps().setShowAllSharingApps(true);
    EXPECT_EQ(deviceChildren(),
              (std::vector<std::string>{"iTunes Books", "Custom Books", "Reader", "Filebox"}));
    apps().setShowAllSharingApps(false);
    EXPECT_EQ(deviceChildren(), (std::vector<std::string>{"iTunes Books", "Custom Books", "Reader"}));
}

TEST_F(AppShelfTest, SelectingAnAppShowsItsBooksWithSizesAndCovers)
{
    attachWithApps();
    selectReader();
    EXPECT_EQ(titles(), (std::vector<std::string>{"Emma", "Moby-Dick"}));
    // Books go in as into "Custom Books".
    EXPECT_TRUE(m_window->addMediaButton->isEnabled());
    // The cover of the book that has one is read from the file and drawn beside its title.
    ASSERT_TRUE(processMainEventsUntil([this] { return !apps().coverOf("/Documents/moby.epub").isNull(); }));
    EXPECT_EQ(apps().coverOf("/Documents/moby.epub").pixelColor(10, 10), QColor(Qt::blue));
    EXPECT_TRUE(apps().coverOf("/Documents/classics/emma.epub").isNull());
    QAbstractItemModel *model = m_window->mediaTableView->model();
    const int sizeColumn = model->columnCount() - 1;
    for (int row = 0; row < rowCount(); ++row) {
        const std::string relative = rowTitle(row) == "Emma" ? "classics/emma.epub" : "moby.epub";
        EXPECT_EQ(
            model->data(model->index(row, sizeColumn), Qt::ToolTipRole).toString().toStdString(),
            QLocale().toString(static_cast<qulonglong>(fs::file_size(documents(relative)))).toStdString() +
                " bytes");
    }
}

TEST_F(AppShelfTest, TheSecondListingComesFromTheCacheAndReadsOnlyChangedBooks)
{
    attachWithApps();
    selectReader();
    // The cached values are what the window shows while a book's size and time stay: a title
    // changed in the cache alone proves that the file was not read again.
    const AppListingCache cache(m_data.path() + "/applists");
    const std::string device = "00008030-0016D8A43C0B802E";
    std::vector<AppBook> kept = cache.load(device, kReader);
    ASSERT_EQ(kept.size(), 2u);
    for (AppBook &book : kept)
        if (book.relative == "moby.epub")
            book.values["Name"] = "Cached Moby";
    ASSERT_TRUE(cache.save(device, kReader, kept));

    detach();
    attachWithApps();
    selectList(2);
    // At once, from the cache, before the device is asked.
    EXPECT_EQ(titles(), (std::vector<std::string>{"Cached Moby", "Emma"}));
    ASSERT_TRUE(processMainEventsUntil([this] { return apps().idle(); }));
    EXPECT_EQ(titles(), (std::vector<std::string>{"Cached Moby", "Emma"}));

    // A book whose file changed is read again.
    writeBook("moby.epub", "Moby-Dick; or, The Whale", "Herman Melville", false);
    selectList(1);
    selectReader();
    EXPECT_EQ(titles(), (std::vector<std::string>{"Emma", "Moby-Dick; or, The Whale"}));
}

TEST_F(AppShelfTest, AddBooksAsksAboutAnExistingNameReplaceOrKeepBoth)
{
    attachWithApps();
    selectReader();
    closeFailuresAsTheyShow();
    // YES replaces the file of the same name.
    const QString replacement = makeBook("moby.epub", "The Whale", "H. M.");
    m_interaction->importAnswers.push_back({replacement});
    m_interaction->answers = {AlertFirstButtonReturn + 1};
    m_window->loadMediaPCToIpod();
    ASSERT_TRUE(waitForTransferEnd());
    ASSERT_EQ(m_interaction->questions.size(), 1u);
    EXPECT_EQ(m_interaction->questions[0].toStdString(), "moby.epub is existing. Are you sure to replace?");
    EXPECT_TRUE(readWholeFile(documents("moby.epub")) == readWholeFile(replacement.toStdString()));
    // "Keep Both" gives the new copy a new name.
    m_interaction->importAnswers.push_back({replacement});
    m_interaction->answers = {AlertFirstButtonReturn + 2};
    m_window->loadMediaPCToIpod();
    ASSERT_TRUE(waitForTransferEnd());
    EXPECT_TRUE(fs::exists(documents("moby (2).epub")));
    EXPECT_TRUE(m_window->lastFailures().empty());
    // The list follows, with no sync lock taken for any of it.
    ASSERT_TRUE(processMainEventsUntil([this] { return apps().idle() && rowCount() == 3; }));
    for (const std::string &posted : m_backend->postedNotifications(m_device))
        EXPECT_EQ(posted.find("syncWillStart"), std::string::npos) << posted;
}

// Every connection the window opened for the app, for its listings, covers, export and
// deletion, is closed.
TEST_F(AppShelfTest, ExportThenDeleteTheHighlightedBookClosingEveryConnection)
{
    attachWithApps();
    const std::size_t before = m_backend->openConnectionCount();
    selectReader();
    ASSERT_TRUE(processMainEventsUntil([this] { return !apps().coverOf("/Documents/moby.epub").isNull(); }));
    closeFailuresAsTheyShow();
    int moby = rowTitle(0) == "Moby-Dick" ? 0 : 1;
    highlightRows({moby});
    m_interaction->folderAnswers.push_back(QString::fromStdString(m_files.path()));
    m_window->loadSelectedMediaIpodToPC();
    ASSERT_TRUE(waitForTransferEnd());
    EXPECT_TRUE(fs::exists(m_files.file("Moby-Dick.epub")));
    EXPECT_TRUE(m_window->lastFailures().empty());

    highlightRows({moby});
    m_interaction->answers = {AlertFirstButtonReturn + 1};
    m_window->deleteSelectedItem();
    ASSERT_TRUE(waitForTransferEnd());
    EXPECT_EQ(m_interaction->questions.back().toStdString(), "Are you sure, delete the item?");
    EXPECT_FALSE(fs::exists(documents("moby.epub")));
    EXPECT_TRUE(fs::exists(documents("classics/emma.epub")));
    ASSERT_TRUE(processMainEventsUntil([this] { return apps().idle() && rowCount() == 1; }));
    EXPECT_EQ(rowTitle(0), "Emma");
    EXPECT_EQ(apps().openConnections(), 0);
    EXPECT_EQ(m_backend->openConnectionCount(), before);
}

TEST_F(AppShelfTest, ALockedDeviceAndARemovedAppAreSaidInPlainWords)
{
    attachWithApps();
    selectReader();
    closeFailuresAsTheyShow();
    setLocked(true);
    // The listing says it under the table; the books already listed stay.
    selectList(1);
    selectList(2);
    ASSERT_TRUE(processMainEventsUntil([this] { return apps().idle(); }));
    EXPECT_EQ(m_window->mainWindow->findChild<MessageLine *>()->messageText().toStdString(),
              std::string("Reader: ") + deviceLockedText());
    EXPECT_EQ(rowCount(), 2);
    m_interaction->importAnswers.push_back({makeBook("new.epub", "New", "N")});
    m_window->loadMediaPCToIpod();
    ASSERT_TRUE(waitForTransferEnd());
    ASSERT_EQ(m_window->lastFailures().size(), 1u);
    EXPECT_EQ(m_window->lastFailures()[0].item, "new.epub");
    EXPECT_EQ(m_window->lastFailures()[0].reason, deviceLockedText());
    setLocked(false);

    fs::remove_all(m_deviceDir.path() + "/apps/" + kReader);
    m_interaction->importAnswers.push_back({makeBook("new.epub", "New", "N")});
    m_window->loadMediaPCToIpod();
    ASSERT_TRUE(waitForTransferEnd());
    ASSERT_EQ(m_window->lastFailures().size(), 1u);
    EXPECT_EQ(m_window->lastFailures()[0].reason, appGoneText());
}
