// Point in polygon over the land-use polygons: the grid cell of the position
// names the polygons whose boxes reach into it, in the layer's order; the
// first whose rings hold the position gives its value. Rings are tested by
// even-odd crossings of a ray towards +X.

#include <algorithm>
#include <cmath>
#include <limits>

#include "gdal/land_use.h"

namespace kestrix {

namespace {

// A polygon of more edges than this gets bands; below it a scan is as fast.
constexpr std::uint32_t kEdgesScanned = 16;
// Edges per band aimed at, and most bands a polygon gets.
constexpr std::uint32_t kEdgesPerBand = 4;
constexpr std::uint32_t kMostBands = 1u << 16;
// The grid has about this many cells per polygon, and at most this many along a side.
constexpr double kCellsPerPart = 2.0;
constexpr int kMostCellsAlong = 4096;
// Entries of the bands and of the grid are kept to this many per edge or polygon
// (besides one per band or cell): boxes or edges that span a great many cells
// make the cells coarser rather than the index larger.
constexpr std::uint64_t kEntriesPerItem = 8;

// The slice of [low, low + count / scale) that `v` lies in, clamped to the slices there are. Monotone in `v`, so
// a value between two others lies in a slice between theirs.
std::uint32_t sliceOf(double v, double low, double scale, std::uint32_t count) {
  const double at = (v - low) * scale;
  if (!(at > 0.0)) return 0;
  return at >= static_cast<double>(count) ? count - 1 : static_cast<std::uint32_t>(at);
}

}  // namespace

void GdalLandUse::clear() {
  file_.clear();
  field_.clear();
  values_.clear();
  parts_.clear();
  edges_.clear();
  bandStart_.clear();
  bandEdges_.clear();
  gridMinX_ = gridMinY_ = 0.0;
  gridMaxX_ = gridMaxY_ = -1.0;
  cellsPerX_ = cellsPerY_ = 0.0;
  columns_ = rows_ = 0;
  cellStart_.clear();
  cellParts_.clear();
}

// One polygon from its rings (outer ring and holes alike: even-odd counting
// needs no telling them apart), each as X, Y pairs. Rings that enclose no area
// or have a coordinate that is not a number hold nothing and are left out; a
// ring that does not end on its first vertex is closed.
void GdalLandUse::addPart(const std::vector<std::vector<double>>& rings, std::uint32_t feature) {
  Part part{};
  part.feature = feature;
  part.edgeBegin = static_cast<std::uint32_t>(edges_.size());
  part.minX = part.minY = std::numeric_limits<double>::infinity();
  part.maxX = part.maxY = -std::numeric_limits<double>::infinity();
  for (const std::vector<double>& xy : rings) {
    const std::size_t n = xy.size() / 2;
    if (n < 3 || !std::all_of(xy.begin(), xy.end(), [](double v) { return std::isfinite(v); })) continue;
    double area = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
      const std::size_t j = (i + 1) % n;
      area += xy[2 * i] * xy[2 * j + 1] - xy[2 * j] * xy[2 * i + 1];
    }
    if (area == 0.0) continue;
    for (std::size_t i = 0; i < n; ++i) {
      const std::size_t j = (i + 1) % n;
      Edge e{xy[2 * i], xy[2 * i + 1], xy[2 * j], xy[2 * j + 1]};
      if (e.x0 == e.x1 && e.y0 == e.y1) continue;
      if (e.y1 < e.y0 || (e.y1 == e.y0 && e.x1 < e.x0)) e = Edge{e.x1, e.y1, e.x0, e.y0};
      edges_.push_back(e);
      part.minX = std::min(part.minX, std::min(e.x0, e.x1));
      part.maxX = std::max(part.maxX, std::max(e.x0, e.x1));
      part.minY = std::min(part.minY, e.y0);
      part.maxY = std::max(part.maxY, e.y1);
    }
  }
  part.edgeEnd = static_cast<std::uint32_t>(edges_.size());
  if (part.edgeEnd == part.edgeBegin) return;
  buildBands(part);
  parts_.push_back(part);
}

// A ray at height y meets only the edges whose heights span y, so the edges
// are sorted into bands of the polygon's height; each band lists every edge
// that reaches into it.
void GdalLandUse::buildBands(Part& part) {
  const std::uint32_t edges = part.edgeEnd - part.edgeBegin;
  const double height = part.maxY - part.minY;
  if (edges <= kEdgesScanned || !(height > 0.0)) return;
  std::uint32_t bands = std::min(edges / kEdgesPerBand, kMostBands);
  double scale = 0.0;
  for (;; bands = (bands + 1) / 2) {
    scale = bands / height;
    std::uint64_t entries = 0;
    for (std::uint32_t i = part.edgeBegin; i < part.edgeEnd; ++i) {
      const Edge& e = edges_[i];
      entries += sliceOf(e.y1, part.minY, scale, bands) - sliceOf(e.y0, part.minY, scale, bands) + 1;
    }
    if (bands == 1 || entries <= kEntriesPerItem * edges) break;
  }
  if (bands == 1) return;
  part.bands = bands;
  part.bandScale = scale;
  part.bandBegin = static_cast<std::uint32_t>(bandStart_.size());
  const std::size_t first = bandStart_.size();
  bandStart_.resize(first + bands + 1, 0);
  for (std::uint32_t i = part.edgeBegin; i < part.edgeEnd; ++i) {
    const Edge& e = edges_[i];
    for (std::uint32_t b = sliceOf(e.y0, part.minY, scale, bands); b <= sliceOf(e.y1, part.minY, scale, bands); ++b)
      ++bandStart_[first + b + 1];
  }
  bandStart_[first] = static_cast<std::uint32_t>(bandEdges_.size());
  for (std::uint32_t b = 0; b < bands; ++b) bandStart_[first + b + 1] += bandStart_[first + b];
  bandEdges_.resize(bandStart_[first + bands]);
  std::vector<std::uint32_t> next(bandStart_.begin() + static_cast<std::ptrdiff_t>(first),
                                  bandStart_.begin() + static_cast<std::ptrdiff_t>(first + bands));
  for (std::uint32_t i = part.edgeBegin; i < part.edgeEnd; ++i) {
    const Edge& e = edges_[i];
    for (std::uint32_t b = sliceOf(e.y0, part.minY, scale, bands); b <= sliceOf(e.y1, part.minY, scale, bands); ++b)
      bandEdges_[next[b]++] = i;
  }
}

// A uniform grid over the polygons' boxes of about two cells per polygon,
// made coarser while the boxes would fill it with too many entries.
void GdalLandUse::buildGrid() {
  cellStart_.clear();
  cellParts_.clear();
  if (parts_.empty()) return;
  gridMinX_ = gridMinY_ = std::numeric_limits<double>::infinity();
  gridMaxX_ = gridMaxY_ = -std::numeric_limits<double>::infinity();
  for (const Part& p : parts_) {
    gridMinX_ = std::min(gridMinX_, p.minX);
    gridMinY_ = std::min(gridMinY_, p.minY);
    gridMaxX_ = std::max(gridMaxX_, p.maxX);
    gridMaxY_ = std::max(gridMaxY_, p.maxY);
  }
  const double width = gridMaxX_ - gridMinX_;
  const double height = gridMaxY_ - gridMinY_;
  const double cells = std::max(1.0, kCellsPerPart * static_cast<double>(parts_.size()));
  const auto along = [](double n) { return static_cast<int>(std::clamp(std::ceil(n), 1.0, double{kMostCellsAlong})); };
  if (width > 0.0 && height > 0.0) {
    const double side = std::sqrt(width * height / cells);
    columns_ = along(width / side);
    rows_ = along(height / side);
  } else {
    columns_ = width > 0.0 ? along(cells) : 1;
    rows_ = height > 0.0 ? along(cells) : 1;
  }
  const std::uint64_t budget = kEntriesPerItem * parts_.size();
  for (;;) {
    cellsPerX_ = width > 0.0 ? columns_ / width : 0.0;
    cellsPerY_ = height > 0.0 ? rows_ / height : 0.0;
    std::uint64_t entries = 0;
    for (const Part& p : parts_) {
      const std::uint64_t across = sliceOf(p.maxX, gridMinX_, cellsPerX_, columns_) -
                                   sliceOf(p.minX, gridMinX_, cellsPerX_, columns_) + 1;
      const std::uint64_t down =
          sliceOf(p.maxY, gridMinY_, cellsPerY_, rows_) - sliceOf(p.minY, gridMinY_, cellsPerY_, rows_) + 1;
      entries += across * down;
    }
    if (entries <= budget + static_cast<std::uint64_t>(columns_) * rows_ || (columns_ == 1 && rows_ == 1)) break;
    columns_ = (columns_ + 1) / 2;
    rows_ = (rows_ + 1) / 2;
  }
  const auto each = [this](const Part& p, auto&& visit) {
    const std::uint32_t c0 = sliceOf(p.minX, gridMinX_, cellsPerX_, columns_);
    const std::uint32_t c1 = sliceOf(p.maxX, gridMinX_, cellsPerX_, columns_);
    const std::uint32_t r0 = sliceOf(p.minY, gridMinY_, cellsPerY_, rows_);
    const std::uint32_t r1 = sliceOf(p.maxY, gridMinY_, cellsPerY_, rows_);
    for (std::uint32_t r = r0; r <= r1; ++r)
      for (std::uint32_t c = c0; c <= c1; ++c) visit(static_cast<std::size_t>(r) * columns_ + c);
  };
  const std::size_t count = static_cast<std::size_t>(columns_) * rows_;
  cellStart_.assign(count + 1, 0);
  for (const Part& p : parts_) each(p, [this](std::size_t cell) { ++cellStart_[cell + 1]; });
  for (std::size_t cell = 0; cell < count; ++cell) cellStart_[cell + 1] += cellStart_[cell];
  cellParts_.resize(cellStart_[count]);
  std::vector<std::uint32_t> next(cellStart_.begin(), cellStart_.end() - 1);
  for (std::uint32_t i = 0; i < parts_.size(); ++i)
    each(parts_[i], [&](std::size_t cell) { cellParts_[next[cell]++] = i; });
}

// Even-odd with the half-open rule (an edge counts where lowY <= y < highY),
// so that a ray through a vertex counts it once. A position on an edge is
// held: exactly on every vertex and on level and upright edges, and on a
// sloping edge where the crossing worked out for it is the position's X.
// Both polygons beside a shared edge work that crossing out alike (the edge's
// ends are in one order in both), so no position falls between them.
bool GdalLandUse::holds(const Part& part, double x, double y) const {
  const std::uint32_t* begin = nullptr;
  const std::uint32_t* end = nullptr;
  if (part.bands > 0) {
    const std::uint32_t band = sliceOf(y, part.minY, part.bandScale, part.bands);
    begin = bandEdges_.data() + bandStart_[part.bandBegin + band];
    end = bandEdges_.data() + bandStart_[part.bandBegin + band + 1];
  }
  bool inside = false;
  const auto edge = [&](const Edge& e) {
    if (y < e.y0 || y > e.y1) return false;
    if (e.y0 == e.y1) return x >= e.x0 && x <= e.x1;
    if (y == e.y1) return x == e.x1;
    const double cross = e.x0 + (y - e.y0) * (e.x1 - e.x0) / (e.y1 - e.y0);
    if (x == cross) return true;
    if (x < cross) inside = !inside;
    return false;
  };
  if (begin != nullptr) {
    for (const std::uint32_t* i = begin; i != end; ++i)
      if (edge(edges_[*i])) return true;
  } else {
    for (std::uint32_t i = part.edgeBegin; i < part.edgeEnd; ++i)
      if (edge(edges_[i])) return true;
  }
  return inside;
}

bool GdalLandUse::resistance(double x, double y, float& value) {
  if (!(x >= gridMinX_ && x <= gridMaxX_ && y >= gridMinY_ && y <= gridMaxY_)) return false;  // NaN too
  const std::size_t cell =
      static_cast<std::size_t>(sliceOf(y, gridMinY_, cellsPerY_, rows_)) * columns_ +
      sliceOf(x, gridMinX_, cellsPerX_, columns_);
  for (std::uint32_t k = cellStart_[cell]; k < cellStart_[cell + 1]; ++k) {
    const Part& part = parts_[cellParts_[k]];
    if (x < part.minX || x > part.maxX || y < part.minY || y > part.maxY || !holds(part, x, y)) continue;
    const float found = values_[part.feature];
    if (std::isnan(found)) return false;
    value = found;
    return true;
  }
  return false;
}

}  // namespace kestrix
