// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include <string>

// The user's data folder for Bookferry: BOOKFERRY_DATA_DIR when set, else
// $XDG_DATA_HOME/bookferry (an absolute XDG_DATA_HOME only), else
// ~/.local/share/bookferry. Empty when none of these can be formed. Not created here.
std::string userDataDir();
