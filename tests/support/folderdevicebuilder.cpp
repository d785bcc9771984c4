// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "folderdevicebuilder.h"

#include <fcntl.h>
#include <filesystem>
#include <stdexcept>
#include <unistd.h>

namespace fs = std::filesystem;

FolderDeviceBuilder::FolderDeviceBuilder() : m_temp(std::make_unique<TempDir>()), m_dir(m_temp->path() + "/device")
{
    m_description.uniqueDeviceID = "0123456789abcdef0123456789abcdef01234567";
    fs::create_directories(m_dir + "/root");
}

FolderDeviceBuilder::FolderDeviceBuilder(std::string deviceDir) : m_dir(std::move(deviceDir))
{
    m_description.uniqueDeviceID = "0123456789abcdef0123456789abcdef01234567";
    fs::create_directories(m_dir + "/root");
}

void FolderDeviceBuilder::set(std::vector<std::pair<std::string, std::string>> &list, const std::string &key,
                              const std::string &value)
{
    erase(list, key);
    list.emplace_back(key, value);
}

void FolderDeviceBuilder::erase(std::vector<std::pair<std::string, std::string>> &list, const std::string &key)
{
    std::erase_if(list, [&](const auto &pair) { return pair.first == key; });
}

FolderDeviceBuilder &FolderDeviceBuilder::iPhone(const std::string &version)
{
    value("ProductVersion", version);
    value("SerialNumber", "C39TESTSERIAL");
    value("DeviceName", "Test iPhone");
    value("VolumeFormat", "APFS");
    model("iPhone12,1");
    deviceInfo("FSTotalBytes", "64000000000");
    deviceInfo("FSFreeBytes", "32000000000");
    return *this;
}

FolderDeviceBuilder &FolderDeviceBuilder::udid(const std::string &udid)
{
    m_description.uniqueDeviceID = udid;
    return *this;
}

FolderDeviceBuilder &FolderDeviceBuilder::paired(bool paired)
{
    m_description.paired = paired;
    return *this;
}

FolderDeviceBuilder &FolderDeviceBuilder::value(const std::string &key, const std::string &v)
{
    set(m_description.values, key, v);
    return *this;
}

FolderDeviceBuilder &FolderDeviceBuilder::model(const std::string &model)
{
    return deviceInfo("Model", model);
}

FolderDeviceBuilder &FolderDeviceBuilder::deviceInfo(const std::string &key, const std::string &v)
{
    set(m_description.deviceInfo, key, v);
    return *this;
}

FolderDeviceBuilder &FolderDeviceBuilder::file(const std::string &devicePath, const std::string &content)
{
    writeWholeFile(local(devicePath), content);
    return *this;
}

FolderDeviceBuilder &FolderDeviceBuilder::sparseFile(const std::string &devicePath, uint64_t size)
{
    const std::string path = local(devicePath);
    fs::create_directories(fs::path(path).parent_path());
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0 || ::ftruncate(fd, static_cast<off_t>(size)) != 0)
        throw std::runtime_error("cannot make " + path);
    ::close(fd);
    return *this;
}

FolderDeviceBuilder &FolderDeviceBuilder::folder(const std::string &devicePath)
{
    fs::create_directories(local(devicePath));
    return *this;
}

const std::string &FolderDeviceBuilder::write()
{
    std::string error;
    if (!writeFolderDevice(m_dir, m_description, &error))
        throw std::runtime_error(error);
    return m_dir;
}

std::string FolderDeviceBuilder::local(const std::string &devicePath) const
{
    return m_dir + "/root" + (devicePath.empty() || devicePath[0] != '/' ? "/" : "") + devicePath;
}
