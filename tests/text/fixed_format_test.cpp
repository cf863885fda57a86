// The fixed-point formatter against a slow formatter that is plainly right:
// it prints 40 digits more than it keeps and rounds on the decimal text, so
// the fast integer arithmetic must give the same text for every value.

#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "text/numbers.h"

namespace kestrix {
namespace {

// The exact decimal text of |value| cut 40 digits after the kept ones decides the rounding.
struct RefDigits {
  bool negative = false;
  std::string whole;
  std::string fraction;
};

RefDigits refDigits(double value, int decimals) {
  std::string exact(static_cast<std::size_t>(std::numeric_limits<double>::max_exponent10 + decimals + 48), '\0');
  const auto end =
      std::to_chars(exact.data(), exact.data() + exact.size(), std::fabs(value), std::chars_format::fixed, decimals + 40)
          .ptr;
  exact.resize(static_cast<std::size_t>(end - exact.data()));
  const std::size_t point = exact.find('.');
  std::string digits = exact.substr(0, point) + exact.substr(point + 1, static_cast<std::size_t>(decimals));
  if (exact[point + 1 + static_cast<std::size_t>(decimals)] >= '5') {
    std::size_t i = digits.size();
    while (i > 0 && digits[i - 1] == '9') digits[--i] = '0';
    if (i == 0) digits.insert(digits.begin(), '1');
    else ++digits[i - 1];
  }
  RefDigits d;
  d.fraction = digits.substr(digits.size() - static_cast<std::size_t>(decimals));
  d.whole = digits.substr(0, digits.size() - static_cast<std::size_t>(decimals));
  const std::size_t nonZero = d.whole.find_first_not_of('0');
  d.whole = nonZero == std::string::npos ? "0" : d.whole.substr(nonZero);
  d.negative = std::signbit(value) && (d.whole != "0" || d.fraction.find_first_not_of('0') != std::string::npos);
  return d;
}

std::string refFitted(const RefDigits& d, int width) {
  const auto w = static_cast<std::size_t>(width);
  const std::string sign = d.negative ? "-" : "";
  std::string text = sign + d.whole + "." + d.fraction;
  if (text.size() == w + 1 && d.whole == "0") text = sign + "." + d.fraction;
  if (text.size() > w) return std::string();
  return std::string(w - text.size(), ' ') + text;
}

std::string refNonFinite(double value) { return std::isnan(value) ? "nan" : std::signbit(value) ? "-inf" : "inf"; }

std::string refFixed(double value, int width, int decimals) {
  if (width <= 0) return std::string();
  if (!std::isfinite(value) || decimals + 1 > width) return std::string(static_cast<std::size_t>(width), '*');
  const std::string text = refFitted(refDigits(value, decimals), width);
  return text.empty() ? std::string(static_cast<std::size_t>(width), '*') : text;
}

std::string refFixedFull(double value, int width, int decimals) {
  if (!std::isfinite(value)) return refNonFinite(value);
  const RefDigits d = refDigits(value, decimals);
  if (width > 0 && decimals + 1 <= width) {
    const std::string text = refFitted(d, width);
    if (!text.empty()) return text;
  }
  return (d.negative ? "-" : "") + d.whole + (decimals > 0 ? "." + d.fraction : "");
}

std::string refWholeFull(double value, int width) {
  if (!std::isfinite(value)) return refNonFinite(value);
  const RefDigits d = refDigits(value, 0);
  const std::string text = (d.negative ? "-" : "") + d.whole;
  const auto w = static_cast<std::size_t>(width > 0 ? width : 0);
  return text.size() >= w ? text : std::string(w - text.size(), ' ') + text;
}

// The short writers give the field exactly, or nothing when it does not fit:
// they write into room kept beyond it, which they may fill with anything.
template <typename Write>
std::string shortField(Write write) {
  char room[64];
  std::memset(room, '#', sizeof room);
  char* const end = write(room + 8);
  if (end == nullptr) return std::string();
  EXPECT_EQ(std::string(room, 8), std::string(8, '#'));  // nothing before the field
  return std::string(room + 8, end);
}

// Every form of one value, in the widths and decimals the files use and around them.
void expectAllForms(double value, int decimals) {
  // The short writers take every value with a whole part below 10^8 and up to 8 decimals that fits its field.
  const bool common = std::isfinite(value) && std::fabs(value) < 9.0e7 && decimals <= 8;
  for (const int width : {0, 1, decimals + 1, decimals + 2, 6, 8, 10, 16, 24}) {
    ASSERT_EQ(formatFixed(value, width, decimals), refFixed(value, width, decimals))
        << std::hexfloat << value << " width " << width << " decimals " << decimals;
    ASSERT_EQ(formatFixedFull(value, width, decimals), refFixedFull(value, width, decimals))
        << std::hexfloat << value << " width " << width << " decimals " << decimals;
    const std::string field = shortField([&](char* out) { return writeFixedShort(out, value, width, decimals); });
    const std::string fitted = refFixed(value, width, decimals);
    if (!field.empty() || (common && width <= kShortField && fitted.find('*') == std::string::npos)) {
      ASSERT_EQ(field, fitted) << std::hexfloat << value << " width " << width << " decimals " << decimals;
    }
  }
  ASSERT_EQ(formatWholeFull(value, 6), refWholeFull(value, 6)) << std::hexfloat << value;
  const std::string whole = shortField([&](char* out) { return writeWholeShort(out, value, 6); });
  if (!whole.empty() || (common && std::fabs(value) < 99999.0)) {
    ASSERT_EQ(whole, refWholeFull(value, 6)) << std::hexfloat << value;
  }
}

void expectAllDecimals(double value) {
  for (int decimals = 0; decimals <= 8; ++decimals) expectAllForms(value, decimals);
}

TEST(FixedFormat, EdgeValuesMatchTheExactDigits) {
  const double edges[] = {0.0,
                          -0.0,
                          0.5,
                          -0.5,
                          0.05,
                          0.0005,
                          0.00049999999999999999,
                          9.995,
                          99.995,
                          999999.9995,
                          0.125,
                          -0.125,
                          2.5,
                          -2.5,
                          1.0 / 3.0,
                          123456789.123456789,
                          4503599627370495.5,  // 2^52 - 0.5: the last halves a double holds
                          9007199254740993.0,  // above 2^53: whole values only
                          1e16,
                          1e19,
                          1.8446744073709552e19,  // 2^64: the digits leave 64 bits
                          1e22,
                          1e23,
                          1e32,
                          3.4028234663852886e38,  // the largest float
                          1e300,
                          std::numeric_limits<double>::max(),
                          -std::numeric_limits<double>::max(),
                          std::numeric_limits<double>::min(),
                          std::numeric_limits<double>::denorm_min(),
                          -std::numeric_limits<double>::denorm_min(),
                          4.9406564584124654e-320,
                          std::numeric_limits<float>::denorm_min(),
                          std::numeric_limits<double>::quiet_NaN(),
                          std::numeric_limits<double>::infinity(),
                          -std::numeric_limits<double>::infinity()};
  for (const double v : edges) expectAllDecimals(v);
}

TEST(FixedFormat, ExactTiesGoAwayFromZero) {
  // A value on a tie for d decimals is an odd multiple of 2^-(d+1).
  std::mt19937_64 random(13);
  for (int decimals = 0; decimals <= 8; ++decimals) {
    for (int i = 0; i < 500; ++i) {
      const auto odd = static_cast<double>((random() % (std::uint64_t{1} << 40)) * 2 + 1);
      const double tie = std::ldexp(odd, -(decimals + 1));
      expectAllForms(tie, decimals);
      expectAllForms(-tie, decimals);
      // The neighbours of a tie round the other way or the same way, never by accident.
      expectAllForms(std::nextafter(tie, 0.0), decimals);
      expectAllForms(std::nextafter(tie, 1e300), decimals);
    }
  }
  EXPECT_EQ(formatFixedFull(0.0625, 8, 3), "   0.063");
  EXPECT_EQ(formatFixedFull(-0.0625, 8, 3), "  -0.063");
  EXPECT_EQ(formatFixedFull(1.5, 8, 0), "      2.");
  EXPECT_EQ(formatWholeFull(-0.5, 6), "    -1");
}

TEST(FixedFormat, RandomBitPatternsMatchTheExactDigits) {
  // Every exponent and sign, subnormals included; NaN and infinities come out as text.
  std::mt19937_64 random(20261208);
  for (int i = 0; i < 2000; ++i) expectAllDecimals(std::bit_cast<double>(random()));
  // Most of those are far from the values files hold: as many again with exponents of -40 to 60.
  for (int i = 0; i < 2000; ++i) {
    const double v = std::ldexp(std::bit_cast<double>((random() >> 12) | 0x3ff0000000000000ull), static_cast<int>(random() % 101) - 40);
    expectAllDecimals(random() % 2 == 0 ? v : -v);
  }
}

TEST(FixedFormat, EveryDecimalCountOfTheIntegerPathsMatchesTheExactDigits) {
  // Up to 19 decimals the digits come from 64- or 128-bit integers; which one
  // depends on the bits below the point and the decimals, so every pairing
  // near the limits is tried, ties included.
  std::mt19937_64 random(64);
  for (int decimals = 0; decimals <= 19; ++decimals) {
    for (int below = 1; below <= 70; ++below) {
      const double v = std::ldexp(static_cast<double>((random() >> 11) | (std::uint64_t{1} << 52)), -below);
      ASSERT_EQ(formatFixedFull(v, 24, decimals), refFixedFull(v, 24, decimals)) << std::hexfloat << v << " " << decimals;
      ASSERT_EQ(formatFixedFull(-v, 8, decimals), refFixedFull(-v, 8, decimals)) << std::hexfloat << v << " " << decimals;
      const double tie = std::ldexp(static_cast<double>(random() % (std::uint64_t{1} << 30) * 2 + 1), -(decimals + 1));
      ASSERT_EQ(formatFixedFull(tie, 24, decimals), refFixedFull(tie, 24, decimals)) << std::hexfloat << tie;
    }
  }
  // The fraction rounds up into the whole part.
  EXPECT_EQ(formatFixedFull(9.9996, 8, 3), "  10.000");
  EXPECT_EQ(formatFixedFull(-0.9999996, 16, 6), "       -1.000000");
}

TEST(FixedFormat, EveryDigitOfWholePartsBelowAHundredMillionMatchesTheExactDigits) {
  // Whole parts below 10^8 with up to 8 decimals have their digits made eight
  // at a time: every digit count, each digit in every place, and the carry
  // of a fraction rounding up to 10^8, where the other path takes over.
  std::mt19937_64 random(100000000);
  for (std::uint64_t p = 1; p <= 1000000000; p *= 10) {
    for (const double whole : {p - 1.0, static_cast<double>(p), p + 1.0}) {
      for (const double fraction : {0.0, 0.25, 0.5, 0.9999999996, 0.123456789}) {
        expectAllDecimals(whole + fraction);
        expectAllDecimals(-(whole + fraction));
      }
    }
  }
  for (int i = 0; i < 20000; ++i) {
    const double v = static_cast<double>(random() % 100000000) + static_cast<double>(random() % 1000000000) / 1e9;
    ASSERT_EQ(formatFixedFull(v, 16, 6), refFixedFull(v, 16, 6)) << std::hexfloat << v;
    ASSERT_EQ(formatFixedFull(-v, 10, 3), refFixedFull(-v, 10, 3)) << std::hexfloat << v;
    ASSERT_EQ(formatFixedFull(v, 8, static_cast<int>(i % 9)), refFixedFull(v, 8, static_cast<int>(i % 9)))
        << std::hexfloat << v;
  }
  EXPECT_EQ(formatFixedFull(99999999.9999996, 16, 6), "100000000.000000");
  EXPECT_EQ(formatFixedFull(-0.0000004, 10, 6), "  0.000000");  // no sign on a zero
}

TEST(FixedFormat, ValuesOfTheOutputsMatchTheExactDigits) {
  // Single-precision offsets, levels and resistances widened to double, and map
  // coordinates with 6 decimals: the values every .csv and layer row holds.
  std::mt19937_64 random(42);
  std::uniform_real_distribution<double> metres(-20000.0, 20000.0);
  std::uniform_real_distribution<double> coordinate(-1.0e7, 1.0e7);
  for (int i = 0; i < 5000; ++i) {
    const double f = static_cast<float>(metres(random));
    expectAllForms(f, 3);
    expectAllForms(static_cast<float>(f / 1000.0), 3);
    expectAllForms(coordinate(random), 6);
    expectAllForms(std::round(coordinate(random) * 1000.0) / 1000.0, 6);  // values typed with 3 decimals
  }
}

TEST(FixedFormat, ManyDecimalsAndHugeValuesTakeTheExactPath) {
  std::mt19937_64 random(7);
  for (int i = 0; i < 300; ++i) {
    const double v = std::bit_cast<double>(random());
    for (const int decimals : {19, 20, 25, 40}) expectAllForms(v, decimals);
  }
  // A subnormal is exact with 1074 decimals: one fewer is a tie for its odd significands.
  const double tiny = std::numeric_limits<double>::denorm_min() * 3;
  for (const int decimals : {1072, 1073, 1074, 1075}) {
    ASSERT_EQ(formatFixedFull(tiny, 8, decimals), refFixedFull(tiny, 8, decimals)) << decimals;
    ASSERT_EQ(formatFixedFull(-tiny, 8, decimals), refFixedFull(-tiny, 8, decimals)) << decimals;
  }
  for (int decimals = 0; decimals <= 3; ++decimals) {
    // Odd multiples of 2^-(d+1) beyond 2^53 cannot exist, but 2^k times them at the top of the range can.
    expectAllForms(std::ldexp(1.0, 1000), decimals);
    expectAllForms(std::ldexp(3.0, 70), decimals);
  }
}

TEST(FixedFormat, AppendingAddsToTheLineAndCountsWhatItAdded) {
  std::string line = "x,";
  EXPECT_EQ(appendFixedFull(line, 12.5, 8, 3), 8u);
  EXPECT_EQ(appendFixedFull(line, -123456.25, 8, 3), 11u);  // wider than its field: in full
  EXPECT_EQ(appendWholeFull(line, 34.5, 6), 6u);
  EXPECT_EQ(appendInt(line, 2, 2), 2u);
  EXPECT_EQ(appendInt(line, -123, 2), 2u);
  EXPECT_EQ(appendFixedFull(line, std::numeric_limits<double>::quiet_NaN(), 8, 3), 3u);
  EXPECT_EQ(line, "x,  12.500-123456.250    35 2**nan");
}

TEST(FixedFormat, IntegersMatchTheirDecimalText) {
  std::mt19937_64 random(3);
  const std::int64_t edges[] = {0, 1, -1, 9, 10, 99, -100, std::numeric_limits<std::int64_t>::max(),
                                std::numeric_limits<std::int64_t>::min()};
  std::vector<std::int64_t> values(std::begin(edges), std::end(edges));
  for (int i = 0; i < 2000; ++i) values.push_back(static_cast<std::int64_t>(random()) >> (random() % 64));
  for (const std::int64_t v : values) {
    const std::string text = std::to_string(v);
    for (const int width : {1, 2, 5, 12, 20, 25}) {
      const auto w = static_cast<std::size_t>(width);
      const std::string expected =
          text.size() > w ? std::string(w, '*') : std::string(w - text.size(), ' ') + text;
      ASSERT_EQ(formatInt(v, width), expected) << v << " width " << width;
    }
  }
}

}  // namespace
}  // namespace kestrix
