// The system file system: opening files for reading and writing, the
// outputs' names and keys, and the directory search, built on
// std::filesystem and the native calls. The file objects themselves and the
// background writer stand apart, as the console uses the writer too.

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <system_error>
#include <unordered_map>

#include "platform/platform_internal.h"
#include "text/text.h"

namespace kestrix {
namespace {

// Whether the last open of this thread failed for want of file descriptors.
thread_local bool openHitLimit = false;

class SystemFileSystem final : public FileSystem, public BackgroundWrites {
 public:
  explicit SystemFileSystem(std::unique_ptr<BackgroundWriter> background) : background_(std::move(background)) {}

  std::unique_ptr<InputFile> openRead(const std::string& path) override {
    drain();  // a file read may be one just written
    std::FILE* f = openNativeRead(nativePath(path));
    openHitLimit = f == nullptr && nativeTooManyOpenFiles();
    if (!f) return failed(nullptr);
    return makeStdioInputFile(f);
  }
  std::unique_ptr<OutputFile> openWrite(const std::string& path) override {
    const std::string native = nativePath(path);
    changed(native);
    // A file created ahead comes open and empty; one the background writer
    // has not reached yet is created here.
    int descriptor = background_ ? background_->takeCreated(native) : -1;
    if (descriptor < 0) descriptor = nativeOpenWrite(native);
    openHitLimit = descriptor < 0 && nativeTooManyOpenFiles();
    if (descriptor < 0) return failed(nullptr);
    return makeNativeOutputFile(descriptor, background_.get(), path);
  }
  void createAhead(const std::vector<std::string>& paths) override {
    for (const std::string& path : paths) {
      const std::string native = nativePath(path);
      changed(native);
      if (background_) background_->create(native);
    }
  }
  bool settle(std::string& failed) override { return !background_ || background_->settle(failed, failure_); }
  std::string failure() const override { return failure_; }
  FileStatus stat(const std::string& path) override {
    FileStatus status;
    nativeStat(nativePath(path), status);
    return status;
  }
  bool makeFolder(const std::string& path) override {
    changedAll();
    std::error_code ec;
    std::filesystem::create_directories(toFsPath(path), ec);
    if (isFolder(path)) return true;
    failure_ = ec ? ec.message() : std::make_error_code(std::errc::file_exists).message();
    return false;
  }
  SearchStatus search(const std::string& pattern, std::vector<std::string>& matches) override {
    drain();
    matches.clear();
    try {
      std::string native = nativePath(pattern);
      std::size_t cut = native.find_last_of(kNativeSeparators);
      std::string folder = cut == std::string::npos ? std::string() : pattern.substr(0, cut + 1);
      std::string nativeFolder = cut == std::string::npos ? std::string(".") : native.substr(0, cut + 1);
      std::string namePattern = cut == std::string::npos ? native : native.substr(cut + 1);
      if (namePattern.find_first_of("*?") == std::string::npos) {
        if (!exists(pattern)) return SearchStatus::NotFound;
        matches.push_back(pattern);
        return SearchStatus::Ok;
      }
      std::error_code ec;
      std::filesystem::directory_iterator it(toFsPath(nativeFolder), ec), end;
      if (ec == std::errc::too_many_files_open || ec == std::errc::too_many_files_open_in_system)
        return SearchStatus::TooManyOpenFiles;  // the folder may well hold matches
      if (ec) return SearchStatus::NotFound;  // a first search that fails finds nothing
      for (; it != end; it.increment(ec)) {
        std::error_code typeEc;
        if (!it->is_regular_file(typeEc)) continue;
        std::string name = fromFsPath(it->path().filename());
        if (wildcardMatch(namePattern, name)) matches.push_back(name);
      }
      if (ec) {
        // A folder that fails part-way must not pass for a complete match list.
        matches.clear();
        return SearchStatus::OtherError;
      }
      if (matches.empty()) return SearchStatus::NotFound;
      std::sort(matches.begin(), matches.end(), nameOrderLess);
      for (auto& m : matches) m = folder + m;
      return SearchStatus::Ok;
    } catch (const std::bad_alloc&) {
      matches.clear();
      return SearchStatus::OutOfMemory;
    }
  }
  std::string identity(const std::string& path, Lookup lookup) override {
    // One look at the file itself: its device and inode (or volume and file
    // index) whatever the spelling. A file not there yet is its folder's key
    // and its name in that folder; only a name whose folder is missing too is
    // compared as text.
    const std::string native = nativePath(path);
    std::string key;
    if (keyOf(native, key, lookup == Lookup::Output)) return "f" + key;
    const std::size_t cut = native.find_last_of(kNativeSeparators);
    std::string folder = cut == std::string::npos ? std::string(".") : native.substr(0, cut);
    // The root and a drive's root keep their separator.
    if (cut != std::string::npos && (folder.empty() || folder.back() == ':')) folder = native.substr(0, cut + 1);
    // Every output of a run goes into one folder: its key is looked up once.
    if (folder != lastFolder_) {
      if (!nativeFileKey(folder, key)) {
        // Appended, not prefixed: MinGW's g++ warns falsely on a prefix to a temporary.
        std::string byName(1, 'p');
        byName += foldIdentity(native);
        return byName;
      }
      lastFolder_ = folder;
      lastFolderKey_ = key;
    }
    return "d" + lastFolderKey_ + "/" + fileNameOf(native);
  }
  bool rename(const std::string& from, const std::string& to) override {
    const std::string nativeFrom = nativePath(from);
    const std::string nativeTo = nativePath(to);
    changed(nativeFrom);
    changed(nativeTo);
    drain();
    return nativeRename(nativeFrom, nativeTo) || failed(false);
  }
  bool remove(const std::string& path) override {
    const std::string native = nativePath(path);
    changed(native);
    drain();
    if (background_) background_->forget(native);
    std::error_code ec;
    return std::filesystem::remove(toFsPath(path), ec) && !ec;
  }
  std::string libraryPath(const std::string& path, LibraryUse) override {
    changedAll();  // the library may create the file, and others beside it
    return nativePath(path);
  }
  bool linkOrCopy(const std::string& existing, const std::string& second) override {
    const std::string nativeExisting = nativePath(existing);
    const std::string nativeSecond = nativePath(second);
    changed(nativeSecond);
    drain();
    if (nativeHardLink(nativeExisting, nativeSecond)) return true;
    std::error_code ec;
    if (!std::filesystem::is_regular_file(toFsPath(existing), ec)) return false;
    // A second name left by an earlier process of the same number is replaced.
    if (std::filesystem::remove(toFsPath(second), ec) && nativeHardLink(nativeExisting, nativeSecond)) return true;
    // A file system without links (FAT, some shares) gets a copy.
    return std::filesystem::copy_file(toFsPath(existing), toFsPath(second),
                                      std::filesystem::copy_options::overwrite_existing, ec) &&
           !ec;
  }
  std::unique_ptr<HeldLock> tryLock(const std::string& path, bool& busy) override {
    const std::string native = nativePath(path);
    changed(native);
    return nativeTryLock(native, busy);
  }

 private:
  // Notes the system's reason for the native call that just failed; returns `result`.
  template <typename T>
  T failed(T result) {
    failure_ = nativeFailure();
    return result;
  }

  // What is seen on disk from here on includes every file handed to the background writer.
  void drain() {
    if (background_) background_->drain();
  }

  // The key of a file or folder. Every output is looked for before the run
  // writes (is it an input?), then as it is opened (is it open already, is a
  // folder in its place?): an output found missing (`remember`) is taken as
  // missing until this process changes what its name may stand for, which
  // saves a look at the disk per output, thousands in a run. Other names are
  // always looked up: an input the user was asked for may appear meanwhile.
  bool keyOf(const std::string& native, std::string& key, bool remember) {
    if (!missing_.empty()) {
      if (const auto found = missing_.find(fileNameOf(native)); found != missing_.end())
        for (const std::string& missing : found->second)
          if (missing == native) return false;
    }
    if (nativeFileKey(native, key)) return true;
    if (remember) missing_[fileNameOf(native)].push_back(native);
    return false;
  }
  // The name within its folder, folded as the file system compares names:
  // a file created or renamed can stand only for names that fold alike.
  static std::string fileNameOf(const std::string& native) {
    const std::size_t cut = native.find_last_of(kNativeSeparators);
    return foldIdentity(cut == std::string::npos ? native : native.substr(cut + 1));
  }
  // This process creates, renames or removes a file of that name.
  void changed(const std::string& native) {
    if (!missing_.empty()) missing_.erase(fileNameOf(native));
  }
  // This process changes the disk in ways not followed name by name.
  void changedAll() { missing_.clear(); }

  // The names looked at and found missing, by their folded name within their folder.
  std::unordered_map<std::string, std::vector<std::string>> missing_;
  // The folder whose key identity() looked up last (a folder found only).
  std::string lastFolder_;
  std::string lastFolderKey_;
  std::unique_ptr<BackgroundWriter> background_;  // null when writing in the foreground
  std::string failure_;  // the system's reason for the last failure
};

}  // namespace

bool FileSystem::linkOrCopy(const std::string&, const std::string&) { return false; }

bool FileSystem::writeDurably(const std::string& path, std::string_view bytes) {
  auto file = openWrite(path);
  if (!file) return false;
  file->write(bytes);
  return file->closeDurably();
}

namespace {
// The lock of a file system that only this process uses.
class UnsharedLock final : public HeldLock {
 public:
  bool record(std::string_view) override { return true; }
};
}  // namespace

std::unique_ptr<HeldLock> FileSystem::tryLock(const std::string&, bool& busy) {
  busy = false;
  return std::make_unique<UnsharedLock>();
}

bool wildcardMatch(std::string_view pattern, std::string_view name) {
  // Iterative matcher with back-tracking to the last star: linear for the
  // patterns users type, and never recursive.
  std::size_t p = 0, n = 0, star = std::string_view::npos, mark = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || lowerAscii(pattern[p]) == lowerAscii(name[n]))) {
      ++p;
      ++n;
    } else if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      mark = n;
    } else if (star != std::string_view::npos) {
      p = star + 1;
      n = ++mark;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

bool nameOrderLess(const std::string& a, const std::string& b) {
  std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    char x = lowerAscii(a[i]), y = lowerAscii(b[i]);
    if (x != y) return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
  }
  if (a.size() != b.size()) return a.size() < b.size();
  return a < b;
}

bool lastOpenHitFileLimit() { return openHitLimit; }

std::unique_ptr<FileSystem> makeSystemFileSystem() { return std::make_unique<SystemFileSystem>(nullptr); }

SystemPlatform makeSystemPlatform(bool inBackground) {
  SystemPlatform platform;
#if KESTRIX_THREADS
  std::unique_ptr<BackgroundWriter> writer = inBackground ? std::make_unique<BackgroundWriter>() : nullptr;
#else
  (void)inBackground;
  std::unique_ptr<BackgroundWriter> writer;  // without threads everything is written in the foreground
#endif
  BackgroundWriter* const shared = writer.get();
  auto fs = std::make_unique<SystemFileSystem>(std::move(writer));
  if (shared != nullptr) platform.background = fs.get();
  platform.fs = std::move(fs);
  platform.console = makeStdioConsole(shared);
  return platform;
}

}  // namespace kestrix
