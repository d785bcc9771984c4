// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// The deletion of one user item from the device.
#include "core/uitext.h"
#include "device/storage/devicefiles.h"
#include "device/storage/loadiphone.h"
#include "library/bookkeys.h"
#include "library/epub.h"
#include "operations/bookpath.h"
#include "operations/bookshelf.h"
#include "operations/devicecatalogue.h"

#include <algorithm>
#include <cctype>

namespace {
// The device's file system compares names without regard to case.
bool sameName(const std::string &a, const std::string &b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
               return std::tolower(x) == std::tolower(y);
           });
}
} // namespace

BookOperationResult CatalogueShelf::removeBook(BookContext &context, const epub &record)
{
    const std::string &path = record.mediaPcPath();
    const std::string item = record.mediaName().empty() ? path : record.mediaName();
    if (const std::string problem = bookPathProblem(path); !problem.empty())
        return BookOperationResult::makeFailed(item, problem);
    std::string error;
    userDataIphone *data = context.device(&error);
    if (!data)
        return BookOperationResult::makeFailed(item, error);
    if (!context.shelf.usesCatalogue())
        return BookOperationResult::makeFailed(item, uiText("Operations", "only the device's own books are deleted here"));

    std::optional<Catalogue> catalogue = loadCatalogueForChange(data, false, &error, &context.catalogue);
    if (!catalogue)
        return BookOperationResult::makeFailed(item, error);
    // The folder is removed with everything in it: never one that a library book lives in.
    for (plist_t entry : catalogue->books()) {
        const std::optional<std::string> other = entryString(entry, BookKey::Path);
        if (other && sameName(*other, path) && !entryBool(entry, BookKey::UserItem).value_or(false))
            return BookOperationResult::makeFailed(
                item, uiArgs(uiText("Operations", "the book's \"Path\" %1 is also the folder of a book the user did not add"), {path}));
    }
    if (catalogue->removeBooksWithPath(path) == 0)
        return BookOperationResult::makeSkipped(item, uiArgs(uiText("Operations", "no book with the \"Path\" %1 in the catalogue"), {path}));

    // The catalogue goes first: should the upload fail, the book is still whole on the device.
    if (!uploadCatalogue(*catalogue, data, &error, nullptr, &context.catalogue))
        return BookOperationResult::makeFailed(item, error);
    const std::string folder = "/Books/" + path;
    if (n_rmdir(folder.c_str(), data) != 0) {
        BookOperationResult result = BookOperationResult::makeDone(item);
        result.detail = uiArgs(uiText("Operations", "the book was taken out of the catalogue, but some of its files remain in %1"), {folder});
        return result;
    }
    return BookOperationResult::makeDone(item);
}
