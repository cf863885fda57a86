// Values of the DEMs at map positions: the position is taken into each DEM's
// cells through the inverse of its geotransform (rotation included), and the
// cells are read a block at a time into a cache of decoded elevations.

#include "gdal/terrain.h"

#include <gdal_priv.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "gdal/gdal_errors.h"
#include "gdal/terrain_messages.h"

namespace kestrix {

namespace {
constexpr double kNoValue = std::numeric_limits<double>::quiet_NaN();

std::uint64_t blockKey(int index, int blockX, int blockY) {
  return (static_cast<std::uint64_t>(index) << 48) | (static_cast<std::uint64_t>(blockY) << 24) |
         static_cast<std::uint64_t>(blockX);
}
}  // namespace

GdalTerrain::GdalTerrain(const TerrainSettings& settings) : settings_(settings) {}

GdalTerrain::~GdalTerrain() {
  for (Dem& dem : dems_) GDALClose(dem.dataset);
}

std::string GdalTerrain::name(int source) const {
  return source >= 0 && source < count() ? dems_[static_cast<std::size_t>(source)].file : std::string();
}

double GdalTerrain::finestCell() const {
  double finest = 0.0;
  for (const Dem& dem : dems_) {
    if (finest == 0.0 || dem.cellSize < finest) finest = dem.cellSize;
  }
  return finest;
}

bool GdalTerrain::elevation(double x, double y, double& z, int& source) {
  for (std::size_t i = 0; i < dems_.size(); ++i) {
    const Dem& dem = dems_[i];
    const double column = dem.toCell[0] + x * dem.toCell[1] + y * dem.toCell[2];
    const double row = dem.toCell[3] + x * dem.toCell[4] + y * dem.toCell[5];
    if (valueOf(dem, static_cast<int>(i), column, row, z)) {
      source = static_cast<int>(i);
      return true;
    }
  }
  return false;
}

// The value at a fractional cell position, where column c spans [c, c + 1).
// A position on the raster's outer edge is on the raster.
bool GdalTerrain::valueOf(const Dem& dem, int index, double column, double row, double& z) {
  if (!(column >= 0.0 && column <= dem.width && row >= 0.0 && row <= dem.height)) return false;  // NaN too
  if (settings_.sampling == TerrainSampling::kNearest) {
    const int c = std::min(static_cast<int>(column), dem.width - 1);
    const int r = std::min(static_cast<int>(row), dem.height - 1);
    z = cell(index, c, r);
    return !std::isnan(z);
  }
  // Between the centres of the cells around the position; past the outermost
  // centres the edge cells stand in for those beyond them.
  const double u = column - 0.5;
  const double v = row - 0.5;
  const double c0 = std::floor(u);
  const double r0 = std::floor(v);
  const double fu = u - c0;
  const double fv = v - r0;
  const int cLow = std::clamp(static_cast<int>(c0), 0, dem.width - 1);
  const int cHigh = std::clamp(static_cast<int>(c0) + 1, 0, dem.width - 1);
  const int rLow = std::clamp(static_cast<int>(r0), 0, dem.height - 1);
  const int rHigh = std::clamp(static_cast<int>(r0) + 1, 0, dem.height - 1);
  const int columns[2] = {cLow, cHigh};
  const int rows[2] = {rLow, rHigh};
  // The four cells mostly lie in one block: it is looked up once.
  double values[2][2];
  const int blockX = cLow / dem.blockWidth;
  const int blockY = rLow / dem.blockHeight;
  if (cHigh / dem.blockWidth == blockX && rHigh / dem.blockHeight == blockY) {
    const Block& found = cachedBlock(index, blockX, blockY);
    for (int a = 0; a < 2; ++a)
      for (int b = 0; b < 2; ++b)
        values[a][b] = found.cells[static_cast<std::size_t>(rows[a] - blockY * dem.blockHeight) * dem.blockWidth +
                                   static_cast<std::size_t>(columns[b] - blockX * dem.blockWidth)];
  } else {
    for (int a = 0; a < 2; ++a)
      for (int b = 0; b < 2; ++b) values[a][b] = cell(index, columns[b], rows[a]);
  }
  const double columnWeights[2] = {1.0 - fu, fu};
  const double rowWeights[2] = {1.0 - fv, fv};
  double sum = 0.0;
  // A cell of no weight is not used: a position on a cell's centre takes that
  // cell's value even beside a hole.
  for (int a = 0; a < 2; ++a) {
    if (rowWeights[a] == 0.0) continue;
    for (int b = 0; b < 2; ++b) {
      const double weight = rowWeights[a] * columnWeights[b];
      if (weight == 0.0) continue;
      if (std::isnan(values[a][b])) return false;
      sum += weight * values[a][b];
    }
  }
  z = sum;
  return true;
}

double GdalTerrain::cell(int index, int column, int row) {
  const Dem& dem = dems_[static_cast<std::size_t>(index)];
  const int blockX = column / dem.blockWidth;
  const int blockY = row / dem.blockHeight;
  const Block& found = cachedBlock(index, blockX, blockY);
  const std::size_t at = static_cast<std::size_t>(row - blockY * dem.blockHeight) * dem.blockWidth +
                         static_cast<std::size_t>(column - blockX * dem.blockWidth);
  return found.cells[at];
}

const GdalTerrain::Block& GdalTerrain::cachedBlock(int index, int blockX, int blockY) {
  const std::uint64_t key = blockKey(index, blockX, blockY);
  if (last_ == nullptr || last_->key != key) last_ = &block(index, blockX, blockY);
  return *last_;
}

// The block from the cache, decoded on a miss; the least recently used blocks
// leave the cache when it would hold more than its share.
GdalTerrain::Block& GdalTerrain::block(int index, int blockX, int blockY) {
  const std::uint64_t key = blockKey(index, blockX, blockY);
  const auto hit = index_.find(key);
  if (hit != index_.end()) {
    blocks_.splice(blocks_.begin(), blocks_, hit->second);
    return blocks_.front();
  }
  const Dem& dem = dems_[static_cast<std::size_t>(index)];
  const std::size_t bytes = static_cast<std::size_t>(dem.blockWidth) * dem.blockHeight * sizeof(double);
  std::vector<double> cells;
  // At least one block stays, however small the share.
  while (!blocks_.empty() && cachedBytes_ + bytes > settings_.cacheBytes) {
    Block& oldest = blocks_.back();
    cachedBytes_ -= oldest.cells.size() * sizeof(double);
    index_.erase(oldest.key);
    if (&oldest == last_) last_ = nullptr;
    cells = std::move(oldest.cells);  // its memory serves the new block
    blocks_.pop_back();
  }
  decode(dem, blockX, blockY, cells);
  blocks_.push_front(Block{key, std::move(cells)});
  index_.emplace(key, blocks_.begin());
  cachedBytes_ += bytes;
  return blocks_.front();
}

// Reads one block and turns its cells into elevations: no-data (and NaN)
// cells become NaN, the others take the band's scale and offset and then the
// factor. A block GDAL cannot read has no value; its failure is kept.
void GdalTerrain::decode(const Dem& dem, int blockX, int blockY, std::vector<double>& cells) {
  const std::size_t count = static_cast<std::size_t>(dem.blockWidth) * dem.blockHeight;
  cells.resize(count);
  raw_.resize(count * static_cast<std::size_t>(dem.typeBytes));
  CPLErr status = CE_None;
  std::string message;
  {
    const QuietGdal quiet;
    status = dem.band->ReadBlock(blockX, blockY, raw_.data());
    if (status != CE_None) message = quiet.message("the block could not be read");
  }
  if (status != CE_None) {
    if (failure_.empty()) failure_ = demUnreadable(dem.file, message);
    std::fill(cells.begin(), cells.end(), kNoValue);
    return;
  }
  GDALCopyWords64(raw_.data(), static_cast<GDALDataType>(dem.dataType), dem.typeBytes, cells.data(), GDT_Float64,
                  sizeof(double), static_cast<GPtrDiff_t>(count));
  for (double& value : cells) {
    if (std::isnan(value) || (dem.hasNoData && value == dem.noData)) {
      value = kNoValue;
    } else {
      value = (value * dem.scale + dem.offset) * settings_.zFactor;
    }
  }
}

}  // namespace kestrix
