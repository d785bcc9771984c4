// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include "operations/bookoperationresult.h"

#include <QString>

#include <functional>
#include <string>

class AIOutLineView;
class AITableView;
class AppShelf;
class BookCovers;
class QDialog;
class QMainWindow;
class QWidget;
class QtLoadWindow;
class DeviceOutline;

// What the pictures are taken of, and the window's own commands for the progress sheet and
// the failure window, so that they show exactly as a transfer shows them.
struct ScreenshotWindow
{
    QMainWindow *window = nullptr;
    DeviceOutline *devices = nullptr;
    AIOutLineView *deviceList = nullptr;
    AITableView *table = nullptr;
    const QWidget *deviceCard = nullptr;
    QtLoadWindow *loadWindow = nullptr;
    const BookCovers *covers = nullptr;
    AppShelf *apps = nullptr;
    QDialog *progressSheet = nullptr;
    QDialog *about = nullptr;
    QDialog *failures = nullptr;
    std::function<void()> showProgress;
    std::function<void(int index, const std::string &title, int count)> progress;
    std::function<void()> endProgress;
    std::function<void(const BookFailureList &)> fillFailures;
};

// Walks the main window through its states on the device it was started with and writes a
// PNG of each (getting started, device panel, book table, progress sheet, about box, replace
// question, failure and load windows, the device menu, the catalogue backup list, the
// library's table with its covers and the end of an export) into `dir`. Returns the
// process exit code.
int takeScreenshots(const ScreenshotWindow &parts, const QString &dir);
