#pragma once
// Sections from the terrain: surveyed sections extended into the floodplain
// with points sampled from a terrain model along their lines, and sections
// cut wholly from it where a line has no surveyed point. It runs after the
// lines are read (and the points projected) and before the ordering stage,
// which orders the DEM points with the surveyed ones.

#include "base/reporter.h"
#include "base/settings.h"
#include "geometry/land_use.h"
#include "geometry/terrain.h"
#include "store/store.h"

namespace kestrix {

/// What the stage needs besides the sections: the terrain, the optional land use and the options.
struct TerrainWork {
  Terrain& terrain;            ///< the DEMs
  LandUse* landUse = nullptr;  ///< land-use polygons, null without -landuse:
  const Settings& settings;    ///< -demstep: and the others, -ppol, -mpt
};

/// Extends every section that has a line and cuts a section for every line without points; counts what it did in
/// `tally`. Ends the run when a group would hold more than -mpt points.
void terrainStage(Reporter& out, RunTally& tally, SectionStore& store, const TerrainWork& work);

}  // namespace kestrix
