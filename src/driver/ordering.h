#pragma once
// Projection of GIS points onto their lines and ordering of every section.

#include "store/geometry.h"

namespace kestrix {

class RunContext;

/// Projects the points of every section onto its projection line (-ppol); ends the run after reported errors.
void projectionStage(RunContext& ctx);

/// Checks every section, fills the offsets and orders each position group.
void orderingStage(RunContext& ctx);

}  // namespace kestrix
