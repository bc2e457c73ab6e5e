// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/textconv.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <stdexcept>

namespace orlenda {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Length of the longest numeric prefix of text (sign, digits, point, digits, exponent);
// 0 when the text does not start with a number.
std::size_t NumericPrefix(std::string_view text) {
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    std::size_t digits = 0;
    while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
    }
    if (digits == 0) return 0;
    // An exponent counts only when at least one digit follows it ("12e" is 12).
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
        if (j < text.size() && IsDigit(text[j])) {
            while (j < text.size() && IsDigit(text[j])) ++j;
            i = j;
        }
    }
    return i;
}

}  // namespace

std::string DecimalText(double value) {
    if (std::isnan(value)) return "NaN";
    if (std::isinf(value)) return value < 0 ? "-Infinity" : "Infinity";
    if (value == 0) return "0";  // also -0
    char buf[64];
    if (std::fabs(value) < 1e15 && value == std::trunc(value)) {
        std::snprintf(buf, sizeof buf, "%.0f", value);
    } else {
        // Fifteen significant digits, as much as a double reliably carries.
        std::snprintf(buf, sizeof buf, "%.15g", value);
    }
    return buf;
}

std::string NumberText(double value) {
    std::string text = DecimalText(value);
    if (!(value < 0)) text.insert(text.begin(), ' ');
    return text;
}

double Val(std::string_view text) {
    std::size_t start = 0;
    while (start < text.size() && IsBlank(text[start])) ++start;
    text.remove_prefix(start);
    std::size_t len = NumericPrefix(text);
    if (len == 0) return 0.0;
    std::string_view number = text.substr(0, len);
    bool negative = false;
    if (number.front() == '+' || number.front() == '-') {
        negative = number.front() == '-';
        number.remove_prefix(1);
    }
    double value = 0.0;
    auto [ptr, ec] = std::from_chars(number.data(), number.data() + number.size(), value);
    (void)ptr;
    if (ec == std::errc::result_out_of_range) {
        // Too large becomes infinity, too small zero: decide by the decimal exponent.
        std::size_t e = number.find_first_of("eE");
        std::string_view mantissa = number.substr(0, e);
        long exponent = 0;
        if (e != std::string_view::npos) {
            std::string_view ex = number.substr(e + 1);
            bool exNeg = !ex.empty() && ex.front() == '-';
            if (!ex.empty() && (ex.front() == '-' || ex.front() == '+')) ex.remove_prefix(1);
            for (char c : ex) exponent = std::min(exponent * 10 + (c - '0'), 100000L);
            if (exNeg) exponent = -exponent;
        }
        long magnitude = -1;  // decimal exponent of the first significant digit
        std::size_t point = mantissa.find('.');
        std::size_t first = mantissa.find_first_of("123456789");
        if (first != std::string_view::npos) {
            std::size_t intEnd = point == std::string_view::npos ? mantissa.size() : point;
            magnitude = first < intEnd ? static_cast<long>(intEnd - first) - 1
                                       : -static_cast<long>(first - intEnd);
        }
        value = magnitude + exponent > 0 ? std::numeric_limits<double>::infinity() : 0.0;
    }
    return negative ? -value : value;
}

bool IsNumeric(std::string_view text) {
    std::size_t start = 0;
    while (start < text.size() && IsBlank(text[start])) ++start;
    std::size_t end = text.size();
    while (end > start && IsBlank(text[end - 1])) --end;
    std::string_view core = text.substr(start, end - start);
    return !core.empty() && NumericPrefix(core) == core.size();
}

std::int16_t CInt16(double value) {
    if (std::isnan(value)) throw std::overflow_error("CInt16: not a number");
    double lower = std::floor(value);
    double fraction = value - lower;
    double rounded;
    if (fraction > 0.5) {
        rounded = lower + 1;
    } else if (fraction < 0.5) {
        rounded = lower;
    } else {
        rounded = std::fmod(lower, 2.0) == 0 ? lower : lower + 1;
    }
    if (rounded < -32768.0 || rounded > 32767.0)
        throw std::overflow_error("CInt16: " + DecimalText(value) + " is out of range");
    return static_cast<std::int16_t>(rounded);
}

std::size_t CharCount(std::string_view text) {
    std::size_t count = 0;
    for (char c : text) {
        // Continuation bytes (10xxxxxx) do not start a character.
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++count;
    }
    return count;
}

std::string Format(std::string_view text, std::string_view pattern) {
    std::size_t width = CharCount(pattern);
    std::size_t have = CharCount(text);
    if (have >= width) return std::string(text);
    return std::string(width - have, ' ') + std::string(text);
}

}  // namespace orlenda
