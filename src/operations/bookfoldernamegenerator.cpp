// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "operations/bookfoldernamegenerator.h"

std::string BookFolderNameGenerator::next()
{
    m_engine(); // the first draw of each name is discarded
    std::string name;
    for (int i = 0; i < 4; ++i)
        name += static_cast<char>('A' + m_engine() % 26);
    return name + ".epub";
}
