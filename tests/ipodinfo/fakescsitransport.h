// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include "ipodinfo/scsitransport.h"

#include <array>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

// A SCSI device that answers INQUIRY pages from a table, with failures on demand.
// It records what it was asked so tests can check the exact requests.
class FakeScsiTransport : public ScsiTransport
{
public:
    struct Answer
    {
        std::vector<std::uint8_t> bytes; // the page as the device sends it
        int requestError = 0;            // errno of the SG_IO request itself
        unsigned char status = 0;        // SCSI status (2: CHECK CONDITION)
        unsigned short hostStatus = 0;   // adapter trouble (1: no connect)
    };
    struct Command
    {
        std::array<std::uint8_t, 6> cdb{};
        unsigned cdbLength = 0;
        int direction = 0;
        unsigned transferLength = 0;
        unsigned timeout = 0;
        unsigned senseLength = 0;
        bool exclusive = false;
    };

    // {0, code, 0, payload size, payload...}, the size byte as given or the real one.
    static std::vector<std::uint8_t> page(std::uint8_t code, const std::string &payload);
    static std::vector<std::uint8_t> page(std::uint8_t code, const std::vector<std::uint8_t> &payload,
                                          int claimedLength = -1);

    void setPage(std::uint8_t code, std::vector<std::uint8_t> bytes) { m_answers[code].bytes = std::move(bytes); }
    void setAnswer(std::uint8_t code, Answer answer) { m_answers[code] = std::move(answer); }

    int openError = 0;          // every open fails with it
    int exclusiveOpenError = 0; // O_EXCL opens fail with it
    int reopenError = 0;        // shared opens after an exclusive one fail with it

    std::vector<Command> commands;
    std::vector<std::uint8_t> pagesAsked() const;
    std::vector<std::string> openedPaths;
    int openDescriptors() const { return static_cast<int>(m_open.size()); }

    int openNode(const ScsiDeviceNode &node, int flags) override;
    void closeNode(int descriptor) override;
    int sendCommand(int descriptor, sg_io_hdr_t &request) override;

private:
    std::map<std::uint8_t, Answer> m_answers;
    std::map<int, bool> m_open; // descriptor -> opened exclusively
    int m_next = 100;
    bool m_wasExclusive = false;
};
