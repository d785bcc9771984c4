// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// The export of one book from the device into a folder, as "<title>.epub".
#include "devicefiles.h"
#include "epubarchive.h"
#include "ipodtreelistcontroler.h"
#include "loadiphone.h"
#include "mobiledevice.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>

namespace fs = std::filesystem;

namespace {
// A catalogue "Path" names one entry directly under the books folder, nothing else.
bool isPlainName(const std::string &name)
{
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
           name.find('\0') == std::string::npos;
}

// The title as a file name: "/", NUL and control characters become "_", and the name is
// cut (at a character boundary) so that "<name>.epub" fits the usual 255-byte limit.
std::string fileNameForTitle(const std::string &title, const std::string &fallback)
{
    std::string name;
    for (char c : title) {
        const auto u = static_cast<unsigned char>(c);
        name += (c == '/' || u < 0x20 || u == 0x7f) ? '_' : c;
    }
    // Room is left for the packer's temporary names beside the target (".part" and its own suffix).
    constexpr std::size_t kMaxBytes = 200;
    if (name.size() > kMaxBytes) {
        std::size_t cut = kMaxBytes;
        while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xc0) == 0x80)
            --cut;
        name.resize(cut);
    }
    if (name.empty())
        name = fallback;
    return name;
}
std::optional<uint64_t> deviceFileSize(const std::string &remote, userDataIphone *data)
{
    afc_dictionary *info = nullptr;
    if (AFCFileInfoOpen(data->conn, remote.c_str(), &info) != 0 || !info)
        return std::nullopt;
    std::optional<uint64_t> size;
    char *key = nullptr, *value = nullptr;
    while (AFCKeyValueRead(info, &key, &value) == 0 && key && value) {
        if (std::string(key) == "st_size") {
            size = std::strtoull(value, nullptr, 10);
            break;
        }
    }
    AFCKeyValueClose(info);
    return size;
}

// Whether the local copy holds every file of the device item with its size. The download
// goes on past a file it cannot read, and it leaves out empty files; those are made here,
// since a book may list an empty file and must not lose it.
bool localCopyIsComplete(const std::string &remote, const std::string &local, userDataIphone *data, int depth = 0)
{
    if (depth > 64)
        return false;
    std::error_code ec;
    if (!isDirectory(remote.c_str(), data)) {
        // The size must be read: a failed question is no empty file.
        const std::optional<uint64_t> size = deviceFileSize(remote, data);
        if (!size)
            return false;
        if (*size == 0 && !fs::exists(local, ec)) {
            std::ofstream(local, std::ios::binary);
            return fs::exists(local, ec);
        }
        return fs::is_regular_file(local, ec) && fs::file_size(local, ec) == *size && !ec;
    }
    afc_directory *dir = nullptr;
    if (AFCDirectoryOpen(data->conn, remote.c_str(), &dir) != 0 || !dir)
        return false;
    std::vector<std::string> names;
    char *name = nullptr;
    int rc = 0;
    while ((rc = AFCDirectoryRead(data->conn, dir, &name)) == 0 && name) {
        if (std::string(name) != "." && std::string(name) != "..")
            names.emplace_back(name);
    }
    AFCDirectoryClose(data->conn, dir);
    if (rc != 0)
        return false; // a listing cut short hides files
    fs::create_directories(local, ec);
    for (const std::string &n : names) {
        if (!localCopyIsComplete(remote + "/" + n, local + "/" + n, data, depth + 1))
            return false;
    }
    return true;
}
} // namespace

BookOperationResult iPodTreeListControler::saveEpubToMac(const std::string &path, const std::string &dstpath,
                                                         bool isbuybook, const std::string &titlename)
{
    const std::string item = titlename.empty() ? path : titlename;
    if (!isPlainName(path))
        return BookOperationResult::makeFailed(item, "the book has no usable \"Path\" in the catalogue");
    userDataIphone *data = deviceData();
    if (!data || !data->conn || !Loadiphone)
        return BookOperationResult::makeFailed(item, "no device is connected");
    std::error_code ec;
    if (!fs::is_directory(dstpath, ec))
        return BookOperationResult::makeFailed(item, "the destination is not a folder: " + dstpath);

    // The download goes to a private folder beside the target, so the copy can never be the
    // target itself (a title equal to the folder name) and the packed file is renamed in place.
    std::string downloads = (fs::path(dstpath) / ".bookferry-export-XXXXXX").string();
    if (!::mkdtemp(downloads.data()))
        return BookOperationResult::makeFailed(item, "cannot write in " + dstpath);
    struct RemoveWhenDone
    {
        std::string path;
        ~RemoveWhenDone()
        {
            std::error_code ignored;
            fs::remove_all(path, ignored);
        }
    } cleanup{downloads};

    const auto copies = Loadiphone->saveBooksFromPhoneToLocalPath(downloads, path, isbuybook, data);
    if (!copies)
        return BookOperationResult::makeFailed(item, "cannot open the device's books folder");
    if (copies->empty())
        return BookOperationResult::makeFailed(item, "the book \"" + path + "\" is not on the device");

    const std::string deviceItem = std::string(isbuybook ? "/Books/Purchases/" : "/Books/") + path;
    for (const std::string &copy : *copies) {
        if (!localCopyIsComplete(deviceItem, copy, data))
            return BookOperationResult::makeFailed(item, "could not read all of the book from the device");
    }

    const fs::path stem = fs::path(path).stem();
    const std::string target =
        (fs::path(dstpath) / (fileNameForTitle(titlename, stem.empty() ? path : stem.string()) + ".epub")).string();
    BookOperationResult result = BookOperationResult::makeDone(item, target);
    for (const std::string &copy : *copies) {
        if (fs::exists(fs::symlink_status(target, ec))) {
            const std::string question = target + " is existing. Are you sure to replace?";
            if (!m_replaceQuestion || !m_replaceQuestion(question)) {
                result = BookOperationResult::makeSkipped(item, target + " exists and was kept");
                continue;
            }
        }
        std::string error;
        if (!packEpub(copy, target, &error))
            return BookOperationResult::makeFailed(item, error);
        result = BookOperationResult::makeDone(item, target);
    }
    return result;
}
