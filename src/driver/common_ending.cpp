#include "driver/modes.h"
#include "driver/run_context.h"
#include "sections/section_writer.h"

namespace kestrix {

void commonEnding(RunContext& ctx) {
  if (ctx.settings.errFound) {
    ctx.newline();
    ctx.say("ERRORS were found - see above [3]");
    ctx.exits(kExitFailure);
  }
  xsWriteSections(ctx);
  ctx.newline();
  ctx.say("Finished.");
  ctx.exits(kExitSuccess);
}

}  // namespace kestrix
