#pragma once
// The fixed layouts in which numbers are written and read: Fortran-style Fw.d
// and Iw output fields and the fixed-column number fields of model files.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kestrix {

/// `value` in fixed point with `decimals` decimals, right-aligned in `width` columns; rounded to nearest with halves away from zero; `width` asterisks when it does not fit.
std::string formatFixed(double value, int width, int decimals);

/// As formatFixed when the value fits; otherwise the number in full ("-12345.678"), never asterisks ("nan", "inf" for values that are not numbers).
std::string formatFixedFull(double value, int width, int decimals);

/// `value` rounded to a whole number (halves away from zero), right-aligned in `width` columns or in full when wider.
std::string formatWholeFull(double value, int width);

/// `value` right-aligned in `width` columns; `width` asterisks when it does not fit.
std::string formatInt(std::int64_t value, int width);

/// Appends formatFixedFull(value, width, decimals) to `out` without a string of its own; returns the characters appended.
std::size_t appendFixedFull(std::string& out, double value, int width, int decimals);

/// Appends formatWholeFull(value, width) to `out`; returns the characters appended.
std::size_t appendWholeFull(std::string& out, double value, int width);

/// Appends formatInt(value, width) to `out`; returns the characters appended.
std::size_t appendInt(std::string& out, std::int64_t value, int width);

/// The widest field the short writers below take.
constexpr int kShortField = 16;
/// The room the short writers may write into from the start of a field, whatever its width: callers keep that much room beyond every field start.
constexpr int kShortRoom = 24;

/// Writes formatFixed(value, width, decimals) at `out` for the common values (a whole part below 10^8, at most 8 decimals, a width of at most kShortField) that fit their width; returns the end of the field, or null, with `out` unspecified, when the value needs appendFixedFull.
char* writeFixedShort(char* out, double value, int width, int decimals);

/// As writeFixedShort, for formatWholeFull(value, width).
char* writeWholeShort(char* out, double value, int width);

/// `value` rounded to the nearest whole number, halves away from zero (the value is taken as given, no further widening).
double roundHalfAway(double value);

/// Whether a reader may take its shortcuts for the common shapes (plain decimals, simple quoted texts) or reads by the general rules alone, the reference the shortcuts are held to.
enum class ReadRoute { Shortcut, General };

/// Reads a whole number text without blanks: optional sign, digits with an optional point, optional exponent (E, e, D, d or a bare sign). False when it is not a number or out of range.
bool readNumberText(std::string_view text, double& value, ReadRoute route = ReadRoute::Shortcut);
/// As above, rounded once to single precision.
bool readNumberText(std::string_view text, float& value, ReadRoute route = ReadRoute::Shortcut);

/// Reads a plain decimal from the start of `text` (optional sign, digits with an optional point, no exponent) when one division of exactly held numbers gives its value; the characters taken, or 0 with `value` untouched.
std::size_t readPlainNumber(std::string_view text, double& value);
/// As above, in single precision.
std::size_t readPlainNumber(std::string_view text, float& value);

/// Reads a fixed-column number field: blanks ignored, an all-blank field is 0, point and exponent optional. False when the field is not a number.
bool readFixedField(std::string_view field, double& value, ReadRoute route = ReadRoute::Shortcut);
/// As above, rounded once to single precision.
bool readFixedField(std::string_view field, float& value, ReadRoute route = ReadRoute::Shortcut);

}  // namespace kestrix
