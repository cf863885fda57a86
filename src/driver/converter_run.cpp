#include "driver/modes.h"
#include "driver/run_context.h"

namespace kestrix {

void converterRun(RunContext& ctx) {
  ctx.newline();
  ctx.say(ctx.settings.optM11 ? "ERROR - MIKE 11 mode is not available yet" : "ERROR - ISIS mode is not available yet");
  ctx.exits(kExitFailure);
}

}  // namespace kestrix
