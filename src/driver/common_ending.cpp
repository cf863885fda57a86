#include "driver/gis_formats.h"
#include "driver/modes.h"
#include "driver/run_context.h"
#include "driver/run_end_report.h"
#include "files/file_units.h"
#include "output/section_writer.h"

namespace kestrix {

namespace {

// A section the writer would write with at least one point in it.
bool anyUsableSection(RunContext& ctx) {
  for (int s = 1; s <= ctx.store.nxs(); ++s) {
    const Section& sec = ctx.store[s];
    if (sec.use && sec.ptCount(Group::kLeft) + sec.ptCount(Group::kCentre) + sec.ptCount(Group::kRight) > 0) return true;
  }
  return false;
}

}  // namespace

void commonEnding(RunContext& ctx, GisFormats& formats) {
  if (ctx.tally.errFound) {
    ctx.newline();
    ctx.worded(Severity::Error, "ERRORS were found - see above [3]");
    ctx.exits(kExitFailure);
  }
  if (!anyUsableSection(ctx)) {
    // Empty layers under a "Finished." would pass a failed run off as a good one.
    ctx.newline();
    ctx.error("No cross-section was found in the inputs - nothing written");
    ctx.exits(kExitFailure);
  }
  readyOutFolder(ctx);
  xsWriteSections(ctx, formats.sectionSink(), ctx.settings.optHtml ? &ctx.report : nullptr);
  formats.finish();
  commitOutputs(ctx, ctx.staged);
  printSummary(ctx);
  ctx.newline();
  ctx.say("Finished.");
  ctx.exits(kExitSuccess);
}

}  // namespace kestrix
