#pragma once
// The run context: the one object that owns a run's settings, section store,
// unit table, console and file system. Every stop of a run goes through
// exits() or halt(), which throw RunEnd for the entry point to catch.

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "driver/store.h"
#include "files/platform.h"
#include "files/staged_files.h"
#include "files/units.h"

namespace kestrix {

/// Exit status of a run that finished or showed the usage text.
constexpr int kExitSuccess = 0;
/// Exit status of every other end of a run.
constexpr int kExitFailure = 1;

/// The vendor support address that messages name.
inline constexpr std::string_view kSupportEmail = "support@kestrix.example";

/// Thrown to end the run; carries the process exit status.
struct RunEnd {
  int status;  ///< exit status of the process
};

/// How an input layer's MapInfo table is compared with its .mid (-savedate).
enum class SaveDateCheck {
  Error,    ///< a missing or newer table stops the run or asks for a new export
  Warning,  ///< a missing or newer table is a warning and the layer is read
  Off       ///< no comparison and no line
};

/// Run settings read from the command line and set by the readers.
struct Settings {
  int mxs = 10000;                   ///< maximum number of cross-sections
  int mpt = 1000;                    ///< maximum number of points per position group
  int mlp = 20;                      ///< maximum number of vertices of a projection line
  char mnrType = 'M';                ///< resistance letter: M, N or R
  bool optN2M = false;               ///< convert Manning's n to material numbers
  bool optIsis = false;              ///< ISIS converter mode
  bool optM11 = false;               ///< MIKE 11 converter mode
  bool optTrim = false;              ///< drop groups L and R of MIKE 11 sections
  bool optPpol = false;              ///< project points onto their lines
  bool optBatch = false;             ///< never wait for Enter and never read the console
  bool optQuiet = false;             ///< leave out the point, section and file-unit lines
  SaveDateCheck saveDate = SaveDateCheck::Error;  ///< the save-date check of input layers
  std::string outOption;             ///< the folder named by -out:, as typed; empty without it
  bool gisMode = false;              ///< the run takes the GIS branch
  bool linesFound = false;           ///< some layer holds line objects
  bool errFound = false;             ///< some reader or check reported an error
  std::vector<std::string> inFiles;  ///< file arguments in command-line order
  std::string outFolder;             ///< folder of all outputs, with trailing separator
};

/// Values of the last point record read in GIS mode: a null .mid value keeps them.
struct GisReadState {
  float lastZ = 0.0f;     ///< elevation of the last point record
  float lastMnr = 0.0f;   ///< resistance value of the last point record
  std::string lastLcr;    ///< LCR value (one character at most) of the last point record
  std::string lastXsId;   ///< XS_ID value of the last point record
  bool anyRecord = false; ///< a point record has been read in this run
  bool materialWarned = false;  ///< the warning on fractional material numbers has been given
};

/// What the run has done so far, for the summary at its end.
struct RunTally {
  int inputsRead = 0;                   ///< input files handed to a reader or converter
  std::int64_t pointsRead = 0;          ///< points read from the inputs
  int warnings = 0;                     ///< console lines that began with WARNING
  int csvWritten = 0;                   ///< cross-section .csv files written
  std::vector<std::string> removedIds;  ///< sections read but taken out of the store again with a warning
  std::unordered_set<std::string> saveDateWarned;  ///< .mid files already reported with WARNING 0004
};

/// Everything a run owns.
class RunContext {
 public:
  /// A run that talks to `console` and works on `fs`.
  RunContext(Console& console, FileSystem& fs);

  Console& console;         ///< the user's console
  StagedFileSystem staged;  ///< the file system, holding outputs under temporary names once staging is on
  FileSystem& fs;           ///< the file system every layer uses (the staged one)
  InputRegistry inputs;     ///< every file the run reads, so that no output replaces one
  Settings settings;     ///< run settings
  SectionStore store;    ///< the sections of the run
  UnitTable units;       ///< open files
  GisReadState gis;      ///< carried values of the GIS point reader
  RunTally tally;        ///< counts for the summary

  /// Writes a line and its line end to the console (a line beginning with WARNING is counted).
  void say(std::string_view line);
  /// Writes a progress line that a -quiet run leaves out.
  void detail(std::string_view line);
  /// True when progress lines are left out (-quiet).
  bool quiet() const { return settings.optQuiet; }
  /// Writes text without ending the line.
  void put(std::string_view text);
  /// Writes an empty line (or ends a line left open).
  void newline() { put("\n"); }
  /// Reads one console line; false at end of input, and at once without reading in a -batch run.
  bool ask(std::string& line);

  /// Closes every open unit, shows "Press Enter to Close", waits and ends the run.
  [[noreturn]] void exits(int status);
  /// Closes every open unit and ends the run at once, without the closing pause.
  [[noreturn]] void halt(int status);
  /// Shows "Press Enter to Continue" and waits; false when the console input has ended.
  bool pauses();
  /// Waits for Enter without a text; false when the console input has ended.
  bool waitEnter();
  /// Ends the run because a prompt that needs an answer met the end of console input or a -batch run.
  [[noreturn]] void noAnswer(std::string_view about);

 private:
  void closeAll();
};

}  // namespace kestrix
