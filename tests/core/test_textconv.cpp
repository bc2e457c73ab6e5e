// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <stdexcept>

#include "core/textconv.h"

namespace orlenda {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

TEST(Val, TakesTheLongestLeadingNumber) {
    const std::pair<const char*, double> cases[] = {
        {"12abc", 12}, {"1.5", 1.5},     {"  2007", 2007}, {"\t 9", 9},      {" 07", 7},
        {"", 0},       {"abc", 0},       {"-", 0},         {".", 0},         {"-3", -3},
        {".5", 0.5},   {"5.", 5},        {"1e3", 1000},    {"2.5E-1x", .25}, {"12e+", 12},
        {"1 2", 1},    {"2008年", 2008}, {"1e-400", 0},    {"1e400", kInf},  {"-1e999", -kInf}};
    for (auto [text, value] : cases) EXPECT_EQ(Val(text), value) << '"' << text << '"';
}

TEST(NumberText, LeadingBlankOnlyWhenNotNegative) {
    struct {
        double value;
        const char *number, *decimal;
    } cases[] = {{5, " 5", "5"},       {-3, "-3", "-3"},         {0, " 0", "0"},
                 {-0.0, " 0", "0"},    {1.5, " 1.5", "1.5"},     {-0.25, "-0.25", "-0.25"},
                 {0.1, " 0.1", "0.1"}, {1e20, " 1e+20", "1e+20"}};
    for (const auto& c : cases) {
        EXPECT_EQ(NumberText(c.value), c.number);
        EXPECT_EQ(DecimalText(c.value), c.decimal);
    }
}

TEST(CInt16, RoundsHalfToEvenAndRefusesOutOfRange) {
    const std::pair<double, std::optional<int>> cases[] = {
        {0.5, 0},           {1.5, 2},     {2.5, 2},   {-0.5, 0},         {-1.5, -2},
        {-2.5, -2},         {2.5001, 3},  {-2.6, -3}, {32767.4, 32767},  {32767.5, {}},
        {-32768.5, -32768}, {-32769, {}}, {kInf, {}}, {std::nan(""), {}}};
    for (auto [value, rounded] : cases) {
        if (rounded)
            EXPECT_EQ(CInt16(value), *rounded) << value;
        else
            EXPECT_THROW(CInt16(value), std::overflow_error) << value;
    }
}

TEST(Format, RightAlignsByCharactersNotBytes) {
    const char* cases[][3] = {{"1", "@@@", "  1"},    {"15", "@@@", " 15"},
                              {"", "@@@", "   "},     {"12", "@@", "12"},
                              {"日", "@@@", "  日"},  {"初五  ", "@@@", "初五  "},
                              {"Mon ", "@@", "Mon "}, {"2008", "", "2008"}};
    for (auto& c : cases) EXPECT_EQ(Format(c[0], c[1]), c[2]) << '"' << c[0] << '"';
}

}  // namespace
}  // namespace orlenda
