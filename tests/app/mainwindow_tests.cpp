// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// Start-up, the device panel, the book table's check marks and the enabling rules, driven
// through the real main window over a folder device.
#include "appfixture.h"

#include "app/appglobals.h"
#include "core/mainqueue.h"
#include "library/nodeinfo.h"
#include "operations/devicelistmodel.h"
#include "operations/devicelistnotifications.h"
#include "widgets/aioutlineview.h"
#include "widgets/aitableview.h"
#include "widgets/xlpopupmenubutton.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
#include <QTimer>

namespace {

// The getting-started picture in place of the device panel and the book table, with every
// command on books off.
void expectGettingStarted(const mainControler &window)
{
    EXPECT_FALSE(window.ipodBgView->isHidden());
    EXPECT_FALSE(window.ipodBgView->pixmap().isNull());
    EXPECT_TRUE(window.box->isHidden());
    EXPECT_TRUE(window.mediaTableView->isHidden());
    EXPECT_FALSE(window.ipodtoMacButton->isEnabled());
    EXPECT_FALSE(window.addMediaButton->isEnabled());
    EXPECT_EQ(deviceCount(window), 0);
}

} // namespace

// The picture at the start and again when the device goes; the records then stay until the
// next selection change, but nothing can act on them.
TEST_F(MainWindowTest, GettingStartedPictureAtTheStartAndAfterRemoval)
{
    expectGettingStarted(*m_window);
    // The check-all box sits at the left end of the table header.
    EXPECT_EQ(m_window->selectAllButton->parentWidget(), m_window->mediaTableView->horizontalHeader());
    EXPECT_EQ(m_window->selectAllButton->x(), 0);

    writeCatalogue({{"Mine One", "MINA.epub", true}});
    attach();
    selectList(1);
    ASSERT_EQ(rowCount(), 1);
    detach();
    ASSERT_TRUE(processMainEventsUntil([this] { return m_window->mediaTableView->isHidden(); }));
    expectGettingStarted(*m_window);
    EXPECT_TRUE(m_window->albumsPopupButton->isHidden());
    EXPECT_EQ(medias->size(), 1u);
    highlightRows({0});
    EXPECT_FALSE(m_window->menuStatus(QStringLiteral("Export select contents to Mac")));
}

TEST_F(MainWindowTest, MenuTitlesTakeTheBundleNameAndVersion)
{
    // "About @", "Hide @" and "Quit @" of the form become the product's name.
    for (const char *verb : {"About", "Quit", "Hide"})
        EXPECT_EQ(m_window->appMenuDict.at(QLatin1String(verb) + QStringLiteral(" @"))->text(),
                  QLatin1String(verb) + QStringLiteral(" Bookferry"));
    EXPECT_EQ(m_window->helpMenu->text(), QStringLiteral("Bookferry Help"));
    EXPECT_TRUE(m_window->versionTextField->text().contains(QStringLiteral(BOOKFERRY_VERSION)));
}

TEST_F(MainWindowTest, DeviceArrivalFillsThePanel)
{
    attach();
    const QModelIndex device = deviceList(*m_window)->index(0, 0);
    EXPECT_EQ(device.data().toString(), QStringLiteral("Anna(4.0GB/8.0GB)"));
    EXPECT_EQ(m_window->ipodNameTextField->text(), QStringLiteral("Anna"));
    EXPECT_EQ(m_window->ipodFramworkTypeTextField->text(), QStringLiteral("16.7"));
    EXPECT_EQ(m_window->ipodNameSerNumberTextField->text(), QStringLiteral("F2LZK0QMN72J"));
    EXPECT_EQ(m_window->ipodVolumTypeTextField->text(), QStringLiteral("APFS"));
    EXPECT_EQ(m_window->ipodSizeTextField->text(), QStringLiteral("8.0GB"));
    EXPECT_EQ(m_window->ipodSize_1TextField->text(), QStringLiteral("8.0GB"));
    EXPECT_EQ(m_window->freeSizeTextField->text(), QStringLiteral("4.0GB"));
    EXPECT_FALSE(m_window->typeTextField->isHidden());
    EXPECT_FALSE(m_window->ebooksImageView->pixmap().isNull());
    EXPECT_FALSE(m_window->ipodProductView->pixmap().isNull());
    EXPECT_TRUE(m_window->ipodBgView->pixmap().isNull());
    EXPECT_FALSE(m_window->addMediaButton->isEnabled());
}

TEST_F(MainWindowTest, PanelConversionsAndFallbacks)
{
    // A device description as the device list posts it, without a model and with sizes
    // on either side of one gigabyte.
    NodeInfo info;
    info.device = {{NodeInfoKey::isDeviceInfo, "1"},     {"FSTotalBytes", "15000000000.000000"},
                   {"FSFreeBytes", "536870912"},          {NodeInfoKey::books_size, "1073741824"},
                   {NodeInfoKey::music_Size, "1073741823"}, {"FamilyID", "8"}};
    NotificationCenter::defaultCenter().postNotificationName(iPodListSelectionDidChangeNotification, nullptr, info);
    EXPECT_EQ(m_window->ipodTypeTextField->text(), QStringLiteral("Unknow IPod"));
    EXPECT_EQ(m_window->ipodSizeTextField->text(), QStringLiteral("14.0GB"));
    EXPECT_EQ(m_window->ipodSize_1TextField->text(), QStringLiteral("14.0GB"));
    EXPECT_EQ(m_window->freeSizeTextField->text(), QStringLiteral("0.5GB"));
    EXPECT_EQ(m_window->ebooksTextField->text(), QStringLiteral("1.0GB"));
    EXPECT_EQ(m_window->audioSizeTextField->text(), QStringLiteral("1024.0MB"));
    EXPECT_EQ(m_window->videoTextField->text(), QStringLiteral("0.0MB"));
    EXPECT_EQ(m_window->ipodProductView->property("pictureName").toString(), QStringLiteral("ipodnor.png"));

    // The same notification from another thread is carried to the main thread.
    info.device["DeviceName"] = "From a worker";
    std::thread poster([&info] {
        NotificationCenter::defaultCenter().postNotificationName(iPodListSelectionDidChangeNotification, nullptr, info);
    });
    poster.join();
    EXPECT_TRUE(processMainEventsUntil([this] { return m_window->ipodNameTextField->text() == QStringLiteral("From a worker"); }));
}

TEST_F(MainWindowTest, BookListsAndTheEnablingRules)
{
    writeCatalogue({{"Library One", "LIBA.epub", false},
                    {"Mine One", "MINA.epub", true},
                    {"Mine Two", "MINB.epub", true},
                    {"Mine Three", "MINC.epub", true}});
    attach();

    // With the device node selected every check-mark item is off.
    m_window->validateMenus();
    EXPECT_FALSE(action(QStringLiteral("Check All"))->isEnabled());
    EXPECT_FALSE(action(QStringLiteral("Uncheck All"))->isEnabled());

    // "Custom Books": three user items, all checked.
    selectList(1);
    ASSERT_EQ(rowCount(), 3);
    EXPECT_EQ(rowTitle(0), "Mine One");
    EXPECT_FALSE(m_window->box->isHidden()); // left as it was
    EXPECT_TRUE(m_window->typeTextField->isHidden());
    EXPECT_EQ(m_window->selectAllButton->checkState(), Qt::Checked);
    EXPECT_TRUE(m_window->ipodtoMacButton->isEnabled());
    EXPECT_TRUE(m_window->addMediaButton->isEnabled());
    EXPECT_FALSE(m_window->menuStatus(QStringLiteral("Check All")));
    EXPECT_TRUE(m_window->menuStatus(QStringLiteral("Uncheck All")));
    EXPECT_FALSE(m_window->menuStatus(QStringLiteral("Delete selected item"))); // nothing highlighted
    EXPECT_FALSE(action(QStringLiteral("Check All"))->isEnabled());
    EXPECT_TRUE(action(QStringLiteral("Uncheck All"))->isEnabled());

    // "iTunes Books": import and every delete item off, export follows the marks.
    selectList(0);
    ASSERT_EQ(rowCount(), 1);
    EXPECT_EQ(rowTitle(0), "Library One");
    EXPECT_FALSE(m_window->addMediaButton->isEnabled());
    EXPECT_TRUE(m_window->ipodtoMacButton->isEnabled());
    highlightRows({0});
    EXPECT_FALSE(m_window->menuStatus(QStringLiteral("Delete selected item")));
    // A checked record that is not a user item turns the box on.
    EXPECT_EQ(m_window->selectAllButton->checkState(), Qt::Checked);

    // Back to the device node: the table goes and the list is emptied.
    selectDevice();
    EXPECT_TRUE(medias->empty());
    EXPECT_FALSE(m_window->ipodtoMacButton->isEnabled());
}

TEST_F(MainWindowTest, CheckAllBoxFollowsTheFirstTellingRecord)
{
    // First record checked but not a user item, second unchecked: the box is on.
    auto library = std::make_shared<epub>();
    auto unchecked = std::make_shared<epub>();
    unchecked->setisuserItem(true);
    unchecked->setIsSelect(false);
    showRecords({library, unchecked});
    EXPECT_EQ(m_window->selectAllButton->checkState(), Qt::Checked);
    // Without a device nothing can be exported, marks or not.
    EXPECT_FALSE(m_window->ipodtoMacButton->isEnabled());

    // An empty list: box on, nothing to check or uncheck.
    showRecords({});
    EXPECT_EQ(m_window->selectAllButton->checkState(), Qt::Checked);
    EXPECT_FALSE(m_window->menuStatus(QStringLiteral("Check All")));
    EXPECT_FALSE(m_window->menuStatus(QStringLiteral("Uncheck All")));
}

TEST_F(MainWindowTest, HomeAndHelpOpenTheirPages)
{
    m_window->home();
    m_window->help();
    ASSERT_EQ(m_opened.size(), 2u);
    EXPECT_EQ(m_opened[0].scheme(), QStringLiteral("https"));
    EXPECT_TRUE(m_opened[1].isLocalFile());
    EXPECT_TRUE(m_opened[1].toLocalFile().endsWith(QStringLiteral("help/index.html")));
    EXPECT_TRUE(QFile::exists(m_opened[1].toLocalFile()));
}

TEST_F(MainWindowTest, ClosingTheMainWindowEndsTheApplication)
{
    // The application's loop ends on the close alone; the second timer only bounds a failure.
    QTimer::singleShot(0, m_window->mainWindow, [this] { m_window->mainWindow->close(); });
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(7); });
    guard.start(5000);
    EXPECT_EQ(QApplication::exec(), 0);
}
