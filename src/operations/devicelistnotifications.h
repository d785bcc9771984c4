// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

// The names the device list posts under (NotificationCenter), for observers that need nothing
// else of it. Defined in ipodtreelistcontroler.cpp.

extern const char *const iPodListSelectionDidChangeNotification; // "iPodListSelectionDidChangeNotification"
extern const char *const EjectiPodNotification;                  // "EjectiPodNotification"
extern const char *const reloadiPodNotification;                 // "reloadiPodNotification"
