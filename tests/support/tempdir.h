// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include <string>

// A fresh folder under the system's temporary folder, removed with everything in it
// when the object goes.
class TempDir
{
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;

    const std::string &path() const { return m_path; }
    std::string file(const std::string &relative) const { return m_path + "/" + relative; }

private:
    std::string m_path;
};

// Points BOOKFERRY_SCRATCH at a private temporary folder for the lifetime of the object.
class ScopedScratch
{
public:
    ScopedScratch();
    ~ScopedScratch();
    const std::string &path() const { return m_dir.path(); }

private:
    TempDir m_dir;
};

// A working file of the device `udid` in this process (deviceScratchPath()); by default the
// device the test builders make.
std::string deviceCopyPath(const std::string &relative,
                           const std::string &udid = "0123456789abcdef0123456789abcdef01234567");

std::string readWholeFile(const std::string &path);
void writeWholeFile(const std::string &path, const std::string &content);
