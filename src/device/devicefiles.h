// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

// Plain file functions on the device's file service, through the record's `conn`.
// 0 / -1 results (tests true / false, sizes 0 when unreadable); each failure prints one
// fixed line to standard output. Synchronous, stateless, on the caller's thread.

#include "userdataiphone.h"

#include <cstdint>
#include <string>

int dirExists(const char *path, userDataIphone *data);
bool isDirectory(const char *path, userDataIphone *data);
int n_fileExists(const char *path, userDataIphone *data);
int n_mkdir(const char *path, userDataIphone *data);
int n_rmdir(const char *path, userDataIphone *data);
uint64_t get_file_size(afc_connection *conn, const char *path);
int get_file(userDataIphone *data, const char *localpath, const char *remotepath);
int put_file(userDataIphone *data, const char *localpath, const char *remotepath);

// The text of a C string in the given encoding, as UTF-8 (CStr2CFString's role).
enum class TextEncoding { UTF8, Latin1 };
std::string CStr2CFString(const char *text, TextEncoding encoding);

// Transfers move at most this many bytes per read or write.
inline constexpr unsigned int kTransferChunk = 102400;
