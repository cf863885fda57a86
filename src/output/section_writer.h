#pragma once
// The output of every mode: one .csv cross-section file per usable section and
// the 1d_xs, _xs_bed_points and _xs_all_points layers.
//
// Module output: the sinks that write a run's results (the .csv files, the
// three section layers, the MIKE 11 network layers). It may call every module
// below it, converters included for the MIKE 11 types; never the driver.

#include <string>

#include "store/workspace.h"

namespace kestrix {

struct ReportRecord;

/// Writes every section whose use flag is set into the output folder, and the HTML report of the run when `report` is given.
void xsWriteSections(Workspace& ctx, const ReportRecord* report = nullptr);

}  // namespace kestrix
