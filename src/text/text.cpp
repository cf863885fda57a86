#include "text/text.h"

#include <cmath>
#include <cstring>

#include "text/numbers.h"

namespace kestrix {

namespace {

constexpr std::size_t kCompareLimit = 1000;  // ASAME looks at no more of each operand
constexpr int kNumberField = 20;             // work field of the number-to-text routines

bool isLetterOrDigit(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}


// The significant part of `text` without every character equal to `a` or `b`.
std::string without(std::string_view text, char a, char b) {
  std::string result;
  for (const char c : significant(text))
    if (c != a && c != b) result += c;
  return std::string(significant(result));
}

// The 20-column work field of a real number, reduced to its text: 20
// asterisks when it does not fit, else without leading blanks.
std::string realText(float value, int decimals) {
  const std::string field = formatFixed(value, kNumberField, decimals);
  if (field.front() == '*') return field;
  return TRIMF(field);
}

// The normal form of asameKey written into `key` (room for kCompareLimit
// characters); returns its length. Removing the quotes and TABs, then the
// blanks at both ends, and then raising the letters is what the chain of
// REMOVEQUOTES, REMOVETABS, TRIMF and UPPERCASE does, without its copies.
std::size_t asameKeyInto(std::string_view text, char* key) {
  std::size_t length = 0;
  for (const char c : text.substr(0, kCompareLimit))
    if (c != '"' && c != '\'' && c != '\t') key[length++] = upperAscii(c);
  while (length > 0 && key[length - 1] == ' ') --length;
  std::size_t first = 0;
  while (first < length && key[first] == ' ') ++first;
  std::memmove(key, key + first, length - first);
  return length - first;
}

}  // namespace

std::string_view significant(std::string_view text) {
  std::size_t length = text.size();
  while (length > 0 && text[length - 1] == ' ') --length;
  return length == 0 ? std::string_view() : text.substr(0, length);
}

std::string fitField(std::string_view text, std::size_t width) {
  return std::string(significant(text.substr(0, width)));
}

bool BLANK(std::string& text) {
  const std::size_t length = text.size();
  std::size_t kept = 0;
  for (const char c : text)
    if (c != '\t') text[kept++] = c;
  text.replace(kept, length - kept, length - kept, ' ');  // closed up, padded back to the field's length
  return significant(text).empty();
}

std::string asameKey(std::string_view text) {
  char key[kCompareLimit];
  return std::string(key, asameKeyInto(text, key));
}

bool ASAME(std::string_view a, std::string_view b) {
  char keyA[kCompareLimit];
  char keyB[kCompareLimit];
  return std::string_view(keyA, asameKeyInto(a, keyA)) == std::string_view(keyB, asameKeyInto(b, keyB));
}

bool FLAGEXISTS(std::string_view text, std::string_view flag) {
  // Compared in place, letter by letter in capitals, without copies. The
  // significant flag ends in a non-blank, so no match can reach into the
  // trailing blanks of the text: they need no cutting off.
  const std::string_view f = significant(flag);
  if (f.empty()) return true;
  const char lead = upperAscii(f[0]);
  for (std::size_t at = 0; at + f.size() <= text.size(); ++at) {
    if (upperAscii(text[at]) != lead) continue;
    std::size_t i = 1;
    while (i < f.size() && upperAscii(text[at + i]) == upperAscii(f[i])) ++i;
    if (i == f.size()) return true;
  }
  return false;
}

std::string REMOVETABS(std::string_view text) { return without(text, '\t', '\t'); }

std::string REMOVEQUOTES(std::string_view text) { return without(text, '"', '\''); }

std::string ALPHANUMERICONLY(std::string_view text, char replacement) {
  std::string result;
  for (const char c : significant(text)) {
    if (isLetterOrDigit(c)) result += c;
    else if (replacement != '\0') result += replacement;
  }
  const std::string_view kept = significant(result);
  return kept.empty() ? std::string("X") : std::string(kept);
}

std::string UPPERCASE(std::string_view text) {
  std::string result(significant(text));
  for (char& c : result) c = upperAscii(c);
  return result;
}

std::string LOWERCASE(std::string_view text) {
  std::string result(significant(text));
  for (char& c : result) c = lowerAscii(c);
  return result;
}

std::string TRIMF(std::string_view text) {
  const std::string_view s = significant(text);
  const std::size_t first = s.find_first_not_of(' ');
  return first == std::string_view::npos ? std::string() : std::string(s.substr(first));
}

std::string AINTEGER(std::int32_t value) { return TRIMF(formatInt(value, kNumberField)); }

std::string AINTEGERPREC0(std::int32_t value, int digits) {
  std::string field = formatInt(value, kNumberField);
  if (value >= 0) {
    if (digits < 1) digits = 1;
    if (digits > kNumberField) digits = kNumberField;
    // Blank columns from 21 - digits (counted from 1) rightwards become zeros;
    // the last column always holds the units digit.
    for (int column = kNumberField - digits; column < kNumberField - 1; ++column) {
      const auto at = static_cast<std::size_t>(column);
      if (field[at] != ' ') break;
      field[at] = '0';
    }
  }
  return TRIMF(field);
}

std::string AREAL(float value) {
  // The decimals follow the magnitude before rounding, compared in single precision.
  const float magnitude = std::fabs(value);
  int decimals = 0;
  if (magnitude < 0.01f) decimals = 6;
  else if (magnitude < 0.1f) decimals = 5;
  else if (magnitude < 1.0f) decimals = 4;
  else if (magnitude < 10.0f) decimals = 3;
  else if (magnitude < 100.0f) decimals = 2;
  else if (magnitude < 1000.0f) decimals = 1;
  // NaN fails every comparison above and keeps 0 decimals.

  std::string text = realText(value, decimals);
  if (text.front() == '*') return text;
  const std::size_t last = text.find_last_not_of('0');  // the point always stops the cut
  text.erase(last + 1);
  return text;
}

std::string AREALTRIM(float value) {
  std::string text = AREAL(value);
  if (text.size() > 1 && text.back() == '.') text.pop_back();
  return text;
}

std::string AREALD(float value, int decimals) { return realText(value, decimals); }

const char* blankControlCharacters(std::string& text) {
  // TAB, CR and LF stand in quoted values as they are; readers of the
  // written files stop or go wrong at the others, NUL above all.
  static constexpr const char* kNames[32] = {"NUL", "SOH", "STX", "ETX", "EOT", "ENQ", "ACK", "BEL",
                                             "BS",  "HT",  "LF",  "VT",  "FF",  "CR",  "SO",  "SI",
                                             "DLE", "DC1", "DC2", "DC3", "DC4", "NAK", "SYN", "ETB",
                                             "CAN", "EM",  "SUB", "ESC", "FS",  "GS",  "RS",  "US"};
  const char* first = nullptr;
  for (char& c : text) {
    const auto code = static_cast<unsigned char>(c);
    if (code >= 0x20 || c == '\t' || c == '\r' || c == '\n') continue;
    if (first == nullptr) first = kNames[code];
    c = ' ';
  }
  return first;
}

std::string quoted(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 2);
  out += '"';
  for (const char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
  return out;
}

// A line end inside an unquoted field would end the row for every reader.
bool needsQuotes(std::string_view text) { return text.find_first_of(",\"\r\n") != std::string_view::npos; }

std::string inQuotes(std::string_view text) {
  std::string result;
  result.reserve(text.size() + 2);
  result.push_back('"');
  result.append(text);
  result.push_back('"');
  return result;
}

std::string quotedWhenNeeded(std::string_view text) { return needsQuotes(text) ? quoted(text) : std::string(text); }

}  // namespace kestrix
