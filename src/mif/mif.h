#pragma once
// The MIF/MID layer library: opening a layer as a .mif/.mid pair, the
// save-date check against its MapInfo table, reading object keyword lines and
// geometry, copying headers and writing objects.
//
// Module mif: the MIF/MID layer library (opening a layer pair with its
// save-date check, reading objects, writing objects and headers). It may call
// text, platform, base and files.

#include <string>
#include <string_view>
#include <vector>

#include <unordered_set>

#include "base/settings.h"
#include "files/file_units.h"
#include "files/units.h"

namespace kestrix {

/// What opening an input layer needs beyond its files: the save-date check and the layers already warned about.
struct LayerAccess {
  FileAccess& files;                                ///< the file-unit layer
  const SaveDateCheck& saveDate;                    ///< the save-date check of input layers
  std::unordered_set<std::string>& saveDateWarned;  ///< .mid files already reported with WARNING 0004
  bool exportNoteShown = false;                     ///< the note on layers without a MapInfo table has been given
};

/// The kind of object an object keyword line starts.
enum class MifObjectKind {
  Unknown,        ///< not an object keyword line
  None,           ///< NONE: an object without geometry
  Point,          ///< POINT
  Line,           ///< LINE: one straight segment
  Pline,          ///< PLINE, and not PLINE MULTIPLE
  PlineMultiple,  ///< PLINE MULTIPLE
  Region,         ///< REGION
  Ellipse,        ///< ELLIPSE
  Rect,           ///< RECT
  RoundRect,      ///< ROUNDRECT
  Arc,            ///< ARC
  Text,           ///< TEXT
  MultiPoint,     ///< MULTIPOINT
};

/// Description of an object keyword line.
struct miObjectType {
  MifObjectKind kind = MifObjectKind::Unknown;  ///< the object's kind
  int nPolygons = 0;                            ///< polygon count after REGION, 0 otherwise
};

/// Sets the kind to Unknown and clears the polygon count.
void miInitObject(miObjectType& type);

/// Opens `name` (.mif, .mid or a base name) as a pair on two units; an input layer also passes the save-date check.
void miOpenLayer(LayerAccess& layers, std::string_view name, int& geomUnit, int& attrUnit, FileMode mode);

/// Positions the .mif on the line after its "Data" line, with the names of its Columns block in `columns` when given; false after a read error.
bool miSkipHeader(FileAccess& files, int geomUnit, std::vector<std::string>* columns = nullptr);

/// Compares the save dates of the .mid and its .tab; false (both units closed) when the table is newer.
bool miCheckSaveDate(LayerAccess& layers, const std::string& midName, const std::string& tabName, int& geomUnit,
                     int& attrUnit);

/// True when `line` starts with an object keyword; `rest` is then the part of `line` after the keyword.
bool miReadObjectType(FileAccess& files, std::string_view line, std::string_view& rest, miObjectType& type);

/// Reads the geometry of a point, line or pline object from `rest` and the lines after it; node i is x[i-1], y[i-1]. True when a handled kind was read.
bool miReadObject(FileAccess& files, std::string_view rest, int geomUnit, const miObjectType& type, std::vector<double>& x,
                  std::vector<double>& y, int nodeLimit, int& nodeCount, double& centreX, double& centreY);

/// Ends the run with ERROR 0310 when `count` exceeds `limit`.
void miCheckNodes(FileAccess& files, int count, int limit);

/// Appends one point or pline object (nodes x[0..n-1], y[0..n-1]) and its non-blank clause lines to a .mif; false when a coordinate needed 16 columns or more (its text goes to `wide` when that is given and empty).
bool miWriteObject(FileAccess& files, int geomUnit, const miObjectType& type, const double* x, const double* y, int n,
                   std::string_view clause1, std::string_view clause2, std::string* wide = nullptr);

/// Appends to `out` the lines miWriteObject writes, each with its line end, and returns what it returns.
bool miFormatObject(std::string& out, const miObjectType& type, const double* x, const double* y, int n,
                    std::string_view clause1, std::string_view clause2, std::string* wide = nullptr);

/// Opens the header the output layers copy: the composed text when not empty, else the .mif named `mifName`, its
/// CoordSys replaced by `coordSys` (none when that is empty) when that is given.
void miOpenHeaderSource(FileAccess& files, int& unit, const std::string& mifName, const std::string& composed,
                        const std::string* coordSys = nullptr);

/// Copies the header lines before the first "Columns" line (never an object) from one .mif unit to another, declaring the comma delimiter.
void miCopyHeader(FileAccess& files, int fromUnit, int toUnit);

}  // namespace kestrix
