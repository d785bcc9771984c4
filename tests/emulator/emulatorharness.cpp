// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "emulatorharness.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <cstring>
#include <filesystem>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sstream>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace {

std::string xmlEscape(const std::string &text)
{
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        default: out += c;
        }
    }
    return out;
}

// Spawns argv with the given extra environment; stdout goes to *outFd (a pipe) when asked.
pid_t spawn(const std::vector<std::string> &argv, const std::vector<std::string> &extraEnv, int *outFd)
{
    std::vector<std::string> env;
    for (char **e = environ; *e; ++e) {
        const std::string entry = *e;
        bool replaced = false;
        for (const auto &extra : extraEnv)
            replaced = replaced || entry.substr(0, entry.find('=') + 1) == extra.substr(0, extra.find('=') + 1);
        if (!replaced)
            env.push_back(entry);
    }
    env.insert(env.end(), extraEnv.begin(), extraEnv.end());
    std::vector<char *> args, envp;
    for (const auto &a : argv)
        args.push_back(const_cast<char *>(a.c_str()));
    args.push_back(nullptr);
    for (const auto &e : env)
        envp.push_back(const_cast<char *>(e.c_str()));
    envp.push_back(nullptr);

    int pipeFds[2] = {-1, -1};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (outFd) {
        if (::pipe2(pipeFds, O_CLOEXEC) != 0)
            return -1;
        posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
    }
    pid_t pid = -1;
    const int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (outFd) {
        ::close(pipeFds[1]);
        if (rc == 0)
            *outFd = pipeFds[0];
        else
            ::close(pipeFds[0]);
    }
    return rc == 0 ? pid : -1;
}

std::string readAll(int fd)
{
    std::string out;
    char buf[4096];
    ssize_t n;
    while ((n = ::read(fd, buf, sizeof buf)) > 0 || (n < 0 && errno == EINTR))
        if (n > 0)
            out.append(buf, size_t(n));
    return out;
}

int waitExit(pid_t pid)
{
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

} // namespace

std::string makeFolderDevice(const std::string &dir, const FolderDeviceDescription &desc)
{
    std::filesystem::create_directories(dir + "/root");
    std::ostringstream plist;
    plist << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n"
          << "<key>UniqueDeviceID</key><string>" << xmlEscape(desc.udid) << "</string>\n"
          << "<key>Paired</key><" << (desc.paired ? "true" : "false") << "/>\n"
          << "<key>Locked</key><" << (desc.locked ? "true" : "false") << "/>\n<key>Values</key><dict>\n";
    for (const auto &[key, value] : desc.values)
        plist << "<key>" << xmlEscape(key) << "</key><string>" << xmlEscape(value) << "</string>\n";
    plist << "</dict>\n<key>DeviceInfo</key><dict><key>Model</key><string>" << xmlEscape(desc.model)
          << "</string><key>FSTotalBytes</key><string>" << desc.totalBytes << "</string></dict>\n</dict>\n</plist>\n";
    writeWholeFile(dir + "/device.plist", plist.str());
    return dir;
}

void addFolderApp(const std::string &dir, const FolderAppDescription &app)
{
    const std::string appDir = dir + "/apps/" + app.identifier;
    std::filesystem::create_directories(appDir + "/container/Documents");
    std::ostringstream plist;
    plist << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n"
          << "<key>CFBundleIdentifier</key><string>" << xmlEscape(app.identifier) << "</string>\n"
          << "<key>CFBundleDisplayName</key><string>" << xmlEscape(app.displayName) << "</string>\n"
          << "<key>CFBundleName</key><string>" << xmlEscape(app.displayName) << "</string>\n"
          << "<key>CFBundleVersion</key><string>" << xmlEscape(app.version) << "</string>\n"
          << "<key>ApplicationType</key><string>User</string>\n"
          << "<key>UIFileSharingEnabled</key><" << (app.sharing ? "true" : "false") << "/>\n"
          << "<key>CFBundleDocumentTypes</key><array><dict><key>LSItemContentTypes</key><array><string>"
          << xmlEscape(app.contentType) << "</string></array></dict></array>\n</dict>\n</plist>\n";
    writeWholeFile(appDir + "/Info.plist", plist.str());
    if (!app.iconPng.empty())
        writeWholeFile(appDir + "/icon.png", app.iconPng);
}

ToolResult runTool(const std::vector<std::string> &argv, const std::string &socketPath)
{
    ToolResult result;
    int outFd = -1;
    const pid_t pid = spawn(argv, {"USBMUXD_SOCKET_ADDRESS=UNIX:" + socketPath}, &outFd);
    if (pid < 0)
        return result;
    result.out = readAll(outFd);
    ::close(outFd);
    result.exitCode = waitExit(pid);
    return result;
}

EmulatorProcess::EmulatorProcess(const std::string &workDir)
    : m_workDir(workDir)
    , m_socket(workDir + "/mux")
    , m_control(workDir + "/ctl")
{
}

EmulatorProcess::~EmulatorProcess()
{
    stop();
}

bool EmulatorProcess::start(const std::vector<std::string> &arguments)
{
    std::vector<std::string> argv = {BOOKFERRY_EMULATOR_PATH, "--socket", m_socket, "--control", m_control,
                                     "--counters", countersPath(), "--exit-with-parent"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    int outFd = -1;
    m_pid = spawn(argv, {}, &outFd);
    if (m_pid < 0)
        return false;
    // "ready" comes once both sockets accept connections; EOF means it gave up.
    std::string out;
    char c;
    while (out.find("ready\n") == std::string::npos && ::read(outFd, &c, 1) == 1)
        out.push_back(c);
    ::close(outFd);
    return out.find("ready\n") != std::string::npos;
}

int EmulatorProcess::stop()
{
    if (m_pid < 0)
        return -1;
    ::kill(m_pid, SIGTERM);
    const int code = waitExit(m_pid);
    m_pid = -1;
    return code;
}

bool EmulatorProcess::signal(int sig)
{
    return m_pid > 0 && ::kill(m_pid, sig) == 0;
}

std::string EmulatorProcess::control(const std::string &command) const
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, m_control.c_str(), sizeof addr.sun_path - 1);
    if (fd < 0 || ::connect(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0) {
        if (fd >= 0)
            ::close(fd);
        return "error: cannot reach the control socket";
    }
    const std::string line = command + "\n";
    ssize_t sent = ::send(fd, line.data(), line.size(), MSG_NOSIGNAL);
    std::string answer = sent == ssize_t(line.size()) ? readAll(fd) : std::string("error: send failed");
    ::close(fd);
    return answer;
}

uint64_t EmulatorProcess::counter(const std::string &name) const
{
    std::istringstream in(control("counters"));
    std::string key;
    uint64_t value = 0;
    while (in >> key >> value)
        if (key == name)
            return value;
    return 0;
}

bool EmulatorProcess::waitForCounter(const std::string &name, uint64_t count) const
{
    return control("wait " + name + " " + std::to_string(count)) == "ok\n";
}

HangingUpDaemon::HangingUpDaemon(const std::string &path)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
    m_fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (::bind(m_fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0 && ::listen(m_fd, 16) == 0)
        m_thread = std::thread([this] { run(); });
}

HangingUpDaemon::~HangingUpDaemon()
{
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
    ::close(m_fd);
}

void HangingUpDaemon::run()
{
    while (!m_stop) {
        pollfd fd{m_fd, POLLIN, 0};
        if (::poll(&fd, 1, 20) == 1) {
            const int client = ::accept4(m_fd, nullptr, nullptr, SOCK_CLOEXEC);
            if (client >= 0) {
                ::close(client);
                std::lock_guard lock(m_mutex);
                ++m_accepted;
                m_acceptedChanged.notify_all();
            }
        }
    }
}

bool HangingUpDaemon::waitForAccepted(int count, std::chrono::milliseconds bound)
{
    std::unique_lock lock(m_mutex);
    return m_acceptedChanged.wait_for(lock, bound, [&] { return m_accepted >= count; });
}
