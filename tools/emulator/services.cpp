// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// The device-port services of the emulator: lockdownd, AFC and the notification proxy.
#include "afcprotocol.h"
#include "channel.h"
#include "emulator.h"
#include "plistframing.h"
#include "trace.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <sys/file.h>
#include <unistd.h>

namespace {

constexpr uint64_t MaxReadReply = 4u << 20;
constexpr size_t WriteChunk = 1u << 20;

// Where a plist service's messages are traced.
struct Tap
{
    Trace &trace;
    uint64_t connection;
    const char *layer;
};

// One framed plist from the channel; nullptr at the end of the stream or on bad input.
PlistPtr receiveMessage(Channel &channel, const Tap &tap)
{
    const char *service = tap.layer;
    uint8_t prefix[4];
    if (!channel.readExact(prefix, sizeof prefix))
        return nullptr;
    auto length = plistframe::parseLength(prefix, sizeof prefix);
    if (!length) {
        std::fprintf(stderr, "%s: %s; closing the connection\n", service, length.error.c_str());
        return nullptr;
    }
    Bytes body(*length.value);
    if (!channel.readExact(body.data(), body.size()))
        return nullptr;
    auto message = plistframe::parseBody(body.data(), body.size());
    if (!message) {
        std::fprintf(stderr, "%s: %s; closing the connection\n", service, message.error.c_str());
        if (tap.trace.enabled())
            tap.trace.line(tap.connection, tap.layer, '>', "(unreadable message, " + std::to_string(body.size()) + " bytes)");
        return nullptr;
    }
    if (tap.trace.enabled())
        tap.trace.line(tap.connection, tap.layer, '>', trace::describePlist(message.value->get()));
    return std::move(*message.value);
}

bool sendMessage(Channel &channel, plist_t message, const Tap &tap)
{
    if (tap.trace.enabled())
        tap.trace.line(tap.connection, tap.layer, '<', trace::describePlist(message));
    const Bytes bytes = plistframe::encode(message);
    return channel.writeAll(bytes.data(), bytes.size());
}

bool sendBytes(Channel &channel, const Bytes &bytes)
{
    return channel.writeAll(bytes.data(), bytes.size());
}

bool isKnownService(const std::string &name)
{
    return name == "com.apple.afc" || name == "com.apple.mobile.notification_proxy"
        || name == "com.apple.mobile.insecure_notification_proxy" || name == "com.apple.mobile.installation_proxy"
        || name == "com.apple.mobile.house_arrest" || name == "com.apple.springboardservices";
}

bool escrowBagOpens(plist_t request, const FolderDevice &folder)
{
    plist_t node = plist_dict_get_item(request, "EscrowBag");
    if (!node || plist_get_node_type(node) != PLIST_DATA)
        return false;
    uint64_t length = 0;
    const char *bytes = plist_get_data_ptr(node, &length);
    const Bytes bag = folder.escrowBag();
    return bytes && !bag.empty() && Bytes(bytes, bytes + length) == bag;
}

} // namespace

std::optional<uint16_t> Emulator::allocateServicePort(uint32_t deviceId, const std::string &service)
{
    // Ports outlive the lockdown connection: the client connects after closing it.
    uint16_t port;
    {
        std::lock_guard lock(m_mutex);
        if (m_services.size() >= 65536 - 49152)
            return std::nullopt;
        do {
            port = m_nextPort;
            m_nextPort = m_nextPort == 65535 ? 49152 : uint16_t(m_nextPort + 1);
        } while (m_services.count(port));
        m_services[port] = Service{deviceId, service};
    }
    // A client on the network connects to the port itself.
    listenOnNetwork(deviceId, port);
    return port;
}

void Emulator::serveLockdown(Channel &channel, Device &device, uint64_t connection)
{
    const Tap tap{m_trace, connection, "lockdown"};
    FolderDevice &folder = *device.folder;
    const bool paired = folder.paired() && !m_options.refusePairing;
    bool session = false;
    for (;;) {
        PlistPtr message = receiveMessage(channel, tap);
        if (!message)
            return;
        const std::string request = plistString(message.get(), "Request").value_or(std::string());
        m_counters.add("lockdown." + (request.empty() ? std::string("(none)") : request));
        device.link->requestDelay();
        PlistPtr reply(plist_new_dict());
        plist_dict_set_item(reply.get(), "Request", plist_new_string(request.c_str()));
        // Failures go out as "Error" without "Result": the client maps only that form.
        auto fail = [&](const char *error) { plist_dict_set_item(reply.get(), "Error", plist_new_string(error)); };
        plist_t pairRecord = plist_dict_get_item(message.get(), "PairRecord");
        const std::string pairHost = plistString(pairRecord, "HostID").value_or(std::string());

        if (request == "QueryType") {
            plist_dict_set_item(reply.get(), "Type", plist_new_string("com.apple.mobile.lockdown"));
        } else if (request == "GetValue") {
            const auto domain = plistString(message.get(), "Domain");
            const auto key = plistString(message.get(), "Key");
            if (domain)
                plist_dict_set_item(reply.get(), "Domain", plist_new_string(domain->c_str()));
            if (key)
                plist_dict_set_item(reply.get(), "Key", plist_new_string(key->c_str()));
            if (PlistPtr value = folder.value(domain.value_or(""), key.value_or("")))
                plist_dict_set_item(reply.get(), "Value", value.release());
            else
                fail("MissingValue");
        } else if (request == "SetValue" || request == "RemoveValue") {
            fail("SetProhibited");
        } else if (request == "StartSession") {
            const auto host = plistString(message.get(), "HostID");
            if (!host) {
                fail("MissingHostID");
            } else if (!paired || !folder.trustsHost(*host)) {
                fail("InvalidHostID");
            } else if (session) {
                fail("SessionActive");
            } else {
                plist_dict_set_item(reply.get(), "SessionID", plist_new_string(randomUuid().c_str()));
                plist_dict_set_item(reply.get(), "EnableSessionSSL", plist_new_bool(1));
                if (!sendMessage(channel, reply.get(), tap))
                    return;
                std::string error;
                if (!channel.startTls(folder.tlsContext(), &error)) {
                    std::fprintf(stderr, "lockdown: TLS handshake with the host failed: %s\n", error.c_str());
                    return;
                }
                session = true;
                continue;
            }
        } else if (request == "StopSession") {
            if (!sendMessage(channel, reply.get(), tap))
                return;
            channel.endTls();
            session = false;
            continue;
        } else if (request == "StartService") {
            // Only Request and Service matter; Label, ProtocolVersion and EscrowBag may come or not.
            const std::string service = plistString(message.get(), "Service").value_or(std::string());
            if (service.empty()) {
                fail("MissingService");
            } else if (!session) {
                fail("SessionInactive");
            } else if (std::find(m_options.failedServices.begin(), m_options.failedServices.end(), service)
                       != m_options.failedServices.end()) {
                fail("ServiceProhibited");
            } else if (!isKnownService(service)) {
                fail("InvalidService");
            } else if (service == "com.apple.mobile.house_arrest" && folder.locked()
                       && !escrowBagOpens(message.get(), folder)) {
                // App containers are closed while the device is locked, unless the host
                // shows the escrow bag it was given when it paired.
                fail("PasswordProtected");
            } else if (auto port = allocateServicePort(device.id, service)) {
                plist_dict_set_item(reply.get(), "Service", plist_new_string(service.c_str()));
                plist_dict_set_item(reply.get(), "Port", plist_new_uint(*port));
            } else {
                fail("ServiceLimit"); // every service port is taken (they live until the device goes)
            }
        } else if (request == "ValidatePair") {
            if (!paired || !folder.trustsHost(pairHost))
                fail("InvalidHostID");
        } else if (request == "Pair") {
            if (!paired)
                fail(m_options.pairingError.c_str());
            else if (pairHost.empty())
                fail("InvalidPairRecord");
            else
                folder.trustHost(pairHost);
        } else if (request == "Unpair") {
            // Nothing to forget: the folder device's own record stays trusted.
        } else if (request == "Goodbye") {
            sendMessage(channel, reply.get(), tap);
            return;
        } else {
            fail("InvalidRequest");
        }
        if (!sendMessage(channel, reply.get(), tap))
            return;
    }
}

void Emulator::serveAfc(Channel &channel, Device &device, uint64_t connection, const AfcFolder &folder)
{
    std::map<uint64_t, int> handles;
    uint64_t nextHandle = 1;
    uint64_t packets = 0;
    Bytes buffer;
    auto answer = [&](const Bytes &packet) {
        if (m_trace.enabled())
            m_trace.line(connection, "afc", '<', trace::describeAfcAnswer(packet));
        return sendBytes(channel, packet);
    };
    for (;;) {
        uint8_t headerBytes[afc::HeaderSize];
        if (!channel.readExact(headerBytes, sizeof headerBytes))
            break;
        auto header = afc::parseHeader(headerBytes, sizeof headerBytes);
        if (!header) {
            std::fprintf(stderr, "afc: %s; closing the connection\n", header.error.c_str());
            break;
        }
        afc::Header h = *header.value;
        // FILE_WRITE is read as handle + bytes whatever its this_length says; the bytes stream.
        const bool write = h.operation == afc::OpFileWrite;
        if (write)
            h.thisLength = std::min<uint64_t>(h.entireLength, afc::HeaderSize + 8);
        Bytes arguments(h.headerDataLength());
        if (!channel.readExact(arguments.data(), arguments.size()))
            break;
        uint64_t payloadLeft = h.payloadLength();
        // Drains what is left of the payload, writing it to fd when fd >= 0.
        auto consumePayload = [&](int fd, uint64_t &status) {
            buffer.resize(std::min<uint64_t>(payloadLeft, WriteChunk));
            while (payloadLeft > 0) {
                const size_t chunk = size_t(std::min<uint64_t>(payloadLeft, WriteChunk));
                if (!channel.readExact(buffer.data(), chunk))
                    return false;
                payloadLeft -= chunk;
                if (fd >= 0 && status == afc::StatusSuccess) {
                    size_t done = 0;
                    while (done < chunk) {
                        const ssize_t n = ::write(fd, buffer.data() + done, chunk - done);
                        if (n < 0 && errno == EINTR)
                            continue;
                        if (n <= 0) {
                            status = AfcFolder::statusFromErrno(n < 0 ? errno : EIO);
                            break;
                        }
                        done += size_t(n);
                    }
                }
            }
            return true;
        };
        // Only FILE_WRITE carries bytes; any other payload is read, and stands for the
        // arguments when the header data is empty. An oversized one is drained and refused.
        bool argumentsLost = false;
        if (!write && payloadLeft > 0) {
            if (payloadLeft <= afc::MaxHeaderData) {
                Bytes payload(payloadLeft);
                if (!channel.readExact(payload.data(), payload.size()))
                    break;
                payloadLeft = 0;
                if (arguments.empty())
                    arguments = std::move(payload);
            } else {
                uint64_t ignored = 0;
                if (!consumePayload(-1, ignored))
                    break;
                argumentsLost = arguments.empty();
            }
        }
        auto parsed = argumentsLost ? Parsed<afc::Request>::fail("AFC arguments too large")
                                    : afc::parseRequest(h, arguments.data(), arguments.size());
        if (m_trace.enabled())
            m_trace.line(connection, "afc", '>',
                         trace::describeAfcRequest(*header.value, parsed ? &*parsed.value : nullptr));
        if (m_options.dropAfterAfcPackets && ++packets > m_options.dropAfterAfcPackets)
            break; // injected fault: the link goes dead mid-conversation
        const char *name = afc::operationName(h.operation);
        const uint64_t nth = m_counters.add(std::string("afc.") + (name ? name : "UNKNOWN"));
        device.link->requestDelay();
        if (!parsed) {
            // The lengths framed the packet, so the stream is still in step: answer and go on.
            std::fprintf(stderr, "afc: %s\n", parsed.error.c_str());
            uint64_t ignored = 0;
            if (!consumePayload(-1, ignored)
                || !answer(afc::encodeStatus(h.packetNum, name ? afc::StatusInvalidArg : afc::StatusOpNotSupported)))
                break;
            continue;
        }
        const afc::Request &r = *parsed.value;

        const auto failure = std::find_if(m_options.afcFailures.begin(), m_options.afcFailures.end(),
                                          [&](const AfcFailure &f) {
                                              return f.operation == h.operation && (f.nth == 0 || f.nth == nth);
                                          });
        if (failure != m_options.afcFailures.end()) {
            uint64_t ignored = 0;
            if (!consumePayload(-1, ignored) || !answer(afc::encodeStatus(h.packetNum, failure->status)))
                break;
            continue;
        }

        auto handleFd = [&](uint64_t handle) {
            auto it = handles.find(handle);
            return it == handles.end() ? -1 : it->second;
        };
        Bytes reply;
        uint64_t status = afc::StatusSuccess;
        bool broken = false;
        switch (h.operation) {
        case afc::OpReadDir: {
            std::vector<std::string> names;
            status = folder.readDirectory(r.path, names);
            if (status == afc::StatusSuccess) {
                const Bytes data = afc::encodeStrings(names);
                reply = afc::encodeData(h.packetNum, data.data(), data.size());
            }
            break;
        }
        case afc::OpGetFileInfo:
        case afc::OpGetDevInfo: {
            std::vector<std::string> pairs;
            if (h.operation == afc::OpGetDevInfo)
                pairs = device.folder->deviceInfo();
            else
                status = folder.fileInfo(r.path, pairs);
            if (status == afc::StatusSuccess) {
                const Bytes data = afc::encodeStrings(pairs);
                reply = afc::encodeData(h.packetNum, data.data(), data.size());
            }
            break;
        }
        case afc::OpMakeDir:
            status = folder.makeDirectory(r.path);
            break;
        case afc::OpRemovePath:
        case afc::OpRemovePathAndContents:
            status = folder.removePath(r.path, h.operation == afc::OpRemovePathAndContents);
            break;
        case afc::OpRenamePath:
            status = folder.renamePath(r.path, r.path2);
            break;
        case afc::OpTruncate:
            status = folder.truncatePath(r.path, r.number1);
            break;
        case afc::OpSetFileModTime:
            status = folder.setModificationTime(r.path, r.number1);
            break;
        case afc::OpMakeLink:
            status = folder.makeLink(r.number1, r.path, r.path2);
            break;
        case afc::OpFileOpen: {
            int fd = -1;
            status = folder.openFile(r.path, r.number1, &fd);
            if (status == afc::StatusSuccess) {
                const uint64_t handle = nextHandle++;
                handles[handle] = fd;
                reply = afc::encodeNumber(h.packetNum, afc::OpFileOpenResult, handle);
            }
            break;
        }
        case afc::OpFileRead: {
            const int fd = handleFd(r.number1);
            if (fd < 0) {
                status = afc::StatusInvalidArg;
                break;
            }
            buffer.resize(size_t(std::min(r.number2, MaxReadReply)));
            ssize_t n;
            do {
                n = ::read(fd, buffer.data(), buffer.size());
            } while (n < 0 && errno == EINTR);
            if (n < 0)
                status = AfcFolder::statusFromErrno(errno);
            else
                reply = afc::encodeData(h.packetNum, buffer.data(), size_t(n));
            if (n > 0)
                m_counters.add("bytes.afc.FILE_READ", uint64_t(n));
            break;
        }
        case afc::OpFileWrite: {
            const int fd = handleFd(r.number1);
            status = fd < 0 ? uint64_t(afc::StatusInvalidArg) : uint64_t(afc::StatusSuccess);
            broken = !consumePayload(fd, status);
            break;
        }
        case afc::OpFileSeek: {
            const int fd = handleFd(r.number1);
            const int whence = r.number2 == 0 ? SEEK_SET : r.number2 == 1 ? SEEK_CUR : r.number2 == 2 ? SEEK_END : -1;
            if (fd < 0 || whence < 0)
                status = afc::StatusInvalidArg;
            else if (::lseek(fd, off_t(r.offset), whence) < 0)
                status = AfcFolder::statusFromErrno(errno);
            break;
        }
        case afc::OpFileTell: {
            const int fd = handleFd(r.number1);
            const off_t position = fd < 0 ? -1 : ::lseek(fd, 0, SEEK_CUR);
            if (position < 0)
                status = afc::StatusInvalidArg;
            else
                reply = afc::encodeNumber(h.packetNum, afc::OpFileTellResult, uint64_t(position));
            break;
        }
        case afc::OpFileClose: {
            const int fd = handleFd(r.number1);
            if (fd < 0) {
                status = afc::StatusInvalidArg;
            } else {
                ::close(fd);
                handles.erase(r.number1);
            }
            break;
        }
        case afc::OpFileSetSize: {
            const int fd = handleFd(r.number1);
            if (fd < 0)
                status = afc::StatusInvalidArg;
            else if (::ftruncate(fd, off_t(r.number2)) != 0)
                status = AfcFolder::statusFromErrno(errno);
            break;
        }
        case afc::OpFileLock: {
            // The op carries flock() bits: 1 shared, 2 exclusive, 8 unlock, 4 non-blocking.
            const int fd = handleFd(r.number1);
            int op = (r.number2 & 8) ? LOCK_UN : (r.number2 & 2) ? LOCK_EX : (r.number2 & 1) ? LOCK_SH : 0;
            if (fd < 0 || op == 0) {
                status = afc::StatusInvalidArg;
                break;
            }
            if (op != LOCK_UN)
                op |= LOCK_NB; // a blocked lock would stall the whole connection
            if (::flock(fd, op) != 0)
                status = AfcFolder::statusFromErrno(errno);
            break;
        }
        default:
            status = afc::StatusOpNotSupported;
            break;
        }
        if (broken)
            break;
        if (reply.empty())
            reply = afc::encodeStatus(h.packetNum, status);
        if (!answer(reply))
            break;
    }
    // The client just closes the socket; its handles and their locks go with it.
    for (const auto &[handle, fd] : handles)
        ::close(fd);
    m_counters.add("ended.afc"); // not "afc.…": those name the requests a fault can be put on
}

void Emulator::serveNotificationProxy(Channel &channel, Device &device, uint64_t connection)
{
    const Tap tap{m_trace, connection, "np"};
    for (;;) {
        PlistPtr message = receiveMessage(channel, tap);
        if (!message)
            return;
        const std::string command = plistString(message.get(), "Command").value_or(std::string());
        device.link->requestDelay();
        // Counted once handled, so that a count seen from outside means "recorded".
        struct CountWhenDone
        {
            Counters &counters;
            std::string name;
            ~CountWhenDone() { counters.add(name); }
        } countWhenDone{m_counters, "np." + (command.empty() ? std::string("(none)") : command)};
        if (command == "PostNotification") {
            const auto name = plistString(message.get(), "Name");
            // One name per line in the log: a name that would break a line is not recorded.
            if (name && !name->empty() && name->find_first_of("\r\n") == std::string::npos)
                device.folder->recordNotification(*name);
            else
                std::fprintf(stderr, "notification_proxy: ignored a notification without a usable name\n");
        } else if (command == "Shutdown") {
            PlistPtr reply(plist_new_dict());
            plist_dict_set_item(reply.get(), "Command", plist_new_string("ProxyDeath"));
            sendMessage(channel, reply.get(), tap);
            return;
        }
        // ObserveNotification needs no answer; nothing is ever relayed to observers.
    }
}

namespace {

bool flagSet(plist_t node)
{
    std::string flag = plistScalarText(node).value_or("");
    for (char &c : flag)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return flag == "true" || flag == "yes" || flag == "1";
}

// Devices have sent the flag as a boolean and as the string "YES".
bool sharesDocuments(plist_t info)
{
    return flagSet(plist_dict_get_item(info, "UIFileSharingEnabled"));
}

// An app installed with a development profile: its entitlements let a debugger attach.
bool developmentSigned(plist_t info)
{
    plist_t entitlements = plist_dict_get_item(info, "Entitlements");
    return entitlements && plist_get_node_type(entitlements) == PLIST_DICT &&
           flagSet(plist_dict_get_item(entitlements, "get-task-allow"));
}

std::vector<std::string> stringList(plist_t node)
{
    std::vector<std::string> out;
    if (node && plist_get_node_type(node) == PLIST_STRING)
        out.push_back(plistScalarText(node).value_or(""));
    if (node && plist_get_node_type(node) == PLIST_ARRAY)
        for (uint32_t i = 0; i < plist_array_get_size(node); ++i)
            if (auto text = plistScalarText(plist_array_get_item(node, i)))
                out.push_back(*text);
    return out;
}

constexpr size_t BrowsePage = 20; // apps per BrowsingApplications message

} // namespace

void Emulator::serveInstallationProxy(Channel &channel, Device &device, uint64_t connection)
{
    const Tap tap{m_trace, connection, "instproxy"};
    FolderDevice &folder = *device.folder;
    for (;;) {
        PlistPtr message = receiveMessage(channel, tap);
        if (!message)
            return;
        const std::string command = plistString(message.get(), "Command").value_or(std::string());
        m_counters.add("instproxy." + (command.empty() ? std::string("(none)") : command));
        device.link->requestDelay();
        plist_t options = plist_dict_get_item(message.get(), "ClientOptions");
        if (options && plist_get_node_type(options) != PLIST_DICT)
            options = nullptr;
        const std::string type = (options ? plistString(options, "ApplicationType") : std::nullopt).value_or("Any");
        const std::vector<std::string> bundles = stringList(options ? plist_dict_get_item(options, "BundleIDs") : nullptr);
        plist_t returnNode = options ? plist_dict_get_item(options, "ReturnAttributes") : nullptr;
        const std::vector<std::string> attributes = stringList(returnNode);

        // The apps asked for, each with the attributes asked for (all when none are named).
        std::vector<std::pair<std::string, PlistPtr>> selected;
        for (PlistPtr &info : folder.apps()) {
            const std::string identifier = plistString(info.get(), "CFBundleIdentifier").value_or("");
            const std::string appType = plistString(info.get(), "ApplicationType").value_or("User");
            if (type != "Any" && type != appType)
                continue;
            if (!bundles.empty() && std::find(bundles.begin(), bundles.end(), identifier) == bundles.end())
                continue;
            if (!plist_dict_get_item(info.get(), "ApplicationType"))
                plist_dict_set_item(info.get(), "ApplicationType", plist_new_string(appType.c_str()));
            PlistPtr entry(returnNode ? plist_new_dict() : plist_copy(info.get()));
            for (const auto &name : attributes)
                if (plist_t value = plist_dict_get_item(info.get(), name.c_str()))
                    plist_dict_set_item(entry.get(), name.c_str(), plist_copy(value));
            selected.emplace_back(identifier, std::move(entry));
        }

        PlistPtr reply(plist_new_dict());
        if (command == "Browse") {
            for (size_t index = 0; index < selected.size(); index += BrowsePage) {
                const size_t amount = std::min(BrowsePage, selected.size() - index);
                PlistPtr page(plist_new_dict());
                plist_t list = plist_new_array();
                for (size_t i = index; i < index + amount; ++i)
                    plist_array_append_item(list, selected[i].second.release());
                plist_dict_set_item(page.get(), "CurrentAmount", plist_new_uint(amount));
                plist_dict_set_item(page.get(), "CurrentIndex", plist_new_uint(index));
                plist_dict_set_item(page.get(), "CurrentList", list);
                plist_dict_set_item(page.get(), "Status", plist_new_string("BrowsingApplications"));
                plist_dict_set_item(page.get(), "Total", plist_new_uint(selected.size()));
                if (!sendMessage(channel, page.get(), tap))
                    return;
            }
            plist_dict_set_item(reply.get(), "Status", plist_new_string("Complete"));
        } else if (command == "Lookup") {
            plist_t result = plist_new_dict();
            for (auto &[identifier, entry] : selected)
                plist_dict_set_item(result, identifier.c_str(), entry.release());
            plist_dict_set_item(reply.get(), "LookupResult", result);
            plist_dict_set_item(reply.get(), "Status", plist_new_string("Complete"));
        } else {
            plist_dict_set_item(reply.get(), "Error", plist_new_string(command.empty() ? "MissingCommand" : "UnknownCommand"));
            plist_dict_set_item(reply.get(), "ErrorDescription",
                                plist_new_string(("This device does not perform \"" + command + "\"").c_str()));
        }
        if (!sendMessage(channel, reply.get(), tap))
            return;
    }
}

void Emulator::serveHouseArrest(Channel &channel, Device &device, uint64_t connection)
{
    const Tap tap{m_trace, connection, "house_arrest"};
    FolderDevice &folder = *device.folder;
    // One command per connection: after a vend it speaks AFC, after a refusal it closes.
    PlistPtr message = receiveMessage(channel, tap);
    if (!message)
        return;
    const std::string command = plistString(message.get(), "Command").value_or(std::string());
    const std::string identifier = plistString(message.get(), "Identifier").value_or(std::string());
    m_counters.add("house_arrest." + (command.empty() ? std::string("(none)") : command));
    device.link->requestDelay();
    PlistPtr reply(plist_new_dict());
    if (command == "VendDocuments" || command == "VendContainer") {
        PlistPtr info = folder.app(identifier);
        const auto container = info ? folder.appContainer(identifier) : std::nullopt;
        // Documents only when the app shares them; the whole container only for an app installed
        // for development (store apps are refused it).
        const bool granted =
            info && container &&
            (command == "VendDocuments" ? sharesDocuments(info.get()) : developmentSigned(info.get()));
        if (granted) {
            plist_dict_set_item(reply.get(), "Status", plist_new_string("Complete"));
            if (!sendMessage(channel, reply.get(), tap))
                return;
            serveAfc(channel, device, connection, AfcFolder(*container));
            return;
        }
        plist_dict_set_item(reply.get(), "Error", plist_new_string("InstallationLookupFailed"));
    } else {
        plist_dict_set_item(reply.get(), "Error", plist_new_string(command.empty() ? "MissingCommand" : "UnknownCommand"));
    }
    sendMessage(channel, reply.get(), tap);
}

void Emulator::serveSpringboard(Channel &channel, Device &device, uint64_t connection)
{
    const Tap tap{m_trace, connection, "springboard"};
    for (;;) {
        PlistPtr message = receiveMessage(channel, tap);
        if (!message)
            return;
        const std::string command = plistString(message.get(), "command").value_or(std::string());
        m_counters.add("springboard." + (command.empty() ? std::string("(none)") : command));
        device.link->requestDelay();
        PlistPtr reply(plist_new_dict());
        if (command == "getIconPNGData") {
            // An unknown app gets empty data, so the client draws an icon of its own.
            const Bytes png = device.folder->appIcon(plistString(message.get(), "bundleId").value_or(std::string()));
            plist_dict_set_item(reply.get(), "pngData",
                                plist_new_data(reinterpret_cast<const char *>(png.data()), png.size()));
        }
        // Other questions (icon state, wallpaper, orientation) get an empty answer.
        if (!sendMessage(channel, reply.get(), tap))
            return;
    }
}
