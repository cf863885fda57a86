// Windows side of the platform layer: both separators are native and names
// compare case-blind, as the file system does.

#include "files/platform_native.h"

namespace kestrix {

const char* const kNativeSeparators = "\\/";

std::string nativePath(const std::string& path) { return path; }

// Names are single-byte text in the user's code page, as the console gives them.
std::filesystem::path toFsPath(const std::string& path) { return std::filesystem::path(path); }

std::string fromFsPath(const std::filesystem::path& path) { return path.string(); }

std::FILE* openNativeFile(const std::string& nativeName, bool forWriting) {
  return std::fopen(nativeName.c_str(), forWriting ? "wb" : "rb");
}

std::string foldIdentity(const std::string& resolved) {
  std::string key = resolved;
  for (char& c : key) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    if (c == '/') c = '\\';
  }
  return key;
}

bool slashArgumentIsFileName(const std::string&, bool) { return false; }

}  // namespace kestrix
