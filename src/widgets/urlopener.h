// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include <QUrl>

#include <functional>

// Opens web addresses for the link controls: the user's browser by default (through
// QDesktopServices), or a handler that tests put in its place. Main thread only.
class UrlOpener final
{
public:
    using Handler = std::function<void(const QUrl &)>;

    static void open(const QUrl &url);
    // Replaces the handler (an empty one restores the browser); returns the previous one.
    static Handler setHandler(Handler handler);
};
