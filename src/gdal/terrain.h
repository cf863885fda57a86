#pragma once
// The terrain model read through GDAL: DEMs of any raster format GDAL opens
// (GeoTIFF, VRT, ESRI ASCII grid, ...), band 1 as elevation, each opened once
// and read by blocks kept in a small cache of decoded cells, so that the
// samples of neighbouring sections decode a block once.

#include <cstddef>
#include <cstdint>
#include <list>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "base/reporter.h"
#include "geometry/terrain.h"

class GDALDataset;
class GDALRasterBand;
class OGRSpatialReference;

namespace kestrix {

/// How the DEMs' values are taken.
struct TerrainSettings {
  TerrainSampling sampling = TerrainSampling::kBilinear;  ///< bilinear or nearest
  double zFactor = 1.0;                                   ///< factor on every value after the band's scale and offset
  std::size_t cacheBytes = std::size_t{64} << 20;         ///< decoded cells kept at most, over all DEMs
};

/// Something the run must say about a DEM before it reads anything: an ERROR ends the run, a WARNING does not.
struct TerrainFinding {
  Severity severity = Severity::Warning;  ///< Error or Warning
  std::string text;                       ///< what follows "WORD - "
};

/// A coordinate system GDAL made, freed by GDAL.
using GdalSystem = std::unique_ptr<OGRSpatialReference, void (*)(OGRSpatialReference*)>;

/// The coordinate system of the layer the file argument `first` names (a source "file[:layer]" of another format or a
/// MIF layer) as GDAL reads it; null when the layer has none, is not placed on the earth (a MapInfo NonEarth system)
/// or cannot be opened (its reader then says why).
GdalSystem gdalLayerSystem(const std::string& first);

/// DEMs read through GDAL, in priority order.
class GdalTerrain final : public Terrain {
 public:
  /// A terrain of no DEM yet.
  explicit GdalTerrain(const TerrainSettings& settings);
  /// Closes the DEMs.
  ~GdalTerrain() override;
  GdalTerrain(const GdalTerrain&) = delete;
  GdalTerrain& operator=(const GdalTerrain&) = delete;

  /// Opens the DEMs `files` in priority order and checks each against `layers`, the layers' coordinate system (null
  /// when they have none): what the run must say, in the order of the files. A DEM with an ERROR is not used.
  std::vector<TerrainFinding> open(const std::vector<std::string>& files, const OGRSpatialReference* layers);

  /// The elevation at (x, y) from the first DEM that has a value there, and that DEM's index.
  bool elevation(double x, double y, double& z, int& source) override;
  /// The number of DEMs opened.
  int count() const override { return static_cast<int>(dems_.size()); }
  /// The file name of DEM `source`, as given.
  std::string name(int source) const override;
  /// The smallest cell size of the DEMs.
  double finestCell() const override;
  /// The first failure to read cells, empty when none.
  std::string failure() const override { return failure_; }

 private:
  struct Dem {
    std::string file;
    GDALDataset* dataset = nullptr;
    GDALRasterBand* band = nullptr;
    int width = 0;
    int height = 0;
    double toCell[6] = {};  // map position to fractional column and row
    double cellSize = 0.0;
    int blockWidth = 0;
    int blockHeight = 0;
    int typeBytes = 0;
    int dataType = 0;        // the band's GDALDataType
    bool hasNoData = false;
    double noData = 0.0;     // as the cells hold it, before scale and offset
    double scale = 1.0;
    double offset = 0.0;
  };
  struct Block {
    std::uint64_t key = 0;
    std::vector<double> cells;  // final elevations by row; NaN where a cell has no value
  };

  bool valueOf(const Dem& dem, int index, double column, double row, double& z);
  double cell(int index, int column, int row);
  const Block& cachedBlock(int index, int blockX, int blockY);
  Block& block(int index, int blockX, int blockY);
  void decode(const Dem& dem, int blockX, int blockY, std::vector<double>& cells);

  TerrainSettings settings_;
  std::vector<Dem> dems_;
  std::list<Block> blocks_;  // most recently used first
  std::unordered_map<std::uint64_t, std::list<Block>::iterator> index_;
  std::size_t cachedBytes_ = 0;
  const Block* last_ = nullptr;  // the block of the last cell read, looked at first
  std::vector<unsigned char> raw_;
  std::string failure_;
};

}  // namespace kestrix
