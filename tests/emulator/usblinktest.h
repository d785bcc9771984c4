// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

// The program's device link over the imobiledevice backend, to a device the emulator serves.

#include "core/mainqueue.h"
#include "device/storage/loadiphone.h"
#include "device/usb/imobiledevicebackend.h"
#include "emulatorharness.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>

class UsbLinkTest : public ::testing::Test
{
protected:
    TempDir tmp;
    EmulatorProcess emulator{tmp.path()};
    std::unique_ptr<loadIPhone> link;

    void TearDown() override
    {
        NotificationCenter::defaultCenter().removeObserver(&m_tag);
        link.reset();
        setDeviceBackend(nullptr);
        ::unsetenv("USBMUXD_SOCKET_ADDRESS");
    }
    // The emulator started with `arguments` (options, then device folders), found by what
    // this process starts next.
    bool startEmulator(const std::vector<std::string> &arguments)
    {
        if (!emulator.start(arguments))
            return false;
        ::setenv("USBMUXD_SOCKET_ADDRESS", ("UNIX:" + emulator.socketPath()).c_str(), 1);
        return true;
    }
    // startEmulator, then the link up and its survey done; nullptr when it did not come up.
    userDataIphone *startLink(const std::vector<std::string> &arguments)
    {
        if (!startEmulator(arguments))
            return nullptr;
        std::string error;
        setDeviceBackend(makeIMobileDeviceBackend("", &error));
        NotificationCenter::defaultCenter().addObserver(&m_tag, DeviceInfoNotification,
                                                        [this](const Notification &) { m_surveyed = true; });
        link.reset(loadIPhone::initDevice(nullptr));
        if (!link || !processMainEventsUntil([this] { return m_surveyed.load(); }, std::chrono::seconds(60)))
            return nullptr;
        return link->user_data();
    }

private:
    std::atomic_bool m_surveyed{false};
    const int m_tag = 0;
};
