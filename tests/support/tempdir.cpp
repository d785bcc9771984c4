// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "tempdir.h"

#include "core/scratch.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <unistd.h>

namespace fs = std::filesystem;

TempDir::TempDir()
{
    std::string tmpl = (fs::temp_directory_path() / "bookferry-test-XXXXXX").string();
    if (!::mkdtemp(tmpl.data()))
        throw std::runtime_error("mkdtemp failed");
    m_path = tmpl;
}

TempDir::~TempDir()
{
    std::error_code ec;
    fs::remove_all(m_path, ec);
}

ScopedScratch::ScopedScratch()
{
    ::setenv("BOOKFERRY_SCRATCH", (m_dir.path() + "/scratch").c_str(), 1);
    resetScratchDir();
}

ScopedScratch::~ScopedScratch()
{
    ::unsetenv("BOOKFERRY_SCRATCH");
    resetScratchDir();
}

std::string deviceCopyPath(const std::string &relative, const std::string &udid)
{
    return deviceScratchPath(udid, relative);
}

std::string readWholeFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void writeWholeFile(const std::string &path, const std::string &content)
{
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
}
