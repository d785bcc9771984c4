// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "device/folder/folderpaths.h"

#include "device/backend/mobiledevice.h"

#include <cerrno>
#include <cstdlib>
#include <string_view>
#include <sys/stat.h>

namespace {
std::string joinComponents(const std::string &root, const std::vector<std::string> &parts, size_t count)
{
    std::string path = root;
    for (size_t i = 0; i < count; ++i)
        path += "/" + parts[i];
    return path;
}

bool isInside(const std::string &real, const std::string &root)
{
    return real == root || (real.size() > root.size() && real.compare(0, root.size(), root) == 0 &&
                            real[root.size()] == '/');
}
} // namespace

std::optional<std::vector<std::string>> components(const char *path)
{
    std::vector<std::string> parts;
    std::string_view rest(path);
    while (!rest.empty()) {
        const size_t slash = rest.find('/');
        std::string_view part = rest.substr(0, slash);
        rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
        if (part.empty() || part == ".")
            continue;
        if (part == "..") {
            if (parts.empty())
                return std::nullopt;
            parts.pop_back();
            continue;
        }
        parts.emplace_back(part);
    }
    return parts;
}

std::optional<std::string> realPath(const std::string &path)
{
    char *resolved = ::realpath(path.c_str(), nullptr);
    if (!resolved)
        return std::nullopt;
    std::string out(resolved);
    std::free(resolved);
    return out;
}

int errnoResult(int err)
{
    return err == ENOENT || err == ENOTDIR ? static_cast<int>(MDERR_NOT_FOUND) : static_cast<int>(MDERR_FAILED);
}

int resolveExisting(const std::string &root, const char *path, std::string &out)
{
    auto parts = components(path);
    if (!parts)
        return MDERR_FAILED;
    auto real = realPath(joinComponents(root, *parts, parts->size()));
    if (!real)
        return errnoResult(errno);
    if (!isInside(*real, root))
        return MDERR_FAILED;
    out = *real;
    return MDERR_OK;
}

int resolveParent(const std::string &root, const char *path, std::string &parent, std::string &last)
{
    auto parts = components(path);
    if (!parts || parts->empty())
        return MDERR_FAILED;
    auto real = realPath(joinComponents(root, *parts, parts->size() - 1));
    if (!real)
        return errnoResult(errno);
    if (!isInside(*real, root))
        return MDERR_FAILED;
    parent = *real;
    last = parts->back();
    return MDERR_OK;
}

int resolveForCreate(const std::string &root, const char *path, std::string &out)
{
    std::string parent, last;
    if (int rc = resolveParent(root, path, parent, last))
        return rc;
    std::string target = parent + "/" + last;
    struct stat st{};
    if (::lstat(target.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        auto real = realPath(target);
        if (!real || !isInside(*real, root))
            return MDERR_FAILED;
        target = *real;
    }
    out = target;
    return MDERR_OK;
}
