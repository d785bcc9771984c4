// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "folderdevice.h"

#include "core/fullio.h"

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <unistd.h>

namespace {

// Only a regular file, opened without waiting: an app's Info.plist that is a FIFO or a
// folder is no app, and must not hold the service that lists them.
PlistPtr readPlistFile(const std::string &path)
{
    const std::optional<std::string> data = readRegularFile(path, 64u << 20);
    if (!data || data->empty())
        return nullptr;
    plist_t raw = nullptr;
    plist_from_memory(data->data(), uint32_t(data->size()), &raw);
    return PlistPtr(raw);
}

void setData(plist_t dict, const char *key, const std::string &value)
{
    plist_dict_set_item(dict, key, plist_new_data(value.data(), value.size()));
}

std::optional<std::string> dataText(plist_t dict, const char *key)
{
    plist_t node = plist_dict_get_item(dict, key);
    if (!node || plist_get_node_type(node) != PLIST_DATA)
        return std::nullopt;
    char *bytes = nullptr;
    uint64_t len = 0;
    plist_get_data_val(node, &bytes, &len);
    std::string result = bytes ? std::string(bytes, len) : std::string();
    free(bytes);
    return result;
}

struct PairingKey
{
    const char *name;
    std::string PairingMaterial::*field;
    bool data;
};
const PairingKey PairingKeys[] = {
    {"HostID", &PairingMaterial::hostId, false},
    {"SystemBUID", &PairingMaterial::systemBuid, false},
    {"RootCertificate", &PairingMaterial::rootCertificate, true},
    {"RootPrivateKey", &PairingMaterial::rootPrivateKey, true},
    {"HostCertificate", &PairingMaterial::hostCertificate, true},
    {"HostPrivateKey", &PairingMaterial::hostPrivateKey, true},
    {"DeviceCertificate", &PairingMaterial::deviceCertificate, true},
    {"DevicePrivateKey", &PairingMaterial::devicePrivateKey, true},
    {"DevicePublicKey", &PairingMaterial::devicePublicKey, true},
};

} // namespace

FolderDevice::FolderDevice(std::string dir, std::string udid)
    : m_dir(std::move(dir))
    , m_udid(std::move(udid))
    , m_folder(m_dir + "/root")
{
}

FolderDevice::~FolderDevice()
{
    SSL_CTX_free(m_tls);
}

std::unique_ptr<FolderDevice> FolderDevice::load(const std::string &dir, std::string *error)
{
    PlistPtr plist = readPlistFile(dir + "/device.plist");
    if (!plist || plist_get_node_type(plist.get()) != PLIST_DICT) {
        *error = dir + "/device.plist is missing or is not a plist dictionary";
        return nullptr;
    }
    auto udid = plistString(plist.get(), "UniqueDeviceID");
    if (!udid || udid->empty() || udid->size() > 43) {
        *error = dir + "/device.plist has no usable UniqueDeviceID (1 to 43 characters)";
        return nullptr;
    }
    // libusbmuxd turns a 24-character serial into the dashed 8-16 form; advertise that
    // form, so that usbmuxd, pair records and lockdownd agree on one identifier.
    if (udid->size() == 24 && udid->find('-') == std::string::npos)
        udid->insert(udid->begin() + 8, '-'); // (the position form makes gcc 12 warn: -Wrestrict)
    std::unique_ptr<FolderDevice> device(new FolderDevice(dir, *udid));
    device->m_paired = plistBool(plist.get(), "Paired").value_or(true);
    plist_t values = plist_dict_get_item(plist.get(), "Values");
    device->m_values.reset(values && plist_get_node_type(values) == PLIST_DICT ? plist_copy(values) : plist_new_dict());
    plist_t info = plist_dict_get_item(plist.get(), "DeviceInfo");
    device->m_deviceInfo.reset(info && plist_get_node_type(info) == PLIST_DICT ? plist_copy(info) : plist_new_dict());
    if (!device->loadOrCreatePairing(error) || !device->makeTlsContext(error))
        return nullptr;
    // Keys the library itself reads, kept consistent with what usbmuxd advertises.
    plist_dict_set_item(device->m_values.get(), "UniqueDeviceID", plist_new_string(device->m_udid.c_str()));
    setData(device->m_values.get(), "DevicePublicKey", device->m_pairing.devicePublicKey);
    if (!plist_dict_get_item(device->m_values.get(), "WiFiAddress"))
        plist_dict_set_item(device->m_values.get(), "WiFiAddress", plist_new_string("02:00:00:00:00:01"));
    device->m_trustedHosts.insert(device->m_pairing.hostId);
    return device;
}

bool FolderDevice::loadOrCreatePairing(std::string *error)
{
    const std::string path = m_dir + "/emulator-pairing.plist";
    if (PlistPtr cached = readPlistFile(path); cached && plist_get_node_type(cached.get()) == PLIST_DICT) {
        bool complete = true;
        for (const auto &key : PairingKeys) {
            auto v = key.data ? dataText(cached.get(), key.name) : plistString(cached.get(), key.name);
            complete = complete && v && !v->empty();
            if (v)
                m_pairing.*key.field = *v;
        }
        if (complete)
            return true;
    }
    if (!generatePairingMaterial(m_pairing, error))
        return false;
    PlistPtr dict(plist_new_dict());
    for (const auto &key : PairingKeys) {
        if (key.data)
            setData(dict.get(), key.name, m_pairing.*key.field);
        else
            plist_dict_set_item(dict.get(), key.name, plist_new_string((m_pairing.*key.field).c_str()));
    }
    // Written beside the device and renamed, so an interrupted run never leaves half a file.
    const std::string xml = plistToXml(dict.get());
    const std::string tmp = path + ".tmp";
    std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
    out << xml;
    out.close();
    if (!out || std::rename(tmp.c_str(), path.c_str()) != 0) {
        std::remove(tmp.c_str());
        *error = "cannot write " + path;
        return false;
    }
    return true;
}

bool FolderDevice::makeTlsContext(std::string *error)
{
    m_tls = SSL_CTX_new(TLS_server_method());
    if (!m_tls) {
        *error = "cannot create a TLS context";
        return false;
    }
    // Devices before 10.0 get TLS 1.0 from the client, which needs security level 0.
    SSL_CTX_set_security_level(m_tls, 0);
    SSL_CTX_set_min_proto_version(m_tls, TLS1_VERSION);
    SSL_CTX_set_cipher_list(m_tls, "DEFAULT:@SECLEVEL=0");
    SSL_CTX_set_verify(m_tls, SSL_VERIFY_NONE, nullptr);
    BIO *certBio = BIO_new_mem_buf(m_pairing.deviceCertificate.data(), int(m_pairing.deviceCertificate.size()));
    BIO *keyBio = BIO_new_mem_buf(m_pairing.devicePrivateKey.data(), int(m_pairing.devicePrivateKey.size()));
    X509 *cert = PEM_read_bio_X509(certBio, nullptr, nullptr, nullptr);
    EVP_PKEY *key = PEM_read_bio_PrivateKey(keyBio, nullptr, nullptr, nullptr);
    const bool ok = cert && key && SSL_CTX_use_certificate(m_tls, cert) == 1
        && SSL_CTX_use_PrivateKey(m_tls, key) == 1;
    X509_free(cert);
    EVP_PKEY_free(key);
    BIO_free(certBio);
    BIO_free(keyBio);
    if (!ok)
        *error = m_dir + "/emulator-pairing.plist holds an unusable device certificate or key";
    return ok;
}

PlistPtr FolderDevice::value(const std::string &domain, const std::string &key) const
{
    plist_t source = m_values.get();
    PlistPtr computed;
    if (domain == "com.apple.disk_usage" || domain == "com.apple.disk_usage.factory") {
        const uint64_t total = totalBytes();
        const uint64_t used = m_folder.bytesUsed();
        const uint64_t free = total > used ? total - used : 0;
        computed.reset(plist_new_dict());
        plist_dict_set_item(computed.get(), "TotalDiskCapacity", plist_new_uint(total));
        plist_dict_set_item(computed.get(), "TotalDataCapacity", plist_new_uint(total));
        plist_dict_set_item(computed.get(), "TotalDataAvailable", plist_new_uint(free));
        plist_dict_set_item(computed.get(), "AmountDataAvailable", plist_new_uint(free));
        source = computed.get();
    } else if (!domain.empty()) {
        // Other domains are kept in Values as nested dictionaries under the domain name.
        plist_t nested = plist_dict_get_item(m_values.get(), domain.c_str());
        if (!nested || plist_get_node_type(nested) != PLIST_DICT)
            return nullptr;
        source = nested;
    }
    if (key.empty())
        return PlistPtr(plist_copy(source));
    plist_t node = plist_dict_get_item(source, key.c_str());
    return node ? PlistPtr(plist_copy(node)) : nullptr;
}

int FolderDevice::majorVersion() const
{
    const auto version = plistString(m_values.get(), "ProductVersion");
    return version ? std::atoi(version->c_str()) : 0;
}

uint64_t FolderDevice::totalBytes() const
{
    if (auto text = plistScalarText(plist_dict_get_item(m_deviceInfo.get(), "FSTotalBytes")))
        return std::strtoull(text->c_str(), nullptr, 10);
    return 16ull << 30;
}

std::vector<std::string> FolderDevice::deviceInfo() const
{
    const uint64_t total = totalBytes();
    std::string free;
    if (auto text = plistScalarText(plist_dict_get_item(m_deviceInfo.get(), "FSFreeBytes"))) {
        free = *text;
    } else {
        const uint64_t used = m_folder.bytesUsed();
        free = std::to_string(total > used ? total - used : 0);
    }
    const std::string model = plistScalarText(plist_dict_get_item(m_deviceInfo.get(), "Model")).value_or("iPhone");
    return {"Model", model, "FSTotalBytes", std::to_string(total), "FSFreeBytes", free, "FSBlockSize", "4096"};
}

Bytes FolderDevice::pairRecord() const
{
    {
        std::lock_guard lock(m_mutex);
        if (!m_savedRecord.empty())
            return m_savedRecord;
    }
    PlistPtr dict(plist_new_dict());
    for (const auto &key : PairingKeys) {
        if (std::string(key.name) == "DevicePrivateKey" || std::string(key.name) == "DevicePublicKey")
            continue;
        if (key.data)
            setData(dict.get(), key.name, m_pairing.*key.field);
        else
            plist_dict_set_item(dict.get(), key.name, plist_new_string((m_pairing.*key.field).c_str()));
    }
    if (auto wifi = plistString(m_values.get(), "WiFiAddress"))
        plist_dict_set_item(dict.get(), "WiFiMACAddress", plist_new_string(wifi->c_str()));
    return plistToBinary(dict.get());
}

void FolderDevice::savePairRecord(const Bytes &record)
{
    std::lock_guard lock(m_mutex);
    m_savedRecord = record;
}

bool FolderDevice::trustsHost(const std::string &hostId) const
{
    std::lock_guard lock(m_mutex);
    return m_trustedHosts.count(hostId) > 0;
}

void FolderDevice::trustHost(const std::string &hostId)
{
    std::lock_guard lock(m_mutex);
    m_trustedHosts.insert(hostId);
}

bool FolderDevice::recordNotification(const std::string &name)
{
    std::lock_guard lock(m_logMutex);
    const std::string line = name + "\n";
    const int fd = ::open((m_dir + "/notifications.log").c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const bool ok = ::write(fd, line.data(), line.size()) == ssize_t(line.size());
    ::close(fd);
    return ok;
}

namespace {

bool safeIdentifier(const std::string &identifier)
{
    if (identifier.empty() || identifier.size() > 255 || identifier == "." || identifier == "..")
        return false;
    for (char c : identifier)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '.' && c != '-' && c != '_')
            return false;
    return true;
}

std::optional<std::string> realPathOf(const std::string &path)
{
    char *real = ::realpath(path.c_str(), nullptr);
    if (!real)
        return std::nullopt;
    std::string result(real);
    free(real);
    return result;
}

} // namespace

bool FolderDevice::locked() const
{
    PlistPtr plist = readPlistFile(m_dir + "/device.plist");
    return plist && plistBool(plist.get(), "Locked").value_or(false);
}

PlistPtr FolderDevice::app(const std::string &identifier) const
{
    if (!safeIdentifier(identifier))
        return nullptr;
    PlistPtr info = readPlistFile(m_dir + "/apps/" + identifier + "/Info.plist");
    if (!info || plist_get_node_type(info.get()) != PLIST_DICT || plistString(info.get(), "CFBundleIdentifier") != identifier)
        return nullptr;
    return info;
}

std::vector<PlistPtr> FolderDevice::apps() const
{
    std::vector<std::string> names;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(m_dir + "/apps", ec), end; !ec && it != end; it.increment(ec))
        names.push_back(it->path().filename().string());
    std::sort(names.begin(), names.end());
    std::vector<PlistPtr> result;
    for (const auto &name : names)
        if (PlistPtr info = app(name))
            result.push_back(std::move(info));
    return result;
}

Bytes FolderDevice::appIcon(const std::string &identifier) const
{
    if (!app(identifier))
        return {};
    const std::optional<std::string> png = readRegularFile(m_dir + "/apps/" + identifier + "/icon.png", (2u << 20) - 1);
    return png ? Bytes(png->begin(), png->end()) : Bytes();
}

std::optional<std::string> FolderDevice::appContainer(const std::string &identifier) const
{
    if (!safeIdentifier(identifier))
        return std::nullopt;
    const auto container = realPathOf(m_dir + "/apps/" + identifier + "/container");
    const auto device = realPathOf(m_dir);
    if (!container || !device || container->rfind(*device + "/", 0) != 0)
        return std::nullopt;
    return container;
}

Bytes FolderDevice::escrowBag() const
{
    const Bytes record = pairRecord();
    plist_t raw = nullptr;
    plist_from_memory(reinterpret_cast<const char *>(record.data()), uint32_t(record.size()), &raw);
    PlistPtr dict(raw);
    auto bag = dict ? dataText(dict.get(), "EscrowBag") : std::nullopt;
    return bag ? Bytes(bag->begin(), bag->end()) : Bytes();
}
