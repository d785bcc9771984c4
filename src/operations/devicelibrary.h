// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include "device/storage/devicesurvey.h"
#include "operations/bookcontext.h"
#include "operations/bookfoldernamegenerator.h"
#include "operations/bookshelf.h"

#include <memory>
#include <string>

class DeviceSession;
class LoadWindow;
class ReadSession;

// The device library: it owns the one link (Loadiphone) and lends what works on the device
// the link serves: sessions for batches, read sessions for short reads, book contexts, and
// the shelf of the device's own books. Nothing else holds the link, so every reader of the
// device's record does so inside a session, where no arrival can swap it.
//
// Threads: made and destroyed on the main thread; sessions may be asked for on any thread
// (loadIPhone's rules); a context belongs to the batch that asked for it.
class DeviceLibrary
{
public:
    // Creates Loadiphone with `loadwindow` (kept by the caller, outliving the library), unless
    // one exists already. `scope` says what the link's surveys read.
    explicit DeviceLibrary(LoadWindow *loadwindow, SurveyScope scope = SurveyScope::Everything);
    ~DeviceLibrary();
    DeviceLibrary(const DeviceLibrary &) = delete;
    DeviceLibrary &operator=(const DeviceLibrary &) = delete;

    // False when the link could not subscribe to device notifications.
    bool watching() const;
    // Any thread: the running survey ends early and posts nothing (the program is ending).
    void stopSurvey();

    // A new session on the connected device (loadIPhone::openSession), or null.
    std::shared_ptr<DeviceSession> openSession() const;
    // A read session that holds no arrival off (loadIPhone::openReadSession), or null.
    std::shared_ptr<ReadSession> openReadSession() const;
    // The connected device's identifier, read in a read session; empty without one.
    std::string deviceIdentifier() const;

    // A context for book operations on `session` (a new one when null) with the library's
    // folder names and replace question; a batch sets its go-on flag and catalogue knowledge.
    BookContext bookContext(std::shared_ptr<DeviceSession> session = nullptr);
    // Without a question, existing files are kept.
    void setReplaceQuestion(ReplaceQuestion question) { m_replaceQuestion = std::move(question); }

    // The device's own books.
    CatalogueShelf &books() { return m_books; }

private:
    bool m_ownsLink = false;
    ReplaceQuestion m_replaceQuestion;
    BookFolderNameGenerator m_folderNames;
    CatalogueShelf m_books;
};
