// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// The enabling rules of the book table's buttons and menu items, one row per window state.
#include "app/commandrules.h"

#include <gtest/gtest.h>


#include <set>

namespace {

const QString kApp = QStringLiteral("Bookferry");
const std::set<QString> kAlways = {QStringLiteral("Home Page"), QStringLiteral("Bookferry Help"),
                                   QStringLiteral("About Bookferry")};
const std::set<QString> kImport = {QStringLiteral("Import to Device..."), QStringLiteral("File to Device"),
                                   QStringLiteral("Folder to Device"), QStringLiteral("Delete check item")};
const std::set<QString> kDeleteHighlighted = {QStringLiteral("Delete selected item"),
                                              QStringLiteral("Delete selected contents")};

std::set<QString> with(std::set<QString> base, std::initializer_list<std::set<QString>> more)
{
    for (const auto &set : more)
        base.insert(set.begin(), set.end());
    return base;
}
std::set<QString> titles(std::initializer_list<const char *> names)
{
    std::set<QString> out;
    for (const char *name : names)
        out.insert(QString::fromUtf8(name));
    return out;
}

// A list of three books on a connected device, the panel shown, nothing highlighted.
CommandState listOfThree(int checked, bool custom)
{
    CommandState s;
    s.deviceConnected = true;
    s.customListSelected = custom;
    s.panelShown = true;
    s.records = 3;
    s.checked = checked;
    s.unchecked = 3 - checked;
    return s;
}
CommandState highlight(CommandState s, int checked, int unchecked, int pastTheEnd = 0)
{
    s.highlighted = checked + unchecked + pastTheEnd;
    s.highlightedRecords = checked + unchecked;
    s.highlightedChecked = checked;
    s.highlightedUnchecked = unchecked;
    return s;
}

struct Row
{
    const char *name;
    CommandState state;
    std::set<QString> enabled;
    bool exportButton, importButton, checkAllBox;
};

} // namespace

TEST(CommandRules, EveryStateEnablesExactlyItsCommands)
{
    CommandState nothing;
    CommandState deviceRow;
    deviceRow.deviceConnected = deviceRow.rootSelected = deviceRow.panelShown = true;
    CommandState rootWithStaleRecords = listOfThree(3, false);
    rootWithStaleRecords.rootSelected = true;
    CommandState gone = highlight(listOfThree(2, true), 1, 0);
    gone.deviceConnected = false;
    CommandState panelHidden = highlight(listOfThree(1, true), 1, 1);
    panelHidden.panelShown = false;
    CommandState running = highlight(listOfThree(1, true), 1, 1);
    running.transferRunning = true;
    CommandState emptyCustom = listOfThree(0, true);
    emptyCustom.records = emptyCustom.unchecked = 0;

    const Row rows[] = {
        {"nothing selected", nothing, kAlways, false, false, true},
        {"device row", deviceRow, kAlways, false, false, true},
        {"device row over records not yet cleared", rootWithStaleRecords, with(kAlways, {titles({"Export to Mac"})}),
         true, false, true},
        {"store list, all checked", listOfThree(3, false), with(kAlways, {titles({"Uncheck All", "Export to Mac"})}),
         true, false, true},
        {"store list, none checked", listOfThree(0, false), with(kAlways, {titles({"Check All"})}), false, false, true},
        {"custom list, empty", emptyCustom, with(kAlways, {kImport}), false, true, true},
        {"custom list, one checked row highlighted", highlight(listOfThree(1, true), 1, 0),
         with(kAlways, {kImport, kDeleteHighlighted,
                        titles({"Check All", "Uncheck All", "Uncheck Selected", "Export to Mac",
                                "Export select contents to Mac"})}),
         true, true, true},
        {"custom list, checked and unchecked rows highlighted", highlight(listOfThree(1, true), 1, 1),
         with(kAlways, {kImport, kDeleteHighlighted,
                        titles({"Check All", "Uncheck All", "Check Selected", "Uncheck Selected", "Export to Mac",
                                "Export select contents to Mac"})}),
         true, true, true},
        {"custom list, panel hidden", panelHidden,
         with(kAlways, {kImport, kDeleteHighlighted,
                        titles({"Check All", "Uncheck All", "Export to Mac", "Export select contents to Mac"})}),
         true, true, true},
        {"highlighted row past the records", highlight(listOfThree(0, true), 0, 0, 1),
         with(kAlways, {kImport, kDeleteHighlighted, titles({"Check All"})}), false, true, true},
        {"device gone, records still listed", gone,
         with(kAlways, {kImport, kDeleteHighlighted, titles({"Check All", "Uncheck All", "Uncheck Selected"})}), false,
         true, true},
        {"transfer running", running, kAlways, false, false, false},
    };

    // Every title some state enables, and one no state knows.
    std::set<QString> known = {QStringLiteral("Some other title")};
    for (const Row &row : rows)
        known.insert(row.enabled.begin(), row.enabled.end());
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        for (const QString &title : known)
            EXPECT_EQ(commandEnabled(row.state, title, kApp), row.enabled.count(title) == 1) << title.toStdString();
        const ButtonRules buttons = buttonRules(row.state);
        EXPECT_EQ(buttons.exportButton, row.exportButton);
        EXPECT_EQ(buttons.importButton, row.importButton);
        EXPECT_EQ(buttons.checkAllBox, row.checkAllBox);
    }
}
