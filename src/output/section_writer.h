#pragma once
// The output of every mode: one .csv cross-section file per usable section and
// the 1d_xs, _xs_bed_points and _xs_all_points layers.
//
// Module output: the sinks that write a run's results (the .csv files, the
// three section layers, the MIKE 11 network layers, the HTML report). It
// formats the views it is handed (the sections view, the MIKE 11 network
// view) and may call every module up to the workspace; never gis,
// converters, gdal or driver.

#include <functional>
#include <memory>
#include <string>

#include "output/section_sinks.h"
#include "output/section_view.h"
#include "workspace/workspace.h"

namespace kestrix {

struct ReportRecord;

/// Makes one more output of the sections over the run's view (a GeoPackage of the layers), beside the usual ones.
using ExtraSectionSink = std::function<std::unique_ptr<SectionSink>(const SectionsView&)>;

/// Writes every section whose use flag is set into the output folder, through `extra` too when it is given, and the
/// HTML report of the run when `report` is given.
void xsWriteSections(Workspace& ws, const ExtraSectionSink& extra = nullptr, const ReportRecord* report = nullptr);

}  // namespace kestrix
