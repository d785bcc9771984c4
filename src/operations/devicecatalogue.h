// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include "catalogue.h"

#include <optional>
#include <string>

struct userDataIphone;

// The device's book catalogue as the book operations change it: the working copy under the
// scratch folder, told apart from a catalogue the device does not have, and uploaded so that
// the device never holds a half-written one.

enum class DeviceFilePresence { Present, Absent, Unknown };

// Whether the device holds /Books/Books.plist, from the listings of "/Books" and "/" (a
// failed question is Unknown, never Absent).
DeviceFilePresence deviceCatalogueExists(userDataIphone *data);

// The catalogue a change is made to: the one the device holds now, read afresh (the caller
// holds the sync lock; within a CatalogueBatchScope, what the batch's last change left), never
// the copy of the device's arrival, so that books bought, synced or deleted on the device
// since then stay as the device has them. A device without a
// catalogue gets a new {"Books": []} (only when createWhenMissing; else a Missing one). An
// unreadable catalogue, or one whose presence cannot be told, gives nullopt with *error set:
// it must not be written over. The working copy the book lists read follows what was read,
// so the lists, read again after the change, show the device as it is.
std::optional<Catalogue> loadCatalogueForChange(userDataIphone *data, bool createWhenMissing, std::string *error);

// Keeps a backup of the device's catalogue (cataloguebackup.h), writes the catalogue beside
// the working copy, uploads it to a hidden file beside /Books/Books.plist, renames it into
// place and reads it back; the working copy is replaced only when the device holds exactly
// what was written. On failure, *deviceMayHaveChanged tells whether the device's catalogue
// may be the new one after all (a lost answer, a failed read-back): the caller must then not
// take away anything the new catalogue names. The working copy then follows what the device
// most likely holds (what it read back, else the new one once the rename was answered).
bool uploadCatalogue(const Catalogue &catalogue, userDataIphone *data, std::string *error,
                     bool *deviceMayHaveChanged = nullptr);

// While a batch holds the device's sync lock nobody else changes its catalogue, so what one
// book's change left on the device (read back and found equal to what was written) is what
// the next book starts from. Made once the lock is taken and gone before it is given back, a
// scope lets the changes of its batch on that connection skip the work already done: no
// listing and fresh read of the catalogue, no backup read of bytes in memory (the backup is
// still kept), and the "/Books" folder checked once. Anything that goes wrong forgets what
// was known, and the next change reads the device afresh. One scope per connection.
class CatalogueBatchScope
{
public:
    explicit CatalogueBatchScope(userDataIphone *data);
    ~CatalogueBatchScope();
    CatalogueBatchScope(const CatalogueBatchScope &) = delete;
    CatalogueBatchScope &operator=(const CatalogueBatchScope &) = delete;

private:
    const void *m_connection;
};

// Why a catalogue of `size` bytes (more than kMaxCatalogueBytes) is not read or changed.
std::string catalogueTooLarge(uint64_t size);

// Forgets what the batch on data's connection knows of the device (after a failure).
void forgetBatchCatalogue(userDataIphone *data);
// Whether "/Books" exists on the device, asked once per batch (every time outside one);
// creates it when missing. False when it neither exists nor could be made.
bool ensureBooksFolder(userDataIphone *data);
