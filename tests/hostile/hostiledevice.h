// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include "device/storage/loadiphone.h"
#include "device/folder/folderbackend.h"
#include "library/catalogue.h"
#include "library/epub.h"
#include "operations/devicelibrary.h"
#include "tempdir.h"

#include <memory>
#include <string>
#include <vector>

// A folder device with the library on top, in a folder that holds nothing else but the
// scratch folder, the device, the input files and the export folder, so a test can tell
// that a hostile input wrote nowhere else.
class HostileDevice
{
public:
    // `catalogue`: the bytes of /Books/Books.plist (none when empty).
    explicit HostileDevice(const std::string &catalogue = {});
    ~HostileDevice();
    HostileDevice(const HostileDevice &) = delete;
    HostileDevice &operator=(const HostileDevice &) = delete;

    // Plugs the device in and waits until it is surveyed; false when it did not come up.
    bool attach();

    DeviceLibrary &library() { return *m_library; }
    // The catalogue shelf's book operations, each in a context of its own.
    BookOperationResult addEPUBToDevice(const std::string &file);
    BookOperationResult saveEpubToMac(const std::string &path, const std::string &folder, bool purchased,
                                      const std::string &title);
    BookOperationResult deleteMediaFromDevice(const epub &record);
    std::string root() const { return m_base.file("device/root"); }
    std::string deviceFile(const std::string &devicePath) const { return root() + devicePath; }
    // The device's working folder, where the survey leaves its catalogue copies.
    static std::string workingFolder();
    std::string inputFile(const std::string &name) const { return m_base.file("files/" + name); }
    std::string exportDir() const { return m_base.file("export"); }
    std::string catalogueBytes() const { return readWholeFile(deviceFile("/Books/Books.plist")); }
    Catalogue deviceCatalogue() const { return Catalogue::load(deviceFile("/Books/Books.plist")); }

    // A book folder on the device, unpacked from a valid ePub.
    void addBookFolder(const std::string &path, const std::string &title);

    // What lies where it should not: beside the run's folders, in the device's root or
    // "/Books" beyond `books` (plus the catalogue), in the scratch folder beyond the
    // catalogue copies.
    std::vector<std::string> strays(const std::vector<std::string> &books) const;

private:
    TempDir m_base;
    FolderBackend *m_backend = nullptr;
    HeadlessLoadWindow m_window;
    std::unique_ptr<DeviceLibrary> m_library;
};

// A zip written with libzip for the archive cases. `raw`: the name's bytes are stored as they
// are, without an encoding flag.
struct ZipEntry
{
    std::string name;
    std::string content;
    bool raw = false;
    bool encrypted = false;
};
bool writeZip(const std::string &path, const std::vector<ZipEntry> &entries, std::string *error = nullptr);

// The MD5 of empty input, as a catalogue's hashes hold it.
inline constexpr const char *kEmptyMd5 = "D41D8CD98F00B204E9800998ECF8427E";
