// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

// The data, cache and preference folders of a test program and every program it starts: a
// folder of its own, removed at the end, so that no test reads or writes the user's catalogue
// backups, covers or settings, and two test programs running at once never share them.
class TestHome
{
public:
    TestHome()
    {
        const char *tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/bookferry-test-home-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr)
            std::abort();
        m_path = pattern;
        for (const char *name : {"XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_CONFIG_HOME"}) {
            const std::string dir = m_path + "/" + name;
            std::filesystem::create_directory(dir);
            ::setenv(name, dir.c_str(), 1);
        }
    }
    ~TestHome()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    TestHome(const TestHome &) = delete;
    TestHome &operator=(const TestHome &) = delete;

private:
    std::string m_path;
};
