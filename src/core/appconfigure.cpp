// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "core/appconfigure.h"

const char *const AppName = "Bookferry";
const char *const HomePageUrl = "https://bookferry.org/";
const char *const SupportUrl = "https://bookferry.org/support/";
