// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include <string>

// The private per-user scratch folder that replaces fixed places under "/tmp"
// ("/tmp/Books" becomes scratchPath("Books")). BOOKFERRY_SCRATCH wins, then
// $XDG_RUNTIME_DIR/bookferry, then ${TMPDIR:-/tmp}/bookferry-UID. The folder is
// created with mode 0700 and must be a real folder owned by this user; otherwise
// scratchDir() returns an empty string and nothing is written there.
std::string scratchDir();

// Why scratchDir() is empty, as a sentence that names the folder and what to do; empty
// when the folder can be used. Nothing that needs the folder works without it (a device
// is not listed), so the window and the command-line tool say this at start.
std::string scratchProblem();

// scratchDir() joined with a relative path ("Books/Books.plist"). Empty when the
// scratch folder cannot be used.
std::string scratchPath(const std::string &relative);

// Forgets the cached folder (tests change BOOKFERRY_SCRATCH between cases).
void resetScratchDir();

// A working folder that goes, with all it holds, when this goes out of scope (errors are
// ignored: it is a leftover at worst). Clearing `path` first keeps the folder.
struct FolderRemoval
{
    std::string path;
    ~FolderRemoval();
};
