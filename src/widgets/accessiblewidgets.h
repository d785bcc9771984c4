// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

// What screen readers learn of the skinned widgets. Qt describes a widget it does not know as
// a plain client area (a "filler" on the accessibility bus); these interfaces say what they
// are: the press-and-hold button (XLPopupMenuButton) is a push button that can be pressed,
// and the storage bar (silder) is a bar whose value is the used share of the device, with
// its segments in its description.
//
// Installed once, by the first of those widgets made; any thread that makes widgets (the
// main thread).
void installAccessibleWidgets();
