// The parts of the platform layer that both operating systems share: buffered
// line reading and writing over C streams, the console, and the directory
// search built on std::filesystem.

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <deque>
#include <filesystem>
#include <system_error>
#include <unordered_map>

#include "platform/platform.h"
#include "platform/platform_native.h"
#include "text/text.h"

#if KESTRIX_THREADS
#include <condition_variable>
#include <mutex>
#include <thread>
#endif

namespace kestrix {
namespace {

class StdioInputFile : public InputFile {
 public:
  explicit StdioInputFile(std::FILE* file) : file_(file) {
    std::setvbuf(file_, nullptr, _IONBF, 0);  // read in blocks of our own
    buffer_.resize(1 << 18);
  }
  ~StdioInputFile() override { std::fclose(file_); }

  ReadStatus readLine(std::string& line) override {
    line.clear();
    bool any = false;
    for (;;) {
      if (pos_ == len_ && !fill()) break;
      any = true;
      const char* start = buffer_.data() + pos_;
      const char* stop = static_cast<const char*>(std::memchr(start, '\n', len_ - pos_));
      if (stop) {
        line.append(start, stop - start);
        pos_ += (stop - start) + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        return ReadStatus::Ok;
      }
      line.append(start, len_ - pos_);
      pos_ = len_;
    }
    if (error_) return ReadStatus::Error;
    if (!any) return ReadStatus::End;
    // A last line without a line end is still a line.
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return ReadStatus::Ok;
  }

  ReadStatus readLineView(std::string_view& line) override {
    // A line whole in the block is shown where it stands; one that runs past
    // the block (or a block used up) goes the general way, into a string of its own.
    if (pos_ < len_) {
      const char* start = buffer_.data() + pos_;
      const char* stop = static_cast<const char*>(std::memchr(start, '\n', len_ - pos_));
      if (stop) {
        std::size_t length = static_cast<std::size_t>(stop - start);
        pos_ += length + 1;
        if (length > 0 && start[length - 1] == '\r') --length;
        line = std::string_view(start, length);
        return ReadStatus::Ok;
      }
    }
    const ReadStatus status = readLine(spill_);
    line = spill_;
    return status;
  }

  bool atEnd() override { return pos_ == len_ && !fill(); }

  void rewind() override {
    std::rewind(file_);
    pos_ = len_ = 0;
    eof_ = error_ = false;
  }

 private:
  bool fill() {
    if (eof_ || error_) return false;
    len_ = std::fread(buffer_.data(), 1, buffer_.size(), file_);
    pos_ = 0;
    if (len_ == 0) {
      if (std::ferror(file_)) error_ = true;
      eof_ = true;
      return false;
    }
    return true;
  }

  std::FILE* file_;
  std::string buffer_;
  std::string spill_;  // a line readLineView could not show in the block
  std::size_t pos_ = 0, len_ = 0;
  bool eof_ = false, error_ = false;
};

// The first reason the console output could not be written, 0 while all of it
// was. A closed pipe is none: its reader wants no more, and the run ends by
// SIGPIPE as a rule.
std::atomic<int> consoleFailure{0};

// Notes that a write to the console failed, for the reason errno holds.
void noteConsoleFailure() {
  const int reason = errno != 0 ? errno : EIO;
  int none = 0;
  if (reason != EPIPE) consoleFailure.compare_exchange_strong(none, reason);
}

// Writes to the console stream, noting a failure; false when the text did not all go out.
bool writeAll(std::FILE* file, std::string_view text) {
  if (text.empty() || std::fwrite(text.data(), 1, text.size(), file) == text.size()) return true;
  noteConsoleFailure();
  return false;
}

#if KESTRIX_THREADS
// The slow part of writing thousands of files is the kernel's: creating each
// file and copying its blocks. One thread does that beside the run: it
// writes and closes the files handed to it, in the order handed over, and in
// between creates the files announced ahead of their opening and hands them
// over open. The run formats the next section meanwhile, and makes no call
// of the system for a file created ahead.
class BackgroundWriter {
 public:
  BackgroundWriter()
      : maxHeld_(nativeFilesToSpare(kMaxHeld)),
        maxAhead_(std::min(kMaxCreatedWaiting, maxHeld_)),
        thread_([this] { run(); }) {}
  ~BackgroundWriter() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stop_ = true;
    }
    wake_.notify_all();
    thread_.join();
    for (auto& [name, ahead] : ahead_)
      if (ahead.state == State::Created) nativeCloseDescriptor(ahead.descriptor);
  }
  BackgroundWriter(const BackgroundWriter&) = delete;
  BackgroundWriter& operator=(const BackgroundWriter&) = delete;

  // Creates an empty file of that native name unless something is there already, or it is opened first.
  void create(std::string nativeName) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!ahead_.emplace(nativeName, Ahead{}).second) return;
    creations_.push_back(std::move(nativeName));
    wakeIfDue();
  }
  // The file when this writer created it (so it is empty and no one else's), open for writing; otherwise -1,
  // and a file announced is claimed, so that the writer leaves it to the caller.
  int takeCreated(const std::string& nativeName) {
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
  // Forgets a file announced ahead and not taken, closing it if it was created; it is about to be removed.
  void forget(const std::string& nativeName) {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto found = ahead_.find(nativeName);
    if (found == ahead_.end()) return;
    if (found->second.state == State::Created) {
      nativeCloseDescriptor(found->second.descriptor);
      --createdWaiting_;
    }
    ahead_.erase(found);
  }
  // Appends a block to an open file; `name` names the file in a failure.
  void write(int descriptor, std::string block, const std::string& name) {
    push(Job{nullptr, descriptor, false, name, std::move(block)});
  }
  // Appends the last block and closes the file.
  void close(int descriptor, std::string block, const std::string& name) {
    push(Job{nullptr, descriptor, true, name, std::move(block)});
  }
  // Appends a block to a stream that stays open (the console), whose failures the console's writeFailure() tells.
  void writeStream(std::FILE* stream, std::string block) {
    push(Job{stream, -1, false, std::string(), std::move(block)});
  }
  // A buffer of a block's size: one the writer is done with where there is one, so that the blocks of a long run
  // are allocated once.
  std::string block(std::size_t size) {
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
  // Waits until every file handed over is written and closed.
  void drain() {
    std::unique_lock<std::mutex> lock(mutex_);
    if (jobs_.empty() && !busy_) return;
    ++draining_;
    wakeIfDue();
    idle_.wait(lock, [&] { return jobs_.empty() && !busy_; });
    --draining_;
  }
  // As drain(), then reports (once) the first file that could not be written, and the system's reason.
  bool settle(std::string& failed, std::string& why) {
    drain();
    std::lock_guard<std::mutex> lock(mutex_);
    if (failed_.empty()) return true;
    failed = std::move(failed_);
    why = std::move(failedWhy_);
    failed_.clear();
    failedWhy_.clear();
    return false;
  }

 private:
  // Files are written through their descriptors: the C library keeps its
  // streams in one list, which closing a stream searches, and thousands of
  // files wait here at once.
  struct Job {
    std::FILE* stream;  // the console; null for a file
    int descriptor;     // a file
    bool last;          // the file is closed after the block
    std::string name;
    std::string data;
  };
  // Memory held by blocks waiting to be written; beyond this the run waits
  // for the disk, so that memory does not grow with a disk slower than the run.
  static constexpr std::size_t kMaxQueued = std::size_t{16} << 20;
  // Block buffers kept for reuse: as many as can wait, so that a long run
  // takes no fresh memory for its blocks once the queue has filled.
  static constexpr std::size_t kMaxSpare = kMaxQueued / (std::size_t{1} << 20) + 2;
  static constexpr std::size_t kCreationsAtOnce = 64;  // creations between two looks at the blocks
  // Files created ahead wait open for their opening: at most this many, so
  // that they hold few of the process's open files.
  static constexpr std::size_t kMaxCreatedWaiting = 128;
  // Those and the files handed over to be closed take at most a quarter of
  // the files the process may open (maxHeld_): the run's own files, its
  // inputs and the libraries it calls need the rest. No limit at all still
  // gives a bound.
  static constexpr std::size_t kMaxHeld = std::size_t{1} << 20;
  // Waking the thread costs a call of the system on both sides, so it is
  // woken for a batch: this many files or bytes waiting, or fewer files
  // created ahead than half the most.
  static constexpr std::size_t kWakeJobs = 32;
  static constexpr std::size_t kWakeBytes = std::size_t{1} << 20;
  static constexpr long long kWriteBehindWindow = 8 << 20;

  // The files this writer holds open: created ahead (or being created) and not taken, or handed over to be closed.
  std::size_t held() const { return createdWaiting_ + creating_ + closing_; }
  // Whether the thread has work enough to be woken for (the mutex held).
  bool due() const {
    if (stop_) return true;
    if (!jobs_.empty() && (draining_ > 0 || waitingForRoom_ > 0 || jobs_.size() >= kWakeJobs ||
                           pendingBytes_ >= kWakeBytes || queued_ >= kMaxQueued || 2 * closing_ >= maxHeld_))
      return true;
    return !creations_.empty() && 2 * createdWaiting_ < maxAhead_ && held() < maxHeld_;
  }
  // How many files may be created ahead now.
  std::size_t toCreate() const {
    const std::size_t ahead = createdWaiting_ + creating_;
    if (ahead >= maxAhead_ || held() >= maxHeld_) return 0;
    return std::min(maxAhead_ - ahead, maxHeld_ - held());
  }
  // Whether a job may be queued now: within the memory for blocks, and a closing within the files the writer may
  // hold (one closing always may, so that the run never waits for files only it could take).
  bool room(const Job& job) const {
    return queued_ < kMaxQueued && (!job.last || closing_ == 0 || held() < maxHeld_);
  }
  void wakeIfDue() {
    if (sleeping_ && due()) wake_.notify_one();
  }

  void push(Job job) {
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

  // Creates a file announced ahead unless its opening came first; only an
  // O_EXCL creation counts, so a file found there is never taken for empty.
  void createAhead(const std::string& name) {
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

  bool perform(Job& job) {
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

  // A long file is sent to disk a window at a time as it grows, and the
  // window before, on disk by then as a rule, is let go of from the cache:
  // the cache of a long run then reuses its pages instead of taking fresh
  // ones for every gigabyte. Nothing here waits for the disk.
  void writeBehind(const Job& job) {
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

  void run() {
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

 public:
  static constexpr std::size_t kBlockBytes = 1 << 20;  // the size of a full block

 private:
  std::mutex mutex_;
  std::condition_variable wake_;  // work enough for the thread
  std::condition_variable room_;  // room in the queue for the run
  std::condition_variable idle_;  // every block written
  std::deque<Job> jobs_;
  std::deque<std::string> creations_;
  std::vector<std::string> spare_;
  // Files announced for creation ahead, until created and taken, claimed by their opening or forgotten.
  enum class State { Announced, Created, Claimed };
  struct Ahead {
    State state = State::Announced;
    int descriptor = -1;  // open, once created
  };
  std::unordered_map<std::string, Ahead> ahead_;
  std::size_t createdWaiting_ = 0;  // files created ahead and not taken yet
  std::size_t creating_ = 0;        // files being created ahead by the thread now
  std::size_t closing_ = 0;         // files handed over to be closed and not closed yet
  int waitingForRoom_ = 0;          // calls waiting for room in the queue
  const std::size_t maxHeld_;       // the most files this writer holds open at once (see held())
  const std::size_t maxAhead_;      // the most files created ahead and not taken
  // Where each long file stands: bytes written, sent to disk from, and let go of up to (the writer's own).
  struct Behind {
    long long written = 0, started = 0, dropped = 0;
  };
  std::unordered_map<int, Behind> behind_;
  std::size_t queued_ = 0;        // capacity of the blocks waiting or being written
  std::size_t pendingBytes_ = 0;  // bytes of the blocks waiting
  int draining_ = 0;              // calls waiting for every block to be written
  bool busy_ = false;
  bool sleeping_ = false;
  bool stop_ = false;
  std::string failed_;
  std::string failedWhy_;  // the system's reason for failed_
  std::string why_;        // the reason of the last failure perform() met (the writer's own)
  std::thread thread_;  // last: started once everything it uses is built
};
#else
// Without threads every file is written in the foreground.
class BackgroundWriter {
 public:
  void create(std::string) {}
  void write(int, std::string, const std::string&) {}
  void close(int, std::string, const std::string&) {}
  void writeStream(std::FILE*, std::string) {}
  void drain() {}
  std::string block(std::size_t) { return std::string(); }
  int takeCreated(const std::string&) { return -1; }
  void forget(const std::string&) {}
  static constexpr std::size_t kBlockBytes = 1 << 20;
  bool settle(std::string&, std::string&) { return true; }
};
#endif

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
    if (descriptor_ >= 0 && buffer_.size() + text.size() + 2 <= kBlock) {
      buffer_.append(text);
      buffer_.append("\r\n", 2);
      return;
    }
    write(text);
    write("\r\n");
  }
  std::string& startLine() override {
    if (descriptor_ < 0) return OutputFile::startLine();  // a closed file keeps nothing
    return buffer_;
  }
  void endLine() override {
    if (descriptor_ < 0) return;
    buffer_.append("\r\n", 2);
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

// The background writer of the process's file system, once it writes in the
// background: the console hands its blocks to it too, so that the console of a
// long run (a line a point) is not copied out on the run's own thread.
BackgroundWriter* consoleWriter = nullptr;

// Whether the last open of this thread failed for want of file descriptors.
thread_local bool openHitLimit = false;

class StdioConsole : public Console {
 public:
  ~StdioConsole() override { flush(); }
  void write(std::string_view text) override {
    out_.append(text);
    // Written in large blocks, as the files are; a prompt flushes before it reads.
    if (out_.size() > kBlock) handOver();
  }
  bool readLine(std::string& line) override {
    flush();
    line.clear();
    int c;
    bool any = false;
    while ((c = std::getchar()) != EOF) {
      any = true;
      if (c == '\n') break;
      line.push_back(static_cast<char>(c));
    }
    if (!any) return false;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return true;
  }
  void flush() override {
    // Blocks handed over go out first: the console keeps its order.
    if (consoleWriter != nullptr) consoleWriter->drain();
    writeAll(stdout, out_);
    out_.clear();
    if (std::fflush(stdout) != 0) noteConsoleFailure();
  }
  std::string writeFailure() override {
    const int reason = consoleFailure.load();
    return reason == 0 ? std::string() : std::string(std::strerror(reason));
  }
  void writeErrorLine(std::string_view line) override {
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fputc('\n', stderr);
    std::fflush(stderr);
  }

 private:
  static constexpr std::size_t kBlock = 1 << 20;

  void handOver() {
    if (consoleWriter == nullptr) {
      flush();
      return;
    }
    // Unnamed: a console that cannot be written fails no file; the console itself tells it at the end of the run.
    consoleWriter->writeStream(stdout, std::move(out_));
    out_ = consoleWriter->block(kBlock);
  }

  std::string out_;
};

class SystemFileSystem : public FileSystem {
 public:
  std::unique_ptr<InputFile> openRead(const std::string& path) override {
    drain();  // a file read may be one just written
    std::FILE* f = openNativeRead(nativePath(path));
    openHitLimit = f == nullptr && nativeTooManyOpenFiles();
    if (!f) return failed(nullptr);
    return std::make_unique<StdioInputFile>(f);
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
    return std::make_unique<NativeOutputFile>(descriptor, background_.get(), path);
  }
  ~SystemFileSystem() override {
    if (consoleWriter == background_.get()) consoleWriter = nullptr;
  }
  void writeInBackground() override {
#if KESTRIX_THREADS
    if (!background_) background_ = std::make_unique<BackgroundWriter>();
    consoleWriter = background_.get();
#endif
  }
  void prepareWrites(const std::vector<std::string>& paths) override {
    for (const std::string& path : paths) {
      const std::string native = nativePath(path);
      changed(native);
      if (background_) background_->create(native);
    }
  }
  bool settle(std::string& failed) override { return !background_ || background_->settle(failed, failure_); }
  std::string failure() const override { return failure_; }
  bool exists(const std::string& path) override {
    std::error_code ec;
    return std::filesystem::is_regular_file(toFsPath(path), ec);
  }
  bool isFolder(const std::string& path) override {
    std::error_code ec;
    return std::filesystem::is_directory(toFsPath(path), ec);
  }
  bool makeFolder(const std::string& path) override {
    changedAll();
    std::error_code ec;
    std::filesystem::create_directories(toFsPath(path), ec);
    if (isFolder(path)) return true;
    failure_ = ec ? ec.message() : std::make_error_code(std::errc::file_exists).message();
    return false;
  }
  bool modifiedTime(const std::string& path, std::int64_t& seconds) override {
    drain();
    std::error_code ec;
    auto p = toFsPath(path);
    if (!std::filesystem::exists(p, ec)) return false;
    auto t = std::filesystem::last_write_time(p, ec);
    if (ec) return false;
    auto sys = std::chrono::file_clock::to_sys(t);
    seconds = std::chrono::floor<std::chrono::seconds>(sys.time_since_epoch()).count();
    return true;
  }
  bool fileSize(const std::string& path, std::int64_t& bytes) override {
    drain();
    std::error_code ec;
    const auto size = std::filesystem::file_size(toFsPath(path), ec);
    if (ec) return false;
    bytes = static_cast<std::int64_t>(size);
    return true;
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
  std::string identity(const std::string& path) override {
    // One look at the file itself: its device and inode (or volume and file
    // index) whatever the spelling. A file not there yet is its folder's key
    // and its name in that folder; only a name whose folder is missing too is
    // compared as text.
    const std::string native = nativePath(path);
    std::string key;
    if (keyOf(native, key, false)) return "f" + key;
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
  bool fileKey(const std::string& path, std::string& key) override { return keyOf(nativePath(path), key, false); }
  bool outputKey(const std::string& path, std::string& key) override { return keyOf(nativePath(path), key, true); }
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
  std::string libraryPath(const std::string& path) override {
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
  bool writeDurably(const std::string& path, std::string_view bytes) override {
    const std::string native = nativePath(path);
    changed(native);
    const int descriptor = nativeOpenWrite(native);
    if (descriptor < 0) return false;
    const bool written = nativeWriteAll(descriptor, bytes) && nativeSyncDescriptor(descriptor);
    if (!nativeCloseDescriptor(descriptor) || !written) return false;
    const std::size_t cut = native.find_last_of(kNativeSeparators);
    nativeSyncFolder(cut == std::string::npos ? std::string() : native.substr(0, cut + 1));
    return true;
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
  std::unique_ptr<BackgroundWriter> background_;  // from writeInBackground() on
  std::string failure_;  // the system's reason for the last failure
};

}  // namespace

bool FileSystem::linkOrCopy(const std::string&, const std::string&) { return false; }

bool FileSystem::writeDurably(const std::string& path, std::string_view bytes) {
  auto file = openWrite(path);
  if (!file) return false;
  file->write(bytes);
  return file->close();
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

std::unique_ptr<Console> makeSystemConsole() { return std::make_unique<StdioConsole>(); }

std::unique_ptr<FileSystem> makeSystemFileSystem() { return std::make_unique<SystemFileSystem>(); }

}  // namespace kestrix
