#pragma once
// What the section outputs show, computed from the store: the file name and
// Source of each section before any file is written (every name must be known
// to guard the inputs and size the Source column), then, section by section
// as it is written, the final offset of every point of its .csv, its bed
// point and the vertices of its 1d_xs line. The run's mode decides how the
// view is computed; the sinks only format it.

#include <optional>
#include <string>
#include <vector>

#include "workspace/workspace.h"

namespace kestrix {

/// How a non-zero resistance value is written in a .csv.
enum class Resistance {
  Material1000,  ///< 1000 times the value as a whole number (n converted to a material)
  Material,      ///< the value itself as a whole number
  Decimal,       ///< the value with 3 decimals
};

/// The number a .csv shows for a non-zero resistance value; `decimals` receives its decimals (0 for the whole-number styles).
double writtenResistance(float mnr, Resistance style, int& decimals);

/// One row of a .csv file: the final offset, elevation, resistance and position group.
struct CsvRow {
  float x = 0.0f;    ///< offset from the section's start, summed in single precision
  float z = 0.0f;    ///< elevation
  float mnr = 0.0f;  ///< resistance value
  Group group = Group::kCentre;  ///< position group
  bool dem = false;  ///< taken from the terrain model, not surveyed
};

/// A point taken from the terrain model, as _xs_dem_points shows it.
struct DemPointView {
  double mapX = 0.0;  ///< easting
  double mapY = 0.0;  ///< northing
  float offset = 0.0f;  ///< its offset in the .csv
  float z = 0.0f;     ///< elevation
  float mnr = 0.0f;   ///< resistance value
  Group group = Group::kCentre;  ///< position group
  int dem = 0;        ///< the DEM (from 0) that gave it
};

/// A point drawn in a point layer: map position, the Z of its row and its group.
struct DrawnPoint {
  double mapX = 0.0;  ///< easting
  double mapY = 0.0;  ///< northing
  float z = 0.0f;     ///< the Z of its .mid row
  Group group = Group::kCentre;  ///< position group, which chooses its symbol
};

/// Everything the outputs show of one section.
/// Text the sinks made ahead of a section's writing, beside the run, for its common values (see writeFixedShort): each
/// part whole lines as written; a part left empty is formatted by its sink as it writes.
struct PreparedText {
  std::string csvRows;       ///< the rows of the .csv after its heading
  std::string lineObject;    ///< the section's object in 1d_xs.mif
  std::string pointObjects;  ///< its objects in _xs_all_points.mif
  std::string pointRows;     ///< their rows in _xs_all_points.mid
  /// Empties every part, keeping the storage.
  void clear() {
    csvRows.clear();
    lineObject.clear();
    pointObjects.clear();
    pointRows.clear();
  }
};

struct SectionView {
  int section = 0;                   ///< index in the store
  std::string id;                    ///< the identifier without trailing blanks
  std::string csvPath;               ///< the .csv file as opened
  std::string source;                ///< the Source value of its 1d_xs row
  std::vector<std::string> sources;  ///< the converter's descriptive texts that are not blank
  int reach = 0;                     ///< its input file or MIKE 11 branch, numbered from 0 in the order written
  std::vector<CsvRow> rows;          ///< the .csv rows in order
  std::vector<double> rowMapX;       ///< with the checks: the easting of each row's point, as stored
  std::vector<double> rowMapY;       ///< as rowMapX
  std::string stopMessage;           ///< an inconsistent store ends the run with this text after `rows`; empty when not
  std::vector<double> lineX;         ///< vertices of its 1d_xs line (none: the line is left out)
  std::vector<double> lineY;         ///< as lineX
  std::optional<DrawnPoint> bed;     ///< the bed point, when the section has one
  std::vector<DrawnPoint> points;    ///< the points of _xs_all_points: the surveyed ones
  std::vector<DemPointView> demPoints;  ///< the points taken from the terrain model, for _xs_dem_points
  std::vector<double> guideX;        ///< GIS mode: vertices of the start or projection line as read (none without one)
  std::vector<double> guideY;        ///< as guideX
  const PreparedText* prepared = nullptr;  ///< what the sinks made ahead of writing the section, if anything
};

struct CheckFinding;

/// The view of every section the run writes, in store order; the points of each are filled in as it is written.
struct SectionsView {
  std::vector<SectionView> sections;  ///< the usable sections
  Resistance style = Resistance::Decimal;  ///< how resistance values are written
  char resistanceLetter = 'M';        ///< the resistance type letter of the headings
  std::size_t sourceWidth = 0;        ///< width of the Source column of 1d_xs
  bool pointLayersStayOpen = false;   ///< the point layers are left for the end of the run to close
  std::vector<std::string> demNames;  ///< the DEMs of -dem:, as given; none: no _xs_dem_points layer
  /// With -check: the findings of the checks, complete once the checker, the first sink, is closed; null without.
  const std::vector<CheckFinding>* checks = nullptr;
};

/// Computes the view of every usable section without its points (see viewPoints), warning about .csv names that had
/// to change and over-long paths.
SectionsView viewSections(Workspace& ws);

/// The settings that decide how a section's points are shown, fixed while the sections are written.
struct PointRules {
  RunMode mode = RunMode::Gis;  ///< the run's branch
  bool trim = false;            ///< a MIKE 11 section keeps its centre group alone (-trim)
  bool linesFound = false;      ///< the groups were placed by lines, so their offsets are not chained
  bool ppol = false;            ///< the points were projected onto their lines (-ppol)
  bool checks = false;          ///< the rows' map positions are kept for the section checks (-check)
};

/// The point rules of a run with `settings`, once its readers have filled `tally`.
PointRules pointRules(const Settings& settings, const RunTally& tally);

/// Fills what `v` shows of `sec`'s points (rows, stop message, line, bed, drawn points, guide line), reusing its
/// buffers: one section's points at a time, so that the view does not hold a second copy of the store. It reads
/// nothing but its arguments and reports nothing (an inconsistent section comes back as the stop message), so it
/// may run on another thread while the run writes.
void viewPoints(const Section& sec, const PointRules& rules, SectionView& v);

}  // namespace kestrix
