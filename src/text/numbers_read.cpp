// Reading number texts and fixed-column number fields: one general grammar,
// and a shortcut for plain decimals that gives the same values. Apart from the
// writing, which shares nothing with it but the header.

#include "text/numbers.h"

#include <cfloat>
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace kestrix {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

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
