#pragma once
// All-or-nothing outputs. While staging is on, every file opened for writing
// is written under a temporary name in its final folder; the run gives the
// files their final names only after every output has been written and
// closed, so a run that ends early leaves every existing file as it was and
// a killed run leaves at most ".kestrix-<pid>-<name>.tmp" files behind.

#include <cstddef>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/platform.h"

namespace kestrix {

/// A file system that stages the files written through it until they are committed.
class StagedFileSystem : public FileSystem {
 public:
  /// Stages nothing until enable() is called; every other service is the base's.
  explicit StagedFileSystem(FileSystem& base) : base_(base) {}

  /// From now on, files opened for writing are written under temporary names tagged with `processId`, and may be
  /// written in the background (settle() reports what failed there).
  void enable(int processId);
  /// True once enable() was called.
  bool enabled() const { return enabled_; }
  /// The temporary name under which `finalName` is written: ".kestrix-<pid>-<name>.tmp" in the same folder.
  std::string temporaryName(const std::string& finalName) const;
  /// Gives every staged file its final name, in the order first opened; false (with the final name in `failed`) when a rename failed.
  bool commit(std::string& failed);
  /// Deletes every staged file that has not been given its final name, and every file created ahead and not opened.
  void discard();
  /// Number of staged files not yet committed.
  std::size_t pending() const { return pending_.size(); }

  std::unique_ptr<InputFile> openRead(const std::string& path) override {
    forget();
    return base_.openRead(path);
  }
  /// While staging, opens the temporary file; null when the final name is taken by a folder or the file cannot be created.
  std::unique_ptr<OutputFile> openWrite(const std::string& path) override;
  bool exists(const std::string& path) override {
    forget();
    return base_.exists(path);
  }
  bool isFolder(const std::string& path) override {
    forget();
    return base_.isFolder(path);
  }
  bool makeFolder(const std::string& path) override {
    forget();
    return base_.makeFolder(path);
  }
  bool modifiedTime(const std::string& path, std::int64_t& seconds) override {
    forget();
    return base_.modifiedTime(path, seconds);
  }
  bool fileSize(const std::string& path, std::int64_t& bytes) override {
    forget();
    return base_.fileSize(path, bytes);
  }
  SearchStatus search(const std::string& pattern, std::vector<std::string>& matches) override {
    forget();
    return base_.search(pattern, matches);
  }
  /// While staging, the identity found for the same path by the call just before, when only openWrite came between.
  std::string identity(const std::string& path) override;
  bool fileKey(const std::string& path, std::string& key) override {
    forget();
    return base_.fileKey(path, key);
  }
  bool outputKey(const std::string& path, std::string& key) override {
    forget();
    return base_.outputKey(path, key);
  }
  bool rename(const std::string& from, const std::string& to) override {
    forget();
    return base_.rename(from, to);
  }
  bool remove(const std::string& path) override {
    forget();
    return base_.remove(path);
  }
  std::string libraryPath(const std::string& path) override { return base_.libraryPath(path); }
  /// While staging, the temporary name of `path`, staged like a file opened for writing (any old one removed).
  std::string libraryWritePath(const std::string& path) override;
  void writeInBackground() override { base_.writeInBackground(); }
  /// While staging, has the temporary files of `paths` created ahead; those never opened are removed at the end.
  void prepareWrites(const std::vector<std::string>& paths) override;
  /// As the base's, with the final name of a staged file that could not be written.
  bool settle(std::string& failed) override;
  /// The reason this file system or the base gave for the last failure.
  std::string failure() const override { return failure_.empty() ? base_.failure() : failure_; }

 private:
  struct Staged {
    std::string temporary;  // where the content is written
    std::string final;      // the name it gets on commit
  };
  // Every call but openWrite and identity starts here: the memo and a reason of this file system's own lapse.
  void forget() {
    memoPath_.clear();
    failure_.clear();
  }
  // Removes the files created ahead that were never opened, and forgets all of them.
  void removeUnopened();

  FileSystem& base_;
  // A file opened for writing is asked for its identity just before and just
  // after: while staging, opening it creates only the temporary file, so the
  // final name's identity is the same both times and once from disk is enough.
  std::string memoPath_;
  std::string memoIdentity_;
  std::string failure_;  // the reason for a failure of this file system's own, not the base's
  bool enabled_ = false;
  int processId_ = 0;
  std::vector<Staged> pending_;
  std::unordered_map<std::string, bool> prepared_;  // temporary files created ahead -> opened since
  std::unordered_map<std::string, std::size_t> byIdentity_;  // final file identity -> index in pending_
};

/// The files a run reads, by their key on disk, so that no output replaces one of them.
class InputRegistry {
 public:
  /// Records a file the run reads; nothing when it is not on disk.
  void add(FileSystem& fs, const std::string& name);
  /// The input that `output` names on disk (whatever the spelling), or null when it names none.
  const std::string* clash(FileSystem& fs, const std::string& output) const;
  /// Every file recorded, by the name it was first read by, in the order first read.
  const std::vector<std::string>& names() const { return names_; }

 private:
  std::unordered_map<std::string, std::string> byKey_;  // file key -> name as first read
  std::vector<std::string> names_;
};

}  // namespace kestrix
