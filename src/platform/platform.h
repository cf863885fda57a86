#pragma once
// The small platform layer under the whole program: the console and the file
// system. Everything above it is portable; tests replace both with doubles.
//
// Module platform: the console and file system interfaces and their Linux and
// Windows implementations, and the thread that makes items ahead of the run
// (items_ahead.h). It may call text only.

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

/// The file system as the program needs it.
class FileSystem {
 public:
  virtual ~FileSystem() = default;
  /// Opens an existing file for reading; null when it cannot be opened.
  virtual std::unique_ptr<InputFile> openRead(const std::string& path) = 0;
  /// Creates or replaces a file for writing; null when it cannot be opened.
  virtual std::unique_ptr<OutputFile> openWrite(const std::string& path) = 0;
  /// True when a regular file of that name exists.
  virtual bool exists(const std::string& path) = 0;
  /// True when a folder of that name exists.
  virtual bool isFolder(const std::string& path) = 0;
  /// Creates a folder with any missing parents; true when the folder exists afterwards.
  virtual bool makeFolder(const std::string& path) = 0;
  /// The modification time in whole seconds; false when it cannot be read.
  virtual bool modifiedTime(const std::string& path, std::int64_t& seconds) = 0;
  /// The size of a regular file in bytes; false when it cannot be read.
  virtual bool fileSize(const std::string& path, std::int64_t& bytes) = 0;
  /// The regular files matching a pattern with "*" and "?" in its last component (case-blind), in name order, each with the pattern's folder.
  virtual SearchStatus search(const std::string& pattern, std::vector<std::string>& matches) = 0;
  /// A key that names the same file for every spelling of its path, from one look at the file where it exists (used to tell whether a file is already open).
  virtual std::string identity(const std::string& path) = 0;
  /// The key of the file or folder on disk (device and inode, or volume and file index); false when nothing is there.
  virtual bool fileKey(const std::string& path, std::string& key) = 0;
  /// As fileKey, for a name about to be written: when nothing is there, later looks may take it as missing until this process creates, renames or removes a file of that name.
  virtual bool outputKey(const std::string& path, std::string& key) { return fileKey(path, key); }
  /// Gives a file a new name, replacing a file of that name; false when that failed.
  virtual bool rename(const std::string& from, const std::string& to) = 0;
  /// Deletes a file; false when that failed.
  virtual bool remove(const std::string& path) = 0;
  /// The name a library that opens files itself (GDAL) knows `path` by on this system.
  virtual std::string libraryPath(const std::string& path) { return path; }
  /// The name under which such a library creates the output `path`; a staging file system hands out a temporary
  /// name and gives it `path` on commit.
  virtual std::string libraryWritePath(const std::string& path) { return libraryPath(path); }
  /// From now on, files written may be created ahead, and written and closed, in the background; settle() then
  /// reports what failed after close() had returned.
  virtual void writeInBackground() {}
  /// Announces files about to be opened with openWrite, so that they can be created ahead (empty) in the background.
  virtual void prepareWrites(const std::vector<std::string>& paths) { (void)paths; }
  /// Waits until every file closed so far is written; false, with the name it was opened by, when one could not be.
  virtual bool settle(std::string& failed) {
    (void)failed;
    return true;
  }
  /// Makes `second` another name of the file `existing` (a hard link), or a copy of it where no link can be made (replacing a file of that name); false when neither worked.
  virtual bool linkOrCopy(const std::string& existing, const std::string& second);
  /// Creates or replaces a small file with exactly `bytes` and waits until they are on disk; false when that failed.
  virtual bool writeDurably(const std::string& path, std::string_view bytes);
  /// Takes the exclusive advisory lock of a file (created when missing) without waiting; null when another process holds it (`busy` set) or it cannot be had. A file system of one process always has it.
  virtual std::unique_ptr<HeldLock> tryLock(const std::string& path, bool& busy);
  /// The system's reason why the last openRead, openWrite, makeFolder, rename or settle that failed here failed; "" when it gave none.
  virtual std::string failure() const { return std::string(); }
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

/// The process's own console (standard input and output).
std::unique_ptr<Console> makeSystemConsole();

/// The machine's file system.
std::unique_ptr<FileSystem> makeSystemFileSystem();

/// Matches a file name against a pattern of "*" and "?" case-blind (shared by both platforms).
bool wildcardMatch(std::string_view pattern, std::string_view name);

/// True when a command-line argument starting with "/" is a file name rather than an option.
bool slashArgumentIsFileName(const std::string& argument, bool existsAsFile);

/// Orders matched names case-blind first, then byte by byte.
bool nameOrderLess(const std::string& a, const std::string& b);

}  // namespace kestrix
