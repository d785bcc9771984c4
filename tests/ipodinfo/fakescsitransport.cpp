// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "fakescsitransport.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>

std::vector<std::uint8_t> FakeScsiTransport::page(std::uint8_t code, const std::string &payload)
{
    return page(code, std::vector<std::uint8_t>(payload.begin(), payload.end()));
}

std::vector<std::uint8_t> FakeScsiTransport::page(std::uint8_t code, const std::vector<std::uint8_t> &payload,
                                                  int claimedLength)
{
    const int length = claimedLength >= 0 ? claimedLength : static_cast<int>(payload.size());
    std::vector<std::uint8_t> bytes(4 + payload.size());
    bytes[1] = code;
    bytes[3] = static_cast<std::uint8_t>(length);
    std::copy(payload.begin(), payload.end(), bytes.begin() + 4);
    return bytes;
}

std::vector<std::uint8_t> FakeScsiTransport::pagesAsked() const
{
    std::vector<std::uint8_t> pages;
    for (const Command &command : commands)
        pages.push_back(command.cdb[2]);
    return pages;
}

int FakeScsiTransport::openNode(const ScsiDeviceNode &node, int flags)
{
    openedPaths.push_back(node.path);
    if (openError)
        return -openError;
    const bool exclusive = (flags & O_EXCL) != 0;
    if (exclusive && node.generic && (flags & O_ACCMODE) == O_RDONLY)
        return -EPERM; // sg: "can't lock it with read only access"
    if (exclusive && exclusiveOpenError)
        return -exclusiveOpenError;
    if (!exclusive && m_wasExclusive && reopenError)
        return -reopenError;
    // Like sg: an exclusive open needs the node otherwise closed.
    if (exclusive && !m_open.empty())
        return -EBUSY;
    const int descriptor = m_next++;
    m_open[descriptor] = exclusive;
    m_wasExclusive = m_wasExclusive || exclusive;
    return descriptor;
}

void FakeScsiTransport::closeNode(int descriptor)
{
    m_open.erase(descriptor);
}

int FakeScsiTransport::sendCommand(int descriptor, sg_io_hdr_t &request)
{
    const auto open = m_open.find(descriptor);
    if (open == m_open.end())
        return -EBADF;
    Command command;
    command.cdbLength = request.cmd_len;
    std::copy_n(request.cmdp, std::min<unsigned>(request.cmd_len, 6), command.cdb.begin());
    command.direction = request.dxfer_direction;
    command.transferLength = request.dxfer_len;
    command.timeout = request.timeout;
    command.senseLength = request.mx_sb_len;
    command.exclusive = open->second;
    commands.push_back(command);

    const auto answer = m_answers.find(command.cdb[2]);
    if (answer == m_answers.end() || command.cdb[0] != 0x12 || (command.cdb[1] & 1) == 0) {
        // ILLEGAL REQUEST, as a device does for a page it does not have.
        request.status = 0x02;
        request.sb_len_wr = std::min<unsigned char>(request.mx_sb_len, 18);
        std::memset(request.sbp, 0, request.sb_len_wr);
        if (request.sb_len_wr > 2) {
            request.sbp[0] = 0x70;
            request.sbp[2] = 0x05;
        }
        return 0;
    }
    if (answer->second.requestError)
        return -answer->second.requestError;
    const std::vector<std::uint8_t> &bytes = answer->second.bytes;
    const std::size_t sent = std::min<std::size_t>(bytes.size(), request.dxfer_len);
    std::copy_n(bytes.begin(), sent, static_cast<std::uint8_t *>(request.dxferp));
    request.resid = static_cast<int>(request.dxfer_len - sent);
    request.status = answer->second.status;
    request.host_status = answer->second.hostStatus;
    return 0;
}
