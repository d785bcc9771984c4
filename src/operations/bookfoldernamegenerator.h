// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include <random>
#include <string>

// Folder names for imported books: four capital letters and ".epub". The generator is never
// seeded, so every run of the program draws the same sequence; the caller skips names that
// are already taken. It has its own engine, so nothing else that draws random numbers (or
// seeds the C library's generator) changes the sequence.
class BookFolderNameGenerator
{
public:
    std::string next();

private:
    std::minstd_rand m_engine; // default seed
};
