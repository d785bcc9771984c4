// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include "notificationcenter.h"

#include <QString>

class mainControler;

// The right side of the main window in its three states: the getting-started picture when
// nothing is selected, the device card (picture, names, sizes and the storage bar) for a
// device row, and the book table for a book list. Sizes are shown in gigabytes from one
// gigabyte up, in megabytes below.
//
// Threads: main thread only; it sets the window's outlets and never outlives the window.
class DevicePanel
{
public:
    explicit DevicePanel(mainControler &window)
        : m_window(window)
    {
    }

    void showGettingStarted();
    // The device is gone: the picture again, the album choice hidden.
    void showDeviceGone();
    void showDevice(const StringDictionary &values);
    void showBookList();

    void setProductViewImage(int modelNumber);
    static QString BytesToMB(double bytes);
    static QString BytesToGB(double bytes);
    // The picture file of a model number.
    static QString productImageName(int modelNumber);

private:
    void hideBookCount();
    mainControler &m_window;
};
