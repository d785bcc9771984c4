// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>

#include <map>
#include <string>

class MediaTableModel;
class QMainWindow;
class QModelIndex;
class QSplitter;
class QTableView;
class DeviceOutline;

// What the window keeps between runs, in the preferences (QSettings): its size and place, the
// split between the device list and the right side, the book table's column widths, order
// and sort (by column identifier, so they follow a column into every list that has it), and
// for each device the list last shown ("iTunes Books", "Custom Books" or a reader app), which
// is shown again the first time that device comes in a run. The Name column takes the width
// the others leave.
//
// Threads: main thread only.
class WindowMemory final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(WindowMemory)
public:
    struct Parts
    {
        QMainWindow *window = nullptr;
        QSplitter *split = nullptr;
        QTableView *table = nullptr;
        MediaTableModel *columns = nullptr;
        DeviceOutline *devices = nullptr;
    };
    WindowMemory(const Parts &parts, QObject *parent);

    // At start, before the window is shown: its size, place and split, and the kept columns.
    void restore();
    // Writes everything kept to the preferences (the window is closing, or going).
    void save();

    // Around a change of the table's columns: the layout the user gave the shown columns is
    // kept first, then given to the new ones.
    void keepColumns();
    void applyColumns();

    // The preference keys.
    static constexpr const char *kGeometryKey = "Window/Geometry";
    static constexpr const char *kSplitKey = "Window/Split";
    static constexpr const char *kWidthsKey = "BookTable/ColumnWidths";
    static constexpr const char *kOrderKey = "BookTable/ColumnOrder";
    static constexpr const char *kSortColumnKey = "BookTable/SortColumn";
    static constexpr const char *kSortOrderKey = "BookTable/SortOrder";
    static constexpr const char *kListsGroup = "ShownLists";

private:
    void listSelected();
    void devicesInserted(const QModelIndex &parent, int first, int last);
    void showKeptList(const std::string &device);
    // The connected device's identifier; empty while none is open.
    std::string deviceIdentifier() const;

    Parts m_parts;
    std::map<QString, int> m_widths; // by column identifier
    QStringList m_order;             // identifiers, in the order shown
    QString m_sortColumn;            // empty: the list's own order
    int m_sortOrder = 0;
    QSet<QString> m_devicesSeen; // a device's kept list is shown on its first arrival only
    QString m_pendingDevice;     // a kept app not listed yet, shown when its node comes
    QString m_pendingList;
};
