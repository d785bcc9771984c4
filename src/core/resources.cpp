// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "core/resources.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

std::string executableDir()
{
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec)
        return ".";
    return exe.parent_path().string();
}

std::string resourceDir()
{
    if (const char *env = std::getenv("BOOKFERRY_RESOURCES"); env && *env)
        return env;
    fs::path dir = fs::path(executableDir()) / ".." / "share" / "bookferry";
    std::error_code ec;
    fs::path canon = fs::weakly_canonical(dir, ec);
    return (ec ? dir : canon).string();
}

std::string resourcePath(const std::string &relative)
{
    return (fs::path(resourceDir()) / relative).string();
}
