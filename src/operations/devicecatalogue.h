// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include "library/catalogue.h"
#include "operations/cataloguepresence.h"

#include <optional>
#include <string>

struct userDataIphone;

// The device's book catalogue as the book operations change it: the working copy under the
// scratch folder, told apart from a catalogue the device does not have, and uploaded so that
// the device never holds a half-written one.

// While a batch holds the device's sync lock nobody else changes its catalogue, so what one
// book's change left on the device (read back and found equal to what was written) is what
// the next book starts from. A batch begins its knowledge once the lock is taken and drops
// it before the lock is given back; the changes given it skip the work already done: no
// listing and fresh read of the catalogue, no backup read of bytes in memory (the backup is
// still kept), and the "/Books" folder checked once. Anything that goes wrong forgets what
// was known, and the next change reads the device afresh. Used by one thread at a time.
struct CatalogueKnowledge
{
    bool active = false;  // the batch holds the lock: what is learnt is kept
    bool known = false;   // the device's catalogue is known:
    bool present = false; // it is `bytes`; else the device has none
    std::string bytes;
    std::string stamp;        // the device file's size and time as they were then (may be empty)
    bool booksFolder = false; // "/Books" exists
    // Counts the reads and uploads made with this knowledge (active or not) and what it
    // forgot: a catalogue read before the count last moved may no longer be the device's.
    unsigned long changes = 0;

    // The lock is held from now on.
    void begin();
    // After a failure: the next change reads the device afresh.
    void forget();
};

// The catalogue a change is made to: the one the device holds now, read afresh (the caller
// holds the sync lock; with active knowledge, what the batch's last change left), never
// the copy of the device's arrival, so that books bought, synced or deleted on the device
// since then stay as the device has them. A device without a
// catalogue gets a new {"Books": []} (only when createWhenMissing; else a Missing one). An
// unreadable catalogue, or one whose presence cannot be told, gives nullopt with *error set:
// it must not be written over. The working copy the book lists read follows what was read,
// so the lists, read again after the change, show the device as it is.
std::optional<Catalogue> loadCatalogueForChange(userDataIphone *data, bool createWhenMissing, std::string *error,
                                                CatalogueKnowledge *known = nullptr);

// Keeps a backup of the device's catalogue (cataloguebackup.h), writes the catalogue beside
// the working copy, uploads it to a hidden file beside /Books/Books.plist, renames it into
// place and reads it back; the working copy is replaced only when the device holds exactly
// what was written. On failure, *deviceMayHaveChanged tells whether the device's catalogue
// may be the new one after all (a lost answer, a failed read-back): the caller must then not
// take away anything the new catalogue names. The working copy then follows what the device
// most likely holds (what it read back, else the new one once the rename was answered).
bool uploadCatalogue(const Catalogue &catalogue, userDataIphone *data, std::string *error,
                     bool *deviceMayHaveChanged = nullptr, CatalogueKnowledge *known = nullptr);

// Why a catalogue of `size` bytes (more than kMaxCatalogueBytes) is not read or changed.
std::string catalogueTooLarge(uint64_t size);

// Whether "/Books" exists on the device, asked once per batch (every time outside one);
// creates it when missing. False when it neither exists nor could be made.
bool ensureBooksFolder(userDataIphone *data, CatalogueKnowledge *known = nullptr);
