#include "geometry/section_checks.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>

namespace kestrix {

namespace {

// Pairs of lines whose segments are tried one against the other; more go through a grid.
constexpr std::size_t kMostPairsTried = 1 << 14;

struct Box {
  double minX, minY, maxX, maxY;
};

bool overlap(const Box& a, const Box& b) {
  return a.minX <= b.maxX && b.minX <= a.maxX && a.minY <= b.maxY && b.minY <= a.maxY;
}

Box grown(const Box& b, double x, double y) {
  return {std::min(b.minX, x), std::min(b.minY, y), std::max(b.maxX, x), std::max(b.maxY, y)};
}

std::size_t vertices(const CheckedLine& line) { return std::min(line.x.size(), line.y.size()); }

struct Segment {
  std::size_t line = 0;  // the line it belongs to
  std::size_t k = 0;     // from vertex k to k + 1
  double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  Box box{};
  bool inner = false;    // vertex k is an inner vertex of its line, with the vertex before it at (px, py)
  double px = 0, py = 0;
};

// Segment k of line i; false for one of length zero or with a coordinate that is not a number.
bool segment(std::span<const CheckedLine> lines, std::size_t i, std::size_t k, Segment& s) {
  const CheckedLine& l = lines[i];
  s.line = i;
  s.k = k;
  s.x0 = l.x[k];
  s.y0 = l.y[k];
  s.x1 = l.x[k + 1];
  s.y1 = l.y[k + 1];
  if (!std::isfinite(s.x0) || !std::isfinite(s.y0) || !std::isfinite(s.x1) || !std::isfinite(s.y1)) return false;
  if (s.x0 == s.x1 && s.y0 == s.y1) return false;
  s.box = grown(Box{s.x0, s.y0, s.x0, s.y0}, s.x1, s.y1);
  s.inner = k > 0;
  s.px = k > 0 ? l.x[k - 1] : 0.0;
  s.py = k > 0 ? l.y[k - 1] : 0.0;
  return true;
}

// Calls found(i, j) once for every pair of boxes that overlap, through a grid
// of about as many cells as boxes, its cells no smaller than a typical box:
// each box falls into a few cells and each cell holds a few boxes. A pair is
// tried only in the cell that holds the corner of the box the two share.
template <class Found>
void overlappingPairs(const std::vector<Box>& boxes, Found&& found) {
  if (boxes.size() < 2) return;
  Box all = boxes[0];
  double extent = 0.0;
  for (const Box& b : boxes) {
    all = grown(grown(all, b.minX, b.minY), b.maxX, b.maxY);
    extent += std::max(b.maxX - b.minX, b.maxY - b.minY);
  }
  const double side = std::max(all.maxX - all.minX, all.maxY - all.minY);
  const double perSide = std::ceil(std::sqrt(static_cast<double>(boxes.size())));
  double cell = std::max(side / perSide, extent / static_cast<double>(boxes.size()));
  if (!(cell > 0.0)) cell = 1.0;
  const auto cellsAcross = [&](double span) {
    return static_cast<std::int64_t>(std::min(std::floor(span / cell), perSide * 4.0)) + 1;
  };
  const std::int64_t nx = cellsAcross(all.maxX - all.minX);
  const std::int64_t ny = cellsAcross(all.maxY - all.minY);
  const auto column = [&](double x) {
    return std::clamp<std::int64_t>(static_cast<std::int64_t>((x - all.minX) / cell), 0, nx - 1);
  };
  const auto row = [&](double y) {
    return std::clamp<std::int64_t>(static_cast<std::int64_t>((y - all.minY) / cell), 0, ny - 1);
  };
  // The boxes of each cell, as one array in cell order.
  std::vector<std::uint32_t> start(static_cast<std::size_t>(nx * ny) + 1, 0);
  for (const Box& b : boxes)
    for (std::int64_t r = row(b.minY); r <= row(b.maxY); ++r)
      for (std::int64_t c = column(b.minX); c <= column(b.maxX); ++c) ++start[static_cast<std::size_t>(r * nx + c) + 1];
  for (std::size_t i = 1; i < start.size(); ++i) start[i] += start[i - 1];
  std::vector<std::uint32_t> members(start.back());
  std::vector<std::uint32_t> fill(start.begin(), start.end() - 1);
  for (std::size_t i = 0; i < boxes.size(); ++i)
    for (std::int64_t r = row(boxes[i].minY); r <= row(boxes[i].maxY); ++r)
      for (std::int64_t c = column(boxes[i].minX); c <= column(boxes[i].maxX); ++c)
        members[fill[static_cast<std::size_t>(r * nx + c)]++] = static_cast<std::uint32_t>(i);
  for (std::int64_t cellIndex = 0; cellIndex < nx * ny; ++cellIndex) {
    const std::uint32_t from = start[static_cast<std::size_t>(cellIndex)];
    const std::uint32_t to = start[static_cast<std::size_t>(cellIndex) + 1];
    for (std::uint32_t i = from; i < to; ++i) {
      const Box& a = boxes[members[i]];
      for (std::uint32_t j = i + 1; j < to; ++j) {
        const Box& b = boxes[members[j]];
        if (!overlap(a, b)) continue;
        if (row(std::max(a.minY, b.minY)) * nx + column(std::max(a.minX, b.minX)) != cellIndex) continue;
        found(members[i], members[j]);
      }
    }
  }
}

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
  // First the pairs of lines whose boxes overlap, then, within the box they
  // share, the pairs of their segments: sections far apart cost nothing.
  std::vector<Box> boxes(lines.size(), Box{1.0, 1.0, 0.0, 0.0});  // an empty box overlaps none
  std::vector<std::size_t> placed;
  placed.reserve(lines.size());
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::size_t n = vertices(lines[i]);
    bool first = true;
    for (std::size_t k = 0; k < n; ++k) {
      const double x = lines[i].x[k], y = lines[i].y[k];
      if (!std::isfinite(x) || !std::isfinite(y)) continue;
      boxes[i] = first ? Box{x, y, x, y} : grown(boxes[i], x, y);
      first = false;
    }
    if (!first && n >= 2) placed.push_back(i);
  }
  std::vector<Box> placedBoxes;
  placedBoxes.reserve(placed.size());
  for (const std::size_t i : placed) placedBoxes.push_back(boxes[i]);
  std::vector<std::pair<std::size_t, std::size_t>> candidates;
  overlappingPairs(placedBoxes, [&](std::size_t a, std::size_t b) {
    candidates.emplace_back(std::min(placed[a], placed[b]), std::max(placed[a], placed[b]));
  });
  std::sort(candidates.begin(), candidates.end());

  std::vector<Crossing> out;
  std::vector<Segment> near[2];
  for (const auto& pair : candidates) {
    // Plain names, not a structured binding: the lambda below captures them, which clang's C++20 refuses.
    const std::size_t a = pair.first, b = pair.second;
    const Box shared{std::max(boxes[a].minX, boxes[b].minX), std::max(boxes[a].minY, boxes[b].minY),
                     std::min(boxes[a].maxX, boxes[b].maxX), std::min(boxes[a].maxY, boxes[b].maxY)};
    for (int side = 0; side < 2; ++side) {
      const std::size_t line = side == 0 ? a : b;
      near[side].clear();
      for (std::size_t k = 0; k + 1 < vertices(lines[line]); ++k) {
        Segment s;
        if (segment(lines, line, k, s) && overlap(s.box, shared)) near[side].push_back(s);
      }
    }
    // The pair's first crossing along the earlier line: its least pair of segment numbers.
    bool found = false;
    std::pair<std::size_t, std::size_t> least;
    Crossing best{a, b, 0.0, 0.0};
    const auto consider = [&](const Segment& p, const Segment& q) {
      const Segment& sa = p.line == a ? p : q;
      const Segment& sb = p.line == a ? q : p;
      const std::pair<std::size_t, std::size_t> order{sa.k, sb.k};
      if (found && !(order < least)) return;
      double x = 0.0, y = 0.0;
      if (!overlap(sa.box, sb.box) || !properCrossing(sa, sb, x, y)) return;
      found = true;
      least = order;
      best.x = x;
      best.y = y;
    };
    if (near[0].size() * near[1].size() <= kMostPairsTried) {
      for (const Segment& p : near[0])
        for (const Segment& q : near[1]) consider(p, q);
    } else {
      // Long lines that share much of their box: their segments through a grid of their own.
      std::vector<Segment> both(near[0]);
      both.insert(both.end(), near[1].begin(), near[1].end());
      std::vector<Box> segmentBoxes;
      for (const Segment& s : both) segmentBoxes.push_back(s.box);
      overlappingPairs(segmentBoxes, [&](std::size_t i, std::size_t j) {
        if (both[i].line != both[j].line) consider(both[i], both[j]);
      });
    }
    if (found) out.push_back(best);
  }
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
    // More than 120 degrees apart: the cosine of the angle is below -1/2.
    const auto turned = [&](std::size_t j) {
      return dx(i) * dx(j) + dy(i) * dy(j) < -0.5 * std::hypot(dx(i), dy(i)) * std::hypot(dx(j), dy(j));
    };
    if (!turned(i - 1) || !turned(i + 1)) continue;
    // Only then the line's length, which costs a pass over its vertices.
    const double near = 3.0 * length(lines[i]);
    const auto close = [&](std::size_t j) { return std::hypot(midX(j) - midX(i), midY(j) - midY(i)) <= near; };
    if (close(i - 1) && close(i + 1)) out.push_back(i);
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
