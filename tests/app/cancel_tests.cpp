// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// How a transfer in the window ends early at Cancel, and what the window
// says around a reader app's commands: where "Folder to Device" puts the books, and the line
// an export leaves. On the folder device.
#include "appfixture.h"

#include "app/appshelf.h"
#include "app/messageline.h"
#include "core/mainqueue.h"
#include "device/backend/devicefaultinjector.h"
#include "epubbuilder.h"
#include "library/catalogue.h"

#include <QMainWindow>
#include <QPushButton>

#include <chrono>
#include <filesystem>
#include <future>
#include <memory>

namespace fs = std::filesystem;

namespace {

class CancelTest : public MainWindowTest
{
protected:
    // Imports four books into "Custom Books". As the first byte of any of them is written to
    // the device (a copy has begun, no book has ended), `act` runs on the main thread while
    // that copy waits for it.
    void importActingAtFirstWrite(const std::function<void()> &act)
    {
        const int count = 4;
        attach();
        selectList(1);
        QStringList books;
        for (int i = 0; i < count; ++i)
            books << makeBook("book" + std::to_string(i) + ".epub", "Book " + std::to_string(i), "C");
        m_interaction->importAnswers.push_back(books);
        DeviceFaultInjector &faults = DeviceFaultInjector::instance();
        faults.reset();
        faults.onCall("AFCFileRefWrite", 1, [act] {
            auto acted = std::make_shared<std::promise<void>>();
            std::future<void> done = acted->get_future();
            performOnMainThread([act, acted] {
                act();
                acted->set_value();
            });
            EXPECT_EQ(done.wait_for(std::chrono::seconds(10)), std::future_status::ready);
        });
        m_window->loadMediaPCToIpod();
        ASSERT_TRUE(waitForTransferEnd());
    }
    std::size_t bookFolders() const
    {
        std::size_t folders = 0;
        std::error_code ec;
        for (const auto &entry : fs::directory_iterator(deviceFile("/Books"), ec))
            folders += entry.is_directory() ? 1 : 0;
        return folders;
    }
};

// A reader app with one book in its folder.
class AppLinesTest : public MainWindowTest
{
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        attachWithReader("moby.epub", "Moby-Dick");
    }
    // "Custom Books" (1) or the reader app (2), with the app's listing in.
    void show(int row)
    {
        selectList(row);
        ASSERT_TRUE(processMainEventsUntil([&] { return apps().idle() && (row != 2 || rowCount() == 1); }));
    }
    std::string line() const
    {
        return m_window->mainWindow->findChild<MessageLine *>()->messageText().toStdString();
    }
};

} // namespace

// Cancel lets the book being copied finish (it is imported and listed, with no failure) and
// starts no other.
TEST_F(CancelTest, CancelLetsTheBookInHandFinishAndStartsNoOther)
{
    importActingAtFirstWrite([this] {
        m_window->progressWindow->findChild<QPushButton *>(QStringLiteral("cancelButton"))->click();
    });
    EXPECT_EQ(catalogueNames(), (std::vector<std::string>{"Book 0"}));
    EXPECT_EQ(bookFolders(), 1u);
    EXPECT_TRUE(m_window->lastFailures().empty());
    ASSERT_TRUE(processMainEventsUntil([this] { return rowCount() == 1; }));
    EXPECT_EQ(rowTitle(0), "Book 0");
}

// The question names where the books will go: the selected app, or "Custom Books".
TEST_F(AppLinesTest, FolderToDeviceNamesWhereTheBooksGo)
{
    fs::create_directories(m_files.file("shelf"));
    makeBook("shelf/a.epub", "Alpha", "A");
    const struct
    {
        int row;
        const char *question;
    } cases[] = {{1, "Add them to Custom Books?"}, {2, "Add them to Reader?"}};
    for (const auto &c : cases) {
        show(c.row);
        m_interaction->importFolderAnswers.push_back(QString::fromStdString(m_files.file("shelf")));
        m_interaction->answers.push_back(AlertFirstButtonReturn); // Cancel
        action(QStringLiteral("Folder to Device"))->trigger();
        ASSERT_FALSE(m_interaction->questions.empty());
        EXPECT_TRUE(m_interaction->questions.back().endsWith(QLatin1String(c.question)))
            << m_interaction->questions.back().toStdString();
        EXPECT_FALSE(m_window->isTransferRunning());
    }
}

// An app export's line stays when another node is selected (the app's hint goes), until the
// next transfer starts.
TEST_F(AppLinesTest, AnExportLineStaysUntilTheNextTransferStarts)
{
    show(2);
    highlightRows({0});
    m_interaction->folderAnswers.push_back(QString::fromStdString(m_files.path()));
    m_window->loadSelectedMediaIpodToPC();
    ASSERT_TRUE(waitForTransferEnd());
    // Under it, while the app is selected, the app's own hint.
    const std::string exported = "1 book was exported to " + m_files.path() + ".";
    ASSERT_EQ(line().rfind(exported + "\n", 0), 0u) << line();
    EXPECT_NE(line().find("Reader's own folder"), std::string::npos) << line();

    show(1);
    EXPECT_EQ(line(), exported);

    m_interaction->importAnswers.push_back({makeBook("next.epub", "Next", "N")});
    m_window->loadMediaPCToIpod();
    EXPECT_EQ(line(), "");
    ASSERT_TRUE(waitForTransferEnd());
}
