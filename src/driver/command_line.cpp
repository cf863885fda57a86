#include "driver/command_line.h"

#include <new>

#include "driver/modes.h"
#include "driver/run_context.h"
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

// Length of the option introducer at the start of an argument, 0 when the
// argument is a file name. The en dash of word processors counts both as the
// Windows-1252 byte and as its UTF-8 form.
std::size_t introducerLength(RunContext& ctx, const std::string& arg) {
  if (arg.empty()) return 0;
  unsigned char c = static_cast<unsigned char>(arg[0]);
  if (c == '-' || c == 0x96) return 1;
  if (arg.size() >= 3 && c == 0xE2 && static_cast<unsigned char>(arg[1]) == 0x80 &&
      static_cast<unsigned char>(arg[2]) == 0x93)
    return 3;
  if (c == '/') return slashArgumentIsFileName(arg, ctx.fs.exists(arg)) ? 0 : 1;
  return 0;
}

// True when the leading `n` characters of the option word are `name`.
bool optionIs(const std::string& word, std::string_view name) {
  return ASAME(std::string_view(word).substr(0, std::min(word.size(), name.size())), name) &&
         word.size() >= name.size();
}

void readDimension(RunContext& ctx, const std::string& word, int& dimension, const char* label) {
  std::string rest = word.size() > 3 ? word.substr(3) : std::string();
  FreeFormatReader reader(rest);
  std::int32_t value = dimension;
  if (!reader.readInt(value) || value < 1) {
    ctx.newline();
    ctx.say("ERROR reading data");
    ctx.newline();
    ctx.exits(kExitFailure);
  }
  dimension = value;
  ctx.newline();
  ctx.say(std::string("Overwriting ") + label + " dimension.");
}

}  // namespace

void printUsage(RunContext& ctx) {
  for (const char* line : kUsage) ctx.say(line);
}

void readCommandLine(RunContext& ctx, const std::vector<std::string>& args) {
  Settings& set = ctx.settings;
  if (args.size() <= 1) {
    printUsage(ctx);
    ctx.exits(kExitSuccess);
  }
  ctx.newline();
  ctx.say("Executable: " + std::string(significant(args[0])));
  set.inFiles.reserve(args.size());
  for (std::size_t i = 1; i < args.size(); ++i) {
    std::string arg = args[i].substr(0, std::min(args[i].size(), kArgWidth));
    std::size_t intro = introducerLength(ctx, arg);
    if (intro == 0) {
      set.inFiles.push_back(arg);
      continue;
    }
    std::string word = arg.substr(intro);
    if (optionIs(word, "mxs")) {
      readDimension(ctx, word, set.mxs, "mxs");
    } else if (optionIs(word, "mpt")) {
      readDimension(ctx, word, set.mpt, "mpt");
    } else if (optionIs(word, "mlp")) {
      readDimension(ctx, word, set.mlp, "mlp");
    }
    if (optionIs(word, "M")) set.mnrType = 'M';
    if (optionIs(word, "N2M")) {
      set.mnrType = 'M';
      set.optN2M = true;
    } else if (optionIs(word, "N")) {
      set.mnrType = 'N';
    }
    if (optionIs(word, "R")) set.mnrType = 'R';
    if (optionIs(word, "ISIS")) set.optIsis = true;
    if (optionIs(word, "M11")) set.optM11 = true;
    if (optionIs(word, "trim")) set.optTrim = true;
    if (optionIs(word, "ppol")) set.optPpol = true;
  }
  if (set.inFiles.empty()) {
    // Options alone leave no layer to read and no folder to write into.
    printUsage(ctx);
    ctx.exits(kExitFailure);
  }
}

void allocateStore(RunContext& ctx) {
  const Settings& set = ctx.settings;
  ctx.newline();
  ctx.say("Allocating Memory Based on the following array sizes:");
  ctx.say("   Maximum number of cross-sections (mxs): " + AINTEGER(set.mxs));
  ctx.say("   Maximum number of point per cross-section (mpt): " + AINTEGER(set.mpt));
  ctx.say("   Maximum number of vertices on -ppol line (mlp: " + AINTEGER(set.mlp));
  // The store grows with the sections actually read, so nothing is reserved
  // here beyond what the limits need to be checked against.
  ctx.settings.linesFound = false;
  ctx.settings.errFound = false;
}

int runKestrix(const std::vector<std::string>& args, Console& console, FileSystem& fs) {
  RunContext ctx(console, fs);
  try {
    try {
      ctx.units.INITUNITS(1000);
      ctx.staged.enable(currentProcessId());
      ctx.newline();
      ctx.say("Build 2019-08-AA-iSP");
      readCommandLine(ctx, args);
      allocateStore(ctx);
      if (ctx.settings.optIsis || ctx.settings.optM11) {
        converterRun(ctx);
      } else {
        gisRun(ctx);
      }
      ctx.exits(kExitSuccess);
    } catch (const std::bad_alloc&) {
      ctx.say("ERROR - Could not allocate enough memory (RAM).");
      ctx.exits(kExitFailure);
    }
  } catch (const RunEnd& end) {
    console.flush();
    return end.status;
  }
}

}  // namespace kestrix
