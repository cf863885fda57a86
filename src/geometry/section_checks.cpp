#include "geometry/section_checks.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <utility>

namespace kestrix {

namespace {

struct Segment {
  std::size_t line;  // the line it belongs to
  std::size_t k;     // from vertex k to k + 1
  double x0, y0, x1, y1;
  double minX, minY, maxX, maxY;
  bool inner;        // vertex k is an inner vertex of its line, with the vertex before it at (px, py)
  double px, py;
};

// Twice the signed area of the triangle a b c: its sign says on which side of a-b the point c lies.
double orient(double ax, double ay, double bx, double by, double cx, double cy) {
  return (bx - ax) * (cy - ay) - (by - ay) * (cx - ax);
}

bool opposite(double a, double b) { return (a < 0.0 && b > 0.0) || (a > 0.0 && b < 0.0); }

// True when the inner vertex that starts `a` lies strictly inside `b` and its line goes from one side of `b` to the
// other there: a crossing through a vertex. Each inner vertex starts one segment, so it is looked at once.
bool crossesAtStart(const Segment& a, const Segment& b) {
  if (!a.inner || orient(b.x0, b.y0, b.x1, b.y1, a.x0, a.y0) != 0.0) return false;
  const double along = (a.x0 - b.x0) * (b.x1 - b.x0) + (a.y0 - b.y0) * (b.y1 - b.y0);
  const double squared = (b.x1 - b.x0) * (b.x1 - b.x0) + (b.y1 - b.y0) * (b.y1 - b.y0);
  if (!(along > 0.0 && along < squared)) return false;
  return opposite(orient(b.x0, b.y0, b.x1, b.y1, a.px, a.py), orient(b.x0, b.y0, b.x1, b.y1, a.x1, a.y1));
}

// Where two segments of different lines cross: each strictly through the
// other's interior, or through an inner vertex of one line that passes from
// one side of the other to the other. Touching is no crossing.
bool properCrossing(const Segment& a, const Segment& b, double& x, double& y) {
  const double d1 = orient(a.x0, a.y0, a.x1, a.y1, b.x0, b.y0);
  const double d2 = orient(a.x0, a.y0, a.x1, a.y1, b.x1, b.y1);
  const double d3 = orient(b.x0, b.y0, b.x1, b.y1, a.x0, a.y0);
  const double d4 = orient(b.x0, b.y0, b.x1, b.y1, a.x1, a.y1);
  if (opposite(d1, d2) && opposite(d3, d4)) {
    const double t = d3 / (d3 - d4);
    x = a.x0 + t * (a.x1 - a.x0);
    y = a.y0 + t * (a.y1 - a.y0);
    return true;
  }
  for (const auto& [p, q] : {std::pair<const Segment*, const Segment*>{&a, &b}, {&b, &a}}) {
    if (crossesAtStart(*p, *q)) {
      x = p->x0;
      y = p->y0;
      return true;
    }
  }
  return false;
}

double length(const CheckedLine& line) {
  double sum = 0.0;
  for (std::size_t k = 1; k < line.x.size() && k < line.y.size(); ++k)
    sum += std::hypot(line.x[k] - line.x[k - 1], line.y[k] - line.y[k - 1]);
  return sum;
}

}  // namespace

std::string_view checkName(CheckKind kind) {
  switch (kind) {
    case CheckKind::Crossing: return "crossing";
    case CheckKind::Reversed: return "reversed";
    case CheckKind::OffsetsBack: return "offsets back";
    case CheckKind::RepeatedPoint: return "repeated point";
    case CheckKind::NoData: return "no-data";
    case CheckKind::BedJump: return "bed jump";
    case CheckKind::ShortSection: return "short section";
  }
  return "";
}

std::vector<Crossing> findCrossings(std::span<const CheckedLine> lines) {
  std::vector<Segment> segs;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::size_t n = std::min(lines[i].x.size(), lines[i].y.size());
    for (std::size_t k = 0; k + 1 < n; ++k) {
      Segment s{i, k, lines[i].x[k], lines[i].y[k], lines[i].x[k + 1], lines[i].y[k + 1], 0, 0, 0, 0, k > 0,
                k > 0 ? lines[i].x[k - 1] : 0.0, k > 0 ? lines[i].y[k - 1] : 0.0};
      if (s.x0 == s.x1 && s.y0 == s.y1) continue;
      if (!std::isfinite(s.x0) || !std::isfinite(s.y0) || !std::isfinite(s.x1) || !std::isfinite(s.y1)) continue;
      s.minX = std::min(s.x0, s.x1);
      s.maxX = std::max(s.x0, s.x1);
      s.minY = std::min(s.y0, s.y1);
      s.maxY = std::max(s.y0, s.y1);
      segs.push_back(s);
    }
  }
  if (segs.size() < 2) return {};

  // A grid of about as many cells as segments, its cells no smaller than a
  // typical segment, so that each segment falls into a few cells and each
  // cell holds a few segments.
  double minX = segs[0].minX, minY = segs[0].minY, maxX = segs[0].maxX, maxY = segs[0].maxY;
  double extent = 0.0;
  for (const Segment& s : segs) {
    minX = std::min(minX, s.minX);
    minY = std::min(minY, s.minY);
    maxX = std::max(maxX, s.maxX);
    maxY = std::max(maxY, s.maxY);
    extent += std::max(s.maxX - s.minX, s.maxY - s.minY);
  }
  const double side = std::max(maxX - minX, maxY - minY);
  const double perSide = std::ceil(std::sqrt(static_cast<double>(segs.size())));
  double cell = std::max(side / perSide, extent / static_cast<double>(segs.size()));
  if (!(cell > 0.0)) cell = 1.0;
  const auto cellsAcross = [&](double span) {
    return static_cast<std::int64_t>(std::min(std::floor(span / cell), perSide * 4.0)) + 1;
  };
  const std::int64_t nx = cellsAcross(maxX - minX);
  const std::int64_t ny = cellsAcross(maxY - minY);
  const auto column = [&](double x) { return std::clamp<std::int64_t>(static_cast<std::int64_t>((x - minX) / cell), 0, nx - 1); };
  const auto row = [&](double y) { return std::clamp<std::int64_t>(static_cast<std::int64_t>((y - minY) / cell), 0, ny - 1); };

  // The segments of each cell, as one array in cell order.
  std::vector<std::uint32_t> start(static_cast<std::size_t>(nx * ny) + 1, 0);
  for (const Segment& s : segs)
    for (std::int64_t r = row(s.minY); r <= row(s.maxY); ++r)
      for (std::int64_t c = column(s.minX); c <= column(s.maxX); ++c) ++start[static_cast<std::size_t>(r * nx + c) + 1];
  for (std::size_t i = 1; i < start.size(); ++i) start[i] += start[i - 1];
  std::vector<std::uint32_t> members(start.back());
  std::vector<std::uint32_t> fill(start.begin(), start.end() - 1);
  for (std::size_t i = 0; i < segs.size(); ++i) {
    const Segment& s = segs[i];
    for (std::int64_t r = row(s.minY); r <= row(s.maxY); ++r)
      for (std::int64_t c = column(s.minX); c <= column(s.maxX); ++c)
        members[fill[static_cast<std::size_t>(r * nx + c)]++] = static_cast<std::uint32_t>(i);
  }

  // Each pair of lines keeps its crossing on the earliest segments; a pair of
  // segments is tried only in the cell holding the corner of their common box.
  std::map<std::pair<std::size_t, std::size_t>, std::pair<std::pair<std::size_t, std::size_t>, Crossing>> best;
  for (std::int64_t cellIndex = 0; cellIndex < nx * ny; ++cellIndex) {
    const std::uint32_t from = start[static_cast<std::size_t>(cellIndex)];
    const std::uint32_t to = start[static_cast<std::size_t>(cellIndex) + 1];
    for (std::uint32_t i = from; i < to; ++i) {
      const Segment& a = segs[members[i]];
      for (std::uint32_t j = i + 1; j < to; ++j) {
        const Segment& b = segs[members[j]];
        if (a.line == b.line) continue;
        if (a.maxX < b.minX || b.maxX < a.minX || a.maxY < b.minY || b.maxY < a.minY) continue;
        if (row(std::max(a.minY, b.minY)) * nx + column(std::max(a.minX, b.minX)) != cellIndex) continue;
        Crossing found;
        if (!properCrossing(a, b, found.x, found.y)) continue;
        const Segment& first = a.line < b.line ? a : b;
        const Segment& second = a.line < b.line ? b : a;
        found.first = first.line;
        found.second = second.line;
        const std::pair<std::size_t, std::size_t> order{first.k, second.k};
        const auto [at, added] = best.try_emplace({first.line, second.line}, order, found);
        if (!added && order < at->second.first) at->second = {order, found};
      }
    }
  }
  std::vector<Crossing> out;
  out.reserve(best.size());
  for (const auto& entry : best) out.push_back(entry.second.second);
  return out;
}

std::vector<std::size_t> findReversed(std::span<const CheckedLine> lines, std::span<const int> reach) {
  std::vector<std::size_t> out;
  const auto usable = [&](std::size_t i) {
    const CheckedLine& l = lines[i];
    const std::size_t n = std::min(l.x.size(), l.y.size());
    return n >= 2 && (l.x[n - 1] != l.x[0] || l.y[n - 1] != l.y[0]);
  };
  const auto dx = [&](std::size_t i) { return lines[i].x[lines[i].x.size() - 1] - lines[i].x[0]; };
  const auto dy = [&](std::size_t i) { return lines[i].y[lines[i].y.size() - 1] - lines[i].y[0]; };
  const auto midX = [&](std::size_t i) { return (lines[i].x[lines[i].x.size() - 1] + lines[i].x[0]) / 2.0; };
  const auto midY = [&](std::size_t i) { return (lines[i].y[lines[i].y.size() - 1] + lines[i].y[0]) / 2.0; };
  for (std::size_t i = 1; i + 1 < lines.size(); ++i) {
    if (reach[i - 1] != reach[i] || reach[i + 1] != reach[i]) continue;
    if (!usable(i - 1) || !usable(i) || !usable(i + 1)) continue;
    const double near = 3.0 * length(lines[i]);
    bool against = true;
    for (const std::size_t j : {i - 1, i + 1}) {
      // More than 120 degrees apart: the cosine of the angle is below -1/2.
      const double dot = dx(i) * dx(j) + dy(i) * dy(j);
      const double norms = std::hypot(dx(i), dy(i)) * std::hypot(dx(j), dy(j));
      const bool close = std::hypot(midX(j) - midX(i), midY(j) - midY(i)) <= near;
      if (!close || !(dot < -0.5 * norms)) against = false;
    }
    if (against) out.push_back(i);
  }
  return out;
}

std::vector<std::size_t> findBedJumps(std::span<const std::optional<double>> beds, std::span<const int> reach,
                                      double threshold) {
  std::vector<std::size_t> out;
  for (std::size_t i = 1; i + 1 < beds.size(); ++i) {
    if (reach[i - 1] != reach[i] || reach[i + 1] != reach[i]) continue;
    if (!beds[i - 1] || !beds[i] || !beds[i + 1]) continue;
    const double before = *beds[i] - *beds[i - 1];
    const double after = *beds[i] - *beds[i + 1];
    if ((before > threshold && after > threshold) || (before < -threshold && after < -threshold)) out.push_back(i);
  }
  return out;
}

bool noDataLevel(double z) { return z <= -9000.0 || z >= 9000.0; }

std::vector<RowFinding> checkRows(std::span<const float> x, std::span<const float> z) {
  std::vector<RowFinding> out;
  const std::size_t n = std::min(x.size(), z.size());
  for (std::size_t k = 0; k < n; ++k) {
    if (k > 0 && x[k] < x[k - 1]) out.push_back({CheckKind::OffsetsBack, k});
    if (k > 0 && x[k] == x[k - 1] && z[k] == z[k - 1]) out.push_back({CheckKind::RepeatedPoint, k});
    if (noDataLevel(z[k])) out.push_back({CheckKind::NoData, k});
  }
  return out;
}

}  // namespace kestrix
