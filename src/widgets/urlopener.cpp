// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "widgets/urlopener.h"

#include <QDesktopServices>

namespace {

UrlOpener::Handler &currentHandler()
{
    static UrlOpener::Handler handler;
    return handler;
}

} // namespace

void UrlOpener::open(const QUrl &url)
{
    if (const Handler &handler = currentHandler())
        handler(url);
    else
        QDesktopServices::openUrl(url); // the outcome is the system's business
}

UrlOpener::Handler UrlOpener::setHandler(Handler handler)
{
    Handler previous = std::move(currentHandler());
    currentHandler() = std::move(handler);
    return previous;
}
