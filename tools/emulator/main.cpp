// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "emulator.h"

#include <csignal>
#include <cstdio>
#include <sys/prctl.h>
#include <unistd.h>

namespace {

Emulator *g_emulator = nullptr;

extern "C" void onSignal(int signal)
{
    if (!g_emulator)
        return;
    if (signal == SIGUSR1)
        g_emulator->dumpCounters();
    else
        g_emulator->stop();
}

} // namespace

int main(int argc, char **argv)
{
    EmulatorOptions options;
    std::string message;
    int exitCode = 0;
    if (!parseEmulatorOptions(argc, argv, options, &message, &exitCode)) {
        std::fputs(message.c_str(), exitCode == 0 ? stdout : stderr);
        return exitCode;
    }
    std::signal(SIGPIPE, SIG_IGN);
    if (options.exitWithParent) {
        // A test that crashes must not leave its emulator behind.
        const pid_t parent = getppid();
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent)
            return 0;
    }
    Emulator emulator(std::move(options));
    std::string error;
    if (!emulator.start(&error)) {
        std::fprintf(stderr, "bookferry-device-emulator: %s\n", error.c_str());
        return 1;
    }
    g_emulator = &emulator;
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGUSR1})
        sigaction(signal, &action, nullptr);
    std::printf("ready\n");
    std::fflush(stdout);
    emulator.run();
    g_emulator = nullptr;
    return 0;
}
