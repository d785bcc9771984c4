// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "maincontroler.h"

#include "aioutlineview.h"
#include "aitableview.h"
#include "appconfigure.h"
#include "appglobals.h"
#include "cataloguebackup.h"
#include "cataloguebackupdialog.h"
#include "devicenamecell.h"
#include "ipodrootnode.h"
#include "ipodtreelistcontroler.h"
#include "linkbutton.h"
#include "linkimageview.h"
#include "loadiphone.h"
#include "log.h"
#include "mainqueue.h"
#include "mediatablemodel.h"
#include "mobiledevice.h"
#include "nodeinfo.h"
#include "plistptr.h"
#include "qtloadwindow.h"
#include "resources.h"
#include "silder.h"
#include "ui_aboutdialog.h"
#include "ui_failedwindow.h"
#include "ui_mainwindow.h"
#include "ui_preferenceswindow.h"
#include "ui_progresswindow.h"
#include "urlopener.h"
#include "userdataiphone.h"
#include "userinteraction.h"
#include "xlpopupmenubutton.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFile>
#include <QHeaderView>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QUrl>

#include <plist/plist.h>

#if __has_include("imobiledevicebackend.h")
#include "imobiledevicebackend.h"
#define BOOKFERRY_HAVE_USB 1
#endif

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <syslog.h>
#include <chrono>
#include <future>

namespace {

// The progress sheet: Escape cancels the transfer instead of hiding the sheet under it.
class ProgressSheet : public QDialog
{
public:
    using QDialog::QDialog;
    std::function<void()> onCancel;

protected:
    void reject() override
    {
        if (onCancel)
            onCancel();
    }
};

// Closing the main window ends the application.
class MainWindowCloseFilter : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Close)
            QCoreApplication::quit();
        return QObject::eventFilter(watched, event);
    }
};

// A size or number as the survey writes it ("%f" text); leading garbage or nothing gives 0.
double doubleValue(const StringDictionary &values, const char *key)
{
    auto found = values.find(key);
    if (found == values.end())
        return 0.0;
    const std::string &text = found->second;
    size_t start = text.find_first_not_of(" \t\n");
    if (start == std::string::npos)
        return 0.0;
    if (text[start] == '+')
        ++start;
    double value = 0.0;
    std::from_chars(text.data() + start, text.data() + text.size(), value);
    return value;
}

QString stringValue(const StringDictionary &values, const char *key)
{
    auto found = values.find(key);
    return found == values.end() ? QString() : QString::fromStdString(found->second);
}

QString sizeText(double bytes)
{
    return bytes >= 1073741824.0 ? mainControler::BytesToGB(bytes) : mainControler::BytesToMB(bytes);
}

const char *const kPictureTypeDefault = "PICTYPE";
// The width the table's text columns share, less the room of the check column.
constexpr double kTableWidth = 530.0;

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
    if (m_previousLogSink)
        setLogSink(std::move(*m_previousLogSink));
    NotificationCenter::defaultCenter().removeObserver(this);
    copyMediaIpodToPC = false;
    joinWorker();
    if (treeListControler)
        treeListControler->setReplaceQuestion({});
    // The device list goes before the windows whose load window it was handed.
    m_treeListControler.reset();
}

void mainControler::joinWorker()
{
    if (m_worker.joinable())
        m_worker.join();
}

void mainControler::buildWindows()
{
    // The main window owns every widget below it; the dialogs are its children so that they
    // open as sheets over it and go with it.
    m_mainWindow = std::make_unique<QMainWindow>();
    m_ui = std::make_unique<Ui::MainWindow>();
    m_ui->setupUi(m_mainWindow.get());
    mainWindow = m_mainWindow.get();
    mainWindow->installEventFilter(new MainWindowCloseFilter(mainWindow));

    auto *sheet = new ProgressSheet(mainWindow);
    m_progressUi = std::make_unique<Ui::ProgressWindow>();
    m_progressUi->setupUi(sheet);
    sheet->setWindowModality(Qt::WindowModal);
    sheet->onCancel = [this] { cancelCopyMediaIpodToPC(); };
    progressWindow = sheet;
    progressTitle = m_progressUi->progressTitle;
    progressTitleLable = m_progressUi->progressTitleLable;
    progress = m_progressUi->progress;
    connect(m_progressUi->cancelButton, &QPushButton::clicked, this, [this] { cancelCopyMediaIpodToPC(); });

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

    failedWindow = new QDialog(mainWindow);
    m_failedUi = std::make_unique<Ui::FailedWindow>();
    m_failedUi->setupUi(failedWindow);
    failedWindow->setWindowModality(Qt::WindowModal);
    connect(m_failedUi->closeFailedButton, &QPushButton::clicked, this, [this] { closeFailedWindow(); });

    // Above the getting-started picture: the reason a device that came could not be opened.
    deviceMessageLabel = new QLabel(m_ui->ipodBgView->parentWidget());
    deviceMessageLabel->setObjectName(QStringLiteral("deviceMessageLabel"));
    deviceMessageLabel->setWordWrap(true);
    deviceMessageLabel->hide();
    m_ui->rightLayout->insertWidget(m_ui->rightLayout->indexOf(m_ui->ipodBgView), deviceMessageLabel);

    // The load window must exist before the device list: the connection object keeps it.
    m_loadWindow = std::make_unique<QtLoadWindow>(mainWindow);
    loadwindow = m_loadWindow.get();

    // Outlets of the main window.
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

    // A light, flat look: the device card on a soft backdrop, captions in grey.
    const QString backdrop = QString::fromStdString(resourcePath("bj.png"));
    mainWindow->setStyleSheet(QStringLiteral(
        "#rightPanel { border-image: url(%1) 0 0 0 0 stretch stretch; }"
        "#drawer { background: #FFFFFF; border-right: 1px solid #D5DCE6; }"
        "#iPodTableView { background: #FFFFFF; }"
        "#box { background: #FFFFFF; border: 1px solid #D5DCE6; border-radius: 8px; }"
        "#box QLabel { background: transparent; }"
        "#typeTextField, #SizeTextField, #FramworkTextField, #SerNumberTextField, #VolumTextField,"
        " #storageCaption, #audioCaption, #videoCaption, #pictureCaption, #ebooksstaticTextField,"
        " #otherCaption, #freeCaption { color: #64748B; }"
        "#ipodNameTextField { font-size: 15pt; font-weight: bold; color: #1F2937; }"
        "#ipodtoMacButton { border: none; padding: 0; }"
        "#deviceMessageLabel { background: #FFF7E6; color: #7A4B00; border: 1px solid #F0C36D;"
        " border-radius: 6px; padding: 8px; }").arg(backdrop));
    for (QLabel *legend : {m_ui->AudioImageView, m_ui->VideoImageView, m_ui->PictureImageView, m_ui->ebooksImageView,
                           m_ui->OtherImageView, m_ui->FreeSizeImageView})
        legend->setFixedSize(14, 14);

    // The table reads `medias` through its model; the context menu offers the row commands.
    m_tableModel = new MediaTableModel(this);
    mediaTableView->setModel(m_tableModel);
    tableMenu = new QMenu(mediaTableView);
    tableMenu->addAction(ui.actionContextCheck);
    tableMenu->addAction(ui.actionContextUncheck);
    tableMenu->addSeparator();
    tableMenu->addAction(ui.actionContextExport);
    tableMenu->addAction(ui.actionContextDelete);
    mediaTableView->setMenu(tableMenu);
    // The device list's own menu, for the device row.
    deviceMenu = new QMenu(iPodTableView);
    restoreCatalogueBackupItem = deviceMenu->addAction(QStringLiteral("Restore Catalogue Backup..."));
    restoreCatalogueBackupItem->setEnabled(false);
    iPodTableView->setMenu(deviceMenu);

    // The device list and its controller, which from here on reports device arrivals.
    m_treeListControler = std::make_unique<iPodTreeListControler>(loadwindow);
    treeListControler = m_treeListControler.get();
    iPodTableView->setModel(treeListControler->model());
    iPodTableView->setSelectionModel(treeListControler->selectionModel());
    iPodTableView->setItemDelegate(new DeviceNameCell(iPodTableView));
    iPodTableView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    iPodTableView->setWordWrap(true);
    connect(treeListControler, &iPodTreeListControler::expandItem, iPodTableView, &QTreeView::expand);
    treeListControler->setReplaceQuestion([this](const std::string &message) { return askOnMainThread(message); });

    wireCommands();
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
    addCommand(ui.actionFolderToDevice, &mainControler::loadMediaPCToIpod);
    addCommand(ui.actionDeleteSelected, &mainControler::deleteSelectedItem);
    addCommand(ui.actionContextDelete, &mainControler::deleteSelectedItem);
    addCommand(ui.actionDeleteChecked, &mainControler::deleteSelectedItemMenu);
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
    // A click in the check column toggles the clicked row's mark through clickBox.
    connect(mediaTableView, &QAbstractItemView::clicked, this, [this](const QModelIndex &index) {
        if (index.column() == 0)
            clickBox();
    });
    connect(mediaTableView->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] { validateMenus(); });
    // Items are also re-validated as their menu opens, so shortcuts and menus agree.
    for (QMenu *menu : {ui.fileMenu, ui.editMenu, ui.helpMenuBar, tableMenu})
        connect(menu, &QMenu::aboutToShow, this, [this] { validateMenus(); });
    connect(mediaTableView->horizontalHeader(), &QHeaderView::geometriesChanged, this, [this] { updateSelectAllPosition(); });
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
    center.addObserver(this, ::progressNotification, [this](const Notification &n) { progressNotification(n); });
    center.addObserver(this, ::EjectiPodNotification, [this](const Notification &n) { EjectiPodNotification(n); });
    center.addObserver(this, ::iPodListSelectionDidChangeNotification,
                       [this](const Notification &n) { iPodListSelectionDidChangeNotification(n); });
    center.addObserver(this, XLButtonClickedNotification, [this](const Notification &n) { showProfileOperateMenu(n); });
    watchArrivalFailures();

    medias = std::make_shared<EpubList>();
    m_tableModel->setColumnIdentifiers({});

    // The check column is held to the width of its box.
    QHeaderView *header = mediaTableView->horizontalHeader();
    header->setMinimumSectionSize(15);
    header->setSectionResizeMode(0, QHeaderView::Fixed);
    header->resizeSection(0, 16);
    header->setHighlightSections(false);
    mediaTableView->verticalHeader()->hide();

    // The check-all box sits in the header, over the check column.
    selectAllButton->setParent(header);
    selectAllButton->resize(selectAllButton->sizeHint().boundedTo(QSize(16, 16)).expandedTo(QSize(16, 16)));
    updateSelectAllPosition();
    selectAllButton->show();
    selectAllButton->raise();

    // Nothing is selected yet: the getting-started picture and both commands off.
    setImage(ipodBgView, "gettingstarted_enu.png");
    ipodtoMacButton->setIcon(QIcon(resourceFile("ipod to pc-1.png")));
    ipodtoMacButton->setEnabled(false);
    addMediaButton->setEnabled(false);
    setImage(aboutImageView, "aboult.png");
    addMediaButton->setImageSelected(QImage(resourceFile("mac to ipod-1.png")));
    addMediaButton->setImage(QImage(resourceFile("mac to ipod-2.png")));
    addMediaButton->setImageDisabled(QImage(resourceFile("mac to ipod-3.png")));

    // The drawer became the side panel of the device list.
    drawer->setMinimumWidth(160);

    homeLinkButton->setLinkAttribute(QString::fromUtf8(HomePageUrl));
    SupportLinkButton->setLinkAttribute(QString::fromUtf8(SupportUrl));
    SupportLinkButtonFa->setLinkAttribute(QString::fromUtf8(SupportUrl));

    const QString appName = QString::fromUtf8(AppName);
    mainWindow->setWindowTitle(appName);
    aboultAppName->setText(appName);
    helpMenu->setText(QStringLiteral("%1 Help").arg(appName));
    aboultDlg->setWindowTitle(QStringLiteral("About %1").arg(appName));
    showProgressWindowFlag = false;

    // The device list's own window side: its heading picture.
    setImage(listHeadView, "leftlistHead.png");
    mediaTableView->hide();
    box->hide();
    albumsPopupButton->hide();
    mainWindow->setWindowIcon(QIcon(resourceFile("bookferry.png")));
    validateMenus();
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

    // The form carries a bare "@" where the product's name goes.
    for (auto &[title, item] : appMenuDict) {
        if (title == QLatin1String("About @"))
            item->setText(QStringLiteral("About %1").arg(bundleName));
        else if (title == QLatin1String("Hide @"))
            item->setText(QStringLiteral("Hide %1").arg(bundleName));
        else if (title == QLatin1String("Quit @"))
            item->setText(QStringLiteral("Quit %1").arg(bundleName));
        else
            item->setText(title);
    }
    versionTextField->setText(tr("Version %1").arg(version));
}

void mainControler::updateSelectAllPosition()
{
    QHeaderView *header = mediaTableView->horizontalHeader();
    if (selectAllButton->parentWidget() != header)
        return;
    const int y = std::max(0, (header->height() - selectAllButton->height()) / 2);
    selectAllButton->move(0, y);
}

// ---- Device panel ------------------------------------------------------------------------

QString mainControler::BytesToMB(double bytes)
{
    return QString::asprintf("%0.1fMB", bytes / 1024.0 / 1024.0);
}

QString mainControler::BytesToGB(double bytes)
{
    return QString::asprintf("%0.1fGB", bytes / 1024.0 / 1024.0 / 1024.0);
}

QString mainControler::productImageName(int modelNumber)
{
    switch (modelNumber) {
    case 1: return QStringLiteral("ipod 1G.png");
    case 2: return QStringLiteral("ipod 3G.png");
    case 3: return QStringLiteral("ipod mini.png");
    case 4: return QStringLiteral("ipod 4G.png");
    case 5: return QStringLiteral("iPod photo.png");
    case 6: return QStringLiteral("iPod (5th gereration).png");
    case 7: return QStringLiteral("iPod Nano 1.png");
    case 9: return QStringLiteral("iPod Nano 2.png");
    case 11: return QStringLiteral("iPod Classic.png");
    case 12:
    case 15:
    case 16: return QStringLiteral("iPod Nano 3.png");
    case 128: return QStringLiteral("iPod Shuffle 1.png");
    case 130: return QStringLiteral("iPod Shuffle 2.png");
    case 10000: return QStringLiteral("iPhone.png");
    case 10001: return QStringLiteral("iPod Touch.png");
    case 10002: return QStringLiteral("ipadview.png");
    default: return QStringLiteral("ipodnor.png");
    }
}

void mainControler::setProductViewImage(int modelNumber)
{
    const QString path = QString::fromStdString(resourceDir()) + QLatin1Char('/') + productImageName(modelNumber);
    ipodProductView->setPixmap(QPixmap(path));
    ipodProductView->setProperty("pictureName", productImageName(modelNumber));
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
        // Nothing selected: the getting-started picture.
        ipodtoMacButton->setEnabled(false);
        addMediaButton->setEnabled(false);
        mediaTableView->hide();
        ipodBgView->show();
        box->hide();
        ebooksstaticTextField->hide();
        ebooksTextField->hide();
        ebooksImageView->hide();
        setImage(ipodBgView, "gettingstarted_enu.png");
        buttonStatus();
        return;
    }

    if (info->isDeviceInfo()) {
        deviceMessageLabel->hide();
        // A device node: its panel, with the sizes in gigabytes from one gigabyte up.
        const StringDictionary &values = info->device;
        // A transfer keeps its own copy of the records; the table's list may change.
        medias->clear();
        m_tableModel->reloadData();
        mediaTableView->hide();
        ipodBgView->show();
        ipodBgView->clear();
        for (QWidget *view : std::initializer_list<QWidget *>{box, ebooksstaticTextField, ebooksTextField, ebooksImageView,
                                                              typeTextField, SizeTextField, FramworkTextField,
                                                              SerNumberTextField, VolumTextField})
            view->show();

        const QString model = stringValue(values, ipod_Type);
        ipodTypeTextField->setText(values.count(ipod_Type) ? model : QStringLiteral("Unknow IPod"));
        ipodNameTextField->setText(stringValue(values, Device_Name));
        ipodFramworkTypeTextField->setText(stringValue(values, Product_Version));
        ipodNameSerNumberTextField->setText(stringValue(values, Serial_Number));
        ipodVolumTypeTextField->setText(stringValue(values, Volume_Format));

        const double total = doubleValue(values, FSTotal_Bytes);
        const double freeBytes = doubleValue(values, FSFree_Bytes);
        ipodSizeTextField->setText(BytesToGB(total));
        ipodSize_1TextField->setText(BytesToGB(total));
        freeSizeTextField->setText(BytesToGB(freeBytes));

        const double books = doubleValue(values, NodeInfoKey::books_size);
        const double audio = doubleValue(values, NodeInfoKey::music_Size);
        const double video = doubleValue(values, NodeInfoKey::vide_Size);
        const double photos = doubleValue(values, NodeInfoKey::picture_Size);
        const double other = doubleValue(values, NodeInfoKey::other_Size);
        ebooksTextField->setText(sizeText(books));
        audioSizeTextField->setText(sizeText(audio));
        videoTextField->setText(sizeText(video));
        pictureTextField->setText(sizeText(photos));
        otherTextField->setText(sizeText(other));

        if (ipodSizeView) {
            ipodSizeView->ipodSize(total);
            ipodSizeView->freeSize(freeBytes);
            ipodSizeView->videoSize(video);
            ipodSizeView->audioSize(audio);
            ipodSizeView->photoSize(photos);
            ipodSizeView->otherSize(other);
            ipodSizeView->update();
        }

        setProductViewImage(static_cast<int>(doubleValue(values, Family_ID)));
        setImage(AudioImageView, "size_audio.png");
        setImage(VideoImageView, "size_video.png");
        setImage(PictureImageView, "size_photo.png");
        setImage(ebooksImageView, "size_books.png");
        setImage(OtherImageView, "size_other.png");
        setImage(FreeSizeImageView, "size_free.png");

        ipodtoMacButton->setEnabled(false);
        addMediaButton->setEnabled(false);
        buttonStatus();
        return;
    }

    // A book list: the table adopts the list the device list read for it, so check marks
    // live in these records until the next selection.
    ipodtoMacButton->setEnabled(true);
    addMediaButton->setEnabled(true);
    mediaTableView->show();
    ipodBgView->hide();
    for (QWidget *view : std::initializer_list<QWidget *>{typeTextField, SizeTextField, FramworkTextField, SerNumberTextField,
                                                          VolumTextField, ebooksstaticTextField, ebooksTextField,
                                                          ebooksImageView})
        view->hide();
    initTableView(&info->tableColumn_key);
    medias = info->tableColumn_data ? info->tableColumn_data : std::make_shared<EpubList>();
    m_tableModel->reloadData();
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
    mediaTableView->hide();
    ipodBgView->show();
    box->hide();
    ebooksstaticTextField->hide();
    ebooksTextField->hide();
    ebooksImageView->hide();
    setImage(ipodBgView, "gettingstarted_enu.png");
    albumsPopupButton->hide();
    buttonStatus();
}

// The arrival sequence reports a device it could not open only in the log; its lines are
// watched so the user learns why nothing appeared (a locked or untrusted device).
void mainControler::watchArrivalFailures()
{
    if (m_previousLogSink)
        return;
    auto alive = m_alive;
    auto previous = std::make_shared<LogSink>();
    *previous = setLogSink([this, alive, previous](const std::string &line) {
        if (*previous) {
            (*previous)(line);
        } else {
            std::fprintf(stderr, "bookferry: %s\n", line.c_str());
            if (std::getenv("BOOKFERRY_SYSLOG"))
                syslog(LOG_NOTICE, "%s", line.c_str());
        }
        static const char *const failures[] = {"AMDeviceIsPaired error!", "AMDeviceValidatePairing error!",
                                               "AMDeviceStartSession error!", "AMDeviceStartService error!",
                                               "AFCConnectionOpen error!"};
        if (std::none_of(std::begin(failures), std::end(failures), [&](const char *f) { return line == f; }))
            return;
        performOnMainThread([this, alive, line] {
            if (*alive)
                showDeviceMessage(line);
        });
    });
    m_previousLogSink = *previous;
}

void mainControler::showDeviceMessage(const std::string &logLine)
{
    std::string text;
#ifdef BOOKFERRY_HAVE_USB
    if (Loadiphone && Loadiphone->user_data()->dev)
        text = lastDeviceError(Loadiphone->user_data()->dev);
#endif
    if (text.empty())
        text = "The device could not be opened (" + logLine + "). Unplug it and plug it in again.";
    deviceMessageLabel->setText(QString::fromStdString(text));
    deviceMessageLabel->show();
}

// ---- Book table --------------------------------------------------------------------------

void mainControler::initTableView(const std::vector<std::string> *identifiers)
{
    if (!identifiers)
        return;
    // The check column stays first; the text columns share the table's nominal width.
    m_tableModel->setColumnIdentifiers(*identifiers);
    QHeaderView *header = mediaTableView->horizontalHeader();
    header->setSectionResizeMode(0, QHeaderView::Fixed);
    header->resizeSection(0, 16);
    if (identifiers->empty())
        return;
    const double width = (kTableWidth - 12.0) / static_cast<double>(identifiers->size());
    for (int column = 1; column <= static_cast<int>(identifiers->size()); ++column) {
        header->setSectionResizeMode(column, QHeaderView::Interactive);
        header->resizeSection(column, static_cast<int>(width));
    }
    header->setStretchLastSection(true);
    updateSelectAllPosition();
}

std::vector<int> mainControler::highlightedRows() const
{
    std::vector<int> rows;
    if (!mediaTableView->selectionModel())
        return rows;
    for (const QModelIndex &index : mediaTableView->selectionModel()->selectedRows())
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

void mainControler::clickBox()
{
    if (m_transferRunning)
        return;
    const std::vector<int> rows = highlightedRows();
    if (rows.empty())
        return;
    // The row the user acted on: the current one when it is highlighted, else the last.
    int row = rows.back();
    const QModelIndex current = mediaTableView->currentIndex();
    if (current.isValid() && std::binary_search(rows.begin(), rows.end(), current.row()))
        row = current.row();
    if (row >= 0 && row < static_cast<int>(medias->size()) && (*medias)[row]) {
        epub &record = *(*medias)[row];
        record.setIsSelect(!record.isSelect());
    }
    m_tableModel->checkMarksChanged();
    buttonStatus();
}

void mainControler::clickAll()
{
    if (m_transferRunning) {
        buttonStatus();
        return;
    }
    const bool on = selectAllButton->checkState() == Qt::Checked;
    for (auto &record : *medias) {
        if (record)
            record->setIsSelect(on);
    }
    m_tableModel->checkMarksChanged();
    buttonStatus();
}

void mainControler::clickAllMenu()
{
    selectAllButton->setCheckState(Qt::Checked);
    clickAll();
    buttonStatus();
}

void mainControler::unClickAllMenu()
{
    selectAllButton->setCheckState(Qt::Unchecked);
    clickAll();
    buttonStatus();
}

void mainControler::setHighlightedCheckMarks(bool checked)
{
    if (m_transferRunning)
        return;
    for (int row : highlightedRows()) {
        if (row < static_cast<int>(medias->size()) && (*medias)[row])
            (*medias)[row]->setIsSelect(checked);
    }
    m_tableModel->checkMarksChanged();
    buttonStatus();
}

void mainControler::selectMenu()
{
    setHighlightedCheckMarks(true);
}

void mainControler::unselectMenu()
{
    setHighlightedCheckMarks(false);
}

void mainControler::buttonStatus()
{
    // The check-all box: off at the first unchecked record, on at the first checked record
    // that is not a user item, on when the walk ends.
    bool boxOn = true;
    for (const auto &record : *medias) {
        if (!record)
            continue;
        if (!record->isSelect()) {
            boxOn = false;
            break;
        }
        if (!record->isuserItem())
            break;
    }
    selectAllButton->setCheckState(boxOn ? Qt::Checked : Qt::Unchecked);

    // Export needs a device and a checked book; import (and deletion) a "Custom Books" list.
    const bool anyChecked =
        std::any_of(medias->begin(), medias->end(), [](const auto &record) { return record && record->isSelect(); });
    if (!anyChecked)
        ipodtoMacButton->setEnabled(false);
    if (treeListControler->ipodCount() < 1) {
        ipodtoMacButton->setEnabled(false);
        addMediaButton->setEnabled(false);
    } else {
        ipodtoMacButton->setEnabled(anyChecked);
    }
    if (medias->empty())
        ipodtoMacButton->setEnabled(false);
    addMediaButton->setEnabled(treeListControler->isSelectepubnodecanadd());

    // One transfer at a time: nothing new starts while one runs.
    if (m_transferRunning) {
        ipodtoMacButton->setEnabled(false);
        addMediaButton->setEnabled(false);
        selectAllButton->setEnabled(false);
    } else {
        selectAllButton->setEnabled(true);
    }
    validateMenus();
}

// Enabling by the item's exact title; a title not listed here is disabled.
bool mainControler::menuStatus(const QString &title) const
{
    const QString appName = QString::fromUtf8(AppName);
    if (title == QLatin1String("Home Page") || title == QStringLiteral("%1 Help").arg(appName)
        || title == QStringLiteral("About %1").arg(appName))
        return true;
    if (m_transferRunning)
        return false;

    const int count = static_cast<int>(medias->size());
    const bool rootSelected = treeListControler->isRootSelect();
    const bool boxVisible = !box->isHidden();
    const std::vector<int> rows = highlightedRows();
    auto someRecord = [&](bool wantChecked) {
        return std::any_of(medias->begin(), medias->end(),
                           [&](const auto &r) { return r && r->isSelect() == wantChecked; });
    };
    auto someHighlighted = [&](bool wantChecked) {
        return std::any_of(rows.begin(), rows.end(), [&](int row) {
            return row < count && (*medias)[row] && (*medias)[row]->isSelect() == wantChecked;
        });
    };
    const bool importEnabled = addMediaButton->isEnabled();

    if (title == QLatin1String("Check All"))
        return !rootSelected && count > 0 && someRecord(false);
    if (title == QLatin1String("Uncheck All"))
        return !rootSelected && count > 0 && someRecord(true);
    if (title == QLatin1String("Check Selected"))
        return !rootSelected && boxVisible && count > 0 && someHighlighted(false);
    if (title == QLatin1String("Uncheck Selected"))
        return !rootSelected && count > 0 && boxVisible && someHighlighted(true);
    if (title == QLatin1String("Export to Mac"))
        return ipodtoMacButton->isEnabled();
    if (title == QLatin1String("Export select contents to Mac"))
        // After a device has gone its records stay listed, but there is nothing to copy from.
        return treeListControler->ipodCount() >= 1
               && std::any_of(rows.begin(), rows.end(), [&](int row) { return row < count; });
    if (title == QLatin1String("Import to Device...") || title == QLatin1String("File to Device")
        || title == QLatin1String("Folder to Device"))
        return importEnabled;
    if (title == QLatin1String("Delete selected item") || title == QLatin1String("Delete selected contents"))
        return !rows.empty() && importEnabled;
    if (title == QLatin1String("Delete check item"))
        return importEnabled;
    return false;
}

bool mainControler::validateUserInterfaceItem(const QAction *item) const
{
    return item && menuStatus(item->text());
}

void mainControler::validateMenus()
{
    for (QAction *item : m_validatedItems)
        item->setEnabled(validateUserInterfaceItem(item));
}

// ---- Transfers ---------------------------------------------------------------------------

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
    if (m_transferRunning || !addMediaButton->isEnabled())
        return;
    copyMediaIpodToPC = true;
    addEpub();
}

void mainControler::addEpub()
{
    const QStringList chosen = m_interaction->chooseImportPaths(mainWindow);
    if (chosen.isEmpty() || !startTransfer()) {
        copyMediaIpodToPC = false;
        return;
    }
    copyMediaIpodToPC = true;
    std::vector<std::string> paths;
    for (const QString &path : chosen)
        paths.push_back(path.toStdString());

    // The import runs on a worker under the sync lock; the pause lets the panel's sheet
    // close before the progress sheet takes its place.
    runWorker([this, paths] {
        // threadSelectedLoadEPUBToDeviceDidEnd
        std::this_thread::sleep_for(std::chrono::seconds(1));
        auto alive = m_alive;
        performOnMainThread([this, alive] {
            if (*alive)
                showProgressWindow();
        });
        BookFailureList failures;
        treeListControler->startToSync();
        const int count = static_cast<int>(paths.size());
        for (int i = 0; i < count && copyMediaIpodToPC; ++i) {
            collectFailure(failures, treeListControler->addEPUBToDevice(paths[static_cast<size_t>(i)]));
            progressFun(i, paths[static_cast<size_t>(i)], count);
        }
        treeListControler->endsync();
        performOnMainThread([this, alive, failures] {
            if (!*alive)
                return;
            endProgressWindow();
            reloadiPodNotification();
            finishTransfer(failures);
        });
    });
}

void mainControler::loadMediaIpodToPC()
{
    if (m_transferRunning || !ipodtoMacButton->isEnabled())
        return;
    copyMediaIpodToPC = true;
    const QString folder = m_interaction->chooseExportFolder(mainWindow);
    if (folder.isEmpty() || !startTransfer()) {
        copyMediaIpodToPC = false;
        return;
    }
    // The records and their marks as they stand now; the table may change under the sheet.
    const EpubList records = *medias;
    std::vector<bool> checked;
    for (const auto &record : records)
        checked.push_back(record && record->isSelect());
    const std::string dstpath = folder.toStdString();

    runWorker([this, records, checked, dstpath] {
        // threadLoadMediaIpodToPcDidEnd
        std::this_thread::sleep_for(std::chrono::seconds(1));
        auto alive = m_alive;
        performOnMainThread([this, alive] {
            if (*alive)
                showProgressWindow();
        });
        BookFailureList failures;
        const int count = static_cast<int>(records.size());
        for (int i = 0; i < count && copyMediaIpodToPC; ++i) {
            const auto &record = records[static_cast<size_t>(i)];
            if (!record || !checked[static_cast<size_t>(i)])
                continue;
            collectFailure(failures, treeListControler->saveEpubToMac(record->mediaPcPath(), dstpath,
                                                                      record->ispurchases(), record->mediaName()));
            progressFun(i, dstpath, count);
        }
        copyMediaIpodToPC = false;
        performOnMainThread([this, alive, failures] {
            if (!*alive)
                return;
            endProgressWindow();
            finishTransfer(failures);
        });
    });
}

void mainControler::loadSelectedMediaIpodToPC()
{
    if (m_transferRunning || !menuStatus(QStringLiteral("Export select contents to Mac")))
        return;
    copyMediaIpodToPC = true;
    const QString folder = m_interaction->chooseExportFolder(mainWindow);
    if (folder.isEmpty() || !startTransfer()) {
        copyMediaIpodToPC = false;
        return;
    }
    // The highlighted rows are taken once, here on the main thread.
    const std::vector<int> rows = highlightedRows();
    EpubList records;
    for (int row : rows) {
        if (row >= 0 && row < static_cast<int>(medias->size()))
            records.push_back((*medias)[static_cast<size_t>(row)]);
    }
    const int highlighted = static_cast<int>(rows.size());
    const std::string dstpath = folder.toStdString();

    runWorker([this, records, highlighted, dstpath] {
        // threadSelectedLoadMediaIpodToPcDidEnd and copyMediaipodToPc_v
        std::this_thread::sleep_for(std::chrono::seconds(1));
        auto alive = m_alive;
        performOnMainThread([this, alive] {
            if (*alive)
                showProgressWindow();
        });
        BookFailureList failures;
        int k = 1;
        for (const auto &record : records) {
            if (!copyMediaIpodToPC)
                break;
            if (!record)
                continue;
            collectFailure(failures, treeListControler->saveEpubToMac(record->mediaPcPath(), dstpath,
                                                                      record->ispurchases(), record->mediaName()));
            progressFun(k, dstpath, highlighted);
            ++k;
        }
        performOnMainThread([this, alive, failures] {
            if (!*alive)
                return;
            endProgressWindow();
            finishTransfer(failures);
        });
    });
}

// The flag set here, on the main thread, keeps a second transfer from starting until
// finishTransfer, including in the pause before the progress sheet appears.
bool mainControler::startTransfer()
{
    if (m_transferRunning)
        return false;
    joinWorker(); // the previous transfer's thread has finished its work by now
    m_transferRunning = true;
    buttonStatus();
    return true;
}

void mainControler::runWorker(std::function<void()> body)
{
    m_worker = std::thread(std::move(body));
}

void mainControler::finishTransfer(BookFailureList failures)
{
    joinWorker();
    m_transferRunning = false;
    copyMediaIpodToPC = false;
    buttonStatus();
    if (!failures.empty())
        ProgressFaildNotification(failures);
}

void mainControler::cancelCopyMediaIpodToPC()
{
    if (m_restoreRunning)
        return; // a catalogue upload is not stopped halfway
    copyMediaIpodToPC = false;
    progressTitle->setText(tr("Stopping after the current book..."));
}

// Runs on the worker: the percentage in 32-bit integer arithmetic, truncated.
void mainControler::progressFun(int index, const std::string &filename, int files)
{
    const int percent = files > 0 ? index * 100 / files : 0;
    StringDictionary info;
    info[progressTitleKeyNotification] = "Copying to: " + filename;
    info[progressKeyNotification] = std::to_string(percent);
    NotificationCenter::defaultCenter().postNotificationName(::progressNotification, this, info);
}

void mainControler::progressNotification(const Notification &notification)
{
    const auto *info = std::any_cast<StringDictionary>(&notification.userInfo);
    if (!info)
        return;
    const QString title = stringValue(*info, progressTitleKeyNotification);
    const QString percent = stringValue(*info, progressKeyNotification);
    auto alive = m_alive;
    performOnMainThread([this, alive, title, percent] {
        if (!*alive)
            return;
        progressTitle->clear();
        progressTitle->setText(title);
        progressTitleLable->clear();
        progressTitleLable->setText(percent + QLatin1Char('%'));
        progress->setValue(static_cast<int>(percent.toDouble()));
    });
}

void mainControler::showProgressWindow()
{
    progressTitle->setText(QStringLiteral("Uploading....."));
    progressTitleLable->setText(QStringLiteral("0%"));
    progress->setValue(0);
    showProgressWindowFlag = true;
    progressWindow->open();
}

void mainControler::endProgressWindow()
{
    showProgressWindowFlag = false;
    progressWindow->hide();
}

// The books a transfer could not move, listed once at its end.
void mainControler::ProgressFaildNotification(const BookFailureList &failures)
{
    fillFailedWindow(failures);
    failedWindow->exec();
    failedWindow->hide();
}

void mainControler::fillFailedWindow(const BookFailureList &failures)
{
    m_lastFailures = failures;
    m_failedUi->failedList->clear();
    for (const BookFailure &failure : failures) {
        m_failedUi->failedList->addItem(QStringLiteral("%1 — %2").arg(QString::fromStdString(failure.item),
                                                                         QString::fromStdString(failure.reason)));
    }
}

void mainControler::closeFailedWindow()
{
    failedWindow->done(0);
}

bool mainControler::askOnMainThread(const std::string &message)
{
    // The export waits for the answer; a window that goes away answers "NO".
    auto answer = std::make_shared<std::promise<bool>>();
    std::future<bool> result = answer->get_future();
    auto alive = m_alive;
    performOnMainThread([this, alive, answer, message] {
        if (!*alive) {
            answer->set_value(false);
            return;
        }
        const int code = m_interaction->ask(progressWindow->isVisible() ? static_cast<QWidget *>(progressWindow) : mainWindow,
                                            QStringLiteral("Warning"), QString::fromStdString(message),
                                            {QStringLiteral("NO"), QStringLiteral("YES")});
        answer->set_value(code == AlertFirstButtonReturn + 1);
    });
    while (result.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready) {
        if (!*alive)
            return false;
    }
    return result.get();
}

// ---- Catalogue backups -------------------------------------------------------------------

std::string mainControler::selectedDeviceIdentifier() const
{
    const TreeNodeArray nodes = treeListControler->selectedNodes();
    if (nodes.size() != 1 || treeListControler->ipodCount() < 1)
        return {};
    const auto *device = dynamic_cast<const iPodRootNode *>(nodes.front().get());
    userDataIphone *data = treeListControler->deviceData();
    if (!device || device->isPlaceholder() || !data || !data->dev || !data->conn)
        return {};
    return AMDeviceCopyDeviceIdentifier(data->dev);
}

QString mainControler::selectedDeviceName() const
{
    const TreeNodeArray nodes = treeListControler->selectedNodes();
    const auto *device = nodes.empty() ? nullptr : dynamic_cast<const iPodRootNode *>(nodes.front().get());
    if (!device)
        return {};
    const auto name = device->deviceInfoDic().find(Device_Name);
    return QString::fromStdString(name != device->deviceInfoDic().end() ? name->second : device->titleName());
}

void mainControler::validateDeviceMenu()
{
    bool enabled = false;
    if (!m_transferRunning) {
        const std::string identifier = selectedDeviceIdentifier();
        enabled = !identifier.empty() && !listCatalogueBackups(identifier).empty();
    }
    restoreCatalogueBackupItem->setEnabled(enabled);
}

void mainControler::restoreCatalogueBackupMenu()
{
    if (m_transferRunning)
        return;
    const std::string identifier = selectedDeviceIdentifier();
    if (identifier.empty())
        return;
    const QString deviceName = selectedDeviceName();
    const std::vector<CatalogueBackup> backups = listCatalogueBackups(identifier);
    const QString chosen = m_interaction->chooseCatalogueBackup(mainWindow, deviceName, backups);
    if (chosen.isEmpty())
        return;
    // Only a copy of this device's list is put back, never a path from elsewhere.
    const auto backup = std::find_if(backups.begin(), backups.end(),
                                     [&](const CatalogueBackup &b) { return b.path == chosen.toStdString(); });
    if (backup == backups.end())
        return;
    const QString keptAt = CatalogueBackupDialog::keptAtText(backup->created);
    const QString count = CatalogueBackupDialog::bookCountText(backup->path);
    bool numeric = false;
    const int n = count.toInt(&numeric);
    const QString books = !numeric ? QStringLiteral("which cannot be read as a catalogue")
                                   : n == 1 ? QStringLiteral("1 book") : QStringLiteral("%1 books").arg(n);
    const int answer = m_interaction->ask(
        mainWindow, QStringLiteral("Restore Catalogue Backup"),
        QStringLiteral("The book catalogue on \u201C%1\u201D will be replaced by the copy kept on %2 (%3). "
                       "The catalogue the device holds now is kept as a copy first, so this can be undone the same "
                       "way. Books of the copy that are no longer on the device are left out.")
            .arg(deviceName, keptAt, books),
        {QStringLiteral("Cancel"), QStringLiteral("Restore")});
    if (answer != AlertFirstButtonReturn + 1)
        return;
    // The device may have gone, or another come, while the questions were open.
    if (selectedDeviceIdentifier() != identifier || !startTransfer())
        return;
    m_restoreRunning = true;
    showProgressWindow();
    progressTitle->setText(QStringLiteral("Restoring the book catalogue of \u201C%1\u201D...").arg(deviceName));
    progressTitleLable->clear();
    progress->setRange(0, 0);
    m_progressUi->cancelButton->hide(); // nothing to stop: one upload and a rename

    userDataIphone *data = treeListControler->deviceData();
    const std::string file = backup->path;
    auto alive = m_alive;
    runWorker([this, alive, data, file, keptAt] {
        // restoreCatalogueBackup takes the sync lock itself and backs up what it replaces.
        const BookOperationResult result = restoreCatalogueBackup(file, data);
        performOnMainThread([this, alive, result, keptAt] {
            if (*alive)
                finishRestore(result, keptAt);
        });
    });
}

void mainControler::finishRestore(const BookOperationResult &result, const QString &keptAt)
{
    endProgressWindow();
    progress->setRange(0, 100);
    m_progressUi->cancelButton->show();
    m_restoreRunning = false;
    if (result.failed())
        logFormat("Catalogue restore failed: %s", result.message.c_str());
    // The lists are read again from the working copy the restore brought up to date.
    reloadiPodNotification();

    BookFailureList failures;
    if (result.failed())
        failures.push_back({"Catalogue copy kept on " + keptAt.toStdString(), result.message});
    const QString heading = m_failedUi->failedTitle->text();
    if (!failures.empty())
        m_failedUi->failedTitle->setText(QStringLiteral("The book catalogue could not be restored:"));
    finishTransfer(failures);
    m_failedUi->failedTitle->setText(heading);
    if (result.done() && !result.detail.empty())
        m_interaction->ask(mainWindow, QStringLiteral("Information"),
                           QStringLiteral("The book catalogue was restored. %1").arg(QString::fromStdString(result.detail)),
                           {QStringLiteral("OK")});
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

void mainControler::deleteCandidates(const std::vector<std::shared_ptr<epub>> &candidates)
{
    const int answer = m_interaction->ask(mainWindow, QStringLiteral("Information"),
                                          QStringLiteral("Are you sure, delete the item?"),
                                          {QStringLiteral("NO"), QStringLiteral("YES")});
    if (answer == AlertFirstButtonReturn)
        return;
    // One lock for the whole batch; the table loses the rows only after it is given back.
    std::vector<std::shared_ptr<epub>> deleted;
    treeListControler->startToSync();
    for (const auto &record : candidates) {
        if (treeListControler->deleteMediaFromDevice(*record).done())
            deleted.push_back(record);
    }
    treeListControler->endsync();
    medias->erase(std::remove_if(medias->begin(), medias->end(),
                                 [&](const auto &record) {
                                     return std::find(deleted.begin(), deleted.end(), record) != deleted.end();
                                 }),
                  medias->end());
    m_tableModel->reloadData();
    auto alive = m_alive;
    performOnMainThread([this, alive] {
        if (*alive)
            reloadiPodNotification();
    });
    buttonStatus();
}

void mainControler::deleteSelectedItemMenu()
{
    if (m_transferRunning)
        return;
    std::vector<std::shared_ptr<epub>> candidates;
    for (const auto &record : *medias) {
        if (record && record->isSelect() && record->isuserItem())
            candidates.push_back(record);
    }
    deleteCandidates(candidates);
}

void mainControler::deleteSelectedItem()
{
    if (m_transferRunning)
        return;
    std::vector<std::shared_ptr<epub>> candidates;
    for (int row : highlightedRows()) {
        if (row >= 0 && row < static_cast<int>(medias->size()) && (*medias)[row] && (*medias)[row]->isuserItem())
            candidates.push_back((*medias)[row]);
    }
    deleteCandidates(candidates);
}

void mainControler::home()
{
    UrlOpener::open(QUrl(QString::fromUtf8(HomePageUrl)));
}

void mainControler::help()
{
    UrlOpener::open(QUrl::fromLocalFile(QString::fromStdString(resourcePath("help/index.html"))));
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
    preferencesWindow->done(0);
}

void mainControler::preferenceCancel()
{
    QSettings settings;
    picSaveTypeComboBox->setCurrentText(settings.value(QLatin1String(kPictureTypeDefault), QStringLiteral("png")).toString());
    preferencesWindow->done(-1);
}
