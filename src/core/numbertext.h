// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

// Numbers as text, read and written the same way whatever the process's locale: the
// application sets the C library's locale from the environment, and a comma-decimal
// locale must not change what a device value means or how a figure is shown.

#include <string>
#include <string_view>

// The leading decimal number of a text ("3.1.3" gives 3.1, "7,5" gives 7); leading blanks
// and a '+' are skipped. 0 when the text does not begin with a number.
double leadingNumber(std::string_view text);

// Fixed notation with `precision` decimals and a '.' ("%.*f" in the "C" locale).
std::string formatFixed(double value, int precision);
