#pragma once
// What the platform layer's own files share and nothing above it sees: the
// background writer, which the output files, the console and the system file
// system all hand work to, and the makers of the files each source file holds.

#include <cstddef>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "platform/platform.h"
#include "platform/platform_native.h"

#if KESTRIX_THREADS
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <vector>
#endif

namespace kestrix {

#if KESTRIX_THREADS
// The slow part of writing thousands of files is the kernel's: creating each
// file and copying its blocks. One thread does that beside the run: it
// writes and closes the files handed to it, in the order handed over, and in
// between creates the files announced ahead of their opening and hands them
// over open. The run formats the next section meanwhile, and makes no call
// of the system for a file created ahead.
class BackgroundWriter {
 public:
  /// The size of a full block.
  static constexpr std::size_t kBlockBytes = 1 << 20;

  /// Starts the writer's thread.
  BackgroundWriter();
  /// Writes out everything handed over, then closes the files created ahead and not taken.
  ~BackgroundWriter();
  BackgroundWriter(const BackgroundWriter&) = delete;
  BackgroundWriter& operator=(const BackgroundWriter&) = delete;

  /// Creates an empty file of that native name unless something is there already, or it is opened first.
  void create(std::string nativeName);
  /// The file when this writer created it (so it is empty and no one else's), open for writing; otherwise -1,
  /// and a file announced is claimed, so that the writer leaves it to the caller.
  int takeCreated(const std::string& nativeName);
  /// Forgets a file announced ahead and not taken, closing it if it was created; it is about to be removed.
  void forget(const std::string& nativeName);
  /// Appends a block to an open file; `name` names the file in a failure.
  void write(int descriptor, std::string block, const std::string& name);
  /// Appends the last block and closes the file.
  void close(int descriptor, std::string block, const std::string& name);
  /// Appends a block to a stream that stays open (the console), whose failures the console's writeFailure() tells.
  void writeStream(std::FILE* stream, std::string block);
  /// A buffer of a block's size: one the writer is done with where there is one, so that the blocks of a long run
  /// are allocated once.
  std::string block(std::size_t size);
  /// Waits until every file handed over is written and closed.
  void drain();
  /// As drain(), then reports (once) the first file that could not be written, and the system's reason.
  bool settle(std::string& failed, std::string& why);

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
  bool due() const;
  // How many files may be created ahead now.
  std::size_t toCreate() const;
  // Whether a job may be queued now: within the memory for blocks, and a closing within the files the writer may
  // hold (one closing always may, so that the run never waits for files only it could take).
  bool room(const Job& job) const;
  void wakeIfDue();
  void push(Job job);
  // Creates a file announced ahead unless its opening came first; only an
  // O_EXCL creation counts, so a file found there is never taken for empty.
  void createAhead(const std::string& name);
  bool perform(Job& job);
  // A long file is sent to disk a window at a time as it grows, and the
  // window before, on disk by then as a rule, is let go of from the cache:
  // the cache of a long run then reuses its pages instead of taking fresh
  // ones for every gigabyte. Nothing here waits for the disk.
  void writeBehind(const Job& job);
  void run();

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
  /// Nothing is created ahead.
  void create(std::string) {}
  /// Never called: no file is handed over.
  void write(int, std::string, const std::string&) {}
  /// Never called: no file is handed over.
  void close(int, std::string, const std::string&) {}
  /// Never called: the console writes for itself.
  void writeStream(std::FILE*, std::string) {}
  /// Nothing waits to be written.
  void drain() {}
  /// A fresh buffer.
  std::string block(std::size_t) { return std::string(); }
  /// Nothing was created ahead.
  int takeCreated(const std::string&) { return -1; }
  /// Nothing was announced.
  void forget(const std::string&) {}
  /// The size of a full block.
  static constexpr std::size_t kBlockBytes = 1 << 20;
  /// Nothing can have failed.
  bool settle(std::string&, std::string&) { return true; }
};
#endif

/// Writes to the console stream, noting a failure; false when the text did not all go out.
bool writeAll(std::FILE* file, std::string_view text);

/// The process's console over standard input and output; it hands its blocks to `writer` where that is not null, so
/// that the console of a long run is not copied out on the run's own thread.
std::unique_ptr<Console> makeStdioConsole(BackgroundWriter* writer);

/// An input file read in blocks of its own from a stream opened for reading, which it closes.
std::unique_ptr<InputFile> makeStdioInputFile(std::FILE* file);

/// An output file over a descriptor open for writing, handing its blocks to `background` where that is not null;
/// `name` names the file in a failure.
std::unique_ptr<OutputFile> makeNativeOutputFile(int descriptor, BackgroundWriter* background, std::string name);

}  // namespace kestrix
