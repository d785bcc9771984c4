// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "epubarchive.h"

#include <openssl/evp.h>
#include <zip.h>
#include <zlib.h>

#include <cerrno>
#include <condition_variable>
#include <ctime>
#include <deque>
#include <fcntl.h>
#include <mutex>
#include <thread>
#include <tuple>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <sys/stat.h>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace {
struct ZipCloser
{
    void operator()(zip_t *z) const { zip_discard(z); }
};
using ZipPtr = std::unique_ptr<zip_t, ZipCloser>;
struct ZipFileCloser
{
    void operator()(zip_file_t *f) const { zip_fclose(f); }
};
using ZipFilePtr = std::unique_ptr<zip_file_t, ZipFileCloser>;

constexpr const char *kMimetype = "application/epub+zip";
// zip's own level: the space a higher one saves on a book's text is not worth its time.
constexpr zip_uint32_t kDeflateLevel = 6;

// Pictures, fonts and sound in a book are compressed already; deflating them costs time and
// saves nothing. A file whose first 64 KiB carry close to 8 bits of information per byte is
// stored. Small files are always deflated.
bool worthDeflating(const fs::path &file)
{
    std::ifstream in(file, std::ios::binary);
    std::array<char, 64 * 1024> sample;
    in.read(sample.data(), sample.size());
    const std::streamsize n = in.gcount();
    if (n < 4096)
        return true;
    std::array<uint32_t, 256> counts{};
    for (std::streamsize i = 0; i < n; ++i)
        ++counts[static_cast<unsigned char>(sample[static_cast<size_t>(i)])];
    double bits = 0;
    for (uint32_t c : counts) {
        if (c == 0)
            continue;
        const double p = static_cast<double>(c) / static_cast<double>(n);
        bits -= p * std::log2(p);
    }
    return bits < 7.9;
}

bool fail(std::string *error, const std::string &text)
{
    if (error)
        *error = text;
    return false;
}

// A relative path whose every component is a plain name. Directory entries end with "/".
bool isSafeEntryName(const std::string &name)
{
    if (name.empty() || name.front() == '/' || name.find('\0') != std::string::npos)
        return false;
    std::size_t start = 0;
    while (start <= name.size()) {
        std::size_t end = name.find('/', start);
        if (end == std::string::npos)
            end = name.size();
        if (name.compare(start, end - start, "..") == 0 && end - start == 2)
            return false;
        start = end + 1;
    }
    return true;
}
} // namespace

namespace {
// An entry's name as a path below the unpack folder: "./a//b/" is "a/b"; empty for the folder itself.
std::string relativeEntryPath(const std::string &name)
{
    std::string relative = fs::path(name).lexically_normal().generic_string();
    while (!relative.empty() && relative.back() == '/')
        relative.pop_back();
    return relative == "." ? std::string() : relative;
}

// Tells each folder of `relative` (itself too when `isFolder`) that was not told yet, outermost first.
void tellFolders(const std::string &relative, bool isFolder, std::set<std::string> &told, const UnpackedEntry &written)
{
    std::size_t end = 0;
    while (end != std::string::npos) {
        end = relative.find('/', end + 1);
        if (end == std::string::npos && !isFolder)
            break;
        std::string folder = relative.substr(0, end);
        if (!folder.empty() && told.insert(folder).second)
            written(folder, true);
    }
}
} // namespace

bool unpackEpubArchive(const std::string &archive, const std::string &destination, std::string *error,
                       const UnpackLimits &limits, const UnpackedEntry &written)
{
    int code = 0;
    ZipPtr zip(zip_open(archive.c_str(), ZIP_RDONLY, &code));
    if (!zip) {
        zip_error_t ze;
        zip_error_init_with_code(&ze, code);
        std::string text = "not a readable ePub (zip) file: " + std::string(zip_error_strerror(&ze));
        zip_error_fini(&ze);
        return fail(error, text);
    }
    const zip_int64_t count = zip_get_num_entries(zip.get(), 0);
    if (count < 0 || static_cast<uint64_t>(count) > limits.maxEntries)
        return fail(error, "the archive holds too many entries");

    // Check every entry before writing anything.
    uint64_t declared = 0;
    // Each file's last copy in the archive, so a repeated name is told once, when it is final.
    std::map<std::string, zip_int64_t> lastCopy;
    for (zip_int64_t i = 0; i < count; ++i) {
        const auto index = static_cast<zip_uint64_t>(i);
        const char *rawName = zip_get_name(zip.get(), index, ZIP_FL_ENC_GUESS);
        const std::string name = rawName ? rawName : "";
        if (!isSafeEntryName(name))
            return fail(error, "the archive holds an entry outside its folder: \"" + name + "\"");
        if (written && name.back() != '/')
            lastCopy[relativeEntryPath(name)] = i;
        zip_uint8_t opsys = 0;
        zip_uint32_t attributes = 0;
        if (zip_file_get_external_attributes(zip.get(), index, 0, &opsys, &attributes) == 0 &&
            opsys == ZIP_OPSYS_UNIX && ((attributes >> 16) & S_IFMT) == S_IFLNK)
            return fail(error, "the archive holds a symbolic link: \"" + name + "\"");
        zip_stat_t st;
        if (zip_stat_index(zip.get(), index, 0, &st) == 0 && (st.valid & ZIP_STAT_SIZE))
            declared += st.size;
        if (declared > limits.maxTotalBytes)
            return fail(error, "the archive unpacks to more than the allowed size");
    }

    std::error_code ec;
    if (fs::exists(fs::symlink_status(destination, ec)))
        return fail(error, "the unpack folder already exists: " + destination);
    if (!fs::create_directories(destination, ec) || ec)
        return fail(error, "cannot create " + destination);
    auto cleanupFail = [&](const std::string &text) {
        std::error_code ignored;
        fs::remove_all(destination, ignored);
        return fail(error, text);
    };

    uint64_t bytesWritten = 0;
    std::set<std::string> toldFolders;
    std::vector<char> buffer(64 * 1024);
    for (zip_int64_t i = 0; i < count; ++i) {
        const auto index = static_cast<zip_uint64_t>(i);
        const std::string name = zip_get_name(zip.get(), index, ZIP_FL_ENC_GUESS);
        const fs::path target = fs::path(destination) / name;
        const std::string relative = written ? relativeEntryPath(name) : std::string();
        if (name.back() == '/') {
            fs::create_directories(target, ec);
            if (ec)
                return cleanupFail("cannot create folder " + target.string());
            if (written)
                tellFolders(relative, true, toldFolders, written);
            continue;
        }
        fs::create_directories(target.parent_path(), ec);
        if (ec)
            return cleanupFail("cannot create folder " + target.parent_path().string());
        if (written)
            tellFolders(relative, false, toldFolders, written);
        ZipFilePtr in(zip_fopen_index(zip.get(), index, 0));
        if (!in)
            return cleanupFail("cannot read \"" + name + "\" in the archive: " + zip_strerror(zip.get()));
        std::ofstream out(target, std::ios::binary | std::ios::trunc);
        if (!out)
            return cleanupFail("cannot write " + target.string());
        for (;;) {
            const zip_int64_t n = zip_fread(in.get(), buffer.data(), buffer.size());
            if (n < 0)
                return cleanupFail("the archive entry \"" + name + "\" is damaged");
            if (n == 0)
                break;
            bytesWritten += static_cast<uint64_t>(n);
            if (bytesWritten > limits.maxTotalBytes)
                return cleanupFail("the archive unpacks to more than the allowed size");
            out.write(buffer.data(), n);
        }
        out.close();
        if (!out)
            return cleanupFail("cannot write " + target.string());
        if (written && lastCopy[relative] == i)
            written(relative, false);
    }
    return true;
}

namespace {
// Whether the archive's first entry is "mimetype", stored, holding exactly the type.
bool hasExactMimetype(zip_t *zip)
{
    zip_stat_t stat;
    zip_stat_init(&stat);
    const auto length = std::char_traits<char>::length(kMimetype);
    if (zip_get_num_entries(zip, 0) < 1 || zip_stat_index(zip, 0, 0, &stat) != 0 || !(stat.valid & ZIP_STAT_NAME) ||
        std::string(stat.name) != "mimetype" || !(stat.valid & ZIP_STAT_COMP_METHOD) ||
        stat.comp_method != ZIP_CM_STORE || !(stat.valid & ZIP_STAT_SIZE) || stat.size != length ||
        zip_file_extra_fields_count(zip, 0, ZIP_FL_LOCAL) != 0)
        return false;
    ZipFilePtr file(zip_fopen_index(zip, 0, 0));
    std::string content(length, '\0');
    return file && zip_fread(file.get(), content.data(), length) == static_cast<zip_int64_t>(length) &&
           content == kMimetype;
}

// Gives the ePub (zip) file `path` a first entry "mimetype" of exactly the type, stored; the
// other entries are carried over unchanged, in their order. A file that is no zip, or whose
// mimetype is right already, is left as it is.
bool setMimetypeEntry(const std::string &path, std::string *error)
{
    int code = 0;
    ZipPtr source(zip_open(path.c_str(), ZIP_RDONLY, &code));
    if (!source || hasExactMimetype(source.get()))
        return true;
    const std::string rebuilt = path + ".mime";
    ZipPtr zip(zip_open(rebuilt.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &code));
    if (!zip)
        return fail(error, "cannot create " + rebuilt);
    auto zipFail = [&](const std::string &text) {
        zip.reset();
        std::error_code ignored;
        fs::remove(rebuilt, ignored);
        return fail(error, text);
    };
    zip_source_t *mime = zip_source_buffer(zip.get(), kMimetype, std::char_traits<char>::length(kMimetype), 0);
    const zip_int64_t mimeIndex = mime ? zip_file_add(zip.get(), "mimetype", mime, ZIP_FL_ENC_UTF_8) : -1;
    if (mimeIndex < 0) {
        zip_source_free(mime);
        return zipFail("cannot add mimetype");
    }
    zip_set_file_compression(zip.get(), static_cast<zip_uint64_t>(mimeIndex), ZIP_CM_STORE, 0);
    const zip_int64_t count = zip_get_num_entries(source.get(), 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        const auto index = static_cast<zip_uint64_t>(i);
        const char *name = zip_get_name(source.get(), index, ZIP_FL_ENC_RAW);
        if (!name)
            return zipFail("cannot read the entries of " + path);
        if (std::string(name) == "mimetype")
            continue;
        zip_source_t *src = zip_source_zip(zip.get(), source.get(), index, 0, 0, -1);
        if (!src || zip_file_add(zip.get(), name, src, ZIP_FL_ENC_RAW) < 0) {
            zip_source_free(src);
            return zipFail(std::string("cannot carry over ") + name + " from " + path + ": " + zip_strerror(zip.get()));
        }
    }
    // The new archive reads its entries from the old one while it is written.
    zip_t *raw = zip.release();
    if (zip_close(raw) != 0) {
        std::string text = "cannot write " + rebuilt + ": " + zip_strerror(raw);
        zip_discard(raw);
        std::error_code ignored;
        fs::remove(rebuilt, ignored);
        return fail(error, text);
    }
    source.reset();
    std::error_code ec;
    fs::rename(rebuilt, path, ec);
    if (ec) {
        fs::remove(rebuilt, ec);
        return fail(error, "cannot write " + path);
    }
    return true;
}
} // namespace

bool packEpub(const std::string &source, const std::string &target, std::string *error)
{
    std::error_code ec;
    const auto status = fs::symlink_status(source, ec);
    const std::string tmp = target + ".part";
    fs::remove(tmp, ec);
    if (fs::is_regular_file(status)) {
        fs::copy_file(source, tmp, fs::copy_options::overwrite_existing, ec);
        if (ec) {
            fs::remove(tmp, ec);
            return fail(error, "cannot copy " + source + ": " + ec.message());
        }
        if (!setMimetypeEntry(tmp, error)) {
            fs::remove(tmp, ec);
            return false;
        }
    } else if (fs::is_directory(status)) {
        std::vector<std::string> files;
        for (auto it = fs::recursive_directory_iterator(source, ec); !ec && it != fs::recursive_directory_iterator();
             it.increment(ec)) {
            if (it->is_regular_file(ec) && !it->is_symlink(ec))
                files.push_back(fs::relative(it->path(), source, ec).generic_string());
        }
        if (ec)
            return fail(error, "cannot read the folder " + source + ": " + ec.message());
        std::sort(files.begin(), files.end());

        int code = 0;
        ZipPtr zip(zip_open(tmp.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &code));
        if (!zip)
            return fail(error, "cannot create " + tmp);
        auto zipFail = [&](const std::string &text) {
            zip.reset();
            std::error_code ignored;
            fs::remove(tmp, ignored);
            return fail(error, text);
        };
        // The reading system finds the type in the first entry, uncompressed. It is written
        // afresh: a copy whose mimetype file carries a line end or other bytes would make a
        // package that readers refuse.
        zip_source_t *mime = zip_source_buffer(zip.get(), kMimetype, std::char_traits<char>::length(kMimetype), 0);
        const zip_int64_t mimeIndex = mime ? zip_file_add(zip.get(), "mimetype", mime, ZIP_FL_ENC_UTF_8) : -1;
        if (mimeIndex < 0) {
            zip_source_free(mime);
            return zipFail("cannot add mimetype");
        }
        zip_set_file_compression(zip.get(), static_cast<zip_uint64_t>(mimeIndex), ZIP_CM_STORE, 0);
        for (const std::string &file : files) {
            if (file == "mimetype")
                continue;
            const fs::path path = fs::path(source) / file;
            zip_source_t *src = zip_source_file(zip.get(), path.c_str(), 0, -1);
            const zip_int64_t index = src ? zip_file_add(zip.get(), file.c_str(), src, ZIP_FL_ENC_UTF_8) : -1;
            if (index < 0) {
                zip_source_free(src);
                return zipFail("cannot add " + file + ": " + zip_strerror(zip.get()));
            }
            if (worthDeflating(path))
                zip_set_file_compression(zip.get(), static_cast<zip_uint64_t>(index), ZIP_CM_DEFLATE, kDeflateLevel);
            else
                zip_set_file_compression(zip.get(), static_cast<zip_uint64_t>(index), ZIP_CM_STORE, 0);
        }
        zip_t *raw = zip.release();
        if (zip_close(raw) != 0) {
            std::string text = std::string("cannot write ") + tmp + ": " + zip_strerror(raw);
            zip_discard(raw);
            fs::remove(tmp, ec);
            return fail(error, text);
        }
    } else {
        return fail(error, "nothing to pack at " + source);
    }
    fs::rename(tmp, target, ec);
    if (ec) {
        std::error_code ignored;
        fs::remove(tmp, ignored);
        return fail(error, "cannot write " + target + ": " + ec.message());
    }
    return true;
}

namespace {
// A package document larger than this is not one.
constexpr std::uintmax_t kMaxPackageBytes = 16u * 1024u * 1024u;

struct XmlTag
{
    std::string name;
    std::vector<std::pair<std::string, std::string>> attributes;
    std::size_t end = 0; // just past the ">"
    bool selfClosing = false;

    std::string attribute(const std::string &key) const
    {
        for (const auto &[k, v] : attributes) {
            if (k == key)
                return v;
        }
        return {};
    }
};

bool isXmlSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

std::string trimmed(const std::string &text)
{
    std::size_t begin = 0, end = text.size();
    while (begin < end && isXmlSpace(text[begin]))
        ++begin;
    while (end > begin && isXmlSpace(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}

// Every opening (and empty-element) tag of the document, in order; comments, processing
// instructions, declarations and closing tags are passed over. A tag cut off by the end of
// the text ends the list.
std::vector<XmlTag> openingTags(const std::string &text)
{
    std::vector<XmlTag> tags;
    std::size_t i = 0;
    while ((i = text.find('<', i)) != std::string::npos) {
        if (text.compare(i, 4, "<!--") == 0) {
            const std::size_t close = text.find("-->", i + 4);
            if (close == std::string::npos)
                break;
            i = close + 3;
            continue;
        }
        if (text.compare(i, 9, "<![CDATA[") == 0) {
            const std::size_t close = text.find("]]>", i + 9);
            if (close == std::string::npos)
                break;
            i = close + 3;
            continue;
        }
        ++i;
        if (i >= text.size())
            break;
        if (text[i] == '/' || text[i] == '?' || text[i] == '!') {
            const std::size_t close = text.find('>', i);
            if (close == std::string::npos)
                break;
            i = close + 1;
            continue;
        }
        XmlTag tag;
        while (i < text.size() && !isXmlSpace(text[i]) && text[i] != '>' && text[i] != '/')
            tag.name += text[i++];
        bool closed = false;
        while (i < text.size()) {
            while (i < text.size() && isXmlSpace(text[i]))
                ++i;
            if (i >= text.size())
                break;
            if (text[i] == '>') {
                closed = true;
                ++i;
                break;
            }
            if (text[i] == '/') {
                tag.selfClosing = true;
                ++i;
                continue;
            }
            std::string key;
            while (i < text.size() && !isXmlSpace(text[i]) && text[i] != '=' && text[i] != '>' && text[i] != '/')
                key += text[i++];
            while (i < text.size() && isXmlSpace(text[i]))
                ++i;
            std::string value;
            if (i < text.size() && text[i] == '=') {
                ++i;
                while (i < text.size() && isXmlSpace(text[i]))
                    ++i;
                if (i < text.size() && (text[i] == '"' || text[i] == '\'')) {
                    const char quote = text[i];
                    const std::size_t close = text.find(quote, i + 1);
                    if (close == std::string::npos) {
                        i = text.size();
                        break;
                    }
                    value = text.substr(i + 1, close - i - 1);
                    i = close + 1;
                }
            }
            if (!key.empty())
                tag.attributes.emplace_back(std::move(key), std::move(value));
        }
        if (!closed)
            break;
        tag.end = i;
        tags.push_back(std::move(tag));
    }
    return tags;
}

// Whether the white-space separated list `list` holds `token`.
bool hasToken(const std::string &list, const std::string &token)
{
    std::istringstream words(list);
    std::string word;
    while (words >> word) {
        if (word == token)
            return true;
    }
    return false;
}

bool isElement(const XmlTag &tag, const char *localName)
{
    const std::size_t colon = tag.name.rfind(':');
    return (colon == std::string::npos ? tag.name : tag.name.substr(colon + 1)) == localName;
}
} // namespace

PackageExtras readPackageExtras(const std::string &packageDocument)
{
    PackageExtras extras;
    std::error_code ec;
    const auto size = fs::file_size(packageDocument, ec);
    if (ec || size > kMaxPackageBytes)
        return extras;
    std::ifstream in(packageDocument, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::vector<XmlTag> tags = openingTags(text);

    auto elementText = [&](const XmlTag &tag) {
        const std::size_t close = text.find('<', tag.end);
        return trimmed(text.substr(tag.end, close == std::string::npos ? std::string::npos : close - tag.end));
    };
    std::string metaCover;
    for (const XmlTag &tag : tags) {
        const bool attributed = !tag.attributes.empty() && !tag.selfClosing;
        if (extras.title.empty() && attributed && tag.name == "dc:title")
            extras.title = elementText(tag);
        else if (extras.subject.empty() && attributed && tag.name == "dc:subject")
            extras.subject = elementText(tag);
        else if (extras.coverHref.empty() && isElement(tag, "item") && hasToken(tag.attribute("properties"), "cover-image"))
            extras.coverHref = tag.attribute("href");
        else if (metaCover.empty() && isElement(tag, "meta") && tag.attribute("name") == "cover")
            metaCover = tag.attribute("content");
    }
    if (extras.coverHref.empty() && !metaCover.empty()) {
        for (const XmlTag &tag : tags) {
            if (isElement(tag, "item") && tag.attribute("id") == metaCover) {
                extras.coverHref = tag.attribute("href");
                break;
            }
        }
    }
    return extras;
}

std::string md5HexOfFile(const std::string &path)
{
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> ctx(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
    EVP_DigestInit_ex(ctx.get(), EVP_md5(), nullptr);
    std::ifstream in(path, std::ios::binary);
    std::vector<char> buffer(64 * 1024);
    bool ok = static_cast<bool>(in);
    while (ok && in) {
        in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
        if (in.bad()) {
            ok = false;
            break;
        }
        EVP_DigestUpdate(ctx.get(), buffer.data(), static_cast<size_t>(in.gcount()));
    }
    if (!ok) {
        // An unreadable file hashes as empty input, whatever was read before the failure.
        EVP_DigestInit_ex(ctx.get(), EVP_md5(), nullptr);
    }
    std::array<unsigned char, EVP_MAX_MD_SIZE> digest{};
    unsigned int length = 0;
    EVP_DigestFinal_ex(ctx.get(), digest.data(), &length);
    std::string hex;
    char two[3];
    for (unsigned int i = 0; i < length; ++i) {
        std::snprintf(two, sizeof two, "%02x", digest[i]);
        hex += two;
    }
    return hex;
}

// ---- Packing while the files come ---------------------------------------------------------------

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

    static ssize_t readFull(int fd, char *buffer, size_t size)
    {
        size_t done = 0;
        while (done < size) {
            const ssize_t n = ::read(fd, buffer + done, size - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                return -1;
            if (n == 0)
                break;
            done += static_cast<size_t>(n);
        }
        return static_cast<ssize_t>(done);
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

    std::mutex mutex;
    std::condition_variable wake;
    std::deque<std::string> queue; // names below the folder, in the order they came
    bool closing = false;
    std::thread worker;

    State(std::string f, std::string s) : folder(std::move(f)), scratch(std::move(s)), writer(scratch) {}

    void pack(const std::string &name)
    {
        if (name == "mimetype" || !packed.insert(name).second)
            return;
        writer.addFile(name, fs::path(folder) / name);
    }

    void work()
    {
        for (;;) {
            std::string name;
            {
                std::unique_lock lock(mutex);
                wake.wait(lock, [this] { return closing || !queue.empty(); });
                if (queue.empty())
                    return;
                name = std::move(queue.front());
                queue.pop_front();
            }
            pack(name);
        }
    }

    void stop()
    {
        {
            std::lock_guard lock(mutex);
            closing = true;
        }
        wake.notify_one();
        if (worker.joinable())
            worker.join();
    }
};

EpubStreamPacker::EpubStreamPacker(std::string folder, std::string target)
    : m_state(std::make_unique<State>(std::move(folder), std::move(target)))
{
    // Readers find the type in the first entry, stored; it is written afresh, whatever the
    // book's own file holds.
    m_state->packed.insert("mimetype");
    m_state->writer.addBytes("mimetype", kMimetype, std::time(nullptr));
    m_state->worker = std::thread([state = m_state.get()] { state->work(); });
}

EpubStreamPacker::~EpubStreamPacker()
{
    m_state->stop();
    std::error_code ignored;
    fs::remove(m_state->scratch, ignored);
}

void EpubStreamPacker::add(const std::string &file)
{
    const std::string &folder = m_state->folder;
    if (file.size() <= folder.size() + 1 || file.compare(0, folder.size(), folder) != 0 || file[folder.size()] != '/')
        return;
    {
        std::lock_guard lock(m_state->mutex);
        if (m_state->closing)
            return;
        m_state->queue.push_back(file.substr(folder.size() + 1));
    }
    m_state->wake.notify_one();
}

bool EpubStreamPacker::finish(const std::string &target, std::string *error)
{
    State &s = *m_state;
    s.stop();
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
