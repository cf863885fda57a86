// The output files of the system file system and the background writer that
// writes them beside the run: the per-line buffering and the hand-over of its
// blocks kept together, apart from the opening of the files.

#include <algorithm>
#include <cstdio>
#include <iterator>

#include "platform/platform_internal.h"

namespace kestrix {

#if KESTRIX_THREADS
BackgroundWriter::BackgroundWriter()
    : maxHeld_(nativeFilesToSpare(kMaxHeld)),
      maxAhead_(std::min(kMaxCreatedWaiting, maxHeld_)),
      thread_([this] { run(); }) {}

BackgroundWriter::~BackgroundWriter() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  wake_.notify_all();
  thread_.join();
  for (auto& [name, ahead] : ahead_)
    if (ahead.state == State::Created) nativeCloseDescriptor(ahead.descriptor);
}

void BackgroundWriter::create(std::string nativeName) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!ahead_.emplace(nativeName, Ahead{}).second) return;
  creations_.push_back(std::move(nativeName));
  wakeIfDue();
}

int BackgroundWriter::takeCreated(const std::string& nativeName) {
  std::lock_guard<std::mutex> lock(mutex_);
  const auto found = ahead_.find(nativeName);
  if (found == ahead_.end()) return -1;
  if (found->second.state == State::Created) {
    const int descriptor = found->second.descriptor;
    ahead_.erase(found);
    --createdWaiting_;
    wakeIfDue();
    return descriptor;
  }
  found->second.state = State::Claimed;
  return -1;
}

void BackgroundWriter::forget(const std::string& nativeName) {
  std::lock_guard<std::mutex> lock(mutex_);
  const auto found = ahead_.find(nativeName);
  if (found == ahead_.end()) return;
  if (found->second.state == State::Created) {
    nativeCloseDescriptor(found->second.descriptor);
    --createdWaiting_;
  }
  ahead_.erase(found);
}

void BackgroundWriter::write(int descriptor, std::string block, const std::string& name) {
  push(Job{nullptr, descriptor, false, name, std::move(block)});
}

void BackgroundWriter::close(int descriptor, std::string block, const std::string& name) {
  push(Job{nullptr, descriptor, true, name, std::move(block)});
}

void BackgroundWriter::writeStream(std::FILE* stream, std::string block) {
  push(Job{stream, -1, false, std::string(), std::move(block)});
}

std::string BackgroundWriter::block(std::size_t size) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!spare_.empty()) {
      std::string reused = std::move(spare_.back());
      spare_.pop_back();
      return reused;
    }
  }
  std::string fresh;
  fresh.reserve(size);
  return fresh;
}

void BackgroundWriter::drain() {
  std::unique_lock<std::mutex> lock(mutex_);
  if (jobs_.empty() && !busy_) return;
  ++draining_;
  wakeIfDue();
  idle_.wait(lock, [&] { return jobs_.empty() && !busy_; });
  --draining_;
}

bool BackgroundWriter::settle(std::string& failed, std::string& why) {
  drain();
  std::lock_guard<std::mutex> lock(mutex_);
  if (failed_.empty()) return true;
  failed = std::move(failed_);
  why = std::move(failedWhy_);
  failed_.clear();
  failedWhy_.clear();
  return false;
}

bool BackgroundWriter::due() const {
  if (stop_) return true;
  if (!jobs_.empty() && (draining_ > 0 || waitingForRoom_ > 0 || jobs_.size() >= kWakeJobs ||
                         pendingBytes_ >= kWakeBytes || queued_ >= kMaxQueued || 2 * closing_ >= maxHeld_))
    return true;
  return !creations_.empty() && 2 * createdWaiting_ < maxAhead_ && held() < maxHeld_;
}

std::size_t BackgroundWriter::toCreate() const {
  const std::size_t ahead = createdWaiting_ + creating_;
  if (ahead >= maxAhead_ || held() >= maxHeld_) return 0;
  return std::min(maxAhead_ - ahead, maxHeld_ - held());
}

bool BackgroundWriter::room(const Job& job) const {
  return queued_ < kMaxQueued && (!job.last || closing_ == 0 || held() < maxHeld_);
}

void BackgroundWriter::wakeIfDue() {
  if (sleeping_ && due()) wake_.notify_one();
}

void BackgroundWriter::push(Job job) {
  std::unique_lock<std::mutex> lock(mutex_);
  if (!room(job)) {
    // The run waits only for a thread that is writing.
    ++waitingForRoom_;
    wakeIfDue();
    room_.wait(lock, [&] { return room(job); });
    --waitingForRoom_;
  }
  queued_ += job.data.capacity();
  pendingBytes_ += job.data.size();
  if (job.last) ++closing_;
  jobs_.push_back(std::move(job));
  wakeIfDue();
}

void BackgroundWriter::createAhead(const std::string& name) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto found = ahead_.find(name);
    if (found == ahead_.end()) return;
    if (found->second.state != State::Announced) {
      ahead_.erase(found);
      return;
    }
  }
  int descriptor = nativeCreateNew(name);
  std::lock_guard<std::mutex> lock(mutex_);
  const auto found = ahead_.find(name);
  if (descriptor >= 0 && (found == ahead_.end() || found->second.state != State::Announced)) {
    // Claimed meanwhile, its opening creates the file itself; forgotten,
    // it was to be removed: either way this creation leaves no trace.
    nativeCloseDescriptor(descriptor);
    if (found == ahead_.end()) std::remove(name.c_str());
    descriptor = -1;
  }
  if (found == ahead_.end()) return;
  if (descriptor >= 0) {
    found->second = Ahead{State::Created, descriptor};
    ++createdWaiting_;
  } else {
    // Claimed, or something was there already, which the opening replaces as usual.
    ahead_.erase(found);
  }
}

bool BackgroundWriter::perform(Job& job) {
  if (job.stream != nullptr) return writeAll(job.stream, job.data);
  const bool written = nativeWriteAll(job.descriptor, job.data);
  if (!written) why_ = nativeFailure();
  // A file of one block is never long; the others are followed to the disk.
  if (!job.last || !behind_.empty()) writeBehind(job);
  if (!job.last) return written;
  if (!nativeCloseDescriptor(job.descriptor)) {
    if (written) why_ = nativeFailure();
    return false;
  }
  return written;
}

void BackgroundWriter::writeBehind(const Job& job) {
  if (job.last) {
    const auto found = behind_.find(job.descriptor);
    if (found != behind_.end()) behind_.erase(found);
    return;
  }
  Behind& b = behind_[job.descriptor];
  b.written += static_cast<long long>(job.data.size());
  if (b.written - b.started < kWriteBehindWindow) return;
  nativeStartWriteBack(job.descriptor, b.started, b.written);
  if (b.started > b.dropped) nativeDropWritten(job.descriptor, b.dropped, b.started);
  b.dropped = b.started;
  b.started = b.written;
}

void BackgroundWriter::run() {
  std::unique_lock<std::mutex> lock(mutex_);
  std::deque<Job> batch;
  std::vector<std::string> creations;
  for (;;) {
    if (!jobs_.empty()) {
      // The blocks first, as they hold memory; whatever has gathered is taken at once.
      batch.swap(jobs_);
      pendingBytes_ = 0;
      busy_ = true;
      lock.unlock();
      std::size_t bytes = 0, closed = 0;
      std::string failed;
      std::string why;
      for (Job& job : batch) {
        bytes += job.data.capacity();
        if (job.last) ++closed;
        if (!perform(job) && failed.empty() && !job.name.empty()) {
          failed = job.name;
          why = why_;
        }
      }
      lock.lock();
      for (Job& job : batch) {
        if (job.data.capacity() < kBlockBytes || spare_.size() >= kMaxSpare) continue;
        job.data.clear();
        spare_.push_back(std::move(job.data));
      }
      batch.clear();
      busy_ = false;
      queued_ -= bytes;
      closing_ -= closed;
      if (failed_.empty()) {
        failed_ = std::move(failed);
        failedWhy_ = std::move(why);
      }
      room_.notify_all();
      if (jobs_.empty()) idle_.notify_all();
      continue;
    }
    if (stop_) return;  // files announced and not created yet are left uncreated
    if (!creations_.empty() && toCreate() > 0) {
      // Then a few creations ahead, so that blocks handed over meanwhile do not wait for all of them.
      const std::size_t n = std::min({kCreationsAtOnce, creations_.size(), toCreate()});
      creations.assign(std::make_move_iterator(creations_.begin()),
                       std::make_move_iterator(creations_.begin() + static_cast<std::ptrdiff_t>(n)));
      creations_.erase(creations_.begin(), creations_.begin() + static_cast<std::ptrdiff_t>(n));
      creating_ = n;
      lock.unlock();
      for (const std::string& name : creations) createAhead(name);
      lock.lock();
      creating_ = 0;
      continue;
    }
    // Nothing to do: every wait ends with work the loop above takes.
    sleeping_ = true;
    wake_.wait(lock, [&] { return due(); });
    sleeping_ = false;
  }
}
#endif

namespace {

// Output is gathered in one buffer per file and written in large blocks: a
// run writes many small lines to thousands of files, and each line through
// the C library would cost a call and a copy of its own. With a background
// writer the blocks and the closing are handed to it; a failure there is
// reported by the writer's settle().
class NativeOutputFile : public OutputFile {
 public:
  NativeOutputFile(int descriptor, BackgroundWriter* background, std::string name)
      : descriptor_(descriptor), background_(background), name_(std::move(name)) {
    // A file handed to the background writer waits there with its buffer:
    // small files start small, so that thousands waiting hold little memory.
    buffer_.reserve(background_ != nullptr ? kFirstQueuedBlock : kFirstBlock);
  }
  ~NativeOutputFile() override { close(); }
  void write(std::string_view text) override {
    if (descriptor_ < 0) return;
    if (buffer_.size() + text.size() > kBlock) {
      flush();
      if (text.size() >= kBlock) {
        put(text);
        return;
      }
    }
    buffer_.append(text);
  }
  void writeLine(std::string_view text) override {
    // The common case in one step: the line and its end fit the buffer.
    if (descriptor_ >= 0 && buffer_.size() + text.size() + kLineEnd.size() <= kBlock) {
      buffer_.append(text);
      buffer_.append(kLineEnd);
      return;
    }
    write(text);
    write(kLineEnd);
  }
  std::string& startLine() override {
    if (descriptor_ < 0) return OutputFile::startLine();  // a closed file keeps nothing
    return buffer_;
  }
  void endLine() override {
    if (descriptor_ < 0) return;
    buffer_.append(kLineEnd);
    // The lines go straight into the block, so it goes out once nearly full:
    // the next line could not be measured before it is in.
    if (buffer_.size() > kBlock - kLineRoom) flush();
  }
  bool close() override {
    if (descriptor_ < 0) return !failed_;
    if (background_ != nullptr) {
      background_->close(descriptor_, std::move(buffer_), name_);
      buffer_ = std::string();
    } else {
      flush();
      if (!nativeCloseDescriptor(descriptor_)) fail();
    }
    descriptor_ = -1;
    return !failed_;
  }
  std::string failure() const override { return why_; }
  bool closeDurably() override {
    if (descriptor_ < 0) return !failed_;
    // Written here, not beside the run: this file is waited for. Anything of
    // it handed over before goes out first.
    if (background_ != nullptr) background_->drain();
    if (!buffer_.empty() && !nativeWriteAll(descriptor_, buffer_)) fail();
    buffer_ = std::string();
    if (!failed_ && !nativeSyncDescriptor(descriptor_)) fail();
    if (!nativeCloseDescriptor(descriptor_)) fail();
    descriptor_ = -1;
    if (failed_) return false;
    const std::string native = nativePath(name_);
    const std::size_t cut = native.find_last_of(kNativeSeparators);
    nativeSyncFolder(cut == std::string::npos ? std::string() : native.substr(0, cut + 1));
    return true;
  }

 private:
  static constexpr std::size_t kFirstBlock = 1 << 16;
  static constexpr std::size_t kFirstQueuedBlock = 1 << 12;
  static constexpr std::size_t kBlock = BackgroundWriter::kBlockBytes;
  static constexpr std::size_t kLineRoom = 1 << 16;  // lines longer than this can outgrow a block

  void put(std::string_view text) {
    if (background_ != nullptr) {
      background_->write(descriptor_, std::string(text), name_);
    } else if (!nativeWriteAll(descriptor_, text)) {
      fail();
    }
  }
  // Notes a failure; the first one's reason is the one reported.
  void fail() {
    if (!failed_) why_ = nativeFailure();
    failed_ = true;
  }
  void flush() {
    if (background_ != nullptr) {
      if (buffer_.empty()) return;
      background_->write(descriptor_, std::move(buffer_), name_);
      buffer_ = background_->block(kBlock);
      return;
    }
    put(buffer_);
    buffer_.clear();
  }

  int descriptor_;
  BackgroundWriter* background_;
  std::string name_;
  std::string buffer_;
  bool failed_ = false;
  std::string why_;  // the system's reason for the first failure
};

}  // namespace

std::unique_ptr<OutputFile> makeNativeOutputFile(int descriptor, BackgroundWriter* background, std::string name) {
  return std::make_unique<NativeOutputFile>(descriptor, background, std::move(name));
}

}  // namespace kestrix
