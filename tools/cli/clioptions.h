// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include <optional>
#include <string>
#include <vector>

// The command line of bookferry-cli, parsed:
//   bookferry-cli [--device SEL] [--json] [--verbose] COMMAND [ARGS]
// with the options, global or the command's, anywhere until "--".
struct CliOptions
{
    std::optional<std::string> device; // usb, usb:UDID, folder:DIR, demo
    bool json = false;
    bool verbose = false; // the device link's log lines and messages on standard error
    bool help = false;
    bool version = false;
    std::string command; // info, list, import, export, delete, backups, restore, ipod-info, apps
    // list
    bool libraryOnly = false;
    bool customOnly = false;
    // export
    std::string exportDir;
    bool replace = false;
    // import: books the device has already are imported again instead of skipped
    bool duplicates = false;
    // apps: every app that shares its documents, not only the reader apps
    bool allApps = false;
    // list, import, export, delete: the books in this app's Documents folder instead
    std::optional<std::string> app;
    // import --app: a name already there is replaced, or the new copy takes a new name
    bool replaceInApp = false;
    bool keepBoth = false;
    // import: files; export and delete: catalogue "Path" values (paths below Documents with --app); restore:
    // the copy; ipod-info: the mount point
    std::vector<std::string> arguments;
};

// Parses argv (without the program name); nullopt with *error set on a usage error, which names
// the nearest known option or command for an unknown one.
std::optional<CliOptions> parseCliOptions(const std::vector<std::string> &args, std::string *error);

extern const char *const kCliUsage;
