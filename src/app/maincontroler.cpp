// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "app/maincontroler.h"

#include "app/appglobals.h"
#include "app/appshelf.h"
#include "app/bookcovers.h"
#include "app/booktable.h"
#include "app/cataloguerestorecommand.h"
#include "app/devicepanel.h"
#include "app/mediatablemodel.h"
#include "app/progresssheet.h"
#include "app/qtloadwindow.h"
#include "app/transfercommands.h"
#include "app/transferslot.h"
#include "app/userinteraction.h"
#include "app/windowmemory.h"
#include "core/appconfigure.h"
#include "core/log.h"
#include "core/mainqueue.h"
#include "core/resources.h"
#include "device/storage/loadiphone.h"
#include "device/storage/userdataiphone.h"
#include "library/nodeinfo.h"
#include "operations/devicelibrary.h"
#include "operations/deviceoutline.h"
#include "ui_aboutdialog.h"
#include "ui_mainwindow.h"
#include "ui_preferenceswindow.h"
#include "widgets/urlopener.h"
#include "widgets/xlpopupmenubutton.h"

#include <QComboBox>
#include <QDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
#include <QSettings>
#include <QUrl>

#include <algorithm>
#include <cstdio>

namespace {

const char *const kPictureTypeDefault = "PICTYPE";

} // namespace

mainControler::mainControler(std::unique_ptr<UserInteraction> interaction, QObject *parent)
    : QObject(parent)
    , m_interaction(interaction ? std::move(interaction) : std::make_unique<DialogInteraction>())
    , m_alive(std::make_shared<std::atomic_bool>(true))
{
    buildWindows();
}

mainControler::~mainControler()
{
    *m_alive = false;
    m_memory->save();
    removeArrivalFailureObserver(this);
    NotificationCenter::defaultCenter().removeObserver(this);
    m_slot->closeDown();
    if (m_library)
        m_library->setReplaceQuestion({});
    // Its workers open sessions through the device list, so it goes first.
    delete m_apps;
    m_apps = nullptr;
    // The device list and the library go before the windows whose load window it was handed.
    m_treeListControler.reset();
    m_library.reset();
}

void mainControler::joinWorker()
{
    m_slot->joinWorker();
}

void mainControler::stopWork()
{
    m_slot->stop();
    if (m_library)
        m_library->stopSurvey();
}

bool mainControler::endWork(std::chrono::milliseconds limit)
{
    stopWork();
    return m_slot->joinWorkerWithin(limit);
}

// ---- Device panel ------------------------------------------------------------------------

QString mainControler::BytesToMB(double bytes)
{
    return DevicePanel::BytesToMB(bytes);
}

QString mainControler::BytesToGB(double bytes)
{
    return DevicePanel::BytesToGB(bytes);
}

QString mainControler::productImageName(int modelNumber)
{
    return DevicePanel::productImageName(modelNumber);
}

void mainControler::setProductViewImage(int modelNumber)
{
    m_panel->setProductViewImage(modelNumber);
}

void mainControler::reloadiPodNotification()
{
    NotificationCenter::defaultCenter().postNotificationName(::reloadiPodNotification, this);
}

void mainControler::iPodListSelectionDidChangeNotification(const Notification &notification)
{
    if (!isMainThread()) {
        auto alive = m_alive;
        performOnMainThread([this, alive, notification] {
            if (*alive)
                iPodListSelectionDidChangeNotification(notification);
        });
        return;
    }
    const NodeInfo *info = std::any_cast<NodeInfo>(&notification.userInfo);
    if (!info) {
        m_panel->showGettingStarted();
    } else if (info->isDeviceInfo()) {
        // A transfer keeps its own copy of the records; the table's list may change.
        m_table->clearRecords();
        m_panel->showDevice(info->device);
    } else {
        // A book list: check marks live in its records until the next selection.
        m_panel->showBookList();
        // Each book's size joins the list's own columns; its cover is drawn beside its title.
        const std::vector<std::string> columns = BookCovers::withDetailColumns(info->tableColumn_key);
        m_memory->keepColumns();
        initTableView(&columns);
        m_covers->fitColumns();
        m_memory->applyColumns(); // the widths, order and sort the user gave these columns
        m_table->showRecords(info->tableColumn_data);
    }
    buttonStatus();
}

void mainControler::EjectiPodNotification(const Notification &notification)
{
    if (!isMainThread()) {
        auto alive = m_alive;
        performOnMainThread([this, alive, notification] {
            if (*alive)
                EjectiPodNotification(notification);
        });
        return;
    }
    m_panel->showDeviceGone();
    buttonStatus();
}

// A device that could not be opened makes no notification of its own; the device layer's
// arrival-failure event tells the user why nothing appeared (a locked or untrusted device).
void mainControler::watchArrivalFailures()
{
    removeArrivalFailureObserver(this);
    addArrivalFailureObserver(this, [this](const DeviceArrivalFailure &failure) { m_panel->showArrivalFailure(failure); });
}

// ---- Book table --------------------------------------------------------------------------

void mainControler::initTableView(const std::vector<std::string> *identifiers)
{
    m_table->setColumns(identifiers);
}

void mainControler::clickBox()
{
    m_table->toggleActedOnRow();
}

void mainControler::clickAll()
{
    m_table->checkAllFromBox();
}

void mainControler::clickAllMenu()
{
    m_table->setCheckAll(true);
}

void mainControler::unClickAllMenu()
{
    m_table->setCheckAll(false);
}

void mainControler::selectMenu()
{
    m_table->setHighlightedCheckMarks(true);
}

void mainControler::unselectMenu()
{
    m_table->setHighlightedCheckMarks(false);
}

void mainControler::buttonStatus()
{
    m_table->applyButtonRules();
}

bool mainControler::menuStatus(const QString &title) const
{
    return commandEnabled(m_table->commandState(), title, QString::fromUtf8(AppName));
}

// The rules know a command by its English title, which the form keeps beside the shown (and
// translated) text as the "command" property, with "@" for the product's name.
static QString commandTitle(const QAction *item)
{
    const QVariant command = item->property("command");
    return command.isValid() ? command.toString().replace(QLatin1Char('@'), QString::fromUtf8(AppName)) : item->text();
}

bool mainControler::validateUserInterfaceItem(const QAction *item) const
{
    return item && menuStatus(commandTitle(item));
}

void mainControler::validateMenus()
{
    const CommandState state = m_table->commandState();
    const QString appName = QString::fromUtf8(AppName);
    for (QAction *item : m_validatedItems)
        item->setEnabled(commandEnabled(state, commandTitle(item), appName));
}

// ---- Transfers ---------------------------------------------------------------------------

bool mainControler::isTransferRunning() const
{
    return m_slot->isRunning();
}

bool mainControler::copyMediaIpodToPC() const
{
    return m_slot->goingOn();
}

const BookFailureList &mainControler::lastFailures() const
{
    return m_slot->lastFailures();
}

void mainControler::showProfileOperateMenu(const Notification &)
{
    // Let the button finish its own event before the panel's loop starts.
    auto alive = m_alive;
    performOnMainThread([this, alive] {
        if (*alive)
            loadMediaPCToIpod();
    });
}

void mainControler::loadMediaPCToIpod()
{
    if (isTransferRunning() || !addMediaButton->isEnabled())
        return;
    addEpub();
}

void mainControler::addEpub()
{
    m_transfers->chooseAndImport();
}

void mainControler::loadMediaIpodToPC()
{
    if (isTransferRunning() || !ipodtoMacButton->isEnabled())
        return;
    m_transfers->chooseAndExportChecked();
}

void mainControler::loadSelectedMediaIpodToPC()
{
    if (isTransferRunning() || !menuStatus(QStringLiteral("Export select contents to Mac")))
        return;
    m_transfers->chooseAndExportHighlighted();
}

void mainControler::cancelCopyMediaIpodToPC()
{
    m_slot->cancel();
}

void mainControler::progressFun(int index, const std::string &filename, int files)
{
    m_slot->report({TransferProgress::Step::Copying, filename, index, files});
}

void mainControler::showProgressWindow()
{
    m_progress->show();
}

void mainControler::endProgressWindow()
{
    m_progress->hide();
}

void mainControler::ProgressFaildNotification(const BookFailureList &failures)
{
    m_slot->showFailures(failures);
}

void mainControler::fillFailedWindow(const BookFailureList &failures)
{
    m_slot->fillFailedWindow(failures);
}

void mainControler::closeFailedWindow()
{
    m_slot->closeFailedWindow();
}

// ---- Catalogue backups -------------------------------------------------------------------

bool mainControler::isRestoreRunning() const
{
    return m_slot->isRestoreRunning();
}

void mainControler::validateDeviceMenu()
{
    m_restore->validate();
}

void mainControler::restoreCatalogueBackupMenu()
{
    m_restore->run();
}

// ---- Delete, help, about, preferences ----------------------------------------------------

void mainControler::deleteNotification(const Notification &)
{
    // The delete key in the book table: the "Delete selected item" command, question first.
    auto alive = m_alive;
    performOnMainThread([this, alive] {
        if (*alive && menuStatus(QStringLiteral("Delete selected item")))
            deleteSelectedItem();
    });
}

void mainControler::deleteSelectedItemMenu()
{
    m_transfers->deleteChecked();
}

void mainControler::deleteSelectedItem()
{
    m_transfers->deleteHighlighted();
}

void mainControler::home()
{
    UrlOpener::open(QUrl(QString::fromUtf8(HomePageUrl)));
}

void mainControler::help()
{
    // Each translation names its own help page; the English one stands in where there is none.
    QString page = QString::fromStdString(
        resourcePath(tr("help/index.html", "the help page in this language, in the resource folder").toStdString()));
    if (!QFileInfo::exists(page))
        page = QString::fromStdString(resourcePath("help/index.html"));
    UrlOpener::open(QUrl::fromLocalFile(page));
}

void mainControler::about()
{
    aboultDlg->open();
}

void mainControler::closeabout()
{
    aboultDlg->hide();
}

// The preferences window is application-modal: it runs its own loop until OK or Cancel.
void mainControler::setPreference()
{
    QSettings settings;
    picSaveTypeComboBox->setCurrentText(settings.value(QLatin1String(kPictureTypeDefault), QStringLiteral("png")).toString());
    preferencesWindow->exec();
    preferencesWindow->hide();
}

void mainControler::preferenceOK()
{
    // The choice is kept, so the window's OK is not a second Cancel.
    QSettings settings;
    settings.setValue(QLatin1String(kPictureTypeDefault), picSaveTypeComboBox->currentText());
    m_apps->setShowAllSharingApps(m_preferencesUi->showAllSharingAppsCheckBox->isChecked());
    preferencesWindow->done(0);
}

void mainControler::preferenceCancel()
{
    QSettings settings;
    picSaveTypeComboBox->setCurrentText(settings.value(QLatin1String(kPictureTypeDefault), QStringLiteral("png")).toString());
    m_preferencesUi->showAllSharingAppsCheckBox->setChecked(m_apps->showsAllSharingApps());
    preferencesWindow->done(-1);
}
