// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

// Plain file functions on the device's file service, through the record's `conn`.
// 0 / -1 results (tests true / false, sizes 0 when unreadable); each failure prints one
// fixed line to standard output. Synchronous, stateless, on the caller's thread.

#include "device/storage/userdataiphone.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// What one file-information request tells of a device path.
struct DeviceFileInfo
{
    std::string type;             // "st_ifmt": S_IFREG, S_IFDIR, S_IFLNK, …; empty when not given
    std::optional<uint64_t> size; // "st_size"
    std::string mtime;            // "st_mtime", as the device wrote it
    bool complete = true;         // every pair read without an error
    bool isDirectory() const { return type == "S_IFDIR"; }
    bool isPlainFile() const { return type == "S_IFREG"; }
};
// Nullopt when the device gives no information (no such path, or the request failed).
std::optional<DeviceFileInfo> readFileInfo(afc_connection *conn, const std::string &path);

int dirExists(const char *path, userDataIphone *data);
bool isDirectory(const char *path, userDataIphone *data);
int n_fileExists(const char *path, userDataIphone *data);
int n_mkdir(const char *path, userDataIphone *data);
int n_rmdir(const char *path, userDataIphone *data);
// n_rmdir on a connection: a folder with everything in it, a file or a link (never followed).
int removeDeviceTree(afc_connection *conn, const std::string &path);
// The free bytes the file service reports (FSFreeBytes), or nullopt.
std::optional<uint64_t> deviceFreeBytes(afc_connection *conn);

// The names in a device folder that a device could have made: "." and "..", empty names and
// names holding "/" are left out, so a caller that joins them never leaves the folder. Nullopt
// when the folder cannot be opened.
std::optional<std::vector<std::string>> folderEntryNames(afc_connection *conn, const std::string &folder);
uint64_t get_file_size(afc_connection *conn, const char *path);
int get_file(userDataIphone *data, const char *localpath, const char *remotepath);
int put_file(userDataIphone *data, const char *localpath, const char *remotepath);

// get_file for a file that must stay small enough to be read whole afterwards (a book
// catalogue): kFileTooLarge, with nothing copied and no local file left, when the device
// reports more than `maxBytes`, and -1 when more arrives than that. The same requests as
// get_file. `*reportedSize` is the size the device gave (0 when it gave none).
inline constexpr int kFileTooLarge = -2;
int get_file_at_most(userDataIphone *data, const char *localpath, const char *remotepath, uint64_t maxBytes,
                     uint64_t *reportedSize);

// The largest book catalogue copied or read. Catalogues are read whole and parsed into a
// tree several times their size; a library of 5,000 books is about 8 MB, so this leaves
// room for thirty times that while a catalogue of gigabytes cannot take the memory.
inline constexpr uint64_t kMaxCatalogueBytes = 256u * 1024u * 1024u;

// The text of a C string in the given encoding, as UTF-8 (CStr2CFString's role).
enum class TextEncoding { UTF8, Latin1 };
std::string CStr2CFString(const char *text, TextEncoding encoding);

// Transfers move at most this many bytes per read or write.
inline constexpr unsigned int kTransferChunk = 102400;
