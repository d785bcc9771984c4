// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include "core/notificationcenter.h"

#include <QObject>
#include <QString>

#include <functional>

class LinkButton;
class QLabel;
struct DeviceArrivalFailure;
namespace Ui {
class MainWindow;
}

// The right side of the main window in its three states: the getting-started picture when
// nothing is selected, the device card (picture, names, sizes and the storage bar) for a
// device row, and the book table for a book list. Sizes are shown in gigabytes from one
// gigabyte up, in megabytes below.
//
// Beside the getting-started picture, on the USB link, a link offers the demo device; a
// scratch folder that cannot be used is explained above it, as no device could be listed.
//
// The buttons under the table are the book table's; the panel only shows and hides.
//
// Threads: main thread only; it runs the right side of the window's form and is destroyed
// before the form.
class DevicePanel final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DevicePanel)
public:
    // Adds its message line above the getting-started picture.
    explicit DevicePanel(const Ui::MainWindow &form, QObject *parent = nullptr);

    // The getting-started state, the demo link and the scratch folder's problem; once the
    // window is built.
    void setUp();
    // What the demo link runs; true when the demo device is on its way. By default the
    // program starts again with --device demo and this window closes.
    static void setDemoLauncher(std::function<bool()> launcher);

    void showGettingStarted();
    // The device is gone: the picture again, the album choice hidden.
    void showDeviceGone();
    void showDevice(const StringDictionary &values);
    void showBookList();
    // Why an attached device could not be opened (locked, not trusted).
    void showArrivalFailure(const DeviceArrivalFailure &failure);
    QLabel *messageLabel() const { return m_message; }

    void setProductViewImage(int modelNumber);
    static QString BytesToMB(double bytes);
    static QString BytesToGB(double bytes);
    // The picture file of a model number.
    static QString productImageName(int modelNumber);

private:
    void hideBookCount();
    void showDemoLink(bool show);
    void tryDemoDevice();
    const Ui::MainWindow &m_form;
    QLabel *m_message = nullptr;      // owned by the window; hidden while there is nothing to say
    LinkButton *m_demoLink = nullptr; // owned by the window; null unless on the USB link
};
