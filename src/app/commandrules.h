// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include <QString>

// The enabling rules of the book table's buttons and of every validated menu item, as pure
// functions of a small state value: the window reads the state from the device list and the
// table, and applies what these return. Two words mean different things here: a *checked*
// record carries a check mark in column 0 (epub::isSelect); a *highlighted* row is selected
// in the table's selection model. Every command on checked records ("Check All", "Uncheck
// All", "Export to Mac", "Delete check item") acts on the rows the filter shows.
struct CommandState
{
    bool transferRunning = false;    // a transfer, deletion or restore holds the transfer slot
    bool deviceConnected = false;    // the device list counts a device
    bool customListSelected = false; // the "Custom Books" list is the selected node
    bool rootSelected = false;       // a device row is among the selected nodes
    bool panelShown = false;         // the device panel (box) is visible
    int records = 0;                 // rows of the book table
    int checked = 0;                 // records with a check mark
    int unchecked = 0;               // records without one
    int hiddenChecked = 0;           // checked records the table's filter hides
    int hiddenUnchecked = 0;         // unchecked records the table's filter hides
    int highlighted = 0;             // highlighted rows
    int highlightedRecords = 0;      // highlighted rows that name a record
    int highlightedChecked = 0;      // highlighted records with a check mark
    int highlightedUnchecked = 0;    // highlighted records without one
};

struct ButtonRules
{
    bool exportButton = false; // "ipod to pc": export the checked books
    bool importButton = false; // "mac to ipod": import into "Custom Books"
    bool checkAllBox = false;  // the check-all box in the table header
};

ButtonRules buttonRules(const CommandState &state);

// Enabling by the item's exact title (`appName` fills the help and about titles); a title not
// listed is disabled.
bool commandEnabled(const CommandState &state, const QString &title, const QString &appName);
