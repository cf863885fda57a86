#include "driver/command_line.h"

#include <new>

#include "driver/gis_formats.h"
#include "driver/modes.h"
#include "kestrix_version.h"
#include "driver/run_context.h"
#include "driver/check_options.h"
#include "driver/terrain_options.h"
#include "files/commit_journal.h"
#include "text/freeformat.h"
#include "text/text.h"

namespace kestrix {

namespace {

constexpr std::size_t kArgWidth = 1000;

const char* const kUsage[] = {
    "",
    "Kestrix.exe",
    "Generates .csv VORLAN cross-section files, and 1d_xs and other layers.",
    "",
    "Note: The X values are all measured from the left most point.",
    "",
    "To create VORLAN cross-sections using mif/mid layers specify one of:",
    "   -M   - Material values specified (default)",
    "or -N   - Manning n values specified",
    "or -N2M - Manning n values specified, but convert to a Material ID = 1000 times n",
    "or -R   - Relative Resistance values specified",
    "or blank if M, N or R not specified",
    "",
    "Specify any number of mid/mif files containing the data as per below.",
    "",
    "The .mif file(s) contain points with the following attributes.",
    "   1:  Z real  ! Elevation",
    "   2:  MNR real  ! Resistance value (Material, n or relative resistance)",
    "   3:  LCR char(1)  ! Left, Centre or Right",
    "   4:  XS_ID char(12)",
    "",
    "Note: Every point (and any lines) must have a XS_ID.",
    "   Z is the elevation of the point.",
    "   MNR is the resistance value (ie. Material, n or relative value).",
    "   (Note: zero values are disregarded.)",
    "   LCR must be one of \"L\", \"C\" or \"R\" indicating whether the point ",
    "      is in the left, center or right of the section - not case sensitive.",
    "      C is used if LCR is left blank.",
    "",
    "If lines are not used (see below) then note:",
    "   Must be at least two \"C\" points and one \"L\" point per section.",
    "   Single \"L\" and \"R\" points are not included in the section.",
    "   A single \"L\" point may be used to indicate the left side of section.",
    "",
    "Line objects in separate .mif layer(s) can be used to define the start of the XS.",
    "Only the first attribute is used which must be the XS_ID attribute above.",
    "Note: X values are calculated from the first vertice of the line to the point.",
    "Note: There must be a line for every XS.)",
    "",
    "-ppol option projects points onto their line.  Only two vertice lines can be used.",
    "",
    "Array Size Options:",
    "   As of build 2011-12-AA, the user can control the size of the arrays.",
    "   -mxs: Maximum number of cross-sections (default = 10,000)",
    "   -mpt: Maximum number of points per section (default = 1,000)",
    "   -mlp: Maximum number of vertices on -ppol line (default = 20)",
    "NOTE: Numerous arrays are created with the mxs x mpt dimensions.",
    "   To avoid exceeing RAM limits,  mxs x mpt should be kept less than 10,000,000.",
    "   Therefore if mpt is increased, mxs should be decreased.",
    "",
    "To create VORLAN cross-sections from ISIS or MIKE11 XZ data specify:",
    "   -isis to convert ISIS .dat or .asc files (must have XY coordinates)",
    "or -m11 to convert MIKE11 .txt files (must also specify a .nwk11 and a .hd11 file)",
    "   -M to use Material values based on 1000 times the n value",
    "or -N to use Manning n values specified",
    "   -trim to remove either side of left and right markers in MIKE 11 cross-sections.",
    "   First file must be a .mif file containing the correct GIS projection.",
    "   For ISIS subsequent files are the XZ .dat or .asc file(s).  Wildcards can be used.",
    "   For MIKE11 subsequent files are the .txt, .nwk11 and .hd11 files in any order.",
    "   Example: Kestrix -M -isis Projection.mif *.asc",
    "   Example: Kestrix -M -m11 Projection.mif xs.txt my_model.nwk11 my_model.hd11",
    "",
};

constexpr std::string_view kHelpPointer =
    "More options (-batch, -quiet, -out:, -html, -gpkg and others): kestrix --help";

// The options that the usage text above does not list, shown by --help.
const char* const kAddedOptions[] = {
    "Further options (introduced by -, / or an en dash, in any case):",
    "   -batch  - never wait and never ask: the \"Press Enter\" pauses are not waited",
    "             for, and a question (a missing file, a file in use, an out-of-date",
    "             export) ends the run at once with exit status 1.  For scripts.",
    "   -quiet  - leave out the lines for each point, section and file unit; the",
    "             WARNING, ERROR and CHECK lines, the summary and \"Finished.\" stay.",
    "   -savedate:error   - every input layer needs its MapInfo table (.tab), saved",
    "             no later than its .mid (default).",
    "   -savedate:warning - a missing or newer .tab is a WARNING 0004; the layer is read.",
    "   -savedate:off     - no save-date check.  MIF/MID layers exported by QGIS, GDAL",
    "             and other GIS tools come without a .tab and need warning or off.",
    "   -out:FOLDER - write every output into FOLDER (created when missing) instead",
    "             of the folder of the first input.",
    "   -gpkg   - also write every output layer (same names, fields and geometries)",
    "             into kestrix_layers.gpkg, a GeoPackage, in the output folder.",
    "   -html   - also write kestrix_report.html beside the outputs: the run's",
    "             summary and warnings, a plan of the sections and a chart of each;",
    "             one file that any browser opens from disk.",
    "   -crs:DEF - the coordinate system of the input layers and the outputs",
    "             (EPSG:27700, a .prj file or WKT), in place of what the layers",
    "             say of themselves; nothing is reprojected.  Needs GDAL.",
    "   -bedm   - MIKE 11: the resistance values of the .hd11 file are Manning's M;",
    "             each is used as Manning's n = 1/M.",
    "   -dem:FILE - extend every section that has a line (a start line, or a",
    "             projection line with -ppol) into the floodplain from the terrain",
    "             model FILE (any raster GDAL opens, band 1 the elevation), and cut",
    "             a whole section from it for a line whose XS_ID has no points.",
    "             Given more than once, the first DEM with a value at a place gives",
    "             it.  Needs GDAL.  With it:",
    "   -demstep:S      - the spacing of DEM samples along the line (default: the",
    "             finest cell of the DEMs).",
    "   -demsample:bilinear or -demsample:nearest - how a DEM value is taken from",
    "             its cells (default bilinear).",
    "   -demz:F         - a factor on every DEM value (default 1; 0.001 for mm).",
    "   -demgap:G       - the distance kept free beyond the outermost surveyed",
    "             point before the first DEM sample (default S/2).",
    "   -demtol:T       - the largest difference between DEM and survey at the",
    "             survey's ends before a WARNING (default 0.5).",
    "   -landuse:FILE[:FIELD] - a polygon layer whose FIELD (default: its first",
    "             numeric field) gives the resistance value of the DEM points",
    "             inside its polygons.  Needs GDAL.",
    "   -check  - look at every written section for the mistakes a model run",
    "             would otherwise find: sections crossing in plan, a section drawn",
    "             the other way from its neighbours, offsets going back, repeated",
    "             points, no-data levels (-9000 or less, 9000 or more), a bed far",
    "             below or above both neighbours, sections of fewer than three",
    "             points or without a C point.  Each finding is a CHECK line, a",
    "             point of the layer _xs_checks and a line of the summary.",
    "   -checkbed:T     - the bed step to both neighbours that -check reports",
    "             (default 2.0, in Z units).",
    "   -strict - a run that wrote its outputs but said a WARNING or CHECK ends",
    "             with exit status 2 instead of 0.",
    "Only -M, -N, -N2M and -R choose what the resistance values are (-M by",
    "default); -mxs, -mpt, -mlp and -m11 do not.  An option that matches none of",
    "these is named in a WARNING and ignored.",
    "Builds with GDAL also read GeoPackage, Shapefile, GeoJSON, FlatGeobuf, GML, KML",
    "and SpatiaLite layers (.gpkg .shp .geojson .json .fgb .gml .kml .sqlite): every",
    "layer of the file, or the one named as file.gpkg:layer.  Points take Z, MNR, LCR",
    "and XS_ID from the fields of those names (Z from the points' own Z when there is",
    "no Z field), else from the first four fields.  In -isis and -m11 runs the",
    "projection file may be such a file or a .prj.  -gpkg needs GDAL too.",
    "   --help, -help or /?  - this text;  --version or -version - the version.",
    "Exit status: 0 after \"Finished.\", this text, the version, or the usage text",
    "of a run without arguments; 2 after \"Finished.\" with -strict and a WARNING",
    "or CHECK; 1 after every other end.",
    "",
};

// What an argument asks for when it asks for information instead of a run.
enum class InfoRequest { None, Help, Version };

// Length of the option introducer at the start of an argument, 0 when the
// argument is a file name. The en dash of word processors counts both as the
// Windows-1252 byte and as its UTF-8 form.
std::size_t introducerLength(RunContext& run, const std::string& arg) {
  if (arg.empty()) return 0;
  unsigned char c = static_cast<unsigned char>(arg[0]);
  if (c == '-' || c == 0x96) return 1;
  if (arg.size() >= 3 && c == 0xE2 && static_cast<unsigned char>(arg[1]) == 0x80 &&
      static_cast<unsigned char>(arg[2]) == 0x93)
    return 3;
  if (c == '/') return slashArgumentIsFileName(arg, run.fs.exists(arg)) ? 0 : 1;
  return 0;
}

// True when the leading `n` characters of the option word are `name`.
bool optionIs(const std::string& word, std::string_view name) {
  return ASAME(std::string_view(word).substr(0, std::min(word.size(), name.size())), name) &&
         word.size() >= name.size();
}

// The option word of an argument (the part after its introducer); false for a file name.
bool optionWord(RunContext& run, const std::string& argument, std::string& word) {
  const std::string arg = argument.substr(0, std::min(argument.size(), kArgWidth));
  const std::size_t intro = introducerLength(run, arg);
  if (intro == 0) return false;
  word = arg.substr(intro);
  return true;
}

// --help, -help, /? and --version, -version: the first of them on the command line wins.
InfoRequest infoRequest(RunContext& run, const std::vector<std::string>& args) {
  std::string word;
  for (std::size_t i = 1; i < args.size(); ++i) {
    if (!optionWord(run, args[i], word)) continue;
    if (word.rfind('-', 0) == 0) word.erase(0, 1);  // the doubled introducer of --help and --version
    if (optionIs(word, "help") || word == "?") return InfoRequest::Help;
    if (optionIs(word, "version")) return InfoRequest::Version;
  }
  return InfoRequest::None;
}

// -batch holds from the first line on, wherever it stands: a stop while the
// command line is read must not wait either.
bool batchRequested(RunContext& run, const std::vector<std::string>& args) {
  std::string word;
  for (std::size_t i = 1; i < args.size(); ++i)
    if (optionWord(run, args[i], word) && optionIs(word, "batch")) return true;
  return false;
}

// The text after the first colon of an option word such as -savedate:off; false when there is no colon.
bool optionValue(const std::string& word, std::string& value) {
  const std::size_t colon = word.find(':');
  if (colon == std::string::npos) return false;
  value = word.substr(colon + 1);
  return true;
}

void readSaveDate(RunContext& run, const std::string& word) {
  std::string value;
  optionValue(word, value);
  if (optionIs(value, "error")) {
    run.settings.saveDate = SaveDateCheck::Error;
  } else if (optionIs(value, "warning")) {
    run.settings.saveDate = SaveDateCheck::Warning;
  } else if (optionIs(value, "off")) {
    run.settings.saveDate = SaveDateCheck::Off;
  } else {
    run.newline();
    run.error("Unknown save-date setting \"-" + word + "\": use -savedate:error, -savedate:warning or -savedate:off");
    run.exits(kExitFailure);
  }
}

void readOutFolder(RunContext& run, const std::string& word) {
  std::string folder;
  if (!optionValue(word, folder) || significant(TRIMF(folder)).empty()) {
    run.newline();
    run.error("No output folder named in \"-" + word + "\": write it as -out:FOLDER");
    run.exits(kExitFailure);
  }
  run.settings.outOption = std::string(significant(TRIMF(folder)));
}

void readCrs(RunContext& run, const std::string& word) {
  std::string definition;
  if (!optionValue(word, definition) || significant(TRIMF(definition)).empty()) {
    run.newline();
    run.error("No coordinate system named in \"-" + word + "\": write it as -crs:EPSG:nnnn, a .prj file or WKT");
    run.exits(kExitFailure);
  }
  run.settings.crsOption = std::string(significant(TRIMF(definition)));
}

void readDimension(RunContext& run, const std::string& word, int& dimension, const char* label) {
  std::string rest = word.size() > 3 ? word.substr(3) : std::string();
  FreeFormatReader reader(rest);
  std::int32_t value = dimension;
  if (!reader.readInt(value) || value < 1) {
    run.newline();
    run.worded(Severity::Error, "ERROR reading data");
    run.newline();
    run.exits(kExitFailure);
  }
  dimension = value;
  run.newline();
  run.say(std::string("Overwriting ") + label + " dimension.");
}

// An interrupt ends the run from a thread of its own. The staged file system
// takes turns with it, so it finds the run between two steps on disk: it
// removes the run's files (putting the earlier outputs back when the commit
// had begun) while the run's own thread waits at its next step for good.
void endInterruptedRun(RunContext& run) {
  switch (run.staged.interrupt()) {
    case StagedFileSystem::Interruption::Finished:
      endInterrupted("");  // every output is in place: nothing to undo, nothing to say
    case StagedFileSystem::Interruption::NothingWritten:
      endInterrupted("\nERROR - Interrupted - nothing was written");
    case StagedFileSystem::Interruption::Restored:
      endInterrupted("\nERROR - Interrupted - the earlier outputs were restored");
    case StagedFileSystem::Interruption::NotRestored:
      endInterrupted("\nERROR - Interrupted - the earlier outputs could not all be restored: the next Kestrix run "
                     "into this folder restores them");
  }
}

// The run's handler of interrupts while the run lives.
class InterruptScope {
 public:
  explicit InterruptScope(RunContext& run) {
    setInterruptHandler([&run] { endInterruptedRun(run); });
  }
  ~InterruptScope() { setInterruptHandler({}); }
  InterruptScope(const InterruptScope&) = delete;
  InterruptScope& operator=(const InterruptScope&) = delete;
};
// The switches that only turn something on.
struct Switch {
  std::string_view word;  // the option word's leading letters
  bool Settings::*flag;   // what it turns on
};
constexpr Switch kSwitches[] = {{"trim", &Settings::optTrim},   {"ppol", &Settings::optPpol},
                                {"quiet", &Settings::optQuiet}, {"gpkg", &Settings::optGpkg},
                                {"html", &Settings::optHtml},   {"bedm", &Settings::optBedM},
                                {"batch", &Settings::optBatch}};

// The dimensions, the modes and the resistance letters; false when the word is none of them.
bool readOriginalOption(RunContext& run, const std::string& word) {
  Settings& set = run.settings;
  // A dimension and the MIKE 11 mode begin with M as well, but only the
  // letter options choose what the resistance values are.
  if (optionIs(word, "mxs")) {
    readDimension(run, word, set.mxs, "mxs");
  } else if (optionIs(word, "mpt")) {
    readDimension(run, word, set.mpt, "mpt");
  } else if (optionIs(word, "mlp")) {
    readDimension(run, word, set.mlp, "mlp");
  } else if (optionIs(word, "M11")) {
    set.mode = RunMode::Mike11;
  } else if (optionIs(word, "N2M")) {
    set.mnrType = ResistanceType::Material;
    set.optN2M = true;
  } else if (optionIs(word, "M")) {
    set.mnrType = ResistanceType::Material;
  } else if (optionIs(word, "N")) {
    set.mnrType = ResistanceType::Manning;
  } else if (optionIs(word, "R")) {
    set.mnrType = ResistanceType::Relative;
  } else if (optionIs(word, "ISIS")) {
    if (set.mode != RunMode::Mike11) set.mode = RunMode::Isis;
  } else {
    return false;
  }
  return true;
}

// The options added since; false when the word is none of them.
bool readAddedOption(RunContext& run, const std::string& word) {
  Settings& set = run.settings;
  for (const Switch& s : kSwitches) {
    if (!optionIs(word, s.word)) continue;
    set.*s.flag = true;
    return true;
  }
  if (optionIs(word, "savedate")) {
    readSaveDate(run, word);
  } else if (optionIs(word, "out")) {
    readOutFolder(run, word);
  } else if (optionIs(word, "crs")) {
    readCrs(run, word);
  } else if (!readTerrainOption(run, word) && !readCheckOption(run, word)) {
    return false;
  }
  return true;
}

}  // namespace

void printUsage(RunContext& run) {
  for (const char* line : kUsage) run.say(line);
  // The usage text lists the original options only; the rest are one word away.
  run.say(kHelpPointer);
  run.say("");
}

void printHelp(RunContext& run) {
  for (const char* line : kUsage) run.say(line);
  for (const char* line : kAddedOptions) run.say(line);
}

void readCommandLine(RunContext& run, const std::vector<std::string>& args) {
  Settings& set = run.settings;
  set.optBatch = batchRequested(run, args);
  if (args.size() <= 1) {
    printUsage(run);
    run.exits(kExitSuccess);
  }
  run.newline();
  run.say("Executable: " + std::string(significant(args[0])));
  run.report.commandLine = args;
  set.inFiles.reserve(args.size());
  std::string word;
  for (std::size_t i = 1; i < args.size(); ++i) {
    if (!optionWord(run, args[i], word)) {
      set.inFiles.push_back(args[i].substr(0, std::min(args[i].size(), kArgWidth)));
      continue;
    }
    const bool known = readOriginalOption(run, word) || readAddedOption(run, word);
    if (!known) {
      run.newline();
      run.warning("Unknown option \"" + std::string(significant(args[i].substr(0, kArgWidth))) +
                  "\" was ignored: kestrix --help lists the options");
    }
  }
  if (set.inFiles.empty()) {
    // Options alone leave no layer to read and no folder to write into.
    printUsage(run);
    run.exits(kExitFailure);
  }
}

void allocateStore(RunContext& run) {
  const Settings& set = run.settings;
  run.newline();
  run.say("Allocating Memory Based on the following array sizes:");
  run.say("   Maximum number of cross-sections (mxs): " + AINTEGER(set.mxs));
  run.say("   Maximum number of point per cross-section (mpt): " + AINTEGER(set.mpt));
  run.say("   Maximum number of vertices on -ppol line (mlp: " + AINTEGER(set.mlp));
  // The store grows with the sections actually read, so nothing is reserved
  // here beyond what the limits need to be checked against.
  run.tally.linesFound = false;
  run.tally.errFound = false;
}

namespace {

// The console is part of the run: a log cut off by a full disk is a failed
// run, though a run that finished has its outputs in place.
int consoleEnd(RunContext& run, int status) {
  const std::string failure = run.console.writeFailure();
  if (failure.empty()) return status;
  const bool written = status != kExitFailure && run.tally.csvWritten > 0;
  run.console.writeErrorLine("kestrix: the console output could not be written (" + failure + ")" +
                             (written ? " - the outputs were written" : ""));
  return kExitFailure;
}

}  // namespace

int runKestrix(const std::vector<std::string>& args, Console& console, FileSystem& fs, BackgroundWrites* background) {
  RunContext run(console, fs, background);
  const InterruptScope interrupts(run);
  // Before the first file of a folder is written, what stopped runs left there is put right.
  run.staged.beforeFirstWrite(
      [&run](const std::string& folder) { prepareOutputFolder(run, run.fs, folder, run.staged.processId()); });
  try {
    try {
      run.units.INITUNITS(1000);
      // Asked for the help text or the version, the program answers and ends
      // at once: nothing else is printed and nothing waits.
      switch (infoRequest(run, args)) {
        case InfoRequest::Help:
          printHelp(run);
          run.halt(kExitSuccess);
        case InfoRequest::Version:
          run.say(kVersionLine);
          run.halt(kExitSuccess);
        case InfoRequest::None:
          break;
      }
      run.staged.enable(currentProcessId());
      run.newline();
      run.say("Build 2019-08-AA-iSP");
      readCommandLine(run, args);
      checkGdalArguments(run);
      allocateStore(run);
      if (run.settings.mode != RunMode::Gis) {
        converterRun(run);
      } else {
        gisRun(run);
      }
      run.exits(kExitSuccess);
    } catch (const std::bad_alloc&) {
      run.error("Could not allocate enough memory (RAM).");
      run.exits(kExitFailure);
    }
  } catch (const RunEnd& end) {
    console.flush();
    return consoleEnd(run, end.status);
  }
}

}  // namespace kestrix
