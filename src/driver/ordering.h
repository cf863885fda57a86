#pragma once
// Projection of GIS points onto their lines and ordering of every section.

namespace kestrix {

class RunContext;

/// Plan distance of two points given in double precision, in single precision (0 below 1e-6 per axis).
float DISTANCE_8(double x1, double y1, double x2, double y2);

/// Projects the points of every section onto its projection line (-ppol); ends the run after reported errors.
void projectionStage(RunContext& ctx);

/// Checks every section, fills the offsets and orders each position group.
void orderingStage(RunContext& ctx);

}  // namespace kestrix
