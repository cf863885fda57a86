#pragma once
// Pure text functions that split, join and normalise Windows-style paths.
// They never touch the file system. Results carry no trailing blanks.

#include <string>
#include <string_view>

namespace kestrix {

/// The extension with its dot, in lower case; blank when the last dot is not in the last component.
std::string FILEEXT(std::string_view path);

/// The path without its extension.
std::string FILENAMEPATH(std::string_view path);

/// The folder part with its trailing separator; blank for a bare name.
std::string FILEFOLDERPATH(std::string_view path);

/// The file placed in the folder, then passed through REMOVEDOTDOT.
std::string ADDFOLDER(std::string_view folder, std::string_view file);

/// The path with doubled backslashes, "folder\..\" and "\.\" segments removed.
std::string REMOVEDOTDOT(std::string_view path);

/// Trims the path and collapses doubled "\\" or "//" separators; rewrites `path` and returns it.
std::string CLEANPATH(std::string& path);

}  // namespace kestrix
