// POSIX side of the platform layer. Names come from Windows users and model
// files, so a backslash is taken as a folder separator when a file is opened.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include "platform/platform_native.h"

namespace kestrix {

const char* const kNativeSeparators = "/";

std::string nativePath(const std::string& path) {
  std::string native = path;
  std::replace(native.begin(), native.end(), '\\', '/');
  return native;
}

std::filesystem::path toFsPath(const std::string& path) { return std::filesystem::path(nativePath(path)); }

std::string fromFsPath(const std::filesystem::path& path) { return path.string(); }

std::FILE* openNativeFile(const std::string& nativeName, bool forWriting) {
  return std::fopen(nativeName.c_str(), forWriting ? "wb" : "rb");
}

bool nativeFileKey(const std::string& nativeName, std::string& key) {
  struct stat st;
  if (::stat(nativeName.c_str(), &st) != 0) return false;
  key = std::to_string(static_cast<unsigned long long>(st.st_dev)) + ":" +
        std::to_string(static_cast<unsigned long long>(st.st_ino));
  return true;
}

std::FILE* nativeCreateNew(const std::string& nativeName) {
  const int fd = ::open(nativeName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) return nullptr;
  std::FILE* file = ::fdopen(fd, "wb");
  if (file == nullptr) {
    ::close(fd);
    ::unlink(nativeName.c_str());
  }
  return file;
}

// Where the system can say so (Linux), a long output is sent to disk as it
// grows and let go of once there: left to the cache, gigabytes of layers
// would each take a fresh page of memory, and fresh pages are costly to fill.
#ifdef SYNC_FILE_RANGE_WRITE
void nativeStartWriteBack(std::FILE* file, long long from, long long to) {
  ::sync_file_range(::fileno(file), from, to - from, SYNC_FILE_RANGE_WRITE);
}

void nativeDropWritten(std::FILE* file, long long from, long long to) {
  ::posix_fadvise(::fileno(file), from, to - from, POSIX_FADV_DONTNEED);
}
#else
void nativeStartWriteBack(std::FILE*, long long, long long) {}

void nativeDropWritten(std::FILE*, long long, long long) {}
#endif

bool nativeRename(const std::string& nativeFrom, const std::string& nativeTo) {
  return std::rename(nativeFrom.c_str(), nativeTo.c_str()) == 0;
}

int currentProcessId() { return static_cast<int>(::getpid()); }

std::string foldIdentity(const std::string& resolved) { return resolved; }

bool slashArgumentIsFileName(const std::string& argument, bool existsAsFile) {
  // "/tmp/run/a.mif" is a path; "/N" stays an option as on Windows.
  return argument.find('/', 1) != std::string::npos || existsAsFile;
}

}  // namespace kestrix
