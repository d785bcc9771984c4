// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include "benchutil.h"

#include <string>

// Each benchmark works below `work` (a private folder) and adds its figures to the report.
// `books` are made once by main and shared.
struct BenchBooks
{
    BenchBook large; // about 50 MB, many parts
    BenchBook text;  // 500 text parts
};

void benchLinkTransfers(const std::string &work, const BenchBooks &books, Report &report);
// A batch of 100 small books imported, then exported, through the link model.
void benchBatch(const std::string &work, Report &report);
void benchZip(const std::string &work, const BenchBooks &books, Report &report);
void benchSurvey(const std::string &work, Report &report);
// A device with 5,000 small books: the survey and the command-line tool's list, through the link.
void benchBookSurvey(const std::string &work, Report &report);
void benchCatalogue(const std::string &work, Report &report);
// A large book into a reader app and the listing of an app with 500 books, through the link.
void benchAppBooks(const std::string &work, const BenchBooks &books, Report &report);
// An app with 200 PDFs of 2 to 20 MB listed, first and from the cache, against 200 ePubs.
void benchPdfApps(const std::string &work, Report &report);
void benchMemory(const std::string &work, const std::string &self, Report &report);
// Runs bookferry-gui-bench (beside this program) on the large book.
void benchGui(const std::string &work, const std::string &self, const BenchBooks &books, Report &report);

// The child process of benchMemory: imports and exports `epub` and prints its sizes.
int memoryChild(int argc, char **argv);

#include "device/storage/loadiphone.h"

// One book operation's time around its tree copy: before it (unpacking, the catalogue read,
// the device folder), the copy, after it (the catalogue upload, or packing); how busy the
// copy kept its connections (busy time over connections times the copy's time).
struct CopyPhases
{
    double total = 0, before = 0, copy = 0, after = 0, busy = 0;
    int connections = 0;
    CopyPhases &operator+=(const CopyPhases &other);
    // "before / copy / after UNIT, busy P% of N", the times multiplied by scale.
    std::string describe(double scale, const char *unit) const;
};
// The phases of an operation from `started` to `ended` (nowSeconds) whose tree copy `copy` reports.
CopyPhases copyPhases(double started, double ended, const TreeCopyReport &copy);
double fractionOfLink(uint64_t bytes, double seconds);

#include <memory>
#include <vector>

class DeviceLibrary;
class DeviceSession;
class EmulatorProcess;
class DeviceOutline;
struct userDataIphone;

// The emulator serving one folder device, reached through the USB backend, and the
// library and the device list with the device up (connection, survey, device node).
class DeviceRig
{
public:
    DeviceRig(const std::string &workDir, const std::vector<std::string> &emulatorOptions,
              const std::string &deviceDir);
    ~DeviceRig();
    bool up() const { return m_up; }
    EmulatorProcess &emulator() { return *m_emulator; }
    DeviceLibrary &library() { return *m_library; }
    // The rig's own session on the device, opened at the first call; null without one.
    DeviceSession *session();
    userDataIphone *device();

private:
    std::unique_ptr<EmulatorProcess> m_emulator;
    HeadlessLoadWindow m_window;
    std::unique_ptr<DeviceLibrary> m_library;
    std::unique_ptr<DeviceOutline> m_outline;
    std::shared_ptr<DeviceSession> m_session;
    bool m_up = false;
};
