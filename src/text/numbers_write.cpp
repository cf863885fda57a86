// Writing numbers in the fixed layouts of numbers.h: the Fortran-style Fw.d
// and Iw fields and the short writers for common values. Apart from the
// reading, which shares nothing with it but the header.

#include "text/numbers.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>

#include "text/numbers_digits.h"

namespace kestrix {

namespace {

using namespace numbers_detail;

std::string stars(int width) { return std::string(width > 0 ? width : 0, '*'); }

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

}  // namespace kestrix
