// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include <QString>

class mainControler;

// Walks the main window through its states on the device it was started with and writes a
// PNG of each (getting started, device panel, book table, progress sheet, about box, replace
// question, failure and load windows, the device menu, the catalogue backup list, the
// library's table with its covers and the end of an export) into `dir`. Returns the
// process exit code.
int takeScreenshots(mainControler &controller, const QString &dir);
