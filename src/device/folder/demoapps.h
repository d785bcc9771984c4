// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

// Small file writers for the demo device's apps: their icons and their books as .epub
// files. Plain zlib, so the device layer needs no image or archive library.

#include <cstdint>
#include <string>

// A size×size RGB PNG: a rounded-looking tile of `background` with a centred square of
// `foreground` (0xRRGGBB). size is clamped to 1..256.
std::string iconPng(int size, uint32_t background, uint32_t foreground);

// Packs the unpacked book in `folder` into the .epub file `epub`: "mimetype" first, every
// entry stored, names in a fixed order. False when reading or writing fails (nothing is
// left at `epub` then).
bool packEpubFolder(const std::string &folder, const std::string &epub);
