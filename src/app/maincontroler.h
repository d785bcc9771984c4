// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

// The hub of the main window: it builds the windows from their forms, hands each unit the
// widgets it runs, prepares them at start-up and wires every command and signal to the unit
// that owns it: the device panel (DevicePanel), the book table and its enabling rules
// (BookTable, commandrules.h), the covers (BookCovers), the progress sheet (ProgressSheet),
// the transfers and deletion (TransferCommands, over BookBatch) and the catalogue restore
// (CatalogueRestoreCommand). Its own methods of those jobs are short forwards; no unit
// knows this class.
//
// Words: a *checked* book carries a check mark (epub::isSelect, the check column); a
// *highlighted* row is selected in the table view. "select" in a method name below means
// one or the other as its comment says.
//
// Threads: everything here runs on the main thread except the batch bodies, which run on
// the transfer worker, one at a time, and reach the widgets only through performOnMainThread.
// Observers that may be called on another thread carry their work to the main thread.

#include "app/userinteraction.h"
#include "core/log.h"
#include "core/notificationcenter.h"
#include "library/epub.h"
#include "operations/bookoperationresult.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QAction;
class QCheckBox;
class QComboBox;
class QDialog;
class QFrame;
class QLabel;
class QMainWindow;
class QMenu;
class QProgressBar;
class QPushButton;
class QWidget;
class AIOutLineView;
class AITableView;
class AppShelf;
class BookCovers;
class BookImportSources;
class BookTable;
class CatalogueRestoreCommand;
class DesktopNotifier;
class DeviceLibrary;
class WindowMemory;
class DevicePanel;
class ProgressSheet;
class TransferCommands;
class TransferSlot;
class LinkButton;
class MessageLine;
class QtLoadWindow;
class XLPopupMenuButton;
class DeviceOutline;
class silder;
class linkImageView;
namespace Ui {
class MainWindow;
class AboutDialog;
class PreferencesWindow;
} // namespace Ui

class mainControler : public QObject
{
    Q_OBJECT
public:
    // Builds every window from its form and the device-list controller around the outline.
    // The interaction object answers the panels and questions (dialogs when null).
    explicit mainControler(std::unique_ptr<UserInteraction> interaction = nullptr, QObject *parent = nullptr);
    ~mainControler() override;

    // Start-up, in the order the window needs it; called once after construction.
    void awakeFromNib();
    void initApp();
    void getMenuItems(QMenu *menu);
    void getMenuItems(const QList<QAction *> &items);

    // ---- Device panel --------------------------------------------------------------------
    void iPodListSelectionDidChangeNotification(const Notification &notification);
    void EjectiPodNotification(const Notification &notification);
    void reloadiPodNotification();
    void setProductViewImage(int modelNumber);
    static QString BytesToMB(double bytes);
    static QString BytesToGB(double bytes);
    // The picture file of a model number.
    static QString productImageName(int modelNumber);

    // ---- Book table ------------------------------------------------------------------------
    void initTableView(const std::vector<std::string> *identifiers);
    // Toggles the check mark of the highlighted row the user clicked.
    void clickBox();
    // Every book's check mark follows the check-all box.
    void clickAll();
    void clickAllMenu();
    void unClickAllMenu();
    // "select" here means checked: sets (or clears) the check marks of the highlighted rows.
    void selectMenu();
    void unselectMenu();
    void buttonStatus();
    // "Check Selected"/"Delete selected item": "Selected" means the highlighted rows;
    // "Check All"/"Delete check item" act on the checked books the table shows.
    bool menuStatus(const QString &title) const;
    bool validateUserInterfaceItem(const QAction *item) const;
    // Applies validateUserInterfaceItem to every validated item.
    void validateMenus();

    // ---- Transfers -------------------------------------------------------------------------
    void showProfileOperateMenu(const Notification &notification);
    void loadMediaPCToIpod();
    void addEpub();
    void loadMediaIpodToPC();
    void loadSelectedMediaIpodToPC();
    void cancelCopyMediaIpodToPC();
    void progressFun(int index, const std::string &filename, int files);
    void showProgressWindow();
    void endProgressWindow();
    void ProgressFaildNotification(const BookFailureList &failures);
    void fillFailedWindow(const BookFailureList &failures);
    void closeFailedWindow();
    bool isTransferRunning() const;
    // Files from the desktop (the command line, or a later start handing its files over): the
    // window comes forward and, when there are files, asks once where they go and imports them.
    // With no device connected it waits at most `waitForDevice` for one to arrive (at start,
    // the attached device is still being read), then says that none is there.
    void addFilesFromDesktop(const QStringList &paths,
                             std::chrono::milliseconds waitForDevice = std::chrono::milliseconds(0));
    // The name of the device imports go to; empty without one.
    QString deviceName() const;

    // ---- Catalogue backups (the device list's context menu) --------------------------------
    // Enables the restore entry: a connected device's row is selected, nothing runs, and
    // copies of its catalogue are kept. Done as the menu opens (it asks the device layer).
    void validateDeviceMenu();
    // Lets the user pick a kept copy of the selected device's catalogue, asks before
    // replacing, then puts it back on a worker and reloads the lists.
    void restoreCatalogueBackupMenu();
    bool isRestoreRunning() const;

    // ---- Delete, help, about, preferences --------------------------------------------------
    void deleteNotification(const Notification &notification);
    // Deletes the highlighted rows' user items ("selected" means highlighted).
    void deleteSelectedItem();
    // Deletes the checked user items the table shows ("selected" means checked).
    void deleteSelectedItemMenu();
    void home();
    void help();
    void about();
    void closeabout();
    void setPreference();
    void preferenceOK();
    void preferenceCancel();

    // ---- Outlets -------------------------------------------------------------------------
    QMainWindow *mainWindow = nullptr;
    DeviceOutline *treeListControler = nullptr; // an iPodTreeListControler
    AIOutLineView *iPodTableView = nullptr;
    QLabel *listHeadView = nullptr;
    QWidget *drawer = nullptr;
    AITableView *mediaTableView = nullptr;
    QCheckBox *selectAllButton = nullptr;
    QDialog *progressWindow = nullptr;
    QLabel *progressTitle = nullptr;
    QLabel *progressTitleLable = nullptr;
    QProgressBar *progress = nullptr;
    QLabel *ipodProductView = nullptr;
    QLabel *ipodBgView = nullptr;
    silder *ipodSizeView = nullptr;
    QFrame *box = nullptr;
    QLabel *ipodNameTextField = nullptr;
    QLabel *ipodTypeTextField = nullptr;
    QLabel *ipodSizeTextField = nullptr;
    QLabel *ipodSize_1TextField = nullptr;
    QLabel *ipodFramworkTypeTextField = nullptr;
    QLabel *ipodNameSerNumberTextField = nullptr;
    QLabel *ipodVolumTypeTextField = nullptr;
    QLabel *freeSizeTextField = nullptr;
    QLabel *ebooksTextField = nullptr;
    QLabel *audioSizeTextField = nullptr;
    QLabel *videoTextField = nullptr;
    QLabel *pictureTextField = nullptr;
    QLabel *otherTextField = nullptr;
    QLabel *typeTextField = nullptr;
    QLabel *SizeTextField = nullptr;
    QLabel *FramworkTextField = nullptr;
    QLabel *SerNumberTextField = nullptr;
    QLabel *VolumTextField = nullptr;
    QLabel *ebooksstaticTextField = nullptr;
    QLabel *AudioImageView = nullptr;
    QLabel *VideoImageView = nullptr;
    QLabel *PictureImageView = nullptr;
    QLabel *ebooksImageView = nullptr;
    QLabel *OtherImageView = nullptr;
    QLabel *FreeSizeImageView = nullptr;
    QComboBox *albumsPopupButton = nullptr;
    QPushButton *ipodtoMacButton = nullptr;
    XLPopupMenuButton *addMediaButton = nullptr;
    QAction *helpMenu = nullptr;
    LinkButton *homeLinkButton = nullptr;
    LinkButton *SupportLinkButton = nullptr;
    LinkButton *SupportLinkButtonFa = nullptr;
    linkImageView *logoView = nullptr;
    QDialog *aboultDlg = nullptr;
    QLabel *aboutImageView = nullptr;
    QLabel *aboultAppName = nullptr;
    QLabel *versionTextField = nullptr;
    QDialog *preferencesWindow = nullptr;
    QComboBox *picSaveTypeComboBox = nullptr;
    QDialog *failedWindow = nullptr;
    QtLoadWindow *loadwindow = nullptr;
    QMenu *tableMenu = nullptr;
    QMenu *deviceMenu = nullptr; // the device list's context menu
    QAction *restoreCatalogueBackupItem = nullptr;
    // Why an attached device could not be opened (locked, not trusted); hidden otherwise.
    QLabel *deviceMessageLabel = nullptr;

    // ---- State -----------------------------------------------------------------------------
    std::map<QString, QAction *> appMenuDict;

    // Whether a transfer may go on (the transfer commands' flag; tests read it).
    bool copyMediaIpodToPC() const;
    // The failures listed by the last failure window (tests read them).
    const BookFailureList &lastFailures() const;
    // The reader apps under the devices (tests, the screenshots).
    AppShelf *appShelf() const { return m_apps; }
    // Tells of long transfers that end while the window is in the background (tests).
    DesktopNotifier *desktopNotifier() const { return m_notifier; }
    // Waits for a finished transfer thread (tests, shut-down).
    void joinWorker();
    // The window is closing: a transfer stops within its current piece of a file, a survey
    // within its current request. Any thread.
    void stopWork();
    // stopWork, then waits at most `limit` for the transfer thread; true when it has ended.
    bool endWork(std::chrono::milliseconds limit);

private:
    void buildWindows();
    void buildUnits();
    void assignOutlets();
    void applyStyleSheet();
    void wireCommands();
    void addCommand(QAction *action, void (mainControler::*command)());
    QString resourceFile(const char *name) const;
    void setImage(QLabel *view, const char *name) const;
    void watchArrivalFailures();

    std::unique_ptr<QMainWindow> m_mainWindow;
    std::unique_ptr<Ui::MainWindow> m_ui;
    std::unique_ptr<Ui::AboutDialog> m_aboutUi;
    std::unique_ptr<Ui::PreferencesWindow> m_preferencesUi;
    std::unique_ptr<QtLoadWindow> m_loadWindow;
    std::unique_ptr<DeviceLibrary> m_library;
    std::unique_ptr<DeviceOutline> m_treeListControler;
    std::unique_ptr<UserInteraction> m_interaction;
    std::unique_ptr<DevicePanel> m_panel; // goes before the form it runs
    ProgressSheet *m_progress = nullptr;  // children of this object
    BookTable *m_table = nullptr;
    BookCovers *m_covers = nullptr;
    TransferSlot *m_slot = nullptr;
    TransferCommands *m_transfers = nullptr;
    CatalogueRestoreCommand *m_restore = nullptr;
    MessageLine *m_messageLine = nullptr; // owned by the window
    BookImportSources *m_importSources = nullptr;
    AppShelf *m_apps = nullptr; // deleted before the device list it reads
    DesktopNotifier *m_notifier = nullptr;
    WindowMemory *m_memory = nullptr; // sizes, columns and lists kept between runs
    std::vector<QAction *> m_validatedItems;

    std::shared_ptr<std::atomic_bool> m_alive; // lets late queued work see that we are gone
};
