// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// The window on a desktop: the notification at the end of a long transfer, what the window keeps between
// runs, the keyboard alone, and what screen readers are told.
#include "appfixture.h"

#include "app/appglobals.h"
#include "app/desktopnotifier.h"
#include "app/mediatablemodel.h"
#include "app/transfercommands.h"
#include "core/mainqueue.h"
#include "operations/devicelistmodel.h"
#include "widgets/aioutlineview.h"
#include "widgets/aitableview.h"
#include "widgets/silder.h"
#include "widgets/xlpopupmenubutton.h"

#include <QAccessible>
#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QHeaderView>
#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
#include <QSplitter>
#include <QTest>

#include <algorithm>
#include <filesystem>
#include <set>

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");

TransferEnd end(TransferEnd::Kind kind, int done, int failed, bool stopped = false, QString folder = {})
{
    TransferEnd e;
    e.kind = kind;
    e.done = done;
    e.failed = failed;
    e.stopped = stopped;
    e.folder = std::move(folder);
    return e;
}

} // namespace

TEST(DesktopNotifierText, SaysHowTheTransferEnded)
{
    using K = TransferEnd::Kind;
    const struct
    {
        TransferEnd end;
        const char *summary;
        const char *body;
    } cases[] = {
        {end(K::Export, 12, 0, false, QStringLiteral("/home/anna/Documents")), "Export finished",
         "12 books were exported to Documents."},
        {end(K::Export, 1, 0, false, QStringLiteral("/home/anna/100% mine")), "Export finished",
         "1 book was exported to 100% mine."},
        {end(K::Import, 3, 1), "Adding books ended with problems", "3 books were added, 1 failed."},
        {end(K::Delete, 2, 0, true), "Deletion stopped", "2 books were deleted."},
        // A reader app's books are not counted: the text says so without a number.
        {end(K::Import, -1, 0), "Adding books finished", "The books were added."},
        {end(K::Restore, -1, 1), "Catalogue restore ended with problems",
         "The book catalogue could not be restored."},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(DesktopNotifier::summary(c.end), QString::fromUtf8(c.summary));
        EXPECT_EQ(DesktopNotifier::body(c.end), QString::fromUtf8(c.body));
    }
}

// ---- The window ---------------------------------------------------------------------------

namespace {

class DesktopWindowTest : public MainWindowTest
{
protected:
    // Two books of "Custom Books", imported through the window.
    void importTwoBooks()
    {
        attach();
        selectList(1);
        m_interaction->importAnswers.push_back({makeBook("first.epub", "First Light", "Ada Penrose"),
                                                makeBook("second.epub", "Second Wind", "Margaret Elling")});
        m_window->loadMediaPCToIpod();
        ASSERT_TRUE(waitForTransferEnd());
        ASSERT_TRUE(processMainEventsUntil([this] { return rowCount() == 2; }));
    }
    // A new window, as at the next start, over the same preferences.
    void reopen()
    {
        m_window->joinWorker();
        m_window.reset();
        auto interaction = std::make_unique<ScriptedInteraction>();
        m_interaction = interaction.get();
        m_window = std::make_unique<mainControler>(std::move(interaction));
        m_window->awakeFromNib();
        m_window->mainWindow->show();
    }
    QString selectedList() const
    {
        const TreeNodeArray nodes = selectedNodes(*m_window);
        return nodes.size() == 1 ? QString::fromStdString(nodes.front()->titleName()) : QString();
    }
    MediaTableModel *columns() const
    {
        return static_cast<MediaSortFilterModel *>(m_window->mediaTableView->model())->books();
    }
    QWidget *focused() const { return QApplication::focusWidget(); }
    // Presses `key` until `done`, at most `limit` times.
    bool pressUntil(QWidget *target, Qt::Key key, const std::function<bool()> &done, int limit = 8)
    {
        for (int i = 0; i < limit && !done(); ++i) {
            QTest::keyClick(target ? target : focused(), key);
            processMainEventsUntil(done, std::chrono::milliseconds(200));
        }
        return done();
    }
    int checkedCount() const
    {
        return static_cast<int>(std::count_if(
            medias->begin(), medias->end(), [](const auto &record) { return record && record->isSelect(); }));
    }
};

} // namespace

// Too short, or with the window in front: nothing; an end without a start (a command that
// gave the slot back unused) says nothing either. A long export in the background is announced
// with one call of the desktop's notification service.
TEST_F(DesktopWindowTest, OnlyALongTransferInTheBackgroundIsAnnounced)
{
    importTwoBooks();
    DesktopNotifier *notifier = m_window->desktopNotifier();
    std::vector<QDBusMessage> calls;
    notifier->setSender([&calls](const QDBusMessage &call) {
        calls.push_back(call);
        return true;
    });
    QWidget elsewhere;
    elsewhere.show();
    QApplication::setActiveWindow(&elsewhere);
    notifier->transferStarted();
    notifier->transferEnded(end(TransferEnd::Kind::Export, 1, 0, false, QStringLiteral("/tmp/short")));
    notifier->setMinimumDuration(std::chrono::milliseconds(0));
    QApplication::setActiveWindow(m_window->mainWindow);
    notifier->transferStarted();
    notifier->transferEnded(end(TransferEnd::Kind::Export, 1, 0, false, QStringLiteral("/tmp/front")));
    QApplication::setActiveWindow(&elsewhere);
    notifier->transferEnded(end(TransferEnd::Kind::Import, 0, 0));
    EXPECT_TRUE(calls.empty());

    // The window's own export, in the background.
    m_window->clickAllMenu();
    TempDir exportDir;
    m_interaction->folderAnswers.push_back(QString::fromStdString(exportDir.path()));
    m_window->loadMediaIpodToPC();
    ASSERT_TRUE(waitForTransferEnd());
    ASSERT_EQ(calls.size(), 1u);
    const QDBusMessage &call = calls[0];
    EXPECT_EQ(call.type(), QDBusMessage::MethodCallMessage);
    EXPECT_EQ(call.service(), kService);
    EXPECT_EQ(call.path(), QStringLiteral("/org/freedesktop/Notifications"));
    EXPECT_EQ(call.interface(), kService);
    EXPECT_EQ(call.member(), QStringLiteral("Notify"));
    // The service's Notify(susssasa{sv}i): the bus marshals each argument by its type.
    const QVariantList args = call.arguments();
    QStringList types;
    for (const QVariant &arg : args)
        types << QString::fromLatin1(arg.typeName());
    ASSERT_EQ(types.join(u',').toStdString(), "QString,uint,QString,QString,QString,QStringList,QVariantMap,int");
    EXPECT_EQ(args[0].toString(), QStringLiteral("Bookferry"));
    EXPECT_EQ(args[3].toString(), QStringLiteral("Export finished"));
    EXPECT_EQ(args[4].toString(),
              QStringLiteral("2 books were exported to %1.")
                  .arg(QString::fromStdString(std::filesystem::path(exportDir.path()).filename())));
    EXPECT_EQ(args[6].toMap().value(QStringLiteral("desktop-entry")).toString(), QStringLiteral("bookferry"));
    EXPECT_EQ(args[7].toInt(), -1);

    // No bus at all: nothing is sent.
    notifier->setSender({});
    notifier->setConnection(QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/bus"),
                                                          QStringLiteral("nowhere")));
    EXPECT_FALSE(notifier->notify(QStringLiteral("Export finished"), QString()));
    QDBusConnection::disconnectFromBus(QStringLiteral("nowhere"));
}

TEST_F(DesktopWindowTest, TheNextStartRestoresSizeSplitColumnsSortAndList)
{
    importTwoBooks();
    QMainWindow *window = m_window->mainWindow;
    window->setGeometry(40, 30, 900, 640);
    auto *split = window->findChild<QSplitter *>(QStringLiteral("mainSplitter"));
    ASSERT_NE(split, nullptr);
    split->setSizes({230, 670});
    QHeaderView *header = m_window->mediaTableView->horizontalHeader();
    const int artist = columns()->columnOf("Artist");
    const int genre = columns()->columnOf("Genre");
    const int name = columns()->columnOf("Name");
    ASSERT_GT(artist, 0);
    ASSERT_GT(genre, 0);
    header->resizeSection(artist, 141);
    header->moveSection(header->visualIndex(genre), 1); // Genre first after the check column
    header->setSortIndicator(artist, Qt::DescendingOrder);
    // The Name column takes the width the others leave.
    EXPECT_EQ(header->sectionResizeMode(name), QHeaderView::Stretch);
    const QRect geometry = window->geometry();
    const QList<int> sizes = split->sizes();
    detach();

    reopen();
    window = m_window->mainWindow;
    split = window->findChild<QSplitter *>(QStringLiteral("mainSplitter"));
    header = m_window->mediaTableView->horizontalHeader();
    EXPECT_EQ(window->geometry().size(), geometry.size());
    EXPECT_EQ(split->sizes(), sizes);
    // The device comes: its list is shown again, its columns as they were.
    std::string error;
    m_device = m_backend->attach(m_deviceDir.path(), &error);
    ASSERT_TRUE(m_device) << error;
    ASSERT_TRUE(
        processMainEventsUntil([this] { return !m_window->mediaTableView->isHidden() && rowCount() == 2; }));
    EXPECT_EQ(selectedList(), QStringLiteral("Custom Books"));
    EXPECT_EQ(header->sectionSize(columns()->columnOf("Artist")), 141);
    EXPECT_EQ(header->logicalIndex(0), 0);
    EXPECT_EQ(header->logicalIndex(1), columns()->columnOf("Genre"));
    EXPECT_EQ(header->sortIndicatorSection(), columns()->columnOf("Artist"));
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::DescendingOrder);
    EXPECT_EQ(rowTitle(0), "Second Wind"); // Margaret Elling before Ada Penrose
    EXPECT_EQ(header->sectionResizeMode(columns()->columnOf("Name")), QHeaderView::Stretch);

    // The user's own choice is not overridden: the device row chosen, it stays chosen on the
    // same run's next arrival.
    selectDevice();
    detach();
    attach();
    EXPECT_TRUE(m_window->mediaTableView->isHidden());
}

TEST_F(DesktopWindowTest, SpaceTogglesTheFocusedRowOnlyAndDeleteAsksFirst)
{
    importTwoBooks();
    QApplication::setActiveWindow(m_window->mainWindow);
    AITableView *table = m_window->mediaTableView;
    // Focused by Tab from the device list.
    ASSERT_TRUE(pressUntil(nullptr, Qt::Key_Tab, [&] { return focused() == table; }));
    ASSERT_TRUE(table->currentIndex().isValid());
    auto *shown = static_cast<MediaSortFilterModel *>(table->model());
    const auto focusedBook = shown->record(table->currentIndex().row());
    ASSERT_TRUE(focusedBook);
    // The imported books come checked: Space takes the focused one's mark off, and only its.
    ASSERT_EQ(checkedCount(), 2);
    QTest::keyClick(table, Qt::Key_Space);
    EXPECT_FALSE(focusedBook->isSelect());
    EXPECT_EQ(checkedCount(), 1);
    QTest::keyClick(table, Qt::Key_Space);
    EXPECT_EQ(checkedCount(), 2);

    // The delete key asks first, once: the key did not also reach the table's own delete
    // (queued to the main thread). "NO" keeps the book.
    QTest::keyClick(table, Qt::Key_Down); // highlights the second row
    m_interaction->answers.push_back(AlertFirstButtonReturn);
    ASSERT_TRUE(action(QStringLiteral("Delete selected item"))->isEnabled());
    QTest::keyClick(table, Qt::Key_Delete);
    bool flushed = false;
    performOnMainThread([&flushed] { flushed = true; });
    ASSERT_TRUE(processMainEventsUntil([&flushed] { return flushed; }));
    EXPECT_EQ(m_interaction->questions, std::vector<QString>{QStringLiteral("Are you sure, delete the item?")});
    EXPECT_EQ(rowCount(), 2);
    m_window->unClickAllMenu();

    // Focused by a click on the second row's title.
    table->clearFocus();
    const QRect cell = table->visualRect(table->model()->index(1, 1));
    QTest::mouseClick(table->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
    ASSERT_EQ(focused(), table);
    QTest::keyClick(table, Qt::Key_Space);
    const auto second = shown->record(1);
    ASSERT_TRUE(second);
    EXPECT_TRUE(second->isSelect());
    EXPECT_EQ(checkedCount(), 1);
}

TEST_F(DesktopWindowTest, SelectCheckAndExportWithTheKeyboardAlone)
{
    importTwoBooks();
    selectDevice();
    QApplication::setActiveWindow(m_window->mainWindow);
    AIOutLineView *devices = m_window->iPodTableView;
    AITableView *table = m_window->mediaTableView;
    // To the device list, down to "Custom Books", over to its table.
    ASSERT_TRUE(pressUntil(nullptr, Qt::Key_Tab, [&] { return focused() == devices; }));
    ASSERT_TRUE(
        pressUntil(devices, Qt::Key_Down, [&] { return selectedList() == QStringLiteral("Custom Books"); }));
    ASSERT_TRUE(processMainEventsUntil([&] { return !table->isHidden() && rowCount() == 2; }));
    QTest::keyClick(devices, Qt::Key_Tab);
    ASSERT_EQ(focused(), table);
    // Every mark off (Uncheck All's shortcut), the first row checked, the export's shortcut,
    // the folder panel answered.
    QTest::keySequence(table, action(QStringLiteral("Uncheck All"))->shortcut());
    ASSERT_EQ(checkedCount(), 0);
    QTest::keyClick(table, Qt::Key_Home);
    QTest::keyClick(table, Qt::Key_Space);
    const std::string title = rowTitle(table->currentIndex().row());
    TempDir exportDir;
    m_interaction->folderAnswers.push_back(QString::fromStdString(exportDir.path()));
    QTest::keyClick(table, Qt::Key_E, Qt::ControlModifier);
    ASSERT_EQ(m_interaction->panelsShown, 2); // the import's, the export's
    ASSERT_TRUE(waitForTransferEnd());
    // The window manager gives the window back the keyboard as the progress sheet goes.
    QApplication::setActiveWindow(m_window->mainWindow);
    std::vector<std::string> written;
    for (const auto &entry : std::filesystem::directory_iterator(exportDir.path()))
        written.push_back(entry.path().filename().string());
    EXPECT_EQ(written, (std::vector<std::string>{title + ".epub"}));

    // The filter's shortcut, shown in the menu, puts the keys in the filter field; the tab
    // order goes on to the buttons.
    QTest::keyClick(table, Qt::Key_F, Qt::ControlModifier);
    ASSERT_NE(focused(), nullptr);
    EXPECT_EQ(focused()->objectName(), QStringLiteral("bookFilterField"));
    // There the delete key edits the text and asks nothing.
    QTest::keyClick(focused(), Qt::Key_Delete);
    EXPECT_TRUE(m_interaction->questions.empty());
    QTest::keyClick(focused(), Qt::Key_Tab);
    EXPECT_EQ(focused(), m_window->addMediaButton);
    QTest::keyClick(focused(), Qt::Key_Tab);
    EXPECT_EQ(focused(), static_cast<QWidget *>(m_window->ipodtoMacButton));
    for (const char *item : {"Import to Device...", "Folder to Device", "Export to Mac",
                             "Export select contents to Mac", "Delete selected item", "Filter Books"})
        EXPECT_FALSE(action(QString::fromUtf8(item))->shortcut().isEmpty()) << item;
}

namespace {

// Every control a reader lands on, below `face`; the cells of lists and tables are named by
// their text and are left out.
void collectControls(QAccessibleInterface *face, std::vector<QAccessibleInterface *> &out)
{
    static const std::set<QAccessible::Role> controls = {
        QAccessible::PushButton,  QAccessible::CheckBox, QAccessible::ComboBox,    QAccessible::EditableText,
        QAccessible::Tree,        QAccessible::Table,    QAccessible::List,        QAccessible::Link,
        QAccessible::ProgressBar, QAccessible::Graphic,  QAccessible::RadioButton, QAccessible::Slider,
        QAccessible::SpinBox};
    if (!face || face->state().invisible)
        return;
    if (controls.count(face->role()))
        out.push_back(face);
    if (face->role() == QAccessible::Tree || face->role() == QAccessible::Table ||
        face->role() == QAccessible::List)
        return;
    for (int i = 0; i < face->childCount(); ++i)
        collectControls(face->child(i), out);
}

} // namespace

TEST_F(DesktopWindowTest, ScreenReadersFindEveryControlNamed)
{
    attach(); // the device card, with its picture and storage bar
    const auto faceOf = [](QObject *object) { return QAccessible::queryAccessibleInterface(object); };
    std::vector<QAccessibleInterface *> found;
    collectControls(faceOf(m_window->mainWindow), found);
    std::set<QObject *> objects;
    for (QAccessibleInterface *face : found) {
        objects.insert(face->object());
        // The legend's colour swatches are decoration, named by the caption beside them.
        if (face->role() == QAccessible::Graphic && face->object() != m_window->ipodProductView)
            continue;
        EXPECT_FALSE(face->text(QAccessible::Name).isEmpty())
            << "role " << face->role() << " " << face->object()->objectName().toStdString();
    }
    for (QObject *control :
         std::initializer_list<QObject *>{m_window->iPodTableView, m_window->addMediaButton,
                                          m_window->ipodSizeView, m_window->ipodProductView})
        EXPECT_TRUE(objects.count(control)) << control->objectName().toStdString();

    EXPECT_EQ(faceOf(m_window->iPodTableView)->text(QAccessible::Name),
              QStringLiteral("Devices and book lists"));
    EXPECT_EQ(faceOf(m_window->addMediaButton)->text(QAccessible::Name), QStringLiteral("Add Books"));
    // The picture is named by the model the card shows.
    EXPECT_EQ(faceOf(m_window->ipodProductView)->text(QAccessible::Name),
              m_window->ipodTypeTextField->text());
    EXPECT_FALSE(m_window->ipodTypeTextField->text().isEmpty());
    // The bar's segments with the legend's sizes.
    const QString segments = faceOf(m_window->ipodSizeView)->text(QAccessible::Description);
    for (const QLabel *size :
         {m_window->pictureTextField, m_window->ebooksTextField, m_window->freeSizeTextField})
        EXPECT_TRUE(segments.contains(size->text())) << segments.toStdString();
    EXPECT_TRUE(segments.startsWith(QStringLiteral("Audio "))) << segments.toStdString();
    EXPECT_TRUE(segments.contains(QStringLiteral(", Free ") + m_window->freeSizeTextField->text()));
}
