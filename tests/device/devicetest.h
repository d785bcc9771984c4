// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include "core/mainqueue.h"
#include "core/notificationcenter.h"
#include "device/storage/loadiphone.h"
#include "device/folder/folderbackend.h"
#include "device/backend/devicefaultinjector.h"
#include "folderdevicebuilder.h"
#include "tempdir.h"

#include <gtest/gtest.h>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

// A folder backend installed for the test, a device built in a temporary folder, a
// private scratch folder, the log captured, and device-link waits counted, not slept.
class DeviceTest : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    // Attaches the built device and opens a file-service connection on it directly
    // (without loadIPhone), for the file-function tests.
    userDataIphone *openDevice();

    // Brings up loadIPhone on a headless load window; the device is not attached yet.
    void startLink();
    // Attaches a device folder and lets the arrival run to its end; `before` may set the
    // backend's test hooks on the device before its arrival is handled.
    am_device *plugIn(const std::string &dir, const std::function<void(am_device *)> &before = {});
    // Builds the device, plugs it into a fresh link and returns the survey it produced.
    std::optional<StringDictionary> survey();
    void unplug(am_device *device);

    std::vector<std::string> logLines() const;
    bool logged(const std::string &text) const;
    std::vector<std::string> observed(const std::string &name) const;
    std::optional<StringDictionary> lastSurvey() const;

    FolderDeviceBuilder device;
    ScopedScratch scratch;
    TempDir local;
    FolderBackend *backend = nullptr;
    loadIPhone *link = nullptr;
    HeadlessLoadWindow window;
    userDataIphone record;
    std::vector<unsigned int> sleeps;

private:
    mutable std::mutex m_mutex;
    std::vector<std::string> m_log;
    std::vector<std::string> m_notifications;
    std::optional<StringDictionary> m_survey;
};

// Standard output of a call, as lines.
std::vector<std::string> stdoutLines(const std::function<void()> &call);
