#pragma once
// Matchers for the points of a section: one value of every point in use of a
// group, compared as a list instead of point by point.

#include <ostream>
#include <vector>

#include "store/store.h"

namespace kestrix::testing {

/// A list of single-precision values, as a group's offsets or elevations are compared.
using F = std::vector<float>;

/// The offsets of the points in use of group g, in order.
inline F offsets(const Section& s, Group g) {
  F v;
  for (int p = 1; p <= s.ptCount(g); ++p) v.push_back(s.point(g, p).x);
  return v;
}

/// The elevations of the points in use of group g, in order.
inline F elevations(const Section& s, Group g) {
  F v;
  for (int p = 1; p <= s.ptCount(g); ++p) v.push_back(s.point(g, p).z);
  return v;
}

/// A stored point as a test writes it: offset, elevation, resistance, then the map position.
struct P {
  float x = 0.0f;
  float z = 0.0f;
  float mnr = 0.0f;
  double mapX = 0.0;
  double mapY = 0.0;
  bool operator==(const P&) const = default;
};

/// Shows a point in a failed comparison.
inline void PrintTo(const P& p, std::ostream* os) {
  *os << "{x " << p.x << ", z " << p.z << ", mnr " << p.mnr << ", at " << p.mapX << ' ' << p.mapY << '}';
}

/// Every point in use of group g, in order, to compare a whole group at once.
inline std::vector<P> pointsOf(const Section& s, Group g) {
  std::vector<P> v;
  for (int p = 1; p <= s.ptCount(g); ++p) {
    const StorePoint& pt = s.point(g, p);
    v.push_back(P{pt.x, pt.z, pt.mnr, pt.mapX, pt.mapY});
  }
  return v;
}

}  // namespace kestrix::testing
