#pragma once
// The line end of every output file. Text formatted ahead of its file (whole
// rows and objects written in one piece) ends its lines as the file would, so
// that a Linux and a Windows run write the same bytes.

#include <string_view>

namespace kestrix {

/// CR LF, on every system: the end of each line of every output file.
inline constexpr std::string_view kLineEnd = "\r\n";

}  // namespace kestrix
