// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

// What every benchmark needs: a clock, synthetic books and devices, running the stock
// programs it compares against (no shell), and the table of results.

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

class EmulatorProcess;

double nowSeconds();

// Seconds taken by fn; the best of `runs` runs (the machine is shared, the minimum is the
// figure least disturbed by other work).
double bestOf(int runs, const std::function<void()> &fn);

// Runs argv (looked up in PATH) in `cwd` (empty: here), output discarded; the exit code.
int runProgram(const std::vector<std::string> &argv, const std::string &cwd = {});

// Runs argv (a path) and answers its standard output; *exitCode gets its exit code (-1 when
// it could not run or did not exit).
std::string runAndCapture(const std::vector<std::string> &argv, int *exitCode);

// A book on disk: the unpacked folder (`folder`), its ePub (`epub`) and its payload.
struct BenchBook
{
    std::string title;
    std::string folder;
    std::string epub;
    uint64_t payloadBytes = 0; // sum of the unpacked files' sizes
    int parts = 0;             // files in the package
};

// A book of `images` incompressible parts of `imageBytes` each plus `chapters` text chapters
// of `chapterBytes` each; `store` keeps every entry uncompressed in the ePub (fast to make).
BenchBook makeBook(const std::string &dir, const std::string &title, int images, uint64_t imageBytes, int chapters,
                   uint64_t chapterBytes, bool store = false);

// DIR/device.plist and DIR/root/ of a folder device with a catalogue in /Books. With a
// device store set, DIR is a link to a folder made in it.
void makeDeviceFolder(const std::string &dir, const std::string &udid);

// Where the emulated devices keep their files from now on (empty: where the bench says).
// A device's storage is not the host's disk: kept in memory, the host's file-system costs
// (ext4 without a journal scans recently freed inodes for every file it makes) are not
// charged to the link. The program's own scratch files stay on the disk.
void setDeviceStore(const std::string &folder);
// A memory-backed folder for the device store, made under /dev/shm when that is a tmpfs
// with room; empty when there is none.
std::string makeMemoryDeviceStore();
// A hard link of `from` at `to`, or a copy when they are on two file systems.
void linkOrCopy(const std::string &from, const std::string &to);

// Sum of the request counters whose names start with `prefix` ("afc.").
uint64_t requestCount(const EmulatorProcess &emulator, const std::string &prefix);

// Every request counter ("afc.FILE_READ 12"), and the difference of two such snapshots as
// "FILE_READ 12, ..." (the "afc." prefix dropped), largest first.
std::map<std::string, uint64_t> requestCounters(const EmulatorProcess &emulator);
std::string counterDifference(const std::map<std::string, uint64_t> &before,
                              const std::map<std::string, uint64_t> &after);

// Peak resident size so far (VmHWM) and now (VmRSS), in bytes; resetPeak() starts a new peak.
uint64_t peakResidentBytes();
uint64_t residentBytes();
bool resetPeak();

// One line of the result table.
struct Figure
{
    std::string name;
    std::string value;
    std::string target; // empty: reported only
    bool met = true;
};

class Report
{
public:
    void add(const std::string &name, const std::string &value, const std::string &target = {}, bool met = true);
    void note(const std::string &text);
    void print() const;
    int targetsMissed() const;

private:
    std::vector<Figure> m_figures;
    std::vector<std::string> m_notes;
};

std::string fmt(const char *format, ...) __attribute__((format(printf, 1, 2)));

// The link's cap as the emulator's --link models it, in bytes per second.
constexpr double kLinkBytesPerSecond = 30e6;
