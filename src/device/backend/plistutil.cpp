// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "device/backend/plistutil.h"

#include "core/fullio.h"

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

PlistPtr readPlistFile(const std::string &path)
{
    const std::optional<std::string> data = readRegularFile(path, kPlistFileLimit);
    if (!data || data->empty())
        return nullptr;
    plist_t root = nullptr;
    plist_from_memory(data->data(), static_cast<uint32_t>(data->size()), &root);
    return PlistPtr(root);
}

bool writePlistXmlFile(const std::string &path, plist_t root)
{
    char *xml = nullptr;
    uint32_t length = 0;
    plist_to_xml(root, &xml, &length);
    if (!xml)
        return false;
    const std::string tmp = path + ".tmp" + std::to_string(::getpid());
    bool ok = false;
    if (std::FILE *f = std::fopen(tmp.c_str(), "wb")) {
        ok = std::fwrite(xml, 1, length, f) == length;
        ok = (std::fclose(f) == 0) && ok;
    }
    plist_to_xml_free(xml);
    if (ok)
        ok = std::rename(tmp.c_str(), path.c_str()) == 0;
    if (!ok)
        std::remove(tmp.c_str());
    return ok;
}
