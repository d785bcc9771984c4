// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// Putting a kept copy of a device's catalogue back from the device list's context menu.
#include "appfixture.h"

#include "app/cataloguebackupdialog.h"
#include "core/mainqueue.h"
#include "core/scratch.h"
#include "device/backend/devicefaultinjector.h"
#include "device/storage/loadiphone.h"
#include "library/catalogue.h"
#include "operations/cataloguebackup.h"
#include "operations/devicelibrary.h"
#include "operations/devicelistmodel.h"
#include "operations/devicelistnotifications.h"
#include "widgets/aioutlineview.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QTreeWidget>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

const char *const kDeviceId = "00008030-0016D8A43C0B802E";

class CatalogueRestoreTest : public MainWindowTest
{
protected:
    // Two user books whose folders exist; one copy kept of that catalogue, then a third book
    // imported (which keeps another): the list offers {3 books, 2 books}.
    void attachAndKeepTwoCopies()
    {
        writeCatalogue({{"Alpha", "ALPHA.epub", true}, {"Beta", "BETA.epub", true}});
        fs::create_directories(deviceFile("/Books/ALPHA.epub"));
        fs::create_directories(deviceFile("/Books/BETA.epub"));
        attach();
        ASSERT_NO_FATAL_FAILURE(selectList(1));
        m_interaction->importAnswers.push_back({makeBook("gamma.epub", "Gamma", "G")});
        m_window->loadMediaPCToIpod();
        ASSERT_TRUE(waitForTransferEnd());
        selectDevice();
        const std::shared_ptr<DeviceSession> session = library().openSession();
        ASSERT_TRUE(session);
        std::string error;
        ASSERT_TRUE(backUpDeviceCatalogue(session->data(), &error)) << error;
        ASSERT_EQ(listCatalogueBackups(kDeviceId).size(), 2u);
    }

    // Right-clicks a row of the device list: is the restore entry of the menu offered enabled?
    bool entryEnabledOn(const QModelIndex &row)
    {
        AIOutLineView *view = m_window->iPodTableView;
        const QPoint point = view->visualRect(row).center();
        QMenu *menu = view->menuForEvent(point);
        if (!menu)
            return false;
        menu->popup(view->viewport()->mapToGlobal(point)); // aboutToShow validates the entry
        const QList<QAction *> items = menu->actions();
        menu->hide();
        return std::any_of(items.begin(), items.end(), [](QAction *item) {
            return item->text() == QLatin1String("Restore Catalogue Backup...") && item->isEnabled();
        });
    }

    QModelIndex row(int list = -1) const
    {
        DeviceListModel *model = deviceList(*m_window);
        return list < 0 ? model->index(0, 0) : model->index(list, 0, model->index(0, 0));
    }

    bool waitForRestoreEnd()
    {
        return processMainEventsUntil(
            [this] { return !m_window->isRestoreRunning() && !m_window->isTransferRunning(); },
            std::chrono::seconds(20));
    }

    // Chooses the nth offered copy and answers the question with `confirm`.
    void restore(int nth, bool confirm)
    {
        m_interaction->backupAnswers.push_back(nth);
        m_interaction->answers.push_back(AlertFirstButtonReturn + (confirm ? 1 : 0));
        m_window->restoreCatalogueBackupMenu();
    }

    std::string deviceCatalogue() { return readWholeFile(deviceFile("/Books/Books.plist")); }
};

} // namespace

TEST_F(CatalogueRestoreTest, EntryIsEnabledOnlyForAConnectedDeviceRowWithItsOwnCopies)
{
    writeCatalogue({{"Alpha", "ALPHA.epub", true}});
    attach();
    EXPECT_FALSE(entryEnabledOn(row())) << "no copy kept yet";
    const std::string other = catalogueBackupDir("another-device");
    fs::create_directories(other);
    writeWholeFile(other + "/Books-20260101-000000-000.plist", deviceCatalogue());
    EXPECT_FALSE(entryEnabledOn(row())) << "another device's copies do not count";

    std::string error;
    {
        const std::shared_ptr<DeviceSession> session = library().openSession();
        ASSERT_TRUE(session && backUpDeviceCatalogue(session->data(), &error)) << error;
    }
    EXPECT_TRUE(entryEnabledOn(row()));
    EXPECT_FALSE(entryEnabledOn(row(1))) << "a book list's row";

    // Not while an import holds the device.
    ASSERT_NO_FATAL_FAILURE(selectList(1));
    m_interaction->importAnswers.push_back({makeBook("delta.epub", "Delta", "D")});
    m_window->loadMediaPCToIpod();
    EXPECT_FALSE(entryEnabledOn(row()));
    ASSERT_TRUE(waitForTransferEnd());
    EXPECT_TRUE(entryEnabledOn(row()));

    detach();
    EXPECT_FALSE(entryEnabledOn(row())) << "the placeholder";
}

TEST_F(CatalogueRestoreTest, TheChosenCopyIsPutBackAndTheListsShowIt)
{
    ASSERT_NO_FATAL_FAILURE(attachAndKeepTwoCopies());
    const std::string replaced = deviceCatalogue();
    const std::vector<CatalogueBackup> kept = listCatalogueBackups(kDeviceId);
    int reloads = 0;
    NotificationCenter::defaultCenter().addObserver(&reloads, reloadiPodNotification,
                                                    [&](const Notification &) { ++reloads; });

    restore(1, true); // the older copy, before the import
    // The upload runs on a worker: the sheet is up, without a Cancel for a single upload.
    EXPECT_TRUE(m_window->isRestoreRunning());
    EXPECT_TRUE(m_window->progressWindow->isVisible());
    EXPECT_TRUE(
        m_window->progressWindow->findChild<QPushButton *>(QStringLiteral("cancelButton"))->isHidden());
    ASSERT_TRUE(waitForRestoreEnd());
    NotificationCenter::defaultCenter().removeObserver(&reloads);

    ASSERT_EQ(m_interaction->backupsOffered.size(), 1u);
    EXPECT_EQ(m_interaction->backupsOffered[0].front().path, kept.front().path) << "newest first";
    EXPECT_EQ(m_interaction->backupDeviceNames[0], QStringLiteral("Anna"));
    ASSERT_EQ(m_interaction->questions.size(), 1u);
    for (const char *said : {"Anna", "2 books", "kept as a copy first"})
        EXPECT_TRUE(m_interaction->questions[0].contains(QLatin1String(said)))
            << m_interaction->questions[0].toStdString();

    const Catalogue onDevice = Catalogue::fromData(deviceCatalogue());
    EXPECT_EQ(onDevice.stringValues("Path"), Catalogue::load(kept[1].path).stringValues("Path"));
    EXPECT_EQ(onDevice.stringValues("Name"), (std::vector<std::string>{"Alpha", "Beta"}));
    EXPECT_EQ(readWholeFile(deviceCopyPath("Books/Books.plist", "00008030-0016D8A43C0B802E")), deviceCatalogue());
    EXPECT_EQ(readWholeFile(listCatalogueBackups(kDeviceId).front().path), replaced)
        << "the replaced one is kept";
    EXPECT_EQ(m_backend->postedNotifications(m_device).back(), kSyncDidFinish);

    EXPECT_GE(reloads, 1);
    ASSERT_NO_FATAL_FAILURE(selectList(1));
    ASSERT_EQ(rowCount(), 2);
    EXPECT_EQ(rowTitle(1), "Beta");
    EXPECT_EQ(m_window->progress->maximum(), 100) << "the sheet is ready for the next transfer";
    EXPECT_FALSE(
        m_window->progressWindow->findChild<QPushButton *>(QStringLiteral("cancelButton"))->isHidden());
}

TEST_F(CatalogueRestoreTest, CancellingOrAFailedUploadLeavesTheCatalogueAsItWas)
{
    ASSERT_NO_FATAL_FAILURE(attachAndKeepTwoCopies());
    const std::string catalogue = deviceCatalogue();
    const std::string working = readWholeFile(deviceCopyPath("Books/Books.plist", "00008030-0016D8A43C0B802E"));
    const size_t posted = m_backend->postedNotifications(m_device).size();

    m_window->restoreCatalogueBackupMenu(); // the list closed without a choice
    restore(1, false);                      // "Cancel" at the question
    EXPECT_EQ(m_interaction->backupsOffered.size(), 2u);
    EXPECT_EQ(m_interaction->questions.size(), 1u);
    EXPECT_FALSE(m_window->isTransferRunning());
    EXPECT_EQ(listCatalogueBackups(kDeviceId).size(), 2u);
    EXPECT_EQ(m_backend->postedNotifications(m_device).size(), posted) << "the sync lock was not taken";

    DeviceFaultInjector::instance().failAlways("AFCFileRefWrite"); // reset as the test ends
    QString headingShown;
    auto heading = [this] {
        return m_window->failedWindow->findChild<QLabel *>(QStringLiteral("failedTitle"))->text();
    };
    const QString usualHeading = heading();
    closeFailuresAsTheyShow([&] { headingShown = heading(); });
    restore(1, true);
    ASSERT_TRUE(processMainEventsUntil([&] { return !headingShown.isEmpty(); }, std::chrono::seconds(20)));
    ASSERT_TRUE(waitForRestoreEnd());
    ASSERT_EQ(m_window->lastFailures().size(), 1u);
    EXPECT_EQ(m_window->lastFailures()[0].item.rfind("Catalogue copy kept on ", 0), 0u);
    EXPECT_NE(m_window->lastFailures()[0].reason.find("upload"), std::string::npos);
    EXPECT_TRUE(headingShown.contains(QLatin1String("could not be restored")));
    EXPECT_EQ(heading(), usualHeading);

    EXPECT_EQ(deviceCatalogue(), catalogue);
    EXPECT_EQ(readWholeFile(deviceCopyPath("Books/Books.plist", "00008030-0016D8A43C0B802E")), working);
    EXPECT_EQ(m_backend->postedNotifications(m_device).back(), kSyncDidFinish);
    EXPECT_FALSE(m_window->isTransferRunning());
}

TEST_F(CatalogueRestoreTest, TheOldestCopyIsNotLostWhenPuttingItBackFails)
{
    writeCatalogue({{"Alpha", "ALPHA.epub", true}});
    attach();
    std::string error;
    {
        const std::shared_ptr<DeviceSession> session = library().openSession();
        ASSERT_TRUE(session);
        for (std::size_t i = 0; i < kCatalogueBackupsKept; ++i)
            ASSERT_TRUE(backUpDeviceCatalogue(session->data(), &error)) << error;
    }
    const std::string oldest = listCatalogueBackups(kDeviceId).back().path;
    const std::string bytes = readWholeFile(oldest);

    // Keeping the catalogue it replaces forgets the oldest copy, the one chosen; then the rename fails.
    DeviceFaultInjector::instance().failAlways("AFCRenamePath");
    closeFailuresAsTheyShow();
    selectDevice();
    restore(static_cast<int>(kCatalogueBackupsKept) - 1, true);
    ASSERT_TRUE(processMainEventsUntil([this] { return !m_window->lastFailures().empty(); },
                                       std::chrono::seconds(20)));
    ASSERT_TRUE(waitForRestoreEnd());
    EXPECT_EQ(readWholeFile(oldest), bytes);
}

TEST(CatalogueBackupList, CopiesKeptWithinOneMillisecondAreListedInTheOrderKept)
{
    TempDir data;
    ::setenv("BOOKFERRY_DATA_DIR", data.path().c_str(), 1);
    const std::string dir = catalogueBackupDir("d");
    fs::create_directories(dir);
    const std::vector<std::string> newestFirst{
        "Books-20260101-000000-001.plist", "Books-20260101-000000-000-10.plist",
        "Books-20260101-000000-000-2.plist", "Books-20260101-000000-000-1.plist",
        "Books-20260101-000000-000.plist"};
    for (const std::string &name : newestFirst)
        writeWholeFile(dir + "/" + name, "x");
    std::vector<std::string> listed;
    for (const CatalogueBackup &b : listCatalogueBackups("d"))
        listed.push_back(fs::path(b.path).filename().string());
    ::unsetenv("BOOKFERRY_DATA_DIR");
    EXPECT_EQ(listed, newestFirst);
}

TEST(CatalogueBackupDialog, ListsTheCopiesAndChoosesTheHighlightedOne)
{
    TempDir dir;
    const std::string two = dir.file("two.plist"), broken = dir.file("broken.plist");
    writeWholeFile(two, "<plist><dict><key>Books</key><array><dict/><dict/></array></dict></plist>");
    writeWholeFile(broken, "not a property list");
    CatalogueBackupDialog dialog(QStringLiteral("Anna"), {{two, "d", "2026-12-06 09:41:07.120", 2048},
                                                          {broken, "d", "2026-11-28 07:15:30.512", 19}});
    QTreeWidget *list = dialog.list();
    ASSERT_EQ(list->topLevelItemCount(), 2);
    EXPECT_EQ(list->topLevelItem(0)->text(1), QStringLiteral("2"));
    EXPECT_EQ(list->topLevelItem(1)->text(1), QStringLiteral("unreadable"));
    EXPECT_EQ(dialog.chosenPath().toStdString(), two) << "the newest is offered first";
    list->clearSelection();
    EXPECT_FALSE(dialog.restoreButton()->isEnabled());
    list->setCurrentItem(list->topLevelItem(1));
    dialog.restoreButton()->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.chosenPath().toStdString(), broken);

    CatalogueBackupDialog none(QStringLiteral("Anna"), {});
    EXPECT_TRUE(none.list()->isHidden());
    EXPECT_TRUE(none.restoreButton()->isHidden());
    EXPECT_TRUE(none.heading()->text().startsWith(QLatin1String("No copies")));

    // Times get seconds in the locale's own style; a name that is no time shows as it is.
    const QString us = CatalogueBackupDialog::keptAtText("2026-12-06 07:30:12.345",
                                                         QLocale(QLocale::English, QLocale::UnitedStates));
    const QString fi = CatalogueBackupDialog::keptAtText("2026-12-06 07:30:12.345",
                                                         QLocale(QLocale::Finnish, QLocale::Finland));
    EXPECT_TRUE(us.contains(QRegularExpression(QStringLiteral(":\\d\\d:12 [AP]M$")))) << us.toStdString();
    EXPECT_TRUE(fi.contains(QRegularExpression(QStringLiteral("\\.\\d\\d\\.12$")))) << fi.toStdString();
    EXPECT_EQ(CatalogueBackupDialog::keptAtText("yesterday"), QStringLiteral("yesterday"));
}
