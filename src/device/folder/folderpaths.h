// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

// Where a folder device's paths land on the local disk. Device paths are taken apart into
// components, and every result must lie inside the device's root (its real path): ".."
// never climbs above it and a symlink never leads out of it.

#include <optional>
#include <string>
#include <vector>

// The device path's components with "." and empty parts dropped and ".." applied;
// nullopt when ".." would climb above the device's root.
std::optional<std::vector<std::string>> components(const char *path);
// The real path (every symlink followed), or nullopt with errno set.
std::optional<std::string> realPath(const std::string &path);
// The layer's result for a failed system call's errno (MDERR_NOT_FOUND or MDERR_FAILED).
int errnoResult(int err);
// An existing path, every symlink followed, that must still lie inside the root.
int resolveExisting(const std::string &root, const char *path, std::string &out);
// The real folder that holds the path's last component, and that component. The last
// component itself is not followed (so a symlink can be removed or renamed as itself).
int resolveParent(const std::string &root, const char *path, std::string &parent, std::string &last);
// Where a file to be created or opened lands: the parent's entry, or, when that entry is a
// symlink, its target, which must exist and lie inside the root.
int resolveForCreate(const std::string &root, const char *path, std::string &out);
