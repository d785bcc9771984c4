// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "core/numbertext.h"

#include <charconv>
#include <cmath>

double leadingNumber(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n'))
        ++i;
    if (i < text.size() && text[i] == '+')
        ++i;
    double value = 0;
    const auto result = std::from_chars(text.data() + i, text.data() + text.size(), value);
    // "inf" and "nan" are words, not figures.
    return result.ec == std::errc() && std::isfinite(value) ? value : 0.0;
}

std::string formatFixed(double value, int precision)
{
    char buf[400];
    const auto result = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, precision);
    return result.ec == std::errc() ? std::string(buf, result.ptr) : std::string();
}
