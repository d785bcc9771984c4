// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "appfixture.h"

#include "app/appglobals.h"
#include "app/appshelf.h"
#include "app/mediatablemodel.h"
#include "app/transferslot.h"
#include "core/mainqueue.h"
#include "device/backend/devicefaultinjector.h"
#include "epubbuilder.h"
#include "library/catalogue.h"
#include "operations/devicelistmodel.h"
#include "operations/deviceoutline.h"
#include "widgets/aioutlineview.h"
#include "widgets/aitableview.h"
#include "widgets/urlopener.h"

#include <QAction>
#include <QBuffer>
#include <QImage>
#include <QMainWindow>
#include <QMenuBar>
#include <QSettings>

#include <plist/plist.h>

#include <cstdlib>
#include <filesystem>

DeviceListModel *deviceList(const mainControler &window)
{
    return window.treeListControler->model();
}

int deviceCount(const mainControler &window)
{
    return window.treeListControler->ipodCount();
}

TreeNodeArray selectedNodes(const mainControler &window)
{
    return window.treeListControler->selectedNodes();
}

bool customBooksSelected(const mainControler &window)
{
    return window.treeListControler->isSelectepubnodecanadd();
}

namespace {

// The next answer of a queue, or `none` when the test gave no more.
template <typename T>
T nextAnswer(std::deque<T> &queue, T none = {})
{
    if (queue.empty())
        return none;
    T answer = std::move(queue.front());
    queue.pop_front();
    return answer;
}

} // namespace

QStringList ScriptedInteraction::chooseImportPaths(QWidget *)
{
    ++panelsShown;
    return nextAnswer(importAnswers);
}

QString ScriptedInteraction::chooseExportFolder(QWidget *)
{
    ++panelsShown;
    return nextAnswer(folderAnswers);
}

QString ScriptedInteraction::chooseImportFolder(QWidget *)
{
    ++panelsShown;
    return nextAnswer(importFolderAnswers);
}

int ScriptedInteraction::ask(QWidget *, const QString &, const QString &informative, const QStringList &)
{
    questions.push_back(informative);
    if (onAsk)
        onAsk();
    return nextAnswer(answers, int(AlertFirstButtonReturn));
}

QString ScriptedInteraction::chooseCatalogueBackup(QWidget *, const QString &deviceName,
                                                  const std::vector<CatalogueBackup> &backups)
{
    backupsOffered.push_back(backups);
    backupDeviceNames.push_back(deviceName);
    const int index = nextAnswer(backupAnswers, -1);
    return index >= 0 && index < static_cast<int>(backups.size()) ? QString::fromStdString(backups[index].path)
                                                                   : QString();
}

std::string picture(const QColor &colour, const char *format, QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return buffer.data().toStdString();
}

DeviceLibrary &MainWindowTest::library() const
{
    return m_window->treeListControler->library();
}

void MainWindowTest::SetUp()
{
    // Catalogue backups of every change go to the test's own data folder.
    if (const char *previous = std::getenv("BOOKFERRY_DATA_DIR"))
        m_previousDataDir = previous;
    ::setenv("BOOKFERRY_DATA_DIR", m_data.path().c_str(), 1);

    auto backend = std::make_unique<FolderBackend>();
    m_backend = backend.get();
    setDeviceBackend(std::move(backend));

    FolderDeviceDescription desc;
    desc.uniqueDeviceID = "00008030-0016D8A43C0B802E";
    desc.values = {{"ProductVersion", "16.7"}, {"DeviceName", "Anna"}, {"SerialNumber", "F2LZK0QMN72J"},
                   {"VolumeFormat", "APFS"}, {"ProductType", "iPhone12,1"}};
    desc.deviceInfo = {{"Model", "iPhone12,1"}, {"FSTotalBytes", "8589934592"}, {"FSFreeBytes", "4294967296"}};
    std::string error;
    ASSERT_TRUE(writeFolderDevice(m_deviceDir.path(), desc, &error)) << error;

    // Each test starts from no preferences: the window keeps its sizes and lists between runs.
    QSettings().clear();
    m_previousSleeper = setDeviceLinkSleeper([this](unsigned int seconds) { m_secondsAsked += seconds; });
    UrlOpener::setHandler([this](const QUrl &url) { m_opened.push_back(url); });
    auto interaction = std::make_unique<ScriptedInteraction>();
    m_interaction = interaction.get();
    m_window = std::make_unique<mainControler>(std::move(interaction));
    m_window->awakeFromNib();
    m_window->mainWindow->show();
    // Heard on the reporting thread, as each report is made.
    QObject::connect(m_window->findChild<TransferSlot *>(), &TransferSlot::progressed, [this](const TransferProgress &p) {
        std::lock_guard<std::mutex> lock(m_progressMutex);
        m_progress.push_back(std::to_string(p.percent()));
    });
}

void MainWindowTest::TearDown()
{
    m_closer.stop();
    DeviceFaultInjector::instance().reset();
    NotificationCenter::defaultCenter().removeObserver(this);
    if (m_window)
        m_window->joinWorker();
    m_window.reset();
    UrlOpener::setHandler({});
    setDeviceBackend(nullptr);
    setDeviceLinkSleeper(std::move(m_previousSleeper));
    if (m_previousDataDir)
        ::setenv("BOOKFERRY_DATA_DIR", m_previousDataDir->c_str(), 1);
    else
        ::unsetenv("BOOKFERRY_DATA_DIR");
}

void MainWindowTest::attach()
{
    std::string error;
    m_device = m_backend->attach(m_deviceDir.path(), &error);
    ASSERT_TRUE(m_device) << error;
    ASSERT_TRUE(processMainEventsUntil([this] {
        return m_window->treeListControler->ipodCount() == 1 && !m_window->box->isHidden();
    }));
}

void MainWindowTest::detach()
{
    m_backend->detach(m_device);
    ASSERT_TRUE(processMainEventsUntil([this] { return m_window->treeListControler->ipodCount() == 0; }));
}

void MainWindowTest::selectDevice()
{
    const QModelIndex device = m_window->treeListControler->model()->index(0, 0);
    m_window->iPodTableView->setCurrentIndex(device);
    ASSERT_TRUE(processMainEventsUntil([this] { return m_window->mediaTableView->isHidden(); }));
}

void MainWindowTest::selectList(int row)
{
    DeviceListModel *model = m_window->treeListControler->model();
    const QModelIndex list = model->index(row, 0, model->index(0, 0));
    ASSERT_TRUE(list.isValid());
    m_window->iPodTableView->setCurrentIndex(list);
    ASSERT_TRUE(processMainEventsUntil([this] { return !m_window->mediaTableView->isHidden(); }));
}

void MainWindowTest::writeApp(const std::string &identifier, const std::string &name,
                              std::vector<std::string> contentTypes, std::string iconPng)
{
    FolderDeviceApp app;
    app.identifier = identifier;
    app.displayName = app.name = name;
    app.contentTypes = std::move(contentTypes);
    app.iconPng = std::move(iconPng);
    std::string error;
    ASSERT_TRUE(writeFolderDeviceApp(m_deviceDir.path(), app, &error)) << error;
}

std::vector<std::string> MainWindowTest::deviceChildren() const
{
    std::vector<std::string> titles;
    DeviceListModel *model = deviceList(*m_window);
    const QModelIndex device = model->index(0, 0);
    for (int row = 0; row < model->rowCount(device); ++row)
        titles.push_back(model->data(model->index(row, 0, device)).toString().toStdString());
    return titles;
}

void MainWindowTest::writeCatalogue(const std::vector<Entry> &entries)
{
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict><key>Books</key><array>";
    for (const Entry &entry : entries) {
        xml += "<dict><key>Name</key><string>" + entry.name + "</string><key>Path</key><string>" + entry.path
               + "</string><key>User Item</key>" + (entry.userItem ? "<true/>" : "<false/>");
        const std::pair<const char *, const std::string *> optional[] = {
            {"Artist", &entry.artist}, {"Cover Path", &entry.coverPath}, {"Cover Hash", &entry.coverHash}};
        for (const auto &[key, value] : optional)
            if (!value->empty())
                xml += "<key>" + std::string(key) + "</key><string>" + *value + "</string>";
        xml += "</dict>";
    }
    xml += "</array></dict></plist>\n";
    std::filesystem::create_directories(deviceFile("/Books"));
    writeWholeFile(deviceFile("/Books/Books.plist"), xml);
}

std::vector<std::string> MainWindowTest::catalogueNames() const
{
    const std::string file = deviceFile("/Books/Books.plist");
    if (!std::filesystem::exists(file))
        return {};
    return Catalogue::load(file).stringValues("Name");
}

void MainWindowTest::attachWithReader(const std::string &fileName, const std::string &title)
{
    writeApp("org.example.reader", "Reader", {"org.idpf.epub-container"});
    const std::string documents = m_deviceDir.path() + "/apps/org.example.reader/container/Documents";
    std::filesystem::create_directories(documents);
    ASSERT_TRUE(EpubBuilder::validBook(title, "Writer").write(documents + "/" + fileName));
    attach();
    ASSERT_TRUE(processMainEventsUntil([this] { return !apps().appNodes().empty() && apps().idle(); }));
}

QString MainWindowTest::makeBook(const std::string &fileName, const std::string &title, const std::string &creator)
{
    const std::string path = m_files.file(fileName);
    EXPECT_TRUE(EpubBuilder::validBook(title, creator).write(path));
    return QString::fromStdString(path);
}

void MainWindowTest::highlightRows(const std::vector<int> &rows)
{
    QAbstractItemView *table = m_window->mediaTableView;
    table->clearSelection();
    for (int row : rows)
        table->selectionModel()->select(table->model()->index(row, 1),
                                        QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

QAction *MainWindowTest::action(const QString &title) const
{
    for (QAction *item : m_window->mainWindow->findChildren<QAction *>()) {
        if (item->text() == title && !item->menu())
            return item;
    }
    ADD_FAILURE() << "no menu item " << title.toStdString();
    return nullptr;
}

std::vector<std::string> MainWindowTest::progressSeen(std::size_t from)
{
    std::lock_guard<std::mutex> lock(m_progressMutex);
    return {m_progress.begin() + static_cast<long>(std::min(from, m_progress.size())), m_progress.end()};
}

void MainWindowTest::closeFailuresAsTheyShow(std::function<void()> seen)
{
    QObject::connect(&m_closer, &QTimer::timeout, [this, seen] {
        if (!m_window->failedWindow->isVisible())
            return;
        if (seen)
            seen();
        m_window->closeFailedWindow();
    });
    m_closer.start(20);
}

bool MainWindowTest::waitForTransferEnd()
{
    return processMainEventsUntil(
        [this] { return !m_window->isTransferRunning() && !m_window->progressWindow->isVisible(); },
        std::chrono::seconds(20));
}

int MainWindowTest::rowCount() const
{
    return m_window->mediaTableView->model()->rowCount();
}

std::string MainWindowTest::rowTitle(int row) const
{
    QAbstractItemModel *model = m_window->mediaTableView->model();
    return model->data(model->index(row, 1)).toString().toStdString();
}

void MainWindowTest::showRecords(const EpubList &records)
{
    medias = std::make_shared<EpubList>(records);
    static_cast<MediaSortFilterModel *>(m_window->mediaTableView->model())->books()->reloadData();
    m_window->buttonStatus();
}
