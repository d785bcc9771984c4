// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "operations/epubstreampacker.h"

#include "core/fullio.h"
#include "core/workqueue.h"
#include "operations/epubarchive.h"
#include "operations/epubzipchoices.h"

#include <zip.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <deque>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <mutex>
#include <set>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>
#include <utility>
#include <vector>

namespace fs = std::filesystem;
using epubzip::kDeflateLevel;
using epubzip::kMimetype;
using epubzip::worthDeflating;

namespace {
constexpr uint32_t kZipLimit = 0xffffffffu; // sizes and offsets of a zip without its 64-bit records

void putLe16(std::string &out, uint32_t v)
{
    out += static_cast<char>(v & 0xff);
    out += static_cast<char>((v >> 8) & 0xff);
}
void putLe32(std::string &out, uint32_t v)
{
    putLe16(out, v & 0xffff);
    putLe16(out, v >> 16);
}

// A time as the zip headers keep it (local time, two-second steps, from 1980).
std::pair<uint16_t, uint16_t> dosTimeAndDate(std::time_t when)
{
    std::tm t{};
    if (!::localtime_r(&when, &t) || t.tm_year < 80)
        return {0, (1 << 5) | 1};
    const auto time = static_cast<uint16_t>((t.tm_hour << 11) | (t.tm_min << 5) | (t.tm_sec / 2));
    const auto date = static_cast<uint16_t>(((t.tm_year - 80) << 9) | ((t.tm_mon + 1) << 5) | t.tm_mday);
    return {time, date};
}

bool isPlainAscii(const std::string &text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

struct ZipRecord
{
    std::string name;
    uint16_t method = ZIP_CM_STORE;
    uint16_t time = 0, date = 0;
    uint32_t crc = 0, packedSize = 0, size = 0;
    uint32_t mode = 0;
    uint32_t offset = 0;

    uint16_t flags() const { return isPlainAscii(name) ? 0 : 0x800; } // names in UTF-8
    uint16_t versionNeeded() const { return method == ZIP_CM_DEFLATE ? 20 : 10; }
};

// Writes the local entries of a zip file one after another; the directory comes at the end.
// Any failure, or a size past what a plain zip can name, leaves the writer broken.
class ZipStreamWriter
{
public:
    explicit ZipStreamWriter(const std::string &path)
        : m_fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644))
    {
        m_broken = m_fd < 0;
    }
    ~ZipStreamWriter()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    ZipStreamWriter(const ZipStreamWriter &) = delete;
    ZipStreamWriter &operator=(const ZipStreamWriter &) = delete;

    bool broken() const { return m_broken; }

    void addBytes(const std::string &name, const std::string &bytes, std::time_t when)
    {
        ZipRecord record;
        record.name = name;
        std::tie(record.time, record.date) = dosTimeAndDate(when);
        record.mode = S_IFREG | 0644;
        record.crc = static_cast<uint32_t>(::crc32(0, reinterpret_cast<const Bytef *>(bytes.data()),
                                                   static_cast<uInt>(bytes.size())));
        record.size = record.packedSize = static_cast<uint32_t>(bytes.size());
        if (!startEntry(record))
            return;
        write(bytes.data(), bytes.size());
        finishEntry(record);
    }

    // A regular file, deflated or stored as packEpub would choose.
    void addFile(const std::string &name, const fs::path &file)
    {
        if (m_broken)
            return;
        const int in = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
        struct stat st{};
        if (in < 0 || ::fstat(in, &st) != 0 || !S_ISREG(st.st_mode) || static_cast<uint64_t>(st.st_size) > kZipLimit) {
            if (in >= 0)
                ::close(in);
            m_broken = true;
            return;
        }
        ZipRecord record;
        record.name = name;
        record.method = worthDeflating(file) ? ZIP_CM_DEFLATE : ZIP_CM_STORE;
        std::tie(record.time, record.date) = dosTimeAndDate(st.st_mtime);
        record.mode = st.st_mode & 0xffff;
        if (startEntry(record) && copyData(in, record))
            finishEntry(record);
        else
            m_broken = true;
        ::close(in);
    }

    // The directory, in the order given, and the end record; false when anything failed.
    bool close(const std::vector<const ZipRecord *> &order)
    {
        if (m_broken || order.size() > 0xffff)
            return false;
        const uint64_t start = m_written;
        for (const ZipRecord *r : order) {
            std::string h;
            putLe32(h, 0x02014b50);
            putLe16(h, (3 << 8) | 20); // made on Unix, zip 2.0
            putLe16(h, r->versionNeeded());
            putLe16(h, r->flags());
            putLe16(h, r->method);
            putLe16(h, r->time);
            putLe16(h, r->date);
            putLe32(h, r->crc);
            putLe32(h, r->packedSize);
            putLe32(h, r->size);
            putLe16(h, static_cast<uint32_t>(r->name.size()));
            putLe16(h, 0); // extra field
            putLe16(h, 0); // comment
            putLe16(h, 0); // disk
            putLe16(h, 0); // internal attributes
            putLe32(h, r->mode << 16);
            putLe32(h, r->offset);
            h += r->name;
            write(h.data(), h.size());
        }
        const uint64_t size = m_written - start;
        if (start > kZipLimit || size > kZipLimit)
            return false;
        std::string end;
        putLe32(end, 0x06054b50);
        putLe16(end, 0);
        putLe16(end, 0);
        putLe16(end, static_cast<uint32_t>(order.size()));
        putLe16(end, static_cast<uint32_t>(order.size()));
        putLe32(end, static_cast<uint32_t>(size));
        putLe32(end, static_cast<uint32_t>(start));
        putLe16(end, 0);
        write(end.data(), end.size());
        flush();
        if (!m_broken && ::close(m_fd) != 0)
            m_broken = true;
        m_fd = -1;
        return !m_broken;
    }

    const std::vector<ZipRecord> &records() const { return m_records; }

private:
    bool startEntry(ZipRecord &record)
    {
        if (m_broken || m_written > kZipLimit || record.name.size() > 0xffff)
            return !(m_broken = true);
        record.offset = static_cast<uint32_t>(m_written);
        std::string h;
        putLe32(h, 0x04034b50);
        putLe16(h, record.versionNeeded());
        putLe16(h, record.flags());
        putLe16(h, record.method);
        putLe16(h, record.time);
        putLe16(h, record.date);
        putLe32(h, 0); // crc and sizes, set once the data is written
        putLe32(h, 0);
        putLe32(h, 0);
        putLe16(h, static_cast<uint32_t>(record.name.size()));
        putLe16(h, 0);
        h += record.name;
        write(h.data(), h.size());
        return !m_broken;
    }

    void finishEntry(const ZipRecord &record)
    {
        std::string sums;
        putLe32(sums, record.crc);
        putLe32(sums, record.packedSize);
        putLe32(sums, record.size);
        patch(record.offset + 14, sums);
        if (!m_broken)
            m_records.push_back(record);
    }

    bool copyData(int in, ZipRecord &record)
    {
        std::vector<char> input(64 * 1024), output(64 * 1024);
        z_stream z{};
        const bool deflating = record.method == ZIP_CM_DEFLATE;
        if (deflating && deflateInit2(&z, static_cast<int>(kDeflateLevel), Z_DEFLATED, -MAX_WBITS, 8,
                                      Z_DEFAULT_STRATEGY) != Z_OK)
            return false;
        struct EndDeflate
        {
            z_stream *z;
            ~EndDeflate()
            {
                if (z)
                    deflateEnd(z);
            }
        } endDeflate{deflating ? &z : nullptr};
        uint64_t size = 0, packed = 0;
        uLong crc = ::crc32(0, nullptr, 0);
        for (;;) {
            const ssize_t n = readFull(in, input.data(), input.size());
            if (n < 0)
                return false;
            size += static_cast<uint64_t>(n);
            crc = ::crc32(crc, reinterpret_cast<const Bytef *>(input.data()), static_cast<uInt>(n));
            const bool last = static_cast<size_t>(n) < input.size();
            if (!deflating) {
                write(input.data(), static_cast<size_t>(n));
                packed += static_cast<uint64_t>(n);
            } else {
                z.next_in = reinterpret_cast<Bytef *>(input.data());
                z.avail_in = static_cast<uInt>(n);
                int rc;
                do {
                    z.next_out = reinterpret_cast<Bytef *>(output.data());
                    z.avail_out = static_cast<uInt>(output.size());
                    rc = deflate(&z, last ? Z_FINISH : Z_NO_FLUSH);
                    if (rc == Z_STREAM_ERROR || (last && rc == Z_BUF_ERROR && z.avail_out != 0))
                        return false;
                    const size_t have = output.size() - z.avail_out;
                    write(output.data(), have);
                    packed += have;
                } while (z.avail_out == 0 || (last && rc != Z_STREAM_END));
            }
            if (m_broken || size > kZipLimit || packed > kZipLimit)
                return false;
            if (last)
                break;
        }
        record.crc = static_cast<uint32_t>(crc);
        record.size = static_cast<uint32_t>(size);
        record.packedSize = static_cast<uint32_t>(packed);
        return true;
    }

    // Writes go through a buffer: the many small entries of a book would be a system call each.
    void write(const char *data, size_t size)
    {
        if (m_broken)
            return;
        if (m_buffer.size() + size > kBufferSize)
            flush();
        if (size >= kBufferSize) {
            m_broken = !writeAt(m_flushed, data, size);
            m_flushed += size;
        } else {
            m_buffer.append(data, size);
        }
        m_written += size;
    }

    void flush()
    {
        if (!m_broken && !m_buffer.empty())
            m_broken = !writeAt(m_flushed, m_buffer.data(), m_buffer.size());
        m_flushed += m_buffer.size();
        m_buffer.clear();
    }

    // The bytes at `at` once written: in the buffer while still there, else on the disk.
    void patch(uint64_t at, const std::string &bytes)
    {
        if (at >= m_flushed && at + bytes.size() <= m_flushed + m_buffer.size()) {
            m_buffer.replace(static_cast<size_t>(at - m_flushed), bytes.size(), bytes);
            return;
        }
        flush();
        if (!m_broken)
            m_broken = !writeAt(at, bytes.data(), bytes.size());
    }

    bool writeAt(uint64_t at, const char *data, size_t size)
    {
        size_t done = 0;
        while (done < size) {
            const ssize_t n = ::pwrite(m_fd, data + done, size - done, static_cast<off_t>(at + done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return false;
            done += static_cast<size_t>(n);
        }
        return true;
    }

    static constexpr size_t kBufferSize = 256 * 1024;
    int m_fd;
    bool m_broken = false;
    uint64_t m_written = 0; // bytes of the archive so far, the buffer's included
    uint64_t m_flushed = 0; // where the buffer starts
    std::string m_buffer;
    std::vector<ZipRecord> m_records;
};
} // namespace

struct EpubStreamPacker::State
{
    std::string folder, scratch;
    ZipStreamWriter writer;
    std::set<std::string> packed; // names written, "mimetype" among them
    // Names below the folder, packed on a thread of their own in the order they came. Last:
    // its thread ends before what it uses goes.
    WorkQueue<std::string> queue{[this](std::string &name, size_t) { pack(name); }};

    State(std::string f, std::string s) : folder(std::move(f)), scratch(std::move(s)), writer(scratch) {}

    void pack(const std::string &name)
    {
        if (name == "mimetype" || !packed.insert(name).second)
            return;
        writer.addFile(name, fs::path(folder) / name);
    }
};

EpubStreamPacker::EpubStreamPacker(std::string folder, std::string target)
    : m_state(std::make_unique<State>(std::move(folder), std::move(target)))
{
    // Readers find the type in the first entry, stored; it is written afresh, whatever the
    // book's own file holds.
    m_state->packed.insert("mimetype");
    m_state->writer.addBytes("mimetype", kMimetype, std::time(nullptr));
    m_state->queue.ensureWorkers(1);
}

EpubStreamPacker::~EpubStreamPacker()
{
    m_state->queue.stop(); // unfinished: what is still queued is not worth packing
    std::error_code ignored;
    fs::remove(m_state->scratch, ignored);
}

void EpubStreamPacker::add(const std::string &file)
{
    const std::string &folder = m_state->folder;
    if (file.size() <= folder.size() + 1 || file.compare(0, folder.size(), folder) != 0 || file[folder.size()] != '/')
        return;
    m_state->queue.push(file.substr(folder.size() + 1));
}

bool EpubStreamPacker::finish(const std::string &target, std::string *error)
{
    State &s = *m_state;
    s.queue.close();
    // The same files, in the same order, as packEpub takes from the folder.
    std::vector<std::string> files;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(s.folder, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        if (it->is_regular_file(ec) && !it->is_symlink(ec))
            files.push_back(fs::relative(it->path(), s.folder, ec).generic_string());
    }
    bool streamed = !ec && !s.writer.broken();
    std::sort(files.begin(), files.end());
    for (const std::string &file : files)
        s.pack(file);
    std::map<std::string, const ZipRecord *> byName;
    for (const ZipRecord &record : s.writer.records())
        byName[record.name] = &record;
    std::vector<const ZipRecord *> order{byName["mimetype"]};
    for (const std::string &file : files) {
        if (file != "mimetype")
            order.push_back(byName[file]);
    }
    streamed = streamed && std::find(order.begin(), order.end(), nullptr) == order.end() && s.writer.close(order);
    if (streamed) {
        fs::rename(s.scratch, target, ec);
        if (!ec)
            return true;
    }
    fs::remove(s.scratch, ec);
    return packEpub(s.folder, target, error);
}
