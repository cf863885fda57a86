#include "output/html_text.h"

#include <charconv>
#include <cmath>
#include <cstdint>

#include "text/numbers.h"

namespace kestrix {

namespace {

// The characters of bytes 0x80 to 0x9F in Windows-1252; its five unused bytes keep their Latin-1 control character.
constexpr char16_t kWindows1252[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// The length of the well-formed UTF-8 sequence at `at` (2 to 4) with its code point, or 0 when there is none.
std::size_t utf8Sequence(std::string_view text, std::size_t at, char32_t& cp) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(at);
  std::size_t length = 0;
  char32_t min = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    cp = lead & 0x1Fu;
    min = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    cp = lead & 0x0Fu;
    min = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    cp = lead & 0x07u;
    min = 0x10000;
  } else {
    return 0;
  }
  if (at + length > text.size()) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    const unsigned char next = byte(at + i);
    if ((next & 0xC0u) != 0x80u) return 0;
    cp = (cp << 6) | (next & 0x3Fu);
  }
  // Overlong forms, surrogates and values beyond Unicode are not UTF-8.
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return length;
}

// Calls `emit` with every character of a run's text, in order.
template <typename Emit>
void forEachCharacter(std::string_view text, Emit emit) {
  for (std::size_t i = 0; i < text.size();) {
    const auto b = static_cast<unsigned char>(text[i]);
    if (b < 0x80) {
      emit(static_cast<char32_t>(b));
      ++i;
      continue;
    }
    char32_t cp = 0;
    const std::size_t length = utf8Sequence(text, i, cp);
    if (length > 0) {
      emit(cp);
      i += length;
      continue;
    }
    emit(b < 0xA0 ? static_cast<char32_t>(kWindows1252[b - 0x80]) : static_cast<char32_t>(b));
    ++i;
  }
}

void appendHex4(std::string& out, unsigned value) {
  static constexpr char kHex[] = "0123456789abcdef";
  out += "\\u";
  for (int shift = 12; shift >= 0; shift -= 4) out += kHex[(value >> shift) & 0xFu];
}

void appendInteger(std::string& out, std::int64_t value) {
  char digits[24];
  const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  out.append(digits, end);
}

// Drops the trailing zeros of a fraction, and the point when nothing follows it.
void trimFraction(std::string& out, std::size_t start) {
  const std::size_t point = out.find('.', start);
  if (point == std::string::npos) return;
  std::size_t end = out.size();
  while (end > point + 1 && out[end - 1] == '0') --end;
  if (end == point + 1) end = point;
  out.resize(end);
}

// A number as formatFixedFull writes it, without blanks and trailing zeros ("-0" written as "0").
void appendFormatted(std::string& out, double value, int decimals) {
  const std::string text = formatFixedFull(value, 0, decimals);
  const std::size_t start = out.size();
  out += text;
  trimFraction(out, start);
  if (out.compare(start, std::string::npos, "-0") == 0) out.erase(start, 1);
}

}  // namespace

void appendJsonString(std::string& out, std::string_view text) {
  out += '"';
  forEachCharacter(text, [&](char32_t c) {
    switch (c) {
      case '"': out += "\\\""; return;
      case '\\': out += "\\\\"; return;
      case '\n': out += "\\n"; return;
      case '\r': out += "\\r"; return;
      case '\t': out += "\\t"; return;
      default: break;
    }
    if (c >= 0x20 && c < 0x7F && c != '<' && c != '>' && c != '&') {
      out += static_cast<char>(c);
    } else if (c < 0x10000) {
      appendHex4(out, static_cast<unsigned>(c));
    } else {
      const char32_t v = c - 0x10000;
      appendHex4(out, static_cast<unsigned>(0xD800 + (v >> 10)));
      appendHex4(out, static_cast<unsigned>(0xDC00 + (v & 0x3FF)));
    }
  });
  out += '"';
}

void appendHtmlText(std::string& out, std::string_view text) {
  forEachCharacter(text, [&](char32_t c) {
    switch (c) {
      case '&': out += "&amp;"; return;
      case '<': out += "&lt;"; return;
      case '>': out += "&gt;"; return;
      case '"': out += "&quot;"; return;
      case '\'': out += "&#39;"; return;
      case '\t':
      case '\n':
      case '\r': out += ' '; return;
      default: break;
    }
    if (c >= 0x20 && c < 0x7F) {
      out += static_cast<char>(c);
      return;
    }
    // Control characters have no place in HTML text: they show as the replacement character.
    const bool control = c < 0x20 || (c >= 0x7F && c < 0xA0);
    out += "&#x";
    char digits[12];
    const auto end = std::to_chars(digits, digits + sizeof digits, static_cast<std::uint32_t>(control ? 0xFFFD : c), 16).ptr;
    out.append(digits, end);
    out += ';';
  });
}

void appendJsonFixed(std::string& out, double value, int decimals) {
  static constexpr double kScale[] = {1.0, 1.0e1, 1.0e2, 1.0e3, 1.0e4, 1.0e5, 1.0e6};
  if (decimals < 0 || decimals > 6) decimals = decimals < 0 ? 0 : 6;
  const double scale = kScale[decimals];
  const double scaled = value * scale;
  // When the product is exact (as it is for every single-precision value at
  // 3 decimals), rounding it is rounding the value itself: std::round takes
  // halves away from zero, as the files do. Otherwise the files' own
  // formatting decides.
  if (!(std::fabs(scaled) < 4.0e15) || std::fma(value, scale, -scaled) != 0.0) {
    appendFormatted(out, value, decimals);
    return;
  }
  std::int64_t n = static_cast<std::int64_t>(std::round(scaled));
  if (n == 0) {
    out += '0';  // a negative value that rounds to zero is written without its sign, as in the files
    return;
  }
  if (n < 0) {
    out += '-';
    n = -n;
  }
  const std::size_t start = out.size();
  appendInteger(out, n);
  if (decimals > 0) {
    const auto d = static_cast<std::size_t>(decimals);
    const std::size_t digits = out.size() - start;
    if (digits <= d) out.insert(start, d + 1 - digits, '0');
    out.insert(out.size() - d, 1, '.');
    trimFraction(out, start);
  }
}

void appendJsonCoordinate(std::string& out, double value) {
  // The shortest text that reads back as the value is the value rounded to
  // 6 decimals whenever it has no more than 6: the value then lies far
  // closer to that text than half a unit of the 6th decimal, for every
  // coordinate below 1e9. Surveyed coordinates take this way; computed ones
  // are rounded as the layers round them.
  if (std::fabs(value) < 1.0e9) {
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed);
    if (result.ec == std::errc()) {
      const std::string_view shortest(text, static_cast<std::size_t>(result.ptr - text));
      const std::size_t point = shortest.find('.');
      if (point == std::string_view::npos || shortest.size() - point - 1 <= 6) {
        out += shortest == "-0" ? std::string_view("0") : shortest;
        return;
      }
    }
  }
  appendFormatted(out, value, 6);
}

}  // namespace kestrix
