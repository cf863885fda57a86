#pragma once
// The settings of a run, read from the command line and set by the readers,
// and the tally of what the run has found and done: the flags its
// checkpoints test and the counts for its summary.

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

/// Which branch a run takes: the GIS layers, or one of the two converters.
enum class RunMode {
  Gis,     ///< survey points and lines from MIF/MID layers
  Isis,    ///< ISIS .dat/.asc files (-isis)
  Mike11,  ///< a MIKE 11 model (-m11), which wins over -isis
};

/// What the resistance values of the points are (-M, -N, -R).
enum class ResistanceType {
  Material,  ///< M: material numbers
  Manning,   ///< N: Manning's n
  Relative,  ///< R: relative resistance
};

/// The letter that selects a resistance type and heads its .csv column.
constexpr char resistanceLetter(ResistanceType type) {
  return type == ResistanceType::Manning ? 'N' : type == ResistanceType::Relative ? 'R' : 'M';
}

/// Run settings read from the command line and set by the readers.
struct Settings {
  int mxs = 10000;                   ///< maximum number of cross-sections
  int mpt = 1000;                    ///< maximum number of points per position group
  int mlp = 20;                      ///< maximum number of vertices of a projection line
  ResistanceType mnrType = ResistanceType::Material;  ///< what the resistance values are
  bool optN2M = false;               ///< convert Manning's n to material numbers
  RunMode mode = RunMode::Gis;       ///< the run's branch
  bool optTrim = false;              ///< drop groups L and R of MIKE 11 sections
  bool optPpol = false;              ///< project points onto their lines
  bool optBatch = false;             ///< never wait for Enter and never read the console
  bool optQuiet = false;             ///< leave out the point, section and file-unit lines
  bool optBedM = false;              ///< the MIKE 11 resistance values are Manning's M, used as n = 1/M (-bedm)
  SaveDateCheck saveDate = SaveDateCheck::Error;  ///< the save-date check of input layers
  std::string outOption;             ///< the folder named by -out:, as typed; empty without it
  bool optHtml = false;              ///< also write the report kestrix_report.html (-html)
  std::vector<std::string> inFiles;  ///< file arguments in command-line order
  std::string outFolder;             ///< folder of all outputs, with trailing separator
  bool optGpkg = false;              ///< also write every output layer into kestrix_layers.gpkg
  std::string composedHeader;        ///< header lines of the output layers when the first input is no .mif; empty: copied
  std::string crsOption;             ///< the coordinate system named by -crs:, as typed; empty without it
  std::string crsCoordSys;           ///< with -crs:, the CoordSys line it gives a copied header; empty: none
};

/// What the run has found and done so far: the flags its checkpoints test and the counts for its summary.
struct RunTally {
  bool linesFound = false;              ///< some layer holds line objects
  bool errFound = false;                ///< some reader or check reported an error
  int inputsRead = 0;                   ///< input files handed to a reader or converter
  std::int64_t pointsRead = 0;          ///< points read from the inputs
  int warnings = 0;                     ///< WARNING messages said
  int csvWritten = 0;                   ///< cross-section .csv files written
  std::vector<std::string> removedIds;  ///< sections read but taken out of the store again with a warning
  std::unordered_set<std::string> saveDateWarned;  ///< .mid files already reported with WARNING 0004
};

}  // namespace kestrix
