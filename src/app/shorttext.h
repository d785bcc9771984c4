// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include <QString>

#include <string>

// Text of a book record (UTF-8, any length: a catalogue may hold a title of megabytes) as
// the window uses it. Only the part used is decoded, so a huge value costs no more than a
// short one, and no widget ever lays out more than the bound. The records keep every value
// whole; only what is shown is cut.

// The first `maxChars` characters (UTF-16 units, never half a pair) of `text`.
QString leadingText(const std::string &text, qsizetype maxChars);
// One line to show: leadingText() with tabs, line ends and other control characters as
// spaces, and "…" in place of what was cut.
QString shownText(const std::string &text, qsizetype maxChars);
