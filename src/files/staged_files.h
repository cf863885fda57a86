#pragma once
// All-or-nothing outputs. While staging is on, every file opened for writing
// is written under a temporary name in its final folder; the run gives the
// files their final names only after every output has been written and
// closed, so a run that ends early leaves every existing file as it was and
// a killed run leaves at most ".kestrix-<pid>-<name>.tmp" files behind.

#include <cstddef>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "files/commit_journal.h"
#include "platform/platform.h"

namespace kestrix {

/// A file system that stages the files written through it until they are committed. Its calls take turns with
/// interrupt(), which the thread of an interrupt calls.
class StagedFileSystem : public FileSystem {
 public:
  /// Stages nothing until enable() is called; every other service is the base's. `background` is the base's
  /// background writing, where it writes in the background (null otherwise).
  explicit StagedFileSystem(FileSystem& base, BackgroundWrites* background = nullptr)
      : base_(base), background_(background) {}

  /// From now on, files opened for writing are written under temporary names tagged with `processId`.
  void enable(int processId);
  /// The process number the temporary names carry.
  int processId() const { return processId_; }
  /// Has `prepare(folder)` run, on the caller's thread, before the first file is staged in each folder (a folder
  /// ending in its separator, or empty): it may put right what stopped runs left there.
  void beforeFirstWrite(std::function<void(const std::string& folder)> prepare) { prepare_ = std::move(prepare); }
  /// The temporary name under which `finalName` is written: ".kestrix-<pid>-<name>.tmp" in the same folder.
  std::string temporaryName(const std::string& finalName) const;
  /// The folders of the staged files, each once, in name order.
  std::vector<std::string> folders() const;
  /// Gives every staged file its final name (the layers last) under a journal in each folder; on a failure puts
  /// every earlier output back and returns false with the final name in `failed` (restored() tells how that went).
  bool commit(std::string& failed);
  /// After a failed commit: true when every earlier output is back and no file of this run stays.
  bool restored() const { return restored_; }
  /// Deletes every staged file that has not been given its final name, and every file created ahead and not opened.
  void discard();
  /// Number of staged files not yet committed.
  std::size_t pending() const { return pending_.size(); }

  /// What interrupt() found and left.
  enum class Interruption {
    Finished,        ///< every output had its final name: the run goes on to its end
    NothingWritten,  ///< the run's files are gone and no earlier output was touched
    Restored,        ///< a commit had begun: every earlier output is back and the run's files are gone
    NotRestored,     ///< a commit had begun and could not be undone in full: its journal stays for the next run
  };
  /// For the thread of an interrupt: removes this run's files, undoing a commit that has begun. Unless the run had
  /// finished its commit, every later call of this file system waits for ever (the process is about to end).
  Interruption interrupt();

  std::unique_ptr<InputFile> openRead(const std::string& path) override {
    GateHold hold(gate_);
    forget();
    return base_.openRead(path);
  }
  /// While staging, opens the temporary file; null when the final name is taken by a folder or the file cannot be created.
  std::unique_ptr<OutputFile> openWrite(const std::string& path) override;
  FileStatus stat(const std::string& path) override {
    GateHold hold(gate_);
    forget();
    return base_.stat(path);
  }
  bool makeFolder(const std::string& path) override {
    GateHold hold(gate_);
    forget();
    return base_.makeFolder(path);
  }
  SearchStatus search(const std::string& pattern, std::vector<std::string>& matches) override {
    GateHold hold(gate_);
    forget();
    return base_.search(pattern, matches);
  }
  /// While staging, the identity found for the same path by the call just before, when only openWrite came between.
  std::string identity(const std::string& path, Lookup lookup) override;
  bool rename(const std::string& from, const std::string& to) override {
    GateHold hold(gate_);
    forget();
    return base_.rename(from, to);
  }
  bool remove(const std::string& path) override {
    GateHold hold(gate_);
    forget();
    return base_.remove(path);
  }
  bool linkOrCopy(const std::string& existing, const std::string& second) override {
    GateHold hold(gate_);
    forget();
    return base_.linkOrCopy(existing, second);
  }
  std::unique_ptr<HeldLock> tryLock(const std::string& path, bool& busy) override {
    GateHold hold(gate_);
    forget();
    return base_.tryLock(path, busy);
  }
  /// While staging, an output to create gets the temporary name of `path`, staged like a file opened for writing
  /// (any old one removed).
  std::string libraryPath(const std::string& path, LibraryUse use) override;
  /// The reason this file system or the base gave for the last failure.
  std::string failure() const override { return failure_.empty() ? base_.failure() : failure_; }

  /// While staging, has the temporary files of `paths` created ahead by the base's background writing (where it
  /// has one); those never opened are removed at the end.
  void createAhead(const std::vector<std::string>& paths);
  /// Waits until every file written in the background is written; false, with the final name of a staged file
  /// that could not be written, when one could not be.
  bool settle(std::string& failed);

 private:
  struct Staged {
    std::string temporary;  // where the content is written
    std::string final;      // the name it gets on commit
  };
  // Where a commit stands, for an interrupt that comes meanwhile.
  enum class Phase { None, Started, Renaming, Done };
  // The outputs of a commit into one folder, with its journal.
  struct FolderCommit {
    std::string folder;
    std::vector<JournalEntry> entries;
    bool journaled = false;  // the journal is on disk
  };
  std::string identityHeld(const std::string& path);
  // Runs the hook for the folder of `path` when nothing was staged there yet.
  void announce(const std::string& path);
  // Every call but openWrite and identity starts here: the memo and a reason of this file system's own lapse.
  void forget() {
    memoPath_.clear();
    failure_.clear();
  }
  // Removes the files created ahead that were never opened, and forgets all of them.
  void removeUnopened();
  // Deletes every staged file (the gate held).
  void discardHeld();
  // Undoes the commit after a failed step, keeping that step's reason.
  void failCommit();
  // Undoes the commit in hand: puts every earlier output back, removes this run's files; true when all went.
  bool undoCommit();
  // Removes what a successful commit leaves: the backups and the journals.
  void finishCommit();

  FileSystem& base_;
  BackgroundWrites* const background_;
  mutable Gate gate_;
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
  std::function<void(const std::string&)> prepare_;
  std::set<std::string> announced_;       // folders the hook ran for, by their key on disk
  std::vector<std::string> usedFolders_;  // the same folders, as named
  Phase phase_ = Phase::None;
  std::vector<FolderCommit> commits_;
  bool restored_ = false;
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
