#pragma once
// The run context: the driver's bundle that owns a run's settings, section
// store, unit table, console and file system. It is the reporter of the run,
// and hands each layer below only the pieces it needs (the file access, the
// layer access, the workspace). Every stop of a run goes through exits() or
// halt(), which throw RunEnd for the entry point to catch.
//
// Module driver, the top layer: the command line, the mode runs, the
// summary and the run context. It may call every module.

#include <string>
#include <string_view>

#include "base/reporter.h"
#include "base/run_end.h"
#include "base/settings.h"
#include "files/file_units.h"
#include "files/staged_files.h"
#include "files/units.h"
#include "gis/layers.h"
#include "mif/mif.h"
#include "output/html_report.h"
#include "platform/platform.h"
#include "store/store.h"
#include "workspace/workspace.h"

namespace kestrix {

/// Everything a run owns.
class RunContext final : public Reporter {
 public:
  /// A run that talks to `console` and works on `fs`, whose background writing is `background` (null without).
  RunContext(Console& console, FileSystem& fs, BackgroundWrites* background = nullptr);

  Console& console;         ///< the user's console
  StagedFileSystem staged;  ///< the file system, holding outputs under temporary names once staging is on
  StagedFileSystem& fs;     ///< the file system every layer uses (the staged one)
  InputRegistry inputs;     ///< every file the run reads, so that no output replaces one
  Settings settings;     ///< run settings
  SectionStore store;    ///< the sections of the run
  UnitTable units;       ///< open files
  GisReadState gis;      ///< carried values of the GIS point reader
  RunTally tally;        ///< counts for the summary
  ReportRecord report;   ///< what the HTML report shows besides the sections (-html)

  FileAccess files{*this, fs, units, inputs};                            ///< what the file-unit layer uses
  LayerAccess layers{files, settings.saveDate, tally.saveDateWarned};   ///< what the layer library uses
  Workspace work{*this, files, layers, settings, tally, store};         ///< what readers, converters and sinks use

  /// The run as the file-unit layer sees it.
  operator FileAccess&() { return files; }
  /// The run as the layer library sees it.
  operator LayerAccess&() { return layers; }
  /// The run as the readers, converters and sinks see it.
  operator Workspace&() { return work; }

  /// Writes a plain line to the console.
  void say(std::string_view line) override;
  /// Writes a message's line, counts a WARNING and, with -html, keeps it for the report.
  void say(const Message& message) override;
  /// Writes text to the console without ending the line.
  void put(std::string_view text) override;
  /// True in a -quiet run.
  bool quiet() const override { return settings.optQuiet; }
  /// Reads a console line; false at once in a -batch run.
  bool ask(std::string& line) override;
  /// Shows "Press Enter to Continue" and waits.
  bool pauses() override;
  /// Waits for Enter.
  bool waitEnter() override;
  /// Writes out the console's buffer.
  void flush() override { console.flush(); }
  /// True in a -batch run.
  bool batch() const override { return settings.optBatch; }
  /// Closes every unit, discards what was not committed and, at the end of a run that pauses, waits for Enter.
  void closeRun(bool closingPause) override;

 private:
  void closeAll();
};

}  // namespace kestrix
