#include "driver/store_limits.h"

#include "driver/run_context.h"
#include "text/text.h"

namespace kestrix {

int appendSectionWithinLimit(RunContext& ctx) {
  const Settings& set = ctx.settings;
  if (ctx.store.nxs() >= set.mxs) {
    ctx.say("ERROR - More than " + AINTEGER(set.mxs) +
            " cross-sections: raise the maximum number of cross-sections with -mxs");
    ctx.settings.errFound = true;
    ctx.exits(kExitFailure);
  }
  return ctx.store.append();
}

void stopTooManyPoints(RunContext& ctx, std::string_view sectionId) {
  ctx.say("ERROR - More than " + AINTEGER(ctx.settings.mpt) + " points in one position group of cross-section " +
          std::string(significant(sectionId)) + ": raise the maximum number of points with -mpt");
  ctx.settings.errFound = true;
  ctx.exits(kExitFailure);
}

}  // namespace kestrix
