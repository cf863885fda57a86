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

/// How sections are extended from, or cut from, a terrain model (-dem: and the options that go with it).
struct TerrainOptions {
  std::vector<std::string> dems;  ///< the DEMs of -dem:, in priority order; none: no terrain
  double step = 0.0;              ///< -demstep: spacing of the samples; 0: the finest cell of the DEMs
  bool nearest = false;           ///< -demsample:nearest (bilinear without it)
  double zFactor = 1.0;           ///< -demz: factor on every DEM value
  double gap = -1.0;              ///< -demgap: distance kept free beyond the survey; negative: half the spacing
  double tolerance = 0.5;         ///< -demtol: largest DEM-survey difference at a survey's end without a warning
  std::string landUse;            ///< -landuse: the polygon layer of resistance values, as typed; empty: none
  std::string firstOther;         ///< the first of the options that go with -dem:, as typed; empty: none given
  /// True when the run uses a terrain model.
  bool used() const { return !dems.empty(); }
};

/// The checks of the written sections (-check, -checkbed:) and what a doubtful run ends with (-strict).
struct CheckOptions {
  bool on = false;          ///< -check: look for the mistakes a model run would otherwise find
  double bedJump = 2.0;     ///< -checkbed: the largest bed step between neighbours that passes, in Z units
  bool strict = false;      ///< -strict: a run that wrote its outputs with a WARNING or CHECK ends with status 2
};

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
  TerrainOptions terrain;            ///< the terrain model of -dem: and its options
  CheckOptions checks;               ///< the section checks and -strict
};

/// What the run has found and done so far: the flags its checkpoints test and the counts for its summary.
struct RunTally {
  bool linesFound = false;              ///< some layer holds line objects
  bool errFound = false;                ///< some reader or check reported an error
  int inputsRead = 0;                   ///< input files handed to a reader or converter
  std::int64_t pointsRead = 0;          ///< points read from the inputs
  int warnings = 0;                     ///< WARNING messages said
  int checkLines = 0;                   ///< CHECK messages said
  std::vector<int> checkFindings;       ///< findings of the section checks (-check), by kind
  int csvWritten = 0;                   ///< cross-section .csv files written
  std::vector<std::string> removedIds;  ///< sections read but taken out of the store again with a warning
  std::unordered_set<std::string> saveDateWarned;  ///< .mid files already reported with WARNING 0004
  int sectionsExtended = 0;             ///< surveyed sections given points from the terrain model
  int sectionsCut = 0;                  ///< sections cut wholly from the terrain model
  std::int64_t demPoints = 0;           ///< points taken from the terrain model
  int sidesCutShort = 0;                ///< sides of extended sections that ended where no DEM had a value
  int datumWarnings = 0;                ///< ends of surveys where DEM and survey disagreed beyond -demtol:
};

}  // namespace kestrix
