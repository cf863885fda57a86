#include "files/staged_files.h"

#include <algorithm>
#include <system_error>

namespace kestrix {

namespace {

// The folder part of a name, with its separator (names come in Windows spelling too).
std::size_t nameStart(const std::string& path) {
  const std::size_t cut = path.find_last_of("/\\");
  return cut == std::string::npos ? 0 : cut + 1;
}

// Layers name other outputs (1d_xs names every .csv): they get their names
// last, so that a layer in place never names a file that is not.
bool isLayer(const std::string& path) {
  const std::size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || dot < nameStart(path)) return false;
  std::string ext = path.substr(dot);
  for (char& c : ext) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return ext == ".mif" || ext == ".mid" || ext == ".gpkg";
}

}  // namespace

void StagedFileSystem::enable(int processId) {
  GateHold hold(gate_);
  enabled_ = true;
  processId_ = processId;
}

void StagedFileSystem::announce(const std::string& path) {
  if (!enabled_) return;
  const std::string folder = path.substr(0, nameStart(path));
  std::string key;
  {
    GateHold hold(gate_);
    // By the folder's key, so that no spelling of a folder written already is taken for a fresh one.
    key = base_.identity(folder.empty() ? std::string(".") : folder, Lookup::Now);
    if (!identityOnDisk(key)) key = "name:" + folder;
    if (!announced_.insert(key).second) return;
    usedFolders_.push_back(folder);
  }
  if (prepare_) prepare_(folder);
}

void StagedFileSystem::createAhead(const std::vector<std::string>& paths) {
  if (!enabled_ || background_ == nullptr) return;
  for (const std::string& path : paths) announce(path);
  GateHold hold(gate_);
  forget();
  std::vector<std::string> temporaries;
  temporaries.reserve(paths.size());
  for (const std::string& path : paths) {
    std::string temporary = temporaryName(path);
    if (prepared_.emplace(temporary, false).second) temporaries.push_back(std::move(temporary));
  }
  background_->createAhead(temporaries);
}

bool StagedFileSystem::settle(std::string& failed) {
  GateHold hold(gate_);
  forget();
  std::string where;
  if (background_ == nullptr || background_->settle(where)) return true;
  failed = where;
  for (const Staged& s : pending_)
    if (s.temporary == where) failed = s.final;
  return false;
}

std::string StagedFileSystem::temporaryName(const std::string& finalName) const {
  const std::size_t start = nameStart(finalName);
  return finalName.substr(0, start) + ".kestrix-" + std::to_string(processId_) + "-" + finalName.substr(start) +
         ".tmp";
}

std::vector<std::string> StagedFileSystem::folders() const {
  GateHold hold(gate_);
  std::set<std::string> all;
  for (const Staged& s : pending_) all.insert(s.final.substr(0, nameStart(s.final)));
  return std::vector<std::string>(all.begin(), all.end());
}

std::string StagedFileSystem::identity(const std::string& path, Lookup lookup) {
  GateHold hold(gate_);
  if (lookup == Lookup::Output) {
    forget();
    return base_.identity(path, lookup);
  }
  return identityHeld(path);
}

std::string StagedFileSystem::identityHeld(const std::string& path) {
  if (!enabled_) return base_.identity(path, Lookup::Now);
  if (memoPath_.empty() || path != memoPath_) {
    memoIdentity_ = base_.identity(path, Lookup::Now);
    memoPath_ = path;
  }
  return memoIdentity_;
}

std::unique_ptr<OutputFile> StagedFileSystem::openWrite(const std::string& path) {
  announce(path);
  GateHold hold(gate_);
  failure_.clear();
  if (!enabled_) return base_.openWrite(path);
  const std::string identity = identityHeld(path);
  // A folder under the final name could never be replaced at the end: refuse
  // now, as opening it directly would.
  if (identityOnDisk(identity) && !base_.exists(path)) {
    failure_ = std::make_error_code(std::errc::is_a_directory).message();
    return nullptr;
  }
  auto known = byIdentity_.find(identity);
  // Writing the same output again (a second MIKE 11 model file replaces the
  // network layers) starts its temporary file afresh.
  const std::string temporary = known != byIdentity_.end() ? pending_[known->second].temporary : temporaryName(path);
  auto file = base_.openWrite(temporary);
  if (!file) return nullptr;
  if (auto ahead = prepared_.find(temporary); ahead != prepared_.end()) ahead->second = true;
  if (known == byIdentity_.end()) {
    if (phase_ == Phase::Done) phase_ = Phase::None;  // a new output to commit
    byIdentity_.emplace(identity, pending_.size());
    pending_.push_back({temporary, path});
  }
  return file;
}

std::string StagedFileSystem::libraryPath(const std::string& path, LibraryUse use) {
  if (use == LibraryUse::Read) {
    GateHold hold(gate_);
    return base_.libraryPath(path, use);
  }
  announce(path);
  GateHold hold(gate_);
  forget();
  if (!enabled_) return base_.libraryPath(path, use);
  const std::string identity = base_.identity(path, Lookup::Now);
  auto known = byIdentity_.find(identity);
  if (known != byIdentity_.end()) return base_.libraryPath(pending_[known->second].temporary, use);
  const std::string temporary = temporaryName(path);
  // The library creates the file itself: a leftover of an earlier process
  // of the same number must not be taken for a file to add to.
  if (base_.exists(temporary)) base_.remove(temporary);
  if (phase_ == Phase::Done) phase_ = Phase::None;
  byIdentity_.emplace(identity, pending_.size());
  pending_.push_back({temporary, path});
  return base_.libraryPath(temporary, use);
}

bool StagedFileSystem::commit(std::string& failed) {
  // Every step takes the gate on its own, so that an interrupt can come in
  // between any two and find the commit as far as it got.
  {
    GateHold hold(gate_);
    forget();
    removeUnopened();
    restored_ = false;
    std::vector<Staged> order = pending_;
    std::stable_partition(order.begin(), order.end(), [](const Staged& s) { return !isLayer(s.final); });
    commits_.clear();
    for (const Staged& s : order) {
      const std::size_t start = nameStart(s.final);
      const std::string folder = s.final.substr(0, start);
      auto in = std::find_if(commits_.begin(), commits_.end(), [&](const FolderCommit& c) { return c.folder == folder; });
      if (in == commits_.end()) in = commits_.insert(commits_.end(), FolderCommit{folder, {}, false});
      in->entries.push_back({s.final.substr(start), s.temporary.substr(start), std::string()});
    }
    phase_ = Phase::Started;
  }
  // The file each final name holds keeps a second name until the commit is
  // through: a hard link costs no copy, and leaves the file where it is.
  for (FolderCommit& c : commits_) {
    for (JournalEntry& e : c.entries) {
      GateHold hold(gate_);
      const std::string backup = c.folder + ".kestrix-" + std::to_string(processId_) + "-" + e.final + ".old";
      if (base_.linkOrCopy(c.folder + e.final, backup)) {
        e.backup = backup.substr(c.folder.size());
      } else if (base_.exists(c.folder + e.final)) {
        base_.remove(backup);
        failed = c.folder + e.final;
        failCommit();
        return false;
      }
    }
  }
  {
    GateHold hold(gate_);
    for (FolderCommit& c : commits_) {
      c.journaled = base_.writeDurably(journalName(c.folder, processId_), journalText(c.entries, false));
      if (c.journaled) continue;
      base_.remove(journalName(c.folder, processId_));
      failed = c.folder + c.entries.front().final;
      failCommit();
      return false;
    }
  }
  {
    GateHold hold(gate_);
    phase_ = Phase::Renaming;
  }
  for (const FolderCommit& c : commits_) {
    for (const JournalEntry& e : c.entries) {
      GateHold hold(gate_);
      if (!base_.rename(c.folder + e.temporary, c.folder + e.final)) {
        failed = c.folder + e.final;
        failCommit();
        return false;
      }
    }
  }
  GateHold hold(gate_);
  finishCommit();
  return true;
}

void StagedFileSystem::failCommit() {
  // The undoing makes calls of its own: the reason the user is told is the failed step's.
  const std::string why = base_.failure();
  restored_ = undoCommit();
  failure_ = why;
}

bool StagedFileSystem::undoCommit() {
  bool ok = true;
  for (FolderCommit& c : commits_) {
    // Marked first: a run stopped while it puts the earlier outputs back must not be taken for one that had
    // renamed every file.
    if (c.journaled && phase_ == Phase::Renaming &&
        !base_.writeDurably(journalName(c.folder, processId_), journalText(c.entries, true)))
      ok = false;
  }
  for (auto c = commits_.rbegin(); c != commits_.rend(); ++c)
    if (!rollBackCommit(base_, c->folder, c->entries)) ok = false;
  // Only a commit undone in full loses its journal: otherwise the next run finishes the undoing.
  for (FolderCommit& c : commits_)
    if (ok && c.journaled && base_.remove(journalName(c.folder, processId_))) c.journaled = false;
  if (ok) {
    pending_.clear();
    byIdentity_.clear();
  }
  commits_.clear();
  phase_ = Phase::None;
  discardHeld();
  return ok;
}

void StagedFileSystem::finishCommit() {
  phase_ = Phase::Done;
  for (const FolderCommit& c : commits_) {
    for (const JournalEntry& e : c.entries)
      if (!e.backup.empty()) base_.remove(c.folder + e.backup);
    base_.remove(journalName(c.folder, processId_));
  }
  commits_.clear();
  pending_.clear();
  byIdentity_.clear();
}

StagedFileSystem::Interruption StagedFileSystem::interrupt() {
  gate_.lock();  // held for good unless the run is through: the process is about to end
  if (phase_ == Phase::Done) {
    gate_.unlock();
    return Interruption::Finished;
  }
  const bool committing = phase_ == Phase::Renaming;
  bool ok = true;
  if (phase_ != Phase::None) {
    ok = undoCommit();
  } else {
    discardHeld();
  }
  // Files this process made beside its own (a library's journal beside its
  // database) go too.
  for (const std::string& folder : usedFolders_) {
    std::vector<std::string> left;
    if (base_.search(folder + ".kestrix-" + std::to_string(processId_) + "-*", left) != SearchStatus::Ok) continue;
    for (const std::string& name : left) base_.remove(name);
  }
  if (!committing) return Interruption::NothingWritten;
  return ok ? Interruption::Restored : Interruption::NotRestored;
}

void StagedFileSystem::discard() {
  GateHold hold(gate_);
  discardHeld();
}

void StagedFileSystem::discardHeld() {
  forget();
  std::string ignored;
  if (background_ != nullptr) background_->settle(ignored);  // nothing may still be on its way to a file about to be removed
  for (const Staged& s : pending_) base_.remove(s.temporary);
  pending_.clear();
  byIdentity_.clear();
  removeUnopened();  // the opened ones went with pending_
}

void StagedFileSystem::removeUnopened() {
  for (const auto& [temporary, opened] : prepared_)
    if (!opened) base_.remove(temporary);
  prepared_.clear();
}

void InputRegistry::add(FileSystem& fs, const std::string& name) {
  std::string key = fs.identity(name, Lookup::Now);
  if (identityOnDisk(key) && byKey_.emplace(std::move(key), name).second) names_.push_back(name);
}

const std::string* InputRegistry::clash(FileSystem& fs, const std::string& output) const {
  if (byKey_.empty()) return nullptr;
  const std::string key = fs.identity(output, Lookup::Output);
  if (!identityOnDisk(key)) return nullptr;
  auto it = byKey_.find(key);
  return it == byKey_.end() ? nullptr : &it->second;
}

}  // namespace kestrix
