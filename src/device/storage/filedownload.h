// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include "device/storage/devicefiles.h"

#include <atomic>
#include <cstddef>
#include <optional>
#include <string>

struct afc_connection;

// Whole-file moves of the tree copy go in pieces of at most this size, so memory does not
// grow with the size of a book's files.
constexpr size_t kTreeCopyChunk = 1024 * 1024;

enum class Download { Done, Empty, Failed, Stopped };

// One file-information request's answer; nullopt when the request was not answered.
using RemoteInfo = std::optional<DeviceFileInfo>;

// One device file into `localBase`, under its own name, whole or not at all.
// `temporaryFolder` (empty: the file's own) takes the file until it is whole; *problem says
// why a local write failed. A cleared `goOn` (may be null) stops it between pieces.
Download downloadFile(afc_connection *conn, const std::string &remotePath, const std::string &localBase,
                      const std::string &temporaryFolder, std::string *problem, const std::atomic_bool *goOn);
// The same with the file's information already read.
Download downloadFile(afc_connection *conn, const std::string &remotePath, const std::string &localBase,
                      const RemoteInfo &info, const std::string &temporaryFolder, std::string *problem,
                      const std::atomic_bool *goOn);
