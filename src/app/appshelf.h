// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

// Reader apps in the window. Under each device, after "Custom Books", the device list gets
// one node per reader app (readerapps.h; and, when the preference asks, every app that shares
// its files), or a line that says what to do when there is none. Selecting one shows the
// books in its Documents folder in the book table; the transfer commands then act on the
// app's shelf (selectedTarget), in the window's transfer slot as the device's own books do.
//
// Everything that talks to the device runs on threads of this unit, never on the main
// thread: the list of apps and their icons after a device's node appears, each app's listing
// (shown first from the listing cache, refreshed behind) and the covers of the rows in view
// first. Each holds a device session while it works and closes every file-service
// connection it opened when it is done.
//
// Threads: made and called on the main thread; its workers reach it by queued calls.

#include "app/transferslot.h"
#include "core/workqueue.h"
#include "device/storage/shelf.h"
#include "device/backend/deviceapps.h"
#include "library/epub.h"
#include "library/treenode.h"
#include "operations/appbooks.h"

#include <QImage>
#include <QObject>
#include <QString>
#include <QTimer>

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class DeviceListModel;
class DeviceSession;
class ReadSession;
class MediaTableModel;
class QAction;
class QItemSelectionModel;
class QMenu;
class QTableView;

// One app on the device list. Its books are the last listing this window has of it.
class AppShelfNode final : public TreeNode
{
public:
    AppShelfNode(DeviceApp app, std::string deviceIdentifier, std::string icon);

    std::string titleName() const override { return m_app.displayName; }
    std::string image() const override { return m_icon; }
    // The book table's columns and a record per book of the last listing.
    std::optional<NodeInfo> getNodeInfo() const override;

    const DeviceApp &app() const { return m_app; }
    void setApp(DeviceApp app) { m_app = std::move(app); }
    const std::string &deviceIdentifier() const { return m_deviceIdentifier; }
    const std::vector<AppBook> &books() const { return m_books; }
    void setBooks(std::vector<AppBook> books) { m_books = std::move(books); }
    // Why the last listing failed ("Unlock the iPhone and try again."); empty when it did not.
    const std::string &problem() const { return m_problem; }
    void setProblem(std::string problem) { m_problem = std::move(problem); }
    // The number of the listing begun last (main thread); only its result is taken.
    unsigned startListing() { return ++m_listings; }
    unsigned lastListing() const { return m_listings; }

private:
    DeviceApp m_app;
    std::string m_deviceIdentifier;
    std::string m_icon;
    std::vector<AppBook> m_books;
    std::string m_problem;
    unsigned m_listings = 0;
};

// The line under a device without a reader app: what to install, and that any app that
// shares its files can be used. Only tells; it cannot be selected.
class AppHintNode final : public TreeNode
{
public:
    explicit AppHintNode(std::string text) : m_text(std::move(text)) {}
    std::string titleName() const override { return m_text; }
    bool selectable() const override { return false; }

private:
    std::string m_text;
};

class AppShelf final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AppShelf)
public:
    // What the unit works with; every member must outlive it.
    struct Context
    {
        DeviceListModel *devices = nullptr;
        QItemSelectionModel *selection = nullptr;
        // A session on the connected device (null when there is none); called on the main
        // thread (where it may answer null while a survey runs) and on this unit's threads.
        std::function<std::shared_ptr<DeviceSession>()> openSession;
        // A read session on the connected device for the covers, which holds no arrival off
        // (null when there is none); called on the cover worker.
        std::function<std::shared_ptr<ReadSession>()> openReadSession;
        MediaTableModel *table = nullptr;
        QTableView *view = nullptr;
        std::string dataFolder; // the listing and icon caches live below it; none when empty
    };

    static constexpr const char *kShowAllSetting = "ShowAllSharingApps";
    static constexpr int kIconSize = 20;    // the device list's icons are drawn at their own size
    static constexpr int kListingLanes = 3; // extra connections that read books alongside
    static constexpr int kJobWorkers = 2;   // listings at once (a device's apps, an app's books)

    explicit AppShelf(Context context, QObject *parent = nullptr);
    ~AppShelf() override; // stops the workers and waits for their current request

    static bool isAppNode(const TreeNode *node);
    // The app node selected in the device list, or null.
    AppShelfNode *selectedApp() const;

    // Sharing apps that read no ePub are listed too (the preference); the nodes follow at once.
    void setShowAllSharingApps(bool all);
    bool showsAllSharingApps() const { return m_showAll; }

    // "Use for Books" in the device list's menu: makes the selected sharing app a reader on this
    // device, or no longer one; remembered per device and app in the settings the CLI reads too.
    void addMenuItems(QMenu *menu);
    void useForBooks(AppShelfNode *node, bool use);
    // The device list's line for a device without a reader app.
    static QString noReaderHint();
    // Devices whose apps were listed and are still shown (tests and the screenshots).
    int listedDevices() const;

    // The selected app's shelf for one command, which asks `clash` about a file of the same
    // name; once the command changed its books, the app is listed again. No shelf while no
    // app is selected.
    TransferTarget selectedTarget(AppClashQuestion clash);
    // Lists an app again (after a command, or on request), while it is shown.
    void refresh(AppShelfNode *node);

    // Tests and the screenshots: no listing, icon or cover is being read.
    bool idle() const;
    // The app nodes under the first device, in the list's order.
    std::vector<AppShelfNode *> appNodes() const;
    // The cover drawn for the book at a device path of the shown app; null while none.
    QImage coverOf(const std::string &path) const;
    // Connections opened by this unit and not closed yet (tests).
    int openConnections() const { return m_openConnections.load(); }

Q_SIGNALS:
    // A sentence about the selected app (where its books go, why its listing failed), and its
    // end: another node was selected.
    void hint(const QString &text);
    void hintCleared();
    // A device's app nodes were placed (tests).
    void appsListed();
    // A listing of the selected app was shown (from the cache or the device).
    void listingShown();
    // The selected app's books changed: its node is to be described to the table again.
    void listingChanged();

private:
    struct DeviceApps
    {
        std::weak_ptr<TreeNode> deviceNode;
        std::string deviceIdentifier;
        std::vector<DeviceApp> apps;
        std::map<std::string, std::string> icons;           // identifier → icon file
        std::map<std::string, std::vector<AppBook>> cached; // identifier → last listing
    };
    struct CoverJob
    {
        std::string path;
        uint64_t size = 0;
        uint64_t modified = 0;
        std::string app, device; // whose book it is
        unsigned generation = 0;  // the showCovers call that queued it
    };

    void deviceRowsInserted(const QModelIndex &parent, int first, int last);
    void surveyApps(std::weak_ptr<TreeNode> deviceNode);
    void placeApps(const DeviceApps &found);
    void placeNodes(DeviceApps &device);
    void selectionChanged();
    void listed(std::weak_ptr<TreeNode> node, unsigned listing, std::vector<AppBook> books, std::string problem);
    void showCovers(AppShelfNode *node);
    void readCover(const CoverJob &job);
    void releaseCoverReader();
    void prioritiseCovers();
    QVariant cell(const epub &record, const std::string &identifier, int role) const;
    bool stillShown(const TreeNode *node) const;
    std::string iconFolder(const std::string &deviceIdentifier) const;
    std::string coverFolder(const std::string &deviceIdentifier, const std::string &app) const;
    std::string listingFolder() const;
    // Runs `body` on a thread of its own; what it returns then runs on the main thread.
    // A listing job (a device's apps and icons, an app's books) answers with what the main
    // thread does with its result.
    using Job = std::function<std::function<void()>()>;
    void startJob(Job body);
    void runJob(Job &job);
    void onMain(std::function<void()> work);
    // A connection on the app's Documents for the session's device, counted; null with *why.
    afc_connection *openApp(DeviceSession &session, const std::string &app, std::string *why);
    afc_connection *openApp(am_device *device, const std::string &app, std::string *why);
    void closeApp(afc_connection *connection);
    Context m_context;
    bool m_showAll = false;
    QAction *m_useForBooks = nullptr;
    std::vector<DeviceApps> m_devices;
    std::shared_ptr<std::atomic_bool> m_alive;
    std::atomic_bool m_stop{false};
    std::atomic_int m_busy{0};
    std::atomic_int m_openConnections{0};
    WorkQueue<Job> m_jobs{[this](Job &job, size_t) { runJob(job); }};

    // The covers of the shown app: read on one worker, the rows in view first.
    std::map<std::string, QImage> m_covers;  // device path → thumbnail (main thread)
    std::map<std::string, uint64_t> m_sizes; // device path → bytes (main thread)
    std::string m_coverApp;                  // the app whose covers the table shows
    std::string m_coverDevice;
    unsigned m_coverGeneration = 0; // under the cover queue's lock
    // The cover worker's own: one connection kept across the books of one app, let go once
    // nothing is queued.
    struct CoverReader
    {
        std::shared_ptr<ReadSession> session;
        afc_connection *connection = nullptr;
        std::string app, device;
        bool trimNeeded = false;
    } m_reader;
    WorkQueue<CoverJob> m_coverQueue{[this](CoverJob &job, size_t) { readCover(job); }};
    QTimer m_scrollTimer;
    bool m_hintShown = false; // a hint about the selected app is shown
    std::function<QVariant(const epub &, const std::string &, int)> m_previousCell; // the table's other cells
};
