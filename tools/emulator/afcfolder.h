// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

// The file service over a host folder. Device paths are resolved inside the folder and
// can never leave it: ".." above the root, absolute symlinks and symlinks whose target
// climbs out are refused. Results are AFC status codes (0 = success).
// Thread-safe: it holds no state beyond the root path.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class AfcFolder
{
public:
    explicit AfcFolder(std::string root);

    const std::string &root() const { return m_root; }

    // The host path of a device path, or nullopt when it would leave the root.
    // followLast=false leaves a final symlink unresolved (info, remove, rename act on it).
    std::optional<std::string> resolve(const std::string &devicePath, bool followLast) const;

    uint64_t readDirectory(const std::string &path, std::vector<std::string> &names) const;
    uint64_t fileInfo(const std::string &path, std::vector<std::string> &pairs) const;
    uint64_t makeDirectory(const std::string &path) const;
    uint64_t removePath(const std::string &path, bool withContents) const;
    uint64_t renamePath(const std::string &from, const std::string &to) const;
    uint64_t truncatePath(const std::string &path, uint64_t size) const;
    uint64_t setModificationTime(const std::string &path, uint64_t nanoseconds) const;
    uint64_t makeLink(uint64_t type, const std::string &target, const std::string &linkName) const;
    // AFC open modes 1..6; *fd is an open host descriptor on success.
    uint64_t openFile(const std::string &path, uint64_t mode, int *fd) const;

    uint64_t bytesUsed() const; // everything stored under the root

    static uint64_t statusFromErrno(int error);

private:
    std::string m_root;
};
