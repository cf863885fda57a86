#include "support/fakes.h"

#include <algorithm>

namespace kestrix::testing {

namespace {

class MemoryInput : public InputFile {
 public:
  explicit MemoryInput(std::shared_ptr<std::string> data) : data_(std::move(data)) {}
  ReadStatus readLine(std::string& line) override {
    line.clear();
    if (pos_ >= data_->size()) return ReadStatus::End;
    std::size_t stop = data_->find('\n', pos_);
    if (stop == std::string::npos) stop = data_->size();
    line.assign(*data_, pos_, stop - pos_);
    pos_ = stop + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return ReadStatus::Ok;
  }
  bool atEnd() override { return pos_ >= data_->size(); }
  void rewind() override { pos_ = 0; }

 private:
  std::shared_ptr<std::string> data_;
  std::size_t pos_ = 0;
};

class MemoryOutput : public OutputFile {
 public:
  MemoryOutput(std::shared_ptr<std::string> data, bool failClose, bool failWrite)
      : data_(std::move(data)), failClose_(failClose), failWrite_(failWrite) {}
  void write(std::string_view text) override {
    // A failed write loses its text, and the close is where a buffered file reports it.
    if (failWrite_) {
      lost_ = true;
      return;
    }
    data_->append(text);
  }
  bool close() override { return !failClose_ && !lost_; }

 private:
  std::shared_ptr<std::string> data_;
  bool failClose_;
  bool failWrite_;
  bool lost_ = false;
};

}  // namespace

void MemoryFileSystem::add(const std::string& name, std::string content, std::int64_t mtime) {
  File f;
  *f.data = std::move(content);
  f.mtime = mtime;
  files_[name] = f;
}

std::string MemoryFileSystem::content(const std::string& name) const {
  auto it = files_.find(name);
  return it == files_.end() ? std::string() : *it->second.data;
}

bool MemoryFileSystem::appliesTo(const std::string& name, const std::string& path) {
  if (name == path) return true;
  // A staged output is written under a temporary name that ends in "-<name>.tmp".
  const std::size_t cut = name.find_last_of("/\\");
  const std::string tail = "-" + name.substr(cut == std::string::npos ? 0 : cut + 1) + ".tmp";
  return path.size() >= tail.size() && path.compare(path.size() - tail.size(), tail.size(), tail) == 0;
}

std::unique_ptr<InputFile> MemoryFileSystem::openRead(const std::string& path) {
  opens_.push_back("read " + path);
  auto it = files_.find(path);
  if (it == files_.end() || denied_.count(path)) return nullptr;
  // Readers see the content as it is now, as a real file opened afresh would.
  return std::make_unique<MemoryInput>(std::make_shared<std::string>(*it->second.data));
}

std::unique_ptr<OutputFile> MemoryFileSystem::openWrite(const std::string& path) {
  opens_.push_back("write " + path);
  if (locked_.count(path)) return nullptr;
  File& f = files_[path];
  f.data = std::make_shared<std::string>();
  // A failure set for the final name of a staged output applies to its temporary.
  bool failClose = false;
  for (const auto& entry : failClose_) failClose = failClose || appliesTo(entry.first, path);
  bool failWrite = false;
  for (const auto& entry : failWrite_) failWrite = failWrite || appliesTo(entry.first, path);
  return std::make_unique<MemoryOutput>(f.data, failClose, failWrite);
}

FileStatus MemoryFileSystem::stat(const std::string& path) {
  FileStatus status;
  if (const auto it = files_.find(path); it != files_.end()) {
    status.kind = FileStatus::Kind::File;
    status.bytes = static_cast<std::int64_t>(it->second.data->size());
    status.modified = it->second.mtime;
  } else if (folders_.count(path) != 0) {
    status.kind = FileStatus::Kind::Folder;
  }
  return status;
}

void MemoryFileSystem::createAhead(const std::vector<std::string>& paths) {
  for (const std::string& path : paths)
    if (!has(path)) add(path, "");
}

bool MemoryFileSystem::settle(std::string& failed) {
  if (failSettle_.empty()) return true;
  failed = failSettle_;
  failSettle_.clear();
  return false;
}

bool MemoryFileSystem::rename(const std::string& from, const std::string& to) {
  auto it = files_.find(from);
  if (it == files_.end() || locked_.count(to)) return false;
  File moved = it->second;
  files_.erase(it);
  files_[to] = moved;
  return true;
}

bool MemoryFileSystem::linkOrCopy(const std::string& existing, const std::string& second) {
  auto it = files_.find(existing);
  if (it == files_.end() || locked_.count(second)) return false;
  files_[second] = it->second;
  return true;
}

std::vector<std::string> MemoryFileSystem::names() const {
  std::vector<std::string> all;
  for (const auto& entry : files_) all.push_back(entry.first);
  return all;
}

bool MemoryFileSystem::makeFolder(const std::string& path) {
  // A name that is already a file cannot become a folder.
  if (has(path)) return false;
  folders_.insert(path);
  return true;
}

SearchStatus MemoryFileSystem::search(const std::string& pattern, std::vector<std::string>& matches) {
  matches.clear();
  std::size_t cut = pattern.find_last_of("/\\");
  std::string folder = cut == std::string::npos ? "" : pattern.substr(0, cut + 1);
  std::string namePattern = cut == std::string::npos ? pattern : pattern.substr(cut + 1);
  for (const auto& [name, file] : files_) {
    if (name.compare(0, folder.size(), folder) != 0) continue;
    std::string rest = name.substr(folder.size());
    if (rest.find_first_of("/\\") != std::string::npos) continue;
    if (wildcardMatch(namePattern, rest)) matches.push_back(rest);
  }
  if (matches.empty()) return SearchStatus::NotFound;
  std::sort(matches.begin(), matches.end(), nameOrderLess);
  for (auto& m : matches) m = folder + m;
  return SearchStatus::Ok;
}

std::string lines(const std::vector<std::string>& items, const std::string& end) {
  std::string s;
  for (const auto& i : items) s += i + end;
  return s;
}

}  // namespace kestrix::testing
