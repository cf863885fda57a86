#pragma once
// A double of the run for the tests of the file-unit layer and the modules
// above it: a reporter over a scripted console that prints the same lines and
// counts warnings as the driver's run does, with the settings, the tally, the
// unit table, the input registry and the staged file system a run owns. The
// tests of a module link only that module and those below it, so the driver's
// run context is left to the driver's own tests.

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/reporter.h"
#include "base/run_end.h"
#include "base/settings.h"
#include "files/file_units.h"
#include "files/staged_files.h"
#include "files/units.h"
#include "support/fakes.h"

namespace kestrix::testing {

/// The run as the file-unit layer sees it, over a console and a file system.
class FilesRun : public Reporter {
 public:
  /// A run that talks to `console` and works on `fs`, whose writes may go on in `background`.
  FilesRun(Console& c, FileSystem& f, BackgroundWrites* background = nullptr)
      : console(c), fs(f, background) {}

  Console& console;      ///< the console
  StagedFileSystem fs;   ///< the file system every layer uses, holding outputs under temporary names once staging is on
  InputRegistry inputs;     ///< every file the run reads
  Settings settings;        ///< run settings
  UnitTable units;          ///< open files
  RunTally tally;           ///< counts for the summary

  FileAccess files{*this, fs, units, inputs};  ///< what the file-unit layer uses

  /// The run as the file-unit layer sees it.
  operator FileAccess&() { return files; }

  /// Writes a plain line to the console.
  void say(std::string_view line) override;
  /// Writes a message's line and counts a WARNING.
  void say(const Message& message) override;
  /// Writes text to the console without ending the line.
  void put(std::string_view text) override { console.write(text); }
  /// True with -quiet set.
  bool quiet() const override { return settings.optQuiet; }
  /// Reads a console line; false at once with -batch set.
  bool ask(std::string& line) override;
  /// Shows "Press Enter to Continue" and waits.
  bool pauses() override;
  /// Waits for Enter.
  bool waitEnter() override;
  /// Writes out the console's buffer.
  void flush() override { console.flush(); }
  /// True with -batch set.
  bool batch() const override { return settings.optBatch; }
  /// Closes every unit, discards what was not committed and, when the run pauses at its end, waits for Enter.
  void closeRun(bool closingPause) override;
};

/// A run double `Run` over a scripted console and a memory file system, with the unit table set up.
template <typename Run>
struct BasicTestRun {
  /// A run whose console answers with `input`.
  explicit BasicTestRun(std::vector<std::string> input = {}) : console(std::move(input)), ctx(console, fs, &fs) {
    ctx.units.INITUNITS(1000);
  }
  ScriptedConsole console;  ///< the console
  MemoryFileSystem fs;      ///< the files
  Run ctx;                  ///< the run
  /// Console output so far.
  const std::string& out() const { return console.output(); }
  /// True while any unit of the table is open.
  bool anyUnitOpen() {
    for (int i = 0; i < ctx.units.size(); ++i)
      if (ctx.units.slot(i).open) return true;
    return false;
  }
};

/// The run as the file-unit layer sees it, over a scripted console and a memory file system.
using TestFiles = BasicTestRun<FilesRun>;

/// Runs `body`; returns the exit status when it ended the run, -1 when it returned normally.
template <typename F>
int endsRun(F&& body) {
  try {
    body();
  } catch (const RunEnd& end) {
    return end.status;
  }
  return -1;
}

}  // namespace kestrix::testing
