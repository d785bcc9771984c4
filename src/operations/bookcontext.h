// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include "device/storage/shelf.h"
#include "operations/devicecatalogue.h"

#include <QtGlobal>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

class BookFolderNameGenerator;
class DeviceSession;
struct userDataIphone;

// Asked before an export replaces an existing file, with the text
// "<target> is existing. Are you sure to replace?"; true answers "YES". Called on the
// exporting thread: the window wraps it to ask on the main thread and wait.
using ReplaceQuestion = std::function<bool(const std::string &message)>;

// Everything a book operation (import, export, deletion) works with, handed to it by whoever
// runs it: a batch makes one for all its books, a single operation one of its own
// (DeviceLibrary::bookContext). Nothing of it is kept anywhere else, so two batches
// never see each other's state. Used by one thread at a time.
struct BookContext
{
    // The device the books are on, held for the operations (no arrival swaps it); null when
    // no device was connected.
    std::shared_ptr<DeviceSession> session;
    // Where the books are kept. The operations here act on the device's own books, with
    // their catalogue and sync lock; an app's documents are another shelf (appbooks.h).
    Shelf shelf = Shelf::books();
    // What the batch knows of the device's catalogue while it holds the sync lock.
    CatalogueKnowledge catalogue;
    // Names of new book folders; the program's one generator, so names follow one sequence.
    BookFolderNameGenerator *folderNames = nullptr;
    // Cleared by another thread: the book being copied stops between its files.
    const std::atomic_bool *goOn = nullptr;
    // The new book folders named by imports under way, not yet named by the catalogue.
    std::set<std::string> newFolders;
    // The catalogue's "Path" values as the last import left it, good while the catalogue's
    // knowledge has not moved on since (its `changes` still cataloguePathsAt).
    std::vector<std::string> cataloguePaths;
    unsigned long cataloguePathsAt = 0;
    // Under the batch's lock: the folders "/Books" held when its first import started, and
    // every name its imports took since. One listing instead of a request for each new name;
    // a folder someone else makes meanwhile is still found as the book's copy begins. Unset
    // outside a batch, or when "/Books" could not be listed (each name is then asked).
    std::optional<std::set<std::string>> booksFolders;
    bool booksFoldersAsked = false;
    // Without a question, existing files are kept.
    ReplaceQuestion replaceQuestion;
    // The files this context's exports wrote, as they left them: a later export of the same
    // title never replaces one, it takes the next free name.
    std::set<std::string> exported;

    // The session's device record, or null (with *why) when no operation can go on: no
    // device, or the session's device was removed.
    userDataIphone *device(std::string *why) const;

    static constexpr const char *kStopped = QT_TRANSLATE_NOOP("Operations", "the transfer was stopped");
    static constexpr const char *kDeviceDisconnected = QT_TRANSLATE_NOOP("Operations", "the device was disconnected");
};
