// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include "app/maincontroler.h"
#include "app/userinteraction.h"
#include "device/storage/devicesleep.h"
#include "device/folder/folderbackend.h"
#include "windowdevices.h"
#include "tempdir.h"

#include <gtest/gtest.h>

#include <QColor>
#include <QSize>
#include <QTimer>
#include <QUrl>

#include <atomic>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

class DeviceLibrary;
class QAction;

// The bytes of a picture of one colour, in `format`.
std::string picture(const QColor &colour, const char *format = "PNG", QSize size = QSize(300, 450));

// Answers the main window's panels and questions from queues a test fills, and records
// what was asked. An empty queue answers "cancelled" (or "NO").
class ScriptedInteraction : public UserInteraction
{
public:
    QStringList chooseImportPaths(QWidget *) override;
    QString chooseExportFolder(QWidget *) override;
    QString chooseImportFolder(QWidget *) override;
    int ask(QWidget *, const QString &message, const QString &informative, const QStringList &buttons) override;
    QString chooseCatalogueBackup(QWidget *, const QString &deviceName,
                                  const std::vector<CatalogueBackup> &backups) override;

    std::deque<QStringList> importAnswers;
    std::deque<QString> folderAnswers;
    std::deque<QString> importFolderAnswers; // "Folder to Device"
    std::deque<int> answers; // 1000 for the first button, 1001 for the second
    std::vector<QString> questions; // informative texts, in order
    std::function<void()> onAsk;    // runs as each question is asked, before it is answered
    int panelsShown = 0;
    std::deque<int> backupAnswers; // the index of the offered copy to choose
    std::vector<std::vector<CatalogueBackup>> backupsOffered;
    std::vector<QString> backupDeviceNames;
};

// The real main window over a folder device: a scratch folder, a device folder with an
// iPhone, the controller with a scripted interaction, and a record of the progress reports.
class MainWindowTest : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    // Plugs the device in and waits until its node and panel are shown.
    void attach();
    void detach();
    // Selects the device node (row 0) or one of its book lists ("iTunes Books" 0, "Custom Books" 1).
    void selectDevice();
    void selectList(int row);
    // Writes the device's catalogue before attach(): entries of (title, "Path", user item).
    struct Entry
    {
        std::string name;
        std::string path;
        bool userItem;
        std::string artist = {};
        std::string coverPath = {}; // the catalogue's "Cover Path" and "Cover Hash"
        std::string coverHash = {};
    };
    void writeCatalogue(const std::vector<Entry> &entries);
    // Puts an app that shares its files on the device before attach(); an ePub among
    // `contentTypes` makes it a reader.
    void writeApp(const std::string &identifier, const std::string &name, std::vector<std::string> contentTypes,
                  std::string iconPng = {});
    AppShelf &apps() const { return *m_window->appShelf(); }
    // The window's device library: sessions on the device, as its commands open them.
    DeviceLibrary &library() const;
    // The titles of the rows under the device in the device list.
    std::vector<std::string> deviceChildren() const;
    std::string deviceFile(const std::string &devicePath) const { return m_deviceDir.file("root" + devicePath); }
    // The titles of the device's catalogue, in its order; none when it has no catalogue.
    std::vector<std::string> catalogueNames() const;
    // Puts a reader app holding one book on the device, attaches it and waits for its listing.
    void attachWithReader(const std::string &fileName, const std::string &title);
    // Writes a small ePub into the test's file folder.
    QString makeBook(const std::string &fileName, const std::string &title, const std::string &creator);
    // Highlights exactly these rows of the book table.
    void highlightRows(const std::vector<int> &rows);
    QAction *action(const QString &title) const;
    // The percentages reported so far, from the `from`th on.
    std::vector<std::string> progressSeen(std::size_t from = 0);
    // From now on the failure window is closed whenever it shows, after `seen` ran.
    void closeFailuresAsTheyShow(std::function<void()> seen = {});
    // Waits until a transfer has finished (sheet down, nothing running).
    bool waitForTransferEnd();
    int rowCount() const;
    // The table shows these records as `medias`, without a device list behind them.
    void showRecords(const EpubList &records);
    std::string rowTitle(int row) const;

    ScopedScratch m_scratch;
    TempDir m_data; // the user's data folder (catalogue backups)
    TempDir m_deviceDir;
    TempDir m_files;
    FolderBackend *m_backend = nullptr;
    am_device *m_device = nullptr;
    ScriptedInteraction *m_interaction = nullptr;
    std::unique_ptr<mainControler> m_window;
    std::vector<QUrl> m_opened;
    // The device link's waits (the pause before a batch, the sync lock's retries) are counted,
    // not slept; a test may install its own sleeper.
    std::atomic<unsigned int> m_secondsAsked{0};

private:
    QTimer m_closer;
    DeviceLinkSleeper m_previousSleeper;
    std::mutex m_progressMutex;
    std::vector<std::string> m_progress;
    std::optional<std::string> m_previousDataDir;
};
