// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include <map>
#include <string>
#include <vector>

// The device the fault sweeps start from, and the checks made after every run with an
// injected fault: whatever failed, the device's catalogue is one the user could have seen
// between two books, every book it names is whole, and nothing landed in the wrong place.

using FileTree = std::map<std::string, std::string>; // relative path -> content

// Every regular file below `dir`, by relative path.
FileTree readTree(const std::string &dir);

struct SweepWorld
{
    // Writes the starting device into `deviceDir` (device.plist and root/) and three ePub
    // files to import into `filesDir`.
    void build(const std::string &deviceDir, const std::string &filesDir);

    std::vector<std::string> importFiles;   // in import order
    std::vector<std::string> importTitles;  // their titles, same order
    std::vector<std::string> exportPaths;   // catalogue "Path" values to export
    std::vector<std::string> exportTitles;
    std::vector<std::string> deletePaths;   // user items to delete

    std::string originalCatalogue;                // the device's Books.plist bytes
    std::vector<std::string> originalPaths;       // "Path" of each entry, in order
    std::map<std::string, std::string> entryXml;  // "Path" -> the entry as XML
    std::map<std::string, FileTree> folders;      // "Path" -> the book folder's files
    std::map<std::string, FileTree> importTrees;  // title -> the unpacked book
};

// The sweep device's identifier, which names its working folder.
inline constexpr const char *kSweepDeviceID = "5eed5eed5eed5eed5eed5eed5eed5eed5eed5eed";

enum class SweepOperation { Import, Export, Delete };

struct RunObservation
{
    std::string deviceRoot;   // DEVICE_DIR/root
    std::string scratch;      // the device's working folder; empty when the program has ended
    std::string exportDir;
    bool reportedFailure = false; // status 1, or a failed result
    // The run began with the device's arrival, whose copy of the catalogue may itself have
    // failed: no local copy (the state a failed copy leaves) is then allowed in a failed run.
    bool includesArrival = false;
};

// Problems found after one run (empty when every rule held). `complete` is set when the
// run's result is that of a run without faults.
std::vector<std::string> checkRun(const SweepWorld &world, SweepOperation operation, const RunObservation &run,
                                  bool *complete);

// Files and folders directly in `dir` other than `allowed`.
std::vector<std::string> strayEntries(const std::string &dir, const std::vector<std::string> &allowed);
