// Windows side of the platform layer: both separators are native and names
// compare case-blind, as the file system does.

#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <system_error>

#include "platform/platform.h"
#include "platform/platform_native.h"
#include "text/text.h"

namespace kestrix {

const char* const kNativeSeparators = "\\/";

namespace {
// Notes the text of GetLastError (the system's own calls), without its line end and full stop.
template <typename T>
T noteLastError(T result) {
  const DWORD code = GetLastError();
  char* text = nullptr;
  const DWORD length =
      FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                     nullptr, code, 0, reinterpret_cast<LPSTR>(&text), 0, nullptr);
  std::string reason =
      length > 0 && text != nullptr ? std::string(text, length) : "system error " + std::to_string(code);
  if (text != nullptr) LocalFree(text);
  while (!reason.empty() &&
         (reason.back() == '\r' || reason.back() == '\n' || reason.back() == ' ' || reason.back() == '.'))
    reason.pop_back();
  noteNativeFailure(std::move(reason));
  return result;
}
}  // namespace

std::string nativePath(const std::string& path) { return path; }

// Names are single-byte text in the user's code page, as the console gives them.
std::filesystem::path toFsPath(const std::string& path) { return std::filesystem::path(path); }

std::string fromFsPath(const std::filesystem::path& path) { return path.string(); }

std::FILE* openNativeRead(const std::string& nativeName) {
  std::FILE* file = std::fopen(nativeName.c_str(), "rb");
  return file != nullptr ? file : noteErrno(file);
}

int nativeOpenWrite(const std::string& nativeName) {
  // As fopen's "wb" opens it, without the stream.
  int fd = -1;
  if (_sopen_s(&fd, nativeName.c_str(), _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY | _O_NOINHERIT, _SH_DENYNO,
               _S_IREAD | _S_IWRITE) != 0)
    return noteErrno(-1);
  return fd;
}

bool nativeWriteAll(int descriptor, std::string_view text) {
  const char* p = text.data();
  std::size_t left = text.size();
  while (left > 0) {
    const unsigned chunk = static_cast<unsigned>(std::min<std::size_t>(left, std::size_t{1} << 30));
    const int n = _write(descriptor, p, chunk);
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

void lowerThreadPriority() { SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_LOWEST); }

void nativeStat(const std::string& nativeName, FileStatus& status) {
  // Through std::filesystem, which reads a name's attributes as Windows does for every other call here.
  std::error_code ec;
  const std::filesystem::path path = toFsPath(nativeName);
  const std::filesystem::file_status found = std::filesystem::status(path, ec);
  if (ec || !std::filesystem::exists(found)) return;
  status.kind = std::filesystem::is_regular_file(found) ? FileStatus::Kind::File
                : std::filesystem::is_directory(found)  ? FileStatus::Kind::Folder
                                                        : FileStatus::Kind::Other;
  if (status.kind == FileStatus::Kind::File) {
    const auto bytes = std::filesystem::file_size(path, ec);
    if (!ec) status.bytes = static_cast<std::int64_t>(bytes);
  }
  const auto time = std::filesystem::last_write_time(path, ec);
  if (!ec) {
    const auto sys = std::chrono::file_clock::to_sys(time);
    status.modified = std::chrono::floor<std::chrono::seconds>(sys.time_since_epoch()).count();
  }
}

bool nativeFileKey(const std::string& nativeName, std::string& key) {
  // Backup semantics let a folder be opened too, so that it is seen as taken.
  HANDLE h = CreateFileA(nativeName.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION info;
  const bool ok = GetFileInformationByHandle(h, &info) != 0;
  CloseHandle(h);
  if (!ok) return false;
  key = std::to_string(info.dwVolumeSerialNumber) + ":" + std::to_string(info.nFileIndexHigh) + ":" +
        std::to_string(info.nFileIndexLow);
  return true;
}

int nativeCreateNew(const std::string& nativeName) {
  HANDLE h = CreateFileA(nativeName.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return noteLastError(-1);
  const int fd = _open_osfhandle(reinterpret_cast<std::intptr_t>(h), _O_WRONLY | _O_BINARY);
  if (fd < 0) {
    // Created but not open as a descriptor: nothing of this creation may stay.
    CloseHandle(h);
    DeleteFileA(nativeName.c_str());
  }
  return fd;
}

bool nativeCloseDescriptor(int descriptor) { return _close(descriptor) == 0 || noteErrno(false); }

// Windows writes its cache back by itself; nothing is asked of it.
void nativeStartWriteBack(int, long long, long long) {}

void nativeDropWritten(int, long long, long long) {}

std::size_t nativeFilesToSpare(std::size_t most) {
  // The C runtime's own limit on open files; the three standard streams are the run's.
  const int streams = _getmaxstdio();
  const std::size_t share = streams > 3 ? static_cast<std::size_t>(streams - 3) / 4 : 0;
  return std::clamp<std::size_t>(share, 1, most);
}

bool nativeTooManyOpenFiles() { return errno == EMFILE || errno == ENFILE; }

bool nativeRename(const std::string& nativeFrom, const std::string& nativeTo) {
  return MoveFileExA(nativeFrom.c_str(), nativeTo.c_str(), MOVEFILE_REPLACE_EXISTING) != 0 || noteLastError(false);
}

bool nativeHardLink(const std::string& nativeExisting, const std::string& nativeSecond) {
  return CreateHardLinkA(nativeSecond.c_str(), nativeExisting.c_str(), nullptr) != 0;
}

bool nativeSyncDescriptor(int descriptor) { return _commit(descriptor) == 0; }

// NTFS keeps its names in its own journal: a folder needs no asking.
void nativeSyncFolder(const std::string&) {}

namespace {

// LockFileEx on a byte far past the text, so that the runs that wait can
// still read who holds the lock; the system lets it go when the process ends.
constexpr DWORD kLockOffsetHigh = 0x40000000;

class WindowsLock final : public HeldLock {
 public:
  explicit WindowsLock(HANDLE handle) : handle_(handle) {}
  ~WindowsLock() override {
    // Emptied before it goes, so that a folder holds the same file after every run.
    LARGE_INTEGER start{};
    if (SetFilePointerEx(handle_, start, nullptr, FILE_BEGIN)) SetEndOfFile(handle_);
    CloseHandle(handle_);
  }
  bool record(std::string_view text) override {
    LARGE_INTEGER start{};
    if (!SetFilePointerEx(handle_, start, nullptr, FILE_BEGIN) || !SetEndOfFile(handle_)) return false;
    DWORD written = 0;
    return WriteFile(handle_, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) != 0 &&
           written == text.size();
  }

 private:
  HANDLE handle_;
};

}  // namespace

std::unique_ptr<HeldLock> nativeTryLock(const std::string& nativeName, bool& busy) {
  busy = false;
  HANDLE h = CreateFileA(nativeName.c_str(), GENERIC_READ | GENERIC_WRITE,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return nullptr;
  OVERLAPPED at{};
  at.OffsetHigh = kLockOffsetHigh;
  if (!LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) {
    busy = GetLastError() == ERROR_LOCK_VIOLATION;
    CloseHandle(h);
    return nullptr;
  }
  return std::make_unique<WindowsLock>(h);
}

struct Gate::Native {
  CRITICAL_SECTION section;
};

Gate::Gate() : native_(std::make_unique<Native>()) { InitializeCriticalSection(&native_->section); }
Gate::~Gate() { DeleteCriticalSection(&native_->section); }
void Gate::lock() { EnterCriticalSection(&native_->section); }
void Gate::unlock() { LeaveCriticalSection(&native_->section); }

namespace {

// The handler an interrupt runs. Never freed: the system's thread for a
// console event may still look at it while the process ends.
struct InterruptSlot {
  Gate gate;
  std::function<void()> handler;
};
InterruptSlot& interruptSlot() {
  static InterruptSlot* slot = new InterruptSlot;
  return *slot;
}

// Runs on a thread the system starts for the event. Returning ends the
// process for a closing console, so the handler runs to its end first.
BOOL WINAPI onConsoleEvent(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT) return FALSE;
  InterruptSlot& slot = interruptSlot();
  slot.gate.lock();
  if (!slot.handler) std::_Exit(kInterruptedStatus);
  slot.handler();
  slot.gate.unlock();
  return TRUE;
}

}  // namespace

void startInterruptWatch() {
  interruptSlot();
  SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}

void setInterruptHandler(std::function<void()> handler) {
  InterruptSlot& slot = interruptSlot();
  slot.gate.lock();
  slot.handler = std::move(handler);
  slot.gate.unlock();
}

bool processRunning(int processId) {
  if (processId <= 0) return false;
  HANDLE h = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(processId));
  if (h == nullptr) return GetLastError() == ERROR_ACCESS_DENIED;
  DWORD code = 0;
  const bool running = GetExitCodeProcess(h, &code) != 0 && code == STILL_ACTIVE;
  CloseHandle(h);
  return running;
}

void pauseMilliseconds(int milliseconds) { Sleep(static_cast<DWORD>(milliseconds)); }

int currentProcessId() { return static_cast<int>(GetCurrentProcessId()); }

char nativeSeparator() { return '\\'; }

std::string foldIdentity(const std::string& resolved) {
  std::string key = resolved;
  for (char& c : key) {
    c = lowerAscii(c);
    if (c == '/') c = '\\';
  }
  return key;
}

bool slashArgumentIsFileName(const std::string&, bool) { return false; }

}  // namespace kestrix
