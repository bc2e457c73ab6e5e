// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Text conventions shared by every part of the program: how numbers become text,
// how text becomes a number, and fixed-width cells.
#include <cstdint>
#include <string>
#include <string_view>

namespace orlenda {

// A number written as text with one leading blank when it is not negative (" 5", "-3").
std::string NumberText(double value);
// A number written in plain decimal, no blanks ("5", "2008", "1.5").
std::string DecimalText(double value);
// Lenient numeric value: leading blanks skipped, longest numeric prefix, 0 when none.
double Val(std::string_view text);
// True when the whole text (blanks around allowed) is a number.
bool IsNumeric(std::string_view text);
// Rounds half to even into a 16-bit integer; throws std::overflow_error out of range.
std::int16_t CInt16(double value);
// Right-aligns text in a field of as many characters as the pattern has; a longer text
// comes back whole. Characters are counted as UTF-8 code points.
std::string Format(std::string_view text, std::string_view pattern);
// Number of UTF-8 code points in text.
std::size_t CharCount(std::string_view text);

}  // namespace orlenda
