// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "devicefixture.h"

#include "core/mainqueue.h"
#include "device/backend/devicefaultinjector.h"
#include "library/bookkeys.h"
#include "operations/epubarchive.h"
#include "operations/ipodtreelistcontroler.h"

#include <cctype>
#include <filesystem>

void FolderDeviceTest::SetUp()
{
    DeviceFaultInjector::instance().reset();
    auto backend = std::make_unique<FolderBackend>();
    m_backend = backend.get();
    setDeviceBackend(std::move(backend));
    FolderDeviceDescription desc;
    desc.uniqueDeviceID = "0123456789abcdef0123456789abcdef01234567";
    desc.values = {{"ProductVersion", "4.0"}, {"DeviceName", "Test Phone"}, {"SerialNumber", "SN1"}};
    desc.deviceInfo = {{"Model", "iPhone1,2"}, {"FSTotalBytes", "8589934592"}, {"FSFreeBytes", "4294967296"}};
    std::string error;
    ASSERT_TRUE(writeFolderDevice(m_deviceDir.path(), desc, &error)) << error;
    m_library = std::make_unique<DeviceLibrary>(&m_window);
    m_controller = std::make_unique<iPodTreeListControler>(*m_library);
    NotificationCenter::defaultCenter().addObserver(this, "", [this](const Notification &n) {
        if (n.name != iPodListSelectionDidChangeNotification && n.name != EjectiPodNotification)
            return;
        Posted p{n.name, std::nullopt};
        if (const auto *info = std::any_cast<NodeInfo>(&n.userInfo))
            p.info = *info;
        m_posted.push_back(p);
    });
}

void FolderDeviceTest::TearDown()
{
    NotificationCenter::defaultCenter().removeObserver(this);
    m_controller.reset();
    m_library.reset();
    setDeviceBackend(nullptr);
    DeviceFaultInjector::instance().reset();
}

void FolderDeviceTest::attach()
{
    std::string error;
    m_device = m_backend->attach(m_deviceDir.path(), &error);
    ASSERT_TRUE(m_device) << error;
    ASSERT_TRUE(processMainEventsUntil([this] { return m_controller->ipodCount() == 1 && m_window.timesRun() > 0; }));
}

void FolderDeviceTest::detach()
{
    m_backend->detach(m_device);
    ASSERT_TRUE(processMainEventsUntil([this] { return m_controller->ipodCount() == 0; }));
}

void FolderDeviceTest::writeDeviceCatalogue(const Catalogue &catalogue, const char *devicePath)
{
    ASSERT_TRUE(catalogue.write(deviceFile(devicePath)));
}

FolderDeviceTest::FolderDeviceTest() = default;
FolderDeviceTest::~FolderDeviceTest() = default;

BookOperationResult FolderDeviceTest::addEPUBToDevice(const std::string &file)
{
    return m_controller->addEPUBToDevice(file);
}

BookOperationResult FolderDeviceTest::saveEpubToMac(const std::string &path, const std::string &folder,
                                                    bool purchased, const std::string &title)
{
    return m_controller->saveEpubToMac(path, folder, purchased, title);
}

BookOperationResult FolderDeviceTest::deleteMediaFromDevice(const epub &record)
{
    return m_controller->deleteMediaFromDevice(record);
}

int FolderDeviceTest::ipodCount() const
{
    return m_controller->ipodCount();
}

TreeNodePtr FolderDeviceTest::firstDevice() const
{
    return m_controller->rootNode()->firstChild();
}

std::string FolderDeviceTest::importBook(const std::string &file)
{
    const BookOperationResult result = addEPUBToDevice(file);
    EXPECT_TRUE(result.done()) << result.message;
    return result.done() ? result.detail : std::string();
}

PlistPtr testEntry(const std::string &name, const std::string &path, bool userItem)
{
    PlistPtr entry(plist_new_dict());
    entrySetString(entry.get(), BookKey::Name, name);
    entrySetString(entry.get(), BookKey::Path, path);
    entrySetBool(entry.get(), BookKey::UserItem, userItem);
    return entry;
}

std::string upperMd5(const std::string &bytes)
{
    TempDir dir;
    writeWholeFile(dir.file("f"), bytes);
    std::string hash = md5HexOfFile(dir.file("f"));
    for (char &c : hash)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return hash;
}
