// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "operations/epubarchive.h"

#include "core/uitext.h"
#include "operations/epubzipchoices.h"

#include <openssl/evp.h>
#include <zip.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>
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

using epubzip::kDeflateLevel;
using epubzip::kMimetype;
using epubzip::worthDeflating;

std::atomic<ArchiveTextLookup> g_textLookup{nullptr};

// A sentence in the language of the program's lookup, the English source without one.
std::string archiveText(const char *context, const char *source)
{
    const ArchiveTextLookup lookup = g_textLookup.load();
    return lookup ? lookup(context, source) : std::string(source);
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

void setArchiveTextLookup(ArchiveTextLookup lookup)
{
    g_textLookup.store(lookup);
}

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
        std::string text = uiArgs(archiveText("Archive", "not a readable ePub (zip) file: %1"), {zip_error_strerror(&ze)});
        zip_error_fini(&ze);
        return fail(error, text);
    }
    const zip_int64_t count = zip_get_num_entries(zip.get(), 0);
    if (count < 0 || static_cast<uint64_t>(count) > limits.maxEntries)
        return fail(error, archiveText("Archive", "the archive holds too many entries"));

    // Check every entry before writing anything.
    uint64_t declared = 0;
    // Each file's last copy in the archive, so a repeated name is told once, when it is final.
    std::map<std::string, zip_int64_t> lastCopy;
    for (zip_int64_t i = 0; i < count; ++i) {
        const auto index = static_cast<zip_uint64_t>(i);
        const char *rawName = zip_get_name(zip.get(), index, ZIP_FL_ENC_GUESS);
        const std::string name = rawName ? rawName : "";
        if (!isSafeEntryName(name))
            return fail(error, uiArgs(archiveText("Archive", "the archive holds an entry outside its folder: \"%1\""), {name}));
        if (written && name.back() != '/')
            lastCopy[relativeEntryPath(name)] = i;
        zip_uint8_t opsys = 0;
        zip_uint32_t attributes = 0;
        if (zip_file_get_external_attributes(zip.get(), index, 0, &opsys, &attributes) == 0 &&
            opsys == ZIP_OPSYS_UNIX && ((attributes >> 16) & S_IFMT) == S_IFLNK)
            return fail(error, uiArgs(archiveText("Archive", "the archive holds a symbolic link: \"%1\""), {name}));
        zip_stat_t st;
        if (zip_stat_index(zip.get(), index, 0, &st) == 0 && (st.valid & ZIP_STAT_SIZE))
            declared += st.size;
        if (declared > limits.maxTotalBytes)
            return fail(error, archiveText("Archive", "the archive unpacks to more than the allowed size"));
    }

    std::error_code ec;
    if (fs::exists(fs::symlink_status(destination, ec)))
        return fail(error, uiArgs(archiveText("Archive", "the unpack folder already exists: %1"), {destination}));
    if (!fs::create_directories(destination, ec) || ec)
        return fail(error, uiArgs(archiveText("Archive", "cannot create %1"), {destination}));
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
                return cleanupFail(uiArgs(archiveText("Archive", "cannot create folder %1"), {target.string()}));
            if (written)
                tellFolders(relative, true, toldFolders, written);
            continue;
        }
        fs::create_directories(target.parent_path(), ec);
        if (ec)
            return cleanupFail(uiArgs(archiveText("Archive", "cannot create folder %1"), {target.parent_path().string()}));
        if (written)
            tellFolders(relative, false, toldFolders, written);
        ZipFilePtr in(zip_fopen_index(zip.get(), index, 0));
        if (!in)
            return cleanupFail(uiArgs(archiveText("Archive", "cannot read \"%1\" in the archive: %2"), {name, zip_strerror(zip.get())}));
        std::ofstream out(target, std::ios::binary | std::ios::trunc);
        if (!out)
            return cleanupFail(uiArgs(archiveText("Archive", "cannot write %1"), {target.string()}));
        for (;;) {
            const zip_int64_t n = zip_fread(in.get(), buffer.data(), buffer.size());
            if (n < 0)
                return cleanupFail(uiArgs(archiveText("Archive", "the archive entry \"%1\" is damaged"), {name}));
            if (n == 0)
                break;
            bytesWritten += static_cast<uint64_t>(n);
            if (bytesWritten > limits.maxTotalBytes)
                return cleanupFail(archiveText("Archive", "the archive unpacks to more than the allowed size"));
            out.write(buffer.data(), n);
        }
        out.close();
        if (!out)
            return cleanupFail(uiArgs(archiveText("Archive", "cannot write %1"), {target.string()}));
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

} // namespace

bool epubHasExactMimetype(const std::string &path)
{
    int code = 0;
    ZipPtr zip(zip_open(path.c_str(), ZIP_RDONLY, &code));
    return zip && hasExactMimetype(zip.get());
}

namespace {
// A new archive at `path` whose first entry is the mimetype, exactly the type and stored:
// reading systems look for it there, uncompressed. It is written afresh: a copy whose mimetype
// file carries a line end or other bytes would make a package that readers refuse. Null, with
// nothing left at `path`, when it cannot be made.
ZipPtr newEpubArchive(const std::string &path, std::string *error)
{
    int code = 0;
    ZipPtr zip(zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &code));
    if (!zip) {
        fail(error, uiArgs(archiveText("Archive", "cannot create %1"), {path}));
        return nullptr;
    }
    zip_source_t *mime = zip_source_buffer(zip.get(), kMimetype, std::char_traits<char>::length(kMimetype), 0);
    const zip_int64_t mimeIndex = mime ? zip_file_add(zip.get(), "mimetype", mime, ZIP_FL_ENC_UTF_8) : -1;
    if (mimeIndex < 0) {
        zip_source_free(mime);
        zip.reset();
        std::error_code ignored;
        fs::remove(path, ignored);
        fail(error, archiveText("Archive", "cannot add mimetype"));
        return nullptr;
    }
    zip_set_file_compression(zip.get(), static_cast<zip_uint64_t>(mimeIndex), ZIP_CM_STORE, 0);
    return zip;
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
    ZipPtr zip = newEpubArchive(rebuilt, error);
    if (!zip)
        return false;
    auto zipFail = [&](const std::string &text) {
        zip.reset();
        std::error_code ignored;
        fs::remove(rebuilt, ignored);
        return fail(error, text);
    };
    const zip_int64_t count = zip_get_num_entries(source.get(), 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        const auto index = static_cast<zip_uint64_t>(i);
        const char *name = zip_get_name(source.get(), index, ZIP_FL_ENC_RAW);
        if (!name)
            return zipFail(uiArgs(archiveText("Archive", "cannot read the entries of %1"), {path}));
        if (std::string(name) == "mimetype")
            continue;
        zip_source_t *src = zip_source_zip(zip.get(), source.get(), index, 0, 0, -1);
        if (!src || zip_file_add(zip.get(), name, src, ZIP_FL_ENC_RAW) < 0) {
            zip_source_free(src);
            return zipFail(uiArgs(archiveText("Archive", "cannot carry over %1 from %2: %3"), {name, path, zip_strerror(zip.get())}));
        }
    }
    // The new archive reads its entries from the old one while it is written.
    zip_t *raw = zip.release();
    if (zip_close(raw) != 0) {
        std::string text = uiArgs(archiveText("Archive", "cannot write %1: %2"), {rebuilt, zip_strerror(raw)});
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
        return fail(error, uiArgs(archiveText("Archive", "cannot write %1"), {path}));
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
            return fail(error, uiArgs(archiveText("Archive", "cannot copy %1: %2"), {source, ec.message()}));
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
            return fail(error, uiArgs(archiveText("Archive", "cannot read the folder %1: %2"), {source, ec.message()}));
        std::sort(files.begin(), files.end());

        ZipPtr zip = newEpubArchive(tmp, error);
        if (!zip)
            return false;
        auto zipFail = [&](const std::string &text) {
            zip.reset();
            std::error_code ignored;
            fs::remove(tmp, ignored);
            return fail(error, text);
        };
        for (const std::string &file : files) {
            if (file == "mimetype")
                continue;
            const fs::path path = fs::path(source) / file;
            zip_source_t *src = zip_source_file(zip.get(), path.c_str(), 0, -1);
            const zip_int64_t index = src ? zip_file_add(zip.get(), file.c_str(), src, ZIP_FL_ENC_UTF_8) : -1;
            if (index < 0) {
                zip_source_free(src);
                return zipFail(uiArgs(archiveText("Archive", "cannot add %1: %2"), {file, zip_strerror(zip.get())}));
            }
            if (worthDeflating(path))
                zip_set_file_compression(zip.get(), static_cast<zip_uint64_t>(index), ZIP_CM_DEFLATE, kDeflateLevel);
            else
                zip_set_file_compression(zip.get(), static_cast<zip_uint64_t>(index), ZIP_CM_STORE, 0);
        }
        zip_t *raw = zip.release();
        if (zip_close(raw) != 0) {
            std::string text = uiArgs(archiveText("Archive", "cannot write %1: %2"), {tmp, zip_strerror(raw)});
            zip_discard(raw);
            fs::remove(tmp, ec);
            return fail(error, text);
        }
    } else {
        return fail(error, uiArgs(archiveText("Archive", "nothing to pack at %1"), {source}));
    }
    fs::rename(tmp, target, ec);
    if (ec) {
        std::error_code ignored;
        fs::remove(tmp, ignored);
        return fail(error, uiArgs(archiveText("Archive", "cannot write %1: %2"), {target, ec.message()}));
    }
    return true;
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

bool epubzip::worthDeflating(const fs::path &file)
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
