#pragma once
// Positions at which a section's line is sampled: at a fixed spacing along
// the line, at every vertex and at its end, each with the offset a surveyed
// point at the same place would get.

#include <vector>

namespace kestrix {

/// One position along a line.
struct LineSample {
  double x = 0.0;      ///< map X
  double y = 0.0;      ///< map Y
  double along = 0.0;  ///< distance along the line from its first vertex
  float offset = 0.0f; ///< plan distance from the line's first vertex, as a surveyed point's offset
};

/// The offset of the point (x, y) from the reference point (refX, refY): the plan distance between them, computed as
/// the offsets of surveyed points are, so that points of both kinds share one frame.
float planOffset(double refX, double refY, double x, double y);

/// The samples of the line through the vertices (xs[i], ys[i]), in order along it: at every positive multiple of
/// `spacing` of distance along the line that lies on it, at every vertex and at its last vertex, one sample where
/// these coincide. A line of one vertex gives that vertex; a spacing that is not positive and finite gives the
/// vertices alone; vertices on the one before them add nothing.
std::vector<LineSample> lineSamples(const std::vector<double>& xs, const std::vector<double>& ys, double spacing);

}  // namespace kestrix
