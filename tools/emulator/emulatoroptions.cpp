// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "emulatoroptions.h"

#include "afcprotocol.h"

#include <cstdlib>

namespace {

bool parseNumber(const std::string &text, double &out)
{
    char *end = nullptr;
    out = std::strtod(text.c_str(), &end);
    return !text.empty() && end && *end == '\0' && out >= 0;
}

bool parseCount(const std::string &text, uint64_t &out)
{
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    out = std::strtoull(text.c_str(), nullptr, 10);
    return true;
}

// NAME[@N][=STATUS]
bool parseAfcFailure(const std::string &text, AfcFailure &out)
{
    std::string desc = text;
    if (auto eq = desc.find('='); eq != std::string::npos) {
        if (!parseCount(desc.substr(eq + 1), out.status) || out.status == 0)
            return false;
        desc.resize(eq);
    }
    if (auto at = desc.find('@'); at != std::string::npos) {
        if (!parseCount(desc.substr(at + 1), out.nth) || out.nth == 0)
            return false;
        desc.resize(at);
    }
    const auto op = afc::operationByName(desc);
    if (!op)
        return false;
    out.operation = *op;
    return true;
}

} // namespace

std::string emulatorUsage()
{
    return R"(Usage: bookferry-device-emulator --socket PATH [options] DEVICE_DIR...

Serves folder devices (DEVICE_DIR/device.plist and DEVICE_DIR/root/) as USB devices
through a usbmuxd on the UNIX socket PATH, until SIGINT or SIGTERM. Point the client
library at it with USBMUXD_SOCKET_ADDRESS=UNIX:PATH. Prints "ready" on standard output
once it accepts connections.

A device's apps live in DEVICE_DIR/apps/IDENTIFIER/: Info.plist (the attributes
installation_proxy lists), icon.png (springboard icons) and container/ (what house_arrest
VendDocuments opens for an app whose Info.plist has UIFileSharingEnabled, and VendContainer
for one whose Entitlements carry get-task-allow, as for an app installed for development;
other apps are refused VendContainer as store apps are). With "Locked"
true in device.plist, house_arrest is refused (PasswordProtected) unless the client shows
the escrow bag of its pair record. Both are read afresh on every request.

Options:
  --socket PATH           the usbmuxd socket to serve (required)
  --control PATH          a control socket taking one command line per connection:
                            list                      devices and their state
                            attach UDID|DEVICE_DIR    plug a device in (loads a new folder)
                            detach UDID|DEVICE_DIR    unplug it (its connections end)
                            attach-network UDID|DEVICE_DIR
                                                      put a device on the network (Wi-Fi)
                            detach-network UDID|DEVICE_DIR [silent]
                                                      take it off the network (its Wi-Fi
                                                      connections end; the cable stays);
                                                      silent: they stay open, unanswered,
                                                      as when a phone walks out of range
                            hold UDID [DEVICE_PATH]   keep a file locked (default the sync lock)
                            release UDID              give back the locks held with hold
                            counters                  the request counters
                            wait NAME COUNT           answer once counter NAME reaches COUNT
                                                      (at most 30 s; counters of the
                                                      notification proxy count handled requests)
  --detached DEVICE_DIR   load a device that is attached later with "attach"
  --network DEVICE_DIR    announce a device on the network (ConnectionType "Network"), as
                          daemons that report Wi-Fi devices do; given as a device folder
                          too, it is announced both ways. A network device listens on a
                          loopback address of its own (NetworkAddress), port 62078 and
                          the ports of the services it starts, as libimobiledevice
                          connects to it straight over TCP
  --counters FILE         write the request counters to FILE on SIGUSR1 and at exit
  --trace FILE            write one line per request and per answer to FILE:
                            TIME cN LAYER > REQUEST   (what the client sent)
                            TIME cN LAYER < ANSWER    (what the emulator answered)
                          cN numbers the usbmuxd connection, LAYER is usbmux, lockdown,
                          afc or np; AFC lines show the operation, packet number,
                          this_length, entire_length and the decoded fields
  --fail-afc NAME[@N][=STATUS]
                          answer the AFC operation NAME (FILE_OPEN, FILE_WRITE, READ_DIR, ...)
                          with STATUS (default 20, I/O error): every call, or only the Nth
                          call counted across all connections; may be repeated
  --drop-after N          close an AFC connection instead of answering its packet N+1
  --refuse-pairing        every device behaves as one that does not trust this computer
  --pairing-error NAME    the lockdown error an untrusted device answers to Pair
                          (default PairingDialogResponsePending; PasswordProtected,
                          UserDeniedPairing, ...)
  --hold-lock DEVICE_PATH keep DEVICE_PATH locked on every device (e.g.
                          /com.apple.itunes.lock_sync: the sync lock stays busy)
  --fail-service NAME     refuse StartService for the service NAME
  --latency MS            delay every request by MS milliseconds
  --bandwidth MB_PER_S    cap each device's link at MB_PER_S megabytes per second
  --link                  model a USB 2 link: 30 MB/s and 1 ms per request unless
                          --bandwidth/--latency say otherwise
  --exit-with-parent      stop when the process that started the emulator ends (tests)
  --help, --version
)";
}

bool parseEmulatorOptions(int argc, char **argv, EmulatorOptions &options, std::string *message, int *exitCode)
{
    bool link = false;
    bool latencySet = false;
    bool bandwidthSet = false;
    auto usageError = [&](const std::string &why) {
        *message = "bookferry-device-emulator: " + why + "\nTry --help.\n";
        *exitCode = 2;
        return false;
    };
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&](std::string &out) {
            if (i + 1 >= argc)
                return false;
            out = argv[++i];
            return true;
        };
        std::string v;
        if (arg == "--help" || arg == "-h") {
            *message = emulatorUsage();
            *exitCode = 0;
            return false;
        } else if (arg == "--version") {
            *message = std::string("bookferry-device-emulator ") + BOOKFERRY_VERSION + "\n";
            *exitCode = 0;
            return false;
        } else if (arg == "--socket") {
            if (!value(options.socketPath))
                return usageError("--socket needs a path");
        } else if (arg == "--control") {
            if (!value(options.controlPath))
                return usageError("--control needs a path");
        } else if (arg == "--counters") {
            if (!value(options.countersPath))
                return usageError("--counters needs a file");
        } else if (arg == "--trace") {
            if (!value(options.tracePath))
                return usageError("--trace needs a file");
        } else if (arg == "--detached") {
            if (!value(v))
                return usageError("--detached needs a device folder");
            options.detachedDirs.push_back(v);
        } else if (arg == "--network") {
            if (!value(v))
                return usageError("--network needs a device folder");
            options.networkDirs.push_back(v);
        } else if (arg == "--fail-afc") {
            AfcFailure failure;
            if (!value(v) || !parseAfcFailure(v, failure))
                return usageError("--fail-afc needs NAME[@N][=STATUS] with an AFC operation name");
            options.afcFailures.push_back(failure);
        } else if (arg == "--drop-after") {
            if (!value(v) || !parseCount(v, options.dropAfterAfcPackets) || options.dropAfterAfcPackets == 0)
                return usageError("--drop-after needs a positive packet count");
        } else if (arg == "--refuse-pairing") {
            options.refusePairing = true;
        } else if (arg == "--pairing-error") {
            if (!value(options.pairingError) || options.pairingError.empty())
                return usageError("--pairing-error needs a lockdown error name");
        } else if (arg == "--hold-lock") {
            if (!value(v))
                return usageError("--hold-lock needs a device path");
            options.heldLocks.push_back(v);
        } else if (arg == "--fail-service") {
            if (!value(v))
                return usageError("--fail-service needs a service name");
            options.failedServices.push_back(v);
        } else if (arg == "--latency") {
            if (!value(v) || !parseNumber(v, options.latencyMs))
                return usageError("--latency needs a number of milliseconds");
            latencySet = true;
        } else if (arg == "--bandwidth") {
            double mb = 0;
            if (!value(v) || !parseNumber(v, mb) || mb <= 0)
                return usageError("--bandwidth needs a positive number of megabytes per second");
            options.bandwidthBytesPerSecond = mb * 1e6;
            bandwidthSet = true;
        } else if (arg == "--exit-with-parent") {
            options.exitWithParent = true;
        } else if (arg == "--link") {
            link = true;
        } else if (!arg.empty() && arg[0] == '-') {
            return usageError("unknown option " + arg);
        } else {
            options.deviceDirs.push_back(arg);
        }
    }
    if (link) {
        if (!latencySet)
            options.latencyMs = 1;
        if (!bandwidthSet)
            options.bandwidthBytesPerSecond = 30e6;
    }
    if (options.socketPath.empty())
        return usageError("--socket PATH is required");
    if (options.deviceDirs.empty() && options.detachedDirs.empty() && options.networkDirs.empty())
        return usageError("no device folder given");
    return true;
}
