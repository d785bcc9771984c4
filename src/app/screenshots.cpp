// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "screenshots.h"

#include "aioutlineview.h"
#include "aitableview.h"
#include "devicelistmodel.h"
#include "ipodtreelistcontroler.h"
#include "maincontroler.h"
#include "mainqueue.h"
#include "qtloadwindow.h"
#include "userinteraction.h"

#include <QDialog>
#include <QDir>
#include <QFrame>
#include <QLabel>
#include <QLayout>
#include <QMainWindow>
#include <QMessageBox>
#include <QPixmap>

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

int takeScreenshots(mainControler &controller, const QString &dirPath)
{
    QDir dir(dirPath);
    if (!dir.exists() && !QDir().mkpath(dirPath)) {
        std::fprintf(stderr, "bookferry: cannot make %s\n", qPrintable(dirPath));
        return 1;
    }
    QMainWindow *window = controller.mainWindow;
    bool ok = save(window, dir, "01-getting-started.png", false);

    iPodTreeListControler *tree = controller.treeListControler;
    if (!waitFor([&] { return tree->ipodCount() >= 1 && !controller.box->isHidden(); })) {
        std::fprintf(stderr, "bookferry: no device arrived\n");
        return 1;
    }
    waitFor([&] { return !controller.loadwindow->isRunningModal(); });
    ok = save(window, dir, "02-device-panel.png") && ok;

    // The device's "Custom Books" list, the second list under the first device.
    const QModelIndex device = tree->model()->index(0, 0);
    const QModelIndex custom = tree->model()->index(1, 0, device);
    controller.iPodTableView->setCurrentIndex(custom);
    if (!waitFor([&] { return controller.mediaTableView->isVisible(); })) {
        std::fprintf(stderr, "bookferry: the book list did not show\n");
        return 1;
    }
    if (controller.mediaTableView->model()->rowCount() > 1)
        controller.mediaTableView->selectRow(1);
    ok = save(window, dir, "03-book-table.png") && ok;

    controller.showProgressWindow();
    controller.progressFun(1, QDir::home().filePath(QStringLiteral("Books/A Tale of Two Cities.epub")).toStdString(), 2);
    waitFor([&] { return controller.progressWindow->isVisible(); });
    processMainEventsUntil([] { return false; }, std::chrono::milliseconds(100));
    ok = save(controller.progressWindow, dir, "04-progress-sheet.png") && ok;
    controller.endProgressWindow();

    controller.about();
    ok = save(controller.aboultDlg, dir, "05-about.png") && ok;
    controller.closeabout();

    auto question = makeQuestion(window, QStringLiteral("Warning"),
                                 QDir::home().filePath(QStringLiteral("Books/A Tale of Two Cities.epub"))
                                     + QStringLiteral(" is existing. Are you sure to replace?"),
                                 {QStringLiteral("NO"), QStringLiteral("YES")});
    question->show();
    ok = save(question.get(), dir, "06-replace-question.png") && ok;
    question->hide();

    controller.fillFailedWindow({{"Field Notes.epub", "The file is not a readable ePub (zip) archive."},
                                 {"Old Atlas.epub", "The device refused the copy: no space left."}});
    controller.failedWindow->show();
    ok = save(controller.failedWindow, dir, "07-failure-window.png") && ok;
    controller.failedWindow->hide();

    controller.loadwindow->show();
    ok = save(controller.loadwindow, dir, "08-load-window.png") && ok;
    controller.loadwindow->hide();
    return ok ? 0 : 1;
}
