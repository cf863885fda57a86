#include "driver/modes.h"
#include "driver/ordering.h"
#include "driver/run_context.h"
#include "driver/run_end_report.h"
#include "files/paths.h"
#include "gis/layers.h"
#include "text/text.h"

namespace kestrix {

namespace {
constexpr double kNotFound = -99999.0;  // start point or projection vertex not (yet) read

// The folder of the first layer, or of the .mif the user named in its place
// at the missing-file prompt.
std::string firstLayerFolder(RunContext& ctx) {
  const std::string& first = ctx.settings.inFiles.front();
  std::string mif(significant(TRIMF(first)));
  const std::string ext = FILEEXT(mif);
  if (ext == ".mif" || ext == ".mid") mif = FILENAMEPATH(mif);
  mif += ".mif";
  CLEANPATH(mif);
  const std::string& opened = ctx.units.corrected(mif);
  return FILEFOLDERPATH(opened != mif ? opened : first);
}
}  // namespace

void gisRun(RunContext& ctx) {
  Settings& set = ctx.settings;
  set.gisMode = true;

  for (const std::string& file : set.inFiles) xsReadPoints(ctx, ctx.gis, file);
  if (set.errFound) {
    ctx.say("ERRORS were found - see above");
    ctx.say("error here aaaa");
    ctx.exits(kExitFailure);
  }

  if (set.optPpol && !set.linesFound) {
    // Without any line every point would fall off its (missing) line.
    ctx.newline();
    ctx.say("ERROR - The -ppol option needs line objects to project the points onto, but no layer holds any line "
            "objects");
    ctx.exits(kExitFailure);
  }

  if (set.linesFound) {
    for (int s = 1; s <= ctx.store.nxs(); ++s) {
      Section& sec = ctx.store[s];
      sec.startX = kNotFound;
      sec.startY = kNotFound;
      // Projection vertices not yet read count as missing; the line reader
      // grows the vertex list to what a line really has, never to -mlp.
      if (set.optPpol) {
        sec.ppolX.clear();
        sec.ppolY.clear();
        sec.ppolNv = 0;
      }
    }
    for (const std::string& file : set.inFiles) xsReadLines(ctx, file);
  }
  if (set.errFound) {
    ctx.say("ERRORS were found - see above");
    ctx.exits(kExitFailure);
  }

  if (set.optPpol) projectionStage(ctx);
  orderingStage(ctx);

  set.outFolder = set.outOption.empty() ? firstLayerFolder(ctx) : outOptionFolder(set);
  commonEnding(ctx);
}

}  // namespace kestrix
