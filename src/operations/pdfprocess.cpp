// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "operations/pdfprocess.h"

#include "core/resources.h"
#include "library/bookkeys.h"
#include "operations/pdfprotocol.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <memory>
#include <mutex>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace {

constexpr std::size_t kKeptReaders = 6;
std::atomic_int g_started{0};

class Reader
{
public:
    ~Reader() { stop(); }

    bool start()
    {
        int pair[2];
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0)
            return false;
        const std::string program = resourcePath("pdfreader");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, pair[1], 0);
        posix_spawn_file_actions_adddup2(&actions, pair[1], 1);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        char *argv[] = {const_cast<char *>(program.c_str()), nullptr};
        const int rc = posix_spawn(&m_pid, program.c_str(), &actions, nullptr, argv, environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(pair[1]);
        if (rc != 0) {
            ::close(pair[0]);
            m_pid = -1;
            return false;
        }
        m_socket = pair[0];
        ++g_started;
        return true;
    }

    // Ends the reader: killed, as a reader holds nothing worth a goodbye, and waited for.
    void stop()
    {
        if (m_socket >= 0)
            ::close(m_socket);
        m_socket = -1;
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
        m_pid = -1;
    }

    int socket() const { return m_socket; }

private:
    pid_t m_pid = -1;
    int m_socket = -1;
};

struct Pool
{
    std::mutex mutex;
    std::vector<std::unique_ptr<Reader>> idle;
};

Pool &pool()
{
    static Pool readers;
    return readers;
}

std::unique_ptr<Reader> takeReader()
{
    {
        const std::lock_guard lock(pool().mutex);
        if (!pool().idle.empty()) {
            std::unique_ptr<Reader> reader = std::move(pool().idle.back());
            pool().idle.pop_back();
            return reader;
        }
    }
    auto reader = std::make_unique<Reader>();
    return reader->start() ? std::move(reader) : nullptr;
}

void giveBack(std::unique_ptr<Reader> reader)
{
    const std::lock_guard lock(pool().mutex);
    if (pool().idle.size() < kKeptReaders)
        pool().idle.push_back(std::move(reader));
}

// One job on a reader: its requests served from `read` within the budget, its result in
// *payload. False with *problem when the document was refused, or the reader took too long
// or stopped.
bool runJob(const pdfprotocol::Job &job, const RangedReadDevice::ReadRange &read, int milliseconds,
            std::string *payload, std::string *problem, PdfReadCost *cost)
{
    auto fail = [problem](const std::string &text) {
        if (problem)
            *problem = text;
        return false;
    };
    std::unique_ptr<Reader> reader = takeReader();
    if (!reader)
        return fail("the PDF reader (pdfreader) could not be started");
    const std::string sent = pdfprotocol::encode(job);
    PdfReadCost spent;
    // A reader kept from an earlier job may have ended since: one fresh try.
    if (!sendFull(reader->socket(), sent.data(), sent.size())) {
        reader = std::make_unique<Reader>();
        if (!reader->start() || !sendFull(reader->socket(), sent.data(), sent.size()))
            return fail("the PDF reader (pdfreader) could not be started");
    }
    // A reader that ends, or says what it should not, is gone with its job.
    const auto stopped = [&] {
        reader->stop();
        return fail("the PDF reader stopped on this file (damaged, or built to exhaust memory)");
    };
    using Clock = std::chrono::steady_clock;
    Clock::duration working{};
    const Clock::duration allowed = std::chrono::milliseconds(milliseconds);
    while (true) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(allowed - working).count();
        pollfd wait{reader->socket(), POLLIN, 0};
        const Clock::time_point before = Clock::now();
        const int ready = left > 0 ? ::poll(&wait, 1, static_cast<int>(left)) : 0;
        working += Clock::now() - before;
        if (ready < 0 && errno == EINTR)
            continue;
        if (cost)
            *cost = spent;
        if (ready <= 0) {
            reader->stop();
            return fail("reading the PDF took too long (damaged, or built to stall a reader)");
        }
        char kind = 0;
        if (!pdfprotocol::get(reader->socket(), kind)) {
            return stopped();
        }
        if (kind == 'R') {
            uint64_t offset = 0;
            uint32_t length = 0;
            if (!pdfprotocol::get(reader->socket(), offset) || !pdfprotocol::get(reader->socket(), length)) {
                return stopped();
            }
            // The budget holds here too, whatever the reader asks.
            std::optional<std::string> bytes;
            if (spent.bytes + length <= job.budget && offset < job.size) {
                bytes = read(offset, length);
                ++spent.requests;
                spent.bytes += length;
            }
            std::string reply;
            pdfprotocol::put(reply, bytes ? static_cast<uint32_t>(bytes->size()) : pdfprotocol::kRefused);
            if (bytes)
                reply += *bytes;
            if (!sendFull(reader->socket(), reply.data(), reply.size())) {
                return stopped();
            }
            continue;
        }
        uint32_t length = 0;
        if ((kind != 'D' && kind != 'E') || !pdfprotocol::get(reader->socket(), length) ||
            length > pdfprotocol::kMaxResult) {
            return stopped();
        }
        std::string result(length, '\0');
        if (!pdfprotocol::receiveAll(reader->socket(), result.data(), length)) {
            return stopped();
        }
        giveBack(std::move(reader));
        if (kind == 'E')
            return fail(result);
        *payload = std::move(result);
        return true;
    }
}

} // namespace

bool readPdfValuesContained(const RangedReadDevice::ReadRange &read, uint64_t size, StringDictionary &values,
                            std::string *problem, const PdfJobLimits &limits, PdfReadCost *cost)
{
    pdfprotocol::Job job{'V', size, limits.maxBytes, limits.block, 0};
    std::string payload;
    if (!runJob(job, read, limits.milliseconds, &payload, problem, cost))
        return false;
    const std::size_t nul = payload.find('\0');
    values[BookKey::Name] = payload.substr(0, nul);
    values[BookKey::Artist] = nul == std::string::npos ? std::string() : payload.substr(nul + 1);
    return true;
}

std::optional<std::string> readPdfCoverContained(const RangedReadDevice::ReadRange &read, uint64_t size, int side,
                                                 const PdfJobLimits &limits, std::string *problem, PdfReadCost *cost)
{
    pdfprotocol::Job job{'C', size, limits.maxBytes, limits.block, static_cast<uint32_t>(side)};
    std::string payload;
    if (!runJob(job, read, limits.milliseconds, &payload, problem, cost))
        return std::nullopt;
    return payload;
}

bool looksLikePdf(const std::string &localFile)
{
    std::ifstream in(localFile, std::ios::binary);
    char head[1024];
    in.read(head, sizeof head);
    const std::string bytes(head, static_cast<std::size_t>(in.gcount()));
    return bytes.find("%PDF-") != std::string::npos;
}

int pdfReadersStarted()
{
    return g_started.load();
}
