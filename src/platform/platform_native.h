#pragma once
// What differs between the operating systems below the platform layer: how a
// name typed for Windows is spelled for the native file system.

#include <cstdio>
#include <filesystem>
#include <string>

namespace kestrix {

/// The separators the native file system accepts.
extern const char* const kNativeSeparators;

/// The name as the native file system spells it.
std::string nativePath(const std::string& path);

/// A std::filesystem path for a name (converted to native spelling first).
std::filesystem::path toFsPath(const std::string& path);

/// The bytes of a std::filesystem path.
std::string fromFsPath(const std::filesystem::path& path);

/// Opens a file in binary mode for reading, or for writing (replace or create).
std::FILE* openNativeFile(const std::string& nativeName, bool forWriting);

/// The key of a file or folder on disk; false when nothing is there.
bool nativeFileKey(const std::string& nativeName, std::string& key);

/// Opens an existing file for writing at its start without truncating it; null when it is not there.
std::FILE* openNativeExisting(const std::string& nativeName);

/// Creates an empty file when nothing of that name is there; false (and nothing touched) otherwise.
bool nativeCreateNew(const std::string& nativeName);

/// Renames a file, replacing a file of the new name.
bool nativeRename(const std::string& nativeFrom, const std::string& nativeTo);

/// The comparison key of a resolved path (case-blind where the file system is).
std::string foldIdentity(const std::string& resolved);

}  // namespace kestrix
