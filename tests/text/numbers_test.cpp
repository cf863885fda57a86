#include "text/numbers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace kestrix {
namespace {

TEST(NumbersFixed, RoundsTheExactBinaryValueWithTiesAwayFromZero) {
  EXPECT_EQ(formatFixed(0.125, 6, 2), "  0.13");
  EXPECT_EQ(formatFixed(-0.125, 6, 2), " -0.13");
  EXPECT_EQ(formatFixed(9.995, 5, 2), " 9.99");    // 9.995 is stored just below the half
  EXPECT_EQ(formatFixed(123.456, 6, 2), "123.46");
  EXPECT_EQ(formatFixed(2.5, 3, 0), " 3.");
  EXPECT_EQ(formatFixed(0.4, 2, 0), "0.");
  EXPECT_EQ(formatFixed(1.0 / 3.0, 22, 20), "0.33333333333333331483");
  EXPECT_EQ(formatFixed(-0.0001, 6, 3), " 0.000");  // rounds to zero: no sign
  EXPECT_EQ(formatFixed(-0.0, 5, 1), "  0.0");
}

TEST(NumbersFixed, OverflowAndTheOptionalLeadingZero) {
  EXPECT_EQ(formatFixed(0.5, 4, 3), ".500");
  EXPECT_EQ(formatFixed(-0.5, 5, 3), "-.500");
  EXPECT_EQ(formatFixed(-0.5, 4, 3), "****");
  EXPECT_EQ(formatFixed(1.0, 3, 3), "***");
  EXPECT_EQ(formatFixed(9.9951, 5, 2), "10.00");
  EXPECT_EQ(formatFixed(99.995, 5, 2), "*****");  // only the carry makes it too long
  EXPECT_EQ(formatFixed(1e300, 10, 2), "**********");
  EXPECT_EQ(formatFixed(std::numeric_limits<double>::quiet_NaN(), 4, 1), "****");
  EXPECT_EQ(formatFixed(-std::numeric_limits<double>::infinity(), 4, 1), "****");
}

TEST(NumbersFixed, FullFormsNeverWriteAsterisks) {
  // What fits is exactly the fixed layout, optional leading zero included.
  EXPECT_EQ(formatFixedFull(9.125, 8, 3), "   9.125");
  EXPECT_EQ(formatFixedFull(-0.5, 5, 3), "-.500");
  EXPECT_EQ(formatFixedFull(-0.0001, 6, 3), " 0.000");
  // What does not fit is the number in full, its leading zero kept.
  EXPECT_EQ(formatFixedFull(-9999.0, 8, 3), "-9999.000");
  EXPECT_EQ(formatFixedFull(-0.5, 4, 3), "-0.500");
  EXPECT_EQ(formatFixedFull(99.995, 5, 2), "100.00");  // the carry alone makes it too long
  EXPECT_EQ(formatFixedFull(-12345678.5, 16, 6), "-12345678.500000");
  EXPECT_EQ(formatFixedFull(1e20, 10, 1), "100000000000000000000.0");
  EXPECT_EQ(formatFixedFull(std::numeric_limits<double>::quiet_NaN(), 8, 3), "nan");
  EXPECT_EQ(formatFixedFull(-std::numeric_limits<double>::infinity(), 8, 3), "-inf");

  EXPECT_EQ(formatWholeFull(2.5, 6), "     3");
  EXPECT_EQ(formatWholeFull(-2.5, 6), "    -3");
  EXPECT_EQ(formatWholeFull(-0.4, 6), "     0");
  EXPECT_EQ(formatWholeFull(1234567.5, 6), "1234568");
  EXPECT_EQ(formatWholeFull(1e10, 6), "10000000000");
}

TEST(NumbersInt, RightAlignedWithOverflow) {
  EXPECT_EQ(formatInt(42, 5), "   42");
  EXPECT_EQ(formatInt(-1234, 5), "-1234");
  EXPECT_EQ(formatInt(-12345, 5), "*****");
  EXPECT_EQ(formatInt(0, 1), "0");
}

TEST(NumbersRound, HalvesAwayFromZero) {
  EXPECT_EQ(roundHalfAway(2.5), 3.0);
  EXPECT_EQ(roundHalfAway(-2.5), -3.0);
  EXPECT_EQ(roundHalfAway(2.4999), 2.0);
  EXPECT_EQ(roundHalfAway(0.49999999999999994), 0.0);  // adding 0.5 first would give 1
}

TEST(NumbersReadField, AcceptedForms) {
  const struct {
    const char* field;
    double value;
  } cases[] = {{"", 0.0},           {"      ", 0.0},     {"  12.5 ", 12.5}, {" 1 2 3", 123.0},
               {" 150", 150.0},     {"-1.5E-3", -1.5e-3}, {"1.5D3", 1500.0}, {"1.5d 3", 1500.0},
               {"1.5+3", 1500.0},   {"1.5-3", 1.5e-3},   {".5", 0.5},       {"+5.", 5.0},
               {"1e-400", 0.0}};
  for (const auto& c : cases) {
    double v = -1.0;
    EXPECT_TRUE(readFixedField(c.field, v)) << c.field;
    EXPECT_EQ(v, c.value) << c.field;
  }
}

TEST(NumbersReadField, RejectedForms) {
  double v = 7.0;
  EXPECT_FALSE(readFixedField("abc", v));
  EXPECT_FALSE(readFixedField("1.2.3", v));
  EXPECT_FALSE(readFixedField("1e", v));
  EXPECT_FALSE(readFixedField("+", v));
  EXPECT_FALSE(readFixedField(".", v));
  EXPECT_FALSE(readFixedField("--1", v));
  EXPECT_FALSE(readFixedField("1,5", v));
  EXPECT_FALSE(readFixedField("1e400", v));
  EXPECT_FALSE(readFixedField("\t1", v));
}

}  // namespace
}  // namespace kestrix
