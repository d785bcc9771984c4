// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "device/storage/devicepath.h"

std::string joinPath(const std::string &folder, const std::string &name)
{
    std::string a = folder;
    while (a.size() > 1 && a.back() == '/')
        a.pop_back();
    size_t start = 0;
    while (start < name.size() && name[start] == '/')
        ++start;
    if (start == name.size())
        return a;
    if (a.empty())
        return name.substr(start);
    if (a != "/")
        a += '/';
    return a.append(name, start, std::string::npos);
}

std::string lastComponent(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    const size_t slash = path.rfind('/');
    return slash == std::string::npos || path == "/" ? path : path.substr(slash + 1);
}

std::string parentFolder(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return {};
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}
