// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

// The reasons and messages the operations and the device layers give the user, in the language
// of the translator the program installed: the window installs one for the user's language, the
// command line (which is scripted) none, so it keeps the English source text.

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
// name need not be UTF-8, and a "%2" inside an argument stays as it is.
std::string uiArgs(std::string_view text, std::initializer_list<std::string_view> args);
