// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// Import, export and deletion through the real main window over a folder device, with the
// panels and questions answered by a script.
#include "appfixture.h"

#include "app/appglobals.h"
#include "app/messageline.h"
#include "app/transferslot.h"
#include "core/mainqueue.h"
#include "device/storage/synclock.h"
#include "library/catalogue.h"
#include "widgets/aitableview.h"
#include "widgets/xlpopupmenubutton.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMainWindow>
#include <QMimeData>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <thread>

namespace {

// Counts the times a widget is shown: a short transfer may show and hide its sheet between two
// looks at isVisible().
class ShowCounter : public QObject
{
public:
    explicit ShowCounter(QWidget *widget) { widget->installEventFilter(this); }
    int shown = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Show)
            ++shown;
        return false;
    }
};

} // namespace

TEST_F(MainWindowTest, ImportExportAndDeleteEndToEnd)
{
    attach();
    selectList(1);
    ASSERT_EQ(rowCount(), 0);
    ASSERT_TRUE(m_window->addMediaButton->isEnabled());
    ShowCounter sheet(m_window->progressWindow);

    // A cancelled panel starts nothing.
    m_window->loadMediaPCToIpod();
    EXPECT_EQ(m_interaction->panelsShown, 1);
    EXPECT_FALSE(m_window->isTransferRunning());

    // Import two books: 0% and 50%, then the list is read again.
    m_interaction->importAnswers.push_back({makeBook("first.epub", "First Light", "Ada Penrose"),
                                            makeBook("second.epub", "Second Wind", "Margaret Elling")});
    m_window->loadMediaPCToIpod();
    EXPECT_TRUE(m_window->isTransferRunning());
    EXPECT_FALSE(m_window->addMediaButton->isEnabled());
    EXPECT_FALSE(m_window->menuStatus(QStringLiteral("Import to Device...")));
    EXPECT_FALSE(m_window->menuStatus(QStringLiteral("Delete check item")));
    // A second transfer cannot start while this one runs.
    m_window->loadMediaPCToIpod();
    EXPECT_EQ(m_interaction->panelsShown, 2);
    ASSERT_TRUE(waitForTransferEnd());
    EXPECT_EQ(sheet.shown, 1);
    EXPECT_EQ(progressSeen(), (std::vector<std::string>{"0", "50"}));
    EXPECT_EQ(m_window->progressTitle->text().toStdString(), "Copying to: " + m_files.file("second.epub"));
    EXPECT_EQ(m_window->progressTitleLable->text(), QStringLiteral("50%"));
    ASSERT_TRUE(processMainEventsUntil([this] { return rowCount() == 2; }));
    EXPECT_EQ(rowTitle(0), "First Light");
    EXPECT_EQ(rowTitle(1), "Second Wind");
    EXPECT_EQ(catalogueNames(), (std::vector<std::string>{"First Light", "Second Wind"}));
    // The sync lock was given back.
    const std::vector<std::string> posted = m_backend->postedNotifications(m_device);
    ASSERT_FALSE(posted.empty());
    EXPECT_EQ(posted.back(), kSyncDidFinish);
    EXPECT_TRUE(m_window->addMediaButton->isEnabled());

    // Export the checked books (both) into a folder: 0% and 50% over the whole list.
    TempDir exportDir;
    m_interaction->folderAnswers.push_back(QString::fromStdString(exportDir.path()));
    const size_t before = progressSeen().size();
    m_window->loadMediaIpodToPC();
    ASSERT_TRUE(waitForTransferEnd());
    EXPECT_EQ(sheet.shown, 2);
    EXPECT_EQ(progressSeen(before), (std::vector<std::string>{"0", "50"}));
    EXPECT_TRUE(std::filesystem::is_regular_file(exportDir.file("First Light.epub")));
    EXPECT_TRUE(std::filesystem::is_regular_file(exportDir.file("Second Wind.epub")));
    EXPECT_EQ(m_window->progressTitle->text().toStdString(), "Copying to: " + exportDir.path());
    // It ends on the message line, with a link that opens the folder.
    const QString exportFolder = QString::fromStdString(exportDir.path());
    auto *line = m_window->mainWindow->findChild<MessageLine *>();
    ASSERT_TRUE(line);
    EXPECT_TRUE(line->isVisible());
    EXPECT_EQ(line->messageText(), QStringLiteral("2 books were exported to %1.").arg(exportFolder));
    EXPECT_TRUE(line->text().contains(QStringLiteral(">Open Folder</a>")));
    Q_EMIT line->linkActivated(line->linkTarget().toString());
    EXPECT_EQ(m_opened, std::vector<QUrl>{QUrl::fromLocalFile(exportFolder)});

    // Export the highlighted second row again into the same folder: the replace question is
    // asked on the main thread while the export waits; "NO" keeps the old file.
    std::filesystem::resize_file(exportDir.file("Second Wind.epub"), 3);
    highlightRows({1});
    m_interaction->folderAnswers.push_back(QString::fromStdString(exportDir.path()));
    m_interaction->answers.push_back(AlertFirstButtonReturn); // NO
    m_window->loadSelectedMediaIpodToPC();
    ASSERT_TRUE(waitForTransferEnd());
    ASSERT_EQ(m_interaction->questions.size(), 1u);
    EXPECT_TRUE(m_interaction->questions[0].endsWith(QStringLiteral("Second Wind.epub is existing. Are you sure to replace?")));
    EXPECT_EQ(std::filesystem::file_size(exportDir.file("Second Wind.epub")), 3u);
    EXPECT_EQ(progressSeen().back(), "100");
    // Nothing written, nothing to say: the line of the export before went as this one started.
    EXPECT_FALSE(line->isVisible());
    // ... and "YES" replaces it.
    m_interaction->folderAnswers.push_back(QString::fromStdString(exportDir.path()));
    m_interaction->answers.push_back(AlertFirstButtonReturn + 1);
    m_window->loadSelectedMediaIpodToPC();
    ASSERT_TRUE(waitForTransferEnd());
    EXPECT_GT(std::filesystem::file_size(exportDir.file("Second Wind.epub")), 3u);

    // Delete the highlighted row: "NO" changes nothing and takes no lock, "YES" deletes.
    const size_t postedBefore = m_backend->postedNotifications(m_device).size();
    highlightRows({0});
    m_interaction->answers.push_back(AlertFirstButtonReturn);
    m_window->deleteSelectedItem();
    EXPECT_EQ(m_interaction->questions.back(), QStringLiteral("Are you sure, delete the item?"));
    EXPECT_EQ(rowCount(), 2);
    EXPECT_EQ(m_backend->postedNotifications(m_device).size(), postedBefore);

    m_interaction->answers.push_back(AlertFirstButtonReturn + 1);
    // The delete key in the table runs the same command.
    NotificationCenter::defaultCenter().postNotificationName(deleteNotification);
    ASSERT_TRUE(processMainEventsUntil([this] { return rowCount() == 1; }));
    EXPECT_EQ(rowTitle(0), "Second Wind");
    EXPECT_EQ(catalogueNames(), (std::vector<std::string>{"Second Wind"}));
    EXPECT_GT(m_backend->postedNotifications(m_device).size(), postedBefore);
}

TEST_F(MainWindowTest, DeleteCheckedTouchesOnlyUserItems)
{
    writeCatalogue({{"Mine One", "MINA.epub", true}, {"Mine Two", "MINB.epub", true}, {"Mine Three", "MINC.epub", true}});
    attach();
    selectList(1);
    ASSERT_EQ(rowCount(), 3);
    // One checked record that is not a user item stays; highlighted rows do not matter here.
    (*medias)[1]->setisuserItem(false);
    highlightRows({2});
    m_interaction->answers.push_back(AlertFirstButtonReturn + 1);
    m_window->deleteSelectedItemMenu();
    ASSERT_TRUE(waitForTransferEnd());
    EXPECT_EQ(rowCount(), 1);
    EXPECT_EQ(rowTitle(0), "Mine Two");
    // The reload then shows the catalogue as it now stands, every book checked.
    ASSERT_TRUE(processMainEventsUntil([&] { return !medias->empty() && (*medias)[0]->isuserItem(); }));
    EXPECT_EQ(catalogueNames(), (std::vector<std::string>{"Mine Two"}));
    EXPECT_TRUE((*medias)[0]->isSelect());

    // With no highlighted row the question is still asked, and "YES" takes and gives back the
    // sync lock, which the device sees, while nothing is deleted.
    const std::vector<std::string> postedBefore = m_backend->postedNotifications(m_device);
    const std::string catalogueBefore = readWholeFile(deviceFile("/Books/Books.plist"));
    m_window->mediaTableView->clearSelection();
    m_interaction->answers.push_back(AlertFirstButtonReturn + 1);
    m_window->deleteSelectedItem();
    ASSERT_TRUE(waitForTransferEnd());
    EXPECT_EQ(m_interaction->questions.size(), 2u);
    EXPECT_EQ(rowCount(), 1);
    std::vector<std::string> posted = m_backend->postedNotifications(m_device);
    posted.erase(posted.begin(), posted.begin() + static_cast<long>(postedBefore.size()));
    EXPECT_EQ(posted, (std::vector<std::string>{kSyncWillStart, kSyncLockRequest, kSyncDidStart, kSyncDidFinish}));
    EXPECT_EQ(readWholeFile(deviceFile("/Books/Books.plist")), catalogueBefore);
}

namespace {

// Drags `urls` over the main window and drops them there, as a file manager would.
void dropOn(QWidget *window, const QList<QUrl> &urls)
{
    QMimeData data;
    data.setUrls(urls);
    QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window, &drop);
    EXPECT_TRUE(drop.isAccepted());
}

QUrl fileUrl(const std::string &path)
{
    return QUrl::fromLocalFile(QString::fromStdString(path));
}

} // namespace

TEST_F(MainWindowTest, FolderImportDropsAndBooksAlreadyOnTheDevice)
{
    // A folder with books in sub-folders, a file that is no book and one the import would skip.
    for (const char *folder : {"shelf/sub/deeper", "loose/more"})
        std::filesystem::create_directories(m_files.file(folder));
    makeBook("shelf/b.epub", "Beta", "B");
    makeBook("shelf/sub/a.epub", "Alpha", "A");
    makeBook("shelf/sub/deeper/c.epub", "Gamma", "C");
    writeWholeFile(m_files.file("shelf/notes.txt"), "not a book");
    makeBook("shelf/Upper.EPUB", "Upper", "U");
    const QString delta = makeBook("loose/d.epub", "Delta", "D");
    makeBook("loose/more/e.epub", "Epsilon", "E");

    attach();
    selectList(1);

    // "Folder to Device": every book below the folder, in name order, after saying how many.
    m_interaction->importFolderAnswers.push_back(QString::fromStdString(m_files.file("shelf")));
    m_interaction->answers.push_back(AlertFirstButtonReturn + 1);
    action(QStringLiteral("Folder to Device"))->trigger();
    EXPECT_TRUE(m_interaction->questions.back().startsWith(QStringLiteral("Found 3 ePub books in")));
    ASSERT_TRUE(waitForTransferEnd());
    EXPECT_EQ(catalogueNames(), (std::vector<std::string>{"Beta", "Alpha", "Gamma"}));

    // While a transfer runs a drop is refused; the transfer is held in its opening pause.
    std::atomic_bool release{false};
    setDeviceLinkSleeper([&release](unsigned int) {
        while (!release)
            std::this_thread::yield();
    });
    m_interaction->importAnswers.push_back({delta});
    m_window->loadMediaPCToIpod();
    ASSERT_TRUE(m_window->isTransferRunning());
    const size_t asked = m_interaction->questions.size();
    dropOn(m_window->mainWindow, {fileUrl(m_files.file("loose/more"))});
    ASSERT_TRUE(processMainEventsUntil([&] { return m_interaction->questions.size() == asked + 1; }));
    EXPECT_TRUE(m_interaction->questions.back().startsWith(QStringLiteral("Books are being copied")));
    release = true;
    ASSERT_TRUE(waitForTransferEnd());
    setDeviceLinkSleeper([this](unsigned int seconds) { m_secondsAsked += seconds; });
    EXPECT_EQ(catalogueNames().size(), 4u);

    // A drop of a folder, a file that is no book and a book the device has: the folder's book
    // is imported, and the user is asked about the other; "Skip" leaves it out.
    m_interaction->answers.push_back(AlertFirstButtonReturn);
    dropOn(m_window->mainWindow, {fileUrl(m_files.file("loose/more")), fileUrl(m_files.file("shelf/notes.txt")),
                                  fileUrl(m_files.file("shelf/b.epub"))});
    ASSERT_TRUE(processMainEventsUntil(
        [&] { return !m_window->isTransferRunning() && catalogueNames().size() == 5; },
        std::chrono::seconds(20)));
    ASSERT_TRUE(waitForTransferEnd());
    EXPECT_EQ(catalogueNames(), (std::vector<std::string>{"Beta", "Alpha", "Gamma", "Delta", "Epsilon"}));
    EXPECT_TRUE(m_interaction->questions.back().startsWith(QStringLiteral("\"Beta\" (b.epub) is already on the device")));

    // "Skip All" is asked once and skips the other books the device has in the same import.
    const size_t before = m_interaction->questions.size();
    m_interaction->answers = {AlertFirstButtonReturn + 1 /* the folder question */, AlertFirstButtonReturn + 2};
    m_interaction->importFolderAnswers.push_back(QString::fromStdString(m_files.file("shelf")));
    action(QStringLiteral("Folder to Device"))->trigger();
    ASSERT_TRUE(waitForTransferEnd());
    EXPECT_EQ(m_interaction->questions.size(), before + 2);
    EXPECT_EQ(catalogueNames().size(), 5u);
}

TEST_F(MainWindowTest, BooksDroppedWhileAnotherNodeIsShownEndOnCustomBooks)
{
    attach();
    // With "iTunes Books" shown, then with the device row: the books go to "Custom Books",
    // and the window shows that list afterwards.
    const std::function<void()> shows[] = {[this] { selectList(0); }, [this] { selectDevice(); }};
    for (int i = 0; i < 2; ++i) {
        shows[i]();
        const std::string title = i == 0 ? "Alpha" : "Beta";
        dropOn(m_window->mainWindow, {QUrl::fromLocalFile(makeBook(title + ".epub", title, "A"))});
        ASSERT_TRUE(processMainEventsUntil(
            [&] { return customBooksSelected(*m_window) && rowCount() == i + 1; }, std::chrono::seconds(20)));
        ASSERT_TRUE(waitForTransferEnd());
        EXPECT_FALSE(m_window->mediaTableView->isHidden());
        EXPECT_EQ(rowTitle(i), title);
    }
    EXPECT_TRUE(m_window->addMediaButton->isEnabled());
}

namespace {

// Whether someone holds the device's sync lock: a lock of our own on the file would conflict.
bool syncLockHeld(const std::string &lockFile)
{
    const int fd = ::open(lockFile.c_str(), O_RDWR);
    if (fd < 0)
        return false;
    const bool held = ::flock(fd, LOCK_EX | LOCK_NB) != 0;
    ::close(fd); // gives back the probe's own lock, if it got one
    return held;
}

} // namespace

TEST_F(MainWindowTest, BooksAlreadyOnTheDeviceAreAskedAboutBeforeTheSyncLock)
{
    attach();
    selectList(1);
    const QString alpha = makeBook("alpha.epub", "Alpha", "A");
    m_interaction->importAnswers.push_back({alpha});
    m_window->loadMediaPCToIpod();
    ASSERT_TRUE(waitForTransferEnd());

    // "Alpha" is on the device; "Beta" and a copy of it come in the same import. Nobody holds
    // the device's lock while the user decides.
    const QString beta = makeBook("beta.epub", "Beta", "B");
    const QString betaCopy = QString::fromStdString(m_files.file("beta copy.epub"));
    ASSERT_TRUE(std::filesystem::copy_file(beta.toStdString(), betaCopy.toStdString()));
    std::vector<bool> lockedAtQuestion;
    m_interaction->onAsk = [&] { lockedAtQuestion.push_back(syncLockHeld(deviceFile(kSyncLockFile))); };
    m_interaction->answers = {AlertFirstButtonReturn /* Skip */, AlertFirstButtonReturn + 1 /* Add Again */};
    const size_t reportsBefore = progressSeen().size();
    m_interaction->importAnswers.push_back({alpha, beta, betaCopy});
    m_window->loadMediaPCToIpod();
    ASSERT_TRUE(waitForTransferEnd());
    EXPECT_EQ(lockedAtQuestion, (std::vector<bool>{false, false}));
    EXPECT_EQ(m_interaction->questions,
              (std::vector<QString>{QStringLiteral("\"Alpha\" (alpha.epub) is already on the device. Add it again?"),
                                    QStringLiteral("\"Beta\" (beta copy.epub) is already on the device. Add it again?")}));

    // Each book is reported in its place, the skipped one too; the lock was given back.
    EXPECT_EQ(progressSeen(reportsBefore), (std::vector<std::string>{"0", "33", "66"}));
    EXPECT_EQ(catalogueNames(), (std::vector<std::string>{"Alpha", "Beta", "Beta"}));
    EXPECT_EQ(m_backend->postedNotifications(m_device).back(), kSyncDidFinish);
    EXPECT_FALSE(syncLockHeld(deviceFile(kSyncLockFile)));
}
