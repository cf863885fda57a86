#include "driver/modes.h"
#include "driver/run_context.h"

namespace kestrix {

void gisRun(RunContext& ctx) {
  ctx.settings.gisMode = true;
  ctx.newline();
  ctx.say("ERROR - GIS mode is not available yet");
  ctx.exits(kExitFailure);
}

}  // namespace kestrix
