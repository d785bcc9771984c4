// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include <string>

// What a catalogue "Path" may name: one book, directly under "/Books" (under
// "/Books/Purchases" for a purchased book), and nothing the book library itself keeps there.
// The catalogue comes from the device and may say anything; a deletion or an export acts on
// a "Path" only when this answers empty. Otherwise it answers why, as a sentence.
//
// The rule: a single name that is not empty, holds no "/" or NUL, is not "." or "..", is not
// hidden (working files such as the catalogue's upload start with "."), is not "Purchases"
// and does not end in ".plist" (Books.plist, Purchases.plist); the last two compared without
// regard to case, as the device's file system compares names.
std::string bookPathProblem(const std::string &path);

// The file name an exported book gets from its title: "/", NUL and control characters become
// "_", and the name is cut (at a character boundary) so that "<name>.epub" and a " (n)" fit the
// usual 255-byte limit. `fallback` is used when the title leaves no usable name.
std::string exportFileNameForTitle(const std::string &title, const std::string &fallback);
