// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

// The reasons and messages the operations and the device layers give the user, in the language
// of the translator the program installed: the window installs one for the user's language, the
// command line (which is scripted) none, so it keeps the English source text.

#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>

// `source` as the installed translator gives it for `context`, in UTF-8; `source` itself when
// none does; errno as it was. The translation files find these calls by name (lupdate's
// -tr-function-alias).
std::string uiText(const char *context, const char *source);
// The same for a text that counts: "%n" in `source` stands for `n`, and the translation has a
// form for each of its language's plurals.
std::string uiText(const char *context, const char *source, const char *disambiguation, int n);

// `text` with "%1" to "%9" replaced by `args` in one pass, each argument as it is: a file
// name need not be UTF-8, and a "%2" inside an argument stays as it is. Defined here, without
// Qt, for the ePub archive functions too.
inline std::string uiArgs(std::string_view text, std::initializer_list<std::string_view> args)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 1 < text.size() && text[i + 1] >= '1' && text[i + 1] <= '9') {
            const auto n = static_cast<std::size_t>(text[i + 1] - '1');
            if (n < args.size()) {
                out += *(args.begin() + n);
                ++i;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}
