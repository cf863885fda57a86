#include "geometry/line_samples.h"

#include <algorithm>
#include <cmath>

namespace kestrix {

namespace {
// Distances along the line closer than this are one position: a multiple of
// the spacing that falls on a vertex, up to rounding, gives one sample.
constexpr double kSamePosition = 1e-6;
}  // namespace

float planOffset(double refX, double refY, double x, double y) {
  const double dx = x - refX;
  const double dy = y - refY;
  return static_cast<float>(std::sqrt(dx * dx + dy * dy));
}

std::vector<LineSample> lineSamples(const std::vector<double>& xs, const std::vector<double>& ys, double spacing) {
  std::vector<LineSample> samples;
  const std::size_t n = std::min(xs.size(), ys.size());
  if (n == 0) return samples;
  const double x0 = xs[0];
  const double y0 = ys[0];
  const bool stepped = spacing > 0.0 && std::isfinite(spacing);
  auto add = [&](double x, double y, double along) {
    samples.push_back(LineSample{x, y, along, planOffset(x0, y0, x, y)});
  };
  add(x0, y0, 0.0);
  double base = 0.0;  // distance along the line at the segment's start
  // Each multiple is taken as k * spacing rather than by adding the spacing up,
  // so that a long line does not drift off the multiples.
  long long k = 1;
  for (std::size_t j = 1; j < n; ++j) {
    const double ax = xs[j - 1];
    const double ay = ys[j - 1];
    const double length = std::hypot(xs[j] - ax, ys[j] - ay);
    if (length < kSamePosition) continue;  // the vertex stands on the one before
    const double end = base + length;
    if (stepped) {
      for (double at = static_cast<double>(k) * spacing; at < end - kSamePosition;
           at = static_cast<double>(++k) * spacing) {
        if (at - samples.back().along < kSamePosition) continue;  // the vertex just added
        const double t = (at - base) / length;
        add(ax + t * (xs[j] - ax), ay + t * (ys[j] - ay), at);
      }
      // A multiple that falls on the vertex is the vertex.
      while (static_cast<double>(k) * spacing < end + kSamePosition) ++k;
    }
    add(xs[j], ys[j], end);
    base = end;
  }
  return samples;
}

}  // namespace kestrix
