// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// Putting a kept copy of a device's catalogue back from the device list's context menu: the
// entry's state, the list of copies, the question, the restore itself and its failures.
#include "appfixture.h"

#include "aioutlineview.h"
#include "cataloguebackup.h"
#include "cataloguebackupdialog.h"
#include "catalogue.h"
#include "devicefaultinjector.h"
#include "devicelistmodel.h"
#include "epubbuilder.h"
#include "ipodtreelistcontroler.h"
#include "mainqueue.h"
#include "scratch.h"

#include <QAction>
#include <QDateTime>
#include <QDialog>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QTimeZone>
#include <QTimer>
#include <QTreeWidget>

#include <filesystem>

namespace fs = std::filesystem;

namespace {

const char *const kDeviceId = "00008030-0016D8A43C0B802E";
const char *const kRestoreTitle = "Restore Catalogue Backup...";

std::vector<std::string> names(const std::string &catalogueFile)
{
    return Catalogue::load(catalogueFile).stringValues("Name");
}

// Forgets every injected fault when the test ends, however it ends.
struct FaultReset
{
    ~FaultReset() { DeviceFaultInjector::instance().reset(); }
};

class CatalogueRestoreTest : public MainWindowTest
{
protected:
    // A device with two user books whose folders exist, attached, its row selected.
    void attachWithTwoBooks()
    {
        writeCatalogue({{"Alpha", "ALPHA.epub", true}, {"Beta", "BETA.epub", true}});
        fs::create_directories(deviceFile("/Books/ALPHA.epub"));
        fs::create_directories(deviceFile("/Books/BETA.epub"));
        attach();
        selectDevice();
    }

    // Imports one book through the device list controller (keeping a copy of the catalogue
    // before it, as every change does), then keeps a copy of the result as well.
    void importAndKeepBoth()
    {
        iPodTreeListControler *tree = m_window->treeListControler;
        tree->startToSync();
        const BookOperationResult r = tree->addEPUBToDevice(makeBook("gamma.epub", "Gamma", "G").toStdString());
        tree->endsync();
        ASSERT_TRUE(r.done()) << r.message;
        std::string error;
        ASSERT_TRUE(backUpDeviceCatalogue(tree->deviceData(), &error)) << error;
        ASSERT_EQ(listCatalogueBackups(kDeviceId).size(), 2u);
    }

    // Right-clicks a row of the device list and gives the restore entry of the menu offered
    // (still open: aboutToShow has run); null when no menu is offered.
    QAction *restoreEntryOnRightClick(const QModelIndex &row)
    {
        AIOutLineView *view = m_window->iPodTableView;
        const QPoint point = view->visualRect(row).center();
        QMenu *menu = view->menuForEvent(point);
        if (!menu)
            return nullptr;
        menu->popup(view->viewport()->mapToGlobal(point));
        m_openMenu = menu;
        for (QAction *item : menu->actions()) {
            if (item->text() == QLatin1String(kRestoreTitle))
                return item;
        }
        return nullptr;
    }
    bool entryEnabledOn(const QModelIndex &row)
    {
        QAction *entry = restoreEntryOnRightClick(row);
        EXPECT_TRUE(entry) << "no restore entry in the device list's menu";
        const bool enabled = entry && entry->isEnabled();
        closeMenu();
        return enabled;
    }
    void closeMenu()
    {
        if (m_openMenu)
            m_openMenu->hide();
        m_openMenu = nullptr;
    }
    QModelIndex deviceRow() const { return m_window->treeListControler->model()->index(0, 0); }
    QModelIndex listRow(int row) const
    {
        DeviceListModel *model = m_window->treeListControler->model();
        return model->index(row, 0, model->index(0, 0));
    }
    bool waitForRestoreEnd()
    {
        return processMainEventsUntil(
            [this] { return !m_window->isRestoreRunning() && !m_window->isTransferRunning(); },
            std::chrono::seconds(20));
    }

    QMenu *m_openMenu = nullptr;
};

} // namespace

TEST_F(CatalogueRestoreTest, EntryIsEnabledOnlyForAConnectedDeviceWithKeptCopies)
{
    attachWithTwoBooks();
    EXPECT_FALSE(entryEnabledOn(deviceRow())) << "no copy kept yet";
    // Another device's copies do not count.
    fs::create_directories(catalogueBackupDir("another-device"));
    writeWholeFile(catalogueBackupDir("another-device") + "/Books-20260101-000000-000.plist",
                   readWholeFile(deviceFile("/Books/Books.plist")));
    EXPECT_FALSE(entryEnabledOn(deviceRow()));

    std::string error;
    ASSERT_TRUE(backUpDeviceCatalogue(m_window->treeListControler->deviceData(), &error)) << error;
    EXPECT_TRUE(entryEnabledOn(deviceRow()));
    // The right-click selected the device row.
    EXPECT_TRUE(m_window->treeListControler->isRootSelect());

    // A book list's row is not the device's.
    EXPECT_FALSE(entryEnabledOn(listRow(1)));

    // Not while a transfer runs: the import holds the device until its sheet is gone.
    ASSERT_NO_FATAL_FAILURE(selectList(1));
    m_interaction->importAnswers.push_back({makeBook("delta.epub", "Delta", "D")});
    m_window->loadMediaPCToIpod();
    ASSERT_TRUE(m_window->isTransferRunning());
    EXPECT_FALSE(entryEnabledOn(deviceRow()));
    ASSERT_TRUE(waitForTransferEnd());
    EXPECT_TRUE(entryEnabledOn(deviceRow()));

    // Gone: the placeholder row offers nothing to restore.
    detach();
    QAction *entry = restoreEntryOnRightClick(deviceRow());
    EXPECT_TRUE(!entry || !entry->isEnabled());
    closeMenu();
}

TEST_F(CatalogueRestoreTest, ChoosingACopyRestoresExactlyThatCatalogueAndReloadsTheLists)
{
    attachWithTwoBooks();
    ASSERT_NO_FATAL_FAILURE(importAndKeepBoth());
    ASSERT_NO_FATAL_FAILURE(selectList(1));
    ASSERT_EQ(rowCount(), 3);
    const std::string beforeRestore = readWholeFile(deviceFile("/Books/Books.plist"));
    const std::vector<CatalogueBackup> kept = listCatalogueBackups(kDeviceId);
    ASSERT_EQ(names(kept[1].path), (std::vector<std::string>{"Alpha", "Beta"}));

    int reloads = 0;
    NotificationCenter::defaultCenter().addObserver(&reloads, reloadiPodNotification,
                                                    [&reloads](const Notification &) { ++reloads; });
    m_interaction->backupAnswers.push_back(1); // the older copy, before the import
    m_interaction->answers.push_back(AlertFirstButtonReturn + 1);
    QAction *entry = restoreEntryOnRightClick(deviceRow());
    ASSERT_TRUE(entry && entry->isEnabled());
    closeMenu();
    entry->trigger();
    // The upload runs on a worker; its end comes through the main queue, not yet run.
    EXPECT_TRUE(m_window->isRestoreRunning());
    EXPECT_TRUE(m_window->progressWindow->isVisible());
    EXPECT_TRUE(m_window->progressWindow->findChild<QPushButton *>(QStringLiteral("cancelButton"))->isHidden())
        << "an upload is not stopped halfway";
    ASSERT_TRUE(waitForRestoreEnd());
    NotificationCenter::defaultCenter().removeObserver(&reloads);

    // The list offered was this device's, newest first; the question named what happens.
    ASSERT_EQ(m_interaction->backupsOffered.size(), 1u);
    ASSERT_EQ(m_interaction->backupsOffered[0].size(), 2u);
    EXPECT_EQ(m_interaction->backupsOffered[0][0].path, kept[0].path);
    EXPECT_EQ(m_interaction->backupDeviceNames[0], QStringLiteral("Anna"));
    ASSERT_EQ(m_interaction->questions.size(), 1u);
    const QString question = m_interaction->questions[0];
    EXPECT_TRUE(question.contains(QStringLiteral("Anna"))) << question.toStdString();
    EXPECT_TRUE(question.contains(QStringLiteral("2 books"))) << question.toStdString();
    EXPECT_TRUE(question.contains(QStringLiteral("kept as a copy first"))) << question.toStdString();

    // The device holds the chosen copy's books, the working copy follows, and the catalogue
    // it replaced is the newest kept copy.
    const Catalogue restored = Catalogue::load(deviceFile("/Books/Books.plist"));
    const Catalogue chosen = Catalogue::load(kept[1].path);
    EXPECT_EQ(restored.stringValues("Path"), chosen.stringValues("Path"));
    EXPECT_EQ(restored.stringValues("Name"), chosen.stringValues("Name"));
    EXPECT_EQ(readWholeFile(scratchPath("Books/Books.plist")), readWholeFile(deviceFile("/Books/Books.plist")));
    const std::vector<CatalogueBackup> after = listCatalogueBackups(kDeviceId);
    ASSERT_EQ(after.size(), 3u);
    EXPECT_EQ(readWholeFile(after[0].path), beforeRestore);
    EXPECT_EQ(m_backend->postedNotifications(m_device).back(), "com.apple.itunes-mobdev.syncDidFinish");
    EXPECT_TRUE(m_window->lastFailures().empty());

    // The window read the lists again and shows the restored catalogue.
    EXPECT_GE(reloads, 1);
    ASSERT_NO_FATAL_FAILURE(selectList(1));
    ASSERT_TRUE(processMainEventsUntil([this] { return rowCount() == 2; }));
    EXPECT_EQ(rowTitle(0), "Alpha");
    EXPECT_EQ(rowTitle(1), "Beta");
    EXPECT_EQ(m_window->progress->maximum(), 100) << "the sheet's bar is itself again";
}

TEST_F(CatalogueRestoreTest, BooksNoLongerOnTheDeviceAreLeftOutAndSaidSo)
{
    attachWithTwoBooks();
    std::string error;
    ASSERT_TRUE(backUpDeviceCatalogue(m_window->treeListControler->deviceData(), &error)) << error;
    fs::remove_all(deviceFile("/Books/BETA.epub"));
    m_interaction->backupAnswers.push_back(0);
    m_interaction->answers = {AlertFirstButtonReturn + 1, AlertFirstButtonReturn};
    m_window->restoreCatalogueBackupMenu();
    ASSERT_TRUE(waitForRestoreEnd());
    EXPECT_EQ(names(deviceFile("/Books/Books.plist")), (std::vector<std::string>{"Alpha"}));
    ASSERT_EQ(m_interaction->questions.size(), 2u);
    EXPECT_TRUE(m_interaction->questions[1].contains(QStringLiteral("BETA.epub")))
        << m_interaction->questions[1].toStdString();
}

TEST_F(CatalogueRestoreTest, CancellingTheListOrTheQuestionChangesNothing)
{
    attachWithTwoBooks();
    ASSERT_NO_FATAL_FAILURE(importAndKeepBoth());
    const std::string catalogue = readWholeFile(deviceFile("/Books/Books.plist"));
    const std::string working = readWholeFile(scratchPath("Books/Books.plist"));
    const size_t postedBefore = m_backend->postedNotifications(m_device).size();

    // The list closed without a choice: no question, nothing started.
    m_window->restoreCatalogueBackupMenu();
    EXPECT_EQ(m_interaction->backupsOffered.size(), 1u);
    EXPECT_TRUE(m_interaction->questions.empty());
    EXPECT_FALSE(m_window->isTransferRunning());

    // A copy chosen, then "Cancel" at the question.
    m_interaction->backupAnswers.push_back(1);
    m_interaction->answers.push_back(AlertFirstButtonReturn);
    m_window->restoreCatalogueBackupMenu();
    EXPECT_EQ(m_interaction->questions.size(), 1u);
    EXPECT_FALSE(m_window->isTransferRunning());
    EXPECT_FALSE(m_window->progressWindow->isVisible());

    EXPECT_EQ(readWholeFile(deviceFile("/Books/Books.plist")), catalogue);
    EXPECT_EQ(readWholeFile(scratchPath("Books/Books.plist")), working);
    EXPECT_EQ(listCatalogueBackups(kDeviceId).size(), 2u) << "no copy was kept: nothing changed";
    EXPECT_EQ(m_backend->postedNotifications(m_device).size(), postedBefore) << "the sync lock was not taken";
}

TEST_F(CatalogueRestoreTest, AFailedUploadIsReportedAndLeavesTheCatalogueAsItWas)
{
    attachWithTwoBooks();
    ASSERT_NO_FATAL_FAILURE(importAndKeepBoth());
    const std::string catalogue = readWholeFile(deviceFile("/Books/Books.plist"));
    const std::string working = readWholeFile(scratchPath("Books/Books.plist"));
    const QString heading = m_window->failedWindow->findChild<QLabel *>(QStringLiteral("failedTitle"))->text();

    FaultReset resetFaults;
    DeviceFaultInjector::instance().failAlways("AFCFileRefWrite");
    QTimer closer;
    QString headingShown;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (m_window->failedWindow->isVisible()) {
            headingShown = m_window->failedWindow->findChild<QLabel *>(QStringLiteral("failedTitle"))->text();
            m_window->closeFailedWindow();
        }
    });
    closer.start(20);
    m_interaction->backupAnswers.push_back(1);
    m_interaction->answers.push_back(AlertFirstButtonReturn + 1);
    m_window->restoreCatalogueBackupMenu();
    ASSERT_TRUE(processMainEventsUntil([&] { return !headingShown.isEmpty(); }, std::chrono::seconds(20)));
    ASSERT_TRUE(waitForRestoreEnd());
    DeviceFaultInjector::instance().reset();

    ASSERT_EQ(m_window->lastFailures().size(), 1u);
    EXPECT_EQ(m_window->lastFailures()[0].item.rfind("Catalogue copy kept on ", 0), 0u) << m_window->lastFailures()[0].item;
    EXPECT_NE(m_window->lastFailures()[0].reason.find("upload"), std::string::npos) << m_window->lastFailures()[0].reason;
    EXPECT_TRUE(headingShown.contains(QStringLiteral("could not be restored")));
    EXPECT_EQ(m_window->failedWindow->findChild<QLabel *>(QStringLiteral("failedTitle"))->text(), heading);

    EXPECT_EQ(readWholeFile(deviceFile("/Books/Books.plist")), catalogue);
    EXPECT_EQ(readWholeFile(scratchPath("Books/Books.plist")), working);
    EXPECT_EQ(m_backend->postedNotifications(m_device).back(), "com.apple.itunes-mobdev.syncDidFinish");
    // The window is free again and the sheet ready for the next transfer.
    EXPECT_FALSE(m_window->isTransferRunning());
    EXPECT_EQ(m_window->progress->maximum(), 100);
    EXPECT_FALSE(m_window->progressWindow->findChild<QPushButton *>(QStringLiteral("cancelButton"))->isHidden());
}

TEST_F(CatalogueRestoreTest, TheOldestCopyIsNotLostWhenPuttingItBackFails)
{
    attachWithTwoBooks();
    std::string error;
    for (std::size_t i = 0; i < kCatalogueBackupsKept; ++i)
        ASSERT_TRUE(backUpDeviceCatalogue(m_window->treeListControler->deviceData(), &error)) << error;
    const std::vector<CatalogueBackup> kept = listCatalogueBackups(kDeviceId);
    ASSERT_EQ(kept.size(), kCatalogueBackupsKept);
    const std::string oldest = kept.back().path;
    const std::string bytes = readWholeFile(oldest);

    // Keeping the replaced catalogue forgets the oldest copy, the one chosen; the upload fails.
    FaultReset resetFaults;
    DeviceFaultInjector::instance().failAlways("AFCRenamePath");
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [this] {
        if (m_window->failedWindow->isVisible())
            m_window->closeFailedWindow();
    });
    closer.start(20);
    m_interaction->backupAnswers.push_back(static_cast<int>(kCatalogueBackupsKept) - 1);
    m_interaction->answers.push_back(AlertFirstButtonReturn + 1);
    m_window->restoreCatalogueBackupMenu();
    ASSERT_TRUE(processMainEventsUntil([this] { return !m_window->lastFailures().empty(); }, std::chrono::seconds(20)));
    ASSERT_TRUE(waitForRestoreEnd());
    ASSERT_TRUE(fs::exists(oldest));
    EXPECT_EQ(readWholeFile(oldest), bytes);
}

TEST_F(CatalogueRestoreTest, CopiesKeptWithinOneMillisecondAreListedInTheOrderKept)
{
    attachWithTwoBooks();
    const std::string dir = catalogueBackupDir(kDeviceId);
    fs::create_directories(dir);
    const std::string catalogue = readWholeFile(deviceFile("/Books/Books.plist"));
    for (const char *name : {"Books-20260101-000000-000.plist", "Books-20260101-000000-000-1.plist",
                             "Books-20260101-000000-000-2.plist", "Books-20260101-000000-000-10.plist",
                             "Books-20260101-000000-001.plist"})
        writeWholeFile(dir + "/" + name, catalogue);
    m_window->restoreCatalogueBackupMenu();
    ASSERT_EQ(m_interaction->backupsOffered.size(), 1u);
    std::vector<std::string> offered;
    for (const CatalogueBackup &b : m_interaction->backupsOffered[0])
        offered.push_back(fs::path(b.path).filename().string());
    EXPECT_EQ(offered, (std::vector<std::string>{"Books-20260101-000000-001.plist", "Books-20260101-000000-000-10.plist",
                                                 "Books-20260101-000000-000-2.plist", "Books-20260101-000000-000-1.plist",
                                                 "Books-20260101-000000-000.plist"}));
}

// ---- The list of kept copies -------------------------------------------------------------

TEST(CatalogueBackupDialog, ListsTheCopiesAsGivenAndChoosesTheHighlightedOne)
{
    TempDir dir;
    const std::string two = dir.file("two.plist"), one = dir.file("one.plist"), broken = dir.file("broken.plist");
    writeWholeFile(two, "<plist><dict><key>Books</key><array><dict/><dict/></array></dict></plist>");
    writeWholeFile(one, "<plist><dict><key>Books</key><array><dict/></array></dict></plist>");
    writeWholeFile(broken, "not a property list");
    const std::vector<CatalogueBackup> backups{{two, "d", "2026-12-06 09:41:07.120", 2048},
                                               {one, "d", "2026-12-05 18:02:55.004", 700},
                                               {broken, "d", "2026-11-28 07:15:30.512", 19}};
    CatalogueBackupDialog dialog(QStringLiteral("Anna"), backups);
    QTreeWidget *list = dialog.list();
    ASSERT_EQ(list->topLevelItemCount(), 3);
    EXPECT_EQ(list->topLevelItem(0)->text(0), CatalogueBackupDialog::keptAtText(backups[0].created));
    EXPECT_EQ(list->topLevelItem(0)->text(1), QStringLiteral("2"));
    EXPECT_EQ(list->topLevelItem(1)->text(1), QStringLiteral("1"));
    EXPECT_EQ(list->topLevelItem(2)->text(1), QStringLiteral("unreadable"));
    EXPECT_EQ(list->topLevelItem(0)->text(2), QLocale().formattedDataSize(2048, 1, QLocale::DataSizeTraditionalFormat));
    EXPECT_TRUE(dialog.heading()->text().contains(QStringLiteral("Anna")));

    // The newest is offered first; another row can be chosen; with none, Restore is off.
    EXPECT_EQ(dialog.chosenPath().toStdString(), two);
    EXPECT_TRUE(dialog.restoreButton()->isEnabled());
    list->setCurrentItem(list->topLevelItem(1));
    EXPECT_EQ(dialog.chosenPath().toStdString(), one);
    list->clearSelection();
    EXPECT_TRUE(dialog.chosenPath().isEmpty());
    EXPECT_FALSE(dialog.restoreButton()->isEnabled());
    list->setCurrentItem(list->topLevelItem(2));
    dialog.restoreButton()->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.chosenPath().toStdString(), broken);

    // No copies: said plainly, nothing to choose.
    CatalogueBackupDialog none(QStringLiteral("Anna"), {});
    EXPECT_TRUE(none.list()->isHidden());
    EXPECT_TRUE(none.restoreButton()->isHidden());
    EXPECT_FALSE(none.restoreButton()->isEnabled());
    EXPECT_TRUE(none.heading()->text().startsWith(QStringLiteral("No copies")));
}

TEST(CatalogueBackupDialog, KeptTimesAreLocalWithSecondsInTheUsersLocale)
{
    const std::string created = "2026-12-06 07:30:12.345";
    QDateTime utc = QDateTime::fromString(QString::fromStdString(created), QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
    utc.setTimeZone(QTimeZone::utc());
    const QDateTime local = utc.toLocalTime();
    // Locales whose short time has no seconds get them, with the locale's own separator.
    const QLocale us(QLocale::English, QLocale::UnitedStates);
    EXPECT_EQ(CatalogueBackupDialog::keptAtText(created, us),
              us.toString(local.date(), QLocale::ShortFormat) + QLatin1Char(' ') + us.toString(local.time(), QStringLiteral("h:mm:ss AP")));
    const QLocale german(QLocale::German, QLocale::Germany);
    EXPECT_TRUE(CatalogueBackupDialog::keptAtText(created, german).endsWith(local.time().toString(QStringLiteral("HH:mm:ss"))));
    const QLocale finnish(QLocale::Finnish, QLocale::Finland);
    EXPECT_TRUE(CatalogueBackupDialog::keptAtText(created, finnish).endsWith(local.time().toString(QStringLiteral("H.mm.ss"))))
        << CatalogueBackupDialog::keptAtText(created, finnish).toStdString();
    // A name that is no time is shown as it is.
    EXPECT_EQ(CatalogueBackupDialog::keptAtText("yesterday", us), QStringLiteral("yesterday"));
}
