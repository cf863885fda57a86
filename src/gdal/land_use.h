#pragma once
// The land-use layer read through GDAL: the first layer of any vector source
// GDAL opens (GeoPackage, shapefile, GeoJSON, MIF regions, ...), read once
// into memory as rings of edges, with a uniform grid over the polygons and,
// in each polygon of many edges, bands of its edges by height, so that a
// lookup tests the few polygons near the position and the few edges at its
// height.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "gdal/terrain.h"
#include "geometry/land_use.h"

class OGRSpatialReference;

namespace kestrix {

/// What the run must say about the land-use layer: the same kind of finding as a DEM's.
using LandUseFinding = TerrainFinding;

/// A land-use argument FILE[:FIELD] taken apart.
struct LandUseName {
  std::string file;   ///< the vector source, as named
  std::string field;  ///< the field named after it; empty for the first numeric field
};

/// Takes FIELD from after the last colon of `argument` (blanks around it cut) when what follows names no path (no
/// slash or backslash) and the text before it is a file that `exists` while the whole is not, so that a drive letter
/// or a connection string stays part of the file.
LandUseName landUseName(std::string_view argument, const std::function<bool(const std::string&)>& exists);

/// Land-use polygons read through GDAL.
class GdalLandUse final : public LandUse {
 public:
  /// A land use of no polygon yet.
  GdalLandUse() = default;
  /// Releases the polygons.
  ~GdalLandUse() override = default;
  GdalLandUse(const GdalLandUse&) = delete;
  GdalLandUse& operator=(const GdalLandUse&) = delete;

  /// Reads the polygons of the source `argument` names (FILE[:FIELD]) and checks its system against `layers`, the
  /// layers' coordinate system (null when they have none): what the run must say. After an ERROR it holds nothing.
  std::vector<LandUseFinding> open(std::string_view argument, const OGRSpatialReference* layers);

  /// The value of the first polygon that holds (x, y).
  bool resistance(double x, double y, float& value) override;
  /// The layer's file name, as given.
  std::string name() const override { return file_; }
  /// The field the values come from.
  std::string field() const override { return field_; }
  /// The number of polygons read (the parts of a multi-polygon counted one by one).
  std::size_t polygons() const { return parts_.size(); }

 private:
  // One edge of a ring, its ends ordered by Y and then X, so that the two
  // polygons on either side of a shared edge see the very same edge.
  struct Edge {
    double x0, y0, x1, y1;
  };
  // One polygon: its box, its edges (every ring's), and, where it has many
  // edges, its bands: the edges that reach into each of `bands` equal slices
  // of its height.
  struct Part {
    double minX, minY, maxX, maxY;
    std::uint32_t feature;
    std::uint32_t edgeBegin, edgeEnd;
    std::uint32_t bandBegin = 0;  // into bandStart_: bands + 1 offsets into bandEdges_
    std::uint32_t bands = 0;      // 0: the edges are scanned in full
    double bandScale = 0.0;       // bands per map unit of height
  };

  bool holds(const Part& part, double x, double y) const;
  void addPart(const std::vector<std::vector<double>>& rings, std::uint32_t feature);
  void buildBands(Part& part);
  void buildGrid();
  void clear();

  std::string file_;
  std::string field_;
  std::vector<float> values_;  // per feature; NaN where its value is null
  std::vector<Part> parts_;    // in the layer's order
  std::vector<Edge> edges_;
  std::vector<std::uint32_t> bandStart_;
  std::vector<std::uint32_t> bandEdges_;
  // The grid: each cell lists, in the layer's order, the polygons whose box reaches into it.
  double gridMinX_ = 0.0, gridMinY_ = 0.0, gridMaxX_ = -1.0, gridMaxY_ = -1.0;
  double cellsPerX_ = 0.0, cellsPerY_ = 0.0;
  int columns_ = 0, rows_ = 0;
  std::vector<std::uint32_t> cellStart_;
  std::vector<std::uint32_t> cellParts_;
};

}  // namespace kestrix
