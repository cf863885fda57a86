#pragma once
// The settings of a run, read from the command line and set by the readers,
// and the tally of what the run has done for its summary.

#include <cstdint>
#include <string>
#include <unordered_set>
#include <vector>

namespace kestrix {

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

/// What the run has done so far, for the summary at its end.
struct RunTally {
  int inputsRead = 0;                   ///< input files handed to a reader or converter
  std::int64_t pointsRead = 0;          ///< points read from the inputs
  int warnings = 0;                     ///< console lines that began with WARNING
  int csvWritten = 0;                   ///< cross-section .csv files written
  std::vector<std::string> removedIds;  ///< sections read but taken out of the store again with a warning
  std::unordered_set<std::string> saveDateWarned;  ///< .mid files already reported with WARNING 0004
};

}  // namespace kestrix
