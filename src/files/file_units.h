#pragma once
// Opening and closing files by name on numbered units, with the console
// reports, the missing-file prompt and the retry for output files that
// cannot be created.
//
// Module files: the unit table, opening and closing files by name with their
// prompts, staged all-or-nothing outputs, the input registry and path text.
// It may call text, platform and base (the reporter, RunEnd).

#include <string>
#include <string_view>
#include <vector>

#include "base/reporter.h"
#include "files/staged_files.h"
#include "files/units.h"
#include "platform/platform.h"

namespace kestrix {

/// What the file-unit layer works with: the reporter, the file system, the unit table and the registry of inputs.
struct FileAccess {
  Reporter& out;          ///< the user's console and the end of the run
  StagedFileSystem& fs;   ///< the file system every layer uses, which stages the outputs
  UnitTable& units;       ///< open files
  InputRegistry& inputs;  ///< every file the run reads
};

/// Opens a named file on the first free unit, prompting and retrying until it is open; `unit` receives the unit number.
void OPENFILE(FileAccess& files, int& unit, FileMode mode, std::string_view name);

/// Opens a text the run composes itself (not a file on disk) for reading on the first free unit, under `name`.
void OPENTEXT(FileAccess& files, int& unit, std::string_view name, std::string text);

/// Connects a unit to a named file with the prompts and retries; may rewrite `name`.
void OPENUNIT(FileAccess& files, int unit, std::string& name, FileMode mode);

/// Closes a unit the table shows open, reports it and sets `unit` to 0.
void CLOSER(FileAccess& files, int& unit);

/// A unit that is closed when the handle goes out of scope. close() reports the close as CLOSER does; a handle
/// left open (a run ending through RunEnd, a layer abandoned after a reported error) releases its unit silently.
class UnitHandle {
 public:
  /// A handle with no unit yet.
  explicit UnitHandle(FileAccess& files) : files_(files) {}
  UnitHandle(const UnitHandle&) = delete;
  UnitHandle& operator=(const UnitHandle&) = delete;
  /// Releases the unit when it is still open.
  ~UnitHandle();
  /// Opens a named file as OPENFILE does.
  void open(FileMode mode, std::string_view name) { OPENFILE(files_, unit_, mode, name); }
  /// The unit number, 0 when none is open; writable for openers that fill a unit number.
  int& unit() { return unit_; }
  /// Closes the unit as CLOSER does (reported; a lost write ends the run).
  void close() { CLOSER(files_, unit_); }
  /// Hands the unit over to the end of the run, which closes it.
  void release() { unit_ = 0; }

 private:
  FileAccess& files_;
  int unit_ = 0;
};

/// Ends the run with an ERROR for every output path that names a file the run reads; nothing has been written then.
void guardOutputs(FileAccess& files, const std::vector<std::string>& outputs);

/// Closes every output still open and gives all staged outputs their final names; ends the run with an ERROR when a file could not be written.
void commitOutputs(FileAccess& files, StagedFileSystem& staged);

/// Writes the line that names the system's reason for a failed file operation, after the message it explains; nothing when `reason` is empty.
void sayReason(Reporter& out, std::string_view reason);

/// Writes characters 1 to n of a text to the console without ending the line.
void PUTTEXT(Reporter& out, std::string_view text, std::size_t n);

/// The unit number right-aligned in 4 columns, as the unit reports show it.
std::string unitField(int unit);

}  // namespace kestrix
