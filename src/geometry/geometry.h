#pragma once
// Plan geometry shared by the line reader and the ordering of sections.

namespace kestrix {

/// Plan distance of two points given in double precision, in single precision (0 below 1e-6 per axis).
float DISTANCE_8(double x1, double y1, double x2, double y2);

}  // namespace kestrix
