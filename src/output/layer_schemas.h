#pragma once
// The schema of every output layer, the one place where each layer's columns
// are named and sized; the MIF/MID layers and the GeoPackage both take them
// from here.

#include <cstddef>

#include "mif/layer_schema.h"

namespace kestrix {

/// Characters of the DEM column of _xs_dem_points: the longest a MapInfo Char column holds.
constexpr int kDemNameColumn = 254;

/// 1d_xs: one line per section naming its .csv file in a Source column `sourceWidth` characters wide.
LayerSchema sectionLineSchema(std::size_t sourceWidth);

/// _xs_bed_points or _xs_all_points (`name`): a point with the section's identifier and its Z.
LayerSchema sectionPointSchema(const char* name);

/// _xs_dem_points: a point taken from the terrain model with its section, offset, Z, resistance, group and DEM.
LayerSchema demPointSchema();

/// Characters of the Message column of _xs_checks.
constexpr int kCheckMessageColumn = 254;

/// _xs_checks: a finding of the section checks with its section, kind and message.
LayerSchema checkPointSchema();

/// 1d_nwk: one channel between consecutive sections of a MIKE 11 branch.
LayerSchema networkSchema();

/// 1d_branches: the branches of a MIKE 11 network.
LayerSchema branchesSchema();

}  // namespace kestrix
