#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <stdexcept>

#include "core/textconv.h"

namespace orlenda {
namespace {

struct ValCase {
    const char* text;
    double value;
};
class ValTest : public ::testing::TestWithParam<ValCase> {};

TEST_P(ValTest, TakesTheLeadingNumber) {
    EXPECT_DOUBLE_EQ(Val(GetParam().text), GetParam().value) << '"' << GetParam().text << '"';
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ValTest,
    ::testing::Values(ValCase{"12abc", 12}, ValCase{"1.5", 1.5}, ValCase{"  2007", 2007},
                      ValCase{" 07", 7}, ValCase{"", 0}, ValCase{"   ", 0}, ValCase{"abc", 0},
                      ValCase{"-3", -3}, ValCase{"+5", 5}, ValCase{".5", 0.5}, ValCase{"5.", 5},
                      ValCase{"-", 0}, ValCase{".", 0}, ValCase{"1e3", 1000},
                      ValCase{"2.5E-1x", 0.25}, ValCase{"12e", 12}, ValCase{"12e+", 12},
                      ValCase{"1 2", 1}, ValCase{"2008年", 2008}, ValCase{"\t 9", 9},
                      ValCase{"1e-400", 0}, ValCase{"0.00001e-320", 0}));

TEST(Val, HugeNumbersBecomeInfinite) {
    EXPECT_EQ(Val("1e400"), std::numeric_limits<double>::infinity());
    EXPECT_EQ(Val("-" + std::string(400, '9')), -std::numeric_limits<double>::infinity());
}

TEST(IsNumeric, WholeTextMustBeANumber) {
    EXPECT_TRUE(IsNumeric("2008"));
    EXPECT_TRUE(IsNumeric(" 2008 "));
    EXPECT_TRUE(IsNumeric("-1.5"));
    EXPECT_FALSE(IsNumeric("2008x"));
    EXPECT_FALSE(IsNumeric(""));
    EXPECT_FALSE(IsNumeric(" "));
    EXPECT_FALSE(IsNumeric("-"));
    EXPECT_FALSE(IsNumeric("20 08"));
}

struct NumberCase {
    double value;
    const char* number;   // number text
    const char* decimal;  // decimal text
};
class NumberTextTest : public ::testing::TestWithParam<NumberCase> {};

TEST_P(NumberTextTest, LeadingBlankOnlyForNumberTextOfNonNegatives) {
    EXPECT_EQ(NumberText(GetParam().value), GetParam().number);
    EXPECT_EQ(DecimalText(GetParam().value), GetParam().decimal);
}

INSTANTIATE_TEST_SUITE_P(
    Values, NumberTextTest,
    ::testing::Values(NumberCase{5, " 5", "5"}, NumberCase{2007, " 2007", "2007"},
                      NumberCase{-3, "-3", "-3"}, NumberCase{0, " 0", "0"},
                      NumberCase{-0.0, " 0", "0"}, NumberCase{1.5, " 1.5", "1.5"},
                      NumberCase{-0.25, "-0.25", "-0.25"}, NumberCase{0.1, " 0.1", "0.1"},
                      NumberCase{1e20, " 1e+20", "1e+20"}));

struct RoundCase {
    double value;
    int rounded;
};
class CInt16Test : public ::testing::TestWithParam<RoundCase> {};

TEST_P(CInt16Test, RoundsHalfToEven) {
    EXPECT_EQ(CInt16(GetParam().value), GetParam().rounded) << GetParam().value;
}

INSTANTIATE_TEST_SUITE_P(Values, CInt16Test,
                         ::testing::Values(RoundCase{0.5, 0}, RoundCase{1.5, 2}, RoundCase{2.5, 2},
                                           RoundCase{3.5, 4}, RoundCase{-0.5, 0},
                                           RoundCase{-1.5, -2}, RoundCase{-2.5, -2},
                                           RoundCase{2.4999, 2}, RoundCase{2.5001, 3},
                                           RoundCase{-2.6, -3}, RoundCase{32767.4, 32767},
                                           RoundCase{-32768.5, -32768}, RoundCase{2009, 2009}));

TEST(CInt16, OutOfRangeThrows) {
    EXPECT_THROW(CInt16(32767.5), std::overflow_error);  // rounds to 32768
    EXPECT_THROW(CInt16(-32769), std::overflow_error);
    EXPECT_THROW(CInt16(1e10), std::overflow_error);
    EXPECT_THROW(CInt16(std::nan("")), std::overflow_error);
    EXPECT_THROW(CInt16(std::numeric_limits<double>::infinity()), std::overflow_error);
}

struct FormatCase {
    const char* text;
    const char* pattern;
    const char* result;
};
class FormatTest : public ::testing::TestWithParam<FormatCase> {};

TEST_P(FormatTest, RightAlignsByCharacters) {
    EXPECT_EQ(Format(GetParam().text, GetParam().pattern), GetParam().result);
}

INSTANTIATE_TEST_SUITE_P(
    Cells, FormatTest,
    ::testing::Values(FormatCase{"1", "@@@", "  1"}, FormatCase{"15", "@@@", " 15"},
                      FormatCase{"   ", "@@@", "   "}, FormatCase{"", "@@@", "   "},
                      FormatCase{"1", "@@", " 1"}, FormatCase{"12", "@@", "12"},
                      // A Chinese character is one character, three bytes.
                      FormatCase{"日", "@@@", "  日"}, FormatCase{"Mon ", "@@", "Mon "},
                      FormatCase{"初五  ", "@@@", "初五  "}, FormatCase{"      ", "@@@", "      "},
                      FormatCase{"2008", "", "2008"}));

TEST(CharCount, CountsCodePoints) {
    EXPECT_EQ(CharCount("初五  "), 4u);
    EXPECT_EQ(CharCount("闰四月"), 3u);
    EXPECT_EQ(CharCount(""), 0u);
    EXPECT_EQ(CharCount("Sun "), 4u);
}

}  // namespace
}  // namespace orlenda
