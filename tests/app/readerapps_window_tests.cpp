// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// A device without a reader app in the window: the line that says what to do, "Use for Books"
// and the choice kept for the next connection; and the screenshots on such a device.
#include "appfixture.h"

#include "app/appshelf.h"
#include "core/mainqueue.h"
#include "operations/devicelistmodel.h"
#include "operations/readerapps.h"
#include "widgets/aioutlineview.h"

#include <QAction>
#include <QDir>
#include <QMenu>
#include <QProcess>
#include <QSettings>

namespace {

constexpr const char *kFilebox = "org.example.filebox";

class ReaderHintTest : public MainWindowTest
{
protected:
    void SetUp() override
    {
        clearSettings();
        MainWindowTest::SetUp();
        writeApp(kFilebox, "Filebox", {"public.data"});
    }
    void TearDown() override
    {
        MainWindowTest::TearDown();
        clearSettings();
    }
    static void clearSettings()
    {
        QSettings settings;
        settings.remove(QLatin1String(AppShelf::kShowAllSetting));
        settings.remove(QStringLiteral("UseForBooks"));
    }
    void attachAndList()
    {
        const int before = apps().listedDevices();
        attach();
        ASSERT_TRUE(processMainEventsUntil([&] { return apps().listedDevices() > before && apps().idle(); }));
    }
    QModelIndex deviceRow(int row)
    {
        DeviceListModel *model = deviceList(*m_window);
        return model->index(row, 0, model->index(0, 0));
    }
    // Right-clicks the row and picks "Use for Books"; false when the item is not offered.
    bool useForBooksOn(int row, bool *wasChecked = nullptr)
    {
        AIOutLineView *view = m_window->iPodTableView;
        QMenu *menu = view->menuForEvent(view->visualRect(deviceRow(row)).center());
        QAction *item = action(QStringLiteral("Use for Books"));
        if (!menu || !item)
            return false;
        Q_EMIT menu->aboutToShow();
        if (wasChecked)
            *wasChecked = item->isChecked();
        if (menu != m_window->deviceMenu || !item->isEnabled())
            return false;
        item->trigger();
        return true;
    }
};

const std::string hint = AppShelf::noReaderHint().toStdString();

TEST_F(ReaderHintTest, WithoutAReaderTheDeviceSaysWhatToDoAndAnySharingAppCanBeChosen)
{
    attachAndList();
    EXPECT_EQ(deviceChildren(), (std::vector<std::string>{"iTunes Books", "Custom Books", hint}));
    EXPECT_NE(hint.find("No reader app on this device shares its files"), std::string::npos);
    EXPECT_NE(hint.find("ePub reader that shares its files with a computer"), std::string::npos);
    EXPECT_NE(hint.find("Use for Books"), std::string::npos);
    // The line only tells: it can neither be selected nor reached.
    EXPECT_EQ(deviceList(*m_window)->flags(deviceRow(2)), Qt::NoItemFlags);

    // The preference shows the sharing app; its menu makes it a reader, and the line goes.
    apps().setShowAllSharingApps(true);
    EXPECT_EQ(deviceChildren(), (std::vector<std::string>{"iTunes Books", "Custom Books", "Filebox", hint}));
    bool checked = true;
    ASSERT_TRUE(useForBooksOn(2, &checked));
    EXPECT_FALSE(checked);
    EXPECT_EQ(deviceChildren(), (std::vector<std::string>{"iTunes Books", "Custom Books", "Filebox"}));
    apps().setShowAllSharingApps(false);
    EXPECT_EQ(deviceChildren(), (std::vector<std::string>{"iTunes Books", "Custom Books", "Filebox"}));
    EXPECT_EQ(appsUsedForBooks(QSettings(), "00008030-0016D8A43C0B802E"), std::vector<std::string>{kFilebox});

    // Remembered for this device: the next connection lists it as a reader at once.
    ASSERT_NO_FATAL_FAILURE(detach());
    ASSERT_NO_FATAL_FAILURE(attachAndList());
    EXPECT_EQ(deviceChildren(), (std::vector<std::string>{"iTunes Books", "Custom Books", "Filebox"}));
    ASSERT_TRUE(apps().appNodes().at(0)->app().chosenForBooks);

    // Taken back, the app is no reader again and the line returns.
    ASSERT_TRUE(useForBooksOn(2, &checked));
    EXPECT_TRUE(checked);
    EXPECT_EQ(deviceChildren(), (std::vector<std::string>{"iTunes Books", "Custom Books", hint}));
    EXPECT_TRUE(appsUsedForBooks(QSettings(), "00008030-0016D8A43C0B802E").empty());
}

TEST_F(ReaderHintTest, AnAppThatReadsBooksByItselfIsNotOfferedTheChoice)
{
    writeApp("org.example.reader", "Reader", {"org.idpf.epub-container"});
    attachAndList();
    EXPECT_EQ(deviceChildren(), (std::vector<std::string>{"iTunes Books", "Custom Books", "Reader"}));
    EXPECT_FALSE(useForBooksOn(2));
}

TEST(ReaderHintScreenshots, ADeviceWithoutReaderAppsGivesEveryPicture)
{
    TempDir device, shots, scratch;
    FolderDeviceDescription desc;
    desc.uniqueDeviceID = "shots";
    desc.values = {{"ProductVersion", "16.7"}, {"DeviceName", "Shots"}};
    desc.deviceInfo = {
        {"Model", "iPhone12,1"}, {"FSTotalBytes", "8589934592"}, {"FSFreeBytes", "4294967296"}};
    std::string error;
    ASSERT_TRUE(writeFolderDevice(device.path(), desc, &error)) << error;
    FolderDeviceApp filebox;
    filebox.identifier = kFilebox;
    filebox.displayName = filebox.name = "Filebox";
    ASSERT_TRUE(writeFolderDeviceApp(device.path(), filebox, &error)) << error;

    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("BOOKFERRY_SCRATCH"), QString::fromStdString(scratch.path()));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(BOOKFERRY_APP),
                  {QStringLiteral("--device"), QString::fromStdString("folder:" + device.path()),
                   QString::fromStdString("--screenshots=" + shots.path())});
    ASSERT_TRUE(program.waitForFinished(90000));
    EXPECT_EQ(program.exitCode(), 0) << program.readAllStandardError().toStdString();
    const QStringList pictures =
        QDir(QString::fromStdString(shots.path())).entryList({QStringLiteral("*.png")});
    EXPECT_EQ(pictures.size(), 15) << pictures.join(QLatin1Char(' ')).toStdString();
    EXPECT_TRUE(pictures.contains(QStringLiteral("15-no-reader-hint.png")));
}

} // namespace
