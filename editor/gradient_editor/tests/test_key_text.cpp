// The key fields' numbers as text.

#include <gtest/gtest.h>

#include "key_text.h"

namespace {

TEST(KeyText, WritesSixDecimals)
{
    EXPECT_EQ(FormatKeyNumber(0.5), "0.500000");
    EXPECT_EQ(FormatKeyNumber(-2.0), "-2.000000");
    EXPECT_EQ(FormatKeyNumber(1.0 / 3.0), "0.333333");
    EXPECT_EQ(FormatKeyNumber(0.0000004), "0.000000");
    EXPECT_EQ(FormatKeyNumber(1e20), "100000000000000000000.000000");
}

// Like atof: leading blanks, then the longest number; anything else is 0,
// and so is a number that is not finite.
TEST(KeyText, ReadsTheLeadingNumber)
{
    EXPECT_EQ(ReadKeyNumber("0.25"), 0.25);
    EXPECT_EQ(ReadKeyNumber("  -1.5e1xyz"), -15.0);
    EXPECT_EQ(ReadKeyNumber("+.5"), 0.5);
    EXPECT_EQ(ReadKeyNumber("7,5"), 7.0);
    EXPECT_EQ(ReadKeyNumber(""), 0.0);
    EXPECT_EQ(ReadKeyNumber("half"), 0.0);
    EXPECT_EQ(ReadKeyNumber("+-1"), 0.0);
    EXPECT_EQ(ReadKeyNumber("inf"), 0.0);
    EXPECT_EQ(ReadKeyNumber("nan"), 0.0);
    EXPECT_EQ(ReadKeyNumber("1e999"), 0.0);
}

}  // namespace
