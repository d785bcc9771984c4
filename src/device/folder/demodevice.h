// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

// The demo device: a folder device with an iPhone's values, some media files and a few
// sample books written by Bookferry itself, so the program can be tried without a phone.

#include <string>

// BOOKFERRY_DATA_DIR/demo-device, else $XDG_DATA_HOME/bookferry/demo-device, else
// ~/.local/share/bookferry/demo-device. Empty when none of these can be formed.
std::string demoDeviceDir();

// Makes the demo device in `dir` unless it already holds one. False with *error on failure.
bool ensureDemoDevice(const std::string &dir, std::string *error);

// Writes a fresh demo device into `dir` (which should be empty or absent).
bool createDemoDevice(const std::string &dir, std::string *error);
