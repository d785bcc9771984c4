// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "ipodinfo/ipodinfo.h"

#include "core/fullio.h"
#include "core/scratch.h"
#include "ipodinfo/assertion.h"
#include "ipodinfo/mountinfo.h"
#include "ipodinfo/scsitask.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <sys/sysmacros.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {
// Vital-product-data page: byte 1 page code, byte 3 payload length, payload from byte 4.
constexpr std::size_t kPageCodeOffset = 1;
constexpr std::size_t kPageLengthOffset = 3;
constexpr std::size_t kPayloadOffset = 4;
constexpr std::size_t kPayloadCapacity = kInquiryBufferSize - kPayloadOffset;

void print(std::ostream &stream, const char *format, ...) __attribute__((format(printf, 2, 3)));

void print(std::ostream &stream, const char *format, ...)
{
    char line[1024];
    va_list args;
    va_start(args, format);
    const int length = std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    if (length > 0)
        stream.write(line, std::min<std::streamsize>(length, sizeof line - 1));
    stream.flush();
}

std::optional<std::string> readAttribute(const fs::path &folder, const std::string &name)
{
    std::ifstream in(folder / name, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::string value((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    while (!value.empty() && std::isspace(static_cast<unsigned char>(value.back())))
        value.pop_back();
    return value;
}

std::optional<dev_t> parseDeviceNumber(const std::string &text)
{
    unsigned major = 0, minor = 0;
    char rest = 0;
    if (std::sscanf(text.c_str(), "%u:%u%c", &major, &minor, &rest) != 2)
        return std::nullopt;
    return makedev(major, minor);
}

std::vector<std::string> childNames(const fs::path &folder)
{
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        names.push_back(it->path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

bool matchesAttributes(const fs::path &device, const MatchingDictionary &matching)
{
    for (const auto &[name, expected] : matching) {
        const std::optional<std::string> value = readAttribute(device, name);
        if (!value || *value != expected)
            return false;
    }
    return !matching.empty();
}

// The node that carries commands to a SCSI device: its sg node, else its disk.
std::optional<ScsiDeviceNode> findCommandNode(const fs::path &device, const IPodProbeEnvironment &env)
{
    for (const char *kind : {"scsi_generic", "block"}) {
        for (const std::string &name : childNames(device / kind)) {
            const std::optional<std::string> number = readAttribute(device / kind / name, "dev");
            const std::optional<dev_t> parsed = number ? parseDeviceNumber(*number) : std::nullopt;
            if (parsed)
                return ScsiDeviceNode{(fs::path(env.deviceRoot) / name).string(), *parsed,
                                      std::strcmp(kind, "scsi_generic") == 0};
        }
    }
    return std::nullopt;
}

bool isPlainKernelName(const std::string &name)
{
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos
        && name.find('\0') == std::string::npos;
}

bool isStrictlyWithin(const fs::path &root, const fs::path &path)
{
    const auto [rootEnd, pathAt] = std::mismatch(root.begin(), root.end(), path.begin(), path.end());
    return rootEnd == root.end() && pathAt != path.end();
}

// A device answer may claim more payload than the 255-byte buffer holds; only what
// the buffer holds is ever read.
std::size_t payloadLength(const InquiryBuffer &page, std::ostream &err)
{
    const std::size_t claimed = page[kPageLengthOffset];
    if (claimed <= kPayloadCapacity)
        return claimed;
    print(err, "xxxxxxxx Page 0x%02x claims %zu bytes; only %zu fit the inquiry buffer.\n",
          page[kPageCodeOffset], claimed, kPayloadCapacity);
    return kPayloadCapacity;
}

// Appends the payload of every page the index lists, in its order, up to the first
// page that cannot be read. False only when the file cannot be written.
bool copyDescription(ScsiTaskDeviceInterface &device, int file, const std::string &path,
                     const IPodProbeEnvironment &env)
{
    InquiryBuffer index{};
    InquiryBuffer page{};
    if (!ExecuteVPDInquiryUsingSTUC(&device, kIPodIndexPage, index, env)
        || index[kPageCodeOffset] != kIPodIndexPage)
        return true;
    const std::size_t count = payloadLength(index, env.errors());
    for (std::size_t i = 0; i < count; ++i) {
        if (!ExecuteVPDInquiryUsingSTUC(&device, index[kPayloadOffset + i], page, env))
            break;
        if (!writeFull(file, page.data() + kPayloadOffset, payloadLength(page, env.errors()))) {
            print(env.errors(), "xxxxxxxx Could not write %s: %s\n", path.c_str(), std::strerror(errno));
            return false;
        }
    }
    return true;
}

int hexDigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return 0;
}
} // namespace

std::optional<std::string> GetiPodInfoPlistByVolume(const std::string &mountPoint,
                                                     const IPodProbeEnvironment &env)
{
    int error = 0;
    const std::optional<std::vector<MountInfoEntry>> mounts = readMountInfo(env.mountInfoPath, &error);
    if (!mounts) {
        print(env.output(), "Cannot read %s: %s\n", env.mountInfoPath.c_str(), std::strerror(error));
        return std::nullopt;
    }
    // Only the last mount on a path is visible there; the ones beneath are hidden.
    const auto mount = std::find_if(mounts->rbegin(), mounts->rend(),
                                    [&](const MountInfoEntry &m) { return m.mountPoint == mountPoint; });
    if (mount == mounts->rend())
        return std::nullopt;

    std::error_code ec;
    const fs::path link = fs::path(env.sysfsRoot) / "dev" / "block"
        / (std::to_string(mount->major) + ":" + std::to_string(mount->minor));
    const fs::path target = fs::read_symlink(link, ec);
    if (ec || target.filename().empty()) {
        // Not a block device (tmpfs, network and FUSE volumes have no disk behind them).
        print(env.output(), "PBHGetVolParmsSync returned %d\n", ec ? -ec.value() : -ENODEV);
        return std::nullopt;
    }
    return GetiPodInfoPlistByDeviceID(target.filename().string(), env);
}

std::optional<std::string> GetiPodInfoPlistByDeviceID(const std::string &bsdName,
                                                       const IPodProbeEnvironment &env)
{
    if (!isPlainKernelName(bsdName)) {
        print(env.output(), "IOBSDNameMatching returned a NULL dictionary.\n");
        return std::nullopt;
    }
    std::vector<DeviceEntry> services;
    for (const char *deviceClass : {"block", "scsi_generic"}) {
        std::error_code ec;
        const fs::path entry = fs::canonical(fs::path(env.sysfsRoot) / "class" / deviceClass / bsdName, ec);
        if (ec == std::errc::no_such_file_or_directory)
            continue;
        if (ec) {
            print(env.output(), "IOServiceGetMatchingServices returned %d\n", -ec.value());
            return std::nullopt;
        }
        services.push_back({entry.string()});
    }
    for (const DeviceEntry &service : services) {
        const DeviceEntry hit = ProbeNearby(service, env);
        if (hit != IO_OBJECT_NULL)
            return GetiPodInfoPlistByServiceID(hit, env);
    }
    return std::nullopt;
}

DeviceEntry ProbeNearby(const DeviceEntry &entry, const IPodProbeEnvironment &env)
{
    std::error_code ec;
    const fs::path root = fs::canonical(fs::path(env.sysfsRoot) / "devices", ec);
    fs::path current;
    if (!ec)
        current = fs::canonical(entry.path, ec);
    if (ec) {
        print(env.output(), "IORegistryEntryCreateIterator returned %d\n", -ec.value());
        return IO_OBJECT_NULL;
    }
    if (current != root && !isStrictlyWithin(root, current)) {
        print(env.output(), "IORegistryEntryCreateIterator returned %d\n", -EINVAL);
        return IO_OBJECT_NULL;
    }
    // The entry, then each parent up to (not including) the root of the device tree.
    for (; current != root; current = current.parent_path()) {
        const DeviceEntry candidate{current.string()};
        if (isValidiPodDevice(candidate, env))
            return candidate;
    }
    return IO_OBJECT_NULL;
}

bool isValidiPodDevice(const DeviceEntry &service, const IPodProbeEnvironment &env)
{
    ScsiDeviceNode plugIn;
    std::unique_ptr<ScsiTaskDeviceInterface> device;
    if (!CreateDeviceInterfaceUsingSTUC(service, plugIn, device, env))
        return false;
    if (const int code = device->releaseExclusiveAccess())
        print(env.errors(), "xxxxxxxx ReleaseExclusiveAccess failed. (0x%08x)\n", static_cast<unsigned>(code));
    return true;
}

bool CreateDeviceInterfaceUsingSTUC(const DeviceEntry &scsiDevice, ScsiDeviceNode &plugInInterface,
                                    std::unique_ptr<ScsiTaskDeviceInterface> &interface,
                                    const IPodProbeEnvironment &env)
{
    IPODINFO_ASSERT(scsiDevice != IO_OBJECT_NULL, false);
    interface.reset();
    MatchingDictionary matching;
    CreateMatchingDictionaryForSTUC(&matching);
    if (!matchesAttributes(scsiDevice.path, matching))
        return false;
    const std::optional<ScsiDeviceNode> node = findCommandNode(scsiDevice.path, env);
    if (!node)
        return false;
    int error = 0;
    std::unique_ptr<ScsiTaskDeviceInterface> device = ScsiTaskDeviceInterface::open(env.scsi(), *node, &error);
    if (!device) {
        // Without an open device there is nothing to hand over: report failure.
        print(env.errors(), "xxxxxxxx Couldn't create SCSI device interface. (%ld)\n", static_cast<long>(error));
        return false;
    }
    plugInInterface = *node;
    interface = std::move(device);
    return true;
}

std::optional<std::string> GetiPodInfoPlistByServiceID(const DeviceEntry &scsiDevice,
                                                        const IPodProbeEnvironment &env)
{
    ScsiDeviceNode plugIn;
    std::unique_ptr<ScsiTaskDeviceInterface> device;
    if (!CreateDeviceInterfaceUsingSTUC(scsiDevice, plugIn, device, env))
        return std::nullopt;
    if (const int code = device->obtainExclusiveAccess()) {
        print(env.errors(), "xxxxxxxx ObtainExclusiveAccess failed. (0x%08x)\n", static_cast<unsigned>(code));
        return std::nullopt;
    }

    const std::string path = scratchPath("ipod.plist");
    bool saved = false;
    if (path.empty()) {
        print(env.errors(), "xxxxxxxx No private scratch folder to save the iPod description in.\n");
    } else if (const int file = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
               file < 0) {
        print(env.errors(), "xxxxxxxx Could not open %s: %s\n", path.c_str(), std::strerror(errno));
    } else {
        saved = copyDescription(*device, file, path, env);
        if (::close(file) != 0 && saved) {
            print(env.errors(), "xxxxxxxx Could not write %s: %s\n", path.c_str(), std::strerror(errno));
            saved = false;
        }
    }

    if (const int code = device->releaseExclusiveAccess()) {
        print(env.errors(), "xxxxxxxx ReleaseExclusiveAccess failed. (0x%08x)\n", static_cast<unsigned>(code));
        return std::nullopt;
    }
    if (!saved)
        return std::nullopt;
    return path;
}

bool ExecuteVPDInquiryUsingSTUC(ScsiTaskDeviceInterface *interface, std::uint8_t pageCode,
                                InquiryBuffer &buffer, const IPodProbeEnvironment &env)
{
    IPODINFO_ASSERT(interface != NULL, false);
    std::ostream &err = env.errors();
    const std::unique_ptr<ScsiTask> task = interface->createSCSITask();
    if (!task) {
        print(err, "xxxxxxxx CreateSCSITask returned NULL.\n");
        return false;
    }
    buffer.fill(0);
    const ScsiVirtualRange range{buffer.data(), buffer.size()};
    // INQUIRY, EVPD bit, page, allocation length 255.
    const std::uint8_t cdb[6] = {0x12, 0x01, pageCode, 0x00, 0xFF, 0x00};

    if (const int code = task->setCommandDescriptorBlock(cdb, sizeof cdb))
        print(err, "xxxxxxxx Error setting CDB. (0x%08x)\n", static_cast<unsigned>(code));
    if (const int code = task->setScatterGatherEntries(&range, 1, buffer.size(),
                                                       ScsiDataTransferDirection::FromTargetToInitiator))
        print(err, "xxxxxxxx Error setting scatter-gather entries. (0x%08x)\n", static_cast<unsigned>(code));
    if (const int code = task->setTimeoutDuration(kInquiryTimeoutMs))
        print(err, "xxxxxxxx Error setting timeout. (0x%08x)\n", static_cast<unsigned>(code));

    ScsiSenseData sense{};
    int taskStatus = kScsiTaskStatusDeliveryFailure;
    std::uint64_t transferCount = 0;
    if (const int code = task->executeTaskSync(&sense, &taskStatus, &transferCount))
        print(err, "xxxxxxxx Error executing task. (0x%08x)\n", static_cast<unsigned>(code));
    return taskStatus == kScsiTaskStatusGood;
}

void CreateMatchingDictionaryForSTUC(MatchingDictionary *matchingDict)
{
    IPODINFO_ASSERT(matchingDict != NULL);
    // An iPod in disk mode answers INQUIRY as vendor "Apple", product "iPod".
    *matchingDict = {{"vendor", "Apple"}, {"model", "iPod"}};
}

std::array<std::uint8_t, 8> &GetFirstKeyValue(std::string_view xml, std::array<std::uint8_t, 8> &output)
{
    static constexpr std::string_view open = "<string>";
    static constexpr std::string_view close = "</string>";
    char digits[16] = {};
    if (const std::size_t at = xml.find(open); at != std::string_view::npos) {
        const std::size_t start = at + open.size();
        // The value ends at its closing tag, after 16 digits, or where the text ends.
        const std::size_t end = std::min({xml.find(close, start), xml.find('\0', start), xml.size()});
        std::copy_n(xml.data() + start, std::min<std::size_t>(end - start, sizeof digits), digits);
    }
    for (std::size_t k = 0; k < output.size(); ++k)
        output[k] = static_cast<std::uint8_t>(hexDigitValue(digits[2 * k]) * 16 + hexDigitValue(digits[2 * k + 1]));
    return output;
}
