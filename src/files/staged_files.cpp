#include "files/staged_files.h"

#include <system_error>

namespace kestrix {

void StagedFileSystem::enable(int processId) {
  enabled_ = true;
  processId_ = processId;
  // Every output from here on is committed at the end, which waits for the background writes and reports a failure.
  base_.writeInBackground();
}

void StagedFileSystem::prepareWrites(const std::vector<std::string>& paths) {
  forget();
  if (!enabled_) return;
  std::vector<std::string> temporaries;
  temporaries.reserve(paths.size());
  for (const std::string& path : paths) {
    std::string temporary = temporaryName(path);
    if (prepared_.emplace(temporary, false).second) temporaries.push_back(std::move(temporary));
  }
  base_.prepareWrites(temporaries);
}

bool StagedFileSystem::settle(std::string& failed) {
  forget();
  std::string where;
  if (base_.settle(where)) return true;
  failed = where;
  for (const Staged& s : pending_)
    if (s.temporary == where) failed = s.final;
  return false;
}

std::string StagedFileSystem::temporaryName(const std::string& finalName) const {
  // Names come in Windows spelling too, so both separators end the folder.
  const std::size_t cut = finalName.find_last_of("/\\");
  const std::size_t start = cut == std::string::npos ? 0 : cut + 1;
  return finalName.substr(0, start) + ".kestrix-" + std::to_string(processId_) + "-" + finalName.substr(start) +
         ".tmp";
}

std::string StagedFileSystem::identity(const std::string& path) {
  if (!enabled_) return base_.identity(path);
  if (memoPath_.empty() || path != memoPath_) {
    memoIdentity_ = base_.identity(path);
    memoPath_ = path;
  }
  return memoIdentity_;
}

std::unique_ptr<OutputFile> StagedFileSystem::openWrite(const std::string& path) {
  failure_.clear();
  if (!enabled_) return base_.openWrite(path);
  const std::string identity = this->identity(path);
  // A folder under the final name could never be replaced at the end: refuse
  // now, as opening it directly would.
  std::string key;
  if (base_.fileKey(path, key) && !base_.exists(path)) {
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
    byIdentity_.emplace(identity, pending_.size());
    pending_.push_back({temporary, path});
  }
  return file;
}

std::string StagedFileSystem::libraryWritePath(const std::string& path) {
  forget();
  if (!enabled_) return base_.libraryWritePath(path);
  const std::string identity = base_.identity(path);
  auto known = byIdentity_.find(identity);
  if (known != byIdentity_.end()) return base_.libraryPath(pending_[known->second].temporary);
  const std::string temporary = temporaryName(path);
  // The library creates the file itself: a leftover of an earlier process
  // of the same number must not be taken for a file to add to.
  if (base_.exists(temporary)) base_.remove(temporary);
  byIdentity_.emplace(identity, pending_.size());
  pending_.push_back({temporary, path});
  return base_.libraryPath(temporary);
}

bool StagedFileSystem::commit(std::string& failed) {
  forget();
  std::size_t done = 0;
  for (; done < pending_.size(); ++done) {
    if (!base_.rename(pending_[done].temporary, pending_[done].final)) {
      failed = pending_[done].final;
      break;
    }
  }
  pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(done));
  removeUnopened();
  byIdentity_.clear();
  for (std::size_t i = 0; i < pending_.size(); ++i) byIdentity_.emplace(base_.identity(pending_[i].final), i);
  return pending_.empty();
}

void StagedFileSystem::discard() {
  forget();
  std::string ignored;
  base_.settle(ignored);  // nothing may still be on its way to a file about to be removed
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
  std::string key;
  if (fs.fileKey(name, key) && byKey_.emplace(key, name).second) names_.push_back(name);
}

const std::string* InputRegistry::clash(FileSystem& fs, const std::string& output) const {
  if (byKey_.empty()) return nullptr;
  std::string key;
  if (!fs.outputKey(output, key)) return nullptr;
  auto it = byKey_.find(key);
  return it == byKey_.end() ? nullptr : &it->second;
}

}  // namespace kestrix
