// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "operations/bookpath.h"

#include "core/uitext.h"

#include <algorithm>
#include <cctype>

std::string bookPathProblem(const std::string &path)
{
    if (path.empty())
        return uiText("Operations", "the book has no \"Path\" in the catalogue");
    std::string lower = path;
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
    const bool catalogueFile =
        lower == "purchases" || (lower.size() >= 6 && lower.compare(lower.size() - 6, 6, ".plist") == 0);
    if (path.find('/') != std::string::npos || path.find('\0') != std::string::npos || path.front() == '.' ||
        catalogueFile)
        return uiArgs(uiText("Operations", "the book's \"Path\" does not name a book folder or book file: %1"), {path});
    return {};
}

std::string exportFileNameForTitle(const std::string &title, const std::string &fallback)
{
    std::string name;
    for (char c : title) {
        const auto u = static_cast<unsigned char>(c);
        name += (c == '/' || u < 0x20 || u == 0x7f) ? '_' : c;
    }
    constexpr std::size_t kMaxBytes = 240;
    if (name.size() > kMaxBytes) {
        std::size_t cut = kMaxBytes;
        while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xc0) == 0x80)
            --cut;
        name.resize(cut);
    }
    return name.empty() || name == "." || name == ".." ? fallback : name;
}
