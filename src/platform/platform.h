#pragma once
// The small platform layer under the whole program: the console and the file
// system. Everything above it is portable; tests replace both with doubles.
//
// Module platform: the console and file system interfaces and their Linux and
// Windows implementations, the background writing of the machine's file
// system, and whether the build has threads (threads.h). It may call text only.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "text/line_end.h"

namespace kestrix {

/// The user's console: buffered output and line input.
class Console {
 public:
  virtual ~Console() = default;
  /// Writes text without ending the line.
  virtual void write(std::string_view text) = 0;
  /// Reads one line without its line end (a CR before the LF is dropped); false at end of input.
  virtual bool readLine(std::string& line) = 0;
  /// Writes out everything buffered.
  virtual void flush() = 0;
  /// The system's reason when some output could not be written (a closed pipe aside); empty while all of it was.
  virtual std::string writeFailure() { return std::string(); }
  /// Writes one line to the error stream, which the console output failing leaves usable.
  virtual void writeErrorLine(std::string_view line) { (void)line; }
};

/// Outcome of reading one line of a text file.
enum class ReadStatus { Ok, End, Error };

/// A text file open for reading line by line.
class InputFile {
 public:
  virtual ~InputFile() = default;
  /// Reads the next line without its line end (a CR before the LF is dropped) into `line`, reusing its storage.
  virtual ReadStatus readLine(std::string& line) = 0;
  /// As readLine, but as a view (no copy where the file allows) valid until the file is read, asked atEnd, rewound or closed again.
  virtual ReadStatus readLineView(std::string_view& line) {
    const ReadStatus status = readLine(viewed_);
    line = viewed_;
    return status;
  }
  /// True when no further line can be read.
  virtual bool atEnd() = 0;
  /// Goes back to the first line.
  virtual void rewind() = 0;

 private:
  std::string viewed_;  // the line readLineView shows for a file that has no storage of its own to show
};

/// A text file open for writing.
class OutputFile {
 public:
  virtual ~OutputFile() = default;
  /// Appends text as it stands.
  virtual void write(std::string_view text) = 0;
  /// Appends text and a CR LF line end.
  virtual void writeLine(std::string_view text) {
    write(text);
    write(kLineEnd);
  }
  /// Writes out everything buffered and closes the file; false when that failed.
  virtual bool close() = 0;
  /// The end of the text to append the next line to, in place; nothing else may be written before endLine().
  virtual std::string& startLine() {
    line_.clear();
    return line_;
  }
  /// Ends the line appended since startLine() with CR LF.
  virtual void endLine() { writeLine(line_); }
  /// The system's reason why a write or the closing failed; "" when none failed or the system gave none.
  virtual std::string failure() const { return std::string(); }
  /// As close(), and waits until the file and its name are on disk.
  virtual bool closeDurably() { return close(); }

 private:
  std::string line_;  // the line being built, for files without a buffer of their own
};

/// An advisory lock on a file, held until the handle goes (which empties the file); the system releases it when the process ends.
class HeldLock {
 public:
  virtual ~HeldLock() = default;
  /// Replaces the text of the locked file (who holds it, for the runs that wait); false when that failed.
  virtual bool record(std::string_view text) = 0;
};

/// Outcome of a directory search.
enum class SearchStatus { Ok, NotFound, OutOfMemory, OtherError, TooManyOpenFiles };

/// What a look at a name finds there.
struct FileStatus {
  /// What the name stands for.
  enum class Kind { Missing, File, Folder, Other };
  Kind kind = Kind::Missing;  ///< nothing, a regular file, a folder, or something else (a device, a socket)
  std::int64_t bytes = 0;     ///< the size of a regular file
  std::int64_t modified = 0;  ///< the modification time in whole seconds, where something is there
};

/// How a name is looked up for its identity.
enum class Lookup {
  Now,     ///< on disk, every time
  Output,  ///< a name about to be written: when nothing is there, later looks may take it as missing until this
           ///< process creates, renames or removes a file of that name
};

/// What a library that opens files itself (GDAL) is to do with a file.
enum class LibraryUse { Read, Create };

/// The file system as the program needs it.
class FileSystem {
 public:
  virtual ~FileSystem() = default;
  /// Opens an existing file for reading; null when it cannot be opened.
  virtual std::unique_ptr<InputFile> openRead(const std::string& path) = 0;
  /// Creates or replaces a file for writing; null when it cannot be opened.
  virtual std::unique_ptr<OutputFile> openWrite(const std::string& path) = 0;
  /// What is there under a name now (sizes and times of files this process still writes in the background are
  /// those on disk so far: it never reads them back this way).
  virtual FileStatus stat(const std::string& path) = 0;
  /// Creates a folder with any missing parents; true when the folder exists afterwards.
  virtual bool makeFolder(const std::string& path) = 0;
  /// The regular files matching a pattern with "*" and "?" in its last component (case-blind), in name order, each with the pattern's folder.
  virtual SearchStatus search(const std::string& pattern, std::vector<std::string>& matches) = 0;
  /// A key that names the same file for every spelling of its path, from one look at the file where it exists (used
  /// to tell whether a file is already open, or an input); identityOnDisk() tells whether something was there.
  virtual std::string identity(const std::string& path, Lookup lookup) = 0;
  /// Gives a file a new name, replacing a file of that name; false when that failed.
  virtual bool rename(const std::string& from, const std::string& to) = 0;
  /// Deletes a file; false when that failed.
  virtual bool remove(const std::string& path) = 0;
  /// Makes `second` another name of the file `existing` (a hard link), or a copy of it where no link can be made (replacing a file of that name); false when neither worked.
  virtual bool linkOrCopy(const std::string& existing, const std::string& second);
  /// Takes the exclusive advisory lock of a file (created when missing) without waiting; null when another process holds it (`busy` set) or it cannot be had. A file system of one process always has it.
  virtual std::unique_ptr<HeldLock> tryLock(const std::string& path, bool& busy);
  /// The name under which a library that opens files itself (GDAL) reads `path`, or creates the output `path` (a
  /// staging file system hands out a temporary name and gives it `path` on commit).
  virtual std::string libraryPath(const std::string& path, LibraryUse use) = 0;
  /// The system's reason why the last openRead, openWrite, makeFolder or rename that failed here failed; "" when it gave none.
  virtual std::string failure() const { return std::string(); }

  /// True when a regular file of that name exists.
  bool exists(const std::string& path) { return stat(path).kind == FileStatus::Kind::File; }
  /// True when a folder of that name exists.
  bool isFolder(const std::string& path) { return stat(path).kind == FileStatus::Kind::Folder; }
  /// Creates or replaces a small file with exactly `bytes` and waits until they are on disk; false when that failed.
  bool writeDurably(const std::string& path, std::string_view bytes);
};

/// True when the identity of a name was taken from something on disk under that name.
inline bool identityOnDisk(std::string_view identity) { return !identity.empty() && identity.front() == 'f'; }

/// Writing in the background, an option of the machine's file system: the files written through it are created
/// ahead, written and closed beside the run, and settle() tells what failed after their close() had returned.
class BackgroundWrites {
 public:
  virtual ~BackgroundWrites() = default;
  /// Announces files about to be opened for writing, so that they are created (empty) ahead, beside the run.
  virtual void createAhead(const std::vector<std::string>& paths) = 0;
  /// Waits until every file closed so far is written; false, with the name it was opened by, when one could not be.
  virtual bool settle(std::string& failed) = 0;
};

/// A lock that the run's own thread and the thread that handles an interrupt take in turn.
class Gate {
 public:
  /// An open gate.
  Gate();
  ~Gate();
  Gate(const Gate&) = delete;
  Gate& operator=(const Gate&) = delete;
  /// Waits until no other thread holds the gate, and holds it.
  void lock();
  /// Lets the gate go.
  void unlock();

 private:
  struct Native;
  std::unique_ptr<Native> native_;
};

/// Holds a gate while it lives.
class GateHold {
 public:
  /// Waits for the gate and holds it.
  explicit GateHold(Gate& gate) : gate_(gate) { gate_.lock(); }
  ~GateHold() { gate_.unlock(); }
  GateHold(const GateHold&) = delete;
  GateHold& operator=(const GateHold&) = delete;

 private:
  Gate& gate_;
};

/// The exit status of a process ended by an interrupt (Ctrl-C, a termination request, its console closing).
constexpr int kInterruptedStatus = 130;

/// From now on an interrupt runs the handler set with setInterruptHandler on a thread of its own instead of ending
/// the process; call it first in main, before any other thread starts (the threads started later inherit it).
void startInterruptWatch();

/// The function an interrupt runs; it returns only when the process is to go on. Without one (empty) an interrupt
/// ends the process at once with kInterruptedStatus.
void setInterruptHandler(std::function<void()> handler);

/// Writes a line (unless empty) straight to standard output and ends the process with kInterruptedStatus, running no destructors.
[[noreturn]] void endInterrupted(std::string_view line);

/// True while a process of that number runs; a process the system does not let this one look at counts as running.
bool processRunning(int processId);

/// Waits about that many milliseconds.
void pauseMilliseconds(int milliseconds);

/// The number of this process, as the operating system shows it.
int currentProcessId();

/// The separator this system writes between folder names: '/' on POSIX, '\\' on Windows.
char nativeSeparator();

/// True when the last file this thread asked the machine's file system to open could not be opened because too many
/// files are open (in the process or the system); such a file may well be there.
bool lastOpenHitFileLimit();

/// The process's own console (standard input and output) and the machine's file system.
struct SystemPlatform {
  std::unique_ptr<FileSystem> fs;       ///< the machine's file system
  std::unique_ptr<Console> console;     ///< the console, which may hand its output to the file system's writer
  BackgroundWrites* background = nullptr;  ///< the file system's background writing; null when it has none
};

/// The console and the file system of the process; `inBackground` has files and the console's output written by a
/// thread beside the run where the build has threads.
SystemPlatform makeSystemPlatform(bool inBackground);

/// The machine's file system, writing in the foreground.
std::unique_ptr<FileSystem> makeSystemFileSystem();

/// Matches a file name against a pattern of "*" and "?" case-blind (shared by both platforms).
bool wildcardMatch(std::string_view pattern, std::string_view name);

/// True when a command-line argument starting with "/" is a file name rather than an option.
bool slashArgumentIsFileName(const std::string& argument, bool existsAsFile);

/// Orders matched names case-blind first, then byte by byte.
bool nameOrderLess(const std::string& a, const std::string& b);

}  // namespace kestrix
