#include "text/numbers.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

namespace kestrix {

namespace {

std::string stars(int width) { return std::string(width > 0 ? width : 0, '*'); }

// Adds one unit in the last place to a string of decimal digits; a carry out
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

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// The exact decimal text of |value| rounded to `decimals` decimals, halves
// away from zero, as sign, whole digits and fraction digits.
struct FixedDigits {
  bool negative = false;
  std::string whole;
  std::string fraction;
};

bool fixedDigits(double value, int decimals, FixedDigits& out) {
  // Far more digits than are kept: the digits beyond the last kept one then
  // tell exactly whether the value lies below, on or above the half-way point
  // (a double is never within 1e-40 of a decimal tie without being on it).
  const int extra = 40;
  // The whole text stays on the stack for the decimals the files use; this
  // runs for every number of every output row.
  char local[512];
  std::string heap;
  char* buffer = local;
  const std::size_t size = std::numeric_limits<double>::max_exponent10 + decimals + extra + 8;
  if (size > sizeof local) {
    heap.resize(size);
    buffer = heap.data();
  }
  const auto result =
      std::to_chars(buffer, buffer + size, std::fabs(value), std::chars_format::fixed, decimals + extra);
  if (result.ec != std::errc()) return false;
  const std::string_view exact(buffer, static_cast<std::size_t>(result.ptr - buffer));

  const std::size_t point = exact.find('.');
  std::string whole(exact.substr(0, point));
  std::string fraction(exact.substr(point + 1, static_cast<std::size_t>(decimals)));
  // Half-way and above rounds up in magnitude, so ties go away from zero.
  if (exact[point + 1 + static_cast<std::size_t>(decimals)] >= '5') {
    std::string digits = whole + fraction;
    incrementDigits(digits);
    whole = digits.substr(0, digits.size() - fraction.size());
    fraction = digits.substr(digits.size() - fraction.size());
  }
  const std::size_t firstNonZero = whole.find_first_not_of('0');
  whole = firstNonZero == std::string::npos ? std::string("0") : whole.substr(firstNonZero);

  const bool zero = whole == "0" && fraction.find_first_not_of('0') == std::string::npos;
  out.negative = std::signbit(value) && !zero;
  out.whole = std::move(whole);
  out.fraction = std::move(fraction);
  return true;
}

// The Fortran-style layout: the point always shows, the leading zero of a
// value below 1 is dropped only when that is the only way to fit.
std::string fitted(const FixedDigits& d, int width) {
  const auto w = static_cast<std::size_t>(width);
  const std::string sign = d.negative ? "-" : "";
  std::string text = sign + d.whole + "." + d.fraction;
  if (text.size() == w + 1 && d.whole == "0") text = sign + "." + d.fraction;
  if (text.size() > w) return std::string();
  return std::string(w - text.size(), ' ') + text;
}

// Text for the values no fixed field can show, readable by number parsers.
std::string nonFiniteText(double value) {
  if (std::isnan(value)) return "nan";
  return std::signbit(value) ? "-inf" : "inf";
}

}  // namespace

std::string formatFixed(double value, int width, int decimals) {
  if (width <= 0) return std::string();
  if (decimals < 0) decimals = 0;
  // Even the shortest form ".ddd" needs decimals + 1 columns.
  if (!std::isfinite(value) || decimals + 1 > width) return stars(width);
  FixedDigits digits;
  if (!fixedDigits(value, decimals, digits)) return stars(width);
  const std::string text = fitted(digits, width);
  return text.empty() ? stars(width) : text;
}

std::string formatFixedFull(double value, int width, int decimals) {
  if (decimals < 0) decimals = 0;
  if (!std::isfinite(value)) return nonFiniteText(value);
  FixedDigits digits;
  if (!fixedDigits(value, decimals, digits)) return nonFiniteText(value);
  if (width > 0 && decimals + 1 <= width) {
    std::string text = fitted(digits, width);
    if (!text.empty()) return text;
  }
  // Too wide for its field: the number in full, with its leading zero.
  std::string text = digits.negative ? "-" : "";
  text += digits.whole;
  if (decimals > 0) text += "." + digits.fraction;
  return text;
}

std::string formatWholeFull(double value, int width) {
  if (!std::isfinite(value)) return nonFiniteText(value);
  FixedDigits digits;
  if (!fixedDigits(value, 0, digits)) return nonFiniteText(value);
  const std::string text = (digits.negative ? "-" : "") + digits.whole;
  const auto w = static_cast<std::size_t>(width > 0 ? width : 0);
  if (text.size() >= w) return text;
  return std::string(w - text.size(), ' ') + text;
}

std::string formatInt(std::int64_t value, int width) {
  if (width <= 0) return std::string();
  const std::string text = std::to_string(value);
  const auto w = static_cast<std::size_t>(width);
  if (text.size() > w) return stars(width);
  return std::string(w - text.size(), ' ') + text;
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
  if (i < text.size()) {
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
  // The form std::from_chars reads: the mantissa, "e" and the exponent. Kept
  // on the stack for every number of ordinary length.
  char local[96];
  std::string longForm;
  char* normal = local;
  const std::size_t room = mantissa.size() + 16;
  if (room > sizeof local) {
    longForm.resize(room);
    normal = longForm.data();
  }
  std::memcpy(normal, mantissa.data(), mantissa.size());
  char* end = normal + mantissa.size();
  *end++ = 'e';
  end = std::to_chars(end, normal + room, exponent).ptr;
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

}  // namespace

bool readNumberText(std::string_view text, double& value) { return parseNumber(text, value); }

bool readNumberText(std::string_view text, float& value) { return parseNumber(text, value); }

bool readFixedField(std::string_view field, double& value) {
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
    value = 0.0;
    return true;
  }
  return parseNumber(std::string_view(packed, length), value);
}

}  // namespace kestrix
