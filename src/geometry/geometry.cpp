#include "geometry/geometry.h"

#include <cmath>

namespace kestrix {

namespace {
constexpr float kCoincident = 1e-6f;  // per-axis differences below this count as none
}

float DISTANCE_8(double x1, double y1, double x2, double y2) {
  const float dx = std::fabs(static_cast<float>(x2 - x1));
  const float dy = std::fabs(static_cast<float>(y2 - y1));
  if (dx < kCoincident && dy < kCoincident) return 0.0f;
  return std::sqrt(dx * dx + dy * dy);
}

}  // namespace kestrix
