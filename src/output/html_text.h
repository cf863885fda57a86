#pragma once
// Text and numbers as the HTML report holds them. Texts of a run are single
// bytes as the inputs gave them: UTF-8 where the bytes form it, otherwise
// Windows-1252 (the "WindowsLatin1" of MapInfo layers). The report itself is
// plain ASCII, every other character written as an escape, so no browser
// has to guess its encoding and no text can end a script element early.

#include <string>
#include <string_view>

namespace kestrix {

/// Appends `text` as a JSON string literal that can stand inside an HTML script element (no "<", ">" or "&", no byte above 127).
void appendJsonString(std::string& out, std::string_view text);

/// Appends `text` as HTML text, also fit for a quoted attribute value; control characters become U+FFFD.
void appendHtmlText(std::string& out, std::string_view text);

/// Appends `value` rounded to `decimals` (0 to 6) decimals, halves away from zero, as a JSON number without trailing zeros.
void appendJsonFixed(std::string& out, double value, int decimals);

/// Appends a map coordinate as the layers write it (6 decimals), as a JSON number without trailing zeros.
void appendJsonCoordinate(std::string& out, double value);

}  // namespace kestrix
