// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "app/appshelf.h"

#include "app/bookcovers.h"
#include "app/mediatablemodel.h"
#include "core/cachetrim.h"
#include "core/mainqueue.h"
#include "core/stablename.h"
#include "core/uitext.h"
#include "device/storage/loadiphone.h"
#include "device/storage/userdataiphone.h"
#include "library/bookkeys.h"
#include "library/ipodrootnode.h"
#include "operations/applistingcache.h"
#include "operations/bookshelf.h"
#include "operations/devicelistmodel.h"
#include "operations/readerapps.h"

#include <QAction>
#include <QImage>
#include <QItemSelectionModel>
#include <QLocale>
#include <QMenu>
#include <QScrollBar>
#include <QSettings>
#include <QTableView>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <set>

namespace fs = std::filesystem;

namespace {

// A pause that gathers a burst of scrolling into one reordering of the covers' queue.
constexpr int kScrollSettleMs = 15;
constexpr uint32_t kMaxCoverBytes = 8u << 20;
constexpr uint64_t kMaxCoverCacheBytes = 32ull << 20;

bool sameListing(const std::vector<AppBook> &a, const std::vector<AppBook> &b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const AppBook &x, const AppBook &y) {
        return x.path == y.path && x.size == y.size && x.modified == y.modified && x.values == y.values &&
               x.problem == y.problem;
    });
}

} // namespace

// ---- The node --------------------------------------------------------------------------

AppShelfNode::AppShelfNode(DeviceApp app, std::string deviceIdentifier, std::string icon)
    : m_app(std::move(app)), m_deviceIdentifier(std::move(deviceIdentifier)), m_icon(std::move(icon))
{
}

std::optional<NodeInfo> AppShelfNode::getNodeInfo() const
{
    NodeInfo info;
    info.tableColumn_key = {"Name", "Artist", "Album", "Genre"};
    info.tableColumn_data = std::make_shared<EpubList>();
    for (const AppBook &book : m_books) {
        auto record = std::make_shared<epub>();
        auto value = [&](const char *key) {
            const auto it = book.values.find(key);
            return it == book.values.end() ? std::string() : it->second;
        };
        record->setMediaName(value(BookKey::Name));
        record->setMediaArtist(value(BookKey::Artist));
        record->setMediaAlbum(value(BookKey::Album));
        record->setMediaGenre(value(BookKey::Genre));
        // The device path: never a catalogue "Path", which holds no "/".
        record->setMediaPcPath(book.path);
        // The files in an app's folder are the user's own, to export and delete.
        record->setisuserItem(true);
        info.tableColumn_data->push_back(std::move(record));
    }
    return info;
}

// ---- The unit --------------------------------------------------------------------------

AppShelf::AppShelf(Context context, QObject *parent)
    : QObject(parent), m_context(std::move(context)), m_alive(std::make_shared<std::atomic_bool>(true))
{
    m_showAll = QSettings().value(QLatin1String(kShowAllSetting), false).toBool();
    connect(m_context.devices, &QAbstractItemModel::rowsInserted, this, &AppShelf::deviceRowsInserted);
    connect(m_context.selection, &QItemSelectionModel::selectionChanged, this,
            [this] { selectionChanged(); });

    // The covers and sizes of an app's books come from here; every other cell from the table model itself.
    m_previousCell = m_context.table->cellSource();
    m_context.table->setCellSource(
        [this, previous = m_previousCell](const epub &record, const std::string &identifier, int role) {
            QVariant mine = cell(record, identifier, role);
            if (mine.isValid() || (!previous))
                return mine;
            return previous(record, identifier, role);
        });
    m_scrollTimer.setSingleShot(true);
    m_scrollTimer.setInterval(kScrollSettleMs);
    connect(&m_scrollTimer, &QTimer::timeout, this, &AppShelf::prioritiseCovers);
    if (m_context.view)
        connect(m_context.view->verticalScrollBar(), &QScrollBar::valueChanged, this, [this] {
            if (!m_scrollTimer.isActive())
                m_scrollTimer.start();
        });
    m_coverQueue.ensureWorkers(1);
    m_jobs.ensureWorkers(kJobWorkers);
}

AppShelf::~AppShelf()
{
    m_context.table->setCellSource(m_previousCell);
    *m_alive = false;
    m_stop = true;
    m_coverQueue.stop();
    releaseCoverReader();
    m_jobs.stop(); // what is queued is dropped; a job in hand ends at its next look at m_stop
}

bool AppShelf::isAppNode(const TreeNode *node)
{
    return dynamic_cast<const AppShelfNode *>(node) != nullptr;
}

AppShelfNode *AppShelf::selectedApp() const
{
    const QModelIndex current = m_context.selection->currentIndex();
    if (!current.isValid() || !m_context.selection->isSelected(current))
        return nullptr;
    return dynamic_cast<AppShelfNode *>(m_context.devices->nodeForIndex(current));
}

bool AppShelf::idle() const
{
    return m_busy.load() == 0 && m_coverQueue.idle();
}

std::vector<AppShelfNode *> AppShelf::appNodes() const
{
    std::vector<AppShelfNode *> nodes;
    const TreeNodePtr device = m_context.devices->rootNode()->firstChild();
    if (!device)
        return nodes;
    for (const TreeNodePtr &child : device->children())
        if (auto *app = dynamic_cast<AppShelfNode *>(child.get()))
            nodes.push_back(app);
    return nodes;
}

QImage AppShelf::coverOf(const std::string &path) const
{
    const auto it = m_covers.find(path);
    return it == m_covers.end() ? QImage() : it->second;
}

void AppShelf::onMain(std::function<void()> work)
{
    auto alive = m_alive;
    performOnMainThread([alive, work = std::move(work)] {
        if (*alive)
            work();
    });
}

void AppShelf::startJob(Job body)
{
    ++m_busy;
    m_jobs.push(std::move(body));
}

void AppShelf::runJob(Job &job)
{
    // The work counts as running until its result is on the main thread.
    std::function<void()> then = job();
    onMain([this, then] {
        if (then)
            then();
        --m_busy;
    });
}

std::string AppShelf::listingFolder() const
{
    return m_context.dataFolder.empty() ? std::string() : m_context.dataFolder + "/applists";
}

std::string AppShelf::iconFolder(const std::string &deviceIdentifier) const
{
    return m_context.dataFolder.empty()
               ? std::string()
               : m_context.dataFolder + "/appcovers/" + stableName(deviceIdentifier) + "/icons";
}

std::string AppShelf::coverFolder(const std::string &deviceIdentifier, const std::string &app) const
{
    return m_context.dataFolder.empty()
               ? std::string()
               : m_context.dataFolder + "/appcovers/" + stableName(deviceIdentifier) + "/" + stableName(app);
}

bool AppShelf::stillShown(const TreeNode *node) const
{
    // A node is shown while its chain of parents reaches the list's root.
    for (const TreeNode *at = node; at; at = at->nodeParent()) {
        if (at == m_context.devices->rootNode().get())
            return true;
        const TreeNode *parent = at->nodeParent();
        if (parent && parent->indexOfChildIdenticalTo(at) == TreeNode::NotFound)
            return false;
    }
    return false;
}

afc_connection *AppShelf::openApp(DeviceSession &session, const std::string &app, std::string *why)
{
    if (session.gone() || !session.data()->dev) {
        if (why)
            *why = uiText("Operations", BookContext::kDeviceDisconnected);
        return nullptr;
    }
    return openApp(session.data()->dev, app, why);
}

afc_connection *AppShelf::openApp(am_device *device, const std::string &app, std::string *why)
{
    afc_connection *connection = nullptr;
    if (openShelf(device, Shelf::app(app), &connection, why) != MDERR_OK || !connection) {
        if (why && why->empty())
            *why = QT_TR_NOOP("the app's files could not be opened");
        return nullptr;
    }
    ++m_openConnections;
    return connection;
}

void AppShelf::closeApp(afc_connection *connection)
{
    if (!connection)
        return;
    AFCConnectionClose(connection);
    --m_openConnections;
}

// ---- Apps under a device -----------------------------------------------------------------

void AppShelf::deviceRowsInserted(const QModelIndex &parent, int first, int last)
{
    if (parent.isValid())
        return;
    const TreeNodePtr &root = m_context.devices->rootNode();
    for (int row = first; row <= last; ++row) {
        TreeNodePtr node = root->childAtIndex(static_cast<std::size_t>(row));
        auto *device = dynamic_cast<iPodRootNode *>(node.get());
        if (device && !device->isPlaceholder())
            surveyApps(node);
    }
}

void AppShelf::surveyApps(std::weak_ptr<TreeNode> deviceNode)
{
    startJob([this, deviceNode]() -> std::function<void()> {
        if (m_stop)
            return {};
        // Waits for the survey that made the node to end; an arrival waits for this in turn.
        std::shared_ptr<DeviceSession> session = m_context.openSession ? m_context.openSession() : nullptr;
        if (!session || session->gone() || m_stop)
            return {};
        am_device *dev = session->data()->dev;
        DeviceApps found;
        found.deviceNode = deviceNode;
        found.deviceIdentifier = AMDeviceCopyDeviceIdentifier(dev);
        std::string why;
        const std::vector<std::string> chosen = appsUsedForBooks(QSettings(), found.deviceIdentifier);
        if (listBookApps(dev, chosen, found.apps, &why, &m_stop) != MDERR_OK)
            return {}; // a device without apps to list keeps its two lists
        const AppListingCache cache(listingFolder());
        for (const DeviceApp &app : found.apps) {
            if (m_stop || session->gone())
                return {};
            const std::string folder = iconFolder(found.deviceIdentifier);
            // The version names the icon: an updated app brings its new one.
            const std::string icon =
                folder.empty() ? std::string()
                               : folder + "/" + stableName(app.identifier + '\n' + app.version) + ".png";
            std::error_code ec;
            if (!icon.empty() && !fs::exists(icon, ec)) {
                std::string png;
                if (copyAppIcon(dev, app.identifier, png) == MDERR_OK && !png.empty()) {
                    const QImage picture = QImage::fromData(QByteArray::fromStdString(png));
                    if (!picture.isNull())
                        BookCovers::savePicture(picture.scaled(kIconSize, kIconSize, Qt::KeepAspectRatio,
                                                   Qt::SmoothTransformation),
                                    icon);
                }
            }
            if (!icon.empty() && fs::exists(icon, ec))
                found.icons[app.identifier] = icon;
            found.cached[app.identifier] = cache.load(found.deviceIdentifier, app.identifier);
        }
        session.reset();
        return [this, found] { placeApps(found); };
    });
}

void AppShelf::placeApps(const DeviceApps &found)
{
    const TreeNodePtr device = found.deviceNode.lock();
    if (!device || !stillShown(device.get()))
        return; // the device went meanwhile
    m_devices.erase(std::remove_if(m_devices.begin(), m_devices.end(),
                                   [](const DeviceApps &d) { return d.deviceNode.expired(); }),
                    m_devices.end());
    m_devices.push_back(found);
    placeNodes(m_devices.back());
    Q_EMIT appsListed();
}

void AppShelf::placeNodes(DeviceApps &device)
{
    const TreeNodePtr deviceNode = device.deviceNode.lock();
    if (!deviceNode || !stillShown(deviceNode.get()))
        return;
    // The nodes that stay keep their listing and their place.
    std::map<std::string, TreeNodePtr> kept;
    for (const TreeNodePtr &child : deviceNode->children()) {
        if (auto *app = dynamic_cast<AppShelfNode *>(child.get()))
            kept[app->app().identifier] = child;
    }
    std::set<std::string> wanted;
    for (const DeviceApp &app : device.apps) {
        if (app.readsBooks() || m_showAll)
            wanted.insert(app.identifier);
    }
    for (const auto &[identifier, node] : kept) {
        if (!wanted.count(identifier))
            m_context.devices->removeChild(deviceNode.get(), node.get());
    }
    // Kept nodes take the app's record as it is now (a choice made or taken back).
    for (const DeviceApp &app : device.apps) {
        const auto it = kept.find(app.identifier);
        if (it != kept.end() && wanted.count(app.identifier))
            static_cast<AppShelfNode *>(it->second.get())->setApp(app);
    }
    // Without a reader app the device says what to do, after the apps there are.
    const bool anyReader = std::any_of(device.apps.begin(), device.apps.end(),
                                       [](const DeviceApp &app) { return app.readsBooks(); });
    for (const TreeNodePtr &child : deviceNode->children()) {
        if (dynamic_cast<AppHintNode *>(child.get()))
            m_context.devices->removeChild(deviceNode.get(), child.get()); // placed again, last
    }
    for (const DeviceApp &app : device.apps) {
        if (!wanted.count(app.identifier) || kept.count(app.identifier))
            continue;
        const auto icon = device.icons.find(app.identifier);
        auto node = std::make_shared<AppShelfNode>(app, device.deviceIdentifier,
                                                   icon == device.icons.end() ? std::string() : icon->second);
        node->setBooks(device.cached[app.identifier]);
        m_context.devices->appendChild(deviceNode.get(), node);
    }
    if (!anyReader)
        m_context.devices->appendChild(deviceNode.get(),
                                       std::make_shared<AppHintNode>(noReaderHint().toStdString()));
}

QString AppShelf::noReaderHint()
{
    // The command line says the first sentence too, in English; the list shows it translated
    // (the literal stands here for the translators: it is noReaderAppHint()'s text).
    [[maybe_unused]] static const char *const kFirstSentence = QT_TR_NOOP("No reader app on this device shares its files. Install an ePub reader that shares its "
               "files with a computer.");
    return tr(noReaderAppHint().toUtf8().constData()) +
           tr(" Any app that shares its files can be used: turn on \"List apps that share files but do not "
              "read books\" in Preferences, then choose \"Use for Books\" from the app's menu here.");
}

int AppShelf::listedDevices() const
{
    return static_cast<int>(std::count_if(m_devices.begin(), m_devices.end(), [this](const DeviceApps &d) {
        const TreeNodePtr node = d.deviceNode.lock();
        return node && stillShown(node.get());
    }));
}

void AppShelf::addMenuItems(QMenu *menu)
{
    menu->addSeparator();
    m_useForBooks = menu->addAction(tr("Use for Books"));
    m_useForBooks->setCheckable(true);
    m_useForBooks->setEnabled(false);
    connect(menu, &QMenu::aboutToShow, this, [this] {
        const AppShelfNode *node = selectedApp();
        // Offered to an app that is no reader by itself, and to take a choice back.
        const bool own =
            node && (node->app().takesEpub || node->app().booksCategory || node->app().holdsEpubs);
        m_useForBooks->setEnabled(node && (!own || node->app().chosenForBooks));
        m_useForBooks->setChecked(node && node->app().chosenForBooks);
    });
    connect(m_useForBooks, &QAction::triggered, this,
            [this](bool checked) { useForBooks(selectedApp(), checked); });
}

void AppShelf::useForBooks(AppShelfNode *node, bool use)
{
    if (!node)
        return;
    // Copied: placing the nodes again may remove this one.
    const std::string deviceIdentifier = node->deviceIdentifier();
    const std::string identifier = node->app().identifier;
    QSettings settings;
    setAppUsedForBooks(settings, deviceIdentifier, identifier, use);
    for (DeviceApps &device : m_devices) {
        if (device.deviceIdentifier != deviceIdentifier)
            continue;
        for (DeviceApp &app : device.apps)
            if (app.identifier == identifier)
                app.chosenForBooks = use;
        placeNodes(device);
    }
}

void AppShelf::setShowAllSharingApps(bool all)
{
    QSettings().setValue(QLatin1String(kShowAllSetting), all);
    if (all == m_showAll)
        return;
    m_showAll = all;
    for (DeviceApps &device : m_devices)
        placeNodes(device);
}

// ---- An app's books ------------------------------------------------------------------------

void AppShelf::selectionChanged()
{
    AppShelfNode *node = selectedApp();
    if (m_hintShown) {
        m_hintShown = false;
        Q_EMIT hintCleared();
    }
    if (!node) {
        m_coverApp.clear();
        return;
    }
    // Where the books go, and what the user may have to do to see them there.
    const QString name = QString::fromStdString(node->app().displayName);
    Q_EMIT hint(tr("Books added here go into %1's own folder. %1 may need to be closed and opened again to "
                   "show new books.")
                    .arg(name));
    m_hintShown = true;
    // The controller shows the node's last listing as it is selected; a fresh one follows.
    showCovers(node);
    Q_EMIT listingShown();
    refresh(node);
}

TransferTarget AppShelf::selectedTarget(AppClashQuestion clash)
{
    TransferTarget target;
    AppShelfNode *node = selectedApp();
    if (!node)
        return target;
    auto shelf = std::make_shared<DocumentsShelf>(node->app().identifier, node->app().displayName, std::move(clash));
    shelf->setTakesPdf(node->app().takesPdf);
    target.shelf = std::move(shelf);
    TreeNode *parent = node->nodeParent();
    target.changed = [this, weak = std::weak_ptr<TreeNode>(parent->childAtIndex(parent->indexOfChildIdenticalTo(node)))](
                         TransferEnd::Kind) {
        if (const TreeNodePtr shared = weak.lock())
            refresh(dynamic_cast<AppShelfNode *>(shared.get()));
    };
    return target;
}

void AppShelf::refresh(AppShelfNode *node)
{
    if (!node || !stillShown(node))
        return;
    TreeNode *parent = node->nodeParent();
    const std::weak_ptr<TreeNode> weak = parent->childAtIndex(parent->indexOfChildIdenticalTo(node));
    const std::string app = node->app().identifier;
    const std::string device = node->deviceIdentifier();
    const std::vector<AppBook> previous = node->books();
    const unsigned listing = node->startListing();
    const bool pdfs = node->app().takesPdf;
    startJob([this, weak, app, device, previous, listing, pdfs]() -> std::function<void()> {
        std::shared_ptr<DeviceSession> session = m_context.openSession ? m_context.openSession() : nullptr;
        if (!session || m_stop)
            return {};
        std::string why;
        afc_connection *connection = openApp(*session, app, &why);
        std::vector<AppBook> books;
        if (connection) {
            std::vector<afc_connection *> lanes;
            for (int i = 0; i < kListingLanes; ++i) {
                if (afc_connection *lane = openApp(*session, app, nullptr))
                    lanes.push_back(lane);
            }
            // A book whose file has the size and time of the cached one is not read again.
            const AppListingCache cache(listingFolder());
            std::vector<AppBook> cached = cache.load(device, app);
            if (cached.empty())
                cached = previous;
            const std::map<std::string, AppBook> kept = AppListingCache::byPath(cached);
            const int rc = listAppBookDetails(
                connection, books, {}, lanes, [&kept](AppBook &book) { return AppListingCache::fill(kept, book); },
                pdfs);
            for (afc_connection *lane : lanes)
                closeApp(lane);
            if (rc == MDERR_OK)
                cache.save(device, app, books);
            else
                why = session->gone() ? uiText("Operations", BookContext::kDeviceDisconnected)
                                      : QT_TR_NOOP("the app's Documents folder could not be read");
            closeApp(connection);
        }
        session.reset();
        return [this, weak, listing, books = std::move(books), why]() mutable {
            listed(weak, listing, std::move(books), why);
        };
    });
}

void AppShelf::listed(std::weak_ptr<TreeNode> weak, unsigned listing, std::vector<AppBook> books, std::string problem)
{
    const TreeNodePtr shared = weak.lock();
    auto *node = dynamic_cast<AppShelfNode *>(shared.get());
    // Two listings may run at once: one begun before a command changed the books must not
    // replace the one begun after it.
    if (!node || !stillShown(node) || listing != node->lastListing())
        return;
    node->setProblem(problem);
    if (!problem.empty()) {
        if (node == selectedApp()) {
            // The shelf's own reasons are translated; those of the device layer stay English.
            Q_EMIT hint(tr("%1: %2").arg(QString::fromStdString(node->app().displayName), tr(problem.c_str())));
            m_hintShown = true;
        }
        return;
    }
    const bool changed = !sameListing(node->books(), books);
    node->setBooks(std::move(books));
    if (node == selectedApp() && changed) {
        // The selected node is described again: the table takes the new list.
        Q_EMIT listingChanged();
        showCovers(node);
        Q_EMIT listingShown();
    }
}

// ---- Covers ------------------------------------------------------------------------------

QVariant AppShelf::cell(const epub &record, const std::string &identifier, int role) const
{
    if (m_coverApp.empty())
        return {};
    const auto size = m_sizes.find(record.mediaPcPath());
    if (size == m_sizes.end())
        return {};
    if (identifier == "Name") {
        if (role == Qt::DecorationRole) {
            const auto it = m_covers.find(record.mediaPcPath());
            return it == m_covers.end() ? QVariant() : QVariant(it->second);
        }
        return {};
    }
    if (identifier == BookCovers::kSizeColumn) {
        switch (role) {
        case Qt::DisplayRole:
            return QLocale().formattedDataSize(static_cast<qint64>(size->second), 1,
                                               QLocale::DataSizeTraditionalFormat);
        case Qt::ToolTipRole:
            return tr("%1 bytes").arg(QLocale().toString(static_cast<qulonglong>(size->second)));
        case MediaTableModel::SortRole:
            return QVariant(static_cast<qulonglong>(size->second));
        default:
            return {};
        }
    }
    return {};
}

void AppShelf::showCovers(AppShelfNode *node)
{
    const bool sameApp = m_coverApp == node->app().identifier && m_coverDevice == node->deviceIdentifier();
    if (!sameApp)
        m_covers.clear();
    m_coverApp = node->app().identifier;
    m_coverDevice = node->deviceIdentifier();
    m_sizes.clear();
    std::vector<CoverJob> jobs;
    for (const AppBook &book : node->books()) {
        m_sizes[book.path] = book.size;
        if (!book.folder && book.problem.empty() && !m_covers.count(book.path))
            jobs.push_back({book.path, book.size, book.modified, m_coverApp, m_coverDevice, 0});
    }
    m_coverQueue.withItems([&](std::deque<CoverJob> &queue) {
        ++m_coverGeneration;
        for (CoverJob &job : jobs)
            job.generation = m_coverGeneration;
        queue.assign(jobs.begin(), jobs.end());
    });
    // The table takes the list in the same turn of the loop; its rows in view go first then.
    QTimer::singleShot(0, this, [this] { prioritiseCovers(); });
}

void AppShelf::prioritiseCovers()
{
    QTableView *view = m_context.view;
    if (!view || m_coverApp.empty())
        return;
    const auto [first, end] = BookCovers::rowsToReadFirst(view);
    std::vector<std::string> wanted;
    auto *shown = qobject_cast<MediaSortFilterModel *>(view->model());
    for (int row = first; row <= end; ++row) {
        std::shared_ptr<epub> record = shown ? shown->record(row) : m_context.table->record(row);
        if (record)
            wanted.push_back(record->mediaPcPath());
    }
    m_coverQueue.moveToHead(wanted, [](const CoverJob &job) { return job.path; });
}

void AppShelf::releaseCoverReader()
{
    closeApp(m_reader.connection);
    m_reader.connection = nullptr;
    m_reader.session.reset(); // an arrival waits for no idle cover reader
    // The cache is brought under its bound once a list's covers are in, not after each one.
    if (m_reader.trimNeeded && !m_context.dataFolder.empty())
        trimCacheFolder(m_context.dataFolder + "/appcovers", kMaxCoverCacheBytes);
    m_reader.trimNeeded = false;
}

// The cover worker: one book's cover, from the cache or the device.
void AppShelf::readCover(const CoverJob &job)
{
    if (m_stop)
        return;
    const std::string folder = coverFolder(job.device, job.app);
    const std::string cached =
        folder.empty() ? std::string()
                       : folder + "/" +
                             stableName(job.path + '\n' + std::to_string(job.size) + '\n' +
                                        std::to_string(job.modified)) +
                             ".png";
    QImage cover;
    std::error_code ec;
    if (!cached.empty() && fs::exists(cached, ec)) {
        cover.load(QString::fromStdString(cached), "PNG");
        fs::last_write_time(cached, fs::file_time_type::clock::now(), ec);
    } else {
        CoverReader &reader = m_reader;
        if (reader.connection && (reader.app != job.app || reader.device != job.device || reader.session->gone()))
            releaseCoverReader();
        if (!reader.connection) {
            // A read session: an arrival meanwhile waits for no cover, and the reader lets the
            // device go at its next book.
            reader.session = m_context.openReadSession ? m_context.openReadSession() : nullptr;
            if (reader.session && !m_stop) {
                if (const ReadSession::Read device = reader.session->read())
                    reader.connection = openApp(device.dev(), job.app, nullptr);
            }
            reader.app = job.app;
            reader.device = job.device;
        }
        std::optional<std::string> bytes =
            reader.connection ? readAppBookCover(reader.connection, job.path, kMaxCoverBytes) : std::nullopt;
        if (bytes)
            cover = BookCovers::thumbnail(QByteArray::fromStdString(*bytes));
        if (!cover.isNull() && !cached.empty()) {
            BookCovers::savePicture(cover, cached);
            reader.trimNeeded = true;
        }
        if (!reader.connection) {
            // No device to read from: the rest of this list waits for the next selection.
            m_coverQueue.withItems([&](std::deque<CoverJob> &queue) {
                if (m_coverGeneration == job.generation)
                    queue.clear();
            });
        }
    }
    if (!cover.isNull()) {
        onMain([this, app = job.app, device = job.device, path = job.path, cover] {
            if (app != m_coverApp || device != m_coverDevice)
                return;
            m_covers[path] = cover;
            const EpubList &records = m_context.table->records();
            for (std::size_t row = 0; row < records.size(); ++row)
                if (records[row] && records[row]->mediaPcPath() == path)
                    m_context.table->rowChanged(static_cast<int>(row));
        });
    }
    // Nothing left: the connection goes before the reader counts as idle.
    if (m_coverQueue.withItems([](const std::deque<CoverJob> &queue) { return queue.empty(); }))
        releaseCoverReader();
}
