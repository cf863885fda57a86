#pragma once
// The output of every mode: one .csv cross-section file per usable section and
// the 1d_xs, _xs_bed_points and _xs_all_points layers.

#include <string>

#include "store/workspace.h"

namespace kestrix {


/// Writes every section whose use flag is set into the output folder.
void xsWriteSections(Workspace& ctx);

}  // namespace kestrix
