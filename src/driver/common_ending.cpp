#include "driver/modes.h"
#include "driver/run_context.h"
#include "driver/run_end_report.h"
#include "sections/section_writer.h"

namespace kestrix {

void commonEnding(RunContext& ctx) {
  if (ctx.settings.errFound) {
    ctx.newline();
    ctx.say("ERRORS were found - see above [3]");
    ctx.exits(kExitFailure);
  }
  readyOutFolder(ctx);
  xsWriteSections(ctx);
  printSummary(ctx);
  ctx.newline();
  ctx.say("Finished.");
  ctx.exits(kExitSuccess);
}

}  // namespace kestrix
