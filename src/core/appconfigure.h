// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

// The product name and the maker's web addresses, kept in core so that every layer that
// shows them (the widgets' links, the window) reads one definition.
extern const char *const AppName;     // "Bookferry"
extern const char *const HomePageUrl; // the maker's home page
extern const char *const SupportUrl;  // the maker's support page
