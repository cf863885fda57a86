#pragma once
// Recognising the header lines that mark the parts of a .mif file by their
// first word, so that a column name that merely contains the word (such as
// "Metadata" or "Data_Source") is never taken for the marker.

#include <string_view>

#include "text/text.h"

namespace kestrix::mif_detail {

/// True for the characters that separate words on a .mif line.
inline bool isSeparator(char c) { return c == ' ' || c == '\t' || c == '\r'; }

/// Position of the first character that is not a blank or TAB (the size when none).
inline std::size_t firstNonBlank(std::string_view line) {
  std::size_t i = 0;
  while (i < line.size() && isSeparator(line[i])) ++i;
  return i;
}

/// True when the first word of `line` is `word` (given in capitals), compared case-blind; returns the position after it.
inline bool firstWordIs(std::string_view line, std::string_view word, std::size_t& after) {
  std::size_t i = firstNonBlank(line);
  if (line.size() - i < word.size()) return false;
  for (std::size_t k = 0; k < word.size(); ++k) {
    if (upperAscii(line[i + k]) != word[k]) return false;
  }
  after = i + word.size();
  return after == line.size() || isSeparator(line[after]);
}

/// True when the first word of `line` is `word` (given in capitals), compared case-blind.
inline bool firstWordIs(std::string_view line, std::string_view word) {
  std::size_t after = 0;
  return firstWordIs(line, word, after);
}

/// True when `line` holds `word` (given in capitals) and nothing else but blanks and TABs.
inline bool onlyWordIs(std::string_view line, std::string_view word) {
  std::size_t after = 0;
  if (!firstWordIs(line, word, after)) return false;
  return firstNonBlank(line.substr(after)) == line.size() - after;
}

/// True when the first word of `line` is an object keyword (COLLECTION included), so that the line begins an object.
inline bool beginsObject(std::string_view line) {
  static constexpr std::string_view kObjectWords[] = {"NONE",   "ARC",    "ELLIPSE",   "LINE", "PLINE",
                                                      "POINT",  "RECT",   "REGION",    "ROUNDRECT", "TEXT",
                                                      "MULTIPOINT", "COLLECTION"};
  for (const std::string_view word : kObjectWords)
    if (firstWordIs(line, word)) return true;
  return false;
}

}  // namespace kestrix::mif_detail
