// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

// What the program and its PDF reader process (tools/pdfreader) say to each other over one
// socket. The program sends a job; the reader asks for ranges of the file, which the program
// reads from the device (or refuses past the budget), and ends with a result. All numbers are
// little-endian as the machine holds them: both ends are the same build.
//
//   job      'V' (values) or 'C' (cover), u64 size, u64 budget, u32 block, u32 side
//   request  'R', u64 offset, u32 length        answer: u32 length (kRefused: none), bytes
//   result   'D' or 'E' (a problem), u32 length, bytes ('D' of 'V': title, NUL, author)

#include "core/fullio.h"

#include <cstdint>
#include <cstring>
#include <string>

namespace pdfprotocol {

inline constexpr uint32_t kRefused = 0xffffffffu;
inline constexpr uint32_t kMaxResult = 16u << 20; // a cover picture, a title: far less

struct Job
{
    char kind = 'V';
    uint64_t size = 0;
    uint64_t budget = 0;
    uint32_t block = 0;
    uint32_t side = 0;
};

// A whole read; false when the other end went first.
inline bool receiveAll(int fd, void *data, std::size_t length)
{
    return readFull(fd, data, length) == static_cast<ssize_t>(length);
}

template<typename T>
bool put(std::string &out, const T &value)
{
    out.append(reinterpret_cast<const char *>(&value), sizeof value);
    return true;
}

template<typename T>
bool get(int fd, T &value)
{
    return receiveAll(fd, &value, sizeof value);
}

inline std::string encode(const Job &job)
{
    std::string out;
    put(out, job.kind);
    put(out, job.size);
    put(out, job.budget);
    put(out, job.block);
    put(out, job.side);
    return out;
}

inline bool receive(int fd, Job &job)
{
    return get(fd, job.kind) && get(fd, job.size) && get(fd, job.budget) && get(fd, job.block) && get(fd, job.side);
}

} // namespace pdfprotocol
