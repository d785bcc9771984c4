// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "core/uitext.h"

#include <QCoreApplication>

#include <cerrno>

std::string uiText(const char *context, const char *source)
{
    return uiText(context, source, nullptr, -1);
}

std::string uiText(const char *context, const char *source, const char *disambiguation, int n)
{
    // Safe from any thread, and with no application object it gives the source back. errno is
    // kept: a caller may read it for the same message, in either order.
    const int error = errno;
    std::string text = QCoreApplication::translate(context, source, disambiguation, n).toStdString();
    errno = error;
    return text;
}
