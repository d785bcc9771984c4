// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

// One survey through the emulator's link model, timed from the device's arrival to the survey's
// dictionary, for the survey benches.

#include "core/notificationcenter.h"
#include "device/storage/loadiphone.h"
#include "device/storage/loadwindow.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

class EmulatorProcess;

// Counts the progress reports the survey sends to its window.
class CountingLoadWindow final : public HeadlessLoadWindow
{
public:
    void surveyProgress(int foldersWalked) override
    {
        m_last = foldersWalked;
        ++m_reports;
    }
    int reports() const { return m_reports; }
    int last() const { return m_last; }

private:
    int m_reports = 0;
    int m_last = 0;
};

struct LinkSurvey
{
    bool finished = false;
    double seconds = 0;    // from the arrival to the survey's dictionary
    uint64_t requests = 0; // file-service requests in that time
    StringDictionary survey;
    std::unique_ptr<loadIPhone> link; // still open, for requests of the bench's own
};

// Points the USB backend at `emulator`, brings its device up behind `window` and waits up to
// `limit` for the survey. endLinkSurvey() closes the link and the backend again.
LinkSurvey surveyThroughLink(const EmulatorProcess &emulator, CountingLoadWindow &window, std::chrono::seconds limit);
void endLinkSurvey(LinkSurvey &run);
