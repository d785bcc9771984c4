// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "core/datadir.h"

#include <cstdlib>

std::string userDataDir()
{
    if (const char *d = std::getenv("BOOKFERRY_DATA_DIR"); d && *d)
        return d;
    if (const char *x = std::getenv("XDG_DATA_HOME"); x && *x == '/')
        return std::string(x) + "/bookferry";
    if (const char *h = std::getenv("HOME"); h && *h)
        return std::string(h) + "/.local/share/bookferry";
    return {};
}
