// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include "core/notificationcenter.h"
#include "device/storage/loadiphone.h"
#include "device/folder/folderbackend.h"
#include "library/catalogue.h"
#include "library/nodeinfo.h"
#include "library/treenode.h"
#include "operations/devicelibrary.h"
#include "tempdir.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

class iPodTreeListControler;

// A folder device, the library and the controller on top of it, and a record of what the controller posts.
// attach() plugs the device in and waits until the survey's node is in the tree.
class FolderDeviceTest : public ::testing::Test
{
protected:
    FolderDeviceTest();
    ~FolderDeviceTest() override;
    void SetUp() override;
    void TearDown() override;

    void attach();
    void detach();

    std::string deviceFile(const std::string &relative) const { return m_deviceDir.file("root" + relative); }
    // Writes a catalogue into the device (before attach(), so the survey copies it).
    void writeDeviceCatalogue(const Catalogue &catalogue, const char *devicePath = "/Books/Books.plist");
    Catalogue deviceCatalogue() const { return Catalogue::load(deviceFile("/Books/Books.plist")); }
    std::string importBook(const std::string &file); // the new "Path", empty on failure (test fails)
    // The device list's book operations, each in a context of its own.
    BookOperationResult addEPUBToDevice(const std::string &file);
    BookOperationResult saveEpubToMac(const std::string &path, const std::string &folder, bool purchased,
                                      const std::string &title);
    BookOperationResult deleteMediaFromDevice(const epub &record);
    // The devices the list shows, and the first one's node.
    int ipodCount() const;
    TreeNodePtr firstDevice() const;

    struct Posted
    {
        std::string name;
        std::optional<NodeInfo> info;
    };
    std::vector<Posted> m_posted;

    ScopedScratch m_scratch;
    TempDir m_deviceDir;
    TempDir m_files;
    FolderBackend *m_backend = nullptr;
    am_device *m_device = nullptr;
    HeadlessLoadWindow m_window;
    std::unique_ptr<DeviceLibrary> m_library;
    std::unique_ptr<iPodTreeListControler> m_controller;
};

// One catalogue entry for tests.
PlistPtr testEntry(const std::string &name, const std::string &path, bool userItem);
// The MD5 of `bytes` in capitals, as a catalogue's hashes hold it.
std::string upperMd5(const std::string &bytes);
