// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "app/screenshots.h"

#include "app/appshelf.h"
#include "app/bookcovers.h"
#include "app/cataloguebackupdialog.h"
#include "app/messageline.h"
#include "app/qtloadwindow.h"
#include "app/userinteraction.h"
#include "core/mainqueue.h"
#include "core/scratch.h"
#include "core/uitext.h"
#include "operations/bookpath.h"
#include "operations/devicelibrary.h"
#include "operations/devicelistmodel.h"
#include "operations/deviceoutline.h"
#include "widgets/aioutlineview.h"
#include "widgets/aitableview.h"

#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMessageBox>
#include <QPixmap>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <algorithm>
#include <cstdio>

namespace {

bool save(QWidget *widget, const QDir &dir, const char *name, bool settle = true)
{
    // Let pending layout and paint requests settle first; the first picture is taken
    // before any event runs, or the demo device would already have arrived.
    if (settle)
        processMainEventsUntil([] { return false; }, std::chrono::milliseconds(150));
    widget->ensurePolished();
    if (widget->layout())
        widget->layout()->activate();
    const QString path = dir.filePath(QString::fromUtf8(name));
    if (!widget->grab().save(path, "PNG")) {
        std::fprintf(stderr, "bookferry: cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

bool waitFor(const std::function<bool()> &condition)
{
    return processMainEventsUntil(condition, std::chrono::seconds(20));
}

} // namespace

int takeScreenshots(const ScreenshotWindow &parts, const QString &dirPath)
{
    QDir dir(dirPath);
    if (!dir.exists() && !QDir().mkpath(dirPath)) {
        std::fprintf(stderr, "bookferry: cannot make %s\n", qPrintable(dirPath));
        return 1;
    }
    QMainWindow *window = parts.window;
    bool ok = save(window, dir, "01-getting-started.png", false);

    DeviceOutline *tree = parts.devices;
    if (!waitFor([&] { return tree->ipodCount() >= 1 && !parts.deviceCard->isHidden(); })) {
        std::fprintf(stderr, "bookferry: no device arrived\n");
        return 1;
    }
    waitFor([&] { return !parts.loadWindow->isRunningModal(); });
    ok = save(window, dir, "02-device-panel.png") && ok;

    // The device's "Custom Books" list, the second list under the first device.
    const QModelIndex device = tree->model()->index(0, 0);
    const QModelIndex custom = tree->model()->index(1, 0, device);
    parts.deviceList->setCurrentIndex(custom);
    if (!waitFor([&] { return parts.table->isVisible(); })) {
        std::fprintf(stderr, "bookferry: the book list did not show\n");
        return 1;
    }
    // The covers and sizes fill in after the table shows; the picture waits for them.
    const BookCovers *covers = parts.covers;
    auto detailsShown = [&] {
        return !covers || covers->loadedRows() == parts.table->model()->rowCount();
    };
    waitFor(detailsShown);
    if (parts.table->model()->rowCount() > 1)
        parts.table->selectRow(1);
    ok = save(window, dir, "03-book-table.png") && ok;

    parts.showProgress();
    parts.progress(1, QDir::home().filePath(QStringLiteral("Books/A Tale of Two Cities.epub")).toStdString(), 2);
    waitFor([&] { return parts.progressSheet->isVisible(); });
    processMainEventsUntil([] { return false; }, std::chrono::milliseconds(100));
    ok = save(parts.progressSheet, dir, "04-progress-sheet.png") && ok;
    parts.endProgress();

    parts.about->open();
    ok = save(parts.about, dir, "05-about.png") && ok;
    parts.about->hide();

    // The staged texts are the window's own, in the language it runs in.
    const auto shown = [](const char *text) { return QCoreApplication::translate("TransferCommands", text); };
    auto question = makeQuestion(window, shown("Warning"),
                                 shown("%1 is existing. Are you sure to replace?")
                                     .arg(QDir::home().filePath(QStringLiteral("Books/A Tale of Two Cities.epub"))),
                                 {shown("NO"), shown("YES")});
    question->show();
    ok = save(question.get(), dir, "06-replace-question.png") && ok;
    question->hide();

    // How an export ends: a line under the table, not a box to dismiss.
    if (auto *line = window->findChild<MessageLine *>()) {
        const QString books = QDir::home().filePath(QStringLiteral("Books"));
        line->showMessage(shown("%1 books were exported to %2.").arg(QStringLiteral("2"), books), shown("Open Folder"),
                          QUrl::fromLocalFile(books));
        ok = save(window, dir, "13-export-finished.png") && ok;
        line->clearMessage();
    }

    // Reasons as the operations layer makes them, in the window's language.
    parts.fillFailures({{"Field Notes.epub", bookPathProblem("Field Notes/OEBPS")},
                        {"Old Atlas.epub", uiArgs(uiText("Operations", "The device is full: the book needs %1 bytes. Make room on the device and try again."), {"2483112"})}});
    parts.failures->show();
    ok = save(parts.failures, dir, "07-failure-window.png") && ok;
    parts.failures->hide();

    parts.loadWindow->show();
    ok = save(parts.loadWindow, dir, "08-load-window.png") && ok;
    parts.loadWindow->hide();

    // The device row's menu, in whatever state the kept copies give it.
    const QRect deviceRow = parts.deviceList->visualRect(device);
    if (QMenu *menu = parts.deviceList->menuForEvent(deviceRow.center())) {
        menu->popup(parts.deviceList->viewport()->mapToGlobal(deviceRow.center()));
        ok = save(menu, dir, "09-device-menu.png") && ok;
        menu->hide();
    }

    // The backup list, over copies of the device's catalogue in a folder of its own, so the
    // pictures never add to the user's kept copies.
    QTemporaryDir copies;
    std::vector<CatalogueBackup> backups;
    const QString catalogue = QString::fromStdString(
        deviceScratchPath(tree->library().deviceIdentifier(), "Books/Books.plist"));
    for (const char *created : {"2026-12-06 09:41:07.120", "2026-12-05 18:02:55.004", "2026-11-28 07:15:30.512"}) {
        const QString copy = copies.filePath(QString::number(backups.size()) + QStringLiteral(".plist"));
        QFile::copy(catalogue, copy);
        backups.push_back({copy.toStdString(), "demo", created, static_cast<uintmax_t>(QFileInfo(copy).size())});
    }
    CatalogueBackupDialog list(QStringLiteral("Demo iPhone"), backups, window);
    list.show();
    ok = save(&list, dir, "10-catalogue-backups.png") && ok;
    list.hide();
    CatalogueBackupDialog none(QStringLiteral("Demo iPhone"), {}, window);
    none.show();
    ok = save(&none, dir, "11-no-catalogue-backups.png") && ok;
    none.hide();

    // The device's own library with its covers: a book of the store and one of the library.
    parts.deviceList->setCurrentIndex(tree->model()->index(0, 0, device));
    if (!waitFor([&] { return parts.table->isVisible() && detailsShown(); })) {
        std::fprintf(stderr, "bookferry: the covers did not show\n");
        return 1;
    }
    parts.table->clearSelection();
    ok = save(window, dir, "12-book-table-covers.png") && ok;

    // The same list sorted by title, last first, and narrowed by the filter field.
    parts.table->sortByColumn(1, Qt::DescendingOrder);
    if (auto *filter = window->findChild<QLineEdit *>(QStringLiteral("bookFilterField")))
        filter->setText(QStringLiteral("the"));
    ok = save(window, dir, "14-book-table-sorted-filtered.png") && ok;

    // A reader app under the device, with its books and their covers read from the files.
    if (auto *filter = window->findChild<QLineEdit *>(QStringLiteral("bookFilterField")))
        filter->clear();
    parts.table->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    AppShelf *apps = parts.apps;
    if (!waitFor([&] { return apps->listedDevices() >= 1 && apps->idle(); })) {
        std::fprintf(stderr, "bookferry: the device's apps were not listed\n");
        return 1;
    }
    if (apps->appNodes().empty()) {
        // No reader app: the line under the device that says what to do instead.
        parts.deviceList->expand(device);
        ok = save(window, dir, "15-no-reader-hint.png") && ok;
        return ok ? 0 : 1;
    }
    parts.deviceList->setCurrentIndex(tree->model()->indexForNode(apps->appNodes().front()));
    waitFor([&] { return apps->idle() && parts.table->model()->rowCount() > 0; });
    parts.table->clearSelection();
    ok = save(window, dir, "15-reader-app.png") && ok;

    // A reader app that takes PDF: its PDFs beside its ePubs, their first pages as covers.
    const std::vector<AppShelfNode *> nodes = apps->appNodes();
    const auto pdfApp = std::find_if(nodes.begin(), nodes.end(), [](const AppShelfNode *n) { return n->app().takesPdf; });
    if (pdfApp != nodes.end()) {
        parts.deviceList->setCurrentIndex(tree->model()->indexForNode(*pdfApp));
        waitFor([&] { return apps->idle() && parts.table->model()->rowCount() > 0; });
        parts.table->clearSelection();
        ok = save(window, dir, "16-reader-app-pdfs.png") && ok;
    }
    return ok ? 0 : 1;
}
