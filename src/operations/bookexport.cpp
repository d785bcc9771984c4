// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// The export of one book from the device into a folder, as "<title>.epub".
#include "devicefiles.h"
#include "epubarchive.h"
#include "epubstreampacker.h"
#include "ipodtreelistcontroler.h"
#include "loadiphone.h"
#include "mobiledevice.h"
#include "scratch.h"

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
} // namespace

BookOperationResult iPodTreeListControler::saveEpubToMac(const std::string &path, const std::string &dstpath,
                                                         bool isbuybook, const std::string &titlename)
{
    const std::string item = titlename.empty() ? path : titlename;
    if (!isPlainName(path))
        return BookOperationResult::makeFailed(item, "the book has no usable \"Path\" in the catalogue");
    std::shared_ptr<DeviceSession> session;
    std::string why;
    userDataIphone *data = operationDevice(session, &why);
    if (!data || !Loadiphone)
        return BookOperationResult::makeFailed(item, data ? "no device is connected" : why);
    std::error_code ec;
    if (!fs::is_directory(dstpath, ec))
        return BookOperationResult::makeFailed(item, "the destination is not a folder: " + dstpath);

    // The download goes to a private folder beside the target, so the copy can never be the
    // target itself (a title equal to the folder name) and the packed file is renamed in place.
    std::string downloads = (fs::path(dstpath) / ".bookferry-export-XXXXXX").string();
    if (!::mkdtemp(downloads.data()))
        return BookOperationResult::makeFailed(item, "cannot write in " + dstpath);
    FolderRemoval cleanup{downloads};

    // The book is packed while it downloads, each part as it arrives, so that little is left
    // to do after the last one. The archive grows in the private folder until it is wanted.
    const std::string bookCopy = (fs::path(downloads) / path).string();
    std::optional<EpubStreamPacker> packer;
    packer.emplace(bookCopy, (fs::path(downloads) / (path + ".packing")).string());
    const auto copies = Loadiphone->saveBooksFromPhoneToLocalPath(
        downloads, path, isbuybook, data, [&packer](const std::string &local) { packer->add(local); });
    if (!copies)
        return BookOperationResult::makeFailed(item, "cannot open the device's books folder");
    if (copies->empty())
        return BookOperationResult::makeFailed(item, "the book \"" + path + "\" is not on the device");

    // The download names what it could not read: a file, a size, a folder or a listing cut
    // short. It leaves out empty files; a book may list one, so they are made here.
    const TreeCopyReport &download = Loadiphone->lastTreeCopy();
    if (download.failedFiles > 0)
        return BookOperationResult::makeFailed(item, "could not read all of the book from the device");
    for (const std::string &empty : download.emptyFiles) {
        std::ofstream(empty, std::ios::binary);
        if (!fs::exists(empty, ec))
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
        const bool packed = copy == bookCopy && packer && fs::is_directory(fs::symlink_status(copy, ec))
                                ? packer->finish(target, &error)
                                : packEpub(copy, target, &error);
        packer.reset();
        if (!packed)
            return BookOperationResult::makeFailed(item, error);
        result = BookOperationResult::makeDone(item, target);
    }
    return result;
}
