#pragma once
// Test doubles for the platform layer: a console fed from a script of input
// lines that records what is written, and an in-memory file system; and the
// text helpers every test uses. They need the platform layer alone, so the
// tests of any module can use them.

#include <map>
#include <set>
#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace kestrix::testing {

/// A console whose input comes from given lines and whose output is kept.
class ScriptedConsole : public Console {
 public:
  explicit ScriptedConsole(std::vector<std::string> input = {}) : input_(std::move(input)) {}
  void write(std::string_view text) override { output_.append(text); }
  bool readLine(std::string& line) override {
    ++reads_;
    if (next_ >= input_.size()) return false;
    line = input_[next_++];
    return true;
  }
  void flush() override {}
  /// Everything written so far.
  const std::string& output() const { return output_; }
  /// Forgets what was written so far.
  void clearOutput() { output_.clear(); }
  /// Number of reads made, answered or not.
  int reads() const { return reads_; }

 private:
  std::vector<std::string> input_;
  std::size_t next_ = 0;
  std::string output_;
  int reads_ = 0;
};

/// A file system held in memory that "writes in the background" (creates files ahead, and can be told to fail a
/// settle); names are used exactly as given.
class MemoryFileSystem : public FileSystem, public BackgroundWrites {
 public:
  /// Creates or replaces a file with the given content and modification time.
  void add(const std::string& name, std::string content, std::int64_t mtime = 0);
  /// Content of a file (empty when missing).
  std::string content(const std::string& name) const;
  /// True when the file exists.
  bool has(const std::string& name) const { return files_.count(name) != 0; }
  /// Sets a file's modification time.
  void touch(const std::string& name, std::int64_t mtime) { files_[name].mtime = mtime; }
  /// Makes every later openWrite of this name fail.
  void lockForWriting(const std::string& name) { locked_[name] = true; }
  /// Lets openWrite of this name succeed again.
  void unlock(const std::string& name) { locked_.erase(name); }
  /// Makes openRead of an existing file fail.
  void denyReading(const std::string& name) { denied_[name] = true; }
  /// Makes the close of every later file written under this name fail, as a full disk does.
  void failClosing(const std::string& name) { failClose_[name] = true; }
  /// Makes every later write to a file of this name fail: the text is lost and the close reports the failure.
  void failWriting(const std::string& name) { failWrite_[name] = true; }
  /// Makes the next settle() report this file (its final name or its staged temporary) as not written.
  void failSettling(const std::string& name) { failSettle_ = name; }
  /// Every open made so far, in order: "read " or "write " and the name asked for.
  const std::vector<std::string>& opens() const { return opens_; }
  /// The names of every file held, in name order.
  std::vector<std::string> names() const;

  std::unique_ptr<InputFile> openRead(const std::string& path) override;
  std::unique_ptr<OutputFile> openWrite(const std::string& path) override;
  FileStatus stat(const std::string& path) override;
  bool makeFolder(const std::string& path) override;
  SearchStatus search(const std::string& pattern, std::vector<std::string>& matches) override;
  /// The name itself, marked as on disk where a file of that name is held.
  std::string identity(const std::string& path, Lookup) override { return (has(path) ? "f" : "n") + path; }
  std::string libraryPath(const std::string& path, LibraryUse) override { return path; }
  bool rename(const std::string& from, const std::string& to) override;
  bool remove(const std::string& path) override { return files_.erase(path) != 0; }
  /// A second file of the same content (a copy: the content of a file held here is never changed in place).
  bool linkOrCopy(const std::string& existing, const std::string& second) override;
  /// Creates each file that is not there yet, empty, as a file system that creates them ahead does.
  void createAhead(const std::vector<std::string>& paths) override;
  bool settle(std::string& failed) override;

 private:
  struct File {
    std::shared_ptr<std::string> data = std::make_shared<std::string>();
    std::int64_t mtime = 0;
  };
  std::map<std::string, File> files_;
  std::set<std::string> folders_;
  std::map<std::string, bool> locked_;
  std::map<std::string, bool> denied_;
  std::map<std::string, bool> failClose_;
  std::map<std::string, bool> failWrite_;
  std::vector<std::string> opens_;
  std::string failSettle_;
  // True when a failure set for `name` applies to `path`: the name itself or its staged temporary.
  static bool appliesTo(const std::string& name, const std::string& path);
};

/// True when `part` appears anywhere in `text`.
inline bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

/// True when `line` stands as a whole line of the console output `out`.
inline bool hasLine(const std::string& out, const std::string& line) {
  return ("\n" + out).find("\n" + line + "\n") != std::string::npos;
}

/// Joins blocks of lines into one list.
inline std::vector<std::string> join(std::initializer_list<std::vector<std::string>> parts) {
  std::vector<std::string> all;
  for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

/// Joins lines with the given line end after each.
std::string lines(const std::vector<std::string>& items, const std::string& end = "\r\n");

}  // namespace kestrix::testing
