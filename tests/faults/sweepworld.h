// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include <map>
#include <string>
#include <vector>

class DeviceLibrary;
class HeadlessLoadWindow;

// The device the fault sweeps start from, and the checks made after every run with an
// injected fault: whatever failed, the device's catalogue is one the user could have seen
// between two books, every book it names is whole, the app's Documents folder holds only
// whole books, the shelf the run did not work on is untouched, and nothing landed in the
// wrong place.

using FileTree = std::map<std::string, std::string>; // relative path -> content

// Every regular file below `dir`, by relative path.
FileTree readTree(const std::string &dir);

enum class SweepShelf { Catalogue, Documents };
enum class SweepOperation { Import, Export, Delete };

// The sweep device's identifier, which names its working folder, and its reader app.
inline constexpr const char *kSweepDeviceID = "5eed5eed5eed5eed5eed5eed5eed5eed5eed5eed";
inline constexpr const char *kSweepApp = "org.example.sweepreader";

struct SweepWorld
{
    // Writes the starting device into `deviceDir` (device.plist, root/ and the app) and three
    // ePub files to import into `filesDir`.
    void build(const std::string &deviceDir, const std::string &filesDir);

    std::vector<std::string> importFiles;        // in import order
    std::vector<std::string> importTitles;       // their titles, same order
    std::map<std::string, FileTree> importTrees; // title -> the unpacked book

    // What an export and a deletion take on each shelf: catalogue "Path" values, or names
    // below Documents.
    struct Chosen
    {
        std::vector<std::string> exportPaths;
        std::vector<std::string> exportTitles;
        std::vector<std::string> deletePaths;
    };
    std::map<SweepShelf, Chosen> chosen;

    std::string originalCatalogue;                 // the device's Books.plist bytes
    std::vector<std::string> originalPaths;        // "Path" of each entry, in order
    std::map<std::string, std::string> entryXml;   // "Path" -> the entry as XML
    std::map<std::string, FileTree> folders;       // "Path" -> the book folder's files
    FileTree documents;                            // the app's Documents folder
    std::map<std::string, FileTree> documentTrees; // name below Documents -> the unpacked book
};

struct RunObservation
{
    std::string deviceDir;    // DEVICE_DIR (device.plist, root/, apps/)
    std::string scratch;      // the device's working folder; empty when the program has ended
    std::string exportDir;
    bool reportedFailure = false; // a failed result, or no device
    // The run began with the device's arrival, whose copy of the catalogue may itself have
    // failed: no local copy (the state a failed copy leaves) is then allowed, also when the
    // batch, which reads the device's catalogue itself, went well.
    bool includesArrival = false;
    // The device could not be asked to clean up after the fault (it stopped answering, or the
    // failing call was a removal): an upload cut short may stay in Documents under its
    // temporary name, which no listing shows.
    bool cleanupRefused = false;
};

// Problems found after one run (empty when every rule held). `complete` is set when the
// run's result is that of a run without faults.
std::vector<std::string> checkRun(const SweepWorld &world, SweepShelf shelf, SweepOperation operation,
                                  const RunObservation &run, bool *complete);

// Files and folders directly in `dir` other than `allowed`.
std::vector<std::string> strayEntries(const std::string &dir, const std::vector<std::string> &allowed);

// On the main thread: whether a survey began after `surveysBefore` and has ended, and a
// session reaches its device (a session opened there is null while an arrival runs).
bool deviceReady(DeviceLibrary &library, const HeadlessLoadWindow &window, int surveysBefore = 0);
