// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include "core/notificationcenter.h"
#include "device/connection/devicesurvey.h"
#include "library/epub.h"
#include "library/treenode.h"
#include "operations/bookcontext.h"
#include "operations/bookfoldernamegenerator.h"
#include "operations/bookoperationresult.h"
#include "operations/booksteps.h"
#include "operations/devicelistmodel.h"

#include <QItemSelectionModel>
#include <QObject>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class DeviceSession;
class ReadSession;
class LoadWindow;
class loadIPhone;
struct userDataIphone;

extern const char *const iPodListSelectionDidChangeNotification; // "iPodListSelectionDidChangeNotification"
extern const char *const EjectiPodNotification;                  // "EjectiPodNotification"
extern const char *const reloadiPodNotification;                 // "reloadiPodNotification"

// The controller of the device list. It owns the device tree and its item model, creates the
// one connection object (Loadiphone) with the load window it is given, keeps the tree in step
// with device arrival and removal, announces the selected node, and hosts the book operations.
//
// Threads: made, questioned and notified on the main thread. The survey's
// DeviceInfoNotification arrives on the survey thread; its tree work is carried to the main
// thread. addEPUBToDevice and saveEpubToMac may run on a transfer thread (they touch files and
// the device, never the tree); one operation at a time, as the main window arranges. Each
// book operation works on the device session of the context it is given (a batch's), or
// opens a context of its own, so an arrival cannot swap the device under it; once that
// device is removed, it fails at once with kDeviceDisconnected.
//
// The selection lives in selectionModel(); a view shows it with
// setModel(model()) and setSelectionModel(selectionModel()). Every selection change is
// announced with iPodListSelectionDidChangeNotification (user info: a NodeInfo, or empty).
class iPodTreeListControler : public QObject
{
    Q_OBJECT
public:
    // Creates Loadiphone with `loadwindow` (kept by the caller, outliving this controller),
    // registers the three observers and shows the placeholder.
    // `scope` says what the surveys of the connection object made here read.
    explicit iPodTreeListControler(LoadWindow *loadwindow, QObject *parent = nullptr,
                                   SurveyScope scope = SurveyScope::Everything);
    ~iPodTreeListControler() override;

    // ---- The outline -------------------------------------------------------------------
    const TreeNodePtr &rootNode() const { return m_rootNode; }
    DeviceListModel *model() const { return m_model; }
    QItemSelectionModel *selectionModel() const { return m_selection; }
    // Selects the node at `index` (none for an invalid index); the change is announced.
    void outlineSelectionChanged(const QModelIndex &index);
    void outlineViewSelectionDidChange();
    // Selects the first device's "Custom Books" list, where imports go; false when no device
    // shows one.
    bool selectCustomBooks();

    // ---- Questions of the main window --------------------------------------------------
    TreeNodeArray selectedNodes() const; // in row order (the outline's allSelectedItems)
    TreeNodePtr selectedItem() const;    // the node of the current selected row, or null
    int ipodCount() const;
    bool isRootSelect() const;
    bool isSelectepubnodecanadd() const;
    std::string DeviceName() const;
    int64_t getDeviceFreeSize() const;
    static std::string BytesToGB(double bytes);
    double photoSize() const;
    double ebooksSize() const;
    double musicSize() const;
    double videoSize() const;
    void startToSync();
    void endsync();

    // ---- Notification handlers -----------------------------------------------------------
    void loadIphoneNotification(const Notification &notification);
    void unloadIphoneNotification(const Notification &notification);
    void deviceRemoved(const std::string &volumePath);
    void reloadiPodNotification(const Notification &notification);

    // ---- Book operations -----------------------------------------------------------------
    // Each works in `context` (bookcontext.h); the forms without one open a context of their own.
    // Imports one ePub file into "Custom Books"; the caller holds the sync lock.
    BookOperationResult addEPUBToDevice(BookContext &context, const std::string &path);
    BookOperationResult addEPUBToDevice(const std::string &path);
    // Exports the book with catalogue "Path" `path` into `dstpath` as "<title>.epub".
    BookOperationResult saveEpubToMac(BookContext &context, const std::string &path, const std::string &dstpath,
                                      bool isbuybook, const std::string &titlename);
    BookOperationResult saveEpubToMac(const std::string &path, const std::string &dstpath, bool isbuybook,
                                      const std::string &titlename);
    // Deletes one user item (catalogue entry and device folder); the caller holds the sync lock.
    BookOperationResult deleteMediaFromDevice(BookContext &context, const epub &record);
    BookOperationResult deleteMediaFromDevice(const epub &record);
    // addEPUBToDevice and saveEpubToMac in two parts, for BookBatch::runOverlapped.
    BookStart startImport(BookContext &context, const std::string &path);
    BookStart startExport(BookContext &context, const std::string &path, const std::string &dstpath, bool isbuybook,
                          const std::string &titlename);
    // Without a question, existing files are kept.
    void setReplaceQuestion(ReplaceQuestion question) { m_replaceQuestion = std::move(question); }

    // ---- Device sessions -------------------------------------------------------------------
    // A new session on the connected device (loadIPhone::openSession), or null.
    std::shared_ptr<DeviceSession> openSession() const;
    // A read session that holds no arrival off (loadIPhone::openReadSession), or null.
    std::shared_ptr<ReadSession> openReadSession() const;
    // A context for book operations on `session` (a new one when null) with this controller's
    // folder names and replace question; a batch sets its go-on flag and catalogue knowledge.
    BookContext bookContext(std::shared_ptr<DeviceSession> session = nullptr);
    static constexpr const char *kStopped = QT_TRANSLATE_NOOP("Operations", "the transfer was stopped");
    static constexpr const char *kDeviceDisconnected = QT_TRANSLATE_NOOP("Operations", "the device was disconnected");

    // ---- Helpers of the import (package document, identifiers) ---------------------------
    // The container's first full-path value, at most 1023 bytes; empty when not found.
    static std::string getcontenfile(const std::string &containerPath);
    // Title, subject, creator, cover and identifier of a package document (packagedocument.h).
    static void getcontenfilevalues(const std::string &packagePath, StringDictionary &values);
    // 32 lower-case hexadecimal digits; the MD5 of empty input for an unreadable file.
    static std::string getMD5FromFile(const std::string &path);
    static std::string randValue(const std::vector<std::string> &existing);
    static bool isSameValue(const std::vector<std::string> &values, const std::string &value);

    // The connection record of the connected device (Loadiphone's), or null.
    userDataIphone *deviceData() const;

Q_SIGNALS:
    // A device node was added: a view expands it.
    void expandItem(const QModelIndex &index);

private:
    void addDeviceNode(const StringDictionary &survey);
    void postSelection(const std::optional<NodeInfo> &info);
    double folderSize(const char *folder, const char *const *extensions) const;

    TreeNodePtr m_rootNode;
    DeviceListModel *m_model = nullptr;
    QItemSelectionModel *m_selection = nullptr;
    bool m_ownsLoadiphone = false;
    ReplaceQuestion m_replaceQuestion;
    BookFolderNameGenerator m_folderNames;
    bool m_deviceGone = false; // a device went since the last node was made (main thread)
};
