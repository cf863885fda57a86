#include "text/numbers.h"

#include <array>
#include <bit>
#include <charconv>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>

namespace kestrix {

namespace {

std::string stars(int width) { return std::string(width > 0 ? width : 0, '*'); }

bool isDigit(char c) { return c >= '0' && c <= '9'; }

using Wide = unsigned __int128;

constexpr int kFastDecimals = 19;  // 10^19 is the largest power of ten in 64 bits
constexpr std::uint64_t kPow10[kFastDecimals + 1] = {1ull,
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

// A value rounded to a number of decimals, halves away from zero, as the
// text "[-]whole.fraction": the whole digits without leading zeros ("0" for
// none), the point, and exactly `decimals` fraction digits. Short texts stay
// in `local`; only values beyond the fast path use `heap`.
struct FixedText {
  char* text = nullptr;
  std::size_t length = 0;
  bool zeroWhole = false;  // the whole part is "0"
  char local[96];
  std::string heap;

  // The columns free before a text in `local`, where blanks can pad it so
  // that it is appended in one piece.
  std::size_t room() const { return heap.empty() ? static_cast<std::size_t>(text - local) : 0; }
};

// A finite double as m * 2^e with an integer significand m.
void decompose(double magnitude, std::uint64_t& m, int& e) {
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
bool scaledExactly(std::uint64_t m, int e, int decimals, Wide& scaled) {
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

// "00" to "99": two digits per division.
constexpr auto kDigitPairs = [] {
  std::array<char, 200> pairs{};
  for (int i = 0; i < 100; ++i) {
    pairs[2 * i] = static_cast<char>('0' + i / 10);
    pairs[2 * i + 1] = static_cast<char>('0' + i % 10);
  }
  return pairs;
}();

// n / 10^decimals. The layouts written use few decimals, and a division by a
// constant is a multiplication, many times faster than a division by a variable.
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

// Writes the decimal digits of n so that they end at `end`; returns where they start.
char* digitsBackward(char* end, Wide n) {
  while (n > std::numeric_limits<std::uint64_t>::max()) {
    const auto low = static_cast<std::uint64_t>(n % kPow10[kFastDecimals]);
    n /= kPow10[kFastDecimals];
    char* const chunkEnd = end;
    end = digitsBackward64(end, low);
    while (chunkEnd - end < kFastDecimals) *--end = '0';  // the chunk's leading zeros
  }
  return digitsBackward64(end, static_cast<std::uint64_t>(n));
}

// Adds one unit in the last place to a text of decimal digits; a carry out
// of the first digit prepends a "1".
void incrementDigits(std::string& digits) {
  for (std::size_t i = digits.size(); i-- > 0;) {
    if (digits[i] != '9') {
      ++digits[i];
      return;
    }
    digits[i] = '0';
  }
  digits.insert(digits.begin(), '1');
}

// The rare values beyond 128 bits (above about 1e32, or more than 19
// decimals): std::to_chars gives the correctly rounded digits; only an exact
// tie needs deciding, and then the value has exactly decimals + 1 decimals,
// which to_chars writes without rounding.
void slowText(double value, std::uint64_t m, int e, int decimals, FixedText& out) {
  // An exact tie: m * 2^e * 10^d = k + 1/2, i.e. the lowest set bit of m
  // stands for 2^-1 after the scaling (10^d = 2^d * 5^d with 5^d odd).
  const bool tie = m != 0 && std::countr_zero(m) + e + decimals == -1;
  const int precision = tie ? decimals + 1 : decimals;
  std::string exact(static_cast<std::size_t>(std::numeric_limits<double>::max_exponent10 + precision + 8), '\0');
  const auto result = std::to_chars(exact.data(), exact.data() + exact.size(), std::fabs(value),
                                    std::chars_format::fixed, precision);
  exact.resize(static_cast<std::size_t>(result.ptr - exact.data()));
  const std::size_t point = exact.find('.');
  std::string whole = exact.substr(0, point);
  std::string fraction = point == std::string::npos ? std::string() : exact.substr(point + 1);
  if (tie) {
    // Drop the final 5 and round the magnitude up.
    fraction.pop_back();
    std::string digits = whole + fraction;
    incrementDigits(digits);
    whole = digits.substr(0, digits.size() - fraction.size());
    fraction = digits.substr(digits.size() - fraction.size());
  }
  const std::size_t nonZero = whole.find_first_not_of('0');
  whole = nonZero == std::string::npos ? std::string("0") : whole.substr(nonZero);
  const bool zero = whole == "0" && fraction.find_first_not_of('0') == std::string::npos;
  out.heap = (std::signbit(value) && !zero ? "-" : "") + whole + "." + fraction;
  out.text = out.heap.data();
  out.length = out.heap.size();
  out.zeroWhole = whole == "0";
}

constexpr std::uint64_t kEightDigits = 100000000;
constexpr std::uint64_t kAsciiZeros = 0x3030303030303030;

// The eight decimal digits of n (below 10^8), leading zeros included, as the
// bytes of a 64-bit word in memory order on a little-endian machine: the
// word is split into ever smaller lanes, two 32-bit halves of four digits,
// four 16-bit quarters of two, eight bytes of one, each split by a
// multiplication that stands for the division exactly in its range.
inline std::uint64_t eightDigits(std::uint64_t n) {
  const std::uint64_t fours = n / 10000 | (n % 10000) << 32;
  const std::uint64_t hundreds = ((fours * 10486) >> 20) & 0x0000007F0000007F;  // x / 100 for x < 10^4
  const std::uint64_t twos = (fours - 100 * hundreds) << 16 | hundreds;
  std::uint64_t tens = ((twos * 103) >> 10) & 0x000F000F000F000F;  // x / 10 for x < 100
  tens |= (twos - 10 * tens) << 8;
  return tens + kAsciiZeros;
}

// Exactly `count` digits of n (below 10^count) ending at `end`, leading zeros included.
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
bool splitFixed(std::uint64_t m, int e, int decimals, std::uint64_t& whole, std::uint64_t& fraction) {
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

// Whether the parts of a value can be written eight digits at a time.
bool eightDigitsFit(std::uint64_t whole, int decimals) {
  return std::endian::native == std::endian::little && whole < kEightDigits && decimals <= 8;
}

// The text of a value's parts when eightDigitsFit: the whole part's leading
// zeros are left off, and the fraction, scaled up to eight digits, keeps its
// first `decimals`. The text stands well inside `local`, with at least 16
// bytes before and after it.
void eightDigitText(bool negative, std::uint64_t whole, std::uint64_t fraction, int decimals, FixedText& out) {
  char* const point = out.local + 40;
  const std::uint64_t wholeDigits = eightDigits(whole);
  std::memcpy(point - 8, &wholeDigits, 8);
  *point = '.';
  const std::uint64_t fractionDigits = eightDigits(fraction * kPow10[8 - decimals]);
  std::memcpy(point + 1, &fractionDigits, 8);
  // The digits stand first in memory as the low bytes: the zero bytes below
  // the first nonzero one are the leading zeros.
  const std::uint64_t significant = wholeDigits - kAsciiZeros;
  const int leadingZeros = significant == 0 ? 7 : std::countr_zero(significant) / 8;
  char* p = point - (8 - leadingZeros);
  if (negative && (whole != 0 || fraction != 0)) *--p = '-';
  out.text = p;
  out.length = static_cast<std::size_t>(point + 1 + decimals - p);
  out.zeroWhole = whole == 0;
}

bool fastFixedText(bool negative, std::uint64_t m, int e, int decimals, FixedText& out) {
  std::uint64_t whole = 0;
  std::uint64_t fraction = 0;
  if (!splitFixed(m, e, decimals, whole, fraction)) return false;
  if (eightDigitsFit(whole, decimals)) {
    eightDigitText(negative, whole, fraction, decimals, out);
    return true;
  }
  char* const end = out.local + sizeof out.local;
  char* p = fixedDigitsBackward(end, fraction, decimals);
  *--p = '.';
  p = digitsBackward64(p, whole);
  if (negative && (whole != 0 || fraction != 0)) *--p = '-';
  out.text = p;
  out.length = static_cast<std::size_t>(end - p);
  out.zeroWhole = whole == 0;
  return true;
}

void fixedText(double value, int decimals, FixedText& out) {
  std::uint64_t m = 0;
  int e = 0;
  decompose(std::fabs(value), m, e);
  if (fastFixedText(std::signbit(value), m, e, decimals, out)) return;
  Wide scaled = 0;
  if (!scaledExactly(m, e, decimals, scaled)) {
    slowText(value, m, e, decimals, out);
    return;
  }
  // Written from the end: the fraction digits, the point, the whole digits, the sign.
  char* const end = out.local + sizeof out.local;
  char* p = end;
  Wide whole = 0;
  if (scaled <= std::numeric_limits<std::uint64_t>::max()) {
    const auto narrow = static_cast<std::uint64_t>(scaled);
    const std::uint64_t wholeNarrow = dividedByPow10(narrow, decimals);
    if (decimals > 0) p = digitsBackward64(p, narrow - wholeNarrow * kPow10[decimals]);
    whole = wholeNarrow;
  } else {
    whole = scaled / kPow10[decimals];
    if (decimals > 0) p = digitsBackward(p, scaled - whole * kPow10[decimals]);
  }
  while (end - p < decimals) *--p = '0';
  *--p = '.';
  p = digitsBackward(p, whole);
  if (std::signbit(value) && scaled != 0) *--p = '-';
  out.text = p;
  out.length = static_cast<std::size_t>(end - p);
  out.zeroWhole = whole == 0;
}

constexpr std::string_view kBlanks = "                ";
static_assert(kBlanks.size() == kShortField && kShortField + 8 <= kShortRoom);

// The Fortran-style layout appended to `out`: the point always shows, the
// leading zero of a value below 1 is dropped only when that is the only way
// to fit. False (nothing appended) when it does not fit.
bool appendFitted(std::string& out, FixedText& t, int width) {
  const auto w = static_cast<std::size_t>(width);
  if (t.length <= w) {
    const std::size_t pad = w - t.length;
    if (pad <= kBlanks.size() && kBlanks.size() <= t.room()) {
      std::memcpy(t.text - kBlanks.size(), kBlanks.data(), kBlanks.size());  // one store, whatever the padding
      out.append(t.text - pad, w);
    } else if (pad <= t.room()) {
      std::memset(t.text - pad, ' ', pad);
      out.append(t.text - pad, w);
    } else {
      out.append(pad, ' ');
      out.append(t.text, t.length);
    }
    return true;
  }
  if (t.length != w + 1 || !t.zeroWhole) return false;
  // "-0.5" as "-.5": the zero stands after the sign, if any.
  if (t.text[0] == '-') out.push_back('-');
  const std::size_t zeroAt = t.text[0] == '-' ? 1 : 0;
  out.append(t.text + zeroAt + 1, t.length - zeroAt - 1);
  return true;
}

// Text for the values no fixed field can show, readable by number parsers.
const char* nonFiniteText(double value) {
  if (std::isnan(value)) return "nan";
  return std::signbit(value) ? "-inf" : "inf";
}

}  // namespace

std::size_t appendFixedFull(std::string& out, double value, int width, int decimals) {
  const std::size_t before = out.size();
  if (decimals < 0) decimals = 0;
  if (!std::isfinite(value)) {
    out.append(nonFiniteText(value));
    return out.size() - before;
  }
  FixedText text;
  fixedText(value, decimals, text);
  if (width > 0 && decimals + 1 <= width && appendFitted(out, text, width)) return out.size() - before;
  // Too wide for its field: the number in full, with its leading zero, and
  // without a point when there are no decimals.
  out.append(text.text, decimals > 0 ? text.length : text.length - 1);
  return out.size() - before;
}

std::size_t appendWholeFull(std::string& out, double value, int width) {
  const std::size_t before = out.size();
  if (!std::isfinite(value)) {
    out.append(nonFiniteText(value));
    return out.size() - before;
  }
  FixedText text;
  fixedText(value, 0, text);
  const std::size_t length = text.length - 1;  // without the point
  const auto w = static_cast<std::size_t>(width > 0 ? width : 0);
  const std::size_t pad = length < w ? w - length : 0;
  if (pad <= text.room()) {
    std::memset(text.text - pad, ' ', pad);
    out.append(text.text - pad, pad + length);
  } else {
    out.append(pad, ' ');
    out.append(text.text, length);
  }
  return out.size() - before;
}

std::size_t appendInt(std::string& out, std::int64_t value, int width) {
  const std::size_t before = out.size();
  if (width <= 0) return 0;
  char buffer[24];
  char* const end = buffer + sizeof buffer;
  // The magnitude in unsigned arithmetic, so that the most negative value has one too.
  const std::uint64_t magnitude = value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
  char* start = digitsBackward(end, magnitude);
  if (value < 0) *--start = '-';
  const auto length = static_cast<std::size_t>(end - start);
  const auto w = static_cast<std::size_t>(width);
  if (length > w) {
    out.append(w, '*');
  } else {
    out.append(w - length, ' ');
    out.append(start, length);
  }
  return out.size() - before;
}

namespace {

// The parts of a value for the short writers: the sign shown, the digits of
// the whole part as eightDigits gives them and how many of them count (a lone
// zero counts); false when the value takes another path.
struct ShortParts {
  bool minus = false;
  std::uint64_t wholeDigits = 0;
  int digits = 0;
  std::uint64_t fraction = 0;
};

bool shortParts(double value, int decimals, ShortParts& parts) {
  if (std::endian::native != std::endian::little || decimals < 0 || decimals > 8 || !std::isfinite(value))
    return false;
  std::uint64_t m = 0;
  int e = 0;
  decompose(std::fabs(value), m, e);
  std::uint64_t whole = 0;
  if (!splitFixed(m, e, decimals, whole, parts.fraction) || whole >= kEightDigits) return false;
  parts.minus = std::signbit(value) && (whole != 0 || parts.fraction != 0);
  parts.wholeDigits = eightDigits(whole);
  // The digits stand first in memory as the low bytes: the zero bytes below
  // the first nonzero one are the leading zeros.
  const std::uint64_t significant = parts.wholeDigits - kAsciiZeros;
  parts.digits = significant == 0 ? 1 : 8 - std::countr_zero(significant) / 8;
  return true;
}

// Writes the field of `width` columns whose text is `length` characters:
// blanks, the sign, the whole digits that count and, after a point (unless
// `fractionDigits` is 0), the fraction's. Every piece is stored straight
// where it goes, and the pieces of whole words run on past their text into
// the room kept after the field, where later pieces or fields overwrite them.
char* putShortField(char* out, int width, std::size_t length, const ShortParts& parts, int fractionDigits,
                    bool point) {
  std::memcpy(out, kBlanks.data(), kBlanks.size());
  char* p = out + width - length;
  if (parts.minus) *p++ = '-';
  if (parts.digits > 0) {
    const std::uint64_t counted = parts.wholeDigits >> (8 * (8 - parts.digits));
    std::memcpy(p, &counted, 8);
    p += parts.digits;
  }
  if (point) {
    *p++ = '.';
    if (fractionDigits > 0) {
      const std::uint64_t digits = eightDigits(parts.fraction * kPow10[8 - fractionDigits]);
      std::memcpy(p, &digits, 8);
    }
  }
  return out + width;
}

}  // namespace

char* writeFixedShort(char* out, double value, int width, int decimals) {
  if (width > kShortField || decimals + 1 > width) return nullptr;
  ShortParts parts;
  if (!shortParts(value, decimals, parts)) return nullptr;
  const auto w = static_cast<std::size_t>(width);
  std::size_t length = (parts.minus ? 1 : 0) + static_cast<std::size_t>(parts.digits + 1 + decimals);
  if (length > w) {
    // Only "0.5" as ".5" (and "-0.5" as "-.5") is a way to fit.
    if (length != w + 1 || parts.wholeDigits != kAsciiZeros) return nullptr;
    parts.digits = 0;
    --length;
  }
  return putShortField(out, width, length, parts, decimals, true);
}

char* writeWholeShort(char* out, double value, int width) {
  if (width < 1 || width > kShortField) return nullptr;
  ShortParts parts;
  if (!shortParts(value, 0, parts)) return nullptr;
  const std::size_t length = (parts.minus ? 1 : 0) + static_cast<std::size_t>(parts.digits);
  if (length > static_cast<std::size_t>(width)) return nullptr;
  return putShortField(out, width, length, parts, 0, false);
}

std::string formatFixed(double value, int width, int decimals) {
  if (width <= 0) return std::string();
  if (decimals < 0) decimals = 0;
  // Even the shortest form ".ddd" needs decimals + 1 columns.
  if (!std::isfinite(value) || decimals + 1 > width) return stars(width);
  FixedText text;
  fixedText(value, decimals, text);
  std::string field;
  return appendFitted(field, text, width) ? field : stars(width);
}

std::string formatFixedFull(double value, int width, int decimals) {
  std::string text;
  appendFixedFull(text, value, width, decimals);
  return text;
}

std::string formatWholeFull(double value, int width) {
  std::string text;
  appendWholeFull(text, value, width);
  return text;
}

std::string formatInt(std::int64_t value, int width) {
  std::string text;
  appendInt(text, value, width);
  return text;
}

double roundHalfAway(double value) { return std::round(value); }

namespace {

// One grammar for every number text the model files hold; the value is
// converted once, directly to the target precision.
template <typename T>
bool parseNumber(std::string_view text, T& value) {
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';

  const std::size_t mantissaStart = i;
  long long integerDigits = 0;  // significant digits before the point, for the range test
  bool anyDigit = false;
  bool nonZero = false;
  bool seenNonZeroInt = false;
  while (i < text.size() && isDigit(text[i])) {
    if (text[i] != '0') seenNonZeroInt = nonZero = true;
    if (seenNonZeroInt) ++integerDigits;
    ++i;
    anyDigit = true;
  }
  long long leadingFractionZeros = 0;
  if (i < text.size() && text[i] == '.') {
    ++i;
    bool counting = !seenNonZeroInt;
    while (i < text.size() && isDigit(text[i])) {
      if (text[i] != '0') {
        nonZero = true;
        counting = false;
      } else if (counting) {
        ++leadingFractionZeros;
      }
      ++i;
      anyDigit = true;
    }
  }
  if (!anyDigit) return false;
  const std::string_view mantissa = text.substr(mantissaStart, i - mantissaStart);

  long long exponent = 0;
  const bool hasExponent = i < text.size();
  if (hasExponent) {
    const char c = text[i];
    if (c == 'E' || c == 'e' || c == 'D' || c == 'd') ++i;
    else if (c != '+' && c != '-') return false;
    bool negativeExponent = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negativeExponent = text[i++] == '-';
    if (i >= text.size()) return false;
    while (i < text.size()) {
      if (!isDigit(text[i])) return false;
      if (exponent < 1000000) exponent = exponent * 10 + (text[i] - '0');  // saturates: far out of range anyway
      ++i;
    }
    if (negativeExponent) exponent = -exponent;
  }

  if (!nonZero) {
    value = negative ? -T(0) : T(0);
    return true;
  }
  // The form std::from_chars reads: the mantissa as it stands, or with "e"
  // and the exponent when the text has one (written with D, or a bare sign).
  // Kept on the stack for every number of ordinary length.
  char local[96];
  std::string longForm;
  const char* normal = mantissa.data();
  const char* end = normal + mantissa.size();
  if (hasExponent) {
    char* form = local;
    const std::size_t room = mantissa.size() + 16;
    if (room > sizeof local) {
      longForm.resize(room);
      form = longForm.data();
    }
    std::memcpy(form, mantissa.data(), mantissa.size());
    char* formEnd = form + mantissa.size();
    *formEnd++ = 'e';
    formEnd = std::to_chars(formEnd, form + room, exponent).ptr;
    normal = form;
    end = formEnd;
  }
  T parsed{};
  const auto result = std::from_chars(normal, end, parsed);
  if (result.ec == std::errc::result_out_of_range) {
    // Decimal magnitude of the leading digit decides between underflow (reads as zero) and overflow.
    const long long magnitude =
        exponent + (integerDigits > 0 ? integerDigits - 1 : -(leadingFractionZeros + 1));
    if (magnitude >= 0) return false;
    value = negative ? -T(0) : T(0);
    return true;
  }
  if (result.ec != std::errc() || result.ptr != end) return false;
  value = negative ? -parsed : parsed;
  return true;
}

// Plain decimals, the shape nearly every number of a survey or model file
// has: sign, digits, point, digits. When the digits as one integer and the
// power of ten of the decimals are both held exactly, one division rounds the
// quotient correctly, which is what the general conversion gives as well.
// Needs arithmetic in the precision of the type (no wider intermediates).
constexpr std::ptrdiff_t kMostPlainDigits = 19;  // any 19 digits fit in 64 bits

template <typename T>
struct PlainLimits;
template <>
struct PlainLimits<double> {
  static constexpr std::uint64_t kMostDigits = std::uint64_t{1} << 53;
  static constexpr int kMostDecimals = 22;
  static constexpr double kPow10[kMostDecimals + 1] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                                      1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                                      1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
};
template <>
struct PlainLimits<float> {
  static constexpr std::uint64_t kMostDigits = std::uint64_t{1} << 24;
  static constexpr int kMostDecimals = 10;
  static constexpr float kPow10[kMostDecimals + 1] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f,
                                                     1e6f, 1e7f, 1e8f, 1e9f, 1e10f};
};

// Appends the run of digits at p to `digits` and returns where the run ends;
// `digits` wraps for long runs, which the caller refuses.
const char* digitRun(const char* p, const char* end, std::uint64_t& digits) {
  for (; p != end; ++p) {
    const unsigned digit = static_cast<unsigned char>(*p) - unsigned{'0'};
    if (digit > 9) break;
    digits = digits * 10 + digit;
  }
  return p;
}

template <typename T>
std::size_t plainNumber(std::string_view text, T& value) {
#if defined(FLT_EVAL_METHOD) && FLT_EVAL_METHOD == 0
  const char* p = text.data();
  const char* const end = p + text.size();
  bool negative = false;
  if (p != end && (*p == '+' || *p == '-')) negative = *p++ == '-';
  std::uint64_t digits = 0;
  const char* const wholeStart = p;
  p = digitRun(p, end, digits);
  std::ptrdiff_t count = p - wholeStart;
  std::ptrdiff_t decimals = 0;
  if (p != end && *p == '.') {
    const char* const fractionStart = ++p;
    p = digitRun(p, end, digits);
    decimals = p - fractionStart;
    count += decimals;
  }
  if (count == 0 || count > kMostPlainDigits || digits > PlainLimits<T>::kMostDigits ||
      decimals > PlainLimits<T>::kMostDecimals)
    return 0;
  const T magnitude = static_cast<T>(digits) / PlainLimits<T>::kPow10[decimals];
  value = negative ? -magnitude : magnitude;
  return static_cast<std::size_t>(p - text.data());
#else
  (void)text;
  (void)value;
  return 0;
#endif
}

template <typename T>
bool readNumber(std::string_view text, T& value, ReadRoute route) {
  if (route == ReadRoute::Shortcut && !text.empty()) {
    T quick{};
    if (plainNumber(text, quick) == text.size()) {
      value = quick;
      return true;
    }
  }
  return parseNumber(text, value);
}

template <typename T>
bool readField(std::string_view field, T& value, ReadRoute route) {
  if (route == ReadRoute::Shortcut) {
    // Most fields are a number with blanks before or after it only.
    std::size_t first = 0;
    while (first < field.size() && field[first] == ' ') ++first;
    std::size_t last = field.size();
    while (last > first && field[last - 1] == ' ') --last;
    if (first == last) {
      value = T(0);
      return true;
    }
    T quick{};
    if (plainNumber(field.substr(first, last - first), quick) == last - first) {
      value = quick;
      return true;
    }
  }
  char local[64];  // fields are a few columns wide; no allocation for them
  std::string longField;
  char* packed = local;
  if (field.size() > sizeof local) {
    longField.resize(field.size());
    packed = longField.data();
  }
  std::size_t length = 0;
  for (const char c : field)
    if (c != ' ') packed[length++] = c;
  if (length == 0) {
    value = T(0);
    return true;
  }
  return parseNumber(std::string_view(packed, length), value);
}

}  // namespace

bool readNumberText(std::string_view text, double& value, ReadRoute route) { return readNumber(text, value, route); }

bool readNumberText(std::string_view text, float& value, ReadRoute route) { return readNumber(text, value, route); }

std::size_t readPlainNumber(std::string_view text, double& value) { return plainNumber(text, value); }

std::size_t readPlainNumber(std::string_view text, float& value) { return plainNumber(text, value); }

bool readFixedField(std::string_view field, double& value, ReadRoute route) { return readField(field, value, route); }

bool readFixedField(std::string_view field, float& value, ReadRoute route) { return readField(field, value, route); }

}  // namespace kestrix
