#pragma once
// The exact decimal arithmetic behind the fixed-point writers: a double's
// exact digits rounded to a number of decimals, and digits written two or
// eight at a time. Internal to the writers: numbers.h is the one interface
// callers see. Inline, so that the short writers, which rest on them for
// their speed, still take them in whole.

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>

namespace kestrix::numbers_detail {

/// Unsigned 128-bit arithmetic, wide enough to scale most values exactly.
using Wide = unsigned __int128;

/// The most decimals scaled in integers: 10^19 is the largest power of ten in 64 bits.
inline constexpr int kFastDecimals = 19;
/// 10^0 to 10^19.
inline constexpr std::uint64_t kPow10[kFastDecimals + 1] = {1ull,
                                                            10ull,
                                                            100ull,
                                                            1000ull,
                                                            10000ull,
                                                            100000ull,
                                                            1000000ull,
                                                            10000000ull,
                                                            100000000ull,
                                                            1000000000ull,
                                                            10000000000ull,
                                                            100000000000ull,
                                                            1000000000000ull,
                                                            10000000000000ull,
                                                            100000000000000ull,
                                                            1000000000000000ull,
                                                            10000000000000000ull,
                                                            100000000000000000ull,
                                                            1000000000000000000ull,
                                                            10000000000000000000ull};

/// A finite double as m * 2^e with an integer significand m.
inline void decompose(double magnitude, std::uint64_t& m, int& e) {
  const auto bits = std::bit_cast<std::uint64_t>(magnitude);
  const int biased = static_cast<int>((bits >> 52) & 0x7ff);
  m = bits & ((std::uint64_t{1} << 52) - 1);
  if (biased == 0) {
    e = -1074;  // subnormal: no hidden bit
  } else {
    m |= std::uint64_t{1} << 52;
    e = biased - 1075;
  }
}

// round(|value| * 10^decimals) with halves away from zero, done exactly in
// 128-bit integers: |value| * 10^d = m * 10^d / 2^s, whose remainder against
// 2^(s-1) says whether it lies below, on or above the half. False when the
// product does not fit (very large values or many decimals).
/// round(|value| * 10^decimals), halves away from zero, exactly; false when it does not fit in 128 bits.
inline bool scaledExactly(std::uint64_t m, int e, int decimals, Wide& scaled) {
  if (decimals > kFastDecimals) return false;
  const Wide product = static_cast<Wide>(m) * kPow10[decimals];  // below 2^117
  if (e >= 0) {
    if (std::bit_width(m) + e + std::bit_width(kPow10[decimals]) > 127) return false;
    scaled = product << e;
    return true;
  }
  const int shift = -e;
  if (shift >= 118) {  // the product is below 2^117, so below the half: rounds to zero
    scaled = 0;
    return true;
  }
  const Wide quotient = product >> shift;
  const Wide remainder = product - (quotient << shift);
  scaled = quotient + (remainder >= (static_cast<Wide>(1) << (shift - 1)) ? 1 : 0);
  return true;
}

/// "00" to "99": two digits per division.
inline constexpr auto kDigitPairs = [] {
  std::array<char, 200> pairs{};
  for (int i = 0; i < 100; ++i) {
    pairs[2 * i] = static_cast<char>('0' + i / 10);
    pairs[2 * i + 1] = static_cast<char>('0' + i % 10);
  }
  return pairs;
}();

// n / 10^decimals. The layouts written use few decimals, and a division by a
// constant is a multiplication, many times faster than a division by a variable.
/// n / 10^decimals, by a constant for the common numbers of decimals.
inline std::uint64_t dividedByPow10(std::uint64_t n, int decimals) {
  switch (decimals) {
    case 0: return n;
    case 1: return n / 10;
    case 2: return n / 100;
    case 3: return n / 1000;
    case 4: return n / 10000;
    case 5: return n / 100000;
    case 6: return n / 1000000;
    default: return n / kPow10[decimals];
  }
}

/// Writes the decimal digits of n (64 bits) so that they end at `end`; returns where they start.
inline char* digitsBackward64(char* end, std::uint64_t n) {
  while (n >= 100) {
    // One division: the remainder from the quotient, not a second division.
    const std::uint64_t q = n / 100;
    const auto pair = static_cast<std::size_t>(n - q * 100) * 2;
    n = q;
    end -= 2;
    std::memcpy(end, kDigitPairs.data() + pair, 2);
  }
  if (n >= 10) {
    end -= 2;
    std::memcpy(end, kDigitPairs.data() + n * 2, 2);
  } else {
    *--end = static_cast<char>('0' + n);
  }
  return end;
}

/// Writes the decimal digits of n so that they end at `end`; returns where they start.
inline char* digitsBackward(char* end, Wide n) {
  while (n > std::numeric_limits<std::uint64_t>::max()) {
    const auto low = static_cast<std::uint64_t>(n % kPow10[kFastDecimals]);
    n /= kPow10[kFastDecimals];
    char* const chunkEnd = end;
    end = digitsBackward64(end, low);
    while (chunkEnd - end < kFastDecimals) *--end = '0';  // the chunk's leading zeros
  }
  return digitsBackward64(end, static_cast<std::uint64_t>(n));
}

/// 10^8: the whole parts below it are written eight digits at a time.
inline constexpr std::uint64_t kEightDigits = 100000000;
/// Eight "0" characters as one 64-bit word.
inline constexpr std::uint64_t kAsciiZeros = 0x3030303030303030;

// The eight decimal digits of n (below 10^8), leading zeros included, as the
// bytes of a 64-bit word in memory order on a little-endian machine: the
// word is split into ever smaller lanes, two 32-bit halves of four digits,
// four 16-bit quarters of two, eight bytes of one, each split by a
// multiplication that stands for the division exactly in its range.
/// The eight digits of n (below 10^8) as one word, leading zeros included.
inline std::uint64_t eightDigits(std::uint64_t n) {
  const std::uint64_t fours = n / 10000 | (n % 10000) << 32;
  const std::uint64_t hundreds = ((fours * 10486) >> 20) & 0x0000007F0000007F;  // x / 100 for x < 10^4
  const std::uint64_t twos = (fours - 100 * hundreds) << 16 | hundreds;
  std::uint64_t tens = ((twos * 103) >> 10) & 0x000F000F000F000F;  // x / 10 for x < 100
  tens |= (twos - 10 * tens) << 8;
  return tens + kAsciiZeros;
}

/// Exactly `count` digits of n (below 10^count) ending at `end`, leading zeros included.
inline char* fixedDigitsBackward(char* end, std::uint64_t n, int count) {
  for (; count >= 2; count -= 2) {
    const std::uint64_t q = n / 100;
    end -= 2;
    std::memcpy(end, kDigitPairs.data() + static_cast<std::size_t>(n - q * 100) * 2, 2);
    n = q;
  }
  if (count == 1) *--end = static_cast<char>('0' + n % 10);
  return end;
}

// The common case in 64-bit arithmetic alone: a value with a fractional part
// (0 < s < 64 bits below the point) whose fraction, scaled by 10^decimals,
// still fits in 64 bits. The whole part is m >> s; the fraction digits are
// round(f * 10^d / 2^s) for the fraction bits f, halves away from zero, with
// a carry into the whole part when they round up to 10^d. Other values whose
// scaled value fits in 64 bits (zero, very small ones, whole numbers) are
// scaled in 128 bits. False for every other value.
/// The whole part and the rounded fraction digits of m * 2^e with `decimals` decimals; false beyond 64 bits.
inline bool splitFixed(std::uint64_t m, int e, int decimals, std::uint64_t& whole, std::uint64_t& fraction) {
  const int shift = -e;
  if (shift <= 0 || shift >= 64 || decimals > kFastDecimals ||
      shift + std::bit_width(kPow10[decimals]) > 64) {
    Wide scaled = 0;
    if (!scaledExactly(m, e, decimals, scaled) || scaled > std::numeric_limits<std::uint64_t>::max()) return false;
    whole = dividedByPow10(static_cast<std::uint64_t>(scaled), decimals);
    fraction = static_cast<std::uint64_t>(scaled) - whole * kPow10[decimals];
    return true;
  }
  whole = m >> shift;
  const std::uint64_t product = (m & ((std::uint64_t{1} << shift) - 1)) * kPow10[decimals];
  fraction = product >> shift;
  const std::uint64_t remainder = product & ((std::uint64_t{1} << shift) - 1);
  if (remainder >= std::uint64_t{1} << (shift - 1)) ++fraction;
  if (fraction == kPow10[decimals]) {
    fraction = 0;
    ++whole;
  }
  return true;
}

/// Whether the parts of a value can be written eight digits at a time.
inline bool eightDigitsFit(std::uint64_t whole, int decimals) {
  return std::endian::native == std::endian::little && whole < kEightDigits && decimals <= 8;
}

}  // namespace kestrix::numbers_detail
