#include "text/numbers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

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

// The shortcut for plain decimals must read every text exactly as the
// general reading does: the same verdict and the same bits (the sign of a
// zero included), the receiving variable left alone where it fails.
template <typename T>
std::string bits(T value) {
  unsigned char raw[sizeof value];
  std::memcpy(raw, &value, sizeof value);
  std::string out;
  for (unsigned char b : raw) out += std::to_string(b) + ".";
  return out;
}

template <typename T>
std::string numberText(std::string_view text, ReadRoute route) {
  T value = T(-7.25);
  const bool ok = readNumberText(text, value, route);
  return (ok ? "ok " : "no ") + bits(value);
}

template <typename T>
std::string fieldText(std::string_view field, ReadRoute route) {
  T value = T(-7.25);
  const bool ok = readFixedField(field, value, route);
  return (ok ? "ok " : "no ") + bits(value);
}

// Checks one text both ways in both precisions, as a number text and as a field.
void expectSameReading(const std::string& text) {
  EXPECT_EQ(numberText<double>(text, ReadRoute::Shortcut), numberText<double>(text, ReadRoute::General)) << text;
  EXPECT_EQ(numberText<float>(text, ReadRoute::Shortcut), numberText<float>(text, ReadRoute::General)) << text;
  EXPECT_EQ(fieldText<double>(text, ReadRoute::Shortcut), fieldText<double>(text, ReadRoute::General)) << text;
  EXPECT_EQ(fieldText<float>(text, ReadRoute::Shortcut), fieldText<float>(text, ReadRoute::General)) << text;
}

TEST(NumbersReadShortcut, AgreesWithTheGeneralReadingOnEdgeCases) {
  for (const char* text :
       {"0", "-0", "+0.000", "-0.0", "0.060", "14.001", "500015.101", "5999951.999", "-1.5", "+5.", ".5", "-.5", "5.",
        ".", "-", "+", "", " ", "  12.5 ", " 1 2.5", "-  1", "1e5", "1E-5", "1D5", "1d-5", "1.5-3", "1.5+3", "1..2",
        "1.2.3", "--1", "+-1", "1,5", "\t1", "1\t", "1x", "0x10", "inf", "nan", "1e400", "1e-400", "1.5 D3",
        // Around the limits of the shortcut: 2^53 and 2^24 digits, 22 and 10 decimals, 19 digits.
        "9007199254740992", "9007199254740993", "900719925474099.3", "16777216", "16777217", "1677721.7",
        "0.0000000000000000000001", "0.00000000000000000000001", "1.0000000000000000000001", "0.1234567891",
        "0.12345678912", "1234567890123456789", "12345678901234567890", "0000000000000000001.5",
        "00000000000000000000.5", "340282346638528859811704183484516925440", "3.4028235e38", "0.1", "0.2", "0.3",
        "2.675", "1.005", "8.5", "0.000001", "123456.789012", "4503599627370497.5", "9.999999999999999"}) {
    expectSameReading(text);
  }
}

TEST(NumbersReadShortcut, AgreesWithTheGeneralReadingOnRandomTexts) {
  std::mt19937_64 random(20240611);
  const auto pick = [&](std::size_t n) { return static_cast<std::size_t>(random() % n); };
  const std::string digits = "0123456789";
  const std::string anything = "0123456789012345678901234567890123456789.+-eEdD ,\tx";
  for (int round = 0; round < 40000; ++round) {
    std::string text;
    if (round % 2 == 0) {
      // A decimal of up to 22 digits with its point anywhere, signed or not:
      // the shapes the shortcut takes, and just beyond what it takes.
      const std::size_t count = 1 + pick(22);
      const std::size_t point = pick(count + 2);
      if (pick(3) == 0) text += pick(2) ? '-' : '+';
      for (std::size_t i = 0; i < count; ++i) {
        if (i == point) text += '.';
        text += digits[pick(10)];
      }
      if (point == count) text += '.';
      if (pick(8) == 0) text.insert(pick(text.size() + 1), 1, anything[pick(anything.size())]);
      if (pick(8) == 0) text = std::string(pick(4), ' ') + text + std::string(pick(4), ' ');
    } else {
      for (std::size_t i = pick(14); i > 0; --i) text += anything[pick(anything.size())];
    }
    expectSameReading(text);
    if (::testing::Test::HasFailure()) break;  // one report is enough to go on
  }
}

TEST(NumbersReadShortcut, TakesOnlyPlainDecimalsFromTheStartOfATextAndNeverTouchesAValueItLeaves) {
  double d = 7.0;
  EXPECT_EQ(readPlainNumber("500015.101 5999951.999", d), 10u);
  EXPECT_EQ(d, 500015.101);
  EXPECT_EQ(readPlainNumber("-0,1", d), 2u);
  EXPECT_TRUE(std::signbit(d));
  EXPECT_EQ(readPlainNumber("12*3", d), 2u);  // where the item ends is for the caller to judge
  d = 7.0;
  for (const char* refused : {"", "+", ".", "-.", " 1", "x1", "9007199254740993", "1.00000000000000000000001",
                              "12345678901234567890"}) {
    EXPECT_EQ(readPlainNumber(refused, d), 0u) << refused;
    EXPECT_EQ(d, 7.0) << refused;
  }
  float f = 7.0f;
  EXPECT_EQ(readPlainNumber("16777217", f), 0u);  // beyond 2^24: left to the general reading
  EXPECT_EQ(readPlainNumber("0.12345678912", f), 0u);
  EXPECT_EQ(f, 7.0f);
  EXPECT_EQ(readPlainNumber("0.035", f), 5u);
  EXPECT_EQ(f, 0.035f);
}

}  // namespace
}  // namespace kestrix
