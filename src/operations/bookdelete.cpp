// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// The deletion of one user item from the device.
#include "bookkeys.h"
#include "devicecatalogue.h"
#include "devicefiles.h"
#include "ipodtreelistcontroler.h"
#include "loadiphone.h"

BookOperationResult iPodTreeListControler::deleteMediaFromDevice(const epub &record)
{
    const std::string &path = record.mediaPcPath();
    const std::string item = record.mediaName().empty() ? path : record.mediaName();
    if (path.empty())
        return BookOperationResult::makeSkipped(item, "the book has no \"Path\" in the catalogue");
    if (path == "." || path == ".." || path.find('/') != std::string::npos)
        return BookOperationResult::makeFailed(item, "the book's \"Path\" does not name a book folder: " + path);
    std::shared_ptr<DeviceSession> session;
    std::string error;
    userDataIphone *data = operationDevice(session, &error);
    if (!data)
        return BookOperationResult::makeFailed(item, error);

    std::optional<Catalogue> catalogue = loadCatalogueForChange(data, false, &error);
    if (!catalogue)
        return BookOperationResult::makeFailed(item, error);
    if (catalogue->removeBooksWithPath(path) == 0)
        return BookOperationResult::makeSkipped(item, "no book with the \"Path\" " + path + " in the catalogue");

    // The catalogue goes first: should the upload fail, the book is still whole on the device.
    if (!uploadCatalogue(*catalogue, data, &error))
        return BookOperationResult::makeFailed(item, error);
    const std::string folder = "/Books/" + path;
    if (n_rmdir(folder.c_str(), data) != 0) {
        BookOperationResult result = BookOperationResult::makeDone(item);
        result.detail = "the book was taken out of the catalogue, but some of its files remain in " + folder;
        return result;
    }
    return BookOperationResult::makeDone(item);
}
