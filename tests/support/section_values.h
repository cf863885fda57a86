#pragma once
// Matchers for the points of a section: one value of every point in use of a
// group, compared as a list instead of point by point.

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

}  // namespace kestrix::testing
