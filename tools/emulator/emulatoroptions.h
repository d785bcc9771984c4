// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

// Everything the command line sets: where to listen, the folder devices, and the faults
// and link model the emulator injects.

#include <cstdint>
#include <string>
#include <vector>

struct AfcFailure
{
    uint64_t operation = 0; // AFC operation code
    uint64_t nth = 0;       // fail only the Nth call of that operation; 0 = every call
    uint64_t status = 20;   // AFC status answered (IO_ERROR unless given)
};

struct EmulatorOptions
{
    std::string socketPath;
    std::string controlPath;
    std::string countersPath;
    std::string tracePath;
    std::vector<std::string> deviceDirs;   // attached at start
    std::vector<std::string> detachedDirs; // loaded, attached later through the control socket
    // announced on the network (Wi-Fi); also by cable when listed as attached at start too
    std::vector<std::string> networkDirs;

    uint64_t dropAfterAfcPackets = 0; // close an AFC connection when it receives packet N+1
    std::vector<AfcFailure> afcFailures;
    bool refusePairing = false;
    std::string pairingError = "PairingDialogResponsePending";
    std::vector<std::string> heldLocks;    // device paths the emulator keeps flock()ed
    std::vector<std::string> failedServices;
    bool exitWithParent = false;
    double latencyMs = 0;
    double bandwidthBytesPerSecond = 0;
};

// Parses argv; false with *message (usage or error) when the program should stop:
// *exitCode is 0 for --help/--version, 2 for a usage error.
bool parseEmulatorOptions(int argc, char **argv, EmulatorOptions &options, std::string *message, int *exitCode);
std::string emulatorUsage();
