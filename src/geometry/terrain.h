#pragma once
// Elevations of a terrain model (one or more DEMs in priority order), as the
// run asks for them at the samples along a section's line. Declared here so
// that code built without GDAL can name it; the DEMs themselves are read by
// the GDAL module.

#include <string>

namespace kestrix {

/// How a DEM's value at a position is taken from its cells.
enum class TerrainSampling {
  kBilinear,  ///< bilinear between the four cell centres around the position
  kNearest,   ///< the value of the cell the position lies in
};

/// A terrain model of one or more DEMs: the first DEM that has a value at a position gives it.
class Terrain {
 public:
  /// Closes the DEMs.
  virtual ~Terrain() = default;
  /// The elevation at map position (x, y) and the index of the DEM that gave it; false when no DEM has a value there.
  virtual bool elevation(double x, double y, double& z, int& source) = 0;
  /// The number of DEMs.
  virtual int count() const = 0;
  /// The file name of DEM `source` (from 0), as given.
  virtual std::string name(int source) const = 0;
  /// The smallest cell size of the DEMs, in map units (the default spacing of samples).
  virtual double finestCell() const = 0;
  /// The first failure to read a DEM's cells (GDAL's message, naming the DEM), empty when none; the cells it could
  /// not read had no value.
  virtual std::string failure() const = 0;
};

}  // namespace kestrix
