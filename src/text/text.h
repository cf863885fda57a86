#pragma once
// Routines over blank-padded text. A std::string stands for a fixed-length
// field: only the part up to its last non-blank character counts, and every
// result is returned without trailing blanks unless a routine says otherwise.
//
// Module text, the bottom layer: blank-padded fields, free-format reading,
// reading and formatting numbers (numbers.h) and the line end of formatted
// text (line_end.h). It owns no state and calls only the standard library.

#include <cstdint>
#include <string>
#include <string_view>

namespace kestrix {

/// The significant part of a text: everything up to its last non-blank character.
std::string_view significant(std::string_view text);

/// The text cut to a receiving field of `width` characters, trailing blanks removed.
std::string fitField(std::string_view text, std::size_t width);

/// Removes every TAB from `text` in place; true when nothing but blanks is left.
bool BLANK(std::string& text);

/// The normal form ASAME compares: quotes, TABs and leading blanks removed, capitals, trailing blanks cut.
std::string asameKey(std::string_view text);

/// True when the two texts are the same word (case, quotes, TABs, surrounding blanks ignored).
bool ASAME(std::string_view a, std::string_view b);

/// True when `flag` occurs in `text`, both compared in capitals; an empty flag always occurs.
bool FLAGEXISTS(std::string_view text, std::string_view flag);

/// The text without TAB characters.
std::string REMOVETABS(std::string_view text);

/// The text without double quotes and apostrophes.
std::string REMOVEQUOTES(std::string_view text);

/// Letters and digits kept, every other character replaced by `replacement` (dropped when it is NUL); "X" when nothing is left.
std::string ALPHANUMERICONLY(std::string_view text, char replacement);

/// The ASCII letter a-z in capitals; every other character as it is.
constexpr char upperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

/// The ASCII letter A-Z in small letters; every other character as it is.
constexpr char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

/// The text with the ASCII letters a-z in capitals.
std::string UPPERCASE(std::string_view text);

/// The text with the ASCII letters A-Z in small letters.
std::string LOWERCASE(std::string_view text);

/// The text without leading blanks (a leading TAB stays).
std::string TRIMF(std::string_view text);

/// The integer in shortest decimal text.
std::string AINTEGER(std::int32_t value);

/// The integer with leading zeros up to `digits` digits; negative values are never padded.
std::string AINTEGERPREC0(std::int32_t value, int digits);

/// Fixed-point text with decimals chosen by magnitude, trailing zeros removed (the point stays).
std::string AREAL(float value);

/// AREAL without a point that ends the text: "25" for 25, "0.035" for 0.035 (for values quoted in messages).
std::string AREALTRIM(float value);

/// Fixed-point text with exactly `decimals` decimals.
std::string AREALD(float value, int decimals);

/// The text in double quotes with every double quote inside doubled, as CSV and MID readers expect.
std::string quoted(std::string_view text);

/// The text between double quotes as messages show a name or value, nothing escaped.
std::string inQuotes(std::string_view text);

/// True when the text must be quoted to stand as one field of a comma-separated row: it holds a comma, a double quote, a CR or an LF.
bool needsQuotes(std::string_view text);

/// The text as it stands, or quoted() when it needs quotes.
std::string quotedWhenNeeded(std::string_view text);

/// Writes every control character below the blank but TAB, CR and LF as a blank; the name of the first one (such as "NUL"), or null when none.
const char* blankControlCharacters(std::string& text);

}  // namespace kestrix
