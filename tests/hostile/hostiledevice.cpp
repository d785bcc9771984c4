// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "hostiledevice.h"

#include "core/mainqueue.h"
#include "core/scratch.h"
#include "device/backend/devicefaultinjector.h"
#include "epubbuilder.h"
#include "operations/epubarchive.h"

#include <zip.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;

namespace {
constexpr const char *kUdid = "b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0";

void addStrays(std::vector<std::string> &out, const std::string &dir, const std::vector<std::string> &allowed)
{
    std::error_code ec;
    for (auto it = fs::directory_iterator(dir, ec); !ec && it != fs::directory_iterator(); it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (std::find(allowed.begin(), allowed.end(), name) == allowed.end())
            out.push_back(dir + "/" + name);
    }
}
} // namespace

HostileDevice::HostileDevice(const std::string &catalogue)
{
    DeviceFaultInjector::instance().reset();
    for (const char *dir : {"files", "export", "scratch"})
        fs::create_directories(m_base.file(dir));
    fs::permissions(m_base.file("scratch"), fs::perms::owner_all, fs::perm_options::replace);
    ::setenv("BOOKFERRY_SCRATCH", m_base.file("scratch").c_str(), 1);
    ::setenv("BOOKFERRY_DATA_DIR", m_base.file("data").c_str(), 1);
    resetScratchDir();
    FolderDeviceDescription desc;
    desc.uniqueDeviceID = kUdid;
    desc.values = {{"ProductVersion", "16.7"}, {"DeviceName", "Hostile Phone"}, {"SerialNumber", "HOSTILE"}};
    desc.deviceInfo = {{"Model", "iPhone12,1"}, {"FSTotalBytes", "8589934592"}, {"FSFreeBytes", "4294967296"}};
    std::string error;
    writeFolderDevice(m_base.file("device"), desc, &error);
    fs::create_directories(deviceFile("/Books"));
    if (!catalogue.empty())
        writeWholeFile(deviceFile("/Books/Books.plist"), catalogue);
    auto backend = std::make_unique<FolderBackend>();
    m_backend = backend.get();
    setDeviceBackend(std::move(backend));
    m_library = std::make_unique<DeviceLibrary>(&m_window);
    m_library->setReplaceQuestion([](const std::string &) { return false; });
}

HostileDevice::~HostileDevice()
{
    m_library.reset();
    setDeviceBackend(nullptr);
    ::unsetenv("BOOKFERRY_SCRATCH");
    ::unsetenv("BOOKFERRY_DATA_DIR");
    resetScratchDir();
}

BookOperationResult HostileDevice::addEPUBToDevice(const std::string &file)
{
    BookContext context = m_library->bookContext();
    return BookShelf::wholeBook(context, m_library->books().startImport(context, file));
}

BookOperationResult HostileDevice::saveEpubToMac(const std::string &path, const std::string &folder,
                                                 bool purchased, const std::string &title)
{
    BookContext context = m_library->bookContext();
    return BookShelf::wholeBook(context,
                                m_library->books().startExport(context, path, folder, purchased, title));
}

BookOperationResult HostileDevice::deleteMediaFromDevice(const epub &record)
{
    BookContext context = m_library->bookContext();
    return m_library->books().removeBook(context, record);
}

bool HostileDevice::attach()
{
    if (!m_backend->attach(m_base.file("device")))
        return false;
    // Surveyed, and the arrival over: a session opened on this thread reaches the device.
    return processMainEventsUntil([this] {
        if (m_window.timesRun() == 0)
            return false;
        const std::shared_ptr<DeviceSession> session = m_library->openSession();
        return session && session->data()->dev;
    });
}

void HostileDevice::addBookFolder(const std::string &path, const std::string &title)
{
    const std::string file = m_base.file("book.tmp");
    EpubBuilder::validBook(title, "Someone").write(file);
    std::string error;
    unpackEpubArchive(file, deviceFile("/Books/" + path), &error);
    fs::remove(file);
}

std::string HostileDevice::workingFolder()
{
    return deviceScratchDir(kUdid);
}

std::vector<std::string> HostileDevice::strays(const std::vector<std::string> &books) const
{
    std::vector<std::string> out;
    addStrays(out, m_base.path(), {"files", "export", "scratch", "device", "data"});
    addStrays(out, root(), {"Books", "com.apple.itunes.lock_sync"});
    std::vector<std::string> allowed = books;
    allowed.push_back("Books.plist");
    addStrays(out, root() + "/Books", allowed);
    const fs::path process = processScratchDir();
    const fs::path copies = deviceScratchDir(kUdid);
    addStrays(out, m_base.file("scratch"), {process.filename().string()});
    addStrays(out, process.string(), {"lock", copies.filename().string()});
    addStrays(out, copies.string(), {"Books"});
    addStrays(out, (copies / "Books").string(), {"Books.plist", "Purchases"});
    return out;
}

bool writeZip(const std::string &path, const std::vector<ZipEntry> &entries, std::string *error)
{
    int code = 0;
    zip_t *zip = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    if (!zip)
        return false;
    for (const ZipEntry &e : entries) {
        zip_source_t *source = zip_source_buffer(zip, e.content.data(), e.content.size(), 0);
        const zip_int64_t index =
            source ? zip_file_add(zip, e.name.c_str(), source, e.raw ? ZIP_FL_ENC_RAW : ZIP_FL_ENC_UTF_8) : -1;
        if (index < 0) {
            zip_source_free(source);
            if (error)
                *error = zip_strerror(zip);
            zip_discard(zip);
            return false;
        }
        // An empty entry is stored: a deflate stream set up for nothing costs a large allocation
        // each, which under AddressSanitizer is a map and an unmap of its own.
        if (e.content.empty() &&
            zip_set_file_compression(zip, static_cast<zip_uint64_t>(index), ZIP_CM_STORE, 0) != 0) {
            if (error)
                *error = zip_strerror(zip);
            zip_discard(zip);
            return false;
        }
        if (e.encrypted &&
            zip_file_set_encryption(zip, static_cast<zip_uint64_t>(index), ZIP_EM_AES_256, "secret") != 0) {
            if (error)
                *error = zip_strerror(zip);
            zip_discard(zip);
            return false;
        }
    }
    if (zip_close(zip) != 0) {
        if (error)
            *error = zip_strerror(zip);
        zip_discard(zip);
        return false;
    }
    return true;
}
