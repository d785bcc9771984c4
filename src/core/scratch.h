// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include <string>

// The private per-user scratch folder for working copies (scratchPath("Books") rather than
// a fixed place such as "/tmp/Books", which another user could take). BOOKFERRY_SCRATCH wins, then
// $XDG_RUNTIME_DIR/bookferry, then ${TMPDIR:-/tmp}/bookferry-UID. The folder is
// created with mode 0700 and must be a real folder owned by this user; otherwise
// scratchDir() returns an empty string and nothing is written there.
std::string scratchDir();

// Why scratchDir() is empty, or why this process's folder in it (processScratchDir()) cannot
// be made, as a sentence that names the folder and what to do; empty when both can be used.
// Nothing that needs the folder works without it (a device is not listed), so the window and
// the command-line tool say this at start.
std::string scratchProblem();

// scratchDir() joined with a relative path ("Books/Books.plist"). Empty when the
// scratch folder cannot be used.
std::string scratchPath(const std::string &relative);

// This process's own folder below scratchDir(), "p-PID-XXXXXX", made private on first use
// and removed with all it holds when the process ends normally. Two programs running at
// once never share a working file. While it lives, the process holds an advisory lock on
// its "lock" file: a folder whose lock can be taken belongs to no running process, whatever
// process now has that number. Making it first removes such leftovers of processes that
// were killed. Empty when the scratch folder cannot be used.
std::string processScratchDir();

// The working folder of one device in this process (its catalogue copies "Books/...", its
// unpacked books), made private on first use. The identifier is the device's own
// (`AMDeviceCopyDeviceIdentifier`); any text is safe, and two identifiers never share a
// folder. Empty when the scratch folder cannot be used or the identifier is empty.
std::string deviceScratchDir(const std::string &deviceIdentifier);

// deviceScratchDir() joined with a relative path; empty when that folder is.
std::string deviceScratchPath(const std::string &deviceIdentifier, const std::string &relative);

// A new, empty folder "STEM-XXXXXX" of its own in the process folder, for work that belongs
// to no device (reading a file the user picked); empty when none can be made.
std::string makeProcessWorkFolder(const std::string &stem);

// Removes the folders below scratchDir() of processes that are no longer running; answers
// how many went. The process folder's first use does this already.
int removeStaleScratchFolders();

// Forgets the cached folder (tests change BOOKFERRY_SCRATCH between cases); this process's
// folder below the old one goes.
void resetScratchDir();

// A working folder that goes, with all it holds, when this goes out of scope (errors are
// ignored: it is a leftover at worst). Clearing `path` first keeps the folder.
struct FolderRemoval
{
    std::string path;
    ~FolderRemoval();
};
