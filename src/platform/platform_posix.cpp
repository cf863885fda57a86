// POSIX side of the platform layer. Names come from Windows users and model
// files, so a backslash is taken as a folder separator when a file is opened.

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#ifdef __linux__
#include <sys/syscall.h>
#endif
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <system_error>

#include "platform/platform.h"
#include "platform/platform_native.h"

namespace kestrix {

const char* const kNativeSeparators = "/";

std::string nativePath(const std::string& path) {
  std::string native = path;
  std::replace(native.begin(), native.end(), '\\', '/');
  return native;
}

std::filesystem::path toFsPath(const std::string& path) { return std::filesystem::path(nativePath(path)); }

std::string fromFsPath(const std::filesystem::path& path) { return path.string(); }

std::FILE* openNativeRead(const std::string& nativeName) {
  std::FILE* file = std::fopen(nativeName.c_str(), "rb");
  return file != nullptr ? file : noteErrno(file);
}

int nativeOpenWrite(const std::string& nativeName) {
  const int descriptor = ::open(nativeName.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  return descriptor >= 0 ? descriptor : noteErrno(descriptor);
}

bool nativeWriteAll(int descriptor, std::string_view text) {
  const char* p = text.data();
  std::size_t left = text.size();
  while (left > 0) {
    const ssize_t n = ::write(descriptor, p, left);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return noteErrno(false);
    if (n == 0) {
      // Nothing taken and no error named: the disk has no room left.
      noteNativeFailure(std::make_error_code(std::errc::no_space_on_device).message());
      return false;
    }
    p += n;
    left -= static_cast<std::size_t>(n);
  }
  return true;
}

void lowerThreadPriority() {
#if defined(__linux__)
  // Linux gives each thread a nice value of its own.
  setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), 10);
#endif
}

void nativeStat(const std::string& nativeName, FileStatus& status) {
  struct stat st;
  if (::stat(nativeName.c_str(), &st) != 0) return;
  status.kind = S_ISREG(st.st_mode)   ? FileStatus::Kind::File
                : S_ISDIR(st.st_mode) ? FileStatus::Kind::Folder
                                      : FileStatus::Kind::Other;
  if (status.kind == FileStatus::Kind::File) status.bytes = static_cast<std::int64_t>(st.st_size);
  status.modified = static_cast<std::int64_t>(st.st_mtime);
}

bool nativeFileKey(const std::string& nativeName, std::string& key) {
  struct stat st;
  if (::stat(nativeName.c_str(), &st) != 0) return false;
  key = std::to_string(static_cast<unsigned long long>(st.st_dev)) + ":" +
        std::to_string(static_cast<unsigned long long>(st.st_ino));
  return true;
}

int nativeCreateNew(const std::string& nativeName) {
  return ::open(nativeName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
}

bool nativeCloseDescriptor(int descriptor) { return ::close(descriptor) == 0 || noteErrno(false); }

// Where the system can say so (Linux), a long output is sent to disk as it
// grows and let go of once there: left to the cache, gigabytes of layers
// would each take a fresh page of memory, and fresh pages are costly to fill.
#ifdef SYNC_FILE_RANGE_WRITE
void nativeStartWriteBack(int descriptor, long long from, long long to) {
  ::sync_file_range(descriptor, from, to - from, SYNC_FILE_RANGE_WRITE);
}

void nativeDropWritten(int descriptor, long long from, long long to) {
  ::posix_fadvise(descriptor, from, to - from, POSIX_FADV_DONTNEED);
}
#else
void nativeStartWriteBack(int, long long, long long) {}

void nativeDropWritten(int, long long, long long) {}
#endif

std::size_t nativeFilesToSpare(std::size_t most) {
  struct rlimit limit;
  if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return most;
  const std::size_t soft = static_cast<std::size_t>(limit.rlim_cur);
  // What the process holds now: few descriptors, and low ones, so a high limit is not looked through to its end.
  std::size_t held = 0;
  const int probe = static_cast<int>(std::min<std::size_t>(soft, 4096));
  for (int fd = 0; fd < probe; ++fd)
    if (::fcntl(fd, F_GETFD) != -1) ++held;
  const std::size_t share = soft > held ? (soft - held) / 4 : 0;
  return std::clamp<std::size_t>(share, 1, most);
}

bool nativeTooManyOpenFiles() { return errno == EMFILE || errno == ENFILE; }

bool nativeRename(const std::string& nativeFrom, const std::string& nativeTo) {
  return std::rename(nativeFrom.c_str(), nativeTo.c_str()) == 0 || noteErrno(false);
}

bool nativeHardLink(const std::string& nativeExisting, const std::string& nativeSecond) {
  return ::link(nativeExisting.c_str(), nativeSecond.c_str()) == 0;
}

bool nativeSyncDescriptor(int descriptor) { return ::fsync(descriptor) == 0; }

void nativeSyncFolder(const std::string& nativeFolder) {
  const int folder = ::open(nativeFolder.empty() ? "." : nativeFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder < 0) return;
  ::fsync(folder);
  ::close(folder);
}

namespace {

// flock: the lock belongs to the open file, so the system lets it go when
// the process ends however it ends.
class PosixLock final : public HeldLock {
 public:
  explicit PosixLock(int descriptor) : descriptor_(descriptor) {}
  ~PosixLock() override {
    // Emptied before it goes, so that a folder holds the same file after every run.
    if (::ftruncate(descriptor_, 0) != 0) {
    }
    ::close(descriptor_);
  }
  bool record(std::string_view text) override {
    if (::ftruncate(descriptor_, 0) != 0) return false;
    return ::pwrite(descriptor_, text.data(), text.size(), 0) == static_cast<ssize_t>(text.size());
  }

 private:
  int descriptor_;
};

}  // namespace

std::unique_ptr<HeldLock> nativeTryLock(const std::string& nativeName, bool& busy) {
  busy = false;
  const int descriptor = ::open(nativeName.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (descriptor < 0) return nullptr;
  while (::flock(descriptor, LOCK_EX | LOCK_NB) != 0) {
    if (errno == EINTR) continue;
    busy = errno == EWOULDBLOCK;
    ::close(descriptor);
    return nullptr;
  }
  return std::make_unique<PosixLock>(descriptor);
}

struct Gate::Native {
  std::mutex mutex;
};

Gate::Gate() : native_(std::make_unique<Native>()) {}
Gate::~Gate() = default;
void Gate::lock() { native_->mutex.lock(); }
void Gate::unlock() { native_->mutex.unlock(); }

namespace {

// The handler an interrupt runs. Never freed: the thread that waits for
// signals may still look at it while the process ends.
struct InterruptSlot {
  std::mutex mutex;
  std::function<void()> handler;
};
InterruptSlot& interruptSlot() {
  static InterruptSlot* slot = new InterruptSlot;
  return *slot;
}

}  // namespace

void startInterruptWatch() {
  // Blocked here, before any other thread exists, the signals stay blocked in
  // every thread the run starts, so none of them is ever stopped half-way by
  // one: the thread below takes each signal as an ordinary event.
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  sigaddset(&signals, SIGHUP);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
  interruptSlot();
  std::thread([signals] {
    for (;;) {
      int signal = 0;
      if (sigwait(&signals, &signal) != 0) continue;
      InterruptSlot& slot = interruptSlot();
      std::lock_guard<std::mutex> lock(slot.mutex);
      if (!slot.handler) std::_Exit(kInterruptedStatus);
      slot.handler();
    }
  }).detach();
}

void setInterruptHandler(std::function<void()> handler) {
  InterruptSlot& slot = interruptSlot();
  std::lock_guard<std::mutex> lock(slot.mutex);
  slot.handler = std::move(handler);
}

bool processRunning(int processId) {
  if (processId <= 0) return false;
  return ::kill(static_cast<pid_t>(processId), 0) == 0 || errno == EPERM;
}

void pauseMilliseconds(int milliseconds) {
  struct timespec pause {
    milliseconds / 1000, static_cast<long>(milliseconds % 1000) * 1000000L
  };
  while (::nanosleep(&pause, &pause) != 0 && errno == EINTR) {
  }
}

int currentProcessId() { return static_cast<int>(::getpid()); }

char nativeSeparator() { return '/'; }

std::string foldIdentity(const std::string& resolved) { return resolved; }

bool slashArgumentIsFileName(const std::string& argument, bool existsAsFile) {
  // "/tmp/run/a.mif" is a path; "/N" stays an option as on Windows.
  return argument.find('/', 1) != std::string::npos || existsAsFile;
}

}  // namespace kestrix
