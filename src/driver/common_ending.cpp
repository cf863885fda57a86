#include "driver/gis_formats.h"
#include "driver/modes.h"
#include "driver/run_context.h"
#include "driver/run_end_report.h"
#include "files/file_units.h"
#include "output/section_writer.h"

namespace kestrix {

namespace {

// A section the writer would write with at least one point in it.
bool anyUsableSection(RunContext& run) {
  for (int s = 1; s <= run.store.nxs(); ++s) {
    const Section& sec = run.store[s];
    if (sec.use && sec.ptCount(Group::kLeft) + sec.ptCount(Group::kCentre) + sec.ptCount(Group::kRight) > 0) return true;
  }
  return false;
}

}  // namespace

void commonEnding(RunContext& run, GisFormats& formats) {
  if (run.tally.errFound) {
    run.newline();
    run.worded(Severity::Error, "ERRORS were found - see above [3]");
    run.exits(kExitFailure);
  }
  if (!anyUsableSection(run)) {
    // Empty layers under a "Finished." would pass a failed run off as a good one.
    run.newline();
    run.error("No cross-section was found in the inputs - nothing written");
    run.exits(kExitFailure);
  }
  readyOutFolder(run);
  xsWriteSections(run, formats.sectionSink(), run.settings.optHtml ? &run.report : nullptr);
  formats.finish();
  commitOutputs(run, run.staged);
  printSummary(run);
  run.newline();
  run.say("Finished.");
  // With -strict, a scripted run stops on doubtful data though its outputs are in place.
  const bool doubtful = run.tally.warnings > 0 || run.tally.checkLines > 0;
  run.exits(run.settings.checks.strict && doubtful ? kExitDoubtful : kExitSuccess);
}

}  // namespace kestrix
