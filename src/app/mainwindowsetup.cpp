// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// The main window's set-up: the windows built from their forms, the outlets, the look, the
// commands wired to the objects that own them, and the start-up that fills in the names.
#include "app/maincontroler.h"

#include "app/appglobals.h"
#include "app/appshelf.h"
#include "app/bookcovers.h"
#include "app/booktable.h"
#include "app/cataloguerestorecommand.h"
#include "app/desktopnotifier.h"
#include "app/devicenamecell.h"
#include "app/devicepanel.h"
#include "app/importsources.h"
#include "app/mediatablemodel.h"
#include "app/messageline.h"
#include "app/progresssheet.h"
#include "app/qtloadwindow.h"
#include "app/transfercommands.h"
#include "app/transferslot.h"
#include "app/windowmemory.h"
#include "core/appconfigure.h"
#include "core/datadir.h"
#include "core/log.h"
#include "core/plistptr.h"
#include "core/resources.h"
#include "operations/bookshelf.h"
#include "operations/devicelibrary.h"
#include "operations/ipodtreelistcontroler.h"
#include "ui_aboutdialog.h"
#include "ui_mainwindow.h"
#include "ui_preferenceswindow.h"
#include "widgets/aioutlineview.h"
#include "widgets/aitableview.h"
#include "widgets/linkbutton.h"
#include "widgets/linkimageview.h"
#include "widgets/silder.h"
#include "widgets/xlpopupmenubutton.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QFile>
#include <QHeaderView>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPixmap>

#include <plist/plist.h>

#include <cstdlib>

namespace {

// Closing the main window ends the application: the work under way stops first, so that
// the program can end at once.
class MainWindowCloseFilter : public QObject
{
public:
    MainWindowCloseFilter(QObject *parent, std::function<void()> onClose)
        : QObject(parent), m_onClose(std::move(onClose))
    {
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Close) {
            m_onClose();
            QCoreApplication::quit();
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> m_onClose;
};

} // namespace

void mainControler::buildWindows()
{
    // The main window owns every widget below it; the dialogs are its children so that they
    // open as sheets over it and go with it.
    m_mainWindow = std::make_unique<QMainWindow>();
    m_ui = std::make_unique<Ui::MainWindow>();
    m_ui->setupUi(m_mainWindow.get());
    mainWindow = m_mainWindow.get();
    mainWindow->installEventFilter(new MainWindowCloseFilter(mainWindow, [this] {
        if (m_memory)
            m_memory->save();
        stopWork();
    }));

    m_progress = new ProgressSheet(mainWindow, this);
    progressWindow = m_progress->dialog();
    progressTitle = m_progress->titleLabel();
    progressTitleLable = m_progress->percentLabel();
    progress = m_progress->bar();
    connect(m_progress, &ProgressSheet::cancelRequested, this, [this] { cancelCopyMediaIpodToPC(); });

    aboultDlg = new QDialog(mainWindow);
    m_aboutUi = std::make_unique<Ui::AboutDialog>();
    m_aboutUi->setupUi(aboultDlg);
    aboultDlg->setWindowModality(Qt::WindowModal);
    aboutImageView = m_aboutUi->aboutImageView;
    m_aboutUi->aboultAppName->setStyleSheet(QStringLiteral("font-size: 16pt; font-weight: bold;"));
    aboultAppName = m_aboutUi->aboultAppName;
    versionTextField = m_aboutUi->versionTextField;
    connect(m_aboutUi->closeAboutButton, &QPushButton::clicked, this, [this] { closeabout(); });
    connect(aboultDlg, &QDialog::rejected, this, [this] { closeabout(); });

    preferencesWindow = new QDialog(mainWindow);
    m_preferencesUi = std::make_unique<Ui::PreferencesWindow>();
    m_preferencesUi->setupUi(preferencesWindow);
    preferencesWindow->setWindowModality(Qt::ApplicationModal);
    picSaveTypeComboBox = m_preferencesUi->picSaveTypeComboBox;
    connect(m_preferencesUi->preferenceOKButton, &QPushButton::clicked, this, [this] { preferenceOK(); });
    connect(m_preferencesUi->preferenceCancelButton, &QPushButton::clicked, this, [this] { preferenceCancel(); });

    // The right side, with the reason a device that came could not be opened above the
    // getting-started picture.
    m_panel = std::make_unique<DevicePanel>(*m_ui);
    deviceMessageLabel = m_panel->messageLabel();

    // Under the table: how the last transfer ended, with a link to act on it.
    m_messageLine = new MessageLine(m_ui->rightPanel);
    m_ui->rightLayout->addWidget(m_messageLine);

    // The load window must exist before the device list: the connection object keeps it.
    m_loadWindow = std::make_unique<QtLoadWindow>(mainWindow);
    loadwindow = m_loadWindow.get();

    assignOutlets();
    applyStyleSheet();
    for (QLabel *legend : {m_ui->AudioImageView, m_ui->VideoImageView, m_ui->PictureImageView, m_ui->ebooksImageView,
                           m_ui->OtherImageView, m_ui->FreeSizeImageView})
        legend->setFixedSize(14, 14);

    // The device library, which from here on watches for devices, and the device list.
    m_library = std::make_unique<DeviceLibrary>(loadwindow);
    m_treeListControler = std::make_unique<iPodTreeListControler>(*m_library);
    treeListControler = m_treeListControler.get();

    buildUnits();
    wireCommands();
}

// Each unit gets the widgets it runs; they talk back by signals, wired here.
void mainControler::buildUnits()
{
    const Ui::MainWindow &ui = *m_ui;
    BookTable::Parts table;
    table.view = mediaTableView;
    table.checkAllBox = selectAllButton;
    table.filterField = ui.bookFilterField;
    table.exportButton = ipodtoMacButton;
    table.importButton = addMediaButton;
    table.deviceCard = box;
    table.window = mainWindow;
    table.findAction = ui.actionFilter;
    table.listState = [this](CommandState &state) {
        state.deviceConnected = treeListControler->ipodCount() >= 1;
        // A reader app takes books as "Custom Books" does.
        state.customListSelected =
            treeListControler->isSelectepubnodecanadd() || AppShelf::isAppNode(treeListControler->selectedItem().get());
        state.rootSelected = treeListControler->isRootSelect();
    };
    // The table reads `medias` through its model; the covers draw in its title column.
    m_table = new BookTable(table, this);
    m_covers = new BookCovers(mediaTableView, *m_library, this);
    WindowMemory::Parts kept;
    kept.window = mainWindow;
    kept.split = ui.mainSplitter;
    kept.table = mediaTableView;
    kept.columns = m_table->model();
    kept.devices = treeListControler;
    m_memory = new WindowMemory(kept, this);

    // The table's context menu offers the row commands.
    tableMenu = new QMenu(mediaTableView);
    tableMenu->addAction(ui.actionContextCheck);
    tableMenu->addAction(ui.actionContextUncheck);
    tableMenu->addSeparator();
    tableMenu->addAction(ui.actionContextExport);
    tableMenu->addAction(ui.actionContextDelete);
    mediaTableView->setMenu(tableMenu);
    // The device list's own menu, for the device row.
    deviceMenu = new QMenu(iPodTableView);
    restoreCatalogueBackupItem = deviceMenu->addAction(tr("Restore Catalogue Backup..."));
    restoreCatalogueBackupItem->setEnabled(false);
    iPodTableView->setMenu(deviceMenu);

    iPodTableView->setModel(treeListControler->model());
    iPodTableView->setSelectionModel(treeListControler->selectionModel());
    iPodTableView->setItemDelegate(new DeviceNameCell(iPodTableView));
    iPodTableView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    iPodTableView->setWordWrap(true);
    connect(treeListControler, &DeviceOutline::expandItem, iPodTableView, &QTreeView::expand);

    // The one transfer slot: the book commands and the catalogue restore take turns in it.
    m_slot = new TransferSlot(mainWindow, *m_progress, *m_interaction, this);
    failedWindow = m_slot->failureWindow();
    m_restore = new CatalogueRestoreCommand(mainWindow, restoreCatalogueBackupItem, *treeListControler, *m_slot,
                                           *m_interaction, this);
    m_library->setReplaceQuestion([this](const std::string &message) { return m_slot->askOnMainThread(message); });

    // The reader apps under each device, with their own listing and covers.
    AppShelf::Context apps;
    apps.devices = treeListControler->model();
    apps.selection = treeListControler->selectionModel();
    apps.openSession = [this] { return m_library->openSession(); };
    apps.openReadSession = [this] { return m_library->openReadSession(); };
    apps.table = m_table->model();
    apps.view = mediaTableView;
    apps.dataFolder = userDataDir();
    m_apps = new AppShelf(std::move(apps), this);
    m_apps->addMenuItems(deviceMenu);
    connect(m_apps, &AppShelf::hint, m_messageLine, &MessageLine::showHint);
    connect(m_apps, &AppShelf::hintCleared, m_messageLine, &MessageLine::clearHint);
    connect(m_apps, &AppShelf::listingChanged, this, [this] { reloadiPodNotification(); });

    // The commands act on the selected node's shelf: an app's, or else the device's catalogue.
    auto targets = [this](AppClashQuestion clash) {
        TransferTarget target = m_apps->selectedTarget(std::move(clash));
        if (!target.shelf) {
            target.shelf = std::make_shared<CatalogueShelf>();
            target.asksDuplicates = true;
            target.changed = [this](TransferEnd::Kind kind) {
                if (kind == TransferEnd::Kind::Delete) {
                    m_slot->onMainThread([this] { reloadiPodNotification(); });
                    return;
                }
                // Books dropped while another list was shown went to "Custom Books": the window
                // shows that list next, read afresh, so the user sees where they went.
                if (treeListControler->isSelectepubnodecanadd() || !treeListControler->selectCustomBooks())
                    reloadiPodNotification();
            };
        }
        target.session = m_library->openSession();
        return target;
    };
    m_transfers = new TransferCommands(mainWindow, *m_slot, *m_library, *m_table, *m_interaction,
                                       std::move(targets), this);
    connect(m_transfers, &TransferCommands::message, m_messageLine, &MessageLine::showMessage);
    connect(m_slot, &TransferSlot::started, m_messageLine, &MessageLine::clearMessage);
    connect(m_slot, &TransferSlot::runningChanged, m_table, &BookTable::setTransferRunning);
    connect(m_restore, &CatalogueRestoreCommand::listsChanged, this, [this] { reloadiPodNotification(); });
    m_notifier = new DesktopNotifier(mainWindow, this);
    connect(m_slot, &TransferSlot::started, m_notifier, &DesktopNotifier::transferStarted);
    connect(m_slot, &TransferSlot::ended, m_notifier, &DesktopNotifier::transferEnded);
    connect(m_table, &BookTable::rulesApplied, this, [this] { validateMenus(); });
    m_preferencesUi->showAllSharingAppsCheckBox->setChecked(m_apps->showsAllSharingApps());
}

void mainControler::assignOutlets()
{
    const Ui::MainWindow &ui = *m_ui;
    iPodTableView = ui.iPodTableView;
    listHeadView = ui.listHeadView;
    drawer = ui.drawer;
    mediaTableView = ui.mediaTableView;
    selectAllButton = ui.selectAllButton;
    ipodProductView = ui.ipodProductView;
    ipodBgView = ui.ipodBgView;
    ipodSizeView = ui.ipodSizeView;
    box = ui.box;
    ipodNameTextField = ui.ipodNameTextField;
    ipodTypeTextField = ui.ipodTypeTextField;
    ipodSizeTextField = ui.ipodSizeTextField;
    ipodSize_1TextField = ui.ipodSize_1TextField;
    ipodFramworkTypeTextField = ui.ipodFramworkTypeTextField;
    ipodNameSerNumberTextField = ui.ipodNameSerNumberTextField;
    ipodVolumTypeTextField = ui.ipodVolumTypeTextField;
    freeSizeTextField = ui.freeSizeTextField;
    ebooksTextField = ui.ebooksTextField;
    audioSizeTextField = ui.audioSizeTextField;
    videoTextField = ui.videoTextField;
    pictureTextField = ui.pictureTextField;
    otherTextField = ui.otherTextField;
    typeTextField = ui.typeTextField;
    SizeTextField = ui.SizeTextField;
    FramworkTextField = ui.FramworkTextField;
    SerNumberTextField = ui.SerNumberTextField;
    VolumTextField = ui.VolumTextField;
    ebooksstaticTextField = ui.ebooksstaticTextField;
    AudioImageView = ui.AudioImageView;
    VideoImageView = ui.VideoImageView;
    PictureImageView = ui.PictureImageView;
    ebooksImageView = ui.ebooksImageView;
    OtherImageView = ui.OtherImageView;
    FreeSizeImageView = ui.FreeSizeImageView;
    albumsPopupButton = ui.albumsPopupButton;
    ipodtoMacButton = ui.ipodtoMacButton;
    addMediaButton = ui.addMediaButton;
    helpMenu = ui.helpMenu;
    homeLinkButton = ui.homeLinkButton;
    SupportLinkButton = ui.SupportLinkButton;
    // The side panel has room for one support link; both outlets name it.
    SupportLinkButtonFa = ui.SupportLinkButton;
    logoView = ui.logoView;
}

// The look lives in the style sheet resource; only the backdrop's path is filled in here.
void mainControler::applyStyleSheet()
{
    QFile sheet(QStringLiteral(":/bookferry/mainwindow.qss"));
    if (!sheet.open(QIODevice::ReadOnly | QIODevice::Text)) {
        logFormat("Cannot read %s", sheet.fileName().toLocal8Bit().constData());
        return;
    }
    const QString backdrop = QString::fromStdString(resourcePath("bj.png"));
    mainWindow->setStyleSheet(QString::fromUtf8(sheet.readAll()).arg(backdrop));
}

// Every command item is validated by its title (validateMenus), so remember it.
void mainControler::addCommand(QAction *action, void (mainControler::*command)())
{
    connect(action, &QAction::triggered, this, [this, command] { (this->*command)(); });
    m_validatedItems.push_back(action);
}

void mainControler::wireCommands()
{
    const Ui::MainWindow &ui = *m_ui;
    addCommand(ui.actionCheckAll, &mainControler::clickAllMenu);
    addCommand(ui.actionUncheckAll, &mainControler::unClickAllMenu);
    addCommand(ui.actionCheckSelected, &mainControler::selectMenu);
    addCommand(ui.actionUncheckSelected, &mainControler::unselectMenu);
    addCommand(ui.actionContextCheck, &mainControler::selectMenu);
    addCommand(ui.actionContextUncheck, &mainControler::unselectMenu);
    addCommand(ui.actionExport, &mainControler::loadMediaIpodToPC);
    addCommand(ui.actionExportSelected, &mainControler::loadSelectedMediaIpodToPC);
    addCommand(ui.actionContextExport, &mainControler::loadSelectedMediaIpodToPC);
    addCommand(ui.actionImport, &mainControler::loadMediaPCToIpod);
    addCommand(ui.actionFileToDevice, &mainControler::loadMediaPCToIpod);
    // A folder of books, or books dropped on the window, go through the import as well.
    BookImportSources::Hooks hooks;
    hooks.deviceConnected = [this] { return treeListControler->ipodCount() >= 1; };
    hooks.transferRunning = [this] { return isTransferRunning(); };
    hooks.import = [this](const QStringList &paths) { m_transfers->importBooks(paths); };
    hooks.destination = [this] {
        const AppShelfNode *app = m_apps ? m_apps->selectedApp() : nullptr;
        return app ? QString::fromStdString(app->app().displayName) : QString();
    };
    hooks.deviceName = [this] { return deviceName(); };
    // PDFs are offered only where the selected shelf takes them: an app that says so.
    auto takesPdf = [this] {
        const AppShelfNode *app = m_apps ? m_apps->selectedApp() : nullptr;
        return app && app->app().takesPdf;
    };
    hooks.takesPdf = takesPdf;
    m_interaction->importTakesPdf = takesPdf;
    auto *sources = new BookImportSources(mainWindow, *m_interaction, std::move(hooks), this);
    m_importSources = sources;
    connect(ui.actionFolderToDevice, &QAction::triggered, this, [this, sources] {
        if (!isTransferRunning() && addMediaButton->isEnabled())
            sources->importFolder();
    });
    m_validatedItems.push_back(ui.actionFolderToDevice);
    addCommand(ui.actionDeleteSelected, &mainControler::deleteSelectedItem);
    addCommand(ui.actionContextDelete, &mainControler::deleteSelectedItem);
    addCommand(ui.actionDeleteChecked, &mainControler::deleteSelectedItemMenu);
    // The Delete key deletes the highlighted books (after the question) only where they are
    // highlighted: in the book table, not while typing in the filter or moving in the device list.
    ui.actionDeleteSelected->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    mediaTableView->addAction(ui.actionDeleteSelected);
    addCommand(ui.actionHomePage, &mainControler::home);
    addCommand(ui.helpMenu, &mainControler::help);
    addCommand(ui.actionAbout, &mainControler::about);
    // Not validated: the preferences and the window commands are always there.
    connect(ui.actionPreferences, &QAction::triggered, this, [this] { setPreference(); });
    connect(ui.actionHide, &QAction::triggered, mainWindow, &QWidget::showMinimized);
    connect(ui.actionQuit, &QAction::triggered, mainWindow, &QWidget::close);

    // Outside the title rules of menuStatus: its state depends on the kept copies.
    connect(restoreCatalogueBackupItem, &QAction::triggered, this, [this] { restoreCatalogueBackupMenu(); });
    connect(deviceMenu, &QMenu::aboutToShow, this, [this] { validateDeviceMenu(); });

    connect(ipodtoMacButton, &QPushButton::clicked, this, [this] { loadMediaIpodToPC(); });
    connect(selectAllButton, &QCheckBox::clicked, this, [this] { clickAll(); });
    // A click in the check column toggles the mark of the book in the clicked row, whichever
    // rows are highlighted.
    connect(mediaTableView, &QAbstractItemView::clicked, m_table, [this](const QModelIndex &index) {
        if (index.column() == 0)
            m_table->toggleRow(index);
    });
    connect(mediaTableView->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] { validateMenus(); });
    // Items are also re-validated as their menu opens, so shortcuts and menus agree.
    for (QMenu *menu : {ui.fileMenu, ui.editMenu, ui.helpMenuBar, tableMenu})
        connect(menu, &QMenu::aboutToShow, this, [this] { validateMenus(); });
    connect(mediaTableView->horizontalHeader(), &QHeaderView::geometriesChanged, m_table,
            &BookTable::updateSelectAllPosition);
}

QString mainControler::resourceFile(const char *name) const
{
    return QString::fromStdString(resourcePath(name));
}

void mainControler::setImage(QLabel *view, const char *name) const
{
    if (view)
        view->setPixmap(QPixmap(resourceFile(name))); // a missing file leaves it empty
}

// ---- Start-up ----------------------------------------------------------------------------

void mainControler::awakeFromNib()
{
    appMenuDict.clear();
    initApp();

    // Observers are called on the posting thread; each handler hands widget work to the main
    // thread itself.
    NotificationCenter &center = NotificationCenter::defaultCenter();
    center.addObserver(this, ::deleteNotification, [this](const Notification &n) { deleteNotification(n); });
    center.addObserver(this, ::EjectiPodNotification, [this](const Notification &n) { EjectiPodNotification(n); });
    center.addObserver(this, ::iPodListSelectionDidChangeNotification,
                       [this](const Notification &n) { iPodListSelectionDidChangeNotification(n); });
    center.addObserver(this, XLButtonClickedNotification, [this](const Notification &n) { showProfileOperateMenu(n); });
    watchArrivalFailures();

    medias = std::make_shared<EpubList>();
    m_table->setUp();

    // Nothing is selected yet: both commands off.
    ipodtoMacButton->setIcon(QIcon(resourceFile("ipod to pc-1.png")));
    ipodtoMacButton->setEnabled(false);
    addMediaButton->setEnabled(false);
    setImage(aboutImageView, "aboult.png");
    addMediaButton->setImageSelected(QImage(resourceFile("mac to ipod-1.png")));
    addMediaButton->setImage(QImage(resourceFile("mac to ipod-2.png")));
    addMediaButton->setImageDisabled(QImage(resourceFile("mac to ipod-3.png")));

    // The drawer is the device list's side panel.
    drawer->setMinimumWidth(160);

    homeLinkButton->setLinkAttribute(QString::fromUtf8(HomePageUrl));
    SupportLinkButton->setLinkAttribute(QString::fromUtf8(SupportUrl));
    SupportLinkButtonFa->setLinkAttribute(QString::fromUtf8(SupportUrl));

    const QString appName = QString::fromUtf8(AppName);
    mainWindow->setWindowTitle(appName);
    aboultAppName->setText(appName);
    helpMenu->setText(tr("%1 Help").arg(appName));
    aboultDlg->setWindowTitle(tr("About %1").arg(appName));

    // The device list's own window side: its heading picture, with the word drawn over it here
    // in the user's language.
    const QImage band(resourceFile("leftlistHead.png"));
    const QString heading = tr("DEVICES");
    if (!band.isNull()) {
        const qreal ratio = listHeadView->devicePixelRatioF();
        QPixmap picture(band.size() * ratio);
        picture.setDevicePixelRatio(ratio);
        picture.fill(Qt::transparent);
        QPainter painter(&picture);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(QRect(QPoint(), band.size()), band);
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPixelSize(11);
        font.setBold(true);
        font.setLetterSpacing(QFont::AbsoluteSpacing, 1.2);
        painter.setFont(font);
        painter.setPen(QColor(0x47, 0x55, 0x69));
        painter.drawText(QPointF(34, 19.5), heading);
        painter.end();
        listHeadView->setPixmap(picture);
    }
    listHeadView->setAccessibleName(heading);
    mainWindow->setWindowIcon(QIcon(resourceFile("bookferry.png")));
    m_panel->setUp();
    validateMenus();
    m_memory->restore();
    // The keyboard starts where the work does: choosing a device's list.
    iPodTableView->setFocus(Qt::OtherFocusReason);
}

void mainControler::getMenuItems(const QList<QAction *> &items)
{
    for (QAction *item : items) {
        if (!item->text().isEmpty())
            appMenuDict[item->text()] = item; // a later item of the same title wins
        if (QMenu *submenu = item->menu(); submenu && !submenu->actions().isEmpty())
            getMenuItems(submenu);
    }
}

void mainControler::getMenuItems(QMenu *menu)
{
    if (menu)
        getMenuItems(menu->actions());
}

void mainControler::initApp()
{
    getMenuItems(mainWindow->menuBar()->actions());

    QString bundleName;
    QString version;
    QFile info(QString::fromStdString(resourcePath("Info.plist")));
    if (info.open(QIODevice::ReadOnly)) {
        const QByteArray bytes = info.readAll();
        plist_t root = nullptr;
        plist_from_memory(bytes.constData(), static_cast<uint32_t>(bytes.size()), &root);
        PlistPtr owner(root);
        auto text = [root](const char *key) {
            plist_t node = root && plist_get_node_type(root) == PLIST_DICT ? plist_dict_get_item(root, key) : nullptr;
            if (!node || plist_get_node_type(node) != PLIST_STRING)
                return QString();
            char *value = nullptr;
            plist_get_string_val(node, &value);
            QString result = QString::fromUtf8(value ? value : "");
            free(value);
            return result;
        };
        bundleName = text("CFBundleName");
        version = text("ProductVersion");
    } else {
        logFormat("Cannot read %s", info.fileName().toLocal8Bit().constData());
    }

    // The form (and its translations) carry a bare "@" where the product's name goes.
    for (auto &[title, item] : appMenuDict)
        item->setText(QString(title).replace(QLatin1Char('@'), bundleName));
    versionTextField->setText(tr("Version %1").arg(version));
}
