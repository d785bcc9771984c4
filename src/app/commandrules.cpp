// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "app/commandrules.h"

ButtonRules buttonRules(const CommandState &state)
{
    // One transfer at a time: nothing new starts while one runs. Export needs a device and a
    // checked book that the table shows; import (and deletion) the "Custom Books" list.
    ButtonRules rules;
    rules.checkAllBox = !state.transferRunning;
    if (state.transferRunning)
        return rules;
    rules.exportButton = state.deviceConnected && state.records > 0 && state.checked - state.hiddenChecked > 0;
    rules.importButton = state.customListSelected;
    return rules;
}

bool commandEnabled(const CommandState &state, const QString &title, const QString &appName)
{
    if (title == QLatin1String("Home Page") || title == QStringLiteral("%1 Help").arg(appName)
        || title == QStringLiteral("About %1").arg(appName))
        return true;
    if (state.transferRunning)
        return false;

    const bool listShown = !state.rootSelected && state.records > 0;
    const bool importEnabled = buttonRules(state).importButton;
    if (title == QLatin1String("Check All"))
        return listShown && state.unchecked - state.hiddenUnchecked > 0;
    if (title == QLatin1String("Uncheck All"))
        return listShown && state.checked - state.hiddenChecked > 0;
    if (title == QLatin1String("Check Selected"))
        return listShown && state.panelShown && state.highlightedUnchecked > 0;
    if (title == QLatin1String("Uncheck Selected"))
        return listShown && state.panelShown && state.highlightedChecked > 0;
    if (title == QLatin1String("Export to Mac"))
        return buttonRules(state).exportButton;
    if (title == QLatin1String("Export select contents to Mac"))
        // After a device has gone its records stay listed, but there is nothing to copy from.
        return state.deviceConnected && state.highlightedRecords > 0;
    if (title == QLatin1String("Import to Device...") || title == QLatin1String("File to Device")
        || title == QLatin1String("Folder to Device"))
        return importEnabled;
    if (title == QLatin1String("Delete selected item") || title == QLatin1String("Delete selected contents"))
        return state.highlighted > 0 && importEnabled;
    if (title == QLatin1String("Delete check item"))
        return importEnabled;
    return false;
}
