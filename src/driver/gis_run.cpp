#include <memory>
#include <string>
#include <vector>

#include "driver/gis_formats.h"
#include "driver/modes.h"
#include "geometry/ordering.h"
#include "geometry/terrain_extension.h"
#include "driver/run_context.h"
#include "driver/run_end_report.h"
#include "files/paths.h"
#include "gis/layers.h"
#include "gis/source_names.h"
#include "text/text.h"

namespace kestrix {

namespace {

// The folder of the first layer, or of the .mif the user named in its place
// at the missing-file prompt.
std::string firstLayerFolder(RunContext& run) {
  const std::string& first = run.settings.inFiles.front();
  SourceName source;
  if (gdalSourceName(first, source)) {
    std::string file = source.file;
    CLEANPATH(file);
    return FILEFOLDERPATH(run.units.corrected(file));
  }
  std::string mif(significant(TRIMF(first)));
  const std::string ext = FILEEXT(mif);
  if (ext == ".mif" || ext == ".mid") mif = FILENAMEPATH(mif);
  mif += ".mif";
  CLEANPATH(mif);
  const std::string& opened = run.units.corrected(mif);
  // The folder as the layer was opened, doubled separators dropped: the
  // layers then name each .csv as it was opened.
  std::string asGiven = first;
  CLEANPATH(asGiven);
  return FILEFOLDERPATH(opened != mif ? opened : asGiven);
}
}  // namespace

void gisRun(RunContext& run) {
  Settings& set = run.settings;
  set.mode = RunMode::Gis;

  // A file of another format may hold several layers, each read as a layer of its own.
  GisFormats formats(run);
  formats.useCrs();
  if (!set.terrain.used() && !set.terrain.firstOther.empty()) {
    run.newline();
    run.warning(set.terrain.firstOther + " takes effect only with -dem: - ignored");
  }
  // The DEMs are checked before any layer is read.
  std::unique_ptr<LandUse> landUse;
  const std::unique_ptr<Terrain> terrain = formats.openTerrain(landUse);
  std::vector<std::string> layers;
  for (const std::string& file : set.inFiles) {
    for (std::string& layer : formats.layersOf(file)) {
      formats.readPoints(layer);
      layers.push_back(std::move(layer));
    }
  }
  if (run.tally.errFound) {
    run.worded(Severity::Error, "ERRORS were found - see above");
    run.exits(kExitFailure);
  }

  if (set.optPpol && !run.tally.linesFound) {
    // Without any line every point would fall off its (missing) line.
    run.newline();
    run.error(
        "The -ppol option needs line objects to project the points onto, but no layer holds any line "
        "objects");
    run.exits(kExitFailure);
  }

  if (run.tally.linesFound) {
    for (int s = 1; s <= run.store.nxs(); ++s) {
      Section& sec = run.store[s];
      sec.start.reset();
      // Projection vertices not yet read count as missing; the line reader
      // grows the vertex list to what a line really has, never to -mlp.
      if (set.optPpol) {
        sec.ppolX.clear();
        sec.ppolY.clear();
        sec.ppolNv = 0;
      }
    }
    for (const std::string& layer : layers) formats.readLines(layer);
  }
  if (run.tally.errFound) {
    run.worded(Severity::Error, "ERRORS were found - see above");
    run.exits(kExitFailure);
  }

  if (set.optPpol) projectionStage(run, run.tally, run.store);
  if (terrain) {
    terrainStage(run, run.tally, run.store, TerrainWork{*terrain, landUse.get(), set});
    if (!terrain->failure().empty()) {
      run.newline();
      run.warning(terrain->failure());
    }
  }
  orderingStage(run, run.tally, run.store);

  set.outFolder = set.outOption.empty() ? firstLayerFolder(run) : outOptionFolder(set);
  formats.composeHeader(false);
  commonEnding(run, formats);
}

}  // namespace kestrix
