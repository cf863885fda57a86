#pragma once
// The small platform layer under the whole program: the console and the file
// system. Everything above it is portable; tests replace both with doubles.
//
// Module platform: the console and file system interfaces and their Linux and
// Windows implementations, and the thread that makes items ahead of the run
// (items_ahead.h). It may call text only.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

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
    write("\r\n");
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
  /// The system's reason why the last openRead, openWrite, makeFolder, rename or settle that failed here failed; "" when it gave none.
  virtual std::string failure() const { return std::string(); }
};

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
