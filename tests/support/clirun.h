// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include <QJsonDocument>
#include <QProcess>

#include <string>
#include <vector>

// What a run gave: the exit code (-1 when a signal ended it or it was stopped after its
// bound) and the two outputs.
struct CliRun
{
    int exitCode = -1;
    std::string out;
    std::string err;
};

// A program run without a shell, with its own scratch folder and a bounded wait for a
// device; `--device DEVICE` goes first when a device is given, and usbmuxd is looked for at
// `usbSocket` when one is given. The program is bookferry-cli unless another is named.
class Cli
{
public:
#ifdef BOOKFERRY_CLI
    Cli(std::string device, std::string scratch, std::string usbSocket = {}, std::string program = BOOKFERRY_CLI)
#else
    Cli(std::string device, std::string scratch, std::string usbSocket, std::string program)
#endif
        : m_device(std::move(device)), m_scratch(std::move(scratch)), m_socket(std::move(usbSocket)),
          m_program(std::move(program))
    {
    }

    void start(const std::vector<std::string> &args, int waitSeconds = 20);
    // Still running (the end of the process is only seen by waiting for it).
    bool running();
    void signal(int sig);
    // Waits at most `boundSeconds`, then stops it.
    CliRun finish(int boundSeconds = 60);
    CliRun run(const std::vector<std::string> &args, int boundSeconds = 60)
    {
        start(args);
        return finish(boundSeconds);
    }

private:
    std::string m_device, m_scratch, m_socket, m_program;
    QProcess m_process;
};

// Standard output as one JSON document; a test failure when it is not one.
QJsonDocument cliJson(const CliRun &run);
