// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

// The load window shown while a survey runs. runModal() blocks in a nested event loop on
// the main thread until abortModal() is called (from the main thread); orderOut() hides it.
class LoadWindow
{
public:
    virtual ~LoadWindow() = default;
    virtual void runModal() = 0;
    virtual void abortModal() = 0;
    virtual void orderOut() = 0;
    // Survey progress (folders walked so far); optional.
    virtual void surveyProgress(int /*foldersWalked*/) {}
};

// A QEventLoop-based load window with nothing on screen (tests, command-line tool).
class HeadlessLoadWindow : public LoadWindow
{
public:
    void runModal() override;
    void abortModal() override;
    void orderOut() override {}
    int timesRun() const { return m_runs; }

private:
    void *m_loop = nullptr; // the QEventLoop of the running modal session
    bool m_abortPending = false;
    int m_runs = 0;
};
