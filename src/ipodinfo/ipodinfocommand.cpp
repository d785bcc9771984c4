// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "ipodinfo/ipodinfocommand.h"

#include "ipodinfo/ipodinfo.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>

namespace fs = std::filesystem;

namespace {
// Mount points in mountinfo are absolute and free of "..", symlinks and trailing
// slashes; the user's spelling of the same folder should match too.
std::string normalizedMountPoint(const std::string &argument)
{
    std::error_code ec;
    fs::path path = fs::weakly_canonical(argument, ec);
    if (ec) {
        path = fs::absolute(argument, ec);
        if (ec)
            path = argument;
        path = path.lexically_normal();
    }
    std::string text = path.string();
    while (text.size() > 1 && text.back() == '/')
        text.pop_back();
    return text;
}
} // namespace

int runIPodInfoCommand(const std::string &mountPoint, std::ostream &out, std::ostream &err)
{
    return runIPodInfoCommand(mountPoint, out, err, IPodProbeEnvironment::host());
}

int runIPodInfoCommand(const std::string &mountPoint, std::ostream &out, std::ostream &err,
                       const IPodProbeEnvironment &env)
{
    if (mountPoint.empty()) {
        err << "usage: bookferry-cli ipod-info MOUNTPOINT\n";
        return 2;
    }
    IPodProbeEnvironment streams = env;
    streams.out = &out;
    streams.err = &err;

    const std::string volume = normalizedMountPoint(mountPoint);
    const std::optional<std::string> path = GetiPodInfoPlistByVolume(volume, streams);
    if (!path) {
        err << "No disk-mode iPod description could be read from " << volume << ".\n";
        return 1;
    }
    std::ifstream in(*path, std::ios::binary);
    const std::string description((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in.good() && !in.eof()) {
        err << "Cannot read " << *path << ".\n";
        return 1;
    }
    out << *path << '\n';
    if (description.empty()) {
        err << "The iPod at " << volume << " gave an empty description.\n";
        return 1;
    }
    std::array<std::uint8_t, 8> value{};
    GetFirstKeyValue(description, value);
    char hex[2 * value.size() + 1];
    for (std::size_t i = 0; i < value.size(); ++i)
        std::snprintf(hex + 2 * i, 3, "%02X", value[i]);
    out << hex << '\n';
    return 0;
}
