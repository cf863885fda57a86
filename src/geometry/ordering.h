#pragma once
// Projection of GIS points onto their lines and ordering of every section.
//
// Module geometry: plan geometry over the store (plan distance, projection
// onto a line, the order of the points of a section). It works on the
// sections, the run's flags it reads and marks, and the console alone, never
// on the whole run; it may call text, platform, base and store.

#include "base/reporter.h"
#include "base/settings.h"
#include "geometry/geometry.h"
#include "store/store.h"

namespace kestrix {

/// Projects the points of every section onto its projection line (-ppol); ends the run after reported errors.
void projectionStage(Reporter& out, RunTally& tally, SectionStore& store);

/// Checks every section, fills the offsets and orders each position group; marks errFound for a line without C points.
void orderingStage(Reporter& out, RunTally& tally, SectionStore& store);

}  // namespace kestrix
