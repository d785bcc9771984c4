// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// The emulator on the wire, driven by a client written here (not libimobiledevice): packets
// are built by hand, in the forms other clients send, and answers are read field by field.
#include "emulatorharness.h"
#include "wire.h"

#include <gtest/gtest.h>

#include <openssl/ssl.h>

#include <cstring>
#include <filesystem>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

class Socket
{
public:
    explicit Socket(const std::string &path)
    {
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::strncpy(addr.sun_path, path.c_str(), sizeof addr.sun_path - 1);
        m_fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (::connect(m_fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0) {
            ::close(m_fd);
            m_fd = -1;
        }
        // A missing answer fails the test instead of hanging it.
        timeval timeout{20, 0};
        ::setsockopt(m_fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    }
    ~Socket()
    {
        if (m_ssl)
            SSL_free(m_ssl);
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Socket(const Socket &) = delete;
    Socket &operator=(const Socket &) = delete;

    bool ok() const { return m_fd >= 0; }
    void send(const Bytes &data)
    {
        size_t done = 0;
        while (done < data.size()) {
            const int n = m_ssl ? SSL_write(m_ssl, data.data() + done, int(data.size() - done))
                                : int(::send(m_fd, data.data() + done, data.size() - done, MSG_NOSIGNAL));
            if (n <= 0)
                throw std::runtime_error("send failed");
            done += size_t(n);
        }
    }
    Bytes receive(size_t size)
    {
        Bytes out(size);
        size_t done = 0;
        while (done < size) {
            const int n = m_ssl ? SSL_read(m_ssl, out.data() + done, int(size - done))
                                : int(::recv(m_fd, out.data() + done, size - done, 0));
            if (n <= 0)
                throw std::runtime_error("the emulator closed the stream or did not answer");
            done += size_t(n);
        }
        return out;
    }
    bool startTls(SSL_CTX *context)
    {
        m_ssl = SSL_new(context);
        SSL_set_fd(m_ssl, m_fd);
        return SSL_connect(m_ssl) == 1;
    }
    // After StopSession: no close_notify, as a minimal client may do (the stock client sends
    // one), then plain text again.
    void endTls()
    {
        SSL_free(m_ssl);
        m_ssl = nullptr;
    }

private:
    int m_fd = -1;
    SSL *m_ssl = nullptr;
};

PlistPtr dictOf(std::initializer_list<std::pair<const char *, plist_t>> items)
{
    PlistPtr dict(plist_new_dict());
    for (const auto &[key, value] : items)
        plist_dict_set_item(dict.get(), key, value);
    return dict;
}

PlistPtr parsePlist(const Bytes &body)
{
    plist_t raw = nullptr;
    plist_from_memory(reinterpret_cast<const char *>(body.data()), uint32_t(body.size()), &raw);
    return PlistPtr(raw);
}

// --- usbmuxd ---

struct MuxAnswer
{
    uint32_t version = 0;
    uint32_t message = 0;
    uint32_t tag = 0;
    Bytes payload;
};

void sendMux(Socket &s, uint32_t version, uint32_t message, uint32_t tag, const Bytes &payload)
{
    Bytes packet;
    appendLe32(packet, uint32_t(16 + payload.size()));
    appendLe32(packet, version);
    appendLe32(packet, message);
    appendLe32(packet, tag);
    packet.insert(packet.end(), payload.begin(), payload.end());
    s.send(packet);
}

void sendMuxPlist(Socket &s, uint32_t tag, plist_t dict)
{
    const std::string xml = plistToXml(dict);
    sendMux(s, 1, 8, tag, Bytes(xml.begin(), xml.end()));
}

MuxAnswer readMux(Socket &s)
{
    const Bytes header = s.receive(16);
    MuxAnswer a{readLe32(header.data() + 4), readLe32(header.data() + 8), readLe32(header.data() + 12), {}};
    a.payload = s.receive(readLe32(header.data()) - 16);
    return a;
}

uint64_t resultNumber(const MuxAnswer &a)
{
    PlistPtr dict = parsePlist(a.payload);
    EXPECT_EQ(plistString(dict.get(), "MessageType"), "Result");
    return plistUint(dict.get(), "Number").value_or(999);
}

uint64_t byteSwapped(uint16_t port)
{
    return uint64_t((port & 0xFF) << 8 | port >> 8);
}

// --- lockdown and the notification proxy: 4-byte big-endian length, then the plist ---

void sendFramed(Socket &s, const std::string &body)
{
    Bytes packet;
    appendBe32(packet, uint32_t(body.size()));
    packet.insert(packet.end(), body.begin(), body.end());
    s.send(packet);
}

PlistPtr readFramed(Socket &s)
{
    return parsePlist(s.receive(readBe32(s.receive(4).data())));
}

// --- AFC ---

struct AfcAnswer
{
    uint64_t entire = 0;
    uint64_t thisLength = 0;
    uint64_t packetNum = 0;
    uint64_t op = 0;
    Bytes headerData; // this_length - 40 bytes
    Bytes payload;    // entire_length - this_length bytes
    uint64_t number() const { return headerData.size() >= 8 ? readLe64(headerData.data()) : ~uint64_t(0); }
    std::string payloadText() const { return std::string(payload.begin(), payload.end()); }
};

class AfcClient
{
public:
    explicit AfcClient(Socket &s) : m_s(s) {}

    // header data and payload exactly as given, this_length = 40 + header data
    AfcAnswer request(uint64_t op, const Bytes &headerData, const Bytes &payload = {})
    {
        Bytes packet = {'C', 'F', 'A', '6', 'L', 'P', 'A', 'A'};
        appendLe64(packet, 40 + headerData.size() + payload.size());
        appendLe64(packet, 40 + headerData.size());
        appendLe64(packet, ++m_packet);
        appendLe64(packet, op);
        packet.insert(packet.end(), headerData.begin(), headerData.end());
        packet.insert(packet.end(), payload.begin(), payload.end());
        m_s.send(packet);

        const Bytes header = m_s.receive(40);
        EXPECT_EQ(std::string(header.begin(), header.begin() + 8), "CFA6LPAA");
        AfcAnswer a{readLe64(&header[8]), readLe64(&header[16]), readLe64(&header[24]), readLe64(&header[32]), {}, {}};
        EXPECT_EQ(a.packetNum, m_packet);
        EXPECT_GE(a.thisLength, 40u);
        EXPECT_GE(a.entire, a.thisLength);
        a.headerData = m_s.receive(a.thisLength - 40);
        a.payload = m_s.receive(a.entire - a.thisLength);
        return a;
    }

private:
    Socket &m_s;
    uint64_t m_packet = 0;
};

Bytes text(const std::string &s, bool terminated)
{
    Bytes out(s.begin(), s.end());
    if (terminated)
        out.push_back(0);
    return out;
}

Bytes numbers(std::initializer_list<uint64_t> values, const std::string &path = {}, bool terminated = false)
{
    Bytes out;
    for (uint64_t v : values)
        appendLe64(out, v);
    const Bytes tail = text(path, terminated && !path.empty());
    out.insert(out.end(), tail.begin(), tail.end());
    return out;
}

constexpr uint64_t Status = 0x01, Data = 0x02, ReadDir = 0x03, MakeDir = 0x09, GetFileInfo = 0x0A,
                   FileOpen = 0x0D, FileOpenRes = 0x0E, FileWrite = 0x10, FileClose = 0x14,
                   RenamePath = 0x18, RemoveAll = 0x22;

// An answer of one number (a status, a handle, a position): 8 bytes of header data, no payload.
uint64_t numberAnswered(const AfcAnswer &a, uint64_t op)
{
    EXPECT_EQ(a.op, op);
    EXPECT_EQ(a.thisLength, 48u);
    EXPECT_EQ(a.entire, 48u);
    return a.number();
}
void expectStatus(const AfcAnswer &a, uint64_t status)
{
    EXPECT_EQ(numberAnswered(a, Status), status);
}

class WireTest : public ::testing::Test
{
protected:
    TempDir tmp;
    EmulatorProcess emulator{tmp.path()};
    FolderDeviceDescription desc;
    std::string dir;
    uint32_t deviceId = 0;

    void SetUp() override { dir = makeFolderDevice(tmp.file("dev"), desc); }

    void startEmulator()
    {
        ASSERT_TRUE(emulator.start({dir}));
        Socket mux(emulator.socketPath());
        ASSERT_TRUE(mux.ok());
        sendMuxPlist(mux, 1, dictOf({{"MessageType", plist_new_string("ListDevices")}}).get());
        PlistPtr list = parsePlist(readMux(mux).payload);
        plist_t entry = plist_array_get_item(plist_dict_get_item(list.get(), "DeviceList"), 0);
        deviceId = uint32_t(plistUint(plist_dict_get_item(entry, "Properties"), "DeviceID").value_or(0));
        ASSERT_NE(deviceId, 0u);
    }

    // usbmuxd Connect in the plist protocol; true when answered Result 0.
    bool connect(Socket &s, uint16_t port)
    {
        sendMuxPlist(s, 2, dictOf({{"MessageType", plist_new_string("Connect")}, {"DeviceID", plist_new_uint(deviceId)},
                                   {"PortNumber", plist_new_uint(byteSwapped(port))}}).get());
        return resultNumber(readMux(s)) == 0;
    }

    // A lockdown session (with TLS, as a device insists) that starts the services; the
    // first StartService carries only Request and Service, the others what fuller clients
    // add.
    std::vector<uint16_t> startServices(const std::vector<std::string> &services)
    {
        Socket pairing(emulator.socketPath());
        sendMuxPlist(pairing, 3, dictOf({{"MessageType", plist_new_string("ReadPairRecord")},
                                         {"PairRecordID", plist_new_string(desc.udid.c_str())}}).get());
        PlistPtr answer = parsePlist(readMux(pairing).payload);
        char *recordBytes = nullptr;
        uint64_t recordSize = 0;
        plist_get_data_val(plist_dict_get_item(answer.get(), "PairRecordData"), &recordBytes, &recordSize);
        PlistPtr record = parsePlist(Bytes(recordBytes, recordBytes + recordSize));
        free(recordBytes);
        const std::string hostId = plistString(record.get(), "HostID").value_or("");
        EXPECT_FALSE(hostId.empty());

        std::vector<uint16_t> ports;
        Socket s(emulator.socketPath());
        if (!connect(s, 62078))
            return ports;
        sendFramed(s, plistToXml(dictOf({{"Request", plist_new_string("StartSession")},
                                         {"HostID", plist_new_string(hostId.c_str())}}).get()));
        PlistPtr session = readFramed(s);
        EXPECT_EQ(plistBool(session.get(), "EnableSessionSSL"), true);
        std::unique_ptr<SSL_CTX, decltype(&SSL_CTX_free)> context(SSL_CTX_new(TLS_client_method()), SSL_CTX_free);
        SSL_CTX_set_security_level(context.get(), 0);
        if (!s.startTls(context.get())) {
            ADD_FAILURE() << "TLS handshake failed";
            return ports;
        }
        for (size_t i = 0; i < services.size(); ++i) {
            PlistPtr request = dictOf({{"Request", plist_new_string("StartService")},
                                       {"Service", plist_new_string(services[i].c_str())}});
            if (i > 0) {
                plist_dict_set_item(request.get(), "Label", plist_new_string("wire-test"));
                plist_dict_set_item(request.get(), "EscrowBag", plist_new_data("bag", 3));
            }
            sendFramed(s, plistToXml(request.get()));
            PlistPtr reply = readFramed(s);
            EXPECT_EQ(plistString(reply.get(), "Request"), "StartService");
            EXPECT_EQ(plistString(reply.get(), "Service"), services[i]);
            EXPECT_FALSE(plist_dict_get_item(reply.get(), "Error")) << services[i];
            ports.push_back(uint16_t(plistUint(reply.get(), "Port").value_or(0)));
        }
        plist_t sessionId = plist_copy(plist_dict_get_item(session.get(), "SessionID"));
        sendFramed(s, plistToXml(dictOf({{"Request", plist_new_string("StopSession")}, {"SessionID", sessionId}}).get()));
        EXPECT_EQ(plistString(readFramed(s).get(), "Request"), "StopSession");
        s.endTls();
        // Plain text again: without a session, services are refused by name.
        sendFramed(s, plistToXml(dictOf({{"Request", plist_new_string("StartService")}}).get()));
        EXPECT_EQ(plistString(readFramed(s).get(), "Error"), "MissingService");
        return ports;
    }
};

TEST_F(WireTest, AfcTakesUnterminatedPathsAndAnswersNumbersInHeaderData)
{
    startEmulator();
    const auto ports = startServices({"com.apple.afc", "com.apple.afc"});
    ASSERT_EQ(ports.size(), 2u);
    ASSERT_NE(ports[0], ports[1]);
    Socket s(emulator.socketPath());
    ASSERT_TRUE(connect(s, ports[0]));
    AfcClient afc(s);
    const std::string root = dir + "/root";

    // Directories: the path ends at the end of the header data, or at its NUL.
    expectStatus(afc.request(MakeDir, text("/Wire", false)), 0);
    expectStatus(afc.request(MakeDir, text("/Wire/sub", true)), 0);
    EXPECT_TRUE(std::filesystem::is_directory(root + "/Wire/sub"));
    for (bool terminated : {false, true}) {
        const AfcAnswer list = afc.request(ReadDir, text("/Wire", terminated));
        EXPECT_EQ(list.op, Data);
        EXPECT_EQ(list.thisLength, 40u); // the names are payload
        EXPECT_EQ(list.payloadText(), std::string(".\0..\0sub\0", 9));
        const AfcAnswer info = afc.request(GetFileInfo, text("/Wire/sub", terminated));
        EXPECT_EQ(info.op, Data);
        EXPECT_NE(info.payloadText().find(std::string("st_ifmt\0S_IFDIR\0", 16)), std::string::npos);
    }

    // A file: the handle is 8 bytes of header data (this_length 48); the bytes written follow
    // as payload. (mode 4: w+; the stock client's reads and writes: the backend tests)
    const uint64_t handle = numberAnswered(afc.request(FileOpen, numbers({4}, "/Wire/f.txt")), FileOpenRes);
    ASSERT_NE(handle, 0u);
    const Bytes content(300 * 1024, 'x');
    expectStatus(afc.request(FileWrite, numbers({handle}), content), 0);
    expectStatus(afc.request(FileClose, numbers({handle})), 0);
    EXPECT_NE(numberAnswered(afc.request(FileOpen, numbers({1}, "/Wire/f.txt", true)), FileOpenRes), handle);

    // A write whose bytes follow the handle as header data (this_length = entire_length).
    const uint64_t second = afc.request(FileOpen, numbers({3}, "/Wire/h.txt")).number();
    Bytes inHeader = numbers({second});
    for (char c : std::string("bytes as header data"))
        inHeader.push_back(uint8_t(c));
    expectStatus(afc.request(FileWrite, inHeader), 0);
    expectStatus(afc.request(FileClose, numbers({second})), 0);
    EXPECT_EQ(readWholeFile(root + "/Wire/h.txt"), "bytes as header data");

    // Rename with its second path unterminated; arguments sent as payload instead of header data.
    Bytes rename = text("/Wire/f.txt", true);
    const Bytes to = text("/Wire/sub/g.txt", false);
    rename.insert(rename.end(), to.begin(), to.end());
    expectStatus(afc.request(RenamePath, rename), 0);
    EXPECT_EQ(std::filesystem::file_size(root + "/Wire/sub/g.txt"), content.size());
    const AfcAnswer inPayload = afc.request(ReadDir, {}, text("/Wire/sub", false));
    EXPECT_EQ(inPayload.payloadText(), std::string(".\0..\0g.txt\0", 11));

    // Arguments too short, and an operation this emulator does not know: answered, and the
    // connection goes on.
    expectStatus(afc.request(FileClose, Bytes(4, 0)), 7);
    expectStatus(afc.request(0x28, numbers({handle, 0}), Bytes(10, 'y')), 15);
    expectStatus(afc.request(RemoveAll, text("/Wire", false)), 0);
    EXPECT_FALSE(std::filesystem::exists(root + "/Wire"));
}

TEST_F(WireTest, UsbmuxServesBothFramingsAndAnswersWhatItCannotServe)
{
    startEmulator();
    // Protocol 0: a binary Listen is answered with a binary RESULT and a binary device record.
    Socket listen(emulator.socketPath());
    sendMux(listen, 0, 3, 11, {});
    MuxAnswer a = readMux(listen);
    EXPECT_EQ(a.version, 0u);
    EXPECT_EQ(a.message, 1u);
    EXPECT_EQ(a.tag, 11u);
    ASSERT_EQ(a.payload.size(), 4u);
    EXPECT_EQ(readLe32(a.payload.data()), 0u);
    a = readMux(listen);
    EXPECT_EQ(a.message, 4u);
    ASSERT_EQ(a.payload.size(), 268u);
    EXPECT_EQ(readLe32(a.payload.data()), deviceId);
    EXPECT_EQ(std::string(reinterpret_cast<const char *>(a.payload.data() + 6)), desc.udid);
    EXPECT_EQ(emulator.control("detach " + desc.udid), "ok\n");
    a = readMux(listen);
    EXPECT_EQ(a.message, 5u);
    EXPECT_EQ(readLe32(a.payload.data()), deviceId);
    EXPECT_EQ(emulator.control("attach " + desc.udid), "ok\n");
    EXPECT_EQ(readMux(listen).message, 4u);

    // On one connection: an unknown message type, a version above 1, a plist without
    // MessageType, Connect without PortNumber, an unknown device: each answered, none
    // closes the connection.
    Socket s(emulator.socketPath());
    sendMux(s, 0, 99, 21, {});
    a = readMux(s);
    EXPECT_EQ(a.message, 1u);
    EXPECT_EQ(readLe32(a.payload.data()), 1u);
    sendMux(s, 2, 8, 22, {});
    EXPECT_EQ(readLe32(readMux(s).payload.data()), 6u);
    sendMuxPlist(s, 23, dictOf({{"DeviceID", plist_new_uint(deviceId)}}).get());
    a = readMux(s);
    EXPECT_EQ(a.tag, 23u);
    EXPECT_EQ(a.message, 8u); // the connection speaks plist from its first plist request on
    EXPECT_EQ(resultNumber(a), 1u);
    sendMuxPlist(s, 24, dictOf({{"MessageType", plist_new_string("Connect")}, {"DeviceID", plist_new_uint(deviceId)}}).get());
    EXPECT_EQ(resultNumber(readMux(s)), 1u);
    sendMuxPlist(s, 25, dictOf({{"MessageType", plist_new_string("Connect")}, {"DeviceID", plist_new_uint(deviceId + 7)},
                                {"PortNumber", plist_new_uint(byteSwapped(62078))}}).get());
    EXPECT_EQ(resultNumber(readMux(s)), 2u);
    sendMuxPlist(s, 26, dictOf({{"MessageType", plist_new_string("ReadPairRecord")}}).get());
    EXPECT_EQ(resultNumber(readMux(s)), 22u);
    // A binary Connect (port in network order) to lockdownd, then a QueryType whose XML
    // has no declaration and leading white space.
    Bytes connect;
    appendLe32(connect, deviceId);
    connect.push_back(62078 >> 8);
    connect.push_back(62078 & 0xFF);
    connect.push_back(0);
    connect.push_back(0);
    sendMux(s, 0, 2, 27, connect);
    a = readMux(s);
    EXPECT_EQ(a.message, 1u);
    EXPECT_EQ(a.version, 0u);
    EXPECT_EQ(readLe32(a.payload.data()), 0u);
    sendFramed(s, "\n  <plist version=\"1.0\"><dict><key>Request</key><string>QueryType</string></dict></plist>");
    PlistPtr type = readFramed(s);
    EXPECT_EQ(plistString(type.get(), "Type"), "com.apple.mobile.lockdown");
    // StartSession without HostID is refused with the error that names it.
    sendFramed(s, plistToXml(dictOf({{"Request", plist_new_string("StartSession")}}).get()));
    EXPECT_EQ(plistString(readFramed(s).get(), "Error"), "MissingHostID");
}

} // namespace
